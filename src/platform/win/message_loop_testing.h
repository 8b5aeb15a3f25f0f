// Test hooks of the message loop (message_loop.h): a guard that turns a stuck loop into a failure, a look
// into a thread's queue, messages posted to a thread without a window and the quit message.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/win/message_loop.h"

class CMessageLoopTesting {
  public:
    // When a RunUntil loop of this thread has waited nRealMs of real time without anything arriving,
    // pfnStall runs; TRUE abandons every running loop of the thread (each returns FALSE). Tests use it so
    // that a stuck modal loop fails instead of hanging. An empty function removes it.
    static void SetStallHandler(std::function<bool()> pfnStall, DWORD nRealMs = 5000);
    // Takes and looks of the calling thread that found its queue empty without taking the framework's
    // lock, since the thread started.
    static std::uint64_t QuietTakes();
};

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
inline BOOL PeekMessage(LPMSG m, HWND h, UINT lo, UINT hi, UINT r) {
    return PeekMessageA(m, h, lo, hi, r);
}
BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
inline BOOL PostThreadMessage(DWORD id, UINT m, WPARAM w, LPARAM l) {
    return PostThreadMessageA(id, m, w, l);
}

void PostQuitMessage(int nExitCode);
