#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "board/board_errors.h"
#include "engine/ttl_burst.h"
#include "engine/ttl_output.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "platform/win/clock_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_agent_testing.h"
#include "resources/resource.h"
#include "support/main_dialog_fixture.h"

namespace {

// A TTL word the host was told of (private status 13), with the host's time of the report in ms.
struct Report {
    int nByte;
    LONGLONG nMs;
};

class TtlBurst : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        g_nLastTtlOutput = 9999999;
        g_nTtlShadowWord = 0;
        g_nBothWord = -1;
        g_nLastRoiBit = 0;
        g_Params.nTtlRadixId = ID_TTL_HEX;
        AttachDevices("PCI-DDA08/12:A1");
        Discover();
        UseBoard(0);
        ASSERT_EQ(0, cbDConfigPort(0, SECONDPORTA, DIGITALOUT));
        CSimBoards::ClearCallLog();
    }
    void TearDown() override {
        // A worker still running would be waited for (and then given up) by the dialog's end.
        EXPECT_TRUE(WaitUntilIdle());
        MainDialogFixture::TearDown();
    }

    // The words written to the DDA board's TTL output port, in order.
    static std::vector<int> PortWords() {
        std::vector<int> words;
        for (const SimCallRecord& rec : Calls("cbDOut"))
            if (rec.args.size() == 3 && std::stoi(rec.args[1]) == SECONDPORTA)
                words.push_back(std::stoi(rec.args[2]));
        return words;
    }
    static std::vector<Report> Reports() {
        std::vector<Report> out;
        for (const SimHostPrivateStatus& s : SimHost().PrivateStatusRecord())
            if (s.nItem == kSimHostStatusTtlOutput) out.push_back({s.nValue, s.nTimeUs / 1000});
        return out;
    }
    static std::vector<int> ReportedBytes() {
        std::vector<int> bytes;
        for (const Report& r : Reports()) bytes.push_back(r.nByte);
        return bytes;
    }
    // The data-file commands the host was sent.
    static std::vector<std::string> HostCommands() {
        std::vector<std::string> lines;
        for (const SimHostCommand& c : SimHost().Commands())
            if (c.strText.rfind("datafile_", 0) == 0) lines.push_back(c.strText);
        return lines;
    }
    static LONGLONG NowMs() { return CClock::NowMicros() / 1000; }

    // Waits (real time, at most 10 s) until no burst is busy, then lets the dialog handle what the worker
    // handed over.
    bool WaitUntilIdle() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_pDlg && m_pDlg->m_bBurstBusy && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const bool bIdle = !m_pDlg || !m_pDlg->m_bBurstBusy;
        if (bIdle) {
            EXPECT_TRUE(AfxWaitForAllThreads(5000));
        }
        CMessageLoop::RunUntilIdle();
        return bIdle;
    }
};

TEST_F(TtlBurst, PlainBurstAlternatesTheLedsAndStampsEachWrite) {
    m_pDlg->m_nBurstLoops = 3;
    g_Params.bRoiOutput = 1;
    m_pDlg->m_bBurstBusy = TRUE;  // as the start does: the writes are merged with the shadow word
    const LONGLONG nStart = NowMs();
    m_pDlg->RunTtlBurst(BURST_PLAIN);
    m_pDlg->m_bBurstBusy = FALSE;

    EXPECT_EQ((std::vector<int>{0x40, 0x80, 0x40, 0x80, 0x40, 0x80}), PortWords());
    const std::vector<Report> reports = Reports();
    ASSERT_EQ(6u, reports.size());
    const LONGLONG nExpectedMs[6] = {100, 200, 400, 500, 700, 800};  // lead-in, then 100 + 200 ms per pulse
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(nStart + nExpectedMs[i], reports[i].nMs) << i;
    EXPECT_EQ(nStart + 1000, NowMs());
    // The stamps are the host's times right after the last write of each kind.
    EXPECT_DOUBLE_EQ(static_cast<double>(nStart + 700) / 1000.0, m_pDlg->m_dLedOffTime.load());
    EXPECT_DOUBLE_EQ(static_cast<double>(nStart + 800) / 1000.0, m_pDlg->m_dLedOnTime.load());
    EXPECT_EQ(2, m_pDlg->m_nBurstPulseCount.load());
    EXPECT_EQ(0x8080, m_pDlg->m_nBurstOutput.load());
    EXPECT_EQ(0x0080, m_pDlg->m_nHeldBits.load());
    EXPECT_EQ(1, g_Params.bRoiOutput);
    EXPECT_EQ(9999999, g_nLastTtlOutput.load());  // burst writes do not count as the last plain output
}

