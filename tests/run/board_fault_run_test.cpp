// The built program run headless with board faults forced from its command line: what each failing board
// call leads to, as a user and the host see it (the box, the message line, the host log), the board-error
// state (the program stops driving the board) and the way out of it (choosing the board again).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "run/headless_run.h"
#include "support/temp_work_dir.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr char kBoxCaption[] = "\"Corvessa~Tessaro \"";
constexpr char kBoard[] = "--boards=PCI-DDA08/12:01A2B3C4";
constexpr char kChooseBoard[] = "--choose=Board>PCI-DDA08/12, S/N: 01A2B3C4";
constexpr char kDeviceAway[] = "The device does not respond: it may have been disconnected.";

// Runs the program headless in a fresh working folder with these arguments.
HeadlessRun RunProgram(const std::vector<std::string>& args) {
    CTempWorkDir dir;
    if (!dir.Enter("tessaro-fault-run")) {
        ADD_FAILURE() << "no working folder";
        return {};
    }
    return RunHeadlessProgram(args);
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The lines that start with one of the prefixes, in order.
std::vector<std::string> Only(const std::vector<std::string>& lines,
                              const std::vector<std::string>& prefixes) {
    std::vector<std::string> kept;
    for (const std::string& line : lines) {
        for (const std::string& prefix : prefixes) {
            if (line.rfind(prefix, 0) == 0) {
                kept.push_back(line);
                break;
            }
        }
    }
    return kept;
}

// Index of the first line at or after nFrom that starts with the prefix; -1 for none.
long Find(const std::vector<std::string>& lines, const std::string& prefix, long nFrom = 0) {
    for (size_t i = static_cast<size_t>(nFrom < 0 ? 0 : nFrom); i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return static_cast<long>(i);
    return -1;
}

// Index of the first line at or after nFrom that starts with the prefix and ends with the suffix; -1 for
// none.
long FindCall(const std::vector<std::string>& lines, const std::string& prefix, const std::string& suffix,
              long nFrom = 0) {
    for (size_t i = static_cast<size_t>(nFrom < 0 ? 0 : nFrom); i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.rfind(prefix, 0) == 0 && line.size() >= suffix.size() &&
            line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
            return static_cast<long>(i);
    }
    return -1;
}

long End(const std::vector<std::string>& lines) {
    return static_cast<long>(lines.size());
}

// Lines from nFrom up to nTo (not included) that start with the prefix.
long Count(const std::vector<std::string>& lines, const std::string& prefix, long nFrom, long nTo) {
    long n = 0;
    for (long i = nFrom; i >= 0 && i < nTo && i < static_cast<long>(lines.size()); ++i)
        if (lines[static_cast<size_t>(i)].rfind(prefix, 0) == 0) ++n;
    return n;
}

std::string Box(const std::string& strText) {
    return "box IDOK MB_OK " + std::string(kBoxCaption) + " \"" + strText + "\"";
}

// What a user and the host see of board faults: the board-error boxes, the fault lines (forced faults and
// the message line), the host log's error lines and the user's actions, in order.
std::vector<std::string> Seen(const std::vector<std::string>& lines) {
    return Only(
        lines, {"box IDOK MB_OK " + std::string(kBoxCaption), "fault ", "host say '~Tessaro ERROR", "user "});
}

}  // namespace

// Library start and discovery report their failures to the host's log only; the library start also puts
// its notice in the message line. No box, no board-error state: the board found is driven.
TEST(BoardFaultRun, StartUpFailuresGoToTheHostLog) {
    const HeadlessRun run = RunProgram({kBoard, "--headless=2", "--board-faults=0:*:cbDeclareRevision:2",
                                        "--board-faults=0:0:cbFlashLED:328:always"});
    ASSERT_EQ(0, run.nExit) << run.strErrors;
    const std::vector<std::string> expected = {
        "fault cbDeclareRevision on any board fails with 2 once",
        "fault cbFlashLED on board 0 fails with 328 always",
        "host say '~Tessaro ERROR: This library revision is not supported.'",
        "host say '~Tessaro ERROR: " + std::string(kDeviceAway) + "'",
        "fault message \" FAILED to initialize library.\"",
    };
    EXPECT_EQ(expected, Seen(run.lines)) << Joined(run.lines);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_NE(std::string::npos,
              run.lines.back().find("| board=0 \"PCI-DDA08/12\" ttl-out=0x00 ttl-in=0x00 ch0="))
        << run.lines.back();
}

// A board name that cannot be read while discovery goes on: the discovery box, the board-error line with
// no board in use, no further board number tried; start-up's board selection ends the state and drives
// the board found before.
TEST(BoardFaultRun, DiscoveryEndsAtABoardThatCannotBeNamed) {
    const HeadlessRun run =
        RunProgram({kBoard, "--headless=1.5", "--board-faults=0:1:cbGetBoardName:328", "--trace"});
    ASSERT_EQ(0, run.nExit) << run.strErrors;
    const std::vector<std::string> expected = {
        "fault cbGetBoardName on board 1 fails with 328 once",
        Box(" MCL_determineBoards ERROR.\\n\\n Error: 328 "),
        "fault message \" No Board **ERROR **\"",
    };
    EXPECT_EQ(expected, Seen(run.lines)) << Joined(run.lines);
    EXPECT_EQ(-1, Find(run.lines, "ul cbGetBoardName(2,"));
    const long nBox = Find(run.lines, "box IDOK");
    EXPECT_LT(nBox, Find(run.lines, "ul cbDConfigPort(0, 14, 1) = 0"));
    EXPECT_GT(Count(run.lines, "ul cbAOut(0, 0, ", nBox, End(run.lines)), 10);
}

// A device that does not answer discovery's probe is left out without a word; the program's own demo
// board stands in.
TEST(BoardFaultRun, DiscoveryLeavesOutADeviceThatDoesNotAnswer) {
    const HeadlessRun run = RunProgram({kBoard, "--headless=1.2", "--board-faults=0:0:cbDIn:328", "--trace"});
    ASSERT_EQ(0, run.nExit) << run.strErrors;
    const std::vector<std::string> expected = {"fault cbDIn on board 0 fails with 328 once"};
    EXPECT_EQ(expected, Seen(run.lines)) << Joined(run.lines);
    EXPECT_GE(Find(run.lines, "ul cbDIn(0, 0, &123) = 328"), 0);
    EXPECT_EQ(-1, Find(run.lines, "ul cbDConfigPort(")) << "the demo board has no ports to configure";
    EXPECT_EQ(-1, Find(run.lines, "ul cbAOut("));
}

// A failed analog write or level conversion only shows the library's text in the message line for five
// seconds; that one sample is lost, nothing else changes and the next sample is written.
TEST(BoardFaultRun, AFailedAnalogWriteIsANoticeOnly) {
    const HeadlessRun run = RunProgram({kBoard, "--headless=7.5", "--board-faults=0.5:0:cbAOut:328",
                                        "--board-faults=1.5:0:cbToEngUnits:16", "--trace"});
    ASSERT_EQ(0, run.nExit) << run.strErrors;
    const std::vector<std::string> expected = {
        "fault cbAOut on board 0 fails with 328 once",
        "fault message \"GetErrMsg: " + std::string(kDeviceAway) + " #0\"",
        "fault cbToEngUnits on board 0 fails with 16 once",
        "fault message \"GetErrMsg: Data value out of range for the resolution of this board. #0\"",
        "fault message \"\"",
    };
    EXPECT_EQ(expected, Seen(run.lines)) << Joined(run.lines);
    // The frame goes on with the next channel, the next frame writes channel 0 again, and the TTL inputs
    // are still polled: no board-error state.
    const long nWrite = FindCall(run.lines, "ul cbAOut(0, 0, ", ") = 328");
    ASSERT_GE(nWrite, 0) << Joined(run.lines);
    EXPECT_GT(Find(run.lines, "ul cbAOut(0, 1, ", nWrite), nWrite);
    EXPECT_GT(FindCall(run.lines, "ul cbAOut(0, 0, ", ") = 0", nWrite), nWrite);
    const long nConversion = FindCall(run.lines, "ul cbToEngUnits(0, ", ") = 16");
    ASSERT_GT(nConversion, nWrite) << Joined(run.lines);
    EXPECT_EQ(-1, FindCall(run.lines, "ul cb", ") = 328", nWrite + 1)) << "one failure each";
    EXPECT_EQ(-1, FindCall(run.lines, "ul cb", ") = 16", nConversion + 1));
    EXPECT_GT(Count(run.lines, "ul cbDIn(0, 10, ", nConversion, End(run.lines)), 10);
    EXPECT_GT(Count(run.lines, "ul cbAOut(0, 0, ", nConversion, End(run.lines)), 10);
}

// A board unplugged while it runs: the TTL input poll's box, the board-error line, and the program stops
// driving the board. Choosing the board while it is away fails in its port configuration (its own box);
// choosing it once it is back is the way out: the board is driven again.
TEST(BoardFaultRun, AnUnpluggedBoardIsTakenBackByChoosingItAgain) {
    const HeadlessRun run = RunProgram(
        {kBoard, "--headless=2.5", "--board-unplug=0.3:0:1", kChooseBoard, kChooseBoard, "--trace"});
    ASSERT_EQ(0, run.nExit) << run.strErrors;
    // While the board is away the samples' notices may show too; they are checked below.
    std::vector<std::string> seen;
    for (const std::string& line : Seen(run.lines))
        if (line.rfind("fault message \"GetErrMsg: ", 0) != 0) seen.push_back(line);
    const std::string strChose = "user chose Board>PCI-DDA08/12,  S/N: 01A2B3C4";
    const std::vector<std::string> expected = {
        "fault board 0 stops responding",
        Box(" TTL input port error during access.\\n Error: -5 "),
        "fault message \" PCI-DDA08/12 **ERROR **\"",
        strChose,
        Box(" TTL port could not be set for input pulses.\\n Error: -9 "),
        "fault board 0 responds again",
        strChose,
    };
    EXPECT_EQ(expected, seen) << Joined(run.lines);
    for (const std::string& line : Only(run.lines, {"fault message \"GetErrMsg: "}))
        EXPECT_EQ("fault message \"GetErrMsg: " + std::string(kDeviceAway) + " #0\"", line);

    // In the board-error state no channel is written and the inputs are not polled, also while the board
    // is back, until the user chooses it; then both go on.
    const long nError = Find(run.lines, "fault message \" PCI-DDA08/12");
    const long nChose = Find(run.lines, strChose);
    const long nSecondBox = Find(run.lines, "box IDOK MB_OK \"Corvessa~Tessaro \" \" TTL port");
    const long nWayOut = Find(run.lines, strChose, nChose + 1);
    ASSERT_TRUE(nError >= 0 && nChose > nError && nSecondBox > nChose && nWayOut > nSecondBox)
        << Joined(run.lines);
    EXPECT_EQ(0, Count(run.lines, "ul cbAOut(", nError, nChose));
    EXPECT_EQ(0, Count(run.lines, "ul cbDIn(", nError, nChose));
    EXPECT_EQ(0, Count(run.lines, "ul cbAOut(", nSecondBox, nWayOut));
    EXPECT_GE(FindCall(run.lines, "ul cbDConfigPort(0, 10, 2)", " = 0", nWayOut), nWayOut);
    EXPECT_GT(Count(run.lines, "ul cbAOut(0, 0, ", nWayOut, End(run.lines)), 10);
    EXPECT_GT(Count(run.lines, "ul cbDIn(0, 10, ", nWayOut, End(run.lines)), 10);
    EXPECT_EQ(-1, FindCall(run.lines, "ul cb", " = 328", nWayOut));
}

// The port configuration of a board choice: a failed output port gives its box and the state; the next
// choice, whose zeroing of the TTL outputs fails, gives the zeroing's box; the third is the way out.
TEST(BoardFaultRun, ChoosingABoardReportsItsPortConfigurationAndZeroing) {
    const HeadlessRun run =
        RunProgram({kBoard, "--headless=3", "--board-faults=0.8:0:cbDConfigPort:328",
                    "--board-faults=1.3:0:cbDOut:328", kChooseBoard, kChooseBoard, kChooseBoard, "--trace"});
    ASSERT_EQ(0, run.nExit) << run.strErrors;
    const std::string strChose = "user chose Board>PCI-DDA08/12,  S/N: 01A2B3C4";
    const std::vector<std::string> expected = {
        "fault cbDConfigPort on board 0 fails with 328 once",
        strChose,
        Box(" TTL port could not be set for output.\\n Error: -10"),
        "fault message \" PCI-DDA08/12 **ERROR **\"",
        "fault cbDOut on board 0 fails with 328 once",
        strChose,
        Box(" TTL_setOutput_to_zero.\\n Error: -4 "),
        strChose,
    };
    EXPECT_EQ(expected, Seen(run.lines)) << Joined(run.lines);
    const long nFirst = Find(run.lines, "box IDOK MB_OK \"Corvessa");
    const long nSecond = Find(run.lines, strChose, Find(run.lines, strChose) + 1);
    const long nZeroing = Find(run.lines, "box IDOK MB_OK \"Corvessa", nFirst + 1);
    const long nThird = Find(run.lines, strChose, nSecond + 1);
    ASSERT_TRUE(nFirst >= 0 && nSecond > nFirst && nZeroing > nSecond && nThird > nZeroing)
        << Joined(run.lines);
    EXPECT_EQ(0, Count(run.lines, "ul cbAOut(", nFirst, nSecond));
    EXPECT_EQ(0, Count(run.lines, "ul cbAOut(", nZeroing, nThird));
    EXPECT_GT(Count(run.lines, "ul cbAOut(0, 0, ", nThird, End(run.lines)), 10);
}

// A TTL word the program cannot write (the advanced dialog's LED set-up): the box, the board-error line
// and the state; choosing the board again is the way out.
TEST(BoardFaultRun, ATtlWordThatCannotBeWrittenStopsTheBoard) {
    const HeadlessRun run = RunProgram(
        {"--boards=USB-1208FS:01F50001", "--headless=4", "--choose=Options>TTL>TTL output of ROI code",
         "--choose=Help>QVL Advanced", "--board-faults=1.8:0:cbDOut:328", "--press=Setup ROIs", "--press=OK",
         "--choose=Board>USB-1208FS, S/N: 01F50001", "--trace"});
    ASSERT_EQ(0, run.nExit) << run.strErrors;
    std::vector<std::string> seen;
    for (const std::string& line : Seen(run.lines))
        if (line.rfind("fault message", 0) != 0) seen.push_back(line);
    const std::string strChose = "user chose Board>USB-1208FS,  S/N: 01F50001";
    const std::vector<std::string> expected = {
        "user chose Options>TTL>TTL  output  of  ROI  code",
        "user chose Help>QVL Advanced",
        "fault cbDOut on board 0 fails with 328 once",
        "user pressed \"Setup ROIs\" in \"QVL Advanced\"",
        Box(" TTL_setOutput_to_values.\\n Error: -3 "),
        "user pressed \"OK\" in \"QVL Advanced\"",
        strChose,
    };
    EXPECT_EQ(expected, seen) << Joined(run.lines);
    const long nBox = Find(run.lines, "box IDOK MB_OK \"Corvessa");
    const long nError = Find(run.lines, "fault message \" USB-1208FS **ERROR **\"");
    const long nChose = Find(run.lines, strChose);
    ASSERT_TRUE(nBox >= 0 && nError > nBox && nChose > nError) << Joined(run.lines);
    EXPECT_EQ(0, Count(run.lines, "ul cbAOut(", nBox, nChose));
    EXPECT_GT(Count(run.lines, "ul cbAOut(0, 1, ", nChose, End(run.lines)), 5);
}

// The external interrupt of a digital board: a failed enable and a failed disable each give their box and
// the state, in which the TTL inputs are not polled; choosing the board again is the way out.
TEST(BoardFaultRun, TheExternalInterruptReportsAFailedEnableAndDisable) {
    const std::string strChoose = "--choose=Board>PCI-DIO24, S/N: 00D10024";
    const std::string strEdges = "Options>TTL>Enable pulse edge detection";
    const HeadlessRun run =
        RunProgram({"--boards=PCI-DIO24:00D10024", "--headless=3.5", "--board-faults=0.5:0:cbEnableEvent:23",
                    "--board-faults=2.7:0:cbDisableEvent:328", strChoose, "--check=" + strEdges, strChoose,
                    "--check=" + strEdges, "--choose=" + strEdges, "--trace"});
    ASSERT_EQ(0, run.nExit) << run.strErrors;
    const std::string strChose = "user chose Board>PCI-DIO24,  S/N: 00D10024";
    const std::string strChoseEdges = "user chose Options>TTL>Enable  pulse  edge  detection";
    const std::vector<std::string> expected = {
        "fault cbEnableEvent on board 0 fails with 23 once",
        strChose,
        strChoseEdges,
        Box(" ERROR: \\n\\n  TTL External Interupt was NOT ENABLED.\\n Error: 23 "),
        "fault message \" PCI-DIO24 **ERROR **\"",
        strChose,
        strChoseEdges,
        "fault cbDisableEvent on board 0 fails with 328 once",
        strChoseEdges,
        Box(" ERROR: \\n\\n  TTL External Interupt was NOT DISABLED.\\n Error: 328 "),
    };
    EXPECT_EQ(expected, Seen(run.lines)) << Joined(run.lines);
    const long nBox = Find(run.lines, "box IDOK MB_OK \"Corvessa");
    const long nWayOut = Find(run.lines, strChose, nBox);
    ASSERT_TRUE(nBox >= 0 && nWayOut > nBox) << Joined(run.lines);
    EXPECT_EQ(0, Count(run.lines, "ul cbDIn(", nBox, nWayOut));
    EXPECT_GE(FindCall(run.lines, "ul cbEnableEvent(0, 2, 1, ", " = 0", nWayOut), nWayOut);
    const long nSecondBox = Find(run.lines, "box IDOK MB_OK \"Corvessa", nBox + 1);
    EXPECT_EQ(0, Count(run.lines, "ul cbDIn(", nSecondBox, End(run.lines)));
}

// A bad fault is refused before the program starts, with the reason.
TEST(BoardFaultRun, ABadFaultEndsTheProgramWithStatusTwo) {
    const HeadlessRun run = RunProgram({kBoard, "--headless=1", "--board-faults=1:0:cbAOut:0"});
    EXPECT_EQ(2, run.nExit);
    EXPECT_EQ(
        "TessaroPro: \"--board-faults=1:0:cbAOut:0\": the error must be one of the board library's error "
        "codes, "
        "1 to 24 or 328 (see --help)\n",
        run.strErrors);
    EXPECT_TRUE(run.lines.empty());
}

// The pulse burst's writes fail on its worker thread: one box for them all, shown by the main window, the
// board-error line and the state.
TEST(BoardFaultRun, TheBurstsFailingWritesGiveOneBox) {
    const HeadlessRun run = RunProgram(
        {"--boards=USB-1208FS:01F50001", "--headless=4.5", "--choose=Options>TTL>TTL output of ROI code",
         "--choose=Help>QVL Advanced", "--press=Setup ROIs", "--press=2.5:Start",
         "--board-faults=3.2:0:cbDOut:328:always", "--trace"});
    ASSERT_EQ(0, run.nExit) << run.strErrors;
    const std::vector<std::string> expected = {
        "user chose Options>TTL>TTL  output  of  ROI  code", "user chose Help>QVL Advanced",
        "user pressed \"Setup ROIs\" in \"QVL Advanced\"",   "user pressed \"Start\" in \"QVL Advanced\"",
        "fault cbDOut on board 0 fails with 328 always",     Box(" TTL_setOutput_to_values.\\n Error: -3 "),
        "fault message \" USB-1208FS **ERROR **\"",
    };
    EXPECT_EQ(expected, Seen(run.lines)) << Joined(run.lines);
    const long nError = Find(run.lines, "fault message \" USB-1208FS");
    ASSERT_GE(nError, 0);
    EXPECT_GT(Count(run.lines, "ul cbDOut(0, 11, ", nError, End(run.lines)), 0)
        << "the burst goes on writing";
    EXPECT_EQ(0, Count(run.lines, "ul cbAOut(", nError, End(run.lines)));
}
