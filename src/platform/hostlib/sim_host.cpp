#include "platform/hostlib/sim_host.h"

#include "platform/hostlib/crs_interapp.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace {

constexpr LONGLONG kMicrosPerSecond = 1000000;
// Frames produced at most per catch-up, in seconds of frames.
constexpr LONGLONG kCatchUpSeconds = 2;
constexpr std::size_t kMaxLedHistory = 4096;

// Busy: the cost is the receiver's processor time, as a slow handler's would be.
void SpinMicros(LONGLONG nMicros) {
    if (nMicros <= 0) return;
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(nMicros);
    while (std::chrono::steady_clock::now() < until) {
    }
}

LONGLONG SteadyMicros() {
    static const auto s_start = std::chrono::steady_clock::now();
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - s_start)
        .count();
}

// Start of frame k of a clock started at nStartUs; exact for every rate (no accumulated rounding).
LONGLONG GridTime(LONGLONG nStartUs, LONGLONG k, int nRate) {
    return nStartUs + (k / nRate) * kMicrosPerSecond + (k % nRate) * kMicrosPerSecond / nRate;
}

// Highest k with GridTime(k) <= nStartUs + nElapsedUs (up to rounding below one microsecond).
LONGLONG GridIndex(LONGLONG nElapsedUs, int nRate) {
    return (nElapsedUs / kMicrosPerSecond) * nRate +
           (nElapsedUs % kMicrosPerSecond) * nRate / kMicrosPerSecond;
}

}  // namespace

CSimHost& SimHost() {
    static CSimHost s_host;
    return s_host;
}

CSimHost::CSimHost()
    : m_bLedsFollowPrivateStatus(false),
      m_nFrameRate(kSimHostDefaultFrameRate),
      m_bRunning(true),
      m_nClockStartUs(0),
      m_nLastDueIndex(0),
      m_nLatestUs(0),
      m_bAlternateCodes(false),
      m_bAttached(true),
      m_bVideoFrozen(false),
      m_bBinocular(false),
      m_nSeed(1),
      m_overrides{},
      m_frame{},
      m_prevFrame{},
      m_dLatencyMs(kSimHostDefaultLatencyMs),
      m_nLedBaseBits(0),
      m_rois{},
      m_setup{},
      m_bDelivering(false),
      m_nPostCount(0),
      m_nFailedPostCount(0),
      m_bDriverStop(false) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ResetStateLocked(SteadyMicros());
}

CSimHost::~CSimHost() {
    StopDriver();
}

// ---------------------------------------------------------------------------------------------------------
// Wiring

void CSimHost::SetTimeSource(TimeSource source) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pTimeSource = source ? std::make_shared<const TimeSource>(std::move(source)) : nullptr;
    }
    const LONGLONG nNowUs = ReadClock();
    std::lock_guard<std::mutex> lock(m_mutex);
    // Times of the old clock mean nothing on the new one: the model and the LED history start over.
    m_nLatestUs = nNowUs;
    RestartFrameClockLocked(nNowUs);
    m_eyeModel.Reset(m_nSeed, nNowUs);
    const int nBits = VisibleLedsLocked(m_frame.nTimeUs);
    m_ledHistory.clear();
    m_nLedBaseBits = nBits;
    m_frame.nTimeUs = nNowUs;
    m_prevFrame = m_frame;
    RecomputeFrameLocked();
    m_prevFrame = m_frame;
}

void CSimHost::SetPostFunction(PostFunction post) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pPost = post ? std::make_shared<const PostFunction>(std::move(post)) : nullptr;
}

void CSimHost::SetTtlOutputSource(TtlOutputSource source) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pTtlSource = source ? std::make_shared<const TtlOutputSource>(std::move(source)) : nullptr;
}

void CSimHost::NotifyTtlOutput(int nByte) {
    NotifyTtlOutputAt(nByte, ReadClock());
}

void CSimHost::NotifyTtlOutputAt(int nByte, LONGLONG nTimeUs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    RecordLedsLocked(nByte, nTimeUs);
}

void CSimHost::SetLedsFollowPrivateStatus(bool bFollow) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bLedsFollowPrivateStatus = bFollow;
}

void CSimHost::SetCommandHook(CommandHook hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pCommandHook = hook ? std::make_shared<const CommandHook>(std::move(hook)) : nullptr;
}

