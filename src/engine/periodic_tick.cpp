#include "engine/periodic_tick.h"

#include <climits>
#include <cstring>
#include <string_view>

#include "app/about_box.h"
#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "app/text_helpers.h"
#include "engine/signal_codes.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/ul/cbw.h"
#include "resources/resource.h"

int CTessaro2010Dlg::SecondsInTicks(double dSeconds, int nPeriodMs) {
    const double dPeriodMs = nPeriodMs > 0 ? static_cast<double>(nPeriodMs) : 1.0;
    return static_cast<int>(dSeconds / (dPeriodMs * 0.001));
}

int CTessaro2010Dlg::FiveSecondTicks() const {
    return SecondsInTicks(5.0, m_nDefaultPeriodMs);
}

namespace {

constexpr int kPulsePort = FIRSTPORTCL;
constexpr int kSplashTicks = 20;
constexpr int kWaitDotsCycle = 10;
constexpr int kNoticePointSize = 9;
constexpr UINT kNoticeFormat = DT_VCENTER;

// Default ticks per second: 30 at 33 ms.
int TicksPerSecond(int nPeriodMs) {
    return CTessaro2010Dlg::SecondsInTicks(1.0, nPeriodMs);
}

bool IsDio24(const char (&szName)[64]) {
    return std::string_view(szName, strnlen(szName, sizeof szName)).find("DIO24") != std::string_view::npos;
}

// Busy-waits on the UI thread until the performance counter has moved nCounts past its present value;
// a failed read ends the wait at once.
void SpinCounts(LONGLONG nCounts) {
    LARGE_INTEGER start{};
    if (!QueryPerformanceCounter(&start)) return;
    LARGE_INTEGER now{};
    while (QueryPerformanceCounter(&now) && now.QuadPart < start.QuadPart + nCounts) YieldProcessor();
}

// Counts one more tick. A count that no frame clears for years stops at INT_MAX instead of overflowing,
// where it still exceeds every threshold it is compared with.
void CountTick(int& nTicks) {
    if (nTicks < INT_MAX) ++nTicks;
}

}  // namespace

