#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "engine/parameter_file.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/sim_control.h"
#include "platform/win/app.h"
#include "platform/win/clock.h"
#include "platform/win/clock_testing.h"
#include "platform/win/dialog_user_agent.h"
#include "platform/win/dialog_user_agent_testing.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/menu.h"
#include "platform/win/menu_testing.h"
#include "platform/win/message_loop.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_agent_testing.h"
#include "run/program_options.h"
#include "run/run_fixture.h"
#include "run/run_session.h"
#include "run/trace_lines.h"
#include "support/main_dialog_fixture.h"
#include "support/temp_work_dir.h"
#include "support/win_fixture.h"

namespace {

// A top-level window that asks the quit question on close (with No as its default) and goes on Yes.
class CQuittingWnd : public CWnd {
  public:
    int m_nAsked = 0;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CLOSE) {
            ++m_nAsked;
            if (MessageBoxA(m_hWnd, kQuitQuestion, "TessaroPro", MB_YESNO | MB_DEFBUTTON2) == IDYES)
                DestroyWindow();
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

TEST_F(RunReport, SessionClosesTheProgramAfterItsRunTimeAndOnASignal) {
    CPipe pipe;
    ProgramOptions options;
    options.bHeadless = true;
    options.dRunSeconds = 2.0;
    CQuittingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "main", WS_POPUP | WS_VISIBLE | WS_SYSMENU, 0, 0, 200, 100, nullptr,
                             nullptr));
    theApp.m_pMainWnd = &wnd;
    CRS_SendCommand("say '~Tessaro before the session' ");
    long long nFrames = 0;
    {
        CRunSession session(options, pipe.m_nWrite);
        session.Start();
        EXPECT_EQ(&session.Agent(), AfxGetUserAgent());
        CRS_SendCommand("dataFile_InsertMarker\t%c ", 'R');
        Advance(1900);
        EXPECT_EQ(0, wnd.m_nAsked);
        EXPECT_TRUE(IsWindow(wnd.m_hWnd));
        Advance(200);
        EXPECT_EQ(1, wnd.m_nAsked);
        EXPECT_FALSE(IsWindow(wnd.GetSafeHwnd()));
        Advance(3000);  // the window is gone: nothing more to click
        EXPECT_EQ(1, wnd.m_nAsked);
        SimHost().Pump();
        nFrames = SimHost().FramesProduced();
        EXPECT_GE(nFrames, 120);  // the host runs on the session's clock
        session.Finish();
        EXPECT_NE(&session.Agent(), AfxGetUserAgent());
    }
    theApp.m_pMainWnd = nullptr;
    pipe.CloseWrite();
    std::vector<std::string> bodies;
    for (const std::string& line : Lines(pipe.ReadAll())) bodies.push_back(Body(line));
    ASSERT_EQ(3u, bodies.size());
    EXPECT_EQ("host say '~Tessaro before the session'", bodies[0]);
    EXPECT_EQ("box IDYES MB_YESNO \"TessaroPro\" \"Quit TessaroPro?                  \"", bodies[1]);
    const std::string strFrames = std::to_string(nFrames);
    EXPECT_EQ("sum frames=" + strFrames + " +" + strFrames + " markers=1 +1 \"R\" | no board", bodies[2]);

    // Without a run time a signal closes it the same way, at the close timer's next look.
    InstallRunSignalHandlers();
    CPipe pipe2;
    options.dRunSeconds = 0.0;
    options.bTrace = true;
    CQuittingWnd wnd2;
    ASSERT_TRUE(wnd2.CreateEx(0, nullptr, "main", WS_POPUP | WS_VISIBLE | WS_SYSMENU, 0, 0, 200, 100, nullptr,
                              nullptr));
    theApp.m_pMainWnd = &wnd2;
    CRunSession session(options, pipe2.m_nWrite);
    session.Start();
    Advance(10000);
    EXPECT_EQ(0, wnd2.m_nAsked);
    std::raise(SIGINT);
    Advance(300);
    EXPECT_EQ(1, wnd2.m_nAsked);
    EXPECT_FALSE(IsWindow(wnd2.GetSafeHwnd()));
    theApp.m_pMainWnd = nullptr;
    std::signal(SIGINT, SIG_DFL);
}

