// A window's visibility, enabled state, z-order, position and the mapping of its coordinates.
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

BOOL IsWindow(HWND hWnd) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return Find(s, hWnd) != nullptr;
}

BOOL IsWindowVisible(HWND hWnd) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return IsVisibleLocked(s, Find(s, hWnd));
}

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
    std::lock_guard<CFutexMutex> lock(s.mtx);
    for (WndRec* r = Find(s, hWnd); r && (r->dwStyle & WS_CHILD); r = Find(s, r->hParent)) {
        if (r->hParent == hWndParent) return TRUE;
    }
    return FALSE;
}

namespace {
void ZOrderLocked(State& s, WndRec* r, HWND hAfter);
}  // namespace

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    // A top-level window hidden with the focus in it hands the activation on.
    const HWND hHandOver =
        nCmdShow == SW_HIDE && IsWindowVisible(hWnd) && FocusIsIn(hWnd) ? NextToActivate(hWnd) : nullptr;
    BOOL bWasVisible = FALSE;
    BOOL bShowChange = FALSE;
    int nSizeType = -1;
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
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
        // A top-level window shown with activation comes to the top of its band, as the active window.
        const bool bActivating = nCmdShow == SW_SHOW || nCmdShow == SW_SHOWNORMAL || nCmdShow == SW_RESTORE ||
                                 nCmdShow == SW_SHOWDEFAULT || nCmdShow == SW_SHOWMAXIMIZED;
        if (bShowChange && (after & WS_VISIBLE) && bActivating && !(after & WS_CHILD))
            ZOrderLocked(s, r, HWND_TOP);
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
    if (hHandOver != nullptr && FocusIsIn(hWnd)) SetActiveWindow(hHandOver);
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
        std::lock_guard<CFutexMutex> lock(s.mtx);
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
    // A window being disabled first cancels what it has under way (a menu's tracking, the capture).
    if (bChanged && !bEnable) CallWindow(hWnd, WM_CANCELMODE, 0, 0);
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
    ++s.nTreeEpoch;
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
        std::lock_guard<CFutexMutex> lock(s.mtx);
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
        std::lock_guard<CFutexMutex> lock(s.mtx);
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
    std::lock_guard<CFutexMutex> lock(s.mtx);
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
    std::lock_guard<CFutexMutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r || !lpPoint) return FALSE;
    POINT o = ClientOriginOnScreen(s, *r);
    lpPoint->x += o.x;
    lpPoint->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
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
