// The advanced dialog as a user meets it: Help > QVL Advanced, its switches, its access row, OK and
// Cancel, and what the main dialog takes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/channel_panel.h"
#include "app/tessaro_app.h"
#include "app/text_helpers.h"
#include "platform/hostlib/sim_host.h"
#include "platform/win/controls_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/window_testing.h"
#include "resources/advanced_dialog_resource.h"
#include "support/advanced_dialog_fixture.h"

namespace {

const std::vector<std::string> kOpeningCommands = {
    "smoothingpoints 1",   "positiveLock off", "pupilThreshold 0.5",   "pupilType bright", "setROI_AllOff",
    "setROI_Selection 1",  "penplot -all",     "penplot +Xpupil",      "penplot +Xgaze",   "penplot +ROI",
    "penplot +Processing", "penplot +FPS",     "penPlot_Range ROI 0 4"};
const std::string kChannelCountMessage =
    "Please enter a number between 2 and 16     \nfor the number of D/A channels.   ";

class AdvancedDialog : public AdvancedDialogFixture {};

TEST_F(AdvancedDialog, WithoutABoardTheEntryLooksEnabledAndOpensNothing) {
    StartWithBoard("PCI-DDA08/12");
    ASSERT_TRUE(AfxUserChooseMenu(m_pDlg->GetSafeHwnd(), ID_BOARD_NONE));
    ASSERT_EQ(-1, g_Params.nBoardIndex);
    const UINT nState = ::GetMenuState(::GetMenu(m_pDlg->GetSafeHwnd()), ID_ADVANCED, MF_BYCOMMAND);
    EXPECT_EQ(0u, nState & (MF_GRAYED | MF_DISABLED));
    const size_t nCommands = HostCommands().size();
    EXPECT_FALSE(RunAdvanced({}));
    EXPECT_EQ(0, m_nOpenings);
    EXPECT_EQ(nCommands, HostCommands().size());
    EXPECT_FALSE(m_pDlg->m_bAdvancedOpen);
}

TEST_F(AdvancedDialog, EveryOpeningSendsTheThirteenCommandsBeforeTheUserActs) {
    StartWithBoard("PCI-DDA08/12");
    for (int nOpening = 0; nOpening < 2; ++nOpening) {
        const size_t nBefore = HostCommands().size();
        std::vector<std::string> seen;
        CRect rcWindow;
        bool bMarked = false;
        ASSERT_TRUE(RunAdvanced({[&](CQVLMisc& dlg) {
            const std::vector<std::string> all = HostCommands();
            seen.assign(all.begin() + static_cast<long>(nBefore), all.end());
            dlg.GetWindowRect(&rcWindow);
            bMarked = m_pDlg->m_bAdvancedOpen && g_pAdvancedDlg == &dlg;
            EXPECT_FALSE(Enabled(dlg, IDC_ADV_START));
            EXPECT_FALSE(Visible(dlg, IDC_ADV_PASSWORD));  // unlocked: the access row is hidden
            EXPECT_TRUE(Enabled(dlg, IDOK));
            EXPECT_EQ("100", Text(dlg, IDC_ADV_LED6_ON));
            EXPECT_EQ("200", Text(dlg, IDC_ADV_LED7_ON));
            EXPECT_EQ("QVL Advanced", WindowText(&dlg));
            AfxUserPressEscape(dlg.GetSafeHwnd());
        }}));
        EXPECT_EQ(kOpeningCommands, seen);
        EXPECT_EQ(315, rcWindow.Width());
        EXPECT_EQ(575, rcWindow.Height());
        EXPECT_TRUE(bMarked);
        EXPECT_FALSE(m_pDlg->m_bAdvancedOpen);
        EXPECT_EQ(nullptr, g_pAdvancedDlg);
    }
    EXPECT_EQ(2, m_nOpenings);
}

TEST_F(AdvancedDialog, AnAnalogBoardEditsTheChannelCountAndADigitalOneTheTestPulse) {
    StartWithBoard("PCI-DDA08/12,PCI-DIO24");
    ASSERT_TRUE(RunAdvanced({[&](CQVLMisc& dlg) {
        EXPECT_TRUE(Enabled(dlg, IDC_ADV_CHANNELS));
        EXPECT_TRUE(Enabled(dlg, IDC_ADV_CHANNELS_LABEL));
        EXPECT_FALSE(Enabled(dlg, IDC_ADV_TTL_TEST_PULSE));
        EXPECT_FALSE(Visible(dlg, IDC_ADV_PIN_NOTE));
        EXPECT_EQ("8", Text(dlg, IDC_ADV_CHANNELS));
        EXPECT_FALSE(Enabled(dlg, IDC_ADV_PULSE_GENERATOR));
        for (int i = 0; i < 8; ++i) {
            EXPECT_FALSE(Enabled(dlg, IDC_ADV_GEN_ENABLE_FIRST + i));
            EXPECT_FALSE(Enabled(dlg, IDC_ADV_GEN_CYCLE_FIRST + i));
        }
        EXPECT_FALSE(Visible(dlg, IDC_ADV_LOOPS));
        EXPECT_FALSE(Visible(dlg, IDCANCEL));
        AfxUserPressEscape(dlg.GetSafeHwnd());
    }}));

    ASSERT_TRUE(AfxUserChooseMenu(m_pDlg->GetSafeHwnd(), ID_BOARD_FIRST + 1));
    const int nChannelsBefore = m_pDlg->m_nChannels;
    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc& dlg) {
            EXPECT_FALSE(Enabled(dlg, IDC_ADV_CHANNELS));
            EXPECT_TRUE(Enabled(dlg, IDC_ADV_TTL_TEST_PULSE));
            EXPECT_TRUE(Visible(dlg, IDC_ADV_PIN_NOTE));
            Click(dlg, IDC_ADV_TTL_TEST_PULSE);
        },
        [&](CQVLMisc& dlg) { AfxUserPressEnter(dlg.GetSafeHwnd()); },  // OK: no 2..16 check
    }));
    EXPECT_EQ(0, CountBoxes(kChannelCountMessage));
    EXPECT_EQ(nChannelsBefore, m_pDlg->m_nChannels);
    EXPECT_TRUE(m_pDlg->m_bTtlTestPulse);
    EXPECT_NE(std::string::npos, WindowText(IDC_BOARD_LABEL).find("(Short TTL pulse)"));
}

