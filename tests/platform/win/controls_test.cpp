#include <gtest/gtest.h>

#include <string>

#include "platform/win/controls_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_dialog_support.h"

namespace {

constexpr UINT kDlg = 9201;
constexpr UINT kEdit = 1001, kDigits = 1002, kCombo = 1003, kSorted = 1004, kCheck = 1005, kRadio1 = 1006,
               kRadio2 = 1007, kRadio3 = 1008, kScroll = 1009, kSpin = 1010, kTab = 1011, kPassword = 1012;

class CControlsDlg : public CNoticeDlg {
  public:
    CControlsDlg() : CNoticeDlg(kDlg) {}
    CSpinButtonCtrl m_spin;
    CScrollBar* m_pLastScrollBar = nullptr;
    UINT m_nLastScrollCode = 0;
    UINT m_nLastScrollPos = 0;
    BOOL m_bBlockTabChange = FALSE;

    afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar) {
        m_pLastScrollBar = pScrollBar;
        m_nLastScrollCode = nSBCode;
        m_nLastScrollPos = nPos;
    }
    afx_msg void OnTabChanging(NMHDR*, LRESULT* pResult) { *pResult = m_bBlockTabChange; }

  protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kSpin, m_spin); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CControlsDlg, CNoticeDlg)
ON_WM_VSCROLL()
ON_NOTIFY(TCN_SELCHANGING, kTab, &CControlsDlg::OnTabChanging)
END_MESSAGE_MAP()

class Controls : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        const DWORD v = WS_VISIBLE | WS_TABSTOP;
        AfxRegisterDialogTemplate(DlgTemplate(
            kDlg,
            {DlgItem(kEdit, "Edit", "", v | ES_AUTOHSCROLL, 5, 5, 60, 12),
             DlgItem(kDigits, "Edit", "", v | ES_NUMBER | ES_RIGHT, 5, 20, 60, 12),
             DlgItem(kCombo, "ComboBox", "", v | CBS_DROPDOWNLIST | WS_VSCROLL, 70, 5, 60, 60),
             DlgItem(kSorted, "ComboBox", "", v | CBS_DROPDOWNLIST | CBS_SORT, 70, 20, 60, 60),
             DlgItem(kCheck, "Button", "Check", v | BS_AUTOCHECKBOX, 5, 35, 50, 10),
             DlgItem(kRadio1, "Button", "1", v | WS_GROUP | BS_AUTORADIOBUTTON, 5, 50, 20, 10),
             DlgItem(kRadio2, "Button", "2", WS_VISIBLE | BS_AUTORADIOBUTTON, 30, 50, 20, 10),
             DlgItem(kRadio3, "Button", "3", WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, 55, 50, 20, 10),
             DlgItem(kScroll, "ScrollBar", "", WS_VISIBLE | SBS_VERT, 140, 5, 10, 60),
             DlgItem(kSpin, "msctls_updown32", "", WS_VISIBLE | UDS_ARROWKEYS, 155, 5, 10, 14),
             DlgItem(kTab, "SysTabControl32", "", WS_VISIBLE | TCS_BUTTONS, 5, 65, 190, 20),
             DlgItem(kPassword, "Edit", "", v | ES_PASSWORD, 70, 35, 60, 12)}));
        ASSERT_TRUE(m_dlg.Create(kDlg));
        m_dlg.ShowWindow(SW_SHOW);
        m_dlg.m_notices.clear();
    }
    HWND Item(UINT nID) const { return ::GetDlgItem(m_dlg.m_hWnd, static_cast<int>(nID)); }
    std::string Text(UINT nID) const {
        CString s;
        CWndTesting::GetDlgItemText(m_dlg, static_cast<int>(nID), s);
        return s.Str();
    }
    CComboBox& Combo(UINT nID) const {
        return *static_cast<CComboBox*>(m_dlg.GetDlgItem(static_cast<int>(nID)));
    }

    CControlsDlg m_dlg;
};

