#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/discovery.h"
#include "platform/ul/cbw.h"
#include "platform/win/menu_testing.h"
#include "platform/win/user_agent_testing.h"
#include "support/main_dialog_fixture.h"

namespace {

class Discovery : public MainDialogFixture {
  protected:
    // The Board menu's entries after "No Board": (id, text).
    std::vector<std::pair<UINT, std::string>> BoardMenu() const {
        std::vector<std::pair<UINT, std::string>> entries;
        CMenu* pBoardMenu = m_pDlg->GetMenu()->GetSubMenu(1);
        for (UINT pos = 1; pos < CMenuTesting::GetMenuItemCount(*pBoardMenu); ++pos) {
            const UINT id = CMenuTesting::GetMenuItemID(*pBoardMenu, static_cast<int>(pos));
            CString text;
            CMenuTesting::GetMenuString(*pBoardMenu, id, text, MF_BYCOMMAND);
            entries.emplace_back(id, std::string(text.GetString()));
        }
        return entries;
    }
};

TEST_F(Discovery, WithoutDevicesOnlyTheSimulatedBoardExists) {
    Discover();
    EXPECT_TRUE(g_bLibraryInitialized);
    EXPECT_EQ(" Library Initialized: TRUE ", WindowText(IDC_BOARD_LABEL));
    EXPECT_TRUE(HostLog().empty());
    EXPECT_TRUE(Calls("cbCreateDaqDevice").empty());
    EXPECT_EQ(6u, Calls("cbGetBoardName").size());

    ASSERT_EQ(1, m_pDlg->m_nBoards);
    const CapabilitiesRecord& rec = g_CapabilitiesRecords[0];
    EXPECT_STREQ(SIMULATED_BOARD_NAME, rec.szName);
    EXPECT_STREQ("", rec.szSerial);
    EXPECT_EQ(0, rec.nBoardNum);
    EXPECT_EQ(8, rec.nAnalogChannels);
    EXPECT_EQ(8, m_pDlg->m_nChannels);
    EXPECT_TRUE(m_pDlg->m_bSimulatedBoard);
    const auto menu = BoardMenu();
    ASSERT_EQ(1u, menu.size());
    EXPECT_EQ(4201u, menu[0].first);
    EXPECT_EQ("PCI-DDA08/12-Demo,  S/N: ", menu[0].second);
}

TEST_F(Discovery, OneDio24IsLoggedCreatedAndFollowedByTheSimulatedBoard) {
    AttachDevices("PCI-DIO24:00ABCDEF");
    Discover();
    const std::vector<std::string> expected = {
        "~Tessaro discovered 1 DAQ device(s).", "   Device Name: PCI-DIO24", "     SerialNumber: 00ABCDEF",
        "     Product ID: " + std::to_string(CSimBoards::MakeDevice("PCI-DIO24", "x").nProductID),
        "     Assigned Board Number: 0"};
    EXPECT_EQ(expected, HostLog());
    SimBoardState state;
    ASSERT_TRUE(CSimBoards::GetBoardState(0, state));
    EXPECT_EQ(1, state.nFlashCount);

    ASSERT_EQ(2, m_pDlg->m_nBoards);
    EXPECT_EQ(PRODUCT_DIO24, g_CapabilitiesRecords[0].nProductType);
    EXPECT_EQ(0, g_CapabilitiesRecords[0].nBoardNum);
    EXPECT_STREQ(SIMULATED_BOARD_NAME, g_CapabilitiesRecords[1].szName);
    EXPECT_EQ(1, g_CapabilitiesRecords[1].nBoardNum);
    EXPECT_EQ(8, m_pDlg->m_nChannels);
    const auto menu = BoardMenu();
    ASSERT_EQ(2u, menu.size());
    EXPECT_EQ((std::pair<UINT, std::string>{4201u, "PCI-DIO24,  S/N: 00ABCDEF"}), menu[0]);
    EXPECT_EQ(4202u, menu[1].first);
}

TEST_F(Discovery, AnAnalogBoardBeforeTheGapPreventsTheSimulatedBoard) {
    AttachDevices("PCI-DIO24:A1,PCI-DDA02/12:B2,PCI-DDA04/12:C3");
    Discover();
    ASSERT_EQ(3, m_pDlg->m_nBoards);
    EXPECT_EQ(PRODUCT_DIO24, g_CapabilitiesRecords[0].nProductType);
    EXPECT_EQ(PRODUCT_DDA02, g_CapabilitiesRecords[1].nProductType);
    EXPECT_EQ(PRODUCT_DDA04, g_CapabilitiesRecords[2].nProductType);
    EXPECT_FALSE(m_pDlg->m_bSimulatedBoard);
    EXPECT_EQ(6, m_pDlg->m_nChannels);
    EXPECT_EQ(3u, BoardMenu().size());
    EXPECT_TRUE(CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()).empty());
}

TEST_F(Discovery, AProbeAnswering328SkipsTheBoardNumber) {
    AttachDevices("PCI-DDA08/12:A1,PCI-DDA02/12:B2");
    CSimBoards::FailCall("cbDIn", DEVNOTRESPONDING, ESimFail::Always, 0);
    Discover();
    ASSERT_EQ(1, m_pDlg->m_nBoards);
    EXPECT_EQ(PRODUCT_DDA02, g_CapabilitiesRecords[0].nProductType);
    EXPECT_EQ(1, g_CapabilitiesRecords[0].nBoardNum);
    EXPECT_EQ("PCI-DDA02/12,  S/N: B2", BoardMenu().at(0).second);
}

