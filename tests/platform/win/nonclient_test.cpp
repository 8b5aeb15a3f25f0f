#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win/controls_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/menu_testing.h"
#include "platform/win/nonclient.h"
#include "platform/win/nonclient_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_fixture.h"

namespace {

constexpr UINT kMenuId = 510;
constexpr UINT ID_OPEN = 100;

void RegisterBarMenu() {
    CMenuTemplate t;
    t.nID = kMenuId;
    CMenuItemTemplate file{MF_POPUP, 0, "&File", {}};
    file.items = {{MF_STRING, ID_OPEN, "&Open", {}}};
    CMenuItemTemplate help{MF_POPUP | MF_GRAYED, 0, "&Help", {}};
    help.items = {{MF_STRING, 101, "About", {}}};
    t.items = {file, help};
    AfxRegisterMenuTemplate(t);
}

constexpr DWORD kFramed = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;

class NonClient : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        RegisterBarMenu();
        CMenu menu;
        ASSERT_TRUE(CMenuTesting::LoadMenu(menu, kMenuId));
        ASSERT_TRUE(m_wnd.CreateEx(0, nullptr, "Rig Control", kFramed, 100, 100, 400, 300, nullptr,
                                   CMenuTesting::Detach(menu)));
        ASSERT_TRUE(AfxGetNonClientLayout(m_wnd, &m_lay));
    }
    POINT Screen(const RECT& rcWindowCoords) const {
        RECT rc{};
        ::GetWindowRect(m_wnd, &rc);
        return POINT{rc.left + (rcWindowCoords.left + rcWindowCoords.right) / 2,
                     rc.top + (rcWindowCoords.top + rcWindowCoords.bottom) / 2};
    }
    LRESULT HitAt(int x, int y) const {
        return ::SendMessage(m_wnd, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    }
    static const CDrawOp* FindText(const std::vector<CDrawOp>& ops, const std::string& s) {
        for (const CDrawOp& op : ops)
            if (op.nKind == CDrawOpKind::DrawText && op.strText == s) return &op;
        return nullptr;
    }

    CRecordingWnd m_wnd;
    CNonClientLayout m_lay;
};

TEST_F(NonClient, EveryAreaOfASizableFramedWindowHasItsHitTestCode) {
    // The window covers screen (100, 100) .. (500, 400).
    EXPECT_EQ(HTCAPTION, HitAt(Screen(m_lay.rcCaption).x, Screen(m_lay.rcCaption).y));
    EXPECT_EQ(HTCLOSE, HitAt(Screen(m_lay.rcClose).x, Screen(m_lay.rcClose).y));
    EXPECT_EQ(HTSYSMENU, HitAt(Screen(m_lay.rcSysMenu).x, Screen(m_lay.rcSysMenu).y));
    ASSERT_EQ(2u, m_lay.menuItems.size());
    EXPECT_EQ(HTMENU, HitAt(Screen(m_lay.menuItems[1]).x, Screen(m_lay.menuItems[1]).y));
    EXPECT_EQ(HTCLIENT, HitAt(300, 250));
    EXPECT_EQ(HTLEFT, HitAt(101, 250));
    EXPECT_EQ(HTRIGHT, HitAt(498, 250));
    EXPECT_EQ(HTTOP, HitAt(300, 101));
    EXPECT_EQ(HTBOTTOM, HitAt(300, 398));
    EXPECT_EQ(HTTOPLEFT, HitAt(100, 100));
    EXPECT_EQ(HTTOPRIGHT, HitAt(499, 100));
    EXPECT_EQ(HTBOTTOMLEFT, HitAt(100, 399));
    EXPECT_EQ(HTBOTTOMRIGHT, HitAt(499, 399));
    EXPECT_EQ(HTNOWHERE, HitAt(600, 250));
    EXPECT_EQ(1, AfxMenuBarItemFromPoint(m_wnd, Screen(m_lay.menuItems[1])));

    // The client area found by hit-testing is the one the window reports.
    RECT rcClient{};
    m_wnd.GetClientRect(&rcClient);
    EXPECT_EQ(rcClient.right, m_lay.rcClient.right - m_lay.rcClient.left);
    EXPECT_EQ(rcClient.bottom, m_lay.rcClient.bottom - m_lay.rcClient.top);
}

