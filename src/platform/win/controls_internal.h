// Internal to the window framework (controls.h): what the control classes and the dialogs share.
#pragma once

#include "platform/win/controls.h"

constexpr int kScrollBarWidth = 16;  // a list's vertical scroll bar

// The static or button deletes its present image with itself (an image a template loaded for it).
void AfxControlOwnsImage(HWND hCtl);
// A dotted rectangle (the focus mark) on rc's edge.
BOOL DrawFocusRect(HDC hDC, const RECT* lprc);
