// The Latency Measurement group as a user drives it: the instruction panel and the picture, Setup ROIs
// against the simulated host's LED camera, the LED row, and what Start writes into the main dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/tessaro_app.h"
#include "app/text_helpers.h"
#include "platform/hostlib/sim_host.h"
#include "platform/win/clock_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "resources/advanced_dialog_resource.h"
#include "support/advanced_dialog_fixture.h"

namespace {

const std::string kInstructions =
    "Please ensure that both LED's are appropriately visible in the field of view.\n\nThen click on 'Setup "
    "ROIs'. ";

class LatencyMeasurement : public AdvancedDialogFixture {
  protected:
    void SetUp() override {
        AdvancedDialogFixture::SetUp();
        SimHost().SetEyePattern(SimEyePattern::Still);
        StartWithBoard("PCI-DIO24");
        DeliverHostFrames(500);
        CClockTesting::Advance(100);
    }
    static std::vector<CDrawOp> Ops(CQVLMisc& dlg, int nId, CDrawOpKind eKind) {
        std::vector<CDrawOp> ops;
        for (const CDrawOp& op : AfxGetDrawOps(::GetDlgItem(dlg.GetSafeHwnd(), nId)))
            if (op.nKind == eKind) ops.push_back(op);
        return ops;
    }
    static std::vector<std::string> Commands(const std::string& strPrefix) {
        std::vector<std::string> out;
        for (const std::string& s : HostCommands())
            if (s.rfind(strPrefix, 0) == 0) out.push_back(s);
        return out;
    }
};

TEST_F(LatencyMeasurement, TheRedPanelShowsUntilTheRoisAreSetUpThenThePictureForGood) {
    LONGLONG nSetupUs = 0;
    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc&) { CClockTesting::Advance(500); },
        [&](CQVLMisc& dlg) {
            EXPECT_TRUE(Visible(dlg, IDC_ADV_INSTRUCTIONS));
            EXPECT_FALSE(Visible(dlg, IDC_ADV_PICTURE));
            const std::vector<CDrawOp> fills = Ops(dlg, IDC_ADV_INSTRUCTIONS, CDrawOpKind::FillRect);
            ASSERT_FALSE(fills.empty());
            EXPECT_EQ(RGB(255, 0, 0), fills.back().crBrush);
            const std::vector<CDrawOp> texts = Ops(dlg, IDC_ADV_INSTRUCTIONS, CDrawOpKind::DrawText);
            ASSERT_FALSE(texts.empty());
            EXPECT_EQ(kInstructions, texts.back().strText);
            EXPECT_EQ(RGB(255, 255, 255), texts.back().crText);
            EXPECT_EQ(RGB(255, 0, 0), texts.back().crBk);
            EXPECT_EQ(static_cast<UINT>(DT_CENTER | DT_WORDBREAK), texts.back().nFlags);
            EXPECT_FALSE(Enabled(dlg, IDC_ADV_START));
            nSetupUs = CClock::NowMicros();
            Click(dlg, IDC_ADV_SETUP_ROIS);
        },
        [&](CQVLMisc& dlg) {
            // A still point: two readings 200 ms apart per LED.
            EXPECT_EQ(800000, CClock::NowMicros() - nSetupUs);
            EXPECT_TRUE(dlg.m_bRoisReady);
            EXPECT_TRUE(Enabled(dlg, IDC_ADV_START));
            CClockTesting::Advance(500);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_TRUE(Visible(dlg, IDC_ADV_PICTURE));
            EXPECT_FALSE(Visible(dlg, IDC_ADV_INSTRUCTIONS));
            dlg.InvalidateRect(nullptr, TRUE);
            CClockTesting::Advance(1000);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_TRUE(Visible(dlg, IDC_ADV_PICTURE));
            EXPECT_FALSE(Visible(dlg, IDC_ADV_INSTRUCTIONS));
            AfxUserPressEscape(dlg.GetSafeHwnd());
        },
    }));
    EXPECT_EQ((std::vector<std::string>{"setROI_RealRect 2 0.60 0.40 0.80 0.60",
                                        "setROI_RealRect 1 0.20 0.40 0.40 0.60"}),
              Commands("setROI_RealRect"));
    EXPECT_EQ(2u, Commands("autoThreshold").size());
    EXPECT_EQ(0x40, CSimBoards::GetTtlOutputByte(0));  // LED 6 stays on
    const std::vector<std::string> all = HostCommands();
    EXPECT_EQ("setROI_Selection 1", all.back());
}

TEST_F(LatencyMeasurement, AnUnsettledPupilTakesTenReadingsAndAPointFarOutsideTheImageIsNoRoi) {
    CSimBoards::SetOutputListener(nullptr);  // the LEDs are out of the camera's view
    SimHost().SetEyePattern(SimEyePattern::Sweep);
    LONGLONG nSetupUs = 0;
    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc& dlg) {
            nSetupUs = CClock::NowMicros();
            Click(dlg, IDC_ADV_SETUP_ROIS);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_EQ(4000000, CClock::NowMicros() - nSetupUs);
            EXPECT_EQ(2u, Commands("setROI_RealRect").size());
            SimHost().ForceGazePoint(0, 1e30f, -1e30f);
            CClockTesting::Advance(100);
            nSetupUs = CClock::NowMicros();
            Click(dlg, IDC_ADV_SETUP_ROIS);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_EQ(800000, CClock::NowMicros() - nSetupUs);
            EXPECT_TRUE(Enabled(dlg, IDC_ADV_START));
            AfxUserPressEscape(dlg.GetSafeHwnd());
        },
    }));
    EXPECT_EQ(2u, Commands("setROI_RealRect").size());
    for (const std::string& s : HostCommands()) EXPECT_LT(s.size(), 100u);
}

