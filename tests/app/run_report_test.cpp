#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "app/run_report.h"
#include "app/tessaro_app.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/ul/cbw.h"
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
    EXPECT_NE(std::string::npos, Body(lines[lines.size() - 3]).find("run dropped")) << "announced before";

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

}  // namespace
