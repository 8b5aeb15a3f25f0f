// The built program run headless as a separate process and closed from outside by a signal: a terminal
// that goes away (SIGHUP) closes it as SIGTERM does, and a program that cannot keep up with a fast host
// still shows its main window, takes its user's choice and closes on SIGTERM, saving its parameter file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/parameter_block.h"
#include "run/headless_run.h"
#include "support/temp_work_dir.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr char kMarkersItem[] = "--check=Options>TTL>TTL inputs send DataFile markers";

bool HasLineStarting(const std::string& text, const std::string& strStart) {
    for (const std::string& body : LineBodies(text))
        if (body.rfind(strStart, 0) == 0) return true;
    return false;
}

// Polls done() every 50 ms until the deadline.
bool WaitFor(SteadyClock::time_point until, const std::function<bool()>& done) {
    while (SteadyClock::now() < until) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

// The parameter file the program saved in the working folder; empty when there is none of the right size.
std::vector<char> SavedParameters() {
    std::ifstream in("Settings/TessaroParams.prm", std::ios::binary);
    std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() != static_cast<size_t>(PARAMS_SIZE)) file.clear();
    return file;
}

class ClosingRun : public ::testing::Test {
  protected:
    void SetUp() override {
        m_until = SteadyClock::now() + std::chrono::seconds(50);  // the whole test, within CTest's limit
        ASSERT_TRUE(m_dir.Enter("tessaro-closing-run"));
        ASSERT_TRUE(std::filesystem::create_directory("Settings"));
    }

    // Starts the program, waits for the user's menu choice (the main window was up and took input), lets
    // it run nRunMs more, then sends the signal. Returns the exit status (see WaitForExit).
    int RunAndSignal(const std::vector<std::string>& args, int nSignal, int nRunMs) {
        if (!m_program.Start(args)) return -1;
        const bool bChosen = WaitFor(
            m_until, [this] { return HasLineStarting(m_program.Output(), "user chose Options>TTL>"); });
        EXPECT_TRUE(bChosen) << "the user could not choose the menu item\n" << m_program.Output();
        std::this_thread::sleep_for(std::chrono::milliseconds(nRunMs));
        m_program.Signal(nSignal);
        // A hang guard, not a measure of speed: the close needs a moment even on a slow build.
        return m_program.WaitForExit(std::min(m_until, SteadyClock::now() + std::chrono::seconds(20)));
    }

    // The quit question answered Yes as the last box, and the choice kept in the file saved at the exit.
    void ExpectClosedAndSaved() const {
        const std::string strOut = m_program.Output();
        std::string strLastBox;
        for (const std::string& body : LineBodies(strOut))
            if (body.rfind("box ", 0) == 0) strLastBox = body;
        EXPECT_EQ("box IDYES MB_YESNO \"TessaroPro\" \"Quit TessaroPro?                  \"", strLastBox)
            << strOut;
        const std::vector<char> file = SavedParameters();
        ASSERT_FALSE(file.empty()) << "no parameter file saved\n" << strOut;
        ParameterBlock saved{};
        std::memcpy(&saved, file.data(), sizeof saved);
        EXPECT_EQ(TRUE, saved.bTtlInputMarkers);
    }

    CTempWorkDir m_dir;
    CProgramProcess m_program;
    SteadyClock::time_point m_until;
};

TEST_F(ClosingRun, SighupClosesLikeSigtermWithTheQuitQuestionAnsweredAndTheFileSaved) {
    const int nExit = RunAndSignal(
        {"--headless", "--boards=PCI-DDA08/12", "--board-inputs=walk", kMarkersItem}, SIGHUP, 300);
    EXPECT_EQ(0, nExit) << m_program.Output();
    ExpectClosedAndSaved();
}

// Frames at 2000 Hz that cost the program 800 us more each: its queue never empties, fills up, and the
// host's further posts are refused.
TEST_F(ClosingRun, AnOverloadedProgramShowsItsWindowTakesInputAndClosesOnSigterm) {
    const int nExit = RunAndSignal({"--headless", "--boards=PCI-DDA08/12,USB-1208HS", "--host-rate=2000",
                                    "--host-binocular", "--host-rois=16", "--board-inputs=walk:1",
                                    "--frame-cost=800", "--screenshot=shots:0.2", kMarkersItem},
                                   SIGTERM, 1500);
    EXPECT_EQ(0, nExit) << m_program.Output();
    ExpectClosedAndSaved();

    const std::string strOut = m_program.Output();
    // The main window was shown: its picture was taken (only visible windows are).
    bool bMainShot = false;
    for (const std::string& body : LineBodies(strOut)) {
        const std::string strEnd = "TessaroPro.png";
        if (body.rfind("shot ", 0) == 0 && body.size() > strEnd.size() &&
            body.compare(body.size() - strEnd.size(), strEnd.size(), strEnd) == 0)
            bMainShot = true;
    }
    EXPECT_TRUE(bMainShot) << strOut;
    // The run was overloaded, and what the program never took is said.
    EXPECT_TRUE(HasLineStarting(strOut, "run host posts refused=") ||
                HasLineStarting(strOut, "run posts left unhandled="))
        << strOut;
}

}  // namespace
