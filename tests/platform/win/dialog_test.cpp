#include <gtest/gtest.h>

#include "platform/win/clock_testing.h"
#include "platform/win/controls_testing.h"
#include "platform/win/dialog_testing.h"
#include "platform/win/geometry_testing.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_dialog_support.h"

namespace {

constexpr UINT kDlg = 9001;
constexpr UINT kButton = 1001;
constexpr UINT kEdit = 1002;

class CClickDlg : public CNoticeDlg {
  public:
    explicit CClickDlg(CWnd* pParent = nullptr) : CNoticeDlg(kDlg, pParent) {}
    int m_nClicks = 0;
    int m_nTimers = 0;
    int m_nOnOK = 0;
    int m_nOnCancel = 0;
    UINT m_nFocusAtOK = 0;
    BOOL m_bSawEnterKey = FALSE;
    BOOL m_bEndInInit = FALSE;
    BOOL m_bKeepOpenOnOK = FALSE;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (m_bEndInInit) EndDialog(33);
        return TRUE;
    }
    void OnOK() override {
        ++m_nOnOK;
        CWnd* pFocus = GetFocus();
        m_nFocusAtOK = pFocus ? static_cast<UINT>(pFocus->GetDlgCtrlID()) : 0;
        if (!m_bKeepOpenOnOK) CDialog::OnOK();
    }
    void OnCancel() override {
        ++m_nOnCancel;
        CDialog::OnCancel();
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == WM_KEYDOWN && pMsg->wParam == static_cast<WPARAM>(VK_RETURN))
            m_bSawEnterKey = TRUE;
        return CDialog::PreTranslateMessage(pMsg);
    }
    afx_msg void OnButton() {
        ++m_nClicks;
        if (m_nClicks == 2) EndDialog(77);
    }
    afx_msg void OnTimer(UINT_PTR) { ++m_nTimers; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CClickDlg, CNoticeDlg)
ON_BN_CLICKED(kButton, &CClickDlg::OnButton)
ON_WM_TIMER()
END_MESSAGE_MAP()

