#include "app/main_dialog.h"

#include <cstring>

#include "resources/resource.h"

CBitmap* g_pBmpCollapsed = nullptr;
CBitmap* g_pBmpExpanded = nullptr;
CTessaro2010Dlg* g_pMainDlg = nullptr;

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

// FIXME: lifecycle stubs until the main dialog's start-up, painting and closing are in place.
CTessaro2010Dlg::~CTessaro2010Dlg() = default;
INT_PTR CTessaro2010Dlg::DoModal() { return CDialog::DoModal(); }
BOOL CTessaro2010Dlg::OnInitDialog() { return CDialog::OnInitDialog(); }
void CTessaro2010Dlg::OnCancel() { CDialog::OnCancel(); }
void CTessaro2010Dlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }
void CTessaro2010Dlg::OnPaint() { CPaintDC dc(this); }
HCURSOR CTessaro2010Dlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }
HBRUSH CTessaro2010Dlg::OnCtlColor(CDC*, CWnd*, UINT) { return nullptr; }
void CTessaro2010Dlg::OnAbout() {}

BEGIN_MESSAGE_MAP(CTessaro2010Dlg, CDialog)
    ON_WM_DRAWITEM()
END_MESSAGE_MAP()
