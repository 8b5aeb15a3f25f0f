// Test inspection and set-up of windows (window.h): the active window, the update region, a new parent.
#pragma once

#include "platform/win/window.h"

// The active window is the top-level window the focus is in (NULL when the focus is nowhere).
HWND GetActiveWindow();
BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase);
HWND SetParent(HWND hWndChild, HWND hWndNewParent);
