// The shared state of windows and queues: the registry, how a thread sleeps on its queue and is woken,
// and the geometry and invalidation helpers that run under the lock.
#include "platform/win/win_state.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>

#include "platform/win/geometry_internal.h"
#include "platform/win/text_observer.h"
#include "platform/win/text_observer_internal.h"

namespace winstate {

std::string Lower(const char* p) {
    std::string r(p ? p : "");
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

HWND NewHandle(State& s) {
    s.nNextHandle += 4;
    return reinterpret_cast<HWND>(s.nNextHandle);
}

namespace {

// The slot of h in State::byHandle, or kDirectHandles when h has none (not made by NewHandle, or made
// after the first kDirectHandles).
std::size_t DirectIndex(HWND h) {
    const auto n = reinterpret_cast<std::uintptr_t>(h);
    if (n < State::kFirstHandle || (n - State::kFirstHandle) % 4 != 0) return State::kDirectHandles;
    const std::uintptr_t i = (n - State::kFirstHandle) / 4;
    return i < State::kDirectHandles ? static_cast<std::size_t>(i) : State::kDirectHandles;
}

}  // namespace

WndRec* FindUncached(State& s, HWND h) {
    WndRec* r = nullptr;
    const std::size_t i = DirectIndex(h);
    if (i < State::kDirectHandles) {
        if (i >= s.byHandle.size()) return nullptr;
        r = s.byHandle[i];
    } else {
        auto it = s.wnds.find(h);
        if (it != s.wnds.end()) r = it->second.get();
    }
    if (r == nullptr) return nullptr;
    s.hLastFound = h;
    s.pLastFound = r;
    return r;
}

void AddWindowLocked(State& s, std::unique_ptr<WndRec> rec) {
    const HWND h = rec->hWnd;
    const std::size_t i = DirectIndex(h);
    if (i < State::kDirectHandles) {
        if (i >= s.byHandle.size())
            s.byHandle.resize(std::min(State::kDirectHandles, std::max(i + 1, 2 * s.byHandle.size())),
                              nullptr);
        s.byHandle[i] = rec.get();
    }
    s.wnds.emplace(h, std::move(rec));
}

std::unique_ptr<WndRec> RemoveWindowLocked(State& s, HWND h) {
    auto it = s.wnds.find(h);
    if (it == s.wnds.end()) return nullptr;
    ForgetFound(s);
    std::unique_ptr<WndRec> rec = std::move(it->second);
    s.wnds.erase(it);
    const std::size_t i = DirectIndex(h);
    if (i < s.byHandle.size()) s.byHandle[i] = nullptr;
    return rec;
}

void ClearWindowsLocked(State& s) {
    ForgetFound(s);
    s.wnds.clear();
    s.byHandle.clear();
}

void ForgetFound(State& s) {
    s.hLastFound = nullptr;
    s.pLastFound = nullptr;
    ++s.nTreeEpoch;
}

Queue* QueueLocked(State& s, DWORD nThreadId) {
    auto& q = s.queues[nThreadId];
    if (!q) {
        q = std::make_shared<Queue>();
        q->nThreadId = nThreadId;
    }
    return q.get();
}

std::shared_ptr<Queue> QueueFor(State& s, DWORD nThreadId) {
    QueueLocked(s, nThreadId);
    return s.queues[nThreadId];
}

void Wake(Queue& q) {
    ++q.nWake;
    q.nQuietUntilUs.store(0, std::memory_order_release);
    q.nWakeWord.fetch_add(1, std::memory_order_seq_cst);
    if (q.nSleepers.load(std::memory_order_seq_cst) > 0)
        syscall(SYS_futex, AfxFutexWord(q.nWakeWord), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

void SleepOnQueue(std::unique_lock<CFutexMutex>& lock, Queue& q, std::int64_t nDeadlineNs) {
    // Seen under the lock, as every Wake bumps it under the lock: a wake after this point changes the
    // word before the futex call looks at it, and the call then returns at once.
    q.nSleepers.fetch_add(1, std::memory_order_seq_cst);
    const std::uint32_t nWord = q.nWakeWord.load(std::memory_order_seq_cst);
    lock.unlock();
    timespec ts{};
    const timespec* pTimeout = nullptr;
    if (nDeadlineNs >= 0) {
        const std::int64_t nNow = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                      std::chrono::steady_clock::now().time_since_epoch())
                                      .count();
        const std::int64_t nLeft = std::max<std::int64_t>(0, nDeadlineNs - nNow);
        ts.tv_sec = static_cast<time_t>(nLeft / 1000000000);
        ts.tv_nsec = static_cast<long>(nLeft % 1000000000);
        pTimeout = &ts;
    }
    if (pTimeout == nullptr || ts.tv_sec > 0 || ts.tv_nsec > 0)
        syscall(SYS_futex, AfxFutexWord(q.nWakeWord), FUTEX_WAIT_PRIVATE, nWord, pTimeout, nullptr, 0);
    q.nSleepers.fetch_sub(1, std::memory_order_seq_cst);
    lock.lock();
}

void WakeAll(State& s) {
    for (auto& [id, q] : s.queues) Wake(*q);
}

BOOL IsVisibleLocked(State& s, const WndRec* r) {
    while (r != nullptr) {
        if (!(r->dwStyle & WS_VISIBLE)) return FALSE;
        if (!(r->dwStyle & WS_CHILD)) return TRUE;
        r = Find(s, r->hParent);
    }
    return FALSE;
}

BOOL IsSelfOrAncestor(HWND hAncestor, HWND hWnd) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    for (HWND h = hWnd; h != nullptr;) {
        if (h == hAncestor) return TRUE;
        const WndRec* r = Find(s, h);
        if (r == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);  // as GetParent leaves it
            return FALSE;
        }
        h = (r->dwStyle & WS_CHILD) ? r->hParent : r->hOwner;
    }
    return FALSE;
}

BOOL WindowTextIs(HWND hWnd, LPCSTR psz) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    const WndRec* r = Find(s, hWnd);
    return r != nullptr && r->strText == (psz != nullptr ? psz : "");
}

