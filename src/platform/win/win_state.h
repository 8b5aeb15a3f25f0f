// Internal to the window framework: the shared state behind windows, queues and timers. One mutex guards
// it; no user code (window procedures, hooks, handlers) runs while it is held.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win/window.h"

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
    int nMenuDraws = 0;
    std::unique_ptr<CWndExtra> pExtra;
};

struct Posted {
    MSG msg{};
    std::uint64_t nSeq = 0;
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
    bool empty() const { return m_handles.empty(); }
    std::size_t size() const { return m_handles.size(); }
    const_iterator begin() const { return m_handles.begin(); }
    const_iterator end() const { return m_handles.end(); }

  private:
    std::vector<std::uintptr_t> m_handles;
};

struct Queue {
    DWORD nThreadId = 0;
    std::deque<Posted> posted;
    BOOL bQuit = FALSE;
    int nQuitCode = 0;
    CHandleSet invalid;  // handle values of invalid windows (creation order)
    std::vector<TimerRec> timers;
    std::condition_variable cv;
    std::uint64_t nWake = 0;  // bumped by anything a waiting loop must look at
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
    std::mutex mtx;
    std::unordered_map<HWND, std::unique_ptr<WndRec>> wnds;
    // Find's last hit: the calls of one message mostly ask for the same window. Cleared (ForgetFound)
    // before a record leaves wnds.
    HWND hLastFound = nullptr;
    WndRec* pLastFound = nullptr;
    std::vector<HWND> topLevel;  // z-order, topmost band first
    std::uintptr_t nNextHandle = 0x1000;
    std::uint64_t nNextSeq = 1;
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
    std::vector<AFX_DESTROY_HOOK> destroyHooks;
    std::atomic<DefProcHookNode*> pFirstDefProcHook{nullptr};
    UINT_PTR nNextThreadTimer = 0x7F00;
};

State& S();

std::string Lower(const char* p);
HWND NewHandle(State& s);
WndRec* Find(State& s, HWND h);                              // live windows only
void ForgetFound(State& s);                                  // before any record leaves s.wnds
Queue* QueueLocked(State& s, DWORD nThreadId);               // as QueueFor, without sharing ownership
std::shared_ptr<Queue> QueueFor(State& s, DWORD nThreadId);  // created on demand
void Wake(Queue& q);
void WakeAll(State& s);
BOOL IsVisibleLocked(State& s, const WndRec* r);
// Client area inset of a window (left, top, right, bottom border widths).
RECT NonClientInsets(const WndRec& r);
POINT ClientOriginOnScreen(State& s, const WndRec& r);
RECT ScreenRect(State& s, const WndRec& r);
void InvalidateLocked(State& s, WndRec* r, const RECT* prc, BOOL bErase);
LONGLONG NextTimerDueLocked(State& s, DWORD nThreadId);

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
void ResetHooks();
}  // namespace clockstate

namespace kernelstate {
DWORD LastThreadIdIssued();  // every id up to this one belongs to a thread that has asked for its id
void Reset();                // key states, beeps and system texts
}  // namespace kernelstate

namespace menustate {
void Reset();  // destroys every menu
}  // namespace menustate

// Implemented by the application layer: a window went away (the thread's main window pointer is cleared).
void AfxWindowGone(CWnd* pWnd);
void AfxResetThreads();  // simulation reset: no thread has a main window any more, thread starts succeed
// TRUE on a thread that the framework started (AfxBeginThread, CWinThread::CreateThread). Such a thread has
// a message queue from its start, yet for the clock it is a worker.
bool AfxIsFrameworkWorkerThread();
void AfxFailCreateThread(bool bFail);  // CWinSimulation::FailCreateThread
