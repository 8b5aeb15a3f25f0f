#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/frame_processing.h"
#include "engine/signal_codes.h"
#include "engine/ttl_inputs.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "platform/win/controls_testing.h"
#include "resources/resource.h"
#include "support/main_dialog_fixture.h"

namespace {

constexpr int kValueTextId = 5000;
constexpr int kClampTextId = 5100;

class FrameProcessing : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        g_nLastCounterValue = 0;
        // Good data for both eyes unless a test says otherwise.
        SimHost().ForceDataQuality(0, 0);
        SimHost().ForceDataQuality(1, 0);
        for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
            m_value[ch] = std::make_unique<CStatic>();
            m_clamp[ch] = std::make_unique<CStatic>();
            ASSERT_TRUE(CStaticTesting::Create(*m_value[ch], "", WS_CHILD, CRect(0, 0, 80, 10), m_pDlg.get(),
                                               kValueTextId + ch));
            ASSERT_TRUE(CStaticTesting::Create(*m_clamp[ch], "", WS_CHILD, CRect(0, 0, 80, 10), m_pDlg.get(),
                                               kClampTextId + ch));
        }
    }
    void TearDown() override {
        ClearChannelLinks();
        for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
            if (m_value[ch]) m_value[ch]->DestroyWindow();
            if (m_clamp[ch]) m_clamp[ch]->DestroyWindow();
        }
        MainDialogFixture::TearDown();
    }

    // Discovers the devices (none: the simulated board) and uses record 0: every channel on the test
    // signal 0, eye A, domain 0..1, range 0..+5 V, not inverted, with both panel texts linked (only the
    // value text when !bClamp).
    void UseBoardOf(const std::string& strDevices, bool bClamp = true) {
        if (!strDevices.empty()) AttachDevices(strDevices);
        Discover();
        UseBoard(0);
        for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
            g_Params.nSignalCode[ch] = MakeSignalCode(SIGNAL_TEST_ZERO, AXIS_NONE);
            g_Params.nEye[ch] = 0;
            g_Params.fDomainMin[ch] = 0.0f;
            g_Params.fDomainMax[ch] = 1.0f;
            g_Params.range[ch].nUlRange = UNI5VOLTS;
            g_Params.bInvert[ch] = FALSE;
            g_ChannelLinks.pValueText[ch] = m_value[ch].get();
            g_ChannelLinks.pClampText[ch] = bClamp ? m_clamp[ch].get() : nullptr;
        }
        g_Params.nQualityThreshold = 2;
        g_Params.bTtlInputMarkers = TRUE;
        CSimBoards::ClearCallLog();
    }
    static int Code(int ch) {
        SimBoardState state;
        EXPECT_TRUE(CSimBoards::GetBoardState(g_Params.nBoardNum, state));
        return state.dacCodes.at(static_cast<size_t>(ch));
    }
    static int AnalogWrites(int ch) {
        int n = 0;
        for (const SimCallRecord& rec : Calls("cbAOut"))
            if (rec.args.size() > 1 && rec.args[1] == std::to_string(ch)) ++n;
        return n;
    }
    static std::string Markers() {
        std::string s;
        for (const SimHostMarker& m : SimHost().Markers()) s += m.cLetter;
        return s;
    }
    static int Truncated(float f) { return static_cast<int>(4095.0f * f); }
    std::string Value(int ch) const { return WindowText(m_value[ch].get()); }
    std::string Clamp(int ch) const { return WindowText(m_clamp[ch].get()); }

    std::unique_ptr<CStatic> m_value[MAX_CHANNELS];
    std::unique_ptr<CStatic> m_clamp[MAX_CHANNELS];
};

