// End-to-end latency and user-interface CPU of the whole program on the real clock.
//
// The program runs as main.cpp runs it, headless: a PCI-DDA08/12 with the region-of-interest output on
// (the default), the simulated host posting fresh-data notifications from its driver thread at the
// given rate, four host ROIs, a walking pattern on the TTL inputs, and the run closed as a user would
// after the given time. Measured:
//   - post -> last board write: from the host's post of a notification to the frame's last board call
//     (the ROI code's cbDOut), per handled notification; p50, p99, max, and the frames over one period;
//   - frames posted (accepted by the queue), refused (a full queue) and handled;
//   - CPU time of the user-interface thread per handled frame, from the first handled frame to the last;
//   - the wake floor: what this machine takes, at the same rate, from a post that wakes a sleeping thread
//     (on the futex the message loop sleeps on) to the last board write of that thread, which makes
//     exactly the board calls of the program's last handled frame, in their order. The program's latency
//     can come no lower than this; what it adds is the difference.
// The simulated board library keeps no call log here, as in the program's run (tests turn it on).
//
//   latency_bench [RATE_HZ [SECONDS]]   (defaults 2000 and 5)
//
// The machine is shared: run it several times and report the range.
#include <fcntl.h>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/tessaro_app.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "platform/ul/sim_control.h"
#include "platform/win/app.h"
#include "resources/resource.h"
#include "run/program_options.h"
#include "run/run_report.h"

namespace {

long long SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long long ThreadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Post times of the accepted notifications, in post order (written by the host's driver thread only).
std::vector<long long> g_postNs;
std::atomic<std::size_t> g_nPosted{0};
std::atomic<int> g_nRefused{0};

// User-interface thread only.
std::vector<long long> g_latencyNs;
int g_nLastCounted = 0;
long long g_nFirstCpuNs = -1;
long long g_nLastCpuNs = 0;
int g_nFirstFrame = 0;
int g_nLastFrame = 0;
// The board calls of one handled frame, in order, and their board, for the wake floor: kept for frame
// kCaptureFrame only, so that the other frames' calls cost the hook no more than a comparison.
constexpr int kCaptureFrame = 100;
std::vector<std::string> g_frameCalls;
int g_nFrameBoard = 0;

// The notification counts as posted before PostMessageA is called: the user-interface thread may handle
// it before the call returns, and must then find its post time. A refused post is taken back; the
// user-interface thread never handles one.
BOOL TimedPost(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    const std::size_t n = g_nPosted.load(std::memory_order_relaxed);
    if (n >= g_postNs.size()) return PostMessageA(hWnd, nMessage, wParam, lParam);
    g_postNs[n] = SteadyNs();
    g_nPosted.store(n + 1, std::memory_order_release);
    const BOOL bPosted = PostMessageA(hWnd, nMessage, wParam, lParam);
    if (!bPosted) {
        g_nPosted.store(n, std::memory_order_release);
        ++g_nRefused;
    }
    return bPosted;
}

// After every board call: the ROI write of notification n closes that notification's road.
void OnBoardCall(const SimCallRecord& rec) {
    const int n = theApp.m_nNotificationCount;
    if (n == kCaptureFrame && n > g_nLastCounted) {
        g_frameCalls.push_back(rec.strName);
        g_nFrameBoard = rec.nBoard;
    }
    if (rec.strName != "cbDOut") return;
    if (n <= g_nLastCounted || n <= 0) return;
    g_nLastCounted = n;
    const long long nNow = SteadyNs();
    if (static_cast<std::size_t>(n) > g_nPosted.load(std::memory_order_acquire)) return;
    g_latencyNs.push_back(nNow - g_postNs[static_cast<std::size_t>(n) - 1]);
    g_nLastCpuNs = ThreadCpuNs();
    g_nLastFrame = n;
    if (g_nFirstCpuNs < 0) {
        g_nFirstCpuNs = g_nLastCpuNs;
        g_nFirstFrame = n;
    }
}

long FutexCall(std::atomic<std::uint32_t>& word, int nOp, std::uint32_t nValue) {
    static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t));
    return syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), nOp, nValue, nullptr, nullptr, 0);
}

