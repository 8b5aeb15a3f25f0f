// State shared by every channel's analog output.
#pragma once

#include "platform/wintypes.h"

// Set by every call that completed the analog path; from then on the 1208LS decimation counts.
extern BOOL g_bAnalogWritten;
// 1208LS decimation counter, 0..9, counted over all channels together.
extern int g_nDecimationCounter;
