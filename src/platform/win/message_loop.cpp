#include "platform/win/message_loop.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/app_testing.h"
#include "platform/win/clock.h"
#include "platform/win/geometry_internal.h"
#include "platform/win/kernel.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/menu_tracking.h"
#include "platform/win/menu_tracking_internal.h"
#include "platform/win/message_loop_internal.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/win_state.h"
#include "platform/win/window_testing.h"

using namespace winstate;

namespace {

using Steady = std::chrono::steady_clock;

constexpr UINT kPosted = 1, kQuit = 2, kPaint = 4, kTimer = 8, kAll = 15;
constexpr UINT kTimerMinimumMs = 10;
constexpr UINT kTimerMaximumMs = 0x7FFFFFFF;
const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

enum class Taken { None, Msg, Quit };

thread_local DWORD t_nMessageTime = 0;
// Keeps the text of a foreign thread's WM_SETTEXT alive after GetMessage/PeekMessage hand it out.
thread_local std::unique_ptr<std::string> t_pHeldText;
thread_local UINT t_nKeyboardChar = 0;
// Where the message this thread took last stands in the order of the posted messages: its sequence
// number, or kLatestSeq for a paint, a timer, or nothing taken (a character translated then goes last).
constexpr std::uint64_t kLatestSeq = UINT64_MAX;
thread_local std::uint64_t t_nTakenSeq = kLatestSeq;

// Posted thread tasks (AfxPostThreadTask) by id; the posted message carries the id in lParam, so a
// message that is never dispatched leaves its task here, owned, instead of a bare pointer in a queue.
// An id is 64 bits and never reused.
constexpr UINT kThreadTaskMessage = 0x0379;
struct ThreadTasks {
    std::mutex mtx;
    std::unordered_map<std::uint64_t, std::function<void()>> tasks;
    std::uint64_t nNext = 1;
};
ThreadTasks& Tasks() {
    static ThreadTasks* p = new ThreadTasks;
    return *p;
}
void RunThreadTask(std::uint64_t nId) {
    std::function<void()> fn;
    {
        ThreadTasks& t = Tasks();
        std::lock_guard<std::mutex> lock(t.mtx);
        auto it = t.tasks.find(nId);
        if (it == t.tasks.end()) return;
        fn = std::move(it->second);
        t.tasks.erase(it);
    }
    if (fn) fn();
}
std::atomic<UINT_PTR> g_nNextIdleHook{1};

bool Matches(HWND hWnd, UINT message, HWND hFilter, UINT nMin, UINT nMax) {
    if (hFilter == kThreadOnly) {
        if (hWnd != nullptr) return false;
    } else if (hFilter != nullptr && hWnd != hFilter) {
        return false;
    }
    if ((nMin != 0 || nMax != 0) && (message < nMin || message > nMax)) return false;
    return true;
}

// Invalid windows set aside as hidden go back to the search once any visibility may have changed.
void SettleHiddenLocked(State& s, Queue& q) {
    if (q.nHiddenEpoch == s.nVisibilityEpoch) return;
    q.nHiddenEpoch = s.nVisibilityEpoch;
    q.hiddenInvalid.merge_into(q.invalid);
    q.hiddenInvalid.clear();
}

void ErasePosted(Queue& q, std::deque<Posted>::iterator it, std::deque<Posted>::iterator* pNext) {
    if (it->bInput) --q.nInputPosted;
    std::deque<Posted>::iterator next = q.posted.erase(it);
    if (pNext) *pNext = next;
}

Taken TakeLowerLocked(State& s, Queue& q, MSG* pMsg, HWND hFilter, UINT nMin, UINT nMax, bool bRemove,
                      UINT nKinds);

// Under a paint period a pass starts at most once per period and then paints every window that is
// invalid until none is left (windows invalidated by messages handled meanwhile included).
bool PaintDueLocked(const State& s, const Queue& q) {
    return s.nPaintPeriodUs <= 0 || q.bPaintPass || CClock::NowMicros() >= q.nPaintDueUs;
}

LONGLONG NextSlotUs(LONGLONG nNowUs, LONGLONG nPeriodUs) {
    if (nPeriodUs <= 0) return nNowUs;
    const LONGLONG nSlot = nNowUs >= 0 ? nNowUs / nPeriodUs : (nNowUs - nPeriodUs + 1) / nPeriodUs;
    return (nSlot + 1) * nPeriodUs;
}

// The passes keep to slots of the clock, the period long (slot k from k periods on), one pass at most in
// each: a pass starts with the first work of a slot, not a whole period after the last pass began, so work
// that comes once per period (a host's frames) is painted in the wake-up that brought it.
void StartPaintPassLocked(const State& s, Queue& q) {
    if (s.nPaintPeriodUs <= 0) return;
    const LONGLONG now = CClock::NowMicros();
    if (q.bPaintPass && now < q.nPaintDueUs) return;
    q.bPaintPass = true;
    q.nPaintDueUs = NextSlotUs(now, s.nPaintPeriodUs);
}

thread_local std::uint64_t t_nQuietTakes = 0;

// What Queue::nQuietUntilUs says after a take under the lock. Invalid windows wait, under a paint
// period with no pass under way, until the next pass is due.
void NoteQuietLocked(const State& s, Queue& q) {
    LONGLONG nUntil = 0;
    if (q.posted.empty() && !q.bQuit && !q.bPaintPass && q.nPostedRun == 0 && !q.bAbandon) {
        nUntil = INT64_MAX;
        if (!q.invalid.empty() || !q.hiddenInvalid.empty()) nUntil = s.nPaintPeriodUs > 0 ? q.nPaintDueUs : 0;
        for (const TimerRec& t : q.timers) nUntil = std::min(nUntil, t.nDueUs);
    }
    q.nQuietUntilUs.store(nUntil, std::memory_order_release);
}

// On the queue's own thread, without the lock: TRUE when a take now would find nothing (of any kind,
// whatever the filter) and leave the queue as it is; the take is then done. A post that comes meanwhile
// is taken by the next look, as if it had come a moment later (a waiting loop looks under the lock).
bool QuietNow(const Queue& q, bool bRemove) {
    const LONGLONG nUntil = q.nQuietUntilUs.load(std::memory_order_acquire);
    if (nUntil == 0 || CClock::NowMicros() >= nUntil) return false;
    if (bRemove) t_nTakenSeq = kLatestSeq;
    ++t_nQuietTakes;
    return true;
}

Taken TakeOrLookLocked(State& s, Queue& q, MSG* pMsg, std::unique_ptr<std::string>* pText, HWND hFilter,
                       UINT nMin, UINT nMax, bool bRemove, UINT nKinds);

// Takes (or with bRemove false, looks at) the next message of the queue in the loop's order. The caller
// holds the lock.
Taken TakeLocked(State& s, Queue& q, MSG* pMsg, std::unique_ptr<std::string>* pText, HWND hFilter, UINT nMin,
                 UINT nMax, bool bRemove, UINT nKinds) {
    const Taken k = TakeOrLookLocked(s, q, pMsg, pText, hFilter, nMin, nMax, bRemove, nKinds);
    NoteQuietLocked(s, q);
    return k;
}

Taken TakeOrLookLocked(State& s, Queue& q, MSG* pMsg, std::unique_ptr<std::string>* pText, HWND hFilter,
                       UINT nMin, UINT nMax, bool bRemove, UINT nKinds) {
    // The fairness rule of message_loop.h: only unfiltered takes of every kind count the run of posted
    // messages and give the lower-priority work its turn.
    const bool bFair = bRemove && nKinds == kAll && hFilter == nullptr && nMin == 0 && nMax == 0;
    if (bRemove) t_nTakenSeq = kLatestSeq;
    if (bFair && (q.nPostedRun >= kPostedBurst ||
                  (q.nPostedRun > 0 && CClock::NowMicros() - q.nPostedRunStartUs >= kPostedBurstUs))) {
        q.nPostedRun = 0;
        if (q.nInputPosted > 0) {
            for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
                if (!it->bInput) continue;
                if (it->msg.hwnd != nullptr && Find(s, it->msg.hwnd) == nullptr) {
                    ErasePosted(q, it, nullptr);  // the window is gone
                    break;
                }
                *pMsg = it->msg;
                if (pText) *pText = std::move(it->pText);
                t_nTakenSeq = it->nSeq;
                ErasePosted(q, it, nullptr);
                return Taken::Msg;
            }
        }
        const Taken k = TakeLowerLocked(s, q, pMsg, hFilter, nMin, nMax, bRemove, nKinds);
        if (k != Taken::None) return k;
    }
    if (nKinds & kPosted) {
        for (auto it = q.posted.begin(); it != q.posted.end();) {
            if (it->msg.hwnd != nullptr && Find(s, it->msg.hwnd) == nullptr) {
                ErasePosted(q, it, &it);  // the window is gone
                continue;
            }
            if (Matches(it->msg.hwnd, it->msg.message, hFilter, nMin, nMax)) {
                *pMsg = it->msg;
                const bool bQuitMsg = it->msg.message == WM_QUIT;  // posted as a thread message
                if (bRemove) {
                    if (pText) *pText = std::move(it->pText);
                    t_nTakenSeq = it->nSeq;
                    ErasePosted(q, it, nullptr);
                    if (bFair && q.nPostedRun == 0) q.nPostedRunStartUs = CClock::NowMicros();
                    if (bFair && q.nPostedRun < kPostedBurst) ++q.nPostedRun;
                }
                return bQuitMsg ? Taken::Quit : Taken::Msg;
            }
            ++it;
        }
    }
    if (bFair) q.nPostedRun = 0;
    return TakeLowerLocked(s, q, pMsg, hFilter, nMin, nMax, bRemove, nKinds);
}

