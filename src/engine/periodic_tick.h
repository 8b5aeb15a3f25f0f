#pragma once

#include <cstdint>

#include "platform/wintypes.h"

// Default ticks since start; never reset.
extern std::uint32_t g_nDefaultTicks;
// m_bHostAttached as the status line last showed it while detached; -1 before the first poll.
extern int g_bLastAttached;

// The DIO24 test pulse: set up once per run, then one pulse every g_nPulseEvery default ticks.
extern BOOL g_bPulseInit;
extern BOOL g_bHavePerfCounter;
extern std::uint32_t g_nPulseTicks;
extern int g_nPulseEvery;
extern std::uint16_t g_nPulseLevel;
// Width of the test pulse, in performance-counter counts.
constexpr LONGLONG PULSE_WIDTH_COUNTS = 15000;

// The start-up splash, hidden once on the 22nd default tick.
extern BYTE g_bSplashShown;
extern int g_nSplashTicks;

// Saw-tooth code of each channel, 0 .. the board's code count - 1.
extern std::uint16_t g_nSawToothValue[16];
// Code steps per saw-tooth tick.
constexpr int SAWTOOTH_STEP = 50;