// The board calls named in calls, on nBoard, with the arguments a frame gives them (the n-th analog
// output goes to channel n); FALSE for a name it does not know.
bool MakeBoardCalls(const std::vector<std::string>& calls, int nBoard, USHORT nCode) {
    int nChannel = 0;
    int nBit = 0;
    for (const std::string& strName : calls) {
        if (strName == "cbCIn32") {
            ULONG n = 0;
            cbCIn32(nBoard, 0, &n);
        } else if (strName == "cbAOut") {
            cbAOut(nBoard, nChannel++, BIP10VOLTS, nCode);
        } else if (strName == "cbToEngUnits") {
            float f = 0.0f;
            cbToEngUnits(nBoard, BIP10VOLTS, nCode, &f);
        } else if (strName == "cbDIn") {
            USHORT w = 0;
            cbDIn(nBoard, FIRSTPORTA, &w);
        } else if (strName == "cbDBitIn") {
            USHORT w = 0;
            cbDBitIn(nBoard, AUXPORT, nBit++ % 8, &w);
        } else if (strName == "cbDOut") {
            cbDOut(nBoard, SECONDPORTA, static_cast<USHORT>(nCode & 0xFF));
        } else if (strName == "cbDBitOut") {
            cbDBitOut(nBoard, AUXPORT, 8 + nBit++ % 8, 0);
        } else {
            return false;
        }
    }
    return true;
}

// The wake floor at nRate for nSeconds: a poster thread at the rate stamps a post and wakes the worker,
// which sleeps on a futex as the message loop does and then makes the frame's board calls; the latency
// of a post ends with the worker's last call. Returns the latencies in ns (empty when a call is unknown).
std::vector<long long> MeasureWakeFloor(int nRate, int nSeconds, const std::vector<std::string>& calls,
                                        int nBoard) {
    const std::size_t nPosts = static_cast<std::size_t>(nRate) * static_cast<std::size_t>(nSeconds);
    std::vector<long long> postNs(nPosts, 0);
    std::vector<long long> latencyNs;
    latencyNs.reserve(nPosts);
    std::atomic<std::uint32_t> word{0};
    std::atomic<bool> bStop{false};
    bool bKnown = true;
    std::thread worker([&] {
        std::uint32_t nSeen = 0;
        while (bKnown) {
            const std::uint32_t nWord = word.load(std::memory_order_acquire);
            if (nWord == nSeen) {
                if (bStop.load(std::memory_order_acquire)) break;
                FutexCall(word, FUTEX_WAIT_PRIVATE, nSeen);
                continue;
            }
            for (; nSeen != nWord && bKnown; ++nSeen) {
                bKnown = MakeBoardCalls(calls, nBoard, static_cast<USHORT>(nSeen & 0xFFF));
                latencyNs.push_back(SteadyNs() - postNs[nSeen]);
            }
        }
    });
    const auto tStart = std::chrono::steady_clock::now();
    const auto period = std::chrono::nanoseconds(1000000000LL / nRate);
    for (std::size_t i = 0; i < nPosts; ++i) {
        std::this_thread::sleep_until(tStart + period * static_cast<long long>(i + 1));
        postNs[i] = SteadyNs();
        word.fetch_add(1, std::memory_order_release);
        FutexCall(word, FUTEX_WAKE_PRIVATE, 1);
    }
    bStop.store(true, std::memory_order_release);
    word.fetch_add(0, std::memory_order_release);
    FutexCall(word, FUTEX_WAKE_PRIVATE, 1);
    worker.join();
    if (!bKnown) latencyNs.clear();
    return latencyNs;
}