// On a screen the quit question goes to the person; a signal while it is open clicks its Yes, since a
// Yes/No box has no answer for its close box.
TEST_F(RunReport, OnAScreenASignalAnswersTheQuitQuestionAlreadyShown) {
    FailTestOnStalledLoop(3000);
    InstallRunSignalHandlers();
    CPipe pipe;
    ProgramOptions options;
    CQuittingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "main", WS_POPUP | WS_VISIBLE | WS_SYSMENU, 0, 0, 200, 100, nullptr,
                             nullptr));
    theApp.m_pMainWnd = &wnd;
    {
        CRunSession session(options, pipe.m_nWrite);
        session.SetOnScreen(true);
        session.Start();
        bool bBoxSeen = false;
        const UINT_PTR nHook = CMessageLoop::AddIdleHook([&] {
            if (bBoxSeen || CMessageBoxDialogTesting::GetOpenBox() == nullptr) return;
            bBoxSeen = true;
            std::raise(SIGINT);
            Advance(300);  // the close timer's next look
        });
        EXPECT_TRUE(AfxUserClose(wnd.m_hWnd));  // the person's close box: the question is shown
        CMessageLoop::RemoveIdleHook(nHook);
        EXPECT_TRUE(bBoxSeen);
        EXPECT_EQ(1, wnd.m_nAsked);
        EXPECT_FALSE(IsWindow(wnd.GetSafeHwnd()));
        session.Finish();
    }
    theApp.m_pMainWnd = nullptr;
    std::signal(SIGINT, SIG_DFL);
    pipe.CloseWrite();
    std::vector<std::string> boxes;
    for (const std::string& line : Lines(pipe.ReadAll()))
        if (Body(line).rfind("box ", 0) == 0) boxes.push_back(Body(line));
    EXPECT_EQ(std::vector<std::string>(
                  {"box IDYES MB_YESNO \"TessaroPro\" \"Quit TessaroPro?                  \""}),
              boxes);
}

TEST_F(RunReport, SessionMakesTheUsersChoicesInOrderOnceTheWindowCanBeReached) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel(WS_POPUP | WS_SYSMENU));  // not visible yet
    HMENU hBar = CreateMenu();
    HMENU hPopup = CreatePopupMenu();
    ASSERT_TRUE(AppendMenuA(hPopup, MF_STRING | MF_CHECKED, 101, "On"));
    ASSERT_TRUE(AppendMenuA(hPopup, MF_STRING | MF_GRAYED, 102, "Off"));
    ASSERT_TRUE(AppendMenuA(hPopup, MF_STRING, 103, "Go"));
    ASSERT_TRUE(AppendMenuA(hBar, MF_POPUP, reinterpret_cast<UINT_PTR>(hPopup), "&Menu"));
    ASSERT_TRUE(SetMenu(wnd.m_hWnd, hBar));
    theApp.m_pMainWnd = &wnd;

    CPipe pipe;
    ProgramOptions options;
    options.bHeadless = true;
    options.dRunSeconds = 3.0;
    options.choices = {{"Menu>On", true}, {"Menu>Off", false}, {"Menu>Go", true}, {"Menu>Go", false}};
    {
        CRunSession session(options, pipe.m_nWrite);
        session.Start();
        Advance(1500);
        EXPECT_EQ(0, wnd.Count(WM_COMMAND)) << "nobody chooses in a window that cannot be seen";
        wnd.ShowWindow(SW_SHOW);
        Advance(100);  // the first choice; the others follow every half second
        Advance(1000);
        EXPECT_EQ(1, wnd.Count(WM_COMMAND));
        Advance(500);  // the close has begun: the last choice is not made
        EXPECT_EQ(1, wnd.Count(WM_COMMAND));
        for (const MSG& msg : wnd.m_msgs) {
            if (msg.message == WM_COMMAND) {
                EXPECT_EQ(103u, LOWORD(msg.wParam));
            }
        }
        session.Finish();
    }
    theApp.m_pMainWnd = nullptr;
    pipe.CloseWrite();
    std::vector<std::string> users;
    for (const std::string& line : Lines(pipe.ReadAll()))
        if (Body(line).rfind("user ", 0) == 0) users.push_back(Body(line));
    const std::vector<std::string> expected = {"user left Menu>On checked",
                                               "user cannot choose \"Menu>Off\": the item is grayed",
                                               "user chose Menu>Go"};
    EXPECT_EQ(expected, users);
}

