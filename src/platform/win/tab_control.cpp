// Tab controls.
#include "platform/win/controls.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/control_support.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/geometry_internal.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winctl;

namespace {

struct TabItem {
    std::string strText;
    int iImage = -1;
    LPARAM lParam = 0;
    DWORD dwState = 0;
};

struct TabState : CWndExtra {
    std::vector<TabItem> items;
    int nCurSel = -1;
};

RECT TabRect(const TabState& st, int i) {
    int left = 0;
    for (int k = 0; k < i; ++k)
        left +=
            kTabPadding + kTabCharWidth * static_cast<int>(st.items[static_cast<size_t>(k)].strText.size());
    const int w =
        kTabPadding + kTabCharWidth * static_cast<int>(st.items[static_cast<size_t>(i)].strText.size());
    return RECT{left, 0, left + w, kTabHeight};
}

int TabHit(const TabState& st, POINT pt) {
    for (int i = 0; i < static_cast<int>(st.items.size()); ++i) {
        RECT r = TabRect(st, i);
        if (PtInRect(&r, pt)) return i;
    }
    return -1;
}

void TabCopyItem(TabItem& dst, const TCITEMA& src) {
    if (src.mask & TCIF_TEXT) dst.strText = src.pszText ? src.pszText : "";
    if (src.mask & TCIF_IMAGE) dst.iImage = src.iImage;
    if (src.mask & TCIF_PARAM) dst.lParam = src.lParam;
    if (src.mask & TCIF_STATE)
        dst.dwState = (dst.dwState & ~src.dwStateMask) | (src.dwState & src.dwStateMask);
}

}  // namespace

