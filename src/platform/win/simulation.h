// Control of the simulated platform for tests and main.cpp: forced failures, scripted input, recorded
// output, and a reset to a fresh framework state. The program itself never calls these.
#pragma once

#include <functional>
#include <vector>

#include "platform/win/messages.h"

struct CBeepRecord {
    DWORD nFrequency;
    DWORD nDuration;
    DWORD nTime;  // GetTickCount
};

class CWinSimulation {
  public:
    // Fresh state: every window is dropped without messages (objects still attached lose their handle),
    // queues, timers, focus, menus, forced failures, key states, beeps and scripted answers are cleared;
    // the user agent, the text measurer, system texts, registered modules and the module path, the
    // clock's worker-sleep mode and performance frequency are restored. Kept: registered window messages,
    // the system classes, resources, the clock's time and whether it is manual (fixtures choose), time
    // hooks (the simulations own them) and the command line.
    static void Reset();

    // SetTimer fails for this id (on any window) while set.
    static void FailSetTimer(UINT_PTR nIDEvent, BOOL bFail = TRUE);
    // RegisterClassA / AfxRegisterWndClass fail while set.
    static void FailRegisterClass(BOOL bFail = TRUE);
    static void FailInitCommonControls(BOOL bFail = TRUE);
    // Window creation fails while the predicate says so (NULL removes it).
    static void FailCreateWindow(std::function<bool(const CREATESTRUCT& cs)> pfnPredicate);
    // LoadBitmapA (and CBitmap::LoadBitmap) of bitmap nID gives NULL while set, as for a missing resource.
    static void FailLoadBitmap(UINT nID, BOOL bFail = TRUE);
    // CreateCompatibleDC (and CDC::CreateCompatibleDC) gives NULL while set.
    static void FailCreateMemoryDC(BOOL bFail = TRUE);
    // A tab control's TCM_INSERTITEMA at index nItem returns -1 (nothing inserted); -1 removes it.
    static void FailTabInsertAt(int nItem);
    // CWinThread::CreateThread (and so AfxBeginThread) fails while set, with ERROR_NOT_ENOUGH_MEMORY.
    static void FailCreateThread(BOOL bFail = TRUE);

    static void SetKeyDown(int nVirtKey, BOOL bDown);
    static std::vector<CBeepRecord> Beeps();

    // The executable's path (GetModuleFileNameA(NULL)); by default the running executable's.
    static void SetModulePath(LPCSTR lpszPath);
    // The system text of an error code (NULL: the code has no text).
    static void SetSystemMessage(DWORD nCode, LPCSTR lpszText);
};
