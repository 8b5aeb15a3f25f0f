#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/screen/cairo_renderer.h"
#include "platform/screen/screen_session.h"
#include "platform/win/geometry_testing.h"
#include "platform/win/snapshot_testing.h"
#include "platform/win/window_testing.h"
#include "screen_support.h"
#include "support/win_dialog_support.h"
#include "support/xvfb_server.h"

// Xlib's macros (None, Bool, Status) last, after every other header.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
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
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), CRectTesting::CenterPoint(rcButton).x,
                         CRectTesting::CenterPoint(rcButton).y, 0);
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

// The X window shows the picture of the latest snapshot whole, pixel for pixel, while the screen copies
// only the parts that changed: a child's text, a child moved, a child hidden.
TEST_F(ScreenSession, TheXWindowShowsWhatTheLatestSnapshotDraws) {
    CXvfb xvfb;
    if (!xvfb.Ready()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    CNoticeDlg dlg(kDlg);
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    // Made before the screen thread starts: cairo is used here only while that thread paints nothing.
    CCairoTextMeasurer measurer;
    CCairoRenderer renderer(measurer);
    ASSERT_TRUE(m_session.Start(xvfb.Name().c_str())) << m_session.GetError();
    Display* dpy = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(nullptr, dpy);
    // The first pixel where the X window differs from the picture drawn from scratch ("" when none).
    auto difference = [&]() -> std::string {
        const Window w = m_session.GetXWindow(dlg.m_hWnd);
        XWindowAttributes a{};
        if (w == 0 || !XGetWindowAttributes(dpy, w, &a) || a.map_state != IsViewable) return "not shown";
        cairo_surface_t* want = renderer.RenderToImage(AfxSnapshotWindow(dlg.m_hWnd));
        if (want == nullptr) return "no picture";
        std::string strDiff;
        XImage* got = XGetImage(dpy, w, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                                AllPlanes, ZPixmap);
        if (got == nullptr || got->width != cairo_image_surface_get_width(want) ||
            got->height != cairo_image_surface_get_height(want))
            strDiff = "another size";
        for (int y = 0; strDiff.empty() && y < got->height; ++y)
            for (int x = 0; strDiff.empty() && x < got->width; ++x)
                if ((XGetPixel(got, x, y) & 0xFFFFFF) != PixelAt(want, x, y))
                    strDiff = "differs at " + std::to_string(x) + "," + std::to_string(y);
        if (got != nullptr) XDestroyImage(got);
        cairo_surface_destroy(want);
        return strDiff;
    };
    // Looked at once the screen thread is through with what it was offered: it paints again only for a
    // snapshot offered later, from this thread.
    auto shows = [&](const char* pszStep) {
        std::string strLast = "not painted yet";
        EXPECT_TRUE(RunUntil([&] { return m_session.IsShowingLatest() && (strLast = difference()).empty(); }))
            << pszStep << ": " << strLast;
    };
    shows("shown");
    CWnd* pButton = dlg.GetDlgItem(kButton);
    pButton->SetWindowText("Pressed");
    shows("a child's text");
    pButton->SetWindowText("Wider text");
    shows("a child's text again");
    pButton->SetWindowPos(nullptr, 60, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    shows("a child moved");
    pButton->ShowWindow(SW_HIDE);
    shows("a child hidden");
    XCloseDisplay(dpy);
    m_session.Stop();
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

// A dialog that logs the pointer messages its own client area gets (user-interface thread only).
class CPointerLogDlg : public CNoticeDlg {
  public:
    using CNoticeDlg::CNoticeDlg;
    struct CEntry {
        UINT nMessage;
        CPoint pt;
    };
    std::vector<CEntry> m_log;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN) m_log.push_back({message, CPoint(lParam)});
        return CNoticeDlg::WindowProc(message, wParam, lParam);
    }
};

// Pointer moves are coalesced while the user-interface thread is busy, but a move made after a button
// press is never handed over before it: the events arrive in the order they were made.
TEST_F(ScreenSession, AMoveMadeAfterAPressArrivesAfterIt) {
    CXvfb xvfb;
    if (!xvfb.Ready()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    // The session ends before its display does, however the test ends.
    struct CStopFirst {
        CScreenSession& session;
        ~CStopFirst() { session.Stop(); }
    } stopFirst{m_session};
    CPointerLogDlg dlg(kDlg);
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    ASSERT_TRUE(m_session.Start(xvfb.Name().c_str())) << m_session.GetError();
    Display* dpy = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(nullptr, dpy);
    ASSERT_TRUE(RunUntil([&] {
        XWindowAttributes a{};
        const Window w = m_session.GetXWindow(dlg.m_hWnd);
        return w != 0 && XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
    }));
    int nEvent = 0;
    int nError = 0;
    int nMajor = 0;
    int nMinor = 0;
    ASSERT_TRUE(XTestQueryExtension(dpy, &nEvent, &nError, &nMajor, &nMinor)) << "the server has no XTest";
    // Two places on the dialog's own client area, off its button.
    const CPoint ptPress(200, 100);
    const CPoint ptAfter(220, 110);
    CPoint ptScreen = ptPress;
    CWndTesting::ClientToScreen(dlg, &ptScreen);
    dlg.m_log.clear();
    // Made while this (the user-interface) thread pumps nothing: a move, the press, a move.
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), ptScreen.x, ptScreen.y, 0);
    XTestFakeButtonEvent(dpy, 1, True, 0);
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), ptScreen.x + (ptAfter.x - ptPress.x),
                         ptScreen.y + (ptAfter.y - ptPress.y), 0);
    XSync(dpy, False);
    // The screen thread posts them meanwhile (one task each, the first move's and the press's at least).
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (CMessageLoop::PostedCount(::GetCurrentThreadId()) < 3 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto pressed = [&] {
        for (const CPointerLogDlg::CEntry& e : dlg.m_log)
            if (e.nMessage == WM_LBUTTONDOWN) return true;
        return false;
    };
    ASSERT_TRUE(RunUntil([&] { return pressed() && dlg.m_log.back().pt == ptAfter; }))
        << "the press, then the move after it, did not arrive";
    // Every move before the press was made before it.
    for (const CPointerLogDlg::CEntry& e : dlg.m_log) {
        if (e.nMessage == WM_LBUTTONDOWN) {
            EXPECT_EQ(ptPress, e.pt);
            break;
        }
        EXPECT_NE(ptAfter, e.pt) << "the move made after the press arrived before it";
    }
    XTestFakeButtonEvent(dpy, 1, False, 0);
    XSync(dpy, False);
    XCloseDisplay(dpy);
}

