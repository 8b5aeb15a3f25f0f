#include "platform/screen/cairo_renderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/screen/bmp_surface.h"
#include "platform/win/resources.h"
#include "platform/win/window.h"

namespace {

constexpr int kDefaultFontHeight = 11;  // a context without a font (gdi.cpp's default line)
constexpr int kLargestImageSide = 16384;
// The narrowest a single line is condensed to when it is wider than its rectangle: below this a text
// is no longer readable, so it is clipped instead.
constexpr double kNarrowestCondense = 0.6;

void SetColour(cairo_t* cr, COLORREF c) {
    cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}

void FillRectangle(cairo_t* cr, const RECT& rc, COLORREF c) {
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    SetColour(cr, c);
    cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    cairo_fill(cr);
}

void ClipTo(cairo_t* cr, const RECT& rc) {
    cairo_rectangle(cr, rc.left, rc.top, std::max(0L, static_cast<long>(rc.right - rc.left)),
                    std::max(0L, static_cast<long>(rc.bottom - rc.top)));
    cairo_clip(cr);
}

RECT Offset(const RECT& rc, POINT by) {
    return RECT{rc.left - by.x, rc.top - by.y, rc.right - by.x, rc.bottom - by.y};
}

// Takes rc out of the clip region (each call intersects the clip with everything outside rc).
void ClipOut(cairo_t* cr, const RECT& rc) {
    constexpr double kFar = 1e6;
    cairo_rectangle(cr, -kFar, -kFar, 2 * kFar, 2 * kFar);
    cairo_rectangle(cr, rc.left, rc.top, std::max(0L, static_cast<long>(rc.right - rc.left)),
                    std::max(0L, static_cast<long>(rc.bottom - rc.top)));
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

// A 3-D frame two pixels wide: sunken has the shadow at the top and left.
void DrawEdgeFrame(cairo_t* cr, const RECT& rc, bool bSunken) {
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF tl = bSunken ? dark : light;
    const COLORREF br = bSunken ? light : dark;
    for (int i = 0; i < 2; ++i) {
        const RECT r{rc.left + i, rc.top + i, rc.right - i, rc.bottom - i};
        if (r.right - r.left < 2 || r.bottom - r.top < 2) break;
        FillRectangle(cr, RECT{r.left, r.top, r.right, r.top + 1}, tl);
        FillRectangle(cr, RECT{r.left, r.top, r.left + 1, r.bottom}, tl);
        FillRectangle(cr, RECT{r.left, r.bottom - 1, r.right, r.bottom}, br);
        FillRectangle(cr, RECT{r.right - 1, r.top, r.right, r.bottom}, br);
    }
}

void PathEllipse(cairo_t* cr, double l, double t, double r, double b) {
    if (r - l <= 0 || b - t <= 0) return;
    cairo_save(cr);
    cairo_translate(cr, (l + r) / 2, (t + b) / 2);
    cairo_scale(cr, (r - l) / 2, (b - t) / 2);
    cairo_arc(cr, 0, 0, 1, 0, 6.283185307179586);
    cairo_restore(cr);
}

void SetDash(cairo_t* cr, int nStyle, int nWidth) {
    const double w = std::max(1, nWidth);
    static const double kDash[] = {6, 2};
    static const double kDot[] = {1, 1};
    static const double kDashDot[] = {6, 2, 1, 2};
    static const double kDashDotDot[] = {6, 2, 1, 2, 1, 2};
    auto set = [&](const double* p, int n) {
        std::vector<double> d(p, p + n);
        for (double& x : d) x *= w;
        cairo_set_dash(cr, d.data(), n, 0);
    };
    switch (nStyle) {
        case PS_DASH:
            set(kDash, 2);
            break;
        case PS_DOT:
            set(kDot, 2);
            break;
        case PS_DASHDOT:
            set(kDashDot, 4);
            break;
        case PS_DASHDOTDOT:
            set(kDashDotDot, 6);
            break;
        default:
            cairo_set_dash(cr, nullptr, 0, 0);
            break;
    }
}

}  // namespace

int AfxDrawOpFontHeight(const CDrawOp& op) {
    return op.nFontHeight > 0 ? op.nFontHeight : kDefaultFontHeight;
}

CCairoRenderer::~CCairoRenderer() {
    for (auto& [id, s] : m_bitmaps)
        if (s) cairo_surface_destroy(s);
    for (auto& [h, s] : m_icons)
        if (s) cairo_surface_destroy(s);
}

cairo_surface_t* CCairoRenderer::BitmapSurface(UINT nBitmapId) {
    auto it = m_bitmaps.find(nBitmapId);
    if (it != m_bitmaps.end()) return it->second;
    const CBitmapResource* r = AfxFindBitmapResource(nBitmapId);
    cairo_surface_t* s = r ? AfxBmpToSurface(r->pData, r->nSize) : nullptr;
    m_bitmaps.emplace(nBitmapId, s);
    return s;
}

cairo_surface_t* CCairoRenderer::IconSurface(HICON hIcon) {
    auto it = m_icons.find(hIcon);
    if (it != m_icons.end()) return it->second;
    const CIconResource* r = AfxFindIconResource(hIcon);
    cairo_surface_t* s = (r && r->pData) ? AfxBmpToSurface(r->pData, r->nSize) : nullptr;
    m_icons.emplace(hIcon, s);
    return s;
}

void CCairoRenderer::ShowText(cairo_t* cr, const CDrawOp& op, double x, double y, const std::string& text,
                              double dScaleX) {
    const int h = AfxDrawOpFontHeight(op);
    if (op.nBkMode == OPAQUE) {
        const int w = static_cast<int>(std::ceil(m_measurer.GetTextWidth(op.strFontFace, h, text) * dScaleX));
        FillRectangle(cr,
                      RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x) + w,
                           static_cast<LONG>(y) + m_measurer.GetLineHeight(op.strFontFace, h)},
                      op.crBk);
    }
    if (text.empty()) return;  // no glyph: nothing to paint
    cairo_save(cr);
    cairo_translate(cr, x, y + Ascent(h));
    cairo_scale(cr, dScaleX, 1.0);
    m_measurer.SelectFont(cr, h);
    SetColour(cr, op.crText);
    const std::vector<cairo_glyph_t>& glyphs = Glyphs(cr, h, text);
    if (!glyphs.empty()) cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
    cairo_restore(cr);
}

