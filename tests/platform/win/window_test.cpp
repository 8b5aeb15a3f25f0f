#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/kernel_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_fixture.h"

namespace {

using Windows = CWinTestFixture;

std::vector<std::string> g_log;

class CLoggingWnd : public CRecordingWnd {
  public:
    explicit CLoggingWnd(const char* pszName) : m_strName(pszName) {}
    std::string m_strName;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_DESTROY) g_log.push_back("destroy " + m_strName);
        if (message == WM_NCDESTROY) g_log.push_back("ncdestroy " + m_strName);
        return CRecordingWnd::WindowProc(message, wParam, lParam);
    }
};

TEST_F(Windows, DestroyTakesChildrenAndOwnedWindowsAndDropsTheirPostedMessages) {
    g_log.clear();
    CLoggingWnd parent("parent"), child("child"), grandchild("grandchild"), owned("owned");
    ASSERT_TRUE(parent.CreateTopLevel());
    ASSERT_TRUE(child.CreateChild(&parent, 1));
    ASSERT_TRUE(grandchild.CreateChild(&child, 2));
    ASSERT_TRUE(owned.CreateTopLevel(WS_POPUP | WS_VISIBLE, parent));
    HWND hChild = child;
    child.PostMessage(WM_APP);
    grandchild.PostMessage(WM_APP);
    ASSERT_TRUE(parent.DestroyWindow());
    EXPECT_EQ((std::vector<std::string>{"destroy owned", "ncdestroy owned", "destroy parent", "destroy child",
                                        "destroy grandchild", "ncdestroy grandchild", "ncdestroy child",
                                        "ncdestroy parent"}),
              g_log);
    EXPECT_TRUE(parent.m_bPostNcDestroy && child.m_bPostNcDestroy && grandchild.m_bPostNcDestroy);
    EXPECT_EQ(nullptr, child.m_hWnd);
    EXPECT_FALSE(IsWindow(hChild));
    EXPECT_EQ(0, Pump());
    EXPECT_EQ(0, child.Count(WM_APP));
    EXPECT_EQ(0, grandchild.Count(WM_APP));
    SetLastError(0);
    EXPECT_FALSE(::PostMessage(hChild, WM_APP, 0, 0));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    EXPECT_EQ(0, ::SendMessage(hChild, WM_APP, 0, 0));
}

