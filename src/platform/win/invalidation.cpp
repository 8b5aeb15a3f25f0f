// Invalid regions of windows: adding, removing and taking them for painting.
#include "platform/win/window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/control_support.h"
#include "platform/win/geometry_internal.h"
#include "platform/win/kernel.h"
#include "platform/win/message_loop.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winstate;

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
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
    std::lock_guard<CFutexMutex> lock(s.mtx);
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
    std::lock_guard<CFutexMutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r) return FALSE;
    RECT u{};
    if (r->bInvalid) UnionRect(&u, &u, &r->rcInvalid);
    if (r->bPainting) UnionRect(&u, &u, &r->rcPainting);
    if (lpRect) *lpRect = u;
    return !IsRectEmpty(&u);
}

namespace {

BOOL TakeUpdateRegionLocked(State& s, WndRec* r, HWND hWnd, RECT* prcPaint, BOOL* pbErase) {
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

}  // namespace

BOOL AfxTakeUpdateRegion(HWND hWnd, RECT* prcPaint, BOOL* pbErase) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return TakeUpdateRegionLocked(s, Find(s, hWnd), hWnd, prcPaint, pbErase);
}

BOOL AfxTakeUpdateRegionForPaint(HWND hWnd, RECT* prcPaint, BOOL* pbErase, BOOL* pbPlainStatic) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (r == nullptr) return FALSE;
    const Route route = RouteLocked(r);
    *pbPlainStatic = route.pWnd == nullptr && route.pfn == &winctl::StaticProc;
    TakeUpdateRegionLocked(s, r, hWnd, prcPaint, pbErase);
    return TRUE;
}

BOOL UpdateWindow(HWND hWnd) {
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
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
        std::lock_guard<CFutexMutex> lock(s.mtx);
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
