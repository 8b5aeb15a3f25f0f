// One fresh host frame, end to end on the manual clock, beside its floor.
//
// Frame: the clock moves one frame period, the simulated host produces the frame and posts its
// notification to the interapp window, and the user-interface thread's loop runs until idle: the
// notification handler, the per-frame processing (counter, every channel's quality, value and D/A write,
// the TTL input poll with markers for the input pattern's edges, the region-of-interest code on the TTL
// output) and the repaints that the frame's texts cause. The windows are painted at most once per
// display refresh (60 Hz of the clock), as on a screen.
//
// Floor: the same clock step and host frame (its post accepted and dropped), then exactly the library
// calls the frame makes, made directly: the host's message statistics, per channel the data quality, the
// value, cbAOut and cbToEngUnits, cbCIn32, the TTL input read (cbDIn, or eight cbDBitIn on the 1208HS), per
// input edge the distributed message and the marker, the input status, the ROI code and the TTL output
// write (cbDOut, or eight cbDBitOut). Before timing, both sides run the same number of frames with the
// board library's call log and the host library's call counts on; the benchmark fails when the two differ
// in any call.
//
// The measurement is paired: each iteration runs a block of kBlockFrames frames and then a block of as
// many floors, one after the other on the same clock, each block timed on its own; the ratio is the sum
// of the frame blocks' times over the sum of the floor blocks'. So a slower or busier stretch of the
// machine weighs on both sides alike. A block is long enough (32 ms of the clock) for the frames to see
// the paint passes they would see alone.
//
// Cases: 1 and 8 channels on a PCI-DDA08/12, 4 on a USB-1208HS, each with the user-interface updates on
// and off (the advanced dialog's "Disable UI updates"), and 8 channels with every text changing on every
// frame (the gaze jumps between two regions of interest, which moves every channel's value and volts and
// the ROI code, and the input lines walk one step per frame), and 8 channels with four boards attached
// (the program uses the first: a frame costs the same however many boards are attached). The ratio frame /
// floor is printed per case, and so are the heap allocations per frame of each side (operator new,
// counted on every thread while the blocks run). Run a Release build: build-release/bench/frame_bench.
// Instruction counts per frame: bench/callgrind-frame.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "engine/parameter_block.h"
#include "engine/signal_codes.h"
#include "engine/ttl_inputs.h"
#include "hostlink/interapp_window.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "platform/ul/sim_control.h"
#include "platform/win/clock_testing.h"
#include "platform/win/message_loop.h"
#include "platform/win/simulation.h"
#include "resources/resource.h"

// Every allocation of the process through operator new, counted.
std::atomic<long long> g_nAllocations{0};

