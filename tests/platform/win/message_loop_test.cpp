#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/win/clock_testing.h"
#include "platform/win/controls_testing.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/window_testing.h"
#include "support/win_fixture.h"

namespace {

using MessageLoop = CWinTestFixture;

// Posted messages a queue may hold: the bound of posted messages and of user input.
constexpr size_t kMaxQueued = 20000;

TEST_F(MessageLoop, NestedLoopKeepsTimersAndPostsRunningAndEndsWithItsResult) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel(WS_POPUP));  // hidden: shown on the first idle
    ASSERT_EQ(1u, wnd.SetTimer(1, 100));
    wnd.PostMessage(WM_APP, 7);
    bool bVisibleWhenIdle = false;
    UINT_PTR hook = CMessageLoop::AddIdleHook([&] {
        bVisibleWhenIdle = bVisibleWhenIdle || wnd.IsWindowVisible();
        if (wnd.Count(WM_TIMER) >= 3) {
            wnd.EndModalLoop(42);
        } else {
            CClockTesting::Advance(100);
        }
    });
    EXPECT_EQ(42, wnd.RunModalLoop(MLF_SHOWONIDLE));
    CMessageLoop::RemoveIdleHook(hook);
    EXPECT_TRUE(bVisibleWhenIdle);
    EXPECT_EQ(3, wnd.Count(WM_TIMER));
    ASSERT_EQ(1, wnd.Count(WM_APP));
    EXPECT_EQ(0, CMessageLoop::GetDepth());
}

TEST_F(MessageLoop, QuitEndsNestedLoopAndReachesTheOuterLoop) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    PostQuitMessage(5);
    EXPECT_EQ(-1, wnd.RunModalLoop());
    MSG msg{};
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(WM_QUIT, msg.message);
    EXPECT_EQ(5u, msg.wParam);
}

TEST_F(MessageLoop, StallHandlerAbandonsAStuckLoop) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    int nCalls = 0;
    CMessageLoopTesting::SetStallHandler(
        [&] {
            ++nCalls;
            return true;
        },
        20);
    EXPECT_EQ(-1, wnd.RunModalLoop());
    EXPECT_EQ(1, nCalls);
    // The abandon is over with the loop: the next loop runs normally.
    wnd.PostMessage(WM_APP);
    EXPECT_TRUE(CMessageLoop::RunUntil([&] { return wnd.Count(WM_APP) == 1; }));
}

TEST_F(MessageLoop, PostsFromFourThreadsAreAllDeliveredInEachThreadsOrder) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    constexpr int kThreads = 4, kEach = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) ::PostMessage(wnd.m_hWnd, WM_APP, static_cast<WPARAM>(t), i);
        });
    }
    EXPECT_TRUE(CMessageLoop::RunUntil([&] { return wnd.Count(WM_APP) == kThreads * kEach; }));
    for (auto& th : threads) th.join();
    std::vector<LPARAM> next(kThreads, 0);
    for (const MSG& m : wnd.m_msgs) {
        if (m.message != WM_APP) continue;
        ASSERT_LT(m.wParam, static_cast<WPARAM>(kThreads));
        EXPECT_EQ(next[m.wParam]++, m.lParam);
    }
    EXPECT_EQ(std::vector<LPARAM>(kThreads, kEach), next);
}

