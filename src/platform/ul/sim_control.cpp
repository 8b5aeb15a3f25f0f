#include "platform/ul/sim_control.h"

#include <charconv>
#include <cstdio>
#include <set>

#include "platform/ul/sim_library.h"

namespace {

constexpr size_t kMaxTextLen = 63;

CSimLibrary& Lib() {
    return CSimLibrary::Instance();
}

std::string Trim(const std::string& str) {
    const size_t nBegin = str.find_first_not_of(' ');
    if (nBegin == std::string::npos) return "";
    const size_t nEnd = str.find_last_not_of(' ');
    return str.substr(nBegin, nEnd - nBegin + 1);
}

bool CheckField(const std::string& str, const char* pszWhat, size_t nEntry, std::string& strError) {
    const std::string strAt = " in entry " + std::to_string(nEntry + 1);
    if (str.empty()) {
        strError = std::string("empty ") + pszWhat + strAt;
        return false;
    }
    if (str.size() > kMaxTextLen) {
        strError = std::string(pszWhat) + " longer than 63 characters" + strAt;
        return false;
    }
    for (unsigned char c : str) {
        if (c < 0x20 || c == 0x7F) {
            strError = std::string("control character in ") + pszWhat + strAt;
            return false;
        }
    }
    return true;
}

}  // namespace

void CSimBoards::Reset() {
    Lib().Reset();
}

SimAttachedDevice CSimBoards::MakeDevice(const std::string& strProductName, const std::string& strUniqueID) {
    return {strProductName, SimProfileFor(strProductName).nProductID, strUniqueID};
}

bool CSimBoards::ParseDeviceList(const std::string& strText, std::vector<SimAttachedDevice>& devices,
                                 std::string& strError) {
    devices.clear();
    strError.clear();
    if (Trim(strText).empty()) return true;

    std::vector<std::string> entries;
    size_t nStart = 0;
    for (;;) {
        const size_t nComma = strText.find(',', nStart);
        entries.push_back(
            strText.substr(nStart, nComma == std::string::npos ? std::string::npos : nComma - nStart));
        if (nComma == std::string::npos) break;
        nStart = nComma + 1;
    }

    std::vector<SimAttachedDevice> parsed;
    std::set<std::string> serials;
    std::vector<size_t> unnamed;  // entries that get a generated serial
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        const size_t nColon = entry.find(':');
        const std::string strName = Trim(entry.substr(0, nColon));
        if (!CheckField(strName, "product name", i, strError)) return false;
        std::string strSerial;
        if (nColon != std::string::npos) {
            strSerial = Trim(entry.substr(nColon + 1));
            if (!CheckField(strSerial, "serial", i, strError)) return false;
            if (strSerial.find(':') != std::string::npos) {
                strError = "':' in serial in entry " + std::to_string(i + 1);
                return false;
            }
            if (!serials.insert(strSerial).second) {
                strError = "duplicate serial " + strSerial;
                return false;
            }
        } else {
            unnamed.push_back(i);
        }
        parsed.push_back(MakeDevice(strName, strSerial));
    }
    unsigned nNext = 0x01A20001;
    for (size_t i : unnamed) {
        char text[16];
        do {
            std::snprintf(text, sizeof(text), "%08X", nNext++);
        } while (serials.count(text) != 0);
        serials.insert(text);
        parsed[i].strUniqueID = text;
    }
    devices = std::move(parsed);
    return true;
}

void CSimBoards::SetAttachedDevices(const std::vector<SimAttachedDevice>& devices) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    Lib().m_attached = devices;
}

bool CSimBoards::SetAttachedDevices(const std::string& strText, std::string& strError) {
    std::vector<SimAttachedDevice> devices;
    if (!ParseDeviceList(strText, devices, strError)) return false;
    SetAttachedDevices(devices);
    return true;
}

std::vector<SimAttachedDevice> CSimBoards::GetAttachedDevices() {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    return Lib().m_attached;
}

bool CSimBoards::SetPortInput(int nBoard, int nPortType, unsigned nValue) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    CSimDevice* pBoard = Lib().FindBoard(nBoard);
    return pBoard != nullptr && pBoard->SetPortInput(nPortType, nValue);
}

bool CSimBoards::SetInputLine(int nBoard, int nPortType, int nLine, bool bHigh) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    CSimDevice* pBoard = Lib().FindBoard(nBoard);
    return pBoard != nullptr && pBoard->SetInputLine(nPortType, nLine, bHigh);
}

bool CSimBoards::ParseTtlInputPattern(const std::string& strText, SimTtlInputPattern& pattern,
                                      std::string& strError) {
    strError.clear();
    static const std::pair<const char*, ESimTtlInputPattern> kNames[] = {
        {"off", ESimTtlInputPattern::Off},
        {"count", ESimTtlInputPattern::Count},
        {"walk", ESimTtlInputPattern::Walk}};
    const size_t nColon = strText.find(':');
    const std::string strName = strText.substr(0, nColon);
    SimTtlInputPattern parsed;
    bool bKnown = false;
    for (const auto& [pszName, eKind] : kNames) {
        if (strName == pszName) {
            parsed.eKind = eKind;
            bKnown = true;
        }
    }
    if (!bKnown) {
        strError = "the pattern must be off, count or walk";
        return false;
    }
    if (nColon != std::string::npos) {
        const char* pBegin = strText.data() + nColon + 1;
        const char* pEnd = strText.data() + strText.size();
        unsigned nStepMs = 0;
        const auto [ptr, ec] = std::from_chars(pBegin, pEnd, nStepMs);
        if (pBegin == pEnd || ec != std::errc() || ptr != pEnd || nStepMs < 1 ||
            nStepMs > kSimMaxTtlInputStepMs) {
            strError = "the step must be a whole number of milliseconds from 1 to 60000";
            return false;
        }
        parsed.nStepMs = nStepMs;
    }
    pattern = parsed;
    return true;
}

