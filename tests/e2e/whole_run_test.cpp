// Whole runs of the program, headless on the manual clock: the framework's entry point runs the
// application object's InitInstance (start-up, the main dialog's modal run driven by the simulated host's
// frames, the quit question answered as a user would) and ExitInstance. A second run in the same folder
// starts from the parameter file the first one wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/tessaro_app.h"
#include "engine/ttl_output.h"
#include "hostlink/host_notification.h"
#include "platform/hostlib/sim_host.h"
#include "platform/win/clock_testing.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/menu_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/user_agent_testing.h"
#include "support/main_dialog_fixture.h"
#include "support/temp_work_dir.h"

namespace {

constexpr char kSavedFile[] = "Settings/TessaroParams.prm";
const std::string kQuitText = std::string("Quit TessaroPro?") + std::string(18, ' ');
constexpr LONGLONG kFrameUs = 1000000 / kSimHostDefaultFrameRate;

class WholeRun : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        StartAsANewProcess();
    }
    void TearDown() override {
        if (m_nHostHook != 0) CClock::RemoveTimeHook(m_nHostHook);
        m_nHostHook = 0;
        CMessageLoopTesting::SetStallHandler({});
        MainDialogFixture::TearDown();
    }

    // What a process start gives the program: the platform, the library stand-ins and the state of the
    // run at their start values (the shared fixture resets them), no bare dialog, the application's
    // host-link values fresh, and the simulated host delivering its frames as they fall due.
    void StartAsANewProcess() {
        if (m_pDlg && m_pDlg->GetSafeHwnd() != nullptr) m_pDlg->DestroyWindow();
        m_pDlg.reset();
        std::filesystem::create_directory("Settings");
        g_pMainDlg = nullptr;
        theApp.m_pInterAppWnd = nullptr;
        theApp.m_hInterAppWnd = nullptr;
        theApp.m_bHostInterfaceDisabled = FALSE;
        theApp.m_bUiUpdatesDisabled = FALSE;
        g_wHostTtlBits = 0;
        g_nLastTtlOutput = 9999999;
        g_nTtlShadowWord = 0;
        SimHost().SetPostFunction([](HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
            return PostMessage(hWnd, nMessage, wParam, lParam);
        });
        if (m_nHostHook != 0) CClock::RemoveTimeHook(m_nHostHook);
        m_nHostHook = CClock::AddTimeHook([](LONGLONG nNowUs) {
            SimHost().Pump();
            return nNowUs + kFrameUs;
        });
        FailTestOnStalledLoop(5000);
    }

    // Runs the program with these arguments: the application object's constructor reports the launch
    // options from the process's command line (here the command line of this run), then the framework's
    // entry point runs InitInstance and ExitInstance. pfnStep runs at each idle moment of the main
    // dialog's modal run, with a step number from 0. Returns the entry point's result.
    int RunProgram(std::vector<std::string> args, const std::function<void(CTessaro2010Dlg&, int)>& pfnStep) {
        std::vector<char*> argv;
        for (std::string& s : args) argv.push_back(s.data());
        AfxSetCommandLine(static_cast<int>(argv.size()), argv.data());
        ParseLaunchOptions(GetCommandLineA());
        int nStep = 0;
        m_bSawDialog = false;
        const UINT_PTR hook = CMessageLoop::AddIdleHook([&] {
            CTessaro2010Dlg* pDlg = g_pMainDlg;
            if (pDlg == nullptr || pDlg->GetSafeHwnd() == nullptr || !pDlg->IsWindowVisible() ||
                pDlg->m_bClosing)
                return;
            m_bSawDialog = true;
            pfnStep(*pDlg, nStep++);
        });
        const int nResult = AfxWinMain(static_cast<int>(argv.size()), argv.data());
        CMessageLoop::RemoveIdleHook(hook);
        return nResult;
    }

    static std::vector<char> SavedBytes() {
        std::ifstream in(kSavedFile, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const CUserEvent& e : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
            texts.push_back(e.strText.Str());
        return texts;
    }
    static int CountBoxes(const std::string& strText) {
        const std::vector<std::string> texts = BoxTexts();
        return static_cast<int>(std::count(texts.begin(), texts.end(), strText));
    }
    static bool AnyBoxContains(const std::string& strPart) {
        const std::vector<std::string> texts = BoxTexts();
        return std::any_of(texts.begin(), texts.end(),
                           [&](const std::string& s) { return s.find(strPart) != std::string::npos; });
    }

    UINT_PTR m_nHostHook = 0;
    bool m_bSawDialog = false;
};

}  // namespace