// The host's frames that find the program's queue full are counted and said, those posted to a window
// already gone are not; a backlog still queued at the end is said once.
TEST_F(RunReport, FramesRefusedByAFullQueueAndABacklogLeftAreSaid) {
    CPipe pipe;
    ProgramOptions options;
    options.bHeadless = true;
    CQuittingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "main", WS_POPUP | WS_VISIBLE | WS_SYSMENU, 0, 0, 200, 100, nullptr,
                             nullptr));
    const HWND hWnd = wnd.m_hWnd;
    CRunSession session(options, pipe.m_nWrite);
    session.Start();
    ASSERT_EQ(CRS_OK, CRS_InsertMessageRequest(hWnd, WM_APP + 1));
    int nQueued = 0;
    while (::PostMessage(hWnd, WM_APP, 0, 0)) ++nQueued;  // the program's queue is full
    CClock::AdvanceQuietly(100000);
    SimHost().Pump();
    const int nRefused = SimHost().FailedPostCount();
    EXPECT_GE(nRefused, 5);  // 60 Hz for 0.1 s
    wnd.DestroyWindow();
    CClock::AdvanceQuietly(100000);
    SimHost().Pump();
    EXPECT_GT(SimHost().FailedPostCount(), nRefused);  // posted to a window that is gone
    session.Finish();
    pipe.CloseWrite();

    std::vector<std::string> runLines;
    for (const std::string& line : Lines(pipe.ReadAll())) {
        if (Body(line).rfind("run ", 0) == 0) runLines.push_back(Body(line));
    }
    const std::string strRefused = std::to_string(nRefused);
    const std::vector<std::string> expected = {"run host posts refused=" + strRefused + " +" + strRefused,
                                               "run posts left unhandled=" + std::to_string(nQueued)};
    EXPECT_EQ(expected, runLines);
    EXPECT_EQ(10000, nQueued);
    Pump();  // the backlog goes with the window
}

// The run the README shows, on the manual clock: the program with a PCI-DDA08/12, four ROIs over the
// screen, a walking pattern on the board's TTL inputs and a user who turns the input markers on.
class RunDemo : public ProgramRunFixture {
  protected:
    // Runs the program in a session until the session closes it; every idle moment of the program moves
    // the clock on by nStepMs. Returns the output lines without their time.
    std::vector<std::string> RunSession(const ProgramOptions& options, DWORD nStepMs) {
        CPipe pipe;
        ApplySimulationOptions(options);
        {
            CRunSession session(options, pipe.m_nWrite);
            // Frames fall due on the clock; the program's own calls into the host bring them too.
            const UINT_PTR nPump = CClock::AddTimeHook([](LONGLONG nNowUs) {
                SimHost().Pump();
                return nNowUs + 1000000 / kSimHostDefaultFrameRate;
            });
            const UINT_PTR nIdle = CMessageLoop::AddIdleHook([nStepMs] { CClockTesting::Advance(nStepMs); });
            session.Start();
            m_nStartUs = CClock::NowMicros();
            char szName[] = "TessaroPro";
            char* argv[] = {szName};
            AfxSetCommandLine(1, argv);
            AfxWinMain(1, argv);
            CMessageLoop::RemoveIdleHook(nIdle);
            CClock::RemoveTimeHook(nPump);
            session.Finish();
        }
        pipe.CloseWrite();
        std::vector<std::string> bodies;
        for (const std::string& line : Lines(pipe.ReadAll())) bodies.push_back(Body(line));
        return bodies;
    }

    // The values of one argument of the successful calls of one name on board 0 at one port.
    static std::set<std::string> Values(const std::string& strName, const std::string& strPort, size_t nArg) {
        std::set<std::string> values;
        for (const SimCallRecord& rec : Calls(strName)) {
            if (rec.nResult != NOERRORS || rec.nBoard != 0 || rec.args.size() <= nArg) continue;
            if (rec.args[1] == strPort) values.insert(rec.args[nArg]);
        }
        return values;
    }

    LONGLONG m_nStartUs = 0;
};