void* CountedAllocation(std::size_t nBytes) {
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(nBytes != 0 ? nBytes : 1)) return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t nBytes) {
    return CountedAllocation(nBytes);
}
void* operator new[](std::size_t nBytes) {
    return CountedAllocation(nBytes);
}
void* operator new(std::size_t nBytes, const std::nothrow_t&) noexcept {
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(nBytes != 0 ? nBytes : 1);
}
void* operator new[](std::size_t nBytes, const std::nothrow_t&) noexcept {
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(nBytes != 0 ? nBytes : 1);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr int kFrameRateHz = 500;
constexpr LONGLONG kFramePeriodUs = 1000000 / kFrameRateHz;
// The rig's input lines walk one line up every 4 ms: every other frame one line rises and one falls.
constexpr unsigned kInputStepMs = 4;
// With every text changing, one step per frame.
constexpr unsigned kFastInputStepMs = 2;
constexpr int kCheckFrames = 64;
// Frames (and floors) per block of the paired measurement: a multiple of the input pattern's step.
constexpr int kBlockFrames = 16;
// Blocks of each side run before the measured ones.
constexpr int kWarmBlocks = 4;
// The display refresh the windows are painted at.
constexpr LONGLONG kPaintPeriodUs = 1000000 / 60;

struct BenchCase {
    const char* pszName;
    const char* pszDevice;
    int nChannels;
    bool bUiUpdates;
    bool bEveryTextChanges;
};

const BenchCase kCases[] = {
    {"dda08_1ch_ui", "PCI-DDA08/12:BENCH001", 1, true, false},
    {"dda08_1ch_no_ui", "PCI-DDA08/12:BENCH001", 1, false, false},
    {"dda08_8ch_ui", "PCI-DDA08/12:BENCH001", 8, true, false},
    {"dda08_8ch_no_ui", "PCI-DDA08/12:BENCH001", 8, false, false},
    {"dda08_8ch_ui_every_text", "PCI-DDA08/12:BENCH001", 8, true, true},
    {"dda08_8ch_ui_4_boards",
     "PCI-DDA08/12:BENCH001,PCI-DDA08/12:BENCH003,USB-1208HS:BENCH004,PCI-DDA08/12:BENCH005", 8, true, false},
    {"usb1208hs_4ch_ui", "USB-1208HS:BENCH002", 4, true, false},
    {"usb1208hs_4ch_no_ui", "USB-1208HS:BENCH002", 4, false, false},
};

BOOL PostToWindow(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    return PostMessageA(hWnd, nMessage, wParam, lParam);
}
BOOL AcceptAndDrop(HWND, UINT, WPARAM, LPARAM) {
    return TRUE;
}

// The main dialog with the framework's own initialisation only: no timers, so nothing but the frame runs.
class CBenchDialog : public CTessaro2010Dlg {
  public:
    BOOL OnInitDialog() override { return CDialog::OnInitDialog(); }
};

// The program for one case: board discovered and selected, its channel panels, the interapp window
// attached to the simulated host, ROI output and input markers on.
class CBenchRig {
  public:
    explicit CBenchRig(const BenchCase& c) : m_case(c) {}
    ~CBenchRig() { TearDown(); }
    CBenchRig(const CBenchRig&) = delete;
    CBenchRig& operator=(const CBenchRig&) = delete;

    bool SetUp(std::string& strError);
    void TearDown();

    void Frame() {
        StepHost();
        CMessageLoop::RunUntilIdle();
    }
    void Floor();

    // Runs nFrames of one side with the call records on; the calls by name.
    std::map<std::string, long long> CountCalls(bool bFloor, int nFrames);

    // Each side takes over the input lines where the other left them.
    void UseFloorPost(bool bFloor) {
        SimHost().SetPostFunction(bFloor ? AcceptAndDrop : PostToWindow);
        if (bFloor && !m_bFloor) m_nPrevInput = g_nPrevTtlInput;
        if (!bFloor && m_bFloor) g_nPrevTtlInput = m_nPrevInput;
        m_bFloor = bFloor;
    }
    bool BoardError() const { return m_pDlg && m_pDlg->m_bBoardError; }

  private:
    void StepHost() {
        // With every text changing, the gaze jumps between the top left and the bottom right regions.
        if (m_case.bEveryTextChanges) {
            const bool bTopLeft = (++m_nStep & 1) != 0;
            SimHost().ForceGazePoint(0, bTopLeft ? 0.25f : 0.75f, bTopLeft ? 0.25f : 0.75f);
        }
        CClock::AdvanceQuietly(kFramePeriodUs);
        SimHost().Pump();
    }

    BenchCase m_case;
    std::unique_ptr<CBenchDialog> m_pDlg;
    bool m_bHs = false;
    int m_nBoard = 0;
    USHORT m_nPrevInput = 0;
    unsigned m_nStep = 0;
    bool m_bFloor = false;
};

bool CBenchRig::SetUp(std::string& strError) {
    CWinSimulation::Reset();
    CClockTesting::UseManualClock(0);
    CMessageLoop::SetPaintPeriod(kPaintPeriodUs);
    CSimBoards::Reset();
    CSimBoards::SetCallLogLimit(0);
    SimHost().Reset();
    SimHost().SetTimeSource([] { return CClock::NowMicros(); });
    CSimBoards::SetTimeSource([] { return CClock::NowMicros(); });
    RegisterTessaroResources();
    if (!CSimBoards::SetAttachedDevices(m_case.pszDevice, strError)) return false;
    theApp.m_bHostInterfaceDisabled = FALSE;
    theApp.m_bUiUpdatesDisabled = FALSE;

    m_pDlg = std::make_unique<CBenchDialog>();
    g_pMainDlg = m_pDlg.get();
    m_pDlg->SetParameterDefaults();
    if (!m_pDlg->Create(IDD_TESSARO_DIALOG, nullptr)) {
        strError = "the main dialog could not be created";
        return false;
    }
    m_pDlg->ShowWindow(SW_SHOW);
    m_pDlg->m_pMessageLine = m_pDlg->GetDlgItem(IDC_MESSAGE_LINE);
    m_pDlg->m_pBoardLabel = m_pDlg->GetDlgItem(IDC_BOARD_LABEL);
    m_pDlg->m_pTtlOutputLine = m_pDlg->GetDlgItem(IDC_TTL_OUTPUT);
    m_pDlg->m_pTtlInputLine = m_pDlg->GetDlgItem(IDC_TTL_INPUT);
    m_pDlg->m_nRedrawMsg = RegisterWindowMessage("RedrawChannelDialogs");
    g_pBmpCollapsed = new CBitmap;
    g_pBmpExpanded = new CBitmap;
    g_pBmpCollapsed->LoadBitmap(IDB_COLLAPSED);
    g_pBmpExpanded->LoadBitmap(IDB_EXPANDED);

    g_Params.nTtlRadixId = ID_TTL_HEX;
    m_pDlg->InitUniversalLibrary();
    m_pDlg->SetBoardErrorHandling(FALSE);
    m_pDlg->MCL_determineBoards();
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    CMessageLoop::RunUntilIdle();
    if (g_Params.nBoardIndex != 0 || m_pDlg->m_bBoardError || m_pDlg->m_bSimulatedBoard) {
        strError = "the board could not be selected";
        return false;
    }
    m_bHs = m_pDlg->m_nBoardFamily == FAMILY_1208HS;
    m_nBoard = g_Params.nBoardNum;
    if (m_case.nChannels > m_pDlg->m_nBoardAnalogChannels) {
        strError = "the board has fewer channels than the case";
        return false;
    }
    m_pDlg->m_nChannels = m_case.nChannels;

    m_pDlg->m_bBinocular = TRUE;
    g_Params.bRoiOutput = TRUE;
    g_Params.bTtlInputMarkers = TRUE;
    for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
        g_Params.nSignalCode[ch] = MakeSignalCode(SIGNAL_GAZE_POINT, ch % 2 == 0 ? AXIS_X : AXIS_Y);
        g_Params.nEye[ch] = 0;
        g_Params.fDomainMin[ch] = -10.0f;
        g_Params.fDomainMax[ch] = 10.0f;
        g_Params.range[ch].nUlRange = BIP10VOLTS;
        g_Params.bInvert[ch] = FALSE;
    }

    if (!theApp.CreateInterAppWindow(nullptr)) {
        strError = "the interapp window could not be created";
        return false;
    }
    SimHost().SetFrameRate(kFrameRateHz);
    SimHost().PlaceRoiGrid(4);
    SimHost().ForceDataQuality(0, 0);  // every frame good: the call counts do not depend on blinks
    CSimBoards::SetTtlInputPattern(SimTtlInputPattern{
        ESimTtlInputPattern::Walk, m_case.bEveryTextChanges ? kFastInputStepMs : kInputStepMs});
    UseFloorPost(false);
    theApp.m_bUiUpdatesDisabled = m_case.bUiUpdates ? FALSE : TRUE;
    for (int i = 0; i < 4; ++i) Frame();  // the first frames show what the selection left
    if (m_pDlg->m_bBoardError) {
        strError = "the board is in the board-error state";
        return false;
    }
    return true;
}

