// Internal to the window framework: the shared state behind windows, queues and timers. One mutex guards
// it; no user code (window procedures, hooks, handlers) runs while it is held.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/futex_mutex.h"
#include "platform/win/kernel.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/window.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

namespace winstate {

struct Queue;

struct WndRec {
    HWND hWnd = nullptr;
    DWORD nThreadId = 0;
    std::shared_ptr<Queue> pQueue;  // the queue of nThreadId (it stays while the thread has windows)
    std::string strClass;
    WNDPROC pfnWndProc = nullptr;  // the window's procedure (the class's unless replaced)
    CWnd* pPermanent = nullptr;
    BOOL bAttachedOnly = FALSE;  // attached (CWnd::Attach): messages go to the procedure, not pPermanent
    std::unique_ptr<CWnd> pTemp;
    HWND hParent = nullptr;      // WS_CHILD windows
    HWND hOwner = nullptr;       // top-level windows
    HWND hLastFocus = nullptr;   // top-level windows: the last window in it that had the focus
    std::vector<HWND> children;  // creation order = z-order from top
    UINT nID = 0;
    DWORD dwStyle = 0;
    DWORD dwExStyle = 0;
    std::string strText;
    RECT rc{};  // children: relative to the parent's client area; top-level: screen
    HMENU hMenu = nullptr;
    HMENU hSysMenu = nullptr;
    HICON hIconBig = nullptr;
    HICON hIconSmall = nullptr;
    HINSTANCE hInstance = nullptr;
    LONG_PTR nUserData = 0;
    BOOL bInvalid = FALSE;
    RECT rcInvalid{};
    BOOL bEraseInvalid = FALSE;
    BOOL bPainting = FALSE;  // a WM_PAINT was generated and its region not yet taken
    RECT rcPainting{};
    BOOL bErasePainting = FALSE;
    BOOL bDestroying = FALSE;
    std::unique_ptr<CWndExtra> pExtra;
};

struct Posted {
    MSG msg{};
    std::uint64_t nSeq = 0;
    bool bInput = false;                 // simulated user input (see message_loop.h)
    std::unique_ptr<std::string> pText;  // owned lParam text of a WM_SETTEXT from a foreign thread
};

struct TimerRec {
    HWND hWnd = nullptr;
    UINT_PTR nID = 0;
    UINT nPeriodMs = 0;
    LONGLONG nDueUs = 0;
    TIMERPROC pfnProc = nullptr;
};

// Handle values in ascending order, kept in one vector: windows become invalid and are painted again
// and again, and a node per entry would be an allocation each time.
class CHandleSet {
  public:
    using const_iterator = std::vector<std::uintptr_t>::const_iterator;

    void insert(std::uintptr_t h) {
        const auto it = std::lower_bound(m_handles.begin(), m_handles.end(), h);
        if (it == m_handles.end() || *it != h) m_handles.insert(it, h);
    }
    std::size_t erase(std::uintptr_t h) {
        const auto it = std::lower_bound(m_handles.begin(), m_handles.end(), h);
        if (it == m_handles.end() || *it != h) return 0;
        m_handles.erase(it);
        return 1;
    }
    const_iterator erase(const_iterator it) { return m_handles.erase(it); }
    void clear() { m_handles.clear(); }
    void merge_into(CHandleSet& other) const {
        for (std::uintptr_t h : m_handles) other.insert(h);
    }
    bool empty() const { return m_handles.empty(); }
    std::size_t size() const { return m_handles.size(); }
    const_iterator begin() const { return m_handles.begin(); }
    const_iterator end() const { return m_handles.end(); }