void CSimHost::SetDataOutHook(DataOutHook hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pDataOutHook = hook ? std::make_shared<const DataOutHook>(std::move(hook)) : nullptr;
}

std::string FormatSimHostDataTrace(const SimHostDataOut& out) {
    const char* pszName =
        out.eKind == SimHostDataOut::DistributedMessage ? "CRS_DistributeMessages" : "CRS_SetStatus_PRIVATE";
    return std::string("host ") + pszName + "(" + std::to_string(out.nFirst) + ", " +
           std::to_string(out.nSecond) + ") = " + std::to_string(out.nResult);
}

// ---------------------------------------------------------------------------------------------------------
// Control

void CSimHost::Reset() {
    StopDriver();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pTimeSource.reset();
    m_pPost.reset();
    m_pTtlSource.reset();
    m_pCommandHook.reset();
    m_pDataOutHook.reset();
    m_bLedsFollowPrivateStatus = false;
    m_outgoing.clear();
    m_nPostCount = 0;
    m_nFailedPostCount = 0;
    m_nFrameCostUs = 0;
    m_nChargedFrame = -1;
    ResetStateLocked(SteadyMicros());
}

void CSimHost::ResetStateLocked(LONGLONG nNowUs) {
    m_nFrameRate = kSimHostDefaultFrameRate;
    m_bRunning = true;
    m_bAlternateCodes = false;
    m_bAttached = true;
    m_bVideoFrozen = false;
    m_bBinocular = false;
    m_dLatencyMs = kSimHostDefaultLatencyMs;
    m_nSeed = 1;
    m_overrides = SimEyeOverrides{};
    m_eyeModel.Reset(m_nSeed, nNowUs);
    m_eyeModel.SetPattern(SimEyePattern::Natural, nNowUs);
    m_eyeModel.SetStillPoint(0.5f, 0.5f);
    m_nLedBaseBits = 0;
    m_ledHistory.clear();
    for (SimHostRoi& roi : m_rois) roi = SimHostRoi{};
    m_setup = SimHostSetup{};
    m_setup.nSmoothingPoints = 1;
    m_setup.dPupilThreshold = 0.6;
    m_setup.nRoiSelection = 0;
    m_commands.clear();
    m_logLines.clear();
    m_markers.clear();
    m_distributed.clear();
    m_privateStatus.clear();
    m_privateValues.clear();
    m_windows.clear();
    m_nLatestUs = nNowUs;
    RestartFrameClockLocked(nNowUs);
    m_frame = SimHostFrame{};
    m_frame.nTimeUs = nNowUs;
    m_prevFrame = m_frame;
    RecomputeFrameLocked();
    m_prevFrame = m_frame;
}

void CSimHost::SetFrameRate(int nHz) {
    const LONGLONG nNowUs = Sync();
    const int nRate = std::clamp(nHz, 1, kSimHostMaxFrameRate);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (nRate == m_nFrameRate) return;
    m_nFrameRate = nRate;
    RestartFrameClockLocked(std::max(nNowUs, m_nLatestUs));
}

int CSimHost::FrameRate() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nFrameRate;
}

void CSimHost::SetRunning(bool bRunning) {
    const LONGLONG nNowUs = Sync();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (bRunning && !m_bRunning) RestartFrameClockLocked(std::max(nNowUs, m_nLatestUs));
    m_bRunning = bRunning;
}

void CSimHost::SetAttached(bool bAttached) {
    Sync();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bAttached = bAttached;
}

void CSimHost::SetVideoFrozen(bool bFrozen) {
    Sync();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (bFrozen == m_bVideoFrozen) return;
        m_bVideoFrozen = bFrozen;
        QueueToAllLocked(kSimHostCodeStatusChange, MAKELPARAM(kSimHostStatusVideoFrozen, bFrozen ? 1 : 0));
    }
    Deliver();
}

void CSimHost::SetBinocular(bool bBinocular) {
    Sync();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (bBinocular == m_bBinocular) return;
        m_bBinocular = bBinocular;
        QueueToAllLocked(kSimHostCodeStatusChange, MAKELPARAM(kSimHostStatusBinocular, bBinocular ? 1 : 0));
    }
    Deliver();
}

void CSimHost::SetLatencyMs(double dMs) {
    Sync();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dLatencyMs = std::isfinite(dMs) ? std::clamp(dMs, 0.0, kSimHostMaxLatencyMs) : 0.0;
}