// The framework draws the frames itself: a window manager is asked for no decoration, and a popup tool
// window (a menu's popup, a dropped list) is not given to it at all.
TEST_F(ScreenSession, WindowsAskNoWindowManagerFrameAndPopupsAreLeftOutOfIt) {
    CXvfb xvfb;
    if (!xvfb.Ready()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    CNoticeDlg dlg(kDlg);
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    CRecordingWnd popup;
    ASSERT_TRUE(popup.CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, nullptr, "",
                               WS_POPUP | WS_BORDER | WS_VISIBLE, 10, 10, 50, 40, dlg.m_hWnd, nullptr));
    Pump();
    ASSERT_TRUE(m_session.Start(xvfb.Name().c_str())) << m_session.GetError();
    Display* dpy = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(nullptr, dpy);
    // The session names its X windows as soon as it has asked for them; another connection sees them
    // once the X server has made them.
    XWindowAttributes a{};
    ASSERT_TRUE(RunUntil([&] {
        const Window xDlg = m_session.GetXWindow(dlg.m_hWnd);
        const Window xPopup = m_session.GetXWindow(popup.m_hWnd);
        return xDlg != 0 && xPopup != 0 && XGetWindowAttributes(dpy, xPopup, &a) &&
               XGetWindowAttributes(dpy, xDlg, &a);
    }));
    EXPECT_FALSE(a.override_redirect);
    ASSERT_TRUE(XGetWindowAttributes(dpy, m_session.GetXWindow(popup.m_hWnd), &a));
    EXPECT_TRUE(a.override_redirect);

    const Atom hints = XInternAtom(dpy, "_MOTIF_WM_HINTS", True);
    ASSERT_NE(static_cast<Atom>(0), hints);
    Atom type = 0;
    int nFormat = 0;
    unsigned long nItems = 0;
    unsigned long nAfter = 0;
    unsigned char* pData = nullptr;
    ASSERT_EQ(Success, XGetWindowProperty(dpy, m_session.GetXWindow(dlg.m_hWnd), hints, 0, 5, False, hints,
                                          &type, &nFormat, &nItems, &nAfter, &pData));
    ASSERT_EQ(5u, nItems);
    const long* pHints = reinterpret_cast<const long*>(pData);
    EXPECT_EQ(2, pHints[0]) << "the decorations are given";
    EXPECT_EQ(0, pHints[2]) << "and there are none";
    XFree(pData);
    XCloseDisplay(dpy);
    m_session.Stop();
    popup.DestroyWindow();
}

