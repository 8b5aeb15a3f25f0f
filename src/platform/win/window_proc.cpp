// Sending messages, registered messages, the framework's extension points and default processing.
#include "platform/win/window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/kernel.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/menu_tracking.h"
#include "platform/win/menu_tracking_internal.h"
#include "platform/win/text_observer.h"
#include "platform/win/text_observer_internal.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winstate;

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
    std::lock_guard<CFutexMutex> lock(s.mtx);
    auto [it, added] = s.registeredMessages.emplace(Lower(lpString), 0);
    if (added) it->second = s.nNextRegisteredMessage++;
    return it->second;
}

void AfxSetWndExtra(HWND hWnd, std::unique_ptr<CWndExtra> pExtra) {
    std::unique_ptr<CWndExtra> old;
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
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
    std::lock_guard<CFutexMutex> lock(s.mtx);
    if (std::find(s.destroyHooks.begin(), s.destroyHooks.end(), pfn) == s.destroyHooks.end())
        s.destroyHooks.push_back(pfn);
}

void AfxAddDefWindowProcHook(AFX_DEFPROC_HOOK pfn) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
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
        case WM_SETTEXT: {
            const LPCSTR pszText = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
            const bool bObserved = AfxGetTextObserver() != nullptr;
            bool bChanged = false;
            const LRESULT r = WithRec(
                hWnd,
                [&](WndRec& rec) -> LRESULT {
                    bChanged = bObserved && rec.strText != pszText;
                    rec.strText = pszText;
                    CWndInternals::NoteTextStoredLocked(rec);
                    return TRUE;
                },
                LRESULT{FALSE});
            if (bChanged) NotifyTextChanged(hWnd, pszText);
            return r;
        }
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
        case WM_CANCELMODE:
            // As when a modal box comes up: the thread's menu closes, and the window lets go of the mouse.
            AfxEndMenuTracking();
            if (GetCapture() == hWnd) ReleaseCapture();
            return 0;
        case WM_NCHITTEST:
            return HTCLIENT;
        case WM_MOUSEACTIVATE:
            return MA_ACTIVATE;
        case WM_ACTIVATE:
            // Activated: the focus comes back to where it was in the window, or to the window.
            if (LOWORD(wParam) != WA_INACTIVE && !FocusIsIn(hWnd)) {
                const HWND hLast = LastFocusIn(hWnd);
                SetFocus(hLast ? hLast : hWnd);
            }
            return 0;
        case WM_MOUSEWHEEL: {
            // A wheel turn that the window under the pointer does not take goes to its parent.
            const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(hWnd, GWL_STYLE));
            HWND hParent = (style & WS_CHILD) ? GetParent(hWnd) : nullptr;
            return hParent ? SendMessageA(hParent, Msg, wParam, lParam) : 0;
        }
        default:
            return 0;
    }
}
