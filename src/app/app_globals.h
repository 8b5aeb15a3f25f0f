// Every global of the application's windows, declared in one place (the application object theApp is
// tessaro_app.h's). ResetAppGlobals puts them back to their start values; the application's start-up calls
// it before any window exists, and each test fixture calls it. User-interface thread only.
#pragma once

#include "platform/wintypes.h"

class CBitmap;
class CQVLMisc;
class CTessaro2010Dlg;

// The running main dialog: set by the application's start-up, NULL before and again from the moment the
// modal run returns. The interapp window, the interrupt callback and the burst worker reach the dialog
// only through it.
extern CTessaro2010Dlg* g_pMainDlg;
// Bitmaps of the expand/collapse buttons, made by the main dialog's initialisation.
extern CBitmap* g_pBmpCollapsed;
extern CBitmap* g_pBmpExpanded;

// The advanced dialog while it runs modally, else NULL; its output LEDs 1080..1087 are painted
// instead of the main dialog's.
extern CQVLMisc* g_pAdvancedDlg;
extern BOOL g_bColorThrottle;
extern int g_nLastShownOutput;
extern int g_nLastShownInput;
// Colour-table index of the trigger LED 1053 once looked up, else -1.
extern int g_nTriggerLedEntry;

// The RangeCode of each entry of the Range list, shared by all panels (they all show the list of the
// board in use). Rewritten by every FillRangeList.
constexpr int RANGE_LIST_SIZE = 6;
extern int g_RangeListCodes[RANGE_LIST_SIZE];

// The Info window; NULL when its creation failed (the Information command then does nothing).
extern HWND g_hSysInfoWnd;
// Its tab strip; NULL when making it failed (page 0 is shown and no page can be chosen).
extern HWND g_hSysInfoTab;
// The page shown, 0 at start.
extern int g_nSysInfoPage;
// The text buffer each tab's insertion hands over.
extern char g_szTabText[256];

// Puts every global above back to its start value (the two bitmaps are freed). No window of the
// application may exist.
void ResetAppGlobals();