RECT NonClientInsets(const WndRec& r) {
    const bool bFrame = (r.dwStyle & (WS_THICKFRAME | WS_DLGFRAME)) || (r.dwExStyle & WS_EX_DLGMODALFRAME);
    int n = bFrame ? kFrameWidth : ((r.dwStyle & WS_BORDER) ? kBorderWidth : 0);
    if (r.dwExStyle & WS_EX_CLIENTEDGE) n += kClientEdgeWidth;
    if (r.dwExStyle & WS_EX_STATICEDGE) n += 1;
    RECT in{n, n, n, n};
    if ((r.dwStyle & WS_CAPTION) == WS_CAPTION)
        in.top += (r.dwExStyle & WS_EX_TOOLWINDOW) ? kToolCaptionHeight : kCaptionHeight;
    if (!(r.dwStyle & WS_CHILD) && r.hMenu != nullptr) in.top += kMenuBarHeight;
    return in;
}

RECT ScreenRect(State& s, const WndRec& r) {
    RECT rc = r.rc;
    if (r.dwStyle & WS_CHILD) {
        if (const WndRec* p = Find(s, r.hParent)) {
            POINT o = ClientOriginOnScreen(s, *p);
            OffsetRect(&rc, o.x, o.y);
        }
    }
    return rc;
}

POINT ClientOriginOnScreen(State& s, const WndRec& r) {
    RECT rc = ScreenRect(s, r);
    RECT in = NonClientInsets(r);
    return POINT{rc.left + in.left, rc.top + in.top};
}

RECT ClientRectOf(const WndRec& r) {
    RECT in = NonClientInsets(r);
    return RECT{0, 0, std::max(0, r.rc.right - r.rc.left - in.left - in.right),
                std::max(0, r.rc.bottom - r.rc.top - in.top - in.bottom)};
}