// The lower-priority work: WM_QUIT, WM_PAINT, WM_TIMER, in this order.
Taken TakeLowerLocked(State& s, Queue& q, MSG* pMsg, HWND hFilter, UINT nMin, UINT nMax, bool bRemove,
                      UINT nKinds) {
    const DWORD nNowMs = CClock::NowMillis();
    if ((nKinds & kQuit) && q.bQuit) {
        *pMsg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q.nQuitCode), 0, nNowMs, {0, 0}};
        if (bRemove) q.bQuit = FALSE;
        return Taken::Quit;
    }
    if ((nKinds & kPaint) && hFilter != kThreadOnly && Matches(nullptr, WM_PAINT, nullptr, nMin, nMax) &&
        PaintDueLocked(s, q)) {
        SettleHiddenLocked(s, q);
        auto take = [&](WndRec* r) {
            *pMsg = MSG{r->hWnd, WM_PAINT, 0, 0, nNowMs, {0, 0}};
            if (bRemove) {
                StartPaintPassLocked(s, q);
                UnionRect(&r->rcPainting, r->bPainting ? &r->rcPainting : &r->rcInvalid, &r->rcInvalid);
                r->bErasePainting = (r->bPainting && r->bErasePainting) || r->bEraseInvalid;
                r->bPainting = TRUE;
                r->bInvalid = FALSE;
                r->rcInvalid = RECT{};
                r->bEraseInvalid = FALSE;
                q.invalid.erase(reinterpret_cast<std::uintptr_t>(r->hWnd));
                if (q.invalid.empty()) q.bPaintPass = false;
            }
            return Taken::Msg;
        };
        if (hFilter != nullptr) {
            WndRec* r = Find(s, hFilter);
            if (r != nullptr && r->bInvalid && r->nThreadId == q.nThreadId && IsVisibleLocked(s, r))
                return take(r);
        } else {
            for (auto it = q.invalid.begin(); it != q.invalid.end();) {
                WndRec* r = Find(s, reinterpret_cast<HWND>(*it));
                if (r == nullptr || !r->bInvalid) {
                    it = q.invalid.erase(it);
                    continue;
                }
                if (!IsVisibleLocked(s, r)) {
                    q.hiddenInvalid.insert(*it);
                    it = q.invalid.erase(it);
                    continue;
                }
                return take(r);
            }
            q.bPaintPass = false;  // nothing left to paint: the pass is over
        }
    }
    if (nKinds & kTimer) {
        const LONGLONG now = CClock::NowMicros();
        TimerRec* best = nullptr;
        for (TimerRec& t : q.timers) {
            if (t.nDueUs > now || !Matches(t.hWnd, WM_TIMER, hFilter, nMin, nMax)) continue;
            if (best == nullptr || t.nDueUs < best->nDueUs) best = &t;
        }
        if (best != nullptr) {
            *pMsg =
                MSG{best->hWnd, WM_TIMER, best->nID, reinterpret_cast<LPARAM>(best->pfnProc), nNowMs, {0, 0}};
            // One WM_TIMER however many periods have passed: the next is a full period from now.
            if (bRemove) best->nDueUs = now + static_cast<LONGLONG>(best->nPeriodMs) * 1000;
            return Taken::Msg;
        }
    }
    return Taken::None;
}

