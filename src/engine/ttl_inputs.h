#pragma once

#include <cstdint>

#include "platform/wintypes.h"

extern BOOL g_bInterruptDebounce;
extern std::uint32_t g_nLastInputChangePoll;
extern std::uint16_t g_nPrevTtlInput;
extern std::uint8_t g_nTtlInputTestCount;
extern std::uint32_t g_nTtlPollCount;

// Registered with cbEnableEvent; runs on the library's thread. It only stamps the time and posts
// CTessaro2010Dlg::WM_TTL_EXTERNAL_INTERRUPT: the interrupt is handled on the user-interface thread, in
// arrival order.
void ExternalInterruptCallback(int board, unsigned eventType, unsigned eventData, void* userData);
