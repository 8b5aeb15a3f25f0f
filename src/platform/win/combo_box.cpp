// Combo boxes: drop-down lists with item data.
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
#include "platform/win/controls_internal.h"
#include "platform/win/controls_testing.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/geometry_internal.h"
#include "platform/win/list_box.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winctl;

namespace {

struct ComboItem {
    std::string strText;
    DWORD_PTR nData = 0;
};

struct ComboState : CWndExtra {
    std::vector<ComboItem> items;
    int nCurSel = CB_ERR;
    BOOL bDropped = FALSE;
    HWND hList = nullptr;  // the dropped-down list, a popup "ComboLBox" window
    int nListHeight = 0;   // pixels the template gave below the field, the dropped list's room
};

// The field's height: one entry of the font the dialog gave its controls plus a 3-pixel margin on each
// side. The window keeps this height; the rest of the height asked for becomes the list's room.
int FieldHeight(HWND h) {
    HWND p = ParentOf(h);
    return AfxControlItemHeight(p ? p : h) + 6;
}

RECT ButtonRect(const RECT& rcField) {
    const int w = std::min(kScrollBarWidth, rcField.bottom - rcField.top);
    return RECT{rcField.right - w, rcField.top, rcField.right, rcField.bottom};
}

int CompareNoCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int ComboFind(const ComboState& st, int nStartAfter, LPCSTR psz, bool bExact) {
    if (psz == nullptr || st.items.empty()) return CB_ERR;
    const std::string key(psz);
    const int n = static_cast<int>(st.items.size());
    const int first = (nStartAfter < 0 || nStartAfter >= n) ? 0 : nStartAfter + 1;
    for (int k = 0; k < n; ++k) {
        const int i = (first + k) % n;
        const std::string& t = st.items[static_cast<size_t>(i)].strText;
        if (bExact ? CompareNoCase(t, key) == 0 : CompareNoCase(t.substr(0, key.size()), key) == 0) return i;
    }
    return CB_ERR;
}

void ComboSelect(HWND h, ComboState& st, int nIndex) {
    const int n = static_cast<int>(st.items.size());
    st.nCurSel = (nIndex >= 0 && nIndex < n) ? nIndex : CB_ERR;
    StoreText(h, st.nCurSel >= 0 ? st.items[static_cast<size_t>(st.nCurSel)].strText : std::string());
    InvalidateRect(h, nullptr, TRUE);
}

// Fills the dropped list with the combo box's entries, the selection highlighted.
void ComboSyncList(ComboState& st) {
    if (st.hList == nullptr) return;
    SendMessageA(st.hList, LB_RESETCONTENT, 0, 0);
    for (const ComboItem& item : st.items)
        SendMessageA(st.hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.strText.c_str()));
    SendMessageA(st.hList, LB_SETCURSEL, static_cast<WPARAM>(st.nCurSel), 0);
}

void ComboShowDropDown(HWND h, ComboState& st, BOOL bShow) {
    if (bShow && !st.bDropped) {
        // The owner may still fill the list here, so the list is sized after the notification.
        Notify(h, CBN_DROPDOWN);
        if (!IsWindow(h)) return;
        st.bDropped = TRUE;
        RECT rcField{};
        GetWindowRect(h, &rcField);
        const int itemH = AfxControlItemHeight(h);
        const int n = static_cast<int>(st.items.size());
        const int rows = std::max(1, std::min(n, st.nListHeight / itemH));
        st.hList = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "ComboLBox", "", WS_POPUP | WS_BORDER,
                                   rcField.left, rcField.bottom, rcField.right - rcField.left,
                                   rows * itemH + 2 * kBorderWidth, h, nullptr, nullptr, h);
        if (st.hList) {
            SendMessageA(st.hList, WM_SETFONT, static_cast<WPARAM>(SendMessageA(h, WM_GETFONT, 0, 0)), FALSE);
            ComboSyncList(st);
            ShowWindow(st.hList, SW_SHOWNA);
            // Every click now goes to the list: on it picks, elsewhere closes.
            SetCapture(st.hList);
        }
        InvalidateRect(h, nullptr, TRUE);
    } else if (!bShow && st.bDropped) {
        st.bDropped = FALSE;
        if (HWND hList = std::exchange(st.hList, nullptr)) DestroyWindow(hList);
        InvalidateRect(h, nullptr, TRUE);
        Notify(h, CBN_CLOSEUP);
    }
}

