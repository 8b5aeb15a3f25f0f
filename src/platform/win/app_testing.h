// Test inspection of the application (app.h): window classes, the thread object of a thread and the
// application's name.
#pragma once

#include "platform/win/app.h"

BOOL GetClassInfoA(HINSTANCE hInstance, LPCSTR lpClassName, WNDCLASSA* lpWndClass);

// The CWinThread object of the calling thread (the application on the main thread), or NULL.
CWinThread* AfxGetThread();
LPCTSTR AfxGetAppName();  // the application's name, or the executable's name without an application
