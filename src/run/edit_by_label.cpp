#include "run/edit_by_label.h"

#include <algorithm>
#include <vector>

#include "platform/win/geometry.h"
#include "platform/win/window.h"
#include "run/run_text.h"

using runtext::CaptionKey;
using runtext::ClassOf;
using runtext::IsGroupBox;
using runtext::TextOf;

namespace {

struct EditSearch {
    std::string strBoxKey;  // empty: no box named
    std::string strLabelKey;
    bool bBoxIsWindow = false;  // the box named is the window searched
    std::vector<HWND> boxes;
    std::vector<HWND> labels;
    std::vector<HWND> statics;  // every static with a text, the labels among them
    std::vector<HWND> edits;
};

BOOL CALLBACK CollectForEdit(HWND hWnd, LPARAM lParam) {
    auto* pSearch = reinterpret_cast<EditSearch*>(lParam);
    if (!IsWindowVisible(hWnd)) return TRUE;
    const std::string strClass = ClassOf(hWnd);
    if (strClass == "Edit") {
        if (IsWindowEnabled(hWnd)) pSearch->edits.push_back(hWnd);
    } else if (strClass == "Static") {
        const std::string strKey = CaptionKey(TextOf(hWnd));
        if (!strKey.empty()) pSearch->statics.push_back(hWnd);
        if (strKey == pSearch->strLabelKey) pSearch->labels.push_back(hWnd);
    } else if (!pSearch->strBoxKey.empty() && IsGroupBox(hWnd)) {
        if (CaptionKey(TextOf(hWnd)) == pSearch->strBoxKey) pSearch->boxes.push_back(hWnd);
    }
    return TRUE;
}

bool Inside(const RECT& rcInner, const RECT& rcOuter) {
    return rcInner.left >= rcOuter.left && rcInner.right <= rcOuter.right && rcInner.top >= rcOuter.top &&
           rcInner.bottom <= rcOuter.bottom;
}

// How far the edit is from the label when it is where a label names it (right of it on its row, or below
// it in its columns); -1 when it is not.
long LabelDistance(const RECT& rcLabel, const RECT& rcEdit) {
    const bool bRowOverlap = rcEdit.top < rcLabel.bottom && rcEdit.bottom > rcLabel.top;
    const bool bColumnOverlap = rcEdit.left < rcLabel.right && rcEdit.right > rcLabel.left;
    if (bRowOverlap && rcEdit.left >= rcLabel.left) return std::max<long>(0, rcEdit.left - rcLabel.right);
    if (bColumnOverlap && rcEdit.top >= rcLabel.top) return std::max<long>(0, rcEdit.top - rcLabel.bottom);
    return -1;
}

}  // namespace

HWND FindEditByLabel(HWND hWindow, std::string_view strName, std::string& strWhy) {
    strWhy.clear();
    if (hWindow == nullptr) {
        strWhy = "no window can be reached";
        return nullptr;
    }
    EditSearch search;
    const size_t nGt = strName.rfind('>');
    search.strLabelKey = CaptionKey(nGt == std::string_view::npos ? strName : strName.substr(nGt + 1));
    if (nGt != std::string_view::npos) {
        search.strBoxKey = CaptionKey(strName.substr(0, nGt));
        search.bBoxIsWindow = CaptionKey(TextOf(hWindow)) == search.strBoxKey;
    }
    EnumChildWindows(hWindow, CollectForEdit, reinterpret_cast<LPARAM>(&search));
    if (!search.strBoxKey.empty() && !search.bBoxIsWindow) {
        // Only the labels inside a box of that caption, in the box's own window.
        std::vector<HWND> inBoxes;
        for (HWND hLabel : search.labels) {
            RECT rcLabel{};
            GetWindowRect(hLabel, &rcLabel);
            for (HWND hBox : search.boxes) {
                RECT rcBox{};
                GetWindowRect(hBox, &rcBox);
                if (GetParent(hBox) == GetParent(hLabel) && Inside(rcLabel, rcBox)) {
                    inBoxes.push_back(hLabel);
                    break;
                }
            }
        }
        if (search.boxes.empty()) {
            strWhy = "no group box \"" + std::string(strName.substr(0, nGt)) + "\" can be seen";
            return nullptr;
        }
        search.labels = std::move(inBoxes);
    }
    std::vector<HWND> found;
    for (HWND hLabel : search.labels) {
        RECT rcLabel{};
        GetWindowRect(hLabel, &rcLabel);
        HWND hBest = nullptr;
        long nBest = -1;
        for (HWND hEdit : search.edits) {
            if (GetParent(hEdit) != GetParent(hLabel)) continue;
            RECT rcEdit{};
            GetWindowRect(hEdit, &rcEdit);
            const long nDistance = LabelDistance(rcLabel, rcEdit);
            if (nDistance >= 0 && (nBest < 0 || nDistance < nBest)) {
                nBest = nDistance;
                hBest = hEdit;
            }
        }
        if (hBest == nullptr || std::find(found.begin(), found.end(), hBest) != found.end()) continue;
        // A text clearly nearer to that edit (at most half as far) is its label, not this one: LED 7's
        // on-time lies right below "7" and further below the LED number "6".
        RECT rcBest{};
        GetWindowRect(hBest, &rcBest);
        const bool bNearer = std::any_of(search.statics.begin(), search.statics.end(), [&](HWND hOther) {
            if (hOther == hLabel || GetParent(hOther) != GetParent(hBest)) return false;
            RECT rcOther{};
            GetWindowRect(hOther, &rcOther);
            const long nDistance = LabelDistance(rcOther, rcBest);
            return nDistance >= 0 && nDistance * 2 < nBest;
        });
        if (!bNearer) found.push_back(hBest);
    }
    if (found.size() == 1) return found.front();
    if (found.empty()) {
        strWhy = search.labels.empty() ? "no label of that caption can be seen"
                                       : "no enabled edit next to that label can be seen";
    } else {
        strWhy = std::to_string(found.size()) +
                 " edits have that label; name the group box too, as BOX>LABEL (e.g. \"Channel 0>Min\")";
    }
    return nullptr;
}