double CCairoRenderer::Ascent(int nFontHeight) {
    auto it = m_ascents.find(nFontHeight);
    if (it == m_ascents.end()) it = m_ascents.emplace(nFontHeight, m_measurer.GetAscent(nFontHeight)).first;
    return it->second;
}

const std::vector<cairo_glyph_t>& CCairoRenderer::Glyphs(cairo_t* cr, int nFontHeight,
                                                         const std::string& text) {
    // The glyphs' places depend on the scaled font, which is the font at nFontHeight under the linear part
    // of cr's matrix (its translation is not part of it): the key holds both, then the text.
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    const double linear[] = {m.xx, m.yx, m.xy, m.yy};
    m_strGlyphKey.assign(reinterpret_cast<const char*>(&nFontHeight), sizeof nFontHeight);
    m_strGlyphKey.append(reinterpret_cast<const char*>(linear), sizeof linear);
    m_strGlyphKey.append(text);
    if (auto it = m_glyphs.find(m_strGlyphKey); it != m_glyphs.end()) return it->second;
    cairo_glyph_t* p = nullptr;
    int n = 0;
    std::vector<cairo_glyph_t> glyphs;
    // At (0, 0), where the text starts on the baseline after the translation above.
    if (cairo_scaled_font_text_to_glyphs(cairo_get_scaled_font(cr), 0, 0, AfxLatin1ToUtf8(text).c_str(), -1,
                                         &p, &n, nullptr, nullptr, nullptr) == CAIRO_STATUS_SUCCESS)
        glyphs.assign(p, p + n);
    cairo_glyph_free(p);
    if (m_glyphs.size() >= kMostGlyphRunsKept) m_glyphs.clear();
    return m_glyphs.emplace(m_strGlyphKey, std::move(glyphs)).first->second;
}

