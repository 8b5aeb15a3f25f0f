#include <gtest/gtest.h>

#include "platform/win/kernel_testing.h"
#include "platform/win/menu_testing.h"
#include "support/win_fixture.h"

namespace {

constexpr UINT kMenuId = 500;
constexpr UINT ID_OPEN = 100, ID_EXIT = 101, ID_MODE_A = 200, ID_MODE_B = 201, ID_MODE_C = 202,
               ID_HIDDEN = 300;

void RegisterTestMenu() {
    CMenuTemplate t;
    t.nID = kMenuId;
    CMenuItemTemplate file{MF_POPUP, 0, "&File", {}};
    file.items = {
        {MF_STRING, ID_OPEN, "&Open", {}}, {MF_SEPARATOR, 0, "", {}}, {MF_STRING, ID_EXIT, "E&xit", {}}};
    CMenuItemTemplate mode{MF_POPUP, 0, "&Mode", {}};
    mode.items = {{MF_STRING | MF_CHECKED, ID_MODE_A, "A", {}},
                  {MF_STRING, ID_MODE_B, "B", {}},
                  {MF_STRING, ID_MODE_C, "C", {}}};
    CMenuItemTemplate more{MF_POPUP | MF_GRAYED, 0, "More", {}};
    more.items = {{MF_STRING, ID_HIDDEN, "Hidden", {}}};
    t.items = {file, mode, more};
    AfxRegisterMenuTemplate(t);
}

class CMenuWnd : public CRecordingWnd {
  public:
    int m_nOpen = 0, m_nExit = 0, m_nInitPopups = 0;
    BOOL m_bExitAllowed = FALSE;
    BOOL CreateWithMenu() {
        CMenu menu;
        if (!CMenuTesting::LoadMenu(menu, kMenuId)) return FALSE;
        if (!CreateEx(0, nullptr, "menus", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 0, 400, 300, nullptr,
                      CMenuTesting::Detach(menu)))
            return FALSE;
        return TRUE;
    }
    void OnOpen() { ++m_nOpen; }
    void OnExit() { ++m_nExit; }
    void OnUpdateExit(CCmdUI* pCmdUI) { pCmdUI->Enable(m_bExitAllowed); }
    void OnInitMenuPopup(CMenu*, UINT, BOOL) { ++m_nInitPopups; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMenuWnd, CRecordingWnd)
ON_COMMAND(ID_OPEN, &CMenuWnd::OnOpen)
ON_COMMAND(ID_EXIT, &CMenuWnd::OnExit)
ON_UPDATE_COMMAND_UI(ID_EXIT, &CMenuWnd::OnUpdateExit)
ON_WM_INITMENUPOPUP()
END_MESSAGE_MAP()

class Menus : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        RegisterTestMenu();
        ASSERT_TRUE(m_wnd.CreateWithMenu());
    }
    CMenuWnd m_wnd;
};

TEST_F(Menus, ChoiceReachesTheHandlerUnlessTheUpdateHandlerDisablesIt) {
    EXPECT_TRUE(AfxSimulateMenuChoice(m_wnd, ID_OPEN));
    Pump();
    EXPECT_EQ(1, m_wnd.m_nOpen);
    EXPECT_EQ(1, m_wnd.m_nInitPopups);  // the File popup was opened on the way

    EXPECT_TRUE(AfxSimulateMenuChoice(m_wnd, ID_EXIT));
    Pump();
    EXPECT_EQ(0, m_wnd.m_nExit);
    m_wnd.m_bExitAllowed = TRUE;
    m_wnd.PostMessage(WM_COMMAND, ID_EXIT);
    Pump();
    EXPECT_EQ(1, m_wnd.m_nExit);
}

TEST_F(Menus, GrayedItemsPopupsAndDisabledWindowsCannotBeChosen) {
    CMenu* pMenu = m_wnd.GetMenu();
    ASSERT_NE(nullptr, pMenu);
    EXPECT_EQ(static_cast<UINT>(MF_ENABLED),
              CMenuTesting::EnableMenuItem(*pMenu, ID_OPEN, MF_BYCOMMAND | MF_GRAYED));
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED),
              CMenuTesting::GetMenuState(*pMenu, ID_OPEN, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(AfxSimulateMenuChoice(m_wnd, ID_OPEN));
    EXPECT_FALSE(AfxSimulateMenuChoice(m_wnd, ID_HIDDEN));  // inside a grayed popup
    EXPECT_FALSE(AfxSimulateMenuChoice(m_wnd, 999));
    CMenuTesting::EnableMenuItem(*pMenu, 0, MF_BYPOSITION | MF_ENABLED);
    CMenuTesting::EnableMenuItem(*pMenu, ID_OPEN, MF_BYCOMMAND | MF_ENABLED);
    m_wnd.EnableWindow(FALSE);
    EXPECT_FALSE(AfxSimulateMenuChoice(m_wnd, ID_OPEN));
    Pump();
    EXPECT_EQ(0, m_wnd.m_nOpen);
    EXPECT_EQ(static_cast<UINT>(-1), CMenuTesting::EnableMenuItem(*pMenu, 999, MF_BYCOMMAND | MF_GRAYED));
}

