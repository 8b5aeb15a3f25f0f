// Internal to the window framework (app.h): registration of the system classes.
#pragma once

#include "platform/win/app.h"

// A class that a simulation reset keeps (the controls' classes).
ATOM AfxRegisterSystemClass(const WNDCLASSA* lpWndClass);
