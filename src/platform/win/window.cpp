#include "platform/win/window.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

#include "platform/win/app.h"
#include "platform/win/clock.h"
#include "platform/win/kernel.h"
#include "platform/win/menu.h"
#include "platform/win/message_loop.h"
#include "platform/win/user_agent.h"
#include "platform/win/win_state.h"

namespace winstate {

State& S() {
    static State* s = new State;  // never destroyed: windows may outlive static destruction order
    return *s;
}

std::string Lower(const char* p) {
    std::string r(p ? p : "");
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

HWND NewHandle(State& s) {
    s.nNextHandle += 4;
    return reinterpret_cast<HWND>(s.nNextHandle);
}

WndRec* Find(State& s, HWND h) {
    if (h != nullptr && h == s.hLastFound) return s.pLastFound;
    auto it = s.wnds.find(h);
    if (it == s.wnds.end()) return nullptr;
    s.hLastFound = h;
    s.pLastFound = it->second.get();
    return s.pLastFound;
}

void ForgetFound(State& s) {
    s.hLastFound = nullptr;
    s.pLastFound = nullptr;
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

namespace {

std::uint32_t* FutexWord(std::atomic<std::uint32_t>& a) {
    static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
                  std::atomic<std::uint32_t>::is_always_lock_free);
    return reinterpret_cast<std::uint32_t*>(&a);
}

}  // namespace

void Wake(Queue& q) {
    ++q.nWake;
    q.nWakeWord.fetch_add(1, std::memory_order_seq_cst);
    if (q.nSleepers.load(std::memory_order_seq_cst) > 0)
        syscall(SYS_futex, FutexWord(q.nWakeWord), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

void SleepOnQueue(std::unique_lock<std::mutex>& lock, Queue& q, std::int64_t nDeadlineNs) {
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
        syscall(SYS_futex, FutexWord(q.nWakeWord), FUTEX_WAIT_PRIVATE, nWord, pTimeout, nullptr, 0);
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

BOOL WindowTextIs(HWND hWnd, LPCSTR psz) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
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

static RECT ClientRectOf(const WndRec& r) {
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
    std::lock_guard<std::mutex> lock(s.mtx);
    const WndRec* r = Find(s, hWnd);
    if (r == nullptr) return FALSE;
    *prc = bWindow ? RECT{0, 0, r->rc.right - r->rc.left, r->rc.bottom - r->rc.top} : ClientRectOf(*r);
    return TRUE;
}

BOOL StoreNewTextAndInvalidate(HWND hWnd, LPCSTR psz) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (r == nullptr) return FALSE;
    const char* pszText = psz != nullptr ? psz : "";
    if (r->strText == pszText) return TRUE;
    r->strText = pszText;
    InvalidateLocked(s, r, nullptr, TRUE);
    return TRUE;
}

// ---- The current message of each thread (for CWnd::Default) ----
thread_local std::vector<MSG> t_current;

struct CurrentMessage {
    CurrentMessage(HWND h, UINT m, WPARAM w, LPARAM l) { t_current.push_back(MSG{h, m, w, l, 0, {0, 0}}); }
    ~CurrentMessage() { t_current.pop_back(); }
    CurrentMessage(const CurrentMessage&) = delete;
    CurrentMessage& operator=(const CurrentMessage&) = delete;
};

struct Route {
    CWnd* pWnd = nullptr;
    WNDPROC pfn = nullptr;
    BOOL bAlive = FALSE;
};

}  // namespace winstate

using namespace winstate;

// Messages go to the permanent CWnd (created or subclassed) or only to the procedure (attached).
namespace {

Route RouteLocked(WndRec* w) {
    Route r;
    if (w != nullptr) {
        r.bAlive = TRUE;
        r.pfn = w->pfnWndProc;
        if (!w->bAttachedOnly) r.pWnd = w->pPermanent;
    }
    return r;
}

Route RouteOf(HWND h) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    return RouteLocked(Find(s, h));
}

LRESULT CallRoute(const Route& r, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!r.bAlive) return 0;
    CurrentMessage cur(hWnd, message, wParam, lParam);
    if (r.pWnd != nullptr) return r.pWnd->WindowProc(message, wParam, lParam);
    return r.pfn ? r.pfn(hWnd, message, wParam, lParam) : DefWindowProcA(hWnd, message, wParam, lParam);
}

}  // namespace

namespace winstate {

LRESULT CallWindow(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallRoute(RouteOf(hWnd), hWnd, message, wParam, lParam);
}

}  // namespace winstate

// ---- Window classes ----
namespace {

ATOM RegisterClassImpl(const WNDCLASSA* wc, BOOL bSystem) {
    if (wc == nullptr || wc->lpszClassName == nullptr || *wc->lpszClassName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    if (s.bFailRegisterClass && !bSystem) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    std::string key = Lower(wc->lpszClassName);
    if (s.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    ClassRec& c = s.classes[key];
    c.wc = *wc;
    c.strName = wc->lpszClassName;
    c.strMenuName = (wc->lpszMenuName && !IS_INTRESOURCE(wc->lpszMenuName)) ? wc->lpszMenuName : "";
    c.wc.lpszClassName = c.strName.c_str();
    if (!c.strMenuName.empty()) c.wc.lpszMenuName = c.strMenuName.c_str();
    if (c.wc.lpfnWndProc == nullptr) c.wc.lpfnWndProc = &DefWindowProcA;
    c.bSystem = bSystem;
    return static_cast<ATOM>(0xC000 + s.classes.size());
}

const char kAfxWndClass[] = "AfxWnd";

void EnsureAfxWndClass() {
    static const bool done = [] {
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &DefWindowProcA;
        wc.lpszClassName = kAfxWndClass;
        AfxRegisterSystemClass(&wc);
        return true;
    }();
    (void)done;
}

}  // namespace

ATOM RegisterClassA(const WNDCLASSA* lpWndClass) {
    return RegisterClassImpl(lpWndClass, FALSE);
}
ATOM AfxRegisterSystemClass(const WNDCLASSA* lpWndClass) {
    return RegisterClassImpl(lpWndClass, TRUE);
}

BOOL UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    std::string key = Lower(lpClassName);
    for (auto& [h, r] : s.wnds) {
        if (Lower(r->strClass.c_str()) == key) return FALSE;
    }
    return s.classes.erase(key) ? TRUE : FALSE;
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR lpClassName, WNDCLASSA* lpWndClass) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    auto it = s.classes.find(Lower(lpClassName));
    if (it == s.classes.end()) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (lpWndClass) *lpWndClass = it->second.wc;
    return TRUE;
}

LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
    char name[96];
    std::snprintf(name, sizeof name, "Afx:%x:%lx:%lx:%lx", nClassStyle,
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(hCursor)),
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(hbrBackground)),
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(hIcon)));
    State& s = S();
    {
        std::lock_guard<std::mutex> lock(s.mtx);
        if (s.bFailRegisterClass) return nullptr;
        auto it = s.classes.find(Lower(name));
        if (it != s.classes.end()) return it->second.strName.c_str();
    }
    WNDCLASSA wc{};
    wc.style = nClassStyle;
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hIcon = hIcon;
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.lpszClassName = name;
    if (!RegisterClassImpl(&wc, FALSE) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    std::lock_guard<std::mutex> lock(s.mtx);
    auto it = s.classes.find(Lower(name));
    return it == s.classes.end() ? nullptr : it->second.strName.c_str();
}

BOOL AfxRegisterClass(WNDCLASSA* lpWndClass) {
    if (RegisterClassA(lpWndClass)) return TRUE;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS &&
           GetClassInfoA(nullptr, lpWndClass->lpszClassName, nullptr);
}