double CSimHost::LatencyMs() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dLatencyMs;
}

void CSimHost::SetEyePattern(SimEyePattern ePattern) {
    Sync();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_eyeModel.SetPattern(ePattern, m_frame.nTimeUs);
    RecomputeFrameLocked();
}

void CSimHost::SetSeed(std::uint64_t nSeed) {
    Sync();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nSeed = nSeed;
    const SimEyePattern ePattern = m_eyeModel.Pattern();
    m_eyeModel.Reset(nSeed, m_frame.nTimeUs);
    m_eyeModel.SetPattern(ePattern, m_frame.nTimeUs);
    RecomputeFrameLocked();
}

void CSimHost::PlaceRoiGrid(int nCount) {
    const int nRois = std::clamp(nCount, 0, kSimHostRoiCount);
    int nColumns = 1;
    while (nColumns * nColumns < nRois) ++nColumns;
    const int nRows = std::max(1, (nRois + nColumns - 1) / nColumns);
    Sync();
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int n = 0; n < kSimHostRoiCount; ++n) {
        if (n >= nRois) {
            m_rois[n] = SimHostRoi{};
            continue;
        }
        const int nColumn = n % nColumns;
        const int nRow = n / nColumns;
        m_rois[n] = SimHostRoi{true, static_cast<float>(nColumn) / static_cast<float>(nColumns),
                               static_cast<float>(nRow) / static_cast<float>(nRows),
                               static_cast<float>(nColumn + 1) / static_cast<float>(nColumns),
                               static_cast<float>(nRow + 1) / static_cast<float>(nRows)};
    }
}

void CSimHost::ForceGazePoint(int nEye, float fX, float fY) {
    if (nEye != 0 && nEye != 1) return;
    Sync();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_overrides.bForceGaze[nEye] = true;
    m_overrides.fForcedGaze[nEye][0] = fX;
    m_overrides.fForcedGaze[nEye][1] = fY;
    RecomputeFrameLocked();
}

void CSimHost::ForceDataQuality(int nEye, int nQuality) {
    if (nEye != 0 && nEye != 1) return;
    Sync();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_overrides.bForceQuality[nEye] = true;
    m_overrides.nForcedQuality[nEye] = nQuality;
    RecomputeFrameLocked();
}

void CSimHost::ReleaseForcedValues() {
    Sync();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_overrides = SimEyeOverrides{};
    RecomputeFrameLocked();
}

void CSimHost::SetFrameCost(LONGLONG nMicros) {
    m_nFrameCostUs = std::clamp<LONGLONG>(nMicros, 0, kMicrosPerSecond);
}

LONGLONG CSimHost::FrameCost() const {
    return m_nFrameCostUs.load();
}

void CSimHost::PayFrameCost() {
    const LONGLONG nCostUs = m_nFrameCostUs.load();
    if (nCostUs <= 0) return;
    LONGLONG nFrame = 0;
    {
        const std::unique_lock<std::mutex> lock = SyncAndLock();
        if (m_nChargedFrame == m_frame.nIndex) return;
        nFrame = m_frame.nIndex;
    }
    SpinMicros(nCostUs);
    // The frame found is paid for; one that came while the reader was busy is a new frame to it and
    // costs it again (were it paid with this one, a reader as slow as a frame period would keep up).
    const std::unique_lock<std::mutex> lock = SyncAndLock();
    m_nChargedFrame = std::max(m_nChargedFrame, nFrame);
}

void CSimHost::SetAlternateFreshDataCodes(bool bAlternate) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bAlternateCodes = bAlternate;
}

void CSimHost::SendTtlBitRequest(int nBit, bool bOn) {
    SendNotification(kSimHostCodeTtlBit, MAKELPARAM(static_cast<WORD>(nBit), bOn ? 1 : 0));
}

void CSimHost::SendNotification(WORD nCode, LPARAM lParam) {
    Sync();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QueueToAllLocked(nCode, lParam);
    }
    Deliver();
}

int CSimHost::Pump() {
    LONGLONG nBefore = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        nBefore = m_frame.nIndex;
    }
    const std::unique_lock<std::mutex> lock = SyncAndLock();
    return static_cast<int>(m_frame.nIndex - nBefore);
}

// ---------------------------------------------------------------------------------------------------------
// Driver thread

