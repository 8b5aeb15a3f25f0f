#pragma once

#include <cstdint>

#include "engine/engine_globals.h"
#include "platform/wintypes.h"

// Registered with cbEnableEvent; runs on the library's thread. It only stamps the time and posts
// CTessaro2010Dlg::WM_TTL_EXTERNAL_INTERRUPT: the interrupt is handled on the user-interface thread, in
// arrival order.
void ExternalInterruptCallback(int board, unsigned eventType, unsigned eventData, void* userData);
