#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win/clock_testing.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_fixture.h"

namespace {

using Timers = CWinTestFixture;

std::vector<std::pair<UINT_PTR, DWORD>> Fired(const CRecordingWnd& wnd) {
    std::vector<std::pair<UINT_PTR, DWORD>> out;
    for (const MSG& m : wnd.m_msgs) {
        if (m.message == WM_TIMER) out.emplace_back(m.wParam, m.time);
    }
    return out;
}

TEST_F(Timers, FireInDueOrderAtTheirOwnTimes) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    ASSERT_EQ(1u, wnd.SetTimer(1, 30));
    ASSERT_EQ(2u, wnd.SetTimer(2, 50));
    Advance(100);
    const std::vector<std::pair<UINT_PTR, DWORD>> expected = {
        {1, 1030}, {2, 1050}, {1, 1060}, {1, 1090}, {2, 1100}};
    EXPECT_EQ(expected, Fired(wnd));
    EXPECT_EQ(1100u, GetTickCount());
}

TEST_F(Timers, AtMostOneWmTimerPendingPerTimer) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    wnd.SetTimer(3, 10);
    CClock::AdvanceQuietly(1000 * 1000);  // a busy second: the timer fell due a hundred times
    Pump();
    EXPECT_EQ(1, wnd.Count(WM_TIMER));
    Advance(9);
    EXPECT_EQ(1, wnd.Count(WM_TIMER));  // the next is a full period after the one delivered
    Advance(1);
    EXPECT_EQ(2, wnd.Count(WM_TIMER));
}

TEST_F(Timers, FailedSetTimerReturnsZeroAndResettingRestartsThePeriod) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    CWinSimulationTesting::FailSetTimer(7);
    EXPECT_EQ(0u, wnd.SetTimer(7, 100));
    EXPECT_EQ(8u, wnd.SetTimer(8, 100));
    EXPECT_EQ(0u, ::SetTimer(reinterpret_cast<HWND>(0x4), 9, 100, nullptr));  // no such window

    Advance(60);
    EXPECT_EQ(8u, wnd.SetTimer(8, 100));  // restarts
    Advance(60);
    EXPECT_EQ(0, wnd.Count(WM_TIMER));
    Advance(40);
    EXPECT_EQ(1, wnd.Count(WM_TIMER));
    EXPECT_TRUE(CWndTesting::KillTimer(wnd, 8));
    EXPECT_FALSE(CWndTesting::KillTimer(wnd, 8));
    Advance(500);
    EXPECT_EQ(1, wnd.Count(WM_TIMER));
}

TEST_F(Timers, DestroyedWindowTakesItsTimersAlong) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    wnd.SetTimer(1, 10);
    HWND h = wnd.m_hWnd;
    wnd.DestroyWindow();
    Advance(100);
    EXPECT_FALSE(::KillTimer(h, 1));
    EXPECT_FALSE(CMessageLoop::HasPending());
}

TEST_F(Timers, PerformanceCounterFollowsTheSettableFrequency) {
    LARGE_INTEGER f{}, a{}, b{};
    CClockTesting::SetPerformanceFrequency(0);
    EXPECT_FALSE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(0, f.QuadPart);
    EXPECT_FALSE(QueryPerformanceCounter(&a));
    EXPECT_EQ(0, a.QuadPart);

    CClockTesting::SetPerformanceFrequency(999);
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(999, f.QuadPart);
    ASSERT_TRUE(QueryPerformanceCounter(&a));
    Advance(1000);
    ASSERT_TRUE(QueryPerformanceCounter(&b));
    EXPECT_EQ(999, b.QuadPart - a.QuadPart);
}

TEST_F(Timers, SleepOnTheUserInterfaceThreadMovesTimeWithoutHandlingMessages) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    wnd.SetTimer(1, 10);
    Sleep(250);
    EXPECT_EQ(1250u, GetTickCount());
    EXPECT_EQ(0, wnd.Count(WM_TIMER));
}

TEST_F(Timers, WorkerSleepAdvancesOrWaitsForOthersToMoveTheTime) {
    std::thread advancing([] {
        for (int i = 0; i < 4; ++i) Sleep(50);
    });
    advancing.join();
    EXPECT_EQ(1200u, GetTickCount());

    CClockTesting::SetWorkerSleep(CClockTesting::WorkerSleepWaits);
    std::atomic<bool> bDone{false};
    std::atomic<DWORD> nStart{0}, nWoke{0};
    std::thread waiting([&] {
        nStart = GetTickCount();
        Sleep(100);
        nWoke = GetTickCount();
        bDone = true;
    });
    for (int i = 0; i < 100000 && !bDone; ++i) {
        Advance(10);
        std::this_thread::yield();
    }
    waiting.join();
    ASSERT_TRUE(bDone);
    EXPECT_GE(nWoke.load(), nStart.load() + 100);
}

TEST_F(Timers, TimeHooksRunAtEveryRequestedTimeOnTheWay) {
    std::vector<LONGLONG> calls;
    UINT_PTR id = CClock::AddTimeHook([&](LONGLONG nNowUs) {
        calls.push_back(nNowUs / 1000);
        return nNowUs + 25000;
    });
    Advance(100);
    CClock::RemoveTimeHook(id);
    Advance(100);
    EXPECT_EQ((std::vector<LONGLONG>{1000, 1025, 1050, 1075, 1100}), calls);
}

}  // namespace

namespace {

TEST_F(Timers, AWaitingWorkerIsSeenUntilTheClockReachesItsWakeTime) {
    CClockTesting::SetWorkerSleep(CClockTesting::WorkerSleepWaits);
    const LONGLONG nStartUs = CClock::NowMicros();
    std::atomic<bool> bWoke{false};
    std::thread worker([&] {
        CClock::Sleep(10);
        bWoke = true;
    });
    for (int i = 0; i < 200000 && CClockTesting::SleepingWorkers() == 0; ++i) std::this_thread::yield();
    EXPECT_EQ(1, CClockTesting::SleepingWorkers());
    EXPECT_EQ(nStartUs + 10000, CClockTesting::NextWorkerWakeMicros());
    Advance(9);
    EXPECT_EQ(1, CClockTesting::SleepingWorkers());
    EXPECT_FALSE(bWoke);
    Advance(1);
    EXPECT_EQ(0, CClockTesting::SleepingWorkers());  // due: no longer counted, whether or not it has run yet
    EXPECT_EQ(-1, CClockTesting::NextWorkerWakeMicros());
    worker.join();
    EXPECT_TRUE(bWoke);
    CClockTesting::SetWorkerSleep(CClockTesting::WorkerSleepAdvances);
}

}  // namespace
