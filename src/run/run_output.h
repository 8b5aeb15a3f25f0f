#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

// Lines go to a file descriptor from a printing thread. Push never waits for the output: the queue holds
// at most nCapacity lines, a line that finds it full is dropped and counted, and the next line accepted
// is preceded by "run dropped <n> lines". The thread writes only when poll() says the descriptor can take
// data, in pieces of at most PIPE_BUF bytes, so a reader that stops reading holds up only this thread.
// A periodic line (the summary) is made on the printing thread every nPeriodMs of real time.
class CRunOutput {
  public:
    static constexpr size_t kDefaultCapacity = 65536;

    // The descriptor is not closed here. Times in the prefix count from the construction (CClock).
    explicit CRunOutput(int nFd, size_t nCapacity = kDefaultCapacity);
    ~CRunOutput();
    CRunOutput(const CRunOutput&) = delete;
    CRunOutput& operator=(const CRunOutput&) = delete;

    // Before Start. The function runs on the printing thread with no lock of this object held.
    void SetPeriodicLine(std::function<std::string()> pfnLine, unsigned nPeriodMs);
    void Start();
    // Any thread. The time prefix is added here. False when the line was dropped (queue full, or stopped).
    bool Push(std::string_view line);
    // Queues the announcement of lines dropped since the last one and then strLastLine (when not empty),
    // both beyond the capacity; writes what is queued, for at most nDrainMs more, then ends the thread.
    // Lines pushed later are dropped. What could not be written in time is lost. Idempotent.
    void Stop(unsigned nDrainMs = 2000, std::string_view strLastLine = {});
    unsigned long long Dropped() const;  // lines dropped so far

  private:
    void PrinterLoop();
    // FALSE when the deadline passed (or the descriptor failed) before everything was written.
    bool WriteAll(const std::string& text);
    std::string Prefixed(std::string_view line) const;

    const int m_nFd;
    const size_t m_nCapacity;
    const long long m_nStartUs;
    std::function<std::string()> m_pfnPeriodic;
    unsigned m_nPeriodMs = 0;

    // Guards the members up to m_drainDeadline.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::string> m_queue;
    unsigned long long m_nDroppedPending = 0;  // not yet announced
    unsigned long long m_nDroppedTotal = 0;
    bool m_bStarted = false;
    bool m_bStop = false;
    std::chrono::steady_clock::time_point m_drainDeadline;

    bool m_bBroken = false;  // printing thread only: the descriptor failed, nothing more is written
    std::thread m_thread;
};
