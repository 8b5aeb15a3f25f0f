// The one clock behind every time the framework hands out: GetTickCount, QueryPerformanceCounter,
// Sleep, message times and window timers.
//
// Real mode (the default): the steady monotonic clock, counted from the first use.
// Manual mode (tests): time moves only when somebody moves it:
//  - CClock::Advance moves it forward and, at every due timer and every requested time-hook time on the
//    way, lets the calling thread's message loop run everything pending; so timers fire in due order and
//    at most once per due time;
//  - Sleep on a thread with a message queue (the user-interface thread) moves it forward by the sleep
//    without running the loop (a sleeping thread handles no messages);
//  - Sleep on any other thread (a worker, also one the framework started, which has a queue of its own
//    for thread messages) either moves it forward the same way (WorkerSleepAdvances, the
//    default: a burst of Sleep calls in a worker advances the time by their sum) or waits until other
//    threads have moved the time past the end of the sleep (WorkerSleepWaits).
// Time hooks (for simulations that produce data over time) say when they next want to run. With the
// manual clock they run on the thread that moves the time, at each requested time on the way; with the
// real clock they run in the message loop of the thread that registered them, when their time has come.
// They are called with no framework lock held and must not block.
#pragma once

#include <functional>

#include "platform/wintypes.h"

class CClock {
  public:
    // Switches to manual time, starting at nStartMs on the tick-count scale.
    static void UseManualClock(DWORD nStartMs = 0);
    static BOOL IsManual();

    static LONGLONG NowMicros();
    static DWORD NowMillis();  // the tick count (wraps after 49.7 days, as on Windows)

    // Manual clock only (FALSE and nothing happens with the real clock).
    static BOOL Advance(DWORD nMs);
    static BOOL AdvanceMicros(LONGLONG nUs);
    // Moves the manual time without running any message loop (what Sleep does); time hooks still run.
    static BOOL AdvanceQuietly(LONGLONG nUs);

    static constexpr LONGLONG kDefaultPerformanceFrequency = 10000000;
    // Counts per second of QueryPerformanceCounter; 10 MHz by default. 0 makes QueryPerformanceFrequency
    // and QueryPerformanceCounter fail (FALSE, value 0) so that callers' fallbacks can be tested.
    static void SetPerformanceFrequency(LONGLONG nCountsPerSecond);
    static LONGLONG GetPerformanceFrequency();

    enum WorkerSleep { WorkerSleepAdvances, WorkerSleepWaits };
    static void SetWorkerSleep(WorkerSleep mode);
    // Manual clock, WorkerSleepWaits: the workers now waiting in Sleep for a time still to come, and the
    // earliest such time (µs, -1 for none). A test that moves the time in steps no further than that time,
    // and only while every worker it drives is waiting, lets each worker act at the exact time it woke.
    static int SleepingWorkers();
    static LONGLONG NextWorkerWakeMicros();

    // The hook gets the present time in µs and returns the next time it wants to run (µs), or -1 for
    // "no request". It is first run at the next opportunity.
    using TimeHook = std::function<LONGLONG(LONGLONG nNowUs)>;
    static UINT_PTR AddTimeHook(TimeHook pfnHook);
    static void RemoveTimeHook(UINT_PTR nHookId);

    // What Sleep does (kernel.h): see the modes above. Sleep(0) only yields.
    static void Sleep(DWORD nMs);
};