TEST_F(MessageLoop, AnEmptyQueueIsLookedAtWithoutTheLockYetEveryKindOfWorkIsStillFound) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    CMessageLoop::RunUntilIdle();
    MSG msg{};
    std::uint64_t nQuiet = CMessageLoopTesting::QuietTakes();
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessage(&msg, wnd.m_hWnd, WM_APP, WM_APP, PM_NOREMOVE));
    EXPECT_EQ(0, CMessageLoop::PumpPending());
    EXPECT_LT(nQuiet, CMessageLoopTesting::QuietTakes());

    // A timer not yet due leaves the queue quiet; once due it is taken.
    ASSERT_EQ(1u, wnd.SetTimer(1, 100));
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    nQuiet = CMessageLoopTesting::QuietTakes();
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(nQuiet + 1, CMessageLoopTesting::QuietTakes());
    CClock::AdvanceQuietly(99999);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    CClock::AdvanceQuietly(1);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_TIMER), msg.message);
    CWndTesting::KillTimer(wnd, 1);

    // A post from another thread, an invalidation and a quit each end the quiet.
    EXPECT_EQ(0, CMessageLoop::PumpPending());
    std::thread poster([&] { ::PostMessage(wnd.m_hWnd, WM_APP, 3, 0); });
    poster.join();
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_APP), msg.message);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    wnd.Invalidate();
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_PAINT), msg.message);
    CMessageLoop::RunUntilIdle();
    PostQuitMessage(4);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
    EXPECT_EQ(4u, msg.wParam);
}

TEST_F(MessageLoop, AWaitingLoopSeesEveryPostFromAnotherThreadAsItComes) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    constexpr int kPosts = 300;
    std::atomic<int> nHandled{0};
    // One post at a time, each after the loop handled the one before: the loop finds its queue empty,
    // waits, and must wake for the next.
    std::thread poster([&] {
        for (int i = 0; i < kPosts; ++i) {
            while (nHandled.load() < i) std::this_thread::yield();
            ::PostMessage(wnd.m_hWnd, WM_APP, 0, i);
        }
    });
    EXPECT_TRUE(CMessageLoop::RunUntil([&] {
        nHandled.store(wnd.Count(WM_APP));
        return nHandled.load() == kPosts;
    }));
    poster.join();
    EXPECT_EQ(kPosts, wnd.Count(WM_APP));
}

class CRegisteredWnd : public CRecordingWnd {
  public:
    static UINT s_nMsg;
    int m_nGot = 0;
    LRESULT OnRegistered(WPARAM wParam, LPARAM) {
        m_nGot += static_cast<int>(wParam);
        return 17;
    }
    DECLARE_MESSAGE_MAP()
};
UINT CRegisteredWnd::s_nMsg = 0;

BEGIN_MESSAGE_MAP(CRegisteredWnd, CRecordingWnd)
ON_REGISTERED_MESSAGE(CRegisteredWnd::s_nMsg, &CRegisteredWnd::OnRegistered)
END_MESSAGE_MAP()

TEST_F(MessageLoop, RegisteredMessageNameGivesOneIdAndReachesItsHandler) {
    UINT a = RegisterWindowMessage("Tessaro_Test_Msg");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(a, RegisterWindowMessage("tessaro_test_msg"));
    EXPECT_NE(a, RegisterWindowMessage("Tessaro_Other_Msg"));
    EXPECT_EQ(0u, RegisterWindowMessage(""));

    CRegisteredWnd::s_nMsg = a;
    CRegisteredWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    EXPECT_EQ(17, wnd.SendMessage(a, 2));
    EXPECT_EQ(0, wnd.SendMessage(RegisterWindowMessage("Tessaro_Other_Msg"), 5));
    EXPECT_EQ(2, wnd.m_nGot);
}

class CFilteringParent : public CRecordingWnd {
  public:
    std::vector<MSG> m_seen;
    BOOL PreTranslateMessage(MSG* pMsg) override {
        m_seen.push_back(*pMsg);
        return pMsg->message == WM_KEYDOWN;
    }
};

TEST_F(MessageLoop, ParentPreTranslationSeesChildMessagesAndCanConsumeThem) {
    CFilteringParent parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    CRecordingWnd child;
    ASSERT_TRUE(child.CreateChild(&parent, 10));
    child.PostMessage(WM_KEYDOWN, VK_RETURN);
    child.PostMessage(WM_CHAR, 'a');
    Pump();
    EXPECT_EQ(0, child.Count(WM_KEYDOWN));
    EXPECT_EQ(1, child.Count(WM_CHAR));
    auto keyDown = std::find_if(parent.m_seen.begin(), parent.m_seen.end(),
                                [](const MSG& m) { return m.message == WM_KEYDOWN; });
    ASSERT_NE(parent.m_seen.end(), keyDown);
    EXPECT_EQ(child.m_hWnd, keyDown->hwnd);
}

