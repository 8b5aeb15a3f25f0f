#include "platform/win/text_measure.h"

#include <algorithm>
#include <atomic>

#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/messages.h"
#include "platform/win/text_measure_testing.h"

namespace {

class CFixedTextMeasurer : public CTextMeasurer {
  public:
    int GetLineHeight(const std::string&, int nFontHeight) const override { return std::max(1, nFontHeight); }
    int GetTextWidth(const std::string& strFace, int nFontHeight, std::string_view text) const override {
        return static_cast<int>(text.size()) * GetAverageCharWidth(strFace, nFontHeight);
    }
    int GetAverageCharWidth(const std::string&, int nFontHeight) const override {
        return AfxFontCharWidth(std::max(1, nFontHeight));
    }
};

const CFixedTextMeasurer g_fixed;
std::atomic<CTextMeasurer*> g_pMeasurer{nullptr};

// Positions of the tab-free runs and the end position.
int WalkTabs(const std::string& text, int nTabs, const int* pTabs, int nTabOrigin, int x,
             const CTextMeasurer& m, const std::string& strFace, int nFontHeight, std::vector<int>* pStarts) {
    int pos = x;
    size_t i = 0;
    for (;;) {
        const size_t j = text.find('\t', i);
        if (pStarts) pStarts->push_back(pos);
        const std::string_view run(text.data() + i, (j == std::string::npos ? text.size() : j) - i);
        pos += m.GetTextWidth(strFace, nFontHeight, run);
        if (j == std::string::npos) break;
        const int rel = pos - nTabOrigin;
        int next = -1;
        if (nTabs <= 0 || pTabs == nullptr) {
            const int step = std::max(1, 8 * m.GetAverageCharWidth(strFace, nFontHeight));
            next = (rel / step + 1) * step;
        } else if (nTabs == 1) {
            const int step = std::max(1, pTabs[0]);
            next = (rel / step + 1) * step;
        } else {
            for (int t = 0; t < nTabs; ++t) {
                if (pTabs[t] > rel) {
                    next = pTabs[t];
                    break;
                }
            }
            if (next < 0) {
                const int step = std::max(1, pTabs[nTabs - 1]);
                next = (rel / step + 1) * step;
            }
        }
        pos = nTabOrigin + next;
        i = j + 1;
    }
    return pos;
}

}  // namespace

CTextMeasurer* AfxSetTextMeasurer(CTextMeasurer* pMeasurer) {
    return g_pMeasurer.exchange(pMeasurer);
}

const CTextMeasurer& AfxGetTextMeasurer() {
    const CTextMeasurer* p = g_pMeasurer.load();
    return p != nullptr ? *p : g_fixed;
}

std::string AfxTextWithoutPrefix(const std::string& t, UINT fmt) {
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

std::vector<std::string> AfxLayoutTextLines(const std::string& text, UINT fmt, int nWidth,
                                            const CTextMeasurer& m, const std::string& strFace,
                                            int nFontHeight) {
    std::vector<std::string> lines;
    if (fmt & DT_SINGLELINE) {
        lines.push_back(text);
        return lines;
    }
    // A single character always fits, so every line holds at least one.
    auto fits = [&](std::string_view s) {
        return s.size() <= 1 || m.GetTextWidth(strFace, nFontHeight, s) <= nWidth;
    };
    std::vector<std::string> paragraphs(1);
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n')
            paragraphs.emplace_back();
        else
            paragraphs.back() += c;
    }
    for (const std::string& para : paragraphs) {
        if (!(fmt & DT_WORDBREAK) || fits(para)) {
            lines.push_back(para);
            continue;
        }
        // Break at blanks; a word wider than a line is broken where it overflows.
        std::string cur;
        size_t i = 0;
        while (i < para.size()) {
            const size_t j = para.find(' ', i);
            std::string word = para.substr(i, j == std::string::npos ? std::string::npos : j - i);
            i = (j == std::string::npos) ? para.size() : j + 1;
            std::string candidate = cur.empty() ? word : cur + " " + word;
            if (fits(candidate)) {
                cur = std::move(candidate);
                continue;
            }
            if (!cur.empty()) lines.push_back(std::move(cur));
            cur.clear();
            while (!word.empty() && !fits(word)) {
                size_t n = 1;
                while (n < word.size() && fits(std::string_view(word).substr(0, n + 1))) ++n;
                lines.push_back(word.substr(0, n));
                word.erase(0, n);
            }
            cur = std::move(word);
        }
        lines.push_back(std::move(cur));
    }
    return lines;
}

int AfxTabbedTextWidth(const std::string& text, int nTabs, const int* pTabs, int nTabOrigin, int x,
                       const CTextMeasurer& m, const std::string& strFace, int nFontHeight) {
    return WalkTabs(text, nTabs, pTabs, nTabOrigin, x, m, strFace, nFontHeight, nullptr) - x;
}

std::vector<int> AfxTabbedRunStarts(const std::string& text, int nTabs, const int* pTabs, int nTabOrigin,
                                    int x, const CTextMeasurer& m, const std::string& strFace,
                                    int nFontHeight) {
    std::vector<int> starts;
    WalkTabs(text, nTabs, pTabs, nTabOrigin, x, m, strFace, nFontHeight, &starts);
    return starts;
}
