#include "platform/ul/sim_device.h"

namespace {

const std::vector<int> kDdaRanges = {BIP5VOLTS,  BIP10VOLTS, BIP2PT5VOLTS,
                                     UNI10VOLTS, UNI5VOLTS,  UNI2PT5VOLTS};
const std::vector<SimPortSpec> kTwoBankPorts = {{FIRSTPORTA, 8, false},  {FIRSTPORTB, 8, false},
                                                {FIRSTPORTCL, 4, false}, {FIRSTPORTCH, 4, false},
                                                {SECONDPORTA, 8, false}, {SECONDPORTB, 8, false}};
const std::vector<SimPortSpec> kOneBankPorts = {
    {FIRSTPORTA, 8, false}, {FIRSTPORTB, 8, false}, {FIRSTPORTCL, 4, false}, {FIRSTPORTCH, 4, false}};
const std::vector<SimPortSpec> kTwoBytePorts = {{FIRSTPORTA, 8, false}, {FIRSTPORTB, 8, false}};
const std::vector<SimPortSpec> kAuxPort = {{AUXPORT, 16, true}};

const std::vector<SimProductProfile>& Profiles() {
    // One product per entry.
    // clang-format off
    static const std::vector<SimProductProfile> profiles = {
        {"PCI-DDA02/12", 0x1102, 0, 2, 12, 12, kDdaRanges, kTwoBankPorts, true, false, SECONDPORTA, 0,
         FIRSTPORTA, 0},
        {"PCI-DDA04/12", 0x1104, 0, 4, 12, 12, kDdaRanges, kTwoBankPorts, true, false, SECONDPORTA, 0,
         FIRSTPORTA, 0},
        {"PCI-DDA08/12", 0x1108, 0, 8, 12, 12, kDdaRanges, kTwoBankPorts, true, false, SECONDPORTA, 0,
         FIRSTPORTA, 0},
        {"PCI-DIO24", 0x1224, 0, 0, 0, 0, {}, kOneBankPorts, true, true, FIRSTPORTB, 0, FIRSTPORTA, 0},
        {"USB-1208LS", 0x2081, USB_IFC, 2, 10, 12, {UNI5VOLTS}, kTwoBytePorts, true, false, FIRSTPORTB, 0,
         FIRSTPORTA, 0},
        {"USB-1208FS", 0x2082, USB_IFC, 2, 12, 12, {UNI4VOLTS}, kTwoBytePorts, true, false, FIRSTPORTB, 0,
         FIRSTPORTA, 0},
        {"USB-1208HS", 0x2083, USB_IFC, 4, 12, 12, {BIP10VOLTS}, kAuxPort, true, false, AUXPORT, 8, AUXPORT,
         0},
        {"DEMO-BOARD", 0x0F00, 0, 0, 0, 0, {}, kOneBankPorts, false, false, 0, 0, FIRSTPORTA, 0},
    };
    // clang-format on
    return profiles;
}

const SimProductProfile& GenericProfile() {
    static const SimProductProfile generic = {nullptr,       0,    0,     0, 0, 0,          {},
                                              kOneBankPorts, true, false, 0, 0, FIRSTPORTA, 0};
    return generic;
}

}  // namespace

const SimProductProfile& SimProfileFor(const std::string& strProductName) {
    for (const SimProductProfile& p : Profiles()) {
        if (strProductName == p.pszProductName) return p;
    }
    return GenericProfile();
}

CSimDevice::CSimDevice(int nBoard, const SimAttachedDevice& device)
    : m_nBoard(nBoard), m_device(device), m_profile(SimProfileFor(device.strProductName)) {
    m_dacCodes.assign(static_cast<size_t>(m_profile.nDacChannels), 0);
    m_dacRanges.assign(static_cast<size_t>(m_profile.nDacChannels),
                       m_profile.ranges.empty() ? 0 : m_profile.ranges.front());
    for (const SimPortSpec& spec : m_profile.ports) {
        Port port;
        port.spec = spec;
        m_ports.push_back(port);
    }
}

