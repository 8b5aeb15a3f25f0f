#pragma once

#include <cstdint>

#include "platform/wintypes.h"

extern int g_bLastAttached;
extern BOOL g_bPulseInit;
extern BYTE g_bSplashShown;
extern std::uint32_t g_nDefaultTicks;
extern std::uint16_t g_nSawToothValue[16];