TEST_F(TtlBurst, AnAbortEndsOnlyAfterTheFirstWriteOfAnOddPulse) {
    m_pDlg->m_nBurstLoops = 10;
    m_pDlg->m_bBurstAbort = TRUE;  // raised before pulse 0 ends
    const LONGLONG nStart = NowMs();
    m_pDlg->RunTtlBurst(BURST_PLAIN);
    // Not merged (no burst busy): the words go out with bit 15, as given.
    EXPECT_EQ((std::vector<int>{0x8040, 0x8080, 0x8040}), PortWords());
    EXPECT_EQ(nStart + 400, NowMs());  // lead-in and pulse 0; no sleep after pulse 1's first write
    EXPECT_EQ(1, m_pDlg->m_nBurstPulseCount.load());
    EXPECT_FALSE(m_pDlg->m_bBurstAbort);

    // Zero on-times skip the sleeps; a negative one counts as zero.
    CSimBoards::ClearCallLog();
    m_pDlg->m_nBurstLoops = 2;
    m_pDlg->m_nLed6OnMs = 0;
    m_pDlg->m_nLed7OnMs = -5;
    const LONGLONG nSecond = NowMs();
    m_pDlg->RunTtlBurst(BURST_PLAIN);
    EXPECT_EQ(4u, PortWords().size());
    EXPECT_EQ(nSecond + 100, NowMs());
}

TEST_F(TtlBurst, OneShotIsTwoPulsesAndDoesNothingWhileABurstIsBusy) {
    m_pDlg->m_nBurstLoops = 50;
    m_pDlg->TtlBurstOneShot();
    EXPECT_EQ((std::vector<int>{0x40, 0x80, 0x40, 0x80}), PortWords());
    EXPECT_EQ(1, m_pDlg->m_nBurstPulseCount.load());
    EXPECT_FALSE(m_pDlg->m_bBurstBusy);

    CSimBoards::ClearCallLog();
    m_pDlg->m_bBurstBusy = TRUE;
    m_pDlg->TtlBurstOneShot();
    m_pDlg->StartTtlBurst(FALSE);  // a second Start only asks the running burst to stop
    EXPECT_TRUE(PortWords().empty());
    EXPECT_TRUE(m_pDlg->m_bBurstAbort);
    EXPECT_TRUE(HostCommands().empty());
    m_pDlg->m_bBurstBusy = FALSE;
}

TEST_F(TtlBurst, BothAlternatesUntilAnotherFormStartsItAgain) {
    m_pDlg->TtlBurstBoth();
    m_pDlg->TtlBurstBoth();
    EXPECT_EQ((std::vector<int>{0xC0, 0x00}), ReportedBytes());
    EXPECT_EQ((std::vector<int>{0xC0, 0x00}), PortWords());
    EXPECT_EQ(0x80C0, g_nBothWord.load());

    m_pDlg->TtlBurstToggleCheck();  // any other form: the next Both starts from both on again
    EXPECT_EQ(-1, g_nBothWord.load());
    m_pDlg->TtlBurstBoth();
    EXPECT_EQ(0xC0, ReportedBytes().back());
    EXPECT_FALSE(m_pDlg->m_bBurstBusy);
}

