#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/ul/ul_errors.h"
#include "ul_fixture.h"

namespace {

TEST(UlDescriptor, Is720BytesWithTheDocumentedLayout) {
    EXPECT_EQ(sizeof(DaqDeviceDescriptor), 720u);
    EXPECT_EQ(offsetof(DaqDeviceDescriptor, ProductName), 0u);
    EXPECT_EQ(offsetof(DaqDeviceDescriptor, ProductID), 64u);
    EXPECT_EQ(offsetof(DaqDeviceDescriptor, InterfaceType), 68u);
    EXPECT_EQ(offsetof(DaqDeviceDescriptor, DevString), 72u);
    EXPECT_EQ(offsetof(DaqDeviceDescriptor, UniqueID), 136u);
    EXPECT_EQ(offsetof(DaqDeviceDescriptor, Reserved), 200u);
}

using UlBoards = UlTest;

TEST_F(UlBoards, DevicesAnswerUnderTheNumbersTheyWereCreatedWith) {
    CreateBoards("PCI-DDA08/12:01A2B3C4,PCI-DIO24:00F00D01,USB-1208HS:1234ABCD");
    EXPECT_EQ(CSimBoards::GetBoardNumbers(), (std::vector<int>{0, 1, 2}));

    const char* names[] = {"PCI-DDA08/12", "PCI-DIO24", "USB-1208HS"};
    const char* serials[] = {"01A2B3C4", "00F00D01", "1234ABCD"};
    for (int b = 0; b < 3; ++b) {
        char name[BOARDNAMELEN];
        ASSERT_EQ(cbGetBoardName(b, name), NOERRORS);
        EXPECT_STREQ(name, names[b]);
        char serial[256];
        int nLen = 99;
        ASSERT_EQ(cbGetConfigString(BOARDINFO, b, 0, BIINFO_DEVUNIQUEID, serial, &nLen), NOERRORS);
        EXPECT_STREQ(serial, serials[b]);
        EXPECT_EQ(nLen, 8);
    }

    char name[BOARDNAMELEN];
    std::memset(name, 'x', sizeof(name));
    EXPECT_EQ(cbGetBoardName(3, name), BADBOARD);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(BADBOARD, 1);

    EXPECT_EQ(cbFlashLED(1), NOERRORS);
    SimBoardState state;
    ASSERT_TRUE(CSimBoards::GetBoardState(1, state));
    EXPECT_EQ(state.nFlashCount, 1);
}

TEST_F(UlBoards, CreationRefusesTakenNumbersUsedDevicesAndForeignDescriptors) {
    std::string strError;
    ASSERT_TRUE(CSimBoards::SetAttachedDevices("PCI-DDA02/12:AA000001,PCI-DDA04/12:AA000002", strError));
    DaqDeviceDescriptor inv[2];
    int nCount = 2;
    ASSERT_EQ(cbGetDaqDeviceInventory(ANY_IFC, inv, &nCount), NOERRORS);
    ASSERT_EQ(nCount, 2);

    EXPECT_EQ(cbCreateDaqDevice(-1, inv[0]), BADBOARD);
    EXPECT_EQ(cbCreateDaqDevice(MAXBOARDNUM + 1, inv[0]), BADBOARD);
    ASSERT_EQ(cbCreateDaqDevice(0, inv[0]), NOERRORS);
    EXPECT_EQ(cbCreateDaqDevice(0, inv[1]), BOARDINUSE);
    EXPECT_EQ(cbCreateDaqDevice(1, inv[0]), DEVICEINUSE);

    DaqDeviceDescriptor foreign = inv[1];
    std::strcpy(foreign.UniqueID, "FFFFFFFF");
    EXPECT_EQ(cbCreateDaqDevice(1, foreign), BADDESCRIPTOR);
    DaqDeviceDescriptor unterminated = inv[1];
    std::memset(unterminated.ProductName, 'A', sizeof(unterminated.ProductName));
    EXPECT_EQ(cbCreateDaqDevice(1, unterminated), BADDESCRIPTOR);
    EXPECT_EQ(CSimBoards::GetBoardNumbers(), (std::vector<int>{0}));
}

TEST_F(UlBoards, InventoryNeverFillsMoreThanTheCallersCapacity) {
    std::string strList;
    for (int i = 0; i < 150; ++i) strList += std::string(i ? "," : "") + (i % 2 ? "USB-1208FS" : "PCI-DIO24");
    std::string strError;
    ASSERT_TRUE(CSimBoards::SetAttachedDevices(strList, strError)) << strError;

    std::vector<DaqDeviceDescriptor> inv(101);
    std::memset(&inv[100], 0x5A, sizeof(DaqDeviceDescriptor));
    int nCount = 100;
    ASSERT_EQ(cbGetDaqDeviceInventory(ANY_IFC, inv.data(), &nCount), NOERRORS);
    EXPECT_EQ(nCount, 100);
    EXPECT_EQ(static_cast<unsigned char>(inv[100].ProductName[0]), 0x5Au);
    EXPECT_STREQ(inv[0].ProductName, "PCI-DIO24");
    EXPECT_EQ(inv[0].InterfaceType, 0);
    EXPECT_STREQ(inv[1].ProductName, "USB-1208FS");
    EXPECT_EQ(inv[1].InterfaceType, USB_IFC);
    EXPECT_EQ(std::strlen(inv[0].UniqueID), 8u);

    nCount = 3;
    ASSERT_EQ(cbGetDaqDeviceInventory(USB_IFC, inv.data(), &nCount), NOERRORS);
    EXPECT_EQ(nCount, 3);
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(inv[i].ProductName, "USB-1208FS");

    nCount = -1;
    EXPECT_EQ(cbGetDaqDeviceInventory(ANY_IFC, inv.data(), &nCount), BADDEVCOUNT);
    EXPECT_EQ(nCount, 0);
    for (int ifc : {0, 8, -1}) {
        nCount = 100;
        EXPECT_EQ(cbGetDaqDeviceInventory(ifc, inv.data(), &nCount), BADINTERFACE);
        EXPECT_EQ(nCount, 0);
    }
}

TEST_F(UlBoards, ConfigStringStaysWithinMaxLenAndChecksItsItem) {
    CreateBoards("PCI-DIO24:01A2B3C4");
    char buf[8];
    std::memset(buf, '#', sizeof(buf));
    int nLen = 4;
    EXPECT_EQ(cbGetConfigString(BOARDINFO, 0, 0, BIINFO_DEVUNIQUEID, buf, &nLen), BUFFERTOOSMALL);
    EXPECT_STREQ(buf, "01A");
    EXPECT_EQ(nLen, 3);
    EXPECT_EQ(buf[4], '#');

    nLen = 8;
    EXPECT_EQ(cbGetConfigString(1, 0, 0, BIINFO_DEVUNIQUEID, buf, &nLen), BADINFOTYPE);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(cbGetConfigString(BOARDINFO, 0, 1, BIINFO_DEVUNIQUEID, buf, &nLen), BADDEVNUM);
    EXPECT_EQ(cbGetConfigString(BOARDINFO, 0, 0, 362, buf, &nLen), BADCONFIGITEM);
    nLen = 0;
    EXPECT_EQ(cbGetConfigString(BOARDINFO, 0, 0, BIINFO_DEVUNIQUEID, buf, &nLen), BUFFERTOOSMALL);
}

TEST_F(UlBoards, BadArgumentsGiveCodesAndChangeNothing) {
    CreateBoards("PCI-DDA08/12,USB-1208HS");
    for (int b : {-1, 2, 99, INT_MIN, INT_MAX}) {
        USHORT w = 0;
        ULONG n = 0;
        float f = 0.0f;
        char text[256];
        int nLen = 99;
        EXPECT_EQ(cbGetBoardName(b, text), BADBOARD) << b;
        EXPECT_EQ(cbGetConfigString(BOARDINFO, b, 0, BIINFO_DEVUNIQUEID, text, &nLen), BADBOARD) << b;
        EXPECT_EQ(cbFlashLED(b), BADBOARD) << b;
        EXPECT_EQ(cbAOut(b, 0, BIP10VOLTS, 0), BADBOARD) << b;
        EXPECT_EQ(cbToEngUnits(b, BIP10VOLTS, 0, &f), BADBOARD) << b;
        EXPECT_EQ(cbDConfigPort(b, FIRSTPORTA, DIGITALOUT), BADBOARD) << b;
        EXPECT_EQ(cbDConfigBit(b, AUXPORT, 0, DIGITALOUT), BADBOARD) << b;
        EXPECT_EQ(cbDOut(b, FIRSTPORTA, 0), BADBOARD) << b;
        EXPECT_EQ(cbDIn(b, FIRSTPORTA, &w), BADBOARD) << b;
        EXPECT_EQ(cbDBitOut(b, AUXPORT, 0, 1), BADBOARD) << b;
        EXPECT_EQ(cbDBitIn(b, AUXPORT, 0, &w), BADBOARD) << b;
        EXPECT_EQ(cbCClear(b, 0), BADBOARD) << b;
        EXPECT_EQ(cbCIn32(b, 0, &n), BADBOARD) << b;
        EXPECT_EQ(cbEnableEvent(
                      b, ON_EXTERNAL_INTERRUPT, 1, [](int, unsigned, unsigned, void*) {}, nullptr),
                  BADBOARD)
            << b;
        EXPECT_EQ(cbDisableEvent(b, ON_EXTERNAL_INTERRUPT), BADBOARD) << b;
    }

    EXPECT_EQ(cbGetBoardName(0, nullptr), NULLPTRARG);
    int nLen = 99;
    EXPECT_EQ(cbGetConfigString(BOARDINFO, 0, 0, BIINFO_DEVUNIQUEID, nullptr, &nLen), NULLPTRARG);
    char buf[16];
    EXPECT_EQ(cbGetConfigString(BOARDINFO, 0, 0, BIINFO_DEVUNIQUEID, buf, nullptr), NULLPTRARG);
    EXPECT_EQ(cbGetErrMsg(1, nullptr), NULLPTRARG);
    EXPECT_EQ(cbDeclareRevision(nullptr), NULLPTRARG);
    EXPECT_EQ(cbToEngUnits(0, BIP10VOLTS, 0, nullptr), NULLPTRARG);
    EXPECT_EQ(cbDIn(0, FIRSTPORTA, nullptr), NULLPTRARG);
    EXPECT_EQ(cbDBitIn(1, AUXPORT, 0, nullptr), NULLPTRARG);
    EXPECT_EQ(cbCIn32(0, 0, nullptr), NULLPTRARG);
    EXPECT_EQ(cbEnableEvent(0, ON_EXTERNAL_INTERRUPT, 1, nullptr, nullptr), NULLPTRARG);
    int nCount = 100;
    EXPECT_EQ(cbGetDaqDeviceInventory(ANY_IFC, nullptr, &nCount), NULLPTRARG);
    EXPECT_EQ(nCount, 0);
    DaqDeviceDescriptor inv[1];
    EXPECT_EQ(cbGetDaqDeviceInventory(ANY_IFC, inv, nullptr), NULLPTRARG);

    USHORT w = 0;
    for (int chan : {-1, 8, 99, INT_MAX}) EXPECT_EQ(cbAOut(0, chan, BIP10VOLTS, 0), BADDACCHAN) << chan;
    for (int port : {0, 99, -5, AUXPORT}) {
        EXPECT_EQ(cbDConfigPort(0, port, DIGITALOUT), BADPORTNUM) << port;
        EXPECT_EQ(cbDIn(0, port, &w), BADPORTNUM) << port;
        EXPECT_EQ(cbDOut(0, port, 0), BADPORTNUM) << port;
        EXPECT_EQ(cbDBitIn(0, port, 0, &w), BADPORTNUM) << port;
    }
    for (int line : {-1, 16, 99, INT_MIN}) {
        EXPECT_EQ(cbDConfigBit(1, AUXPORT, line, DIGITALOUT), BADBITNUM) << line;
        EXPECT_EQ(cbDBitIn(1, AUXPORT, line, &w), BADBITNUM) << line;
    }

    SimBoardState state;
    ASSERT_TRUE(CSimBoards::GetBoardState(0, state));
    for (const SimPortState& port : state.ports) EXPECT_EQ(port.nOutputMask, 0u);
    for (USHORT code : state.dacCodes) EXPECT_EQ(code, 0u);
}

using UlAnalog = UlTest;

TEST_F(UlAnalog, AOutRefusesWhatTheProductCannotDo) {
    CreateBoards("PCI-DDA08/12,USB-1208LS,USB-1208FS,USB-1208HS,PCI-DIO24");
    struct Case {
        int nBoard, nChan, nRange;
        USHORT wCode;
        int nExpected;
    };
    const Case cases[] = {
        {0, 7, UNI5VOLTS, 4095, NOERRORS},  {0, 8, UNI5VOLTS, 0, BADDACCHAN},
        {0, 0, UNI4VOLTS, 0, BADRANGE},     {0, 0, BIP5VOLTS, 4096, BADDACVALUE},
        {1, 1, UNI5VOLTS, 1023, NOERRORS},  {1, 0, UNI5VOLTS, 1024, BADDACVALUE},
        {1, 2, UNI5VOLTS, 0, BADDACCHAN},   {1, 0, BIP10VOLTS, 0, BADRANGE},
        {2, 1, UNI4VOLTS, 4095, NOERRORS},  {2, 0, UNI5VOLTS, 0, BADRANGE},
        {3, 3, BIP10VOLTS, 4095, NOERRORS}, {3, 0, BIP5VOLTS, 0, BADRANGE},
        {4, 0, BIP10VOLTS, 0, BADDACCHAN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cbAOut(c.nBoard, c.nChan, c.nRange, c.wCode), c.nExpected)
            << "board " << c.nBoard << " chan " << c.nChan << " range " << c.nRange << " code " << c.wCode;
    }
    EXPECT_EQ(ErrText(BADDACCHAN), "Invalid D/A channel: the board has no analog output with this number.");

    SimBoardState state;
    ASSERT_TRUE(CSimBoards::GetBoardState(0, state));
    EXPECT_EQ(state.dacCodes[7], 4095u);
    EXPECT_EQ(state.dacRanges[7], UNI5VOLTS);
    EXPECT_EQ(state.dacCodes[0], 0u);  // the refused writes left channel 0 alone
    EXPECT_EQ(state.dacRanges[0], BIP5VOLTS);
}

TEST_F(UlAnalog, ToEngUnitsConvertsOnTheTwelveBitScale) {
    CreateBoards("PCI-DDA02/12,USB-1208LS,PCI-DIO24");
    float f = 0.0f;
    ASSERT_EQ(cbToEngUnits(0, UNI5VOLTS, 4095, &f), NOERRORS);
    EXPECT_FLOAT_EQ(f, 4.9987793f);
    ASSERT_EQ(cbToEngUnits(0, BIP10VOLTS, 0, &f), NOERRORS);
    EXPECT_FLOAT_EQ(f, -10.0f);
    ASSERT_EQ(cbToEngUnits(0, BIP10VOLTS, 2048, &f), NOERRORS);
    EXPECT_FLOAT_EQ(f, 0.0f);
    ASSERT_EQ(cbToEngUnits(0, BIP2PT5VOLTS, 1024, &f), NOERRORS);
    EXPECT_FLOAT_EQ(f, -1.25f);

    // The 10-bit device converts the rescaled 12-bit display code.
    ASSERT_EQ(cbToEngUnits(1, UNI5VOLTS, 4095, &f), NOERRORS);
    EXPECT_FLOAT_EQ(f, 4.9987793f);

    f = 123.0f;
    EXPECT_EQ(cbToEngUnits(0, UNI5VOLTS, 4096, &f), BADDACVALUE);
    EXPECT_EQ(cbToEngUnits(0, UNI4VOLTS, 0, &f), BADRANGE);
    EXPECT_EQ(cbToEngUnits(2, BIP10VOLTS, 0, &f), BADRANGE);
    EXPECT_EQ(f, 123.0f);
}

// Every range constant has its documented span, and the simulated converter works with exactly that table:
// code 0 is the low end, half the codes the middle.
TEST(UlRanges, EachRangeHasItsDocumentedSpan) {
    struct Expected {
        int nRange;
        double dLow;
        double dHigh;
    };
    const Expected expected[] = {{BIP10VOLTS, -10.0, 10.0}, {BIP5VOLTS, -5.0, 5.0}, {BIP2PT5VOLTS, -2.5, 2.5},
                                 {UNI10VOLTS, 0.0, 10.0},   {UNI5VOLTS, 0.0, 5.0},  {UNI2PT5VOLTS, 0.0, 2.5},
                                 {UNI4VOLTS, 0.0, 4.0}};
    EXPECT_EQ(std::size(expected), std::size(kRangeSpans));
    for (const Expected& e : expected) {
        const RangeSpan* pSpan = FindRangeSpan(e.nRange);
        ASSERT_NE(nullptr, pSpan) << e.nRange;
        EXPECT_EQ(e.nRange, pSpan->nRange);
        EXPECT_EQ(e.dLow, pSpan->dLowVolts) << e.nRange;
        EXPECT_EQ(e.dHigh, pSpan->dHighVolts) << e.nRange;
    }
    for (int nOther : {-1, 3, 99, 103, 113, 115}) EXPECT_EQ(nullptr, FindRangeSpan(nOther)) << nOther;
}

TEST_F(UlAnalog, ToEngUnitsUsesTheRangeTableOnEveryRangeOfTheBoard) {
    CreateBoards("PCI-DDA08/12");
    for (int nRange : {BIP5VOLTS, BIP10VOLTS, BIP2PT5VOLTS, UNI10VOLTS, UNI5VOLTS, UNI2PT5VOLTS}) {
        const RangeSpan* pSpan = FindRangeSpan(nRange);
        ASSERT_NE(nullptr, pSpan);
        float f = 123.0f;
        ASSERT_EQ(cbToEngUnits(0, nRange, 0, &f), NOERRORS) << nRange;
        EXPECT_FLOAT_EQ(static_cast<float>(pSpan->dLowVolts), f) << nRange;
        ASSERT_EQ(cbToEngUnits(0, nRange, 2048, &f), NOERRORS) << nRange;
        EXPECT_FLOAT_EQ(static_cast<float>((pSpan->dLowVolts + pSpan->dHighVolts) / 2), f) << nRange;
    }
}

using UlDigital = UlTest;

TEST_F(UlDigital, BankPortsFollowTheirConfiguredDirection) {
    CreateBoards("PCI-DDA08/12");
    USHORT w = 0;
    EXPECT_EQ(cbDOut(0, SECONDPORTA, 1), PORTNOTOUTPUT);  // every line starts as an input
    ASSERT_EQ(cbDConfigPort(0, SECONDPORTA, DIGITALOUT), NOERRORS);
    ASSERT_EQ(cbDConfigPort(0, FIRSTPORTA, DIGITALIN), NOERRORS);
    ASSERT_EQ(cbDConfigPort(0, SECONDPORTB, DIGITALOUT), NOERRORS);
    EXPECT_EQ(cbDConfigPort(0, FIRSTPORTB, 3), BADDIRECTION);
    EXPECT_EQ(cbDConfigBit(0, FIRSTPORTA, 0, DIGITALOUT), NOBITCONFIG);

    ASSERT_EQ(cbDOut(0, SECONDPORTA, 0x1C3), NOERRORS);  // bits beyond the port's 8 lines are dropped
    ASSERT_EQ(cbDIn(0, SECONDPORTA, &w), NOERRORS);
    EXPECT_EQ(w, 0xC3);
    EXPECT_EQ(CSimBoards::GetTtlOutputByte(0), 0xC3);
    EXPECT_EQ(cbDOut(0, FIRSTPORTA, 1), PORTNOTOUTPUT);

    ASSERT_TRUE(CSimBoards::SetPortInput(0, FIRSTPORTA, 0x05));
    ASSERT_TRUE(CSimBoards::SetPortInput(0, SECONDPORTA, 0xFF));  // driving an output changes nothing
    ASSERT_EQ(cbDIn(0, FIRSTPORTA, &w), NOERRORS);
    EXPECT_EQ(w, 0x05);
    ASSERT_EQ(cbDIn(0, SECONDPORTA, &w), NOERRORS);
    EXPECT_EQ(w, 0xC3);
    ASSERT_EQ(cbDBitIn(0, FIRSTPORTA, 2, &w), NOERRORS);
    EXPECT_EQ(w, 1);

    ASSERT_EQ(cbDConfigPort(0, FIRSTPORTCL, DIGITALOUT), NOERRORS);
    ASSERT_EQ(cbDOut(0, FIRSTPORTCL, 0xFF), NOERRORS);
    ASSERT_EQ(cbDIn(0, FIRSTPORTCL, &w), NOERRORS);
    EXPECT_EQ(w, 0x0F);
    EXPECT_EQ(cbDBitOut(0, FIRSTPORTCL, 4, 1), BADBITNUM);

    ASSERT_EQ(cbDConfigPort(0, SECONDPORTA, DIGITALOUT), NOERRORS);  // configuring clears the latch
    EXPECT_EQ(CSimBoards::GetTtlOutputByte(0), 0);
}

TEST_F(UlDigital, AuxLinesOfThe1208HSAreConfiguredOneByOne) {
    CreateBoards("USB-1208HS");
    for (int line = 0; line < 8; ++line) ASSERT_EQ(cbDConfigBit(0, AUXPORT, line, DIGITALIN), NOERRORS);
    for (int line = 8; line < 16; ++line) ASSERT_EQ(cbDConfigBit(0, AUXPORT, line, DIGITALOUT), NOERRORS);
    EXPECT_EQ(cbDConfigBit(0, AUXPORT, 3, 0), BADDIRECTION);
    EXPECT_EQ(cbDConfigPort(0, FIRSTPORTA, DIGITALOUT), BADPORTNUM);

    const USHORT wCode = 0x05;
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(cbDBitOut(0, AUXPORT, 8 + i, static_cast<USHORT>(wCode & (1 << i))), NOERRORS);
    }
    EXPECT_EQ(CSimBoards::GetTtlOutputByte(0), 0x05);
    USHORT w = 0;
    ASSERT_EQ(cbDBitIn(0, AUXPORT, 10, &w), NOERRORS);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(cbDBitOut(0, AUXPORT, 3, 1), PORTNOTOUTPUT);

