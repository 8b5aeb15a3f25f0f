// A fresh simulated host on a manual microsecond clock, with every post recorded.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/hostlib/crs_interapp.h"
#include "platform/hostlib/sim_host.h"

struct RecordedPost {
    HWND hWnd;
    UINT nMessage;
    WPARAM wParam;
    LPARAM lParam;
};

class HostTest : public ::testing::Test {
  protected:
    static constexpr UINT kMessage = 0xC123;

    void SetUp() override {
        SimHost().Reset();
        SimHost().SetTimeSource([this] { return m_nNowUs.load(); });
        SimHost().SetPostFunction([this](HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
            std::lock_guard<std::mutex> lock(m_postMutex);
            m_posts.push_back(RecordedPost{hWnd, nMessage, wParam, lParam});
            return TRUE;
        });
    }

    void TearDown() override { SimHost().Reset(); }

    static HWND Window(std::uintptr_t n) { return reinterpret_cast<HWND>(n); }

    void Advance(LONGLONG nUs) { m_nNowUs += nUs; }

    std::vector<RecordedPost> Posts() {
        std::lock_guard<std::mutex> lock(m_postMutex);
        return m_posts;
    }

    void ClearPosts() {
        std::lock_guard<std::mutex> lock(m_postMutex);
        m_posts.clear();
    }

    int CountCode(WORD nCode) {
        int n = 0;
        for (const RecordedPost& post : Posts()) n += HIWORD(post.wParam) == nCode ? 1 : 0;
        return n;
    }

    std::atomic<LONGLONG> m_nNowUs{1000000};
    std::mutex m_postMutex;
    std::vector<RecordedPost> m_posts;
};