TEST_F(TtlBurst, ToggleCheckWritesOneWordPerPressAndCountsIt) {
    m_pDlg->m_nBurstPulseCount = 4;
    const LONGLONG nStart = NowMs();
    m_pDlg->TtlBurstToggleCheck();
    m_pDlg->TtlBurstToggleCheck();
    m_pDlg->TtlBurstToggleCheck();
    EXPECT_EQ((std::vector<int>{0x40, 0x80, 0x40}), ReportedBytes());
    EXPECT_EQ(7, m_pDlg->m_nBurstPulseCount.load());
    EXPECT_EQ(0x8040, m_pDlg->m_nBurstOutput.load());
    const std::vector<Report> reports = Reports();
    EXPECT_EQ(nStart, reports[0].nMs);  // written at once, before the lead-in
    EXPECT_EQ(nStart + 300, NowMs());   // each press still sleeps the 100 ms lead-in
    // Toggle/Check takes no time stamp.
    EXPECT_TRUE(std::isnan(m_pDlg->m_dLedOnTime.load()));
}

TEST_F(TtlBurst, BothAndToggleRefuseABurstThatDoesNotEndWithinTenSeconds) {
    m_pDlg->m_bBurstBusy = TRUE;  // a burst that does not answer
    const LONGLONG nStart = NowMs();
    m_pDlg->TtlBurstBoth();
    EXPECT_EQ(nStart + 10000, NowMs());
    m_pDlg->TtlBurstToggleCheck();
    EXPECT_TRUE(PortWords().empty());
    EXPECT_TRUE(ReportedBytes().empty());
    EXPECT_TRUE(m_pDlg->m_bBurstBusy);  // still the running burst's
    EXPECT_TRUE(m_pDlg->m_bBurstAbort);
    EXPECT_EQ(-1, g_nBothWord.load());
    m_pDlg->m_bBurstBusy = FALSE;
}

TEST_F(TtlBurst, LatencyEdgesOfTheWeightTwoBit) {
    // Before any burst write there is nothing to measure from; the bit is still followed.
    m_pDlg->UpdateLatencyStats(2);
    m_pDlg->UpdateLatencyStats(0);
    EXPECT_EQ(0, m_pDlg->m_Latency[0].nCount);
    EXPECT_EQ(0, m_pDlg->m_Latency[1].nCount);
    EXPECT_EQ(1e30, m_pDlg->m_Latency[0].dMin);
    EXPECT_EQ(-1e30, m_pDlg->m_Latency[0].dMax);

    const double dNow = SimHost().PrecisionSeconds();
    m_pDlg->m_dLedOffTime = dNow - 0.040;
    m_pDlg->m_dLedOnTime = dNow - 0.025;
    for (int code : {0, 2, 2, 3, 1, 0}) m_pDlg->UpdateLatencyStats(code);
    const LatencyStats& on = m_pDlg->m_Latency[0];
    const LatencyStats& off = m_pDlg->m_Latency[1];
    ASSERT_EQ(1, on.nCount);   // at the first 2
    ASSERT_EQ(1, off.nCount);  // at the 1
    EXPECT_NEAR(0.040, on.dLast, 1e-9);
    EXPECT_NEAR(0.040, on.dMin, 1e-9);
    EXPECT_NEAR(0.040, on.dMax, 1e-9);
    EXPECT_NEAR(0.040, on.dTotal, 1e-9);
    EXPECT_NEAR(0.025, off.dLast, 1e-9);
    EXPECT_EQ(0, g_nLastRoiBit);
    EXPECT_EQ(0, m_pDlg->m_Latency[2].nCount);
    EXPECT_EQ(0, m_pDlg->m_Latency[3].nCount);

    // Only one switching write so far (LED 6 on): a falling edge has no LED 7 time to go by.
    m_pDlg->m_dLedOnTime = std::nan("");
    m_pDlg->UpdateLatencyStats(2);
    m_pDlg->UpdateLatencyStats(0);
    EXPECT_EQ(2, on.nCount);
    EXPECT_EQ(1, off.nCount);
}

