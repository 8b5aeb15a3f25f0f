// Window classes: registration, lookup and the class of a window.
#include "platform/win/window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/app_internal.h"
#include "platform/win/app_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/system_codes_internal.h"
#include "platform/win/win_state.h"

using namespace winstate;

namespace {

ATOM RegisterClassImpl(const WNDCLASSA* wc, BOOL bSystem) {
    if (wc == nullptr || wc->lpszClassName == nullptr || *wc->lpszClassName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
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

}  // namespace

namespace winstate {

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

}  // namespace winstate

ATOM RegisterClassA(const WNDCLASSA* lpWndClass) {
    return RegisterClassImpl(lpWndClass, FALSE);
}
ATOM AfxRegisterSystemClass(const WNDCLASSA* lpWndClass) {
    return RegisterClassImpl(lpWndClass, TRUE);
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR lpClassName, WNDCLASSA* lpWndClass) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
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
        std::lock_guard<CFutexMutex> lock(s.mtx);
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
    std::lock_guard<CFutexMutex> lock(s.mtx);
    auto it = s.classes.find(Lower(name));
    return it == s.classes.end() ? nullptr : it->second.strName.c_str();
}

LONG_PTR GetClassLongPtrA(HWND hWnd, int nIndex) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
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
