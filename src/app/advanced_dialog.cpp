// The advanced dialog's class, its settings and access row, and the main dialog's command that runs it.
#include "app/advanced_dialog.h"

#include <cstdio>

#include "app/channel_panel.h"
#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "app/text_helpers.h"
#include "platform/hostlib/crs_interapp.h"
#include "resources/advanced_dialog_resource.h"
#include "resources/resource.h"

namespace {

constexpr char kAccessCode[] = "kWd";
constexpr char kChannelCountMessage[] =
    "Please enter a number between 2 and 16     \nfor the number of D/A channels.   ";
constexpr int kTimerPeriodMs = 50;
constexpr int kLedOnMinMs = 1;
constexpr int kLedOnMaxMs = 10000;

// The host's set-up for latency work, sent on every opening in this order.
constexpr const char* kOpeningCommands[] = {
    "smoothingpoints 1",   "positiveLock off", "pupilThreshold 0.5",    "pupilType bright", "setROI_AllOff",
    "setROI_Selection 1",  "penplot -all",     "penplot +Xpupil",       "penplot +Xgaze",   "penplot +ROI",
    "penplot +Processing", "penplot +FPS",     "penPlot_Range ROI 0 4",
};

void EnableItem(CWnd* pDlg, int nId, BOOL bEnable) {
    if (CWnd* pWnd = pDlg->GetDlgItem(nId)) pWnd->EnableWindow(bEnable);
}

void ShowItem(CWnd* pDlg, int nId, BOOL bShow) {
    if (CWnd* pWnd = pDlg->GetDlgItem(nId)) pWnd->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
}

}  // namespace

IMPLEMENT_DYNAMIC(CQVLMisc, CDialog)

CQVLMisc::CQVLMisc(CWnd* pParent) : CDialog(IDD_QVL_ADVANCED, pParent) {}

CQVLMisc::~CQVLMisc() = default;

void CQVLMisc::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_ADV_TTL_TEST_PULSE, m_bTtlTestPulse);
    DDX_Text(pDX, IDC_ADV_CHANNELS, m_nChannels);
    DDX_Check(pDX, IDC_ADV_HOST_DISABLED, m_bHostInterfaceDisabled);
    DDX_Check(pDX, IDC_ADV_PULSE_GENERATOR, m_bPulseGeneratorEnabled);
    DDX_Check(pDX, IDC_ADV_UI_DISABLED, m_bUiUpdatesDisabled);
    DDX_Text(pDX, IDC_ADV_LOOPS, m_nBurstLoops);
    DDX_Text(pDX, IDC_ADV_FIRST_BURST, m_nBurstDelayMs);
    DDX_Text(pDX, IDC_ADV_LED6_ON, m_nLed6OnMs);
    DDV_MinMaxInt(pDX, m_nLed6OnMs, kLedOnMinMs, kLedOnMaxMs);
    DDX_Text(pDX, IDC_ADV_LED7_ON, m_nLed7OnMs);
    DDV_MinMaxInt(pDX, m_nLed7OnMs, kLedOnMinMs, kLedOnMaxMs);
}

BOOL CQVLMisc::OnInitDialog() {
    CDialog::OnInitDialog();

    CRect rc;
    GetWindowRect(&rc);
    MoveWindow(rc.left, rc.top, ADVANCED_WINDOW_WIDTH, ADVANCED_WINDOW_HEIGHT, TRUE);

    UpdateAccess();

    m_bUiUpdatesDisabled = theApp.m_bUiUpdatesDisabled;

    m_nTimerPeriodMs = kTimerPeriodMs;
    m_nTimer = SetTimer(TIMER_ADVANCED, static_cast<UINT>(m_nTimerPeriodMs), nullptr);
    if (m_nTimer == 0) AfxMessageBox("Could not setup default timer.", MB_OK);

    ResetLatencyStats();

    char cmd[ADVANCED_COMMAND_SIZE];
    for (const char* pszCommand : kOpeningCommands) {
        std::snprintf(cmd, sizeof cmd, "%s", pszCommand);
        CRS_SendCommand("%s", cmd);
    }

    EnableItem(this, IDC_ADV_START, FALSE);
    m_bRoisReady = FALSE;

    UpdateData(FALSE);
    return TRUE;
}

void CQVLMisc::UpdateAccess() {
    const BOOL bUnlocked = theApp.m_bAdvancedUnlocked ? TRUE : FALSE;
    const BOOL bAnalog = m_nAnalogChannels != 0 ? TRUE : FALSE;
    EnableItem(this, IDC_ADV_TTL_TEST_PULSE, bUnlocked && !bAnalog);
    EnableItem(this, IDC_ADV_CHANNELS_LABEL, bUnlocked && bAnalog);
    EnableItem(this, IDC_ADV_CHANNELS, bUnlocked && bAnalog);
    EnableItem(this, IDOK, bUnlocked);
    ShowItem(this, IDC_ADV_PIN_NOTE, bUnlocked && !bAnalog);
    for (int nId :
         {IDC_ADV_HOST_DISABLED, IDC_ADV_UI_DISABLED, IDC_ADV_ONE_SHOT, IDC_ADV_LOOPS, IDC_ADV_FIRST_BURST})
        EnableItem(this, nId, bUnlocked);
    EnableItem(this, IDC_ADV_PULSE_GENERATOR, FALSE);
    const BOOL bGenerator = bUnlocked && m_bPulseGeneratorEnabled;
    for (int i = 0; i < 8; ++i) {
        EnableItem(this, IDC_ADV_GEN_CYCLE_FIRST + i, bGenerator);
        EnableItem(this, IDC_ADV_GEN_ON_FIRST + i, bGenerator);
        EnableItem(this, IDC_ADV_GEN_ENABLE_FIRST + i, bGenerator);
        EnableItem(this, IDC_ADV_GEN_DELAY_FIRST + i, bGenerator);
    }
    for (int nId : {IDC_ADV_PASSWORD_LABEL, IDC_ADV_PASSWORD, IDC_ADV_PW}) ShowItem(this, nId, !bUnlocked);
    EnableItem(this, IDC_ADV_START, bUnlocked);
}

