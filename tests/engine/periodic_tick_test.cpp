#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/tessaro_app.h"
#include "engine/periodic_tick.h"
#include "engine/signal_codes.h"
#include "engine/ttl_inputs.h"
#include "engine/ttl_output.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "platform/win/clock_testing.h"
#include "platform/win/dialog_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/window_testing.h"
#include "resources/resource.h"
#include "support/main_dialog_fixture.h"
#include "support/win_dialog_support.h"

namespace {

// Every drawing operation as it is made: a window's own record starts afresh with each full fill, so
// it shows only the last text drawn.
class CDrawLog : public CDrawRenderer {
  public:
    void OnDrawOp(HWND hWnd, const CDrawOp& op) override { m_ops[hWnd].push_back(op); }
    void OnRecordReset(HWND) override {}
    std::map<HWND, std::vector<CDrawOp>> m_ops;
};

class PeriodicTick : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();  // the tick's and the TTL globals at their start values
        theApp.m_nNotificationCount = 0;
        m_pDlg->m_nDefaultTimer = TIMER_DEFAULT;
        m_pDlg->m_nSawToothTimer = TIMER_SAWTOOTH;
        m_pDlg->m_nTtlTestTimer = TIMER_TTL_TEST;
        // The first paint of the controls goes before the drawing that the tests look at.
        CMessageLoop::RunUntilIdle();
        AfxSetDrawRenderer(&m_drawLog);
    }
    void TearDown() override {
        AfxSetDrawRenderer(nullptr);
        MainDialogFixture::TearDown();
    }

    // One default tick per period, as the timer would bring it.
    void Tick(int nTicks = 1) {
        for (int i = 0; i < nTicks; ++i) {
            CClockTesting::Advance(static_cast<DWORD>(m_pDlg->m_nDefaultPeriodMs));
            m_pDlg->OnTimer(TIMER_DEFAULT);
        }
    }
    void UseBoardOf(const std::string& strDevices) {
        if (!strDevices.empty()) AttachDevices(strDevices);
        Discover();
        UseBoard(0);
        std::strncpy(g_Params.szBoardName, g_CapabilitiesRecords[0].szName, sizeof g_Params.szBoardName - 1);
        g_Params.szBoardName[sizeof g_Params.szBoardName - 1] = '\0';
        for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
            g_Params.fDomainMin[ch] = 0.0f;
            g_Params.fDomainMax[ch] = 1.0f;
            g_Params.range[ch].nUlRange =
                g_CapabilitiesRecords[0].nProductType == PRODUCT_1208LS ? UNI5VOLTS : UNI10VOLTS;
        }
        CSimBoards::ClearCallLog();
    }
    void Attach(bool bAttached) {
        SimHost().SetAttached(bAttached);
        m_pDlg->m_bHostAttached = bAttached;
    }
    HWND Control(int nId) const { return m_pDlg->GetDlgItem(nId)->GetSafeHwnd(); }
    // Texts drawn on a control since it was last cleared; an empty text is drawn as a fill alone.
    std::vector<std::string> Drawn(int nId) {
        std::vector<std::string> texts;
        for (const CDrawOp& op : m_drawLog.m_ops[Control(nId)]) {
            if (op.nKind == CDrawOpKind::FillRect) texts.emplace_back();
            if (op.nKind == CDrawOpKind::DrawText && !texts.empty()) texts.back() = op.strText;
        }
        return texts;
    }
    void ClearDrawn(int nId) { m_drawLog.m_ops[Control(nId)].clear(); }
    static std::string Markers() {
        std::string s;
        for (const SimHostMarker& m : SimHost().Markers()) s += m.cLetter;
        return s;
    }
    static std::vector<std::string> PortWrites(int nPort) {
        std::vector<std::string> values;
        for (const SimCallRecord& rec : Calls("cbDOut"))
            if (rec.args.size() > 2 && rec.args[1] == std::to_string(nPort)) values.push_back(rec.args[2]);
        return values;
    }
    static int Code(int ch) {
        SimBoardState state;
        EXPECT_TRUE(CSimBoards::GetBoardState(g_Params.nBoardNum, state));
        return state.dacCodes.at(static_cast<size_t>(ch));
    }

    CDrawLog m_drawLog;
};