void CCairoRenderer::DrawTextLines(cairo_t* cr, const CDrawOp& op) {
    const int h = AfxDrawOpFontHeight(op);
    const RECT& rc = op.rc;
    const UINT fmt = op.nFlags;
    const std::string visible = AfxTextWithoutPrefix(op.strText, fmt);
    const int lineH = m_measurer.GetLineHeight(op.strFontFace, h);
    std::vector<std::string> lines =
        AfxLayoutTextLines(visible, fmt, rc.right - rc.left, m_measurer, op.strFontFace, h);
    // A wrapping text in a rectangle one line high shows only its first line: a caption broken inside a
    // word would lose its end, so it is drawn as the one line it was written as.
    if (lines.size() > 1 && !(fmt & DT_NOCLIP) && rc.bottom - rc.top < 2 * lineH &&
        visible.find_first_of("\r\n") == std::string::npos)
        lines = {visible};
    double y = rc.top;
    if (fmt & DT_SINGLELINE) {
        if (fmt & DT_VCENTER)
            y = rc.top + ((rc.bottom - rc.top) - lineH) / 2;
        else if (fmt & DT_BOTTOM)
            y = rc.bottom - lineH;
    }
    cairo_save(cr);
    if (!(fmt & DT_NOCLIP)) ClipTo(cr, rc);
    // One clipped line wider than its rectangle (a caption longer than its control) is condensed on x just
    // enough to fit, so that no end of it is cut; the layout the framework measured stays as it is.
    const int nRoom = rc.right - rc.left;
    const bool bCondense = lines.size() == 1 && !(fmt & DT_NOCLIP) && nRoom > 0;
    // Left-aligned, it also keeps out of a sibling painted over the window's right part.
    const bool bLeft = !(fmt & (DT_CENTER | DT_RIGHT));
    for (const std::string& line : lines) {
        int nSeen = nRoom;
        if (bLeft)
            for (const RECT& r : m_covering)
                if (r.left > rc.left && r.top < y + lineH && r.bottom > y)
                    nSeen = std::min(nSeen, static_cast<int>(r.left - rc.left));
        const int nNatural = m_measurer.GetTextWidth(op.strFontFace, h, line);
        double dScaleX = 1.0;
        if (bCondense && nNatural > nSeen)
            dScaleX = std::max(kNarrowestCondense, static_cast<double>(nSeen) / nNatural);
        const double w = nNatural * dScaleX;
        double x = rc.left;
        if (fmt & DT_CENTER)
            x = rc.left + std::floor((nRoom - w) / 2);
        else if (fmt & DT_RIGHT)
            x = rc.right - w;
        if (dScaleX < 1.0) x = std::max(x, static_cast<double>(rc.left));
        ShowText(cr, op, x, y, line, dScaleX);
        y += lineH;
    }
    cairo_restore(cr);
}