// A selection made by the user: the only way CBN_SELCHANGE is sent.
void ComboUserSelect(HWND h, ComboState& st, int nIndex) {
    if (nIndex < 0 || nIndex >= static_cast<int>(st.items.size())) return;
    const bool bChanged = nIndex != st.nCurSel;
    ComboSelect(h, st, nIndex);
    if (bChanged) Notify(h, CBN_SELCHANGE);
}

void PaintCombo(HWND h, ComboState& st) {
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(h, &ps);
    const RECT rc = ClientOf(h);
    HBRUSH hbr = AskColors(h, hDC, WM_CTLCOLOREDIT);
    if (hbr) FillRect(hDC, &rc, hbr);
    const RECT rcButton = ButtonRect(rc);
    RECT rcText{rc.left + 2, rc.top + 2, rcButton.left - 1, rc.bottom - 2};
    const bool bFocus = GetFocus() == h && !st.bDropped;
    if (bFocus) {
        FillRect(hDC, &rcText, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(hDC, GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    const std::string text = TextOf(h);
    if (!text.empty()) {
        SetBkMode(hDC, TRANSPARENT);
        RECT r{rcText.left + 1, rcText.top, rcText.right, rcText.bottom};
        DrawTextA(hDC, text.c_str(), -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (bFocus) DrawFocusRect(hDC, &rcText);
    DrawArrowButton(hDC, rcButton, kArrowDown, st.bDropped != FALSE);
    EndPaint(h, &ps);
}

// The highlighted entry of the dropped list, else the selection.
int ListHighlight(const ComboState& st) {
    if (st.hList == nullptr) return st.nCurSel;
    return static_cast<int>(SendMessageA(st.hList, LB_GETCURSEL, 0, 0));
}

void MoveHighlight(ComboState& st, int nTo) {
    const int n = static_cast<int>(st.items.size());
    if (st.hList == nullptr || n == 0) return;
    SendMessageA(st.hList, LB_SETCURSEL, static_cast<WPARAM>(std::clamp(nTo, 0, n - 1)), 0);
}

void ComboListDone(HWND h, ComboState& st, int nPicked) {
    if (!st.bDropped) return;
    if (nPicked >= 0 && nPicked < static_cast<int>(st.items.size())) {
        ComboUserSelect(h, st, nPicked);
        Notify(h, CBN_SELENDOK);
    } else {
        Notify(h, CBN_SELENDCANCEL);
    }
    if (IsWindow(h)) ComboShowDropDown(h, st, FALSE);
}

// Keys of a combo box; the dropped list takes the arrows, Enter picks, Escape closes.
void ComboKey(HWND h, ComboState& st, int vk, bool bAlt) {
    const int n = static_cast<int>(st.items.size());
    if (st.bDropped) {
        const int cur = ListHighlight(st);
        switch (vk) {
            case VK_UP:
            case VK_DOWN:
                if (bAlt) {
                    ComboListDone(h, st, cur);
                } else {
                    MoveHighlight(st, cur < 0 ? 0 : cur + (vk == VK_DOWN ? 1 : -1));
                }
                return;
            case VK_HOME:
                MoveHighlight(st, 0);
                return;
            case VK_END:
                MoveHighlight(st, n - 1);
                return;
            case VK_RETURN:
            case VK_F4:
                ComboListDone(h, st, cur);
                return;
            case VK_ESCAPE:
                ComboListDone(h, st, LB_ERR);
                return;
            default:
                return;
        }
    }
    if (vk == VK_F4 || (bAlt && (vk == VK_DOWN || vk == VK_UP))) {
        ComboShowDropDown(h, st, TRUE);
        return;
    }
    if (n == 0) return;
    switch (vk) {
        case VK_DOWN:
            ComboUserSelect(h, st, std::min(n - 1, st.nCurSel + 1));
            break;
        case VK_UP:
            ComboUserSelect(h, st, std::max(0, st.nCurSel - 1));
            break;
        case VK_HOME:
            ComboUserSelect(h, st, 0);
            break;
        case VK_END:
            ComboUserSelect(h, st, n - 1);
            break;
        default:
            break;
    }
}

}  // namespace

namespace winctl {

LRESULT ComboProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) InstallTempObject<CComboBox>(h);
    ComboState& st = StateOf<ComboState>(h);
    const int n = static_cast<int>(st.items.size());
    const int idx = static_cast<int>(static_cast<LONG_PTR>(wParam));
    const bool bValid = idx >= 0 && idx < n;
    switch (msg) {
        case CB_ADDSTRING:
        case CB_INSERTSTRING: {
            if (lParam == 0) return CB_ERR;
            ComboItem item{reinterpret_cast<LPCSTR>(lParam), 0};
            int at = n;
            if (msg == CB_INSERTSTRING) {
                if (idx > n || idx < -1) return CB_ERR;
                at = idx < 0 ? n : idx;
            } else if (StyleOf(h) & CBS_SORT) {
                at = 0;
                while (at < n && CompareNoCase(st.items[static_cast<size_t>(at)].strText, item.strText) <= 0)
                    ++at;
            }
            st.items.insert(st.items.begin() + at, item);
            if (st.nCurSel >= at) ++st.nCurSel;
            ComboSyncList(st);
            InvalidateRect(h, nullptr, TRUE);
            return at;
        }
        case CB_DELETESTRING:
            if (!bValid) return CB_ERR;
            st.items.erase(st.items.begin() + idx);
            if (st.nCurSel == idx) {
                ComboSelect(h, st, CB_ERR);
            } else if (st.nCurSel > idx) {
                --st.nCurSel;
            }
            ComboSyncList(st);
            return static_cast<LRESULT>(st.items.size());
        case CB_RESETCONTENT:
            st.items.clear();
            ComboSelect(h, st, CB_ERR);
            ComboSyncList(st);
            return CB_OKAY;
        case CB_GETCOUNT:
            return n;
        case CB_GETCURSEL:
            return st.nCurSel;
        case CB_SETCURSEL:
            ComboSelect(h, st, idx);
            if (st.hList) SendMessageA(st.hList, LB_SETCURSEL, static_cast<WPARAM>(st.nCurSel), 0);
            return bValid ? idx : CB_ERR;
        case CB_GETLBTEXT:
            if (!bValid || lParam == 0) return CB_ERR;
            std::memcpy(reinterpret_cast<char*>(lParam), st.items[static_cast<size_t>(idx)].strText.c_str(),
                        st.items[static_cast<size_t>(idx)].strText.size() + 1);
            return static_cast<LRESULT>(st.items[static_cast<size_t>(idx)].strText.size());
        case CB_GETLBTEXTLEN:
            return bValid ? static_cast<LRESULT>(st.items[static_cast<size_t>(idx)].strText.size()) : CB_ERR;
        case CB_SETITEMDATA:
            if (!bValid) return CB_ERR;
            st.items[static_cast<size_t>(idx)].nData = static_cast<DWORD_PTR>(lParam);
            return CB_OKAY;
        case CB_GETITEMDATA:
            return bValid ? static_cast<LRESULT>(st.items[static_cast<size_t>(idx)].nData) : CB_ERR;
        case CB_FINDSTRING:
        case CB_FINDSTRINGEXACT:
            return ComboFind(st, idx, reinterpret_cast<LPCSTR>(lParam), msg == CB_FINDSTRINGEXACT);
        case CB_SELECTSTRING: {
            const int found = ComboFind(st, idx, reinterpret_cast<LPCSTR>(lParam), false);
            if (found >= 0) ComboSelect(h, st, found);
            return found;
        }
        case CB_SHOWDROPDOWN:
            ComboShowDropDown(h, st, wParam ? TRUE : FALSE);
            return TRUE;
        case CB_GETDROPPEDSTATE:
            return st.bDropped;
        case CB_LIMITTEXT:
            return TRUE;
        case WM_SETTEXT: {
            if ((StyleOf(h) & 0x3) != CBS_DROPDOWNLIST) return DefWindowProcA(h, msg, wParam, lParam);
            const int found = ComboFind(st, -1, reinterpret_cast<LPCSTR>(lParam), true);
            if (found < 0) return CB_ERR;
            ComboSelect(h, st, found);
            return TRUE;
        }
        case WM_SIM_COMBOPICK:
            if (!IsWindowEnabled(h) || !bValid) return FALSE;
            SetFocus(h);
            ComboShowDropDown(h, st, TRUE);
            ComboUserSelect(h, st, idx);
            Notify(h, CBN_SELENDOK);
            ComboShowDropDown(h, st, FALSE);
            return TRUE;
        case WM_CREATE: {
            const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            if (cs)
                SetWindowPos(h, nullptr, 0, 0, cs->cx, cs->cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            return DefWindowProcA(h, msg, wParam, lParam);
        }
        case WM_WINDOWPOSCHANGING: {
            // The window is the field; the height asked for beyond it is the dropped list's room.
            WINDOWPOS* wp = reinterpret_cast<WINDOWPOS*>(lParam);
            if (wp && !(wp->flags & SWP_NOSIZE)) {
                const int field = FieldHeight(h);
                if (wp->cy > field) {
                    st.nListHeight = wp->cy - field;
                    wp->cy = field;
                }
            }
            return 0;
        }
        case WM_DESTROY:
            if (HWND hList = std::exchange(st.hList, nullptr)) DestroyWindow(hList);
            st.bDropped = FALSE;
            return DefWindowProcA(h, msg, wParam, lParam);
        case kComboListDone:
            ComboListDone(h, st, idx);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (!IsWindowEnabled(h)) return 0;
            SetFocus(h);
            ComboShowDropDown(h, st, !st.bDropped);
            return 0;
        case WM_KEYDOWN:
            ComboKey(h, st, static_cast<int>(wParam), false);
            return 0;
        case WM_SYSKEYDOWN:
            if (wParam == static_cast<WPARAM>(VK_DOWN) || wParam == static_cast<WPARAM>(VK_UP)) {
                ComboKey(h, st, static_cast<int>(wParam), true);
                return 0;
            }
            return DefWindowProcA(h, msg, wParam, lParam);
        case WM_MOUSEWHEEL: {
            // Dropped, the list scrolls (choosing nothing). Closed, the wheel steps the selection only
            // while the box has the focus and the pointer (lParam, screen pixels) is over it; otherwise
            // it goes on to the parent, so a box merely passed over never changes.
            if (st.bDropped && st.hList) return SendMessageA(st.hList, msg, wParam, lParam);
            RECT rcField{};
            GetWindowRect(h, &rcField);
            const POINT pt{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                           static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
            if (GetFocus() != h || !PtInRect(&rcField, pt)) return DefWindowProcA(h, msg, wParam, lParam);
            const int notches = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(wParam))) / WHEEL_DELTA;
            if (notches == 0 || n == 0) return 0;
            ComboUserSelect(h, st, std::clamp((st.nCurSel < 0 ? 0 : st.nCurSel) - notches, 0, n - 1));
            return 0;
        }
        case WM_GETDLGCODE:
            // While the list is down, Enter and Escape are the list's, not the dialog's.
            return DLGC_WANTARROWS | DLGC_WANTCHARS | (st.bDropped ? DLGC_WANTALLKEYS : 0);
        case WM_SETFOCUS:
            InvalidateRect(h, nullptr, TRUE);
            Notify(h, CBN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            if (st.bDropped) ComboListDone(h, st, LB_ERR);
            InvalidateRect(h, nullptr, TRUE);
            Notify(h, CBN_KILLFOCUS);
            return 0;
        case WM_ENABLE:
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_PAINT:
            PaintCombo(h, st);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

}  // namespace winctl

IMPLEMENT_DYNAMIC(CComboBox, CWnd)

int CComboBox::AddString(LPCTSTR lpszString) {
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString)));
}
int CComboBox::InsertString(int nIndex, LPCTSTR lpszString) {
    return static_cast<int>(
        SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszString)));
}
void CComboBox::ResetContent() {
    SendMessage(CB_RESETCONTENT, 0, 0);
}
int CComboBox::GetCount() const {
    return static_cast<int>(SendMessage(CB_GETCOUNT, 0, 0));
}
int CComboBox::GetCurSel() const {
    return static_cast<int>(SendMessage(CB_GETCURSEL, 0, 0));
}
int CComboBox::SetCurSel(int nSelect) {
    return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect), 0));
}
int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
    return static_cast<int>(
        SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData)));
}
DWORD_PTR CComboBox::GetItemData(int nIndex) const {
    return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0));
}
int CComboBox::GetLBText(int nIndex, LPTSTR lpszText) const {
    return static_cast<int>(
        SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszText)));
}
void CComboBox::GetLBText(int nIndex, CString& rString) const {
    const int n = GetLBTextLen(nIndex);
    if (n < 0) {
        rString.Empty();
        return;
    }
    GetLBText(nIndex, rString.GetBuffer(n));
    rString.ReleaseBuffer(n);
}
int CComboBox::GetLBTextLen(int nIndex) const {
    return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex), 0));
}
int CComboBox::FindString(int nStartAfter, LPCTSTR lpszString) const {
    return static_cast<int>(
        SendMessage(CB_FINDSTRING, static_cast<WPARAM>(nStartAfter), reinterpret_cast<LPARAM>(lpszString)));
}
int CComboBox::FindStringExact(int nIndexStart, LPCTSTR lpszFind) const {
    return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart),
                                        reinterpret_cast<LPARAM>(lpszFind)));
}
BOOL CComboBox::GetDroppedState() const {
    return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE, 0, 0));
}