// Seconds become whole default ticks, truncated; a period that is not positive still gives a finite count.
TEST(TickCounts, SecondsBecomeWholeTicksOfThePeriod) {
    EXPECT_EQ(30, CTessaro2010Dlg::SecondsInTicks(1.0, 33));
    EXPECT_EQ(15, CTessaro2010Dlg::SecondsInTicks(0.5, 33));
    EXPECT_EQ(151, CTessaro2010Dlg::SecondsInTicks(5.0, 33));
    EXPECT_EQ(40, CTessaro2010Dlg::SecondsInTicks(2.0, 50));
    EXPECT_EQ(5000, CTessaro2010Dlg::SecondsInTicks(5.0, 0));
    EXPECT_EQ(1000, CTessaro2010Dlg::SecondsInTicks(1.0, -20));
}

TEST_F(PeriodicTick, FiveSecondsFollowTheDefaultPeriod) {
    EXPECT_EQ(151, m_pDlg->FiveSecondTicks());
    m_pDlg->m_nDefaultPeriodMs = 100;
    EXPECT_EQ(50, m_pDlg->FiveSecondTicks());
}

TEST_F(PeriodicTick, WhileDetachedTheHostIsPolledFromTick16AndTheStatusRedrawnOnChanges) {
    Attach(false);
    Tick(15);
    EXPECT_TRUE(Drawn(IDC_STATUS_LINE).empty());
    EXPECT_EQ(-1, g_bLastAttached);

    Tick();  // tick 16: the first poll; the stored flag (-1) differs
    EXPECT_EQ(std::vector<std::string>{"Corvessa Not Attached"}, Drawn(IDC_STATUS_LINE));
    EXPECT_EQ(0, g_bLastAttached);
    ClearDrawn(IDC_STATUS_LINE);
    Tick(10);
    EXPECT_TRUE(Drawn(IDC_STATUS_LINE).empty());

    SimHost().SetAttached(true);
    Tick();  // tick 27: the poll finds the host
    EXPECT_TRUE(m_pDlg->m_bHostAttached);
    EXPECT_EQ(1, g_bLastAttached);
    EXPECT_EQ(std::vector<std::string>{""}, Drawn(IDC_STATUS_LINE));
    ClearDrawn(IDC_STATUS_LINE);

    // Attached: polled no more, and redrawn once at tick 60 (2 x T).
    SimHost().SetAttached(false);
    Tick(32);
    EXPECT_EQ(59u, g_nDefaultTicks);
    EXPECT_TRUE(Drawn(IDC_STATUS_LINE).empty());
    EXPECT_TRUE(m_pDlg->m_bHostAttached);
    m_pDlg->m_bHostAttached = TRUE;
    SimHost().SetAttached(true);
    Tick();
    EXPECT_EQ(std::vector<std::string>{""}, Drawn(IDC_STATUS_LINE));
    ClearDrawn(IDC_STATUS_LINE);
    Tick(100);
    EXPECT_TRUE(Drawn(IDC_STATUS_LINE).empty());
}

TEST_F(PeriodicTick, TicksAreCountedFromThePeriod) {
    // 33 ms: T = 30, H = 15. With 100 ms T = 10, H = 5: the detached poll starts at tick 6.
    m_pDlg->m_nDefaultPeriodMs = 100;
    Attach(false);
    Tick(5);
    EXPECT_EQ(-1, g_bLastAttached);
    Tick();
    EXPECT_EQ(0, g_bLastAttached);

    // Ticks of the other timers, and of unknown ids, do not count.
    m_pDlg->OnTimer(TIMER_SAWTOOTH);
    m_pDlg->OnTimer(TIMER_TTL_TEST);
    m_pDlg->OnTimer(4711);
    EXPECT_EQ(6u, g_nDefaultTicks);

    // A period of several seconds leaves H at 0: the watchdog then draws on every tick.
    m_pDlg->m_nDefaultPeriodMs = 3000;
    Attach(true);
    g_Params.nBoardMenuId = ID_BOARD_FIRST;
    Tick(3);
    EXPECT_EQ(3u, Drawn(IDC_NOTICE_LINE).size());
}

