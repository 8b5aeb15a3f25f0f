// The latency measurement end to end, closed loop: the burst worker switches the board's LEDs, the
// simulated host's camera sees them after its latency in bright-pupil mode, the ROIs that Setup ROIs put
// around the LEDs turn that into the ROI code, and the program times the code's edges against its writes.
// The dialog's table must show the host's latency. Runs under ThreadSanitizer too: the worker writes while
// frames arrive and the dialog displays.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/tessaro_app.h"
#include "platform/hostlib/sim_host.h"
#include "platform/win/clock_testing.h"
#include "platform/win/user_actions.h"
#include "resources/advanced_dialog_resource.h"
#include "support/advanced_dialog_fixture.h"

namespace {

struct LoopCase {
    double dLatencyMs;
    int nRateHz;
};

class LatencyLoop : public AdvancedDialogFixture, public ::testing::WithParamInterface<LoopCase> {
  protected:
    void SetUp() override {
        AdvancedDialogFixture::SetUp();
        CClockTesting::SetWorkerSleep(CClockTesting::WorkerSleepWaits);
        SimHost().SetEyePattern(SimEyePattern::Natural);
        SimHost().SetLatencyMs(GetParam().dLatencyMs);
        StartWithBoard("PCI-DIO24");
        // The ROI code reaches the TTL outputs (the program's default; the bare dialog starts without it).
        if (!g_Params.bRoiOutput) {
            ASSERT_TRUE(AfxUserChooseMenu(m_pDlg->GetSafeHwnd(), ID_TTL_ROI_OUTPUT));
        }
        ASSERT_TRUE(g_Params.bRoiOutput);
        DeliverHostFrames(GetParam().nRateHz);
        CClockTesting::Advance(200);
    }
    static double Number(CQVLMisc& dlg, int nId) { return std::atof(Text(dlg, nId).c_str()); }
    static bool RowBlank(CQVLMisc& dlg) {
        for (int nId : {IDC_ADV_PULSE_COUNT, IDC_ADV_ON_COUNT, IDC_ADV_ON_MIN, IDC_ADV_ON_AVE, IDC_ADV_ON_MAX,
                        IDC_ADV_OFF_COUNT, IDC_ADV_OFF_MIN, IDC_ADV_OFF_AVE, IDC_ADV_OFF_MAX})
            if (!Text(dlg, nId).empty()) return false;
        return true;
    }
    // One latency row: min <= ave <= max, the average within the camera's latency and that plus two
    // frame periods (the frame that first sees the LED, and the ROI code of that frame).
    void ExpectRow(CQVLMisc& dlg, int nMin, int nAve, int nMax) const {
        const double dL = GetParam().dLatencyMs;
        const double dFrameMs = 1000.0 / GetParam().nRateHz;
        const double dMin = Number(dlg, nMin), dAve = Number(dlg, nAve), dMax = Number(dlg, nMax);
        EXPECT_LE(dMin, dAve + 0.05);
        EXPECT_LE(dAve, dMax + 0.05);
        EXPECT_GE(dMin, dL - 0.05);
        EXPECT_GE(dAve, dL - 0.05);
        EXPECT_LE(dAve, dL + 2 * dFrameMs + 0.05);
        EXPECT_LE(dMax, dL + 2 * dFrameMs + 0.05);
    }
};

TEST_P(LatencyLoop, TheTableShowsTheHostsLatency) {
    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc& dlg) { Click(dlg, IDC_ADV_SETUP_ROIS); },
        [&](CQVLMisc& dlg) {
            // The ROIs lie around the two LEDs.
            const SimHostRoi roi1 = SimHost().Roi(1), roi2 = SimHost().Roi(2);
            EXPECT_TRUE(roi1.bOn && roi1.fLeft < kSimHostLed6Point[0] && kSimHostLed6Point[0] < roi1.fRight);
            EXPECT_TRUE(roi2.bOn && roi2.fLeft < kSimHostLed7Point[0] && kSimHostLed7Point[0] < roi2.fRight);
            EXPECT_TRUE(RowBlank(dlg));
            Click(dlg, IDC_ADV_START);
        },
        [&](CQVLMisc& dlg) {
            ASSERT_TRUE(m_pDlg->m_bBurstBusy);
            // Blank until both series hold a latency.
            ASSERT_TRUE(RunClock(
                [&] { return m_pDlg->m_Latency[0].nCount > 0 || m_pDlg->m_Latency[1].nCount > 0; }, 2000000));
            EXPECT_TRUE(RowBlank(dlg));
            ASSERT_TRUE(RunClock([&] { return Text(dlg, IDC_ADV_PULSE_COUNT) == "20"; }, 10000000));
            EXPECT_EQ(20, m_pDlg->m_nBurstPulseCount);
            // LED 6 was already lit by Setup ROIs: the first pulse gives no On edge.
            const int nOn = std::atoi(Text(dlg, IDC_ADV_ON_COUNT).c_str());
            EXPECT_TRUE(nOn == 19 || nOn == 20) << nOn;
            EXPECT_EQ("20", Text(dlg, IDC_ADV_OFF_COUNT));
            ExpectRow(dlg, IDC_ADV_ON_MIN, IDC_ADV_ON_AVE, IDC_ADV_ON_MAX);
            ExpectRow(dlg, IDC_ADV_OFF_MIN, IDC_ADV_OFF_AVE, IDC_ADV_OFF_MAX);

            // Reset during the burst blanks the table until both series have values again.
            Click(dlg, IDC_ADV_RESET);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_TRUE(RowBlank(dlg));
            EXPECT_TRUE(RunClock([&] { return !Text(dlg, IDC_ADV_OFF_COUNT).empty(); }, 2000000));
            EXPECT_FALSE(Text(dlg, IDC_ADV_ON_COUNT).empty());
            Click(dlg, IDC_ADV_START);  // Stop
        },
        [&](CQVLMisc& dlg) {
            EXPECT_EQ("Start", Text(dlg, IDC_ADV_START));
            EXPECT_TRUE(Enabled(dlg, IDC_ADV_SETUP_ROIS));
            EXPECT_TRUE(RunClock([&] { return !m_pDlg->m_bBurstBusy; }, 2000000));
            const std::string strFrozen = Text(dlg, IDC_ADV_OFF_AVE);
            RunClock([] { return false; }, 500000);
            EXPECT_EQ(strFrozen, Text(dlg, IDC_ADV_OFF_AVE));  // the display keeps its last values
            Click(dlg, IDC_ADV_RESET);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_TRUE(RowBlank(dlg));
            Click(dlg, IDOK);
        },
    }));
    EXPECT_EQ(1000, m_pDlg->m_nBurstLoops);  // OK gives the main dialog the dialog's copy back
    EXPECT_FALSE(m_pDlg->m_bBurstBusy);
}

INSTANTIATE_TEST_SUITE_P(CameraLatencyAndFrameRate, LatencyLoop,
                         ::testing::Values(LoopCase{8.0, 500}, LoopCase{25.0, 500}, LoopCase{8.0, 60},
                                           LoopCase{25.0, 60}),
                         [](const ::testing::TestParamInfo<LoopCase>& info) {
                             return std::to_string(static_cast<int>(info.param.dLatencyMs)) + "ms_at_" +
                                    std::to_string(info.param.nRateHz) + "Hz";
                         });

}  // namespace
