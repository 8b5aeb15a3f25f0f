#include <gtest/gtest.h>

#include <string>

#include "platform/hostlib/crs_interapp.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "platform/ul/sim_control.h"
#include "platform/win/clock.h"
#include "run/run_fixture.h"
#include "run/run_summary.h"

namespace {

TEST_F(RunReport, SummaryOfFramesChannelsTtlWordsAndMarkers) {
    CRunTally tally;
    CSimBoards::SetCallHook([&](const SimCallRecord& rec) { tally.NoteBoardCall(rec); });
    SimHost().SetCommandHook([&](const SimHostCommand& cmd) { tally.NoteHostCommand(cmd); });

    RunSummary empty = tally.TakeSummary();
    EXPECT_EQ("sum frames=0 +0 markers=0 +0 \"\" | no board", FormatRunSummary(empty));

    CreateBoards("PCI-DDA08/12:01A2B3C4,PCI-DIO24:00000002,DEMO-BOARD:3");
    ASSERT_EQ(NOERRORS, cbAOut(0, 0, UNI5VOLTS, 2048));
    ASSERT_EQ(NOERRORS, cbAOut(0, 5, BIP10VOLTS, 1024));
    ASSERT_EQ(NOERRORS, cbAOut(0, 5, BIP10VOLTS, 3072));
    ASSERT_NE(NOERRORS, cbAOut(0, 9, BIP10VOLTS, 1));  // a refused write names no channel
    ASSERT_EQ(NOERRORS, cbDConfigPort(0, SECONDPORTA, DIGITALOUT));
    ASSERT_EQ(NOERRORS, cbDOut(0, SECONDPORTA, 0x5A));
    ASSERT_TRUE(CSimBoards::SetPortInput(0, FIRSTPORTA, 0x81));
    ASSERT_EQ(NOERRORS, cbDConfigPort(1, FIRSTPORTB, DIGITALOUT));
    ASSERT_EQ(NOERRORS, cbDOut(1, FIRSTPORTB, 0x03));
    CClock::Advance(1000);  // 60 frames at 60 Hz
    EXPECT_EQ(60, SimHost().Pump());
    CRS_SendCommand("dataFile_InsertMarker\t%c ", 'S');
    CRS_SendCommand("dataFile_InsertMarker\t%c ", 's');
    CRS_SendCommand("say '~Tessaro hello' ");

    const std::string strFirst = FormatRunSummary(tally.TakeSummary());
    EXPECT_EQ(
        "sum frames=60 +60 markers=2 +2 \"Ss\""
        " | board=0 \"PCI-DDA08/12\" ttl-out=0x5A ttl-in=0x81 ch0=2048,+2.500V ch5=3072,+5.000V"
        " | board=1 \"PCI-DIO24\" ttl-out=0x03 ttl-in=0x00"
        " | board=2 \"DEMO-BOARD\" ttl-out=-- ttl-in=0x00",
        strFirst);

    // The counts since the last summary start again; a long burst of markers keeps its last 32 letters.
    CClock::Advance(500);
    SimHost().Pump();
    for (int i = 0; i < 40; ++i) CRS_SendCommand("dataFile_InsertMarker\t%c ", 'A' + i % 26);
    RunSummary second = tally.TakeSummary();
    EXPECT_EQ(90, second.nFrames);
    EXPECT_EQ(30, second.nNewFrames);
    EXPECT_EQ(42u, second.nMarkers);
    EXPECT_EQ(40u, second.nNewMarkers);
    EXPECT_EQ("...IJKLMNOPQRSTUVWXYZABCDEFGHIJKLMN", second.strNewLetters);
    EXPECT_EQ("", tally.TakeSummary().strNewLetters);

    EXPECT_DOUBLE_EQ(2.5, DacCodeVolts(UNI5VOLTS, 2048, 12));
    EXPECT_DOUBLE_EQ(-10.0, DacCodeVolts(BIP10VOLTS, 0, 12));
    EXPECT_DOUBLE_EQ(2.0, DacCodeVolts(UNI4VOLTS, 2048, 12));
    EXPECT_DOUBLE_EQ(2.5, DacCodeVolts(UNI5VOLTS, 512, 10));
    EXPECT_DOUBLE_EQ(0.0, DacCodeVolts(7, 100, 12));
    EXPECT_DOUBLE_EQ(0.0, DacCodeVolts(UNI5VOLTS, 100, 0));
}

TEST_F(RunReport, SummaryEndsWithTheLatencyTableWhileItIsShown) {
    RunSummary summary;
    summary.bLatencyShown = true;
    const char* const texts[9] = {"20", "19", "12.1", "13.0", "14.0", "20", "", "13.1", "14.5"};
    for (int i = 0; i < 9; ++i) summary.latency[i] = texts[i];
    EXPECT_EQ(
        "sum frames=0 +0 markers=0 +0 \"\" | no board | latency count=20 On n=19 min=12.1 ave=13.0 "
        "max=14.0 Off n=20 min=- ave=13.1 max=14.5",
        FormatRunSummary(summary));
    std::string table[9];
    EXPECT_FALSE(ReadLatencyTable(table));  // no advanced dialog open
}

}  // namespace