// A parent that moves itself under another window while it looks at a message.
class CMovingParent : public CFilteringParent {
  public:
    HWND m_hNewParent = nullptr;
    BOOL PreTranslateMessage(MSG* pMsg) override {
        CFilteringParent::PreTranslateMessage(pMsg);
        if (m_hNewParent != nullptr) ::SetParent(m_hWnd, m_hNewParent);
        return FALSE;
    }
};

int CountSeen(const std::vector<MSG>& seen, UINT nMessage) {
    return static_cast<int>(
        std::count_if(seen.begin(), seen.end(), [nMessage](const MSG& m) { return m.message == nMessage; }));
}

// The way up from a window without an object of its own reaches its parents' PreTranslateMessage, and
// goes on from where a parent is after its own look, even when that look moved it.
TEST_F(MessageLoop, PreTranslationClimbsFromAWindowWithoutObjectAndFollowsAParentThatMoves) {
    AfxEnsureControlClasses();
    CFilteringParent first;
    CFilteringParent second;
    ASSERT_TRUE(first.CreateTopLevel());
    ASSERT_TRUE(second.CreateTopLevel());
    CMovingParent middle;
    ASSERT_TRUE(middle.CreateChild(&first, 11));
    HWND hPlain = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, middle, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, hPlain);
    ASSERT_TRUE(PostMessageA(hPlain, WM_APP + 6, 0, 0));
    Pump();
    EXPECT_EQ(1, CountSeen(middle.m_seen, WM_APP + 6));
    EXPECT_EQ(1, CountSeen(first.m_seen, WM_APP + 6));
    EXPECT_EQ(0, CountSeen(second.m_seen, WM_APP + 6));

    middle.m_hNewParent = second.m_hWnd;
    ASSERT_TRUE(PostMessageA(hPlain, WM_APP + 7, 0, 0));
    Pump();
    EXPECT_EQ(1, CountSeen(middle.m_seen, WM_APP + 7));
    EXPECT_EQ(0, CountSeen(first.m_seen, WM_APP + 7));
    EXPECT_EQ(1, CountSeen(second.m_seen, WM_APP + 7)) << "the walk went on from the new parent";
    EXPECT_EQ(second.m_hWnd, ::GetParent(middle.m_hWnd));
}

TEST_F(MessageLoop, PaintComesAfterPostedMessagesOnceForSeveralInvalidations) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    Pump();
    wnd.m_msgs.clear();
    wnd.Invalidate();
    wnd.InvalidateRect(CRect(0, 0, 5, 5));
    wnd.PostMessage(WM_APP);
    Pump();
    EXPECT_EQ((std::vector<UINT>{WM_APP, WM_PAINT}), wnd.Messages());

    wnd.ShowWindow(SW_HIDE);
    wnd.m_msgs.clear();
    wnd.Invalidate();
    Pump();
    EXPECT_EQ(0, wnd.Count(WM_PAINT));  // hidden windows are not painted ...
    wnd.ShowWindow(SW_SHOW);
    Pump();
    EXPECT_EQ(1, wnd.Count(WM_PAINT));  // ... until shown
}