// ---- argument and state checks -------------------------------------------------------------------

int CSimDevice::CheckDevice() const {
    return m_bResponding ? NOERRORS : DEVNOTRESPONDING;
}

int CSimDevice::CheckAOutArgs(int nChan, int nRange, USHORT wData) const {
    if (int err = CheckDevice()) return err;
    if (nChan < 0 || nChan >= m_profile.nDacChannels) return BADDACCHAN;
    if (!HasRange(nRange)) return BADRANGE;
    if (wData > (1u << m_profile.nDacBits) - 1u) return BADDACVALUE;
    return NOERRORS;
}

// A pure conversion done by the library: it does not need the device to respond.
int CSimDevice::CheckEngUnitsArgs(int nRange, USHORT wData) const {
    if (!HasRange(nRange)) return BADRANGE;
    if (wData > (1u << m_profile.nConversionBits) - 1u) return BADDACVALUE;
    return NOERRORS;
}

int CSimDevice::CheckConfigArgs(int nPortType, bool bByLine, int nLine, int nDirection, size_t& nPort) const {
    if (int err = CheckDevice()) return err;
    if (!FindPort(nPortType, nPort)) return BADPORTNUM;
    if (bByLine) {
        if (!m_ports[nPort].spec.bLineConfig) return NOBITCONFIG;
        if (nLine < 0 || nLine >= m_ports[nPort].spec.nLines) return BADBITNUM;
    }
    if (nDirection != DIGITALOUT && nDirection != DIGITALIN) return BADDIRECTION;
    return NOERRORS;
}

int CSimDevice::CheckPortArgs(int nPortType, bool bWrite, size_t& nPort) const {
    if (int err = CheckDevice()) return err;
    if (!FindPort(nPortType, nPort)) return BADPORTNUM;
    if (bWrite && m_ports[nPort].nOutputMask == 0) return PORTNOTOUTPUT;
    return NOERRORS;
}

int CSimDevice::CheckLineArgs(int nPortType, int nLine, bool bWrite, size_t& nPort) const {
    if (int err = CheckDevice()) return err;
    if (!FindPort(nPortType, nPort)) return BADPORTNUM;
    const Port& port = m_ports[nPort];
    if (nLine < 0 || nLine >= port.spec.nLines) return BADBITNUM;
    if (bWrite && (port.nOutputMask & (1u << nLine)) == 0) return PORTNOTOUTPUT;
    return NOERRORS;
}

int CSimDevice::CheckCounterArgs(int nCounter) const {
    if (int err = CheckDevice()) return err;
    if (!m_profile.bCounter0 || nCounter != 0) return BADCOUNTER;
    return NOERRORS;
}

int CSimDevice::CheckEventArgs(unsigned nEventType) const {
    if (int err = CheckDevice()) return err;
    if (nEventType != ON_EXTERNAL_INTERRUPT || !m_profile.bExternalInterrupt) return BADEVENTTYPE;
    return NOERRORS;
}

bool CSimDevice::HasRange(int nRange) const {
    for (int r : m_profile.ranges) {
        if (r == nRange) return true;
    }
    return false;
}

bool CSimDevice::FindPort(int nPortType, size_t& nPort) const {
    for (size_t i = 0; i < m_ports.size(); ++i) {
        if (m_ports[i].spec.nPortType == nPortType) {
            nPort = i;
            return true;
        }
    }
    return false;
}

// ---- calls ---------------------------------------------------------------------------------------

int CSimDevice::AOut(int nChan, int nRange, USHORT wData, std::vector<SimOutputChange>& changes) {
    if (int err = CheckAOutArgs(nChan, nRange, wData)) return err;
    const size_t ch = static_cast<size_t>(nChan);
    m_dacRanges[ch] = nRange;
    if (m_dacCodes[ch] != wData) {
        m_dacCodes[ch] = wData;
        changes.push_back({m_nBoard, ESimOutput::AnalogCode, nChan, wData});
    }
    return NOERRORS;
}

