#include "board/board_globals.h"

CapabilitiesRecord g_CapabilitiesRecords[MAX_BOARDS];
BOOL g_bLibraryInitialized = FALSE;
std::atomic<BOOL> g_bBoardErrorBoxOpen{FALSE};

void ResetBoardGlobals() {
    for (CapabilitiesRecord& rec : g_CapabilitiesRecords) rec = {};
    g_bLibraryInitialized = FALSE;
    g_bBoardErrorBoxOpen = FALSE;
}
