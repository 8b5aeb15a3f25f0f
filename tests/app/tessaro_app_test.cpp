#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "engine/parameter_block.h"
#include "hostlink/interapp_window.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/sim_control.h"
#include "platform/win/app_testing.h"
#include "platform/win/clock_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_agent_testing.h"
#include "resources/resource.h"
#include "support/platform_reset.h"
#include "support/temp_work_dir.h"

namespace {

std::vector<std::string> SentCommands() {
    std::vector<std::string> lines;
    for (const SimHostCommand& command : SimHost().Commands()) lines.push_back(command.strText);
    return lines;
}

std::string SerialLine(const std::string& strSerial) {
    return "say '~Tessaro launch specified SerialNumber: " + strSerial + " ' ";
}

std::string BoardLine(const std::string& strNumber) {
    return "say '~Tessaro launch specified BoardNumber: " + strNumber + " ' ";
}

// ---- Launch options ----

class LaunchOptions : public ::testing::Test {
  protected:
    void SetUp() override { SimHost().Reset(); }
    void TearDown() override { SimHost().Reset(); }
};

TEST_F(LaunchOptions, WordsWithoutAnOptionSendNothing) {
    EXPECT_EQ(0, ParseLaunchOptions(""));
    EXPECT_EQ(0, ParseLaunchOptions(" \t\n "));
    EXPECT_EQ(0, ParseLaunchOptions(
                     "C:\\Tessaro\\TessaroPro.exe --headless=2 SN:1 -SN -BN -sn:5 -bn:3 BN:4 -S N:1"));
    EXPECT_TRUE(SentCommands().empty());
}

TEST_F(LaunchOptions, SerialNumbersKeepWhatSurroundsTheOption) {
    EXPECT_EQ(7, ParseLaunchOptions(
                     "prog ab-SN:12 -SN: \"-SN:A B\" \"-SN:AB\" -SN:%s%n%d x-BN:3-SN:12 -SN:1-SN:2"));
    EXPECT_EQ(
        (std::vector<std::string>{SerialLine("ab12"), SerialLine(""), SerialLine("\"A"), SerialLine("\"AB\""),
                                  SerialLine("%s%n%d"), SerialLine("x-BN:312"), SerialLine("1-SN:2")}),
        SentCommands());
}

TEST_F(LaunchOptions, BoardNumbersReadAsAtoiWithoutOverflow) {
    EXPECT_EQ(12, ParseLaunchOptions(
                      "-BN:abc -BN:12x -BN: -BN:-7 -BN:+5 ab-BN:12 12-BN: -BN:2147483647 -BN:-2147483648 "
                      "-BN:99999999999999999999 -BN:-99999999999999999999 -BN:0012"));
    EXPECT_EQ((std::vector<std::string>{BoardLine("0"), BoardLine("12"), BoardLine("0"), BoardLine("-7"),
                                        BoardLine("5"), BoardLine("0"), BoardLine("12"),
                                        BoardLine("2147483647"), BoardLine("-2147483648"),
                                        BoardLine("2147483647"), BoardLine("-2147483648"), BoardLine("12")}),
              SentCommands());
}

TEST_F(LaunchOptions, SeveralInCommandLineOrderAndNothingElseChanges) {
    std::vector<unsigned char> before(sizeof g_Params);
    std::memcpy(before.data(), &g_Params, sizeof g_Params);
    const BOOL bDisabled = theApp.m_bHostInterfaceDisabled;
    EXPECT_EQ(4, ParseLaunchOptions("/opt/x-SN:y/TessaroPro -BN:2 other -SN:S1\t-BN:3"));
    EXPECT_EQ((std::vector<std::string>{SerialLine("/opt/xy/TessaroPro"), BoardLine("2"), SerialLine("S1"),
                                        BoardLine("3")}),
              SentCommands());
    EXPECT_EQ(0, std::memcmp(before.data(), &g_Params, sizeof g_Params));
    EXPECT_EQ(bDisabled, theApp.m_bHostInterfaceDisabled);
}

TEST_F(LaunchOptions, WordsEndAtCLocaleWhiteSpaceAndTheTextAtItsZero) {
    EXPECT_EQ(6, ParseLaunchOptions("a\t-BN:1\n-BN:2\v-BN:3\f-BN:4\r-BN:5  -BN:6"));
    SimHost().Reset();
    EXPECT_EQ(1, ParseLaunchOptions("-BN:7\xA0-BN:8"));  // no white space in the C locale
    EXPECT_EQ((std::vector<std::string>{BoardLine("7")}), SentCommands());
    SimHost().Reset();
    EXPECT_EQ(1, ParseLaunchOptions(std::string("-BN:1 \0 -BN:2", 13)));
}

TEST_F(LaunchOptions, ALongSerialNumberIsCutTo254Characters) {
    EXPECT_EQ(3, ParseLaunchOptions("-SN:" + std::string(1000, '7') + " -SN:" + std::string(254, 'a') +
                                    " -SN:" + std::string(255, 'b')));
    EXPECT_EQ((std::vector<std::string>{SerialLine(std::string(254, '7')), SerialLine(std::string(254, 'a')),
                                        SerialLine(std::string(254, 'b'))}),
              SentCommands());
}

// ---- The static application object ----

constexpr char kProbeSerial[] = "-SN:probe42";

// Run once plainly; that run starts the test program again with launch options, where the same test
// looks at what the static construction did before anything else could touch the host.
TEST(ApplicationObject, StaticConstructionReportsTheProcessLaunchOptions) {
    const std::string strLine = GetCommandLineA();
    if (strLine.find(kProbeSerial) != std::string::npos) {
        EXPECT_EQ(&theApp, AfxGetApp());
        EXPECT_STREQ(AfxGetAppName(), theApp.m_pszAppName);
        EXPECT_EQ(AfxGetInstanceHandle(), theApp.m_hInstance);
        EXPECT_EQ(nullptr, theApp.m_pInterAppWnd);
        EXPECT_EQ(nullptr, theApp.m_hInterAppWnd);
        EXPECT_FALSE(theApp.m_bHostInterfaceDisabled);
        EXPECT_FALSE(theApp.m_bUiUpdatesDisabled);
        EXPECT_FALSE(theApp.m_bPulseGeneratorEnabled);
        EXPECT_EQ((std::vector<std::string>{SerialLine("probe42"), BoardLine("7")}), SentCommands());
        return;
    }
    char szExe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", szExe, sizeof szExe - 1), 0);
    const std::string strCommand =
        std::string("'") + szExe +
        "' --gtest_filter=ApplicationObject.StaticConstructionReportsTheProcessLaunchOptions " +
        kProbeSerial + " -BN:7 2>&1";
    FILE* pChild = popen(strCommand.c_str(), "r");
    ASSERT_NE(nullptr, pChild);
    std::string strOutput;
    char szBuf[512];
    while (std::fgets(szBuf, sizeof szBuf, pChild) != nullptr) strOutput += szBuf;
    EXPECT_EQ(0, pclose(pChild)) << strOutput;
    EXPECT_NE(std::string::npos, strOutput.find("[  PASSED  ] 1 test.")) << strOutput;
}

// ---- The whole run, headless ----

class ApplicationRun : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_workDir.Enter("tessaro-app"));

        ResetSimulatedPlatform();
        SimHost().SetRunning(false);
        SimHost().SetPostFunction([](HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
            return PostMessage(hWnd, nMessage, wParam, lParam);
        });
        CMessageLoopTesting::SetStallHandler(
            [] {
                ADD_FAILURE() << "the main dialog's modal run waited with nothing to do; abandoned";
                return true;
            },
            2000);
    }

    void TearDown() override {
        if (m_nHook != 0) CMessageLoop::RemoveIdleHook(m_nHook);
        CMessageLoopTesting::SetStallHandler(nullptr);
        theApp.ExitInstance();
        g_pMainDlg = nullptr;
        SimHost().Reset();
        CSimBoards::Reset();
        CWinSimulation::Reset();
        m_workDir.Leave();
    }

    // Once the main dialog shows: onShown runs, the loop handles what it posted, then the user closes
    // the dialog (and answers the quit question with its default, Yes).
    void WhenShown(std::function<void()> onShown) {
        m_nHook = CMessageLoop::AddIdleHook([this, onShown] {
            if (g_pMainDlg == nullptr || !g_pMainDlg->IsWindowVisible()) return;
            if (m_nStep == 0) {
                m_nStep = 1;
                if (onShown) onShown();
                g_pMainDlg->PostMessage(WM_NULL);  // one more round, after what onShown posted
            } else if (m_nStep == 1) {
                m_nStep = 2;
                m_nCountWhenClosed = theApp.m_nNotificationCount;
                AfxUserClose(g_pMainDlg->GetSafeHwnd());
            }
        });
    }

    UINT_PTR m_nHook = 0;
    int m_nStep = 0;
    int m_nCountWhenClosed = -1;
    CTempWorkDir m_workDir;
};

