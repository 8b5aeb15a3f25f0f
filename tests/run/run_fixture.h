// What the runner's tests share: a pipe to print into, its lines, and the fixture that resets the simulated
// boards and host.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "platform/ul/sim_control.h"
#include "platform/win/clock.h"
#include "platform/win/user_agent.h"
#include "support/win_fixture.h"

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

// The lines of a text that ends with a whole line.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = text.find('\n', nStart)) != std::string::npos; nStart = nEnd + 1) {
        lines.push_back(text.substr(nStart, nEnd - nStart));
    }
    EXPECT_EQ(text.size(), nStart) << "the output ends with a whole line";
    return lines;
}

// The text after the time prefix.
inline std::string Body(const std::string& line) {
    const size_t nBlank = line.find(' ');
    return nBlank == std::string::npos ? line : line.substr(nBlank + 1);
}

// The simulated boards and host reset around each test, the host on the framework's clock.
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
