// Inspection and control of the simulated boards behind cbw.h. Only tests and main.cpp use it.
//
// The attached devices are a list set here (none by default). The inventory reports them; a device
// becomes a board when the program creates it under a board number. Known products, by exact name:
//
//   product        D/A             ranges                       digital ports             counter 0  events
//   PCI-DDA02/12   2 x 12 bit      BIP5/10/2PT5, UNI10/5/2PT5   10..15 (two port banks)   yes        no
//   PCI-DDA04/12   4 x 12 bit      as DDA02                     10..15                    yes        no
//   PCI-DDA08/12   8 x 12 bit      as DDA02                     10..15                    yes        no
//   PCI-DIO24      none            none                         10..13                    yes        external
//   interrupt USB-1208LS     2 x 10 bit      UNI5VOLTS                    10, 11                    yes no
//   USB-1208FS     2 x 12 bit      UNI4VOLTS                    10, 11                    yes        no
//   USB-1208HS     4 x 12 bit      BIP10VOLTS                   AUXPORT, 16 lines by bit  yes        no
//   DEMO-BOARD     none            none                         10..13                    no         no
//   any other      none            none                         10..13                    yes        no
//
// Ports 10, 11, 14, 15 have 8 lines, 12 and 13 four. All lines start as inputs, low. cbToEngUnits uses a
// 12-bit scale on every board with analog outputs (the 1208 devices convert on their 12-bit A/D scale).
// Digital calls on port 0, or any port type a device lacks, answer BADPORTNUM; DEVNOTRESPONDING (328)
// comes only from a device set not responding (SetDeviceResponding) or from an injected failure.
//
// TTL output byte (GetTtlOutputByte): the eight lines wired as the rig's TTL outputs: port 14 on the DDA
// boards, port 11 on the DIO24 and the 1208LS/FS, AUXPORT lines 8..15 on the 1208HS; other boards have
// none. Only lines configured for output count; the others read 0.
//
// TTL input lines (GetTtlInputByte): the eight lines wired as the rig's TTL inputs: port 10 on every board
// but the 1208HS, AUXPORT lines 0..7 on the 1208HS. A TTL input pattern (SetTtlInputPattern) drives them
// on every created board, as a signal source wired to them would.
//
// Threading: every function may be called from any thread, but Reset must not be called from an event
// callback. Hooks and listeners are called without the library's lock held, on the thread whose call
// caused them, so they may call the library.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/wintypes.h"

struct SimAttachedDevice {
    std::string strProductName;
    unsigned int nProductID = 0;
    std::string strUniqueID;
};

// One library call as logged: strText is "cbAOut(0, 3, 101, 2047) = 0". Arguments are decimal; texts are
// quoted; a pointer argument shows as NULL, as "&value" for a value the call read or wrote, or as "ptr".
struct SimCallRecord {
    unsigned long long nSequence = 0;  // 1 for the first call after Reset
    std::string strName;
    int nBoard = 0;  // kSimNoBoard for calls without a board number
    std::vector<std::string> args;
    int nResult = 0;
    std::string strText;
};

enum class ESimOutput { AnalogCode, DigitalPort };

// nIndex: the D/A channel or the port type. nValue: the new D/A code, or the port's new output latch
// (AUXPORT: all 16 lines).
struct SimOutputChange {
    int nBoard = 0;
    ESimOutput eKind = ESimOutput::AnalogCode;
    int nIndex = 0;
    unsigned nValue = 0;
};

struct SimPortState {
    int nPortType = 0;
    int nLines = 0;
    unsigned nOutputMask = 0;  // lines configured for output
    unsigned nLatch = 0;       // output latch of the output lines
    unsigned nInput = 0;       // levels driven on the lines from outside
};

struct SimBoardState {
    int nBoard = 0;
    SimAttachedDevice device;
    std::vector<USHORT> dacCodes;  // per D/A channel, 0 until written
    std::vector<int> dacRanges;    // per D/A channel, the range of the last write; the first range before
    std::vector<SimPortState> ports;
    bool bHasCounter = false;
    ULONG nCounter = 0;
    bool bInterruptEnabled = false;
    unsigned nInterruptCount = 0;
    int nFlashCount = 0;
    bool bResponding = true;
};

enum class ESimTtlInputPattern {
    Off,    // the lines keep what SetPortInput and SetInputLine drive
    Count,  // a binary count: step k drives k modulo 256
    Walk,   // one line high at a time, moving up: step k drives 1 << (k modulo 8)
};

// Step k lasts from k * nStepMs to (k + 1) * nStepMs on the library's time source.
struct SimTtlInputPattern {
    ESimTtlInputPattern eKind = ESimTtlInputPattern::Off;
    unsigned nStepMs = 500;
};

constexpr unsigned kSimMaxTtlInputStepMs = 60000;

