// Inspection of the menu tracking (menu_tracking.h) for tests.
#pragma once

#include <vector>

#include "platform/win/menu_tracking.h"

// TRUE while a tracking runs on the calling thread.
BOOL AfxIsMenuTracking();
// The popups now open on the calling thread, outermost first.
std::vector<HWND> AfxGetMenuPopups();