void CCairoRenderer::ReplayOp(cairo_t* cr, const CDrawOp& op) {
    const RECT& rc = op.rc;
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);  // shapes on whole pixels, as the platform draws them
    switch (op.nKind) {
        case CDrawOpKind::FillRect:
            FillRectangle(cr, rc, op.crBrush);
            break;
        case CDrawOpKind::Rectangle:
        case CDrawOpKind::Ellipse: {
            const bool bEllipse = op.nKind == CDrawOpKind::Ellipse;
            if (bEllipse) cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
            if (!op.bNullBrush) {
                SetColour(cr, op.crBrush);
                if (bEllipse)
                    PathEllipse(cr, rc.left, rc.top, rc.right, rc.bottom);
                else
                    cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
                cairo_fill(cr);
            }
            if (op.nPenStyle != PS_NULL) {
                const int pw = std::max(1, op.nPenWidth);
                const double in = pw / 2.0;
                SetColour(cr, op.crPen);
                cairo_set_line_width(cr, pw);
                SetDash(cr, op.nPenStyle, pw);
                if (bEllipse)
                    PathEllipse(cr, rc.left + in, rc.top + in, rc.right - in, rc.bottom - in);
                else
                    cairo_rectangle(cr, rc.left + in, rc.top + in, rc.right - rc.left - pw,
                                    rc.bottom - rc.top - pw);
                cairo_stroke(cr);
            }
            break;
        }
        case CDrawOpKind::Edge:
            DrawEdgeFrame(cr, rc, op.nFlags == 1);
            break;
        case CDrawOpKind::Line: {
            if (op.nPenStyle == PS_NULL) break;
            const int pw = std::max(1, op.nPenWidth);
            const double half = (pw % 2) ? 0.5 : 0.0;  // odd widths centred on the pixel row
            SetColour(cr, op.crPen);
            cairo_set_line_width(cr, pw);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
            SetDash(cr, op.nPenStyle, pw);
            cairo_move_to(cr, rc.left + half, rc.top + half);
            cairo_line_to(cr, rc.right + half, rc.bottom + half);
            cairo_stroke(cr);
            break;
        }
        case CDrawOpKind::Text:
            ShowText(cr, op, rc.left, rc.top, op.strText);
            break;
        case CDrawOpKind::TabbedText: {
            const int h = AfxDrawOpFontHeight(op);
            const int* pTabs = op.tabStops.empty() ? nullptr : op.tabStops.data();
            const std::vector<int> starts =
                AfxTabbedRunStarts(op.strText, static_cast<int>(op.tabStops.size()), pTabs, op.nTabOrigin,
                                   rc.left, m_measurer, op.strFontFace, h);
            if (op.nBkMode == OPAQUE) FillRectangle(cr, rc, op.crBk);
            CDrawOp run = op;
            run.nBkMode = TRANSPARENT;
            size_t i = 0;
            for (int x : starts) {
                const size_t j = op.strText.find('\t', i);
                ShowText(cr, run, x, rc.top,
                         op.strText.substr(i, j == std::string::npos ? std::string::npos : j - i));
                if (j == std::string::npos) break;
                i = j + 1;
            }
            break;
        }
        case CDrawOpKind::DrawText:
            if (!(op.nFlags & DT_CALCRECT)) DrawTextLines(cr, op);
            break;
        case CDrawOpKind::BitBlt: {
            if (op.nFlags == BLACKNESS || op.nFlags == WHITENESS || op.nFlags == PATCOPY) {
                FillRectangle(cr, rc,
                              op.nFlags == BLACKNESS   ? 0x000000
                              : op.nFlags == WHITENESS ? 0xFFFFFF
                                                       : op.crBrush);
                break;
            }
            cairo_surface_t* s = op.nBitmapId ? BitmapSurface(op.nBitmapId) : nullptr;
            if (s == nullptr) break;  // no picture behind the source context: nothing to copy
            // FIXME: raster operations other than SRCCOPY are painted as a plain copy.
            ClipTo(cr, rc);
            cairo_set_source_surface(cr, s, rc.left - op.ptSrc.x, rc.top - op.ptSrc.y);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
            cairo_paint(cr);
            break;
        }
        case CDrawOpKind::DrawIcon: {
            cairo_surface_t* s = IconSurface(op.hIcon);
            if (s == nullptr) break;
            ClipTo(cr, rc);
            cairo_set_source_surface(cr, s, rc.left, rc.top);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
            cairo_paint(cr);
            break;
        }
    }
    cairo_restore(cr);
}

