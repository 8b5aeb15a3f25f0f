#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ul/cbw.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_agent_testing.h"
#include "resources/resource.h"
#include "support/main_dialog_fixture.h"

namespace {

class Options : public MainDialogFixture {
  protected:
    HMENU Menu() const { return ::GetMenu(m_pDlg->GetSafeHwnd()); }
    bool Checked(UINT nId) const { return (::GetMenuState(Menu(), nId, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    // The one item of first..last that carries the mark, 0 for none.
    UINT MarkedOf(UINT first, UINT last) const {
        UINT nMarked = 0;
        for (UINT id = first; id <= last; ++id)
            if (Checked(id)) nMarked = nMarked == 0 ? id : 1;
        return nMarked;
    }
    bool Visible(int nId) const { return m_pDlg->GetDlgItem(nId)->IsWindowVisible() != FALSE; }
    static std::vector<CUserEvent> Boxes() {
        return CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent());
    }
};

}  // namespace

TEST_F(Options, QualityThresholdLevelsAndMenuIds) {
    struct Case {
        int nValue;
        UINT nMarked;
        int nStored;
    };
    for (const Case& c : {Case{0, ID_QUALITY_GLINT_GOOD, 0}, Case{5, ID_QUALITY_SCAN_FAILED, 5},
                          Case{7, ID_QUALITY_FALL_BACK, 2}, Case{32785, ID_QUALITY_CRITERIA_FAILED, 3},
                          Case{-5, ID_QUALITY_FALL_BACK, 2}, Case{3, ID_QUALITY_CRITERIA_FAILED, 3},
                          Case{ID_QUALITY_PUPIL_ONLY, ID_QUALITY_PUPIL_ONLY, 1}}) {
        SCOPED_TRACE(c.nValue);
        m_pDlg->SetQualityThreshold(c.nValue);
        EXPECT_EQ(c.nMarked, MarkedOf(ID_QUALITY_SCAN_FAILED, ID_QUALITY_GLINT_GOOD));
        EXPECT_EQ(c.nStored, g_Params.nQualityThreshold);
    }
    EXPECT_TRUE(Boxes().empty());

    // An id outside the submenu (a damaged file's 99): the system's text, the mark kept, level 2 stored.
    m_pDlg->SetQualityThreshold(99);
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_EQ("CheckMenuRadioItem(Quality)", Boxes()[0].strCaption.Str());
    EXPECT_EQ(ID_QUALITY_PUPIL_ONLY, MarkedOf(ID_QUALITY_SCAN_FAILED, ID_QUALITY_GLINT_GOOD));
    EXPECT_EQ(2, g_Params.nQualityThreshold);
}

TEST_F(Options, TtlRadixMarksStoresAndSwitchesLinesAndLeds) {
    m_pDlg->SetTtlRadix(ID_TTL_HEX, TRUE);
    EXPECT_EQ(static_cast<UINT>(ID_TTL_HEX), MarkedOf(ID_TTL_BINARY, ID_TTL_LEDS));
    EXPECT_EQ(ID_TTL_HEX, g_Params.nTtlRadixId);
    EXPECT_TRUE(Visible(IDC_TTL_OUTPUT));
    EXPECT_TRUE(Visible(IDC_TTL_INPUT));
    EXPECT_FALSE(Visible(IDC_OUTPUT_LED_FIRST));
    EXPECT_FALSE(Visible(IDC_INPUT_LED_FIRST + 7));
    // Both lines re-show their last values in the new radix.
    EXPECT_EQ(" No Board (or not selected):  (hex) 0", WindowText(IDC_TTL_OUTPUT));
    EXPECT_EQ(" bitCode : (hex) 0", WindowText(IDC_TTL_INPUT));

    m_pDlg->SetTtlRadix(ID_TTL_LEDS, TRUE);
    EXPECT_EQ(static_cast<UINT>(ID_TTL_LEDS), MarkedOf(ID_TTL_BINARY, ID_TTL_LEDS));
    EXPECT_FALSE(Visible(IDC_TTL_OUTPUT));
    EXPECT_FALSE(Visible(IDC_TTL_INPUT));
    EXPECT_TRUE(Visible(IDC_OUTPUT_LED_FIRST + 3));
    EXPECT_TRUE(Visible(IDC_BIT_NUMBER_FIRST));
    EXPECT_TRUE(Boxes().empty());

    // A radix id of 0 cannot be marked: a box only when asked for; the id is stored all the same.
    CWinSimulationTesting::SetSystemMessage(ERROR_MENU_ITEM_NOT_FOUND, nullptr);
    m_pDlg->SetTtlRadix(0, FALSE);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(0, g_Params.nTtlRadixId);
    m_pDlg->SetTtlRadix(0, TRUE);
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_EQ("CheckMenuRadioItem(TTL)", Boxes()[0].strCaption.Str());
    EXPECT_EQ("Stop Crashes", Boxes()[0].strText.Str());
    EXPECT_EQ(static_cast<UINT>(ID_TTL_LEDS), MarkedOf(ID_TTL_BINARY, ID_TTL_LEDS));
}

TEST_F(Options, InputMarkersAndRoiOutputKeepFieldMarkAndLineInStep) {
    m_pDlg->EnableTtlInputMarkers(FALSE);
    EXPECT_FALSE(Checked(ID_TTL_INPUT_MARKERS));
    EXPECT_EQ(0, g_Params.bTtlInputMarkers);
    EXPECT_EQ(" Input is OFF  ", WindowText(IDC_TTL_INPUT));
    m_pDlg->EnableTtlInputMarkers(TRUE);
    EXPECT_TRUE(Checked(ID_TTL_INPUT_MARKERS));
    EXPECT_EQ(1, g_Params.bTtlInputMarkers);
    EXPECT_EQ(" No Board (or not selected).", WindowText(IDC_TTL_INPUT));

    // ROI output on without a board only shows the line: no write, no poll.
    m_pDlg->EnableRoiOutput(TRUE);
    EXPECT_TRUE(Checked(ID_TTL_ROI_OUTPUT));
    EXPECT_EQ(" No Board (or not selected).", WindowText(IDC_TTL_OUTPUT));
    EXPECT_TRUE(CSimBoards::GetCallLog().empty());

    AttachDevices("PCI-DDA08/12:A1");
    Discover();
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    m_pDlg->EnableTtlInputMarkers(TRUE);
    EXPECT_EQ(" Input is ON.", WindowText(IDC_TTL_INPUT));

    m_pDlg->TTL_setOutput_to_values(0x55);
    ASSERT_EQ(0x55, CSimBoards::GetTtlOutputByte(0));
    CSimBoards::ClearCallLog();
    m_pDlg->EnableRoiOutput(FALSE);
    EXPECT_FALSE(Checked(ID_TTL_ROI_OUTPUT));
    EXPECT_EQ(0, g_Params.bRoiOutput);
    EXPECT_EQ(0, CSimBoards::GetTtlOutputByte(0));
    EXPECT_EQ(" TTL zeroed when outputs of ROI is disabled.", WindowText(IDC_TTL_OUTPUT));

    CSimBoards::SetPortInput(0, FIRSTPORTA, 0x01);
    CSimBoards::ClearCallLog();
    m_pDlg->m_nInputPollTicks = 9;
    m_pDlg->EnableRoiOutput(TRUE);
    EXPECT_TRUE(Checked(ID_TTL_ROI_OUTPUT));
    EXPECT_EQ(1, g_Params.bRoiOutput);
    EXPECT_EQ(0, m_pDlg->m_nInputPollTicks);
    // The immediate poll reads the inputs; the output line keeps the text.
    const std::vector<SimCallRecord> reads = Calls("cbDIn");
    ASSERT_EQ(1u, reads.size());
    EXPECT_EQ(FIRSTPORTA, std::stoi(reads[0].args.at(1)));
    EXPECT_EQ(" Output is ON.", WindowText(IDC_TTL_OUTPUT));
}

TEST_F(Options, LastErrorShowsTheSystemTextOrStopCrashes) {
    CWinSimulationTesting::SetSystemMessage(ERROR_ACCESS_DENIED, "Access is denied.");
    ::SetLastError(ERROR_ACCESS_DENIED);
    m_pDlg->ShowLastError("Caption A");
    ::SetLastError(0x7654321);
    m_pDlg->ShowLastError("Caption B");
    const std::vector<CUserEvent> boxes = Boxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Caption A", boxes[0].strCaption.Str());
    EXPECT_EQ("Access is denied.", boxes[0].strText.Str());
    EXPECT_EQ("Stop Crashes", boxes[1].strText.Str());
    for (const CUserEvent& box : boxes) {
        EXPECT_EQ(nullptr, box.hOwner);
        EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), CUserEventTesting::Icon(box));
        EXPECT_EQ(static_cast<UINT>(MB_OK), CUserEventTesting::Buttons(box));
    }
}
