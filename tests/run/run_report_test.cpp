#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "engine/parameter_file.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/ul/cbw.h"
#include "platform/win/dialog_user_agent.h"
#include "platform/win/menu.h"
#include "platform/win/message_loop.h"
#include "platform/win/user_actions.h"
#include "resources/resource.h"
#include "run/run_report.h"
#include "support/main_dialog_fixture.h"
#include "support/temp_work_dir.h"
#include "support/win_fixture.h"

namespace {

// A pipe whose read end the test drains when it wants to.
class CPipe {
  public:
    CPipe() {
        int fds[2] = {-1, -1};
        EXPECT_EQ(0, pipe(fds));
        m_nRead = fds[0];
        m_nWrite = fds[1];
    }
    ~CPipe() {
        CloseWrite();
        if (m_nRead >= 0) close(m_nRead);
    }
    void CloseWrite() {
        if (m_nWrite >= 0) close(m_nWrite);
        m_nWrite = -1;
    }
    // Everything up to the end (the write end must be closed).
    std::string ReadAll() const {
        std::string text;
        char buf[4096];
        for (ssize_t n; (n = read(m_nRead, buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
        return text;
    }
    int m_nRead = -1;
    int m_nWrite = -1;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = text.find('\n', nStart)) != std::string::npos; nStart = nEnd + 1) {
        lines.push_back(text.substr(nStart, nEnd - nStart));
    }
    EXPECT_EQ(text.size(), nStart) << "the output ends with a whole line";
    return lines;
}

// The text after the time prefix.
std::string Body(const std::string& line) {
    const size_t nBlank = line.find(' ');
    return nBlank == std::string::npos ? line : line.substr(nBlank + 1);
}

class RunReport : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        CSimBoards::Reset();
        SimHost().Reset();
        SimHost().SetTimeSource([] { return CClock::NowMicros(); });
    }
    void TearDown() override {
        CSimBoards::SetCallHook(nullptr);
        SimHost().Reset();
        CSimBoards::Reset();
        AfxSetUserAgent(nullptr);
        CWinTestFixture::TearDown();
    }
    // Creates boards 0, 1, ... for the attached devices as discovery does.
    static void CreateBoards(const std::string& strList) {
        std::string strError;
        ASSERT_TRUE(CSimBoards::SetAttachedDevices(strList, strError)) << strError;
        DaqDeviceDescriptor inventory[8] = {};
        int nDevices = 8;
        ASSERT_EQ(NOERRORS, cbGetDaqDeviceInventory(ANY_IFC, inventory, &nDevices));
        for (int i = 0; i < nDevices; ++i) ASSERT_EQ(NOERRORS, cbCreateDaqDevice(i, inventory[i]));
    }
};

TEST_F(RunReport, TraceLineFormats) {
    std::vector<SimCallRecord> calls;
    CSimBoards::SetCallHook([&](const SimCallRecord& rec) { calls.push_back(rec); });
    CreateBoards("PCI-DDA08/12:01A2B3C4");
    calls.clear();
    EXPECT_EQ(NOERRORS, cbAOut(0, 3, UNI5VOLTS, 2047));
    EXPECT_EQ(BADDACCHAN, cbAOut(0, 9, UNI5VOLTS, 1));
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("ul cbAOut(0, 3, 101, 2047) = 0", FormatBoardCallTrace(calls[0]));
    EXPECT_EQ("ul cbAOut(0, 9, 101, 1) = 14", FormatBoardCallTrace(calls[1]));
    SimCallRecord odd;
    odd.strText = "cbGetBoardName(0, &\"A\nB\") = 0";
    EXPECT_EQ("ul cbGetBoardName(0, &\"A B\") = 0", FormatBoardCallTrace(odd));

    CUserEvent box;
    box.strCaption = "Corvessa~Tessaro ";
    box.strText = " TTL_setOutput_to_values.\n Error: -3 \t\"x\" C:\\y\x01";
    box.nType = MB_OK | MB_ICONSTOP | MB_TOPMOST;
    box.nResult = IDOK;
    EXPECT_EQ(
        "box IDOK MB_OK \"Corvessa~Tessaro \" \" TTL_setOutput_to_values.\\n Error: -3 \\t\\\"x\\\" "
        "C:\\\\y\\x01\"",
        FormatMessageBoxTrace(box));
    box.nType = MB_YESNO | MB_DEFBUTTON2;
    box.nResult = IDNO;
    box.strText = kQuitQuestion;
    box.strCaption = "TessaroPro";
    EXPECT_EQ("box IDNO MB_YESNO \"TessaroPro\" \"Quit TessaroPro?                  \"",
              FormatMessageBoxTrace(box));
    EXPECT_EQ("IDCONTINUE", MessageBoxAnswerName(IDCONTINUE));
    EXPECT_EQ("0", MessageBoxAnswerName(0));
    EXPECT_EQ("8", MessageBoxAnswerName(8));
    EXPECT_EQ("-1", MessageBoxAnswerName(-1));
    EXPECT_EQ("MB_CANCELTRYCONTINUE", MessageBoxButtonsName(MB_CANCELTRYCONTINUE | MB_ICONWARNING));
    EXPECT_EQ("MB_9", MessageBoxButtonsName(9));
}