std::shared_ptr<Queue> MyQueue() {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return QueueFor(s, GetCurrentThreadId());
}

void DispatchTaken(MSG& msg) {
    t_nMessageTime = msg.time;  // as after GetMessage: also what the pre-translation sees
    if (!CMessageLoop::PreTranslate(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Waits until the queue may have something to take. FALSE when the loops of the thread are abandoned
// (the stall handler said so). tLast is the real time of the last activity, for the stall handler.
bool WaitForWork(const std::shared_ptr<Queue>& pq, Steady::time_point& tLast) {
    State& s = S();
    std::function<bool()> pfnStall;
    {
        std::unique_lock<CFutexMutex> lock(s.mtx);
        Queue& q = *pq;
        if (q.bAbandon) return false;
        MSG peek;
        if (TakeLocked(s, q, &peek, nullptr, nullptr, 0, 0, false, kAll) != Taken::None) return true;
        const std::uint64_t nWake = q.nWake;
        auto deadline = Steady::time_point::max();
        if (!CClock::IsManual()) {
            LONGLONG next = NextTimerDueLocked(s, q.nThreadId);
            LONGLONG hook = clockstate::NextRealHookDue(q.nThreadId);
            if (hook >= 0 && (next < 0 || hook < next)) next = hook;
            if (next >= 0) {
                deadline = Steady::now() +
                           std::chrono::microseconds(std::max<LONGLONG>(0, next - CClock::NowMicros()));
            }
        }
        if (!CClock::IsManual() && s.nPaintPeriodUs > 0 && !q.invalid.empty() && !PaintDueLocked(s, q)) {
            deadline = std::min(deadline, Steady::now() + std::chrono::microseconds(std::max<LONGLONG>(
                                                              0, q.nPaintDueUs - CClock::NowMicros())));
        }
        // An idle hook asked to run again by then.
        deadline = std::min(deadline, q.tIdleWake);
        q.tIdleWake = Steady::time_point::max();
        const bool bStall = static_cast<bool>(q.pfnStall);
        const auto stallAt = tLast + std::chrono::milliseconds(q.nStallMs);
        if (bStall) deadline = std::min(deadline, stallAt);
        const bool bTimed = deadline != Steady::time_point::max();
        const std::int64_t nDeadlineNs =
            bTimed ? std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch()).count()
                   : -1;
        while (q.nWake == nWake && (!bTimed || Steady::now() < deadline)) SleepOnQueue(lock, q, nDeadlineNs);
        if (q.nWake != nWake) {
            tLast = Steady::now();
            return !q.bAbandon;
        }
        if (!bStall || Steady::now() < stallAt) return true;  // a timer or time hook is due
        pfnStall = q.pfnStall;
    }
    tLast = Steady::now();
    if (pfnStall && pfnStall()) {
        std::lock_guard<CFutexMutex> lock(s.mtx);
        pq->bAbandon = TRUE;
        Wake(*pq);
        return false;
    }
    return true;
}

thread_local std::uint64_t t_nDispatched = 0;

// An empty list for the scope, taken from the thread's spare ones and given back, capacity kept.
template <class T>
class CSpareList {
  public:
    CSpareList() {
        if (!s_spare.empty()) {
            m_list = std::move(s_spare.back());
            s_spare.pop_back();
        }
    }
    ~CSpareList() {
        m_list.clear();
        s_spare.push_back(std::move(m_list));
    }
    CSpareList(const CSpareList&) = delete;
    CSpareList& operator=(const CSpareList&) = delete;

    std::vector<T> m_list;

  private:
    static thread_local std::vector<std::vector<T>> s_spare;
};
template <class T>
thread_local std::vector<std::vector<T>> CSpareList<T>::s_spare;

// Changes whenever the thread dispatched something or its queue was woken.
std::uint64_t Activity(const std::shared_ptr<Queue>& pq) {
    std::lock_guard<CFutexMutex> lock(S().mtx);
    return pq->nWake + t_nDispatched;
}

bool RunIdleHooks(const std::shared_ptr<Queue>& pq) {
    std::vector<UINT_PTR> ids;
    {
        std::lock_guard<CFutexMutex> lock(S().mtx);
        for (const auto& [id, fn] : pq->idleHooks) ids.push_back(id);
    }
    for (UINT_PTR id : ids) {
        std::function<void()> fn;
        {
            std::lock_guard<CFutexMutex> lock(S().mtx);
            auto it = pq->idleHooks.find(id);
            if (it == pq->idleHooks.end()) continue;  // removed by an earlier hook
            fn = it->second;
        }
        fn();
    }
    return !ids.empty();
}

void EndOfLoop(const std::shared_ptr<Queue>& pq, bool bNested) {
    std::lock_guard<CFutexMutex> lock(S().mtx);
    if (bNested) --pq->nDepth;
    if (pq->nDepth == 0) pq->bAbandon = FALSE;
}

thread_local int t_nTakenSinceHooks = 0;

// GetMessage without the filter's niceties: waits until a matching message comes. FALSE on WM_QUIT or
// when the thread's loops are abandoned.
BOOL WaitAndTake(MSG* pMsg, HWND hWnd, UINT nMin, UINT nMax) {
    std::shared_ptr<Queue> pq = MyQueue();
    auto tLast = Steady::now();
    for (;;) {
        Taken k = Taken::None;
        if (!QuietNow(*pq, true)) {
            std::lock_guard<CFutexMutex> lock(S().mtx);
            k = TakeLocked(S(), *pq, pMsg, &t_pHeldText, hWnd, nMin, nMax, true, kAll);
        }
        if (k == Taken::Quit) return FALSE;
        if (k == Taken::Msg) {
            t_nMessageTime = pMsg->time;
            if (++t_nTakenSinceHooks >= kPostedBurst) {
                t_nTakenSinceHooks = 0;
                clockstate::RunDueRealHooks(pq->nThreadId);
            }
            return TRUE;
        }
        t_nTakenSinceHooks = 0;
        clockstate::RunDueRealHooks(pq->nThreadId);
        if (!WaitForWork(pq, tLast)) {
            EndOfLoop(pq, false);
            *pMsg = MSG{nullptr, WM_QUIT, 0, 0, CClock::NowMillis(), {0, 0}};
            return FALSE;
        }
    }
}

}  // namespace

namespace winstate {

LONGLONG NextTimerDueLocked(State& s, DWORD nThreadId) {
    auto it = s.queues.find(nThreadId);
    if (it == s.queues.end()) return -1;
    LONGLONG next = -1;
    for (const TimerRec& t : it->second->timers) {
        if (next < 0 || t.nDueUs < next) next = t.nDueUs;
    }
    return next;
}

}  // namespace winstate

// ---- CMessageLoop ----
BOOL CMessageLoop::RunUntil(const std::function<bool()>& done, const std::function<void()>& onFirstIdle) {
    std::shared_ptr<Queue> pq;
    {
        std::lock_guard<CFutexMutex> lock(S().mtx);
        pq = QueueFor(S(), GetCurrentThreadId());
        ++pq->nDepth;
    }
    // A nested loop leaves the place of the message it runs inside as it found it.
    const std::uint64_t nOuterSeq = t_nTakenSeq;
    bool bFirstIdle = true;
    BOOL bResult = TRUE;
    int nSinceHooks = 0;
    auto tLast = Steady::now();
    // A queue that has not emptied by then (a sender faster than this thread), with a few messages taken
    // since, gets its idle turn anyway.
    LONGLONG nIdleTurnUs = CClock::NowMicros() + kStarvedIdleUs;
    int nSinceIdle = 0;
    for (;;) {
        if (done && done()) break;
        MSG msg{};
        std::unique_ptr<std::string> pText;
        Taken k = Taken::None;
        if (!QuietNow(*pq, true)) {  // quiet: not abandoned either
            std::lock_guard<CFutexMutex> lock(S().mtx);
            if (pq->bAbandon) {
                bResult = FALSE;
                break;
            }
            k = TakeLocked(S(), *pq, &msg, &pText, nullptr, 0, 0, true, kAll);
        }
        if (k == Taken::Quit) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
            bResult = FALSE;
            break;
        }
        if (k == Taken::Msg) {
            DispatchTaken(msg);
            tLast = Steady::now();
            // Under a steady stream of messages the loop never idles: the real-clock time hooks get the
            // same turn as the timers.
            if (++nSinceHooks >= kPostedBurst) {
                nSinceHooks = 0;
                clockstate::RunDueRealHooks(pq->nThreadId);
            }
            // Nor does it ever find its queue empty: what waits for the first idle moment (a modal window
            // to be shown) and the idle hooks (a screen's picture, a scripted user) run between two
            // messages once kStarvedIdleUs has passed without one. A handler that merely took long (a
            // wait of its own) with a message or two behind it is no sender flooding the queue: idle work
            // waits for them as before.
            if (++nSinceIdle >= kStarvedIdleMessages && CClock::NowMicros() >= nIdleTurnUs) {
                if (bFirstIdle) {
                    bFirstIdle = false;
                    if (onFirstIdle) onFirstIdle();
                }
                RunIdleHooks(pq);
                clockstate::RunDueRealHooks(pq->nThreadId);
                nSinceIdle = 0;
                nIdleTurnUs = CClock::NowMicros() + kStarvedIdleUs;
            }
            continue;
        }
        nSinceHooks = 0;
        if (bFirstIdle) {
            bFirstIdle = false;
            if (onFirstIdle) {
                onFirstIdle();
                nSinceIdle = 0;
                nIdleTurnUs = CClock::NowMicros() + kStarvedIdleUs;
                continue;
            }
        }
        // What idle hooks do (advance the clock, dispatch, post) may need another idle round: only a
        // round that changed nothing lets the loop wait.
        const std::uint64_t nActivity = Activity(pq);
        RunIdleHooks(pq);
        clockstate::RunDueRealHooks(pq->nThreadId);
        nSinceIdle = 0;
        nIdleTurnUs = CClock::NowMicros() + kStarvedIdleUs;
        if (done && done()) break;
        if (Activity(pq) != nActivity) continue;
        if (!WaitForWork(pq, tLast)) {
            bResult = FALSE;
            break;
        }
    }
    EndOfLoop(pq, true);
    t_nTakenSeq = nOuterSeq;
    return bResult;
}

