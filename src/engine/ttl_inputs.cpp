#include "engine/ttl_inputs.h"

#include <atomic>
#include <cstdio>

#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/ul/cbw.h"
#include "resources/resource.h"

namespace {

constexpr int kInputMessageCode = 0xA40000;
constexpr int kRisingFlag = 0x10000;
constexpr int kInterruptNumber = 99;
// Host private status item that receives the input word.
constexpr int kHostStatusTtlInput = 12;
// Polls without an input change after which both TTL lines are redrawn.
constexpr std::uint32_t kRefreshPolls = 30;
constexpr DWORD kDebounceMs = 5;
constexpr int kInterruptSlot = 90;

static_assert(sizeof(WPARAM) >= 8 && sizeof(LPARAM) >= 8,
              "an interrupt event packs two 32-bit values into each");

// While an event posted by the callback is handled: the time the library reported it. The debounce must
// measure the spacing of the interrupts, not of their handling, which a busy user-interface thread can
// bunch up or spread out. User-interface thread only.
bool s_bArrivalTimeSet = false;
DWORD s_nArrivalTimeMs = 0;

void SendMarker(char cLetter) {
    // The letter goes as an argument: a burst letter can be '%', which must not become part of a format.
    char szCommand[64];
    std::snprintf(szCommand, sizeof szCommand, "dataFile_InsertMarker\t%c ", cLetter);
    CRS_SendCommand("%s", szCommand);
}

// During a burst every edge is marked with 'A' plus the pulse count, modulo 256.
char EdgeLetter(const CTessaro2010Dlg& dlg, const char* pszLetters, int nBit) {
    if (dlg.m_bBurstBusy) {
        const unsigned nCode = (65u + static_cast<unsigned>(dlg.m_nBurstPulseCount.load())) & 0xFFu;
        return static_cast<char>(static_cast<unsigned char>(nCode));
    }
    return pszLetters[nBit];
}

}  // namespace

void CTessaro2010Dlg::PollTtlInputs() {
    ++g_nTtlPollCount;
    if (m_bBoardError) return;

    USHORT word = 0;
    int nReadResult = 0;
    if (m_bTtlTest) {
        ++g_nTtlInputTestCount;
        word = g_nTtlInputTestCount;
    } else {
        switch (m_nBoardFamily) {
            case FAMILY_DDA:
            case FAMILY_DIO24:
            case FAMILY_1208:
                nReadResult = ReadDigitalPort(g_Params.nBoardNum, FIRSTPORTA, &word);
                break;
            case FAMILY_1208HS:
                // Auxiliary lines 7 down to 0, so that line k becomes bit k; single-line failures are
                // not reported.
                for (int nBit = 7; nBit >= 0; --nBit) {
                    USHORT v = 0;
                    cbDBitIn(g_Params.nBoardNum, AUXPORT, nBit, &v);
                    word = static_cast<USHORT>(word * 2 + v);
                }
                break;
            default:
                return;
        }
    }

    if (nReadResult != 0 && !m_bBoardError) {
        BoardErrorBox(" TTL input port error during access.\n Error: -5 ");
        m_bBoardError = TRUE;
    }

    const USHORT nRising = static_cast<USHORT>(word & ~g_nPrevTtlInput);
    const USHORT nFalling = static_cast<USHORT>(g_nPrevTtlInput & ~word);
    if (nRising != 0 || nFalling != 0) {
        if (!theApp.m_bHostInterfaceDisabled) {
            for (int n = 0; n < 8; ++n) {
                const USHORT nMask = static_cast<USHORT>(1 << n);
                if ((nRising & nMask) != 0) {
                    CRS_DistributeMessages(kInputMessageCode, kRisingFlag | n);
                    if (g_Params.bTtlInputMarkers) SendMarker(EdgeLetter(*this, "STUVWXYZ", n));
                } else if ((nFalling & nMask) != 0) {
                    CRS_DistributeMessages(kInputMessageCode, n);
                    if (g_Params.bTtlInputMarkers) SendMarker(EdgeLetter(*this, "stuvwxyz", n));
                }
            }
            CRS_SetStatus_PRIVATE(kHostStatusTtlInput, word);
        }
        ShowTtlInput(word);
        g_nLastInputChangePoll = g_nTtlPollCount;
    } else if (g_nTtlPollCount - g_nLastInputChangePoll > kRefreshPolls) {
        g_nLastInputChangePoll = g_nTtlPollCount;
        ShowTtlInput(-1);
        ShowTtlOutput(-1);
    }
    g_nPrevTtlInput = word;
}

