#include "platform/win/clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/win/clock_testing.h"
#include "platform/win/message_loop.h"
#include "platform/win/win_state.h"

namespace {

using Steady = std::chrono::steady_clock;

// A hook that has not run yet runs at the next opportunity.
constexpr LONGLONG kFirstRun = std::numeric_limits<LONGLONG>::min();
constexpr LONGLONG kNone = -1;

struct HookRec {
    std::shared_ptr<CClock::TimeHook> pfn;
    DWORD nThreadId = 0;
    LONGLONG nDueUs = kFirstRun;
    bool bRunning = false;
};

struct ClockState {
    std::atomic<bool> bManual{false};
    std::atomic<LONGLONG> nManualUs{0};
    std::atomic<LONGLONG> nFrequency{CClock::kDefaultPerformanceFrequency};
    std::atomic<int> nWorkerSleep{CClockTesting::WorkerSleepAdvances};
    const Steady::time_point start = Steady::now();
    // Guards the hooks and the manual-time waiters. Never held while the framework's lock is taken or
    // while a hook runs.
    std::mutex mtx;
    std::condition_variable cv;
    std::map<UINT_PTR, HookRec> hooks;
    UINT_PTR nNextHook = 1;
    std::multiset<LONGLONG> workerWakes;  // end times of the workers waiting in Sleep (WorkerSleepWaits)
};

ClockState& C() {
    static ClockState* c = new ClockState;  // never destroyed: threads may use it during exit
    return *c;
}

LONGLONG RealMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - C().start).count();
}

void WakeLoops() {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    winstate::WakeAll(s);
}

// Time only moves forward, whichever thread moves it.
void MoveManualTo(LONGLONG nUs) {
    ClockState& c = C();
    LONGLONG cur = c.nManualUs.load();
    bool bMoved = false;
    while (cur < nUs && !(bMoved = c.nManualUs.compare_exchange_weak(cur, nUs))) {
    }
    if (!bMoved) return;
    {
        std::lock_guard<std::mutex> lock(c.mtx);
        c.cv.notify_all();
    }
    WakeLoops();
}

// Earliest requested time of the hooks selected (kNone when none); a first run counts as nNowUs. Hooks
// running on another thread are left out.
LONGLONG NextHookDue(bool bAllThreads, DWORD nThreadId, LONGLONG nNowUs) {
    ClockState& c = C();
    std::lock_guard<std::mutex> lock(c.mtx);
    LONGLONG next = kNone;
    for (const auto& [id, h] : c.hooks) {
        if (!bAllThreads && h.nThreadId != nThreadId) continue;
        if (h.nDueUs == kNone || h.bRunning) continue;
        LONGLONG due = h.nDueUs == kFirstRun ? nNowUs : h.nDueUs;
        if (next == kNone || due < next) next = due;
    }
    return next;
}

// Runs the selected hooks that are due at nNowUs, each at most once. TRUE when one ran.
bool RunDueHooks(bool bAllThreads, DWORD nThreadId, LONGLONG nNowUs) {
    ClockState& c = C();
    std::vector<std::pair<UINT_PTR, std::shared_ptr<CClock::TimeHook>>> due;
    {
        std::lock_guard<std::mutex> lock(c.mtx);
        for (auto& [id, h] : c.hooks) {
            if (!bAllThreads && h.nThreadId != nThreadId) continue;
            if (h.bRunning || h.nDueUs == kNone || (h.nDueUs != kFirstRun && h.nDueUs > nNowUs)) continue;
            h.bRunning = true;
            due.emplace_back(id, h.pfn);
        }
    }
    for (auto& [id, pfn] : due) {
        LONGLONG next = (*pfn)(nNowUs);
        // A request for the present or the past would run the hook again at once, forever.
        if (next != kNone && next <= nNowUs) next = nNowUs + 1;
        std::lock_guard<std::mutex> lock(c.mtx);
        auto it = c.hooks.find(id);
        if (it != c.hooks.end()) {
            it->second.bRunning = false;
            it->second.nDueUs = next < 0 ? kNone : next;
        }
    }
    return !due.empty();
}

LONGLONG NextTimerDueHere() {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return winstate::NextTimerDueLocked(s, GetCurrentThreadId());
}

// Moves the manual time to nTargetUs, stopping at every hook request and (bPump) every due timer of
// the calling thread on the way so that they run at their own time and in order.
void MoveTime(LONGLONG nTargetUs, bool bPump) {
    ClockState& c = C();
    for (;;) {
        LONGLONG now = c.nManualUs.load();
        LONGLONG next = NextHookDue(true, 0, now);
        if (bPump) {
            LONGLONG t = NextTimerDueHere();
            if (t != kNone && (next == kNone || t < next)) next = t;
        }
        if (next == kNone || next > nTargetUs) break;
        if (next > now) {
            MoveManualTo(next);
            now = c.nManualUs.load();
        }
        bool bRan = RunDueHooks(true, 0, now);
        int nDispatched = bPump ? CMessageLoop::PumpPending() : 0;
        if (next <= now && !bRan && nDispatched == 0) break;  // nothing could run: do not spin
    }
    MoveManualTo(nTargetUs);
    RunDueHooks(true, 0, c.nManualUs.load());
    if (bPump) CMessageLoop::PumpPending();
}