void CMessageLoop::SetPaintPeriod(LONGLONG nMicros) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    s.nPaintPeriodUs = std::max<LONGLONG>(0, nMicros);
    for (auto& [tid, q] : s.queues) {
        q->nPaintDueUs = 0;
        q->bPaintPass = false;
        Wake(*q);
    }
}

LONGLONG CMessageLoop::GetPaintPeriod() {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return s.nPaintPeriodUs;
}

LONGLONG CMessageLoop::NextPaintSlotUs(LONGLONG nNowUs) {
    return NextSlotUs(nNowUs, GetPaintPeriod());
}

void CMessageLoop::WakeIdleHooksBy(std::chrono::steady_clock::time_point tWhen) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    auto q = QueueFor(s, GetCurrentThreadId());
    q->tIdleWake = std::min(q->tIdleWake, tWhen);
}

int CMessageLoop::PumpPending() {
    const std::uint64_t nOuterSeq = t_nTakenSeq;
    std::shared_ptr<Queue> pq;
    size_t nPosted = 0;
    {
        std::lock_guard<CFutexMutex> lock(S().mtx);
        pq = QueueFor(S(), GetCurrentThreadId());
        nPosted = pq->posted.size();
    }
    int nDispatched = 0;
    auto takeAndDispatch = [&](HWND hFilter, UINT nMin, UINT nMax, UINT nKinds) {
        MSG msg{};
        std::unique_ptr<std::string> pText;
        if (QuietNow(*pq, true)) return false;
        {
            std::lock_guard<CFutexMutex> lock(S().mtx);
            Taken k = TakeLocked(S(), *pq, &msg, &pText, hFilter, nMin, nMax, true, nKinds);
            if (k == Taken::Quit) {  // a posted WM_QUIT stays for the loop that ends with it
                pq->bQuit = TRUE;
                pq->nQuitCode = static_cast<int>(msg.wParam);
                pq->nQuietUntilUs.store(0, std::memory_order_release);
            }
            if (k != Taken::Msg) return false;
        }
        DispatchTaken(msg);
        ++nDispatched;
        return true;
    };
    for (size_t i = 0; i < nPosted; ++i) {
        if (!takeAndDispatch(nullptr, 0, 0, kPosted)) break;
    }
    // Lists kept from an earlier pass of this thread (a pass may run inside another's dispatch), so that
    // a pass makes no heap allocation.
    CSpareList<HWND> spareInvalid;
    CSpareList<std::pair<LONGLONG, std::pair<HWND, UINT_PTR>>> spareDue;
    std::vector<HWND>& invalid = spareInvalid.m_list;
    std::vector<std::pair<LONGLONG, std::pair<HWND, UINT_PTR>>>& due = spareDue.m_list;
    // Quiet: nothing invalid and no timer due, so there is nothing below to look at.
    const bool bQuiet = QuietNow(*pq, false);
    // The due timers are listed in the same look as the invalid windows when no paint comes between.
    auto listDueTimers = [&pq, &due] {
        const LONGLONG now = CClock::NowMicros();
        for (const TimerRec& t : pq->timers) {
            if (t.nDueUs <= now) due.push_back({t.nDueUs, {t.hWnd, t.nID}});
        }
    };
    bool bTimersListed = false;
    if (!bQuiet) {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        // Under a paint period with no pass due, the invalid windows wait: none would be taken.
        // (Nothing to settle or walk: as if due, without asking the clock.)
        const bool bNothingInvalid =
            pq->invalid.empty() && (pq->hiddenInvalid.empty() || pq->nHiddenEpoch == s.nVisibilityEpoch);
        const bool bPaintDue = bNothingInvalid || PaintDueLocked(s, *pq);
        if (bPaintDue) SettleHiddenLocked(s, *pq);
        for (auto it = pq->invalid.begin(); bPaintDue && it != pq->invalid.end();) {
            WndRec* r = Find(s, reinterpret_cast<HWND>(*it));
            if (r == nullptr || !r->bInvalid) {
                it = pq->invalid.erase(it);
            } else if (!IsVisibleLocked(s, r)) {
                pq->hiddenInvalid.insert(*it);
                it = pq->invalid.erase(it);
            } else {
                invalid.push_back(reinterpret_cast<HWND>(*it));
                ++it;
            }
        }
        if (invalid.empty()) {
            listDueTimers();
            bTimersListed = true;
        }
    }
    for (HWND h : invalid) takeAndDispatch(h, WM_PAINT, WM_PAINT, kPaint);
    if (!bQuiet && !bTimersListed) {
        std::lock_guard<CFutexMutex> lock(S().mtx);
        listDueTimers();
    }
    std::stable_sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [when, key] : due) {
        MSG msg{};
        {
            std::lock_guard<CFutexMutex> lock(S().mtx);
            const LONGLONG now = CClock::NowMicros();
            auto it = std::find_if(pq->timers.begin(), pq->timers.end(), [&key = key](const TimerRec& t) {
                return t.hWnd == key.first && t.nID == key.second;
            });
            if (it == pq->timers.end() || it->nDueUs > now) continue;  // killed or reset meanwhile
            msg = MSG{it->hWnd, WM_TIMER, it->nID, reinterpret_cast<LPARAM>(it->pfnProc), CClock::NowMillis(),
                      {0, 0}};
            it->nDueUs = now + static_cast<LONGLONG>(it->nPeriodMs) * 1000;
        }
        DispatchTaken(msg);
        ++nDispatched;
    }
    t_nTakenSeq = nOuterSeq;
    return nDispatched;
}

