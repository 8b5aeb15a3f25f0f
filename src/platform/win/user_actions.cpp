#include "platform/win/user_actions.h"

#include <algorithm>
#include <climits>

#include "platform/win/controls.h"
#include "platform/win/kernel.h"
#include "platform/win/menu.h"
#include "platform/win/menu_testing.h"
#include "platform/win/message_loop.h"
#include "platform/win/nonclient.h"
#include "platform/win/nonclient_internal.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

namespace {

bool Reachable(HWND h) {
    return h != nullptr && IsWindow(h) && IsWindowVisible(h) && IsWindowEnabled(h);
}

// Completes the action when no loop is there to do it (see the header).
void Settle() {
    if (CMessageLoop::GetDepth() == 0) CMessageLoop::RunUntilIdle();
}

LPARAM PointParam(POINT pt) {
    return MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
}

POINT CentreOf(HWND h) {
    RECT rc{};
    GetClientRect(h, &rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

void PostClick(HWND h, POINT pt) {
    winstate::PostInputMessage(h, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(pt));
    winstate::PostInputMessage(h, WM_LBUTTONUP, 0, PointParam(pt));
}

// A screen point on the part of the window's frame that nHitTest names.
POINT FramePoint(HWND h, UINT nHitTest) {
    RECT rc{};
    GetWindowRect(h, &rc);
    const int midX = (rc.left + rc.right) / 2, midY = (rc.top + rc.bottom) / 2;
    const int r = rc.right - 1, b = rc.bottom - 1;
    switch (nHitTest) {
        case HTLEFT:
            return POINT{rc.left, midY};
        case HTRIGHT:
            return POINT{r, midY};
        case HTTOP:
            return POINT{midX, rc.top};
        case HTTOPLEFT:
            return POINT{rc.left, rc.top};
        case HTTOPRIGHT:
            return POINT{r, rc.top};
        case HTBOTTOM:
            return POINT{midX, b};
        case HTBOTTOMLEFT:
            return POINT{rc.left, b};
        case HTBOTTOMRIGHT:
            return POINT{r, b};
        case HTCAPTION:
            return POINT{midX, rc.top + kCaptionHeight / 2};
        default:
            return POINT{midX, midY};
    }
}

BOOL NcInput(HWND h, UINT nHitTest, UINT nMouseMsg, UINT nNcMsg) {
    if (!Reachable(h)) return FALSE;
    SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h),
                 MAKELPARAM(static_cast<WORD>(nHitTest), static_cast<WORD>(nMouseMsg)));
    winstate::PostInputMessage(h, nNcMsg, nHitTest, PointParam(FramePoint(h, nHitTest)));
    Settle();
    return TRUE;
}

}  // namespace

BOOL AfxUserClick(HWND hWnd) {
    return Reachable(hWnd) ? AfxUserClickAt(hWnd, CentreOf(hWnd)) : FALSE;
}

BOOL AfxUserClickAt(HWND hWnd, POINT ptClient) {
    if (!Reachable(hWnd)) return FALSE;
    PostClick(hWnd, ptClient);
    Settle();
    return TRUE;
}

BOOL AfxUserPickListEntry(HWND hCombo, int nIndex) {
    if (!Reachable(hCombo)) return FALSE;
    const LRESULT n = SendMessageA(hCombo, CB_GETCOUNT, 0, 0);
    if (nIndex < 0 || nIndex >= n) return FALSE;
    winstate::PostInputMessage(hCombo, WM_SIM_COMBOPICK, static_cast<WPARAM>(nIndex), 0);
    Settle();
    return TRUE;
}

BOOL AfxUserType(HWND hEdit, LPCTSTR lpszText, BOOL bReplace) {
    if (!Reachable(hEdit)) return FALSE;
    const std::string text = lpszText ? lpszText : "";
    PostClick(hEdit, CentreOf(hEdit));
    if (bReplace) {
        winstate::PostInputMessage(hEdit, EM_SETSEL, 0, -1);
    } else {
        winstate::PostInputMessage(hEdit, EM_SETSEL, static_cast<WPARAM>(INT_MAX), -1);
    }
    if (text.empty() && bReplace) winstate::PostInputMessage(hEdit, WM_CHAR, VK_BACK, 1);
    for (char c : text) winstate::PostInputMessage(hEdit, WM_CHAR, static_cast<unsigned char>(c), 1);
    Settle();
    return TRUE;
}

BOOL AfxUserSetFocus(HWND hWnd) {
    if (!Reachable(hWnd)) return FALSE;
    SetFocus(hWnd);
    Settle();
    return TRUE;
}

