// Test control of the simulated platform (simulation.h): forced failures, scripted key states, recorded
// beeps, the module path and system texts. CWinSimulation::Reset clears all of them.
#pragma once

#include <functional>
#include <vector>

#include "platform/win/simulation.h"

struct CBeepRecord {
    DWORD nFrequency;
    DWORD nDuration;
    DWORD nTime;  // GetTickCount
};

class CWinSimulationTesting {
  public:
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