LONG_PTR GetClassLongPtrA(HWND hWnd, int nIndex) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r) return 0;
    auto it = s.classes.find(Lower(r->strClass.c_str()));
    if (it == s.classes.end()) return 0;
    const WNDCLASSA& wc = it->second.wc;
    switch (nIndex) {
        case GCLP_HBRBACKGROUND:
            return reinterpret_cast<LONG_PTR>(wc.hbrBackground);
        case GCLP_HCURSOR:
            return reinterpret_cast<LONG_PTR>(wc.hCursor);
        case GCLP_HICON:
            return reinterpret_cast<LONG_PTR>(wc.hIcon);
        case GCL_STYLE:
            return static_cast<LONG_PTR>(wc.style);
        default:
            return 0;
    }
}

// ---- Creation and destruction ----
namespace winstate {

HWND CreateWindowInternal(CREATESTRUCT cs, CWnd* pWnd) {
    if (cs.lpszClass == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    std::function<bool(const CREATESTRUCT&)> pfnFail;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        pfnFail = s.pfnFailCreate;
    }
    if (pfnFail && pfnFail(cs)) {
        SetLastError(ERROR_OUTOFMEMORY);
        return nullptr;
    }
    const DWORD dwStyle = static_cast<DWORD>(cs.style);
    const DWORD nThread = GetCurrentThreadId();
    HWND h = nullptr;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        auto cls = s.classes.find(Lower(cs.lpszClass));
        if (cls == s.classes.end()) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        WndRec* parent = Find(s, cs.hwndParent);
        if ((dwStyle & WS_CHILD) && (parent == nullptr || parent->bDestroying)) {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
        auto rec = std::make_unique<WndRec>();
        h = NewHandle(s);
        rec->hWnd = h;
        rec->nThreadId = nThread;
        rec->strClass = cls->second.strName;
        rec->pfnWndProc = cls->second.wc.lpfnWndProc;
        rec->dwStyle = dwStyle & ~WS_VISIBLE;
        rec->dwExStyle = cs.dwExStyle;
        rec->strText = cs.lpszName ? cs.lpszName : "";
        rec->hInstance = cs.hInstance;
        int x = cs.x, y = cs.y, cx = cs.cx, cy = cs.cy;
        if (x == CW_USEDEFAULT) x = y = 100;
        if (cx == CW_USEDEFAULT) {
            bool overlapped = !(dwStyle & (WS_CHILD | WS_POPUP));
            cx = overlapped ? 640 : 0;
            cy = overlapped ? 480 : 0;
        }
        rec->rc = RECT{x, y, x + std::max(0, cx), y + std::max(0, cy)};
        if (dwStyle & WS_CHILD) {
            rec->hParent = cs.hwndParent;
            rec->nID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(cs.hMenu));
            parent->children.push_back(h);
        } else {
            HWND owner = cs.hwndParent;
            for (WndRec* o = parent; o && (o->dwStyle & WS_CHILD); o = Find(s, o->hParent))
                owner = o->hParent;
            rec->hOwner = Find(s, owner) ? owner : nullptr;
            if (IsMenu(cs.hMenu)) rec->hMenu = cs.hMenu;
            auto pos = s.topLevel.begin();
            if (!(cs.dwExStyle & WS_EX_TOPMOST)) {
                pos = std::find_if(s.topLevel.begin(), s.topLevel.end(), [&](HWND t) {
                    WndRec* tr = Find(s, t);
                    return !tr || !(tr->dwExStyle & WS_EX_TOPMOST);
                });
            }
            s.topLevel.insert(pos, h);
        }
        rec->pPermanent = pWnd;
        if (pWnd) pWnd->m_hWnd = h;
        rec->pQueue = QueueFor(s, nThread);
        s.wnds.emplace(h, std::move(rec));
    }
    if (pWnd) pWnd->PreSubclassWindow();
    cs.style = static_cast<LONG>(dwStyle);
    if (!CallWindow(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        DestroyWindow(h);
        SetLastError(ERROR_OUTOFMEMORY);
        return nullptr;
    }
    if (CallWindow(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(h);
        SetLastError(ERROR_OUTOFMEMORY);
        return nullptr;
    }
    if (!IsWindow(h)) return nullptr;
    RECT rcClient;
    GetClientRect(h, &rcClient);
    CallWindow(h, WM_SIZE, SIZE_RESTORED,
               MAKELPARAM(static_cast<WORD>(rcClient.right), static_cast<WORD>(rcClient.bottom)));
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    if (dwStyle & WS_CHILD) ScreenToClient(GetParent(h), &origin);
    CallWindow(h, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y)));
    if (dwStyle & WS_MINIMIZE) {
        ShowWindow(h, SW_SHOWMINIMIZED);
    } else if (dwStyle & WS_VISIBLE) {
        ShowWindow(h, SW_SHOW);
    }
    return IsWindow(h) ? h : nullptr;
}

}  // namespace winstate

namespace {

void DestroyTree(HWND h) {
    CallWindow(h, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, h);
        if (!r) return;
        children = r->children;
        for (HWND c : children) {
            if (WndRec* cr = Find(s, c)) cr->bDestroying = TRUE;
        }
    }
    for (HWND c : children) DestroyTree(c);
    CallWindow(h, WM_NCDESTROY, 0, 0);

    std::unique_ptr<WndRec> rec;
    std::vector<AFX_DESTROY_HOOK> hooks;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        auto it = s.wnds.find(h);
        if (it == s.wnds.end()) return;
        ForgetFound(s);
        rec = std::move(it->second);
        s.wnds.erase(it);
        if (WndRec* p = Find(s, rec->hParent))
            p->children.erase(std::remove(p->children.begin(), p->children.end(), h), p->children.end());
        s.topLevel.erase(std::remove(s.topLevel.begin(), s.topLevel.end(), h), s.topLevel.end());
        for (auto& [tid, q] : s.queues) {
            q->invalid.erase(reinterpret_cast<std::uintptr_t>(h));
            q->timers.erase(std::remove_if(q->timers.begin(), q->timers.end(),
                                           [&](const TimerRec& t) { return t.hWnd == h; }),
                            q->timers.end());
        }
        if (s.hFocus == h) s.hFocus = nullptr;
        if (s.hCapture == h) s.hCapture = nullptr;
        for (auto& [oh, o] : s.wnds) {
            if (o->hOwner == h) o->hOwner = nullptr;
        }
        hooks = s.destroyHooks;
        if (rec->pPermanent && rec->pPermanent->m_hWnd == h) rec->pPermanent->m_hWnd = nullptr;
        if (rec->pTemp) rec->pTemp->m_hWnd = nullptr;
    }
    if (rec->hMenu) DestroyMenu(rec->hMenu);
    if (rec->hSysMenu) DestroyMenu(rec->hSysMenu);
    CWnd* pWnd = rec->pPermanent;
    rec.reset();
    if (pWnd) {
        AfxWindowGone(pWnd);
        pWnd->PostNcDestroy();
    }
    for (AFX_DESTROY_HOOK hook : hooks) hook(h);
}

}  // namespace

BOOL DestroyWindow(HWND hWnd) {
    std::vector<HWND> owned;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r || r->bDestroying) {
            if (!r) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        r->bDestroying = TRUE;
        for (HWND t : s.topLevel) {
            WndRec* tr = Find(s, t);
            if (tr && tr->hOwner == hWnd) owned.push_back(t);
        }
        if (r->dwStyle & WS_VISIBLE) {
            r->dwStyle &= ~WS_VISIBLE;
            ++s.nVisibilityEpoch;
            if (WndRec* p = Find(s, r->hParent)) InvalidateLocked(s, p, &r->rc, TRUE);
        }
    }
    for (HWND o : owned) DestroyWindow(o);
    DestroyTree(hWnd);
    return TRUE;
}

