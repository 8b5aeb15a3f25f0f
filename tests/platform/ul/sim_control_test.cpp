#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ul_fixture.h"

namespace {

using UlControl = UlTest;

TEST_F(UlControl, DeviceListParsesNamesAndSerials) {
    std::vector<SimAttachedDevice> devices;
    std::string strError;
    ASSERT_TRUE(CSimBoards::ParseDeviceList("PCI-DDA08/12:01A2B3C4, PCI-DIO24 ,Lab Box 7", devices, strError))
        << strError;
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].strProductName, "PCI-DDA08/12");
    EXPECT_EQ(devices[0].strUniqueID, "01A2B3C4");
    EXPECT_EQ(devices[1].strProductName, "PCI-DIO24");
    EXPECT_EQ(devices[2].strProductName, "Lab Box 7");
    EXPECT_EQ(devices[2].nProductID, 0u);
    EXPECT_NE(devices[0].nProductID, devices[1].nProductID);
    EXPECT_EQ(devices[1].strUniqueID.size(), 8u);
    EXPECT_NE(devices[1].strUniqueID, devices[2].strUniqueID);

    ASSERT_TRUE(CSimBoards::ParseDeviceList("", devices, strError));
    EXPECT_TRUE(devices.empty());

    const char* bad[] = {
        ",", "PCI-DIO24,", ",PCI-DIO24", ":01A2B3C4", "PCI-DIO24:", "A:B:C", "A:0001,B:0001", "A\tB", "A:  "};
    for (const char* text : bad) {
        strError.clear();
        EXPECT_FALSE(CSimBoards::ParseDeviceList(text, devices, strError)) << text;
        EXPECT_FALSE(strError.empty()) << text;
        EXPECT_TRUE(devices.empty()) << text;
    }
    EXPECT_FALSE(CSimBoards::ParseDeviceList(std::string(64, 'N'), devices, strError));
    EXPECT_TRUE(CSimBoards::ParseDeviceList(std::string(63, 'N'), devices, strError));
}

TEST_F(UlControl, InjectedFailuresFireOnceAlwaysOrPerBoard) {
    CreateBoards("PCI-DDA08/12,PCI-DDA04/12");
    ASSERT_TRUE(CSimBoards::FailCall("cbAOut", 77));
    EXPECT_FALSE(CSimBoards::FailCall("cbAOut", NOERRORS));
    EXPECT_EQ(cbAOut(0, 0, UNI5VOLTS, 100), 77);
    EXPECT_EQ(cbAOut(0, 0, UNI5VOLTS, 100), NOERRORS);
    SimBoardState state;
    ASSERT_TRUE(CSimBoards::GetBoardState(0, state));
    EXPECT_EQ(state.dacCodes[0], 100u);

    ASSERT_TRUE(CSimBoards::FailCall("cbDOut", PORTNOTOUTPUT, ESimFail::Always, 1));
    ASSERT_EQ(cbDConfigPort(0, SECONDPORTA, DIGITALOUT), NOERRORS);
    ASSERT_EQ(cbDConfigPort(1, SECONDPORTA, DIGITALOUT), NOERRORS);
    EXPECT_EQ(cbDOut(0, SECONDPORTA, 3), NOERRORS);
    EXPECT_EQ(cbDOut(1, SECONDPORTA, 3), PORTNOTOUTPUT);
    EXPECT_EQ(cbDOut(1, SECONDPORTA, 3), PORTNOTOUTPUT);
    EXPECT_EQ(CSimBoards::GetTtlOutputByte(1), 0);

    // A failed name query still leaves a terminated, empty name; the probe value stays as preset.
    ASSERT_TRUE(CSimBoards::FailCall("", 328, ESimFail::Once, 0));
    USHORT w = 123;
    EXPECT_EQ(cbDIn(0, 0, &w), 328);
    EXPECT_EQ(w, 123);
    ASSERT_TRUE(CSimBoards::FailCall("cbGetBoardName", 5));
    char name[BOARDNAMELEN];
    std::memset(name, 'x', sizeof(name));
    EXPECT_EQ(cbGetBoardName(0, name), 5);
    EXPECT_STREQ(name, "");

    CSimBoards::ClearFailures();
    EXPECT_EQ(cbDOut(1, SECONDPORTA, 3), NOERRORS);
}