TEST_F(FrameProcessing, TheGetterTablePicksTheComponentByAxis) {
    SimHost().ForceGazePoint(0, 0.25f, 0.75f);
    SimHost().ForceGazePoint(1, 0.125f, 0.625f);
    EXPECT_EQ(0.25f, ReadSignalValue(SIGNAL_GAZE_POINT, AXIS_X, 0));
    EXPECT_EQ(0.75f, ReadSignalValue(SIGNAL_GAZE_POINT, AXIS_Y, 0));
    EXPECT_EQ(0.625f, ReadSignalValue(SIGNAL_GAZE_POINT, AXIS_Y, 1));
    // Only an axis whose low two bits are 2 picks the second component.
    EXPECT_EQ(0.25f, ReadSignalValue(SIGNAL_GAZE_POINT, AXIS_Z, 0));
    EXPECT_EQ(0.25f, ReadSignalValue(SIGNAL_GAZE_POINT, AXIS_NONE, 0));
    EXPECT_EQ(0.75f, ReadSignalValue(SIGNAL_GAZE_POINT, 6, 0));

    // Each kind reads its own getter, with the eye where it has one.
    using Pair = int (*)(int, float*);
    using Single = int (*)(int, double*);
    const std::vector<std::pair<int, Pair>> pairs = {
        {14, CRS_GetGazePointCorrected2}, {15, CRS_GetComponentVelocity2}, {16, CRS_GetPupilSize2},
        {17, CRS_GetPupilPoint2},         {18, CRS_GetGlintPoint2},        {19, CRS_GetDiffVector2},
        {21, CRS_GetGazeAngle2},          {22, CRS_GetGazeAngleCorrected2}};
    for (const auto& [kind, pfn] : pairs) {
        for (int eye : {0, 1}) {
            float v[2] = {};
            pfn(eye, v);
            EXPECT_EQ(v[0], ReadSignalValue(kind, AXIS_X, eye)) << kind;
            EXPECT_EQ(v[1], ReadSignalValue(kind, AXIS_Y, eye)) << kind;
        }
    }
    const std::vector<std::pair<int, Single>> singles = {
        {20, CRS_GetTorsion2},        {23, CRS_GetPupilAngle2},       {24, CRS_GetPupilDiameter2},
        {25, CRS_GetTotalVelocity2},  {26, CRS_GetPupilAspectRatio2}, {28, CRS_GetDrift2},
        {29, CRS_GetFixationSeconds2}};
    for (const auto& [kind, pfn] : singles) {
        for (int eye : {0, 1}) {
            double v = 0.0;
            pfn(eye, &v);
            // The axis is ignored for single values.
            EXPECT_EQ(static_cast<float>(v), ReadSignalValue(kind, AXIS_Y, eye)) << kind;
        }
    }
    SimHost().ForceDataQuality(1, 4);
    EXPECT_EQ(4.0f, ReadSignalValue(SIGNAL_DATA_QUALITY, AXIS_X, 1));
    int nPanel = -1;
    CRS_GetPanelHit(0, &nPanel);
    EXPECT_EQ(static_cast<float>(nPanel), ReadSignalValue(SIGNAL_PANEL_HIT, AXIS_NONE, 0));

    float xyz[3] = {};
    CRS_GetGazePoint3D(xyz);
    EXPECT_EQ(xyz[0], ReadSignalValue(SIGNAL_GAZE_POINT_3D, AXIS_X, 0));
    EXPECT_EQ(xyz[1], ReadSignalValue(SIGNAL_GAZE_POINT_3D, AXIS_Y, 0));
    EXPECT_EQ(xyz[2], ReadSignalValue(SIGNAL_GAZE_POINT_3D, AXIS_Z, 0));
    EXPECT_EQ(xyz[0], ReadSignalValue(SIGNAL_GAZE_POINT_3D, 6, 0));
    float hv[2] = {};
    CRS_GetVergenceAngle(hv);
    EXPECT_EQ(hv[0], ReadSignalValue(SIGNAL_VERGENCE_ANGLE, AXIS_X, 1));
    CRS_GetVersionAngle(hv);
    EXPECT_EQ(hv[1], ReadSignalValue(SIGNAL_VERSION_ANGLE, AXIS_Y, 0));
    CRS_GetVersionComponentVelocity(hv);
    EXPECT_EQ(hv[1], ReadSignalValue(SIGNAL_VERSION_COMPONENT_VELOCITY, AXIS_Y, 0));
    double dVersion = 0.0;
    CRS_GetVersionTotalVelocity(&dVersion);
    EXPECT_EQ(static_cast<float>(dVersion), ReadSignalValue(SIGNAL_VERSION_TOTAL_VELOCITY, AXIS_NONE, 0));

    for (int kind : {0, 10, 11, 12, 30, 37, 40, 0xFFFF})
        EXPECT_EQ(0.0f, ReadSignalValue(kind, AXIS_X, 0)) << kind;
}