int CSimDevice::ToEngUnits(int nRange, USHORT wData, float& fVolts) const {
    if (int err = CheckEngUnitsArgs(nRange, wData)) return err;
    const RangeSpan* pSpan = FindRangeSpan(nRange);
    if (pSpan == nullptr) return BADRANGE;
    const double dCodes = static_cast<double>(1u << m_profile.nConversionBits);
    fVolts = static_cast<float>(pSpan->dLowVolts + wData * (pSpan->dHighVolts - pSpan->dLowVolts) / dCodes);
    return NOERRORS;
}

void CSimDevice::SetLatch(Port& port, unsigned nLatch, std::vector<SimOutputChange>& changes) {
    if (port.nLatch == nLatch) return;
    port.nLatch = nLatch;
    changes.push_back({m_nBoard, ESimOutput::DigitalPort, port.spec.nPortType, nLatch});
}

void CSimDevice::Configure(Port& port, unsigned nLines, int nDirection,
                           std::vector<SimOutputChange>& changes) {
    if (nDirection == DIGITALOUT) {
        port.nOutputMask |= nLines;
    } else {
        port.nOutputMask &= ~nLines;
    }
    SetLatch(port, port.nLatch & ~nLines, changes);
}

int CSimDevice::DConfigPort(int nPortType, int nDirection, std::vector<SimOutputChange>& changes) {
    size_t nPort = 0;
    if (int err = CheckConfigArgs(nPortType, false, 0, nDirection, nPort)) return err;
    Port& port = m_ports[nPort];
    Configure(port, port.LineMask(), nDirection, changes);
    return NOERRORS;
}

int CSimDevice::DConfigBit(int nPortType, int nLine, int nDirection, std::vector<SimOutputChange>& changes) {
    size_t nPort = 0;
    if (int err = CheckConfigArgs(nPortType, true, nLine, nDirection, nPort)) return err;
    Configure(m_ports[nPort], 1u << nLine, nDirection, changes);
    return NOERRORS;
}

int CSimDevice::DOut(int nPortType, USHORT wValue, std::vector<SimOutputChange>& changes) {
    size_t nPort = 0;
    if (int err = CheckPortArgs(nPortType, true, nPort)) return err;
    Port& port = m_ports[nPort];
    const unsigned nOut = port.nOutputMask & port.LineMask();
    SetLatch(port, (port.nLatch & ~nOut) | (wValue & nOut), changes);
    return NOERRORS;
}

int CSimDevice::DIn(int nPortType, USHORT& wValue) const {
    size_t nPort = 0;
    if (int err = CheckPortArgs(nPortType, false, nPort)) return err;
    wValue = static_cast<USHORT>(m_ports[nPort].Read());
    return NOERRORS;
}

int CSimDevice::DBitOut(int nPortType, int nLine, USHORT wValue, std::vector<SimOutputChange>& changes) {
    size_t nPort = 0;
    if (int err = CheckLineArgs(nPortType, nLine, true, nPort)) return err;
    Port& port = m_ports[nPort];
    const unsigned nBit = 1u << nLine;
    SetLatch(port, wValue != 0 ? (port.nLatch | nBit) : (port.nLatch & ~nBit), changes);
    return NOERRORS;
}

int CSimDevice::DBitIn(int nPortType, int nLine, USHORT& wValue) const {
    size_t nPort = 0;
    if (int err = CheckLineArgs(nPortType, nLine, false, nPort)) return err;
    wValue = static_cast<USHORT>((m_ports[nPort].Read() >> nLine) & 1u);
    return NOERRORS;
}

int CSimDevice::CClear(int nCounter) {
    if (int err = CheckCounterArgs(nCounter)) return err;
    m_nCounter = 0;
    return NOERRORS;
}

int CSimDevice::CIn32(int nCounter, ULONG& nCount) const {
    if (int err = CheckCounterArgs(nCounter)) return err;
    nCount = m_nCounter;
    return NOERRORS;
}