void CBenchRig::TearDown() {
    if (!m_pDlg) return;
    theApp.m_bUiUpdatesDisabled = FALSE;
    SimHost().SetPostFunction(nullptr);
    theApp.ExitInstance();
    g_pMainDlg = nullptr;
    if (m_pDlg->GetSafeHwnd() != nullptr) m_pDlg->DestroyWindow();
    m_pDlg.reset();
    CSimBoards::SetTtlInputPattern(SimTtlInputPattern{});
    CWinSimulation::Reset();
}

void CBenchRig::Floor() {
    StepHost();
    int nLength = 0;
    int nPosts = 0;
    CRS_GetMessageListLength(&nLength);
    CRS_GetMessagePostCount(&nPosts);
    ULONG nCounter = 0;
    cbCIn32(m_nBoard, 0, &nCounter);
    for (int ch = 0; ch < m_case.nChannels; ++ch) {
        int nQuality = 0;
        CRS_GetDataQuality2(0, &nQuality);
        if (nQuality > g_Params.nQualityThreshold) continue;
        float xy[2] = {0.0f, 0.0f};
        CRS_GetGazePoint2(0, xy);
        const float f = (xy[ch % 2] + 10.0f) / 20.0f;
        const USHORT nCode = static_cast<USHORT>(4095.0f * f);
        cbAOut(m_nBoard, ch, BIP10VOLTS, nCode);
        float fVolts = 0.0f;
        cbToEngUnits(m_nBoard, BIP10VOLTS, nCode, &fVolts);
        benchmark::DoNotOptimize(fVolts);
    }
    USHORT nInput = 0;
    if (m_bHs) {
        for (int nBit = 7; nBit >= 0; --nBit) {
            USHORT v = 0;
            cbDBitIn(m_nBoard, AUXPORT, nBit, &v);
            nInput = static_cast<USHORT>(nInput * 2 + v);
        }
    } else {
        cbDIn(m_nBoard, FIRSTPORTA, &nInput);
    }
    const USHORT nRising = static_cast<USHORT>(nInput & ~m_nPrevInput);
    const USHORT nFalling = static_cast<USHORT>(m_nPrevInput & ~nInput);
    if ((nRising | nFalling) != 0) {
        for (int n = 0; n < 8; ++n) {
            const USHORT nMask = static_cast<USHORT>(1 << n);
            const bool bRising = (nRising & nMask) != 0;
            if (!bRising && (nFalling & nMask) == 0) continue;
            CRS_DistributeMessages(0xA40000, bRising ? 0x10000 | n : n);
            char szMarker[64];
            std::snprintf(szMarker, sizeof szMarker, "dataFile_InsertMarker\t%c ",
                          (bRising ? "STUVWXYZ" : "stuvwxyz")[n]);
            CRS_SendCommand("%s", szMarker);
        }
        CRS_SetStatus_PRIVATE(12, nInput);
    }
    m_nPrevInput = nInput;
    int nRoi = 0;
    CRS_GetROI_InCode2(0, &nRoi);
    if (m_bHs) {
        for (int i = 0; i < 8; ++i) cbDBitOut(m_nBoard, AUXPORT, 8 + i, static_cast<USHORT>(nRoi & (1 << i)));
    } else {
        cbDOut(m_nBoard, SECONDPORTA, static_cast<USHORT>(nRoi & 0xFFFF));
    }
}

