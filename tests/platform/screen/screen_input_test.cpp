#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/screen/screen_input.h"
#include "platform/win/controls_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_dialog_support.h"

namespace {

constexpr UINT kDlg = 9701;
constexpr UINT kGroup = 1401;
constexpr UINT kButton = 1402;
constexpr UINT kEdit = 1403;
constexpr UINT kDisabled = 1404;

class CInputDlg : public CNoticeDlg {
  public:
    CInputDlg() : CNoticeDlg(kDlg) {}
    int m_nOK = 0;
    int m_nCancel = 0;
    int m_nWheel = 0;
    int m_nWheelDelta = 0;
    void OnOK() override { ++m_nOK; }
    void OnCancel() override { ++m_nCancel; }

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_MOUSEWHEEL) {
            ++m_nWheel;
            m_nWheelDelta = static_cast<SHORT>(HIWORD(wParam));
        }
        return CNoticeDlg::WindowProc(message, wParam, lParam);
    }
};

POINT CentreOnScreen(CWnd* pWnd) {
    CRect rc;
    pWnd->GetWindowRect(&rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

class ScreenInput : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        // The group box lies over the button (first in the template: top of the z-order).
        AfxRegisterDialogTemplate(DlgTemplate(
            kDlg, {DlgItem(kGroup, "Button", "Group", WS_VISIBLE | BS_GROUPBOX, 5, 5, 150, 60),
                   DlgItem(kButton, "Button", "Press", WS_VISIBLE | WS_TABSTOP, 20, 20, 50, 14),
                   DlgItem(kEdit, "Edit", "", WS_VISIBLE | WS_TABSTOP | WS_BORDER, 20, 70, 60, 12),
                   DlgItem(kDisabled, "Button", "Off", WS_VISIBLE | WS_DISABLED, 90, 70, 40, 14)}));
        ASSERT_TRUE(m_dlg.Create(kDlg));
        m_dlg.ShowWindow(SW_SHOW);
        Pump();
    }
    void Click(POINT pt) {
        AfxScreenMouseButton(m_dlg.m_hWnd, pt, CScreenButton::Left, TRUE, MK_LBUTTON);
        AfxScreenMouseButton(m_dlg.m_hWnd, pt, CScreenButton::Left, FALSE, 0);
        Pump();
    }
    CInputDlg m_dlg;
};

TEST_F(ScreenInput, HitTestFindsTheDeepestWindowThroughTransparentOnes) {
    const CScreenHit hit = AfxScreenHitTest(m_dlg.m_hWnd, CentreOnScreen(m_dlg.GetDlgItem(kButton)));
    EXPECT_EQ(m_dlg.GetDlgItem(kButton)->m_hWnd, hit.hWnd);
    EXPECT_EQ(static_cast<int>(HTCLIENT), hit.nHitTest);
    // Inside the group box but on no control: the dialog itself.
    CRect rcGroup;
    m_dlg.GetDlgItem(kGroup)->GetWindowRect(&rcGroup);
    EXPECT_EQ(m_dlg.m_hWnd,
              AfxScreenHitTest(m_dlg.m_hWnd, POINT{rcGroup.right - 5, rcGroup.bottom - 5}).hWnd);
    // A disabled control is not found by the pointer.
    EXPECT_EQ(m_dlg.m_hWnd, AfxScreenHitTest(m_dlg.m_hWnd, CentreOnScreen(m_dlg.GetDlgItem(kDisabled))).hWnd);
    // The stand-in caption and its close box.
    CRect rcWnd;
    m_dlg.GetWindowRect(&rcWnd);
    EXPECT_EQ(static_cast<int>(HTCAPTION),
              AfxScreenHitTest(m_dlg.m_hWnd, POINT{rcWnd.left + 30, rcWnd.top + 12}).nHitTest);
    EXPECT_EQ(static_cast<int>(HTCLOSE),
              AfxScreenHitTest(m_dlg.m_hWnd, POINT{rcWnd.right - 12, rcWnd.top + 12}).nHitTest);
    EXPECT_EQ(nullptr, AfxScreenHitTest(m_dlg.m_hWnd, POINT{rcWnd.right + 5, rcWnd.top}).hWnd);
}

