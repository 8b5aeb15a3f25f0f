// What the tracker host gives the program: a whole run in which the input decides the boards attached,
// then plays a sequence of host events, one at each idle moment of the main dialog: notifications
// (fresh data 2 and 27, status changes 21 with any sub-code and value, TTL bit requests 165 with any bit
// and value, codes the program does not know, each with any data), changes of the host's state that the
// program reads back (attached, video frozen, binocular, forced gaze points and data qualities of any bit
// pattern, ROIs, eye pattern, frame rate, latency), time passing (frames and ticks), and the few user
// choices that decide how the program takes them (the ROI output, the input markers, the message count,
// the board in use).
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_run.h"
#include "platform/hostlib/sim_host.h"
#include "platform/win/user_actions.h"
#include "resources/resource.h"

namespace {

constexpr const char* kBoardSets[] = {
    "",  // none: the program offers its demo board
    "PCI-DDA08/12:01A2B3C4",
    "USB-1208HS:01A2B3C5",
    "PCI-DIO24:01A2B3C6",
    "USB-1208FS:01A2B3C7",
    "USB-1208LS:01A2B3C8",
    "PCI-DDA02/12:01A2B3C9",
    "PCI-DDA08/12:01A2B3C4,USB-1208HS:01A2B3C5",
};
constexpr int kBoardSetCount = static_cast<int>(sizeof kBoardSets / sizeof kBoardSets[0]);

// Bounds per input, so that one input stays a short run.
constexpr int kMaxEvents = 512;
constexpr int kMaxAdvanceMs = 4000;

enum EEvent : std::uint8_t {
    kFreshData,
    kFreshDataAlt,
    kStatusChange,
    kTtlBit,
    kOtherCode,
    kAdvance,
    kAttached,
    kVideoFrozen,
    kBinocular,
    kForceGaze,
    kForceQuality,
    kRelease,
    kRoiGrid,
    kPattern,
    kFrameRate,
    kLatency,
    kAlternateCodes,
    kUserChoice,
    kEventCount
};

// Runs one event; false when the input is used up.
bool PlayEvent(CFuzzBytes& in, CTessaro2010Dlg& dlg, int& nAdvancedMs) {
    if (in.Empty()) return false;
    const auto eEvent = static_cast<EEvent>(in.Byte() % kEventCount);
    switch (eEvent) {
        case kFreshData:
            SimHost().SendNotification(kSimHostCodeFreshData, static_cast<LPARAM>(in.DWord()));
            break;
        case kFreshDataAlt:
            SimHost().SendNotification(kSimHostCodeFreshDataAlt, static_cast<LPARAM>(in.DWord()));
            break;
        case kStatusChange: {
            // Mostly the sub-codes the program knows, sometimes any.
            const std::uint8_t nPick = in.Byte();
            static constexpr WORD kSubCodes[] = {kSimHostStatusAttached, kSimHostStatusVideoFrozen,
                                                 kSimHostStatusBinocular, kSimHostStatusTtlInput};
            const WORD nSub = nPick < 192 ? kSubCodes[nPick % 4] : in.Word();
            SimHost().SendNotification(kSimHostCodeStatusChange, MAKELPARAM(nSub, in.Word()));
            break;
        }
        case kTtlBit: {
            const std::uint8_t nPick = in.Byte();
            const WORD nBit = nPick < 224 ? static_cast<WORD>(nPick % 14) : in.Word();
            SimHost().SendNotification(kSimHostCodeTtlBit, MAKELPARAM(nBit, in.Word()));
            break;
        }
        case kOtherCode: {
            const WORD nCode = in.Word();
            SimHost().SendNotification(nCode, static_cast<LPARAM>(in.DWord()));
            break;
        }
        case kAdvance: {
            const int nMs = in.Byte();
            if (nAdvancedMs + nMs > kMaxAdvanceMs) return false;
            nAdvancedMs += nMs;
            CClock::Advance(static_cast<DWORD>(nMs));
            break;
        }
        case kAttached:
            SimHost().SetAttached((in.Byte() & 1) != 0);
            break;
        case kVideoFrozen:
            SimHost().SetVideoFrozen((in.Byte() & 1) != 0);
            break;
        case kBinocular:
            SimHost().SetBinocular((in.Byte() & 1) != 0);
            break;
        case kForceGaze: {
            const int nEye = in.Byte() & 1;
            const float fX = in.Float();
            SimHost().ForceGazePoint(nEye, fX, in.Float());
            break;
        }
        case kForceQuality: {
            const int nEye = in.Byte() & 1;
            SimHost().ForceDataQuality(nEye, static_cast<int>(in.DWord()));
            break;
        }
        case kRelease:
            SimHost().ReleaseForcedValues();
            break;
        case kRoiGrid:
            SimHost().PlaceRoiGrid(in.Byte() % (kSimHostRoiCount + 1));
            break;
        case kPattern:
            SimHost().SetEyePattern(static_cast<SimEyePattern>(in.Byte() % 3));
            break;
        case kFrameRate:
            // Up to 500 Hz, so that the time bound keeps the frames of one input bounded too.
            SimHost().SetFrameRate(1 + in.Word() % 500);
            break;
        case kLatency:
            SimHost().SetLatencyMs(static_cast<double>(in.Word() % 1200));
            break;
        case kAlternateCodes:
            SimHost().SetAlternateFreshDataCodes((in.Byte() & 1) != 0);
            break;
        case kUserChoice: {
            const std::uint8_t nPick = in.Byte();
            switch (nPick % 4) {
                case 0:
                    AfxUserChooseMenu(dlg.GetSafeHwnd(), ID_TTL_ROI_OUTPUT);
                    break;
                case 1:
                    AfxUserChooseMenu(dlg.GetSafeHwnd(), ID_TTL_INPUT_MARKERS);
                    break;
                case 2:
                    if (CWnd* pButton = dlg.GetDlgItem(IDC_SHOW_MSG_COUNT))
                        AfxUserClick(pButton->GetSafeHwnd());
                    break;
                default:
                    // No Board, or one of the boards found.
                    AfxUserChooseMenu(dlg.GetSafeHwnd(), static_cast<UINT>(ID_BOARD_NONE + (nPick >> 2) % 3));
                    break;
            }
            break;
        }
        default:
            break;
    }
    return true;
}

}  // namespace

void RunHostInputs(const std::uint8_t* pData, std::size_t nSize) {
    CFuzzBytes in(pData, nSize);
    CFuzzProgramRun run;
    run.Begin();
    const char* pszBoards = kBoardSets[in.Byte() % kBoardSetCount];
    if (*pszBoards != '\0') run.AttachDevices(pszBoards);
    SimHost().SetBinocular((in.Byte() & 1) != 0);

    int nAdvancedMs = 0;
    run.Run([&](CTessaro2010Dlg& dlg, int nStep) {
        return nStep < kMaxEvents && PlayEvent(in, dlg, nAdvancedMs);
    });
    run.End();
}

// The replay test calls the run itself.
#ifndef TESSARO_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    RunHostInputs(pData, nSize);
    return 0;
}
#endif
