#include "support/advanced_dialog_fixture.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/tessaro_app.h"
#include "app/text_helpers.h"
#include "engine/ttl_output.h"
#include "platform/hostlib/sim_host.h"
#include "platform/win/clock_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/user_agent_testing.h"
#include "platform/win/window_testing.h"
#include "support/temp_work_dir.h"

void AdvancedDialogFixture::SetUp() {
    MainDialogFixture::SetUp();
    m_pDlg->m_nRedrawMsg = RegisterWindowMessage("RedrawChannelDialogs");
    g_pMainDlg = m_pDlg.get();
    AfxGetApp()->m_pMainWnd = m_pDlg.get();
    theApp.m_bAdvancedUnlocked = TRUE;
    theApp.m_bPulseGeneratorEnabled = FALSE;
    SimHost().SetPostFunction([](HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
        return PostMessage(hWnd, nMessage, wParam, lParam);
    });
    // The LED camera sees the board's TTL output lines.
    CSimBoards::SetOutputListener([](const SimOutputChange& change) {
        if (change.eKind != ESimOutput::DigitalPort) return;
        const int nByte = CSimBoards::GetTtlOutputByte(change.nBoard);
        if (nByte >= 0) SimHost().NotifyTtlOutput(nByte);
    });
    // The host's notifications reach the main dialog through the interapp window.
    theApp.m_nNotificationCount = 0;
    g_nLastTtlOutput = 9999999;
    g_nTtlShadowWord = 0;
    ASSERT_TRUE(theApp.CreateInterAppWindow(nullptr));
    FailTestOnStalledLoop(3000);
}

void AdvancedDialogFixture::TearDown() {
    if (m_nHostHook != 0) CClock::RemoveTimeHook(m_nHostHook);
    m_nHostHook = 0;
    CMessageLoopTesting::SetStallHandler({});
    CClockTesting::SetWorkerSleep(CClockTesting::WorkerSleepAdvances);
    // A burst started by a test ends before the dialog goes.
    if (m_pDlg && m_pDlg->m_bBurstBusy) {
        m_pDlg->m_bBurstAbort = TRUE;
        for (int i = 0; i < 20000 && m_pDlg->m_bBurstBusy; ++i) CClockTesting::Advance(1);
    }
    AfxWaitForAllThreads(5000);
    CSimBoards::SetOutputListener(nullptr);
    theApp.ExitInstance();
    AfxGetApp()->m_pMainWnd = nullptr;
    g_pMainDlg = nullptr;
    g_pAdvancedDlg = nullptr;
    theApp.m_bHostInterfaceDisabled = FALSE;
    theApp.m_bUiUpdatesDisabled = FALSE;
    MainDialogFixture::TearDown();
}

void AdvancedDialogFixture::StartWithBoard(const std::string& strDevices, int nIndex) {
    AttachDevices(strDevices);
    Discover();
    ASSERT_TRUE(AfxUserChooseMenu(m_pDlg->GetSafeHwnd(), static_cast<UINT>(ID_BOARD_FIRST + nIndex)));
    ASSERT_EQ(nIndex, g_Params.nBoardIndex);
}

void AdvancedDialogFixture::DeliverHostFrames(int nRateHz) {
    SimHost().SetFrameRate(nRateHz);  // the frame clock restarts now
    const LONGLONG nStartUs = CClock::NowMicros();
    const LONGLONG nRate = nRateHz;
    if (m_nHostHook != 0) CClock::RemoveTimeHook(m_nHostHook);
    // Runs one microsecond after each frame falls due, so the frame is posted and handled at its time.
    m_nHostHook = CClock::AddTimeHook([nStartUs, nRate](LONGLONG nNowUs) {
        SimHost().Pump();
        const LONGLONG nElapsed = nNowUs - nStartUs;
        const LONGLONG k = (nElapsed / 1000000) * nRate + (nElapsed % 1000000) * nRate / 1000000;
        const LONGLONG nNext = k + 1;
        return nStartUs + (nNext / nRate) * 1000000 + (nNext % nRate) * 1000000 / nRate + 1;
    });
}