TEST_F(ScreenInput, AClickOnTheButtonIsItsClickedNotification) {
    Click(CentreOnScreen(m_dlg.GetDlgItem(kButton)));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kButton, BN_CLICKED));
    EXPECT_EQ(nullptr, GetCapture()) << "the button let the capture go";
    // Pressed on the button, released outside: the capture sees the release, no click.
    AfxScreenMouseButton(m_dlg.m_hWnd, CentreOnScreen(m_dlg.GetDlgItem(kButton)), CScreenButton::Left, TRUE,
                         MK_LBUTTON);
    AfxScreenMouseButton(m_dlg.m_hWnd, CentreOnScreen(m_dlg.GetDlgItem(kEdit)), CScreenButton::Left, FALSE,
                         0);
    Pump();
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kButton, BN_CLICKED));
    Click(CentreOnScreen(m_dlg.GetDlgItem(kDisabled)));
    EXPECT_EQ(0, m_dlg.Count(WM_COMMAND, kDisabled, BN_CLICKED));
}

TEST_F(ScreenInput, ADisabledWindowGetsNoInput) {
    m_dlg.EnableWindow(FALSE);  // as while a modal box is open over it
    Click(CentreOnScreen(m_dlg.GetDlgItem(kButton)));
    AfxScreenKey(m_dlg.m_hWnd, VK_RETURN, '\r', TRUE, 36);
    Pump();
    EXPECT_EQ(0, m_dlg.Count(WM_COMMAND, kButton, BN_CLICKED));
    EXPECT_EQ(0, m_dlg.m_nOK);
}

TEST_F(ScreenInput, KeysTypeIntoTheFocusAndEnterAndEscapeReachTheDialog) {
    m_dlg.GetDlgItem(kEdit)->SetFocus();
    AfxScreenKey(m_dlg.m_hWnd, 'A', 'a', TRUE, 38);
    AfxScreenKey(m_dlg.m_hWnd, 'A', 0, FALSE, 38);
    AfxScreenKey(m_dlg.m_hWnd, '7', '7', TRUE, 16);
    Pump();
    CString text;
    CWndTesting::GetDlgItemText(m_dlg, kEdit, text);
    EXPECT_STREQ("a7", text.GetString());
    AfxScreenKey(m_dlg.m_hWnd, VK_RETURN, '\r', TRUE, 36);
    Pump();
    EXPECT_EQ(1, m_dlg.m_nOK);
    AfxScreenKey(m_dlg.m_hWnd, VK_ESCAPE, 27, TRUE, 9);
    Pump();
    EXPECT_EQ(1, m_dlg.m_nCancel);
    CWndTesting::GetDlgItemText(m_dlg, kEdit, text);
    EXPECT_STREQ("a7", text.GetString()) << "Enter and Escape typed nothing";
}

TEST_F(ScreenInput, APressActivatesItsWindowAndTheKeysGoToTheFocus) {
    CInputDlg other;
    ASSERT_TRUE(other.Create(kDlg));
    other.ShowWindow(SW_SHOW);
    m_dlg.GetDlgItem(kEdit)->SetFocus();
    other.GetDlgItem(kEdit)->SetFocus();
    Pump();
    EXPECT_EQ(other.m_hWnd, ::GetActiveWindow());
    // A key the display gives to the other window goes to the focus all the same.
    AfxScreenKey(m_dlg.m_hWnd, 'B', 'b', TRUE, 56);
    Pump();
    CString text;
    CWndTesting::GetDlgItemText(other, kEdit, text);
    EXPECT_STREQ("b", text.GetString());
    // A press on no control of the first dialog activates it: its edit has the focus again.
    CRect rcGroup;
    m_dlg.GetDlgItem(kGroup)->GetWindowRect(&rcGroup);
    Click(POINT{rcGroup.right - 5, rcGroup.bottom - 5});
    EXPECT_EQ(m_dlg.m_hWnd, ::GetActiveWindow());
    EXPECT_EQ(m_dlg.GetDlgItem(kEdit)->m_hWnd, ::GetFocus());
    AfxScreenKey(m_dlg.m_hWnd, 'C', 'c', TRUE, 54);
    Pump();
    CWndTesting::GetDlgItemText(m_dlg, kEdit, text);
    EXPECT_STREQ("c", text.GetString());
    other.DestroyWindow();
}

TEST_F(ScreenInput, WithAltHeldKeysAreSystemKeysAndAltF4Closes) {
    m_dlg.GetDlgItem(kEdit)->SetFocus();
    AfxScreenKey(m_dlg.m_hWnd, 'X', 'x', TRUE, 53, TRUE);
    Pump();
    CString text;
    CWndTesting::GetDlgItemText(m_dlg, kEdit, text);
    EXPECT_STREQ("", text.GetString()) << "Alt+X types nothing";
    AfxScreenKey(m_dlg.m_hWnd, VK_F4, 0, TRUE, 70, TRUE);
    Pump();
    EXPECT_EQ(1, m_dlg.m_nCancel) << "Alt+F4 is the close box";
}