TEST_F(AdvancedDialog, OkTakesANewChannelCountOnlyWhenItChanged) {
    StartWithBoard("PCI-DDA08/12");
    CAnalogOutputChannel* pFirst = m_pDlg->m_pChannelDlg[0];
    ASSERT_NE(nullptr, pFirst);
    ASSERT_TRUE(RunAdvanced({[&](CQVLMisc& dlg) { AfxUserPressEnter(dlg.GetSafeHwnd()); }}));
    EXPECT_EQ(pFirst, m_pDlg->m_pChannelDlg[0]);  // unchanged count: the panels stay

    m_pDlg->m_nFirstVisibleChannel = 3;
    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc& dlg) { Type(dlg, IDC_ADV_CHANNELS, "17"); },
        [&](CQVLMisc& dlg) { AfxUserPressEnter(dlg.GetSafeHwnd()); },
        [&](CQVLMisc& dlg) {
            EXPECT_EQ(1, CountBoxes(kChannelCountMessage));  // stays open with the typed value
            EXPECT_EQ("17", Text(dlg, IDC_ADV_CHANNELS));
            Type(dlg, IDC_ADV_CHANNELS, "2");
        },
        [&](CQVLMisc& dlg) { AfxUserPressEnter(dlg.GetSafeHwnd()); },
    }));
    EXPECT_EQ(2, m_pDlg->m_nChannels);
    EXPECT_EQ(0, m_pDlg->m_nFirstVisibleChannel);
    EXPECT_FALSE(m_pDlg->GetDlgItem(IDC_CHANNEL_SCROLL)->IsWindowVisible());
    ASSERT_NE(nullptr, m_pDlg->m_pChannelDlg[0]);
    EXPECT_EQ(nullptr, m_pDlg->m_pChannelDlg[2]);

    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc& dlg) { Type(dlg, IDC_ADV_CHANNELS, "6"); },
        [&](CQVLMisc& dlg) { AfxUserPressEnter(dlg.GetSafeHwnd()); },
    }));
    EXPECT_EQ(6, m_pDlg->m_nChannels);
    EXPECT_TRUE(m_pDlg->GetDlgItem(IDC_CHANNEL_SCROLL)->IsWindowVisible());
    int nMin = -1, nMax = -1;
    ::GetScrollRange(m_pDlg->GetDlgItem(IDC_CHANNEL_SCROLL)->GetSafeHwnd(), SB_CTL, &nMin, &nMax);
    EXPECT_EQ(0, nMin);
    EXPECT_EQ(4, nMax);
    EXPECT_NE(nullptr, m_pDlg->m_pChannelDlg[5]);
    EXPECT_EQ(nullptr, m_pDlg->m_pChannelDlg[6]);
}

TEST_F(AdvancedDialog, ARefusedOnTimeKeepsTheDialogOpenAndNothingChanges) {
    StartWithBoard("PCI-DDA08/12");
    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc& dlg) { Type(dlg, IDC_ADV_LED6_ON, "0"); },
        [&](CQVLMisc& dlg) { AfxUserPressEnter(dlg.GetSafeHwnd()); },
        [&](CQVLMisc& dlg) {
            // The dialog's own exchange and the base class's OK both refuse it.
            EXPECT_EQ(2, CountBoxes("Enter a number between 1 and 10000."));
            EXPECT_TRUE(dlg.IsWindowVisible());
            Type(dlg, IDC_ADV_LED6_ON, "x");
        },
        [&](CQVLMisc& dlg) { AfxUserPressEnter(dlg.GetSafeHwnd()); },
        [&](CQVLMisc& dlg) {
            EXPECT_EQ(2, CountBoxes("Enter a number."));
            Type(dlg, IDC_ADV_LED6_ON, "250");
            Type(dlg, IDC_ADV_LED7_ON, "10000");
        },
        [&](CQVLMisc& dlg) { AfxUserPressEnter(dlg.GetSafeHwnd()); },
    }));
    EXPECT_EQ(250, m_pDlg->m_nLed6OnMs);
    EXPECT_EQ(10000, m_pDlg->m_nLed7OnMs);
}