namespace winstate {

void DropAllWindows() {
    std::vector<std::unique_ptr<WndRec>> recs;
    std::vector<AFX_DESTROY_HOOK> hooks;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        for (auto& [h, r] : s.wnds) {
            if (r->pPermanent && r->pPermanent->m_hWnd == h) r->pPermanent->m_hWnd = nullptr;
            if (r->pTemp) r->pTemp->m_hWnd = nullptr;
            recs.push_back(std::move(r));
        }
        ForgetFound(s);
        s.wnds.clear();
        s.topLevel.clear();
        for (auto& [tid, q] : s.queues) {
            q->posted.clear();
            q->nInputPosted = 0;
            q->nPostedRun = 0;
            q->invalid.clear();
            q->hiddenInvalid.clear();
            q->timers.clear();
            q->bQuit = FALSE;
            q->idleHooks.clear();
            q->pfnStall = nullptr;
            q->bAbandon = FALSE;
            Wake(*q);
        }
        s.hFocus = nullptr;
        s.hCapture = nullptr;
        s.failTimers.clear();
        s.bFailRegisterClass = FALSE;
        s.bFailInitCommonControls = FALSE;
        s.pfnFailCreate = nullptr;
        s.failBitmaps.clear();
        s.bFailMemoryDc = FALSE;
        s.nFailTabInsertAt = -1;
        for (auto it = s.classes.begin(); it != s.classes.end();) {
            it = it->second.bSystem ? std::next(it) : s.classes.erase(it);
        }
        hooks = s.destroyHooks;
    }
    for (auto& r : recs) {
        for (AFX_DESTROY_HOOK hook : hooks) hook(r->hWnd);
    }
    recs.clear();
}

}  // namespace winstate

HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                     LPVOID lpParam) {
    CREATESTRUCT cs{
        lpParam,      hInstance,   hMenu,    hWndParent, nHeight, nWidth, Y, X, static_cast<LONG>(dwStyle),
        lpWindowName, lpClassName, dwExStyle};
    return CreateWindowInternal(cs, nullptr);
}

// ---- Plain-handle functions ----
BOOL IsWindow(HWND hWnd) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    return Find(s, hWnd) != nullptr;
}

BOOL IsWindowVisible(HWND hWnd) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    return IsVisibleLocked(s, Find(s, hWnd));
}

namespace {

template <class F>
auto WithRec(HWND h, F f, decltype(f(std::declval<WndRec&>())) def) -> decltype(def) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, h);
    if (!r) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return def;
    }
    return f(*r);
}

POINT ClientSizeLParam(HWND h) {
    RECT rc{};
    GetClientRect(h, &rc);
    return POINT{rc.right, rc.bottom};
}

}  // namespace

BOOL IsWindowEnabled(HWND hWnd) {
    return WithRec(
        hWnd, [](WndRec& r) -> BOOL { return !(r.dwStyle & WS_DISABLED); }, FALSE);
}
DWORD GetWindowThreadProcessId(HWND hWnd, DWORD* lpdwProcessId) {
    if (lpdwProcessId != nullptr) *lpdwProcessId = 1;
    return WithRec(
        hWnd, [](WndRec& r) -> DWORD { return r.nThreadId; }, DWORD{0});
}
BOOL IsIconic(HWND hWnd) {
    return WithRec(
        hWnd, [](WndRec& r) -> BOOL { return (r.dwStyle & WS_MINIMIZE) != 0; }, FALSE);
}
BOOL IsZoomed(HWND hWnd) {
    return WithRec(
        hWnd, [](WndRec& r) -> BOOL { return (r.dwStyle & WS_MAXIMIZE) != 0; }, FALSE);
}

BOOL IsChild(HWND hWndParent, HWND hWnd) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    for (WndRec* r = Find(s, hWnd); r && (r->dwStyle & WS_CHILD); r = Find(s, r->hParent)) {
        if (r->hParent == hWndParent) return TRUE;
    }
    return FALSE;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    BOOL bWasVisible = FALSE;
    BOOL bShowChange = FALSE;
    int nSizeType = -1;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r) return FALSE;
        bWasVisible = (r->dwStyle & WS_VISIBLE) != 0;
        DWORD before = r->dwStyle;
        switch (nCmdShow) {
            case SW_HIDE:
                r->dwStyle &= ~WS_VISIBLE;
                break;
            case SW_SHOWMINIMIZED:
            case SW_MINIMIZE:
            case SW_SHOWMINNOACTIVE:
                r->dwStyle = (r->dwStyle | WS_MINIMIZE | WS_VISIBLE) & ~WS_MAXIMIZE;
                break;
            case SW_SHOWMAXIMIZED:
                r->dwStyle = (r->dwStyle | WS_MAXIMIZE | WS_VISIBLE) & ~WS_MINIMIZE;
                break;
            case SW_SHOWNORMAL:
            case SW_RESTORE:
            case SW_SHOWDEFAULT:
                r->dwStyle = (r->dwStyle | WS_VISIBLE) & ~(WS_MINIMIZE | WS_MAXIMIZE);
                break;
            default:  // SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE and unknown commands: show as it is
                r->dwStyle |= WS_VISIBLE;
                break;
        }
        DWORD after = r->dwStyle;
        bShowChange = (before ^ after) & WS_VISIBLE;
        if (bShowChange) ++s.nVisibilityEpoch;
        if ((before ^ after) & (WS_MINIMIZE | WS_MAXIMIZE)) {
            nSizeType = (after & WS_MINIMIZE)   ? SIZE_MINIMIZED
                        : (after & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                                : SIZE_RESTORED;
        }
        if (after & WS_VISIBLE) {
            if (bShowChange || nSizeType >= 0) InvalidateLocked(s, r, nullptr, TRUE);
        } else if (bShowChange) {
            if (WndRec* p = Find(s, r->hParent)) InvalidateLocked(s, p, &r->rc, TRUE);
        }
    }
    if (bShowChange) CallWindow(hWnd, WM_SHOWWINDOW, (nCmdShow != SW_HIDE) ? TRUE : FALSE, 0);
    if (nSizeType >= 0) {
        POINT sz = ClientSizeLParam(hWnd);
        CallWindow(hWnd, WM_SIZE, static_cast<WPARAM>(nSizeType),
                   MAKELPARAM(static_cast<WORD>(sz.x), static_cast<WORD>(sz.y)));
    }
    return bWasVisible;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
    BOOL bWasDisabled = FALSE;
    BOOL bChanged = FALSE;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r) return FALSE;
        bWasDisabled = (r->dwStyle & WS_DISABLED) != 0;
        bChanged = bWasDisabled == (bEnable != FALSE);
        if (bEnable) {
            r->dwStyle &= ~WS_DISABLED;
        } else {
            r->dwStyle |= WS_DISABLED;
        }
        if (bChanged) InvalidateLocked(s, r, nullptr, TRUE);
    }
    if (bChanged) CallWindow(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    return bWasDisabled;
}