class Dialog : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        AfxRegisterDialogTemplate(DlgTemplate(
            kDlg, {DlgItem(IDOK, "Button", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 10, 70, 50, 14),
                   DlgItem(IDCANCEL, "Button", "Cancel", WS_VISIBLE | WS_TABSTOP, 70, 70, 50, 14),
                   DlgItem(kButton, "Button", "Go", WS_VISIBLE | WS_TABSTOP, 130, 70, 50, 14),
                   DlgItem(kEdit, "Edit", "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 80, 12)}));
    }

    // Runs pfn whenever the modal loop is idle until it returns true.
    static UINT_PTR WhenIdle(std::function<void()> pfn) { return CMessageLoop::AddIdleHook(std::move(pfn)); }
};

TEST_F(Dialog, ClickInTemplateReachesCommandHandlerAndEndDialogEndsTheModalRun) {
    CRecordingWnd owner;
    ASSERT_TRUE(owner.CreateTopLevel());
    CClickDlg dlg(&owner);
    BOOL bOwnerDisabled = FALSE;
    HWND hDlgSeen = nullptr;
    UINT_PTR hook = WhenIdle([&] {
        if (!dlg.IsWindowVisible()) return;
        hDlgSeen = dlg.m_hWnd;
        bOwnerDisabled = !owner.IsWindowEnabled();
        AfxUserClick(dlg.GetDlgItem(kButton)->m_hWnd);
    });
    EXPECT_EQ(77, dlg.DoModal());
    CMessageLoop::RemoveIdleHook(hook);
    EXPECT_EQ(2, dlg.m_nClicks);
    EXPECT_TRUE(bOwnerDisabled);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_FALSE(IsWindow(hDlgSeen));
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

TEST_F(Dialog, NestedLoopKeepsTimersAndPostedMessagesRunning) {
    CRecordingWnd other;
    ASSERT_TRUE(other.CreateTopLevel());
    other.PostMessage(WM_APP, 1);
    CClickDlg dlg;
    UINT_PTR hook = WhenIdle([&] {
        if (dlg.m_hWnd == nullptr) return;
        if (dlg.m_nTimers == 0 && !dlg.SetTimer(5, 100)) CDialogTesting::EndDialog(dlg, -2);
        if (dlg.m_nTimers >= 3) {
            CDialogTesting::EndDialog(dlg, IDOK + 40);
        } else {
            CClockTesting::Advance(100);
        }
    });
    EXPECT_EQ(IDOK + 40, dlg.DoModal());
    CMessageLoop::RemoveIdleHook(hook);
    EXPECT_EQ(3, dlg.m_nTimers);
    EXPECT_EQ(1, other.Count(WM_APP));
}

TEST_F(Dialog, EndDialogInsideOnInitDialogReturnsWithoutRunningTheLoop) {
    CClickDlg dlg;
    dlg.m_bEndInInit = TRUE;
    EXPECT_EQ(33, dlg.DoModal());
    EXPECT_FALSE(m_bStalled);
}

TEST_F(Dialog, MissingTemplateFailsBothWays) {
    CDialog dlg(4242);
    EXPECT_EQ(-1, dlg.DoModal());
    EXPECT_FALSE(dlg.Create(4242u));
}

TEST_F(Dialog, EnterGoesToOnOKThroughPreTranslateAndEscapeToOnCancel) {
    CClickDlg dlg;
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    dlg.m_bKeepOpenOnOK = TRUE;
    dlg.GetDlgItem(kEdit)->SetFocus();
    ASSERT_TRUE(AfxUserPressEnter(dlg.m_hWnd));
    EXPECT_TRUE(dlg.m_bSawEnterKey);
    EXPECT_EQ(1, dlg.m_nOnOK);
    EXPECT_EQ(kEdit, dlg.m_nFocusAtOK);  // an override can tell where Enter was pressed

    // Enter on a focused push button is that button's click, not the default button's.
    dlg.GetDlgItem(kButton)->SetFocus();
    AfxUserPressEnter(dlg.m_hWnd);
    EXPECT_EQ(1, dlg.m_nClicks);
    EXPECT_EQ(1, dlg.m_nOnOK);

    ASSERT_TRUE(AfxUserPressEscape(dlg.m_hWnd));
    EXPECT_EQ(1, dlg.m_nOnCancel);
    EXPECT_EQ(IDCANCEL, dlg.m_nModalResult);
    EXPECT_FALSE(dlg.IsWindowVisible());  // a modeless dialog is hidden by EndDialog
}

TEST_F(Dialog, DisabledCancelButtonBlocksEscapeAndTheCloseBox) {
    CClickDlg dlg;
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    dlg.GetDlgItem(IDCANCEL)->EnableWindow(FALSE);
    AfxUserPressEscape(dlg.m_hWnd);
    AfxUserClose(dlg.m_hWnd);
    EXPECT_EQ(0, dlg.m_nOnCancel);
    EXPECT_TRUE(IsWindow(dlg.m_hWnd));

    dlg.GetDlgItem(IDCANCEL)->EnableWindow(TRUE);
    ASSERT_TRUE(AfxUserClose(dlg.m_hWnd));
    EXPECT_EQ(1, dlg.m_nOnCancel);
    EXPECT_TRUE(IsWindow(dlg.m_hWnd));  // the close box cancels; it does not destroy a dialog
}

TEST_F(Dialog, ModalRunEndsByEnterAndCloseBox) {
    {
        CClickDlg dlg;
        UINT_PTR hook = WhenIdle([&] {
            if (dlg.IsWindowVisible()) AfxUserPressEnter(dlg.m_hWnd);
        });
        EXPECT_EQ(IDOK, dlg.DoModal());
        CMessageLoop::RemoveIdleHook(hook);
        EXPECT_EQ(static_cast<UINT>(IDOK), dlg.m_nFocusAtOK);  // the focus starts on the first tab stop
    }
    {
        CClickDlg dlg;
        UINT_PTR hook = WhenIdle([&] {
            if (dlg.IsWindowVisible()) AfxUserClose(dlg.m_hWnd);
        });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        CMessageLoop::RemoveIdleHook(hook);
        EXPECT_EQ(1, dlg.m_nOnCancel);
    }
}

TEST_F(Dialog, TabMovesBetweenTabStopsAndSelectsEditText) {
    CClickDlg dlg;
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    dlg.SetDlgItemText(kEdit, "12345");
    dlg.GetDlgItem(kButton)->SetFocus();
    AfxUserPressTab(dlg.m_hWnd);  // Go -> the edit (wraps to the first tab stop after the last)
    ASSERT_EQ(kEdit, static_cast<UINT>(CWnd::GetFocus()->GetDlgCtrlID()));
    int s = -1, e = -1;
    CEditTesting::GetSel(*static_cast<CEdit*>(dlg.GetDlgItem(kEdit)), s, e);
    EXPECT_EQ(0, s);
    EXPECT_EQ(5, e);
    CDialogTesting::NextDlgCtrl(dlg);
    EXPECT_EQ(IDOK, CWnd::GetFocus()->GetDlgCtrlID());
    CDialogTesting::GotoDlgCtrl(dlg, dlg.GetDlgItem(kButton));
    EXPECT_EQ(static_cast<int>(kButton), CWnd::GetFocus()->GetDlgCtrlID());
}

TEST_F(Dialog, ArrowsMoveWithinAGroupAndChooseTheRadioButtonTheyReach) {
    constexpr UINT kGroupDlg = 9002, kA = 1101, kB = 1102, kC = 1103, kAfter = 1104, kField = 1105;
    const DWORD radio = WS_VISIBLE | BS_AUTORADIOBUTTON;
    AfxRegisterDialogTemplate(DlgTemplate(
        kGroupDlg, {DlgItem(kA, "Button", "A", radio | WS_GROUP | WS_TABSTOP, 5, 5, 30, 10),
                    DlgItem(kB, "Button", "B", radio, 40, 5, 30, 10),
                    DlgItem(kC, "Button", "C", radio | WS_DISABLED, 75, 5, 30, 10),
                    DlgItem(kAfter, "Button", "Go", WS_VISIBLE | WS_GROUP | WS_TABSTOP, 5, 20, 30, 14),
                    DlgItem(kField, "Edit", "abc", WS_VISIBLE | WS_GROUP | WS_TABSTOP, 40, 20, 40, 12)}));
    CNoticeDlg dlg(kGroupDlg);
    ASSERT_TRUE(dlg.Create(kGroupDlg));
    dlg.ShowWindow(SW_SHOW);
    dlg.GetDlgItem(kA)->SetFocus();
    const auto focusId = [] { return static_cast<UINT>(CWnd::GetFocus()->GetDlgCtrlID()); };
    const auto checked = [&](UINT id) { return dlg.IsDlgButtonChecked(static_cast<int>(id)) == BST_CHECKED; };
    AfxUserPressKey(dlg.m_hWnd, VK_RIGHT);
    EXPECT_EQ(kB, focusId());
    EXPECT_TRUE(checked(kB));
    EXPECT_EQ(1, dlg.Count(WM_COMMAND, kB, BN_CLICKED));
    AfxUserPressKey(dlg.m_hWnd, VK_DOWN);  // past the disabled C, round to A
    EXPECT_EQ(kA, focusId());
    EXPECT_TRUE(checked(kA));
    EXPECT_FALSE(checked(kB));
    AfxUserPressKey(dlg.m_hWnd, VK_UP);
    EXPECT_EQ(kB, focusId());
    // A group of one stays; an edit keeps its arrows for its caret.
    dlg.GetDlgItem(kAfter)->SetFocus();
    AfxUserPressKey(dlg.m_hWnd, VK_RIGHT);
    EXPECT_EQ(kAfter, focusId());
    dlg.GetDlgItem(kField)->SetFocus();
    AfxUserPressKey(dlg.m_hWnd, VK_LEFT);
    EXPECT_EQ(kField, focusId());
    EXPECT_TRUE(checked(kB)) << "nothing else was chosen";
}

// Tab into a group of radio buttons lands on the checked one; Tab and Shift+Tab from there leave the group.
TEST_F(Dialog, TabIntoARadioGroupLandsOnItsCheckedButton) {
    constexpr UINT kRadioDlg = 9003, kBefore = 1201, kA = 1202, kB = 1203, kC = 1204, kAfter = 1205;
    const DWORD radio = WS_VISIBLE | BS_AUTORADIOBUTTON;
    AfxRegisterDialogTemplate(DlgTemplate(
        kRadioDlg,
        {DlgItem(kBefore, "Edit", "", WS_VISIBLE | WS_GROUP | WS_TABSTOP, 5, 5, 40, 12),
         DlgItem(kA, "Button", "A", radio | WS_GROUP | WS_TABSTOP, 5, 20, 30, 10),
         DlgItem(kB, "Button", "B", radio, 40, 20, 30, 10), DlgItem(kC, "Button", "C", radio, 75, 20, 30, 10),
         DlgItem(kAfter, "Button", "Go", WS_VISIBLE | WS_GROUP | WS_TABSTOP, 5, 35, 30, 14)}));
    CNoticeDlg dlg(kRadioDlg);
    ASSERT_TRUE(dlg.Create(kRadioDlg));
    dlg.ShowWindow(SW_SHOW);
    dlg.CheckDlgButton(static_cast<int>(kC), BST_CHECKED);
    const auto focusId = [] { return static_cast<UINT>(CWnd::GetFocus()->GetDlgCtrlID()); };
    dlg.GetDlgItem(kBefore)->SetFocus();
    AfxUserPressTab(dlg.m_hWnd);
    EXPECT_EQ(kC, focusId()) << "Tab lands on the checked button, not on the group's tab stop";
    AfxUserPressTab(dlg.m_hWnd);
    EXPECT_EQ(kAfter, focusId());
    CWinSimulationTesting::SetKeyDown(VK_SHIFT, TRUE);
    AfxUserPressTab(dlg.m_hWnd);
    EXPECT_EQ(kC, focusId()) << "Shift+Tab back into the group";
    AfxUserPressTab(dlg.m_hWnd);
    EXPECT_EQ(kBefore, focusId()) << "Shift+Tab out of the group passes its tab stop";
    CWinSimulationTesting::SetKeyDown(VK_SHIFT, FALSE);
    EXPECT_EQ(BST_CHECKED, dlg.IsDlgButtonChecked(static_cast<int>(kC))) << "Tab chose nothing";
    EXPECT_EQ(0, dlg.Count(WM_COMMAND, kA, BN_CLICKED));
    // With none checked, the group's tab stop.
    dlg.CheckDlgButton(static_cast<int>(kC), BST_UNCHECKED);
    AfxUserPressTab(dlg.m_hWnd);
    EXPECT_EQ(kA, focusId());
}

TEST_F(Dialog, DialogUnitsFollowTheTemplateFontAndTheBorderAddsTheMenu) {
    CMenuTemplate menu;
    menu.nID = 7001;
    CMenuItemTemplate file;
    file.nFlags = MF_POPUP;
    file.strText = "&File";
    file.items.push_back(CMenuItemTemplate{MF_STRING, 4101, "E&xit", {}});
    menu.items.push_back(file);
    AfxRegisterMenuTemplate(menu);
    CDialogTemplate t = DlgTemplate(9002, {DlgItem(IDOK, "Button", "OK", WS_VISIBLE, 306, 9, 50, 14)},
                                    WS_THICKFRAME, 443, 292, "Microsoft Sans Serif", 10);
    t.nMenuId = 7001;
    t.x = 1;
    t.y = 1;
    AfxRegisterDialogTemplate(t);
    CDialog dlg(9002u);
    ASSERT_TRUE(dlg.Create(9002u));

    CRect rcClient, rcWindow, rcButton;
    dlg.GetClientRect(&rcClient);
    dlg.GetWindowRect(&rcWindow);
    EXPECT_EQ(CSize(775, 584), CRectTesting::Size(rcClient));  // 443 * 7 / 4, 292 * 16 / 8
    EXPECT_EQ(rcClient.Width() + 2 * kFrameWidth, rcWindow.Width());
    EXPECT_EQ(rcClient.Height() + kCaptionHeight + kMenuBarHeight + 2 * kFrameWidth, rcWindow.Height());
    EXPECT_EQ(CPoint(2, 2), CRectTesting::TopLeft(rcWindow));
    EXPECT_NE(nullptr, dlg.GetMenu());

    dlg.GetDlgItem(IDOK)->GetWindowRect(&rcButton);
    CWndTesting::ScreenToClient(dlg, &rcButton);
    EXPECT_EQ(CRect(536, 18, 624, 46), rcButton);  // (306, 9, 50 x 14) rounded to nearest

    CRect rcDu(0, 0, 100, 100);
    CDialogTesting::MapDialogRect(dlg, &rcDu);
    EXPECT_EQ(CRect(0, 0, 175, 200), rcDu);

    const SIZE small = AfxDialogBaseUnits(DlgTemplate(1, {}));
    EXPECT_EQ(6, small.cx);
    EXPECT_EQ(13, small.cy);
}

TEST_F(Dialog, ChildDialogIsPlacedInItsParentAndShownWhenTemplateIsVisible) {
    CDialogTemplate t = DlgTemplate(9003, {DlgItem(1010, "Static", "x", WS_VISIBLE, 0, 0, 10, 10)});
    t.dwStyle = WS_CHILD | WS_VISIBLE | DS_SETFONT;
    t.x = 10;
    t.y = 8;
    AfxRegisterDialogTemplate(t);
    CClickDlg parent;
    ASSERT_TRUE(parent.Create(kDlg));
    CDialog child(9003u);
    ASSERT_TRUE(child.Create(9003u, &parent));
    EXPECT_EQ(&parent, child.GetParent());
    EXPECT_TRUE(CWndTesting::GetStyle(child) & WS_VISIBLE);
    CRect rc;
    child.GetWindowRect(&rc);
    CWndTesting::ScreenToClient(parent, &rc);
    EXPECT_EQ(CPoint(15, 13), CRectTesting::TopLeft(rc));
    EXPECT_FALSE(child.Create(9003u, &parent));  // one window per object
}

}  // namespace