TEST_F(FrameProcessing, EyeBWithoutBinocularModeIsNoticedAndStillWritten) {
    UseBoardOf("PCI-DDA08/12:A1");
    SimHost().ForceGazePoint(0, 0.9f, 0.9f);
    SimHost().ForceGazePoint(1, 0.3f, 0.6f);
    g_Params.nSignalCode[0] = MakeSignalCode(SIGNAL_GAZE_POINT, AXIS_X);
    g_Params.nSignalCode[1] = MakeSignalCode(SIGNAL_GAZE_POINT, AXIS_Y);
    g_Params.nEye[0] = g_Params.nEye[1] = 1;
    m_pDlg->m_nChannels = 2;
    m_pDlg->m_bBinocular = FALSE;

    m_pDlg->ProcessFreshData();
    EXPECT_EQ("EyeB was selected, but Binocular Mode is not Active.", WindowText(IDC_MESSAGE_LINE));
    EXPECT_EQ(151, m_pDlg->m_nMessageTicks);
    EXPECT_EQ(Truncated(0.3f), Code(0));
    EXPECT_EQ(Truncated(0.6f), Code(1));
    EXPECT_EQ(0.6f, m_pDlg->m_fSignalValue);

    m_pDlg->m_pMessageLine->SetWindowText("");
    m_pDlg->m_nMessageTicks = 0;
    m_pDlg->m_bBinocular = TRUE;
    SimHost().ForceGazePoint(1, 0.5f, 0.25f);
    m_pDlg->ProcessFreshData();
    EXPECT_EQ("", WindowText(IDC_MESSAGE_LINE));
    EXPECT_EQ(0, m_pDlg->m_nMessageTicks);
    EXPECT_EQ(Truncated(0.5f), Code(0));
    EXPECT_EQ(Truncated(0.25f), Code(1));
}

TEST_F(FrameProcessing, QualityAtTheThresholdIsGoodAndAboveItParksTheChannel) {
    UseBoardOf("PCI-DDA08/12:A1");
    m_pDlg->m_bBinocular = TRUE;
    SimHost().ForceGazePoint(0, 0.5f, 0.5f);
    SimHost().ForceGazePoint(1, 0.75f, 0.75f);
    for (int ch : {0, 1, 2}) g_Params.nSignalCode[ch] = MakeSignalCode(SIGNAL_GAZE_POINT, AXIS_X);
    g_Params.nEye[1] = g_Params.nEye[2] = 1;
    g_Params.bInvert[1] = TRUE;
    g_ChannelLinks.pClampText[2] = nullptr;
    g_Params.bZeroOnBadScan = TRUE;

    m_pDlg->ProcessFreshData();
    EXPECT_EQ(Truncated(0.25f), Code(1));  // inverted
    EXPECT_EQ(Truncated(0.75f), Code(2));

    SimHost().ForceDataQuality(0, 2);  // equal to the threshold: good
    SimHost().ForceDataQuality(1, 3);  // one above: bad
    CSimBoards::ClearCallLog();
    m_pDlg->ProcessFreshData();
    EXPECT_EQ(Truncated(0.5f), Code(0));
    EXPECT_EQ(" 0.500", Value(0));
    // Parked at the signal value 0.0, not inverted; the notice stays on the panel.
    EXPECT_EQ(0, Code(1));
    EXPECT_EQ(0, Code(2));
    EXPECT_EQ(" BAD SCAN notice (quality=3)", Value(1));
    EXPECT_EQ(" ", Clamp(1));
    EXPECT_EQ(" BAD SCAN notice from Corvessa (quality=3)", Value(2));

    // Without parking the bad channels keep their last level.
    g_Params.bZeroOnBadScan = FALSE;
    SimHost().ForceDataQuality(1, 0);
    m_pDlg->ProcessFreshData();
    SimHost().ForceDataQuality(1, 5);
    CSimBoards::ClearCallLog();
    m_pDlg->ProcessFreshData();
    EXPECT_EQ(0, AnalogWrites(1));
    EXPECT_EQ(0, AnalogWrites(2));
    EXPECT_EQ(Truncated(0.75f), Code(2));
    EXPECT_EQ(" BAD SCAN notice (quality=5)", Value(1));

    // A negative threshold makes quality 0 bad: the compare is signed.
    g_Params.nQualityThreshold = -1;
    SimHost().ForceDataQuality(0, 0);
    m_pDlg->ProcessFreshData();
    EXPECT_EQ(" BAD SCAN notice (quality=0)", Value(0));
}