TEST_F(RunReport, SummaryOfFramesChannelsTtlWordsAndMarkers) {
    CRunTally tally;
    CSimBoards::SetCallHook([&](const SimCallRecord& rec) { tally.NoteBoardCall(rec); });
    SimHost().SetCommandHook([&](const SimHostCommand& cmd) { tally.NoteHostCommand(cmd); });

    RunSummary empty = tally.TakeSummary();
    EXPECT_EQ("sum frames=0 +0 markers=0 +0 \"\" | no board", FormatRunSummary(empty));

    CreateBoards("PCI-DDA08/12:01A2B3C4,PCI-DIO24:00000002,DEMO-BOARD:3");
    ASSERT_EQ(NOERRORS, cbAOut(0, 0, UNI5VOLTS, 2048));
    ASSERT_EQ(NOERRORS, cbAOut(0, 5, BIP10VOLTS, 1024));
    ASSERT_EQ(NOERRORS, cbAOut(0, 5, BIP10VOLTS, 3072));
    ASSERT_NE(NOERRORS, cbAOut(0, 9, BIP10VOLTS, 1));  // a refused write names no channel
    ASSERT_EQ(NOERRORS, cbDConfigPort(0, SECONDPORTA, DIGITALOUT));
    ASSERT_EQ(NOERRORS, cbDOut(0, SECONDPORTA, 0x5A));
    ASSERT_TRUE(CSimBoards::SetPortInput(0, FIRSTPORTA, 0x81));
    ASSERT_EQ(NOERRORS, cbDConfigPort(1, FIRSTPORTB, DIGITALOUT));
    ASSERT_EQ(NOERRORS, cbDOut(1, FIRSTPORTB, 0x03));
    CClock::Advance(1000);  // 60 frames at 60 Hz
    EXPECT_EQ(60, SimHost().Pump());
    CRS_SendCommand("dataFile_InsertMarker\t%c ", 'S');
    CRS_SendCommand("dataFile_InsertMarker\t%c ", 's');
    CRS_SendCommand("say '~Tessaro hello' ");

    const std::string strFirst = FormatRunSummary(tally.TakeSummary());
    EXPECT_EQ(
        "sum frames=60 +60 markers=2 +2 \"Ss\""
        " | board=0 \"PCI-DDA08/12\" ttl-out=0x5A ttl-in=0x81 ch0=2048,+2.500V ch5=3072,+5.000V"
        " | board=1 \"PCI-DIO24\" ttl-out=0x03 ttl-in=0x00"
        " | board=2 \"DEMO-BOARD\" ttl-out=-- ttl-in=0x00",
        strFirst);

    // The counts since the last summary start again; a long burst of markers keeps its last 32 letters.
    CClock::Advance(500);
    SimHost().Pump();
    for (int i = 0; i < 40; ++i) CRS_SendCommand("dataFile_InsertMarker\t%c ", 'A' + i % 26);
    RunSummary second = tally.TakeSummary();
    EXPECT_EQ(90, second.nFrames);
    EXPECT_EQ(30, second.nNewFrames);
    EXPECT_EQ(42u, second.nMarkers);
    EXPECT_EQ(40u, second.nNewMarkers);
    EXPECT_EQ("...IJKLMNOPQRSTUVWXYZABCDEFGHIJKLMN", second.strNewLetters);
    EXPECT_EQ("", tally.TakeSummary().strNewLetters);

    EXPECT_DOUBLE_EQ(2.5, DacCodeVolts(UNI5VOLTS, 2048, 12));
    EXPECT_DOUBLE_EQ(-10.0, DacCodeVolts(BIP10VOLTS, 0, 12));
    EXPECT_DOUBLE_EQ(2.0, DacCodeVolts(UNI4VOLTS, 2048, 12));
    EXPECT_DOUBLE_EQ(2.5, DacCodeVolts(UNI5VOLTS, 512, 10));
    EXPECT_DOUBLE_EQ(0.0, DacCodeVolts(7, 100, 12));
    EXPECT_DOUBLE_EQ(0.0, DacCodeVolts(UNI5VOLTS, 100, 0));
}