    ASSERT_TRUE(CSimBoards::SetInputLine(0, AUXPORT, 6, true));
    ASSERT_EQ(cbDBitIn(0, AUXPORT, 6, &w), NOERRORS);
    EXPECT_EQ(w, 1);
    ASSERT_EQ(cbDIn(0, AUXPORT, &w), NOERRORS);
    EXPECT_EQ(w, 0x0540);
    EXPECT_FALSE(CSimBoards::SetInputLine(0, AUXPORT, 16, true));
}

TEST_F(UlBoards, Counter0CountsWrapsAndClears) {
    CreateBoards("PCI-DIO24,DEMO-BOARD");
    ASSERT_TRUE(CSimBoards::AdvanceCounter(0, 0xFFFFFFFEu));
    ASSERT_TRUE(CSimBoards::AdvanceCounter(0, 7));
    ULONG n = 0;
    ASSERT_EQ(cbCIn32(0, 0, &n), NOERRORS);
    EXPECT_EQ(n, 5u);
    ASSERT_EQ(cbCClear(0, 0), NOERRORS);
    ASSERT_EQ(cbCIn32(0, 0, &n), NOERRORS);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(cbCIn32(0, 1, &n), BADCOUNTER);
    EXPECT_EQ(cbCClear(1, 0), BADCOUNTER);
    EXPECT_FALSE(CSimBoards::AdvanceCounter(1, 1));
}