TEST_F(UlControl, LogAndHookShowEveryCallAsOneStableLine) {
    std::vector<std::string> hooked;
    CSimBoards::SetCallHook([&](const SimCallRecord& rec) {
        hooked.push_back(rec.strText);
        SimBoardState state;
        CSimBoards::GetBoardState(0, state);  // the hook may use the library
    });
    CreateBoards("PCI-DDA08/12:01A2B3C4");
    CSimBoards::ClearCallLog();
    hooked.clear();

    USHORT w = 123;
    char name[BOARDNAMELEN];
    float f = 0.0f;
    cbAOut(0, 3, UNI5VOLTS, 2047);
    cbDIn(0, 0, &w);
    CSimBoards::SetPortInput(0, FIRSTPORTA, 5);
    cbDIn(0, FIRSTPORTA, &w);
    cbGetBoardName(7, name);
    cbToEngUnits(0, UNI5VOLTS, 4095, &f);

    const std::vector<std::string> expected = {
        "cbAOut(0, 3, 101, 2047) = 0",
        "cbDIn(0, 0, &123) = 17",
        "cbDIn(0, 10, &123->5) = 0",
        "cbGetBoardName(7, \"\") = 1",
        "cbToEngUnits(0, 101, 4095, &4.998779) = 0",
    };
    const std::vector<SimCallRecord> log = CSimBoards::GetCallLog();
    ASSERT_EQ(log.size(), expected.size());
    for (size_t i = 0; i < log.size(); ++i) EXPECT_EQ(log[i].strText, expected[i]);
    EXPECT_EQ(hooked, expected);
    EXPECT_EQ(log[0].strName, "cbAOut");
    EXPECT_EQ(log[0].nBoard, 0);
    EXPECT_EQ(log[3].nResult, BADBOARD);
    EXPECT_EQ(log[4].nSequence, log[0].nSequence + 4);

    CSimBoards::SetCallLogLimit(2);
    EXPECT_EQ(CSimBoards::GetCallLog().size(), 2u);
    cbFlashLED(0);
    const std::vector<SimCallRecord> tail = CSimBoards::GetCallLog();
    ASSERT_EQ(tail.size(), 2u);
    EXPECT_EQ(tail.back().strText, "cbFlashLED(0) = 0");
    CSimBoards::ClearCallLog();
    EXPECT_TRUE(CSimBoards::GetCallLog().empty());
}

// A hook that does without the text still sees every call's name, arguments and result; the log, when
// kept, has its text all the same.
TEST_F(UlControl, HookWithoutTextStillSeesNamesAndArguments) {
    CreateBoards("PCI-DDA08/12:01A2B3C4");
    std::vector<SimCallRecord> hooked;
    CSimBoards::SetCallHook([&](const SimCallRecord& rec) { hooked.push_back(rec); }, false);

    CSimBoards::SetCallLogLimit(0);
    cbAOut(0, 3, UNI5VOLTS, 2047);
    ASSERT_EQ(hooked.size(), 1u);
    EXPECT_EQ(hooked[0].strName, "cbAOut");
    EXPECT_EQ(hooked[0].args, (std::vector<std::string>{"0", "3", "101", "2047"}));
    EXPECT_EQ(hooked[0].nResult, NOERRORS);
    EXPECT_TRUE(hooked[0].strText.empty());
    EXPECT_TRUE(CSimBoards::GetCallLog().empty());

    CSimBoards::SetCallLogLimit(8);
    cbAOut(0, 2, UNI5VOLTS, 7);
    ASSERT_EQ(hooked.size(), 2u);
    EXPECT_EQ(hooked[1].strText, "cbAOut(0, 2, 101, 7) = 0");
    const std::vector<SimCallRecord> log = CSimBoards::GetCallLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].strText, "cbAOut(0, 2, 101, 7) = 0");

    // A new hook asks for the text by default.
    CSimBoards::SetCallLogLimit(0);
    CSimBoards::SetCallHook([&](const SimCallRecord& rec) { hooked.push_back(rec); });
    cbAOut(0, 1, UNI5VOLTS, 9);
    ASSERT_EQ(hooked.size(), 3u);
    EXPECT_EQ(hooked[2].strText, "cbAOut(0, 1, 101, 9) = 0");
    CSimBoards::SetCallHook(nullptr);
}

