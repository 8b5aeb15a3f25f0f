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
#include "platform/win/gdi_state.h"
#include "platform/win/kernel.h"
#include "platform/win/resources.h"
#include "platform/win/win_state.h"

using namespace gdistate;

namespace {

// Text without the '&' prefix marks (unless DT_NOPREFIX), for measuring.
std::string VisibleText(const std::string& t, UINT fmt) {
    if (fmt & DT_NOPREFIX) return t;
    std::string out;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '&') {
            if (i + 1 < t.size() && t[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += t[i];
    }
    return out;
}

// Splits into lines as DrawText lays them out; widths in characters.
std::vector<std::string> LayoutLines(const std::string& text, UINT fmt, int nMaxChars) {
    std::vector<std::string> lines;
    if (fmt & DT_SINGLELINE) {
        lines.push_back(text);
        return lines;
    }
    std::string cur;
    auto flush = [&] {
        lines.push_back(cur);
        cur.clear();
    };
    std::vector<std::string> paragraphs;
    {
        std::string p;
        for (char c : text) {
            if (c == '\r') continue;
            if (c == '\n') {
                paragraphs.push_back(p);
                p.clear();
            } else {
                p += c;
            }
        }
        paragraphs.push_back(p);
    }
    for (const std::string& para : paragraphs) {
        if (!(fmt & DT_WORDBREAK) || nMaxChars <= 0 || static_cast<int>(para.size()) <= nMaxChars) {
            lines.push_back(para);
            continue;
        }
        // Word wrap: break at blanks; a word longer than a line is broken where it overflows.
        size_t i = 0;
        while (i < para.size()) {
            size_t j = para.find(' ', i);
            std::string word = para.substr(i, j == std::string::npos ? std::string::npos : j - i);
            i = (j == std::string::npos) ? para.size() : j + 1;
            std::string candidate = cur.empty() ? word : cur + " " + word;
            if (static_cast<int>(candidate.size()) <= nMaxChars) {
                cur = candidate;
                continue;
            }
            if (!cur.empty()) flush();
            while (static_cast<int>(word.size()) > nMaxChars) {
                lines.push_back(word.substr(0, static_cast<size_t>(nMaxChars)));
                word.erase(0, static_cast<size_t>(nMaxChars));
            }
            cur = word;
        }
        flush();
    }
    return lines;
}

// Width in pixels of a tabbed text.
int TabbedWidth(const std::string& t, int nCharW, int nTabs, const int* pTabs, int nTabOrigin, int x) {
    int pos = x;
    for (char c : t) {
        if (c != '\t') {
            pos += nCharW;
            continue;
        }
        const int rel = pos - nTabOrigin;
        int next = 0;
        if (nTabs <= 0 || pTabs == nullptr) {
            const int step = 8 * nCharW;
            next = (rel / step + 1) * step;
        } else if (nTabs == 1) {
            const int step = std::max(1, pTabs[0]);
            next = (rel / step + 1) * step;
        } else {
            next = -1;
            for (int i = 0; i < nTabs; ++i) {
                if (pTabs[i] > rel) {
                    next = pTabs[i];
                    break;
                }
            }
            if (next < 0) {
                const int step = std::max(1, pTabs[nTabs - 1]);
                next = (rel / step + 1) * step;
            }
        }
        pos = nTabOrigin + next;
    }
    return pos - x;
}

}  // namespace

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
    op.rc = RECT{x, y, x + c * s.nCharW, y + s.nLineH};
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
    const int w = TabbedWidth(op.strText, s.nCharW, nTabPositions, lpnTabStopPositions, nTabOrigin, x);
    op.rc = RECT{x, y, x + w, y + s.nLineH};
    Record(s, std::move(op), false);
    return MAKELONG(static_cast<WORD>(w), static_cast<WORD>(s.nLineH));
}

int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    if (lprc == nullptr || (lpchText == nullptr && cchText != 0)) return 0;
    DcSnap s = Snap(hdc);
    if (!s.bOk) return 0;
    std::string text = lpchText == nullptr ? std::string()
                       : cchText < 0       ? std::string(lpchText)
                                           : std::string(lpchText, static_cast<size_t>(cchText));
    const int width = lprc->right - lprc->left;
    const int nMaxChars = std::max(1, width / s.nCharW);
    int nWidest = 0;
    int nLines = 1;
    // One line that needs neither prefix marks taken out nor breaking: measured as it stands, without
    // building the lines (every repaint of a static control comes here).
    const bool bPlain = text.find_first_of((format & DT_NOPREFIX) ? "\r\n" : "&\r\n") == std::string::npos;
    if (bPlain && ((format & DT_SINGLELINE) || !(format & DT_WORDBREAK) ||
                   static_cast<int>(text.size()) <= nMaxChars)) {
        nWidest = static_cast<int>(text.size()) * s.nCharW;
    } else {
        const std::string visible = VisibleText(text, format);
        std::vector<std::string> lines = LayoutLines(visible, format, nMaxChars);
        for (const std::string& l : lines) nWidest = std::max(nWidest, static_cast<int>(l.size()) * s.nCharW);
        nLines = static_cast<int>(lines.size());
    }
    const int nHeight = nLines * s.nLineH;
    if (format & DT_CALCRECT) {
        lprc->right = lprc->left + nWidest;
        lprc->bottom = lprc->top + nHeight;
        return nHeight;
    }
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::DrawText;
    op.strText = std::move(text);
    op.rc = *lprc;
    op.nFlags = format;
    Record(s, std::move(op), false);
    return nHeight;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
    if (psizl == nullptr) return FALSE;
    DcSnap s = Snap(hdc);
    if (!s.bOk) return FALSE;
    (void)lpString;
    psizl->cx = std::max(0, c) * s.nCharW;
    psizl->cy = s.nLineH;
    return TRUE;
}
