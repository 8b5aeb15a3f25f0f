#include <cstring>

#include "app/channel_panel.h"
#include "app/main_dialog.h"
#include "engine/parameter_file.h"
#include "platform/ul/cbw.h"
#include "resources/resource.h"

namespace {

constexpr int kOptionsMenuPos = 2;
constexpr int kQualitySubmenuPos = 2;
constexpr const char* kNoBoardText = " No Board (or not selected).";

// The board's name field may come from a file and need not be terminated within its 64 bytes.
bool IsSimulatedBoardName(const char (&szName)[BOARD_NAME_LEN]) {
    return std::strncmp(szName, SIMULATED_BOARD_NAME, BOARD_NAME_LEN) == 0;
}

void ShowControl(CWnd* pDlg, int nId, bool bShow) {
    if (CWnd* pWnd = pDlg->GetDlgItem(nId)) pWnd->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
}

// A panel shows the Range list of the board it was made for and stands in a slot of that board's column.
// Any panel made for another board, or in a slot at or beyond nChannels, means the column is not this
// board's: the passes only add missing panels, so such a column is discarded whole and made anew.
bool ColumnIsOfAnotherBoard(const CTessaro2010Dlg& dlg, int nBoardIndex, int nChannels) {
    for (int j = 0; j < MAX_CHANNELS; ++j) {
        const CAnalogOutputChannel* pPanel = dlg.m_pChannelDlg[j];
        if (pPanel != nullptr && (j >= nChannels || pPanel->m_nRangeBoard != nBoardIndex)) return true;
    }
    return false;
}

}  // namespace

