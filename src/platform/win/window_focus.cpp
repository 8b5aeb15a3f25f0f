// The keyboard focus and the mouse capture.
#include "platform/win/window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/kernel.h"
#include "platform/win/win_state.h"

using namespace winstate;

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