namespace {

// Moves h within its sibling list (or the top-level list) according to hAfter. Caller holds the lock.
void ZOrderLocked(State& s, WndRec* r, HWND hAfter) {
    std::vector<HWND>* list = &s.topLevel;
    if (r->dwStyle & WS_CHILD) {
        WndRec* p = Find(s, r->hParent);
        if (!p) return;
        list = &p->children;
    }
    HWND h = r->hWnd;
    list->erase(std::remove(list->begin(), list->end(), h), list->end());
    const bool bTopLevel = !(r->dwStyle & WS_CHILD);
    if (bTopLevel && hAfter == HWND_TOPMOST) r->dwExStyle |= WS_EX_TOPMOST;
    if (bTopLevel && (hAfter == HWND_NOTOPMOST || hAfter == HWND_BOTTOM)) r->dwExStyle &= ~WS_EX_TOPMOST;
    auto topOfBand = [&]() {
        if (!bTopLevel || (r->dwExStyle & WS_EX_TOPMOST)) return list->begin();
        return std::find_if(list->begin(), list->end(), [&](HWND t) {
            WndRec* tr = Find(s, t);
            return !tr || !(tr->dwExStyle & WS_EX_TOPMOST);
        });
    };
    if (hAfter == HWND_BOTTOM) {
        list->push_back(h);
    } else if (hAfter == HWND_TOP || hAfter == HWND_TOPMOST || hAfter == HWND_NOTOPMOST) {
        list->insert(topOfBand(), h);
    } else {
        auto it = std::find(list->begin(), list->end(), hAfter);
        list->insert(it == list->end() ? topOfBand() : std::next(it), h);
    }
}

}  // namespace

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT uFlags) {
    WINDOWPOS wp{hWnd, hWndInsertAfter, x, y, cx, cy, uFlags};
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (uFlags & SWP_NOMOVE) {
            wp.x = r->rc.left;
            wp.y = r->rc.top;
        }
        if (uFlags & SWP_NOSIZE) {
            wp.cx = r->rc.right - r->rc.left;
            wp.cy = r->rc.bottom - r->rc.top;
        }
    }
    if (!(uFlags & SWP_NOSENDCHANGING))
        CallWindow(hWnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r) return FALSE;
        RECT old = r->rc;
        RECT now{wp.x, wp.y, wp.x + std::max(0, wp.cx), wp.y + std::max(0, wp.cy)};
        if (!(wp.flags & SWP_NOMOVE) || !(wp.flags & SWP_NOSIZE)) r->rc = now;
        if (old.left == r->rc.left && old.top == r->rc.top) wp.flags |= SWP_NOCLIENTMOVE;
        if (old.right - old.left == r->rc.right - r->rc.left &&
            old.bottom - old.top == r->rc.bottom - r->rc.top)
            wp.flags |= SWP_NOCLIENTSIZE;
        if (!(wp.flags & SWP_NOZORDER)) ZOrderLocked(s, r, wp.hwndInsertAfter);
        if (wp.flags & SWP_SHOWWINDOW) r->dwStyle |= WS_VISIBLE;
        if (wp.flags & SWP_HIDEWINDOW) r->dwStyle &= ~WS_VISIBLE;
        if (wp.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) ++s.nVisibilityEpoch;
        const bool bMoved = !EqualRect(&old, &r->rc);
        if (!(wp.flags & SWP_NOREDRAW) && (bMoved || (wp.flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED)))) {
            InvalidateLocked(s, r, nullptr, TRUE);
            if (bMoved) {
                if (WndRec* p = Find(s, r->hParent)) InvalidateLocked(s, p, &old, TRUE);
            }
        }
    }
    CallWindow(hWnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    return SetWindowPos(hWnd, nullptr, x, y, nWidth, nHeight,
                        SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0u : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hWnd) {
    return SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r || !lpRect) return FALSE;
    *lpRect = ScreenRect(s, *r);
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect) {
    return WithRec(
        hWnd,
        [&](WndRec& r) -> BOOL {
            if (!lpRect) return FALSE;
            *lpRect = ClientRectOf(r);
            return TRUE;
        },
        FALSE);
}

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r || !lpPoint) return FALSE;
    POINT o = ClientOriginOnScreen(s, *r);
    lpPoint->x += o.x;
    lpPoint->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r || !lpPoint) return FALSE;
    POINT o = ClientOriginOnScreen(s, *r);
    lpPoint->x -= o.x;
    lpPoint->y -= o.y;
    return TRUE;
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
    POINT from{0, 0}, to{0, 0};
    if (hWndFrom) ClientToScreen(hWndFrom, &from);
    if (hWndTo) ClientToScreen(hWndTo, &to);
    int dx = from.x - to.x, dy = from.y - to.y;
    for (UINT i = 0; lpPoints && i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    State& s = S();
    DWORD nOwner = 0;
    Route route;
    {
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        nOwner = r->nThreadId;
        if (nOwner != GetCurrentThreadId()) {
            auto q = QueueFor(s, nOwner);
            Posted p;
            p.pText = std::make_unique<std::string>(lpString ? lpString : "");
            p.msg = MSG{hWnd,  WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p.pText->c_str()), CClock::NowMillis(),
                        {0, 0}};
            p.nSeq = s.nNextSeq++;
            q->posted.push_back(std::move(p));
            Wake(*q);
            return TRUE;
        }
        route = RouteLocked(r);
    }
    return static_cast<BOOL>(
        CallRoute(route, hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : "")));
}

namespace {

// The window's text cut to nMax - 1 characters and terminated (nMax > 0), copied under the lock; its
// length. An unknown window has the empty text.
size_t CopyTextOf(HWND hWnd, char* pBuffer, size_t nMax) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    const WndRec* r = Find(s, hWnd);
    const size_t n = r != nullptr ? std::min(r->strText.size(), nMax - 1) : 0;
    if (n > 0) std::memcpy(pBuffer, r->strText.data(), n);
    pBuffer[n] = '\0';
    return n;
}

size_t TextLengthOf(HWND hWnd) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    const WndRec* r = Find(s, hWnd);
    return r != nullptr ? r->strText.size() : 0;
}

bool IsOwnerThread(HWND hWnd) {
    return WithRec(
        hWnd, [](WndRec& r) { return r.nThreadId == GetCurrentThreadId(); }, false);
}

}  // namespace

int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) return 0;
    if (IsOwnerThread(hWnd))
        return static_cast<int>(
            CallWindow(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
    return static_cast<int>(CopyTextOf(hWnd, lpString, static_cast<size_t>(nMaxCount)));
}

int GetWindowTextLengthA(HWND hWnd) {
    if (IsOwnerThread(hWnd)) return static_cast<int>(CallWindow(hWnd, WM_GETTEXTLENGTH, 0, 0));
    return static_cast<int>(TextLengthOf(hWnd));
}

HWND GetParent(HWND hWnd) {
    return WithRec(
        hWnd, [](WndRec& r) { return (r.dwStyle & WS_CHILD) ? r.hParent : r.hOwner; }, HWND{nullptr});
}

HWND SetParent(HWND hWndChild, HWND hWndNewParent) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWndChild);
    if (!r) return nullptr;
    HWND old = (r->dwStyle & WS_CHILD) ? r->hParent : r->hOwner;
    if (r->dwStyle & WS_CHILD) {
        WndRec* np = Find(s, hWndNewParent);
        if (!np) return nullptr;
        if (WndRec* op = Find(s, r->hParent))
            op->children.erase(std::remove(op->children.begin(), op->children.end(), hWndChild),
                               op->children.end());
        np->children.push_back(hWndChild);
        r->hParent = hWndNewParent;
        ++s.nVisibilityEpoch;
    } else {
        r->hOwner = Find(s, hWndNewParent) ? hWndNewParent : nullptr;
    }
    return old;
}

HWND GetWindow(HWND hWnd, UINT uCmd) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r) return nullptr;
    if (uCmd == GW_CHILD) return r->children.empty() ? nullptr : r->children.front();
    if (uCmd == GW_OWNER) return (r->dwStyle & WS_CHILD) ? nullptr : r->hOwner;
    const std::vector<HWND>* list = &s.topLevel;
    if (r->dwStyle & WS_CHILD) {
        WndRec* p = Find(s, r->hParent);
        if (!p) return nullptr;
        list = &p->children;
    }
    auto it = std::find(list->begin(), list->end(), hWnd);
    if (it == list->end() || list->empty()) return nullptr;
    switch (uCmd) {
        case GW_HWNDFIRST:
            return list->front();
        case GW_HWNDLAST:
            return list->back();
        case GW_HWNDNEXT:
            return std::next(it) == list->end() ? nullptr : *std::next(it);
        case GW_HWNDPREV:
            return it == list->begin() ? nullptr : *std::prev(it);
        default:
            return nullptr;
    }
}

HWND GetTopWindow(HWND hWnd) {
    if (hWnd) return GetWindow(hWnd, GW_CHILD);
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    return s.topLevel.empty() ? nullptr : s.topLevel.front();
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hDlg);
    if (!r) return nullptr;
    for (HWND c : r->children) {
        WndRec* cr = Find(s, c);
        if (cr && cr->nID == static_cast<UINT>(nIDDlgItem)) return c;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
    return WithRec(
        hWnd, [](WndRec& r) { return (r.dwStyle & WS_CHILD) ? static_cast<int>(r.nID) : 0; }, 0);
}

BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
    HWND h = GetDlgItem(hDlg, nIDDlgItem);
    return h ? SetWindowTextA(h, lpString) : FALSE;
}

UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
    HWND h = GetDlgItem(hDlg, nIDDlgItem);
    if (!h) {
        if (lpString && cchMax > 0) *lpString = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(h, lpString, cchMax));
}

LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
    HWND h = GetDlgItem(hDlg, nIDDlgItem);
    return h ? SendMessageA(h, Msg, wParam, lParam) : 0;
}

HWND SetFocus(HWND hWnd) {
    State& s = S();
    HWND hOld = nullptr;
    {
        std::lock_guard<std::mutex> lock(s.mtx);
        if (hWnd && !Find(s, hWnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        hOld = s.hFocus;
        if (hOld == hWnd) return hOld;
    }
    if (hOld) CallWindow(hOld, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    {
        std::lock_guard<std::mutex> lock(s.mtx);
        if (hWnd && !Find(s, hWnd)) return hOld;
        s.hFocus = hWnd;
    }
    if (hWnd) CallWindow(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(hOld), 0);
    return hOld;
}

HWND GetFocus() {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    return s.hFocus;
}

HWND SetCapture(HWND hWnd) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    HWND old = s.hCapture;
    s.hCapture = Find(s, hWnd) ? hWnd : nullptr;
    return old;
}

BOOL ReleaseCapture() {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    s.hCapture = nullptr;
    return TRUE;
}

HWND GetCapture() {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    return s.hCapture;
}

LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex) {
    return WithRec(
        hWnd,
        [&](WndRec& r) -> LONG_PTR {
            switch (nIndex) {
                case GWL_STYLE:
                    return static_cast<LONG_PTR>(r.dwStyle);
                case GWL_EXSTYLE:
                    return static_cast<LONG_PTR>(r.dwExStyle);
                case GWLP_ID:
                    return static_cast<LONG_PTR>(r.nID);
                case GWLP_USERDATA:
                    return r.nUserData;
                case GWLP_WNDPROC:
                    return reinterpret_cast<LONG_PTR>(r.pfnWndProc);
                case GWLP_HINSTANCE:
                    return reinterpret_cast<LONG_PTR>(r.hInstance);
                case GWLP_HWNDPARENT:
                    return reinterpret_cast<LONG_PTR>((r.dwStyle & WS_CHILD) ? r.hParent : r.hOwner);
                default:
                    return 0;
            }
        },
        LONG_PTR{0});
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR old = 0;
    switch (nIndex) {
        case GWL_STYLE:
            old = static_cast<LONG_PTR>(r->dwStyle);
            r->dwStyle = static_cast<DWORD>(dwNewLong);
            ++s.nVisibilityEpoch;
            break;
        case GWL_EXSTYLE:
            old = static_cast<LONG_PTR>(r->dwExStyle);
            r->dwExStyle = static_cast<DWORD>(dwNewLong);
            break;
        case GWLP_ID:
            old = static_cast<LONG_PTR>(r->nID);
            r->nID = static_cast<UINT>(dwNewLong);
            break;
        case GWLP_USERDATA:
            old = r->nUserData;
            r->nUserData = dwNewLong;
            break;
        case GWLP_WNDPROC:
            old = reinterpret_cast<LONG_PTR>(r->pfnWndProc);
            r->pfnWndProc = reinterpret_cast<WNDPROC>(dwNewLong);
            break;
        default:
            break;
    }
    return old;
}

HWND FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    std::string cls = Lower(lpClassName);
    for (HWND h : s.topLevel) {
        WndRec* r = Find(s, h);
        if (!r) continue;
        if (lpClassName && Lower(r->strClass.c_str()) != cls) continue;
        if (lpWindowName && r->strText != lpWindowName) continue;
        return h;
    }
    return nullptr;
}

int GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
    if (!lpClassName || nMaxCount <= 0) return 0;
    bool ok = false;
    std::string name = WithRec(
        hWnd,
        [&](WndRec& r) {
            ok = true;
            return r.strClass;
        },
        std::string());
    size_t n = ok ? std::min(name.size(), static_cast<size_t>(nMaxCount - 1)) : 0;
    std::memcpy(lpClassName, name.data(), n);
    lpClassName[n] = '\0';
    return static_cast<int>(n);
}

BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    std::vector<HWND> list;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        list = s.topLevel;
    }
    for (HWND h : list) {
        if (IsWindow(h) && !lpEnumFunc(h, lParam)) return FALSE;
    }
    return TRUE;
}

namespace {
void CollectDescendants(State& s, HWND h, std::vector<HWND>& out) {
    WndRec* r = Find(s, h);
    if (!r) return;
    for (HWND c : r->children) {
        out.push_back(c);
        CollectDescendants(s, c, out);
    }
}
}  // namespace

BOOL EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    std::vector<HWND> list;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        CollectDescendants(s, hWndParent, list);
    }
    for (HWND h : list) {
        if (IsWindow(h) && !lpEnumFunc(h, lParam)) return FALSE;
    }
    return TRUE;
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return CallWindow(hWnd, Msg, wParam, lParam);
}

LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam)
                         : DefWindowProcA(hWnd, Msg, wParam, lParam);
}

UINT RegisterWindowMessageA(LPCSTR lpString) {
    if (!lpString || !*lpString) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    auto [it, added] = s.registeredMessages.emplace(Lower(lpString), 0);
    if (added) it->second = s.nNextRegisteredMessage++;
    return it->second;
}

// ---- Invalidation ----
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    if (hWnd == nullptr) {
        for (HWND t : s.topLevel) {
            if (WndRec* r = Find(s, t)) InvalidateLocked(s, r, nullptr, bErase);
        }
        return TRUE;
    }
    WndRec* r = Find(s, hWnd);
    if (!r) return FALSE;
    InvalidateLocked(s, r, lpRect, bErase);
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT* lpRect) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r) return FALSE;
    RECT cover{};
    if (lpRect == nullptr || (UnionRect(&cover, lpRect, &r->rcInvalid) && EqualRect(&cover, lpRect))) {
        r->bInvalid = r->bPainting = FALSE;
        r->rcInvalid = r->rcPainting = RECT{};
        r->bEraseInvalid = r->bErasePainting = FALSE;
        QueueLocked(s, r->nThreadId)->invalid.erase(reinterpret_cast<std::uintptr_t>(hWnd));
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r) return FALSE;
    RECT u{};
    if (r->bInvalid) UnionRect(&u, &u, &r->rcInvalid);
    if (r->bPainting) UnionRect(&u, &u, &r->rcPainting);
    if (lpRect) *lpRect = u;
    return !IsRectEmpty(&u);
}

BOOL AfxTakeUpdateRegion(HWND hWnd, RECT* prcPaint, BOOL* pbErase) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    RECT u{};
    BOOL bErase = FALSE;
    if (r) {
        if (r->bInvalid) UnionRect(&u, &u, &r->rcInvalid);
        if (r->bPainting) UnionRect(&u, &u, &r->rcPainting);
        bErase = (r->bInvalid && r->bEraseInvalid) || (r->bPainting && r->bErasePainting);
        r->bInvalid = r->bPainting = FALSE;
        r->rcInvalid = r->rcPainting = RECT{};
        r->bEraseInvalid = r->bErasePainting = FALSE;
        QueueLocked(s, r->nThreadId)->invalid.erase(reinterpret_cast<std::uintptr_t>(hWnd));
    }
    if (prcPaint) *prcPaint = u;
    if (pbErase) *pbErase = bErase;
    return !IsRectEmpty(&u);
}