BOOL AfxUserPressKey(HWND hWnd, int nVirtKey) {
    if (!Reachable(hWnd)) return FALSE;
    HWND hFocus = GetFocus();
    HWND hTarget = (hFocus && (hFocus == hWnd || IsChild(hWnd, hFocus))) ? hFocus : hWnd;
    winstate::PostInputMessage(hTarget, WM_KEYDOWN, static_cast<WPARAM>(nVirtKey), 1);
    winstate::PostInputMessage(hTarget, WM_KEYUP, static_cast<WPARAM>(nVirtKey),
                               static_cast<LPARAM>(0xC0000001u));
    Settle();
    return TRUE;
}

BOOL AfxUserPressEnter(HWND hDlg) {
    return AfxUserPressKey(hDlg, VK_RETURN);
}
BOOL AfxUserPressEscape(HWND hDlg) {
    return AfxUserPressKey(hDlg, VK_ESCAPE);
}
BOOL AfxUserPressTab(HWND hDlg) {
    return AfxUserPressKey(hDlg, VK_TAB);
}

BOOL AfxUserDragThumb(HWND hScrollBar, int nPos) {
    if (!Reachable(hScrollBar)) return FALSE;
    winstate::PostInputMessage(hScrollBar, WM_SIM_THUMBDRAG, static_cast<WPARAM>(nPos), 0);
    Settle();
    return TRUE;
}

BOOL AfxUserScroll(HWND hScrollBar, UINT nSBCode) {
    if (!Reachable(hScrollBar) || nSBCode > SB_BOTTOM) return FALSE;
    winstate::PostInputMessage(hScrollBar, WM_SIM_SCROLL, nSBCode, 0);
    Settle();
    return TRUE;
}

BOOL AfxUserClickSpin(HWND hSpin, BOOL bUp) {
    if (!Reachable(hSpin)) return FALSE;
    RECT rc{};
    GetClientRect(hSpin, &rc);
    const bool bHorz = (GetWindowLongPtrA(hSpin, GWL_STYLE) & UDS_HORZ) != 0;
    POINT pt = bHorz ? POINT{bUp ? rc.right * 3 / 4 : rc.right / 4, rc.bottom / 2}
                     : POINT{rc.right / 2, bUp ? rc.bottom / 4 : rc.bottom * 3 / 4};
    PostClick(hSpin, pt);
    Settle();
    return TRUE;
}

BOOL AfxUserClickTab(HWND hTab, int nIndex) {
    if (!Reachable(hTab)) return FALSE;
    RECT rc{};
    if (!SendMessageA(hTab, TCM_GETITEMRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(&rc)))
        return FALSE;
    PostClick(hTab, POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    Settle();
    return TRUE;
}

BOOL AfxUserChooseMenu(HWND hWnd, UINT nID, BOOL bSystemMenu) {
    if (!Reachable(hWnd)) return FALSE;
    if (!AfxSimulateMenuChoice(hWnd, nID, bSystemMenu)) return FALSE;
    Settle();
    return TRUE;
}

BOOL AfxUserClose(HWND hWnd) {
    if (!Reachable(hWnd) || !(GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_SYSMENU)) return FALSE;
    const POINT pt = FramePoint(hWnd, HTCLOSE);
    winstate::PostInputMessage(hWnd, WM_SYSCOMMAND, SC_CLOSE, PointParam(pt));
    Settle();
    return TRUE;
}

BOOL AfxUserNcMouseMove(HWND hWnd, UINT nHitTest, BOOL bLeftDown) {
    CWinSimulationTesting::SetKeyDown(VK_LBUTTON, bLeftDown);
    return NcInput(hWnd, nHitTest, WM_MOUSEMOVE, WM_NCMOUSEMOVE);
}

BOOL AfxUserNcLButtonDown(HWND hWnd, UINT nHitTest) {
    CWinSimulationTesting::SetKeyDown(VK_LBUTTON, TRUE);
    return NcInput(hWnd, nHitTest, WM_LBUTTONDOWN, WM_NCLBUTTONDOWN);
}

void AfxUserReleaseButton() {
    CWinSimulationTesting::SetKeyDown(VK_LBUTTON, FALSE);
}

CRect AfxUserSizeByFrame(HWND hWnd, UINT nEdge, const RECT& rcProposed) {
    CRect rcNow;
    if (!Reachable(hWnd)) return rcNow;
    GetWindowRect(hWnd, &rcNow);
    if (!(GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_THICKFRAME) || nEdge < WMSZ_LEFT ||
        nEdge > WMSZ_BOTTOMRIGHT)
        return rcNow;
    SendMessageA(hWnd, WM_ENTERSIZEMOVE, 0, 0);
    AfxSizeWindowByEdge(hWnd, nEdge, rcProposed, AfxQueryMinMaxInfo(hWnd));
    SendMessageA(hWnd, WM_EXITSIZEMOVE, 0, 0);
    Settle();
    GetWindowRect(hWnd, &rcNow);
    return rcNow;
}
