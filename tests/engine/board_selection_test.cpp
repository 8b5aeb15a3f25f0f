#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/ul/cbw.h"
#include "platform/win/controls_testing.h"
#include "platform/win/menu_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_agent_testing.h"
#include "resources/resource.h"
#include "support/main_dialog_fixture.h"

namespace {

class BoardSelection : public MainDialogFixture {
  protected:
    // Discovers the listed devices (none: only the simulated board) and gives every channel a usable
    // domain, so that zeroing writes code 0.
    void DiscoverBoards(const std::string& strDevices) {
        if (!strDevices.empty()) AttachDevices(strDevices);
        Discover();
        for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
            g_Params.fDomainMin[ch] = 0.0f;
            g_Params.fDomainMax[ch] = 1.0f;
            g_Params.range[ch] = {4, UNI5VOLTS};
        }
        CSimBoards::ClearCallLog();
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    }
    HMENU Menu() const { return ::GetMenu(m_pDlg->GetSafeHwnd()); }
    UINT ItemState(UINT nId) const { return ::GetMenuState(Menu(), nId, MF_BYCOMMAND); }
    UINT OptionsState(int nPos) const { return ::GetMenuState(::GetSubMenu(Menu(), 2), nPos, MF_BYPOSITION); }
    bool Visible(int nId) const { return m_pDlg->GetDlgItem(nId)->IsWindowVisible() != FALSE; }
    static std::vector<std::string> CallTexts() {
        std::vector<std::string> texts;
        for (const SimCallRecord& rec : CSimBoards::GetCallLog()) texts.push_back(rec.strText);
        return texts;
    }
    static std::vector<std::string> CallNames() {
        std::vector<std::string> names;
        for (const SimCallRecord& rec : CSimBoards::GetCallLog()) names.push_back(rec.strName);
        return names;
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const CUserEvent& ev : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
            texts.push_back(ev.strText.Str());
        return texts;
    }
};

}  // namespace

TEST_F(BoardSelection, NoBoardFromADdaZeroesItsOutputsFirstAndDisablesTheOptions) {
    DiscoverBoards("PCI-DDA08/12:A1");
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    m_pDlg->TTL_setOutput_to_values(0x55);
    const int nBoardNum = g_Params.nBoardNum;
    CSimBoards::ClearCallLog();

    m_pDlg->SelectBoard(ID_BOARD_NONE);
    std::vector<std::string> expected = {"cbDOut(0, 14, 0) = 0"};
    for (int ch = 0; ch < 8; ++ch) expected.push_back("cbAOut(0, " + std::to_string(ch) + ", 101, 0) = 0");
    std::vector<std::string> writes;
    for (const std::string& text : CallTexts())
        if (text.rfind("cbDOut", 0) == 0 || text.rfind("cbAOut", 0) == 0) writes.push_back(text);
    EXPECT_EQ(expected, writes);
    for (const std::string& name : CallNames()) {
        EXPECT_NE("cbDConfigPort", name);
        EXPECT_NE("cbCClear", name);
    }

    EXPECT_EQ(" No Board (or not selected).", WindowText(IDC_TTL_INPUT));
    EXPECT_EQ(" No Board (or not selected).", WindowText(IDC_TTL_OUTPUT));
    EXPECT_EQ("No Board", WindowText(IDC_BOARD_LABEL));
    for (int pos = 0; pos < 3; ++pos)
        EXPECT_EQ(MF_DISABLED | MF_GRAYED, OptionsState(pos) & (MF_DISABLED | MF_GRAYED));
    EXPECT_FALSE(AfxSimulateMenuChoice(m_pDlg->GetSafeHwnd(), ID_TTL_TEST_MODE));
    EXPECT_TRUE(ItemState(ID_BOARD_NONE) & MF_CHECKED);
    EXPECT_FALSE(ItemState(ID_BOARD_FIRST) & MF_CHECKED);
    EXPECT_EQ(ID_BOARD_NONE, g_Params.nBoardMenuId);
    EXPECT_EQ(-1, g_Params.nBoardIndex);
    EXPECT_EQ(nBoardNum, g_Params.nBoardNum);
    EXPECT_EQ('\0', g_Params.szBoardName[0]);
    EXPECT_EQ(FAMILY_NONE, m_pDlg->m_nBoardFamily);
    EXPECT_EQ(8, m_pDlg->m_nChannels);  // the counts keep their values
    EXPECT_EQ(0, m_pDlg->m_nPulsePort);

    // The board-error state is left as it is, and with it set nothing is zeroed.
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    m_pDlg->m_bBoardError = TRUE;
    CSimBoards::ClearCallLog();
    m_pDlg->SelectBoard(ID_BOARD_NONE);
    EXPECT_TRUE(m_pDlg->m_bBoardError);
    EXPECT_TRUE(CallTexts().empty());
}