namespace {

// Distinct filled shapes a record is searched for at most (a window's record holds a few).
constexpr size_t kMostShapesCompared = 16;

// An operation that paints every pixel of its shape: a fill, or a rectangle or an ellipse with a brush.
bool IsFilledShape(const CDrawOp& op) {
    return op.nKind == CDrawOpKind::FillRect ||
           ((op.nKind == CDrawOpKind::Rectangle || op.nKind == CDrawOpKind::Ellipse) && !op.bNullBrush);
}

// Two filled shapes that cover the same pixels, however coloured.
bool SameShape(const CDrawOp& a, const CDrawOp& b) {
    return a.nKind == b.nKind && EqualRect(&a.rc, &b.rc) && a.bWindowCoords == b.bWindowCoords &&
           (a.nKind == CDrawOpKind::FillRect || (a.nPenStyle == b.nPenStyle && a.nPenWidth == b.nPenWidth));
}

bool Contains(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom && inner.right > inner.left && inner.bottom > inner.top;
}

bool Meets(const RECT& a, const RECT& b) {
    return a.right > b.left && a.left < b.right && a.bottom > b.top && a.top < b.bottom;
}

// Where the operation, replayed with its origin at ptOrigin, may paint (the context's pixels); FALSE when
// that is not known: a text not clipped to its rectangle may reach anywhere on its surface.
bool InkBounds(const CDrawOp& op, POINT ptOrigin, RECT* pInk) {
    RECT rcOp = op.rc;
    switch (op.nKind) {
        case CDrawOpKind::Line: {
            const LONG pw = std::max(1, op.nPenWidth);
            rcOp = RECT{std::min(op.rc.left, op.rc.right) - pw, std::min(op.rc.top, op.rc.bottom) - pw,
                        std::max(op.rc.left, op.rc.right) + pw, std::max(op.rc.top, op.rc.bottom) + pw};
            break;
        }
        case CDrawOpKind::FillRect:
        case CDrawOpKind::Rectangle:
        case CDrawOpKind::Ellipse:
        case CDrawOpKind::Edge:
        case CDrawOpKind::BitBlt:
        case CDrawOpKind::DrawIcon:
            break;
        case CDrawOpKind::DrawText:
            if (!(op.nFlags & DT_NOCLIP)) break;
            return false;
        case CDrawOpKind::Text:
        case CDrawOpKind::TabbedText:
            return false;
    }
    // A pixel of margin: antialiased edges stay inside it.
    *pInk = RECT{
        std::min(rcOp.left, rcOp.right) + ptOrigin.x - 1, std::min(rcOp.top, rcOp.bottom) + ptOrigin.y - 1,
        std::max(rcOp.left, rcOp.right) + ptOrigin.x + 1, std::max(rcOp.top, rcOp.bottom) + ptOrigin.y + 1};
    return true;
}

// FALSE when the operation, replayed with its origin at ptOrigin, paints nothing inside rc.
bool Reaches(const CDrawOp& op, POINT ptOrigin, const RECT& rc) {
    RECT rcInk{};
    return !InkBounds(op, ptOrigin, &rcInk) || Meets(rcInk, rc);
}

// A sibling painted after w whose paint covers w's right part: visible, not clipping its siblings, not a
// group box (which paints only its frame and caption), starting inside w and overlapping it.
bool CoversRightPart(const CWindowSnapshot& below, const CWindowSnapshot& w) {
    if (!below.bVisible || (below.dwStyle & WS_CLIPSIBLINGS)) return false;
    if (below.strClass == "Button" && (below.dwStyle & BS_TYPEMASK) == BS_GROUPBOX) return false;
    const RECT& b = below.rcWindow;
    const RECT& r = w.rcWindow;
    return b.left > r.left && b.left < r.right && b.top < r.bottom && b.bottom > r.top;
}

}  // namespace