void CSimHost::StartDriver() {
    std::lock_guard<std::mutex> lock(m_driverMutex);
    if (m_driver.joinable()) return;
    m_bDriverStop = false;
    m_driver = std::thread([this] { DriverLoop(); });
}

void CSimHost::StopDriver() {
    std::thread driver;
    {
        std::lock_guard<std::mutex> lock(m_driverMutex);
        m_bDriverStop = true;
        driver = std::move(m_driver);
    }
    m_driverWake.notify_all();
    if (driver.joinable()) driver.join();
}

bool CSimHost::IsDriverRunning() const {
    std::lock_guard<std::mutex> lock(m_driverMutex);
    return m_driver.joinable();
}

void CSimHost::DriverLoop() {
    std::unique_lock<std::mutex> lock(m_driverMutex);
    while (!m_bDriverStop) {
        lock.unlock();
        Pump();
        const std::chrono::microseconds interval = DriverSleep();
        lock.lock();
        m_driverWake.wait_for(lock, interval, [this] { return m_bDriverStop || m_bDriverRecheck; });
        m_bDriverRecheck = false;
    }
}

std::chrono::microseconds CSimHost::DriverSleep() const {
    constexpr LONGLONG kStepUs = 5000;
    std::lock_guard<std::mutex> lock(m_mutex);
    // A polled TTL source is sampled at each pump: the LEDs' timing keeps the step.
    if (!m_bRunning || m_pTtlSource) return std::chrono::microseconds(kStepUs);
    // One microsecond past the frame's time, so that the pump finds it due; an early wake only sleeps
    // again. At most one frame period: a time source that jumps ahead is caught up within a frame.
    const LONGLONG nDueUs = GridTime(m_nClockStartUs, m_nLastDueIndex + 1, m_nFrameRate);
    const LONGLONG nPeriodUs = kMicrosPerSecond / m_nFrameRate + 1;
    return std::chrono::microseconds(std::clamp<LONGLONG>(nDueUs - m_nLatestUs + 1, 1, nPeriodUs));
}

// ---------------------------------------------------------------------------------------------------------
// Inspection

std::vector<SimHostCommand> CSimHost::Commands() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

std::vector<SimHostLogLine> CSimHost::LogLines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_logLines;
}

std::vector<SimHostMarker> CSimHost::Markers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_markers;
}

std::vector<SimHostDistributedMessage> CSimHost::DistributedMessages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_distributed;
}

std::vector<SimHostPrivateStatus> CSimHost::PrivateStatusRecord() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_privateStatus;
}

int CSimHost::PrivateStatus(int nItem) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_privateValues.find(nItem);
    return it != m_privateValues.end() ? it->second : 0;
}

std::vector<SimHostWindow> CSimHost::Windows() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_windows;
}

SimHostRoi CSimHost::Roi(int nRoi) const {
    if (nRoi < 0 || nRoi >= kSimHostRoiCount) return SimHostRoi{};
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rois[nRoi];
}

SimHostSetup CSimHost::Setup() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_setup;
}

LONGLONG CSimHost::FramesProduced() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frame.nIndex;
}

int CSimHost::PostCount() const {
    return m_nPostCount.load();
}

int CSimHost::FailedPostCount() const {
    return m_nFailedPostCount.load();
}

int CSimHost::VisibleLeds() const {
    const LONGLONG nNowUs = ReadClock();
    std::lock_guard<std::mutex> lock(m_mutex);
    return VisibleLedsLocked(nNowUs - static_cast<LONGLONG>(m_dLatencyMs * 1000.0));
}

// ---------------------------------------------------------------------------------------------------------
// The library's calls

int CSimHost::InsertMessageRequest(HWND hWnd, UINT nMessage) {
    if (hWnd == nullptr) return CRS_ERR_BAD_ARGUMENT;
    Sync();
    std::lock_guard<std::mutex> lock(m_mutex);
    for (SimHostWindow& window : m_windows) {
        if (window.hWnd == hWnd) {
            window.nMessage = nMessage;
            return CRS_OK;
        }
    }
    m_windows.push_back(SimHostWindow{hWnd, nMessage});
    return CRS_OK;
}

