// The simulated platform as a test or a fuzz run starts from it: a fresh window framework on its manual
// clock, the scripted user with no answers, the simulated boards and host emptied, the program's
// resources registered. Needs no test framework.
#pragma once

#include "platform/wintypes.h"

// Far from 0, so the colour throttle's first stamp (0) is long past.
constexpr DWORD kPlatformClockStartMs = 1000000;

void ResetSimulatedPlatform();