unsigned CSimBoards::TtlInputPatternByte(const SimTtlInputPattern& pattern, LONGLONG nTimeUs) {
    const LONGLONG nStepUs = static_cast<LONGLONG>(pattern.nStepMs > 0 ? pattern.nStepMs : 1) * 1000;
    const LONGLONG nStep = nTimeUs > 0 ? nTimeUs / nStepUs : 0;
    switch (pattern.eKind) {
        case ESimTtlInputPattern::Count:
            return static_cast<unsigned>(nStep % 256);
        case ESimTtlInputPattern::Walk:
            return 1u << (nStep % 8);
        case ESimTtlInputPattern::Off:
            break;
    }
    return 0;
}

void CSimBoards::SetTtlInputPattern(const SimTtlInputPattern& pattern) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    Lib().m_ttlInputPattern = pattern;
    Lib().DriveTtlInputs();
}

SimTtlInputPattern CSimBoards::GetTtlInputPattern() {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    return Lib().m_ttlInputPattern;
}

void CSimBoards::SetTimeSource(std::function<LONGLONG()> source) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    Lib().m_timeSource = std::move(source);
}

bool CSimBoards::AdvanceCounter(int nBoard, ULONG nCounts) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    CSimDevice* pBoard = Lib().FindBoard(nBoard);
    return pBoard != nullptr && pBoard->AdvanceCounter(nCounts);
}

bool CSimBoards::SetDeviceResponding(int nBoard, bool bResponding) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    CSimDevice* pBoard = Lib().FindBoard(nBoard);
    if (pBoard == nullptr) return false;
    pBoard->SetResponding(bResponding);
    return true;
}

bool CSimBoards::RaiseExternalInterrupt(int nBoard) {
    return Lib().QueueInterrupt(nBoard, true);
}

bool CSimBoards::PostExternalInterrupt(int nBoard) {
    return Lib().QueueInterrupt(nBoard, false);
}

void CSimBoards::WaitForInterrupts() {
    Lib().WaitForInterrupts();
}

bool CSimBoards::FailCall(const std::string& strCall, int nCode, ESimFail eMode, int nBoard) {
    if (nCode == NOERRORS) return false;
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    Lib().m_failRules.push_back({strCall, nCode, eMode, nBoard});
    return true;
}

void CSimBoards::ClearFailures() {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    Lib().m_failRules.clear();
}

std::vector<SimCallRecord> CSimBoards::GetCallLog() {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    return {Lib().m_log.begin(), Lib().m_log.end()};
}

void CSimBoards::ClearCallLog() {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    Lib().m_log.clear();
}

void CSimBoards::SetCallLogLimit(size_t nEntries) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    Lib().m_nLogLimit = nEntries;
    while (Lib().m_log.size() > nEntries) Lib().m_log.pop_front();
}

void CSimBoards::SetCallHook(std::function<void(const SimCallRecord&)> hook, bool bWithText) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    Lib().m_callHook = std::move(hook);
    Lib().m_bHookWantsText = bWithText;
}

void CSimBoards::SetOutputListener(std::function<void(const SimOutputChange&)> listener) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    Lib().m_outputListener = std::move(listener);
}

bool CSimBoards::GetBoardState(int nBoard, SimBoardState& state) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    Lib().DriveTtlInputs();
    CSimDevice* pBoard = Lib().FindBoard(nBoard);
    if (pBoard == nullptr) return false;
    state = pBoard->State();
    return true;
}

std::vector<int> CSimBoards::GetBoardNumbers() {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    std::vector<int> numbers;
    for (const auto& [nBoard, pBoard] : Lib().m_boards) numbers.push_back(nBoard);
    return numbers;
}

int CSimBoards::GetTtlOutputByte(int nBoard) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    CSimDevice* pBoard = Lib().FindBoard(nBoard);
    return pBoard == nullptr ? -1 : pBoard->TtlOutputByte();
}

int CSimBoards::GetTtlInputByte(int nBoard) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    Lib().DriveTtlInputs();
    CSimDevice* pBoard = Lib().FindBoard(nBoard);
    return pBoard == nullptr ? -1 : pBoard->TtlInputByte();
}

bool CSimBoards::GetDeclaredRevision(float& fRevision) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    fRevision = Lib().m_fRevision;
    return Lib().m_bRevisionDeclared;
}

bool CSimBoards::GetErrHandling(int& nReporting, int& nHandling) {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    nReporting = Lib().m_nErrReporting;
    nHandling = Lib().m_nErrHandling;
    return Lib().m_bErrHandlingSet;
}

bool CSimBoards::IsInstaCalIgnored() {
    std::lock_guard<std::mutex> lock(Lib().m_mutex);
    return Lib().m_bInstaCalIgnored;
}
