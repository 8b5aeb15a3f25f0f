#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostlink/host_link_fixture.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/win/app_testing.h"
#include "platform/win/cmd_target_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_agent_testing.h"
#include "platform/win/window_testing.h"

namespace {

class InterAppWindow : public HostLinkFixture {
  protected:
    static HWND Window() {
        return theApp.m_pInterAppWnd != nullptr ? theApp.m_pInterAppWnd->GetSafeHwnd() : nullptr;
    }
    static std::string Title(HWND hWnd) {
        char sz[256] = {};
        GetWindowTextA(hWnd, sz, sizeof sz);
        return sz;
    }
    static WPARAM HostWParam(WORD nCode) { return MAKEWPARAM(0, nCode); }
};

TEST_F(InterAppWindow, StartUpFormIsAHiddenToolPopupRegisteredWithTheHost) {
    ASSERT_TRUE(theApp.CreateInterAppWindow(nullptr));
    CInterAppWindow* pWnd = theApp.m_pInterAppWnd;
    ASSERT_NE(nullptr, pWnd);
    const HWND hWnd = pWnd->GetSafeHwnd();
    ASSERT_TRUE(IsWindow(hWnd));
    EXPECT_TRUE(CObjectTesting::IsKindOf(*pWnd, RUNTIME_CLASS(CInterAppWindow)));
    EXPECT_EQ("myInterAppWindow", Title(hWnd));
    EXPECT_FALSE(pWnd->IsWindowVisible());
    const DWORD dwStyle = CWndTesting::GetStyle(*pWnd);
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_BORDER | WS_SYSMENU),
              dwStyle & (WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CHILD));
    EXPECT_NE(0u, CWndTesting::GetExStyle(*pWnd) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(nullptr, GetParent(hWnd));
    CRect rc;
    pWnd->GetWindowRect(&rc);
    EXPECT_EQ(CRect(0, 0, 1, 1), rc);

    EXPECT_EQ(hWnd, theApp.m_hInterAppWnd);
    EXPECT_NE(0u, theApp.m_nInterAppMsg);
    EXPECT_EQ(RegisterWindowMessage("CRS_message"), theApp.m_nInterAppMsg);
    const std::vector<SimHostWindow> windows = SimHost().Windows();
    ASSERT_EQ(1u, windows.size());
    EXPECT_EQ(hWnd, windows[0].hWnd);
    EXPECT_EQ(theApp.m_nInterAppMsg, windows[0].nMessage);
    EXPECT_TRUE(CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()).empty());

    // One window per run: a second call creates nothing and registers nothing new.
    EXPECT_FALSE(theApp.CreateInterAppWindow(nullptr));
    EXPECT_EQ(pWnd, theApp.m_pInterAppWnd);
    EXPECT_EQ(hWnd, theApp.m_hInterAppWnd);
    EXPECT_EQ(1u, SimHost().Windows().size());
    EXPECT_FALSE(theApp.CreateInterAppWindow(m_pDlg.get()));
    EXPECT_EQ(pWnd, theApp.m_pInterAppWnd);
}

TEST_F(InterAppWindow, WithAParentItIsAHiddenChild) {
    ASSERT_TRUE(theApp.CreateInterAppWindow(m_pDlg.get()));
    const HWND hWnd = Window();
    ASSERT_TRUE(IsWindow(hWnd));
    EXPECT_EQ(m_pDlg->GetSafeHwnd(), GetParent(hWnd));
    const DWORD dwStyle = CWndTesting::GetStyle(*theApp.m_pInterAppWnd);
    EXPECT_NE(0u, dwStyle & WS_CHILD);
    EXPECT_NE(0u, dwStyle & WS_BORDER);
    EXPECT_EQ(0u, dwStyle & WS_VISIBLE);
    EXPECT_EQ("myInterAppWindow", Title(hWnd));
    ASSERT_EQ(1u, SimHost().Windows().size());
    EXPECT_EQ(hWnd, SimHost().Windows()[0].hWnd);
}

