#include "hostlink/host_notification.h"

#include <iterator>

#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "app/text_helpers.h"
#include "platform/hostlib/crs_interapp.h"
#include "resources/resource.h"

const std::uint16_t g_wBitMask[12] = {0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020,
                                      0x0040, 0x0080, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};

namespace {

// Notification codes (high word of wParam).
constexpr WORD kCodeFreshData = 2;
constexpr WORD kCodeFreshDataAlt = 27;
constexpr WORD kCodeStatusChange = 21;
constexpr WORD kCodeTtlBit = 165;

// Status items of CRS_GetStatus; notification 21 uses the same numbers as sub-codes.
constexpr int kStatusAttached = 1;
constexpr int kStatusVideoFrozen = 2;
constexpr int kStatusBinocular = 8;

// The sync output on the pulse port for an odd count.
constexpr USHORT kSyncFreshData = 4;
constexpr USHORT kSyncFreshDataAlt = 2;

constexpr int kNoticePointSize = 9;
constexpr UINT kNoticeFormat = DT_CENTER | DT_VCENTER;

}  // namespace

void CTessaro2010Dlg::OnHostNotification(int, WPARAM wParam, LPARAM lParam) {
    if (m_bClosing) return;

    const WORD nCode = HIWORD(static_cast<DWORD_PTR>(wParam));
    // Unsigned arithmetic: the tick count and the message time wrap, and so does the count after 2^31
    // notifications instead of overflowing.
    theApp.m_nNotificationDelayMs = static_cast<int>(GetTickCount() - static_cast<DWORD>(GetMessageTime()));
    const unsigned nCount = static_cast<unsigned>(theApp.m_nNotificationCount) + 1u;
    theApp.m_nNotificationCount = static_cast<int>(nCount);

    if (m_bShowMsgCount && nCode != kCodeStatusChange)
        SetDlgItemTextF(IDC_SHOW_MSG_COUNT, "%d", theApp.m_nNotificationCount);

    CRS_GetMessageListLength(&theApp.m_nMessageListLength);
    CRS_GetMessagePostCount(&theApp.m_nMessagePostCount);

    // Sync output for timing work in the advanced dialog: every notification, board or not.
    if (m_bAdvancedOpen && m_nPulsePort != 0) {
        USHORT nSync = 0;
        if ((nCount & 1u) != 0) {
            if (nCode == kCodeFreshDataAlt)
                nSync = kSyncFreshDataAlt;
            else if (nCode == kCodeFreshData)
                nSync = kSyncFreshData;
        }
        WriteDigitalPort(g_Params.nBoardNum, m_nPulsePort, nSync);
    }

    if (g_Params.nBoardIndex == -1) return;

    const auto nLow = LOWORD(static_cast<DWORD_PTR>(lParam));
    const auto nHigh = HIWORD(static_cast<DWORD_PTR>(lParam));
    switch (nCode) {
        case kCodeFreshData:
        case kCodeFreshDataAlt:
            ProcessFreshData();
            m_nStaleTicks = 0;
            if (m_nWaitStartTick != 0) {
                m_nWaitStartTick = 0;
                SetMessageText(IDC_NOTICE_LINE, "", kNoticePointSize, CLR_DIALOG, CLR_DIALOG, kNoticeFormat);
            }
            break;

        case kCodeStatusChange:
            if (m_bShowMsgCount)
                SetDlgItemTextF(IDC_SHOW_MSG_COUNT, "%d %d %d %d", theApp.m_nNotificationCount, nCode, nLow,
                                nHigh);
            if (nLow == kStatusVideoFrozen) {
                m_bVideoFrozen = nHigh;
                UpdateStatusLine();
            } else if (nLow == kStatusBinocular) {
                m_bBinocular = nHigh;
            }
            break;

        case kCodeTtlBit:
            // With the region-of-interest output on, the TTL lines carry the ROI code and the host's
            // request is ignored. A bit number without a mask entry (above 11) is ignored as well.
            if (!g_Params.bRoiOutput && nLow < std::size(g_wBitMask)) {
                if (nHigh != 0)
                    g_wHostTtlBits |= g_wBitMask[nLow];
                else
                    g_wHostTtlBits &= static_cast<std::uint16_t>(~g_wBitMask[nLow]);
                TTL_setOutput_to_values(g_wHostTtlBits);
            }
            break;

        default:
            break;
    }
}

void CTessaro2010Dlg::PollHostStatus() {
    m_bHostAttached = CRS_GetStatus(kStatusAttached);
    m_bBinocular = CRS_GetStatus(kStatusBinocular);
    m_bVideoFrozen = CRS_GetStatus(kStatusVideoFrozen);
}