TEST_F(UlControl, OutputListenerSeesEveryChangeOfCodesAndLatches) {
    CreateBoards("PCI-DDA08/12,PCI-DIO24");
    std::mutex mutex;
    std::vector<SimOutputChange> changes;
    CSimBoards::SetOutputListener([&](const SimOutputChange& change) {
        std::lock_guard<std::mutex> lock(mutex);
        changes.push_back(change);
        EXPECT_GE(CSimBoards::GetTtlOutputByte(change.nBoard), 0);  // may call back into the library
    });

    ASSERT_EQ(cbDConfigPort(1, FIRSTPORTB, DIGITALOUT), NOERRORS);
    ASSERT_EQ(cbDOut(1, FIRSTPORTB, 0xC0), NOERRORS);
    ASSERT_EQ(cbDOut(1, FIRSTPORTB, 0xC0), NOERRORS);  // unchanged: no report
    ASSERT_EQ(cbAOut(0, 2, BIP10VOLTS, 4000), NOERRORS);
    EXPECT_EQ(cbDOut(1, FIRSTPORTA, 1), PORTNOTOUTPUT);

    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].nBoard, 1);
    EXPECT_EQ(changes[0].eKind, ESimOutput::DigitalPort);
    EXPECT_EQ(changes[0].nIndex, FIRSTPORTB);
    EXPECT_EQ(changes[0].nValue, 0xC0u);
    EXPECT_EQ(changes[1].eKind, ESimOutput::AnalogCode);
    EXPECT_EQ(changes[1].nIndex, 2);
    EXPECT_EQ(changes[1].nValue, 4000u);
    EXPECT_EQ(CSimBoards::GetTtlOutputByte(1), 0xC0);
    EXPECT_EQ(CSimBoards::GetTtlOutputByte(0), 0);
    EXPECT_EQ(CSimBoards::GetTtlOutputByte(5), -1);
}

struct InterruptProbe {
    std::atomic<int> nCalls{0};
    std::atomic<unsigned> nLastData{0};
    std::atomic<int> nReadResult{-1};
    std::atomic<USHORT> wRead{0};
    std::mutex mutex;
    std::thread::id callbackThread;
};

void OnInterrupt(int nBoard, unsigned nEventType, unsigned nEventData, void* pUser) {
    auto* probe = static_cast<InterruptProbe*>(pUser);
    {
        std::lock_guard<std::mutex> lock(probe->mutex);
        probe->callbackThread = std::this_thread::get_id();
    }
    USHORT w = 0;
    probe->nReadResult = cbDIn(nBoard, FIRSTPORTA, &w);  // reading a port inside must not deadlock
    probe->wRead = w;
    probe->nLastData = nEventData;
    if (nEventType == ON_EXTERNAL_INTERRUPT) ++probe->nCalls;
}

TEST_F(UlControl, InterruptCallbackRunsOnTheLibrarysThreadAndMayCallIt) {
    CreateBoards("PCI-DIO24,USB-1208FS");
    InterruptProbe probe;
    EXPECT_FALSE(CSimBoards::RaiseExternalInterrupt(0));  // not enabled: lost
    EXPECT_EQ(cbEnableEvent(1, ON_EXTERNAL_INTERRUPT, 1, OnInterrupt, &probe), BADEVENTTYPE);
    EXPECT_EQ(cbEnableEvent(0, 1, 1, OnInterrupt, &probe), BADEVENTTYPE);
    ASSERT_EQ(cbEnableEvent(0, ON_EXTERNAL_INTERRUPT, 1, OnInterrupt, &probe), NOERRORS);
    ASSERT_TRUE(CSimBoards::SetPortInput(0, FIRSTPORTA, 0x21));

    ASSERT_TRUE(CSimBoards::RaiseExternalInterrupt(0));
    EXPECT_EQ(probe.nCalls, 1);
    EXPECT_EQ(probe.nLastData, 1u);
    EXPECT_EQ(probe.nReadResult, NOERRORS);
    EXPECT_EQ(probe.wRead, 0x21);
    {
        std::lock_guard<std::mutex> lock(probe.mutex);
        EXPECT_NE(probe.callbackThread, std::thread::id());
        EXPECT_NE(probe.callbackThread, std::this_thread::get_id());
    }

    for (int i = 0; i < 3; ++i) EXPECT_TRUE(CSimBoards::PostExternalInterrupt(0));
    CSimBoards::WaitForInterrupts();
    EXPECT_EQ(probe.nCalls, 4);
    EXPECT_EQ(probe.nLastData, 4u);

    ASSERT_EQ(cbDisableEvent(0, ON_EXTERNAL_INTERRUPT), NOERRORS);
    EXPECT_EQ(cbDisableEvent(0, ON_EXTERNAL_INTERRUPT), NOERRORS);
    EXPECT_FALSE(CSimBoards::RaiseExternalInterrupt(0));
    EXPECT_EQ(probe.nCalls, 4);

    ASSERT_EQ(cbEnableEvent(0, ON_EXTERNAL_INTERRUPT, 1, OnInterrupt, &probe), NOERRORS);
    ASSERT_TRUE(CSimBoards::SetDeviceResponding(0, false));
    EXPECT_FALSE(CSimBoards::RaiseExternalInterrupt(0));
    EXPECT_EQ(probe.nCalls, 4);
}