TEST_F(BoardSelection, TheSimulatedBoardConfiguresNoPortButClearsItsCounter) {
    DiscoverBoards("");
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    EXPECT_TRUE(m_pDlg->m_bSimulatedBoard);
    EXPECT_EQ(FAMILY_DDA, m_pDlg->m_nBoardFamily);
    EXPECT_EQ(8, m_pDlg->m_nChannels);
    EXPECT_EQ(8, m_pDlg->m_nBoardAnalogChannels);
    EXPECT_EQ(std::string(SIMULATED_BOARD_NAME), g_Params.szBoardName);
    EXPECT_EQ(ID_BOARD_FIRST, g_Params.nBoardMenuId);
    EXPECT_EQ(0, g_Params.nBoardIndex);
    EXPECT_EQ(std::vector<std::string>{"cbCClear"}, CallNames());
    EXPECT_EQ(0, CSimBoards::GetCallLog().front().nBoard);
    EXPECT_EQ(" Inputs are active", WindowText(IDC_TTL_INPUT));
    EXPECT_EQ(" Initialized to zero", WindowText(IDC_TTL_OUTPUT));
    EXPECT_EQ(std::string(SIMULATED_BOARD_NAME) + " ", WindowText(IDC_BOARD_LABEL));
    EXPECT_EQ(0, m_pDlg->m_nPulsePort);
    EXPECT_FALSE(m_pDlg->m_bBoardError);

    CWnd* pScroll = m_pDlg->GetDlgItem(IDC_CHANNEL_SCROLL);
    EXPECT_TRUE(pScroll->IsWindowVisible());
    int nMin = -1, nMax = -1;
    ::GetScrollRange(pScroll->GetSafeHwnd(), SB_CTL, &nMin, &nMax);
    EXPECT_EQ(0, nMin);
    EXPECT_EQ(6, nMax);
    EXPECT_EQ(0, ::GetScrollPos(pScroll->GetSafeHwnd(), SB_CTL));
    for (int pos = 0; pos < 3; ++pos) EXPECT_EQ(0u, OptionsState(pos) & (MF_DISABLED | MF_GRAYED));
    EXPECT_EQ(MF_DISABLED | MF_GRAYED, ItemState(ID_PULSE_EDGE_DETECTION) & (MF_DISABLED | MF_GRAYED));
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(BoardSelection, ADio24ReappliesTheSavedInterruptChoiceAndGraysTheThreshold) {
    DiscoverBoards("PCI-DIO24:B2");  // record 0 the DIO24, record 1 the simulated board
    ASSERT_EQ(2, m_pDlg->m_nBoards);
    g_Params.bExternalInterrupt = TRUE;  // as a loaded file holds it
    m_pDlg->SelectBoard(ID_BOARD_FIRST);

    const std::vector<std::string> calls = CallTexts();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ("cbDConfigPort(0, 11, 1) = 0", calls[0]);
    EXPECT_EQ("cbDConfigPort(0, 10, 2) = 0", calls[1]);
    EXPECT_EQ("cbDConfigPort(0, 12, 1) = 0", calls[2]);
    EXPECT_EQ("cbEnableEvent", CSimBoards::GetCallLog()[3].strName);
    EXPECT_EQ("cbCClear(0, 0) = 0", calls.back());
    SimBoardState state;
    ASSERT_TRUE(CSimBoards::GetBoardState(0, state));
    EXPECT_TRUE(state.bInterruptEnabled);
    EXPECT_TRUE(g_Params.bExternalInterrupt);
    EXPECT_TRUE(m_pDlg->m_bPulsePortConfigured);
    EXPECT_EQ(FIRSTPORTCL, m_pDlg->m_nPulsePort);
    EXPECT_TRUE(Visible(IDC_TRIGGER_LED));
    EXPECT_EQ(0u, ItemState(ID_PULSE_EDGE_DETECTION) & (MF_DISABLED | MF_GRAYED));
    EXPECT_TRUE(ItemState(ID_PULSE_EDGE_DETECTION) & MF_CHECKED);
    EXPECT_EQ(MF_GRAYED, OptionsState(2) & MF_GRAYED);
    EXPECT_EQ(0u, OptionsState(0) & (MF_DISABLED | MF_GRAYED));
    EXPECT_FALSE(m_pDlg->GetDlgItem(IDC_CHANNEL_SCROLL)->IsWindowVisible());
    EXPECT_EQ(" Inputs are active", WindowText(IDC_TTL_INPUT));
    EXPECT_EQ(" Initialized to zero", WindowText(IDC_TTL_OUTPUT));

    // Leaving it for the simulated board disables the event; the item is grayed again.
    CSimBoards::ClearCallLog();
    m_pDlg->SelectBoard(ID_BOARD_FIRST + 1);
    ASSERT_FALSE(CallTexts().empty());
    EXPECT_EQ("cbDisableEvent(0, 2) = 0", CallTexts().front());
    ASSERT_TRUE(CSimBoards::GetBoardState(0, state));
    EXPECT_FALSE(state.bInterruptEnabled);
    EXPECT_FALSE(g_Params.bExternalInterrupt);
    EXPECT_FALSE(Visible(IDC_TRIGGER_LED));
    EXPECT_FALSE(Visible(IDC_TRIGGER_LABEL));
    EXPECT_EQ(MF_DISABLED | MF_GRAYED, ItemState(ID_PULSE_EDGE_DETECTION) & (MF_DISABLED | MF_GRAYED));
    EXPECT_EQ(0, m_pDlg->m_nPulsePort);
    EXPECT_EQ(1, g_Params.nBoardNum);
}

TEST_F(BoardSelection, AnUnknownBoardRaisesMinus8AndWritesNothingUntilAnotherBoard) {
    DiscoverBoards("XYZ-9999:C3,PCI-DDA08/12:A1");
    ASSERT_STREQ("Unknown Board", g_CapabilitiesRecords[0].szName);
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    EXPECT_EQ(std::vector<std::string>{" Port Config Unknown.\n Error: -8 "}, BoxTexts());
    EXPECT_EQ("Corvessa~Tessaro ",
              CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()).front().strCaption.Str());
    EXPECT_TRUE(m_pDlg->m_bBoardError);
    EXPECT_EQ(std::vector<std::string>{"cbCClear"}, CallNames());
    EXPECT_EQ(" Inputs are active", WindowText(IDC_TTL_INPUT));
    EXPECT_NE(" Initialized to zero", WindowText(IDC_TTL_OUTPUT));
    EXPECT_EQ(MF_GRAYED, OptionsState(2) & MF_GRAYED);

    // Frames and zeroing write nothing while the state holds; the next selection clears it.
    m_pDlg->ZeroAnalogOutputs(-1);
    m_pDlg->TTL_setOutput_to_zero("x");
    EXPECT_EQ(1u, CSimBoards::GetCallLog().size());
    CSimBoards::ClearCallLog();
    m_pDlg->SelectBoard(ID_BOARD_FIRST + 1);
    EXPECT_FALSE(m_pDlg->m_bBoardError);
    EXPECT_EQ("cbDConfigPort(1, 14, 1) = 0", CallTexts().front());
    EXPECT_EQ(" Initialized to zero", WindowText(IDC_TTL_OUTPUT));
}

