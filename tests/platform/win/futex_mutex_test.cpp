#include "platform/win/futex_mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Threads that take the lock in turn see each other's writes whole: no increment is lost, whoever waits.
TEST(FutexMutex, ExcludesAndHandsOverBetweenThreads) {
    CFutexMutex mtx;
    long long nCount = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&mtx, &nCount] {
            for (int i = 0; i < 20000; ++i) {
                std::lock_guard<CFutexMutex> lock(mtx);
                nCount += 1;
            }
        });
    }
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(80000, nCount);

    // A lock held elsewhere is not taken by try_lock, and a waiter goes on once it is let go.
    std::unique_lock<CFutexMutex> held(mtx);
    std::atomic<bool> bTried{false};
    std::atomic<bool> bGot{false};
    std::thread waiter([&] {
        EXPECT_FALSE(mtx.try_lock());
        bTried = true;
        std::lock_guard<CFutexMutex> lock(mtx);
        bGot = true;
    });
    while (!bTried) std::this_thread::yield();
    EXPECT_FALSE(bGot);
    held.unlock();
    waiter.join();
    EXPECT_TRUE(bGot);
    EXPECT_TRUE(mtx.try_lock());
    mtx.unlock();
}

}  // namespace
