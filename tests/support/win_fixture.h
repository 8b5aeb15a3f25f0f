// A fresh headless window framework for a test: simulation reset, manual clock at 1000 ms, 10 MHz
// performance counter, the framework's scripted user agent, and a stall handler so that a message loop
// that waits with nothing to do (a modal loop nobody ends) fails the test instead of hanging it.
// TearDown waits for the framework's worker threads and resets again.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/win/clock_testing.h"
#include "platform/win/framework.h"
#include "platform/win/simulation.h"

class CWinTestFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    static CScriptedUserAgent& Agent() { return AfxGetScriptedUserAgent(); }
    static void Advance(DWORD nMs) { CClockTesting::Advance(nMs); }
    // Runs everything pending (messages, paints, due timers) until nothing is.
    static int Pump() { return CMessageLoop::RunUntilIdle(); }

    // Real milliseconds a loop may wait with nothing arriving before the test fails.
    static constexpr DWORD kStallMs = 2000;
    bool m_bStalled = false;
};

// A window that records every message it gets, with the message time, before the default processing.
class CRecordingWnd : public CWnd {
  public:
    BOOL CreateTopLevel(DWORD dwStyle = WS_POPUP | WS_VISIBLE, HWND hOwner = nullptr);
    BOOL CreateChild(CWnd* pParent, UINT nID, DWORD dwStyle = WS_CHILD | WS_VISIBLE);
    int Count(UINT message) const;
    std::vector<UINT> Messages() const;  // in order, without the creation messages

    std::vector<MSG> m_msgs;
    bool m_bPostNcDestroy = false;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override { m_bPostNcDestroy = true; }
};
