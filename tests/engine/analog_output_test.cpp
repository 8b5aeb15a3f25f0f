#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/analog_output.h"
#include "platform/ul/cbw.h"
#include "resources/resource.h"
#include "support/main_dialog_fixture.h"

namespace {

class AnalogOutput : public MainDialogFixture {
  protected:
    // Discovers the listed devices (none: the simulated board) and uses record 0; every channel on
    // domain 0..1, range 0..+5 V, its value text linked (and its clamp text when bClamp).
    void UseBoardOf(const std::string& strDevices, int nUlRange = UNI5VOLTS, bool bClamp = true) {
        if (!strDevices.empty()) AttachDevices(strDevices);
        Discover();
        UseBoard(0);
        for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
            g_Params.fDomainMin[ch] = 0.0f;
            g_Params.fDomainMax[ch] = 1.0f;
            g_Params.range[ch].nUlRange = nUlRange;
        }
        m_pValue = m_pDlg->GetDlgItem(IDC_NOTICE_LINE);
        m_pClamp = bClamp ? m_pDlg->GetDlgItem(IDC_STALLED) : nullptr;
        for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
            g_ChannelLinks.pValueText[ch] = m_pValue;
            g_ChannelLinks.pClampText[ch] = m_pClamp;
        }
        CSimBoards::ClearCallLog();
    }
    // The caller's side: the member first, then the call.
    void Write(int ch, float value, BOOL invert = FALSE) {
        m_pDlg->m_fSignalValue = value;
        m_pDlg->WriteAnalogOutput(ch, value, invert);
    }
    static int Code(int ch) {
        SimBoardState state;
        EXPECT_TRUE(CSimBoards::GetBoardState(0, state));
        return state.dacCodes.at(static_cast<size_t>(ch));
    }

    CWnd* m_pValue = nullptr;
    CWnd* m_pClamp = nullptr;
};

TEST_F(AnalogOutput, ScalesTruncatesAndInverts) {
    UseBoardOf("PCI-DDA08/12:A1");
    Write(0, 0.5f);
    EXPECT_EQ(2047, Code(0));
    EXPECT_EQ(" 0.500", WindowText(m_pValue));
    Write(1, 1.0f);
    EXPECT_EQ(4095, Code(1));
    Write(1, 1.0f, TRUE);
    EXPECT_EQ(0, Code(1));
    EXPECT_EQ(" 0.00", WindowText(m_pClamp));
    EXPECT_EQ("cbAOut(0, 1, 101, 0) = 0", Calls("cbAOut").back().strText);
    EXPECT_TRUE(g_bAnalogWritten);
}