int CSimDevice::EnableEvent(unsigned nEventType, EventCallback pCallback, void* pUserData) {
    if (int err = CheckEventArgs(nEventType)) return err;
    m_bEventEnabled = true;
    m_pCallback = pCallback;
    m_pUserData = pUserData;
    return NOERRORS;
}

int CSimDevice::DisableEvent(unsigned nEventType) {
    if (int err = CheckEventArgs(nEventType)) return err;
    m_bEventEnabled = false;
    m_pCallback = nullptr;
    m_pUserData = nullptr;
    return NOERRORS;
}

int CSimDevice::FlashLED() {
    if (int err = CheckDevice()) return err;
    ++m_nFlashCount;
    return NOERRORS;
}

// ---- control side --------------------------------------------------------------------------------

bool CSimDevice::SetPortInput(int nPortType, unsigned nValue) {
    size_t nPort = 0;
    if (!FindPort(nPortType, nPort)) return false;
    m_ports[nPort].nInput = nValue & m_ports[nPort].LineMask();
    return true;
}

bool CSimDevice::SetInputLine(int nPortType, int nLine, bool bHigh) {
    size_t nPort = 0;
    if (!FindPort(nPortType, nPort)) return false;
    Port& port = m_ports[nPort];
    if (nLine < 0 || nLine >= port.spec.nLines) return false;
    const unsigned nBit = 1u << nLine;
    port.nInput = bHigh ? (port.nInput | nBit) : (port.nInput & ~nBit);
    return true;
}

void CSimDevice::DriveTtlInputs(unsigned nByte) {
    size_t nPort = 0;
    if (m_profile.nTtlInPortType == 0 || !FindPort(m_profile.nTtlInPortType, nPort)) return;
    Port& port = m_ports[nPort];
    const unsigned nMask = (0xFFu << m_profile.nTtlInFirstLine) & port.LineMask();
    port.nInput = (port.nInput & ~nMask) | ((nByte << m_profile.nTtlInFirstLine) & nMask);
}

bool CSimDevice::AdvanceCounter(ULONG nCounts) {
    if (!m_profile.bCounter0) return false;
    m_nCounter += nCounts;  // 32-bit counter: wraps
    return true;
}

bool CSimDevice::TakeInterrupt(EventCallback& pCallback, void*& pUserData, unsigned& nEventData) {
    if (!m_bResponding || !m_bEventEnabled || m_pCallback == nullptr) return false;
    pCallback = m_pCallback;
    pUserData = m_pUserData;
    nEventData = ++m_nInterruptCount;
    return true;
}

SimBoardState CSimDevice::State() const {
    SimBoardState state;
    state.nBoard = m_nBoard;
    state.device = m_device;
    state.dacCodes = m_dacCodes;
    state.dacRanges = m_dacRanges;
    for (const Port& port : m_ports) {
        state.ports.push_back(
            {port.spec.nPortType, port.spec.nLines, port.nOutputMask, port.nLatch, port.nInput});
    }
    state.bHasCounter = m_profile.bCounter0;
    state.nCounter = m_nCounter;
    state.bInterruptEnabled = m_bEventEnabled;
    state.nInterruptCount = m_nInterruptCount;
    state.nFlashCount = m_nFlashCount;
    state.bResponding = m_bResponding;
    return state;
}

int CSimDevice::TtlOutputByte() const {
    size_t nPort = 0;
    if (m_profile.nTtlPortType == 0 || !FindPort(m_profile.nTtlPortType, nPort)) return 0;
    const Port& port = m_ports[nPort];
    return static_cast<int>(((port.nLatch & port.nOutputMask) >> m_profile.nTtlFirstLine) & 0xFFu);
}

int CSimDevice::TtlInputByte() const {
    size_t nPort = 0;
    if (m_profile.nTtlInPortType == 0 || !FindPort(m_profile.nTtlInPortType, nPort)) return -1;
    return static_cast<int>((m_ports[nPort].Read() >> m_profile.nTtlInFirstLine) & 0xFFu);
}
