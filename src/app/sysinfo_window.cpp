#include "app/sysinfo_window.h"

HWND g_hSysInfoWnd = nullptr;

// FIXME: stub until the system-information window with its pages is built; it behaves as a window that
// could not be created.
BOOL CreateSysInfoWindow() {
    return FALSE;
}
