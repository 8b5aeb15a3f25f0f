// One fresh frame through the host notification handler, beside the floor: the board library calls
// that such a frame cannot do without (16 cbAOut, one cbCIn32, the TTL output write and the TTL input
// read) made directly. Both run in the same process against the same simulated "PCI-DDA08/12"; the
// program prints both times per frame and their ratio at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "engine/parameter_block.h"
#include "engine/signal_codes.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "platform/ul/sim_control.h"
#include "platform/win/simulation.h"
#include "resources/resource.h"

namespace {

constexpr int kChannels = MAX_CHANNELS;
constexpr WPARAM kFreshData = static_cast<WPARAM>(2) << 16;

// The main dialog with the framework's own initialisation only; the bench brings up what a frame needs.
class CBenchDialog : public CTessaro2010Dlg {
  public:
    BOOL OnInitDialog() override { return CDialog::OnInitDialog(); }
};

// The dialog, one board selected, 16 channels of host data with their panel texts linked, the ROI
// output on, text updates on. Built once for the whole run.
struct BenchRig {
    std::unique_ptr<CBenchDialog> pDlg;
    std::vector<std::unique_ptr<CStatic>> texts;
    bool bReady = false;

    BenchRig() {
        CWinSimulation::Reset();
        CClock::UseRealClock();
        CSimBoards::Reset();
        // Both sides pay the same for the library's own bookkeeping; a log would only grow.
        CSimBoards::SetCallLogLimit(0);
        SimHost().Reset();
        SimHost().SetTimeSource([] { return CClock::NowMicros(); });
        RegisterTessaroResources();
        std::string strError;
        if (!CSimBoards::SetAttachedDevices("PCI-DDA08/12:BENCH001", strError)) return;
        theApp.m_bHostInterfaceDisabled = FALSE;
        theApp.m_bUiUpdatesDisabled = FALSE;

        pDlg = std::make_unique<CBenchDialog>();
        pDlg->SetParameterDefaults();
        if (!pDlg->Create(IDD_TESSARO_DIALOG, nullptr)) return;
        pDlg->m_pMessageLine = pDlg->GetDlgItem(IDC_MESSAGE_LINE);
        pDlg->m_pBoardLabel = pDlg->GetDlgItem(IDC_BOARD_LABEL);
        pDlg->m_pTtlOutputLine = pDlg->GetDlgItem(IDC_TTL_OUTPUT);
        pDlg->m_pTtlInputLine = pDlg->GetDlgItem(IDC_TTL_INPUT);
        pDlg->InitUniversalLibrary();
        pDlg->SetBoardErrorHandling(FALSE);
        pDlg->MCL_determineBoards();
        pDlg->SelectBoard(ID_BOARD_FIRST);
        if (g_Params.nBoardIndex != 0 || pDlg->m_bBoardError) return;

        pDlg->m_nChannels = kChannels;
        pDlg->m_bBinocular = TRUE;
        g_Params.nTtlRadixId = ID_TTL_HEX;
        g_Params.bRoiOutput = TRUE;
        g_Params.bTtlInputMarkers = TRUE;
        g_Params.nQualityThreshold = 5;  // every frame is good: each channel reaches its output
        for (int ch = 0; ch < kChannels; ++ch) {
            g_Params.nSignalCode[ch] = MakeSignalCode(SIGNAL_GAZE_POINT, ch % 2 == 0 ? AXIS_X : AXIS_Y);
            g_Params.nEye[ch] = ch / 8;
            g_Params.fDomainMin[ch] = -10.0f;
            g_Params.fDomainMax[ch] = 10.0f;
            g_Params.range[ch].nUlRange = BIP10VOLTS;
            g_Params.bInvert[ch] = FALSE;
            for (CWnd** ppLink : {&g_ChannelLinks.pValueText[ch], &g_ChannelLinks.pClampText[ch]}) {
                auto pText = std::make_unique<CStatic>();
                if (!pText->Create("", WS_CHILD | WS_VISIBLE, CRect(0, 0, 80, 12), pDlg.get(), 0xFFFF))
                    return;
                *ppLink = pText.get();
                texts.push_back(std::move(pText));
            }
        }
        bReady = true;
    }
};

BenchRig& Rig() {
    static BenchRig rig;
    return rig;
}

void BM_FreshFrame(benchmark::State& state) {
    BenchRig& rig = Rig();
    if (!rig.bReady) {
        state.SkipWithError("the simulated board could not be selected");
        return;
    }
    for (auto _ : state) rig.pDlg->OnHostNotification(0, kFreshData, 0);
    state.counters["board_error"] = rig.pDlg->m_bBoardError ? 1 : 0;
}

// For comparison: the same frame with the user-interface updates switched off (the advanced dialog's
// "Disable UI updates"), which leaves out the panel and TTL line texts.
void BM_FreshFrameNoUiText(benchmark::State& state) {
    BenchRig& rig = Rig();
    if (!rig.bReady) {
        state.SkipWithError("the simulated board could not be selected");
        return;
    }
    theApp.m_bUiUpdatesDisabled = TRUE;
    for (auto _ : state) rig.pDlg->OnHostNotification(0, kFreshData, 0);
    theApp.m_bUiUpdatesDisabled = FALSE;
}

// The unavoidable library work of the same frame.
void BM_LibraryFloor(benchmark::State& state) {
    BenchRig& rig = Rig();
    if (!rig.bReady) {
        state.SkipWithError("the simulated board could not be selected");
        return;
    }
    const int nBoard = g_Params.nBoardNum;
    const int nAnalog = rig.pDlg->m_nBoardAnalogChannels > 0 ? rig.pDlg->m_nBoardAnalogChannels : 1;
    USHORT nCode = 0;
    for (auto _ : state) {
        // 16 writes on the board's 8 channels: the same number of calls as a 16-channel frame.
        for (int ch = 0; ch < kChannels; ++ch) cbAOut(nBoard, ch % nAnalog, BIP10VOLTS, nCode);
        ULONG nCount = 0;
        cbCIn32(nBoard, 0, &nCount);
        cbDOut(nBoard, SECONDPORTA, nCode & 0xFF);
        USHORT nInput = 0;
        cbDIn(nBoard, FIRSTPORTA, &nInput);
        benchmark::DoNotOptimize(nCount);
        benchmark::DoNotOptimize(nInput);
        nCode = static_cast<USHORT>((nCode + 1) & 0x0FFF);
    }
}

BENCHMARK(BM_FreshFrame);
BENCHMARK(BM_FreshFrameNoUiText);
BENCHMARK(BM_LibraryFloor);

// The console output plus the time per iteration of each benchmark, for the ratio.
class CRatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
            m_ns[run.run_name.function_name] = run.GetAdjustedRealTime() *
                                               benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                                               benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
    double Nanoseconds(const std::string& strName) const {
        const auto it = m_ns.find(strName);
        return it != m_ns.end() ? it->second : 0.0;
    }

  private:
    std::map<std::string, double> m_ns;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double dFrame = reporter.Nanoseconds("BM_FreshFrame");
    const double dQuiet = reporter.Nanoseconds("BM_FreshFrameNoUiText");
    const double dFloor = reporter.Nanoseconds("BM_LibraryFloor");
    if (dFrame > 0.0 && dFloor > 0.0)
        std::printf("fresh frame %.0f ns, library floor %.0f ns, ratio %.2f (aim: 1.2 or less)\n", dFrame,
                    dFloor, dFrame / dFloor);
    if (dQuiet > 0.0 && dFloor > 0.0)
        std::printf("without UI text updates %.0f ns, ratio %.2f\n", dQuiet, dQuiet / dFloor);
    benchmark::Shutdown();
    // The rig's windows go before the framework's own statics.
    Rig().texts.clear();
    Rig().pDlg.reset();
    return 0;
}
