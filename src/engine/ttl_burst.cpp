#include "engine/ttl_burst.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>

#include "app/main_dialog.h"
#include "board/board_errors.h"
#include "platform/hostlib/crs_interapp.h"

namespace {

// LED 6 is output bit 6, LED 7 bit 7; the burst owns both. Bit 15 marks a burst write (TTL output).
constexpr int kBurstBits = 0xC0;
constexpr int kLed7Bit = 0x80;
constexpr int kBurstWriteFlag = 0x8000;
constexpr DWORD kLeadInMs = 100;
constexpr int kOneShotPulses = 2;
// Both and Toggle/Check wait for a running burst to end: at most this many sleeps of kWaitStepMs.
constexpr int kWaitSteps = 100;
constexpr DWORD kWaitStepMs = 100;
// Time (ms of the program's clock) a running burst gets at shut-down to see the abort request and end.
constexpr DWORD kShutdownWaitMs = 2000;

// The dialog a worker burst may reach. A worker touches its dialog only while it holds mtx and the link
// still names its burst; it lets go of mtx while it sleeps. The dialog's end takes mtx and forgets the
// burst, so from then on the worker touches nothing of that dialog, whenever it wakes.
struct BurstLink {
    std::mutex mtx;
    CTessaro2010Dlg* pDlg = nullptr;  // dialog of the burst named by nBurst; NULL once given up
    unsigned nBurst = 0;              // the burst started last
    bool bWaiting = false;            // started, and its worker has not taken it up yet
};

BurstLink& Link() {
    static BurstLink* p = new BurstLink;  // never destroyed: an abandoned worker may outlive everything
    return *p;
}

// Set on a worker while it runs its burst: the link lock it holds and the burst it runs.
thread_local std::unique_lock<std::mutex>* t_pHeldLink = nullptr;
thread_local unsigned t_nOwnBurst = 0;

// Sleeps nMs of the program's clock. On a worker the link is let go meanwhile; FALSE when the burst was
// given up during the sleep: the caller must then return at once without touching the dialog.
bool BurstSleep(DWORD nMs) {
    if (t_pHeldLink == nullptr) {
        Sleep(nMs);
        return true;
    }
    t_pHeldLink->unlock();
    Sleep(nMs);
    t_pHeldLink->lock();
    return Link().pDlg != nullptr && Link().nBurst == t_nOwnBurst;
}

// A negative on-time (no dialog limits it here) counts as 0: no sleep.
DWORD OnTimeMs(int nMs) {
    return nMs > 0 ? static_cast<DWORD>(nMs) : 0;
}

void AddLatency(LatencyStats& series, double dLatency) {
    series.dLast = dLatency;
    if (series.dMin > dLatency) series.dMin = dLatency;
    if (dLatency > series.dMax) series.dMax = dLatency;
    ++series.nCount;
    series.dTotal += dLatency;
}

}  // namespace

IMPLEMENT_DYNCREATE(CTTLOutputBurst, CWinThread)

int CTTLOutputBurst::Run() {
    BurstLink& link = Link();
    std::unique_lock<std::mutex> lock(link.mtx);
    CTessaro2010Dlg* pDlg = link.bWaiting ? link.pDlg : nullptr;
    link.bWaiting = false;
    if (pDlg == nullptr) {  // the dialog ended before this thread got to run
        lock.unlock();
        return ExitInstance();
    }
    const unsigned nBurst = link.nBurst;
    t_pHeldLink = &lock;
    t_nOwnBurst = nBurst;
    pDlg->RunTtlBurst(BURST_PLAIN);
    t_pHeldLink = nullptr;
    const int nResult = ExitInstance();
    // Clearing the busy flag is the worker's last touch of the dialog.
    if (link.pDlg == pDlg && link.nBurst == nBurst) pDlg->m_bBurstBusy = FALSE;
    return nResult;
}