bool AdvancedDialogFixture::RunClock(const std::function<bool()>& pfnDone, LONGLONG nMaxUs,
                                     LONGLONG nStepUs) {
    const LONGLONG nEndUs = CClock::NowMicros() + nMaxUs;
    while (!pfnDone()) {
        const LONGLONG nNowUs = CClock::NowMicros();
        if (nNowUs >= nEndUs) return false;
        // A worker burst between its wake and its next sleep acts at the time it woke: wait for it.
        const auto realStart = std::chrono::steady_clock::now();
        while (m_pDlg->m_bBurstBusy && CClockTesting::SleepingWorkers() == 0) {
            if (std::chrono::steady_clock::now() - realStart > std::chrono::seconds(5)) {
                ADD_FAILURE() << "the burst worker neither slept nor ended";
                return false;
            }
            std::this_thread::yield();
        }
        LONGLONG nNextUs = std::min(nNowUs + nStepUs, nEndUs);
        const LONGLONG nWakeUs = CClockTesting::NextWorkerWakeMicros();
        if (nWakeUs > nNowUs && nWakeUs < nNextUs) nNextUs = nWakeUs;
        CClockTesting::AdvanceMicros(nNextUs - nNowUs);
    }
    return true;
}

bool AdvancedDialogFixture::RunAdvanced(const std::vector<Step>& steps) {
    size_t nNext = 0;
    bool bShown = false;
    bool bLeftOpen = false;
    CQVLMisc* pSeen = nullptr;
    const UINT_PTR hook = CMessageLoop::AddIdleHook([&] {
        CQVLMisc* pDlg = g_pAdvancedDlg;
        if (pDlg == nullptr || pDlg->GetSafeHwnd() == nullptr || !pDlg->IsWindowVisible()) return;
        if (pDlg != pSeen) {
            pSeen = pDlg;
            ++m_nOpenings;
        }
        bShown = true;
        if (nNext < steps.size()) {
            steps[nNext++](*pDlg);
            pDlg->PostMessage(WM_NULL);  // the next step after what this one posted
        } else if (!bLeftOpen) {
            bLeftOpen = true;
            AfxUserPressEscape(pDlg->GetSafeHwnd());
        }
    });
    AfxUserChooseMenu(m_pDlg->GetSafeHwnd(), ID_ADVANCED);
    CMessageLoop::RemoveIdleHook(hook);
    return bShown && !bLeftOpen;
}

void AdvancedDialogFixture::Click(CQVLMisc& dlg, int nId) {
    EXPECT_TRUE(AfxUserClick(::GetDlgItem(dlg.GetSafeHwnd(), nId))) << "control " << nId;
}

void AdvancedDialogFixture::Type(CQVLMisc& dlg, int nId, const char* pszText) {
    EXPECT_TRUE(AfxUserType(::GetDlgItem(dlg.GetSafeHwnd(), nId), pszText)) << "control " << nId;
}

std::string AdvancedDialogFixture::Text(CQVLMisc& dlg, int nId) {
    return WindowText(dlg.GetDlgItem(nId));
}

bool AdvancedDialogFixture::Enabled(CQVLMisc& dlg, int nId) {
    CWnd* pWnd = dlg.GetDlgItem(nId);
    return pWnd != nullptr && pWnd->IsWindowEnabled();
}

bool AdvancedDialogFixture::Visible(CQVLMisc& dlg, int nId) {
    CWnd* pWnd = dlg.GetDlgItem(nId);
    return pWnd != nullptr && (CWndTesting::GetStyle(*pWnd) & WS_VISIBLE) != 0;
}

std::vector<std::string> AdvancedDialogFixture::HostCommands() {
    std::vector<std::string> texts;
    for (const SimHostCommand& cmd : SimHost().Commands()) texts.push_back(cmd.strText);
    return texts;
}

int AdvancedDialogFixture::CountBoxes(const std::string& strText) {
    int n = 0;
    for (const CUserEvent& box : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
        n += box.strText.Str() == strText;
    return n;
}
