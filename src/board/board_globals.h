// Every global of the board layer, declared in one place. ResetBoardGlobals puts them back to their start
// values; the application's start-up calls it before anything runs, and each test fixture calls it.
#pragma once

#include <atomic>

#include "board/capabilities.h"
#include "platform/wintypes.h"

// One record per board found, in Board-menu order; zeroed until discovery fills them.
extern CapabilitiesRecord g_CapabilitiesRecords[MAX_BOARDS];
// The library declared its revision successfully; a start is not repeated once it has succeeded.
extern BOOL g_bLibraryInitialized;
// A board-error box is on screen. Atomic because the burst worker may open the box too.
extern std::atomic<BOOL> g_bBoardErrorBoxOpen;

void ResetBoardGlobals();
