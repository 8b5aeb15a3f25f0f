#include "app/main_dialog.h"

#include <cstring>

#include "resources/resource.h"

CBitmap* g_pBmpCollapsed = nullptr;
CBitmap* g_pBmpExpanded = nullptr;

CTessaro2010Dlg::CTessaro2010Dlg(CWnd* pParent) : CDialog(IDD_TESSARO_DIALOG, pParent) {
    // The members marked for the constructor take their values from their initialisers above.
    CWinApp* pApp = AfxGetApp();
    m_hIcon = pApp != nullptr ? pApp->LoadIcon(IDR_MAINFRAME) : nullptr;
    std::memset(g_CapabilitiesRecords, 0, sizeof g_CapabilitiesRecords);
    g_pBmpCollapsed = nullptr;
    g_pBmpExpanded = nullptr;
    for (COLORREF& c : m_crControlColor) c = LED_DARK;
    m_nControlColorId[0] = 0;
    m_nControlColors = 0;
    m_strDefaultParamPath.Empty();
    m_strLastParamPath.Empty();
}