TEST_F(BoardSelection, EachFamilyConfiguresItsOwnPorts) {
    DiscoverBoards("PCI-DDA08/12:A1,USB-1208LS:A2,USB-1208HS:A3");
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    const std::vector<std::string> first = CallTexts();
    ASSERT_GE(first.size(), 4u);
    EXPECT_EQ((std::vector<std::string>{"cbDConfigPort(0, 14, 1) = 0", "cbDConfigPort(0, 10, 2) = 0",
                                        "cbDConfigPort(0, 15, 1) = 0", "cbDOut(0, 14, 0) = 0"}),
              std::vector<std::string>(first.begin(), first.begin() + 4));
    EXPECT_EQ(SECONDPORTB, m_pDlg->m_nPulsePort);
    EXPECT_EQ(0, CSimBoards::GetTtlOutputByte(0));

    // Re-choosing the current board runs the whole sequence again.
    m_pDlg->OutputRoiCode();
    CSimBoards::ClearCallLog();
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    EXPECT_EQ("cbDOut(0, 14, 0) = 0", CallTexts().front());
    int nConfig = 0;
    for (const std::string& name : CallNames()) nConfig += name == "cbDConfigPort";
    EXPECT_EQ(3, nConfig);

    CSimBoards::ClearCallLog();
    m_pDlg->SelectBoard(ID_BOARD_FIRST + 1);  // 1208LS: two channels, no scroll bar
    std::vector<std::string> config;
    for (const std::string& text : CallTexts())
        if (text.rfind("cbDConfig", 0) == 0) config.push_back(text);
    EXPECT_EQ((std::vector<std::string>{"cbDConfigPort(1, 11, 1) = 0", "cbDConfigPort(1, 10, 2) = 0"}),
              config);
    EXPECT_FALSE(m_pDlg->GetDlgItem(IDC_CHANNEL_SCROLL)->IsWindowVisible());
    EXPECT_EQ(0, m_pDlg->m_nPulsePort);
    EXPECT_EQ(2, m_pDlg->m_nChannels);

    CSimBoards::ClearCallLog();
    m_pDlg->SelectBoard(ID_BOARD_FIRST + 2);  // 1208HS: bits 0..7 in, 8..15 out, nothing written to them
    config.clear();
    for (const std::string& text : CallTexts())
        if (text.rfind("cbDConfig", 0) == 0 || text.rfind("cbDBitOut", 0) == 0) config.push_back(text);
    std::vector<std::string> expected;
    for (int bit = 0; bit < 16; ++bit)
        expected.push_back("cbDConfigBit(2, 1, " + std::to_string(bit) + ", " + (bit < 8 ? "2" : "1") +
                           ") = 0");
    EXPECT_EQ(expected, config);
    const std::vector<std::string> hs = CallTexts();
    EXPECT_NE(hs.end(), std::find(hs.begin(), hs.end(), "cbCClear(2, 0) = 0"));
    EXPECT_EQ(" Initialized to zero", WindowText(IDC_TTL_OUTPUT));
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(BoardSelection, ALibraryFailureAtAnyPointOfThePortConfigurationGivesItsOneBox) {
    DiscoverBoards("PCI-DDA08/12:A1");
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    // The configuration's library calls in order: ports 14, 10, 15, the zeroing write, the counter.
    const std::vector<std::string> expectedBoxes = {
        " TTL port could not be set for output.\n Error: -10",
        " TTL port could not be set for input pulses.\n Error: -9 ",
        " TTL port could not be set for output.\n Error: -10", " TTL_setOutput_to_zero.\n Error: -4 ", ""};
    for (int nFailing = 0; nFailing < 5; ++nFailing) {
        SCOPED_TRACE(nFailing);
        m_pDlg->ClearBoardError(FALSE);
        m_pDlg->m_pTtlOutputLine->SetWindowText("");
        m_pDlg->m_pTtlInputLine->SetWindowText("");
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
        CSimBoards::ClearCallLog();
        int nCalls = 0;
        auto arm = [](const std::string& strCall) {
            CSimBoards::FailCall(strCall, BADPORTNUM, ESimFail::Once);
        };
        const char* names[] = {"cbDConfigPort", "cbDConfigPort", "cbDConfigPort", "cbDOut", "cbCClear"};
        if (nFailing == 0) arm(names[0]);
        CSimBoards::SetCallHook([&](const SimCallRecord&) {
            if (++nCalls == nFailing) arm(names[nFailing]);
        });
        m_pDlg->ConfigureTtlPorts();
        CSimBoards::SetCallHook(nullptr);

        // A port failure leaves the outputs unzeroed: no write between the ports and the counter.
        EXPECT_EQ(nFailing < 3 ? 4 : 5, nCalls);
        const std::vector<std::string> boxes = BoxTexts();
        if (expectedBoxes[nFailing].empty()) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_FALSE(m_pDlg->m_bBoardError);
            EXPECT_EQ(" Initialized to zero", WindowText(IDC_TTL_OUTPUT));
        } else {
            EXPECT_EQ(std::vector<std::string>{expectedBoxes[nFailing]}, boxes);
            EXPECT_TRUE(m_pDlg->m_bBoardError);
            EXPECT_NE(" Initialized to zero", WindowText(IDC_TTL_OUTPUT));
        }
        EXPECT_EQ(nFailing == 1 ? "" : " Inputs are active", WindowText(IDC_TTL_INPUT));
        EXPECT_EQ("cbCClear", CallNames().back());
    }

    // Every port call failing: the input box only, and the selection ends in the board-error state.
    CSimBoards::FailCall("cbDConfigPort", BADPORTNUM, ESimFail::Always);
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    EXPECT_EQ(std::vector<std::string>{" TTL port could not be set for input pulses.\n Error: -9 "},
              BoxTexts());
    EXPECT_TRUE(m_pDlg->m_bBoardError);
}

