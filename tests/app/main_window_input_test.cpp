#include <gtest/gtest.h>

#include <string>

#include "platform/win/menu_testing.h"
#include "platform/win/nonclient.h"
#include "platform/win/nonclient_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_agent_testing.h"
#include "support/main_dialog_fixture.h"

namespace {

// The main window operated through the mouse as a person does: points on the screen, turned into the
// framework's messages by hit-testing.
class MainWindowInput : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        m_pDlg->m_nRedrawMsg = RegisterWindowMessage("RedrawChannelDialogs");
        g_pBmpCollapsed = new CBitmap;
        g_pBmpExpanded = new CBitmap;
        ASSERT_TRUE(g_pBmpCollapsed->LoadBitmap(IDB_COLLAPSED));
        ASSERT_TRUE(g_pBmpExpanded->LoadBitmap(IDB_EXPANDED));
    }
    HWND Dlg() const { return m_pDlg->GetSafeHwnd(); }
    HWND Item(int nId) const { return ::GetDlgItem(Dlg(), nId); }
    static void Click(POINT pt) {
        AfxDeliverMouseInput(WM_LBUTTONDOWN, pt, MK_LBUTTON);
        AfxDeliverMouseInput(WM_LBUTTONUP, pt, 0);
        CMessageLoop::RunUntilIdle();
    }
    static int Boxes(const char* pszText) {
        int n = 0;
        for (const CUserEvent& box : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
            if (box.strText.Str() == pszText) ++n;
        return n;
    }
};

TEST_F(MainWindowInput, TheCloseBoxAsksTheQuitQuestion) {
    CNonClientLayout lay;
    ASSERT_TRUE(AfxGetNonClientLayout(Dlg(), &lay));
    ASSERT_TRUE(lay.rcClose.left < lay.rcClose.right && lay.rcClose.top < lay.rcClose.bottom);
    RECT rcWnd{};
    ::GetWindowRect(Dlg(), &rcWnd);
    const POINT ptClose{rcWnd.left + (lay.rcClose.left + lay.rcClose.right) / 2,
                        rcWnd.top + (lay.rcClose.top + lay.rcClose.bottom) / 2};
    EXPECT_EQ(Dlg(), AfxWindowFromPointForInput(ptClose));

    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDNO);
    Click(ptClose);
    EXPECT_EQ(1, Boxes(kQuitQuestion));
    EXPECT_FALSE(m_pDlg->m_bClosing);
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDYES);
    Click(ptClose);
    EXPECT_EQ(2, Boxes(kQuitQuestion));
    EXPECT_TRUE(m_pDlg->m_bClosing);
}

TEST_F(MainWindowInput, TheCaptionAndTheMenuBarCarryTheProgramsTexts) {
    const std::vector<CDrawOp> ops = AfxGetNonClientDrawOps(Dlg());
    auto has = [&](const std::string& s) {
        for (const CDrawOp& op : ops)
            if (op.nKind == CDrawOpKind::DrawText && op.strText == s) return true;
        return false;
    };
    EXPECT_TRUE(has("Corvessa~TessaroPro"));
    char szFirst[64] = {};
    ::GetMenuString(::GetMenu(Dlg()), 0, szFirst, sizeof szFirst, MF_BYPOSITION);
    EXPECT_TRUE(has(AfxStripMnemonic(szFirst, nullptr, nullptr))) << szFirst;
}

TEST_F(MainWindowInput, TheChannelScrollBarLiesAboveThePanelsAndCanBeReached) {
    AttachDevices("PCI-DDA08/12:A1");
    Discover();
    ASSERT_TRUE(AfxUserChooseMenu(Dlg(), static_cast<UINT>(ID_BOARD_FIRST)));
    HWND hScroll = Item(IDC_CHANNEL_SCROLL);
    ASSERT_TRUE(::IsWindowVisible(hScroll));
    RECT rc{};
    ::GetWindowRect(hScroll, &rc);
    const POINT ptMid{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    EXPECT_EQ(hScroll, AfxWindowFromPointForInput(ptMid));
    // Above the group box that holds the panels.
    bool bAbove = false;
    for (HWND h = ::GetTopWindow(Dlg()); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (h == hScroll) {
            bAbove = true;
            break;
        }
        if (h == Item(IDC_ANALOG_GROUP)) break;
    }
    EXPECT_TRUE(bAbove);
    // Seen, too: the group box with its panels keeps out of the siblings above it.
    EXPECT_NE(0, ::GetWindowLong(Item(IDC_ANALOG_GROUP), GWL_STYLE) & static_cast<LONG>(WS_CLIPSIBLINGS));
}

}  // namespace
