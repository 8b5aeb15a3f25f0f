#include <gtest/gtest.h>

#include "platform/screen/screen_input.h"
#include "platform/win/geometry_testing.h"
#include "platform/win/list_box.h"
#include "platform/win/list_box_testing.h"
#include "support/win_dialog_support.h"

namespace {

constexpr UINT kDlg = 9711;
constexpr UINT kList = 1411;
constexpr UINT kButton = 1412;

// A list that tells of double clicks, beside a button, as the screen's presses reach them.
class DoubleClick : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        AfxRegisterDialogTemplate(DlgTemplate(
            kDlg, {DlgItem(kList, "ListBox", "", WS_VISIBLE | WS_BORDER | LBS_NOTIFY, 5, 5, 100, 60),
                   DlgItem(kButton, "Button", "Press", WS_VISIBLE | WS_TABSTOP, 120, 5, 50, 14)}));
        ASSERT_TRUE(m_dlg.Create(kDlg));
        auto* pList = static_cast<CListBox*>(m_dlg.GetDlgItem(kList));
        CListBoxTesting::AddString(*pList, "first");
        CListBoxTesting::AddString(*pList, "second");
        m_dlg.ShowWindow(SW_SHOW);
        Pump();
        CRect rc;
        pList->GetWindowRect(&rc);
        m_ptItem = POINT{rc.left + 20, rc.top + 4};
    }
    void Click(POINT pt) {
        AfxScreenMouseButton(m_dlg.m_hWnd, pt, CScreenButton::Left, TRUE, MK_LBUTTON);
        AfxScreenMouseButton(m_dlg.m_hWnd, pt, CScreenButton::Left, FALSE, 0);
        Pump();
    }
    int DoubleClicks() const { return m_dlg.Count(WM_COMMAND, kList, LBN_DBLCLK); }

    CNoticeDlg m_dlg{kDlg};
    POINT m_ptItem{};
};

TEST_F(DoubleClick, TwoQuickPressesInOnePlaceAreADoubleClick) {
    Click(m_ptItem);
    Advance(200);
    Click(POINT{m_ptItem.x + 1, m_ptItem.y + 1});
    EXPECT_EQ(1, DoubleClicks());
    // A third press starts anew.
    Click(m_ptItem);
    EXPECT_EQ(1, DoubleClicks());
    Click(m_ptItem);
    EXPECT_EQ(2, DoubleClicks());
}

TEST_F(DoubleClick, PressesApartInTimePlaceOrWindowAreSingleClicks) {
    Click(m_ptItem);
    Advance(600);
    Click(m_ptItem);
    EXPECT_EQ(0, DoubleClicks()) << "too slow";
    Advance(600);
    Click(m_ptItem);
    Click(POINT{m_ptItem.x + 10, m_ptItem.y});
    EXPECT_EQ(0, DoubleClicks()) << "too far";
    Advance(600);
    CRect rcButton;
    m_dlg.GetDlgItem(kButton)->GetWindowRect(&rcButton);
    Click(CRectTesting::CenterPoint(rcButton));
    Click(m_ptItem);
    EXPECT_EQ(0, DoubleClicks()) << "another window first";
    // A button pressed twice quickly is clicked twice.
    Advance(600);
    Click(CRectTesting::CenterPoint(rcButton));
    Click(CRectTesting::CenterPoint(rcButton));
    EXPECT_EQ(3, m_dlg.Count(WM_COMMAND, kButton, BN_CLICKED));
}

// The left button's state, as GetAsyncKeyState tells it, follows the screen's presses.
TEST_F(DoubleClick, TheButtonStateFollowsThePresses) {
    AfxScreenMouseButton(m_dlg.m_hWnd, m_ptItem, CScreenButton::Left, TRUE, MK_LBUTTON);
    EXPECT_TRUE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
    AfxScreenMouseButton(m_dlg.m_hWnd, m_ptItem, CScreenButton::Left, FALSE, 0);
    EXPECT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
    Pump();
}

}  // namespace