TEST_F(ScreenInput, TheCloseBoxAndTheCloseRequestAreTheSystemClose) {
    CRect rcWnd;
    m_dlg.GetWindowRect(&rcWnd);
    Click(POINT{rcWnd.right - 12, rcWnd.top + 12});
    EXPECT_EQ(1, m_dlg.m_nCancel);
    // Down on the close box, up elsewhere: nothing.
    AfxScreenMouseButton(m_dlg.m_hWnd, POINT{rcWnd.right - 12, rcWnd.top + 12}, CScreenButton::Left, TRUE,
                         MK_LBUTTON);
    AfxScreenMouseButton(m_dlg.m_hWnd, POINT{rcWnd.left + 30, rcWnd.top + 12}, CScreenButton::Left, FALSE, 0);
    Pump();
    EXPECT_EQ(1, m_dlg.m_nCancel);
    AfxScreenCloseRequest(m_dlg.m_hWnd);
    Pump();
    EXPECT_EQ(2, m_dlg.m_nCancel);
}

TEST_F(ScreenInput, TheWheelGoesToTheWindowUnderThePointerWithoutAFocus) {
    ::SetFocus(nullptr);
    CRect rcWnd;
    m_dlg.GetWindowRect(&rcWnd);
    CRect rcGroup;
    m_dlg.GetDlgItem(kGroup)->GetWindowRect(&rcGroup);
    AfxScreenMouseWheel(m_dlg.m_hWnd, POINT{rcGroup.right - 5, rcGroup.bottom - 5}, -WHEEL_DELTA, 0);
    Pump();
    EXPECT_EQ(1, m_dlg.m_nWheel);
    EXPECT_EQ(-WHEEL_DELTA, m_dlg.m_nWheelDelta);
}

// A column of two panels (child dialogs) inside a group box, with the dialog's scroll bar beside it, as
// a dialog lays out rows of settings: the wheel over a panel scrolls the column through the scroll bar
// and never changes a setting the user is not pointing at.
constexpr UINT kColumnDlg = 9702;
constexpr UINT kPanelDlg = 9703;
constexpr UINT kColumnGroup = 1411;
constexpr UINT kColumnScroll = 1412;
constexpr UINT kPanelCombo = 1421;
constexpr UINT kPanelLabel = 1422;
constexpr UINT kPanelEdit = 1423;

class ScreenWheel : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        AfxRegisterDialogTemplate(
            DlgTemplate(kColumnDlg,
                        {DlgItem(kColumnGroup, "Button", "Column", WS_VISIBLE | BS_GROUPBOX, 5, 5, 150, 130),
                         DlgItem(kColumnScroll, "ScrollBar", "", WS_VISIBLE | SBS_VERT, 160, 5, 10, 130)},
                        0, 200, 150));
        CDialogTemplate panel;
        panel.nID = kPanelDlg;
        panel.strFontName = "MS Shell Dlg";
        panel.wPointSize = 8;
        panel.dwStyle = WS_CHILD | WS_VISIBLE | DS_SETFONT | DS_CONTROL;
        panel.cx = 140;
        panel.cy = 50;
        panel.items = {
            DlgItem(kPanelLabel, "Static", "Range", WS_VISIBLE | SS_LEFT, 4, 6, 30, 10),
            DlgItem(kPanelCombo, "ComboBox", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 40,
                    4, 90, 80),
            DlgItem(kPanelEdit, "Edit", "1.0", WS_VISIBLE | WS_TABSTOP | WS_BORDER, 40, 24, 40, 12)};
        AfxRegisterDialogTemplate(panel);
        ASSERT_TRUE(m_dlg.Create(kColumnDlg));
        CWnd* pGroup = m_dlg.GetDlgItem(kColumnGroup);
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(m_panel[i].Create(kPanelDlg, pGroup));
            m_panel[i].SetWindowPos(nullptr, 6, 16 + 90 * i, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            CComboBox* pCombo = Combo(i);
            for (const char* psz : {"one", "two", "three", "four"}) pCombo->AddString(psz);
            pCombo->SetCurSel(1);
        }
        ::SetScrollRange(m_dlg.GetDlgItem(kColumnScroll)->m_hWnd, SB_CTL, 0, 5, FALSE);
        m_dlg.ShowWindow(SW_SHOW);
        Pump();
    }
    CComboBox* Combo(int i) { return static_cast<CComboBox*>(m_panel[i].GetDlgItem(kPanelCombo)); }
    void Wheel(POINT pt, int nNotches) {
        AfxScreenMouseWheel(m_dlg.m_hWnd, pt, nNotches * WHEEL_DELTA, 0);
        Pump();
    }
    // The scroll steps the column's scroll bar sent, as SB_* codes.
    std::vector<UINT> Steps() {
        std::vector<UINT> codes;
        for (const CNotice& n : m_dlg.m_notices)
            if (n.nMessage == WM_VSCROLL && n.nID == kColumnScroll) codes.push_back(n.nCode);
        m_dlg.m_notices.clear();
        return codes;
    }
    CNoticeDlg m_dlg{kColumnDlg};
    CNoticeDlg m_panel[2]{CNoticeDlg{kPanelDlg}, CNoticeDlg{kPanelDlg}};
};

