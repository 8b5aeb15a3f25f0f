// Test inspection and input of the non-client area (nonclient.h): a digest of what the frame shows, the
// window that mouse input at a screen point goes to, and that input delivered as a person's mouse makes it.
#pragma once

#include "platform/win/nonclient.h"

// A digest of AfxGetNonClientDrawOps (never 0): equal digests, equal drawings. 0 for a window that is gone.
unsigned AfxGetNonClientSerial(HWND hWnd);

// The window that mouse input at ptScreen goes to, as the system finds it: the topmost visible top-level
// window under the point, then its deepest visible, enabled child under the point; children are tried
// before their parent, and a window that answers WM_NCHITTEST with HTTRANSPARENT (a group box, a static
// without SS_NOTIFY) passes the point on to the next window below it. *pnHitTest (may be NULL) gets the
// chosen window's hit-test code. NULL (hit-test HTNOWHERE) when no window is there, and NULL with HTERROR
// when the window there is disabled (a modal dialog or box is open over it): that input goes nowhere.
HWND AfxWindowFromPointForInput(POINT ptScreen, LRESULT* pnHitTest = nullptr);

// Posts the mouse message a person's mouse causes at ptScreen: nMsg is WM_MOUSEMOVE, WM_LBUTTONDOWN,
// WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN or WM_RBUTTONUP; nKeys the MK_* flags. With a capture it
// goes to the capture window in its client coordinates; otherwise to AfxWindowFromPointForInput's window:
// as the client message in client coordinates over HTCLIENT, else as the WM_NC* message with the hit-test
// code and the screen point. FALSE when nothing receives it.
BOOL AfxDeliverMouseInput(UINT nMsg, POINT ptScreen, WPARAM nKeys);