TEST_F(ApplicationRun, FromStartToExitWithTheHostAttached) {
    theApp.m_nNotificationCount = 50;
    theApp.m_bAdvancedUnlocked = FALSE;
    CTessaro2010Dlg* pRunning = nullptr;
    CWnd* pMainWnd = nullptr;
    HWND hInterApp = nullptr;
    BOOL bInterAppVisible = TRUE;
    std::vector<SimHostWindow> hostWindows;
    WhenShown([&] {
        pRunning = g_pMainDlg;
        pMainWnd = AfxGetMainWnd();
        hInterApp = theApp.m_hInterAppWnd;
        bInterAppVisible = IsWindowVisible(hInterApp);
        hostWindows = SimHost().Windows();
        for (int i = 0; i < 3; ++i) SimHost().SendNotification(kSimHostCodeStatusChange, MAKELPARAM(99, 0));
    });

    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(2, m_nStep) << "the main dialog never ran modally";

    // While it ran: the dialog was the main window, the hidden interapp window was registered with the
    // host, and the host's notifications reached the dialog.
    ASSERT_NE(nullptr, pRunning);
    EXPECT_EQ(pRunning, pMainWnd);
    ASSERT_TRUE(IsWindow(hInterApp));
    EXPECT_FALSE(bInterAppVisible);
    ASSERT_EQ(1u, hostWindows.size());
    EXPECT_EQ(hInterApp, hostWindows[0].hWnd);
    EXPECT_EQ(RegisterWindowMessage("CRS_message"), hostWindows[0].nMessage);
    EXPECT_EQ(3, m_nCountWhenClosed);
    EXPECT_TRUE(theApp.m_bAdvancedUnlocked);

    // After the modal run: no main dialog, and what the host still sends is swallowed.
    EXPECT_EQ(nullptr, g_pMainDlg);
    EXPECT_EQ(nullptr, theApp.m_pMainWnd);
    SimHost().SendNotification(kSimHostCodeFreshData, 0);
    CMessageLoop::RunUntilIdle();
    EXPECT_EQ(3, theApp.m_nNotificationCount);

    EXPECT_EQ(0, theApp.ExitInstance());
    EXPECT_FALSE(IsWindow(hInterApp));
    EXPECT_EQ(nullptr, theApp.m_pInterAppWnd);
    EXPECT_EQ(nullptr, theApp.m_hInterAppWnd);
    EXPECT_TRUE(SimHost().Windows().empty());
}

TEST_F(ApplicationRun, StartsWithoutTheInterAppWindowAndExitsWithoutAHostCall) {
    CWinSimulationTesting::FailCreateWindow([](const CREATESTRUCT& cs) {
        return cs.lpszName != nullptr && std::strcmp(cs.lpszName, "myInterAppWindow") == 0;
    });
    theApp.m_nInterAppMsg = 1234;
    WhenShown(nullptr);
    EXPECT_FALSE(theApp.InitInstance());
    EXPECT_EQ(2, m_nStep);
    EXPECT_EQ(nullptr, theApp.m_pInterAppWnd);
    EXPECT_EQ(0u, theApp.m_nInterAppMsg);
    EXPECT_EQ(0, theApp.m_nNotificationCount);
    EXPECT_TRUE(SimHost().Windows().empty());

    // Another client's request stays: the exit removes only its own.
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, nullptr, "other", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr));
    CRS_InsertMessageRequest(other.GetSafeHwnd(), 0xC001);
    EXPECT_EQ(0, theApp.ExitInstance());
    EXPECT_EQ(1u, SimHost().Windows().size());
}

}  // namespace