int CMessageLoop::RunUntilIdle() {
    int nTotal = 0;
    for (int n = PumpPending(); n > 0; n = PumpPending()) nTotal += n;
    return nTotal;
}

BOOL CMessageLoop::HasPending() {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    auto it = s.queues.find(GetCurrentThreadId());
    if (it == s.queues.end()) return FALSE;
    MSG peek;
    return TakeLocked(s, *it->second, &peek, nullptr, nullptr, 0, 0, false, kPosted | kPaint | kTimer) !=
           Taken::None;
}

size_t CMessageLoop::PostedCount(DWORD nThreadId) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    auto it = s.queues.find(nThreadId);
    return it == s.queues.end() ? 0 : it->second->posted.size();
}

BOOL CMessageLoop::PreTranslate(MSG* pMsg) {
    if (pMsg == nullptr) return FALSE;
    // A menu being tracked takes the keyboard and the mouse before any window sees them.
    if (AfxMenuTrackingFilter(pMsg)) return TRUE;
    if (CWinThread* pThread = AfxGetThread()) return pThread->PreTranslateMessage(pMsg);
    return pMsg->hwnd ? CWnd::WalkPreTranslateTree(nullptr, pMsg) : FALSE;
}

int CMessageLoop::GetDepth() {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    auto it = s.queues.find(GetCurrentThreadId());
    return it == s.queues.end() ? 0 : it->second->nDepth;
}