void CQVLMisc::OnPassword() {
    CString strCode;
    if (CWnd* pEdit = GetDlgItem(IDC_ADV_PASSWORD)) pEdit->GetWindowText(strCode);
    if (strCode != kAccessCode) return;
    theApp.m_bAdvancedUnlocked = TRUE;
    UpdateAccess();
}

void CQVLMisc::OnOK() {
    UpdateData(TRUE);
    CWnd* pChannels = GetDlgItem(IDC_ADV_CHANNELS);
    if (pChannels != nullptr && pChannels->IsWindowEnabled() &&
        (m_nChannels < 2 || m_nChannels > MAX_CHANNELS)) {
        AfxMessageBox(kChannelCountMessage, MB_OK);
        return;
    }
    CDialog::OnOK();
}

void CQVLMisc::OnDisableUiUpdates() {
    UpdateData(TRUE);
    theApp.m_bUiUpdatesDisabled = m_bUiUpdatesDisabled;
}

BEGIN_MESSAGE_MAP(CQVLMisc, CDialog)
ON_BN_CLICKED(IDC_ADV_PW, &CQVLMisc::OnPassword)
ON_BN_CLICKED(IDC_ADV_START, &CQVLMisc::OnStartStop)
ON_BN_CLICKED(IDC_ADV_UI_DISABLED, &CQVLMisc::OnDisableUiUpdates)
ON_BN_CLICKED(IDC_ADV_ONE_SHOT, &CQVLMisc::OnOneShot)
ON_BN_CLICKED(IDC_ADV_BOTH, &CQVLMisc::OnBoth)
ON_BN_CLICKED(IDC_ADV_TOGGLE_CHECK, &CQVLMisc::OnToggleCheck)
ON_BN_CLICKED(IDC_ADV_RESET, &CQVLMisc::OnReset)
ON_WM_TIMER()
ON_WM_PAINT()
ON_BN_CLICKED(IDC_ADV_SETUP_ROIS, &CQVLMisc::OnSetupRois)
END_MESSAGE_MAP()

// ---- The main dialog's command ----

void CTessaro2010Dlg::OnAdvanced() {
    if (g_Params.nBoardIndex == -1) return;
    const CapabilitiesRecord* pRec = CurrentBoardRecord();
    const int nBoardAnalogChannels = pRec != nullptr ? pRec->nAnalogChannels : 0;

    CQVLMisc dlg;
    const int nOldChannels = m_nChannels;
    dlg.m_bTtlTestPulse = m_bTtlTestPulse;
    dlg.m_nChannels = m_nChannels;
    dlg.m_nAnalogChannels = nBoardAnalogChannels;
    dlg.m_bHostInterfaceDisabled = theApp.m_bHostInterfaceDisabled;
    dlg.m_bPulseGeneratorEnabled = theApp.m_bPulseGeneratorEnabled;
    dlg.m_nBurstLoops = m_nBurstLoops;
    dlg.m_nBurstDelayMs = m_nBurstDelayMs;
    dlg.m_nLed6OnMs = m_nLed6OnMs;
    dlg.m_nLed7OnMs = m_nLed7OnMs;

    m_bAdvancedOpen = TRUE;
    g_pAdvancedDlg = &dlg;
    const INT_PTR nResult = dlg.DoModal();
    g_pAdvancedDlg = nullptr;
    m_bAdvancedOpen = FALSE;
    // A burst started from the dialog is asked to stop with it, whatever the dialog returned.
    m_bBurstAbort = TRUE;

    if (nResult == IDOK) {
        m_bTtlTestPulse = dlg.m_bTtlTestPulse;
        theApp.m_bHostInterfaceDisabled = dlg.m_bHostInterfaceDisabled;
        theApp.m_bPulseGeneratorEnabled = dlg.m_bPulseGeneratorEnabled;
        PollHostStatus();
        UpdateStatusLine();
        m_nBurstLoops = dlg.m_nBurstLoops;
        m_nBurstDelayMs = dlg.m_nBurstDelayMs;
        m_nLed6OnMs = dlg.m_nLed6OnMs;
        m_nLed7OnMs = dlg.m_nLed7OnMs;
        ShowBoardLabel();
        if (nBoardAnalogChannels != 0 && dlg.m_nChannels != nOldChannels) {
            m_nChannels = dlg.m_nChannels;
            m_nFirstVisibleChannel = 0;
            if (CWnd* pScroll = GetDlgItem(IDC_CHANNEL_SCROLL)) {
                pScroll->ShowWindow(m_nChannels > 2 ? SW_SHOW : SW_HIDE);
                ::SetScrollRange(pScroll->GetSafeHwnd(), SB_CTL, 0, m_nChannels - 2, TRUE);
                ::SetScrollPos(pScroll->GetSafeHwnd(), SB_CTL, 0, TRUE);
            }
            DiscardChannelPanels();
            SizeMainDialog(-1);
            CreateChannelDialogs();
        }
    }

    if (GetSafeHwnd() != nullptr) InvalidateRect(nullptr, TRUE);
}

void CTessaro2010Dlg::OnUpdateAdvanced(CCmdUI* pCmdUI) {
    pCmdUI->Enable(g_Params.nBoardIndex != -1);
}
