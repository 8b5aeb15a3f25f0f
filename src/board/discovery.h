// State of the library start.
#pragma once

#include "platform/wintypes.h"

// The library declared its revision successfully; a start is not repeated once it has succeeded.
extern BOOL g_bLibraryInitialized;
