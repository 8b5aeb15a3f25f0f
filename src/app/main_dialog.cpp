#include "app/main_dialog.h"

#include <cstring>

#include "app/about_box.h"
#include "app/channel_panel.h"
#include "resources/resource.h"

namespace {

constexpr char kDefaultParamPath[] = ".\\Settings\\TessaroParams.prm";
constexpr char kRedrawMessageName[] = "RedrawChannelDialogs";
constexpr int kSawToothPeriodMs = 50;
constexpr int kTtlTestPeriodMs = 50;
constexpr int kDefaultPeriodMs = 33;
constexpr int kResetLedCaptions = 2346;

void SetTextIfPresent(CWnd* pWnd, LPCTSTR lpszText) {
    if (pWnd != nullptr) pWnd->SetWindowText(lpszText);
}

}  // namespace

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

CTessaro2010Dlg::~CTessaro2010Dlg() {
    // A TTL burst worker may still be between two pulses. It is asked to stop and waited for, or given
    // up, before anything is saved or freed, and the ROI-output option it remembered at its start is put
    // back, so the saved settings hold it.
    EndTtlBurstAtShutdown();

    // The default path is set by the start-up; a dialog that never started has no settings to keep.
    if (!m_strDefaultParamPath.IsEmpty()) SaveParameters(FALSE, TRUE);

    delete g_pBmpCollapsed;
    g_pBmpCollapsed = nullptr;
    delete g_pBmpExpanded;
    g_pBmpExpanded = nullptr;
    for (CAnalogOutputChannel*& pPanel : m_pChannelDlg) {
        delete pPanel;
        pPanel = nullptr;
    }
    delete m_pAboutDlg;
    m_pAboutDlg = nullptr;
    delete m_pCtlBkBrush;
    m_pCtlBkBrush = nullptr;
    delete m_pDialogBkBrush;
    m_pDialogBkBrush = nullptr;
}

void CTessaro2010Dlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_TTL_TEST, m_bTtlTest);
    DDX_Check(pDX, IDC_ENABLE_TRIGGER, m_bEnableTrigger);
}

INT_PTR CTessaro2010Dlg::DoModal() {
    const INT_PTR nResult = CDialog::DoModal();
    // However the run ended (Yes to the quit question, the OK command, a failed creation), host
    // notifications and the text setters stop here.
    m_bClosing = TRUE;
    return nResult;
}

// The order matters: the parameter defaults come before anything reads g_Params, discovery before the
// silent load (which selects the saved board), the load before the panels and the radix list, and the
// timers last, so that no tick meets a half-built dialog. Host notifications may already arrive while a
// message box of any step is open.
BOOL CTessaro2010Dlg::OnInitDialog() {
    CDialog::OnInitDialog();

    m_nRedrawMsg = RegisterWindowMessage(kRedrawMessageName);

    ShowAboutBox();

    if (CWnd* pExpand = GetDlgItem(IDC_EXPAND_ALL)) {
        g_pBmpCollapsed = new CBitmap;
        g_pBmpExpanded = new CBitmap;
        g_pBmpCollapsed->LoadBitmap(IDB_COLLAPSED);
        g_pBmpExpanded->LoadBitmap(IDB_EXPANDED);
        const CBitmap* pImage = m_bPanelsExpanded ? g_pBmpExpanded : g_pBmpCollapsed;
        pExpand->SendMessage(BM_SETIMAGE, IMAGE_BITMAP,
                             reinterpret_cast<LPARAM>(static_cast<HBITMAP>(*pImage)));
    }

    if (CMenu* pSysMenu = GetSystemMenu(FALSE)) {
        CString strAboutMenu;
        strAboutMenu.LoadString(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, ID_APP_ABOUT, strAboutMenu);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    ResetTtlLeds(kResetLedCaptions);
    ResetTtlLeds(0);

    m_nMessageTicks = 0;
    m_pMessageLine = GetDlgItem(IDC_MESSAGE_LINE);
    SetTextIfPresent(m_pMessageLine, "");
    m_pBoardLabel = GetDlgItem(IDC_BOARD_LABEL);
    m_pTtlOutputLine = GetDlgItem(IDC_TTL_OUTPUT);
    m_pTtlInputLine = GetDlgItem(IDC_TTL_INPUT);

    SetParameterDefaults();

    m_nBoards = 0;
    m_bBoardError = FALSE;

    SetTextIfPresent(GetDlgItem(IDC_ANALOG_GROUP), "Analog Output");

    InitUniversalLibrary();
    SetBoardErrorHandling(FALSE);
    MCL_determineBoards();

    PollHostStatus();

    m_nBoardFamily = FAMILY_NONE;

    m_strDefaultParamPath = kDefaultParamPath;
    LoadParameters(FALSE);

    m_nFirstVisibleChannel = 0;
    CreateChannelDialogs();

    FillRadixCombo();

    SetTextIfPresent(GetDlgItem(IDC_TRIGGER_LED), "");
    SetControlColor(IDC_TRIGGER_LED, LED_DARK);

    m_bEnableTrigger = g_Params.bExternalInterrupt;
    if (m_bEnableTrigger == 1 || m_bEnableTrigger == 0) {
        const int nShow = m_bEnableTrigger ? SW_SHOW : SW_HIDE;
        for (int nId : {IDC_TRIGGER_LED, IDC_TRIGGER_LABEL}) {
            if (CWnd* pWnd = GetDlgItem(nId)) pWnd->ShowWindow(nShow);
        }
    }

    // A timer that cannot be set is reported and never ticks; start-up goes on with the others.
    m_nSawToothPeriodMs = kSawToothPeriodMs;
    m_nSawToothTimer = SetTimer(TIMER_SAWTOOTH, static_cast<UINT>(m_nSawToothPeriodMs), nullptr);
    if (m_nSawToothTimer == 0) AfxMessageBox("Could not setup saw tooth timer.");

    m_bTtlTest = FALSE;

    m_nTtlTestPeriodMs = kTtlTestPeriodMs;
    m_nTtlTestTimer = SetTimer(TIMER_TTL_TEST, static_cast<UINT>(m_nTtlTestPeriodMs), nullptr);
    if (m_nTtlTestTimer == 0) AfxMessageBox("Could not setup TTL test timer.");

    m_nDefaultPeriodMs = kDefaultPeriodMs;
    m_nDefaultTimer = SetTimer(TIMER_DEFAULT, static_cast<UINT>(m_nDefaultPeriodMs), nullptr);
    if (m_nDefaultTimer == 0) AfxMessageBox("Could not setup default timer.");

    SetTextIfPresent(GetDlgItem(IDC_STATUS_LINE), "");
    SetTextIfPresent(GetDlgItem(IDC_NOTICE_LINE), "");

    return TRUE;
}

void CTessaro2010Dlg::OnPaint() {
    if (!IsIconic()) {
        CDialog::OnPaint();
        UpdateStatusLine();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - cxIcon + 1) / 2;
    const int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CTessaro2010Dlg::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(m_hIcon);
}

// Every control's colour request gets a freshly made brush of the dialog's background, and redraws the
// status line (which the control's own painting would otherwise cover).
HBRUSH CTessaro2010Dlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    if (m_pCtlBkBrush == nullptr)
        m_pCtlBkBrush = new CBrush;
    else
        m_pCtlBkBrush->DeleteObject();
    if (pDC != nullptr) {
        pDC->SetBkColor(m_crBackground);
        pDC->SetTextColor(m_crText);
    }
    m_pCtlBkBrush->CreateSolidBrush(m_crBackground);
    UpdateStatusLine();
    return static_cast<HBRUSH>(*m_pCtlBkBrush);
}