int CSimHost::RemoveMessageRequest(HWND hWnd) {
    Sync();
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = std::find_if(m_windows.begin(), m_windows.end(),
                                 [hWnd](const SimHostWindow& w) { return w.hWnd == hWnd; });
    if (it == m_windows.end()) return CRS_ERR_NOT_REGISTERED;
    m_windows.erase(it);
    std::erase_if(m_outgoing, [hWnd](const Outgoing& item) {
        const PendingPost* pPost = std::get_if<PendingPost>(&item);
        return pPost != nullptr && pPost->hWnd == hWnd;
    });
    return CRS_OK;
}

int CSimHost::RunCommand(const char* pszLine, bool bTruncated) {
    const LONGLONG nNowUs = Sync();
    SimHostCommand command{nNowUs, pszLine != nullptr ? pszLine : "", SimHostCommandKind::Unknown, false,
                           bTruncated};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        InterpretLocked(command, nNowUs);
        AppendRecord(m_commands, command);
        if (m_pCommandHook) m_outgoing.emplace_back(command);
    }
    Deliver();
    if (command.bValid) return CRS_OK;
    return command.eKind == SimHostCommandKind::Unknown ? CRS_ERR_UNKNOWN_COMMAND : CRS_ERR_BAD_ARGUMENT;
}

int CSimHost::GetStatus(int nItem) {
    const std::unique_lock<std::mutex> lock = SyncAndLock();
    switch (nItem) {
        case kSimHostStatusAttached:
            return m_bAttached ? 1 : 0;
        case kSimHostStatusVideoFrozen:
            return m_bVideoFrozen ? 1 : 0;
        case kSimHostStatusBinocular:
            return m_bBinocular ? 1 : 0;
        default:
            return 0;
    }
}

// The host keeps one list entry per message request.
int CSimHost::MessageListLength() {
    const std::unique_lock<std::mutex> lock = SyncAndLock();
    return static_cast<int>(m_windows.size());
}

SimHostFrame CSimHost::CurrentFrame() {
    PayFrameCost();
    const std::unique_lock<std::mutex> lock = SyncAndLock();
    return m_frame;
}

int CSimHost::RoiCode(int nEye) {
    if (nEye != 0 && nEye != 1) return 0;
    PayFrameCost();
    const std::unique_lock<std::mutex> lock = SyncAndLock();
    // In bright-pupil mode the host's regions of interest are set up on the camera image (around the LEDs
    // of a latency measurement), so the pupil point decides; otherwise the gaze point.
    const SimEyeData& eye = m_frame.eye[nEye];
    const float* pPoint = m_setup.bBrightPupil ? eye.fPupilPoint : eye.fGaze;
    const float fX = pPoint[0];
    const float fY = pPoint[1];
    int nCode = 0;
    for (int n = 0; n < kSimHostRoiCount; ++n) {
        const SimHostRoi& roi = m_rois[n];
        if (roi.bOn && fX >= roi.fLeft && fX <= roi.fRight && fY >= roi.fTop && fY <= roi.fBottom)
            nCode |= 1 << n;
    }
    return nCode;
}

int CSimHost::DistributeMessage(int nCode, int nValue) {
    {
        LONGLONG nNowUs = 0;
        const std::unique_lock<std::mutex> lock = SyncAndLock(&nNowUs);
        AppendRecord(m_distributed, SimHostDistributedMessage{nNowUs, nCode, nValue});
        if (m_pDataOutHook)
            m_outgoing.emplace_back(
                SimHostDataOut{SimHostDataOut::DistributedMessage, nCode, nValue, CRS_OK});
    }
    Deliver();
    return CRS_OK;
}

int CSimHost::SetPrivateStatus(int nItem, int nValue) {
    {
        LONGLONG nNowUs = 0;
        const std::unique_lock<std::mutex> lock = SyncAndLock(&nNowUs);
        AppendRecord(m_privateStatus, SimHostPrivateStatus{nNowUs, nItem, nValue});
        m_privateValues[nItem] = nValue;
        if (m_bLedsFollowPrivateStatus && nItem == kSimHostStatusTtlOutput) RecordLedsLocked(nValue, nNowUs);
        if (m_pDataOutHook)
            m_outgoing.emplace_back(SimHostDataOut{SimHostDataOut::PrivateStatus, nItem, nValue, CRS_OK});
    }
    Deliver();
    return CRS_OK;
}

double CSimHost::PrecisionSeconds() {
    const LONGLONG nNowUs = Sync();
    return static_cast<double>(nNowUs) / static_cast<double>(kMicrosPerSecond);
}

// One message request per registered window; the host has no callbacks registered.
int CSimHost::CallbackListLength() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_windows.size());
}