void CCairoRenderer::PaintWindow(cairo_t* cr, const CWindowSnapshot& w, POINT ptOrigin, const RECT& rcClip,
                                 const std::vector<CWindowSnapshot>* pSiblings, size_t nIndex) {
    if (!w.bVisible && !(m_bShowTop && pSiblings == nullptr)) return;
    const RECT rcWnd = Offset(w.rcWindow, ptOrigin);
    const RECT rcCli = Offset(w.rcClient, ptOrigin);
    if (m_bCull && !Meets(rcWnd, m_rcCull)) return;
    // The rectangular part of the clip is kept here and given to cairo with each operation; only the
    // siblings a window clips out go to cairo's clip for the window.
    RECT rcSeen{};
    IntersectRect(&rcSeen, &rcClip, &rcWnd);
    bool bSaved = false;
    std::vector<RECT> covering;  // client coordinates of w
    if (pSiblings != nullptr) {
        // WS_CLIPSIBLINGS: the window and its children stay out of the visible siblings above it.
        // The window and its children paint only inside rcSeen (and m_rcCull when culling): a sibling
        // outside that takes nothing out, and taking it out of cairo's clip would only make every later
        // operation's clip a complex one.
        if (w.dwStyle & WS_CLIPSIBLINGS) {
            RECT rcReach = rcSeen;
            if (m_bCull) IntersectRect(&rcReach, &rcReach, &m_rcCull);
            for (size_t i = 0; i < nIndex; ++i) {
                const CWindowSnapshot& s = (*pSiblings)[i];
                if (!s.bVisible || !Meets(Offset(s.rcWindow, ptOrigin), rcReach)) continue;
                if (!bSaved) cairo_save(cr);
                bSaved = true;
                ClipOut(cr, Offset(s.rcWindow, ptOrigin));
            }
        }
        for (size_t i = nIndex + 1; i < pSiblings->size(); ++i) {
            const CWindowSnapshot& s = (*pSiblings)[i];
            if (CoversRightPart(s, w))
                covering.push_back(RECT{s.rcWindow.left - w.rcClient.left, s.rcWindow.top - w.rcClient.top,
                                        s.rcWindow.right - w.rcClient.left,
                                        s.rcWindow.bottom - w.rcClient.top});
        }
    }
    for (const CDrawOp& op : w.nonClientOps) {
        if (Skipped(op) || (m_bCull && !Reaches(op, POINT{rcWnd.left, rcWnd.top}, m_rcCull))) continue;
        ReplayAt(cr, op, POINT{rcWnd.left, rcWnd.top}, rcSeen);
    }
    MarkPaintedOver(w.drawOps);
    for (size_t nOp = 0; nOp < w.drawOps.size(); ++nOp) {
        const CDrawOp& op = w.drawOps[nOp];
        const RECT& rcSurface = op.bWindowCoords ? rcWnd : rcCli;
        if (Skipped(op) || m_paintedOver[nOp] ||
            (m_bCull && !Reaches(op, POINT{rcSurface.left, rcSurface.top}, m_rcCull)))
            continue;
        RECT rcOp{};
        IntersectRect(&rcOp, &rcSeen, &rcSurface);
        m_covering = covering;
        if (op.bWindowCoords)
            for (RECT& r : m_covering)
                OffsetRect(&r, w.rcClient.left - w.rcWindow.left, w.rcClient.top - w.rcWindow.top);
        ReplayAt(cr, op, POINT{rcSurface.left, rcSurface.top}, rcOp);
    }
    m_covering.clear();
    RECT rcChildren{};
    IntersectRect(&rcChildren, &rcSeen, &rcCli);
    // Siblings paint from the top of the z-order down, in the order the platform sends their paints, so
    // where two overlap the lower one's paint is seen (a field over the template label reaching into
    // it), unless the lower one clips its siblings (WS_CLIPSIBLINGS).
    if (!IsRectEmpty(&rcChildren))
        for (size_t i = 0; i < w.children.size(); ++i)
            PaintWindow(cr, w.children[i], ptOrigin, rcChildren, &w.children, i);
    if (bSaved) cairo_restore(cr);
}

void CCairoRenderer::ReplayAt(cairo_t* cr, const CDrawOp& op, POINT ptOrigin, const RECT& rcClip) {
    // A clip that would cut nothing only costs: an operation known to paint inside rcClip goes without.
    RECT rcInk{};
    const bool bClip = !InkBounds(op, ptOrigin, &rcInk) || rcInk.left < rcClip.left ||
                       rcInk.top < rcClip.top || rcInk.right > rcClip.right || rcInk.bottom > rcClip.bottom;
    if (bClip) {
        cairo_save(cr);
        ClipTo(cr, rcClip);
    }
    cairo_translate(cr, ptOrigin.x, ptOrigin.y);
    ReplayOp(cr, op);  // leaves cr's state as it found it
    if (bClip)
        cairo_restore(cr);
    else
        cairo_translate(cr, -ptOrigin.x, -ptOrigin.y);
}

const CDrawOp* CCairoRenderer::LastCover(const CWindowSnapshot& w, POINT ptOrigin, const RECT& rcClip,
                                         const std::vector<CWindowSnapshot>* pSiblings, size_t nIndex) const {
    if (!w.bVisible && !(m_bShowTop && pSiblings == nullptr)) return nullptr;
    const RECT rcWnd = Offset(w.rcWindow, ptOrigin);
    const RECT rcCli = Offset(w.rcClient, ptOrigin);
    if (!Meets(rcWnd, m_rcCull)) return nullptr;
    RECT rcSeen{};  // where the window paints, as far as it is a rectangle (empty: not known to be one)
    IntersectRect(&rcSeen, &rcClip, &rcWnd);
    if (pSiblings != nullptr && (w.dwStyle & WS_CLIPSIBLINGS)) {
        for (size_t i = 0; i < nIndex; ++i) {
            const CWindowSnapshot& s = (*pSiblings)[i];
            if (s.bVisible && Meets(Offset(s.rcWindow, ptOrigin), m_rcCull)) rcSeen = RECT{};
        }
    }
    // An opaque fill over the whole part, seen there whole.
    auto covers = [&](const CDrawOp& op, const RECT& rcSurface) {
        if (op.nKind != CDrawOpKind::FillRect) return false;
        RECT rcFill = Offset(op.rc, POINT{-rcSurface.left, -rcSurface.top});
        IntersectRect(&rcFill, &rcFill, &rcSurface);
        IntersectRect(&rcFill, &rcFill, &rcSeen);
        return Contains(rcFill, m_rcCull);
    };
    const CDrawOp* pLast = nullptr;
    for (const CDrawOp& op : w.nonClientOps)
        if (covers(op, rcWnd)) pLast = &op;
    for (const CDrawOp& op : w.drawOps)
        if (covers(op, op.bWindowCoords ? rcWnd : rcCli)) pLast = &op;
    RECT rcChildren{};
    IntersectRect(&rcChildren, &rcSeen, &rcCli);
    for (size_t i = 0; i < w.children.size(); ++i)
        if (const CDrawOp* p = LastCover(w.children[i], ptOrigin, rcChildren, &w.children, i)) pLast = p;
    return pLast;
}

