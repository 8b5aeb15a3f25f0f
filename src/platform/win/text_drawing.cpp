// Text drawing and measuring: the fixed font metrics, line layout and tab stops.
#include "platform/win/gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_state.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/resources.h"
#include "platform/win/text_measure.h"
#include "platform/win/text_measure_testing.h"
#include "platform/win/win_state.h"

using namespace gdistate;

int AfxFontPixelHeight(int nPointSize10) {
    const int n = std::abs(nPointSize10);
    return std::max(1, (n * 4 + 15) / 30);
}
int AfxFontCharWidth(int nPixelHeight) {
    return std::max(1, (nPixelHeight + 1) / 2);
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    if (lpString == nullptr && c > 0) return FALSE;
    DcSnap s = Snap(hdc);
    if (!s.bOk) return FALSE;
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::Text;
    op.strText.assign(lpString ? lpString : "", static_cast<size_t>(std::max(0, c)));
    const CTextMeasurer& m = AfxGetTextMeasurer();
    op.rc = RECT{x, y, x + m.GetTextWidth(op.strFontFace, s.nLineH, op.strText),
                 y + m.GetLineHeight(op.strFontFace, s.nLineH)};
    Record(s, std::move(op), false);
    return TRUE;
}

LONG TabbedTextOutA(HDC hdc, int x, int y, LPCSTR lpString, int chCount, int nTabPositions,
                    const int* lpnTabStopPositions, int nTabOrigin) {
    if (lpString == nullptr && chCount > 0) return 0;
    DcSnap s = Snap(hdc);
    if (!s.bOk) return 0;
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::TabbedText;
    op.strText.assign(lpString ? lpString : "", static_cast<size_t>(std::max(0, chCount)));
    if (nTabPositions > 0 && lpnTabStopPositions)
        op.tabStops.assign(lpnTabStopPositions, lpnTabStopPositions + nTabPositions);
    op.nTabOrigin = nTabOrigin;
    const CTextMeasurer& m = AfxGetTextMeasurer();
    const int w = AfxTabbedTextWidth(op.strText, nTabPositions, lpnTabStopPositions, nTabOrigin, x, m,
                                     op.strFontFace, s.nLineH);
    const int h = m.GetLineHeight(op.strFontFace, s.nLineH);
    op.rc = RECT{x, y, x + w, y + h};
    Record(s, std::move(op), false);
    return MAKELONG(static_cast<WORD>(w), static_cast<WORD>(h));
}

int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    if (lprc == nullptr || (lpchText == nullptr && cchText != 0)) return 0;
    DcSnap s = Snap(hdc);
    if (!s.bOk) return 0;
    // The text goes straight into the operation's own storage (kept from an earlier operation).
    std::string& text = s.op.strText;
    if (lpchText != nullptr) {
        if (cchText < 0)
            text.assign(lpchText);
        else
            text.assign(lpchText, static_cast<size_t>(cchText));
    }
    const int width = lprc->right - lprc->left;
    const CTextMeasurer& m = AfxGetTextMeasurer();
    const std::string& face = s.op.strFontFace;
    int nWidest = 0;
    int nLines = 1;
    // One line that needs neither prefix marks taken out nor breaking: measured as it stands, without
    // building the lines (every repaint of a static control comes here).
    const bool bPrefixes = (format & DT_NOPREFIX) == 0;
    const bool bPlain = std::none_of(text.begin(), text.end(), [bPrefixes](char c) {
        return c == '\r' || c == '\n' || (c == '&' && bPrefixes);
    });
    const int nPlainWidth = bPlain ? m.GetTextWidth(face, s.nLineH, text) : 0;
    if (bPlain &&
        ((format & DT_SINGLELINE) || !(format & DT_WORDBREAK) || text.size() <= 1 || nPlainWidth <= width)) {
        nWidest = nPlainWidth;
    } else {
        const std::string visible = AfxTextWithoutPrefix(text, format);
        std::vector<std::string> lines = AfxLayoutTextLines(visible, format, width, m, face, s.nLineH);
        for (const std::string& l : lines) nWidest = std::max(nWidest, m.GetTextWidth(face, s.nLineH, l));
        nLines = static_cast<int>(lines.size());
    }
    const int nHeight = nLines * m.GetLineHeight(face, s.nLineH);
    if (format & DT_CALCRECT) {
        lprc->right = lprc->left + nWidest;
        lprc->bottom = lprc->top + nHeight;
        return nHeight;
    }
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::DrawText;
    op.rc = *lprc;
    op.nFlags = format;
    Record(s, std::move(op), false);
    return nHeight;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
    if (psizl == nullptr) return FALSE;
    DcSnap s = Snap(hdc);
    if (!s.bOk) return FALSE;
    const CTextMeasurer& m = AfxGetTextMeasurer();
    const std::string_view text(lpString ? lpString : "", lpString ? static_cast<size_t>(std::max(0, c)) : 0);
    psizl->cx = m.GetTextWidth(s.op.strFontFace, s.nLineH, text);
    psizl->cy = m.GetLineHeight(s.op.strFontFace, s.nLineH);
    return TRUE;
}
