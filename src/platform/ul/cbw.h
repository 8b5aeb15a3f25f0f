// The data-acquisition board library, as the program includes it. Here the calls are served by the
// simulated boards behind sim_control.h; the surface (names, argument shapes, numbers, codes) is the
// library's.
//
// Results: every call returns NOERRORS (0) or one of the error codes below; cbGetErrMsg gives each code's
// text. A call that fails leaves the board as it was and writes no output value, with two exceptions:
// text outputs (cbGetBoardName, cbGetConfigString, cbGetErrMsg) are always left zero-terminated when
// their buffer pointer is valid, an empty text on failure; the inventory's device count becomes 0.
//
// Board numbers: 0 .. MAXBOARDNUM. A board number answers only after cbCreateDaqDevice gave it a device;
// every call on any other number (negative and huge ones included) returns BADBOARD.
//
// Threading: every call may be made from any thread. Event callbacks run on a thread owned by the
// library; a callback may call the library again.
#pragma once

#include "platform/wintypes.h"

// Error codes.
constexpr int NOERRORS = 0;
constexpr int BADBOARD = 1;
constexpr int BADREVISION = 2;
constexpr int BADERRHANDLING = 3;
constexpr int NULLPTRARG = 4;
constexpr int BADINTERFACE = 5;
constexpr int BADDEVCOUNT = 6;
constexpr int BADDESCRIPTOR = 7;
constexpr int BOARDINUSE = 8;
constexpr int DEVICEINUSE = 9;
constexpr int BADINFOTYPE = 10;
constexpr int BADDEVNUM = 11;
constexpr int BADCONFIGITEM = 12;
constexpr int BUFFERTOOSMALL = 13;
constexpr int BADDACCHAN = 14;
constexpr int BADRANGE = 15;
constexpr int BADDACVALUE = 16;
constexpr int BADPORTNUM = 17;
constexpr int BADDIRECTION = 18;
constexpr int PORTNOTOUTPUT = 19;
constexpr int BADBITNUM = 20;
constexpr int NOBITCONFIG = 21;
constexpr int BADCOUNTER = 22;
constexpr int BADEVENTTYPE = 23;
constexpr int BADERRCODE = 24;
// The device is registered but does not answer (for instance unplugged after its creation). Every call
// that needs the device itself returns it; the name and configuration texts still come from the library.
constexpr int DEVNOTRESPONDING = 328;

constexpr int MAXBOARDNUM = 99;
constexpr int BOARDNAMELEN = 64;
constexpr int ERRSTRLEN = 256;

// cbErrHandling: reporting, then handling. The library records the choice; it never prints and never
// stops the program, so every failure comes back as a return code whatever is chosen.
constexpr int DONTPRINT = 0;
constexpr int PRINTWARNINGS = 1;
constexpr int PRINTFATAL = 2;
constexpr int PRINTALL = 3;
constexpr int DONTSTOP = 0;
constexpr int STOPFATAL = 1;
constexpr int STOPALL = 2;

// Interface masks of cbGetDaqDeviceInventory. ANY_IFC also lists the bus-attached boards, which report
// interface type 0 in their descriptor.
constexpr int USB_IFC = 1;
constexpr int BLUETOOTH_IFC = 2;
constexpr int ETHERNET_IFC = 4;
constexpr int ANY_IFC = 7;

// cbGetConfigString: info type and item. Device number 0 is the only one.
constexpr int BOARDINFO = 2;
constexpr int BIINFO_DEVUNIQUEID = 363;

// Digital port types. Byte ports (A, B) have 8 lines, the C halves 4; AUXPORT has 16 lines whose
// directions are set one by one with cbDConfigBit (or all at once with cbDConfigPort).
constexpr int AUXPORT = 1;
constexpr int FIRSTPORTA = 10;
constexpr int FIRSTPORTB = 11;
constexpr int FIRSTPORTCL = 12;
constexpr int FIRSTPORTCH = 13;
constexpr int SECONDPORTA = 14;
constexpr int SECONDPORTB = 15;

constexpr int DIGITALOUT = 1;
constexpr int DIGITALIN = 2;

// Analog ranges.
constexpr int BIP5VOLTS = 0;
constexpr int BIP10VOLTS = 1;
constexpr int BIP2PT5VOLTS = 2;
constexpr int UNI10VOLTS = 100;
constexpr int UNI5VOLTS = 101;
constexpr int UNI2PT5VOLTS = 102;
constexpr int UNI4VOLTS = 114;