TEST_F(TtlBurst, TheWorkerRunsThePlainBurstAndHandsTheDisplayBack) {
    m_pDlg->m_nBurstLoops = 3;
    g_Params.bRoiOutput = 1;
    m_pDlg->StartTtlBurst(TRUE);
    g_Params.bRoiOutput = 0;  // changed after the start: put back at the burst's end
    ASSERT_TRUE(WaitUntilIdle());

    EXPECT_EQ((std::vector<std::string>{"datafile_AsynchMarkerData Yes"}), HostCommands());
    EXPECT_EQ((std::vector<int>{0x40, 0x80, 0x40, 0x80, 0x40, 0x80}), PortWords());
    EXPECT_EQ(2, m_pDlg->m_nBurstPulseCount.load());
    EXPECT_EQ(1, g_Params.bRoiOutput);
    EXPECT_FALSE(m_pDlg->m_bBurstAbort);
    // Shown on the user-interface thread, with the option as it stood there before it was put back.
    EXPECT_EQ(" bitCode:  (hex) 0x80", WindowText(IDC_TTL_OUTPUT));

    // Started again: the abort request of the earlier Stop does not carry over.
    CSimBoards::ClearCallLog();
    m_pDlg->m_nBurstLoops = 1;
    m_pDlg->m_bBurstAbort = TRUE;
    m_pDlg->m_bBurstBusy = FALSE;
    m_pDlg->StartTtlBurst(FALSE);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ((std::vector<int>{0x40, 0x80}), PortWords());
    EXPECT_EQ("datafile_AsynchMarkerData No", HostCommands().back());
}

TEST_F(TtlBurst, AWorkerBoardErrorIsShownOnTheUserInterfaceThreadOnce) {
    m_pDlg->m_nBurstLoops = 2;
    CSimBoards::FailCall("cbDOut", BADPORTNUM, ESimFail::Always);
    m_pDlg->StartTtlBurst(FALSE);
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(4u, PortWords().size());  // the burst goes on
    std::vector<std::string> boxes;
    for (const CUserEvent& e : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent())) {
        boxes.emplace_back(static_cast<const char*>(e.strText));
        EXPECT_EQ("Corvessa~Tessaro ", e.strCaption.Str());
    }
    EXPECT_EQ((std::vector<std::string>{" TTL_setOutput_to_values.\n Error: -3 "}), boxes);
    EXPECT_TRUE(m_pDlg->m_bBoardError);
    EXPECT_NE(std::string::npos, WindowText(IDC_MESSAGE_LINE).find("**ERROR **"));
    EXPECT_EQ(m_pDlg->FiveSecondTicks(), m_pDlg->m_nMessageTicks);
    EXPECT_FALSE(g_bBoardErrorBoxOpen);
}

TEST_F(TtlBurst, AWorkerThatCannotStartLeavesNoBurstBusy) {
    CWinSimulationTesting::FailCreateThread();
    m_pDlg->StartTtlBurst(FALSE);
    EXPECT_FALSE(m_pDlg->m_bBurstBusy);
    EXPECT_EQ("TTL burst could not be started.", WindowText(IDC_MESSAGE_LINE));
    EXPECT_TRUE(PortWords().empty());

    CWinSimulationTesting::FailCreateThread(FALSE);
    m_pDlg->m_nBurstLoops = 1;
    m_pDlg->StartTtlBurst(FALSE);  // the next Start tries again
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(2u, PortWords().size());
}

TEST_F(TtlBurst, AtTheDialogsEndARunningBurstIsStoppedAndItsRoiOptionSaved) {
    std::filesystem::create_directory("Settings");
    m_pDlg->m_strDefaultParamPath = ".\\Settings\\TessaroParams.prm";
    CClockTesting::SetWorkerSleep(
        CClockTesting::WorkerSleepWaits);  // the worker sleeps until the dialog's wait moves time
    g_Params.bRoiOutput = 1;
    m_pDlg->StartTtlBurst(FALSE);
    g_Params.bRoiOutput = 0;
    m_pDlg->DestroyWindow();
    const LONGLONG nStart = NowMs();
    m_pDlg.reset();
    EXPECT_LT(NowMs() - nStart, 2000);  // it saw the abort after pulse 1's first write
    ASSERT_TRUE(AfxWaitForAllThreads(5000));
    EXPECT_EQ((std::vector<int>{0x40, 0x80, 0x40}), PortWords());
    std::ifstream file("Settings/TessaroParams.prm", std::ios::binary);
    ParameterBlock saved{};
    ASSERT_TRUE(file.read(reinterpret_cast<char*>(&saved), sizeof saved));
    EXPECT_EQ(1, saved.bRoiOutput);
}

