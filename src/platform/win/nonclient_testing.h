// Test inspection and input of the non-client area (nonclient.h): its layout, what the frame shows and a
// digest of it, menu bar items and mnemonics, the window that mouse input at a screen point goes to, and
// that input delivered as a person's mouse makes it.
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

// FALSE for a window that is gone.
BOOL AfxGetNonClientLayout(HWND hWnd, CNonClientLayout* pLayout);
// Index of the menu bar item under a screen point, -1 when none.
int AfxMenuBarItemFromPoint(HWND hWnd, POINT ptScreen);
// The record described above; empty for a window without a non-client area, or that is gone.
std::vector<CDrawOp> AfxGetNonClientDrawOps(HWND hWnd);
// A menu item's text without its '&' marks ("&&" stays one '&'): *pnMnemonic (may be NULL) gets the index
// of the mnemonic character in the result (-1: none); the part after a tab goes to *pAccel (may be NULL).
std::string AfxStripMnemonic(const std::string& text, int* pnMnemonic, std::string* pAccel);
// The menu bar item shown highlighted (menu tracking sets it; -1 none).
void AfxSetMenuBarHotItem(HWND hWnd, int nItem);
int AfxGetMenuBarHotItem(HWND hWnd);