void InvalidateLocked(State& s, WndRec* r, const RECT* prc, BOOL bErase) {
    RECT client = ClientRectOf(*r);
    RECT area = client;
    if (prc != nullptr) IntersectRect(&area, prc, &client);
    if (!IsRectEmpty(&area)) {
        // An invalid window is already in its queue's invalid set (every path that takes it out also
        // clears bInvalid); the queue is woken all the same.
        const BOOL bWasInvalid = r->bInvalid;
        UnionRect(&r->rcInvalid, &r->rcInvalid, &area);
        r->bInvalid = TRUE;
        r->bEraseInvalid = r->bEraseInvalid || bErase;
        Queue* q = r->pQueue ? r->pQueue.get() : QueueLocked(s, r->nThreadId);
        if (!bWasInvalid) q->invalid.insert(reinterpret_cast<std::uintptr_t>(r->hWnd));
        Wake(*q);
    }
    if (r->dwStyle & WS_CLIPCHILDREN) return;
    for (HWND hc : r->children) {
        WndRec* c = Find(s, hc);
        RECT overlap;
        if (c && IntersectRect(&overlap, &c->rc, &area)) InvalidateLocked(s, c, nullptr, bErase);
    }
}

BOOL DrawingSurfaceOf(HWND hWnd, bool bWindow, RECT* prc) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    const WndRec* r = Find(s, hWnd);
    if (r == nullptr) return FALSE;
    *prc = bWindow ? RECT{0, 0, r->rc.right - r->rc.left, r->rc.bottom - r->rc.top} : ClientRectOf(*r);
    return TRUE;
}

BOOL StoreNewTextAndInvalidateLocked(State& s, WndRec* r, LPCSTR psz, bool* pbChanged) {
    return StoreNewTextAndInvalidateLocked(s, r, std::string_view(psz != nullptr ? psz : ""), pbChanged);
}

BOOL StoreNewTextAndInvalidateLocked(State& s, WndRec* r, std::string_view text, bool* pbChanged) {
    if (r->strText == text) return TRUE;
    r->strText = text;
    CWndInternals::NoteTextStoredLocked(*r);
    InvalidateLocked(s, r, nullptr, TRUE);
    if (pbChanged != nullptr) *pbChanged = true;
    return TRUE;
}

BOOL StoreNewTextAndInvalidate(HWND hWnd, LPCSTR psz) {
    State& s = S();
    bool bChanged = false;
    {
        std::lock_guard<CFutexMutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (r == nullptr) return FALSE;
        StoreNewTextAndInvalidateLocked(s, r, psz, &bChanged);
    }
    if (bChanged) NotifyTextChanged(hWnd, psz);
    return TRUE;
}

void NotifyTextChanged(HWND hWnd, LPCSTR psz) {
    if (CTextObserver* pObserver = AfxGetTextObserver())
        pObserver->OnWindowTextChanged(hWnd, psz != nullptr ? psz : "");
}

POINT ClientSizeLParam(HWND h) {
    RECT rc{};
    GetClientRect(h, &rc);
    return POINT{rc.right, rc.bottom};
}

// The window's text cut to nMax - 1 characters and terminated (nMax > 0), copied under the lock; its
// length. An unknown window has the empty text.
size_t CopyTextOf(HWND hWnd, char* pBuffer, size_t nMax) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    const WndRec* r = Find(s, hWnd);
    const size_t n = r != nullptr ? std::min(r->strText.size(), nMax - 1) : 0;
    if (n > 0) std::memcpy(pBuffer, r->strText.data(), n);
    pBuffer[n] = '\0';
    return n;
}

size_t TextLengthOf(HWND hWnd) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    const WndRec* r = Find(s, hWnd);
    return r != nullptr ? r->strText.size() : 0;
}

}  // namespace winstate
