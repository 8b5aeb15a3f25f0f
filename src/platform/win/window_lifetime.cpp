// Creating and destroying windows.
#include "platform/win/window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/kernel.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/menu.h"
#include "platform/win/menu_internal.h"
#include "platform/win/menu_testing.h"
#include "platform/win/message_loop.h"
#include "platform/win/nonclient.h"
#include "platform/win/nonclient_internal.h"
#include "platform/win/win_state.h"
#include "platform/win/window_testing.h"

using namespace winstate;

namespace winstate {

HWND CreateWindowInternal(CREATESTRUCT cs, CWnd* pWnd) {
    AfxEnsureNonClientHooks();
    if (cs.lpszClass == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    std::function<bool(const CREATESTRUCT&)> pfnFail;
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        pfnFail = s.pfnFailCreate;
    }
    if (pfnFail && pfnFail(cs)) {
        SetLastError(ERROR_OUTOFMEMORY);
        return nullptr;
    }
    DWORD dwStyle = static_cast<DWORD>(cs.style);
    // An overlapped window (neither child nor popup) always has a caption and clips its siblings.
    if (!(dwStyle & (WS_CHILD | WS_POPUP))) dwStyle |= WS_CAPTION | WS_CLIPSIBLINGS;
    const DWORD nThread = GetCurrentThreadId();
    HWND h = nullptr;
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
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
            ++s.nTreeEpoch;
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
        AddWindowLocked(s, std::move(rec));
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
        std::lock_guard<CFutexMutex> lock(s.mtx);
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
        std::lock_guard<CFutexMutex> lock(s.mtx);
        rec = RemoveWindowLocked(s, h);
        if (!rec) return;
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
    // A top-level window that goes with the focus in it hands the activation on.
    const HWND hHandOver = FocusIsIn(hWnd) ? NextToActivate(hWnd) : nullptr;
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
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
    if (hHandOver != nullptr && GetFocus() == nullptr) SetActiveWindow(hHandOver);
    return TRUE;
}

namespace winstate {

void DropAllWindows() {
    std::vector<std::unique_ptr<WndRec>> recs;
    std::vector<AFX_DESTROY_HOOK> hooks;
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        for (auto& [h, r] : s.wnds) {
            if (r->pPermanent && r->pPermanent->m_hWnd == h) r->pPermanent->m_hWnd = nullptr;
            if (r->pTemp) r->pTemp->m_hWnd = nullptr;
            recs.push_back(std::move(r));
        }
        ClearWindowsLocked(s);
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
