// Every global of the signal output engine, declared in one place. They start at the values below and
// ResetEngineGlobals puts them back there; the application's start-up calls it before anything runs, and
// each test fixture calls it, so a run never sees what an earlier one left. User-interface thread unless
// a comment says otherwise.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/parameter_block.h"
#include "engine/parameter_file.h"
#include "platform/wintypes.h"

// ---- Settings record (zeroed; the start-up fills it) ----
extern ParameterBlock g_Params;
extern ChannelLinks g_ChannelLinks;
// A load notes here how the library knows the board being left (parameter_file.h).
extern BoardBeingLeft g_BoardBeingLeft;

// ---- Periodic tick ----
// Default ticks since start; never reset while the program runs.
extern std::uint32_t g_nDefaultTicks;
// m_bHostAttached as the status line last showed it while detached; -1 before the first poll.
extern int g_bLastAttached;
// The DIO24 test pulse: set up once per run, then one pulse every g_nPulseEvery default ticks.
extern BOOL g_bPulseInit;
extern BOOL g_bHavePerfCounter;
extern std::uint32_t g_nPulseTicks;
extern int g_nPulseEvery;
extern std::uint16_t g_nPulseLevel;
// The start-up splash, hidden once on the 22nd default tick.
extern BYTE g_bSplashShown;
extern int g_nSplashTicks;
// Saw-tooth code of each channel, 0 .. the board's code count - 1.
extern std::uint16_t g_nSawToothValue[16];

// ---- Frame processing and analog output ----
// Counter 0's value at the previous frame.
extern std::uint32_t g_nLastCounterValue;
// Set by every call that completed the analog path; from then on the 1208LS decimation counts.
extern BOOL g_bAnalogWritten;
// 1208LS decimation counter, 0..9, counted over all channels together.
extern int g_nDecimationCounter;

// ---- TTL outputs (the burst worker writes them too: shared) ----
extern std::atomic<int> g_nLastTtlOutput;
extern std::atomic<std::uint16_t> g_nTtlShadowWord;
extern std::uint16_t g_nTtlTestCount;

// ---- TTL inputs and the external interrupt ----
extern BOOL g_bInterruptDebounce;
extern std::uint32_t g_nLastInputChangePoll;
extern std::uint16_t g_nPrevTtlInput;
extern std::uint8_t g_nTtlInputTestCount;
extern std::uint32_t g_nTtlPollCount;
// The window that receives the interrupts: set on the user-interface thread before the event is enabled,
// read by the library's thread. A destroyed window refuses the post, so a late interrupt does nothing.
extern std::atomic<HWND> g_hInterruptWnd;

// ---- Board selection ----
// Selections begun so far. A message box shown on the way runs the message loop, and a board chosen
// meanwhile is selected whole at once; the selection that showed the box then stops, so the later choice
// stands and nothing is configured for a board that is no longer current.
extern unsigned g_nSelectionsBegun;

// ---- TTL pulse burst ----
// The word of the next "Both" write; -1 when the next Both starts again from both LEDs on. Any other burst
// form sets it back to -1, on whichever thread it runs.
extern std::atomic<int> g_nBothWord;
// The weight-2 bit (0 or 2) of the ROI code at the previous UpdateLatencyStats. User-interface thread.
extern int g_nLastRoiBit;

// Puts every global above back to its start value. Not while a burst worker runs.
void ResetEngineGlobals();