BOOL UpdateWindow(HWND hWnd) {
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r) return FALSE;
        if (!r->bInvalid || !IsVisibleLocked(s, r)) return TRUE;
        r->rcPainting = r->rcInvalid;
        r->bErasePainting = r->bEraseInvalid;
        r->bPainting = TRUE;
        r->bInvalid = FALSE;
        r->rcInvalid = RECT{};
        QueueLocked(s, r->nThreadId)->invalid.erase(reinterpret_cast<std::uintptr_t>(hWnd));
    }
    CallWindow(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, void*, UINT flags) {
    if (!IsWindow(hWnd)) return FALSE;
    if (flags & RDW_INVALIDATE) {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        DWORD saved = r->dwStyle;
        if (flags & RDW_ALLCHILDREN) r->dwStyle &= ~WS_CLIPCHILDREN;
        if (flags & RDW_NOCHILDREN) r->dwStyle |= WS_CLIPCHILDREN;
        InvalidateLocked(s, r, lprcUpdate, (flags & RDW_ERASE) ? TRUE : FALSE);
        r->dwStyle = saved;
    }
    if (flags & RDW_VALIDATE) ValidateRect(hWnd, lprcUpdate);
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(hWnd);
    return TRUE;
}

// ---- Extension points ----
void AfxSetWndExtra(HWND hWnd, std::unique_ptr<CWndExtra> pExtra) {
    std::unique_ptr<CWndExtra> old;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r) return;
        old = std::move(r->pExtra);
        r->pExtra = std::move(pExtra);
    }
}

CWndExtra* AfxGetWndExtra(HWND hWnd) {
    return WithRec(
        hWnd, [](WndRec& r) { return r.pExtra.get(); }, static_cast<CWndExtra*>(nullptr));
}

void AfxAddWindowDestroyHook(AFX_DESTROY_HOOK pfn) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    if (std::find(s.destroyHooks.begin(), s.destroyHooks.end(), pfn) == s.destroyHooks.end())
        s.destroyHooks.push_back(pfn);
}

void AfxAddDefWindowProcHook(AFX_DEFPROC_HOOK pfn) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    std::atomic<DefProcHookNode*>* pLink = &s.pFirstDefProcHook;
    while (DefProcHookNode* pNode = pLink->load(std::memory_order_relaxed)) {
        if (pNode->pfn == pfn) return;
        pLink = &pNode->pNext;
    }
    auto* pNode = new DefProcHookNode;  // never freed: readers walk the list without the lock
    pNode->pfn = pfn;
    pLink->store(pNode, std::memory_order_release);
}

// ---- Default processing ----
LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    for (const DefProcHookNode* pNode = S().pFirstDefProcHook.load(std::memory_order_acquire);
         pNode != nullptr; pNode = pNode->pNext.load(std::memory_order_acquire)) {
        LRESULT r = 0;
        if (pNode->pfn(hWnd, Msg, wParam, lParam, &r)) return r;
    }
    switch (Msg) {
        case WM_NCCREATE:
            return TRUE;
        case WM_SETTEXT:
            return WithRec(
                hWnd,
                [&](WndRec& r) -> LRESULT {
                    r.strText = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
                    return TRUE;
                },
                LRESULT{FALSE});
        case WM_GETTEXT: {
            if (wParam == 0 || lParam == 0) return 0;
            return static_cast<LRESULT>(
                CopyTextOf(hWnd, reinterpret_cast<char*>(lParam), static_cast<size_t>(wParam)));
        }
        case WM_GETTEXTLENGTH: {
            return static_cast<LRESULT>(TextLengthOf(hWnd));
        }
        case WM_CLOSE:
            DestroyWindow(hWnd);
            return 0;
        case WM_PAINT:
            AfxTakeUpdateRegion(hWnd, nullptr, nullptr);
            return 0;
        case WM_WINDOWPOSCHANGED: {
            const WINDOWPOS* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (!wp) return 0;
            if (!(wp->flags & SWP_NOCLIENTMOVE)) {
                POINT o{0, 0};
                ClientToScreen(hWnd, &o);
                HWND hParent = (GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD) ? GetParent(hWnd) : nullptr;
                if (hParent) ScreenToClient(hParent, &o);
                CallWindow(hWnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(o.x), static_cast<WORD>(o.y)));
            }
            if (!(wp->flags & SWP_NOCLIENTSIZE)) {
                POINT sz = ClientSizeLParam(hWnd);
                WPARAM kind = IsIconic(hWnd)   ? SIZE_MINIMIZED
                              : IsZoomed(hWnd) ? SIZE_MAXIMIZED
                                               : SIZE_RESTORED;
                CallWindow(hWnd, WM_SIZE, kind, MAKELPARAM(static_cast<WORD>(sz.x), static_cast<WORD>(sz.y)));
            }
            return 0;
        }
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_CLOSE:
                    CallWindow(hWnd, WM_CLOSE, 0, 0);
                    break;
                case SC_MINIMIZE:
                    ShowWindow(hWnd, SW_MINIMIZE);
                    break;
                case SC_MAXIMIZE:
                    ShowWindow(hWnd, SW_SHOWMAXIMIZED);
                    break;
                case SC_RESTORE:
                    ShowWindow(hWnd, SW_RESTORE);
                    break;
                default:
                    break;
            }
            return 0;
        case WM_SETCURSOR: {
            HWND hParent = (GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD) ? GetParent(hWnd) : nullptr;
            return hParent ? CallWindow(hParent, WM_SETCURSOR, wParam, lParam) : FALSE;
        }
        case WM_SETICON:
            return WithRec(
                hWnd,
                [&](WndRec& r) {
                    HICON& slot = wParam ? r.hIconBig : r.hIconSmall;
                    HICON old = slot;
                    slot = reinterpret_cast<HICON>(lParam);
                    return reinterpret_cast<LRESULT>(old);
                },
                LRESULT{0});
        case WM_GETICON:
            return WithRec(
                hWnd,
                [&](WndRec& r) { return reinterpret_cast<LRESULT>(wParam ? r.hIconBig : r.hIconSmall); },
                LRESULT{0});
        case WM_NCHITTEST:
            return HTCLIENT;
        case WM_MOUSEACTIVATE:
            return 1;
        default:
            return 0;
    }
}

// ---- CWnd ----
IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

namespace {
const AFX_MSGMAP_ENTRY kWndEntries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
}  // namespace

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP map = {&CCmdTarget::GetThisMessageMap, &kWndEntries[0]};
    return &map;
}
const AFX_MSGMAP* CWnd::GetMessageMap() const {
    return GetThisMessageMap();
}

CWnd::CWnd() = default;
CWnd::CWnd(HWND hWnd) : m_hWnd(hWnd) {}

CWnd::~CWnd() {
    HWND h = m_hWnd;
    if (h != nullptr && FromHandlePermanent(h) == this) ::DestroyWindow(h);
    if (m_hWnd != nullptr) Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    return r ? r->pPermanent : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r) return nullptr;
    if (r->pPermanent) return r->pPermanent;
    if (!r->pTemp) r->pTemp.reset(new CWnd(hWnd));
    return r->pTemp.get();
}

BOOL CWnd::Attach(HWND hWndNew) {
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    WndRec* r = Find(s, hWndNew);
    if (!r || m_hWnd != nullptr || (r->pPermanent && r->pPermanent != this)) return FALSE;
    r->pPermanent = this;
    r->bAttachedOnly = TRUE;
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    State& s = S();
    std::lock_guard<std::mutex> lock(s.mtx);
    if (WndRec* r = Find(s, h)) {
        if (r->pPermanent == this) r->pPermanent = nullptr;
        r->bAttachedOnly = FALSE;
    }
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r || m_hWnd != nullptr || (r->pPermanent && r->pPermanent != this)) return FALSE;
        r->pPermanent = this;
        r->bAttachedOnly = FALSE;
        m_hWnd = hWnd;
    }
    PreSubclassWindow();
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    HWND h = pParent ? ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)) : nullptr;
    return h ? SubclassWindow(h) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    return Detach();
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext*) {
    if (pParentWnd == nullptr || (dwStyle & WS_POPUP)) return FALSE;
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, nullptr);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x,
                    int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
    if (m_hWnd != nullptr) return FALSE;
    CREATESTRUCT cs{lpParam, AfxGetInstanceHandle(),     nIDorHMenu,     hWndParent,    nHeight,  nWidth, y,
                    x,       static_cast<LONG>(dwStyle), lpszWindowName, lpszClassName, dwExStyle};
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    return CreateWindowInternal(cs, this) != nullptr;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs) {
    if (cs.lpszClass == nullptr) {
        EnsureAfxWndClass();
        cs.lpszClass = kAfxWndClass;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult)) lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC pfn = nullptr;
    {
        State& s = S();
        std::lock_guard<std::mutex> lock(s.mtx);
        if (WndRec* r = Find(s, m_hWnd)) pfn = r->pfnWndProc;
    }
    return CallWindowProcA(pfn, m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg) {
    for (HWND h = pMsg->hwnd; h != nullptr; h = ::GetParent(h)) {
        CWnd* pWnd = FromHandlePermanent(h);
        if (pWnd && pWnd->PreTranslateMessage(pMsg)) return TRUE;
        if (h == hWndStop) break;
    }
    return FALSE;
}

