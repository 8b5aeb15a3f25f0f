#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "run/run_report.h"
#include "run/run_fixture.h"

namespace {

// The run fixture's fresh framework and simulations, and its CreateBoards.
class BoardFaultSession : public RunReport {
  protected:
    static int ReadInputs(int nBoard) {
        USHORT w = 0;
        return cbDIn(nBoard, FIRSTPORTA, &w);
    }
};

// Faults at 0 are in effect when the session starts, later ones from their time on; a board to unplug
// that does not exist yet is unplugged once it is created, and comes back after its time away.
TEST_F(BoardFaultSession, FaultsAndUnplugsTakeEffectAtTheirTimes) {
    int fds[2] = {-1, -1};
    ASSERT_EQ(0, pipe(fds));
    ProgramOptions options;
    options.bHeadless = true;
    options.boardFaults = {{0.0, kSimAnyBoard, "cbDeclareRevision", BADREVISION, false},
                           {1.5, 0, "cbDIn", DEVNOTRESPONDING, true}};
    options.boardUnplugs = {{0.5, 1, 2.0}};
    {
        CRunSession session(options, fds[1]);
        session.Start();
        float fRevision = 6.5f;
        EXPECT_EQ(BADREVISION, cbDeclareRevision(&fRevision));
        EXPECT_EQ(NOERRORS, cbDeclareRevision(&fRevision)) << "once";

        Advance(1000);  // 1.0 s: board 1 is due to be away but does not exist yet
        CreateBoards("PCI-DDA08/12:A1,PCI-DIO24:B2");
        EXPECT_EQ(NOERRORS, ReadInputs(1));
        Advance(200);  // 1.2 s
        EXPECT_EQ(DEVNOTRESPONDING, ReadInputs(1));
        EXPECT_EQ(NOERRORS, ReadInputs(0));
        Advance(400);  // 1.6 s
        EXPECT_EQ(DEVNOTRESPONDING, ReadInputs(0));
        EXPECT_EQ(DEVNOTRESPONDING, ReadInputs(0)) << "always";
        Advance(1400);  // 3.0 s
        EXPECT_EQ(DEVNOTRESPONDING, ReadInputs(1));
        Advance(200);  // 3.2 s: two seconds after it went away
        EXPECT_EQ(NOERRORS, ReadInputs(1));
        EXPECT_EQ(DEVNOTRESPONDING, ReadInputs(0));
        session.Finish();
    }
    close(fds[1]);
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    std::vector<std::string> faults;
    for (size_t nStart = 0, nEnd; (nEnd = text.find('\n', nStart)) != std::string::npos; nStart = nEnd + 1) {
        const std::string line = text.substr(nStart, nEnd - nStart);
        const size_t nBlank = line.find(' ');
        if (line.compare(nBlank + 1, 6, "fault ") == 0) faults.push_back(line);
    }
    const std::vector<std::string> expected = {
        "0.000 fault cbDeclareRevision on any board fails with 2 once",
        "1.100 fault board 1 stops responding",
        "1.500 fault cbDIn on board 0 fails with 328 always",
        "3.100 fault board 1 responds again",
    };
    EXPECT_EQ(expected, faults);
}

}  // namespace