// A dialog that counts the moves and sizes the framework tells it.
class CPlacedDlg : public CNoticeDlg {
  public:
    explicit CPlacedDlg(UINT nIDTemplate) : CNoticeDlg(nIDTemplate) {}
    int m_nMoves = 0;
    int m_nSizes = 0;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_MOVE) ++m_nMoves;
        if (message == WM_SIZE) ++m_nSizes;
        return CNoticeDlg::WindowProc(message, wParam, lParam);
    }
};

class ScreenSessionPlacing : public ScreenSession {
  protected:
    void SetUp() override {
        ScreenSession::SetUp();
        // Sizable by its frame.
        AfxRegisterDialogTemplate(
            DlgTemplate(kDlg, {DlgItem(kButton, "Button", "Press", WS_VISIBLE | WS_TABSTOP, 20, 20, 50, 14)},
                        WS_THICKFRAME));
    }
    void TearDown() override {
        if (m_dpy) XCloseDisplay(m_dpy);
        ScreenSession::TearDown();
        m_xvfb.reset();  // the server goes after every connection to it
    }
    bool StartXvfb() { return m_xvfb.emplace().Ready(); }
    // The dialog shown on the display, and the test's own connection to it.
    bool Show(CPlacedDlg& dlg) {
        CXvfb& xvfb = *m_xvfb;
        if (!dlg.Create(kDlg)) return false;
        dlg.ShowWindow(SW_SHOW);
        Pump();
        if (!m_session.Start(xvfb.Name().c_str())) return false;
        m_dpy = XOpenDisplay(xvfb.Name().c_str());
        return m_dpy != nullptr && RunUntil([&] {
                   XWindowAttributes a{};
                   const Window w = m_session.GetXWindow(dlg.m_hWnd);
                   return w != 0 && XGetWindowAttributes(m_dpy, w, &a) && a.map_state == IsViewable;
               });
    }
    // The X window's rectangle in root pixels.
    CRect XRect(HWND h) {
        XWindowAttributes a{};
        const Window w = m_session.GetXWindow(h);
        if (w == 0 || !XGetWindowAttributes(m_dpy, w, &a)) return CRect();
        Window child = 0;
        int x = 0;
        int y = 0;
        XTranslateCoordinates(m_dpy, w, DefaultRootWindow(m_dpy), 0, 0, &x, &y, &child);
        return CRect(x, y, x + a.width, y + a.height);
    }
    static CRect WindowRect(CWnd& wnd) {
        CRect rc;
        wnd.GetWindowRect(&rc);
        return rc;
    }
    std::optional<CXvfb> m_xvfb;
    Display* m_dpy = nullptr;
};

// Another client (a window manager, a person's tool) moves and sizes the dialog's X window: the
// framework's window follows with its WM_MOVE and WM_SIZE and is painted at its new size, and the X
// window stays where it was put. A synthetic notice in root pixels, as a window manager that keeps the
// window in a frame sends it, moves the framework's window too.
TEST_F(ScreenSessionPlacing, AWindowMovedOrSizedOnTheDisplayIsMovedOrSizedInTheFramework) {
    if (!StartXvfb()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    CPlacedDlg dlg(kDlg);
    ASSERT_TRUE(Show(dlg)) << m_session.GetError();
    const CRect rcBefore = WindowRect(dlg);
    const int nMoves = dlg.m_nMoves;
    const int nSizes = dlg.m_nSizes;

    const CRect rcMoved(rcBefore.left + 37, rcBefore.top + 21, rcBefore.right + 37, rcBefore.bottom + 21);
    XMoveWindow(m_dpy, m_session.GetXWindow(dlg.m_hWnd), rcMoved.left, rcMoved.top);
    XFlush(m_dpy);
    EXPECT_TRUE(RunUntil([&] { return WindowRect(dlg) == rcMoved; }))
        << "the framework's window stays at " << WindowRect(dlg).left << "," << WindowRect(dlg).top;
    EXPECT_GT(dlg.m_nMoves, nMoves);
    EXPECT_EQ(nSizes, dlg.m_nSizes) << "a move alone sized the window";

    const CRect rcSized(60, 50, 60 + rcBefore.Width() + 40, 50 + rcBefore.Height() + 30);
    const std::uint64_t nPaints = m_session.GetPaintCount();
    XMoveResizeWindow(m_dpy, m_session.GetXWindow(dlg.m_hWnd), rcSized.left, rcSized.top,
                      static_cast<unsigned>(rcSized.Width()), static_cast<unsigned>(rcSized.Height()));
    XFlush(m_dpy);
    EXPECT_TRUE(RunUntil([&] { return WindowRect(dlg) == rcSized; }))
        << "the framework's window is " << WindowRect(dlg).Width() << " x " << WindowRect(dlg).Height();
    EXPECT_GT(dlg.m_nSizes, nSizes);
    CRect rcClient;
    dlg.GetClientRect(&rcClient);
    EXPECT_GT(rcClient.Width(), 0);
    EXPECT_TRUE(RunUntil([&] { return m_session.GetPaintCount() > nPaints; }))
        << "the window was not painted at its new size";
    EXPECT_EQ(rcSized, XRect(dlg.m_hWnd));

    XConfigureEvent c{};
    c.type = ConfigureNotify;
    c.send_event = True;
    c.display = m_dpy;
    c.event = c.window = m_session.GetXWindow(dlg.m_hWnd);
    c.x = 120;
    c.y = 90;
    c.width = rcSized.Width();
    c.height = rcSized.Height();
    XEvent ev{};
    ev.xconfigure = c;
    XSendEvent(m_dpy, c.window, False, StructureNotifyMask, &ev);
    XFlush(m_dpy);
    const CRect rcTold(120, 90, 120 + rcSized.Width(), 90 + rcSized.Height());
    EXPECT_TRUE(RunUntil([&] { return WindowRect(dlg) == rcTold; }))
        << "the window manager's notice did not move the framework's window";
}

// A dialog sized only by its bottom edge: a press of the left button on its sides, top or corners is
// taken by its own handling, as the main dialog does it.
class CBottomSizedDlg : public CPlacedDlg {
  public:
    explicit CBottomSizedDlg(UINT nIDTemplate) : CPlacedDlg(nIDTemplate) {}

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_NCLBUTTONDOWN && (GetAsyncKeyState(VK_LBUTTON) & 0x8000) && wParam >= HTLEFT &&
            wParam <= HTBOTTOMRIGHT && wParam != HTBOTTOM)
            return 1;
        return CPlacedDlg::WindowProc(message, wParam, lParam);
    }
};

