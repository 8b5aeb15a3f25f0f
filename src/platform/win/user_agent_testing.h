// Test inspection of the user agent (user_agent.h) and message boxes by their short name.
#pragma once

#include "platform/win/user_agent.h"

CUserAgent* AfxGetUserAgent();

inline int MessageBox(HWND h, LPCSTR t, LPCSTR c, UINT u) {
    return MessageBoxA(h, t, c, u);
}
