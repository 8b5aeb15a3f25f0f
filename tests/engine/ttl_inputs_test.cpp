#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "app/tessaro_app.h"
#include "engine/ttl_inputs.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "platform/win/clock.h"
#include "platform/win/menu_testing.h"
#include "platform/win/message_loop.h"
#include "platform/win/user_agent_testing.h"
#include "resources/resource.h"
#include "support/main_dialog_fixture.h"

namespace {

class TtlInputs : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        g_nTtlPollCount = 0;
        g_nLastInputChangePoll = 0;
        g_nPrevTtlInput = 0;
        g_Params.nTtlRadixId = ID_TTL_HEX;
        g_Params.bTtlInputMarkers = TRUE;
        UseCountingHostClock();
    }
    void TearDown() override {
        g_pMainDlg = nullptr;
        m_pDlg->m_bBurstBusy = FALSE;  // a burst left running would be waited for by the dialog's end
        MainDialogFixture::TearDown();
    }
    // Every read of the host's clock moves it on, so each host record has a time of its own.
    static void UseCountingHostClock() {
        static std::atomic<LONGLONG> s_nNow{0};
        SimHost().SetTimeSource([] { return ++s_nNow; });
    }
    void UseDevice(const std::string& strDevice) {
        AttachDevices(strDevice);
        Discover();
        UseBoard(0);
        CSimBoards::ClearCallLog();
    }
    void PollWith(unsigned nInput) {
        ASSERT_TRUE(CSimBoards::SetPortInput(0, FIRSTPORTA, nInput));
        m_pDlg->PollTtlInputs();
    }
    // Distributed messages, markers and input status, in the order the host received them; cleared.
    static std::vector<std::string> TakeHostEvents() {
        std::vector<std::pair<LONGLONG, std::string>> events;
        char szText[64];
        for (const SimHostDistributedMessage& m : SimHost().DistributedMessages()) {
            std::snprintf(szText, sizeof szText, "msg %x %x", m.nCode, m.nValue);
            events.emplace_back(m.nTimeUs, szText);
        }
        for (const SimHostMarker& m : SimHost().Markers())
            events.emplace_back(m.nTimeUs, std::string(1, m.cLetter));
        for (const SimHostPrivateStatus& s : SimHost().PrivateStatusRecord()) {
            std::snprintf(szText, sizeof szText, "status %d=%d", s.nItem, s.nValue);
            events.emplace_back(s.nTimeUs, szText);
        }
        std::sort(events.begin(), events.end());
        std::vector<std::string> texts;
        for (const auto& e : events) texts.push_back(e.second);
        SimHost().Reset();
        UseCountingHostClock();
        return texts;
    }
    static std::string Markers() {
        std::string letters;
        for (const SimHostMarker& m : SimHost().Markers()) letters += m.cLetter;
        return letters;
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const CUserEvent& e : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
            texts.emplace_back(static_cast<const char*>(e.strText));
        return texts;
    }
};

TEST_F(TtlInputs, EdgesBecomeMessagesMarkersAndStatusInOrder) {
    UseDevice("PCI-DDA08/12:A1");
    PollWith(0x05);
    EXPECT_EQ((std::vector<std::string>{"msg a40000 10000", "S", "msg a40000 10002", "U", "status 12=5"}),
              TakeHostEvents());
    EXPECT_EQ(" bitCode : (hex) 0x5", WindowText(IDC_TTL_INPUT));
    PollWith(0x04);
    PollWith(0x04);  // no change: nothing
    EXPECT_EQ((std::vector<std::string>{"msg a40000 0", "s", "status 12=4"}), TakeHostEvents());

    // Markers off: messages and status only. Host interface disabled: nothing, but the line follows.
    g_Params.bTtlInputMarkers = FALSE;
    PollWith(0x84);
    EXPECT_EQ((std::vector<std::string>{"msg a40000 10007", "status 12=132"}), TakeHostEvents());
    theApp.m_bHostInterfaceDisabled = TRUE;
    PollWith(0x00);
    EXPECT_TRUE(TakeHostEvents().empty());
    EXPECT_EQ(" bitCode : (hex) 0", WindowText(IDC_TTL_INPUT));

    // Unchanged inputs redraw both lines on the 31st poll.
    m_pDlg->m_pTtlInputLine->SetWindowText("");
    for (int i = 0; i < 30; ++i) m_pDlg->PollTtlInputs();
    EXPECT_EQ("", WindowText(IDC_TTL_INPUT));
    m_pDlg->PollTtlInputs();
    EXPECT_EQ(" bitCode : (hex) 0", WindowText(IDC_TTL_INPUT));
}

TEST_F(TtlInputs, BurstEdgesCarryThePulseCount) {
    UseDevice("PCI-DIO24:B1");
    m_pDlg->m_bBurstBusy = TRUE;
    m_pDlg->m_nBurstPulseCount = 3;
    PollWith(0x01);
    m_pDlg->m_nBurstPulseCount = 30;
    PollWith(0x00);
    m_pDlg->m_nBurstPulseCount = 300;
    PollWith(0x02);
    // 228 gives '%': it reaches the host as the letter, never as part of a format.
    m_pDlg->m_nBurstPulseCount = 228;
    PollWith(0x00);
    EXPECT_EQ("D_m%", Markers());
    EXPECT_EQ("dataFile_InsertMarker\t% ", SimHost().Commands().back().strText);
}

