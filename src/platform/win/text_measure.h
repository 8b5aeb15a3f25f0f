// Text metrics behind one replaceable interface, so that measuring (DT_CALCRECT, GetTextExtent, the
// extents of recorded text), word wrapping and what a view draws agree. The default measurer gives the
// framework's documented fixed metrics (gdi.h): a line is H pixels for a font H pixels high and every
// character (H + 1) / 2 pixels wide. A view installs a measurer of its real font.
//
// Threads: the framework measures on the thread that draws (the user-interface thread) and a view
// measures on its own thread, so a measurer must be safe to call from several threads at once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/wintypes.h"

class CTextMeasurer {
  public:
    virtual ~CTextMeasurer() = default;
    // nFontHeight: the font's pixel height as recorded (CDrawOp::nFontHeight), at least 1. The face is
    // what the program asked for; a measurer may draw every text in one face of its own.
    virtual int GetLineHeight(const std::string& strFace, int nFontHeight) const = 0;
    virtual int GetTextWidth(const std::string& strFace, int nFontHeight, std::string_view text) const = 0;
    // The step unit of tabs without stops (8 of these).
    virtual int GetAverageCharWidth(const std::string& strFace, int nFontHeight) const = 0;
};

// NULL restores the fixed metrics. Returns the measurer installed before. The measurer must outlive its
// use (uninstall it before destroying it).
CTextMeasurer* AfxSetTextMeasurer(CTextMeasurer* pMeasurer);

// Text with the '&' prefix marks taken out ("&&" stays one '&'), unless DT_NOPREFIX is in fmt.
std::string AfxTextWithoutPrefix(const std::string& text, UINT fmt);

// The lines DrawText lays a (prefix-free) text out in for a rectangle nWidth pixels wide: one line with
// DT_SINGLELINE; else one per '\n' ('\r' ignored), and with DT_WORDBREAK lines broken at blanks, a word
// wider than a line broken where it overflows. A single character always fits (a line is never empty
// for want of width).
std::vector<std::string> AfxLayoutTextLines(const std::string& text, UINT fmt, int nWidth,
                                            const CTextMeasurer& m, const std::string& strFace,
                                            int nFontHeight);

// Where each tab-free run of a tabbed text starts (x positions); runs split at '\t'.
std::vector<int> AfxTabbedRunStarts(const std::string& text, int nTabs, const int* pTabs, int nTabOrigin,
                                    int x, const CTextMeasurer& m, const std::string& strFace,
                                    int nFontHeight);
