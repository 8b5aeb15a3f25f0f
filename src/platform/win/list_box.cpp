// List boxes, and the dropped-down list of a combo box (class "ComboLBox"), which is a list box in a
// popup window that reports to its combo box instead of a parent.
#include "platform/win/list_box.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/control_support.h"
#include "platform/win/controls_internal.h"
#include "platform/win/controls_testing.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/geometry_internal.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winctl;

namespace {

struct ListItem {
    std::string strText;
    DWORD_PTR nData = 0;
};

struct ListState : CWndExtra {
    std::vector<ListItem> items;
    int nCurSel = LB_ERR;
    int nTop = 0;
    HWND hScroll = nullptr;
    BOOL bTracking = FALSE;
    BOOL bFocus = FALSE;
    HWND hCombo = nullptr;  // the dropped-down list of this combo box
};

int Count(const ListState& st) {
    return static_cast<int>(st.items.size());
}

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                 static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
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

int VisibleRows(HWND h) {
    const RECT rc = ClientOf(h);
    return std::max(1, (rc.bottom - rc.top) / AfxControlItemHeight(h));
}

int MaxTop(HWND h, const ListState& st) {
    return std::max(0, Count(st) - VisibleRows(h));
}

// The entries' part of the client area (without the scroll bar).
RECT ItemArea(HWND h, const ListState& st) {
    RECT rc = ClientOf(h);
    if (st.hScroll && IsWindowVisible(st.hScroll)) rc.right = std::max(rc.left, rc.right - kScrollBarWidth);
    return rc;
}

void SyncScrollBar(HWND h, ListState& st) {
    st.nTop = std::clamp(st.nTop, 0, MaxTop(h, st));
    const RECT rc = ClientOf(h);
    const bool bNeeded = Count(st) > VisibleRows(h);
    if (bNeeded && st.hScroll == nullptr) {
        st.hScroll = CreateWindowExA(0, "ScrollBar", "", WS_CHILD | SBS_VERT, rc.right - kScrollBarWidth, 0,
                                     kScrollBarWidth, rc.bottom, h, nullptr, nullptr, nullptr);
    }
    if (st.hScroll == nullptr) return;
    if (bNeeded) {
        SCROLLINFO si{sizeof(SCROLLINFO),
                      SIF_RANGE | SIF_PAGE | SIF_POS,
                      0,
                      Count(st) - 1,
                      static_cast<UINT>(VisibleRows(h)),
                      st.nTop,
                      0};
        SendMessageA(st.hScroll, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
        MoveWindow(st.hScroll, rc.right - kScrollBarWidth, 0, kScrollBarWidth, rc.bottom, TRUE);
    }
    const bool bShown = IsWindowVisible(st.hScroll) != FALSE;
    if (bShown != bNeeded) ShowWindow(st.hScroll, bNeeded ? SW_SHOWNA : SW_HIDE);
}

void ScrollTo(HWND h, ListState& st, int nTop) {
    const int top = std::clamp(nTop, 0, MaxTop(h, st));
    if (top == st.nTop) return;
    st.nTop = top;
    SyncScrollBar(h, st);
    InvalidateRect(h, nullptr, TRUE);
}

void EnsureVisible(HWND h, ListState& st, int nIndex) {
    if (nIndex < 0) return;
    const int rows = VisibleRows(h);
    if (nIndex < st.nTop) {
        ScrollTo(h, st, nIndex);
    } else if (nIndex >= st.nTop + rows) {
        ScrollTo(h, st, nIndex - rows + 1);
    }
}

bool Notifies(HWND h, const ListState& st) {
    return st.hCombo == nullptr && (StyleOf(h) & LBS_NOTIFY);
}

// A selection made by the user; the dropped list of a combo box only highlights.
void UserSelect(HWND h, ListState& st, int nIndex) {
    if (nIndex < 0 || nIndex >= Count(st)) return;
    const bool bChanged = nIndex != st.nCurSel;
    st.nCurSel = nIndex;
    EnsureVisible(h, st, nIndex);
    if (!bChanged) return;
    InvalidateRect(h, nullptr, TRUE);
    if (Notifies(h, st)) Notify(h, LBN_SELCHANGE);
}

int ItemAt(HWND h, const ListState& st, POINT pt) {
    const RECT rc = ItemArea(h, st);
    if (!PtInRect(&rc, pt)) return LB_ERR;
    const int i = st.nTop + (pt.y - rc.top) / AfxControlItemHeight(h);
    return i < Count(st) ? i : LB_ERR;
}

HBRUSH ListColors(HWND h, const ListState& st, HDC hDC) {
    if (st.hCombo == nullptr) return AskColors(h, hDC, WM_CTLCOLORLISTBOX);
    LRESULT r = 0;
    if (HWND p = ParentOf(st.hCombo))
        r = SendMessageA(p, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(h));
    if (r == 0)
        r = DefWindowProcA(h, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(h));
    return reinterpret_cast<HBRUSH>(r);
}

void PaintList(HWND h, ListState& st) {
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(h, &ps);
    const RECT rc = ItemArea(h, st);
    HBRUSH hbr = ListColors(h, st, hDC);
    if (hbr) FillRect(hDC, &rc, hbr);
    const COLORREF crText = GetTextColor(hDC);
    const int itemH = AfxControlItemHeight(h);
    SetBkMode(hDC, TRANSPARENT);
    for (int i = st.nTop; i < Count(st); ++i) {
        RECT r{rc.left, rc.top + (i - st.nTop) * itemH, rc.right, rc.top + (i - st.nTop + 1) * itemH};
        if (r.top >= rc.bottom) break;
        const bool bSel = i == st.nCurSel;
        if (bSel) {
            FillRect(hDC, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
            SetTextColor(hDC, GetSysColor(COLOR_HIGHLIGHTTEXT));
        }
        RECT rText{r.left + 2, r.top, r.right - 2, r.bottom};
        DrawTextA(hDC, st.items[static_cast<size_t>(i)].strText.c_str(), -1, &rText,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        if (bSel) {
            SetTextColor(hDC, crText);
            if (st.bFocus) DrawFocusRect(hDC, &r);
        }
    }
    EndPaint(h, &ps);
}

void Changed(HWND h, ListState& st) {
    if (st.nCurSel >= Count(st)) st.nCurSel = LB_ERR;
    SyncScrollBar(h, st);
    InvalidateRect(h, nullptr, TRUE);
}

void OnVScroll(HWND h, ListState& st, UINT nCode, int nPos) {
    const int rows = VisibleRows(h);
    switch (nCode) {
        case SB_LINEUP:
            ScrollTo(h, st, st.nTop - 1);
            break;
        case SB_LINEDOWN:
            ScrollTo(h, st, st.nTop + 1);
            break;
        case SB_PAGEUP:
            ScrollTo(h, st, st.nTop - rows);
            break;
        case SB_PAGEDOWN:
            ScrollTo(h, st, st.nTop + rows);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            ScrollTo(h, st, nPos);
            break;
        case SB_TOP:
            ScrollTo(h, st, 0);
            break;
        case SB_BOTTOM:
            ScrollTo(h, st, MaxTop(h, st));
            break;
        default:
            break;
    }
}

// Keys that move the selection; FALSE for other keys.
bool MoveByKey(HWND h, ListState& st, int vk) {
    const int n = Count(st);
    if (n == 0) return false;
    const int rows = VisibleRows(h);
    const int cur = st.nCurSel;
    int to = cur;
    switch (vk) {
        case VK_UP:
            to = cur < 0 ? 0 : cur - 1;
            break;
        case VK_DOWN:
            to = cur + 1;
            break;
        case VK_PRIOR:
            to = cur - rows + 1;
            break;
        case VK_NEXT:
            to = cur < 0 ? rows - 1 : cur + rows - 1;
            break;
        case VK_HOME:
            to = 0;
            break;
        case VK_END:
            to = n - 1;
            break;
        default:
            return false;
    }
    UserSelect(h, st, std::clamp(to, 0, n - 1));
    return true;
}

// With the pointer captured, the list's own scroll bar still takes the clicks meant for it.
bool ForwardToScrollBar(HWND h, ListState& st, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (st.hScroll == nullptr || !IsWindowVisible(st.hScroll)) return false;
    POINT pt = PointOf(lParam);
    const bool bCaptured = GetCapture() == st.hScroll;
    RECT rcBar{};
    GetWindowRect(st.hScroll, &rcBar);
    POINT ptScreen = pt;
    ClientToScreen(h, &ptScreen);
    if (!bCaptured && !PtInRect(&rcBar, ptScreen)) return false;
    ScreenToClient(st.hScroll, &ptScreen);
    SendMessageA(st.hScroll, msg, wParam,
                 MAKELPARAM(static_cast<WORD>(ptScreen.x), static_cast<WORD>(ptScreen.y)));
    return true;
}

LRESULT ListProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam, bool bComboList) {
    if (msg == WM_NCCREATE && !bComboList) InstallTempObject<CListBox>(h);
    ListState& st = StateOf<ListState>(h);
    const int n = Count(st);
    const int idx = static_cast<int>(static_cast<LONG_PTR>(wParam));
    const bool bValid = idx >= 0 && idx < n;
    switch (msg) {
        case WM_CREATE:
            if (bComboList) {
                const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
                st.hCombo = cs ? reinterpret_cast<HWND>(cs->lpCreateParams) : nullptr;
            }
            return DefWindowProcA(h, msg, wParam, lParam);
        case LB_ADDSTRING:
        case LB_INSERTSTRING: {
            if (lParam == 0) return LB_ERR;
            ListItem item{reinterpret_cast<LPCSTR>(lParam), 0};
            int at = n;
            if (msg == LB_INSERTSTRING) {
                if (idx > n || idx < -1) return LB_ERR;
                at = idx < 0 ? n : idx;
            } else if (StyleOf(h) & LBS_SORT) {
                at = 0;
                while (at < n && CompareNoCase(st.items[static_cast<size_t>(at)].strText, item.strText) <= 0)
                    ++at;
            }
            st.items.insert(st.items.begin() + at, item);
            if (st.nCurSel >= at) ++st.nCurSel;
            Changed(h, st);
            return at;
        }
        case LB_DELETESTRING:
            if (!bValid) return LB_ERR;
            st.items.erase(st.items.begin() + idx);
            if (st.nCurSel == idx) {
                st.nCurSel = LB_ERR;
            } else if (st.nCurSel > idx) {
                --st.nCurSel;
            }
            Changed(h, st);
            return Count(st);
        case LB_RESETCONTENT:
            st.items.clear();
            st.nCurSel = LB_ERR;
            st.nTop = 0;
            Changed(h, st);
            return LB_OKAY;
        case LB_GETCOUNT:
            return n;
        case LB_GETCURSEL:
            return st.nCurSel;
        case LB_SETCURSEL:
            st.nCurSel = bValid ? idx : LB_ERR;
            EnsureVisible(h, st, st.nCurSel);
            InvalidateRect(h, nullptr, TRUE);
            return bValid ? idx : LB_ERR;
        case LB_GETTEXT: {
            if (!bValid || lParam == 0) return LB_ERR;
            const std::string& t = st.items[static_cast<size_t>(idx)].strText;
            std::memcpy(reinterpret_cast<char*>(lParam), t.c_str(), t.size() + 1);
            return static_cast<LRESULT>(t.size());
        }
        case LB_GETTEXTLEN:
            return bValid ? static_cast<LRESULT>(st.items[static_cast<size_t>(idx)].strText.size()) : LB_ERR;
        case LB_SETITEMDATA:
            if (!bValid) return LB_ERR;
            st.items[static_cast<size_t>(idx)].nData = static_cast<DWORD_PTR>(lParam);
            return LB_OKAY;
        case LB_GETITEMDATA:
            return bValid ? static_cast<LRESULT>(st.items[static_cast<size_t>(idx)].nData) : LB_ERR;
        case LB_GETTOPINDEX:
            return st.nTop;
        case LB_SETTOPINDEX:
            if (!bValid) return LB_ERR;
            ScrollTo(h, st, idx);
            return LB_OKAY;
        case LB_GETITEMHEIGHT:
            return AfxControlItemHeight(h);
        case WM_SIZE:
            SyncScrollBar(h, st);
            return 0;
        case WM_VSCROLL:
            if (reinterpret_cast<HWND>(lParam) == st.hScroll && st.hScroll) {
                const UINT nCode = LOWORD(static_cast<DWORD_PTR>(wParam));
                OnVScroll(h, st, nCode, static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(wParam))));
                // The scroll bar held the pointer for its click; a dropped list takes it back.
                if (bComboList && nCode == SB_ENDSCROLL && IsWindowVisible(h)) SetCapture(h);
            }
            return 0;
        case WM_MOUSEWHEEL: {
            // Three entries a notch; a dropped list too scrolls and leaves its highlight where it is.
            const int notches = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(wParam))) / WHEEL_DELTA;
            ScrollTo(h, st, st.nTop - 3 * notches);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            if (ForwardToScrollBar(h, st, msg, wParam, lParam)) return 0;
            const POINT pt = PointOf(lParam);
            if (bComboList) {
                RECT rc = ClientOf(h);
                // A click outside the list closes it, picking nothing.
                if (!PtInRect(&rc, pt) && st.hCombo) SendMessageA(st.hCombo, kComboListDone, LB_ERR, 0);
                return 0;
            }
            SetFocus(h);
            UserSelect(h, st, ItemAt(h, st, pt));
            st.bTracking = TRUE;
            SetCapture(h);
            if (msg == WM_LBUTTONDBLCLK && Notifies(h, st) && ItemAt(h, st, pt) >= 0) Notify(h, LBN_DBLCLK);
            return 0;
        }
        case WM_MOUSEMOVE: {
            if (GetCapture() == st.hScroll && st.hScroll) {
                ForwardToScrollBar(h, st, msg, wParam, lParam);
                return 0;
            }
            const int at = ItemAt(h, st, PointOf(lParam));
            if (bComboList) {
                UserSelect(h, st, at);  // the entry under the pointer is highlighted
            } else if (st.bTracking && at >= 0) {
                UserSelect(h, st, at);
            }
            return 0;
        }
        case WM_LBUTTONUP: {
            if (GetCapture() == st.hScroll && st.hScroll) {
                ForwardToScrollBar(h, st, msg, wParam, lParam);
                if (bComboList) SetCapture(h);
                return 0;
            }
            if (bComboList) {
                // The release that ends the click which dropped the list is not a pick.
                const int at = ItemAt(h, st, PointOf(lParam));
                if (at >= 0 && st.hCombo) SendMessageA(st.hCombo, kComboListDone, static_cast<WPARAM>(at), 1);
                return 0;
            }
            if (st.bTracking) {
                st.bTracking = FALSE;
                if (GetCapture() == h) ReleaseCapture();
            }
            return 0;
        }
        case WM_CAPTURECHANGED:
            st.bTracking = FALSE;
            return 0;
        case WM_KEYDOWN:
            MoveByKey(h, st, static_cast<int>(wParam));
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_SETFOCUS:
            st.bFocus = TRUE;
            InvalidateRect(h, nullptr, TRUE);
            if (Notifies(h, st)) Notify(h, LBN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            st.bFocus = FALSE;
            InvalidateRect(h, nullptr, TRUE);
            if (Notifies(h, st)) Notify(h, LBN_KILLFOCUS);
            return 0;
        case WM_ENABLE:
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_PAINT:
            PaintList(h, st);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

}  // namespace

namespace winctl {

LRESULT ListBoxProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ListProc(h, msg, wParam, lParam, false);
}
LRESULT ComboListProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    // A click on the dropped list leaves the activation (and the focus) with the combo box's window.
    if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return ListProc(h, msg, wParam, lParam, true);
}

}  // namespace winctl

