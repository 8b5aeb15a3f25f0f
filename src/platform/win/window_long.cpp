// A window's styles, id, user data and procedure read and replaced by index.
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

using namespace winstate;

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
    std::lock_guard<CFutexMutex> lock(s.mtx);
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
            ++s.nTreeEpoch;
            break;
        case GWLP_USERDATA:
            old = r->nUserData;
            r->nUserData = dwNewLong;
            break;
        case GWLP_WNDPROC:
            old = reinterpret_cast<LONG_PTR>(r->pfnWndProc);
            r->pfnWndProc = reinterpret_cast<WNDPROC>(dwNewLong);
            CWndInternals::NoteTextStoredLocked(*r);  // texts now go to the new procedure
            break;
        default:
            break;
    }
    return old;
}
