// The system-information window ("Info"): a plain top-level window created hidden once at start-up and
// shown by the Information command.
#pragma once

#include "platform/wintypes.h"

// The Info window; NULL when its creation failed (the Information command then does nothing).
extern HWND g_hSysInfoWnd;

// Registers the window class and creates the window hidden; TRUE when the window exists.
BOOL CreateSysInfoWindow();
