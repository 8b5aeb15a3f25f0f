// Board failures reported to the host log, and the one-box-at-a-time guard of the board-error box.
#pragma once

#include <atomic>

#include "platform/wintypes.h"

// For a non-zero library code: "say '~Tessaro ERROR: <library text>' " to the host. Returns err.
int ReportBoardError(int err);

// A board-error box is on screen. Atomic because the burst worker may open the box too.
extern std::atomic<BOOL> g_bBoardErrorBoxOpen;