TEST_F(RunReport, SummaryEndsWithTheLatencyTableWhileItIsShown) {
    RunSummary summary;
    summary.bLatencyShown = true;
    const char* const texts[9] = {"20", "19", "12.1", "13.0", "14.0", "20", "", "13.1", "14.5"};
    for (int i = 0; i < 9; ++i) summary.latency[i] = texts[i];
    EXPECT_EQ(
        "sum frames=0 +0 markers=0 +0 \"\" | no board | latency count=20 On n=19 min=12.1 ave=13.0 "
        "max=14.0 Off n=20 min=- ave=13.1 max=14.5",
        FormatRunSummary(summary));
    std::string table[9];
    EXPECT_FALSE(ReadLatencyTable(table));  // no advanced dialog open
}

TEST_F(RunReport, OutputLinesCarryTheirTimeAndAnEndedOutputTakesNoMore) {
    CPipe pipe;
    CRunOutput output(pipe.m_nWrite);
    EXPECT_TRUE(output.Push("before start"));
    output.Start();
    Advance(1500);
    EXPECT_TRUE(output.Push("host say 'x'"));
    Advance(62345);
    EXPECT_TRUE(output.Push("last"));
    output.Stop();
    EXPECT_FALSE(output.Push("after stop"));
    output.Stop();  // again: nothing happens
    pipe.CloseWrite();
    const std::vector<std::string> expected = {"0.000 before start", "1.500 host say 'x'", "63.845 last"};
    EXPECT_EQ(expected, Lines(pipe.ReadAll()));
    EXPECT_EQ(0u, output.Dropped());
}

TEST_F(RunReport, PeriodicLineComesFromThePrintingThread) {
    CPipe pipe;
    std::atomic<int> nCalls{0};
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> bOtherThread{true};
    {
        CRunOutput output(pipe.m_nWrite);
        output.SetPeriodicLine(
            [&] {
                if (std::this_thread::get_id() == caller) bOtherThread = false;
                return "sum " + std::to_string(++nCalls);
            },
            1);
        output.Start();
        while (nCalls.load() < 3) std::this_thread::yield();
    }  // the destructor stops and drains
    pipe.CloseWrite();
    const std::vector<std::string> lines = Lines(pipe.ReadAll());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ("sum 1", Body(lines[0]));
    EXPECT_EQ("sum 2", Body(lines[1]));
    EXPECT_TRUE(bOtherThread);
}

