#include "app/app_globals.h"

#include "platform/win/framework.h"

CTessaro2010Dlg* g_pMainDlg = nullptr;
CBitmap* g_pBmpCollapsed = nullptr;
CBitmap* g_pBmpExpanded = nullptr;

CQVLMisc* g_pAdvancedDlg = nullptr;
BOOL g_bColorThrottle = TRUE;
int g_nLastShownOutput = 0;
int g_nLastShownInput = 0;
int g_nTriggerLedEntry = -1;

int g_RangeListCodes[RANGE_LIST_SIZE] = {};

HWND g_hSysInfoWnd = nullptr;
HWND g_hSysInfoTab = nullptr;
int g_nSysInfoPage = 0;
char g_szTabText[256] = {};

void ResetAppGlobals() {
    g_pMainDlg = nullptr;
    delete g_pBmpCollapsed;
    g_pBmpCollapsed = nullptr;
    delete g_pBmpExpanded;
    g_pBmpExpanded = nullptr;

    g_pAdvancedDlg = nullptr;
    g_bColorThrottle = TRUE;
    g_nLastShownOutput = 0;
    g_nLastShownInput = 0;
    g_nTriggerLedEntry = -1;

    for (int& n : g_RangeListCodes) n = 0;

    g_hSysInfoWnd = nullptr;
    g_hSysInfoTab = nullptr;
    g_nSysInfoPage = 0;
    g_szTabText[0] = '\0';
}