namespace {

class CTestCmdUI : public CCmdUI {
  public:
    BOOL m_bEnabled = TRUE;
    void Enable(BOOL bOn) override {
        m_bEnabled = bOn;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int) override {}
    void SetRadio(BOOL) override {}
    void SetText(LPCTSTR) override {}
};

}  // namespace

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT nID = LOWORD(wParam);
    HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (hWndCtrl == nullptr) {
        if (nID == 0) return FALSE;
        // A menu command: its update handler may disable it, and a disabled command is not carried out.
        CTestCmdUI state;
        state.m_nID = nID;
        OnCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state, nullptr);
        if (!state.m_bEnabled) return TRUE;
        nCode = CN_COMMAND;
    } else {
        if (ReflectLastMsg(hWndCtrl)) return TRUE;
        if (nID == 0) return FALSE;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
    if (pNMHDR == nullptr) return FALSE;
    HWND hWndCtrl = pNMHDR->hwndFrom;
    UINT nID = static_cast<UINT>(::GetDlgCtrlID(hWndCtrl));
    if (ReflectLastMsg(hWndCtrl, pResult)) return TRUE;
    AFX_NOTIFY notify{pResult, pNMHDR};
    return OnCmdMsg(nID,
                    static_cast<int>(MAKELONG(static_cast<WORD>(pNMHDR->code), static_cast<WORD>(WM_NOTIFY))),
                    &notify, nullptr);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    LRESULT lResult = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        lResult = 1;
    } else if (message == WM_NOTIFY) {
        if (!OnNotify(wParam, lParam, &lResult)) return FALSE;
    } else {
        const UINT key =
            (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ? WM_CTLCOLOR : message;
        const AFX_MSGMAP_ENTRY* found = nullptr;
        for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap && !found;
             pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
            for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->nSig != AfxSig_end; ++e) {
                if (e->nSig != AfxSig_msg) continue;
                bool match = e->pnRegisteredMessage
                                 ? (*e->pnRegisteredMessage != 0 && *e->pnRegisteredMessage == message)
                                 : (e->nMessage == key && key != 0);
                if (match) {
                    found = e;
                    break;
                }
            }
        }
        if (!found) return FALSE;
        AFX_MSGARGS args{message, wParam, lParam, 0, 0, nullptr};
        lResult = found->pfn(this, args);
    }
    if (pResult) *pResult = lResult;
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult) {
    CWnd* pChild = FromHandlePermanent(hWndChild);
    const MSG* cur = GetCurrentMessage();
    if (pChild == nullptr || cur == nullptr) return FALSE;
    return pChild->OnChildNotify(cur->message, cur->wParam, cur->lParam, pResult);
}

LRESULT CWnd::Default() {
    const MSG* cur = GetCurrentMessage();
    return cur ? DefWindowProc(cur->message, cur->wParam, cur->lParam) : 0;
}

const MSG* CWnd::GetCurrentMessage() {
    return t_current.empty() ? nullptr : &t_current.back();
}

int CWnd::RunModalLoop(DWORD dwFlags) {
    m_nFlags |= WF_MODALLOOP | WF_CONTINUEMODAL;
    const bool bShowIdle = (dwFlags & MLF_SHOWONIDLE) && !(GetStyle() & WS_VISIBLE);
    HWND hWnd = m_hWnd;
    BOOL bOk = CMessageLoop::RunUntil([&] { return !IsWindow(hWnd) || !ContinueModal(); },
                                      [&] {
                                          if (bShowIdle && IsWindow(hWnd)) ::ShowWindow(hWnd, SW_SHOWNORMAL);
                                      });
    m_nFlags &= ~(WF_MODALLOOP | WF_CONTINUEMODAL);
    if (!bOk) m_nModalResult = -1;
    return m_nModalResult;
}

BOOL CWnd::ContinueModal() {
    return (m_nFlags & WF_CONTINUEMODAL) != 0;
}

void CWnd::EndModalLoop(int nResult) {
    m_nModalResult = nResult;
    if (m_nFlags & WF_CONTINUEMODAL) {
        m_nFlags &= ~WF_CONTINUEMODAL;
        ::PostMessage(m_hWnd, WM_NULL, 0, 0);
    }
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}
BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}
LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendDlgItemMessageA(m_hWnd, nID, message, wParam, lParam);
}

DWORD CWnd::GetStyle() const {
    return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE));
}
DWORD CWnd::GetExStyle() const {
    return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE));
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    DWORD old = GetStyle();
    DWORD now = (old & ~dwRemove) | dwAdd;
    if (old == now) return FALSE;
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(now));
    if (nFlags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    DWORD old = GetExStyle();
    DWORD now = (old & ~dwRemove) | dwAdd;
    if (old == now) return FALSE;
    ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, static_cast<LONG_PTR>(now));
    if (nFlags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    return ::ShowWindow(m_hWnd, nCmdShow);
}
BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}
BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}
BOOL CWnd::EnableWindow(BOOL bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}
BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}
BOOL CWnd::IsZoomed() const {
    return ::IsZoomed(m_hWnd);
}
BOOL CWnd::IsChild(const CWnd* pWnd) const {
    return pWnd ? ::IsChild(m_hWnd, pWnd->m_hWnd) : FALSE;
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}
void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
    if (lpRect)
        ::MoveWindow(m_hWnd, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                     lpRect->bottom - lpRect->top, bRepaint);
}
BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}
void CWnd::BringWindowToTop() {
    ::BringWindowToTop(m_hWnd);
}
void CWnd::GetWindowRect(LPRECT lpRect) const {
    ::GetWindowRect(m_hWnd, lpRect);
}
void CWnd::GetClientRect(LPRECT lpRect) const {
    ::GetClientRect(m_hWnd, lpRect);
}
void CWnd::ClientToScreen(LPPOINT lpPoint) const {
    ::ClientToScreen(m_hWnd, lpPoint);
}
void CWnd::ClientToScreen(LPRECT lpRect) const {
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(lpRect), 2);
}
void CWnd::ScreenToClient(LPPOINT lpPoint) const {
    ::ScreenToClient(m_hWnd, lpPoint);
}
void CWnd::ScreenToClient(LPRECT lpRect) const {
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::SetWindowText(LPCTSTR lpszString) {
    ::SetWindowTextA(m_hWnd, lpszString);
}
int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const {
    return ::GetWindowTextA(m_hWnd, lpszStringBuf, nMaxCount);
}
void CWnd::GetWindowText(CString& rString) const {
    int n = ::GetWindowTextLengthA(m_hWnd);
    ::GetWindowTextA(m_hWnd, rString.GetBuffer(n), n + 1);
    rString.ReleaseBuffer();
}
int CWnd::GetWindowTextLength() const {
    return ::GetWindowTextLengthA(m_hWnd);
}
HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? 1 : 0, reinterpret_cast<LPARAM>(hIcon)));
}
HICON CWnd::GetIcon(BOOL bBigIcon) const {
    return reinterpret_cast<HICON>(SendMessage(WM_GETICON, bBigIcon ? 1 : 0, 0));
}