void CTessaro2010Dlg::OnAbout() {
    if (m_pAboutDlg != nullptr) {
        m_pAboutDlg->ShowWindow(SW_SHOWNORMAL);
        return;
    }
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
}

void CTessaro2010Dlg::OnCancel() {
    if (AfxMessageBox(kQuitQuestion, MB_YESNO) != IDYES) return;
    m_bClosing = TRUE;
    CDialog::OnCancel();
}

// The system menu's About item (command 16) is left to the default processing of WM_SYSCOMMAND, under
// which it has no effect; Help > About is the command 16 of the menu bar.
BEGIN_MESSAGE_MAP(CTessaro2010Dlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_CTLCOLOR()
ON_WM_VSCROLL()
ON_COMMAND(ID_APP_ABOUT, &CTessaro2010Dlg::OnAbout)
ON_WM_SIZING()
ON_WM_SIZE()
ON_WM_MOVE()
ON_WM_TIMER()
ON_BN_CLICKED(IDC_TTL_TEST, &CTessaro2010Dlg::OnTtlTestCheck)
ON_BN_CLICKED(IDC_RADIX_BUTTON, &CTessaro2010Dlg::OnRadixButton)
ON_BN_CLICKED(IDC_ENABLE_TRIGGER, &CTessaro2010Dlg::OnEnableTrigger)
ON_CBN_SELCHANGE(IDC_RADIX_LIST, &CTessaro2010Dlg::OnSelchangeRadix)
ON_BN_CLICKED(IDC_SHOW_MSG_COUNT, &CTessaro2010Dlg::OnShowMsgCount)
ON_COMMAND(ID_SAVE_PARAMETERS, &CTessaro2010Dlg::OnSaveParameters)
ON_COMMAND(ID_LOAD_PARAMETERS, &CTessaro2010Dlg::OnLoadParameters)
ON_COMMAND(ID_FILE_EXIT, &CTessaro2010Dlg::OnExit)
ON_BN_CLICKED(IDC_EXPAND_ALL, &CTessaro2010Dlg::OnExpandToggle)
ON_COMMAND(ID_ADVANCED, &CTessaro2010Dlg::OnAdvanced)
ON_UPDATE_COMMAND_UI(ID_ADVANCED, &CTessaro2010Dlg::OnUpdateAdvanced)
ON_WM_DRAWITEM()
ON_MESSAGE(CTessaro2010Dlg::WM_TTL_EXTERNAL_INTERRUPT, &CTessaro2010Dlg::OnExternalInterruptEvent)
ON_MESSAGE(CTessaro2010Dlg::WM_TTL_BURST_REPORT, &CTessaro2010Dlg::OnTtlBurstReport)
END_MESSAGE_MAP()