// A reader that stops reading holds up only the printing thread: every Push returns, what does not fit is
// dropped and counted, the count is announced in order once lines are taken again, and Stop ends within
// its drain time even though nothing can be written.
TEST_F(RunReport, AStalledReaderNeverHoldsUpTheWriters) {
    CPipe pipe;
    ASSERT_GE(fcntl(pipe.m_nWrite, F_SETPIPE_SZ, 4096), 4096);
    const std::string strPad(500, 'p');
    CRunOutput output(pipe.m_nWrite, 8);
    output.Start();
    int nAccepted = 0;
    int nDropped = 0;
    for (int i = 0; i < 300; ++i) {
        (output.Push("line " + std::to_string(i) + " " + strPad) ? nAccepted : nDropped) += 1;
    }
    EXPECT_GT(nDropped, 200);
    EXPECT_EQ(static_cast<unsigned long long>(nDropped), output.Dropped());

    std::string strRead;
    std::thread reader([&] {
        char buf[4096];
        for (ssize_t n; (n = read(pipe.m_nRead, buf, sizeof buf)) > 0;)
            strRead.append(buf, static_cast<size_t>(n));
    });
    while (!output.Push("after")) std::this_thread::yield();
    output.Stop(60000, "last");
    pipe.CloseWrite();
    reader.join();

    const std::vector<std::string> lines = Lines(strRead);
    int nLast = -1;
    int nLines = 0;
    unsigned long long nAnnounced = 0;
    for (const std::string& line : lines) {
        const std::string body = Body(line);
        unsigned long long n = 0;
        if (std::sscanf(body.c_str(), "run dropped %llu lines", &n) == 1) {
            nAnnounced += n;
        } else if (body.rfind("line ", 0) == 0) {
            const int nIndex = std::atoi(body.c_str() + 5);
            EXPECT_GT(nIndex, nLast) << "in order";
            nLast = nIndex;
            ++nLines;
        }
    }
    EXPECT_EQ(nAccepted, nLines);
    EXPECT_EQ(output.Dropped(), nAnnounced);
    ASSERT_FALSE(lines.empty());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ("last", Body(lines.back()));
    EXPECT_EQ("after", Body(lines[lines.size() - 2]));
    // The drops were announced before a later line: before "after", or before one of the loop's last lines
    // when the printer made room just then.
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end() - 2, [](const std::string& line) {
        return Body(line).rfind("run dropped ", 0) == 0;
    })) << "announced before";

    // Still dropping when the output ends: the count and the last line come after everything else.
    CPipe pipe2;
    CRunOutput full(pipe2.m_nWrite, 4);
    for (int i = 0; i < 6; ++i) full.Push("early " + std::to_string(i));  // not started: 4 wait
    full.Start();
    full.Stop(60000, "sum final");
    pipe2.CloseWrite();
    std::vector<std::string> bodies;
    for (const std::string& line : Lines(pipe2.ReadAll())) bodies.push_back(Body(line));
    const std::vector<std::string> expected = {
        "early 0", "early 1", "early 2", "early 3", "run dropped 2 lines", "sum final"};
    EXPECT_EQ(expected, bodies);

    // Nobody reads at all: Stop gives up after its drain time.
    CPipe stuck;
    ASSERT_GE(fcntl(stuck.m_nWrite, F_SETPIPE_SZ, 4096), 4096);
    CRunOutput blocked(stuck.m_nWrite, 64);
    blocked.Start();
    for (int i = 0; i < 64; ++i) blocked.Push(strPad);
    blocked.Stop(100);
    EXPECT_FALSE(blocked.Push("x"));
}

TEST_F(RunReport, HeadlessUserSaysYesToTheQuitQuestionOnlyWhenClosing) {
    std::vector<std::string> reported;
    CHeadlessUserAgent agent([&](const CUserEvent& box) { reported.push_back(FormatMessageBoxTrace(box)); });
    AfxSetUserAgent(&agent);
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, kQuitQuestion, "TessaroPro", MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, "Other?", "TessaroPro", MB_YESNO));
    agent.RequestQuit();
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, kQuitQuestion, "TessaroPro", MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, "Quit TessaroPro?", "TessaroPro", MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "Parameters Saved.    ", "TessaroPro", MB_OK));
    const std::vector<std::string> expected = {
        "box IDNO MB_YESNO \"TessaroPro\" \"Quit TessaroPro?                  \"",
        "box IDYES MB_YESNO \"TessaroPro\" \"Other?\"",
        "box IDYES MB_YESNO \"TessaroPro\" \"Quit TessaroPro?                  \"",
        "box IDNO MB_YESNO \"TessaroPro\" \"Quit TessaroPro?\"",
        "box IDOK MB_OK \"TessaroPro\" \"Parameters Saved.    \"",
    };
    EXPECT_EQ(expected, reported);
    AfxSetUserAgent(nullptr);
}