TEST_F(Windows, ChildGeometryIsRelativeToTheParentsClientArea) {
    CRecordingWnd dlg, child;
    ASSERT_TRUE(dlg.CreateEx(WS_EX_DLGMODALFRAME, nullptr, "dlg", WS_POPUP | WS_CAPTION | WS_VISIBLE, 200,
                             100, 400, 300, nullptr, nullptr));
    ASSERT_TRUE(child.CreateChild(&dlg, 5));
    CRect rc;
    child.GetWindowRect(&rc);
    EXPECT_EQ(CRect(200 + kFrameWidth + 10, 100 + kFrameWidth + kCaptionHeight + 10, 200 + kFrameWidth + 60,
                    100 + kFrameWidth + kCaptionHeight + 30),
              rc);
    EXPECT_EQ(&child, dlg.GetDlgItem(5));
    EXPECT_EQ(5, child.GetDlgCtrlID());

    child.m_msgs.clear();
    child.MoveWindow(20, 20, 100, 40);
    EXPECT_EQ((std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
              child.Messages());
    CRect rcClient;
    child.GetClientRect(&rcClient);
    EXPECT_EQ(CRect(0, 0, 100, 40), rcClient);
}

// Looking an item up again gives the answer a fresh search would, whatever changed in between: ids, new
// and destroyed children, a new parent, the z-order among children sharing an id.
TEST_F(Windows, DialogItemLookUpFollowsEveryChangeOfTheChildren) {
    CRecordingWnd dlg, other, a, b, c;
    ASSERT_TRUE(dlg.CreateTopLevel());
    ASSERT_TRUE(other.CreateTopLevel());
    ASSERT_TRUE(a.CreateChild(&dlg, 7));
    EXPECT_EQ(a.m_hWnd, ::GetDlgItem(dlg, 7));
    EXPECT_EQ(nullptr, ::GetDlgItem(dlg, 8));
    EXPECT_EQ(a.m_hWnd, ::GetDlgItem(dlg, 7));  // asked again

    ASSERT_TRUE(b.CreateChild(&dlg, 8));  // an id that was missing is there now
    EXPECT_EQ(b.m_hWnd, ::GetDlgItem(dlg, 8));

    CWndTesting::SetDlgCtrlID(a, 9);
    EXPECT_EQ(nullptr, ::GetDlgItem(dlg, 7));
    EXPECT_EQ(a.m_hWnd, ::GetDlgItem(dlg, 9));

    // Two children with one id: the first in z-order answers.
    ASSERT_TRUE(c.CreateChild(&dlg, 9));
    EXPECT_EQ(a.m_hWnd, ::GetDlgItem(dlg, 9));
    ASSERT_TRUE(a.SetWindowPos(&CWnd::wndBottom, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    EXPECT_EQ(c.m_hWnd, ::GetDlgItem(dlg, 9));

    ::SetParent(c, other);
    EXPECT_EQ(a.m_hWnd, ::GetDlgItem(dlg, 9));
    EXPECT_EQ(c.m_hWnd, ::GetDlgItem(other, 9));

    const HWND hB = b.m_hWnd;
    EXPECT_EQ(hB, ::GetDlgItem(dlg, 8));
    ASSERT_TRUE(b.DestroyWindow());
    EXPECT_EQ(nullptr, ::GetDlgItem(dlg, 8));
    const HWND hDlg = dlg.m_hWnd;
    EXPECT_EQ(a.m_hWnd, ::GetDlgItem(hDlg, 9));
    ASSERT_TRUE(dlg.DestroyWindow());
    EXPECT_EQ(nullptr, ::GetDlgItem(hDlg, 9));
}

TEST_F(Windows, FocusChangeTellsBothWindows) {
    CRecordingWnd top, a, b;
    ASSERT_TRUE(top.CreateTopLevel());
    ASSERT_TRUE(a.CreateChild(&top, 1));
    ASSERT_TRUE(b.CreateChild(&top, 2));
    a.SetFocus();
    a.m_msgs.clear();
    EXPECT_EQ(&a, b.SetFocus());
    ASSERT_EQ(1, a.Count(WM_KILLFOCUS));
    EXPECT_EQ(reinterpret_cast<WPARAM>(b.m_hWnd), a.m_msgs.back().wParam);
    EXPECT_EQ(b.m_hWnd, ::GetFocus());
    b.DestroyWindow();
    EXPECT_EQ(nullptr, ::GetFocus());
}

TEST_F(Windows, ATopLevelWindowThatGoesOrHidesWithTheFocusHandsTheActivationToItsOwner) {
    CRecordingWnd owner, control;
    ASSERT_TRUE(owner.CreateTopLevel(WS_POPUP | WS_VISIBLE | WS_CAPTION));
    ASSERT_TRUE(control.CreateChild(&owner, 1));
    control.SetFocus();
    for (bool bDestroy : {false, true}) {
        CRecordingWnd popup, field;
        ASSERT_TRUE(popup.CreateTopLevel(WS_POPUP | WS_VISIBLE, owner.m_hWnd));
        ASSERT_TRUE(field.CreateChild(&popup, 2));
        field.SetFocus();
        EXPECT_EQ(popup.m_hWnd, ::GetActiveWindow());
        if (bDestroy)
            popup.DestroyWindow();
        else
            popup.ShowWindow(SW_HIDE);
        EXPECT_EQ(control.m_hWnd, ::GetFocus()) << (bDestroy ? "destroyed" : "hidden");
        EXPECT_EQ(owner.m_hWnd, ::GetActiveWindow());
        EXPECT_EQ(bDestroy ? 2 : 1, owner.Count(WM_ACTIVATE));
    }
    // A window without an owner hands it to the next shown window that can take it (no tool window).
    {
        CRecordingWnd tool, info;
        ASSERT_TRUE(tool.CreateEx(WS_EX_TOOLWINDOW, nullptr, "tool", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                  nullptr, nullptr));
        ASSERT_TRUE(info.CreateTopLevel(WS_POPUP | WS_VISIBLE));
        info.SetFocus();
        info.ShowWindow(SW_HIDE);
        EXPECT_EQ(owner.m_hWnd, ::GetActiveWindow());
        EXPECT_EQ(control.m_hWnd, ::GetFocus());
    }
    EXPECT_EQ(3, owner.Count(WM_ACTIVATE));
    // Activation gives nothing to a disabled or hidden window, and a window already active keeps its focus.
    owner.EnableWindow(FALSE);
    EXPECT_EQ(nullptr, ::SetActiveWindow(owner.m_hWnd));
    owner.EnableWindow(TRUE);
    EXPECT_EQ(owner.m_hWnd, ::SetActiveWindow(owner.m_hWnd));
    EXPECT_EQ(control.m_hWnd, ::GetFocus());
    EXPECT_EQ(3, owner.Count(WM_ACTIVATE));
}

// A control that takes its own BN_DOUBLECLICKED notifications back (reflection).
class CSelfHandlingButton : public CRecordingWnd {
  public:
    int m_nReflected = 0;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT*) override {
        if (message != WM_COMMAND || HIWORD(wParam) != BN_DOUBLECLICKED) return FALSE;
        ++m_nReflected;
        return TRUE;
    }
};

class CBaseRouter : public CRecordingWnd {
  public:
    int m_nBase = 0;
    void OnBase() { ++m_nBase; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CBaseRouter, CRecordingWnd)
ON_COMMAND(40, &CBaseRouter::OnBase)
END_MESSAGE_MAP()

class CRouter : public CBaseRouter {
  public:
    std::vector<UINT> m_clicked, m_range;
    int m_nDouble = 0, m_nNotify = 0;
    void OnClicked() { m_clicked.push_back(21); }
    void OnDouble() { ++m_nDouble; }
    void OnRange(UINT nID) { m_range.push_back(nID); }
    void OnSelChange(NMHDR* pNMHDR, LRESULT* pResult) {
        m_nNotify += static_cast<int>(pNMHDR->idFrom);
        *pResult = 5;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CRouter, CBaseRouter)
ON_BN_CLICKED(21, &CRouter::OnClicked)
ON_BN_DOUBLECLICKED(21, &CRouter::OnDouble)
ON_COMMAND_RANGE(30, 33, &CRouter::OnRange)
ON_NOTIFY(TCN_SELCHANGE, 22, &CRouter::OnSelChange)
END_MESSAGE_MAP()

TEST_F(Windows, CommandsAndNotificationsFindTheirMapEntries) {
    CRouter dlg;
    ASSERT_TRUE(dlg.CreateTopLevel());
    CSelfHandlingButton button;
    ASSERT_TRUE(button.CreateChild(&dlg, 21));
    CRecordingWnd tabs;
    ASSERT_TRUE(tabs.CreateChild(&dlg, 22));

    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(21, BN_CLICKED), reinterpret_cast<LPARAM>(button.m_hWnd));
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(21, BN_DOUBLECLICKED), reinterpret_cast<LPARAM>(button.m_hWnd));
    EXPECT_EQ(std::vector<UINT>{21}, dlg.m_clicked);
    EXPECT_EQ(0, dlg.m_nDouble);  // the control took it first
    EXPECT_EQ(1, button.m_nReflected);

    dlg.SendMessage(WM_COMMAND, 32);
    dlg.SendMessage(WM_COMMAND, 34);  // outside the range: unhandled
    dlg.SendMessage(WM_COMMAND, 40);  // the base class's map
    EXPECT_EQ(std::vector<UINT>{32}, dlg.m_range);
    EXPECT_EQ(1, dlg.m_nBase);

    NMHDR hdr{tabs.m_hWnd, 22, static_cast<UINT>(TCN_SELCHANGE)};
    EXPECT_EQ(5, dlg.SendMessage(WM_NOTIFY, 22, reinterpret_cast<LPARAM>(&hdr)));
    EXPECT_EQ(22, dlg.m_nNotify);
    hdr.code = static_cast<UINT>(TCN_SELCHANGING);
    EXPECT_EQ(0, dlg.SendMessage(WM_NOTIFY, 22, reinterpret_cast<LPARAM>(&hdr)));
}

}  // namespace