TEST_F(LatencyMeasurement, TheLedRowMirrorsTheMainDialogUntilUiUpdatesAreDisabled) {
    auto recorded = [&](int nId) {
        for (int i = 0; i < m_pDlg->m_nControlColors; ++i)
            if (m_pDlg->m_nControlColorId[i] == nId) return m_pDlg->m_crControlColor[i];
        return CLR_DIALOG;
    };
    m_pDlg->SetControlColor(1086, LED_LIT);
    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc& dlg) {
            for (int nId = 1080; nId < 1088; ++nId) AfxClearDrawOps(::GetDlgItem(dlg.GetSafeHwnd(), nId));
            CClockTesting::Advance(500);
        },
        [&](CQVLMisc& dlg) {
            // Half a second after opening every LED shows the colour the main dialog holds for it.
            for (int nId = 1080; nId < 1088; ++nId) {
                const std::vector<CDrawOp> ops = Ops(dlg, nId, CDrawOpKind::Ellipse);
                ASSERT_FALSE(ops.empty()) << nId;
                EXPECT_EQ(recorded(nId), ops.back().crBrush) << nId;
            }
            const COLORREF crNew = recorded(1085) == LED_LIT ? LED_DARK : LED_LIT;
            m_pDlg->SetControlColor(1085, crNew);  // the main dialog's output reaches this row
            EXPECT_EQ(crNew, Ops(dlg, 1085, CDrawOpKind::Ellipse).back().crBrush);
            Click(dlg, IDC_ADV_UI_DISABLED);
        },
        [&](CQVLMisc& dlg) {
            const size_t n = Ops(dlg, 1087, CDrawOpKind::Ellipse).size();
            m_pDlg->SetControlColor(1087, recorded(1087) == LED_LIT ? LED_DARK : LED_LIT);
            EXPECT_EQ(n, Ops(dlg, 1087, CDrawOpKind::Ellipse).size());
            AfxUserPressEscape(dlg.GetSafeHwnd());
        },
    }));
}

TEST_F(LatencyMeasurement, StartRefusesAnOnTimeOutsideItsRangeAndChangesNothing) {
    const size_t nSmoothing = Commands("smoothingpoints").size();
    ASSERT_TRUE(RunAdvanced({
        [&](CQVLMisc& dlg) { Click(dlg, IDC_ADV_SETUP_ROIS); },
        [&](CQVLMisc& dlg) {
            Type(dlg, IDC_ADV_LED7_ON, "10001");
            Click(dlg, IDC_ADV_START);
        },
        [&](CQVLMisc& dlg) {
            EXPECT_EQ(1, CountBoxes("Enter a number between 1 and 10000."));
            EXPECT_EQ("Start", Text(dlg, IDC_ADV_START));
            EXPECT_TRUE(Enabled(dlg, IDC_ADV_SETUP_ROIS));
            EXPECT_FALSE(m_pDlg->m_bBurstBusy);
            EXPECT_EQ(1000, m_pDlg->m_nBurstLoops);
            AfxUserPressEscape(dlg.GetSafeHwnd());
        },
    }));
    EXPECT_EQ(nSmoothing + 1, Commands("smoothingpoints").size());  // only the opening's
    EXPECT_TRUE(Commands("datafile_AsynchMarkerData").empty());
}

TEST_F(LatencyMeasurement, StartWritesTheLoopCountAtOnceOkGivesItBackCancelKeepsIt) {
    CClockTesting::SetWorkerSleep(CClockTesting::WorkerSleepWaits);
    for (const bool bOk : {true, false}) {
        ASSERT_TRUE(RunAdvanced({
            [&](CQVLMisc& dlg) { Click(dlg, IDC_ADV_SETUP_ROIS); },
            [&](CQVLMisc& dlg) {
                Type(dlg, IDC_ADV_LED6_ON, "150");
                Click(dlg, IDC_ADV_START);
            },
            [&](CQVLMisc& dlg) {
                EXPECT_EQ("Stop", Text(dlg, IDC_ADV_START));
                EXPECT_FALSE(Enabled(dlg, IDC_ADV_SETUP_ROIS));
                EXPECT_TRUE(m_pDlg->m_bBurstBusy);
                EXPECT_EQ(99999, m_pDlg->m_nBurstLoops);
                EXPECT_EQ(150, m_pDlg->m_nLed6OnMs);
                if (bOk)
                    Click(dlg, IDOK);  // Enter would click the focused Start/Stop button
                else
                    AfxUserClose(dlg.GetSafeHwnd());
            },
        }));
        EXPECT_EQ(bOk ? 1000 : 99999, m_pDlg->m_nBurstLoops);
        EXPECT_EQ(150, m_pDlg->m_nLed6OnMs);  // typed and exchanged on Start, so both ways
        EXPECT_TRUE(m_pDlg->m_bBurstAbort || !m_pDlg->m_bBurstBusy);
        EXPECT_TRUE(RunClock([&] { return !m_pDlg->m_bBurstBusy; }, 2000000));
        m_pDlg->m_nBurstLoops = 1000;
        m_pDlg->m_nLed6OnMs = 100;
    }
    EXPECT_EQ(2u, Commands("datafile_AsynchMarkerData No").size());
}

}  // namespace
