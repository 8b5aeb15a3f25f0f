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
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/win_state.h"

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
};

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

void ComboShowDropDown(HWND h, ComboState& st, BOOL bShow) {
    if (bShow && !st.bDropped) {
        Notify(h, CBN_DROPDOWN);
        st.bDropped = TRUE;
        InvalidateRect(h, nullptr, TRUE);
    } else if (!bShow && st.bDropped) {
        st.bDropped = FALSE;
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
    RECT rc = ClientOf(h);
    HBRUSH hbr = AskColors(h, hDC, WM_CTLCOLOREDIT);
    if (hbr) FillRect(hDC, &rc, hbr);
    const std::string text = TextOf(h);
    if (!text.empty())
        DrawTextA(hDC, text.c_str(), -1, &rc, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (st.bDropped) {
        // The dropped-down list, drawn below the field.
        HBRUSH hbrList = AskColors(h, hDC, WM_CTLCOLORLISTBOX);
        const int lineH = std::max(1, rc.bottom - rc.top);
        RECT rcList{rc.left, rc.bottom, rc.right, rc.bottom + lineH * static_cast<int>(st.items.size())};
        if (hbrList) FillRect(hDC, &rcList, hbrList);
        for (size_t i = 0; i < st.items.size(); ++i) {
            RECT r{rc.left, rcList.top + lineH * static_cast<int>(i), rc.right,
                   rcList.top + lineH * static_cast<int>(i + 1)};
            DrawTextA(hDC, st.items[i].strText.c_str(), -1, &r,
                      DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
    }
    EndPaint(h, &ps);
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
            return static_cast<LRESULT>(st.items.size());
        case CB_RESETCONTENT:
            st.items.clear();
            ComboSelect(h, st, CB_ERR);
            return CB_OKAY;
        case CB_GETCOUNT:
            return n;
        case CB_GETCURSEL:
            return st.nCurSel;
        case CB_SETCURSEL:
            ComboSelect(h, st, idx);
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
        case WM_LBUTTONDOWN:
            SetFocus(h);
            ComboShowDropDown(h, st, !st.bDropped);
            return 0;
        case WM_KEYDOWN:
            if (wParam == static_cast<WPARAM>(VK_DOWN) && st.nCurSel + 1 < n)
                ComboUserSelect(h, st, st.nCurSel + 1);
            if (wParam == static_cast<WPARAM>(VK_UP) && st.nCurSel > 0)
                ComboUserSelect(h, st, st.nCurSel - 1);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_SETFOCUS:
            Notify(h, CBN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            ComboShowDropDown(h, st, FALSE);
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
void CComboBox::ShowDropDown(BOOL bShowIt) {
    SendMessage(CB_SHOWDROPDOWN, static_cast<WPARAM>(bShowIt), 0);
}
BOOL CComboBox::GetDroppedState() const {
    return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE, 0, 0));
}
