// Test inspection of window classes (app.h).
#pragma once

#include "platform/win/app.h"

BOOL GetClassInfoA(HINSTANCE hInstance, LPCSTR lpClassName, WNDCLASSA* lpWndClass);