TEST_F(ScreenWheel, OverAnotherPanelTheWheelScrollsTheColumnAndLeavesTheFocusedListAlone) {
    Combo(0)->SetFocus();
    Pump();
    m_dlg.m_notices.clear();
    const std::vector<UINT> down{SB_LINEDOWN, SB_LINEDOWN, SB_ENDSCROLL};
    // Over the other panel's list, its label, its edit and its background.
    for (CWnd* pOver : {static_cast<CWnd*>(Combo(1)), m_panel[1].GetDlgItem(kPanelLabel),
                        m_panel[1].GetDlgItem(kPanelEdit)}) {
        Wheel(CentreOnScreen(pOver), -2);
        EXPECT_EQ(down, Steps()) << pOver->GetDlgCtrlID();
    }
    CRect rcPanel;
    m_panel[1].GetWindowRect(&rcPanel);
    Wheel(POINT{rcPanel.right - 3, rcPanel.bottom - 3}, -2);
    EXPECT_EQ(down, Steps());
    // Over the scroll bar, and over the group box beside the panels.
    Wheel(CentreOnScreen(m_dlg.GetDlgItem(kColumnScroll)), 1);
    EXPECT_EQ((std::vector<UINT>{SB_LINEUP, SB_ENDSCROLL}), Steps());
    CRect rcGroup;
    m_dlg.GetDlgItem(kColumnGroup)->GetWindowRect(&rcGroup);
    Wheel(POINT{rcGroup.left + 3, rcGroup.bottom - 3}, 1);
    EXPECT_EQ((std::vector<UINT>{SB_LINEUP, SB_ENDSCROLL}), Steps());

    EXPECT_EQ(1, Combo(0)->GetCurSel()) << "the focused list changed under the wheel elsewhere";
    EXPECT_EQ(1, Combo(1)->GetCurSel()) << "a list without the focus changed";
    EXPECT_EQ(0, m_panel[0].Count(WM_COMMAND, kPanelCombo, CBN_SELCHANGE) +
                     m_panel[1].Count(WM_COMMAND, kPanelCombo, CBN_SELCHANGE));
    EXPECT_EQ(Combo(0)->m_hWnd, ::GetFocus());
}

TEST_F(ScreenWheel, TheFocusedListUnderThePointerStepsItsSelection) {
    Combo(1)->SetFocus();
    Pump();
    m_dlg.m_notices.clear();
    Wheel(CentreOnScreen(Combo(1)), -1);
    EXPECT_EQ(2, Combo(1)->GetCurSel());
    EXPECT_EQ(1, m_panel[1].Count(WM_COMMAND, kPanelCombo, CBN_SELCHANGE));
    EXPECT_TRUE(Steps().empty()) << "the list took the wheel";
    // The same list without the focus passes the wheel on.
    m_panel[1].GetDlgItem(kPanelEdit)->SetFocus();
    Wheel(CentreOnScreen(Combo(1)), -1);
    EXPECT_EQ(2, Combo(1)->GetCurSel());
    EXPECT_EQ((std::vector<UINT>{SB_LINEDOWN, SB_ENDSCROLL}), Steps());
    // A wheel message that names a point off the box changes nothing even with the focus on it.
    Combo(1)->SetFocus();
    CRect rcCombo;
    Combo(1)->GetWindowRect(&rcCombo);
    ::SendMessageA(Combo(1)->m_hWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
                   MAKELPARAM(static_cast<WORD>(rcCombo.left - 20), static_cast<WORD>(rcCombo.top)));
    EXPECT_EQ(2, Combo(1)->GetCurSel());
}