TEST_F(NonClient, AFixedFrameIsABorderAndAPlainChildIsAllClient) {
    CRecordingWnd fixed;
    ASSERT_TRUE(fixed.CreateEx(0, nullptr, "fixed", WS_POPUP | WS_VISIBLE | WS_CAPTION, 600, 100, 200, 100,
                               nullptr, nullptr));
    EXPECT_EQ(HTBORDER, ::SendMessage(fixed, WM_NCHITTEST, 0, MAKELPARAM(601, 150)));
    EXPECT_EQ(HTCAPTION, ::SendMessage(fixed, WM_NCHITTEST, 0, MAKELPARAM(700, 110)));
    CRecordingWnd child;
    ASSERT_TRUE(child.CreateChild(&m_wnd, 7));
    RECT rc{};
    child.GetWindowRect(&rc);
    EXPECT_EQ(HTCLIENT, ::SendMessage(child, WM_NCHITTEST, 0, MAKELPARAM(rc.left, rc.top)));
    EXPECT_TRUE(AfxGetNonClientDrawOps(child).empty());
    // A control's border is in its record too: the sunken client edge, then the plain black border.
    CRecordingWnd bordered;
    ASSERT_TRUE(bordered.CreateChild(&m_wnd, 8, WS_CHILD | WS_VISIBLE | WS_BORDER));
    ::SetWindowLongPtrA(bordered, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
    const std::vector<CDrawOp> ops = AfxGetNonClientDrawOps(bordered);
    ASSERT_EQ(2u, ops.size());
    RECT rcB{};
    bordered.GetWindowRect(&rcB);
    EXPECT_EQ(CDrawOpKind::Edge, ops[0].nKind);
    EXPECT_EQ(1u, ops[0].nFlags) << "sunken";
    EXPECT_EQ(CDrawOpKind::Rectangle, ops[1].nKind);
    EXPECT_TRUE(ops[1].bNullBrush);
    EXPECT_EQ(0x000000u, ops[1].crPen);
    EXPECT_EQ(rcB.right - rcB.left, ops[1].rc.right);
    EXPECT_TRUE(ops[1].bWindowCoords);
}

TEST_F(NonClient, TheRecordHoldsTheCaptionAndTheMenuBarAndFollowsTheirChanges) {
    std::vector<CDrawOp> ops = AfxGetNonClientDrawOps(m_wnd);
    const CDrawOp* pCaption = FindText(ops, "Rig Control");
    ASSERT_NE(nullptr, pCaption);
    EXPECT_TRUE(pCaption->bWindowCoords);
    const CDrawOp* pFile = FindText(ops, "File");  // the '&' is not drawn ...
    ASSERT_NE(nullptr, pFile);
    EXPECT_TRUE(pFile->nFlags & DT_NOPREFIX);
    // ... the mnemonic is underlined: a line under the first character of the item's text.
    const RECT& rcFile = m_lay.menuItems[0];
    const bool bUnderlined = std::any_of(ops.begin(), ops.end(), [&](const CDrawOp& op) {
        return op.nKind == CDrawOpKind::Line && op.rc.top == op.rc.bottom && op.rc.left >= rcFile.left &&
               op.rc.right <= rcFile.right && op.rc.top > rcFile.top && op.rc.top < rcFile.bottom;
    });
    EXPECT_TRUE(bUnderlined);
    const CDrawOp* pHelp = FindText(ops, "Help");
    ASSERT_NE(nullptr, pHelp);
    EXPECT_EQ(GetSysColor(COLOR_GRAYTEXT), pHelp->crText);  // grayed
    EXPECT_NE(pHelp->crText, pFile->crText);

    const unsigned nBefore = AfxGetNonClientSerial(m_wnd);
    m_wnd.SetWindowText("Rig Control - running");
    ops = AfxGetNonClientDrawOps(m_wnd);
    EXPECT_NE(nullptr, FindText(ops, "Rig Control - running"));
    EXPECT_EQ(nullptr, FindText(ops, "Rig Control"));
    EXPECT_NE(nBefore, AfxGetNonClientSerial(m_wnd));

    // Activation changes the caption's colours; the hot bar item is highlighted.
    ::SendMessage(m_wnd, WM_NCACTIVATE, TRUE, 0);
    const COLORREF crActive = FindText(AfxGetNonClientDrawOps(m_wnd), "Rig Control - running")->crText;
    ::SendMessage(m_wnd, WM_NCACTIVATE, FALSE, 0);
    const COLORREF crInactive = FindText(AfxGetNonClientDrawOps(m_wnd), "Rig Control - running")->crText;
    EXPECT_NE(crActive, crInactive);
    const COLORREF crFile = FindText(AfxGetNonClientDrawOps(m_wnd), "File")->crText;
    AfxSetMenuBarHotItem(m_wnd, 0);
    EXPECT_NE(crFile, FindText(AfxGetNonClientDrawOps(m_wnd), "File")->crText);
    AfxSetMenuBarHotItem(m_wnd, -1);
    EXPECT_EQ(crFile, FindText(AfxGetNonClientDrawOps(m_wnd), "File")->crText);

    // A resize moves the close box with the window's right edge.
    m_wnd.SetWindowPos(nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER);
    CNonClientLayout wider;
    ASSERT_TRUE(AfxGetNonClientLayout(m_wnd, &wider));
    EXPECT_EQ(m_lay.rcClose.right + 100, wider.rcClose.right);
}

TEST_F(NonClient, DraggingTheCaptionMovesTheWindowUntilTheButtonIsReleased) {
    const POINT pt = Screen(m_lay.rcCaption);
    ASSERT_TRUE(AfxDeliverMouseInput(WM_LBUTTONDOWN, pt, MK_LBUTTON));
    Pump();
    EXPECT_EQ(m_wnd.GetSafeHwnd(), ::GetCapture());
    ASSERT_TRUE(AfxDeliverMouseInput(WM_MOUSEMOVE, POINT{pt.x + 30, pt.y + 20}, MK_LBUTTON));
    Pump();
    ASSERT_TRUE(AfxDeliverMouseInput(WM_MOUSEMOVE, POINT{pt.x + 50, pt.y - 10}, MK_LBUTTON));
    Pump();
    RECT rc{};
    m_wnd.GetWindowRect(&rc);
    EXPECT_EQ(150, rc.left);
    EXPECT_EQ(90, rc.top);
    EXPECT_EQ(400, rc.right - rc.left);  // moved, not sized
    ASSERT_TRUE(AfxDeliverMouseInput(WM_LBUTTONUP, POINT{pt.x + 50, pt.y - 10}, 0));
    Pump();
    EXPECT_EQ(nullptr, ::GetCapture());
    AfxDeliverMouseInput(WM_MOUSEMOVE, POINT{pt.x + 90, pt.y + 90}, 0);
    Pump();
    m_wnd.GetWindowRect(&rc);
    EXPECT_EQ(150, rc.left);
}

TEST_F(NonClient, TheCloseBoxClosesOnlyWhenPressedAndReleasedOnIt) {
    const POINT ptClose = Screen(m_lay.rcClose);
    AfxDeliverMouseInput(WM_LBUTTONDOWN, ptClose, MK_LBUTTON);
    AfxDeliverMouseInput(WM_LBUTTONUP, Screen(m_lay.rcCaption), 0);
    Pump();
    EXPECT_EQ(0, m_wnd.Count(WM_SYSCOMMAND));

    AfxDeliverMouseInput(WM_LBUTTONDOWN, ptClose, MK_LBUTTON);
    AfxDeliverMouseInput(WM_LBUTTONUP, ptClose, 0);
    Pump();
    ASSERT_EQ(1, m_wnd.Count(WM_SYSCOMMAND));
    EXPECT_FALSE(::IsWindow(m_wnd.GetSafeHwnd()));  // SC_CLOSE -> WM_CLOSE -> destroyed
}

// A sizable window that, like a dialog sized only by its bottom edge, takes a press of the left button on
// its sides, top and corners itself (so no sizing starts there) and keeps a minimum tracking height.
class CBottomSizedWnd : public CWnd {
  public:
    std::vector<UINT> m_sizing;  // WM_SIZING edges, in order
    int m_nEnter = 0;
    int m_nExit = 0;
    int m_nSizes = 0;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_NCLBUTTONDOWN:
                if ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) && wParam >= HTLEFT && wParam <= HTBOTTOMRIGHT &&
                    wParam != HTBOTTOM)
                    return 0;
                break;
            case WM_GETMINMAXINFO:
                reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize.y = 250;
                return 0;
            case WM_SIZING:
                m_sizing.push_back(static_cast<UINT>(wParam));
                break;
            case WM_ENTERSIZEMOVE:
                ++m_nEnter;
                break;
            case WM_EXITSIZEMOVE:
                ++m_nExit;
                break;
            case WM_SIZE:
                ++m_nSizes;
                break;
            default:
                break;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

