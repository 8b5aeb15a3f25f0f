// The scalar types, procedure types and calling-convention markers every family of the framework's
// constants and message structures builds on.
#pragma once

#include <cstdint>

#include "platform/wintypes.h"

using ULONG_PTR = std::uintptr_t;
using LPPOINT = POINT*;
using LPSIZE = SIZE*;

#ifndef CALLBACK
#define CALLBACK
#endif
#ifndef WINAPI
#define WINAPI
#endif
#ifndef PASCAL
#define PASCAL
#endif
#ifndef afx_msg
#define afx_msg
#endif
#ifndef AFXAPI
#define AFXAPI
#endif

#ifndef NULL
#define NULL 0
#endif

constexpr int MAX_PATH = 260;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);