TEST_F(MessageLoop, UnderAPaintPeriodOnePassPaintsEveryInvalidWindowOncePerPeriod) {
    constexpr LONGLONG kPeriodUs = 16000;
    CRecordingWnd first;
    CRecordingWnd second;
    ASSERT_TRUE(first.CreateTopLevel());
    ASSERT_TRUE(second.CreateTopLevel());
    CMessageLoop::SetPaintPeriod(kPeriodUs);
    EXPECT_EQ(kPeriodUs, CMessageLoop::GetPaintPeriod());
    // The passes keep to slots of the clock: this one starts a slot.
    const LONGLONG nSlotUs = CMessageLoop::NextPaintSlotUs(CClock::NowMicros());
    EXPECT_EQ(0, nSlotUs % kPeriodUs);
    EXPECT_GT(nSlotUs, CClock::NowMicros());
    CClock::AdvanceQuietly(nSlotUs - CClock::NowMicros());
    Pump();  // the first pass starts at once
    EXPECT_EQ(1, first.Count(WM_PAINT));
    EXPECT_EQ(1, second.Count(WM_PAINT));

    first.Invalidate();
    second.Invalidate();
    first.PostMessage(WM_APP);
    Pump();
    EXPECT_EQ(1, first.Count(WM_APP)) << "posted messages do not wait for the pass";
    EXPECT_EQ(1, first.Count(WM_PAINT));
    CClock::AdvanceQuietly(kPeriodUs - 1);
    Pump();
    EXPECT_EQ(1, first.Count(WM_PAINT)) << "a pass within the period of the last";
    CClock::AdvanceQuietly(1);
    Pump();
    EXPECT_EQ(2, first.Count(WM_PAINT));
    EXPECT_EQ(2, second.Count(WM_PAINT));
    first.Invalidate();
    Pump();
    EXPECT_EQ(2, first.Count(WM_PAINT));
    first.UpdateWindow();
    EXPECT_EQ(3, first.Count(WM_PAINT)) << "UpdateWindow paints at once";

    // A pass late in its slot: what is invalidated just after the next slot begins is painted then,
    // not a whole period after the late pass.
    CClock::AdvanceQuietly(2 * kPeriodUs - 10);
    first.Invalidate();
    Pump();
    EXPECT_EQ(4, first.Count(WM_PAINT));
    CClock::AdvanceQuietly(9);
    first.Invalidate();
    Pump();
    EXPECT_EQ(4, first.Count(WM_PAINT)) << "one pass in a slot";
    CClock::AdvanceQuietly(1);
    Pump();
    EXPECT_EQ(5, first.Count(WM_PAINT));

    // A loop waiting for a message takes the pass once it is due, and the reset paints whenever idle.
    second.Invalidate();
    MSG msg{};
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    CClock::AdvanceQuietly(kPeriodUs);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(WM_PAINT, msg.message);
    first.DestroyWindow();
    second.DestroyWindow();
    CWinSimulation::Reset();
    EXPECT_EQ(0, CMessageLoop::GetPaintPeriod());
}

TEST_F(MessageLoop, ForeignThreadWindowTextIsAppliedInQueueOrder) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i) {
            char text[16];
            std::snprintf(text, sizeof text, "run %d", i);
            ::SetWindowText(wnd.m_hWnd, text);
        }
        ::PostMessage(wnd.m_hWnd, WM_APP, 0, 0);
    });
    EXPECT_TRUE(CMessageLoop::RunUntil([&] { return wnd.Count(WM_APP) == 1; }));
    worker.join();
    CString text;
    wnd.GetWindowText(text);
    EXPECT_STREQ("run 99", text);
    EXPECT_EQ(100, wnd.Count(WM_SETTEXT));
}

// A window whose every WM_APP posts two more: once it has started, its queue never empties.
class CFloodingWnd : public CRecordingWnd {
  public:
    size_t m_nMostQueued = 0;
    int m_nRefused = 0;
    int m_nHandled = 0;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_APP) return CRecordingWnd::WindowProc(message, wParam, lParam);
        ++m_nHandled;
        for (int i = 0; i < 2; ++i) {
            if (!::PostMessage(m_hWnd, WM_APP, 0, 0)) ++m_nRefused;
        }
        m_nMostQueued = std::max(m_nMostQueued, CMessageLoop::PostedCount(GetCurrentThreadId()));
        CClock::AdvanceQuietly(100);  // each message takes 0.1 ms of the manual clock
        return 0;
    }
};