TEST_F(PeriodicTick, TheWatchdogWaitsHalfASecondThenAddsADotEveryHalfSecond) {
    Attach(true);
    g_Params.nBoardMenuId = ID_BOARD_FIRST;
    Tick(15);
    EXPECT_TRUE(Drawn(IDC_NOTICE_LINE).empty());
    EXPECT_EQ(0, theApp.m_nNotificationCount);

    std::vector<std::string> expected;
    std::string strDots;
    for (int i = 0; i < 11; ++i) {
        Tick();
        std::vector<std::string> drawn = Drawn(IDC_NOTICE_LINE);
        ASSERT_EQ(1u, drawn.size()) << i;
        EXPECT_EQ("Waiting for fresh data " + strDots, drawn[0]) << i;
        strDots = i == 9 ? "" : strDots + " .";
        ClearDrawn(IDC_NOTICE_LINE);
        Tick(14);
        ASSERT_TRUE(Drawn(IDC_NOTICE_LINE).empty()) << i;
    }
    EXPECT_EQ(16, m_pDlg->m_nWaitStartTick);
    // Every tick of the wait counts as a notification.
    EXPECT_EQ(11 * 15, theApp.m_nNotificationCount);
    Tick();
    const std::vector<CDrawOp> ops = m_drawLog.m_ops[Control(IDC_NOTICE_LINE)];
    ASSERT_EQ(2u, ops.size());
    EXPECT_EQ(DT_VCENTER, ops[1].nFlags);
    EXPECT_EQ(90, ops[1].nFontPointSize10);

    // A fresh frame ends the wait: the next text comes half a second later, without dots.
    m_pDlg->m_nStaleTicks = 0;
    m_pDlg->m_nWaitStartTick = 0;
    ClearDrawn(IDC_NOTICE_LINE);
    Tick(15);
    EXPECT_TRUE(Drawn(IDC_NOTICE_LINE).empty());
    Tick();
    EXPECT_EQ(std::vector<std::string>{"Waiting for fresh data "}, Drawn(IDC_NOTICE_LINE));
}

TEST_F(PeriodicTick, FrozenVideoIsPolledButNotDrawnAndNoBoardIsNotWatched) {
    Attach(true);
    g_Params.nBoardMenuId = ID_BOARD_FIRST;
    SimHost().SetVideoFrozen(true);
    Tick(15);
    EXPECT_FALSE(m_pDlg->m_bVideoFrozen);
    Tick();  // the half-second poll sees the frozen video
    EXPECT_TRUE(m_pDlg->m_bVideoFrozen);
    Tick(100);
    EXPECT_TRUE(Drawn(IDC_NOTICE_LINE).empty());
    SimHost().SetVideoFrozen(false);
    Tick(15);  // the next half-second poll
    EXPECT_FALSE(m_pDlg->m_bVideoFrozen);
    EXPECT_EQ(1u, Drawn(IDC_NOTICE_LINE).size());

    m_pDlg->m_nStaleTicks = 0;
    m_pDlg->m_nWaitStartTick = 0;
    g_Params.nBoardMenuId = ID_BOARD_NONE;
    const int nCount = theApp.m_nNotificationCount;
    Tick(100);
    EXPECT_EQ(0, m_pDlg->m_nStaleTicks);
    EXPECT_EQ(nCount, theApp.m_nNotificationCount);
}

TEST_F(PeriodicTick, CountsOfAVeryLongWaitNeitherOverflowNorStopTheWatchdog) {
    Attach(true);
    g_Params.nBoardMenuId = ID_BOARD_FIRST;
    // The stale ticks count the wait as notifications: the count wraps as the host link's does.
    theApp.m_nNotificationCount = INT_MAX;
    m_pDlg->m_nStaleTicks = INT_MAX - 1;
    m_pDlg->m_nInputPollTicks = INT_MAX - 1;
    const std::uint32_t nPolls = g_nTtlPollCount;
    Tick(3);
    EXPECT_EQ(INT_MIN + 2, theApp.m_nNotificationCount);
    // Years without a frame: the counts stop at their top and still exceed half a second.
    EXPECT_EQ(INT_MAX, m_pDlg->m_nStaleTicks);
    EXPECT_EQ(INT_MAX, m_pDlg->m_nInputPollTicks);
    EXPECT_EQ(nPolls + 3, g_nTtlPollCount);
    EXPECT_EQ(1u, Drawn(IDC_NOTICE_LINE).size());  // the wait began on the first of the three ticks
    Tick(15);
    EXPECT_EQ(2u, Drawn(IDC_NOTICE_LINE).size());
    EXPECT_EQ(nPolls + 18, g_nTtlPollCount);
}