constexpr int kSimNoBoard = -2147483647 - 1;
constexpr int kSimAnyBoard = kSimNoBoard + 1;

enum class ESimFail { Once, Always };

class CSimBoards {
  public:
    // Joins the event thread, then forgets devices, boards, log, failures, hooks, recorded settings, the
    // TTL input pattern and the time source.
    static void Reset();

    // "NAME[:SERIAL],NAME[:SERIAL]", e.g. "PCI-DDA08/12:01A2B3C4,PCI-DIO24"; blanks around names and
    // serials are dropped; an empty text is an empty list. A device without a serial gets a generated
    // eight-digit hexadecimal one. Refused, with a reason in strError: an empty entry, name or serial, a
    // name or serial longer than 63 characters, a control character, ',' or ':' inside a serial, a
    // duplicate serial.
    static bool ParseDeviceList(const std::string& strText, std::vector<SimAttachedDevice>& devices,
                                std::string& strError);
    // The product id of the name's kind.
    static SimAttachedDevice MakeDevice(const std::string& strProductName, const std::string& strUniqueID);
    // Replaces the attached list; boards already created keep their device.
    static void SetAttachedDevices(const std::vector<SimAttachedDevice>& devices);
    static bool SetAttachedDevices(const std::string& strText, std::string& strError);
    static std::vector<SimAttachedDevice> GetAttachedDevices();

    // Inputs. False when the board, port or line does not exist.
    static bool SetPortInput(int nBoard, int nPortType, unsigned nValue);
    static bool SetInputLine(int nBoard, int nPortType, int nLine, bool bHigh);
    static bool AdvanceCounter(int nBoard, ULONG nCounts);
    // "NAME[:MS]": NAME off, count or walk; MS a whole number of milliseconds per step, 1..60000 (500
    // when left out). Refused, with a reason in strError: any other name or step.
    static bool ParseTtlInputPattern(const std::string& strText, SimTtlInputPattern& pattern,
                                     std::string& strError);
    // The byte the pattern drives at the given time (µs; a time before 0 counts as 0); 0 when off.
    static unsigned TtlInputPatternByte(const SimTtlInputPattern& pattern, LONGLONG nTimeUs);
    // While a pattern is on, every library call and every GetBoardState and GetTtlInputByte first sets the
    // TTL input lines of every created board to the pattern's byte at the time source's present time.
    // Off leaves the lines as they last were. A step of 0 counts as 1 ms.
    static void SetTtlInputPattern(const SimTtlInputPattern& pattern);
    static SimTtlInputPattern GetTtlInputPattern();
    // Microseconds, never running backwards; NULL: a steady clock counted from its first use. It is
    // called with the library's lock held and must not call the library.
    static void SetTimeSource(std::function<LONGLONG()> source);
    // A device that does not respond answers DEVNOTRESPONDING and loses its interrupts.
    static bool SetDeviceResponding(int nBoard, bool bResponding);

    // External interrupt. Raise returns after the callback has run on the library's event thread and
    // tells whether it ran (false: no board, event not enabled, device not responding). Called from the
    // event thread itself it only queues. Post queues and returns at once; WaitForInterrupts returns when
    // every queued interrupt has been delivered or dropped.
    static bool RaiseExternalInterrupt(int nBoard);
    static bool PostExternalInterrupt(int nBoard);
    static void WaitForInterrupts();

    // Makes the named call ("" = any call) fail with nCode, without any effect, once or always;
    // nBoard limits it to calls on that board number. Several rules: the first added that matches wins.
    // False for code 0.
    static bool FailCall(const std::string& strCall, int nCode, ESimFail eMode = ESimFail::Once,
                         int nBoard = kSimAnyBoard);
    static void ClearFailures();

    // The log keeps the last entries up to its limit (65536 by default; 0 keeps none).
    static std::vector<SimCallRecord> GetCallLog();
    static void ClearCallLog();
    static void SetCallLogLimit(size_t nEntries);
    // Called after every library call; a trace printer writes "ul " + strText as one line. bWithText
    // false: a hook that reads only the name, board, arguments and result gets strText empty (unless the
    // log is on), which spares the text's formatting on every call.
    static void SetCallHook(std::function<void(const SimCallRecord&)> hook, bool bWithText = true);
    // Called after every call that changed a D/A code or a port latch.
    static void SetOutputListener(std::function<void(const SimOutputChange&)> listener);

    static bool GetBoardState(int nBoard, SimBoardState& state);
    static std::vector<int> GetBoardNumbers();
    // -1 without such a board.
    static int GetTtlOutputByte(int nBoard);
    // The levels of the board's TTL input lines; -1 without such a board or lines.
    static int GetTtlInputByte(int nBoard);

    // What the program declared. False while the call has not been made since Reset.
    static bool GetDeclaredRevision(float& fRevision);
    static bool GetErrHandling(int& nReporting, int& nHandling);
    static bool IsInstaCalIgnored();
};