CWnd* CWnd::GetParent() const {
    return FromHandle(::GetParent(m_hWnd));
}
CWnd* CWnd::SetParent(CWnd* pWndNewParent) {
    return FromHandle(::SetParent(m_hWnd, pWndNewParent ? pWndNewParent->m_hWnd : nullptr));
}
CWnd* CWnd::GetOwner() const {
    return FromHandle(::GetWindow(m_hWnd, GW_OWNER));
}
CWnd* CWnd::GetTopLevelParent() const {
    HWND h = m_hWnd;
    while (h && (::GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD)) h = ::GetParent(h);
    return FromHandle(h);
}
CWnd* CWnd::GetWindow(UINT nCmd) const {
    return FromHandle(::GetWindow(m_hWnd, nCmd));
}
CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}
void CWnd::GetDlgItem(int nID, HWND* phWnd) const {
    if (phWnd) *phWnd = ::GetDlgItem(m_hWnd, nID);
}
int CWnd::GetDlgCtrlID() const {
    return ::GetDlgCtrlID(m_hWnd);
}
int CWnd::SetDlgCtrlID(int nID) {
    return static_cast<int>(::SetWindowLongPtrA(m_hWnd, GWLP_ID, nID));
}
void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString) {
    ::SetDlgItemTextA(m_hWnd, nID, lpszString);
}
int CWnd::GetDlgItemText(int nID, LPTSTR lpStr, int nMaxCount) const {
    return static_cast<int>(::GetDlgItemTextA(m_hWnd, nID, lpStr, nMaxCount));
}
int CWnd::GetDlgItemText(int nID, CString& rString) const {
    HWND h = ::GetDlgItem(m_hWnd, nID);
    rString.Empty();
    if (!h) return 0;
    FromHandle(h)->GetWindowText(rString);
    return rString.GetLength();
}

void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned) {
    char buf[16];
    if (bSigned) {
        std::snprintf(buf, sizeof buf, "%d", static_cast<int>(nValue));
    } else {
        std::snprintf(buf, sizeof buf, "%u", nValue);
    }
    SetDlgItemText(nID, buf);
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const {
    CString text;
    if (lpTrans) *lpTrans = FALSE;
    if (!::GetDlgItem(m_hWnd, nID)) return 0;
    GetDlgItemText(nID, text);
    text.Trim();
    const char* p = text;
    bool neg = false;
    if (bSigned && *p == '-') {
        neg = true;
        ++p;
    }
    if (!std::isdigit(static_cast<unsigned char>(*p))) return 0;
    unsigned long long v = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        v = v * 10 + static_cast<unsigned>(*p - '0');
        if (v > 0xFFFFFFFFull) return 0;
    }
    if (*p != '\0') return 0;
    if (bSigned && v > (neg ? 0x80000000ull : 0x7FFFFFFFull)) return 0;
    if (lpTrans) *lpTrans = TRUE;
    return neg ? static_cast<UINT>(0u - static_cast<UINT>(v)) : static_cast<UINT>(v);
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck) {
    SendDlgItemMessage(nIDButton, BM_SETCHECK, nCheck, 0);
}
UINT CWnd::IsDlgButtonChecked(int nIDButton) const {
    return static_cast<UINT>(SendDlgItemMessage(nIDButton, BM_GETCHECK, 0, 0));
}
void CWnd::CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id)
        CheckDlgButton(id, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED);
}
int CWnd::GetCheckedRadioButton(int nIDFirstButton, int nIDLastButton) {
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id) {
        if (IsDlgButtonChecked(id)) return id;
    }
    return 0;
}

CWnd* CWnd::SetFocus() {
    return FromHandle(::SetFocus(m_hWnd));
}
CWnd* CWnd::GetFocus() {
    return FromHandle(::GetFocus());
}
CWnd* CWnd::SetCapture() {
    return FromHandle(::SetCapture(m_hWnd));
}
CWnd* CWnd::GetCapture() {
    return FromHandle(::GetCapture());
}

void CWnd::Invalidate(BOOL bErase) {
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
    ::InvalidateRect(m_hWnd, lpRect, bErase);
}
void CWnd::ValidateRect(LPCRECT lpRect) {
    ::ValidateRect(m_hWnd, lpRect);
}
BOOL CWnd::GetUpdateRect(LPRECT lpRect, BOOL bErase) {
    return ::GetUpdateRect(m_hWnd, lpRect, bErase);
}
void CWnd::UpdateWindow() {
    ::UpdateWindow(m_hWnd);
}
BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, void* prgnUpdate, UINT flags) {
    return ::RedrawWindow(m_hWnd, lpRectUpdate, prgnUpdate, flags);
}

CMenu* CWnd::GetMenu() const {
    return CMenu::FromHandle(::GetMenu(m_hWnd));
}
BOOL CWnd::SetMenu(CMenu* pMenu) {
    return ::SetMenu(m_hWnd, pMenu ? pMenu->m_hMenu : nullptr);
}
void CWnd::DrawMenuBar() {
    ::DrawMenuBar(m_hWnd);
}
CMenu* CWnd::GetSystemMenu(BOOL bRevert) const {
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}
UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}
BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    return ::KillTimer(m_hWnd, nIDEvent);
}
int CWnd::MessageBox(LPCTSTR lpszText, LPCTSTR lpszCaption, UINT nType) {
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption ? lpszCaption : AfxGetAppName(), nType);
}

// Default handlers.
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
void CWnd::OnPaint() {
    Default();
}
HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT) {
    LRESULT r = 0;
    if (pWnd && ReflectLastMsg(pWnd->m_hWnd, &r)) return reinterpret_cast<HBRUSH>(r);
    return reinterpret_cast<HBRUSH>(Default());
}
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if (lpDrawItemStruct && lpDrawItemStruct->CtlType != ODT_MENU &&
        ReflectLastMsg(lpDrawItemStruct->hwndItem))
        return;
    Default();
}
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) {
    const MSG* cur = GetCurrentMessage();
    if (cur && cur->lParam && ReflectLastMsg(reinterpret_cast<HWND>(cur->lParam))) return;
    Default();
}
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) {
    const MSG* cur = GetCurrentMessage();
    if (cur && cur->lParam && ReflectLastMsg(reinterpret_cast<HWND>(cur->lParam))) return;
    Default();
}
void CWnd::OnSysCommand(UINT, LPARAM) {
    Default();
}
HCURSOR CWnd::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(Default());
}
void CWnd::OnSizing(UINT, LPRECT) {
    Default();
}
void CWnd::OnSize(UINT, int, int) {
    Default();
}
void CWnd::OnMove(int, int) {
    Default();
}
void CWnd::OnLButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonDblClk(UINT, CPoint) {
    Default();
}
void CWnd::OnRButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnMouseMove(UINT, CPoint) {
    Default();
}
void CWnd::OnNcMouseMove(UINT, CPoint) {
    Default();
}
void CWnd::OnNcLButtonDown(UINT, CPoint) {
    Default();
}
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) {
    return static_cast<BOOL>(Default());
}
void CWnd::OnClose() {
    Default();
}
int CWnd::OnCreate(LPCREATESTRUCT) {
    return static_cast<int>(Default());
}
void CWnd::OnDestroy() {
    Default();
}
void CWnd::OnSetFocus(CWnd*) {
    Default();
}
void CWnd::OnKillFocus(CWnd*) {
    Default();
}
BOOL CWnd::OnEraseBkgnd(CDC*) {
    return static_cast<BOOL>(Default());
}
void CWnd::OnShowWindow(BOOL, UINT) {
    Default();
}
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) {
    Default();
}
void CWnd::OnWindowPosChanging(WINDOWPOS*) {
    Default();
}
void CWnd::OnWindowPosChanged(WINDOWPOS*) {
    Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnChar(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnInitMenuPopup(CMenu*, UINT, BOOL) {
    Default();
}