TEST_F(PeriodicTick, CountdownsInputPollsAndTheSplash) {
    Attach(true);
    m_pDlg->m_pMessageLine->SetWindowText("notice");
    m_pDlg->m_nMessageTicks = 3;
    m_pDlg->SetControlColor(IDC_TRIGGER_LED, LED_LIT);
    m_pDlg->m_nTriggerLedTicks = 2;
    const std::uint32_t nPolls = g_nTtlPollCount;

    Tick(2);
    EXPECT_EQ("notice", WindowText(IDC_MESSAGE_LINE));
    EXPECT_EQ(0, m_pDlg->m_nTriggerLedTicks);
    EXPECT_EQ(LED_DARK, m_pDlg->m_crControlColor[0]);
    Tick();
    EXPECT_EQ("", WindowText(IDC_MESSAGE_LINE));
    EXPECT_EQ(0, m_pDlg->m_nMessageTicks);
    m_pDlg->m_pMessageLine->SetWindowText("kept");
    Tick();
    EXPECT_EQ("kept", WindowText(IDC_MESSAGE_LINE));

    // Inputs: polled on every tick once no frame came for half a second.
    Tick(11);
    EXPECT_EQ(15, m_pDlg->m_nInputPollTicks);
    EXPECT_EQ(nPolls, g_nTtlPollCount);
    Tick();
    EXPECT_EQ(nPolls + 1, g_nTtlPollCount);
    Tick(3);
    EXPECT_EQ(nPolls + 4, g_nTtlPollCount);

    // Splash: hidden on the 22nd tick.
    CAboutDlg about;
    const CDialogTemplate splash = DlgTemplate(IDD_ABOUTBOX, {}, WS_VISIBLE);
    ASSERT_TRUE(CDialogTesting::CreateIndirect(about, &splash, m_pDlg.get()));
    m_pDlg->m_pAboutDlg = &about;
    EXPECT_TRUE(g_bSplashShown);
    Tick(2);
    EXPECT_EQ(21, g_nSplashTicks);
    EXPECT_TRUE(g_bSplashShown);
    EXPECT_TRUE(about.IsWindowVisible());
    Tick();
    EXPECT_FALSE(g_bSplashShown);
    EXPECT_FALSE(about.IsWindowVisible());
    EXPECT_EQ(22, g_nSplashTicks);
    about.ShowWindow(SW_SHOW);
    Tick();
    EXPECT_EQ(22, g_nSplashTicks);
    EXPECT_TRUE(about.IsWindowVisible());  // hidden once, never again
    m_pDlg->m_pAboutDlg = nullptr;
    about.DestroyWindow();

    // TTL Test mode: no countdown of the trigger LED, no input polls; the splash block still runs.
    m_pDlg->m_bTtlTest = TRUE;
    m_pDlg->m_nTriggerLedTicks = 5;
    g_bSplashShown = TRUE;
    g_nSplashTicks = 21;
    const std::uint32_t nPollsBefore = g_nTtlPollCount;
    Tick(2);
    EXPECT_EQ(5, m_pDlg->m_nTriggerLedTicks);
    EXPECT_EQ(nPollsBefore, g_nTtlPollCount);
    EXPECT_FALSE(g_bSplashShown);
}

