// The library's one state: attached devices, created boards, the call log, injected failures, hooks,
// and the event thread that delivers external interrupts. Every member marked "lock" is guarded by
// m_mutex; Call holds it around a call's work and releases it before hooks and listeners run.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ul/cbw.h"
#include "platform/ul/sim_control.h"
#include "platform/ul/sim_device.h"

struct SimCallEffects {
    std::vector<SimOutputChange> changes;
};

class CSimLibrary {
  public:
    static CSimLibrary& Instance();
    ~CSimLibrary();

    // One library call. body(SimCallEffects&) does the work under the lock and returns the code; it is
    // skipped when an injected failure matches. format(int result) then gives the logged arguments,
    // still under the lock. Hooks and listeners run after the lock is released.
    template <class Body, class Format>
    int Call(const char* pszName, int nBoard, Body&& body, Format&& format);

    // lock held:
    CSimDevice* FindBoard(int nBoard);
    const SimAttachedDevice* FindAttached(const DaqDeviceDescriptor& desc) const;
    bool IsDeviceCreated(const SimAttachedDevice& device) const;

    // External interrupts; lock not held by the caller.
    bool QueueInterrupt(int nBoard, bool bWait);
    void WaitForInterrupts();
    void Reset();

    std::mutex m_mutex;
    // lock:
    std::vector<SimAttachedDevice> m_attached;
    std::map<int, std::unique_ptr<CSimDevice>> m_boards;
    bool m_bRevisionDeclared = false;
    float m_fRevision = 0.0f;
    bool m_bErrHandlingSet = false;
    int m_nErrReporting = 0;
    int m_nErrHandling = 0;
    bool m_bInstaCalIgnored = false;

    struct FailRule {
        std::string strCall;
        int nCode;
        ESimFail eMode;
        int nBoard;
    };
    std::vector<FailRule> m_failRules;
    std::deque<SimCallRecord> m_log;
    size_t m_nLogLimit = 65536;
    unsigned long long m_nSequence = 0;
    std::function<void(const SimCallRecord&)> m_callHook;
    bool m_bHookWantsText = true;  // the hook reads strText (the log always keeps it)
    std::function<void(const SimOutputChange&)> m_outputListener;
    SimTtlInputPattern m_ttlInputPattern;
    std::function<LONGLONG()> m_timeSource;

    // lock held: what the TTL input pattern drives now, on every board (an inspection's view), or on
    // board nBoard only (a call: it reads no other board's lines), so that a call costs the same however
    // many boards are attached.
    void DriveTtlInputs(int nBoard = kEveryBoard) {
        if (m_ttlInputPattern.eKind != ESimTtlInputPattern::Off) DriveTtlInputPattern(nBoard);
    }

  private:
    CSimLibrary() = default;

    static constexpr int kEveryBoard = -1000;
    void DriveTtlInputPattern(int nBoard);
    int TakeInjectedFailure(const char* pszName, int nBoard);
    void AppendLog(SimCallRecord& rec, std::vector<std::string>&& args);
    void StopEventThread();
    void EventThreadMain();

    struct PendingInterrupt {
        int nBoard;
        unsigned long long nTicket;
        bool* pbDelivered;  // the waiting raiser's result, or nullptr
    };
    // lock:
    std::deque<PendingInterrupt> m_pending;
    unsigned long long m_nLastTicket = 0;
    unsigned long long m_nDoneTicket = 0;
    bool m_bStopEvents = false;
    std::thread m_eventThread;
    std::thread::id m_eventThreadId;
    std::condition_variable m_cvWork;
    std::condition_variable m_cvDone;
};

template <class Body, class Format>
int CSimLibrary::Call(const char* pszName, int nBoard, Body&& body, Format&& format) {
    SimCallEffects effects;
    SimCallRecord rec;
    std::function<void(const SimCallRecord&)> hook;
    std::function<void(const SimOutputChange&)> listener;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        DriveTtlInputs(nBoard);
        int err = m_failRules.empty() ? NOERRORS : TakeInjectedFailure(pszName, nBoard);
        if (err == NOERRORS) err = body(effects);
        rec.nBoard = nBoard;
        rec.nResult = err;
        // The record is kept or shown only when a log or a hook asks for it.
        if (m_nLogLimit > 0 || m_callHook) {
            rec.strName = pszName;
            AppendLog(rec, format(err));
            hook = m_callHook;
        }
        if (!effects.changes.empty()) listener = m_outputListener;
    }
    if (hook) hook(rec);
    if (listener) {
        for (const SimOutputChange& change : effects.changes) listener(change);
    }
    return rec.nResult;
}