TEST_F(RunDemo, RoisBoardInputsAndTheUsersChoiceGiveChangingTtlWordsAndMarkers) {
    ProgramOptions options;
    options.devices = {CSimBoards::MakeDevice("PCI-DDA08/12", "01A2B3C4")};
    options.nHostRois = 4;
    options.boardInputs = {ESimTtlInputPattern::Walk, 250};
    options.bHeadless = true;
    options.dRunSeconds = 4.0;
    options.choices = {{"options>ttl>ttl inputs send datafile markers", true},
                       {"Options>TTL>TTL inputs send DataFile markers", true},
                       {"Options>TTL>No such item", false}};
    const std::vector<std::string> lines = RunSession(options, 20);

    const std::string strShown = "Options>TTL>TTL  inputs  send  DataFile  markers";
    std::vector<std::string> userLines;
    for (const std::string& line : lines)
        if (line.rfind("user ", 0) == 0) userLines.push_back(line);
    const std::vector<std::string> expectedUser = {
        "user chose " + strShown, "user left " + strShown + " checked",
        "user cannot choose \"Options>TTL>No such item\": no menu item \"No such item\" in Options>TTL"};
    EXPECT_EQ(expectedUser, userLines);
    EXPECT_EQ(TRUE, g_Params.bTtlInputMarkers) << "the choice went to the program as a user's";

    // Markers only from the choice on (one second after the start), one per edge of the walking line.
    const std::vector<SimHostMarker> markers = SimHost().Markers();
    ASSERT_GE(markers.size(), 16u);
    std::set<char> letters;
    for (const SimHostMarker& marker : markers) {
        EXPECT_GE(marker.nTimeUs, m_nStartUs + 1000000);
        EXPECT_NE(std::string::npos, std::string("STUVWXYZstuvwxyz").find(marker.cLetter)) << marker.cLetter;
        letters.insert(marker.cLetter);
    }
    EXPECT_GE(letters.size(), 10u);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(std::string::npos, lines.back().find("markers=" + std::to_string(markers.size()) + " +"))
        << lines.back();
    EXPECT_NE(std::string::npos, lines.back().find("\"PCI-DDA08/12\" ttl-out=0x0")) << lines.back();

    // The ROI code the program writes on port 14 follows the gaze through the quadrants; what it reads
    // on port 10 walks.
    const std::set<std::string> outputs = Values("cbDOut", "14", 2);
    EXPECT_GE(outputs.size(), 3u);
    for (const std::string& value : outputs)
        EXPECT_TRUE(std::set<std::string>({"0", "1", "2", "3", "4", "5", "8", "10", "12", "15"}).count(value))
            << value;
    const std::set<std::string> inputs = Values("cbDIn", "10", 2);
    EXPECT_EQ(
        (std::set<std::string>{"&0->1", "&0->2", "&0->4", "&0->8", "&0->16", "&0->32", "&0->64", "&0->128"}),
        inputs);
}

class RunKeptFile : public RunDemo {};

TEST_F(RunKeptFile, AFileTheRunCouldNotUseIsKeptBesideItAndNamedInTheOutput) {
    EXPECT_EQ("run kept \"Settings/a \\\"b\\\".prm\"", FormatKeptFileLine("Settings/a \"b\".prm"));

    // The file of a board that is not attached this time: the run loads the defaults, and its exit save
    // keeps the file before it replaces it.
    ParameterBlock file{};
    file.nVersion = PARAMS_VERSION;
    file.nSize = PARAMS_SIZE;
    file.nQualityThreshold = 4;
    std::strcpy(file.szBoardName, "PCI-DDA08/12");
    const auto* pBytes = reinterpret_cast<const char*>(&file);
    const std::string strFile(pBytes, pBytes + sizeof file);
    {
        std::ofstream out("Settings/TessaroParams.prm", std::ios::binary);
        out << strFile;
    }
    ProgramOptions options;
    options.devices = {CSimBoards::MakeDevice("USB-1208HS", "01A2B3C4")};
    options.bHeadless = true;
    options.dRunSeconds = 2.0;
    const std::vector<std::string> lines = RunSession(options, 20);

    std::vector<std::string> kept;
    for (const std::string& line : lines)
        if (line.rfind("run kept ", 0) == 0) kept.push_back(line);
    ASSERT_EQ(1u, kept.size());
    const std::string strPrefix = "run kept \"./Settings/TessaroParams-";
    ASSERT_EQ(0u, kept[0].rfind(strPrefix, 0)) << kept[0];
    const std::string strCopy = kept[0].substr(10, kept[0].size() - 11);
    std::ifstream in(strCopy, std::ios::binary);
    EXPECT_EQ(strFile, std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    std::ifstream saved("Settings/TessaroParams.prm", std::ios::binary);
    const std::string strSaved(std::istreambuf_iterator<char>(saved), {});
    ASSERT_EQ(sizeof file, strSaved.size());
    EXPECT_EQ(std::string("USB-1208HS"), strSaved.c_str() + 628);
}

}  // namespace