TEST_F(MessageLoop, AFullQueueRefusesPostsButNotUserInput) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel(WS_POPUP | WS_VISIBLE | WS_SYSMENU));
    Pump();
    for (int i = 0; i < 10000; ++i) ASSERT_TRUE(::PostMessage(wnd.m_hWnd, WM_APP, 0, i));
    SetLastError(0);
    EXPECT_FALSE(::PostMessage(wnd.m_hWnd, WM_APP, 0, 10000));
    EXPECT_EQ(ERROR_NOT_ENOUGH_QUOTA, GetLastError());
    EXPECT_FALSE(::PostThreadMessage(GetCurrentThreadId(), WM_APP, 0, 0));
    // The close box still works; the close waits behind at most a turn of posted messages.
    bool bCloseSent = false;
    EXPECT_TRUE(CMessageLoop::RunUntil([&] {
        if (wnd.Count(WM_APP) == 1 && !bCloseSent) {
            EXPECT_TRUE(::PostMessage(wnd.m_hWnd, WM_APP, 0, 10001));  // a place came free
            bCloseSent = AfxUserClose(wnd.m_hWnd);
        }
        return !::IsWindow(wnd.m_hWnd) || wnd.Count(WM_APP) > 9000;
    }));
    EXPECT_TRUE(bCloseSent);
    EXPECT_FALSE(::IsWindow(wnd.m_hWnd));
    EXPECT_LT(wnd.Count(WM_APP), 100);
    Pump();
    EXPECT_EQ(0u, CMessageLoop::PostedCount(GetCurrentThreadId()));  // the rest went with the window
}

TEST_F(MessageLoop, TimersPaintsAndUserInputStillArriveWhilePostsKeepComing) {
    CFloodingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel(WS_POPUP | WS_VISIBLE | WS_SYSMENU));
    Pump();
    wnd.m_msgs.clear();
    ASSERT_EQ(1u, wnd.SetTimer(1, 50));
    ::PostMessage(wnd.m_hWnd, WM_APP, 0, 0);
    wnd.Invalidate();
    bool bCloseSent = false;
    // Watchdog: a loop that never serves the close box ends after a million messages.
    CMessageLoop::RunUntil([&] {
        if (!::IsWindow(wnd.m_hWnd) || wnd.m_nHandled > 1000000) return true;
        if (!bCloseSent && wnd.Count(WM_TIMER) >= 3 && wnd.m_nRefused > 0)
            bCloseSent = AfxUserClose(wnd.m_hWnd);
        return false;
    });
    EXPECT_TRUE(bCloseSent);
    EXPECT_FALSE(::IsWindow(wnd.m_hWnd));
    EXPECT_GE(wnd.Count(WM_PAINT), 1);
    EXPECT_LE(wnd.m_nMostQueued, kMaxQueued);
    EXPECT_GT(wnd.m_nRefused, 0);  // the flood reached the bound
}

TEST_F(MessageLoop, AFloodFromAnotherThreadStaysBoundedAndTheWindowStillCloses) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel(WS_POPUP | WS_VISIBLE | WS_SYSMENU));
    Pump();
    const DWORD nUiThread = GetCurrentThreadId();
    std::atomic<bool> bStop{false};
    std::atomic<int> nRefused{0};
    std::atomic<size_t> nMostQueued{0};
    // The handle as a value: the window object's own member is cleared by the user-interface thread when
    // the window goes, and the flood must keep posting to the (then dead) handle without reading it.
    const HWND hWnd = wnd.m_hWnd;
    std::thread flood([&] {
        while (!bStop) {
            if (!::PostMessage(hWnd, WM_APP, 0, 0)) {
                ++nRefused;
                std::this_thread::yield();
            }
            nMostQueued = std::max(nMostQueued.load(), CMessageLoop::PostedCount(nUiThread));
        }
    });
    // Once the flood has filled the queue, the user clicks the close box.
    bool bCloseSent = false;
    CMessageLoop::RunUntil([&] {
        if (!::IsWindow(wnd.m_hWnd) || wnd.Count(WM_APP) > 5000000) return true;
        if (!bCloseSent && nRefused > 0) bCloseSent = AfxUserClose(wnd.m_hWnd);
        return false;
    });
    bStop = true;
    flood.join();
    EXPECT_TRUE(bCloseSent);
    EXPECT_FALSE(::IsWindow(wnd.m_hWnd));
    EXPECT_LE(nMostQueued.load(), kMaxQueued);
}

}  // namespace

