// The Latency Measurement group of the advanced dialog: bursts, the two LED ROIs, the latency table,
// the LED row and the instruction panel. User-interface thread; the main dialog is reached through
// g_pMainDlg, which is set while the dialog runs (the running main dialog opens it).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/advanced_dialog.h"
#include "app/main_dialog.h"
#include "app/text_helpers.h"
#include "platform/hostlib/crs_interapp.h"
#include "resources/advanced_dialog_resource.h"

namespace {

constexpr char kInstructions[] =
    "Please ensure that both LED's are appropriately visible in the field of view.\n\nThen click on 'Setup "
    "ROIs'. ";
constexpr USHORT kLed7Held = 0x8080;
constexpr USHORT kLed6Held = 0x8040;
constexpr float kRoiSize = 0.2f;
constexpr DWORD kSettleMs = 200;
constexpr int kMaxReadings = 10;
// A pupil point outside this range is no reading of an LED in the image (the image spans 0..1); its
// rectangle is not formatted, so the command always fits its buffer.
constexpr float kPupilPointLimit = 10.0f;
constexpr int kRepaintTick = 10;
constexpr unsigned kInstructionPeriod = 10;
constexpr int kPulseStartCommands = 4;
constexpr const char* kStartCommands[kPulseStartCommands] = {"smoothingpoints 1", "positiveLock off",
                                                             "pupilType bright", "setROI_Selection 1"};
constexpr double kResetMin = 1e30;
constexpr double kResetMax = -1e30;

void SendCommand(const char* pszText) {
    char cmd[ADVANCED_COMMAND_SIZE];
    std::snprintf(cmd, sizeof cmd, "%s", pszText);
    CRS_SendCommand("%s", cmd);
}

void RepaintLedRow(CTessaro2010Dlg* pMain) {
    for (int nId = IDC_ADV_LED_FIRST; nId < IDC_ADV_LED_FIRST + 8; ++nId)
        pMain->SetControlColor(nId, CLR_DIALOG);
}

// "autoThreshold", then pupil readings 200 ms apart until two in a row give the same rectangle (to two
// decimals) or ten readings were taken; the last rectangle becomes ROI nRoi. Blocks the caller.
void PlaceRoiOnLitLed(int nRoi) {
    char cmd[ADVANCED_COMMAND_SIZE] = "";
    char cmdPrev[ADVANCED_COMMAND_SIZE] = "+";
    int nRound = 0;
    std::snprintf(cmd, sizeof cmd, "%s", "autoThreshold");
    CRS_SendCommand("%s", cmd);
    while (std::strcmp(cmd, cmdPrev) != 0 && nRound++ < kMaxReadings) {
        std::memcpy(cmdPrev, cmd, sizeof cmd);
        Sleep(kSettleMs);
        float pupPos[2] = {0.0f, 0.0f};
        CRS_GetPupilPoint2(0, pupPos);
        const float fLeft = pupPos[0] - kRoiSize / 2;
        const float fRight = fLeft + kRoiSize;
        const float fTop = pupPos[1] - kRoiSize / 2;
        const float fBottom = fTop + kRoiSize;
        const bool bSane = std::isfinite(pupPos[0]) && std::isfinite(pupPos[1]) &&
                           std::fabs(pupPos[0]) <= kPupilPointLimit &&
                           std::fabs(pupPos[1]) <= kPupilPointLimit;
        if (bSane) {
            std::snprintf(cmd, sizeof cmd, "setROI_RealRect %d %0.2f %0.2f %0.2f %0.2f", nRoi,
                          static_cast<double>(fLeft), static_cast<double>(fTop), static_cast<double>(fRight),
                          static_cast<double>(fBottom));
        } else {
            cmd[0] = '\0';
        }
    }
    if (cmd[0] != '\0') CRS_SendCommand("%s", cmd);
}

}  // namespace

void CQVLMisc::ResetLatencyStats() {
    if (CTessaro2010Dlg* pMain = g_pMainDlg) {
        pMain->m_nBurstPulseCount = 0;
        for (LatencyStats& s : pMain->m_Latency) {
            s.dTotal = 0.0;
            s.nCount = 0;
            s.dMin = kResetMin;
            s.dAverage = 0.0;
            s.dMax = kResetMax;
        }
    }
    for (int nId : {IDC_ADV_PULSE_COUNT, IDC_ADV_ON_COUNT, IDC_ADV_ON_MIN, IDC_ADV_ON_AVE, IDC_ADV_ON_MAX,
                    IDC_ADV_OFF_COUNT, IDC_ADV_OFF_MIN, IDC_ADV_OFF_AVE, IDC_ADV_OFF_MAX})
        SetDlgItemText(nId, "");
}

// The exchange comes first: a refused LED on-time (or any field that is not a number) leaves the click
// without effect beyond the framework's message, so no burst ever starts or stops with a time outside
// 1..10000 ms.
void CQVLMisc::OnStartStop() {
    CTessaro2010Dlg* pMain = g_pMainDlg;
    if (pMain == nullptr) return;
    if (!UpdateData(TRUE)) return;

    const BOOL bBusy = pMain->m_bBurstBusy;
    SetDlgItemText(IDC_ADV_START, bBusy ? "Start" : "Stop");
    if (CWnd* pSetup = GetDlgItem(IDC_ADV_SETUP_ROIS)) pSetup->EnableWindow(bBusy);
    if (!bBusy) {
        ResetLatencyStats();
        for (const char* pszCommand : kStartCommands) SendCommand(pszCommand);
    }

    pMain->m_nBurstLoops = 99999;
    pMain->m_nBurstDelayMs = m_nBurstDelayMs;
    pMain->m_nLed6OnMs = m_nLed6OnMs;
    pMain->m_nLed7OnMs = m_nLed7OnMs;
    pMain->StartTtlBurst(FALSE);
}

