#include "platform/win/futex_mutex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>

void CFutexMutex::LockContended() {
    // Marked as having sleepers before sleeping, so whoever holds it wakes one thread when letting go; a
    // thread that takes it here keeps the mark (a sleeper may remain), which costs at most one needless wake.
    while (m_nState.exchange(kTakenWithSleepers, std::memory_order_acquire) != kFree)
        syscall(SYS_futex, AfxFutexWord(m_nState), FUTEX_WAIT_PRIVATE, kTakenWithSleepers, nullptr, nullptr,
                0);
}

void CFutexMutex::WakeOne() {
    syscall(SYS_futex, AfxFutexWord(m_nState), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}
