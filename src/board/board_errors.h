// Board failures reported to the host log, and the one-box-at-a-time guard of the board-error box.
#pragma once

#include "board/board_globals.h"
#include "platform/wintypes.h"

// For a non-zero library code: "say '~Tessaro ERROR: <library text>' " to the host. Returns err.
int ReportBoardError(int err);