  private:
    std::vector<std::uintptr_t> m_handles;
};

// Posted messages a queue holds at most, apart from user input, which has a bound of its own.
constexpr std::size_t kMaxPostedMessages = 10000;
// Posted messages a loop takes in a row before the lower-priority work gets a turn (message_loop.h).
constexpr int kPostedBurst = 32;
// ... or for this long on the framework's clock, whichever comes first (slow handlers).
constexpr LONGLONG kPostedBurstUs = 20000;
// A RunUntil loop whose queue has not been empty for this long, with at least kStarvedIdleMessages taken
// meanwhile, gives its idle work a turn (message_loop.h).
constexpr LONGLONG kStarvedIdleUs = 50000;
constexpr int kStarvedIdleMessages = 4;

struct Queue {
    DWORD nThreadId = 0;
    std::deque<Posted> posted;
    std::size_t nInputPosted = 0;  // entries of posted that are user input
    int nPostedRun = 0;            // posted messages taken in a row since the last lower-priority turn
    // When the first of that run was taken (CClock).
    LONGLONG nPostedRunStartUs = 0;
    BOOL bQuit = FALSE;
    int nQuitCode = 0;
    CHandleSet invalid;  // handle values of invalid windows (creation order)
    // Invalid windows found hidden (themselves or an ancestor) by the paint search, set aside so that a
    // search costs what can be painted; they go back to invalid when any window's visibility may have
    // changed (State::nVisibilityEpoch).
    CHandleSet hiddenInvalid;
    std::uint64_t nHiddenEpoch = 0;
    // Paint passes under a paint period (State::nPaintPeriodUs): the clock time (µs) from which the next
    // pass may start, and whether a pass is under way (it paints every window invalid until it ends).
    LONGLONG nPaintDueUs = 0;
    bool bPaintPass = false;
    // The real time by which a waiting loop wakes to run its idle hooks again (max: none).
    std::chrono::steady_clock::time_point tIdleWake = std::chrono::steady_clock::time_point::max();
    std::vector<TimerRec> timers;
    std::uint64_t nWake = 0;  // bumped (under the lock) by anything a waiting loop must look at
    // The clock time (µs) before which the owner's take finds nothing: nothing posted, no quit, nothing
    // to paint, no paint pass, no run of posted messages counted, no abandoned loop, and no timer due
    // before then (INT64_MAX: no timer). 0 (look under the lock) whenever anything may have come: Wake
    // sets it, and every take under the lock works it out again. Stored under the lock; the owning thread
    // reads it without, so that an empty queue is looked at without the lock.
    std::atomic<LONGLONG> nQuietUntilUs{0};
    // The word the owning thread sleeps on (a futex): bumped with nWake. A waker makes the system call
    // only while nSleepers says the owner is asleep or about to be, so a post to a busy thread costs no
    // call; the sleeper wakes without the framework lock, so it never queues behind the waker's unlock.
    std::atomic<std::uint32_t> nWakeWord{0};
    std::atomic<int> nSleepers{0};
    std::map<UINT_PTR, std::function<void()>> idleHooks;
    std::function<bool()> pfnStall;
    DWORD nStallMs = 5000;
    int nDepth = 0;
    BOOL bAbandon = FALSE;
};

struct ClassRec {
    WNDCLASSA wc{};
    std::string strName;
    std::string strMenuName;
    BOOL bSystem = FALSE;
};

// The DefWindowProcA hooks: a list that only grows and is never freed, so that every message's default
// processing can walk it without the lock. Appended under the lock.
struct DefProcHookNode {
    AFX_DEFPROC_HOOK pfn = nullptr;
    std::atomic<DefProcHookNode*> pNext{nullptr};
};

struct State {
    // The framework lock: one atomic operation to take and to let go while no other thread waits.
    CFutexMutex mtx;
    // The live windows, owned here. Change it only through AddWindowLocked, RemoveWindowLocked and
    // ClearWindowsLocked, which keep byHandle in step.
    std::unordered_map<HWND, std::unique_ptr<WndRec>> wnds;
    // The same windows by handle number (NewHandle's count), for the first kDirectHandles handles made:
    // Find reads one slot of this array instead of the hash table's buckets and nodes. NULL: no window.
    static constexpr std::uintptr_t kFirstHandle = 0x1004;
    static constexpr std::size_t kDirectHandles = 1 << 16;
    std::vector<WndRec*> byHandle;
    // Find's last hit: the calls of one message mostly ask for the same window. Cleared (ForgetFound)
    // before a record leaves wnds.
    HWND hLastFound = nullptr;
    WndRec* pLastFound = nullptr;
    std::vector<HWND> topLevel;  // z-order, topmost band first
    std::uintptr_t nNextHandle = 0x1000;
    // Bumped whenever a window's WS_VISIBLE, style or parent changes: what was hidden may show now.
    std::uint64_t nVisibilityEpoch = 0;
    std::uint64_t nNextSeq = 1;
    // At most one paint pass per period on each thread (µs of the clock; 0: paint whenever idle).
    LONGLONG nPaintPeriodUs = 0;
    // Bumped whenever a child list or a child's id changes and whenever a record leaves wnds: a
    // remembered GetDlgItem answer holds while the epoch it was found in lasts.
    std::uint64_t nTreeEpoch = 1;
    struct DlgItemHit {
        HWND hDlg = nullptr;
        int nID = 0;
        HWND hItem = nullptr;
        std::uint64_t nEpoch = 0;  // 0: empty
    };
    static constexpr std::size_t kDlgItemHits = 32;  // a power of two
    DlgItemHit dlgItemHits[kDlgItemHits];
    std::unordered_map<DWORD, std::shared_ptr<Queue>> queues;
    std::map<std::string, ClassRec> classes;         // by lower-case name
    std::map<std::string, UINT> registeredMessages;  // by lower-case name
    UINT nNextRegisteredMessage = 0xC000;
    HWND hFocus = nullptr;
    HWND hCapture = nullptr;
    std::set<UINT_PTR> failTimers;
    BOOL bFailRegisterClass = FALSE;
    BOOL bFailInitCommonControls = FALSE;
    std::function<bool(const CREATESTRUCT&)> pfnFailCreate;
    std::set<UINT> failBitmaps;  // LoadBitmapA ids that fail
    BOOL bFailMemoryDc = FALSE;  // CreateCompatibleDC fails
    int nFailTabInsertAt = -1;   // TCM_INSERTITEMA at this index fails; -1 none
    std::vector<AFX_DESTROY_HOOK> destroyHooks;
    std::atomic<DefProcHookNode*> pFirstDefProcHook{nullptr};
    UINT_PTR nNextThreadTimer = 0x7F00;
};

// The one state, made on first use and never destroyed (windows may outlive static destruction order).
// Inline: it is reached on every look at a window.
inline State& S() {
    static State* const s = new State;
    return *s;
}

}  // namespace winstate