class FrameSizing : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        ASSERT_TRUE(m_wnd.CreateEx(0, nullptr, "Sized", kFramed, 100, 100, 400, 400, nullptr, nullptr));
    }
    // A press of the left button at pt, the mouse moved by (dx, dy), and let go; as the screen's input
    // does it (the button's state included).
    void Drag(POINT pt, int dx, int dy) {
        AfxSetAsyncKeyState(VK_LBUTTON, TRUE);
        AfxDeliverMouseInput(WM_LBUTTONDOWN, pt, MK_LBUTTON);
        Pump();
        AfxDeliverMouseInput(WM_MOUSEMOVE, POINT{pt.x + dx / 2, pt.y + dy / 2}, MK_LBUTTON);
        Pump();
        AfxDeliverMouseInput(WM_MOUSEMOVE, POINT{pt.x + dx, pt.y + dy}, MK_LBUTTON);
        Pump();
        AfxSetAsyncKeyState(VK_LBUTTON, FALSE);
        AfxDeliverMouseInput(WM_LBUTTONUP, POINT{pt.x + dx, pt.y + dy}, 0);
        Pump();
    }
    CRect Rect() {
        CRect rc;
        m_wnd.GetWindowRect(&rc);
        return rc;
    }
    CBottomSizedWnd m_wnd;
};