TEST_F(Discovery, MoreThanSixDevicesAreAllLoggedButOnlySixNumbersTried) {
    AttachDevices(
        "PCI-DIO24:S0,PCI-DIO24:S1,PCI-DIO24:S2,PCI-DIO24:S3,PCI-DIO24:S4,PCI-DIO24:S5,PCI-DIO24:S6,"
        "PCI-DIO24:S7");
    Discover();
    EXPECT_EQ("~Tessaro discovered 8 DAQ device(s).", HostLog().at(0));
    EXPECT_EQ("     Assigned Board Number: 7", HostLog().back());
    EXPECT_EQ(8u, Calls("cbCreateDaqDevice").size());
    EXPECT_EQ(8u, Calls("cbFlashLED").size());
    const auto names = Calls("cbGetBoardName");
    ASSERT_EQ(6u, names.size());
    EXPECT_EQ(5, names.back().nBoard);
    EXPECT_EQ(6, m_pDlg->m_nBoards);
    EXPECT_EQ(0, m_pDlg->m_nChannels);
}

TEST_F(Discovery, UnknownProductAndLongTextsSurviveWhole) {
    const std::string strLongName = "PCI-DDA08/12" + std::string(51, 'N');  // 63 characters
    const std::string strLongSerial(63, '7');
    CSimBoards::SetAttachedDevices(
        {CSimBoards::MakeDevice("XYZ-9000", "ABC123"), CSimBoards::MakeDevice(strLongName, strLongSerial)});
    Discover();
    ASSERT_EQ(2, m_pDlg->m_nBoards);
    EXPECT_STREQ("Unknown Board", g_CapabilitiesRecords[0].szName);
    EXPECT_EQ(PRODUCT_UNKNOWN, g_CapabilitiesRecords[0].nProductType);
    EXPECT_EQ(strLongName, g_CapabilitiesRecords[1].szName);
    EXPECT_EQ(strLongSerial, g_CapabilitiesRecords[1].szSerial);
    EXPECT_EQ("   Device Name: " + strLongName, HostLog().at(5));
    const auto menu = BoardMenu();
    EXPECT_EQ("Unknown Board,  S/N: ABC123", menu.at(0).second);
    EXPECT_EQ(strLongName + ",  S/N: " + strLongSerial, menu.at(1).second);
}

TEST_F(Discovery, NameQueryErrorAfterAnAnalogBoardShowsTheBoxAndEndsDiscovery) {
    AttachDevices("PCI-DDA02/12:A1");
    CSimBoards::FailCall("cbGetBoardName", BADREVISION, ESimFail::Once, 1);
    Discover();
    const auto boxes = CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(" MCL_determineBoards ERROR.\n\n Error: 2 ", std::string(boxes[0].strText.GetString()));
    EXPECT_EQ("Corvessa~Tessaro ", std::string(boxes[0].strCaption.GetString()));
    EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), CUserEventTesting::Icon(boxes[0]));
    EXPECT_TRUE(CUserEventTesting::IsTopmost(boxes[0]));
    EXPECT_TRUE(m_pDlg->m_bBoardError);
    // No board is in use yet, so the error line names none.
    EXPECT_EQ(" No Board **ERROR **", WindowText(IDC_MESSAGE_LINE));
    EXPECT_EQ(2u, Calls("cbGetBoardName").size());
    EXPECT_EQ(1, m_pDlg->m_nBoards);
    EXPECT_EQ(2, m_pDlg->m_nChannels);
}

TEST_F(Discovery, FailedInventoryCreatesNoDevice) {
    AttachDevices("PCI-DDA08/12:A1");
    CSimBoards::FailCall("cbGetDaqDeviceInventory", BADINTERFACE);
    Discover();
    const auto log = HostLog();
    ASSERT_EQ(1u, log.size());
    EXPECT_EQ(0u, log[0].rfind("~Tessaro ERROR: ", 0));
    EXPECT_TRUE(Calls("cbCreateDaqDevice").empty());
    ASSERT_EQ(1, m_pDlg->m_nBoards);
    EXPECT_STREQ(SIMULATED_BOARD_NAME, g_CapabilitiesRecords[0].szName);
}

TEST_F(Discovery, FailedLibraryStartIsShownAndRetried) {
    CSimBoards::FailCall("cbDeclareRevision", BADREVISION);
    EXPECT_EQ(-1, m_pDlg->InitUniversalLibrary());
    EXPECT_FALSE(g_bLibraryInitialized);
    EXPECT_EQ(" FAILED to initialize library.", WindowText(IDC_MESSAGE_LINE));
    EXPECT_EQ(151, m_pDlg->m_nMessageTicks);
    EXPECT_EQ(1u, HostLog().size());
    EXPECT_EQ(1, m_pDlg->InitUniversalLibrary());
    EXPECT_EQ(1, m_pDlg->InitUniversalLibrary());
    EXPECT_EQ(2u, Calls("cbDeclareRevision").size());
    float fRevision = 0.0f;
    ASSERT_TRUE(CSimBoards::GetDeclaredRevision(fRevision));
    EXPECT_EQ(6.5f, fRevision);
}

}  // namespace