std::map<std::string, long long> CBenchRig::CountCalls(bool bFloor, int nFrames) {
    UseFloorPost(bFloor);
    CSimBoards::SetCallLogLimit(static_cast<size_t>(nFrames) * 64);
    CSimBoards::ClearCallLog();
    ClearSimHostLibraryCallCounts();
    for (int i = 0; i < nFrames; ++i) bFloor ? Floor() : Frame();
    std::map<std::string, long long> counts = SimHostLibraryCallCounts();
    for (const SimCallRecord& rec : CSimBoards::GetCallLog()) ++counts[rec.strName];
    CSimBoards::SetCallLogLimit(0);
    UseFloorPost(false);
    return counts;
}

std::string Describe(const std::map<std::string, long long>& counts) {
    std::string str;
    for (const auto& [name, n] : counts) str += " " + name + "=" + std::to_string(n);
    return str;
}

// One rig at a time: every case resets the framework and the simulations.
std::unique_ptr<CBenchRig> g_pRig;
const BenchCase* g_pRigCase = nullptr;
std::string g_strRigError;

CBenchRig* RigFor(const BenchCase& c) {
    if (g_pRigCase == &c) return g_strRigError.empty() ? g_pRig.get() : nullptr;
    g_pRig.reset();
    g_pRigCase = &c;
    g_strRigError.clear();
    auto pRig = std::make_unique<CBenchRig>(c);
    if (!pRig->SetUp(g_strRigError)) return nullptr;
    // The floor must make exactly the frame's library calls, frame for frame.
    const auto frameCalls = pRig->CountCalls(false, kCheckFrames);
    const auto floorCalls = pRig->CountCalls(true, kCheckFrames);
    if (frameCalls != floorCalls) {
        g_strRigError = "the floor's library calls differ from the frame's: frame" + Describe(frameCalls) +
                        "; floor" + Describe(floorCalls);
        std::fprintf(stderr, "%s: %s\n", c.pszName, g_strRigError.c_str());
        return nullptr;
    }
    g_pRig = std::move(pRig);
    return g_pRig.get();
}

// The two sides of one block; not inlined, so that callgrind can count each (bench/callgrind-frame).
// Each returns the block's real time in ns.
// Each adds the block's heap allocations to *pnAllocations.
__attribute__((noinline)) double BenchFrameBlock(CBenchRig& rig, long long* pnAllocations) {
    rig.UseFloorPost(false);
    const long long nAllocations = g_nAllocations.load(std::memory_order_relaxed);
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kBlockFrames; ++i) rig.Frame();
    const auto t1 = std::chrono::steady_clock::now();
    *pnAllocations += g_nAllocations.load(std::memory_order_relaxed) - nAllocations;
    return std::chrono::duration<double, std::nano>(t1 - t0).count();
}