TEST_F(Controls, EditSendsChangeForProgramTextAndEveryTypedCharacter) {
    m_dlg.SetDlgItemText(kEdit, "12");
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kEdit, EN_CHANGE));
    ASSERT_TRUE(AfxUserType(Item(kEdit), "3.5", FALSE));
    EXPECT_EQ("123.5", Text(kEdit));
    EXPECT_EQ(4, m_dlg.Count(WM_COMMAND, kEdit, EN_CHANGE));
    EXPECT_TRUE(CEditTesting::GetModify(*static_cast<CEdit*>(m_dlg.GetDlgItem(kEdit))));
    AfxUserType(Item(kEdit), "9");  // replaces the whole text
    EXPECT_EQ("9", Text(kEdit));
    AfxUserType(Item(kEdit), "");
    EXPECT_EQ("", Text(kEdit));
}

TEST_F(Controls, DigitsOnlyEditRefusesOtherCharactersAndLimitHolds) {
    AfxUserType(Item(kDigits), "1a2-3");
    EXPECT_EQ("123", Text(kDigits));
    EXPECT_EQ(3, m_dlg.Count(WM_COMMAND, kDigits, EN_CHANGE));
    CEdit* pEdit = static_cast<CEdit*>(m_dlg.GetDlgItem(kDigits));
    CEditTesting::LimitText(*pEdit, 4);
    AfxUserType(Item(kDigits), "56", FALSE);
    EXPECT_EQ("1235", Text(kDigits));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kDigits, EN_MAXTEXT));
    CEditTesting::SetSel(*pEdit, 1, 3);
    CEditTesting::ReplaceSel(*pEdit, "x");  // the program is not refused: ES_NUMBER filters typing only
    EXPECT_EQ("1x5", Text(kDigits));
}

TEST_F(Controls, FocusMovesGiveKillAndSetFocusNotifications) {
    EXPECT_EQ(Item(kEdit), GetFocus());  // OnInitDialog TRUE: the first tab stop has the focus
    AfxUserSetFocus(Item(kDigits));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kEdit, EN_KILLFOCUS));
    AfxUserSetFocus(Item(kEdit));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kEdit, EN_SETFOCUS));
    m_dlg.m_notices.clear();
    AfxUserClick(Item(kCheck));  // the click takes the focus
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kEdit, EN_KILLFOCUS));
    AfxUserSetFocus(Item(kDigits));
    AfxUserPressTab(m_dlg.m_hWnd);
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kDigits, EN_KILLFOCUS));
    EXPECT_EQ(Item(kCombo), GetFocus());
}

TEST_F(Controls, ComboSendsSelChangeOnlyForTheUsersPick) {
    CComboBox& combo = Combo(kCombo);
    EXPECT_EQ(0, combo.AddString("zero"));
    EXPECT_EQ(1, combo.AddString("one"));
    EXPECT_EQ(0, CComboBoxTesting::InsertString(combo, 0, "first"));
    combo.SetItemData(2, 0xC0000);
    EXPECT_EQ(CB_ERR, combo.GetCurSel());
    EXPECT_EQ(1, combo.SetCurSel(1));
    EXPECT_EQ(0, m_dlg.Count(WM_COMMAND, kCombo, CBN_SELCHANGE));
    EXPECT_EQ("zero", Text(kCombo));

    ASSERT_TRUE(AfxUserPickListEntry(Item(kCombo), 2));
    EXPECT_EQ(2, combo.GetCurSel());
    EXPECT_EQ(0xC0000u, combo.GetItemData(combo.GetCurSel()));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kCombo, CBN_DROPDOWN));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kCombo, CBN_SELCHANGE));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kCombo, CBN_CLOSEUP));
    AfxUserPickListEntry(Item(kCombo), 2);  // the same entry again: no change
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kCombo, CBN_SELCHANGE));
    EXPECT_FALSE(AfxUserPickListEntry(Item(kCombo), 3));

    EXPECT_EQ(CB_ERR, combo.SetCurSel(7));
    EXPECT_EQ(CB_ERR, combo.GetCurSel());
    EXPECT_EQ(static_cast<DWORD_PTR>(CB_ERR), combo.GetItemData(-1));
    combo.ResetContent();
    EXPECT_EQ(0, combo.GetCount());
}