// ---------------------------------------------------------------------------------------------------------
// Model

LONGLONG CSimHost::ReadClock() const {
    std::shared_ptr<const TimeSource> pClock;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pClock = m_pTimeSource;
    }
    return pClock ? (*pClock)() : SteadyMicros();
}

std::unique_lock<std::mutex> CSimHost::AdvanceToNow(LONGLONG& nNowUs, bool& bClaimed) {
    std::shared_ptr<const TtlOutputSource> pTtl;
    std::shared_ptr<const TimeSource> pClock;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pTtl = m_pTtlSource;
        pClock = m_pTimeSource;
    }
    const int nTtl = pTtl ? (*pTtl)() : -1;
    nNowUs = pClock ? (*pClock)() : SteadyMicros();
    std::unique_lock<std::mutex> lock(m_mutex);
    if (nTtl >= 0) RecordLedsLocked(nTtl, nNowUs);
    AdvanceLocked(nNowUs);
    bClaimed = ClaimDeliveryLocked();
    return lock;
}

LONGLONG CSimHost::Sync() {
    LONGLONG nNowUs = 0;
    bool bClaimed = false;
    AdvanceToNow(nNowUs, bClaimed).unlock();
    if (bClaimed) DeliverClaimed();
    return nNowUs;
}

std::unique_lock<std::mutex> CSimHost::SyncAndLock(LONGLONG* pNowUs) {
    LONGLONG nNowUs = 0;
    bool bClaimed = false;
    std::unique_lock<std::mutex> lock = AdvanceToNow(nNowUs, bClaimed);
    if (bClaimed) {
        lock.unlock();
        DeliverClaimed();
        lock.lock();
    }
    if (pNowUs != nullptr) *pNowUs = nNowUs;
    return lock;
}

void CSimHost::RecordLedsLocked(int nByte, LONGLONG nTimeUs) {
    const int nBits = nByte & (kSimHostLed6Bit | kSimHostLed7Bit);
    const int nCurrent = m_ledHistory.empty() ? m_nLedBaseBits : m_ledHistory.back().second;
    if (nBits == nCurrent) return;
    // Changes are kept in time order; one reported late by a racing thread counts from the last change.
    if (!m_ledHistory.empty()) nTimeUs = std::max(nTimeUs, m_ledHistory.back().first);
    m_ledHistory.emplace_back(nTimeUs, nBits);
    if (m_ledHistory.size() > kMaxLedHistory) {
        m_nLedBaseBits = m_ledHistory.front().second;
        m_ledHistory.pop_front();
    }
}

int CSimHost::VisibleLedsLocked(LONGLONG nTimeUs) const {
    for (auto it = m_ledHistory.rbegin(); it != m_ledHistory.rend(); ++it) {
        if (it->first <= nTimeUs) return it->second;
    }
    return m_nLedBaseBits;
}

void CSimHost::RestartFrameClockLocked(LONGLONG nNowUs) {
    m_nClockStartUs = nNowUs;
    m_nLastDueIndex = 0;
    // The driver may sleep towards a frame of the old clock (m_driverMutex is never held while m_mutex is
    // taken).
    {
        std::lock_guard<std::mutex> driverLock(m_driverMutex);
        m_bDriverRecheck = true;
    }
    m_driverWake.notify_all();
}

void CSimHost::AdvanceLocked(LONGLONG nNowUs) {
    if (nNowUs > m_nLatestUs) m_nLatestUs = nNowUs;
    if (!m_bRunning || nNowUs < m_nClockStartUs) return;
    const LONGLONG nDue = GridIndex(nNowUs - m_nClockStartUs, m_nFrameRate);
    if (nDue <= m_nLastDueIndex) return;
    const LONGLONG nFirst = std::max(m_nLastDueIndex + 1, nDue - kCatchUpSeconds * m_nFrameRate + 1);
    if (m_bAttached && !m_bVideoFrozen) {
        for (LONGLONG k = nFirst; k <= nDue; ++k)
            ProduceFrameLocked(GridTime(m_nClockStartUs, k, m_nFrameRate));
    }
    m_nLastDueIndex = nDue;
    // LED changes older than any frame can still look back to are folded into the base state.
    const LONGLONG nCutoffUs = m_frame.nTimeUs - static_cast<LONGLONG>(kSimHostMaxLatencyMs * 1000.0) - 1000;
    while (!m_ledHistory.empty() && m_ledHistory.front().first <= nCutoffUs) {
        m_nLedBaseBits = m_ledHistory.front().second;
        m_ledHistory.pop_front();
    }
}

