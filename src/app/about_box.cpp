#include "app/about_box.h"

#include <cstdio>
#include <cstring>

#include "app/main_dialog.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// The build stamp shown; this file's own compile date and time until the executable sets its own.
constexpr char kOwnDate[] = __DATE__;
constexpr char kOwnTime[] = __TIME__;
LPCTSTR g_pszBuildDate = kOwnDate;
LPCTSTR g_pszBuildTime = kOwnTime;

}  // namespace

void SetBuildStamp(LPCTSTR pszDate, LPCTSTR pszTime) {
    const bool bOwn = pszDate == nullptr || pszTime == nullptr;
    g_pszBuildDate = bOwn ? kOwnDate : pszDate;
    g_pszBuildTime = bOwn ? kOwnTime : pszTime;
}

BEGIN_MESSAGE_MAP(CAboutDlg, CDialog)
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX, nullptr), m_bModeless(FALSE) {}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
}

BOOL CAboutDlg::CreateModeless(CWnd* pParent) {
    m_bModeless = TRUE;
    return CDialog::Create(IDD_ABOUTBOX, pParent);
}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    for (int nId : {IDOK, IDC_ABOUT_ICON, IDC_ABOUT_TEXT1, IDC_ABOUT_TEXT2}) {
        if (CWnd* pItem = GetDlgItem(nId)) pItem->ShowWindow(SW_HIDE);
    }
    // 550 x 575 pixels on the screen, whatever the template's size: room for the picture and the texts.
    MoveWindow(4, 127, 550, 575, TRUE);
    if (m_bModeless) ShowWindow(SW_SHOW);
    return TRUE;
}

void CAboutDlg::OnPaint() {
    CPaintDC dc(this);
    dc.SetBkColor(kWhite);
    CRect rcClient;
    GetClientRect(&rcClient);
    dc.FillSolidRect(&rcClient, kWhite);

    // Without the memory context or the picture the box shows its texts on white.
    CDC memDC;
    if (memDC.CreateCompatibleDC(&dc)) {
        CBitmap bmpPicture;
        if (bmpPicture.LoadBitmap(IDB_ABOUT)) {
            CBitmap* pOldBitmap = memDC.SelectObject(&bmpPicture);
            dc.BitBlt(10, 10, 500, 350, &memDC, 0, 0, SRCCOPY);
            memDC.SelectObject(pOldBitmap);
            bmpPicture.DeleteObject();
        }
        memDC.DeleteDC();
    }

    LPCTSTR pszFileVersion = AfxFindVersionText("FileVersion");
    if (pszFileVersion == nullptr) pszFileVersion = "";
    // Opaque on the white background colour set above.
    char szLine[256];
    auto line = [&dc, &szLine](int x, int y) {
        dc.TextOut(x, y, szLine, static_cast<int>(std::strlen(szLine)));
    };
    std::snprintf(szLine, sizeof szLine, "PRODUCT:");
    line(15, 358);
    std::snprintf(szLine, sizeof szLine, "File Version:  %s", pszFileVersion);
    line(25, 376);
    std::snprintf(szLine, sizeof szLine, "Build Date:  %s,  %s", g_pszBuildDate, g_pszBuildTime);
    line(25, 394);
    std::snprintf(szLine, sizeof szLine, "Build Type:  %s", "Release Build");
    line(25, 412);
}

void CAboutDlg::OnLButtonDown(UINT nFlags, CPoint point) {
    CDialog::OnLButtonDown(nFlags, point);
    if (m_bModeless) {
        SetWindowPos(&CWnd::wndNoTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ShowWindow(SW_HIDE);
    } else {
        OnCancel();  // ends the modal run with IDCANCEL
    }
}

BOOL CTessaro2010Dlg::ShowAboutBox() {
    if (m_pAboutDlg != nullptr) {
        if (m_pAboutDlg->GetSafeHwnd() != nullptr) m_pAboutDlg->BringWindowToTop();
        return FALSE;
    }
    m_pAboutDlg = new CAboutDlg;
    // Before the main dialog has a window (the start-up splash) the box is a top-level window of its own.
    const BOOL bCreated = m_pAboutDlg->CreateModeless(this);
    if (!bCreated) {
        delete m_pAboutDlg;
        m_pAboutDlg = nullptr;
        AfxMessageBox("Error: Cannot create the modeless 'About' dialog.    ", MB_OK);
    }
    return bCreated;
}