TEST_F(Controls, SortedComboInsertsInOrderAndFindsExactTextCaseInsensitively) {
    CComboBox& combo = Combo(kSorted);
    combo.AddString("Hex");
    combo.AddString("Binary");
    EXPECT_EQ(1, combo.AddString("decimal"));
    EXPECT_EQ(3, combo.AddString("Octal"));
    CString s;
    combo.GetLBText(0, s);
    EXPECT_EQ("Binary", s.Str());
    EXPECT_EQ(1, CComboBoxTesting::FindStringExact(combo, -1, "DECIMAL"));
    EXPECT_EQ(CB_ERR, CComboBoxTesting::FindStringExact(combo, -1, "Dec"));
    EXPECT_EQ(1, CComboBoxTesting::FindString(combo, -1, "dec"));
    EXPECT_EQ(1, CComboBoxTesting::FindStringExact(combo, 2, "decimal"));  // the search wraps
    EXPECT_EQ(CB_ERR, CComboBoxTesting::GetLBTextLen(combo, 4));
}

TEST_F(Controls, CheckBoxAndRadioGroupsFollowClicks) {
    AfxUserClick(Item(kCheck));
    EXPECT_EQ(BST_CHECKED, m_dlg.IsDlgButtonChecked(kCheck));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kCheck, BN_CLICKED));
    AfxUserClick(Item(kCheck));
    EXPECT_EQ(BST_UNCHECKED, m_dlg.IsDlgButtonChecked(kCheck));

    m_dlg.CheckDlgButton(kRadio3, BST_CHECKED);  // another group
    AfxUserClick(Item(kRadio1));
    AfxUserClick(Item(kRadio2));
    EXPECT_EQ(BST_UNCHECKED, m_dlg.IsDlgButtonChecked(kRadio1));
    EXPECT_EQ(BST_CHECKED, m_dlg.IsDlgButtonChecked(kRadio2));
    EXPECT_EQ(BST_CHECKED, m_dlg.IsDlgButtonChecked(kRadio3));

    m_dlg.GetDlgItem(kCheck)->EnableWindow(FALSE);
    EXPECT_FALSE(AfxUserClick(Item(kCheck)));
    EXPECT_EQ(BST_UNCHECKED, m_dlg.IsDlgButtonChecked(kCheck));
}

TEST_F(Controls, ScrollBarDragAndArrowsReachTheParentButDoNotMoveTheThumb) {
    CScrollBar* pBar = static_cast<CScrollBar*>(m_dlg.GetDlgItem(kScroll));
    CScrollBarTesting::SetScrollRange(*pBar, 0, 14);
    EXPECT_EQ(0, CScrollBarTesting::SetScrollPos(*pBar, 20));
    EXPECT_EQ(14, CScrollBarTesting::GetScrollPos(*pBar));  // clamped to the range
    CScrollBarTesting::SetScrollPos(*pBar, 3);

    ASSERT_TRUE(AfxUserDragThumb(Item(kScroll), 9));
    ASSERT_EQ(3u, m_dlg.m_notices.size());
    EXPECT_EQ(SB_THUMBTRACK, m_dlg.m_notices[0].nCode);
    EXPECT_EQ(SB_THUMBPOSITION, m_dlg.m_notices[1].nCode);
    EXPECT_EQ(9, m_dlg.m_notices[1].nPos);
    EXPECT_EQ(SB_ENDSCROLL, m_dlg.m_notices[2].nCode);
    EXPECT_EQ(Item(kScroll), m_dlg.m_pLastScrollBar->m_hWnd);
    EXPECT_EQ(3, CScrollBarTesting::GetScrollPos(*pBar));

    AfxUserDragThumb(Item(kScroll), 99);
    EXPECT_EQ(14, m_dlg.m_notices[4].nPos);
    m_dlg.m_notices.clear();
    AfxUserScroll(Item(kScroll), SB_PAGEDOWN);
    ASSERT_EQ(2u, m_dlg.m_notices.size());
    EXPECT_EQ(SB_PAGEDOWN, m_dlg.m_notices[0].nCode);
    EXPECT_EQ(SB_ENDSCROLL, m_dlg.m_notices[1].nCode);

    SCROLLINFO si{sizeof si, SIF_PAGE, 0, 0, 5, 0, 0};
    CScrollBarTesting::SetScrollInfo(*pBar, &si);
    EXPECT_EQ(10, CScrollBarTesting::GetScrollLimit(*pBar));
}

