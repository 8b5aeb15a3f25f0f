// Test inspection of the text measurer (text_measure.h): the measurer in use and the width of a tabbed
// text.
#pragma once

#include "platform/win/text_measure.h"

const CTextMeasurer& AfxGetTextMeasurer();
// Width in pixels of a text drawn with TabbedTextOut at x (stops as documented in gdi.h).
int AfxTabbedTextWidth(const std::string& text, int nTabs, const int* pTabs, int nTabOrigin, int x,
                       const CTextMeasurer& m, const std::string& strFace, int nFontHeight);