void CTessaro2010Dlg::OnTimer(UINT_PTR nIDEvent) {
    const int T = TicksPerSecond(m_nDefaultPeriodMs);
    const int H = T / 2;
    // A period above half a second leaves H at 0; the watchdog then works on every tick.
    const std::uint32_t nHalfSecond = H > 0 ? static_cast<std::uint32_t>(H) : 1u;

    if (nIDEvent == m_nDefaultTimer) {
        ++g_nDefaultTicks;

        if (!m_bHostAttached && g_nDefaultTicks > static_cast<std::uint32_t>(H)) {
            PollHostStatus();
            if (m_bHostAttached != g_bLastAttached) {
                UpdateStatusLine();
                g_bLastAttached = m_bHostAttached;
            }
        }

        if (m_bHostAttached) {
            if (g_nDefaultTicks == 2u * static_cast<std::uint32_t>(T)) UpdateStatusLine();

            if (g_Params.nBoardMenuId != ID_BOARD_NONE) {
                CountTick(m_nStaleTicks);
                if (m_nStaleTicks > H) {
                    if (m_nWaitStartTick == 0) m_nWaitStartTick = static_cast<int>(g_nDefaultTicks);
                    const std::uint32_t nElapsed =
                        g_nDefaultTicks - static_cast<std::uint32_t>(m_nWaitStartTick);
                    // Every stale tick counts as a notification; the count wraps as the host link's does.
                    theApp.m_nNotificationCount =
                        static_cast<int>(static_cast<unsigned>(theApp.m_nNotificationCount) + 1u);
                    if (nElapsed % nHalfSecond == 0) {
                        PollHostStatus();
                        if (!m_bVideoFrozen) {
                            CString strText("Waiting for fresh data ");
                            const std::uint32_t nDots = ((nElapsed + 1) / nHalfSecond) % kWaitDotsCycle;
                            for (std::uint32_t i = 0; i < nDots; ++i) strText += " .";
                            SetMessageText(IDC_NOTICE_LINE, strText, kNoticePointSize, CLR_DIALOG, CLR_DIALOG,
                                           kNoticeFormat);
                        }
                    }
                }
            }
        }

        if (m_nMessageTicks != 0) {
            --m_nMessageTicks;
            if (m_nMessageTicks == 0 && m_pMessageLine != nullptr) m_pMessageLine->SetWindowText("");
        }

        if (!m_bTtlTest) {
            if (m_bTtlTestPulse && IsDio24(g_Params.szBoardName)) {
                if (!g_bPulseInit) {
                    if (!m_bPulsePortConfigured) {
                        cbDConfigPort(g_Params.nBoardNum, kPulsePort, DIGITALOUT);
                        m_bPulsePortConfigured = TRUE;
                    }
                    LARGE_INTEGER frequency{};
                    g_bHavePerfCounter = QueryPerformanceFrequency(&frequency);
                    g_nPulseEvery = T;
                    g_bPulseInit = TRUE;
                }
                ++g_nPulseTicks;
                const std::uint32_t nEvery =
                    g_nPulseEvery > 0 ? static_cast<std::uint32_t>(g_nPulseEvery) : 1u;
                if (g_nPulseTicks % nEvery == 0) {
                    // Port 12 is the DIO24's pulse port, which WriteDigitalPort never merges with burst bits.
                    g_nPulseLevel = g_nPulseLevel == 0 ? 1 : 0;
                    WriteDigitalPort(g_Params.nBoardNum, kPulsePort, g_nPulseLevel);
                    if (g_bHavePerfCounter) SpinCounts(PULSE_WIDTH_COUNTS);
                    g_nPulseLevel = g_nPulseLevel == 0 ? 1 : 0;
                    WriteDigitalPort(g_Params.nBoardNum, kPulsePort, g_nPulseLevel);
                }
            }

            if (m_nTriggerLedTicks != 0) {
                --m_nTriggerLedTicks;
                if (m_nTriggerLedTicks == 0) SetControlColor(IDC_TRIGGER_LED, LED_DARK);
            }

            // Only frames and the ROI switch clear the count: without frames the inputs are polled on
            // every tick from the first half second on.
            CountTick(m_nInputPollTicks);
            if (m_nInputPollTicks > H) PollTtlInputs();
        }

        if (g_bSplashShown) {
            if (g_nSplashTicks++ > kSplashTicks) {
                g_bSplashShown = FALSE;
                if (m_pAboutDlg != nullptr && m_pAboutDlg->GetSafeHwnd() != nullptr)
                    m_pAboutDlg->ShowWindow(SW_HIDE);
            }
        }
    }

    if (nIDEvent == m_nSawToothTimer && (m_nFrameSawToothChannels != 0 || m_nSawToothChannels != 0)) {
        const CapabilitiesRecord* pRec = CurrentBoardRecord();
        const int nCount = pRec != nullptr ? pRec->nCodeCount : 0;
        if (m_bBoardError) return;
        const bool bAnalogFamily =
            m_nBoardFamily == FAMILY_DDA || m_nBoardFamily == FAMILY_1208 || m_nBoardFamily == FAMILY_1208HS;
        // Without a record there is no code count to wrap at.
        if (bAnalogFamily && nCount > 0) {
            for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
                if (SignalKindOf(g_Params.nSignalCode[ch]) != SIGNAL_SAWTOOTH) continue;
                g_nSawToothValue[ch] =
                    static_cast<std::uint16_t>((g_nSawToothValue[ch] + SAWTOOTH_STEP) % nCount);
                const float f = static_cast<float>(g_nSawToothValue[ch]) / static_cast<float>(nCount);
                m_fSignalValue = f;
                WriteAnalogOutput(ch, f, g_Params.bInvert[ch]);
            }
        }
    }

    if (nIDEvent == m_nTtlTestTimer && m_bTtlTest) {
        PollTtlInputs();
        TestTtlOutput();
        if (g_Params.bTtlInputMarkers) CRS_SendCommand("dataFile_InsertMarker\t%c ", 'R');
    }

    CDialog::OnTimer(nIDEvent);
}
