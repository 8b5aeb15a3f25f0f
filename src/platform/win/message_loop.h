// The message loop: one queue per thread that owns windows or posts to itself, headless.
//
// What a thread's loop takes, in this order: posted messages (first in, first out; messages for a
// destroyed window are dropped), WM_QUIT once posted messages are gone, then, only when the queue is
// otherwise empty, WM_PAINT for an invalid visible window (oldest window first), then WM_TIMER for the
// most overdue timer (at most one pending WM_TIMER per timer: a timer that fell due several times while
// the thread was busy fires once). Every message taken by the framework's loops goes through the
// pre-translation (the thread object's PreTranslateMessage, by default PreTranslateMessage of the target
// window and its parents up to the top) before it is dispatched.
//
// Bounds: a queue holds at most 10,000 posted messages (kMaxPostedMessages); PostMessage and
// PostThreadMessage then fail (FALSE, last error ERROR_NOT_ENOUGH_QUOTA) and nothing is queued. Simulated
// user input (user_actions.h and the menu choice) counts against a bound of its own, so a queue filled by
// another thread never locks the user out.
//
// Fairness: a thread whose queue never empties must still see its timers, paints, user input and time
// hooks, as on the real platform where timers are low priority but still arrive. After 32 posted
// messages taken in a row (kPostedBurst), or a run of them that began 20 ms ago on the clock
// (kPostedBurstUs: slow handlers), an unfiltered take gives one turn to the lower-priority work:
// the oldest simulated user input waiting behind posted messages, else WM_QUIT, else a WM_PAINT, else a
// due WM_TIMER; when none is ready the posted messages go on. RunUntil and GetMessage also run the
// thread's due real-clock time hooks every 32 messages. A RunUntil loop that has not found its queue
// empty for 50 ms on the clock (kStarvedIdleUs) runs, between two messages, what waits for its first
// idle moment (a modal dialog is shown) and its idle hooks, and again every 50 ms while the queue stays
// busy: a window comes up and is seen however fast messages arrive. A queue that empties between
// messages never reaches these turns, so the order above holds for every thread that keeps up.
// PumpPending keeps its own order (posted at the call, then paints, then timers).
//
// Idle, a loop sleeps (on a futex word of its queue, without the framework lock) until a message is
// posted, the next timer or real-clock time hook is due, or the manual clock moves; it never spins. A post
// to a thread that is busy makes no system call.
#pragma once

#include <chrono>
#include <functional>

#include "platform/win/messages.h"

class CMessageLoop {
  public:
    // Runs a nested loop until done() is true (checked before each wait and after each message).
    // onFirstIdle runs once, the first time the queue is empty (a modal dialog shows itself then). Idle
    // hooks of this thread run whenever the queue is empty, before waiting. A queue that stays busy gets
    // both anyway after kStarvedIdleUs (see Fairness above). Returns FALSE when WM_QUIT
    // ended the loop (it is posted again for the outer loop) or the stall handler abandoned it.
    static BOOL RunUntil(const std::function<bool()>& done,
                         const std::function<void()>& onFirstIdle = nullptr);

    // Tests: dispatches what is pending now (messages queued at the call, then paints and due timers),
    // without waiting and without idle hooks. Returns the number of messages dispatched.
    static int PumpPending();
    // Repeats PumpPending until nothing is pending (a handler that keeps posting keeps it running).
    static int RunUntilIdle();
    static BOOL HasPending();

    // Paints at most once per display refresh: with a period, the clock is cut into slots nMicros long
    // (slot k from k * nMicros on), and a thread's loop starts at most one paint pass in each (every
    // window then invalid, and any invalidated while it lasts, is painted); a waiting loop wakes for the
    // next slot. 0 (the default, and after a simulation reset) paints whenever the queue is otherwise
    // empty. Paints still come only when no posted message waits; UpdateWindow still paints at once.
    static void SetPaintPeriod(LONGLONG nMicros);
    static LONGLONG GetPaintPeriod();
    // The start of the slot after the one holding nNowUs (clock µs); nNowUs itself without a period.
    static LONGLONG NextPaintSlotUs(LONGLONG nNowUs);
    // A loop of this thread that waits idle wakes by tWhen (real time) and runs its idle hooks again: an
    // idle hook that put work off to a later time asks for its turn so.
    static void WakeIdleHooksBy(std::chrono::steady_clock::time_point tWhen);
    // Posted messages (user input included) now waiting in the queue of a thread.
    static size_t PostedCount(DWORD nThreadId);

    // Waits for one message, pre-translates and dispatches it. FALSE on WM_QUIT.
    // The framework's pre-translation of a message taken from the queue; TRUE when consumed.
    static BOOL PreTranslate(MSG* pMsg);
    static int GetDepth();  // nesting of RunUntil on this thread

    // Called on this thread whenever a RunUntil loop finds its queue empty (a test's scripted user acts
    // there), and every kStarvedIdleUs while it never does. Returns an id for RemoveIdleHook.
    static UINT_PTR AddIdleHook(std::function<void()> pfnHook);
    static void RemoveIdleHook(UINT_PTR nHookId);
};

// For a WM_KEYDOWN or WM_SYSKEYDOWN of the real keyboard, posts (as user input) the WM_CHAR of the
// character AfxSetKeyboardCharacter named for it, and returns TRUE. The character takes the place of the
// message being handled in the queue's order (right behind it, so before any key or click made after
// it); outside a loop's message, it goes last. Anything else generates nothing and returns FALSE:
// simulated typing posts WM_KEYDOWN and WM_CHAR itself.
BOOL TranslateMessage(const MSG* lpMsg);
// The character the key about to be dispatched on this thread gives (0: none, e.g. a function key); the
// next TranslateMessage of a key-down takes it. A view calls it before dispatching a key of the real
// keyboard, as the platform's keyboard state would tell TranslateMessage.
void AfxSetKeyboardCharacter(UINT nChar);

// Runs fn on the loop of thread nThreadId, in queue order, as a posted thread message (any loop of the
// thread runs it: the main loop, a modal dialog's, a message box's). With bUserInput it counts as user
// input: not refused by a queue full of posted messages, and served by the lower-priority turn. FALSE
// (fn is dropped, last error set) when the thread is unknown or the queue bound is reached. Safe from
// any thread. A task never run (its queue dropped by a simulation reset) is destroyed with the next
// reset's tasks: nothing it holds leaks.
BOOL AfxPostThreadTask(DWORD nThreadId, std::function<void()> fn, BOOL bUserInput = FALSE);
LRESULT DispatchMessageA(const MSG* lpMsg);
// The calling thread's number, given when the thread first asks. Inline: asked on every text set and
// every look at a queue.
extern constinit thread_local DWORD t_nCurrentThreadId;
DWORD AfxNumberCurrentThread();
inline DWORD GetCurrentThreadId() {
    const DWORD nThreadId = t_nCurrentThreadId;
    return nThreadId != 0 ? nThreadId : AfxNumberCurrentThread();
}