TEST_F(PeriodicTick, TheDio24PulsesOnceEvery30TicksButNotInTtlTestMode) {
    UseBoardOf("PCI-DIO24:A1");
    m_pDlg->m_bTtlTestPulse = TRUE;
    m_pDlg->m_bPulsePortConfigured = FALSE;
    Attach(true);

    Tick();
    const auto configs = Calls("cbDConfigPort");
    ASSERT_EQ(1u, configs.size());
    EXPECT_EQ("cbDConfigPort(0, 12, 1) = 0", configs[0].strText);
    EXPECT_TRUE(m_pDlg->m_bPulsePortConfigured);
    EXPECT_EQ(30, g_nPulseEvery);
    EXPECT_TRUE(g_bHavePerfCounter);
    Tick(28);
    EXPECT_TRUE(PortWrites(FIRSTPORTCL).empty());

    const LONGLONG nBefore = CClock::NowMicros() + 33000;
    Tick();  // tick 30
    EXPECT_EQ((std::vector<std::string>{"1", "0"}), PortWrites(FIRSTPORTCL));
    // 15000 counts at 10 MHz: 1.5 ms between the two writes.
    EXPECT_GE(CClock::NowMicros() - nBefore, 1500);
    EXPECT_EQ(0, g_nPulseLevel);

    Tick(29);
    EXPECT_EQ(2u, PortWrites(FIRSTPORTCL).size());
    Tick();
    EXPECT_EQ(4u, PortWrites(FIRSTPORTCL).size());
    EXPECT_EQ(1u, Calls("cbDConfigPort").size());  // set up once per run

    // TTL Test mode: no pulse, and the pulse ticks stand still.
    m_pDlg->m_bTtlTest = TRUE;
    const std::uint32_t nPulseTicks = g_nPulseTicks;
    Tick(60);
    EXPECT_EQ(4u, PortWrites(FIRSTPORTCL).size());
    EXPECT_EQ(nPulseTicks, g_nPulseTicks);
    m_pDlg->m_bTtlTest = FALSE;

    // Another board: the set-up is not repeated, and no pulse without "DIO24" in the name.
    std::strcpy(g_Params.szBoardName, "PCI-DDA08/12");
    Tick(60);
    EXPECT_EQ(4u, PortWrites(FIRSTPORTCL).size());
}

TEST_F(PeriodicTick, WithoutAPerformanceCounterThePulseHasNoWidth) {
    UseBoardOf("PCI-DIO24:A1");
    m_pDlg->m_bTtlTestPulse = TRUE;
    m_pDlg->m_bPulsePortConfigured = TRUE;  // port configuration did it already
    CClockTesting::SetPerformanceFrequency(0);
    Tick(29);
    const LONGLONG nBefore = CClock::NowMicros() + 33000;
    Tick();
    EXPECT_EQ(nBefore, CClock::NowMicros());
    EXPECT_EQ((std::vector<std::string>{"1", "0"}), PortWrites(FIRSTPORTCL));
    EXPECT_TRUE(Calls("cbDConfigPort").empty());
    EXPECT_FALSE(g_bHavePerfCounter);

    // A board name without a terminator is searched within its 64 bytes.
    std::memset(g_Params.szBoardName, 'x', sizeof g_Params.szBoardName);
    std::memcpy(g_Params.szBoardName + 59, "DIO24", 5);
    Tick(30);
    EXPECT_EQ(4u, PortWrites(FIRSTPORTCL).size());
}

TEST_F(PeriodicTick, TheSawToothClimbsBy50AndWrapsAtTheCodeCount) {
    UseBoardOf("PCI-DDA08/12:A1");
    g_Params.nSignalCode[0] = MakeSignalCode(SIGNAL_SAWTOOTH, AXIS_NONE);
    g_Params.nSignalCode[1] = MakeSignalCode(SIGNAL_SAWTOOTH, AXIS_NONE);
    g_Params.bInvert[1] = TRUE;
    g_Params.nSignalCode[10] = MakeSignalCode(SIGNAL_SAWTOOTH, AXIS_X);  // beyond the board's 8
    g_Params.nSignalCode[2] = MakeSignalCode(SIGNAL_GAZE_POINT, AXIS_X);

    // Without a saw-tooth channel in the last frame or on a panel, nothing moves.
    m_pDlg->OnTimer(TIMER_SAWTOOTH);
    EXPECT_EQ(0, g_nSawToothValue[0]);

    m_pDlg->m_nFrameSawToothChannels = 3;
    std::vector<int> values;
    for (int i = 0; i < 83; ++i) {
        m_pDlg->OnTimer(TIMER_SAWTOOTH);
        values.push_back(g_nSawToothValue[0]);
    }
    EXPECT_EQ(50, values[0]);
    EXPECT_EQ(100, values[1]);
    EXPECT_EQ(4050, values[80]);
    EXPECT_EQ(4, values[81]);
    EXPECT_EQ(54, values[82]);
    EXPECT_EQ(54, g_nSawToothValue[10]);
    EXPECT_EQ(0, g_nSawToothValue[2]);
    // The code is (4096 - 1) x 54 / 4096, truncated; inverted on channel 1.
    EXPECT_EQ(53, Code(0));
    EXPECT_EQ(4041, Code(1));
    EXPECT_EQ(0, Code(2));
    EXPECT_EQ(54.0f / 4096.0f, m_pDlg->m_fSignalValue);
    EXPECT_EQ(83u * 2, Calls("cbAOut").size());

    // The board-error state holds it.
    m_pDlg->m_bBoardError = TRUE;
    m_pDlg->OnTimer(TIMER_SAWTOOTH);
    EXPECT_EQ(54, g_nSawToothValue[0]);
    m_pDlg->m_bBoardError = FALSE;

    // A panel showing the saw-tooth is enough.
    m_pDlg->m_nFrameSawToothChannels = 0;
    m_pDlg->m_nSawToothChannels = 1;
    m_pDlg->OnTimer(TIMER_SAWTOOTH);
    EXPECT_EQ(104, g_nSawToothValue[0]);
}

