// The simulated tracker host behind crs_interapp.h, and its inspection and control interface (tests and
// main.cpp only; the program itself uses only the CRS_* calls).
//
// The library's calls are counted by function name (SimHostLibraryCallCounts), so that a benchmark can
// check that its floor makes exactly the calls of the path it measures.
//
// Time: the host owns no clock. It reads an installed time source (microseconds; a steady clock by
// default). Frames fall due on a grid from the moment the frame clock was last (re)started: frame k at
// start + k / rate. Every call into the host first brings the model up to "now": it produces the frames
// that fell due, in order, and posts one fresh-data notification per produced frame to every registered
// window. Pump() does only that; the optional driver thread calls Pump() in real time. After a gap of more
// than two seconds of frames only the last two seconds are produced (the rest is dropped, as from an
// overflowing message list).
//
// Threading: every member may be called from any thread. One mutex guards the state; the installed post
// function, time source, TTL output source and command hook are always called with no lock of the host held.
// Posts and command-hook calls leave the host in the order in which they arose, from whichever thread is
// delivering at the time (a thread that finds another one delivering leaves its items to it).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "platform/hostlib/eye_model.h"
#include "platform/wintypes.h"

// Notification codes: the high word of the posted wParam.
constexpr WORD kSimHostCodeFreshData = 2;
constexpr WORD kSimHostCodeFreshDataAlt = 27;
constexpr WORD kSimHostCodeStatusChange = 21;  // lParam = MAKELPARAM(status item, value)
constexpr WORD kSimHostCodeTtlBit = 165;       // lParam = MAKELPARAM(bit, on)

constexpr int kSimHostStatusAttached = 1;
constexpr int kSimHostStatusVideoFrozen = 2;
constexpr int kSimHostStatusBinocular = 8;
constexpr int kSimHostStatusTtlInput = 12;   // private status item: TTL input byte
constexpr int kSimHostStatusTtlOutput = 13;  // private status item: TTL output byte

constexpr int kSimHostDefaultFrameRate = 60;
constexpr int kSimHostMaxFrameRate = 2000;
constexpr int kSimHostRoiCount = 16;
constexpr int kSimHostCommandBufferSize = 1024;  // a command line holds at most 1023 characters
constexpr double kSimHostDllVersion = 295.111;
constexpr double kSimHostDefaultLatencyMs = 5.0;
constexpr double kSimHostMaxLatencyMs = 1000.0;

// The camera model: TTL output bits 6 and 7 drive two LEDs whose images lie at fixed points of the
// camera image (normalised). With both lit the pupil detector sees their midpoint.
constexpr int kSimHostLed6Bit = 0x40;
constexpr int kSimHostLed7Bit = 0x80;
constexpr float kSimHostLed6Point[2] = {0.30f, 0.50f};
constexpr float kSimHostLed7Point[2] = {0.70f, 0.50f};

enum class SimHostCommandKind {
    Say,
    Marker,
    AsynchMarkerData,
    SetRoiRealRect,
    SetRoiAllOff,
    SetRoiSelection,
    AutoThreshold,
    PupilType,
    SmoothingPoints,
    PositiveLock,
    PupilThreshold,
    PenPlot,
    PenPlotRange,
    Unknown,
};

struct SimHostCommand {
    LONGLONG nTimeUs;
    std::string strText;  // the formatted line, cut to 1023 characters
    SimHostCommandKind eKind;
    bool bValid;  // a known command whose arguments were understood; only valid commands act
    bool bTruncated;
};

struct SimHostLogLine {
    LONGLONG nTimeUs;
    std::string strText;
};

// One marker in the host's data-file record. nFrame is the frame current when it arrived.
struct SimHostMarker {
    LONGLONG nTimeUs;
    LONGLONG nFrame;
    char cLetter;
    bool bAsynch;  // the "datafile_AsynchMarkerData" setting at the time
};

struct SimHostDistributedMessage {
    LONGLONG nTimeUs;
    int nCode;
    int nValue;
};

struct SimHostPrivateStatus {
    LONGLONG nTimeUs;
    int nItem;
    int nValue;
};

// A call that carries data out of the program into the host (a distributed message or a private status
// item), as the data-out hook sees it.
struct SimHostDataOut {
    enum Kind { DistributedMessage, PrivateStatus };
    Kind eKind;
    int nFirst;   // the message code, or the status item
    int nSecond;  // the value
    int nResult;  // what the call returned
};