__attribute__((noinline)) double BenchFloorBlock(CBenchRig& rig, long long* pnAllocations) {
    rig.UseFloorPost(true);
    const long long nAllocations = g_nAllocations.load(std::memory_order_relaxed);
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kBlockFrames; ++i) rig.Floor();
    const auto t1 = std::chrono::steady_clock::now();
    *pnAllocations += g_nAllocations.load(std::memory_order_relaxed) - nAllocations;
    return std::chrono::duration<double, std::nano>(t1 - t0).count();
}

struct PairedResult {
    double dFrameNs = 0.0;  // per frame
    double dFloorNs = 0.0;
    double dFrameAllocations = 0.0;  // per frame
    double dFloorAllocations = 0.0;
};
std::map<std::string, PairedResult> g_results;

void RunPaired(benchmark::State& state, const BenchCase* pCase) {
    CBenchRig* pRig = RigFor(*pCase);
    if (pRig == nullptr) {
        state.SkipWithError(g_strRigError.c_str());
        return;
    }
    for (int i = 0; i < kWarmBlocks; ++i) {
        pRig->UseFloorPost(false);
        for (int n = 0; n < kBlockFrames; ++n) pRig->Frame();
        pRig->UseFloorPost(true);
        for (int n = 0; n < kBlockFrames; ++n) pRig->Floor();
    }
    double dFrameNs = 0.0;
    double dFloorNs = 0.0;
    long long nFrameAllocations = 0;
    long long nFloorAllocations = 0;
    for (auto _ : state) {
        dFrameNs += BenchFrameBlock(*pRig, &nFrameAllocations);
        dFloorNs += BenchFloorBlock(*pRig, &nFloorAllocations);
    }
    pRig->UseFloorPost(false);
    if (pRig->BoardError()) {
        state.SkipWithError("the board entered the board-error state");
        return;
    }
    const double dFrames = static_cast<double>(state.iterations()) * kBlockFrames;
    if (dFrames <= 0.0) return;
    PairedResult& r = g_results[pCase->pszName];
    r.dFrameNs = dFrameNs / dFrames;
    r.dFloorNs = dFloorNs / dFrames;
    r.dFrameAllocations = static_cast<double>(nFrameAllocations) / dFrames;
    r.dFloorAllocations = static_cast<double>(nFloorAllocations) / dFrames;
    state.counters["frame_ns"] = r.dFrameNs;
    state.counters["floor_ns"] = r.dFloorNs;
    state.counters["ratio"] = r.dFloorNs > 0.0 ? r.dFrameNs / r.dFloorNs : 0.0;
}

// Notes a benchmark that failed.
class CPairedReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.error_occurred) m_bFailed = true;
    }
    bool Failed() const { return m_bFailed; }

  private:
    bool m_bFailed = false;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // The dialog saves its settings when it goes: into a folder of its own.
    char szDir[] = "/tmp/frame_bench.XXXXXX";
    if (mkdtemp(szDir) == nullptr || chdir(szDir) != 0) return 1;
    // FRAME_BENCH_ITERATIONS=N runs exactly N blocks of each side (N * 16 frames and as many floors), so
    // that instruction counts (bench/callgrind-frame) of two builds cover the same frames.
    const char* pszIterations = std::getenv("FRAME_BENCH_ITERATIONS");
    const long nIterations = pszIterations != nullptr ? std::atol(pszIterations) : 0;
    for (const BenchCase& c : kCases) {
        auto* pPaired =
            benchmark::RegisterBenchmark((std::string("paired/") + c.pszName).c_str(), RunPaired, &c);
        if (nIterations > 0) pPaired->Iterations(nIterations);
    }
    CPairedReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    g_pRig.reset();
    for (const BenchCase& c : kCases) {
        const auto it = g_results.find(c.pszName);
        if (it == g_results.end() || it->second.dFloorNs <= 0.0) continue;
        std::printf(
            "%-24s frame %7.0f ns  floor %7.0f ns  ratio %.2f  allocations per frame %.2f, floor %.2f\n",
            c.pszName, it->second.dFrameNs, it->second.dFloorNs, it->second.dFrameNs / it->second.dFloorNs,
            it->second.dFrameAllocations, it->second.dFloorAllocations);
    }
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(szDir, ec);
    return reporter.Failed() ? 1 : 0;
}
