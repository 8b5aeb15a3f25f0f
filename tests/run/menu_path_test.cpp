#include <gtest/gtest.h>

#include <string>

#include "platform/win/menu.h"
#include "platform/win/menu_testing.h"
#include "resources/resource.h"
#include "run/menu_path.h"
#include "run/run_fixture.h"

namespace {

TEST_F(RunReport, MenuItemsAreFoundByTheirTextsAsAUserReadsThem) {
    RegisterTessaroResources();
    CMenu menu;
    ASSERT_TRUE(CMenuTesting::LoadMenu(menu, IDR_MAINMENU));
    UINT nId = 0;
    std::string strShown;
    std::string strWhy;
    ASSERT_TRUE(
        FindMenuItemByPath(menu, "Options>TTL>TTL inputs send DataFile markers", nId, strShown, strWhy))
        << strWhy;
    EXPECT_EQ(static_cast<UINT>(ID_TTL_INPUT_MARKERS), nId);
    EXPECT_EQ("Options>TTL>TTL  inputs  send  DataFile  markers", strShown);
    ASSERT_TRUE(FindMenuItemByPath(menu, " file >  SAVE   parameters ", nId, strShown, strWhy)) << strWhy;
    EXPECT_EQ(static_cast<UINT>(ID_SAVE_PARAMETERS), nId);
    EXPECT_EQ("File>Save Parameters", strShown);
    ASSERT_TRUE(FindMenuItemByPath(menu, "&Help>&About", nId, strShown, strWhy)) << strWhy;
    EXPECT_EQ(static_cast<UINT>(ID_APP_ABOUT), nId);

    EXPECT_FALSE(FindMenuItemByPath(menu, "Options>TTL>TTL Tests", nId, strShown, strWhy));
    EXPECT_EQ("no menu item \"TTL Tests\" in Options>TTL", strWhy);
    EXPECT_FALSE(FindMenuItemByPath(menu, "Opts>TTL", nId, strShown, strWhy));
    EXPECT_EQ("no menu item \"Opts\" in the menu bar", strWhy);
    EXPECT_FALSE(FindMenuItemByPath(menu, "Options>TTL", nId, strShown, strWhy));
    EXPECT_EQ("Options>TTL is a menu, not an item", strWhy);
    EXPECT_FALSE(FindMenuItemByPath(menu, "File>Exit>Now", nId, strShown, strWhy));
    EXPECT_EQ("File>Exit is an item, not a menu", strWhy);
    EXPECT_FALSE(FindMenuItemByPath(nullptr, "File>Exit", nId, strShown, strWhy));
    EXPECT_FALSE(strWhy.empty());

    // A doubled '&' is the character itself; the accelerator after a tab is not part of the text.
    CMenu popup;
    ASSERT_TRUE(CMenuTesting::CreatePopupMenu(popup));
    ASSERT_TRUE(popup.AppendMenu(MF_STRING, 7001, "Salt && &Pepper\tCtrl+P"));
    ASSERT_TRUE(FindMenuItemByPath(popup, "salt & pepper", nId, strShown, strWhy)) << strWhy;
    EXPECT_EQ(7001u, nId);
    EXPECT_EQ("Salt & Pepper", strShown);
}

}  // namespace