int AfxControlItemHeight(HWND hWnd) {
    int nPixels = AfxFontPixelHeight(80);
    if (HGDIOBJ hFont = reinterpret_cast<HGDIOBJ>(SendMessageA(hWnd, WM_GETFONT, 0, 0))) {
        LOGFONTA lf{};
        if (GetObjectA(hFont, sizeof lf, &lf) && lf.lfHeight != 0)
            nPixels = std::abs(static_cast<int>(lf.lfHeight));
    }
    return nPixels + 2;
}

IMPLEMENT_DYNAMIC(CListBox, CWnd)

int CListBox::AddString(LPCTSTR lpszItem) {
    return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszItem)));
}
int CListBox::InsertString(int nIndex, LPCTSTR lpszItem) {
    return static_cast<int>(
        SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszItem)));
}
int CListBox::DeleteString(UINT nIndex) {
    return static_cast<int>(SendMessage(LB_DELETESTRING, nIndex, 0));
}
void CListBox::ResetContent() {
    SendMessage(LB_RESETCONTENT, 0, 0);
}
int CListBox::GetCount() const {
    return static_cast<int>(SendMessage(LB_GETCOUNT, 0, 0));
}
int CListBox::GetCurSel() const {
    return static_cast<int>(SendMessage(LB_GETCURSEL, 0, 0));
}
int CListBox::SetCurSel(int nSelect) {
    return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(nSelect), 0));
}
int CListBox::GetText(int nIndex, LPTSTR lpszBuffer) const {
    return static_cast<int>(
        SendMessage(LB_GETTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszBuffer)));
}
void CListBox::GetText(int nIndex, CString& rString) const {
    const int n = GetTextLen(nIndex);
    if (n < 0) {
        rString.Empty();
        return;
    }
    GetText(nIndex, rString.GetBuffer(n));
    rString.ReleaseBuffer(n);
}
int CListBox::GetTextLen(int nIndex) const {
    return static_cast<int>(SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex), 0));
}
DWORD_PTR CListBox::GetItemData(int nIndex) const {
    return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(nIndex), 0));
}
int CListBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
    return static_cast<int>(
        SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData)));
}
int CListBox::GetTopIndex() const {
    return static_cast<int>(SendMessage(LB_GETTOPINDEX, 0, 0));
}