TEST_F(UlControl, CallsFromSeveralThreadsAndTheEventThreadAreAllServed) {
    CreateBoards("PCI-DIO24");
    ASSERT_EQ(cbDConfigPort(0, FIRSTPORTB, DIGITALOUT), NOERRORS);
    InterruptProbe probe;
    ASSERT_EQ(cbEnableEvent(0, ON_EXTERNAL_INTERRUPT, 1, OnInterrupt, &probe), NOERRORS);
    std::atomic<int> nOutputs{0};
    CSimBoards::SetOutputListener([&](const SimOutputChange&) { ++nOutputs; });
    CSimBoards::ClearCallLog();

    constexpr int kRounds = 200;
    std::thread writer([] {
        for (int i = 0; i < kRounds; ++i) cbDOut(0, FIRSTPORTB, static_cast<USHORT>(i & 1));
    });
    std::thread reader([] {
        USHORT w = 0;
        for (int i = 0; i < kRounds; ++i) cbDIn(0, FIRSTPORTA, &w);
    });
    for (int i = 0; i < kRounds; ++i) CSimBoards::PostExternalInterrupt(0);
    writer.join();
    reader.join();
    CSimBoards::WaitForInterrupts();

    EXPECT_EQ(probe.nCalls, kRounds);
    EXPECT_EQ(nOutputs, kRounds - 1);  // the first write of 0 changed nothing
    EXPECT_EQ(CSimBoards::GetCallLog().size(), 3u * kRounds);
}

TEST_F(UlControl, ResetStopsTheEventThreadAndForgetsEverything) {
    CreateBoards("PCI-DIO24");
    InterruptProbe probe;
    ASSERT_EQ(cbEnableEvent(0, ON_EXTERNAL_INTERRUPT, 1, OnInterrupt, &probe), NOERRORS);
    for (int i = 0; i < 20; ++i) CSimBoards::PostExternalInterrupt(0);
    CSimBoards::FailCall("cbFlashLED", 9, ESimFail::Always);

    CSimBoards::Reset();
    const int nDelivered = probe.nCalls;
    EXPECT_LE(nDelivered, 20);
    EXPECT_TRUE(CSimBoards::GetBoardNumbers().empty());
    EXPECT_TRUE(CSimBoards::GetAttachedDevices().empty());
    EXPECT_FALSE(CSimBoards::RaiseExternalInterrupt(0));
    EXPECT_EQ(probe.nCalls, nDelivered);

    CreateBoards("PCI-DIO24");
    EXPECT_EQ(cbFlashLED(0), NOERRORS);
    ASSERT_EQ(cbEnableEvent(0, ON_EXTERNAL_INTERRUPT, 1, OnInterrupt, &probe), NOERRORS);
    EXPECT_TRUE(CSimBoards::RaiseExternalInterrupt(0));
    EXPECT_EQ(probe.nLastData, 1u);  // a fresh board counts from 1 again
}