TEST_F(FrameProcessing, TheBoardErrorStateEndsTheFrameAtTheFirstHostChannel) {
    UseBoardOf("PCI-DDA08/12:A1");
    SimHost().ForceGazePoint(0, 0.3f, 0.3f);
    g_Params.nSignalCode[0] = MakeSignalCode(SIGNAL_TEST_ONE, AXIS_NONE);
    g_Params.nSignalCode[1] = MakeSignalCode(SIGNAL_GAZE_POINT, AXIS_X);
    g_Params.nSignalCode[2] = MakeSignalCode(SIGNAL_TEST_ONE, AXIS_NONE);
    g_Params.nSignalCode[3] = MakeSignalCode(SIGNAL_SAWTOOTH, AXIS_NONE);
    g_Params.bRoiOutput = FALSE;
    m_pDlg->m_bBoardError = TRUE;
    m_pDlg->m_nFrameSawToothChannels = 7;
    m_pDlg->m_nInputPollTicks = 9;
    m_pDlg->m_pTtlOutputLine->SetWindowText("unchanged");
    const std::uint32_t nPolls = g_nTtlPollCount;

    m_pDlg->ProcessFreshData();
    EXPECT_EQ(4095, Code(0));
    EXPECT_EQ(" Error: 0.30", Value(1));
    EXPECT_EQ("  ", Clamp(1));
    EXPECT_EQ(0.3f, m_pDlg->m_fSignalValue);
    EXPECT_EQ(0, AnalogWrites(1));
    EXPECT_EQ(0, AnalogWrites(2));
    // No tally, no input poll, no TTL line text.
    EXPECT_EQ(7, m_pDlg->m_nFrameSawToothChannels);
    EXPECT_EQ(9, m_pDlg->m_nInputPollTicks);
    EXPECT_EQ(nPolls, g_nTtlPollCount);
    EXPECT_EQ("unchanged", WindowText(m_pDlg->m_pTtlOutputLine));

    g_ChannelLinks.pClampText[1] = nullptr;
    m_pDlg->ProcessFreshData();
    EXPECT_EQ(" Error for Signal:( 0.30 ) ", Value(1));

    // Bad data in the board-error state: the notice, no parking, and the frame goes on.
    g_Params.bZeroOnBadScan = TRUE;
    SimHost().ForceDataQuality(0, 5);
    CSimBoards::ClearCallLog();
    m_pDlg->ProcessFreshData();
    EXPECT_EQ(" BAD SCAN notice from Corvessa (quality=5)", Value(1));
    EXPECT_EQ(0, AnalogWrites(1));
    EXPECT_EQ(1, AnalogWrites(2));
    EXPECT_EQ(1, m_pDlg->m_nFrameSawToothChannels);
}