TEST_F(WholeRun, FromInitInstanceToExitInstanceAndTheNextRunStartsFromTheSavedFile) {
    AttachDevices("PCI-DDA08/12:01A2B3C4");

    // ---- First run: no parameter file yet ----
    int nDacWritesWhileRunning = 0;
    int nCodeAtEnd = -1;
    LONGLONG nFramesAtEnd = 0;
    RunProgram({"TessaroPro", "-SN:01A2B3C4", "-BN:0"}, [&](CTessaro2010Dlg& dlg, int nStep) {
        if (nStep == 0) {
            EXPECT_EQ(0, g_Params.nBoardIndex);  // the defaults select the attached board
            CClockTesting::Advance(2000);
            // The user picks another quality threshold; the next run must start with it.
            AfxUserChooseMenu(dlg.GetSafeHwnd(), ID_QUALITY_FIT_FAILED);
        } else if (nStep == 1) {
            CClockTesting::Advance(500);
            nDacWritesWhileRunning = static_cast<int>(Calls("cbAOut").size());
            SimBoardState state;
            if (CSimBoards::GetBoardState(0, state) && !state.dacCodes.empty())
                nCodeAtEnd = state.dacCodes[0];
            nFramesAtEnd = SimHost().FramesProduced();
            AfxUserPressEscape(dlg.GetSafeHwnd());  // the quit question; the default answer is Yes
        }
    });
    ASSERT_TRUE(m_bSawDialog);
    EXPECT_EQ(nullptr, g_pMainDlg);
    EXPECT_EQ(nullptr, theApp.m_hInterAppWnd);
    EXPECT_EQ(nullptr, theApp.m_pInterAppWnd);

    // Frames became D/A codes while the dialog ran.
    EXPECT_GE(nFramesAtEnd, 140);
    EXPECT_GT(nDacWritesWhileRunning, 100);
    EXPECT_GE(nCodeAtEnd, 0);
    EXPECT_EQ(1, CountBoxes(kQuitText));
    EXPECT_TRUE(AnyBoxContains("\".\\Settings\\TessaroParams.prm\" was not found"));

    // The host's log: the launch options in command-line order, then the discovery; nothing else.
    const std::vector<std::string> expectedLog = {
        "~Tessaro launch specified SerialNumber: 01A2B3C4 ",
        "~Tessaro launch specified BoardNumber: 0 ",
        "~Tessaro discovered 1 DAQ device(s).",
        "   Device Name: PCI-DDA08/12",
        "     SerialNumber: 01A2B3C4",
        "     Product ID: " + std::to_string(CSimBoards::MakeDevice("PCI-DDA08/12", "01A2B3C4").nProductID),
        "     Assigned Board Number: 0",
    };
    EXPECT_EQ(expectedLog, HostLog());

    // The exit wrote the default parameter file.
    const std::vector<char> bytes = SavedBytes();
    ASSERT_EQ(static_cast<size_t>(PARAMS_SIZE), bytes.size());
    ParameterBlock saved;
    std::memcpy(&saved, bytes.data(), sizeof saved);
    EXPECT_EQ(PARAMS_VERSION, saved.nVersion);
    EXPECT_EQ(4, saved.nQualityThreshold);
    EXPECT_EQ(0, saved.nBoardIndex);
    EXPECT_STREQ("PCI-DDA08/12", saved.szBoardName);

    // ---- Second run: a new process in the same folder, with the same board attached ----
    MainDialogFixture::TearDown();
    MainDialogFixture::SetUp();
    StartAsANewProcess();
    {
        std::ofstream out(kSavedFile, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    AttachDevices("PCI-DDA08/12:01A2B3C4");

    int nThresholdAtStart = -1;
    UINT nMarkAtStart = 0;
    RunProgram({"TessaroPro"}, [&](CTessaro2010Dlg& dlg, int nStep) {
        if (nStep != 0) return;
        nThresholdAtStart = g_Params.nQualityThreshold;
        nMarkAtStart = CMenuTesting::GetMenuState(*dlg.GetMenu(), ID_QUALITY_FIT_FAILED, MF_BYCOMMAND);
        CClockTesting::Advance(500);
        dlg.PostMessage(WM_COMMAND, IDOK);
    });
    ASSERT_TRUE(m_bSawDialog);
    EXPECT_EQ(4, nThresholdAtStart);
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), nMarkAtStart & MF_CHECKED);
    EXPECT_FALSE(AnyBoxContains("was not found"));
    EXPECT_EQ(0, CountBoxes(kQuitText));
    // No launch options this time; the log starts with the discovery.
    ASSERT_FALSE(HostLog().empty());
    EXPECT_EQ("~Tessaro discovered 1 DAQ device(s).", HostLog().front());
    EXPECT_EQ(bytes, SavedBytes());  // nothing changed, and the exit saved the same image again
}

TEST_F(WholeRun, AHostThatNeverAttachesAndNoBoardStillStartRunAndEndCleanly) {
    SimHost().SetAttached(false);
    RunProgram({"TessaroPro", "-SN:a b", "-BN:12x", "-SN:" + std::string(1000, 'y')},
               [&](CTessaro2010Dlg& dlg, int nStep) {
                   if (nStep != 0) return;
                   EXPECT_EQ(-1, g_Params.nBoardIndex);  // the simulated board's run selects No Board
                   CClockTesting::Advance(1500);
                   EXPECT_FALSE(dlg.m_bHostAttached);
                   AfxUserPressEscape(dlg.GetSafeHwnd());
               });
    ASSERT_TRUE(m_bSawDialog);
    EXPECT_EQ(0, SimHost().FramesProduced());
    // A quoted word with a blank falls into two words; the quotation mark stays in the serial number. A
    // serial number of 1000 characters is reported cut to 254.
    const std::vector<std::string> expectedLog = {
        "~Tessaro launch specified SerialNumber: \"a ", "~Tessaro launch specified BoardNumber: 12 ",
        "~Tessaro launch specified SerialNumber: " + std::string(254, 'y') + " "};
    EXPECT_EQ(expectedLog, HostLog());
    EXPECT_EQ(static_cast<size_t>(PARAMS_SIZE), SavedBytes().size());
}