bool ThreadHasQueue() {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return s.queues.count(GetCurrentThreadId()) != 0;
}

}  // namespace

void CClockTesting::UseManualClock(DWORD nStartMs) {
    C().nManualUs = static_cast<LONGLONG>(nStartMs) * 1000;
    C().bManual = true;
    WakeLoops();
}

BOOL CClock::IsManual() {
    return C().bManual.load() ? TRUE : FALSE;
}

LONGLONG CClock::NowMicros() {
    return C().bManual.load() ? C().nManualUs.load() : RealMicros();
}

DWORD CClock::NowMillis() {
    return static_cast<DWORD>(static_cast<ULONGLONG>(NowMicros() / 1000));
}

BOOL CClockTesting::Advance(DWORD nMs) {
    return AdvanceMicros(static_cast<LONGLONG>(nMs) * 1000);
}

BOOL CClockTesting::AdvanceMicros(LONGLONG nUs) {
    if (!CClock::IsManual() || nUs < 0) return FALSE;
    MoveTime(C().nManualUs.load() + nUs, true);
    return TRUE;
}

BOOL CClock::AdvanceQuietly(LONGLONG nUs) {
    if (!IsManual() || nUs < 0) return FALSE;
    MoveTime(C().nManualUs.load() + nUs, false);
    return TRUE;
}

void CClockTesting::SetPerformanceFrequency(LONGLONG nCountsPerSecond) {
    C().nFrequency = std::max<LONGLONG>(0, nCountsPerSecond);
}

LONGLONG CClock::GetPerformanceFrequency() {
    return C().nFrequency.load();
}

void CClockTesting::SetWorkerSleep(WorkerSleep mode) {
    C().nWorkerSleep = mode;
}

UINT_PTR CClock::AddTimeHook(TimeHook pfnHook) {
    if (!pfnHook) return 0;
    ClockState& c = C();
    UINT_PTR id = 0;
    {
        std::lock_guard<std::mutex> lock(c.mtx);
        id = c.nNextHook++;
        HookRec& h = c.hooks[id];
        h.pfn = std::make_shared<TimeHook>(std::move(pfnHook));
        h.nThreadId = GetCurrentThreadId();
    }
    WakeLoops();
    return id;
}

void CClock::RemoveTimeHook(UINT_PTR nHookId) {
    std::lock_guard<std::mutex> lock(C().mtx);
    C().hooks.erase(nHookId);
}

void CClock::Sleep(DWORD nMs) {
    if (nMs == 0) {
        std::this_thread::yield();
        return;
    }
    ClockState& c = C();
    if (!IsManual()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(nMs));
        return;
    }
    const LONGLONG nUs = static_cast<LONGLONG>(nMs) * 1000;
    const bool bUserInterfaceThread = ThreadHasQueue() && !AfxIsFrameworkWorkerThread();
    if (bUserInterfaceThread || c.nWorkerSleep.load() == CClockTesting::WorkerSleepAdvances) {
        AdvanceQuietly(nUs);
        return;
    }
    const LONGLONG end = c.nManualUs.load() + nUs;
    std::unique_lock<std::mutex> lock(c.mtx);
    const auto wake = c.workerWakes.insert(end);
    c.cv.wait(lock, [&] { return !c.bManual.load() || c.nManualUs.load() >= end; });
    c.workerWakes.erase(wake);
}

int CClockTesting::SleepingWorkers() {
    ClockState& c = C();
    std::lock_guard<std::mutex> lock(c.mtx);
    const LONGLONG nNow = c.nManualUs.load();
    return static_cast<int>(std::distance(c.workerWakes.upper_bound(nNow), c.workerWakes.end()));
}

LONGLONG CClockTesting::NextWorkerWakeMicros() {
    ClockState& c = C();
    std::lock_guard<std::mutex> lock(c.mtx);
    const auto it = c.workerWakes.upper_bound(c.nManualUs.load());
    return it == c.workerWakes.end() ? -1 : *it;
}

namespace clockstate {

LONGLONG NextRealHookDue(DWORD nThreadId) {
    if (CClock::IsManual()) return kNone;
    return NextHookDue(false, nThreadId, RealMicros());
}

void RunDueRealHooks(DWORD nThreadId) {
    if (CClock::IsManual()) return;
    RunDueHooks(false, nThreadId, RealMicros());
}

}  // namespace clockstate
