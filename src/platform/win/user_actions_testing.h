// Simulated user actions that only tests perform, entering as the actions of user_actions.h do (posted
// input through the message loop, the same pumping, FALSE when the target is out of a user's reach).
//
// Per action:
//   AfxUserClickAt          WM_LBUTTONDOWN + WM_LBUTTONUP posted at a point of a window's client area.
//   AfxUserPickListEntry    one posted pick: CBN_DROPDOWN, CBN_SELCHANGE (when the selection changes),
//                           CBN_SELENDOK, CBN_CLOSEUP are sent; the focus goes to the list first.
//   AfxUserSetFocus         SetFocus (sent, as when the user activates a control).
//   AfxUserPressEnter/Escape/Tab  AfxUserPressKey with VK_RETURN, VK_ESCAPE, VK_TAB.
//   AfxUserDragThumb        one posted drag: WM_VSCROLL/WM_HSCROLL SB_THUMBTRACK, SB_THUMBPOSITION and
//                           SB_ENDSCROLL, each with the position (clamped to the range) in the high word.
//   AfxUserScroll           one posted click on an arrow or page area: the code (SB_LINEUP 0,
//                           SB_LINEDOWN 1, SB_PAGEUP 2, SB_PAGEDOWN 3, ...) then SB_ENDSCROLL.
//   AfxUserClickSpin        a click on the up or down arrow (WM_LBUTTONDOWN/UP posted): UDN_DELTAPOS,
//                           WM_VSCROLL SB_THUMBPOSITION with the new position, then SB_ENDSCROLL.
//   AfxUserClickTab         a click on the tab (posted): TCN_SELCHANGING, then TCN_SELCHANGE.
//   AfxUserNcMouseMove      WM_SETCURSOR sent (hit-test code, WM_MOUSEMOVE), WM_NCMOUSEMOVE posted with
//                           the hit-test code (10..17 for the frame edges) and a screen point on it.
//   AfxUserNcLButtonDown    the same with WM_LBUTTONDOWN: WM_SETCURSOR sent, WM_NCLBUTTONDOWN posted.
//   AfxUserSizeByFrame      the sizing loop (all sent): WM_ENTERSIZEMOVE, WM_GETMINMAXINFO, WM_SIZING with
//                           the edge and the proposed rectangle (the window may change it), the minimum
//                           and maximum tracking sizes applied, the window moved (WM_WINDOWPOSCHANGING /
//                           CHANGED), WM_EXITSIZEMOVE.
// The left button's state (GetAsyncKeyState(VK_LBUTTON)) is down from AfxUserNcLButtonDown, and during
// AfxUserNcMouseMove with bLeftDown, until AfxUserReleaseButton or an action without the button.
#pragma once

#include "platform/win/geometry.h"
#include "platform/win/user_actions.h"

BOOL AfxUserClickAt(HWND hWnd, POINT ptClient);
BOOL AfxUserPickListEntry(HWND hCombo, int nIndex);
BOOL AfxUserSetFocus(HWND hWnd);
BOOL AfxUserPressEnter(HWND hDlg);
BOOL AfxUserPressEscape(HWND hDlg);
BOOL AfxUserPressTab(HWND hDlg);
BOOL AfxUserDragThumb(HWND hScrollBar, int nPos);
BOOL AfxUserScroll(HWND hScrollBar, UINT nSBCode);
BOOL AfxUserClickSpin(HWND hSpin, BOOL bUp);
BOOL AfxUserClickTab(HWND hTab, int nIndex);
BOOL AfxUserNcMouseMove(HWND hWnd, UINT nHitTest, BOOL bLeftDown = FALSE);
BOOL AfxUserNcLButtonDown(HWND hWnd, UINT nHitTest);
void AfxUserReleaseButton();
// Returns the window rectangle the sizing ended with (screen pixels).
CRect AfxUserSizeByFrame(HWND hWnd, UINT nEdge, const RECT& rcProposed);