// The framework's side of CWnd's text memory (window.h).
struct CWndInternals {
    // The window's text was stored: what its wrappers remember of it is out of date.
    static void TextStored(CWnd& wnd);
    static void NoteTextStoredLocked(winstate::WndRec& r);
    // SetWindowTextA; when the text went to a plain static control whose temporary wrapper is pCaller,
    // *pnVersion is the wrapper's text version after the store.
    static BOOL SetText(HWND hWnd, LPCSTR lpString, CWnd* pCaller, std::uint64_t* pnVersion);
    // The same with lpString's length known (lpString not NULL).
    static BOOL SetText(HWND hWnd, LPCSTR lpString, std::size_t nLength, CWnd* pCaller,
                        std::uint64_t* pnVersion);
};

namespace winstate {

std::string Lower(const char* p);
HWND NewHandle(State& s);
WndRec* FindUncached(State& s, HWND h);
// Live windows only. The window found last is known without a look-up.
inline WndRec* Find(State& s, HWND h) {
    if (h != nullptr && h == s.hLastFound) return s.pLastFound;
    return FindUncached(s, h);
}
void AddWindowLocked(State& s, std::unique_ptr<WndRec> rec);  // under rec->hWnd
std::unique_ptr<WndRec> RemoveWindowLocked(State& s, HWND h);  // NULL: no such window
void ClearWindowsLocked(State& s);
void ForgetFound(State& s);                                  // before any record leaves s.wnds
Queue* QueueLocked(State& s, DWORD nThreadId);               // as QueueFor, without sharing ownership
std::shared_ptr<Queue> QueueFor(State& s, DWORD nThreadId);  // created on demand
// Under the lock: whatever a waiting loop of q must look at has changed.
void Wake(Queue& q);
void WakeAll(State& s);
// Sleeps the calling thread (the owner of q) until Wake(q) or the deadline (steady clock, in nanoseconds
// since its epoch; -1: none), with the lock released meanwhile and held again on return. A return does
// not mean that anything changed: the caller checks nWake.
void SleepOnQueue(std::unique_lock<CFutexMutex>& lock, Queue& q, std::int64_t nDeadlineNs);
// Posts simulated user input (user_actions.h, the menu choice): not refused by a queue full of posted
// messages, and served by a loop's lower-priority turn ahead of the posted messages before it.
BOOL PostInputMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// The window in the top-level window hTop that had the focus last, while it is still in hTop, shown and
// enabled; else NULL.
HWND LastFocusIn(HWND hTop);
// TRUE when the focus is hWnd or a window inside it.
BOOL FocusIsIn(HWND hWnd);
// Hands the activation on from the top-level window hGone, which is going away or being hidden with the
// focus in it: to its owner, or for a window without an owner to the first visible, enabled top-level
// window of the thread in the z-order (no tool window). An owner that cannot take it now
// (disabled under a modal box) gets it back when the box closes. Call before hGone goes.
HWND NextToActivate(HWND hGone);
BOOL IsVisibleLocked(State& s, const WndRec* r);
// TRUE when the window's text is psz (NULL counts as the empty text); FALSE for an unknown window.
// Whether hAncestor is hWnd or is reached from it going up GetParent (parents, then owners), in one look.
BOOL IsSelfOrAncestor(HWND hAncestor, HWND hWnd);
BOOL WindowTextIs(HWND hWnd, LPCSTR psz);
// Client area inset of a window (left, top, right, bottom border widths).
RECT NonClientInsets(const WndRec& r);
// The surface a context draws on, at its origin: the client area (bWindow FALSE) or the whole window.
// FALSE for a window that is gone. One look under the lock.
BOOL DrawingSurfaceOf(HWND hWnd, bool bWindow, RECT* prc);
// A static control's own text store: when psz (NULL: the empty text) differs from the window's text,
// stores it and invalidates the client area for erasing, all under one lock. FALSE for an unknown window.
// The text observer (text_observer.h) is told of the change; the Locked form only sets *pbChanged (when
// not NULL), and its caller tells the observer once the lock is released (NotifyTextChanged).
BOOL StoreNewTextAndInvalidate(HWND hWnd, LPCSTR psz);
BOOL StoreNewTextAndInvalidateLocked(State& s, WndRec* r, LPCSTR psz, bool* pbChanged = nullptr);
BOOL StoreNewTextAndInvalidateLocked(State& s, WndRec* r, std::string_view text, bool* pbChanged);
// Tells the text observer, when one is installed, that the window's text is now psz (NULL: empty).
void NotifyTextChanged(HWND hWnd, LPCSTR psz);
POINT ClientOriginOnScreen(State& s, const WndRec& r);
RECT ScreenRect(State& s, const WndRec& r);
void InvalidateLocked(State& s, WndRec* r, const RECT* prc, BOOL bErase);
LONGLONG NextTimerDueLocked(State& s, DWORD nThreadId);

// Runs f on the window's record under the lock; def (and ERROR_INVALID_WINDOW_HANDLE) for an unknown window.
template <class F>
auto WithRec(HWND h, F f, decltype(f(std::declval<WndRec&>())) def) -> decltype(def) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    WndRec* r = Find(s, h);
    if (!r) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return def;
    }
    return f(*r);
}

