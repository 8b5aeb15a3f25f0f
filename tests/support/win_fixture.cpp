#include "support/win_fixture.h"
#include "platform/win/clock_testing.h"
#include "platform/win/message_loop_testing.h"

void CWinTestFixture::SetUp() {
    CWinSimulation::Reset();
    CClockTesting::UseManualClock(1000);
    CClockTesting::SetPerformanceFrequency(10000000);
    CClockTesting::SetWorkerSleep(CClockTesting::WorkerSleepAdvances);
    m_bStalled = false;
    CMessageLoopTesting::SetStallHandler(
        [this] {
            m_bStalled = true;
            ADD_FAILURE() << "a message loop waited " << kStallMs << " ms with nothing to do; abandoned";
            return true;
        },
        kStallMs);
}

void CWinTestFixture::TearDown() {
    EXPECT_TRUE(AfxWaitForAllThreads(5000)) << "a framework thread did not end";
    CWinSimulation::Reset();
}

BOOL CRecordingWnd::CreateTopLevel(DWORD dwStyle, HWND hOwner) {
    return CreateEx(0, nullptr, "recording", dwStyle, 100, 100, 300, 200, hOwner, nullptr);
}

BOOL CRecordingWnd::CreateChild(CWnd* pParent, UINT nID, DWORD dwStyle) {
    return CreateEx(0, nullptr, "child", dwStyle | WS_CHILD, CRect(10, 10, 60, 30), pParent, nID);
}

int CRecordingWnd::Count(UINT message) const {
    int n = 0;
    for (const MSG& m : m_msgs) n += m.message == message ? 1 : 0;
    return n;
}

std::vector<UINT> CRecordingWnd::Messages() const {
    std::vector<UINT> out;
    for (const MSG& m : m_msgs) {
        if (m.message != WM_NCCREATE && m.message != WM_CREATE) out.push_back(m.message);
    }
    return out;
}

LRESULT CRecordingWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    m_msgs.push_back(MSG{m_hWnd, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {0, 0}});
    return CWnd::WindowProc(message, wParam, lParam);
}
