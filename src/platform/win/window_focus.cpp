// The keyboard focus and the mouse capture.
#include "platform/win/window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/kernel.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winstate;

HWND SetFocus(HWND hWnd) {
    State& s = S();
    HWND hOld = nullptr;
    {
        std::lock_guard<CFutexMutex> lock(s.mtx);
        if (hWnd && !Find(s, hWnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        hOld = s.hFocus;
        if (hOld == hWnd) return hOld;
    }
    if (hOld) CallWindow(hOld, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    {
        std::lock_guard<CFutexMutex> lock(s.mtx);
        if (hWnd && !Find(s, hWnd)) return hOld;
        s.hFocus = hWnd;
        // Remembered for the top-level window, which gives it back when it is activated again.
        WndRec* r = hWnd ? Find(s, hWnd) : nullptr;
        while (r != nullptr && (r->dwStyle & WS_CHILD)) r = Find(s, r->hParent);
        if (r != nullptr) r->hLastFocus = hWnd;
    }
    if (hWnd) CallWindow(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(hOld), 0);
    return hOld;
}

HWND GetFocus() {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return s.hFocus;
}

namespace {

// The top-level window hWnd is in (hWnd itself for a top-level window); NULL for no window.
HWND TopLevelOf(HWND hWnd) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    WndRec* r = hWnd ? Find(s, hWnd) : nullptr;
    while (r != nullptr && (r->dwStyle & WS_CHILD)) r = Find(s, r->hParent);
    return r ? r->hWnd : nullptr;
}

}  // namespace

namespace winstate {

BOOL FocusIsIn(HWND hWnd) {
    const HWND hFocus = GetFocus();
    return hWnd != nullptr && hFocus != nullptr && (hFocus == hWnd || IsChild(hWnd, hFocus));
}

HWND LastFocusIn(HWND hTop) {
    HWND h = nullptr;
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        WndRec* r = Find(s, hTop);
        if (r == nullptr) return nullptr;
        h = r->hLastFocus;
    }
    if (h == nullptr || !IsWindow(h) || (h != hTop && !IsChild(hTop, h))) return nullptr;
    return IsWindowVisible(h) && IsWindowEnabled(h) ? h : nullptr;
}

HWND NextToActivate(HWND hGone) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    const WndRec* r = Find(s, hGone);
    if (r == nullptr || (r->dwStyle & WS_CHILD)) return nullptr;
    if (r->hOwner != nullptr) return r->hOwner;
    for (HWND t : s.topLevel) {
        const WndRec* tr = t == hGone ? nullptr : Find(s, t);
        if (tr == nullptr || tr->nThreadId != r->nThreadId) continue;
        if ((tr->dwStyle & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE && !(tr->dwExStyle & WS_EX_TOOLWINDOW))
            return t;
    }
    return nullptr;
}

}  // namespace winstate

HWND GetActiveWindow() {
    return TopLevelOf(GetFocus());
}

BOOL AfxMouseActivate(HWND hWnd, int nHit, UINT nMsg) {
    const HWND hTop = TopLevelOf(hWnd);
    if (hTop == nullptr) return FALSE;
    const LRESULT nAnswer = CallWindow(hTop, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(hTop),
                                       MAKELPARAM(static_cast<WORD>(nHit), static_cast<WORD>(nMsg)));
    if (nAnswer == MA_ACTIVATE || nAnswer == MA_ACTIVATEANDEAT) SetActiveWindow(hTop);
    return nAnswer != MA_ACTIVATEANDEAT && nAnswer != MA_NOACTIVATEANDEAT && IsWindow(hWnd);
}

HWND SetActiveWindow(HWND hWnd) {
    if (!IsWindow(hWnd) || (GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD) || !IsWindowVisible(hWnd) ||
        !IsWindowEnabled(hWnd))
        return nullptr;
    const HWND hPrev = GetActiveWindow();
    if (hPrev != hWnd) CallWindow(hWnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(hPrev));
    return hPrev;
}

HWND SetCapture(HWND hWnd) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    HWND old = s.hCapture;
    s.hCapture = Find(s, hWnd) ? hWnd : nullptr;
    return old;
}

BOOL ReleaseCapture() {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    s.hCapture = nullptr;
    return TRUE;
}

HWND GetCapture() {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return s.hCapture;
}