void CTessaro2010Dlg::OnExternalInterrupt(int, int, int, void*) {
    const DWORD nNow = s_bArrivalTimeSet ? s_nArrivalTimeMs : static_cast<DWORD>(GetMilliseconds());
    if (g_bInterruptDebounce) {
        if (nNow - static_cast<DWORD>(m_nSlotTimeMs[kInterruptSlot]) < kDebounceMs) return;
        m_nSlotTimeMs[kInterruptSlot] = static_cast<std::int32_t>(nNow);
    }

    m_nTriggerLedTicks = SecondsInTicks(0.5, m_nDefaultPeriodMs);
    SetControlColor(IDC_TRIGGER_LED, LED_LIT);
    // Sent also while the host interface is disabled.
    CRS_DistributeMessages(kInputMessageCode, kRisingFlag | kInterruptNumber);
    if (g_Params.bTtlInputMarkers) CRS_SendCommand("dataFile_InsertMarker\t%c ", 'R');
}

LRESULT CTessaro2010Dlg::OnExternalInterruptEvent(WPARAM wParam, LPARAM lParam) {
    // The dialog may be gone from the program's view while the event waited in the queue.
    CTessaro2010Dlg* pDlg = g_pMainDlg;
    if (pDlg == nullptr) return 0;
    const auto nArrivalMs = static_cast<DWORD>(wParam & 0xFFFFFFFFu);
    const auto nEventData = static_cast<int>(static_cast<std::uint32_t>(wParam >> 32));
    const auto uLParam = static_cast<std::uint64_t>(lParam);
    const auto nBoard = static_cast<int>(static_cast<std::uint32_t>(uLParam & 0xFFFFFFFFu));
    const auto nEventType = static_cast<int>(static_cast<std::uint32_t>(uLParam >> 32));

    const bool bOuterSet = s_bArrivalTimeSet;
    const DWORD nOuterMs = s_nArrivalTimeMs;
    s_bArrivalTimeSet = true;
    s_nArrivalTimeMs = nArrivalMs;
    // Registered without user data.
    pDlg->OnExternalInterrupt(nBoard, nEventType, nEventData, nullptr);
    s_bArrivalTimeSet = bOuterSet;
    s_nArrivalTimeMs = nOuterMs;
    return 0;
}

void CTessaro2010Dlg::EnableExternalInterrupt(BOOL bOn) {
    const CapabilitiesRecord* pRec = CurrentBoardRecord();
    const bool bCanTake =
        g_Params.nBoardIndex != -1 && pRec != nullptr && pRec->bDigitalOnly && !m_bSimulatedBoard;

    BOOL bResult = FALSE;
    if (bCanTake) {
        char szText[128];
        if (bOn) {
            g_hInterruptWnd = GetSafeHwnd();
            const int nErr = cbEnableEvent(g_Params.nBoardNum, ON_EXTERNAL_INTERRUPT, 1,
                                           ExternalInterruptCallback, nullptr);
            if (nErr == 0) {
                bResult = TRUE;
            } else {
                std::snprintf(szText, sizeof szText,
                              " ERROR: \n\n  TTL External Interupt was NOT ENABLED.\n Error: %d ", nErr);
                BoardErrorBox(szText);
            }
        } else if (g_Params.bExternalInterrupt) {
            const int nErr = cbDisableEvent(g_Params.nBoardNum, ON_EXTERNAL_INTERRUPT);
            if (nErr != 0) {
                std::snprintf(szText, sizeof szText,
                              " ERROR: \n\n  TTL External Interupt was NOT DISABLED.\n Error: %d ", nErr);
                BoardErrorBox(szText);
            }
        }
    }
    g_Params.bExternalInterrupt = bResult;

    if (GetSafeHwnd() != nullptr) {
        for (int nId : {IDC_TRIGGER_LED, IDC_TRIGGER_LABEL}) {
            if (CWnd* pWnd = GetDlgItem(nId)) pWnd->ShowWindow(bResult ? SW_SHOW : SW_HIDE);
        }
    }
    SetControlColor(IDC_TRIGGER_LED, m_nTriggerLedTicks != 0 ? LED_LIT : LED_DARK);
    if (CMenu* pMenu = GetSafeHwnd() != nullptr ? GetMenu() : nullptr)
        pMenu->CheckMenuItem(ID_PULSE_EDGE_DETECTION, MF_BYCOMMAND | (bResult ? MF_CHECKED : MF_UNCHECKED));
}

void ExternalInterruptCallback(int board, unsigned eventType, unsigned eventData, void*) {
    const HWND hWnd = g_hInterruptWnd.load();
    if (hWnd == nullptr) return;
    const auto nNowMs = static_cast<DWORD>(CTessaro2010Dlg::GetMilliseconds());
    const WPARAM wParam = (static_cast<WPARAM>(eventData) << 32) | nNowMs;
    const auto uLParam = (static_cast<std::uint64_t>(eventType) << 32) | static_cast<std::uint32_t>(board);
    ::PostMessage(hWnd, CTessaro2010Dlg::WM_TTL_EXTERNAL_INTERRUPT, wParam, static_cast<LPARAM>(uLParam));
}
