#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "support/win_fixture.h"

namespace {

using MessageLoop = CWinTestFixture;

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
            CClock::Advance(100);
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
    CMessageLoop::SetStallHandler(
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

}  // namespace