TEST_F(Menus, RadioCheckMarksOneItemOfTheRangeAndFailsForAnAbsentItem) {
    CMenu* pMenu = m_wnd.GetMenu();
    ASSERT_TRUE(CMenuTesting::CheckMenuRadioItem(*pMenu, ID_MODE_A, ID_MODE_C, ID_MODE_B, MF_BYCOMMAND));
    EXPECT_EQ(0u, CMenuTesting::GetMenuState(*pMenu, ID_MODE_A, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(MF_CHECKED | MFT_RADIOCHECK,
              CMenuTesting::GetMenuState(*pMenu, ID_MODE_B, MF_BYCOMMAND) & (MF_CHECKED | MFT_RADIOCHECK));
    EXPECT_EQ(0u, CMenuTesting::GetMenuState(*pMenu, ID_MODE_C, MF_BYCOMMAND) & MF_CHECKED);

    SetLastError(0);
    EXPECT_FALSE(
        CMenuTesting::CheckMenuRadioItem(*pMenu, ID_MODE_A, ID_MODE_C + 5, ID_MODE_C + 5, MF_BYCOMMAND));
    EXPECT_EQ(ERROR_MENU_ITEM_NOT_FOUND, GetLastError());
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED),
              CMenuTesting::GetMenuState(*pMenu, ID_MODE_B, MF_BYCOMMAND) & MF_CHECKED);

    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), pMenu->CheckMenuItem(ID_MODE_B, MF_BYCOMMAND | MF_UNCHECKED));
    EXPECT_EQ(static_cast<UINT>(MF_UNCHECKED), pMenu->CheckMenuItem(ID_MODE_B, MF_BYCOMMAND | MF_CHECKED));
    EXPECT_EQ(static_cast<UINT>(-1), pMenu->CheckMenuItem(ID_HIDDEN + 1, MF_BYCOMMAND | MF_CHECKED));
}

TEST_F(Menus, StructureFromTheResource) {
    CMenu* pMenu = m_wnd.GetMenu();
    EXPECT_EQ(3u, CMenuTesting::GetMenuItemCount(*pMenu));
    CMenu* pFile = pMenu->GetSubMenu(0);
    ASSERT_NE(nullptr, pFile);
    EXPECT_EQ(ID_OPEN, CMenuTesting::GetMenuItemID(*pFile, 0));
    EXPECT_EQ(0u, CMenuTesting::GetMenuItemID(*pFile, 1));                     // separator
    EXPECT_EQ(static_cast<UINT>(-1), CMenuTesting::GetMenuItemID(*pMenu, 0));  // popup
    CString text;
    CMenuTesting::GetMenuString(*pMenu, ID_EXIT, text, MF_BYCOMMAND);
    EXPECT_STREQ("E&xit", text);
    char small[3];
    EXPECT_EQ(2, CMenuTesting::GetMenuString(*pMenu, ID_EXIT, small, sizeof small, MF_BYCOMMAND));
    EXPECT_STREQ("E&", small);
    ASSERT_TRUE(pFile->AppendMenu(MF_STRING, 110, "Recent"));
    EXPECT_EQ(4u, CMenuTesting::GetMenuItemCount(*pFile));
    EXPECT_EQ(4u, GetMenuState(*pMenu, 0, MF_BYPOSITION) >> 8);  // item count of the popup

    // The menu bar is part of the window's non-client area.
    CRect rcWnd, rcClient;
    m_wnd.GetWindowRect(&rcWnd);
    m_wnd.GetClientRect(&rcClient);
    EXPECT_EQ(rcWnd.Height() - 2 * kFrameWidth - kCaptionHeight - kMenuBarHeight, rcClient.Height());
    EXPECT_EQ(rcWnd.Width() - 2 * kFrameWidth, rcClient.Width());
}

TEST_F(Menus, SystemMenuItemsArriveAsSystemCommands) {
    CMenu* pSys = m_wnd.GetSystemMenu(FALSE);
    ASSERT_NE(nullptr, pSys);
    EXPECT_EQ(7u, CMenuTesting::GetMenuItemCount(*pSys));
    pSys->AppendMenu(MF_SEPARATOR);
    pSys->AppendMenu(MF_STRING, 0x0010, "About...");
    EXPECT_EQ(pSys, m_wnd.GetSystemMenu(FALSE));
    EXPECT_TRUE(AfxSimulateMenuChoice(m_wnd, 0x0010, TRUE));
    Pump();
    ASSERT_EQ(1, m_wnd.Count(WM_SYSCOMMAND));
    EXPECT_EQ(nullptr, m_wnd.GetSystemMenu(TRUE));
    EXPECT_EQ(7u, CMenuTesting::GetMenuItemCount(*m_wnd.GetSystemMenu(FALSE)));
}

TEST_F(Menus, WindowDestroysItsMenu) {
    HMENU hMenu = ::GetMenu(m_wnd);
    ASSERT_TRUE(IsMenu(hMenu));
    HMENU hPopup = ::GetSubMenu(hMenu, 0);
    m_wnd.DestroyWindow();
    EXPECT_FALSE(IsMenu(hMenu));
    EXPECT_FALSE(IsMenu(hPopup));
}

}  // namespace
