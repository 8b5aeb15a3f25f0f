// The system-information window ("Info"): a plain top-level window of its own class, outside the
// framework's dialog classes, created hidden once at start-up and shown by the Information command. A
// tab strip chooses one of six pages: page 0 lists versions and paths, pages 1 to 5 show connector
// pin-out pictures. Closing only hides it; it keeps its page, place and size and goes with the process.
// User-interface thread only.
#pragma once

#include "app/app_globals.h"
#include "platform/wintypes.h"

constexpr int SYSINFO_PAGES = 6;

// Registers the window class "Corvessa_Tessaro_SysInfo" and creates the window hidden; TRUE when the
// window exists.
BOOL CreateSysInfoWindow();
LRESULT SysInfoWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Makes the tab strip with its six tabs across the top of hwndParent; NULL on failure, after a box
// captioned "Tabs" said why.
HWND CreateSysInfoTabs(HWND hwndParent);
// Makes nPage current (the tab strip follows) and has the window repainted.
void SelectSysInfoPage(int nPage);
// Draws page nPage into hwnd through its own window context; an index outside 0..5 draws nothing.
void PaintSysInfoPage(HWND hwnd, int nPage);