TEST_F(FrameSizing, TheBottomEdgeFollowsTheMouseWithinTheTrackingSizes) {
    Drag(POINT{300, 498}, 0, 60);
    EXPECT_EQ(CRect(100, 100, 500, 560), Rect());
    EXPECT_EQ(nullptr, ::GetCapture()) << "the sizing ended with the button";
    EXPECT_EQ(1, m_wnd.m_nEnter);
    EXPECT_EQ(1, m_wnd.m_nExit);
    ASSERT_FALSE(m_wnd.m_sizing.empty());
    EXPECT_EQ(static_cast<UINT>(WMSZ_BOTTOM), m_wnd.m_sizing.back());
    EXPECT_GT(m_wnd.m_nSizes, 0);

    // Up past the minimum height: the edge stops there.
    Drag(POINT{300, 558}, 0, -400);
    EXPECT_EQ(CRect(100, 100, 500, 350), Rect());
    // A later move without the drag changes nothing.
    AfxDeliverMouseInput(WM_MOUSEMOVE, POINT{300, 600}, 0);
    Pump();
    EXPECT_EQ(CRect(100, 100, 500, 350), Rect());
}

TEST_F(FrameSizing, EdgesTheWindowTakesItselfAndFixedFramesDoNotSize) {
    Drag(POINT{101, 300}, -50, 0);  // left edge
    Drag(POINT{498, 300}, 50, 0);   // right edge
    Drag(POINT{300, 101}, 0, -50);  // top edge
    Drag(POINT{499, 499}, 40, 40);  // bottom-right corner
    EXPECT_EQ(CRect(100, 100, 500, 500), Rect());
    EXPECT_TRUE(m_wnd.m_sizing.empty());
    EXPECT_EQ(0, m_wnd.m_nEnter);

    CBottomSizedWnd fixed;
    ASSERT_TRUE(fixed.CreateEx(0, nullptr, "Fixed", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 600, 100,
                               200, 200, nullptr, nullptr));
    Drag(POINT{700, 299}, 0, 50);
    CRect rc;
    fixed.GetWindowRect(&rc);
    EXPECT_EQ(CRect(600, 100, 800, 300), rc);
}

