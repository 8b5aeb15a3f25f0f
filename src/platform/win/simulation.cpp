#include "platform/win/simulation.h"

#include <mutex>

#include "platform/win/clock.h"
#include "platform/win/clock_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/message_loop.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/text_measure.h"
#include "platform/win/user_agent.h"
#include "platform/win/win_state.h"

void CWinSimulation::Reset() {
    winstate::DropAllWindows();
    loopstate::ResetThreadTasks();
    menustate::Reset();
    kernelstate::Reset();
    AfxResetThreads();
    AfxSetUserAgent(nullptr);
    CScriptedUserAgent& agent = AfxGetScriptedUserAgent();
    agent.ClearAnswers();
    agent.ClearEvents();
    agent.SetObserver(nullptr);
    agent.SetPumpWhileOpen(TRUE);
    CClockTesting::SetWorkerSleep(CClockTesting::WorkerSleepAdvances);
    CClockTesting::SetPerformanceFrequency(CClock::kDefaultPerformanceFrequency);
    AfxSetTextMeasurer(nullptr);
    CMessageLoop::SetPaintPeriod(0);
    SetLastError(ERROR_SUCCESS);
}

void CWinSimulationTesting::FailSetTimer(UINT_PTR nIDEvent, BOOL bFail) {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    if (bFail) {
        s.failTimers.insert(nIDEvent);
    } else {
        s.failTimers.erase(nIDEvent);
    }
}

void CWinSimulationTesting::FailRegisterClass(BOOL bFail) {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    s.bFailRegisterClass = bFail;
}

void CWinSimulationTesting::FailInitCommonControls(BOOL bFail) {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    s.bFailInitCommonControls = bFail;
}

void CWinSimulationTesting::FailCreateWindow(std::function<bool(const CREATESTRUCT& cs)> pfnPredicate) {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    s.pfnFailCreate = std::move(pfnPredicate);
}

void CWinSimulationTesting::FailLoadBitmap(UINT nID, BOOL bFail) {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    if (bFail) {
        s.failBitmaps.insert(nID);
    } else {
        s.failBitmaps.erase(nID);
    }
}

void CWinSimulationTesting::FailCreateMemoryDC(BOOL bFail) {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    s.bFailMemoryDc = bFail;
}

void CWinSimulationTesting::FailTabInsertAt(int nItem) {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    s.nFailTabInsertAt = nItem < 0 ? -1 : nItem;
}

void CWinSimulationTesting::FailCreateThread(BOOL bFail) {
    AfxFailCreateThread(bFail != FALSE);
}