void CQVLMisc::OnOneShot() {
    if (CTessaro2010Dlg* pMain = g_pMainDlg) pMain->TtlBurstOneShot();
}

void CQVLMisc::OnBoth() {
    if (CTessaro2010Dlg* pMain = g_pMainDlg) pMain->TtlBurstBoth();
}

void CQVLMisc::OnToggleCheck() {
    if (CTessaro2010Dlg* pMain = g_pMainDlg) pMain->TtlBurstToggleCheck();
}

void CQVLMisc::OnReset() {
    ResetLatencyStats();
}

void CQVLMisc::OnSetupRois() {
    CTessaro2010Dlg* pMain = g_pMainDlg;
    if (pMain != nullptr) pMain->TTL_setOutput_to_values(kLed7Held);
    PlaceRoiOnLitLed(2);
    if (pMain != nullptr) pMain->TTL_setOutput_to_values(kLed6Held);
    PlaceRoiOnLitLed(1);
    SendCommand("setROI_Selection 1");
    if (CWnd* pStart = GetDlgItem(IDC_ADV_START)) pStart->EnableWindow(TRUE);
    ResetLatencyStats();
    m_bRoisReady = TRUE;
}

void CQVLMisc::OnTimer(UINT_PTR nIDEvent) {
    ++m_nTimerTicks;
    CTessaro2010Dlg* pMain = g_pMainDlg;
    if (m_nTimerTicks == kRepaintTick && pMain != nullptr) RepaintLedRow(pMain);
    if (m_nTimerTicks % kInstructionPeriod == 0) ShowLedInstructions();

    if (m_bRoisReady && pMain != nullptr && pMain->m_bBurstBusy && pMain->m_Latency[1].nCount != 0 &&
        pMain->m_Latency[0].nCount != 0) {
        char sz[64];
        std::snprintf(sz, sizeof sz, "%ld", static_cast<long>(pMain->m_nBurstPulseCount.load()));
        SetDlgItemText(IDC_ADV_PULSE_COUNT, sz);
        const int onIds[4] = {IDC_ADV_ON_COUNT, IDC_ADV_ON_MIN, IDC_ADV_ON_AVE, IDC_ADV_ON_MAX};
        const int offIds[4] = {IDC_ADV_OFF_COUNT, IDC_ADV_OFF_MIN, IDC_ADV_OFF_AVE, IDC_ADV_OFF_MAX};
        for (int nSeries = 0; nSeries < 2; ++nSeries) {
            LatencyStats& s = pMain->m_Latency[nSeries];
            const int* ids = nSeries == 0 ? onIds : offIds;
            s.dAverage = s.dTotal / s.nCount;
            std::snprintf(sz, sizeof sz, "%ld", static_cast<long>(s.nCount));
            SetDlgItemText(ids[0], sz);
            const double values[3] = {s.dMin, s.dAverage, s.dMax};
            for (int k = 0; k < 3; ++k) {
                std::snprintf(sz, sizeof sz, "%.1lf", values[k] * 1000.0);
                SetDlgItemText(ids[k + 1], sz);
            }
        }
    }
    CDialog::OnTimer(nIDEvent);
}

void CQVLMisc::OnPaint() {
    {
        CPaintDC dc(this);
        if (CTessaro2010Dlg* pMain = g_pMainDlg) RepaintLedRow(pMain);
        ShowLedInstructions();
    }
}

void CQVLMisc::ShowLedInstructions() {
    CWnd* pPanel = GetDlgItem(IDC_ADV_INSTRUCTIONS);
    CWnd* pPicture = GetDlgItem(IDC_ADV_PICTURE);
    if (m_bPictureShown || pPanel == nullptr || pPicture == nullptr) return;
    if (m_bRoisReady) {
        pPicture->ShowWindow(SW_SHOW);
        pPanel->ShowWindow(SW_HIDE);
        m_bPictureShown = TRUE;
        return;
    }
    pPanel->SetWindowText("");
    pPicture->ShowWindow(SW_HIDE);
    pPanel->ShowWindow(SW_SHOW);
    pPanel->BringWindowToTop();
    // The panel's own repaint for the new text and the showing comes first, so it does not cover the red.
    pPanel->UpdateWindow();
    CDC* pDC = pPanel->GetDC();
    if (pDC == nullptr) return;
    CRect rc;
    pPanel->GetClientRect(&rc);
    pDC->FillSolidRect(&rc, RGB(255, 0, 0));
    pDC->SetBkColor(RGB(255, 0, 0));
    pDC->SetTextColor(RGB(255, 255, 255));
    pDC->DrawText(kInstructions, -1, &rc, DT_CENTER | DT_WORDBREAK);
    pPanel->ReleaseDC(pDC);
}