UINT_PTR CMessageLoop::AddIdleHook(std::function<void()> pfnHook) {
    if (!pfnHook) return 0;
    UINT_PTR id = g_nNextIdleHook.fetch_add(1);
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    QueueFor(s, GetCurrentThreadId())->idleHooks[id] = std::move(pfnHook);
    return id;
}

void CMessageLoop::RemoveIdleHook(UINT_PTR nHookId) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    for (auto& [tid, q] : s.queues) q->idleHooks.erase(nHookId);
}

std::uint64_t CMessageLoopTesting::QuietTakes() {
    return t_nQuietTakes;
}

void CMessageLoopTesting::SetStallHandler(std::function<bool()> pfnStall, DWORD nRealMs) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    auto q = QueueFor(s, GetCurrentThreadId());
    q->pfnStall = std::move(pfnStall);
    q->nStallMs = nRealMs;
    Wake(*q);
}

// ---- The message functions ----
BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    MSG msg{};
    BOOL b = WaitAndTake(&msg, hWnd, wMsgFilterMin, wMsgFilterMax);
    if (lpMsg) *lpMsg = msg;
    return b;
}

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    std::shared_ptr<Queue> pq = MyQueue();
    MSG msg{};
    Taken k = Taken::None;
    if (!QuietNow(*pq, (wRemoveMsg & PM_REMOVE) != 0)) {
        std::lock_guard<CFutexMutex> lock(S().mtx);
        k = TakeLocked(S(), *pq, &msg, &t_pHeldText, hWnd, wMsgFilterMin, wMsgFilterMax,
                       (wRemoveMsg & PM_REMOVE) != 0, kAll);
    }
    if (k == Taken::None) return FALSE;
    if (wRemoveMsg & PM_REMOVE) t_nMessageTime = msg.time;
    if (lpMsg) *lpMsg = msg;
    return TRUE;
}

