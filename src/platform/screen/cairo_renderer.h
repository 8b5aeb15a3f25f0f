// Paints windows from their snapshots with cairo: one renderer for every target (an Xlib surface per
// window on a display, an image surface for a screenshot).
//
// A top-level window is painted with its top-left corner at the context's origin: first the framework's
// non-client record (frame, caption, close box, menu bar; a control's border), then its drawing record
// (window-context operations in window pixels, the others in client pixels clipped to the client area),
// then its visible children from the top of the z-order down, each clipped to its window and to its
// parent's client area. Siblings do not clip each other (a lower one paints over a higher one) unless the
// lower one has WS_CLIPSIBLINGS.
//
// Threads: a renderer is used by one thread at a time (it caches decoded pictures and converted texts); the
// measurer it draws text with is thread-safe.
#pragma once

#include <cairo.h>

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/screen/cairo_text.h"
#include "platform/win/snapshot.h"

class CCairoRenderer {
  public:
    explicit CCairoRenderer(const CCairoTextMeasurer& measurer) : m_measurer(measurer) {}
    ~CCairoRenderer();

    void RenderWindow(cairo_t* cr, const CWindowSnapshot& w);
    // A new RGB24 image of the window's size with the window painted on it (the caller destroys it);
    // NULL for an empty or absurd (over 16384 px) rectangle.
    cairo_surface_t* RenderToImage(const CWindowSnapshot& w);
    // Brings pImage, a picture of the window RenderToImage drew from an earlier snapshot, up to w where
    // the two snapshots differ: inside the damage rectangles (window pixels, AfxSnapshotDamage) the
    // picture is cleared and every window reaching into them painted again, so it ends as RenderToImage(w)
    // would draw it, for the cost of the damaged part.
    void RenderDamage(cairo_surface_t* pImage, const CWindowSnapshot& w, const std::vector<RECT>& damage);

    // One recorded operation on cr, whose origin is the operation's coordinate origin.
    void ReplayOp(cairo_t* cr, const CDrawOp& op);

  private:
    CCairoRenderer(const CCairoRenderer&) = delete;
    CCairoRenderer& operator=(const CCairoRenderer&) = delete;
    // w is (*pSiblings)[nIndex] among its siblings in z-order, top first (no siblings: a top-level window);
    // it paints inside rcClip (the context's pixels: its ancestors' client areas) and cr's clip.
    void PaintWindow(cairo_t* cr, const CWindowSnapshot& w, POINT ptOrigin, const RECT& rcClip,
                     const std::vector<CWindowSnapshot>* pSiblings = nullptr, size_t nIndex = 0);
    // While a damaged part (m_rcCull) is painted: the last operation, in painting order, that fills the
    // whole part opaquely where it is seen (NULL: none). rcClip is where w may paint (the context's pixels),
    // the rest as for PaintWindow.
    const CDrawOp* LastCover(const CWindowSnapshot& w, POINT ptOrigin, const RECT& rcClip,
                             const std::vector<CWindowSnapshot>* pSiblings = nullptr,
                             size_t nIndex = 0) const;
    // One operation with its origin at ptOrigin (the context's pixels), clipped to rcClip.
    void ReplayAt(cairo_t* cr, const CDrawOp& op, POINT ptOrigin, const RECT& rcClip);
    // TRUE for an operation painted before m_pFirstOp (then it is skipped).
    bool Skipped(const CDrawOp& op);
    // Sets m_paintedOver for a window's record: a filled shape that a later operation of the record
    // fills again in the same place is not painted. Nothing of it would show but its antialiased edge,
    // darkened once more: a window that paints its state over and over without erasing (an indicator
    // drawn at each change) shows its last state as if drawn once, for the cost of one shape, whatever
    // its history.
    void MarkPaintedOver(const CDrawOpList& ops);
    void DrawTextLines(cairo_t* cr, const CDrawOp& op);
    // dScaleX < 1 draws the text condensed on x (its background as wide as the condensed text).
    void ShowText(cairo_t* cr, const CDrawOp& op, double x, double y, const std::string& text,
                  double dScaleX = 1.0);
    // Pixels from a line's top to its baseline at nFontHeight (the measurer's, kept here without its lock).
    double Ascent(int nFontHeight);
    // The glyphs of a Latin-1 text in the scaled font selected into cr, from the origin of cr's user
    // space: what cairo_show_text would draw there, converted once per text, font height and scale.
    const std::vector<cairo_glyph_t>& Glyphs(cairo_t* cr, int nFontHeight, const std::string& text);
    cairo_surface_t* BitmapSurface(UINT nBitmapId);
    cairo_surface_t* IconSurface(HICON hIcon);

    const CCairoTextMeasurer& m_measurer;
    // While a window's own drawing replays: the rectangles of the siblings painted later that cover its
    // right part (a field beside a label that reaches into it), in the coordinates of the operation being
    // replayed. One line of left-aligned text is condensed to end where the first of them that shares the
    // line's rows begins; a sibling above or below the line (a control inside a group box, under its
    // caption) leaves the line its natural width.
    std::vector<RECT> m_covering;
    // While a damaged part is painted: windows and operations outside this rectangle (the context's
    // pixels) are skipped.
    bool m_bCull = false;
    RECT m_rcCull{};
    // The operation painting starts from (LastCover); the ones before it are skipped. NULL: none skipped.
    const CDrawOp* m_pFirstOp = nullptr;
    std::vector<char> m_paintedOver;  // per operation of the record being replayed (MarkPaintedOver)
    // The top-level window is painted as shown whatever its WS_VISIBLE says.
    bool m_bShowTop = false;
    std::map<UINT, cairo_surface_t*> m_bitmaps;  // NULL entries: not decodable
    std::map<HICON, cairo_surface_t*> m_icons;
    std::map<int, double> m_ascents;  // by font height
    // The glyph runs converted (Glyphs), by font height, matrix and text: a window's few texts are painted
    // again at every change near them. Forgotten all at once when full.
    static constexpr size_t kMostGlyphRunsKept = 4096;
    std::unordered_map<std::string, std::vector<cairo_glyph_t>> m_glyphs;
    std::string m_strGlyphKey;  // the key looked up, kept for its buffer
};

// The font height a recorded text is drawn at (a record without a font has the framework's default).
int AfxDrawOpFontHeight(const CDrawOp& op);