double Percentile(std::vector<long long> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1));
    return static_cast<double>(v[i]) / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    const int nRate = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int nSeconds = argc > 2 ? std::atoi(argv[2]) : 5;
    if (nRate < 1 || nRate > kSimHostMaxFrameRate || nSeconds < 1 || nSeconds > 600) {
        std::fprintf(stderr, "usage: latency_bench [RATE_HZ 1..2000 [SECONDS 1..600]]\n");
        return 2;
    }
    char szDir[] = "/tmp/latency_bench.XXXXXX";
    if (mkdtemp(szDir) == nullptr || chdir(szDir) != 0) return 1;
    std::filesystem::create_directory("Settings");

    const std::string strRate = "--host-rate=" + std::to_string(nRate);
    const std::string strRun = "--headless=" + std::to_string(nSeconds);
    std::vector<std::string> args = {"latency_bench", "--boards=PCI-DDA08/12:LAT00001", strRate,
                                     "--host-rois=4", "--board-inputs=walk:4",          strRun};
    std::vector<char*> argvRun;
    for (std::string& s : args) argvRun.push_back(s.data());
    ProgramOptions options;
    std::string strError;
    if (ParseProgramOptions(static_cast<int>(argvRun.size()), argvRun.data(), options, strError) !=
        EOptionsResult::Run) {
        std::fprintf(stderr, "latency_bench: %s\n", strError.c_str());
        return 2;
    }
    g_postNs.assign(static_cast<std::size_t>(nRate) * static_cast<std::size_t>(nSeconds + 10), 0);
    g_latencyNs.reserve(g_postNs.size());
    g_frameCalls.reserve(64);

    InstallRunSignalHandlers();
    RegisterTessaroResources();
    ApplySimulationOptions(options);
    const int nNull = open("/dev/null", O_WRONLY);
    int nExitCode = 0;
    std::vector<long long> floorNs;
    {
        CRunSession session(options, nNull);
        session.Start();
        SimHost().SetPostFunction(TimedPost);
        // The simulated library's own record of the calls is instrumentation nobody reads here: neither
        // its log nor a call's text is kept, so that the figures are the program's and not the simulation's.
        CSimBoards::SetCallLogLimit(0);
        CSimBoards::SetCallHook(OnBoardCall, false);  // it reads the call's name only
        nExitCode = AfxWinMain(static_cast<int>(argvRun.size()), argvRun.data());
        CSimBoards::SetCallHook(nullptr, false);
        if (!g_frameCalls.empty()) floorNs = MeasureWakeFloor(nRate, nSeconds, g_frameCalls, g_nFrameBoard);
        session.Finish();
    }
    close(nNull);

    const double dPeriodUs = 1e6 / nRate;
    const auto nOver = std::count_if(g_latencyNs.begin(), g_latencyNs.end(), [&](long long ns) {
        return static_cast<double>(ns) / 1000.0 > dPeriodUs;
    });
    const int nFrames = g_nLastFrame - g_nFirstFrame;
    const double dCpuUs =
        nFrames > 0 ? static_cast<double>(g_nLastCpuNs - g_nFirstCpuNs) / 1000.0 / nFrames : 0.0;
    std::printf("rate %d Hz, %d s: posted %zu, refused %d, handled %zu (host: posted %d, refused %d)\n",
                nRate, nSeconds, g_nPosted.load(), g_nRefused.load(), g_latencyNs.size(),
                SimHost().PostCount(), SimHost().FailedPostCount());
    std::printf(
        "post -> last board write: p50 %.1f us, p99 %.1f us, max %.1f us, over %.0f us: %ld (%.2f%%)\n",
        Percentile(g_latencyNs, 0.50), Percentile(g_latencyNs, 0.99), Percentile(g_latencyNs, 1.0), dPeriodUs,
        static_cast<long>(nOver),
        g_latencyNs.empty() ? 0.0 : 100.0 * static_cast<double>(nOver) / g_latencyNs.size());
    std::printf("user-interface thread CPU per frame: %.1f us\n", dCpuUs);
    // The calls by name, in the order of their first call, with their counts.
    std::vector<std::pair<std::string, int>> callCounts;
    for (const std::string& strName : g_frameCalls) {
        auto it = std::find_if(callCounts.begin(), callCounts.end(),
                               [&strName](const auto& c) { return c.first == strName; });
        if (it == callCounts.end()) it = callCounts.insert(callCounts.end(), {strName, 0});
        ++it->second;
    }
    std::string strCalls;
    for (const auto& [strName, n] : callCounts) strCalls += " " + strName + " x" + std::to_string(n);
    if (floorNs.empty()) {
        std::printf(
            "wake floor: not measured (frame %d was not handled, or its board calls were not known)\n",
            kCaptureFrame);
    } else {
        std::printf(
            "wake floor (post -> a sleeping thread woken makes the board calls of frame %d:%s): p50 %.1f us, "
            "p99 %.1f us; the program adds p50 %.1f us\n",
            kCaptureFrame, strCalls.c_str(), Percentile(floorNs, 0.50), Percentile(floorNs, 0.99),
            Percentile(g_latencyNs, 0.50) - Percentile(floorNs, 0.50));
    }
    std::error_code ec;
    std::filesystem::remove_all(szDir, ec);
    return nExitCode == 0 || nExitCode == 1 ? 0 : nExitCode;
}