TEST_F(UlControl, TtlInputPatternDrivesTheRigsInputLinesOverTime) {
    SimTtlInputPattern pattern;
    std::string strError;
    ASSERT_TRUE(CSimBoards::ParseTtlInputPattern("walk", pattern, strError)) << strError;
    EXPECT_EQ(pattern.eKind, ESimTtlInputPattern::Walk);
    EXPECT_EQ(pattern.nStepMs, 500u);
    ASSERT_TRUE(CSimBoards::ParseTtlInputPattern("count:1", pattern, strError));
    EXPECT_EQ(pattern.eKind, ESimTtlInputPattern::Count);
    EXPECT_EQ(pattern.nStepMs, 1u);
    ASSERT_TRUE(CSimBoards::ParseTtlInputPattern("off:60000", pattern, strError));
    EXPECT_EQ(pattern.eKind, ESimTtlInputPattern::Off);
    for (const char* text : {"", "Walk", "walk:", "walk:0", "walk:60001", "walk:-5", "walk:5ms", "walk:2:3",
                             "count:99999999999999999999", "zigzag"}) {
        SimTtlInputPattern kept;
        kept.nStepMs = 7;
        EXPECT_FALSE(CSimBoards::ParseTtlInputPattern(text, kept, strError)) << text;
        EXPECT_FALSE(strError.empty()) << text;
        EXPECT_EQ(kept.nStepMs, 7u) << text;
    }

    const SimTtlInputPattern walk{ESimTtlInputPattern::Walk, 250};
    const SimTtlInputPattern count{ESimTtlInputPattern::Count, 250};
    EXPECT_EQ(CSimBoards::TtlInputPatternByte(walk, -1), 0x01u);
    EXPECT_EQ(CSimBoards::TtlInputPatternByte(walk, 249999), 0x01u);
    EXPECT_EQ(CSimBoards::TtlInputPatternByte(walk, 250000), 0x02u);
    EXPECT_EQ(CSimBoards::TtlInputPatternByte(walk, 7 * 250000), 0x80u);
    EXPECT_EQ(CSimBoards::TtlInputPatternByte(walk, 8 * 250000), 0x01u);
    EXPECT_EQ(CSimBoards::TtlInputPatternByte(count, 3 * 250000), 3u);
    EXPECT_EQ(CSimBoards::TtlInputPatternByte(count, 257 * 250000LL), 1u);
    EXPECT_EQ(CSimBoards::TtlInputPatternByte({ESimTtlInputPattern::Off, 250}, 250000), 0u);
    EXPECT_EQ(CSimBoards::TtlInputPatternByte({ESimTtlInputPattern::Count, 0}, 5000), 5u);

    // Port 10 on the DDA and the DIO24, AUXPORT lines 0..7 on the 1208HS; lines set for output keep their
    // latch, and the lines beside the eight are left alone.
    CreateBoards("PCI-DDA08/12,PCI-DIO24,USB-1208HS");
    std::atomic<LONGLONG> nNowUs{0};
    CSimBoards::SetTimeSource([&] { return nNowUs.load(); });
    ASSERT_TRUE(CSimBoards::SetInputLine(2, AUXPORT, 12, true));
    ASSERT_EQ(cbDConfigBit(2, AUXPORT, 3, DIGITALOUT), NOERRORS);
    CSimBoards::SetTtlInputPattern(count);
    EXPECT_EQ(CSimBoards::GetTtlInputPattern().eKind, ESimTtlInputPattern::Count);
    nNowUs = 5 * 250000;
    USHORT wValue = 0;
    ASSERT_EQ(cbDIn(0, FIRSTPORTA, &wValue), NOERRORS);
    EXPECT_EQ(wValue, 5u);
    ASSERT_EQ(cbDIn(1, FIRSTPORTA, &wValue), NOERRORS);
    EXPECT_EQ(wValue, 5u);
    ASSERT_EQ(cbDIn(1, FIRSTPORTB, &wValue), NOERRORS);
    EXPECT_EQ(wValue, 0u);
    ASSERT_EQ(cbDIn(2, AUXPORT, &wValue), NOERRORS);
    EXPECT_EQ(wValue, 0x1000u | 0x0005u);
    nNowUs = 6 * 250000 + 10;
    ASSERT_EQ(cbDBitIn(2, AUXPORT, 1, &wValue), NOERRORS);
    EXPECT_EQ(wValue, 1u);
    EXPECT_EQ(CSimBoards::GetTtlInputByte(0), 6);
    EXPECT_EQ(CSimBoards::GetTtlInputByte(2), 6);
    nNowUs = 12 * 250000;  // 0x0C: line 3 is an output, low, on the 1208HS
    EXPECT_EQ(CSimBoards::GetTtlInputByte(2), 0x04);
    SimBoardState state;
    ASSERT_TRUE(CSimBoards::GetBoardState(0, state));
    EXPECT_EQ(state.ports[0].nInput, 12u);
    EXPECT_EQ(CSimBoards::GetTtlInputByte(3), -1);

    // Off: the lines keep their last levels and answer SetPortInput again.
    CSimBoards::SetTtlInputPattern(SimTtlInputPattern{});
    nNowUs = 20 * 250000;
    EXPECT_EQ(CSimBoards::GetTtlInputByte(0), 12);
    ASSERT_TRUE(CSimBoards::SetPortInput(0, FIRSTPORTA, 0x81));
    EXPECT_EQ(CSimBoards::GetTtlInputByte(0), 0x81);

    CSimBoards::Reset();
    EXPECT_EQ(CSimBoards::GetTtlInputPattern().eKind, ESimTtlInputPattern::Off);
}

}  // namespace
