// The built program on a virtual display of its own, used as a person uses it: the mouse and the keys
// through the X server (xdotool), at places found from the program's X windows and the known layout of
// its dialogs; then its printed lines and the parameter file it saved.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/parameter_block.h"
#include "run/headless_run.h"
#include "support/temp_work_dir.h"
#include "support/xvfb_server.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

struct XGeometry {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

// Runs a tool (no shell) with DISPLAY set and returns what it printed; a tool that takes longer than
// 10 s is killed.
std::string RunTool(const std::string& strDisplay, const std::vector<std::string>& args) {
    int fds[2] = {-1, -1};
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        setenv("DISPLAY", strDisplay.c_str(), 1);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    const auto until = SteadyClock::now() + std::chrono::seconds(10);
    while (pid > 0 && SteadyClock::now() < until) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[512];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (pid > 0) {
        kill(pid, SIGKILL);  // a no-op when it has ended
        waitpid(pid, nullptr, 0);
    }
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The kind and text of an output line: "<seconds> <kind> <text>" without the seconds.
std::string WithoutTime(const std::string& line) {
    const size_t n = line.find(' ');
    return n == std::string::npos ? line : line.substr(n + 1);
}

// The marker count of a "sum" line, -1 for another line.
long MarkersOf(const std::string& line) {
    const std::string strLine = WithoutTime(line);
    if (strLine.rfind("sum ", 0) != 0) return -1;
    const size_t n = strLine.find(" markers=");
    return n == std::string::npos ? -1 : std::strtol(strLine.c_str() + n + 9, nullptr, 10);
}

// The layout a person sees, in pixels of the X windows (their frames included).
// The main window: the menu bar's third item ("Options") and the close box at the caption's right end.
constexpr int kOptionsItemX = 108;
constexpr int kMenuBarY = 36;
constexpr int kCloseBoxFromRight = 16;
constexpr int kCaptionY = 14;
// Channel 0's panel starts here in the main window; its controls are placed in dialog units of 6 x 13
// base units (a unit is 6/4 pixels across and 13/8 down), as the panel's template gives them.
constexpr int kPanel0X = 26;
constexpr int kPanel0Y = 285;
int PanelX(int nUnits) {
    return kPanel0X + nUnits * 6 / 4;
}
int PanelY(int nUnits) {
    return kPanel0Y + nUnits * 13 / 8;
}
// The panel template's controls: their centres in dialog units.
constexpr int kInvertX = 155 + 34 / 2, kInvertY = 43 + 10 / 2;
constexpr int kMaxEditX = 175 + 18 / 2, kMaxEditY = 28 + 12 / 2;
constexpr int kSetX = 194 + 20 / 2, kSetY = 27 + 14 / 2;
constexpr int kSourceX = 42 + 111 / 2, kSourceY = 28 + 5;
constexpr int kRangeX = 42 + 111 / 2, kRangeY = 42 + 5;
constexpr int kRangeLabelX = 20 + 10, kRangeLabelY = 44 + 5;
constexpr int kMinEditX = 155 + 18 / 2, kMinEditY = 28 + 12 / 2;
// Expanded panels stand this many pixels apart; the column's scroll bar lies beside the first one.
constexpr int kPanelPitch = 145;
int SlotY(int nSlot, int nUnits) {
    return PanelY(nUnits) + nSlot * kPanelPitch;
}
constexpr int kColumnScrollX = 397, kColumnScrollY = 312;
// Menu popups: a one-pixel border, items 20 pixels high.
constexpr int kPopupItemX = 40;
int PopupItemY(int nItem) {
    return 1 + nItem * 20 + 10;
}
// Message boxes: buttons of 75 x 23 pixels, 6 apart, centred, 11 above the client's bottom (a frame of 4).
constexpr int kBoxButtonFromBottom = 4 + 11 + 23 / 2;
constexpr int kBoxButtonPitch = 75 + 6;

class ScreenRun : public ::testing::Test {
  protected:
    void SetUp() override {
        m_until = SteadyClock::now() + std::chrono::seconds(50);  // the whole test, within CTest's limit
    }

    std::string Tool(std::vector<std::string> args) { return RunTool(m_pXvfb->Name(), args); }
    std::vector<unsigned long> Search(const std::vector<std::string>& args) {
        std::vector<std::string> all{"xdotool", "search", "--onlyvisible"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<unsigned long> ids;
        std::istringstream in(Tool(all));
        for (unsigned long id = 0; in >> id;) ids.push_back(id);
        return ids;
    }
    // The visible windows of that title (an extended regular expression).
    std::vector<unsigned long> Windows(const std::string& strTitle) { return Search({"--name", strTitle}); }
    XGeometry Geometry(unsigned long id) {
        XGeometry g;
        for (const std::string& line :
             Lines(Tool({"xdotool", "getwindowgeometry", "--shell", std::to_string(id)}))) {
            const size_t n = line.find('=');
            if (n == std::string::npos) continue;
            const int v = std::atoi(line.c_str() + n + 1);
            const std::string key = line.substr(0, n);
            if (key == "X") g.x = v;
            if (key == "Y") g.y = v;
            if (key == "WIDTH") g.cx = v;
            if (key == "HEIGHT") g.cy = v;
        }
        return g;
    }
    // The open menu popups (top-level windows without a title), left to right.
    std::vector<XGeometry> Popups() {
        std::vector<XGeometry> popups;
        for (unsigned long id : Search({"--maxdepth", "1", "--name", "^$"})) {
            const XGeometry g = Geometry(id);
            if (g.cx > 10 && g.cy > 10 && g.cx < kScreenWidth) popups.push_back(g);
        }
        std::sort(popups.begin(), popups.end(),
                  [](const XGeometry& a, const XGeometry& b) { return a.x < b.x; });
        return popups;
    }
    void MoveTo(unsigned long id, int x, int y) {
        Tool({"xdotool", "mousemove", "--window", std::to_string(id), std::to_string(x), std::to_string(y)});
    }
    void ClickAt(unsigned long id, int x, int y) {
        MoveTo(id, x, y);
        Tool({"xdotool", "click", "1"});
    }
    // A point on the screen (popups are found by their place, not by a window id).
    void ClickAtScreen(int x, int y) {
        Tool({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"});
    }
    void MoveToScreen(int x, int y) { Tool({"xdotool", "mousemove", std::to_string(x), std::to_string(y)}); }

    // Polls done() every 100 ms for at most nSeconds (and never past the test's own deadline).
    bool WaitFor(int nSeconds, const std::function<bool()>& done) {
        const auto until = std::min(m_until, SteadyClock::now() + std::chrono::seconds(nSeconds));
        while (SteadyClock::now() < until) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return done();
    }
    // The one visible window of that title, 0 when there is none or more than one.
    unsigned long WaitForWindow(int nSeconds, const std::string& strTitle) {
        unsigned long id = 0;
        WaitFor(nSeconds, [&] {
            const std::vector<unsigned long> ids = Windows(strTitle);
            id = ids.size() == 1 ? ids[0] : 0;
            return id != 0;
        });
        return id;
    }

    // Starts the program with a PCI-DDA08/12, answers the box about the missing parameter file, and
    // puts the start-up splash away; the main window's id, 0 when a step failed (m_strFailed says which).
    unsigned long StartToMainWindow(CXvfb& xvfb, CTempWorkDir& dir, CProgramProcess& program) {
        m_pXvfb = &xvfb;
        EXPECT_TRUE(dir.Enter("tessaro-screen-run"));
        EXPECT_TRUE(std::filesystem::create_directory("Settings"));
        EXPECT_TRUE(program.Start({"--boards=PCI-DDA08/12"}, xvfb.Name(), dir.Path()));
        const unsigned long hBox = WaitForWindow(40, "^TessaroPro$");
        if (hBox == 0) return Failed("no message box came up");
        const XGeometry box = Geometry(hBox);
        ClickAt(hBox, box.cx / 2, box.cy - kBoxButtonFromBottom);
        if (!WaitFor(10, [&] { return program.Output().find(" box IDOK MB_OK ") != std::string::npos; }))
            return Failed("the click on OK did not answer the box");
        const unsigned long hMain = WaitForWindow(10, "~TessaroPro$");
        const unsigned long hSplash = WaitForWindow(5, "^About Tessaro$");
        if (hMain == 0 || hSplash == 0) return Failed("no main window or no splash");
        const XGeometry splash = Geometry(hSplash);
        const XGeometry main = Geometry(hMain);
        ClickAt(hSplash, main.x + main.cx + 5 - splash.x, splash.cy / 2);
        if (!WaitFor(10, [&] { return Windows("^About Tessaro$").empty(); }))
            return Failed("the splash stayed");
        return hMain;
    }
    unsigned long Failed(const char* pszStep) {
        m_strFailed = pszStep;
        return 0;
    }
    // Closes the main window with its close box and answers Yes; the program's exit status.
    int Quit(unsigned long hMain, CProgramProcess& program) {
        ClickAt(hMain, Geometry(hMain).cx - kCloseBoxFromRight, kCaptionY);
        const unsigned long hQuit = WaitForWindow(10, "^TessaroPro$");
        if (hQuit == 0) return -1;
        const XGeometry quit = Geometry(hQuit);
        ClickAt(hQuit, quit.cx / 2 - kBoxButtonPitch / 2, quit.cy - kBoxButtonFromBottom);
        return program.WaitForExit(std::min(m_until, SteadyClock::now() + std::chrono::seconds(20)));
    }
    // n notches of the wheel where the pointer is: away from the user (up) when n > 0.
    void Wheel(int nNotches) {
        const std::string strButton = nNotches > 0 ? "4" : "5";
        Tool(
            {"xdotool", "click", "--repeat", std::to_string(std::abs(nNotches)), "--delay", "30", strButton});
    }

    static constexpr int kScreenWidth = 1280;
    CXvfb* m_pXvfb = nullptr;
    std::string m_strFailed;
    SteadyClock::time_point m_until;
};

TEST_F(ScreenRun, APersonSetsAChannelTurnsOnTheInputMarkersAndQuitsWithTheMouse) {
    CXvfb xvfb("1280x1024x24");
    if (!xvfb.Ready()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    m_pXvfb = &xvfb;
    CTempWorkDir dir;
    ASSERT_TRUE(dir.Enter("tessaro-screen-run"));
    ASSERT_TRUE(std::filesystem::create_directory("Settings"));
    CProgramProcess program;
    ASSERT_TRUE(program.Start({"--boards=PCI-DDA08/12", "--board-inputs=walk"}, xvfb.Name(), dir.Path()));
    const auto tell = [&] { return "output:\n" + program.Output() + "errors:\n" + program.Errors(); };

    // No parameter file yet: the program says so in a box, which the person answers OK.
    const unsigned long hBox = WaitForWindow(40, "^TessaroPro$");
    ASSERT_NE(0u, hBox) << "no message box came up\n" << tell();
    const XGeometry box = Geometry(hBox);
    ClickAt(hBox, box.cx / 2, box.cy - kBoxButtonFromBottom);
    ASSERT_TRUE(WaitFor(10, [&] { return program.Output().find(" box IDOK MB_OK ") != std::string::npos; }))
        << "the click on OK did not answer the box\n"
        << tell();
    const unsigned long hMain = WaitForWindow(10, "~TessaroPro$");
    ASSERT_NE(0u, hMain) << "the main window did not come up\n" << tell();

    // The start-up splash (the About box) lies under the main window and sticks out beside it; a click
    // there puts it away.
    const unsigned long hSplash = WaitForWindow(5, "^About Tessaro$");
    ASSERT_NE(0u, hSplash) << "no start-up splash\n" << tell();
    const XGeometry splash = Geometry(hSplash);
    const XGeometry main = Geometry(hMain);
    ASSERT_GT(splash.x + splash.cx, main.x + main.cx + 10) << "the splash does not stick out";
    ClickAt(hSplash, main.x + main.cx + 5 - splash.x, splash.cy / 2);
    ASSERT_TRUE(WaitFor(10, [&] { return Windows("^About Tessaro$").empty(); })) << "the splash stayed";

    // Channel 0: inverted, and a Max of 5 typed into its edit and set.
    ClickAt(hMain, PanelX(kInvertX), PanelY(kInvertY));
    ClickAt(hMain, PanelX(kMaxEditX), PanelY(kMaxEditY));
    Tool({"xdotool", "key", "End", "BackSpace", "BackSpace", "BackSpace", "BackSpace"});
    Tool({"xdotool", "type", "5"});
    ClickAt(hMain, PanelX(kSetX), PanelY(kSetY));

    // Options > TTL > "TTL inputs send DataFile markers" through the menu's popups.
    ClickAt(hMain, kOptionsItemX, kMenuBarY);
    std::vector<XGeometry> popups;
    ASSERT_TRUE(WaitFor(10, [&] { return (popups = Popups()).size() == 1; }))
        << "the Options popup did not open\n"
        << tell();
    MoveToScreen(popups[0].x + kPopupItemX, popups[0].y + PopupItemY(0));  // TTL: its popup opens beside
    ASSERT_TRUE(WaitFor(10, [&] { return (popups = Popups()).size() == 2; }))
        << "the TTL popup did not open\n"
        << tell();
    // Along the TTL item into its popup, then down to the second item.
    MoveToScreen(popups[1].x + kPopupItemX, popups[1].y + PopupItemY(0));
    const size_t nBeforeChoice = Lines(program.Output()).size();
    ClickAtScreen(popups[1].x + kPopupItemX, popups[1].y + PopupItemY(1));
    EXPECT_TRUE(WaitFor(10, [&] { return Popups().empty(); })) << "the popups stayed open";

    // The input lines' edges become markers, which the summary lines count from now on.
    const bool bMarkers = WaitFor(20, [&] {
        const std::vector<std::string> lines = Lines(program.Output());
        for (size_t i = nBeforeChoice; i < lines.size(); ++i)
            if (MarkersOf(lines[i]) > 0) return true;
        return false;
    });
    EXPECT_TRUE(bMarkers) << "no markers after the choice\n" << tell();

    // The close box, and Yes in the quit box.
    ClickAt(hMain, Geometry(hMain).cx - kCloseBoxFromRight, kCaptionY);
    const unsigned long hQuit = WaitForWindow(10, "^TessaroPro$");
    ASSERT_NE(0u, hQuit) << "the close box asked nothing\n" << tell();
    const XGeometry quit = Geometry(hQuit);
    ClickAt(hQuit, quit.cx / 2 - kBoxButtonPitch / 2, quit.cy - kBoxButtonFromBottom);
    const int nExit = program.WaitForExit(std::min(m_until, SteadyClock::now() + std::chrono::seconds(20)));
    EXPECT_EQ(0, nExit) << "the program did not end well after Yes\n" << tell();

    // What it printed: the two boxes as answered, no markers before the choice, the person's one menu
    // choice as a scripted user's would be printed.
    std::vector<std::string> boxes;
    std::vector<std::string> users;
    const std::vector<std::string> lines = Lines(program.Output());
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string line = WithoutTime(lines[i]);
        if (line.rfind("box ", 0) == 0) boxes.push_back(line);
        if (line.rfind("user ", 0) == 0) users.push_back(line);
        if (i < nBeforeChoice && MarkersOf(lines[i]) >= 0) {
            EXPECT_EQ(0, MarkersOf(lines[i])) << lines[i];
        }
    }
    EXPECT_EQ(std::vector<std::string>{"user chose Options>TTL>TTL  inputs  send  DataFile  markers"}, users)
        << tell();
    ASSERT_EQ(2u, boxes.size()) << tell();
    EXPECT_EQ(0u, boxes[0].rfind("box IDOK MB_OK \"TessaroPro\" \"Saved parameter file ", 0)) << boxes[0];
    EXPECT_EQ("box IDYES MB_YESNO \"TessaroPro\" \"Quit TessaroPro?                  \"", boxes[1]);

    // The parameter file it saved on the way out.
    std::ifstream in("Settings/TessaroParams.prm", std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(static_cast<size_t>(PARAMS_SIZE), file.size());
    ParameterBlock saved{};
    std::memcpy(&saved, file.data(), sizeof saved);
    EXPECT_EQ(TRUE, saved.bInvert[0]);
    EXPECT_EQ(FALSE, saved.bInvert[1]);
    EXPECT_FLOAT_EQ(5.0f, saved.fDomainMax[0]);
    EXPECT_FLOAT_EQ(1.0f, saved.fDomainMax[1]);
    EXPECT_EQ(TRUE, saved.bTtlInputMarkers);
    EXPECT_EQ(TRUE, saved.bRoiOutput);  // the item beside it untouched
}

// The parameter file the program saved on the way out.
std::optional<ParameterBlock> ReadParameterFile() {
    std::ifstream in("Settings/TessaroParams.prm", std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() != static_cast<size_t>(PARAMS_SIZE)) return std::nullopt;
    ParameterBlock block{};
    std::memcpy(&block, file.data(), sizeof block);
    return block;
}

TEST_F(ScreenRun, TheWheelScrollsTheChannelColumnAndChangesNoChannelItIsNotPointedAt) {
    CXvfb xvfb("1280x1024x24");
    if (!xvfb.Ready()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    CTempWorkDir dir;
    CProgramProcess program;
    const unsigned long hMain = StartToMainWindow(xvfb, dir, program);
    const auto tell = [&] { return "output:\n" + program.Output() + "errors:\n" + program.Errors(); };
    ASSERT_NE(0u, hMain) << m_strFailed << "\n" << tell();

    // Channel 1's Range list: opened, closed with Escape; it keeps the focus.
    ClickAt(hMain, PanelX(kRangeX), SlotY(1, kRangeY));
    Tool({"xdotool", "key", "Escape"});
    // Over channel 3's Range list, four notches down: the column scrolls, channel 4 now first.
    MoveTo(hMain, PanelX(kRangeX), SlotY(3, kRangeY));
    Wheel(-4);
    // Over the Range label of the first panel shown, one up; over the scroll bar, one up: channel 2.
    MoveTo(hMain, PanelX(kRangeLabelX), SlotY(0, kRangeLabelY));
    Wheel(1);
    MoveTo(hMain, kColumnScrollX, kColumnScrollY);
    Wheel(1);
    // An open list (channel 3's Source, second in the column now) scrolls and chooses nothing.
    // It holds the pointer, so the wheel reaches it from where the click left the pointer (the list
    // highlights the entry the pointer is over, so the pointer stays off it); Return then picks the
    // entry highlighted: still the one chosen before.
    ClickAt(hMain, PanelX(kSourceX), SlotY(1, kSourceY));
    Wheel(-2);
    Tool({"xdotool", "key", "Return"});
    // The first panel shown is channel 2's: its Invert box.
    ClickAt(hMain, PanelX(kInvertX), SlotY(0, kInvertY));

    EXPECT_EQ(0, Quit(hMain, program)) << "the program did not end well after Yes\n" << tell();
    // Every channel's source and range as the program's defaults set them (no parameter file at the
    // start), and the one Invert box clicked.
    std::optional<ParameterBlock> after = ReadParameterFile();
    ASSERT_TRUE(after.has_value());
    for (int ch = 0; ch < 8; ++ch) {
        EXPECT_EQ(g_DefaultSignalCodes[ch], after->nSignalCode[ch])
            << "channel " << ch << "'s source changed";
        EXPECT_EQ(4, after->range[ch].nRangeCode) << "channel " << ch << "'s range changed";
        EXPECT_EQ(ch == 2 ? TRUE : FALSE, after->bInvert[ch])
            << "channel " << ch << ": the column was not scrolled to channel 2";
    }
}

TEST_F(ScreenRun, EnterAppliesEveryCharacterTypedBeforeIt) {
    CXvfb xvfb("1280x1024x24");
    if (!xvfb.Ready()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    CTempWorkDir dir;
    CProgramProcess program;
    const unsigned long hMain = StartToMainWindow(xvfb, dir, program);
    const auto tell = [&] { return "output:\n" + program.Output() + "errors:\n" + program.Errors(); };
    ASSERT_NE(0u, hMain) << m_strFailed << "\n" << tell();

    // Channel 0's Min, typed over 100 times at 1 ms a key, each value ended by Enter. Every part of a
    // value short of the whole ("", "-", "-.") is not a number: an Enter handled before the last
    // character would bring up "Enter a number.".
    ClickAt(hMain, PanelX(kMinEditX), PanelY(kMinEditY));
    std::string strLast;
    for (int i = 0; i < 100; ++i) {
        strLast = "-." + std::to_string(1 + i % 9);
        Tool({"xdotool", "key", "End", "BackSpace", "BackSpace", "BackSpace", "BackSpace"});
        // "\r" is the Return key, 1 ms after the value's last character.
        Tool({"xdotool", "type", "--delay", "1", "--", strLast + "\r"});
    }
    // The end of the typing: one last key, then nothing new for a moment.
    Tool({"xdotool", "key", "End"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(Windows("^TessaroPro$").empty()) << "a box came up while typing\n" << tell();
    EXPECT_EQ(0, Quit(hMain, program)) << "the program did not end well after Yes\n" << tell();

    size_t nBoxes = 0;
    for (const std::string& line : Lines(program.Output()))
        if (WithoutTime(line).rfind("box ", 0) == 0) ++nBoxes;
    EXPECT_EQ(2u, nBoxes) << "only the start's and the quit's boxes\n" << tell();
    std::optional<ParameterBlock> saved = ReadParameterFile();
    ASSERT_TRUE(saved.has_value());
    EXPECT_FLOAT_EQ(std::stof(strLast), saved->fDomainMin[0]);
}

// The person sizes the main window by its bottom edge (its sides stay), opens the Info window from the
// keyboard, closes it by its close box, and answers the quit question with the Y key.
TEST_F(ScreenRun, APersonSizesTheMainWindowClosesTheInfoWindowAndAnswersWithAKey) {
    CXvfb xvfb("1280x1024x24");
    if (!xvfb.Ready()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    m_pXvfb = &xvfb;
    CTempWorkDir dir;
    ASSERT_TRUE(dir.Enter("tessaro-screen-frames"));
    ASSERT_TRUE(std::filesystem::create_directory("Settings"));
    CProgramProcess program;
    ASSERT_TRUE(program.Start({"--boards=PCI-DDA08/12"}, xvfb.Name(), dir.Path()));
    const auto tell = [&] { return "output:\n" + program.Output() + "errors:\n" + program.Errors(); };

    const unsigned long hBox = WaitForWindow(40, "^TessaroPro$");
    ASSERT_NE(0u, hBox) << "no message box came up\n" << tell();
    const XGeometry box = Geometry(hBox);
    ClickAt(hBox, box.cx / 2, box.cy - kBoxButtonFromBottom);
    const unsigned long hMain = WaitForWindow(10, "~TessaroPro$");
    ASSERT_NE(0u, hMain) << "the main window did not come up\n" << tell();
    ASSERT_TRUE(WaitFor(10, [&] { return Windows("^TessaroPro$").empty(); })) << "the box stayed";

    // The bottom edge dragged 60 pixels up: the window is 60 pixels shorter.
    const XGeometry before = Geometry(hMain);
    MoveToScreen(before.x + before.cx / 2, before.y + before.cy - 2);
    Tool({"xdotool", "mousedown", "1"});
    MoveToScreen(before.x + before.cx / 2, before.y + before.cy - 32);
    MoveToScreen(before.x + before.cx / 2, before.y + before.cy - 62);
    Tool({"xdotool", "mouseup", "1"});
    EXPECT_TRUE(WaitFor(10, [&] { return Geometry(hMain).cy == before.cy - 60; }))
        << "the window is " << Geometry(hMain).cy << " high, was " << before.cy;
    // The left edge dragged: nothing moves.
    const XGeometry shorter = Geometry(hMain);
    MoveToScreen(shorter.x + 1, shorter.y + shorter.cy / 2);
    Tool({"xdotool", "mousedown", "1"});
    MoveToScreen(shorter.x + 41, shorter.y + shorter.cy / 2);
    Tool({"xdotool", "mouseup", "1"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const XGeometry after = Geometry(hMain);
    EXPECT_EQ(shorter.x, after.x);
    EXPECT_EQ(shorter.cx, after.cx);
    EXPECT_EQ(shorter.cy, after.cy);

    // Help > Information with the keys: the Info window, with its caption and close box.
    MoveTo(hMain, before.cx / 2, 100);
    Tool({"xdotool", "key", "alt+h"});
    ASSERT_TRUE(WaitFor(10, [&] { return Popups().size() == 1; })) << "the Help menu did not open\n"
                                                                   << tell();
    Tool({"xdotool", "key", "i"});
    const unsigned long hInfo = WaitForWindow(10, "^Info$");
    ASSERT_NE(0u, hInfo) << "the Info window did not come up\n" << tell();
    ClickAt(hInfo, Geometry(hInfo).cx - kCloseBoxFromRight, kCaptionY);
    EXPECT_TRUE(WaitFor(10, [&] { return Windows("^Info$").empty(); })) << "the close box left it shown";

    // The close box of the main window, and Y for Yes.
    ClickAt(hMain, Geometry(hMain).cx - kCloseBoxFromRight, kCaptionY);
    const unsigned long hQuit = WaitForWindow(10, "^TessaroPro$");
    ASSERT_NE(0u, hQuit) << "the close box asked nothing\n" << tell();
    const XGeometry quit = Geometry(hQuit);
    MoveTo(hQuit, quit.cx / 2, quit.cy / 3);
    Tool({"xdotool", "key", "y"});
    const int nExit = program.WaitForExit(std::min(m_until, SteadyClock::now() + std::chrono::seconds(20)));
    EXPECT_EQ(0, nExit) << "the program did not end after Y\n" << tell();
    std::vector<std::string> kept;
    for (const std::string& line : Lines(program.Output())) {
        const std::string strLine = WithoutTime(line);
        if (strLine.rfind("user ", 0) == 0 || strLine.rfind("box IDYES", 0) == 0) kept.push_back(strLine);
    }
    EXPECT_EQ((std::vector<std::string>{
                  "user chose Help>Information",
                  "box IDYES MB_YESNO \"TessaroPro\" \"Quit TessaroPro?                  \""}),
              kept)
        << tell();
}

}  // namespace