// Without a window manager the mouse sizes the window by the frame the framework draws; a window
// manager's size of an edge the frame would not let the mouse move is put back on the display.
TEST_F(ScreenSessionPlacing, TheFrameSizesByTheEdgesTheWindowAllows) {
    if (!StartXvfb()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    CBottomSizedDlg dlg(kDlg);
    ASSERT_TRUE(Show(dlg)) << m_session.GetError();
    const CRect rcStart = WindowRect(dlg);
    int nEvent = 0;
    int nError = 0;
    int nMajor = 0;
    int nMinor = 0;
    ASSERT_TRUE(XTestQueryExtension(m_dpy, &nEvent, &nError, &nMajor, &nMinor)) << "the server has no XTest";
    const int nScreen = DefaultScreen(m_dpy);
    const int x = CRectTesting::CenterPoint(rcStart).x;
    XTestFakeMotionEvent(m_dpy, nScreen, x, rcStart.bottom - 2, 0);
    XTestFakeButtonEvent(m_dpy, 1, True, 0);
    XTestFakeMotionEvent(m_dpy, nScreen, x, rcStart.bottom + 20, 0);
    XTestFakeMotionEvent(m_dpy, nScreen, x, rcStart.bottom + 38, 0);
    XTestFakeButtonEvent(m_dpy, 1, False, 0);
    XFlush(m_dpy);
    const CRect rcTaller(rcStart.left, rcStart.top, rcStart.right, rcStart.bottom + 40);
    EXPECT_TRUE(RunUntil([&] { return WindowRect(dlg) == rcTaller && XRect(dlg.m_hWnd) == rcTaller; }))
        << "the window is " << WindowRect(dlg).Width() << " x " << WindowRect(dlg).Height();

    // The left edge dragged: nothing changes.
    XTestFakeMotionEvent(m_dpy, nScreen, rcTaller.left + 1, CRectTesting::CenterPoint(rcTaller).y, 0);
    XTestFakeButtonEvent(m_dpy, 1, True, 0);
    XTestFakeMotionEvent(m_dpy, nScreen, rcTaller.left - 30, CRectTesting::CenterPoint(rcTaller).y, 0);
    XTestFakeButtonEvent(m_dpy, 1, False, 0);
    XFlush(m_dpy);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    RunUntil([&] { return std::chrono::steady_clock::now() >= until; });
    EXPECT_EQ(rcTaller, WindowRect(dlg));

    // Another client sizes the X window by its left edge: put back.
    XMoveResizeWindow(m_dpy, m_session.GetXWindow(dlg.m_hWnd), rcTaller.left - 50, rcTaller.top,
                      static_cast<unsigned>(rcTaller.Width() + 50), static_cast<unsigned>(rcTaller.Height()));
    XFlush(m_dpy);
    EXPECT_TRUE(RunUntil([&] {
        return XRect(dlg.m_hWnd) == rcTaller &&
               std::chrono::steady_clock::now() >= until + std::chrono::milliseconds(300);
    })) << "the X window stays at "
        << XRect(dlg.m_hWnd).left << " wide " << XRect(dlg.m_hWnd).Width();
    EXPECT_EQ(rcTaller, WindowRect(dlg));
    // And by its bottom edge: taken.
    const CRect rcShorter(rcTaller.left, rcTaller.top, rcTaller.right, rcTaller.bottom - 25);
    XResizeWindow(m_dpy, m_session.GetXWindow(dlg.m_hWnd), static_cast<unsigned>(rcShorter.Width()),
                  static_cast<unsigned>(rcShorter.Height()));
    XFlush(m_dpy);
    EXPECT_TRUE(RunUntil([&] { return WindowRect(dlg) == rcShorter; }));
}

// The framework moves its window several times in a row: the X window ends at the last place, and the
// server's notices of the earlier places are not taken for moves that pull the window back.
TEST_F(ScreenSessionPlacing, TheScreensOwnPlacingIsNotTakenForAMove) {
    if (!StartXvfb()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    CPlacedDlg dlg(kDlg);
    ASSERT_TRUE(Show(dlg)) << m_session.GetError();
    const CRect rcStart = WindowRect(dlg);
    CRect rcLast;
    for (int i = 1; i <= 8; ++i) {
        rcLast = CRect(10 * i, 7 * i, 10 * i + rcStart.Width() + 3 * i, 7 * i + rcStart.Height());
        ::SetWindowPos(dlg.m_hWnd, nullptr, rcLast.left, rcLast.top, rcLast.Width(), rcLast.Height(),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        CMessageLoop::PumpPending();
        m_session.Refresh();
        if (i % 2 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(RunUntil([&] { return XRect(dlg.m_hWnd) == rcLast; })) << "the X window did not follow";
    // Whatever the server still tells about the earlier places arrives within this time.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    RunUntil([&] { return std::chrono::steady_clock::now() >= until; });
    EXPECT_EQ(rcLast, WindowRect(dlg)) << "an earlier place came back as a move";
    EXPECT_EQ(rcLast, XRect(dlg.m_hWnd));
}

// Under a window manager the X windows sit in its frames, and another client may destroy one: stacking
// them anew and placing a window whose X window is gone cost the refused requests, not the program.
TEST_F(ScreenSessionPlacing, FramedOrDestroyedXWindowsDoNotEndTheProgram) {
    if (!StartXvfb()) GTEST_SKIP() << "Xvfb could not start a display for this test";
    CPlacedDlg first(kDlg);
    ASSERT_TRUE(Show(first)) << m_session.GetError();
    CPlacedDlg second(kDlg);
    ASSERT_TRUE(second.Create(kDlg));
    second.ShowWindow(SW_SHOW);
    ASSERT_TRUE(RunUntil([&] { return m_session.GetXWindow(second.m_hWnd) != 0; }));
    // A frame, as a window manager makes one, takes the first window in.
    const Window frame = XCreateSimpleWindow(m_dpy, DefaultRootWindow(m_dpy), 0, 0, 800, 600, 0, 0, 0);
    XMapWindow(m_dpy, frame);
    XReparentWindow(m_dpy, m_session.GetXWindow(first.m_hWnd), frame, 5, 20);
    XSync(m_dpy, False);
    ::SetWindowPos(first.m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    const std::uint64_t nPaints = m_session.GetPaintCount();
    first.GetDlgItem(kButton)->SetWindowText("Framed");
    ASSERT_TRUE(RunUntil([&] { return m_session.GetPaintCount() > nPaints; }))
        << "the session stopped painting";

    const unsigned long nErrors = CScreenSession::GetXErrorCount();
    XDestroyWindow(m_dpy, m_session.GetXWindow(second.m_hWnd));
    XSync(m_dpy, False);
    ::SetWindowPos(second.m_hWnd, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    second.GetDlgItem(kButton)->SetWindowText("Gone");
    EXPECT_TRUE(RunUntil([&] { return CScreenSession::GetXErrorCount() > nErrors; }))
        << "no request on the destroyed window was refused";
    EXPECT_TRUE(m_session.IsRunning());
    const std::uint64_t nLater = m_session.GetPaintCount();
    first.GetDlgItem(kButton)->SetWindowText("Still shown");
    EXPECT_TRUE(RunUntil([&] { return m_session.GetPaintCount() > nLater; }))
        << "the session stopped painting";
}

}  // namespace
