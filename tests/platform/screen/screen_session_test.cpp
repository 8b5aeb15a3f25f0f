#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/screen/screen_session.h"
#include "support/win_dialog_support.h"
#include "support/xvfb_server.h"

// Xlib's macros (None, Bool, Status) last, after every other header.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

constexpr UINT kDlg = 9801;
constexpr UINT kButton = 1501;

class ScreenSession : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        AfxRegisterDialogTemplate(DlgTemplate(
            kDlg, {DlgItem(kButton, "Button", "Press", WS_VISIBLE | WS_TABSTOP, 20, 20, 50, 14)}));
    }
    void TearDown() override {
        m_session.Stop();
        CWinTestFixture::TearDown();
    }
    // Runs the user-interface side (posted input, snapshots) until done() or 10 s of real time.
    bool RunUntil(const std::function<bool()>& done) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < until) {
            CMessageLoop::PumpPending();
            m_session.Refresh();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    CScreenSession m_session;
};

TEST_F(ScreenSession, StartFailsOnADisplayThatIsNotThere) {
    EXPECT_FALSE(m_session.Start(":999999"));
    EXPECT_FALSE(m_session.IsRunning());
    EXPECT_NE(std::string::npos, m_session.GetError().find(":999999"));
}

TEST_F(ScreenSession, ADialogShowsAsAnXWindowAndAClickOnItsButtonReachesIt) {
    CXvfb xvfb;
    if (!xvfb.Ready()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    CNoticeDlg dlg(kDlg);
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    ASSERT_TRUE(m_session.Start(xvfb.Name().c_str())) << m_session.GetError();

    Display* dpy = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(nullptr, dpy);
    CRect rc;
    dlg.GetWindowRect(&rc);
    XWindowAttributes a{};
    ASSERT_TRUE(RunUntil([&] {
        const Window w = m_session.GetXWindow(dlg.m_hWnd);
        return w != 0 && m_session.GetPaintCount() > 0 && XGetWindowAttributes(dpy, w, &a) &&
               a.map_state == IsViewable;
    })) << "no X window was shown for the dialog";
    EXPECT_EQ(rc.Width(), a.width);
    EXPECT_EQ(rc.Height(), a.height);
    Window child = 0;
    int x = 0;
    int y = 0;
    XTranslateCoordinates(dpy, m_session.GetXWindow(dlg.m_hWnd), DefaultRootWindow(dpy), 0, 0, &x, &y,
                          &child);
    EXPECT_EQ(rc.left, x);
    EXPECT_EQ(rc.top, y);

    // A click through the X server at the button's centre.
    CRect rcButton;
    dlg.GetDlgItem(kButton)->GetWindowRect(&rcButton);
    int nEvent = 0;
    int nError = 0;
    int nMajor = 0;
    int nMinor = 0;
    ASSERT_TRUE(XTestQueryExtension(dpy, &nEvent, &nError, &nMajor, &nMinor)) << "the server has no XTest";
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rcButton.CenterPoint().x, rcButton.CenterPoint().y, 0);
    XTestFakeButtonEvent(dpy, 1, True, 0);
    XTestFakeButtonEvent(dpy, 1, False, 0);
    XFlush(dpy);
    EXPECT_TRUE(RunUntil([&] { return dlg.Count(WM_COMMAND, kButton, BN_CLICKED) == 1; }))
        << "the click did not reach the button";

    // Hidden in the framework, unmapped on the display; destroyed, gone.
    dlg.ShowWindow(SW_HIDE);
    EXPECT_TRUE(RunUntil([&] { return m_session.GetXWindow(dlg.m_hWnd) == 0; }));
    XCloseDisplay(dpy);
    m_session.Stop();
    EXPECT_FALSE(m_session.IsRunning());
}

// The X windows are stacked as the framework stacks its windows: the one shown first but brought to the
// top afterwards is above the one mapped later, so a click where both overlap reaches it.
TEST_F(ScreenSession, XWindowsFollowTheFrameworksStackingOrder) {
    CXvfb xvfb;
    if (!xvfb.Ready()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    CNoticeDlg first(kDlg);
    ASSERT_TRUE(first.Create(kDlg));
    first.ShowWindow(SW_SHOW);
    Pump();
    ASSERT_TRUE(m_session.Start(xvfb.Name().c_str())) << m_session.GetError();
    Display* dpy = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(nullptr, dpy);
    auto viewable = [&](HWND h) {
        XWindowAttributes a{};
        const Window w = m_session.GetXWindow(h);
        return w != 0 && XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
    };
    ASSERT_TRUE(RunUntil([&] { return viewable(first.m_hWnd); }));
    CNoticeDlg second(kDlg);  // the same place, mapped later
    ASSERT_TRUE(second.Create(kDlg));
    second.ShowWindow(SW_SHOW);
    ASSERT_TRUE(RunUntil([&] { return viewable(second.m_hWnd); }));

    // The position among the root's children, bottom first; -1 when not there.
    auto stackIndex = [&](HWND h) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned n = 0;
        int nAt = -1;
        const Window w = m_session.GetXWindow(h);
        if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n)) {
            for (unsigned i = 0; i < n; ++i)
                if (children[i] == w) nAt = static_cast<int>(i);
            if (children) XFree(children);
        }
        return nAt;
    };
    EXPECT_TRUE(RunUntil([&] { return stackIndex(second.m_hWnd) > stackIndex(first.m_hWnd); }));
    ::SetWindowPos(first.m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_TRUE(RunUntil([&] { return stackIndex(first.m_hWnd) > stackIndex(second.m_hWnd); }))
        << "the window brought to the top in the framework stays below on the display";
    XCloseDisplay(dpy);
    m_session.Stop();
}

}  // namespace
