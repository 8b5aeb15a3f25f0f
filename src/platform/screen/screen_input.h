// Pointer and key input of the screen, turned into the framework's own messages. Every function here
// runs on the user-interface thread (the screen thread posts them there with AfxPostThreadTask as user
// input), so each one acts as one input message taken from the queue: pre-translated (a dialog sees
// Enter and Escape), translated (a key's WM_CHAR follows it) and dispatched.
//
// Targets: a button, move or wheel turn goes to the window holding the capture (client pixels of that
// window; the wheel's point stays in screen pixels), else to the deepest visible, enabled window under
// the point whose WM_NCHITTEST answer is not HTTRANSPARENT (a transparent window passes the point on to
// what lies below it: its next sibling, else its parent).
// A top-level window's stand-in frame, caption and menu bar answer HTBORDER, HTCAPTION, HTCLOSE and
// HTMENU and get the WM_NC* button messages; a click released on the close box is the close box's
// WM_SYSCOMMAND SC_CLOSE. Keys go to the focus window when it lies in the window, else to the window.
// Input for a disabled top-level window (a modal dialog is open over it) or a window that is gone is
// dropped, as the platform drops it.
#pragma once

#include "platform/win/framework.h"

struct CScreenHit {
    HWND hWnd = nullptr;
    int nHitTest = HTNOWHERE;
};

// ptScreen in screen pixels; hTop a top-level window.
CScreenHit AfxScreenHitTest(HWND hTop, POINT ptScreen);

enum class CScreenButton { Left, Right };
// nKeyFlags: the MK_* flags of the buttons and modifier keys held, as after the change.
void AfxScreenMouseButton(HWND hTop, POINT ptScreen, CScreenButton nButton, BOOL bDown, UINT nKeyFlags);
void AfxScreenMouseMove(HWND hTop, POINT ptScreen, UINT nKeyFlags);
// nDelta: WHEEL_DELTA per notch, positive away from the user. Goes to the window holding the capture,
// else to the window under the point (as a click would, wherever the focus is); a window that does not
// take it passes it to its parent (the default window procedure).
void AfxScreenMouseWheel(HWND hTop, POINT ptScreen, int nDelta, UINT nKeyFlags);
// A key the display gave to hTop: it goes to the focus window, wherever that is (hTop with the focus
// nowhere), while that window can be reached. nChar: the character the key gives (0: none), for
// TranslateMessage. nScanCode: the keyboard's own code. With Alt held (bAlt), and for F10 and Alt itself,
// the key is a system key (WM_SYSKEYDOWN / WM_SYSKEYUP, Alt's bit 29 in lParam): Alt+letter and F10 open
// the menu bar, Alt+F4 closes the window.
void AfxScreenKey(HWND hTop, UINT nVirtKey, UINT nChar, BOOL bDown, UINT nScanCode, BOOL bAlt = FALSE);
// The window manager's close request: the close box's WM_SYSCOMMAND SC_CLOSE, when the window has one.
void AfxScreenCloseRequest(HWND hTop);
