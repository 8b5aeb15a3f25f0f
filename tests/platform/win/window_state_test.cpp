#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/win/geometry_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_fixture.h"

namespace {

using WindowState = CWinTestFixture;

TEST_F(WindowState, ShowAndEnableReportThePreviousStateAndTellTheWindow) {
    CRecordingWnd top, child;
    ASSERT_TRUE(top.CreateTopLevel(WS_POPUP));
    ASSERT_TRUE(child.CreateChild(&top, 7));
    EXPECT_FALSE(top.IsWindowVisible());
    EXPECT_FALSE(child.IsWindowVisible());  // visible only when every ancestor is

    EXPECT_FALSE(top.ShowWindow(SW_SHOW));  // was hidden
    EXPECT_TRUE(top.IsWindowVisible());
    EXPECT_TRUE(child.IsWindowVisible());
    EXPECT_EQ(1, top.Count(WM_SHOWWINDOW));
    EXPECT_TRUE(top.ShowWindow(SW_SHOW));  // already visible: no second notice
    EXPECT_EQ(1, top.Count(WM_SHOWWINDOW));
    EXPECT_TRUE(child.ShowWindow(SW_HIDE));
    EXPECT_FALSE(child.IsWindowVisible());
    EXPECT_EQ(0u, CWndTesting::GetStyle(child) & WS_VISIBLE);

    EXPECT_TRUE(child.IsWindowEnabled());
    EXPECT_FALSE(child.EnableWindow(FALSE));  // FALSE: it was enabled
    EXPECT_FALSE(child.IsWindowEnabled());
    EXPECT_EQ(1, child.Count(WM_ENABLE));
    EXPECT_TRUE(child.EnableWindow(FALSE));  // TRUE: it was disabled; nothing sent
    EXPECT_EQ(1, child.Count(WM_ENABLE));
    EXPECT_TRUE(child.EnableWindow(TRUE));
    EXPECT_TRUE(child.IsWindowEnabled());
}

TEST_F(WindowState, TextIsCutToTheCallersBufferAndAlwaysTerminated) {
    CRecordingWnd top;
    ASSERT_TRUE(top.CreateTopLevel());
    top.SetWindowText("abcdefgh");
    EXPECT_EQ(8, GetWindowTextLengthA(top.m_hWnd));
    char sz[5];
    std::memset(sz, 'x', sizeof sz);
    EXPECT_EQ(4, top.GetWindowText(sz, sizeof sz));
    EXPECT_STREQ("abcd", sz);
    EXPECT_EQ(0, top.GetWindowText(sz, 0));  // no room at all: nothing written
    EXPECT_STREQ("abcd", sz);
    top.SetWindowText(nullptr);
    CString str;
    top.GetWindowText(str);
    EXPECT_TRUE(str.IsEmpty());
}

TEST_F(WindowState, CoordinatesRoundTripBetweenClientAndScreen) {
    CRecordingWnd top, child;
    ASSERT_TRUE(top.CreateEx(0, nullptr, "t", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 60, 300, 200, nullptr,
                             nullptr));
    ASSERT_TRUE(child.CreateChild(&top, 3));
    CPoint pt(5, 7);
    CWndTesting::ClientToScreen(child, &pt);
    CRect rcChild;
    child.GetWindowRect(&rcChild);
    EXPECT_EQ(CPoint(rcChild.left + 5, rcChild.top + 7), pt);
    CWndTesting::ScreenToClient(child, &pt);
    EXPECT_EQ(CPoint(5, 7), pt);

    CRect rc(0, 0, 10, 10);
    CWndTesting::ClientToScreen(top, &rc);
    EXPECT_EQ(10, rc.Width());
    CWndTesting::ScreenToClient(top, &rc);
    EXPECT_EQ(CRect(0, 0, 10, 10), rc);
}

TEST_F(WindowState, TopmostWindowsStayAboveTheOthers) {
    CRecordingWnd a, b, c;
    ASSERT_TRUE(a.CreateTopLevel());
    ASSERT_TRUE(b.CreateTopLevel());
    ASSERT_TRUE(c.CreateTopLevel());
    ASSERT_TRUE(a.SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_NE(0u, CWndTesting::GetExStyle(a) & WS_EX_TOPMOST);
    c.BringWindowToTop();  // not topmost: stays below a
    EXPECT_EQ(a.m_hWnd, ::GetTopWindow(nullptr));
    EXPECT_EQ(c.m_hWnd, ::GetWindow(a.m_hWnd, GW_HWNDNEXT));
    ASSERT_TRUE(a.SetWindowPos(&CWnd::wndNoTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ(0u, CWndTesting::GetExStyle(a) & WS_EX_TOPMOST);
    b.BringWindowToTop();
    EXPECT_EQ(b.m_hWnd, ::GetTopWindow(nullptr));

    CRect rcBefore;
    b.GetWindowRect(&rcBefore);
    b.SetWindowPos(nullptr, 400, 300, 1, 1, SWP_NOSIZE | SWP_NOZORDER);
    CRect rcAfter;
    b.GetWindowRect(&rcAfter);
    EXPECT_EQ(CPoint(400, 300), CRectTesting::TopLeft(rcAfter));
    EXPECT_EQ(CRectTesting::Size(rcBefore), CRectTesting::Size(rcAfter));
}

// A top-level window shown with activation comes to the top of its band (a dialog shown after a window
// that was raised meanwhile is not left under it); shown without activation it stays where it was.
TEST_F(WindowState, ShowingATopLevelWindowBringsItToTheTopOfItsBand) {
    CRecordingWnd a, b, pinned;
    ASSERT_TRUE(a.CreateTopLevel());
    ASSERT_TRUE(b.CreateTopLevel());
    ASSERT_TRUE(pinned.CreateTopLevel());
    ASSERT_TRUE(pinned.SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    a.ShowWindow(SW_HIDE);
    b.BringWindowToTop();
    a.ShowWindow(SW_SHOWNOACTIVATE);
    EXPECT_EQ(b.m_hWnd, ::GetWindow(pinned.m_hWnd, GW_HWNDNEXT));
    a.ShowWindow(SW_HIDE);
    a.ShowWindow(SW_SHOW);
    EXPECT_EQ(pinned.m_hWnd, ::GetTopWindow(nullptr));  // the topmost band stays above
    EXPECT_EQ(a.m_hWnd, ::GetWindow(pinned.m_hWnd, GW_HWNDNEXT));
    b.BringWindowToTop();
    a.ShowWindow(SW_SHOW);  // already visible: nothing moves
    EXPECT_EQ(b.m_hWnd, ::GetWindow(pinned.m_hWnd, GW_HWNDNEXT));
}

TEST_F(WindowState, InvalidRegionsArePaintedOnceAndValidationCancelsThem) {
    CRecordingWnd top;
    ASSERT_TRUE(top.CreateTopLevel());
    Pump();
    top.m_msgs.clear();
    CRect rcUpdate;
    EXPECT_FALSE(CWndTesting::GetUpdateRect(top, &rcUpdate));
    top.InvalidateRect(CRect(1, 1, 5, 5));
    top.InvalidateRect(CRect(10, 10, 20, 20));
    EXPECT_TRUE(CWndTesting::GetUpdateRect(top, &rcUpdate));
    EXPECT_EQ(CRect(1, 1, 20, 20), rcUpdate);  // one bounding rectangle
    Pump();
    EXPECT_EQ(1, top.Count(WM_PAINT));
    EXPECT_FALSE(CWndTesting::GetUpdateRect(top, &rcUpdate));

    top.Invalidate();
    CWndTesting::ValidateRect(top, nullptr);
    Pump();
    EXPECT_EQ(1, top.Count(WM_PAINT));
    top.Invalidate();
    top.UpdateWindow();  // paints at once, without a loop
    EXPECT_EQ(2, top.Count(WM_PAINT));
}

TEST_F(WindowState, ParentsSiblingsAndIdsCanBeChanged) {
    CRecordingWnd p1, p2, a, b;
    ASSERT_TRUE(p1.CreateTopLevel());
    ASSERT_TRUE(p2.CreateTopLevel());
    ASSERT_TRUE(a.CreateChild(&p1, 1));
    ASSERT_TRUE(b.CreateChild(&p1, 2));
    EXPECT_EQ(&a, p1.GetWindow(GW_CHILD));
    EXPECT_EQ(&b, a.GetWindow(GW_HWNDNEXT));
    EXPECT_EQ(nullptr, b.GetWindow(GW_HWNDNEXT));
    EXPECT_TRUE(CWndTesting::IsChild(p1, &b));

    EXPECT_EQ(&p1, CWndTesting::SetParent(b, &p2));
    EXPECT_EQ(&p2, b.GetParent());
    EXPECT_FALSE(CWndTesting::IsChild(p1, &b));
    EXPECT_EQ(&b, p2.GetDlgItem(2));
    EXPECT_EQ(nullptr, p1.GetDlgItem(2));
    EXPECT_EQ(&p2, b.GetTopLevelParent());

    EXPECT_EQ(1, CWndTesting::SetDlgCtrlID(a, 7));  // the previous id
    EXPECT_EQ(&a, p1.GetDlgItem(7));
}

TEST_F(WindowState, CallsOnADestroyedHandleFailWithoutHarm) {
    CRecordingWnd top;
    ASSERT_TRUE(top.CreateTopLevel());
    HWND h = top.m_hWnd;
    top.DestroyWindow();
    EXPECT_FALSE(::IsWindow(h));
    EXPECT_FALSE(::ShowWindow(h, SW_SHOW));
    EXPECT_FALSE(::SetWindowTextA(h, "x"));
    char sz[8] = "keep";
    EXPECT_EQ(0, ::GetWindowTextA(h, sz, sizeof sz));
    EXPECT_EQ(nullptr, ::GetDlgItem(h, 1));
    EXPECT_FALSE(::DestroyWindow(h));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
    EXPECT_EQ(0, Pump());
}

// Handles are found by their number: a value no window was made with, one beside a real handle or
// beyond the last made, and a destroyed window's handle find nothing; a new window's handle finds it.
TEST_F(WindowState, OnlyTheHandleOfALiveWindowFindsIt) {
    CRecordingWnd top;
    ASSERT_TRUE(top.CreateTopLevel());
    const auto n = reinterpret_cast<std::uintptr_t>(top.m_hWnd);
    for (std::uintptr_t v : {std::uintptr_t{0x10}, std::uintptr_t{0x1000}, n + 1, n + 2, n + 4, n + 4 * 70000,
                             ~std::uintptr_t{0}}) {
        EXPECT_FALSE(::IsWindow(reinterpret_cast<HWND>(v))) << std::hex << v;
    }
    EXPECT_TRUE(::IsWindow(top.m_hWnd));
    CRecordingWnd next;
    ASSERT_TRUE(next.CreateTopLevel());
    EXPECT_TRUE(::IsWindow(next.m_hWnd));
    EXPECT_EQ(&next, CWnd::FromHandlePermanent(next.m_hWnd));
    const HWND hTop = top.m_hWnd;
    top.DestroyWindow();
    EXPECT_FALSE(::IsWindow(hTop));
    EXPECT_TRUE(::IsWindow(next.m_hWnd));
    next.DestroyWindow();
}

}  // namespace
