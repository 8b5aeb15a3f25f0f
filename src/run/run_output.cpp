#include "run/run_output.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

#include "platform/win/clock.h"
#include "run/run_text.h"

namespace {

using Steady = std::chrono::steady_clock;
constexpr int kPollSliceMs = 50;

std::string SecondsText(long long nMicros) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%lld.%03lld ", nMicros / runtext::kMicrosPerSecond,
                  (nMicros % runtext::kMicrosPerSecond) / 1000);
    return sz;
}

}  // namespace

CRunOutput::CRunOutput(int nFd, size_t nCapacity)
    : m_nFd(nFd), m_nCapacity(std::max<size_t>(nCapacity, 1)), m_nStartUs(CClock::NowMicros()) {}

CRunOutput::~CRunOutput() {
    Stop();
}

void CRunOutput::SetPeriodicLine(std::function<std::string()> pfnLine, unsigned nPeriodMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStarted) return;
    m_pfnPeriodic = std::move(pfnLine);
    m_nPeriodMs = nPeriodMs;
}

void CRunOutput::Start() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStarted || m_bStop) return;
    m_bStarted = true;
    m_thread = std::thread([this] { PrinterLoop(); });
}

std::string CRunOutput::Prefixed(std::string_view line) const {
    return SecondsText(std::max<long long>(0, CClock::NowMicros() - m_nStartUs)) + std::string(line);
}

bool CRunOutput::Push(std::string_view line) {
    const std::string strTime = SecondsText(std::max<long long>(0, CClock::NowMicros() - m_nStartUs));
    std::string text = strTime + std::string(line);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStop) return false;
        if (m_queue.size() >= m_nCapacity) {
            ++m_nDroppedPending;
            ++m_nDroppedTotal;
            return false;
        }
        if (m_nDroppedPending > 0) {
            m_queue.push_back(strTime + "run dropped " + std::to_string(m_nDroppedPending) + " lines");
            m_nDroppedPending = 0;
        }
        m_queue.push_back(std::move(text));
    }
    m_wake.notify_one();
    return true;
}

void CRunOutput::Stop(unsigned nDrainMs, std::string_view strLastLine) {
    const std::string strTime = SecondsText(std::max<long long>(0, CClock::NowMicros() - m_nStartUs));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_bStop) {
            m_bStop = true;
            m_drainDeadline = Steady::now() + std::chrono::milliseconds(nDrainMs);
            if (m_nDroppedPending > 0) {
                m_queue.push_back(strTime + "run dropped " + std::to_string(m_nDroppedPending) + " lines");
                m_nDroppedPending = 0;
            }
            if (!strLastLine.empty()) m_queue.push_back(strTime + std::string(strLastLine));
        }
    }
    m_wake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

unsigned long long CRunOutput::Dropped() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nDroppedTotal;
}

void CRunOutput::PrinterLoop() {
    const auto period = std::chrono::milliseconds(m_nPeriodMs);
    const bool bPeriodic = m_pfnPeriodic && m_nPeriodMs > 0;
    auto nextPeriodic = Steady::now() + period;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        auto ready = [this] { return m_bStop || !m_queue.empty(); };
        if (bPeriodic) {
            m_wake.wait_until(lock, nextPeriodic, ready);
        } else {
            m_wake.wait(lock, ready);
        }
        std::deque<std::string> batch;
        batch.swap(m_queue);
        const bool bStopping = m_bStop;
        lock.unlock();

        std::string text;
        for (const std::string& line : batch) {
            text += line;
            text += '\n';
        }
        batch.clear();
        const auto now = Steady::now();
        if (bPeriodic && !bStopping && now >= nextPeriodic) {
            text += Prefixed(m_pfnPeriodic());
            text += '\n';
            nextPeriodic += period;
            if (nextPeriodic <= now) nextPeriodic = now + period;
        }
        const bool bWritten = WriteAll(text);

        lock.lock();
        if (m_bStop && (m_queue.empty() || (bStopping && !bWritten))) break;
    }
}

bool CRunOutput::WriteAll(const std::string& text) {
    size_t nOffset = 0;
    while (nOffset < text.size()) {
        if (m_bBroken) return false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bStop && Steady::now() >= m_drainDeadline) return false;
        }
        pollfd pfd{m_nFd, POLLOUT, 0};
        const int nReady = ::poll(&pfd, 1, kPollSliceMs);
        if (nReady < 0) {
            if (errno == EINTR) continue;
            m_bBroken = true;
            return false;
        }
        if (nReady == 0) continue;
        if (pfd.revents & (POLLERR | POLLNVAL)) {
            m_bBroken = true;
            return false;
        }
        const size_t nPiece = std::min<size_t>(PIPE_BUF, text.size() - nOffset);
        const ssize_t nWritten = ::write(m_nFd, text.data() + nOffset, nPiece);
        if (nWritten < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            m_bBroken = true;
            return false;
        }
        nOffset += static_cast<size_t>(nWritten);
    }
    return true;
}
