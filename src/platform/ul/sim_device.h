// One simulated board: what its product can do, and its present state. Each kind of call checks its
// arguments against the product and the state in one Check* function before any work is done, so a
// refused call changes nothing. Not thread-safe: the library's lock is held around every call.
#pragma once

#include <string>
#include <vector>

#include "platform/ul/cbw.h"
#include "platform/ul/sim_control.h"
#include "platform/wintypes.h"

struct SimPortSpec {
    int nPortType;
    int nLines;
    bool bLineConfig;  // directions can be set line by line
};

struct SimProductProfile {
    const char* pszProductName;  // nullptr: the generic profile of unknown products
    unsigned int nProductID;
    int nInterfaceType;
    int nDacChannels;
    int nDacBits;
    int nConversionBits;  // scale of cbToEngUnits
    std::vector<int> ranges;
    std::vector<SimPortSpec> ports;
    bool bCounter0;
    bool bExternalInterrupt;
    int nTtlPortType;  // port carrying the eight TTL output lines; 0: none
    int nTtlFirstLine;
    int nTtlInPortType;  // port carrying the eight TTL input lines; 0: none
    int nTtlInFirstLine;
};

// The profile of a product name (exact match), else the generic one.
const SimProductProfile& SimProfileFor(const std::string& strProductName);

class CSimDevice {
  public:
    CSimDevice(int nBoard, const SimAttachedDevice& device);

    const SimAttachedDevice& Device() const { return m_device; }
    void SetResponding(bool bResponding) { m_bResponding = bResponding; }

    int AOut(int nChan, int nRange, USHORT wData, std::vector<SimOutputChange>& changes);
    int ToEngUnits(int nRange, USHORT wData, float& fVolts) const;
    int DConfigPort(int nPortType, int nDirection, std::vector<SimOutputChange>& changes);
    int DConfigBit(int nPortType, int nLine, int nDirection, std::vector<SimOutputChange>& changes);
    int DOut(int nPortType, USHORT wValue, std::vector<SimOutputChange>& changes);
    int DIn(int nPortType, USHORT& wValue) const;
    int DBitOut(int nPortType, int nLine, USHORT wValue, std::vector<SimOutputChange>& changes);
    int DBitIn(int nPortType, int nLine, USHORT& wValue) const;
    int CClear(int nCounter);
    int CIn32(int nCounter, ULONG& nCount) const;
    int EnableEvent(unsigned nEventType, EventCallback pCallback, void* pUserData);
    int DisableEvent(unsigned nEventType);
    int FlashLED();

    // Control side; false when the port or line does not exist.
    bool SetPortInput(int nPortType, unsigned nValue);
    bool SetInputLine(int nPortType, int nLine, bool bHigh);
    // The levels driven from outside on the eight TTL input lines; nothing without them.
    void DriveTtlInputs(unsigned nByte);
    bool AdvanceCounter(ULONG nCounts);

    // An interrupt arrives: true with the callback to run when the event is enabled and the device
    // responds; the delivered count is advanced then.
    bool TakeInterrupt(EventCallback& pCallback, void*& pUserData, unsigned& nEventData);

    SimBoardState State() const;
    int TtlOutputByte() const;
    int TtlInputByte() const;  // the levels of the TTL input lines; -1 without them

  private:
    struct Port {
        SimPortSpec spec;
        unsigned nOutputMask = 0;
        unsigned nLatch = 0;
        unsigned nInput = 0;
        unsigned LineMask() const { return (1u << spec.nLines) - 1u; }
        unsigned Read() const { return ((nLatch & nOutputMask) | (nInput & ~nOutputMask)) & LineMask(); }
    };

    // bByLine: one line (nLine) rather than the whole port. bWrite: the call drives the lines.
    // nPort: out, index into m_ports.
    int CheckDevice() const;
    int CheckAOutArgs(int nChan, int nRange, USHORT wData) const;
    int CheckEngUnitsArgs(int nRange, USHORT wData) const;
    int CheckConfigArgs(int nPortType, bool bByLine, int nLine, int nDirection, size_t& nPort) const;
    int CheckPortArgs(int nPortType, bool bWrite, size_t& nPort) const;
    int CheckLineArgs(int nPortType, int nLine, bool bWrite, size_t& nPort) const;
    int CheckCounterArgs(int nCounter) const;
    int CheckEventArgs(unsigned nEventType) const;

    bool HasRange(int nRange) const;
    bool FindPort(int nPortType, size_t& nPort) const;
    void Configure(Port& port, unsigned nLines, int nDirection, std::vector<SimOutputChange>& changes);
    void SetLatch(Port& port, unsigned nLatch, std::vector<SimOutputChange>& changes);

    int m_nBoard;
    SimAttachedDevice m_device;
    const SimProductProfile& m_profile;
    bool m_bResponding = true;
    std::vector<USHORT> m_dacCodes;
    std::vector<int> m_dacRanges;
    std::vector<Port> m_ports;
    ULONG m_nCounter = 0;
    bool m_bEventEnabled = false;
    EventCallback m_pCallback = nullptr;
    void* m_pUserData = nullptr;
    unsigned m_nInterruptCount = 0;
    int m_nFlashCount = 0;
};
