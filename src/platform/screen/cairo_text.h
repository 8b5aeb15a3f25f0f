// Text in the screen's one pinned face, DejaVu Sans (Debian's fonts-dejavu-core), so that pictures of
// the windows come out the same on every machine. The framework's fonts keep only their pixel height:
// a font H pixels high is DejaVu Sans at an em size of H pixels, unhinted, with unhinted metrics.
//
// Texts of the framework are 8-bit (Latin-1); cairo takes UTF-8, so every text is converted first.
#pragma once

#include <cairo.h>

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/win/text_measure.h"

// Latin-1 bytes as UTF-8.
std::string AfxLatin1ToUtf8(std::string_view text);

// The measurer of the pinned face. Thread-safe: one lock guards the font cache and every measurement.
class CCairoTextMeasurer : public CTextMeasurer {
  public:
    CCairoTextMeasurer();
    ~CCairoTextMeasurer() override;

    int GetLineHeight(const std::string& strFace, int nFontHeight) const override;
    int GetTextWidth(const std::string& strFace, int nFontHeight, std::string_view text) const override;
    int GetAverageCharWidth(const std::string& strFace, int nFontHeight) const override;

    // Pixels from a line's top to its baseline.
    double GetAscent(int nFontHeight) const;
    // Selects the face at nFontHeight into cr (for drawing exactly what was measured).
    void SelectFont(cairo_t* cr, int nFontHeight) const;
    // TRUE when the pinned file was found (else fontconfig's best match for "DejaVu Sans" is used).
    bool HasPinnedFace() const { return m_bPinned; }

  private:
    CCairoTextMeasurer(const CCairoTextMeasurer&) = delete;
    CCairoTextMeasurer& operator=(const CCairoTextMeasurer&) = delete;
    cairo_scaled_font_t* ScaledLocked(int nFontHeight) const;

    cairo_font_face_t* m_pFace = nullptr;
    cairo_font_options_t* m_pOptions = nullptr;
    bool m_bPinned = false;
    mutable std::mutex m_mtx;
    mutable std::map<int, cairo_scaled_font_t*> m_scaled;
    // The widths measured, by font height and text: the same texts are measured again and again (by the
    // framework to lay them out, by the renderer to draw them). Forgotten all at once when full.
    static constexpr size_t kMostWidthsKept = 4096;
    mutable std::map<int, std::unordered_map<std::string, int>> m_widths;
    mutable std::string m_strKey;
};

// Releases what cairo and fontconfig keep in their static caches; call at the very end (tests call it
// after every screen object is gone, so the leak checker sees no cache).
void AfxScreenReleaseFontCaches();