TEST_F(AnalogOutput, ValuesOutsideTheDomainAreShownAndNotWritten) {
    UseBoardOf("PCI-DDA08/12:A1");
    Write(0, 0.0f);  // the lower bound passes
    Write(0, 1.0f);  // the upper bound passes
    EXPECT_EQ(2u, Calls("cbAOut").size());
    Write(0, 1.01f);
    EXPECT_EQ(" 1.01 Out Of Domain", WindowText(m_pValue));
    Write(0, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ("  nan Out Of Domain", WindowText(m_pValue));
    EXPECT_EQ(2u, Calls("cbAOut").size());
    EXPECT_EQ(4095, Code(0));

    g_ChannelLinks.pClampText[0] = nullptr;
    Write(0, -0.5f);
    EXPECT_EQ(" Signal:( -0.50 ) OUT OF DOMAIN,  Volts: Clamped", WindowText(m_pValue));

    g_Params.fDomainMin[2] = 1.0f;  // min above max: nothing is ever in the domain
    g_Params.fDomainMax[2] = 0.0f;
    for (float v : {0.0f, 0.5f, 1.0f}) Write(2, v);
    EXPECT_EQ(2u, Calls("cbAOut").size());
}

TEST_F(AnalogOutput, NonFiniteDomainsAreScalingErrorsAndAnEmptyOneHoldsNoValue) {
    UseBoardOf("PCI-DDA08/12:A1");
    const float inf = std::numeric_limits<float>::infinity();
    g_Params.fDomainMin[0] = -inf;
    g_Params.fDomainMax[0] = inf;
    Write(0, 0.5f);
    EXPECT_EQ(" 0.50 DOMAIN SCALING ERROR", WindowText(m_pValue));
    g_Params.fDomainMin[1] = std::numeric_limits<float>::quiet_NaN();
    Write(1, 0.5f);
    EXPECT_EQ(" 0.50 DOMAIN SCALING ERROR", WindowText(m_pValue));
    // min == max: not even the bound itself lies inside (nothing is divided by the empty width).
    g_Params.fDomainMin[2] = 0.25f;
    g_Params.fDomainMax[2] = 0.25f;
    g_ChannelLinks.pClampText[2] = nullptr;
    Write(2, 0.25f);
    EXPECT_EQ(" Signal:( 0.25 ) OUT OF DOMAIN,  Volts: Clamped", WindowText(m_pValue));
    g_Params.fDomainMin[3] = 0.0f;
    g_Params.fDomainMax[3] = 0.0f;
    Write(3, 0.0f);
    EXPECT_EQ(" 0.00 Out Of Domain", WindowText(m_pValue));
    EXPECT_TRUE(Calls("cbAOut").empty());
    EXPECT_FALSE(g_bAnalogWritten);
}

TEST_F(AnalogOutput, ZeroingParksAChannelWithAnEmptyDomainAtCodeZero) {
    UseBoardOf("PCI-DDA08/12:A1");
    Write(0, 1.0f);
    Write(1, 1.0f);
    ASSERT_EQ(4095, Code(0));
    for (int ch : {0, 1}) g_Params.fDomainMin[ch] = g_Params.fDomainMax[ch] = ch == 0 ? 0.0f : 0.5f;
    g_Params.bInvert[0] = 1;  // zeroing never inverts
    m_pDlg->m_nChannels = 2;
    CSimBoards::ClearCallLog();
    m_pDlg->ZeroAnalogOutputs(-1);
    EXPECT_EQ(0, Code(0));
    EXPECT_EQ(0, Code(1));
    EXPECT_EQ(2u, Calls("cbAOut").size());
    EXPECT_EQ(" 0.00", WindowText(m_pClamp));
    // A frame's value is still refused.
    Write(0, 0.0f);
    EXPECT_EQ(" 0.00 Out Of Domain", WindowText(m_pValue));
    EXPECT_EQ(2u, Calls("cbAOut").size());
}

TEST_F(AnalogOutput, The1208LsWritesOneCallInTenPlusExactValues) {
    UseBoardOf("USB-1208LS:A1");
    Write(0, 0.3f);  // the first write always goes through
    ASSERT_EQ(1u, Calls("cbAOut").size());
    EXPECT_EQ(306, Code(0));  // 1022 x 0.3 truncated
    for (int i = 0; i < 9; ++i) Write(i % 2, 0.3f);
    EXPECT_EQ(1u, Calls("cbAOut").size());
    Write(1, 0.3f);  // the tenth, counted over both channels
    EXPECT_EQ(2u, Calls("cbAOut").size());
    Write(0, 1.0f);  // exact: written at once, and it still counts
    EXPECT_EQ(3u, Calls("cbAOut").size());
    EXPECT_EQ(1022, Code(0));
    EXPECT_EQ(1, g_nDecimationCounter);
    for (int i = 0; i < 8; ++i) Write(0, 0.3f);
    EXPECT_EQ(3u, Calls("cbAOut").size());
    Write(0, 0.3f);
    EXPECT_EQ(4u, Calls("cbAOut").size());
    // The display code is on the 12-bit scale: 306 x 4.0029325 truncated.
    EXPECT_EQ(0u, Calls("cbToEngUnits").back().strText.rfind("cbToEngUnits(0, 101, 1224, ", 0));
}

TEST_F(AnalogOutput, AChannelBeyondTheBoardIsNotWrittenButItsLevelShown) {
    UseBoardOf("PCI-DDA02/12:A1");
    Write(3, 1.0f);
    EXPECT_TRUE(Calls("cbAOut").empty());
    const auto conversions = Calls("cbToEngUnits");
    ASSERT_EQ(1u, conversions.size());
    EXPECT_EQ(0u, conversions[0].strText.rfind("cbToEngUnits(0, 101, 4095,", 0));
    EXPECT_EQ(" 5.00", WindowText(m_pClamp));
}

TEST_F(AnalogOutput, TheSimulatedBoardShowsItsOwnVoltsTable) {
    UseBoardOf("", UNI5VOLTS, false);
    Write(0, 1.0f);  // 4095 / 4096 x 5 = 4.9987793
    EXPECT_EQ(" Signal:( 1.00 ),  Volts:( 5.00 )", WindowText(m_pValue));
    g_Params.range[1].nUlRange = 77;  // not a range: -10..+10
    Write(1, 0.0f);
    EXPECT_EQ(" Signal:( 0.00 ),  Volts:( -10.00 )", WindowText(m_pValue));
    EXPECT_TRUE(CSimBoards::GetCallLog().empty());
}

TEST_F(AnalogOutput, The1208HsShowsItsFixedSpan) {
    UseBoardOf("USB-1208HS:A1", BIP10VOLTS);
    Write(0, 0.25f);
    EXPECT_EQ(" -5.00", WindowText(m_pClamp));
    Write(0, 0.25f, TRUE);
    EXPECT_EQ(" 5.00", WindowText(m_pClamp));
}

TEST_F(AnalogOutput, AFailedWriteIsShownForFiveSecondsAndLosesOnlyThatSample) {
    UseBoardOf("PCI-DDA08/12:A1");
    Write(0, 0.5f);
    CSimBoards::FailCall("cbAOut", BADDACVALUE);
    Write(0, 0.75f);
    char text[ERRSTRLEN];
    cbGetErrMsg(BADDACVALUE, text);
    EXPECT_EQ(std::string("GetErrMsg: ") + text + " #0", WindowText(IDC_MESSAGE_LINE));
    EXPECT_EQ(151, m_pDlg->m_nMessageTicks);
    EXPECT_FALSE(m_pDlg->m_bBoardError);
    EXPECT_EQ(" 0.500", WindowText(m_pValue));
    EXPECT_EQ(2047, Code(0));
    Write(0, 0.75f);
    EXPECT_EQ(3071, Code(0));
}

TEST_F(AnalogOutput, NothingHappensWithoutAnAnalogBoard) {
    AttachDevices("PCI-DIO24:A1");
    Discover();
    UseBoard(0);
    CSimBoards::ClearCallLog();
    g_ChannelLinks.pValueText[0] = m_pDlg->GetDlgItem(IDC_NOTICE_LINE);
    Write(0, 0.5f);
    g_Params.nBoardIndex = -1;
    Write(0, 0.5f);
    g_Params.nBoardIndex = 5;  // names no filled record
    m_pDlg->m_nBoardFamily = FAMILY_DDA;
    Write(0, 0.5f);
    EXPECT_TRUE(CSimBoards::GetCallLog().empty());
    EXPECT_EQ("Static", WindowText(IDC_NOTICE_LINE));
}

}  // namespace
