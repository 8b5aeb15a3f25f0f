// Simulated user actions, for tests and a later on-screen view. Each action enters as the input a real
// user causes: mouse and key messages are posted to the window under the pointer or with the focus and
// go through the message loop (pre-translation included), and the control then sends its notifications
// as it does on Windows. Where Windows runs a control's own modal input loop (a scroll bar's thumb
// tracking, a list's drop-down, the frame's sizing loop), one posted message stands for the gesture and
// the notifications of that loop are sent from it.
//
// Pumping: when no message loop runs on the calling thread (a test's own code), an action runs the
// pending messages before it returns (CMessageLoop::RunUntilIdle), so its effect is complete. Called
// from inside a running loop (an idle hook of a modal dialog's loop), it only posts: that loop
// dispatches. Every action returns FALSE, posting nothing, when its target is missing, hidden or
// disabled (a real user could not reach it).
//
// Per action:
//   AfxUserClick            WM_LBUTTONDOWN + WM_LBUTTONUP posted at the control's centre (buttons, check
//                           boxes, radio buttons and owner-drawn buttons then send BN_CLICKED).
//   AfxUserClickAt          the same at a point of a window's client area.
//   AfxUserPickListEntry    one posted pick: CBN_DROPDOWN, CBN_SELCHANGE (when the selection changes),
//                           CBN_SELENDOK, CBN_CLOSEUP are sent; the focus goes to the list first.
//   AfxUserType             a click into the edit, the selection (all text to replace, the end to append),
//                           then one posted WM_CHAR per character (an empty text to replace: backspace).
//                           Each accepted character gives EN_CHANGE; ES_NUMBER refuses non-digits.
//   AfxUserSetFocus         SetFocus (sent, as when the user activates a control).
//   AfxUserPressKey         WM_KEYDOWN + WM_KEYUP posted to the focus window inside hWnd (else hWnd).
//   AfxUserPressEnter/Escape/Tab  AfxUserPressKey with VK_RETURN, VK_ESCAPE, VK_TAB.
//   AfxUserDragThumb        one posted drag: WM_VSCROLL/WM_HSCROLL SB_THUMBTRACK, SB_THUMBPOSITION and
//                           SB_ENDSCROLL, each with the position (clamped to the range) in the high word.
//   AfxUserScroll           one posted click on an arrow or page area: the code (SB_LINEUP 0,
//                           SB_LINEDOWN 1, SB_PAGEUP 2, SB_PAGEDOWN 3, ...) then SB_ENDSCROLL.
//   AfxUserClickSpin        a click on the up or down arrow (WM_LBUTTONDOWN/UP posted): UDN_DELTAPOS,
//                           WM_VSCROLL SB_THUMBPOSITION with the new position, then SB_ENDSCROLL.
//   AfxUserClickTab         a click on the tab (posted): TCN_SELCHANGING, then TCN_SELCHANGE.
//   AfxUserChooseMenu       AfxSimulateMenuChoice (WM_INITMENU..., WM_COMMAND posted).
//   AfxUserClose            WM_SYSCOMMAND SC_CLOSE posted (the close box).
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
#include "platform/win/window.h"

BOOL AfxUserClick(HWND hWnd);
BOOL AfxUserClickAt(HWND hWnd, POINT ptClient);
BOOL AfxUserPickListEntry(HWND hCombo, int nIndex);
BOOL AfxUserType(HWND hEdit, LPCTSTR lpszText, BOOL bReplace = TRUE);
BOOL AfxUserSetFocus(HWND hWnd);
BOOL AfxUserPressKey(HWND hWnd, int nVirtKey);
BOOL AfxUserPressEnter(HWND hDlg);
BOOL AfxUserPressEscape(HWND hDlg);
BOOL AfxUserPressTab(HWND hDlg);
BOOL AfxUserDragThumb(HWND hScrollBar, int nPos);
BOOL AfxUserScroll(HWND hScrollBar, UINT nSBCode);
BOOL AfxUserClickSpin(HWND hSpin, BOOL bUp);
BOOL AfxUserClickTab(HWND hTab, int nIndex);
BOOL AfxUserChooseMenu(HWND hWnd, UINT nID, BOOL bSystemMenu = FALSE);
BOOL AfxUserClose(HWND hWnd);
BOOL AfxUserNcMouseMove(HWND hWnd, UINT nHitTest, BOOL bLeftDown = FALSE);
BOOL AfxUserNcLButtonDown(HWND hWnd, UINT nHitTest);
void AfxUserReleaseButton();
// Returns the window rectangle the sizing ended with (screen pixels).
CRect AfxUserSizeByFrame(HWND hWnd, UINT nEdge, const RECT& rcProposed);