TEST_F(TtlBurst, ABurstThatOutlastsTheWaitIsGivenUpAndNeverTouchesTheDialogAgain) {
    CClockTesting::SetWorkerSleep(CClockTesting::WorkerSleepWaits);
    m_pDlg->m_nLed6OnMs = 5000;
    m_pDlg->m_nLed7OnMs = 5000;
    m_pDlg->StartTtlBurst(FALSE);
    // Let the worker reach its lead-in sleep.
    for (int i = 0; i < 100000 && Reports().empty() && m_pDlg->m_bBurstBusy; ++i) {
        CClockTesting::Advance(1);
        std::this_thread::yield();
    }
    ASSERT_EQ(1u, PortWords().size());  // pulse 0's first write; now 5 s of LED 6
    m_pDlg->DestroyWindow();
    const LONGLONG nStart = NowMs();
    m_pDlg.reset();  // the dialog's memory is gone: a later touch would be a use after free
    EXPECT_GE(NowMs() - nStart, 2000);
    // The worker wakes long after and ends without a write or a touch of the dialog.
    for (int i = 0; i < 40; ++i) CClockTesting::Advance(1000);
    ASSERT_TRUE(AfxWaitForAllThreads(5000));
    EXPECT_EQ(1u, PortWords().size());
}

// The host delivers frames (with their ROI code) while the worker drives the LEDs that the host's
// camera sees; the user-interface thread writes the ROI code and times its edges.
TEST_F(TtlBurst, AWorkerBurstMeasuresTheCameraWhileFramesArrive) {
    CClockTesting::SetWorkerSleep(CClockTesting::WorkerSleepWaits);
    SimHost().SetLedsFollowPrivateStatus(true);
    SimHost().SetLatencyMs(30);
    SimHost().RunCommand("pupilType bright", false);
    SimHost().PlaceRoiGrid(2);  // ROI 0 over LED 6, ROI 1 (weight 2) over LED 7
    g_Params.bRoiOutput = 1;
    m_pDlg->m_nBurstLoops = 6;
    m_pDlg->StartTtlBurst(FALSE);
    for (int i = 0; i < 200000 && m_pDlg->m_bBurstBusy; ++i) {
        // Time moves only while the worker sleeps, and never past its wake, so that each switch is
        // stamped at the time it was due however late the machine lets the worker run.
        const auto realStart = std::chrono::steady_clock::now();
        while (m_pDlg->m_bBurstBusy && CClockTesting::SleepingWorkers() == 0) {
            ASSERT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(5));
            std::this_thread::yield();
        }
        const LONGLONG nNowUs = CClock::NowMicros();
        const LONGLONG nWakeUs = CClockTesting::NextWorkerWakeMicros();
        LONGLONG nNextUs = nNowUs + 2000;
        if (nWakeUs > nNowUs && nWakeUs < nNextUs) nNextUs = nWakeUs;
        CClockTesting::AdvanceMicros(nNextUs - nNowUs);
        if (i % 8 == 0) m_pDlg->OnHostNotification(0, MAKEWPARAM(0, 2), 0);
    }
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ((std::vector<int>{0x40, 0x80, 0x40, 0x80, 0x40, 0x80, 0x40, 0x80, 0x40, 0x80, 0x40, 0x80}),
              ReportedBytes());
    const LatencyStats& on = m_pDlg->m_Latency[0];
    const LatencyStats& off = m_pDlg->m_Latency[1];
    EXPECT_GE(on.nCount, 1);
    EXPECT_GE(off.nCount, 1);
    // LED 7 is seen in ROI 1 after LED 6's time plus the camera's latency, and LED 6 after LED 7's.
    EXPECT_GT(on.dMin, 0.1);
    EXPECT_LT(on.dMax, 0.5);
    EXPECT_GT(off.dMin, 0.2);
    EXPECT_LT(off.dMax, 0.6);
}

}  // namespace