TEST_F(BoardSelection, AnIdWithoutARecordChangesNothing) {
    DiscoverBoards("PCI-DDA08/12:A1,PCI-DIO24:B2");
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    const ParameterBlock before = g_Params;
    const int nFamily = m_pDlg->m_nBoardFamily;
    const std::string strOutput = WindowText(IDC_TTL_OUTPUT);
    CSimBoards::ClearCallLog();
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    for (UINT id : {0u, 4199u, 4203u, 4207u, 0xFFFFu, 0xFFFFFFFFu, 0x80000000u, 0x10000u + 4199u}) {
        SCOPED_TRACE(id);
        m_pDlg->SelectBoard(id);
        EXPECT_EQ(0, std::memcmp(&before, &g_Params, sizeof before));
        EXPECT_EQ(nFamily, m_pDlg->m_nBoardFamily);
        EXPECT_EQ(strOutput, WindowText(IDC_TTL_OUTPUT));
        EXPECT_TRUE(ItemState(ID_BOARD_FIRST) & MF_CHECKED);
    }
    EXPECT_TRUE(CSimBoards::GetCallLog().empty());
    EXPECT_TRUE(CRecordingUserAgentTesting::Events(AfxGetScriptedUserAgent()).empty());

    // Only the low 16 bits count.
    m_pDlg->SelectBoard(0x10000u + ID_BOARD_FIRST + 1);
    EXPECT_EQ(ID_BOARD_FIRST + 1, g_Params.nBoardMenuId);
    EXPECT_EQ(FAMILY_DIO24, m_pDlg->m_nBoardFamily);
    EXPECT_TRUE(ItemState(ID_BOARD_FIRST + 1) & MF_CHECKED);
}