TEST_F(PeriodicTick, The1208LsSawToothWrapsModulo1023AndTheDio24HasNone) {
    UseBoardOf("USB-1208LS:A1");
    g_Params.nSignalCode[0] = MakeSignalCode(SIGNAL_SAWTOOTH, AXIS_NONE);
    m_pDlg->m_nSawToothChannels = 1;
    std::vector<int> values;
    for (int i = 0; i < 22; ++i) {
        m_pDlg->OnTimer(TIMER_SAWTOOTH);
        values.push_back(g_nSawToothValue[0]);
    }
    EXPECT_EQ(1000, values[19]);
    EXPECT_EQ(27, values[20]);
    EXPECT_EQ(77, values[21]);
    EXPECT_FALSE(Calls("cbAOut").empty());

    m_pDlg->m_nBoardFamily = FAMILY_DIO24;
    m_pDlg->OnTimer(TIMER_SAWTOOTH);
    EXPECT_EQ(77, g_nSawToothValue[0]);
    // No record for the index: no code count to wrap at.
    m_pDlg->m_nBoardFamily = FAMILY_DDA;
    g_Params.nBoardIndex = 4;
    m_pDlg->OnTimer(TIMER_SAWTOOTH);
    EXPECT_EQ(77, g_nSawToothValue[0]);
}

TEST_F(PeriodicTick, TtlTestModeWithMarkersPollsStepsAndMarksEvery50Ms) {
    UseBoardOf("PCI-DDA08/12:A1");
    g_Params.bTtlInputMarkers = TRUE;
    g_Params.nTtlRadixId = ID_TTL_HEX;
    // Through the dialog's own timer, as the user-interface loop delivers it.
    ASSERT_NE(0u, m_pDlg->SetTimer(TIMER_TTL_TEST, 50, nullptr));
    CClockTesting::Advance(100);
    EXPECT_EQ("", Markers());  // TTL Test mode off: nothing

    m_pDlg->m_bTtlTest = TRUE;
    const std::uint32_t nPolls = g_nTtlPollCount;
    const std::uint16_t nPattern = g_nTtlTestCount;
    CClockTesting::Advance(150);
    EXPECT_EQ(nPolls + 3, g_nTtlPollCount);
    EXPECT_EQ(nPattern + 3, g_nTtlTestCount);
    EXPECT_EQ(3u, PortWrites(SECONDPORTA).size());
    // The simulated input counts 1, 2, 3: each tick's edge markers come before its 'R'.
    EXPECT_EQ("SRsTRSR", Markers());
    EXPECT_EQ(" TTL out: (hex) 0x3 TEST", WindowText(IDC_TTL_OUTPUT));

    g_Params.bTtlInputMarkers = FALSE;
    CClockTesting::Advance(50);
    EXPECT_EQ("SRsTRSR", Markers());
    EXPECT_EQ(nPolls + 4, g_nTtlPollCount);
    CWndTesting::KillTimer(*m_pDlg, TIMER_TTL_TEST);
}

}  // namespace