TEST_F(TtlInputs, The1208HsReadsLineByLine) {
    UseDevice("USB-1208HS:C1");
    ASSERT_TRUE(CSimBoards::SetPortInput(0, AUXPORT, 0xFF05));  // lines 8..15 are not polled
    m_pDlg->PollTtlInputs();
    const std::vector<SimCallRecord> calls = Calls("cbDBitIn");
    ASSERT_EQ(8u, calls.size());
    EXPECT_EQ("cbDBitIn(0, 1, 7, &0->0) = 0", calls.front().strText);
    EXPECT_EQ("cbDBitIn(0, 1, 0, &0->1) = 0", calls.back().strText);
    EXPECT_EQ("SU", Markers());
}

TEST_F(TtlInputs, TtlTestModeCountsTheInputUpWithoutReadingTheBoard) {
    UseDevice("PCI-DDA08/12:A1");
    ASSERT_TRUE(CSimBoards::SetPortInput(0, FIRSTPORTA, 0x80));
    g_nTtlInputTestCount = 0;
    m_pDlg->m_bTtlTest = TRUE;
    m_pDlg->PollTtlInputs();  // 1
    m_pDlg->PollTtlInputs();  // 2: bit 0 falls, bit 1 rises
    m_pDlg->PollTtlInputs();  // 3: bit 0 rises
    EXPECT_TRUE(Calls("cbDIn").empty());
    EXPECT_EQ("SsTS", Markers());
    EXPECT_EQ((std::vector<std::string>{"msg a40000 10000", "S", "status 12=1", "msg a40000 0", "s",
                                        "msg a40000 10001", "T", "status 12=2", "msg a40000 10000", "S",
                                        "status 12=3"}),
              TakeHostEvents());
    EXPECT_EQ(" TTL in  : (hex) 0x3 TEST", WindowText(IDC_TTL_INPUT));

    // The simulated value is one byte: 255 is followed by 0, every line falling.
    g_nTtlInputTestCount = 254;
    g_nPrevTtlInput = 0;
    m_pDlg->PollTtlInputs();
    TakeHostEvents();
    m_pDlg->PollTtlInputs();
    EXPECT_EQ(0u, g_nTtlInputTestCount);
    EXPECT_EQ(0, g_nPrevTtlInput);
    EXPECT_EQ("stuvwxyz", Markers());
    m_pDlg->m_bTtlTest = FALSE;
}

TEST_F(TtlInputs, AFailedReadEntersTheBoardErrorState) {
    UseDevice("PCI-DDA08/12:A1");
    CSimBoards::FailCall("cbDIn", DEVNOTRESPONDING);
    PollWith(0x01);
    EXPECT_EQ(std::vector<std::string>{" TTL input port error during access.\n Error: -5 "}, BoxTexts());
    EXPECT_TRUE(m_pDlg->m_bBoardError);
    EXPECT_TRUE(TakeHostEvents().empty());  // the failed read left the word at 0
    m_pDlg->PollTtlInputs();                // returns at once, counting
    EXPECT_EQ(1u, Calls("cbDIn").size());
    EXPECT_EQ(2u, g_nTtlPollCount);
    m_pDlg->ClearBoardError(FALSE);
    m_pDlg->PollTtlInputs();
    EXPECT_EQ("S", Markers());
}

class ExternalInterrupt : public TtlInputs {
  protected:
    void SetUp() override {
        TtlInputs::SetUp();
        UseDevice("PCI-DIO24:B1");
        g_pMainDlg = m_pDlg.get();
        m_pDlg->EnableExternalInterrupt(TRUE);
        ASSERT_TRUE(g_Params.bExternalInterrupt);
        AdvanceMs(25);  // past the colour throttle of the LED just drawn
    }
    static int InterruptMessages() {
        const std::vector<SimHostDistributedMessage> messages = SimHost().DistributedMessages();
        return static_cast<int>(std::count_if(messages.begin(), messages.end(), [](const auto& m) {
            return m.nCode == 0xA40000 && m.nValue == 0x10063;
        }));
    }
    static void AdvanceMs(int nMs) { CClock::AdvanceQuietly(static_cast<LONGLONG>(nMs) * 1000); }
    bool MenuChecked() const {
        return (CMenuTesting::GetMenuState(*m_pDlg->GetMenu(), ID_PULSE_EDGE_DETECTION, MF_BYCOMMAND) &
                MF_CHECKED) != 0;
    }
};

