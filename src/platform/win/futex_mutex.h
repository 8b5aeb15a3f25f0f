// Internal to the window framework: a mutex for the drawing state, whose lock and unlock cost one atomic
// operation each while no other thread waits (std::mutex goes through the C library's general mutex).
// A thread that finds it taken sleeps in the kernel until it is let go: no spinning. Not recursive. Meets
// the standard's Lockable requirements (std::lock_guard, std::unique_lock, std::scoped_lock).
#pragma once

#include <atomic>
#include <cstdint>

// The word a futex system call takes for an atomic 32-bit value.
inline std::uint32_t* AfxFutexWord(std::atomic<std::uint32_t>& a) {
    static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
                  std::atomic<std::uint32_t>::is_always_lock_free);
    return reinterpret_cast<std::uint32_t*>(&a);
}

class CFutexMutex {
  public:
    CFutexMutex() = default;
    CFutexMutex(const CFutexMutex&) = delete;
    CFutexMutex& operator=(const CFutexMutex&) = delete;

    void lock() {
        std::uint32_t nFree = kFree;
        if (!m_nState.compare_exchange_strong(nFree, kTaken, std::memory_order_acquire,
                                              std::memory_order_relaxed))
            LockContended();
    }
    bool try_lock() {
        std::uint32_t nFree = kFree;
        return m_nState.compare_exchange_strong(nFree, kTaken, std::memory_order_acquire,
                                                std::memory_order_relaxed);
    }
    void unlock() {
        if (m_nState.exchange(kFree, std::memory_order_release) == kTakenWithSleepers) WakeOne();
    }

  private:
    // kTakenWithSleepers: taken, and a thread may be asleep on it (so the unlock wakes one).
    enum : std::uint32_t { kFree = 0, kTaken = 1, kTakenWithSleepers = 2 };
    void LockContended();
    void WakeOne();

    std::atomic<std::uint32_t> m_nState{kFree};
};
