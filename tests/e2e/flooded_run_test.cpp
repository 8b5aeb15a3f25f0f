// A whole run whose host posts far faster than the program handles its frames: the user-interface
// thread's queue fills up, the host's further posts are refused and counted, and a user who clicks the
// close box still closes the program without the backlog being worked off first.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/tessaro_app.h"
#include "engine/ttl_output.h"
#include "hostlink/host_notification.h"
#include "platform/hostlib/sim_host.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_agent_testing.h"
#include "support/main_dialog_fixture.h"
#include "support/temp_work_dir.h"

namespace {

// Posted messages a queue may hold: the bound of posted messages and of user input.
constexpr size_t kMaxQueued = 20000;
constexpr size_t kPostBound = 10000;

class FloodedRun : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        if (m_pDlg && m_pDlg->GetSafeHwnd() != nullptr) m_pDlg->DestroyWindow();
        m_pDlg.reset();
        std::filesystem::create_directory("Settings");
        g_pMainDlg = nullptr;
        theApp.m_pInterAppWnd = nullptr;
        theApp.m_hInterAppWnd = nullptr;
        theApp.m_nNotificationCount = 0;
        g_wHostTtlBits = 0;
        g_nLastTtlOutput = 9999999;
        g_nTtlShadowWord = 0;
        SimHost().SetRunning(false);  // the flood below is the host's only traffic
        SimHost().SetPostFunction([](HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
            return PostMessage(hWnd, nMessage, wParam, lParam);
        });
        FailTestOnStalledLoop(5000);
    }
    void TearDown() override {
        m_bStop = true;
        if (m_flood.joinable()) m_flood.join();
        CMessageLoopTesting::SetStallHandler({});
        MainDialogFixture::TearDown();
    }

    // The host posts fresh-data notifications as fast as it can until the program is gone (or a minute
    // of real time, the watchdog); once its posts are refused it has the user click the close box.
    void StartFlood(HWND hMain, DWORD nUiThread) {
        m_flood = std::thread([this, hMain, nUiThread] {
            const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (!m_bStop && std::chrono::steady_clock::now() < tEnd) {
                SimHost().SendNotification(kSimHostCodeFreshData, 0);
                m_nMostQueued = std::max(m_nMostQueued.load(), CMessageLoop::PostedCount(nUiThread));
                if (!m_bCloseRequested && SimHost().FailedPostCount() > 0) {
                    m_nPostedAtRequest = SimHost().PostCount();
                    m_bCloseRequested = AfxUserClose(hMain) != FALSE;
                }
                if (!::IsWindow(hMain)) break;
            }
        });
    }

    std::thread m_flood;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bCloseRequested{false};
    std::atomic<int> m_nPostedAtRequest{0};
    std::atomic<size_t> m_nMostQueued{0};
};

TEST_F(FloodedRun, TheProgramClosesUnderAFullQueueAndTheHostCountsWhatItCouldNotPost) {
    AttachDevices("PCI-DDA08/12:01A2B3C4");
    std::vector<std::string> args = {"TessaroPro"};
    std::vector<char*> argv;
    for (std::string& s : args) argv.push_back(s.data());
    AfxSetCommandLine(static_cast<int>(argv.size()), argv.data());

    // The quit question is answered at once, as the headless run's user answers it (a box that pumps the
    // queue while open would work off what it finds there first).
    CScriptedUserAgentTesting::SetPumpWhileOpen(AfxGetScriptedUserAgent(), FALSE);
    bool bStarted = false;
    const UINT_PTR hook = CMessageLoop::AddIdleHook([&] {
        CTessaro2010Dlg* pDlg = g_pMainDlg;
        if (bStarted || pDlg == nullptr || pDlg->GetSafeHwnd() == nullptr || !pDlg->IsWindowVisible()) return;
        bStarted = true;
        StartFlood(pDlg->GetSafeHwnd(), GetCurrentThreadId());
    });
    AfxWinMain(static_cast<int>(argv.size()), argv.data());
    CMessageLoop::RemoveIdleHook(hook);
    const int nHandledAtEnd = theApp.m_nNotificationCount;
    m_bStop = true;
    m_flood.join();

    ASSERT_TRUE(bStarted);
    EXPECT_TRUE(m_bCloseRequested);
    EXPECT_EQ(nullptr, g_pMainDlg);  // the modal run ended and the application exited
    // The close did not wait for the queued frames: frames queued before the request were never handled.
    EXPECT_LT(nHandledAtEnd, m_nPostedAtRequest.load());
    EXPECT_LE(m_nMostQueued.load(), kMaxQueued);
    EXPECT_GT(SimHost().FailedPostCount(), 0);
    EXPECT_GE(SimHost().PostCount(), static_cast<int>(kPostBound));
    const std::vector<CUserEvent> boxes = CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent());
    EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(), [](const CUserEvent& e) {
        return e.strText.Str().rfind("Quit TessaroPro?", 0) == 0;
    }));
}

}  // namespace
