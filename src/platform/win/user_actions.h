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
//   AfxUserType             a click into the edit, the selection (all text to replace, the end to append),
//                           then one posted WM_CHAR per character (an empty text to replace: backspace).
//                           Each accepted character gives EN_CHANGE; ES_NUMBER refuses non-digits.
//   AfxUserPressKey         WM_KEYDOWN + WM_KEYUP posted to the focus window inside hWnd (else hWnd).
//   AfxUserChooseMenu       AfxSimulateMenuChoice (WM_INITMENU..., WM_COMMAND posted).
//   AfxUserClose            WM_SYSCOMMAND SC_CLOSE posted (the close box).
// More actions, for tests, are in user_actions_testing.h.
#pragma once

#include "platform/win/window.h"

BOOL AfxUserClick(HWND hWnd);
BOOL AfxUserType(HWND hEdit, LPCTSTR lpszText, BOOL bReplace = TRUE);
BOOL AfxUserPressKey(HWND hWnd, int nVirtKey);
BOOL AfxUserChooseMenu(HWND hWnd, UINT nID, BOOL bSystemMenu = FALSE);
BOOL AfxUserClose(HWND hWnd);
