// Test control of the clock (clock.h): manual time and its steps, the performance counter's frequency
// and how workers sleep under the manual clock. The simulation reset (simulation.h) restores the real
// clock's defaults of the frequency and the sleep mode.
#pragma once

#include "platform/win/clock.h"

class CClockTesting {
  public:
    // Switches to manual time, starting at nStartMs on the tick-count scale.
    static void UseManualClock(DWORD nStartMs = 0);

    // Manual clock only (FALSE and nothing happens with the real clock).
    static BOOL Advance(DWORD nMs);
    static BOOL AdvanceMicros(LONGLONG nUs);

    // Counts per second of QueryPerformanceCounter; CClock::kDefaultPerformanceFrequency (10 MHz) by
    // default. 0 makes QueryPerformanceFrequency and QueryPerformanceCounter fail (FALSE, value 0) so that
    // callers' fallbacks can be tested.
    static void SetPerformanceFrequency(LONGLONG nCountsPerSecond);

    enum WorkerSleep { WorkerSleepAdvances, WorkerSleepWaits };
    static void SetWorkerSleep(WorkerSleep mode);
    // Manual clock, WorkerSleepWaits: the workers now waiting in Sleep for a time still to come, and the
    // earliest such time (µs, -1 for none). A test that moves the time in steps no further than that time,
    // and only while every worker it drives is waiting, lets each worker act at the exact time it woke.
    static int SleepingWorkers();
    static LONGLONG NextWorkerWakeMicros();
};