// "host CRS_DistributeMessages(<code>, <value>) = <result>" or
// "host CRS_SetStatus_PRIVATE(<item>, <value>) = <result>".
std::string FormatSimHostDataTrace(const SimHostDataOut& out);

struct SimHostWindow {
    HWND hWnd;
    UINT nMessage;
};

// A region of interest in normalised gaze coordinates; a point on the border is inside.
struct SimHostRoi {
    bool bOn;
    float fLeft;
    float fTop;
    float fRight;
    float fBottom;
};

struct SimHostPenPlotRange {
    std::string strItem;
    double dMin;
    double dMax;
};

// The host's set-up state as the commands left it.
struct SimHostSetup {
    bool bBrightPupil;  // "pupilType bright"; dark by default
    bool bAsynchMarkers;
    bool bPositiveLock;
    int nSmoothingPoints;
    double dPupilThreshold;
    int nAutoThresholdCount;
    int nRoiSelection;
    std::vector<std::string> penPlotItems;  // in the order they were added
    std::vector<SimHostPenPlotRange> penPlotRanges;
};

// One line per command for a trace printer: "host say '<text>'", "host marker <letter>", "host cmd
// <line>", "host bad <line>" (a known command with arguments that were not understood) or "host unknown
// <line>"; control characters in the line are shown as blanks.
std::string FormatSimHostTrace(const SimHostCommand& command);

class CSimHost {
  public:
    using PostFunction = std::function<BOOL(HWND, UINT, WPARAM, LPARAM)>;
    using TimeSource = std::function<LONGLONG()>;  // microseconds, must not run backwards
    using TtlOutputSource = std::function<int()>;  // the board's TTL output byte
    using CommandHook = std::function<void(const SimHostCommand&)>;
    using DataOutHook = std::function<void(const SimHostDataOut&)>;

    CSimHost();
    ~CSimHost();
    CSimHost(const CSimHost&) = delete;
    CSimHost& operator=(const CSimHost&) = delete;

    // --- Wiring (main.cpp, test fixtures) ---
    // Installing a time source restarts the frame clock at its present time.
    void SetTimeSource(TimeSource source);
    void SetPostFunction(PostFunction post);
    // Read on every call into the host; a change of bits 6 and 7 is taken to happen when it is first seen.
    void SetTtlOutputSource(TtlOutputSource source);
    // The board's TTL output changed at the given time (or now): for a board stand-in that reports writes.
    void NotifyTtlOutput(int nByte);
    void NotifyTtlOutputAt(int nByte, LONGLONG nTimeUs);
    // When set, private status item 13 (the output byte the program reports) drives the LEDs as well.
    void SetLedsFollowPrivateStatus(bool bFollow);
    void SetCommandHook(CommandHook hook);
    // Called for every distributed message and private status item, in order with the commands, on the
    // thread that delivers (never under the host's lock).
    void SetDataOutHook(DataOutHook hook);

    // --- Control ---
    // Back to the start state: records, ROIs, registered windows, set-up, status (attached, not frozen,
    // monocular), 60 Hz running, natural pattern with seed 1, default latency, and all wiring removed
    // (steady clock, no post function, no TTL source, no hook). Stops the driver thread.
    void Reset();
    void SetFrameRate(int nHz);  // clamped to 1..2000; restarts the frame clock
    int FrameRate() const;
    void SetRunning(bool bRunning);
    void SetAttached(bool bAttached);    // detached: status item 1 reads 0 and no frames are produced
    void SetVideoFrozen(bool bFrozen);   // frozen: no frames; a change posts code 21, sub-code 2
    void SetBinocular(bool bBinocular);  // a change posts code 21, sub-code 8
    void SetLatencyMs(double dMs);       // camera to data, clamped to 0..1000
    double LatencyMs() const;
    void SetEyePattern(SimEyePattern ePattern);
    void SetSeed(std::uint64_t nSeed);  // restarts the eye model's schedule now
    // The host's operator lays nCount ROIs (clamped to 0..16) over the whole screen as a grid, as the
    // region-of-interest commands would place them: C columns (the least C with C * C >= nCount) and
    // ceil(nCount / C) rows of equal cells, ROI n in row n / C and column n % C (left to right, top to
    // bottom); every other ROI is turned off, 0 turns all off. Nothing enters the command record.
    void PlaceRoiGrid(int nCount);
    // Exact values for tests, from the current frame on; they hold until released.
    void ForceGazePoint(int nEye, float fX, float fY);
    void ForceDataQuality(int nEye, int nQuality);
    void ReleaseForcedValues();
    // Fresh-data notifications alternate codes 2 and 27 instead of always 2.
    void SetAlternateFreshDataCodes(bool bAlternate);
    void SendTtlBitRequest(int nBit, bool bOn);
    void SendNotification(WORD nCode, LPARAM lParam);