TEST_F(InterAppWindow, CreationFailuresLeaveNoWindowAndNoHostRequest) {
    // The class cannot be registered: its box, then creation with the empty class name fails.
    CWinSimulationTesting::FailRegisterClass(TRUE);
    EXPECT_FALSE(theApp.CreateInterAppWindow(nullptr));
    CWinSimulationTesting::FailRegisterClass(FALSE);
    const std::vector<CUserEvent> boxes = CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_STREQ("Couldn't register class! (Already registered?)", boxes[0].strText);
    EXPECT_STREQ(AfxGetAppName(), boxes[0].strCaption);
    EXPECT_EQ(nullptr, theApp.m_pInterAppWnd);
    EXPECT_EQ(nullptr, theApp.m_hInterAppWnd);
    EXPECT_EQ(0u, theApp.m_nInterAppMsg);
    EXPECT_TRUE(SimHost().Windows().empty());

    // The window itself cannot be created: no box.
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    CWinSimulationTesting::FailCreateWindow([](const CREATESTRUCT& cs) {
        return cs.lpszName != nullptr && std::strcmp(cs.lpszName, "myInterAppWindow") == 0;
    });
    EXPECT_FALSE(theApp.CreateInterAppWindow(nullptr));
    CWinSimulationTesting::FailCreateWindow(nullptr);
    EXPECT_EQ(nullptr, theApp.m_pInterAppWnd);
    EXPECT_TRUE(SimHost().Windows().empty());
    EXPECT_TRUE(CRecordingUserAgentTesting::Events(AfxGetScriptedUserAgent()).empty());

    // Nothing was left behind that keeps a later creation from working.
    EXPECT_TRUE(theApp.CreateInterAppWindow(nullptr));
    EXPECT_EQ(1u, SimHost().Windows().size());
}

TEST_F(InterAppWindow, EachHostMessageIsForwardedOnceByEitherRoute) {
    ASSERT_TRUE(theApp.CreateInterAppWindow(nullptr));
    const HWND hWnd = Window();

    // Through the framework's loop: pre-translated and consumed there, never dispatched again.
    HostSends(kSimHostCodeFreshData);
    HostSends(kSimHostCodeFreshData);
    HostSends(99);
    EXPECT_EQ(3, theApp.m_nNotificationCount);

    // Sent: straight to WindowProc.
    EXPECT_EQ(1, SendMessage(hWnd, theApp.m_nInterAppMsg, HostWParam(2), 0));
    EXPECT_EQ(4, theApp.m_nNotificationCount);

    // Taken from the queue and dispatched without the framework's pre-translation.
    ASSERT_TRUE(PostMessage(hWnd, theApp.m_nInterAppMsg, HostWParam(2), 0));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(theApp.m_nInterAppMsg, msg.message);
    EXPECT_EQ(1, DispatchMessageA(&msg));
    EXPECT_EQ(5, theApp.m_nNotificationCount);
    EXPECT_EQ(0, CMessageLoop::RunUntilIdle());
    EXPECT_EQ(5, theApp.m_nNotificationCount);
}

TEST_F(InterAppWindow, HostMessagesAreSwallowedWhileTheDialogCannotTakeThem) {
    ASSERT_TRUE(theApp.CreateInterAppWindow(nullptr));
    const HWND hWnd = Window();

    theApp.m_bHostInterfaceDisabled = TRUE;
    HostSends(kSimHostCodeFreshData);
    EXPECT_EQ(1, SendMessage(hWnd, theApp.m_nInterAppMsg, HostWParam(2), 0));
    EXPECT_EQ(0, theApp.m_nNotificationCount);
    theApp.m_bHostInterfaceDisabled = FALSE;

    m_pDlg->m_bClosing = TRUE;
    HostSends(kSimHostCodeFreshData);
    EXPECT_EQ(1, SendMessage(hWnd, theApp.m_nInterAppMsg, HostWParam(2), 0));
    EXPECT_EQ(0, theApp.m_nNotificationCount);
    m_pDlg->m_bClosing = FALSE;

    // Before the dialog runs or after its modal run: nothing is queued for later.
    g_pMainDlg = nullptr;
    HostSends(kSimHostCodeFreshData);
    EXPECT_EQ(1, SendMessage(hWnd, theApp.m_nInterAppMsg, HostWParam(2), 0));
    EXPECT_EQ(0, theApp.m_nNotificationCount);
    g_pMainDlg = m_pDlg.get();
    EXPECT_EQ(0, CMessageLoop::RunUntilIdle());
    EXPECT_EQ(0, theApp.m_nNotificationCount);

    HostSends(kSimHostCodeFreshData);
    EXPECT_EQ(1, theApp.m_nNotificationCount);
}

TEST_F(InterAppWindow, OrdinaryMessagesTakeTheWindowDefault) {
    ASSERT_TRUE(theApp.CreateInterAppWindow(nullptr));
    const HWND hWnd = Window();
    SendMessage(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("renamed"));
    EXPECT_EQ("renamed", Title(hWnd));
    EXPECT_EQ(0, SendMessage(hWnd, WM_NULL, 0, 0));
    PostMessage(hWnd, WM_NULL, 0, 0);
    CMessageLoop::RunUntilIdle();
    EXPECT_EQ(0, theApp.m_nNotificationCount);

    // A window that never attached has no host message, so message 0 is not taken for one.
    CInterAppWindow other;
    ASSERT_TRUE(other.CreateEx(WS_EX_TOOLWINDOW, nullptr, "other", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0));
    theApp.m_nInterAppMsg = 0;
    EXPECT_EQ(0, other.SendMessage(WM_NULL, HostWParam(2), 0));
    EXPECT_EQ(0, theApp.m_nNotificationCount);
}

}  // namespace