namespace {

// A window whose every WM_APP posts the next and takes m_nCostMs of the manual clock: a sender that
// never lets the queue empty. It keeps the clock times its window was shown and asked to close.
class CBusyWnd : public CRecordingWnd {
  public:
    DWORD m_nCostMs = 1;
    int m_nHandled = 0;
    LONGLONG m_nShownUs = -1;
    LONGLONG m_nCloseUs = -1;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SHOWWINDOW && wParam && m_nShownUs < 0) m_nShownUs = CClock::NowMicros();
        if (message == WM_CLOSE && m_nCloseUs < 0) m_nCloseUs = CClock::NowMicros();
        if (message != WM_APP) return CRecordingWnd::WindowProc(message, wParam, lParam);
        // Watchdog: a loop that never gives its window a turn lets the queue empty after 20,000 messages.
        if (++m_nHandled < 20000) ::PostMessage(m_hWnd, WM_APP, 0, 0);
        CClock::AdvanceQuietly(static_cast<LONGLONG>(m_nCostMs) * 1000);
        return 0;
    }
};

// Within 200 ms of the clock: the modal window is shown, the idle hooks run, and the close box the user
// clicks there is served, however long each message takes (1 ms: many messages to a turn; 10 ms: fewer
// than a turn of 32 in 200 ms).
TEST_F(MessageLoop, ABusyQueueStillShowsTheModalWindowRunsIdleHooksAndServesTheUser) {
    constexpr LONGLONG kBoundUs = 200000;
    for (DWORD nCostMs : {1u, 10u}) {
        SCOPED_TRACE(nCostMs);
        CBusyWnd wnd;
        wnd.m_nCostMs = nCostMs;
        ASSERT_TRUE(wnd.CreateTopLevel(WS_POPUP | WS_SYSMENU));  // hidden: shown on the first idle
        ::PostMessage(wnd.m_hWnd, WM_APP, 0, 0);
        const LONGLONG nStartUs = CClock::NowMicros();
        int nIdleRuns = 0;
        size_t nLeastQueued = SIZE_MAX;  // posted messages waiting when the idle hook ran
        LONGLONG nCloseAskedUs = -1;
        const UINT_PTR hook = CMessageLoop::AddIdleHook([&] {
            ++nIdleRuns;
            nLeastQueued = std::min(nLeastQueued, CMessageLoop::PostedCount(GetCurrentThreadId()));
            if (nCloseAskedUs < 0 && wnd.IsWindowVisible() && AfxUserClose(wnd.m_hWnd))
                nCloseAskedUs = CClock::NowMicros();
        });
        wnd.RunModalLoop(MLF_SHOWONIDLE);
        CMessageLoop::RemoveIdleHook(hook);

        EXPECT_FALSE(::IsWindow(wnd.m_hWnd));
        EXPECT_LT(wnd.m_nHandled, 20000);  // closed while the messages kept coming
        ASSERT_GE(wnd.m_nShownUs, 0);
        EXPECT_LE(wnd.m_nShownUs - nStartUs, kBoundUs);
        EXPECT_GE(nIdleRuns, 1);
        EXPECT_GE(nLeastQueued, 1u);  // the hooks ran between messages, never on an empty queue
        ASSERT_GE(nCloseAskedUs, 0);
        ASSERT_GE(wnd.m_nCloseUs, 0);
        EXPECT_LE(wnd.m_nCloseUs - nCloseAskedUs, kBoundUs);
        Pump();  // what the window left behind goes with it
    }
}

}  // namespace