namespace winctl {

LRESULT TabProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) InstallTempObject<CTabCtrl>(h);
    TabState& st = StateOf<TabState>(h);
    const int n = static_cast<int>(st.items.size());
    const int idx = static_cast<int>(static_cast<LONG_PTR>(wParam));
    const bool bValid = idx >= 0 && idx < n;
    switch (msg) {
        case TCM_INSERTITEMA: {
            const TCITEMA* item = reinterpret_cast<const TCITEMA*>(lParam);
            if (item == nullptr || idx < 0) return -1;
            {
                winstate::State& ws = winstate::S();
                std::lock_guard<CFutexMutex> lock(ws.mtx);
                if (ws.nFailTabInsertAt == idx) return -1;
            }
            const int at = std::min(idx, n);
            TabItem t;
            TabCopyItem(t, *item);
            st.items.insert(st.items.begin() + at, t);
            if (st.nCurSel < 0) {
                st.nCurSel = 0;  // the first tab becomes the current one
            } else if (st.nCurSel >= at) {
                ++st.nCurSel;
            }
            InvalidateRect(h, nullptr, TRUE);
            return at;
        }
        case TCM_GETITEMA: {
            TCITEMA* item = reinterpret_cast<TCITEMA*>(lParam);
            if (item == nullptr || !bValid) return FALSE;
            const TabItem& t = st.items[static_cast<size_t>(idx)];
            if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
                const size_t k = std::min(t.strText.size(), static_cast<size_t>(item->cchTextMax - 1));
                std::memcpy(item->pszText, t.strText.data(), k);
                item->pszText[k] = '\0';
            }
            if (item->mask & TCIF_IMAGE) item->iImage = t.iImage;
            if (item->mask & TCIF_PARAM) item->lParam = t.lParam;
            if (item->mask & TCIF_STATE) item->dwState = t.dwState & item->dwStateMask;
            return TRUE;
        }
        case TCM_SETITEMA: {
            const TCITEMA* item = reinterpret_cast<const TCITEMA*>(lParam);
            if (item == nullptr || !bValid) return FALSE;
            TabCopyItem(st.items[static_cast<size_t>(idx)], *item);
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        }
        case TCM_DELETEITEM:
            if (!bValid) return FALSE;
            st.items.erase(st.items.begin() + idx);
            if (st.nCurSel == idx) {
                st.nCurSel = -1;
            } else if (st.nCurSel > idx) {
                --st.nCurSel;
            }
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        case TCM_DELETEALLITEMS:
            st.items.clear();
            st.nCurSel = -1;
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        case TCM_GETITEMCOUNT:
            return n;
        case TCM_GETCURSEL:
        case TCM_GETCURFOCUS:
            return st.nCurSel;
        case TCM_SETCURSEL:
        case TCM_SETCURFOCUS: {
            if (!bValid) return -1;
            const int prev = st.nCurSel;
            st.nCurSel = idx;
            InvalidateRect(h, nullptr, TRUE);
            return prev;
        }
        case TCM_GETITEMRECT:
            if (!bValid || lParam == 0) return FALSE;
            *reinterpret_cast<RECT*>(lParam) = TabRect(st, idx);
            return TRUE;
        case TCM_HITTEST: {
            TCHITTESTINFO* hti = reinterpret_cast<TCHITTESTINFO*>(lParam);
            if (hti == nullptr) return -1;
            const int hit = TabHit(st, hti->pt);
            hti->flags = hit < 0 ? TCHT_NOWHERE : TCHT_ONITEM;
            return hit;
        }
        case TCM_ADJUSTRECT: {
            RECT* rc = reinterpret_cast<RECT*>(lParam);
            if (rc == nullptr) return 0;
            const int d = wParam ? -1 : 1;
            rc->left += 2 * d;
            rc->right -= 2 * d;
            rc->top += (kTabHeight + 2) * d;
            rc->bottom -= 2 * d;
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {  // the second press of a double click presses as the first
            if (!IsWindowEnabled(h)) return 0;
            POINT pt{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                     static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
            const int hit = TabHit(st, pt);
            if (!(StyleOf(h) & TCS_FOCUSNEVER)) SetFocus(h);
            if (hit < 0 || hit == st.nCurSel) return 0;
            NMHDR nm{h, IdOf(h), static_cast<UINT>(TCN_SELCHANGING)};
            HWND p = ParentOf(h);
            if (p && SendMessageA(p, WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm)) != 0) return 0;
            st.nCurSel = hit;
            InvalidateRect(h, nullptr, TRUE);
            nm.code = static_cast<UINT>(TCN_SELCHANGE);
            if (p) SendMessageA(p, WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
            return 0;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC hDC = BeginPaint(h, &ps);
            RECT rc = ClientOf(h);
            FillRect(hDC, &rc, GetSysColorBrush(COLOR_BTNFACE));
            for (int i = 0; i < n; ++i) {
                RECT r = TabRect(st, i);
                HGDIOBJ hOld =
                    SelectObject(hDC, GetSysColorBrush(i == st.nCurSel ? COLOR_WINDOW : COLOR_BTNFACE));
                Rectangle(hDC, r.left, r.top, r.right, r.bottom);
                if (hOld) SelectObject(hDC, hOld);
                SetBkMode(hDC, TRANSPARENT);
                DrawTextA(hDC, st.items[static_cast<size_t>(i)].strText.c_str(), -1, &r,
                          DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            }
            EndPaint(h, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

}  // namespace winctl

IMPLEMENT_DYNAMIC(CTabCtrl, CWnd)

LONG CTabCtrl::InsertItem(int nItem, TCITEM* pTabCtrlItem) {
    return static_cast<LONG>(
        SendMessage(TCM_INSERTITEMA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(pTabCtrlItem)));
}
LONG CTabCtrl::InsertItem(int nItem, LPCTSTR lpszItem) {
    return InsertItem(TCIF_TEXT, nItem, lpszItem, 0, 0);
}
LONG CTabCtrl::InsertItem(UINT nMask, int nItem, LPCTSTR lpszItem, int nImage, LPARAM lParam) {
    TCITEM item{};
    item.mask = nMask;
    item.pszText = const_cast<LPSTR>(lpszItem);
    item.iImage = nImage;
    item.lParam = lParam;
    return InsertItem(nItem, &item);
}
BOOL CTabCtrl::GetItem(int nItem, TCITEM* pTabCtrlItem) const {
    return static_cast<BOOL>(
        SendMessage(TCM_GETITEMA, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(pTabCtrlItem)));
}
int CTabCtrl::GetItemCount() const {
    return static_cast<int>(SendMessage(TCM_GETITEMCOUNT, 0, 0));
}
int CTabCtrl::GetCurSel() const {
    return static_cast<int>(SendMessage(TCM_GETCURSEL, 0, 0));
}
int CTabCtrl::SetCurSel(int nItem) {
    return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(nItem), 0));
}