void CCairoRenderer::MarkPaintedOver(const CDrawOpList& ops) {
    m_paintedOver.assign(ops.size(), 0);
    if (ops.size() < 2) return;
    std::vector<const CDrawOp*> later;  // the filled shapes painted after the one looked at
    for (size_t i = ops.size(); i-- > 0;) {
        const CDrawOp& op = ops[i];
        if (!IsFilledShape(op)) continue;
        if (std::any_of(later.begin(), later.end(), [&](const CDrawOp* p) { return SameShape(*p, op); }))
            m_paintedOver[i] = 1;
        else if (later.size() < kMostShapesCompared)
            later.push_back(&op);
    }
}

bool CCairoRenderer::Skipped(const CDrawOp& op) {
    if (m_pFirstOp == nullptr) return false;
    if (&op != m_pFirstOp) return true;
    m_pFirstOp = nullptr;
    return false;
}

void CCairoRenderer::RenderWindow(cairo_t* cr, const CWindowSnapshot& w) {
    const POINT ptOrigin{w.rcWindow.left, w.rcWindow.top};
    PaintWindow(cr, w, ptOrigin, Offset(w.rcWindow, ptOrigin));
}

cairo_surface_t* CCairoRenderer::RenderToImage(const CWindowSnapshot& w) {
    const int cx = w.rcWindow.right - w.rcWindow.left;
    const int cy = w.rcWindow.bottom - w.rcWindow.top;
    if (cx <= 0 || cy <= 0 || cx > kLargestImageSide || cy > kLargestImageSide) return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cx, cy);
    cairo_t* cr = cairo_create(s);
    SetColour(cr, GetSysColor(COLOR_BTNFACE));
    cairo_paint(cr);
    m_bShowTop = true;  // a picture of the window as it would show
    RenderWindow(cr, w);
    m_bShowTop = false;
    cairo_destroy(cr);
    cairo_surface_flush(s);
    return s;
}

void CCairoRenderer::RenderDamage(cairo_surface_t* pImage, const CWindowSnapshot& w,
                                  const std::vector<RECT>& damage) {
    if (pImage == nullptr || damage.empty()) return;
    cairo_t* cr = cairo_create(pImage);
    m_bShowTop = true;
    m_bCull = true;
    // Each part on its own: a clip of one rectangle is cairo's fast one, and only what reaches into that
    // part is painted. A pixel in two parts ends as either paints it.
    for (const RECT& rc : damage) {
        cairo_save(cr);
        cairo_rectangle(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
        cairo_clip(cr);
        m_rcCull = rc;
        // What is painted before the last opaque fill of the whole part would only be covered by it.
        const POINT ptOrigin{w.rcWindow.left, w.rcWindow.top};
        m_pFirstOp = LastCover(w, ptOrigin, Offset(w.rcWindow, ptOrigin));
        if (m_pFirstOp == nullptr) {
            SetColour(cr, GetSysColor(COLOR_BTNFACE));
            cairo_paint(cr);
        }
        RenderWindow(cr, w);
        m_pFirstOp = nullptr;
        cairo_restore(cr);
    }
    m_bCull = false;
    m_bShowTop = false;
    cairo_destroy(cr);
    cairo_surface_flush(pImage);
}