TEST_F(BoardSelection, AFailingRadioMarkShowsTheSystemTextAndTheSelectionGoesOn) {
    DiscoverBoards("PCI-DDA08/12:A1");
    ::DeleteMenu(::GetSubMenu(Menu(), 1), ID_BOARD_FIRST, MF_BYCOMMAND);
    CWinSimulationTesting::SetSystemMessage(ERROR_MENU_ITEM_NOT_FOUND, "Menu item not found.");
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    const std::vector<CUserEvent> boxes = CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("CheckMenuRadioItem", boxes[0].strCaption.Str());
    EXPECT_EQ("Menu item not found.", boxes[0].strText.Str());
    EXPECT_EQ(FAMILY_DDA, m_pDlg->m_nBoardFamily);
    EXPECT_EQ(" Initialized to zero", WindowText(IDC_TTL_OUTPUT));
}

TEST_F(BoardSelection, ABoardChosenWhileABoxIsOpenIsTheOneThatStands) {
    DiscoverBoards("XYZ-9999:C3,PCI-DDA08/12:A1");
    // The -8 box of the unknown board is open when the user picks the DDA board.
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDOK,
                                           [this] { m_pDlg->SelectBoard(ID_BOARD_FIRST + 1); });
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    EXPECT_EQ(std::vector<std::string>{" Port Config Unknown.\n Error: -8 "}, BoxTexts());
    EXPECT_EQ(ID_BOARD_FIRST + 1, g_Params.nBoardMenuId);
    EXPECT_EQ(FAMILY_DDA, m_pDlg->m_nBoardFamily);
    EXPECT_EQ(" Initialized to zero", WindowText(IDC_TTL_OUTPUT));
    int nClears = 0;
    for (const std::string& name : CallNames()) nClears += name == "cbCClear";
    EXPECT_EQ(1, nClears);  // only the DDA board's configuration ran to its end

    // The same while the box of a failed Board menu mark is open: No Board stands.
    ::DeleteMenu(::GetSubMenu(Menu(), 1), ID_BOARD_FIRST, MF_BYCOMMAND);
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDOK,
                                           [this] { m_pDlg->SelectBoard(ID_BOARD_NONE); });
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    EXPECT_EQ(ID_BOARD_NONE, g_Params.nBoardMenuId);
    EXPECT_EQ(FAMILY_NONE, m_pDlg->m_nBoardFamily);
    EXPECT_EQ(" No Board (or not selected).", WindowText(IDC_TTL_OUTPUT));
}
