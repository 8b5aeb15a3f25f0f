// Internal to the window framework (menu_tracking.h): the message loops' side of a menu tracking.
#pragma once

#include "platform/win/menu_tracking.h"

// Ends the calling thread's tracking at once, without a choice: its popups close and the keys and the
// mouse go to the windows again. A window being disabled (a modal box coming up) does this through
// WM_CANCELMODE. Nothing happens when no tracking runs.
void AfxEndMenuTracking();
// The loops' pre-translation asks this first: TRUE when the tracking took the message.
BOOL AfxMenuTrackingFilter(MSG* pMsg);