// On a screen the boxes and file dialogs go to the person (reported by the person's own agent), all but
// the quit question once the run closes the program.
TEST_F(RunReport, WithAPersonTheBoxesGoToThePersonButTheClosingQuitQuestionDoesNot) {
    int nReported = 0;
    CHeadlessUserAgent agent([&](const CUserEvent&) { ++nReported; });
    CScriptedUserAgent person;
    person.QueueAnswer(IDNO);
    person.QueueAnswer(IDRETRY);
    person.QueueFile("/tmp/chosen.prm");
    agent.SetPerson(&person);
    AfxSetUserAgent(&agent);
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, kQuitQuestion, "TessaroPro", MB_YESNO));
    EXPECT_EQ(IDRETRY, MessageBoxA(nullptr, "Board?", "TessaroPro", MB_RETRYCANCEL));
    CFileDialog dlg(TRUE, "prm", nullptr, 0, "PRM files (*.prm)|*.prm||");
    EXPECT_EQ(IDOK, dlg.DoModal());
    agent.RequestQuit();
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, kQuitQuestion, "TessaroPro", MB_YESNO | MB_DEFBUTTON2));
    AfxSetUserAgent(nullptr);
    agent.SetPerson(nullptr);
    const std::vector<CUserEvent> shown = person.Events();
    ASSERT_EQ(3u, shown.size());
    EXPECT_EQ(CUserEvent::FileOpen, shown[2].nKind);
    EXPECT_EQ(1, nReported);  // only the box the person never saw; the person's agent reports the rest
}

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
            if (bBoxSeen || CMessageBoxDialog::GetOpenBox() == nullptr) return;
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

TEST_F(RunReport, MenuItemsAreFoundByTheirTextsAsAUserReadsThem) {
    RegisterTessaroResources();
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_MAINMENU));
    UINT nId = 0;
    std::string strShown;
    std::string strWhy;
    ASSERT_TRUE(
        FindMenuItemByPath(menu, "Options>TTL>TTL inputs send DataFile markers", nId, strShown, strWhy))
        << strWhy;
    EXPECT_EQ(static_cast<UINT>(ID_TTL_INPUT_MARKERS), nId);
    EXPECT_EQ("Options>TTL>TTL  inputs  send  DataFile  markers", strShown);
    ASSERT_TRUE(FindMenuItemByPath(menu, " file >  SAVE   parameters ", nId, strShown, strWhy)) << strWhy;
    EXPECT_EQ(static_cast<UINT>(ID_SAVE_PARAMETERS), nId);
    EXPECT_EQ("File>Save Parameters", strShown);
    ASSERT_TRUE(FindMenuItemByPath(menu, "&Help>&About", nId, strShown, strWhy)) << strWhy;
    EXPECT_EQ(static_cast<UINT>(ID_APP_ABOUT), nId);

    EXPECT_FALSE(FindMenuItemByPath(menu, "Options>TTL>TTL Tests", nId, strShown, strWhy));
    EXPECT_EQ("no menu item \"TTL Tests\" in Options>TTL", strWhy);
    EXPECT_FALSE(FindMenuItemByPath(menu, "Opts>TTL", nId, strShown, strWhy));
    EXPECT_EQ("no menu item \"Opts\" in the menu bar", strWhy);
    EXPECT_FALSE(FindMenuItemByPath(menu, "Options>TTL", nId, strShown, strWhy));
    EXPECT_EQ("Options>TTL is a menu, not an item", strWhy);
    EXPECT_FALSE(FindMenuItemByPath(menu, "File>Exit>Now", nId, strShown, strWhy));
    EXPECT_EQ("File>Exit is an item, not a menu", strWhy);
    EXPECT_FALSE(FindMenuItemByPath(nullptr, "File>Exit", nId, strShown, strWhy));
    EXPECT_FALSE(strWhy.empty());

    // A doubled '&' is the character itself; the accelerator after a tab is not part of the text.
    CMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    ASSERT_TRUE(popup.AppendMenu(MF_STRING, 7001, "Salt && &Pepper\tCtrl+P"));
    ASSERT_TRUE(FindMenuItemByPath(popup, "salt & pepper", nId, strShown, strWhy)) << strWhy;
    EXPECT_EQ(7001u, nId);
    EXPECT_EQ("Salt & Pepper", strShown);
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
            const UINT_PTR nIdle = CMessageLoop::AddIdleHook([nStepMs] { CClock::Advance(nStepMs); });
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

}  // namespace