TEST_F(FrameProcessing, KindsWithoutASignalWriteZeroAndSawToothChannelsAreCounted) {
    UseBoardOf("PCI-DDA08/12:A1");
    for (int ch = 0; ch < 8; ++ch) g_Params.nSignalCode[ch] = MakeSignalCode(SIGNAL_TEST_ONE, AXIS_NONE);
    m_pDlg->ProcessFreshData();
    for (int ch = 0; ch < 8; ++ch) ASSERT_EQ(4095, Code(ch));

    g_Params.nSignalCode[0] = MakeSignalCode(30, AXIS_X);
    g_Params.nSignalCode[1] = MakeSignalCode(40, AXIS_NONE);
    g_Params.nSignalCode[2] = MakeSignalCode(30, AXIS_NONE);
    g_Params.bInvert[2] = TRUE;
    g_Params.nSignalCode[3] = 0;
    g_Params.nSignalCode[4] = MakeSignalCode(SIGNAL_SAWTOOTH, AXIS_NONE);
    g_Params.nSignalCode[5] = MakeSignalCode(SIGNAL_SAWTOOTH, AXIS_NONE);
    g_Params.nSignalCode[6] = MakeSignalCode(SIGNAL_TEST_ZERO, AXIS_NONE);
    g_Params.bInvert[6] = TRUE;  // test signals are never inverted
    CSimBoards::ClearCallLog();
    m_pDlg->ProcessFreshData();
    EXPECT_EQ(0, Code(0));
    EXPECT_EQ(0, Code(1));
    EXPECT_EQ(4095, Code(2));
    EXPECT_EQ(0, Code(3));
    EXPECT_EQ(0, AnalogWrites(4));
    EXPECT_EQ(0, AnalogWrites(5));
    EXPECT_EQ(0, Code(6));
    EXPECT_EQ(2, m_pDlg->m_nFrameSawToothChannels);

    // The loop bound is m_nChannels, at most the 16 entries of the arrays.
    m_pDlg->m_nChannels = 3;
    m_pDlg->ProcessFreshData();
    EXPECT_EQ(0, m_pDlg->m_nFrameSawToothChannels);
    m_pDlg->m_nChannels = 1000;
    m_pDlg->ProcessFreshData();
    EXPECT_EQ(2, m_pDlg->m_nFrameSawToothChannels);
}

TEST_F(FrameProcessing, ACounterMovedByFiveGivesOneMarkerAndOneMessage) {
    UseBoardOf("PCI-DDA08/12:A1");
    m_pDlg->ProcessFreshData();
    EXPECT_EQ("", Markers());

    ASSERT_TRUE(CSimBoards::AdvanceCounter(g_Params.nBoardNum, 5));
    const LONGLONG nBefore = CClock::NowMicros();
    m_pDlg->ProcessFreshData();
    EXPECT_EQ(1000, CClock::NowMicros() - nBefore);  // the one wait of a frame
    EXPECT_EQ("Q", Markers());
    const auto messages = SimHost().DistributedMessages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(10747904, messages[0].nCode);
    EXPECT_EQ(65635, messages[0].nValue);
    EXPECT_EQ(5u, g_nLastCounterValue);
    EXPECT_EQ(15, m_pDlg->m_nTriggerLedTicks);
    ASSERT_GE(m_pDlg->m_nControlColors, 1);
    EXPECT_EQ(IDC_TRIGGER_LED, m_pDlg->m_nControlColorId[0]);
    EXPECT_EQ(LED_LIT, m_pDlg->m_crControlColor[0]);

    m_pDlg->ProcessFreshData();  // unchanged: no edge
    EXPECT_EQ("Q", Markers());
    EXPECT_EQ(1u, SimHost().DistributedMessages().size());

    g_Params.bTtlInputMarkers = FALSE;
    ASSERT_TRUE(CSimBoards::AdvanceCounter(g_Params.nBoardNum, 1));
    m_pDlg->ProcessFreshData();
    EXPECT_EQ("Q", Markers());
    EXPECT_EQ(2u, SimHost().DistributedMessages().size());

    // A failed read compares the value it left: 0 differs from the 6 seen last.
    CSimBoards::FailCall("cbCIn32", BADBOARD);
    g_Params.bTtlInputMarkers = TRUE;
    m_pDlg->ProcessFreshData();
    EXPECT_EQ("QQ", Markers());
    EXPECT_EQ(0u, g_nLastCounterValue);
}

