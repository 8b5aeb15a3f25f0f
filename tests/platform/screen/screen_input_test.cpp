#include <gtest/gtest.h>

#include "platform/screen/screen_input.h"
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
    m_dlg.GetDlgItemText(kEdit, text);
    EXPECT_STREQ("a7", text.GetString());
    AfxScreenKey(m_dlg.m_hWnd, VK_RETURN, '\r', TRUE, 36);
    Pump();
    EXPECT_EQ(1, m_dlg.m_nOK);
    AfxScreenKey(m_dlg.m_hWnd, VK_ESCAPE, 27, TRUE, 9);
    Pump();
    EXPECT_EQ(1, m_dlg.m_nCancel);
    m_dlg.GetDlgItemText(kEdit, text);
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
    other.GetDlgItemText(kEdit, text);
    EXPECT_STREQ("b", text.GetString());
    // A press on no control of the first dialog activates it: its edit has the focus again.
    CRect rcGroup;
    m_dlg.GetDlgItem(kGroup)->GetWindowRect(&rcGroup);
    Click(POINT{rcGroup.right - 5, rcGroup.bottom - 5});
    EXPECT_EQ(m_dlg.m_hWnd, ::GetActiveWindow());
    EXPECT_EQ(m_dlg.GetDlgItem(kEdit)->m_hWnd, ::GetFocus());
    AfxScreenKey(m_dlg.m_hWnd, 'C', 'c', TRUE, 54);
    Pump();
    m_dlg.GetDlgItemText(kEdit, text);
    EXPECT_STREQ("c", text.GetString());
    other.DestroyWindow();
}

TEST_F(ScreenInput, WithAltHeldKeysAreSystemKeysAndAltF4Closes) {
    m_dlg.GetDlgItem(kEdit)->SetFocus();
    AfxScreenKey(m_dlg.m_hWnd, 'X', 'x', TRUE, 53, TRUE);
    Pump();
    CString text;
    m_dlg.GetDlgItemText(kEdit, text);
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

}  // namespace