TEST_F(ScreenWheel, AnOpenListScrollsAndChoosesNothing) {
    CComboBox* pCombo = Combo(0);
    for (int i = 0; i < 30; ++i) pCombo->AddString("more");
    // Dropped by a click: the list holds the pointer, so the wheel reaches it wherever the pointer is.
    const POINT ptCombo = CentreOnScreen(pCombo);
    AfxScreenMouseButton(m_dlg.m_hWnd, ptCombo, CScreenButton::Left, TRUE, MK_LBUTTON);
    AfxScreenMouseButton(m_dlg.m_hWnd, ptCombo, CScreenButton::Left, FALSE, 0);
    Pump();
    ASSERT_TRUE(CComboBoxTesting::GetDroppedState(*pCombo));
    const HWND hList = ::GetCapture();
    ASSERT_NE(nullptr, hList);
    m_dlg.m_notices.clear();
    const LRESULT nHighlight = ::SendMessageA(hList, LB_GETCURSEL, 0, 0);
    Wheel(CentreOnScreen(&m_panel[1]), -2);
    EXPECT_EQ(6, ::SendMessageA(hList, LB_GETTOPINDEX, 0, 0)) << "three entries a notch";
    EXPECT_EQ(nHighlight, ::SendMessageA(hList, LB_GETCURSEL, 0, 0));
    EXPECT_TRUE(Steps().empty()) << "the column scrolled under an open list";
    EXPECT_TRUE(CComboBoxTesting::GetDroppedState(*pCombo));
    // Closed with Escape: nothing was chosen.
    AfxScreenKey(m_dlg.m_hWnd, VK_ESCAPE, 27, TRUE, 9);
    Pump();
    EXPECT_FALSE(CComboBoxTesting::GetDroppedState(*pCombo));
    EXPECT_EQ(1, pCombo->GetCurSel());
    EXPECT_EQ(0, m_panel[0].Count(WM_COMMAND, kPanelCombo, CBN_SELCHANGE));
}

// What the screen thread does for each key: one user-input task per key event, posted as the keys are
// made, all of them possibly waiting before the first runs.
void PostKey(UINT nVirtKey, UINT nChar, UINT nScanCode, HWND hTop) {
    for (const BOOL bDown : {TRUE, FALSE})
        ASSERT_TRUE(AfxPostThreadTask(
            ::GetCurrentThreadId(),
            [=] { AfxScreenKey(hTop, nVirtKey, bDown ? nChar : 0, bDown, nScanCode); }, TRUE));
}

class CApplyDlg : public CInputDlg {
  public:
    std::vector<std::string> m_applied;
    void OnOK() override {
        CString text;
        GetDlgItemText(kEdit, text);
        m_applied.emplace_back(text.GetString());
    }
};

TEST_F(ScreenInput, EnterSeesEveryCharacterTypedBeforeIt) {
    CApplyDlg dlg;
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    dlg.GetDlgItem(kEdit)->SetFocus();
    Pump();
    const std::vector<std::string> values{"120", "-.5", "7", "3.25", "42", "-.25"};
    std::vector<std::string> expected;
    for (size_t i = 0; i < values.size(); ++i) {
        const std::string& strValue = values[i];
        dlg.SetDlgItemText(kEdit, "");
        // Half of the values come behind a flood of other posts, so the loop's fairness turn takes
        // the keys out of the middle of the queue.
        const bool bFlooded = i % 2 == 1;
        for (int n = 0; bFlooded && n < 100; ++n) ::PostMessageA(dlg.m_hWnd, WM_NULL, 0, 0);
        for (char c : strValue) {
            // The keyboard's minus and period keys (VK_OEM_MINUS, VK_OEM_PERIOD); digits are their own.
            const UINT nVirtKey = c == '-' ? 0xBD : c == '.' ? 0xBE : static_cast<UINT>(c);
            PostKey(nVirtKey, static_cast<unsigned char>(c), 10, dlg.m_hWnd);
        }
        PostKey(VK_RETURN, '\r', 36, dlg.m_hWnd);
        // Other work queued behind the keys (a frame of the host, a timer's post) changes nothing.
        ::PostMessageA(dlg.m_hWnd, WM_NULL, 0, 0);
        expected.push_back(strValue);
        if (bFlooded) {
            CMessageLoop::RunUntil([&] { return dlg.m_applied.size() == expected.size(); });
            Pump();
        } else {
            Pump();
        }
        ASSERT_EQ(expected, dlg.m_applied);
    }
    dlg.DestroyWindow();
}

}  // namespace