// The spacing that counts is that of the interrupts on the library's thread, however late the
// user-interface thread gets to them.
TEST_F(ExternalInterrupt, DebounceMeasuresTheLibrarysTimes) {
    ASSERT_TRUE(CSimBoards::RaiseExternalInterrupt(0));
    AdvanceMs(3);
    ASSERT_TRUE(CSimBoards::RaiseExternalInterrupt(0));
    EXPECT_EQ("", Markers());  // nothing is handled on the library's thread
    CMessageLoop::RunUntilIdle();
    EXPECT_EQ("R", Markers());
    EXPECT_EQ(15, m_pDlg->m_nTriggerLedTicks);

    AdvanceMs(10);
    ASSERT_TRUE(CSimBoards::RaiseExternalInterrupt(0));
    AdvanceMs(5);
    ASSERT_TRUE(CSimBoards::RaiseExternalInterrupt(0));
    AdvanceMs(4);
    ASSERT_TRUE(CSimBoards::RaiseExternalInterrupt(0));
    CMessageLoop::RunUntilIdle();
    EXPECT_EQ("RRR", Markers());
    EXPECT_EQ(3, InterruptMessages());

    // Markers off, host interface disabled: the message is still sent.
    g_Params.bTtlInputMarkers = FALSE;
    theApp.m_bHostInterfaceDisabled = TRUE;
    AdvanceMs(5);
    ASSERT_TRUE(CSimBoards::RaiseExternalInterrupt(0));
    CMessageLoop::RunUntilIdle();
    EXPECT_EQ("RRR", Markers());
    EXPECT_EQ(4, InterruptMessages());
}

TEST_F(ExternalInterrupt, NothingHappensOnceTheDialogIsGone) {
    g_pMainDlg = nullptr;
    ASSERT_TRUE(CSimBoards::RaiseExternalInterrupt(0));
    CMessageLoop::RunUntilIdle();
    EXPECT_EQ(0, m_pDlg->m_nTriggerLedTicks);

    // Queued, then the window goes: the event is dropped; later ones cannot be posted at all.
    g_pMainDlg = m_pDlg.get();
    ASSERT_TRUE(CSimBoards::RaiseExternalInterrupt(0));
    m_pDlg->DestroyWindow();
    CMessageLoop::RunUntilIdle();
    ASSERT_TRUE(CSimBoards::RaiseExternalInterrupt(0));
    CMessageLoop::RunUntilIdle();
    EXPECT_EQ(0, InterruptMessages());
}

// Interrupts arrive on the library's thread while the user-interface thread keeps polling.
TEST_F(ExternalInterrupt, InterruptsDuringPollsAreHandledInBatches) {
    for (int nBatch = 0; nBatch < 20; ++nBatch) {
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(CSimBoards::PostExternalInterrupt(0));
        for (unsigned i = 0; i < 5; ++i) {
            PollWith(i & 1);
            CMessageLoop::PumpPending();
        }
        CSimBoards::WaitForInterrupts();
        CMessageLoop::RunUntilIdle();
        AdvanceMs(5);
    }
    EXPECT_EQ(20, InterruptMessages());  // each batch within one millisecond: one handled
}

TEST_F(ExternalInterrupt, EnableAndDisable) {
    EXPECT_EQ("cbEnableEvent(0, 2, 1, fn, NULL) = 0", Calls("cbEnableEvent").back().strText);
    EXPECT_TRUE(m_pDlg->GetDlgItem(IDC_TRIGGER_LABEL)->IsWindowVisible());
    EXPECT_TRUE(MenuChecked());
    m_pDlg->EnableExternalInterrupt(FALSE);
    m_pDlg->EnableExternalInterrupt(FALSE);  // already off: no second call
    EXPECT_EQ(1u, Calls("cbDisableEvent").size());
    EXPECT_FALSE(m_pDlg->GetDlgItem(IDC_TRIGGER_LED)->IsWindowVisible());
    EXPECT_FALSE(MenuChecked());
    EXPECT_FALSE(CSimBoards::RaiseExternalInterrupt(0));

    // Failures show the library's code, and the flag ends FALSE either way.
    CSimBoards::FailCall("cbEnableEvent", DEVNOTRESPONDING);
    m_pDlg->EnableExternalInterrupt(TRUE);
    EXPECT_FALSE(g_Params.bExternalInterrupt);
    m_pDlg->EnableExternalInterrupt(TRUE);
    ASSERT_TRUE(g_Params.bExternalInterrupt);
    CSimBoards::FailCall("cbDisableEvent", DEVNOTRESPONDING);
    m_pDlg->EnableExternalInterrupt(FALSE);
    EXPECT_FALSE(g_Params.bExternalInterrupt);
    EXPECT_EQ(
        (std::vector<std::string>{" ERROR: \n\n  TTL External Interupt was NOT ENABLED.\n Error: 328 ",
                                  " ERROR: \n\n  TTL External Interupt was NOT DISABLED.\n Error: 328 "}),
        BoxTexts());

    // A board without the interrupt: no library call, the flag cleared.
    m_pDlg->m_bSimulatedBoard = TRUE;
    CSimBoards::ClearCallLog();
    m_pDlg->EnableExternalInterrupt(TRUE);
    EXPECT_FALSE(g_Params.bExternalInterrupt);
    EXPECT_TRUE(CSimBoards::GetCallLog().empty());
    EXPECT_FALSE(MenuChecked());
}

}  // namespace
