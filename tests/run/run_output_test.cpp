#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "run/run_fixture.h"
#include "run/run_output.h"

namespace {

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

}  // namespace