TEST_F(UlBoards, OnlyADeviceThatDoesNotRespondAnswersTheProbeWith328) {
    CreateBoards("PCI-DDA08/12,UNLISTED-9999");
    USHORT w = 123;
    EXPECT_EQ(cbDIn(0, 0, &w), BADPORTNUM);
    EXPECT_EQ(cbDIn(1, 0, &w), BADPORTNUM);
    EXPECT_EQ(w, 123);

    ASSERT_TRUE(CSimBoards::SetDeviceResponding(1, false));
    EXPECT_EQ(cbDIn(1, 0, &w), DEVNOTRESPONDING);
    EXPECT_EQ(cbDIn(1, FIRSTPORTA, &w), DEVNOTRESPONDING);
    EXPECT_EQ(w, 123);
    char name[BOARDNAMELEN];
    EXPECT_EQ(cbGetBoardName(1, name), NOERRORS);
    EXPECT_STREQ(name, "UNLISTED-9999");
}

TEST_F(UlBoards, StartCallsRecordTheirArguments) {
    float f = 6.5f;
    EXPECT_EQ(cbDeclareRevision(&f), NOERRORS);
    float fDeclared = 0.0f;
    ASSERT_TRUE(CSimBoards::GetDeclaredRevision(fDeclared));
    EXPECT_EQ(fDeclared, 6.5f);
    for (float bad : {7.0f, 0.0f, -1.0f, NAN}) {
        f = bad;
        EXPECT_EQ(cbDeclareRevision(&f), BADREVISION) << bad;
    }

    int nReporting = -1, nHandling = -1;
    EXPECT_FALSE(CSimBoards::GetErrHandling(nReporting, nHandling));
    EXPECT_EQ(cbErrHandling(PRINTALL, STOPALL), NOERRORS);
    EXPECT_EQ(cbErrHandling(DONTPRINT, DONTSTOP), NOERRORS);
    EXPECT_EQ(cbErrHandling(4, 0), BADERRHANDLING);
    EXPECT_EQ(cbErrHandling(0, -1), BADERRHANDLING);
    ASSERT_TRUE(CSimBoards::GetErrHandling(nReporting, nHandling));
    EXPECT_EQ(nReporting, 0);
    EXPECT_EQ(nHandling, 0);

    EXPECT_FALSE(CSimBoards::IsInstaCalIgnored());
    EXPECT_EQ(cbIgnoreInstaCal(), NOERRORS);
    EXPECT_TRUE(CSimBoards::IsInstaCalIgnored());
}

TEST_F(UlBoards, EveryCodeHasItsOwnTextAndUnknownCodesAreNamed) {
    std::set<std::string> texts;
    std::vector<int> codes;
    for (int c = NOERRORS; c <= BADERRCODE; ++c) codes.push_back(c);
    codes.push_back(DEVNOTRESPONDING);
    for (int c : codes) {
        ASSERT_NE(UlErrorText(c), nullptr) << c;
        char msg[ERRSTRLEN];
        EXPECT_EQ(cbGetErrMsg(c, msg), NOERRORS) << c;
        EXPECT_GT(std::strlen(msg), 0u) << c;
        EXPECT_TRUE(texts.insert(msg).second) << "shared text for " << c;
    }
    EXPECT_EQ(ErrText(DEVNOTRESPONDING), "The device does not respond: it may have been disconnected.");

    char msg[ERRSTRLEN];
    EXPECT_EQ(cbGetErrMsg(-2147483647 - 1, msg), BADERRCODE);
    EXPECT_STREQ(msg, "Unknown error code -2147483648.");
}

}  // namespace