void CTessaro2010Dlg::RunTtlBurst(TtlBurstMode mode) {
    const bool bWorker = OnBurstWorker() != FALSE;
    int nPulses = m_nBurstLoops;
    const DWORD nLed6Ms = OnTimeMs(m_nLed6OnMs);
    const DWORD nLed7Ms = OnTimeMs(m_nLed7OnMs);

    m_nBurstMask = kBurstBits;

    if (mode == BURST_TOGGLE_CHECK) {
        ++m_nBurstPulseCount;
        const int nWord = (m_nBurstOutput ^ kBurstBits) | kBurstWriteFlag;
        m_nBurstOutput = nWord;
        TTL_setOutput_to_values(static_cast<USHORT>(nWord & 0xFFFF));
    } else {
        m_nBurstOutput = kLed7Bit;
        m_nBurstPulseCount = -1;
    }

    // A worker cannot read g_Params: it takes the value StartTtlBurst copied for it. On the user-interface
    // thread an ended worker's hand-back comes first, so that it is what this burst remembers.
    if (!bWorker) ApplyBurstRoiRestore();
    const BOOL bRoiOutput = bWorker ? m_bBurstRoiSaved.load() : g_Params.bRoiOutput;

    if (!BurstSleep(kLeadInMs)) return;

    if (mode == BURST_BOTH) {
        int nWord = g_nBothWord;
        if (nWord < 0) nWord = kBurstBits;
        nWord |= kBurstWriteFlag;
        TTL_setOutput_to_values(static_cast<USHORT>(nWord & 0xFFFF));
        g_nBothWord = nWord ^ kBurstBits;  // the next Both writes the opposite
    } else {
        g_nBothWord = -1;
    }

    if (mode == BURST_ONE_SHOT) nPulses = kOneShotPulses;

    // One switching write: the two LEDs change places, and the host's time is taken right after the
    // write, before any sleep, for the edge that the ROI code will show.
    auto switchLeds = [this] {
        const int nWord = (m_nBurstOutput ^ kBurstBits) | kBurstWriteFlag;
        m_nBurstOutput = nWord;
        TTL_setOutput_to_values(static_cast<USHORT>(nWord & 0xFFFF));
        const double t = CRS_GetPrecisionDeltaTime(0, 0);
        if ((nWord & kLed7Bit) != 0)
            m_dLedOnTime = t;
        else
            m_dLedOffTime = t;
    };

    if (mode == BURST_PLAIN || mode == BURST_ONE_SHOT) {
        for (int i = 0; i < nPulses; ++i) {
            ++m_nBurstPulseCount;
            switchLeds();  // LED 7 off, LED 6 on
            // An abort ends the burst only here, with LED 6 on, and only in an odd pulse.
            if (m_bBurstAbort && (i & 1) != 0) break;
            if (nLed6Ms != 0 && !BurstSleep(nLed6Ms)) return;
            switchLeds();  // LED 6 off, LED 7 on
            if (nLed7Ms != 0 && !BurstSleep(nLed7Ms)) return;
        }
    }

    m_bBurstAbort = FALSE;
    if (!bWorker) {
        g_Params.bRoiOutput = bRoiOutput;
        return;
    }
    m_nBurstRoiRestore = bRoiOutput;
    const HWND hReport = m_hBurstReportWnd;
    if (hReport != nullptr) ::PostMessage(hReport, WM_TTL_BURST_REPORT, BURST_REPORT_ROI_RESTORE, 0);
}

void CTessaro2010Dlg::StartTtlBurst(BOOL bAsyncMarkers) {
    if (m_bBurstBusy) {
        m_bBurstAbort = TRUE;  // a second Start stops the burst
        return;
    }
    m_bBurstAbort = FALSE;
    m_bBurstBusy = TRUE;
    CRS_SendCommand(bAsyncMarkers ? "datafile_AsynchMarkerData Yes" : "datafile_AsynchMarkerData No");

    // What the worker needs of the user-interface thread's state, copied before it starts.
    ApplyBurstRoiRestore();
    m_bBurstRoiSaved = g_Params.bRoiOutput;
    m_nBurstBoardNum = g_Params.nBoardNum;
    m_hBurstReportWnd = GetSafeHwnd();
    {
        std::lock_guard<std::mutex> lock(Link().mtx);
        Link().pDlg = this;
        ++Link().nBurst;
        Link().bWaiting = true;
    }
    if (AfxBeginThread(RUNTIME_CLASS(CTTLOutputBurst), THREAD_PRIORITY_NORMAL, 0, 0) != nullptr) return;

    // No worker: no burst runs, so none may stay busy (the next Start tries again).
    {
        std::lock_guard<std::mutex> lock(Link().mtx);
        Link().bWaiting = false;
    }
    m_bBurstBusy = FALSE;
    m_nMessageTicks = FiveSecondTicks();
    SetControlTextF(m_pMessageLine, "TTL burst could not be started.");
}

