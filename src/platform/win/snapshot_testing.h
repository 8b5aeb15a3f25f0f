// Inspection of the screen snapshot for tests.
#pragma once

#include "platform/win/snapshot.h"

// The snapshot of one window (and its children) as it is now; the change count is left 0.
CWindowSnapshot AfxSnapshotWindow(HWND hWnd);