// The voltage span of each analog range, as the library documents it: code 0 gives dLowVolts, and each of
// the 2^bits codes of a converter adds (dHighVolts - dLowVolts) / 2^bits. The one table of these values
// for the simulated boards (cbToEngUnits) and for their users.
struct RangeSpan {
    int nRange;
    double dLowVolts;
    double dHighVolts;
};

inline constexpr RangeSpan kRangeSpans[] = {
    {BIP5VOLTS, -5.0, 5.0}, {BIP10VOLTS, -10.0, 10.0}, {BIP2PT5VOLTS, -2.5, 2.5}, {UNI10VOLTS, 0.0, 10.0},
    {UNI5VOLTS, 0.0, 5.0},  {UNI2PT5VOLTS, 0.0, 2.5},  {UNI4VOLTS, 0.0, 4.0}};

// The span of a range constant; nullptr for a number that is none of the ranges above.
constexpr const RangeSpan* FindRangeSpan(int nRange) {
    for (const RangeSpan& span : kRangeSpans) {
        if (span.nRange == nRange) return &span;
    }
    return nullptr;
}

constexpr unsigned ON_EXTERNAL_INTERRUPT = 2;

// One entry of the device inventory, 720 bytes. The texts are zero-terminated within their arrays.
struct DaqDeviceDescriptor {
    char ProductName[64];
    unsigned int ProductID;
    int InterfaceType;
    char DevString[64];  // product name and unique id for display: "NAME (UNIQUEID)"
    char UniqueID[64];   // the device's serial number
    char Reserved[520];
};
static_assert(sizeof(DaqDeviceDescriptor) == 720);

// eventData: the number of external interrupts delivered on this board so far, this one included.
using EventCallback = void (*)(int boardNum, unsigned eventType, unsigned eventData, void* userData);

// Revisions above 6.5 (and non-positive or non-finite ones) are refused with BADREVISION.
int cbDeclareRevision(float* revNum);
int cbErrHandling(int errReporting, int errHandling);
int cbIgnoreInstaCal();

// *numberOfDevices: in, the capacity of inventory; out, the number of descriptors filled, never more
// than the capacity (devices beyond it are not reported). On failure *numberOfDevices becomes 0.
int cbGetDaqDeviceInventory(int interfaceType, DaqDeviceDescriptor* inventory, int* numberOfDevices);
// The descriptor must be one the inventory reports; a device takes one board number and a board number
// one device.
int cbCreateDaqDevice(int boardNum, DaqDeviceDescriptor deviceDescriptor);
int cbFlashLED(int boardNum);

// name: BOARDNAMELEN bytes.
int cbGetBoardName(int boardNum, char* name);
// *maxLen: in, the size of buf including the terminator; out, the number of characters stored without
// the terminator. A text that does not fit is cut, terminated and reported with BUFFERTOOSMALL.
int cbGetConfigString(int infoType, int boardNum, int devNum, int configItem, char* buf, int* maxLen);
// msg: ERRSTRLEN bytes. An unknown code gets the text "Unknown error code N." and BADERRCODE.
int cbGetErrMsg(int errCode, char* msg);

int cbAOut(int boardNum, int chan, int range, USHORT dataValue);
// Converts on the board's conversion scale (the A/D scale where the board has one), for display.
int cbToEngUnits(int boardNum, int range, USHORT dataValue, float* engUnits);

// Configuring lines clears their output latch.
int cbDConfigPort(int boardNum, int portType, int direction);
int cbDConfigBit(int boardNum, int portType, int bitNum, int direction);
// Only the port's own lines are written; higher bits of dataValue are dropped. Lines configured for
// input are not changed; a port without any output line refuses the write with PORTNOTOUTPUT.
int cbDOut(int boardNum, int portType, USHORT dataValue);
// Input lines give the level driven on them, output lines their latch.
int cbDIn(int boardNum, int portType, USHORT* dataValue);
// bitNum counts the lines of the given port from 0. Any non-zero bitValue sets the line high.
int cbDBitOut(int boardNum, int portType, int bitNum, USHORT bitValue);
int cbDBitIn(int boardNum, int portType, int bitNum, USHORT* bitValue);

int cbCClear(int boardNum, int counterNum);
int cbCIn32(int boardNum, int counterNum, ULONG* count);

// Enabling an enabled event replaces its callback. The event count is recorded and not otherwise used:
// the callback runs once per external interrupt. After cbDisableEvent no further interrupt is delivered,
// but a callback already running may still be finishing. Disabling an event that is not enabled succeeds.
int cbEnableEvent(int boardNum, unsigned eventType, unsigned eventCount, EventCallback callback,
                  void* userData);
int cbDisableEvent(int boardNum, unsigned eventType);