void CTessaro2010Dlg::SelectBoard(UINT id) {
    const UINT nId = id & 0xFFFF;
    // An id without a record (from a damaged file or a stray command) selects nothing and changes nothing.
    if (nId < static_cast<UINT>(ID_BOARD_NONE) || nId > static_cast<UINT>(ID_BOARD_NONE + m_nBoards) ||
        m_nBoards > MAX_BOARDS)
        return;
    const unsigned nSelection = ++g_nSelectionsBegun;
    const auto superseded = [nSelection] { return nSelection != g_nSelectionsBegun; };
    const bool bBoard = nId != static_cast<UINT>(ID_BOARD_NONE);
    const CapabilitiesRecord* pRec = bBoard ? &g_CapabilitiesRecords[nId - ID_BOARD_FIRST] : nullptr;
    HMENU hMenu = GetSafeHwnd() != nullptr ? ::GetMenu(m_hWnd) : nullptr;

    if (!::CheckMenuRadioItem(hMenu, ID_BOARD_NONE, ID_BOARD_FIRST + m_nBoards, nId, MF_BYCOMMAND))
        ShowLastError("CheckMenuRadioItem");
    if (superseded()) return;

    // The board being left is released as the library knows it: after a load g_Params already holds
    // the new record, so the load's note stands in for the board fields while the release runs.
    const BoardBeingLeft loaded{TRUE, g_Params.nBoardNum, g_Params.nBoardIndex, g_Params.bExternalInterrupt};
    const bool bNoted = g_BoardBeingLeft.bNoted != FALSE;
    if (bNoted) {
        g_Params.nBoardNum = g_BoardBeingLeft.nBoardNum;
        g_Params.nBoardIndex = g_BoardBeingLeft.nBoardIndex;
        g_Params.bExternalInterrupt = g_BoardBeingLeft.bExternalInterrupt;
        g_BoardBeingLeft.bNoted = FALSE;
    }
    BoardPostamble();
    if (superseded()) return;
    if (g_Params.bZeroAfterBoardError) ZeroAnalogOutputs(-1);
    if (bNoted) {
        g_Params.nBoardNum = loaded.nBoardNum;
        g_Params.nBoardIndex = loaded.nBoardIndex;
        // The loaded choice, which the port configuration of a digital-only board re-applies.
        g_Params.bExternalInterrupt = loaded.bExternalInterrupt;
    }

    g_Params.nBoardMenuId = static_cast<std::int32_t>(nId);
    g_Params.nBoardIndex = static_cast<std::int32_t>(nId) - ID_BOARD_FIRST;
    if (pRec != nullptr) {
        g_Params.nBoardNum = pRec->nBoardNum;
        std::strncpy(g_Params.szBoardName, pRec->szName, sizeof g_Params.szBoardName);
    } else {
        std::memset(g_Params.szBoardName, 0, sizeof g_Params.szBoardName);
    }
    m_bSimulatedBoard = IsSimulatedBoardName(g_Params.szBoardName);

    ShowBoardLabel();

    if (HMENU hOptions = hMenu != nullptr ? ::GetSubMenu(hMenu, kOptionsMenuPos) : nullptr) {
        const int nItems = ::GetMenuItemCount(hOptions);
        for (int pos = 0; pos < nItems; ++pos) {
            UINT nState = MF_ENABLED;
            if (pRec == nullptr)
                nState = MF_DISABLED | MF_GRAYED;
            else if (pos == kQualitySubmenuPos && pRec->nAnalogChannels == 0)
                nState = MF_GRAYED;
            ::EnableMenuItem(hOptions, static_cast<UINT>(pos), MF_BYPOSITION | nState);
        }
    }

    if (pRec != nullptr && pRec->bDigitalOnly) {
        ::EnableMenuItem(hMenu, ID_PULSE_EDGE_DETECTION, MF_BYCOMMAND | MF_ENABLED);
    } else {
        if (g_Params.bExternalInterrupt) EnableExternalInterrupt(FALSE);
        ShowControl(this, IDC_TRIGGER_LED, g_Params.bExternalInterrupt != FALSE);
        ShowControl(this, IDC_TRIGGER_LABEL, g_Params.bExternalInterrupt != FALSE);
        ::EnableMenuItem(hMenu, ID_PULSE_EDGE_DETECTION, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
    }
    if (superseded()) return;

    if (pRec == nullptr) {
        // The channel counts keep their values; no port is configured and the board-error state stays.
        m_nBoardFamily = FAMILY_NONE;
        SetControlTextF(m_pTtlInputLine, "%s", kNoBoardText);
        SetControlTextF(m_pTtlOutputLine, "%s", kNoBoardText);
        // The panels of the board left go; they may be in a handler of their own (see Discard).
        if (ColumnIsOfAnotherBoard(*this, -1, 0)) DiscardChannelPanels();
        SizeMainDialog(-1);
        return;
    }

    m_nBoardFamily = pRec->nFamily;
    m_nBoardAnalogChannels = m_nChannels = pRec->nAnalogChannels;
    m_nFirstVisibleChannel = 0;
    if (CWnd* pScroll = GetDlgItem(IDC_CHANNEL_SCROLL)) {
        pScroll->ShowWindow(m_nChannels > 2 ? SW_SHOW : SW_HIDE);
        ::SetScrollRange(pScroll->m_hWnd, SB_CTL, 0, m_nChannels - 2, FALSE);
        ::SetScrollPos(pScroll->m_hWnd, SB_CTL, 0, TRUE);
    }
    if (m_nChannels == 0) SizeMainDialog(-1);
    // Every panel is made for this board: its ranges in the Range list, one per channel it has.
    if (ColumnIsOfAnotherBoard(*this, g_Params.nBoardIndex, m_nChannels)) DiscardChannelPanels();
    CreateChannelDialogs();
    if (superseded()) return;

    ShowTtlControls(TRUE);
    ResetTtlLeds(g_Params.nTtlRadixId == ID_TTL_LEDS ? 1 : 0);
    ClearBoardError(FALSE);
    ConfigureTtlPorts();
    if (superseded()) return;
    if (!m_bBoardError) ClearBoardError(TRUE);
    ShowBoardLabel();
    ZeroAnalogOutputs(-1);
}

void CTessaro2010Dlg::BoardPostamble() {
    if (m_nBoardFamily == FAMILY_NONE) return;
    TTL_setOutput_to_zero("Board Postamble: TTL outputs to zero.");
    EnableExternalInterrupt(FALSE);
    m_nPulsePort = 0;
}

void CTessaro2010Dlg::ConfigureTtlPorts() {
    const int board = g_Params.nBoardNum;
    const unsigned nSelection = g_nSelectionsBegun;
    const auto superseded = [nSelection] { return nSelection != g_nSelectionsBegun; };
    m_bTtlOutputsZeroed = FALSE;
    BOOL bInputFailed = FALSE;
    BOOL bOutputFailed = FALSE;
    BOOL bTriggerShown = FALSE;

    if (m_bSimulatedBoard) {
        bTriggerShown = g_Params.bExternalInterrupt;
    } else {
        switch (m_nBoardFamily) {
            case FAMILY_DDA: {
                const int out = cbDConfigPort(board, SECONDPORTA, DIGITALOUT);
                const int in = cbDConfigPort(board, FIRSTPORTA, DIGITALIN);
                const int pulse = cbDConfigPort(board, SECONDPORTB, DIGITALOUT);
                bInputFailed = in != 0;
                bOutputFailed = out != 0 || pulse != 0;
                m_nPulsePort = SECONDPORTB;
                break;
            }
            case FAMILY_DIO24: {
                const int out = cbDConfigPort(board, FIRSTPORTB, DIGITALOUT);
                const int in = cbDConfigPort(board, FIRSTPORTA, DIGITALIN);
                const int pulse = cbDConfigPort(board, FIRSTPORTCL, DIGITALOUT);
                bInputFailed = in != 0;
                bOutputFailed = out != 0 || pulse != 0;
                m_bPulsePortConfigured = TRUE;
                m_nPulsePort = FIRSTPORTCL;
                EnableExternalInterrupt(g_Params.bExternalInterrupt);
                bTriggerShown = g_Params.bExternalInterrupt;
                break;
            }
            case FAMILY_1208: {
                bOutputFailed = cbDConfigPort(board, FIRSTPORTB, DIGITALOUT) != 0;
                bInputFailed = cbDConfigPort(board, FIRSTPORTA, DIGITALIN) != 0;
                break;
            }
            case FAMILY_1208HS: {
                // Lines 0..7 are the TTL inputs, 8..15 the outputs; the bit calls report nothing useful.
                for (int bit = 0; bit < 8; ++bit) cbDConfigBit(board, AUXPORT, bit, DIGITALIN);
                for (int bit = 8; bit < 16; ++bit) cbDConfigBit(board, AUXPORT, bit, DIGITALOUT);
                break;
            }
            default:
                BoardErrorBox(" Port Config Unknown.\n Error: -8 ");
                if (superseded()) return;
                m_bBoardError = TRUE;
                break;
        }
    }
    if (superseded()) return;

    ShowControl(this, IDC_TRIGGER_LED, bTriggerShown != FALSE);

    if (bInputFailed) {
        if (!m_bBoardError) BoardErrorBox(" TTL port could not be set for input pulses.\n Error: -9 ");
        if (superseded()) return;
        m_bBoardError = TRUE;
    } else {
        SetControlTextF(m_pTtlInputLine, " Inputs are active");
    }
    if (bOutputFailed) {
        if (!m_bBoardError) BoardErrorBox(" TTL port could not be set for output.\n Error: -10");
        if (superseded()) return;
        m_bBoardError = TRUE;
    } else {
        TTL_setOutput_to_zero(" Initialized to zero");
        if (superseded()) return;
    }

    // Counter 0 is watched for edges by the frame processing; it restarts from 0 on every board.
    cbCClear(board, 0);
}