    // A slow receiver: a data call (CurrentFrame and RoiCode, so every CRS_Get* data call) that finds a
    // frame its caller has not paid for spins on the calling thread for nMicros of real time first and
    // returns the data as it is after the wait. Only the frame found is paid for: one produced meanwhile
    // costs the next call again, so a receiver slower than the frames falls behind them. Clamped to 0..1,000,000; 0 (the default,
    // and after Reset) costs nothing.
    void SetFrameCost(LONGLONG nMicros);
    LONGLONG FrameCost() const;

    // Brings the model up to now; returns the number of frames produced.
    int Pump();
    // A thread that calls Pump() in real time: when the next frame is due (at once when the frame clock
    // starts again), or every 5 ms while no frame is due or a TTL output source is read. Stop it before
    // whatever the post function reaches goes away; the host's destructor stops it only as a last resort.
    void StartDriver();
    void StopDriver();  // joins the driver thread
    bool IsDriverRunning() const;

    // --- Inspection ---
    std::vector<SimHostCommand> Commands() const;
    std::vector<SimHostLogLine> LogLines() const;
    std::vector<SimHostMarker> Markers() const;
    std::vector<SimHostDistributedMessage> DistributedMessages() const;
    std::vector<SimHostPrivateStatus> PrivateStatusRecord() const;
    int PrivateStatus(int nItem) const;  // last value set, 0 when never set
    std::vector<SimHostWindow> Windows() const;
    SimHostRoi Roi(int nRoi) const;  // all zero for a number outside 0..15
    SimHostSetup Setup() const;
    LONGLONG FramesProduced() const;
    int PostCount() const;        // notifications accepted by the post function
    int FailedPostCount() const;  // notifications the post function refused (a receiver's full queue)
    int VisibleLeds() const;      // LED bits the camera sees now (after the latency)

    // --- The library's calls (crs_interapp.cpp); results are CRS_OK or CRS_ERR_* codes ---
    int InsertMessageRequest(HWND hWnd, UINT nMessage);
    int RemoveMessageRequest(HWND hWnd);
    int RunCommand(const char* pszLine, bool bTruncated);
    int GetStatus(int nItem);
    int MessageListLength();
    SimHostFrame CurrentFrame();  // after bringing the model up to now
    // Bit n set while the eye's gaze point (in bright-pupil mode: its pupil point) lies in ROI n.
    int RoiCode(int nEye);
    int DistributeMessage(int nCode, int nValue);
    int SetPrivateStatus(int nItem, int nValue);
    double PrecisionSeconds();
    int CallbackListLength();

  private:
    struct PendingPost {
        HWND hWnd;
        UINT nMessage;
        WPARAM wParam;
        LPARAM lParam;
    };
    using Outgoing = std::variant<PendingPost, SimHostCommand, SimHostDataOut>;