// A window manager moves and sizes the window: a move is taken, a size only by the edge a drag could
// move, within the tracking sizes; a refused size leaves the window as it is.
TEST_F(FrameSizing, AWindowManagersSizeIsTakenOnlyWhereTheFrameWouldSize) {
    EXPECT_TRUE(AfxPlaceWindowFromOutside(m_wnd, CRect(130, 120, 530, 520)));
    EXPECT_EQ(CRect(130, 120, 530, 520), Rect());
    EXPECT_TRUE(m_wnd.m_sizing.empty()) << "a move is no sizing";

    EXPECT_TRUE(AfxPlaceWindowFromOutside(m_wnd, CRect(130, 120, 530, 600)));
    EXPECT_EQ(CRect(130, 120, 530, 600), Rect());
    ASSERT_EQ(1u, m_wnd.m_sizing.size());
    EXPECT_EQ(static_cast<UINT>(WMSZ_BOTTOM), m_wnd.m_sizing[0]);
    EXPECT_EQ(1, m_wnd.m_nExit);
    EXPECT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000) << "the button's state is put back";

    EXPECT_TRUE(AfxPlaceWindowFromOutside(m_wnd, CRect(130, 120, 530, 130)));
    EXPECT_EQ(CRect(130, 120, 530, 370), Rect()) << "the minimum height";

    EXPECT_FALSE(AfxPlaceWindowFromOutside(m_wnd, CRect(130, 120, 700, 370)));  // right edge
    EXPECT_FALSE(AfxPlaceWindowFromOutside(m_wnd, CRect(100, 120, 530, 370)));  // left edge
    EXPECT_FALSE(AfxPlaceWindowFromOutside(m_wnd, CRect(130, 120, 560, 400)));  // bottom-right corner
    EXPECT_FALSE(AfxPlaceWindowFromOutside(m_wnd, CRect(0, 0, 900, 900)));      // moved and sized
    EXPECT_EQ(CRect(130, 120, 530, 370), Rect());
    EXPECT_EQ(2u, m_wnd.m_sizing.size());

    // A modal box over the window: nothing sizes it.
    m_wnd.EnableWindow(FALSE);
    EXPECT_FALSE(AfxPlaceWindowFromOutside(m_wnd, CRect(130, 120, 530, 450)));
    m_wnd.EnableWindow(TRUE);
    EXPECT_EQ(CRect(130, 120, 530, 370), Rect());
}

// A window made overlapped (neither popup nor child) has a caption: its title bar and close box are
// there to move and close it.
TEST_F(NonClient, AnOverlappedWindowHasACaptionWithItsTextAndCloseBox) {
    class CHidingWnd : public CWnd {
      protected:
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
            if (message == WM_CLOSE) {
                ShowWindow(SW_HIDE);
                return 0;
            }
            return CWnd::WindowProc(message, wParam, lParam);
        }
    };
    CHidingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "Info", WS_CLIPCHILDREN | WS_SYSMENU | WS_THICKFRAME, 600, 100, 300,
                             200, nullptr, nullptr));
    EXPECT_EQ(static_cast<LONG_PTR>(WS_CAPTION | WS_CLIPSIBLINGS),
              ::GetWindowLongPtrA(wnd, GWL_STYLE) & (WS_CAPTION | WS_CLIPSIBLINGS));
    CNonClientLayout lay;
    ASSERT_TRUE(AfxGetNonClientLayout(wnd, &lay));
    EXPECT_EQ(kCaptionHeight, lay.rcCaption.bottom - lay.rcCaption.top);
    EXPECT_TRUE(lay.rcClose.left < lay.rcClose.right && lay.rcClose.top < lay.rcClose.bottom);
    CRect rcClient;
    wnd.GetClientRect(&rcClient);
    EXPECT_EQ(200 - 2 * kFrameWidth - kCaptionHeight, rcClient.Height());
    EXPECT_NE(nullptr, FindText(AfxGetNonClientDrawOps(wnd), "Info"));
    wnd.ShowWindow(SW_SHOW);

    const POINT ptClose{600 + (lay.rcClose.left + lay.rcClose.right) / 2,
                        100 + (lay.rcClose.top + lay.rcClose.bottom) / 2};
    ASSERT_TRUE(AfxDeliverMouseInput(WM_LBUTTONDOWN, ptClose, MK_LBUTTON));
    ASSERT_TRUE(AfxDeliverMouseInput(WM_LBUTTONUP, ptClose, 0));
    Pump();
    EXPECT_TRUE(::IsWindow(wnd.GetSafeHwnd()));
    EXPECT_FALSE(wnd.IsWindowVisible()) << "the close box hides it";

    // Popups and children keep the style they were given.
    CRecordingWnd popup;
    ASSERT_TRUE(popup.CreateTopLevel(WS_POPUP));
    EXPECT_EQ(0, ::GetWindowLongPtrA(popup, GWL_STYLE) & WS_CAPTION);
    wnd.DestroyWindow();
}

