// The one clock behind every time the framework hands out: GetTickCount, QueryPerformanceCounter,
// Sleep, message times and window timers.
//
// Real mode (the default): the steady monotonic clock, counted from the first use.
// Manual mode (tests, clock_testing.h): time moves only when somebody moves it:
//  - CClockTesting::Advance moves it forward and, at every due timer and every requested time-hook time on
//  the
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
    static BOOL IsManual();

    static LONGLONG NowMicros();
    static DWORD NowMillis();  // the tick count (wraps after 49.7 days, as on Windows)

    // Manual clock only (FALSE and nothing happens with the real clock): moves the manual time without
    // running any message loop (what Sleep does); time hooks still run.
    static BOOL AdvanceQuietly(LONGLONG nUs);

    static constexpr LONGLONG kDefaultPerformanceFrequency = 10000000;
    static LONGLONG GetPerformanceFrequency();

    // The hook gets the present time in µs and returns the next time it wants to run (µs), or -1 for
    // "no request". It is first run at the next opportunity.
    using TimeHook = std::function<LONGLONG(LONGLONG nNowUs)>;
    static UINT_PTR AddTimeHook(TimeHook pfnHook);
    static void RemoveTimeHook(UINT_PTR nHookId);

    // What Sleep does (kernel.h): see the modes above. Sleep(0) only yields.
    static void Sleep(DWORD nMs);
};