    LONGLONG ReadClock() const;
    // Reads the TTL source (outside the lock), then brings the model up to the clock's time.
    LONGLONG Sync();
    // Sync() that returns with the lock held. When this thread has nothing to deliver the lock is the one
    // the model was advanced under; else it is taken again after the delivery, so that the caller sees
    // whatever the post function and the hook left behind.
    std::unique_lock<std::mutex> SyncAndLock(LONGLONG* pNowUs = nullptr);
    // The common part: returns holding the lock the model was advanced under; bClaimed tells whether this
    // thread took over the delivery (it must then call DeliverClaimed() once the lock is released).
    std::unique_lock<std::mutex> AdvanceToNow(LONGLONG& nNowUs, bool& bClaimed);
    void RecordLedsLocked(int nByte, LONGLONG nTimeUs);
    void AdvanceLocked(LONGLONG nNowUs);
    SimEyeOverrides OverridesLocked(LONGLONG nTimeUs) const;
    void ProduceFrameLocked(LONGLONG nTimeUs);
    void RecomputeFrameLocked();
    int VisibleLedsLocked(LONGLONG nTimeUs) const;
    void RestartFrameClockLocked(LONGLONG nNowUs);
    void QueueToAllLocked(WORD nCode, LPARAM lParam);
    void ResetStateLocked(LONGLONG nNowUs);
    void InterpretLocked(SimHostCommand& command, LONGLONG nNowUs);
    void Deliver();
    // Takes over the delivery when items wait and no thread is delivering; a thread that finds the queue
    // empty or another thread delivering has nothing to do.
    bool ClaimDeliveryLocked();
    void DeliverClaimed();  // only after a successful ClaimDeliveryLocked(), with the lock released
    void DriverLoop();
    // The driver's next sleep: until the next frame is due, or the 5 ms step (see StartDriver).
    std::chrono::microseconds DriverSleep() const;
    // Spins the frame cost off when the current frame is not paid for yet (without the lock).
    void PayFrameCost();

    // A record list that reaches kMaxRecords drops its older half, so a long run stays bounded.
    static constexpr std::size_t kMaxRecords = 200000;
    template <typename T>
    static void AppendRecord(std::vector<T>& records, T item) {
        if (records.size() >= kMaxRecords) records.erase(records.begin(), records.begin() + kMaxRecords / 2);
        records.push_back(std::move(item));
    }

    mutable std::mutex m_mutex;

    // Wiring; copied under the lock and called outside it.
    std::shared_ptr<const TimeSource> m_pTimeSource;
    std::shared_ptr<const PostFunction> m_pPost;
    std::shared_ptr<const TtlOutputSource> m_pTtlSource;
    std::shared_ptr<const CommandHook> m_pCommandHook;
    std::shared_ptr<const DataOutHook> m_pDataOutHook;
    bool m_bLedsFollowPrivateStatus;

    // Frame clock.
    int m_nFrameRate;
    bool m_bRunning;
    LONGLONG m_nClockStartUs;
    LONGLONG m_nLastDueIndex;  // last grid index handled since the clock started
    LONGLONG m_nLatestUs;      // latest time the model was brought to
    bool m_bAlternateCodes;

    // Status.
    bool m_bAttached;
    bool m_bVideoFrozen;
    bool m_bBinocular;

    // Eye and camera model.
    CEyeModel m_eyeModel;
    std::uint64_t m_nSeed;
    SimEyeOverrides m_overrides;
    SimHostFrame m_frame;
    SimHostFrame m_prevFrame;
    double m_dLatencyMs;
    int m_nLedBaseBits;                                 // LED bits before the oldest history entry
    std::deque<std::pair<LONGLONG, int>> m_ledHistory;  // (time, LED bits) changes, oldest first

    // Host state set by commands.
    SimHostRoi m_rois[kSimHostRoiCount];
    SimHostSetup m_setup;

    // Records.
    std::vector<SimHostCommand> m_commands;
    std::vector<SimHostLogLine> m_logLines;
    std::vector<SimHostMarker> m_markers;
    std::vector<SimHostDistributedMessage> m_distributed;
    std::vector<SimHostPrivateStatus> m_privateStatus;
    std::map<int, int> m_privateValues;
    std::vector<SimHostWindow> m_windows;

    // Delivery.
    std::deque<Outgoing> m_outgoing;
    bool m_bDelivering;
    std::atomic<int> m_nPostCount;
    std::atomic<int> m_nFailedPostCount;

    // Frame cost.
    std::atomic<LONGLONG> m_nFrameCostUs{0};
    LONGLONG m_nChargedFrame = -1;  // m_frame.nIndex of the last frame paid for (under m_mutex)

    // Driver thread.
    std::thread m_driver;
    mutable std::mutex m_driverMutex;
    std::condition_variable m_driverWake;
    bool m_bDriverStop;
    bool m_bDriverRecheck = false;  // the frame clock started again: the driver's sleep is out of date
};

// The host that the CRS_* calls reach.
CSimHost& SimHost();

// Calls of the library's CRS_* functions since the start or the last clear, by name ("CRS_GetGazePoint2");
// functions never called are left out. Safe from any thread.
std::map<std::string, long long> SimHostLibraryCallCounts();
void ClearSimHostLibraryCallCounts();