// A group box created before the check box inside it lies above it in the z-order.
class HitTestThroughGroupBox : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        AfxEnsureControlClasses();
        ASSERT_TRUE(
            m_parent.CreateEx(0, nullptr, "panel", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
        m_hGroup = ::CreateWindowExA(0, "Button", "Options", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 10, 10, 200,
                                     100, m_parent, reinterpret_cast<HMENU>(1), nullptr, nullptr);
        m_hCheck = ::CreateWindowExA(0, "Button", "Invert", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 20, 40,
                                     80, 20, m_parent, reinterpret_cast<HMENU>(2), nullptr, nullptr);
        ASSERT_NE(nullptr, m_hGroup);
        ASSERT_NE(nullptr, m_hCheck);
    }
    CRecordingWnd m_parent;
    HWND m_hGroup = nullptr;
    HWND m_hCheck = nullptr;
};

TEST_F(HitTestThroughGroupBox, TheGroupBoxIsTransparentAndTheClickReachesTheCheckBox) {
    EXPECT_EQ(static_cast<LRESULT>(HTTRANSPARENT),
              ::SendMessage(m_hGroup, WM_NCHITTEST, 0, MAKELPARAM(60, 50)));
    LRESULT nHit = HTNOWHERE;
    EXPECT_EQ(m_hCheck, AfxWindowFromPointForInput(POINT{60, 50}, &nHit));
    EXPECT_EQ(HTCLIENT, nHit);
    // Inside the group box but away from the check box: the point goes on to the parent.
    EXPECT_EQ(m_parent.GetSafeHwnd(), AfxWindowFromPointForInput(POINT{150, 90}));

    ASSERT_TRUE(AfxDeliverMouseInput(WM_LBUTTONDOWN, POINT{60, 50}, MK_LBUTTON));
    ASSERT_TRUE(AfxDeliverMouseInput(WM_LBUTTONUP, POINT{60, 50}, 0));
    Pump();
    EXPECT_EQ(BST_CHECKED, ::SendMessage(m_hCheck, BM_GETCHECK, 0, 0));
}

TEST_F(HitTestThroughGroupBox, DisabledWindowsTakeNoInput) {
    ::EnableWindow(m_hCheck, FALSE);
    EXPECT_EQ(m_parent.GetSafeHwnd(), AfxWindowFromPointForInput(POINT{60, 50}));
    m_parent.EnableWindow(FALSE);  // as under a modal box
    LRESULT nHit = HTNOWHERE;
    EXPECT_EQ(nullptr, AfxWindowFromPointForInput(POINT{60, 50}, &nHit));
    EXPECT_EQ(static_cast<LRESULT>(HTERROR), nHit);
    EXPECT_FALSE(AfxDeliverMouseInput(WM_LBUTTONDOWN, POINT{60, 50}, MK_LBUTTON));
    EXPECT_EQ(nullptr, AfxWindowFromPointForInput(POINT{900, 900}));
}

}  // namespace