TEST_F(AdvancedDialog, CancelKeepsTheCopiesButNotTheUiSwitchAndStillRaisesTheAbort) {
    StartWithBoard("PCI-DDA08/12");
    m_pDlg->m_bBurstAbort = FALSE;
    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc& dlg) {
            Click(dlg, IDC_ADV_HOST_DISABLED);
            Type(dlg, IDC_ADV_LED6_ON, "42");
            Type(dlg, IDC_ADV_CHANNELS, "4");
            Click(dlg, IDC_ADV_UI_DISABLED);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_TRUE(theApp.m_bUiUpdatesDisabled);  // at once, on the click
            AfxUserClose(dlg.GetSafeHwnd());
        },
    }));
    EXPECT_TRUE(theApp.m_bUiUpdatesDisabled);
    EXPECT_FALSE(theApp.m_bHostInterfaceDisabled);
    EXPECT_EQ(100, m_pDlg->m_nLed6OnMs);
    EXPECT_EQ(8, m_pDlg->m_nChannels);
    EXPECT_TRUE(m_pDlg->m_bBurstAbort);

    // The next opening shows the application's switch.
    ASSERT_TRUE(RunAdvanced({[&](CQVLMisc& dlg) {
        EXPECT_EQ(BST_CHECKED,
                  ::SendMessage(::GetDlgItem(dlg.GetSafeHwnd(), IDC_ADV_UI_DISABLED), BM_GETCHECK, 0, 0));
        AfxUserPressEscape(dlg.GetSafeHwnd());
    }}));
}

TEST_F(AdvancedDialog, OkWithTheHostInterfaceDisabledPollsTheHostAtOnce) {
    StartWithBoard("PCI-DDA08/12");
    m_pDlg->m_bHostAttached = TRUE;
    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc& dlg) {
            Click(dlg, IDC_ADV_HOST_DISABLED);
            SimHost().SetAttached(false);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_TRUE(m_pDlg->m_bHostAttached);  // nothing reaches the main dialog before OK
            AfxUserPressEnter(dlg.GetSafeHwnd());
        },
    }));
    EXPECT_TRUE(theApp.m_bHostInterfaceDisabled);
    EXPECT_FALSE(m_pDlg->m_bHostAttached);
}

TEST_F(AdvancedDialog, TheAccessRowUnlocksOnlyOnTheExactCode) {
    StartWithBoard("PCI-DDA08/12");
    theApp.m_bAdvancedUnlocked = FALSE;
    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc& dlg) {
            EXPECT_TRUE(Visible(dlg, IDC_ADV_PASSWORD));
            EXPECT_FALSE(Enabled(dlg, IDOK));
            EXPECT_FALSE(Enabled(dlg, IDC_ADV_HOST_DISABLED));
            Type(dlg, IDC_ADV_PASSWORD, "kwd");
            Click(dlg, IDC_ADV_PW);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_FALSE(theApp.m_bAdvancedUnlocked);
            EXPECT_TRUE(Visible(dlg, IDC_ADV_PASSWORD));
            EXPECT_EQ("kwd", Text(dlg, IDC_ADV_PASSWORD));
            Type(dlg, IDC_ADV_PASSWORD, "kWd ");
            Click(dlg, IDC_ADV_PW);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_FALSE(theApp.m_bAdvancedUnlocked);
            Type(dlg, IDC_ADV_PASSWORD, "kWd");
            Click(dlg, IDC_ADV_PW);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_TRUE(theApp.m_bAdvancedUnlocked);
            EXPECT_FALSE(Visible(dlg, IDC_ADV_PASSWORD));
            EXPECT_TRUE(Enabled(dlg, IDOK));
            EXPECT_TRUE(Enabled(dlg, IDC_ADV_START));
            AfxUserPressEscape(dlg.GetSafeHwnd());
        },
    }));
    EXPECT_TRUE(theApp.m_bAdvancedUnlocked);  // until the program ends
}

TEST_F(AdvancedDialog, ATimerThatCannotBeSetIsReportedAndTheDialogOpensAllTheSame) {
    StartWithBoard("PCI-DDA08/12");
    CWinSimulationTesting::FailSetTimer(TIMER_ADVANCED, TRUE);
    ASSERT_TRUE(RunAdvanced({[&](CQVLMisc& dlg) {
        EXPECT_EQ(0u, dlg.m_nTimer);
        AfxUserPressEscape(dlg.GetSafeHwnd());
    }}));
    CWinSimulationTesting::FailSetTimer(TIMER_ADVANCED, FALSE);
    EXPECT_EQ(1, CountBoxes("Could not setup default timer."));
}

}  // namespace
