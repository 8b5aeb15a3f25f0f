// Inspection and start of the menu tracking (menu_tracking.h) for tests.
#pragma once

#include <vector>

#include "platform/win/menu_tracking.h"

inline constexpr char kMenuPopupClass[] = "AfxMenuPopup";

// TRUE while a tracking runs on the calling thread.
BOOL AfxIsMenuTracking();
// The popups now open on the calling thread, outermost first.
std::vector<HWND> AfxGetMenuPopups();

// Tracks hWnd's menu bar with bar item nItem highlighted; bOpenPopup opens that item's popup at once, and
// bSelectFirst then selects its first item (keyboard opening). Returns when the tracking ends; TRUE when a
// command was posted. FALSE at once when the window is disabled, has no menu, or a tracking already runs.
BOOL AfxTrackMenuBar(HWND hWnd, int nItem, BOOL bOpenPopup, BOOL bSelectFirst = FALSE);