void CTessaro2010Dlg::TtlBurstOneShot() {
    if (m_bBurstBusy) return;
    m_bBurstBusy = TRUE;
    RunTtlBurst(BURST_ONE_SHOT);
    m_bBurstBusy = FALSE;
}

namespace {

// Asks a running burst to stop and waits for it, testing before each sleep. FALSE when it still runs.
bool StopRunningBurst(CTessaro2010Dlg& dlg) {
    if (!dlg.m_bBurstBusy) return true;
    dlg.m_bBurstAbort = TRUE;
    for (int i = 0; i < kWaitSteps && dlg.m_bBurstBusy; ++i) Sleep(kWaitStepMs);
    return !dlg.m_bBurstBusy;
}

}  // namespace

// A burst still running after the wait keeps the outputs: two bursts would otherwise write at once.
void CTessaro2010Dlg::TtlBurstBoth() {
    if (!StopRunningBurst(*this)) return;
    m_bBurstBusy = TRUE;
    RunTtlBurst(BURST_BOTH);
    m_bBurstBusy = FALSE;
}

void CTessaro2010Dlg::TtlBurstToggleCheck() {
    if (!StopRunningBurst(*this)) return;
    m_bBurstBusy = TRUE;
    RunTtlBurst(BURST_TOGGLE_CHECK);
    m_bBurstBusy = FALSE;
}

void CTessaro2010Dlg::UpdateLatencyStats(int code) {
    const int b = code & 2;
    if (b == g_nLastRoiBit) return;
    const double t = CRS_GetPrecisionDeltaTime(0, 0);
    // Rising: LED 6 came on (bit 7 cleared) and region 1 sees it; falling: LED 7 came on. An edge before
    // the burst's first write of that kind has nothing to be measured from and adds nothing.
    const double dSwitched = b != 0 ? m_dLedOffTime.load() : m_dLedOnTime.load();
    if (!std::isnan(dSwitched)) AddLatency(m_Latency[b != 0 ? 0 : 1], t - dSwitched);
    g_nLastRoiBit = b;
}

void CTessaro2010Dlg::EndTtlBurstAtShutdown() {
    // Sleep also moves a manual clock, so a worker that waits for time to pass can finish; the short real
    // pause lets a worker run on a busy machine while a manual clock races ahead.
    if (m_bBurstBusy) {
        m_bBurstAbort = TRUE;
        const DWORD nStart = GetTickCount();
        while (m_bBurstBusy && GetTickCount() - nStart < kShutdownWaitMs) {
            Sleep(1);
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }
    {
        // Waits for a worker between two sleeps to let go; after this it never touches the dialog.
        std::lock_guard<std::mutex> lock(Link().mtx);
        if (Link().pDlg == this) {
            Link().pDlg = nullptr;
            Link().bWaiting = false;
        }
    }
    ApplyBurstRoiRestore();
}

void CTessaro2010Dlg::ApplyBurstRoiRestore() {
    const int nRestore = m_nBurstRoiRestore.exchange(-1);
    if (nRestore >= 0) g_Params.bRoiOutput = nRestore;
}

LRESULT CTessaro2010Dlg::OnTtlBurstReport(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
        case BURST_REPORT_SHOW_OUTPUT:
            ShowTtlOutput(static_cast<int>(lParam));
            break;
        case BURST_REPORT_ERROR_BOX:
            ShowClaimedBoardErrorBox(m_szWorkerBoxText);
            break;
        case BURST_REPORT_ROI_RESTORE:
            ApplyBurstRoiRestore();
            break;
        default:
            break;
    }
    return 0;
}