TEST_F(FrameProcessing, ADigitalOnlyBoardStillChecksTheCounterAndTheTtlLines) {
    UseBoardOf("PCI-DIO24:A1");
    g_Params.nSignalCode[0] = MakeSignalCode(SIGNAL_TEST_ONE, AXIS_NONE);
    g_Params.nSignalCode[1] = MakeSignalCode(SIGNAL_SAWTOOTH, AXIS_NONE);
    m_pDlg->m_nChannels = 2;
    m_pDlg->m_nFrameSawToothChannels = 4;
    m_pDlg->m_nInputPollTicks = 12;
    g_Params.bRoiOutput = TRUE;
    ASSERT_TRUE(CSimBoards::AdvanceCounter(g_Params.nBoardNum, 2));
    const std::uint32_t nPolls = g_nTtlPollCount;

    m_pDlg->ProcessFreshData();
    EXPECT_EQ("Q", Markers());
    EXPECT_TRUE(Calls("cbAOut").empty());
    EXPECT_EQ("", Value(0));
    EXPECT_EQ(0, m_pDlg->m_nFrameSawToothChannels);
    EXPECT_EQ(0, m_pDlg->m_nInputPollTicks);
    EXPECT_EQ(nPolls + 1, g_nTtlPollCount);
    EXPECT_FALSE(Calls("cbDIn").empty());
    EXPECT_FALSE(Calls("cbDOut").empty());  // the ROI code on port 11
}

TEST_F(FrameProcessing, TtlTestModeAndTheRoiSwitchDecideTheFrameEnd) {
    UseBoardOf("");  // the simulated board
    g_Params.bRoiOutput = FALSE;
    m_pDlg->m_nInputPollTicks = 12;
    m_pDlg->ProcessFreshData();
    EXPECT_EQ(" ROI output not selected", WindowText(m_pDlg->m_pTtlOutputLine));
    EXPECT_EQ(0, m_pDlg->m_nInputPollTicks);

    m_pDlg->m_bTtlTest = TRUE;
    m_pDlg->m_nInputPollTicks = 12;
    m_pDlg->m_pTtlOutputLine->SetWindowText("");
    const std::uint32_t nPolls = g_nTtlPollCount;
    m_pDlg->ProcessFreshData();
    EXPECT_EQ(12, m_pDlg->m_nInputPollTicks);
    EXPECT_EQ(nPolls, g_nTtlPollCount);
    EXPECT_EQ(" ROI output not selected", WindowText(m_pDlg->m_pTtlOutputLine));

    // ROI output on in TTL Test mode: neither the ROI code nor the text.
    g_Params.bRoiOutput = TRUE;
    m_pDlg->m_pTtlOutputLine->SetWindowText("");
    m_pDlg->ProcessFreshData();
    EXPECT_EQ("", WindowText(m_pDlg->m_pTtlOutputLine));
}

TEST_F(FrameProcessing, NothingHappensWhileTheDialogCloses) {
    UseBoardOf("PCI-DDA08/12:A1");
    g_Params.nSignalCode[0] = MakeSignalCode(SIGNAL_TEST_ONE, AXIS_NONE);
    ASSERT_TRUE(CSimBoards::AdvanceCounter(g_Params.nBoardNum, 1));
    m_pDlg->m_bClosing = TRUE;
    m_pDlg->ProcessFreshData();
    EXPECT_TRUE(CSimBoards::GetCallLog().empty());
    EXPECT_EQ(0u, g_nLastCounterValue);
    EXPECT_EQ("", Markers());
    m_pDlg->m_bClosing = FALSE;
}

}  // namespace