TEST_F(Controls, SpinClickSendsDeltaThenThumbPositionAndEndScrollFromItsOwnObject) {
    m_dlg.m_spin.SetBase(10);
    m_dlg.m_spin.SetRange(-20, 20);
    m_dlg.m_spin.SetPos(15);
    EXPECT_EQ(15, static_cast<SHORT>(LOWORD(CSpinButtonCtrlTesting::GetPos(m_dlg.m_spin))));
    ASSERT_TRUE(AfxUserClickSpin(Item(kSpin), TRUE));
    ASSERT_EQ(3u, m_dlg.m_notices.size());
    EXPECT_EQ(static_cast<UINT>(UDN_DELTAPOS), m_dlg.m_notices[0].nCode);
    EXPECT_EQ(SB_THUMBPOSITION, m_dlg.m_notices[1].nCode);
    EXPECT_EQ(16, m_dlg.m_notices[1].nPos);
    EXPECT_EQ(SB_ENDSCROLL, m_dlg.m_notices[2].nCode);
    EXPECT_EQ(&m_dlg.m_spin, m_dlg.m_pLastScrollBar);  // comparable with the member

    m_dlg.m_spin.SetPos(-20);
    AfxUserClickSpin(Item(kSpin), FALSE);
    EXPECT_EQ(-20,
              CSpinButtonCtrlTesting::GetPos32(m_dlg.m_spin));  // stays at the lower end without UDS_WRAP
    EXPECT_EQ(static_cast<UINT>(-20), m_dlg.m_nLastScrollPos);
    m_dlg.m_spin.SetPos(100);
    EXPECT_EQ(20, CSpinButtonCtrlTesting::GetPos32(m_dlg.m_spin));

    CSpinButtonCtrl fresh;
    ASSERT_TRUE(
        CSpinButtonCtrlTesting::Create(fresh, WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 20), &m_dlg, 77));
    int lower = 0, upper = 0;
    CSpinButtonCtrlTesting::GetRange(fresh, lower, upper);
    EXPECT_EQ(100, lower);  // the default range runs from 100 down to 0
    EXPECT_EQ(0, upper);
}