namespace {

class RunTrace : public RunReport {};

TEST_F(RunTrace, FileDialogsAreReportedWithTheirAnswer) {
    CUserEvent dlg;
    dlg.nKind = CUserEvent::FileOpen;
    dlg.strFilter = "PRM files (*.prm)|*.prm|All Files (*.*)|*.*||";
    dlg.nResult = IDOK;
    dlg.strPath = "/tmp/a \"b\".prm";
    EXPECT_EQ(
        "file IDOK open \"\" \"PRM files (*.prm)|*.prm|All Files (*.*)|*.*||\" \"/tmp/a \\\"b\\\".prm\"",
        FormatFileDialogTrace(dlg));
    dlg.nKind = CUserEvent::FileSave;
    dlg.strCaption = "Save";
    dlg.nResult = IDCANCEL;
    dlg.strPath.Empty();
    EXPECT_EQ("file IDCANCEL save \"Save\" \"PRM files (*.prm)|*.prm|All Files (*.*)|*.*||\" \"\"",
              FormatFileDialogTrace(dlg));

    // The headless user reports a dialog once answered, as it reports boxes.
    std::vector<CUserEvent> reported;
    CHeadlessUserAgent agent([&](const CUserEvent& ev) { reported.push_back(ev); });
    AfxSetUserAgent(&agent);
    AfxGetScriptedUserAgent().QueueFile("chosen.prm");
    CFileDialog open(TRUE, "prm", nullptr, OFN_FILEMUSTEXIST, "PRM files (*.prm)|*.prm||", nullptr, 0, FALSE);
    EXPECT_EQ(IDOK, open.DoModal());
    CFileDialog save(FALSE, "prm", nullptr, OFN_OVERWRITEPROMPT, "PRM files (*.prm)|*.prm||", nullptr, 0,
                     FALSE);
    EXPECT_EQ(IDCANCEL, save.DoModal());
    AfxSetUserAgent(nullptr);
    ASSERT_EQ(2u, reported.size());
    EXPECT_EQ("file IDOK open \"\" \"PRM files (*.prm)|*.prm||\" \"chosen.prm\"",
              FormatFileDialogTrace(reported[0]));
    EXPECT_EQ("file IDCANCEL save \"\" \"PRM files (*.prm)|*.prm||\" \"\"",
              FormatFileDialogTrace(reported[1]));
}

TEST_F(RunTrace, HostCallsThatCarryDataOutAreHostLines) {
    std::vector<std::string> lines;
    SimHost().SetDataOutHook(
        [&](const SimHostDataOut& out) { lines.push_back(FormatSimHostDataTrace(out)); });
    EXPECT_EQ(CRS_OK, CRS_DistributeMessages(20, 0x10003));
    EXPECT_EQ(CRS_OK, CRS_SetStatus_PRIVATE(7, 255));
    SimHost().SetDataOutHook(nullptr);
    EXPECT_EQ(CRS_OK, CRS_DistributeMessages(1, 2));
    const std::vector<std::string> expected = {"host CRS_DistributeMessages(20, 65539) = 0",
                                               "host CRS_SetStatus_PRIVATE(7, 255) = 0"};
    EXPECT_EQ(expected, lines);
}

TEST_F(RunTrace, APointerArgumentShowsTheValueTheLibrarySawAndTheValueItLeft) {
    std::vector<SimCallRecord> calls;
    CreateBoards("PCI-DDA08/12:01A2B3C4");
    CSimBoards::SetCallHook([&](const SimCallRecord& rec) { calls.push_back(rec); });
    USHORT w = 123;
    EXPECT_EQ(NOERRORS, cbDIn(0, FIRSTPORTA, &w));
    const USHORT wLeft = w;
    w = 123;
    EXPECT_EQ(BADPORTNUM, cbDIn(0, 99, &w));
    w = 7;
    EXPECT_EQ(BADBOARD, cbDBitIn(5, AUXPORT, 0, &w));
    CSimBoards::SetCallHook(nullptr);
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ("ul cbDIn(0, 10, &123->" + std::to_string(wLeft) + ") = 0", FormatBoardCallTrace(calls[0]));
    EXPECT_EQ("ul cbDIn(0, 99, &123) = " + std::to_string(BADPORTNUM), FormatBoardCallTrace(calls[1]));
    EXPECT_EQ("ul cbDBitIn(5, 1, 0, &7) = " + std::to_string(BADBOARD), FormatBoardCallTrace(calls[2]));
}

}  // namespace

namespace {

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

}  // namespace