RECT ClientRectOf(const WndRec& r);  // the client area at its origin
POINT ClientSizeLParam(HWND h);      // the client size as WM_SIZE carries it
// The window's text cut to nMax - 1 characters and terminated (nMax > 0), copied under the lock; its
// length. An unknown window has the empty text.
size_t CopyTextOf(HWND hWnd, char* pBuffer, size_t nMax);
size_t TextLengthOf(HWND hWnd);
inline constexpr char kAfxWndClass[] = "AfxWnd";  // the framework's default window class
void EnsureAfxWndClass();                         // registers it on first use

// Messages go to the permanent CWnd (created or subclassed) or only to the procedure (attached).
struct Route {
    CWnd* pWnd = nullptr;
    WNDPROC pfn = nullptr;
    BOOL bAlive = FALSE;
};
Route RouteLocked(WndRec* w);
LRESULT CallRoute(const Route& r, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Calls the window's procedure (its CWnd's WindowProc when it has one) on the calling thread.
LRESULT CallWindow(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Creates a window; pWnd (may be NULL) becomes its permanent object before the first message.
HWND CreateWindowInternal(CREATESTRUCT cs, CWnd* pWnd);
// Drops every window without messages (simulation reset).
void DropAllWindows();

}  // namespace winstate

// Implemented by the clock: real-clock time hooks of a thread that are due (run by its message loop).
namespace clockstate {
LONGLONG NextRealHookDue(DWORD nThreadId);  // -1 when none
void RunDueRealHooks(DWORD nThreadId);
}  // namespace clockstate

namespace kernelstate {
DWORD LastThreadIdIssued();  // every id up to this one belongs to a thread that has asked for its id
void Reset();                // key states, beeps and system texts
}  // namespace kernelstate

namespace loopstate {
void ResetThreadTasks();  // drops the posted thread tasks never run (their queues are gone)
}  // namespace loopstate

namespace menustate {
void Reset();  // destroys every menu
}  // namespace menustate

// Implemented by the application layer: a window went away (the thread's main window pointer is cleared).
void AfxWindowGone(CWnd* pWnd);
void AfxResetThreads();  // simulation reset: no thread has a main window any more, thread starts succeed
// TRUE on a thread that the framework started (AfxBeginThread, CWinThread::CreateThread). Such a thread has
// a message queue from its start, yet for the clock it is a worker.
bool AfxIsFrameworkWorkerThread();
void AfxFailCreateThread(bool bFail);  // CWinSimulationTesting::FailCreateThread