TEST_F(Controls, TabClickNotifiesChangingThenChangeAndCanBeRefused) {
    CTabCtrl* pTab = static_cast<CTabCtrl*>(m_dlg.GetDlgItem(kTab));
    EXPECT_EQ(-1, CTabCtrlTesting::GetCurSel(*pTab));
    for (const char* t : {"About", "DIO TTL 37Pin", "DDA 100-Pin"})
        CTabCtrlTesting::InsertItem(*pTab, CTabCtrlTesting::GetItemCount(*pTab), t);
    EXPECT_EQ(3, CTabCtrlTesting::GetItemCount(*pTab));
    EXPECT_EQ(0, CTabCtrlTesting::GetCurSel(*pTab));
    EXPECT_EQ(0, CTabCtrlTesting::SetCurSel(*pTab, 1));
    pTab->SetFocus();
    m_dlg.m_notices.clear();

    ASSERT_TRUE(AfxUserClickTab(Item(kTab), 2));
    ASSERT_EQ(2u, m_dlg.m_notices.size());
    EXPECT_EQ(static_cast<UINT>(TCN_SELCHANGING), m_dlg.m_notices[0].nCode);
    EXPECT_EQ(static_cast<UINT>(TCN_SELCHANGE), m_dlg.m_notices[1].nCode);
    EXPECT_EQ(2, CTabCtrlTesting::GetCurSel(*pTab));

    m_dlg.m_bBlockTabChange = TRUE;
    AfxUserClickTab(Item(kTab), 0);
    EXPECT_EQ(2, CTabCtrlTesting::GetCurSel(*pTab));
    EXPECT_FALSE(AfxUserClickTab(Item(kTab), 5));

    char buf[8];
    TCITEM item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    ASSERT_TRUE(CTabCtrlTesting::GetItem(*pTab, 1, &item));
    EXPECT_STREQ("DIO TTL", buf);  // cut to the buffer
}

TEST_F(Controls, PasswordEditPaintsItsMaskAndBitmapStaticFromTemplateDrawsItsBitmap) {
    m_dlg.SetDlgItemText(kPassword, "kWd");
    UpdateWindow(Item(kPassword));
    bool bMasked = false;
    for (const CDrawOp& op : AfxGetDrawOps(Item(kPassword))) bMasked = bMasked || op.strText == "***";
    EXPECT_TRUE(bMasked);
    EXPECT_EQ("kWd", Text(kPassword));

    std::vector<BYTE> bmp = SolidBmp(20, 10);
    AfxRegisterBitmap(137, bmp.data(), bmp.size());
    AfxRegisterDialogTemplate(DlgTemplate(
        9202, {DlgItem(1112, "Static", "", WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, 0, 0, 40, 20, 137)}));
    CDialog dlg(9202u);
    ASSERT_TRUE(dlg.Create(9202u));
    CStatic* pPicture = static_cast<CStatic*>(dlg.GetDlgItem(1112));
    ASSERT_NE(nullptr, CStaticTesting::GetBitmap(*pPicture));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    const std::vector<CDrawOp> ops = AfxGetDrawOps(pPicture->m_hWnd);
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(CDrawOpKind::BitBlt, ops.back().nKind);
    EXPECT_EQ(137u, ops.back().nBitmapId);
    EXPECT_EQ(20, ops.back().rc.right - ops.back().rc.left);
}

TEST_F(Controls, ASunkenReadoutKeepsItsTextClearOfItsEdge) {
    AfxRegisterDialogTemplate(DlgTemplate(
        9203, {DlgItem(1113, "Static", "27.4", WS_VISIBLE | SS_RIGHT | SS_SUNKEN, 0, 0, 35, 12)}));
    CDialog dlg(9203u);
    ASSERT_TRUE(dlg.Create(9203u));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    const HWND h = dlg.GetDlgItem(1113)->m_hWnd;
    RECT rc{};
    ::GetClientRect(h, &rc);
    int nTexts = 0;
    bool bEdge = false;
    for (const CDrawOp& op : AfxGetDrawOps(h)) {
        bEdge = bEdge || op.nKind == CDrawOpKind::Edge;
        if (op.nKind != CDrawOpKind::DrawText) continue;
        ++nTexts;
        EXPECT_EQ("27.4", op.strText);
        EXPECT_EQ(rc.right - 2, op.rc.right) << "the right-aligned text ends inside the edge";
        EXPECT_EQ(rc.left + 2, op.rc.left);
    }
    EXPECT_EQ(1, nTexts);
    EXPECT_TRUE(bEdge);
}

}  // namespace