SimEyeOverrides CSimHost::OverridesLocked(LONGLONG nTimeUs) const {
    SimEyeOverrides overrides = m_overrides;
    const int nLeds = VisibleLedsLocked(nTimeUs - static_cast<LONGLONG>(m_dLatencyMs * 1000.0));
    if (m_setup.bBrightPupil && nLeds != 0) {
        overrides.bBrightSpot = true;
        const bool b6 = (nLeds & kSimHostLed6Bit) != 0;
        const bool b7 = (nLeds & kSimHostLed7Bit) != 0;
        for (int i = 0; i < 2; ++i) {
            overrides.fBrightSpot[i] = b6 && b7 ? 0.5f * (kSimHostLed6Point[i] + kSimHostLed7Point[i])
                                                : (b6 ? kSimHostLed6Point[i] : kSimHostLed7Point[i]);
        }
    }
    return overrides;
}

void CSimHost::ProduceFrameLocked(LONGLONG nTimeUs) {
    SimHostFrame next{};
    m_eyeModel.ComputeFrame(nTimeUs, m_frame, OverridesLocked(nTimeUs), &next);
    next.nIndex = m_frame.nIndex + 1;
    m_prevFrame = m_frame;
    m_frame = next;
    const WORD nCode =
        m_bAlternateCodes && next.nIndex % 2 == 0 ? kSimHostCodeFreshDataAlt : kSimHostCodeFreshData;
    QueueToAllLocked(nCode, 0);
}

// The current frame again at its own time, with the present overrides and pattern; not posted.
void CSimHost::RecomputeFrameLocked() {
    const LONGLONG nIndex = m_frame.nIndex;
    const LONGLONG nTimeUs = m_frame.nTimeUs;
    m_eyeModel.ComputeFrame(nTimeUs, m_prevFrame, OverridesLocked(nTimeUs), &m_frame);
    m_frame.nIndex = nIndex;
}

void CSimHost::QueueToAllLocked(WORD nCode, LPARAM lParam) {
    for (const SimHostWindow& window : m_windows) {
        m_outgoing.emplace_back(PendingPost{window.hWnd, window.nMessage, MAKEWPARAM(0, nCode), lParam});
    }
}

bool CSimHost::ClaimDeliveryLocked() {
    if (m_bDelivering || m_outgoing.empty()) return false;
    m_bDelivering = true;
    return true;
}

void CSimHost::Deliver() {
    bool bClaimed = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        bClaimed = ClaimDeliveryLocked();
    }
    if (bClaimed) DeliverClaimed();
}

void CSimHost::DeliverClaimed() {
    // Clears the delivering flag if a post function or hook throws.
    struct DeliveringGuard {
        CSimHost* pHost;
        bool bArmed;
        ~DeliveringGuard() {
            if (!bArmed) return;
            std::lock_guard<std::mutex> lock(pHost->m_mutex);
            pHost->m_bDelivering = false;
        }
    } guard{this, true};
    for (;;) {
        Outgoing item;
        std::shared_ptr<const PostFunction> pPost;
        std::shared_ptr<const CommandHook> pHook;
        std::shared_ptr<const DataOutHook> pDataOutHook;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_outgoing.empty()) {
                // Cleared under the same lock that saw the queue empty, so no item can be left behind.
                m_bDelivering = false;
                guard.bArmed = false;
                return;
            }
            item = std::move(m_outgoing.front());
            m_outgoing.pop_front();
            pPost = m_pPost;
            pHook = m_pCommandHook;
            pDataOutHook = m_pDataOutHook;
        }
        if (const PendingPost* pItem = std::get_if<PendingPost>(&item)) {
            if (pPost) {
                if ((*pPost)(pItem->hWnd, pItem->nMessage, pItem->wParam, pItem->lParam))
                    ++m_nPostCount;
                else
                    ++m_nFailedPostCount;
            }
        } else if (const SimHostDataOut* pOut = std::get_if<SimHostDataOut>(&item)) {
            if (pDataOutHook) (*pDataOutHook)(*pOut);
        } else if (pHook) {
            (*pHook)(std::get<SimHostCommand>(item));
        }
    }
}
