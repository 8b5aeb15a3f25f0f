#include <gtest/gtest.h>

#include <vector>

#include "platform/win/controls_testing.h"
#include "platform/win/ddx_testing.h"
#include "platform/win/dialog_testing.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/user_agent_testing.h"
#include "support/win_dialog_support.h"

namespace {

struct CSeen {
    UINT nMessage;
    WPARAM wParam;
    LPARAM lParam;
    bool bButtonDown;
};

// A sizable top-level window that records the frame messages and answers the minimum tracking size.
class CFrameWnd : public CWnd {
  public:
    std::vector<CSeen> m_seen;
    LONG m_nMinTrackY = 368;
    UINT m_nSizingEdge = 0;

    BOOL CreateFrame() {
        return CreateEx(0, nullptr, "frame", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                        100, 100, 490, 583, nullptr, nullptr);
    }
    std::vector<UINT> Order() const {
        std::vector<UINT> v;
        for (const CSeen& s : m_seen) v.push_back(s.nMessage);
        return v;
    }

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_SETCURSOR:
            case WM_NCMOUSEMOVE:
            case WM_NCLBUTTONDOWN:
            case WM_LBUTTONDOWN:
            case WM_ENTERSIZEMOVE:
            case WM_EXITSIZEMOVE:
            case WM_SYSCOMMAND:
            case WM_CLOSE:
                m_seen.push_back({message, wParam, lParam, (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0});
                break;
            case WM_GETMINMAXINFO:
                reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize.y = m_nMinTrackY;
                return 0;
            case WM_SIZING:
                m_nSizingEdge = static_cast<UINT>(wParam);
                reinterpret_cast<RECT*>(lParam)->right =
                    reinterpret_cast<RECT*>(lParam)->left + 490;  // width fixed
                return TRUE;
            default:
                break;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

using UserActions = CWinTestFixture;

TEST_F(UserActions, FrameEdgeInputCarriesTheHitTestCodeAndTheButtonState) {
    CFrameWnd wnd;
    ASSERT_TRUE(wnd.CreateFrame());
    ASSERT_TRUE(AfxUserNcMouseMove(wnd.m_hWnd, HTLEFT, TRUE));
    ASSERT_TRUE(AfxUserNcLButtonDown(wnd.m_hWnd, HTBOTTOMRIGHT));
    AfxUserReleaseButton();
    ASSERT_TRUE(AfxUserNcMouseMove(wnd.m_hWnd, HTBOTTOM));
    // The press on the sizable frame's corner starts the sizing (its default processing).
    ASSERT_EQ((std::vector<UINT>{WM_SETCURSOR, WM_NCMOUSEMOVE, WM_SETCURSOR, WM_NCLBUTTONDOWN,
                                 WM_ENTERSIZEMOVE, WM_SETCURSOR, WM_NCMOUSEMOVE}),
              wnd.Order());
    EXPECT_EQ(HTLEFT, LOWORD(wnd.m_seen[0].lParam));
    EXPECT_EQ(static_cast<WPARAM>(HTLEFT), wnd.m_seen[1].wParam);
    EXPECT_TRUE(wnd.m_seen[1].bButtonDown);
    EXPECT_EQ(static_cast<WPARAM>(HTBOTTOMRIGHT), wnd.m_seen[3].wParam);
    EXPECT_EQ(static_cast<UINT>(WM_LBUTTONDOWN), HIWORD(wnd.m_seen[2].lParam));
    EXPECT_FALSE(wnd.m_seen[6].bButtonDown);
    CRect rc;
    wnd.GetWindowRect(&rc);
    EXPECT_EQ(rc.left, CPoint(wnd.m_seen[1].lParam).x);  // a point on the left edge, in screen pixels
}

TEST_F(UserActions, SizingByTheFrameAppliesTheTrackingLimitsAndTheWindowsChanges) {
    CFrameWnd wnd;
    ASSERT_TRUE(wnd.CreateFrame());
    CRect proposed(100, 100, 700, 300);  // dragged up to 200 px high and wider
    const CRect result = AfxUserSizeByFrame(wnd.m_hWnd, WMSZ_BOTTOM, proposed);
    EXPECT_EQ(CRect(100, 100, 590, 468), result);
    EXPECT_EQ(static_cast<UINT>(WMSZ_BOTTOM), wnd.m_nSizingEdge);
    EXPECT_EQ((std::vector<UINT>{WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}), wnd.Order());
}

TEST_F(UserActions, CloseBoxAndClicksEnterAsTheSystemsMessages) {
    CFrameWnd wnd;
    ASSERT_TRUE(wnd.CreateFrame());
    ASSERT_TRUE(AfxUserClickAt(wnd.m_hWnd, CPoint(30, 40)));
    ASSERT_FALSE(wnd.m_seen.empty());
    EXPECT_EQ(CPoint(30, 40), CPoint(wnd.m_seen.back().lParam));
    HWND h = wnd.m_hWnd;
    ASSERT_TRUE(AfxUserClose(h));
    EXPECT_EQ(static_cast<WPARAM>(SC_CLOSE), wnd.m_seen[1].wParam);
    EXPECT_EQ(static_cast<UINT>(WM_CLOSE), wnd.m_seen[2].nMessage);
    EXPECT_FALSE(IsWindow(h));  // a plain window's default WM_CLOSE destroys it
}

TEST_F(UserActions, UnreachableTargetsAreRefusedWithoutPosting) {
    CFrameWnd wnd;
    ASSERT_TRUE(wnd.CreateFrame());
    CButton button;
    ASSERT_TRUE(CButtonTesting::Create(button, "b", WS_CHILD, CRect(0, 0, 20, 20), &wnd, 5));  // hidden
    Pump();
    EXPECT_FALSE(AfxUserClick(button.m_hWnd));
    EXPECT_FALSE(CMessageLoop::HasPending());
    button.ShowWindow(SW_SHOW);
    button.EnableWindow(FALSE);
    Pump();
    EXPECT_FALSE(AfxUserClick(button.m_hWnd));
    EXPECT_FALSE(AfxUserType(button.m_hWnd, "x"));
    EXPECT_FALSE(AfxUserClick(nullptr));
    EXPECT_FALSE(CMessageLoop::HasPending());
}

constexpr UINT kDlg = 9401, kValue = 1001;

class CValueDlg : public CDialog {
  public:
    CValueDlg() : CDialog(kDlg) {}
    int m_nValue = 3;

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, kValue, m_nValue);
        DDV_MinMaxInt(pDX, m_nValue, 1, 100);
    }
};

TEST_F(UserActions, InsideAModalLoopActionsOnlyPostAndTheLoopCarriesThemOut) {
    AfxRegisterDialogTemplate(DlgTemplate(
        kDlg, {DlgItem(kValue, "Edit", "", WS_VISIBLE | WS_TABSTOP, 5, 5, 40, 12),
               DlgItem(IDOK, "Button", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 5, 30, 40, 14)}));
    CValueDlg dlg;
    int nStep = 0;
    UINT_PTR hook = CMessageLoop::AddIdleHook([&] {
        if (!dlg.IsWindowVisible()) return;
        HWND hEdit = dlg.GetDlgItem(kValue)->m_hWnd;
        switch (nStep++) {
            case 0:
                AfxUserType(hEdit, "abc");
                break;
            case 1:
                AfxUserPressEnter(dlg.m_hWnd);
                break;  // refused: the dialog stays
            case 2:
                AfxUserType(hEdit, "500");
                break;
            case 3:
                AfxUserPressEnter(dlg.m_hWnd);
                break;  // out of range: stays
            case 4:
                AfxUserType(hEdit, "42");
                break;
            case 5:
                AfxUserPressEnter(dlg.m_hWnd);
                break;
            default:
                CDialogTesting::EndDialog(dlg, -5);
                break;
        }
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    CMessageLoop::RemoveIdleHook(hook);
    EXPECT_EQ(42, dlg.m_nValue);
    std::vector<std::string> boxes;
    for (const CUserEvent& e : CRecordingUserAgentTesting::MessageBoxes(Agent()))
        boxes.push_back(e.strText.Str());
    EXPECT_EQ((std::vector<std::string>{"Enter a number.", "Enter a number between 1 and 100."}), boxes);
}

}  // namespace
