#include "platform/ul/sim_library.h"

#include <chrono>
#include <cstring>

CSimLibrary& CSimLibrary::Instance() {
    static CSimLibrary library;
    return library;
}

CSimLibrary::~CSimLibrary() {
    StopEventThread();
}

CSimDevice* CSimLibrary::FindBoard(int nBoard) {
    auto it = m_boards.find(nBoard);
    return it == m_boards.end() ? nullptr : it->second.get();
}

const SimAttachedDevice* CSimLibrary::FindAttached(const DaqDeviceDescriptor& desc) const {
    // The texts of a descriptor from elsewhere need not be terminated.
    const std::string strName(desc.ProductName, strnlen(desc.ProductName, sizeof(desc.ProductName)));
    const std::string strId(desc.UniqueID, strnlen(desc.UniqueID, sizeof(desc.UniqueID)));
    for (const SimAttachedDevice& device : m_attached) {
        if (device.strProductName == strName && device.strUniqueID == strId &&
            device.nProductID == desc.ProductID) {
            return &device;
        }
    }
    return nullptr;
}

bool CSimLibrary::IsDeviceCreated(const SimAttachedDevice& device) const {
    for (const auto& [nBoard, pBoard] : m_boards) {
        if (pBoard->Device().strUniqueID == device.strUniqueID) return true;
    }
    return false;
}

void CSimLibrary::DriveTtlInputPattern(int nBoard) {
    LONGLONG nNowUs = 0;
    if (m_timeSource) {
        nNowUs = m_timeSource();
    } else {
        static const auto s_start = std::chrono::steady_clock::now();
        nNowUs =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - s_start)
                .count();
    }
    const unsigned nByte = CSimBoards::TtlInputPatternByte(m_ttlInputPattern, nNowUs);
    if (nBoard != kEveryBoard) {
        if (CSimDevice* pBoard = FindBoard(nBoard)) pBoard->DriveTtlInputs(nByte);
        return;
    }
    for (auto& [n, pBoard] : m_boards) pBoard->DriveTtlInputs(nByte);
}

int CSimLibrary::TakeInjectedFailure(const char* pszName, int nBoard) {
    for (auto it = m_failRules.begin(); it != m_failRules.end(); ++it) {
        if (!it->strCall.empty() && it->strCall != pszName) continue;
        if (it->nBoard != kSimAnyBoard && it->nBoard != nBoard) continue;
        const int nCode = it->nCode;
        if (it->eMode == ESimFail::Once) m_failRules.erase(it);
        return nCode;
    }
    return NOERRORS;
}

void CSimLibrary::AppendLog(SimCallRecord& rec, std::vector<std::string>&& args) {
    rec.nSequence = ++m_nSequence;
    rec.args = std::move(args);
    // The text is only built for a reader: the log, or a hook that asked for it.
    if (m_nLogLimit == 0 && !m_bHookWantsText) return;
    rec.strText = rec.strName + "(";
    for (size_t i = 0; i < rec.args.size(); ++i) {
        if (i > 0) rec.strText += ", ";
        rec.strText += rec.args[i];
    }
    rec.strText += ") = " + std::to_string(rec.nResult);
    if (m_nLogLimit == 0) return;
    while (m_log.size() >= m_nLogLimit) m_log.pop_front();
    m_log.push_back(rec);
}

bool CSimLibrary::QueueInterrupt(int nBoard, bool bWait) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (FindBoard(nBoard) == nullptr) return false;
    if (!m_eventThread.joinable()) {
        m_bStopEvents = false;
        m_eventThread = std::thread(&CSimLibrary::EventThreadMain, this);
        m_eventThreadId = m_eventThread.get_id();
    }
    const bool bCanWait = bWait && std::this_thread::get_id() != m_eventThreadId;
    bool bDelivered = false;
    const unsigned long long nTicket = ++m_nLastTicket;
    m_pending.push_back({nBoard, nTicket, bCanWait ? &bDelivered : nullptr});
    m_cvWork.notify_one();
    if (!bCanWait) return !bWait;
    m_cvDone.wait(lock, [&] { return m_nDoneTicket >= nTicket; });
    return bDelivered;
}

void CSimLibrary::WaitForInterrupts() {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (std::this_thread::get_id() == m_eventThreadId) return;
    const unsigned long long nTicket = m_nLastTicket;
    m_cvDone.wait(lock, [&] { return m_nDoneTicket >= nTicket; });
}

void CSimLibrary::EventThreadMain() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_cvWork.wait(lock, [&] { return m_bStopEvents || !m_pending.empty(); });
        if (m_bStopEvents) break;
        const PendingInterrupt item = m_pending.front();
        m_pending.pop_front();
        EventCallback pCallback = nullptr;
        void* pUserData = nullptr;
        unsigned nEventData = 0;
        CSimDevice* pBoard = FindBoard(item.nBoard);
        const bool bDelivered = pBoard != nullptr && pBoard->TakeInterrupt(pCallback, pUserData, nEventData);
        if (bDelivered) {
            // Without the lock: the callback may call the library.
            lock.unlock();
            pCallback(item.nBoard, ON_EXTERNAL_INTERRUPT, nEventData, pUserData);
            lock.lock();
        }
        if (item.pbDelivered != nullptr) *item.pbDelivered = bDelivered;
        m_nDoneTicket = item.nTicket;
        m_cvDone.notify_all();
    }
    // Stopping: what is still queued is dropped, and its raisers are released.
    for (const PendingInterrupt& item : m_pending) {
        if (item.pbDelivered != nullptr) *item.pbDelivered = false;
        m_nDoneTicket = item.nTicket;
    }
    m_pending.clear();
    m_cvDone.notify_all();
}

void CSimLibrary::StopEventThread() {
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // From a callback the thread cannot be joined; it then goes on serving the (emptied) board set.
        if (!m_eventThread.joinable() || m_eventThreadId == std::this_thread::get_id()) return;
        m_bStopEvents = true;
        m_cvWork.notify_all();
        thread = std::move(m_eventThread);
        m_eventThreadId = std::thread::id();
    }
    thread.join();
}

void CSimLibrary::Reset() {
    StopEventThread();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_attached.clear();
    m_boards.clear();
    m_bRevisionDeclared = false;
    m_fRevision = 0.0f;
    m_bErrHandlingSet = false;
    m_nErrReporting = 0;
    m_nErrHandling = 0;
    m_bInstaCalIgnored = false;
    m_failRules.clear();
    m_log.clear();
    m_nLogLimit = 65536;
    m_nSequence = 0;
    m_callHook = nullptr;
    m_bHookWantsText = true;
    m_outputListener = nullptr;
    m_ttlInputPattern = SimTtlInputPattern{};
    m_timeSource = nullptr;
}