void AfxSetKeyboardCharacter(UINT nChar) {
    t_nKeyboardChar = nChar;
}

LRESULT DispatchMessageA(const MSG* lpMsg) {
    if (lpMsg == nullptr) return 0;
    const DWORD nSaved = t_nMessageTime;
    t_nMessageTime = lpMsg->time;
    ++t_nDispatched;
    LRESULT r = 0;
    if (lpMsg->hwnd == nullptr && lpMsg->message == kThreadTaskMessage) {
        RunThreadTask(static_cast<std::uint64_t>(lpMsg->lParam));
    } else if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
        reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER,
                                                   static_cast<UINT_PTR>(lpMsg->wParam), lpMsg->time);
    } else if (lpMsg->hwnd != nullptr) {
        r = CallWindow(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
    }
    t_nMessageTime = nSaved;
    return r;
}

void PostQuitMessage(int nExitCode) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    auto q = QueueFor(s, GetCurrentThreadId());
    q->bQuit = TRUE;
    q->nQuitCode = nExitCode;
    Wake(*q);
}

namespace {

// nSeq: the place in the queue's order, behind every message posted up to that number; kLatestSeq:
// last (a new number).
BOOL PostTo(State& s, DWORD nThreadId, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, bool bInput = false,
            std::uint64_t nSeq = kLatestSeq) {
    Queue* q = QueueLocked(s, nThreadId);
    const std::size_t nOfKind = bInput ? q->nInputPosted : q->posted.size() - q->nInputPosted;
    if (nOfKind >= kMaxPostedMessages) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    Posted p;
    p.msg = MSG{hWnd, Msg, wParam, lParam, CClock::NowMillis(), {0, 0}};
    p.nSeq = nSeq != kLatestSeq ? nSeq : s.nNextSeq++;
    p.bInput = bInput;
    if (nSeq != kLatestSeq) {
        auto it = std::find_if(q->posted.begin(), q->posted.end(),
                               [nSeq](const Posted& o) { return o.nSeq > nSeq; });
        q->posted.insert(it, std::move(p));
    } else {
        q->posted.push_back(std::move(p));
    }
    if (bInput) ++q->nInputPosted;
    Wake(*q);
    return TRUE;
}

}  // namespace

BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (idThread == 0 || idThread > kernelstate::LastThreadIdIssued()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return PostTo(s, idThread, nullptr, Msg, wParam, lParam);
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    if (hWnd == nullptr) return PostTo(s, GetCurrentThreadId(), nullptr, Msg, wParam, lParam);
    WndRec* r = Find(s, hWnd);
    if (r == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PostTo(s, r->nThreadId, hWnd, Msg, wParam, lParam);
}

namespace winstate {

BOOL PostInputMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    if (hWnd == nullptr) return PostTo(s, GetCurrentThreadId(), nullptr, Msg, wParam, lParam, true);
    WndRec* r = Find(s, hWnd);
    if (r == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PostTo(s, r->nThreadId, hWnd, Msg, wParam, lParam, true);
}

}  // namespace winstate

// Typing is simulated by posting WM_KEYDOWN and WM_CHAR explicitly; only a key of the real keyboard
// (a view's) has a character waiting here. The character takes its key's place in the queue's order:
// ahead of the keys and clicks made after that key (an Enter that applies what was typed may already
// be waiting), behind what came before it.
BOOL TranslateMessage(const MSG* lpMsg) {
    const UINT nChar = t_nKeyboardChar;
    t_nKeyboardChar = 0;
    if (lpMsg == nullptr || nChar == 0) return FALSE;
    if (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN) return FALSE;
    const UINT nCharMsg = lpMsg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    DWORD nThreadId = GetCurrentThreadId();
    if (lpMsg->hwnd != nullptr) {
        WndRec* r = Find(s, lpMsg->hwnd);
        if (r == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        nThreadId = r->nThreadId;
    }
    // A window of another thread: that queue's order knows nothing of this thread's message.
    const std::uint64_t nSeq = nThreadId == GetCurrentThreadId() ? t_nTakenSeq : kLatestSeq;
    return PostTo(s, nThreadId, lpMsg->hwnd, nCharMsg, nChar, lpMsg->lParam, true, nSeq);
}

LONG GetMessageTime() {
    return static_cast<LONG>(t_nMessageTime);
}

// ---- Timers ----
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    DWORD nThread = GetCurrentThreadId();
    if (hWnd != nullptr) {
        WndRec* r = Find(s, hWnd);
        if (r == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        nThread = r->nThreadId;
    }
    if (s.failTimers.count(nIDEvent)) {
        SetLastError(ERROR_NO_SYSTEM_RESOURCES);
        return 0;
    }
    auto q = QueueFor(s, nThread);
    auto it = std::find_if(q->timers.begin(), q->timers.end(),
                           [&](const TimerRec& t) { return t.hWnd == hWnd && t.nID == nIDEvent; });
    if (hWnd == nullptr && it == q->timers.end()) nIDEvent = s.nNextThreadTimer++;
    if (it == q->timers.end()) {
        q->timers.push_back(TimerRec{});
        it = std::prev(q->timers.end());
    }
    it->hWnd = hWnd;
    it->nID = nIDEvent;
    it->nPeriodMs = std::clamp(uElapse, kTimerMinimumMs, kTimerMaximumMs);
    it->nDueUs = CClock::NowMicros() + static_cast<LONGLONG>(it->nPeriodMs) * 1000;
    it->pfnProc = lpTimerFunc;
    Wake(*q);
    return nIDEvent != 0 ? nIDEvent : 1;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    for (auto& [tid, q] : s.queues) {
        auto it = std::find_if(q->timers.begin(), q->timers.end(),
                               [&](const TimerRec& t) { return t.hWnd == hWnd && t.nID == uIDEvent; });
        if (it != q->timers.end()) {
            q->timers.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL AfxPostThreadTask(DWORD nThreadId, std::function<void()> fn, BOOL bUserInput) {
    if (nThreadId == 0 || nThreadId > kernelstate::LastThreadIdIssued()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ThreadTasks& t = Tasks();
    std::uint64_t nId = 0;
    {
        std::lock_guard<std::mutex> lock(t.mtx);
        nId = t.nNext++;
        t.tasks.emplace(nId, std::move(fn));
    }
    BOOL bPosted = FALSE;
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        bPosted = PostTo(s, nThreadId, nullptr, kThreadTaskMessage, 0, static_cast<LPARAM>(nId),
                         bUserInput != FALSE);
    }
    if (!bPosted) {
        std::function<void()> dropped;  // destroyed outside the lock: it may hold anything
        std::lock_guard<std::mutex> lock(t.mtx);
        auto it = t.tasks.find(nId);
        if (it != t.tasks.end()) {
            dropped = std::move(it->second);
            t.tasks.erase(it);
        }
    }
    return bPosted;
}

namespace loopstate {

void ResetThreadTasks() {
    std::unordered_map<std::uint64_t, std::function<void()>> gone;  // destroyed outside the lock
    ThreadTasks& t = Tasks();
    std::lock_guard<std::mutex> lock(t.mtx);
    gone.swap(t.tasks);
}

}  // namespace loopstate
