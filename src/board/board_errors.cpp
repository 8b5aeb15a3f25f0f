#include "board/board_errors.h"

#include <cstdio>
#include <cstring>

#include "app/main_dialog.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/ul/cbw.h"

namespace {

// Shown in place of the board name while no board is in use.
constexpr const char* kNoBoardName = "No Board";

}  // namespace

int ReportBoardError(int err) {
    if (err == 0) return 0;
    char text[ERRSTRLEN] = {};
    cbGetErrMsg(err, text);
    text[ERRSTRLEN - 1] = '\0';
    CRS_SendCommand("say '~Tessaro ERROR: %s' ", text);
    return err;
}

const CapabilitiesRecord* CTessaro2010Dlg::CurrentBoardRecord() const {
    const int nIndex = g_Params.nBoardIndex;
    if (nIndex < 0 || nIndex >= MAX_BOARDS || nIndex >= m_nBoards) return nullptr;
    return &g_CapabilitiesRecords[nIndex];
}

int CTessaro2010Dlg::ShowBoardError(int err) {
    if (err == 0) return 0;
    // The library fills at most ERRSTRLEN characters; the rest holds " #" and any int.
    char text[ERRSTRLEN + 16] = {};
    cbGetErrMsg(err, text);
    text[ERRSTRLEN - 1] = '\0';
    const std::size_t nLen = std::strlen(text);
    std::snprintf(text + nLen, sizeof text - nLen, " #%d", g_Params.nBoardIndex);
    m_nMessageTicks = FiveSecondTicks();
    SetControlTextF(m_pMessageLine, "GetErrMsg: %s", text);
    return err;
}

void CTessaro2010Dlg::BoardErrorBox(const char* text) {
    BOOL bWasOpen = FALSE;
    if (!g_bBoardErrorBoxOpen.compare_exchange_strong(bWasOpen, TRUE)) return;
    if (OnBurstWorker()) {
        // The claim keeps every other box out until the user-interface thread has shown this one; the
        // text buffer is the claim holder's alone.
        std::snprintf(m_szWorkerBoxText, sizeof m_szWorkerBoxText, "%s", text != nullptr ? text : "");
        const HWND hReport = m_hBurstReportWnd;
        if (hReport == nullptr || !::PostMessage(hReport, WM_TTL_BURST_REPORT, BURST_REPORT_ERROR_BOX, 0))
            g_bBoardErrorBoxOpen = FALSE;
        return;
    }
    ShowClaimedBoardErrorBox(text);
}

void CTessaro2010Dlg::ShowClaimedBoardErrorBox(const char* text) {
    ::MessageBoxA(GetSafeHwnd(), text != nullptr ? text : "", "Corvessa~Tessaro ",
                  MB_OK | MB_ICONSTOP | MB_TOPMOST);
    g_bBoardErrorBoxOpen = FALSE;
    ShowBoardErrorLine();
}

void CTessaro2010Dlg::ShowBoardErrorLine() {
    m_nMessageTicks = FiveSecondTicks();
    const CapabilitiesRecord* pRec = CurrentBoardRecord();
    SetControlTextF(m_pMessageLine, " %.*s **ERROR **", BOARD_NAME_LEN - 1,
                    pRec != nullptr ? pRec->szName : kNoBoardName);
    m_bBoardError = TRUE;
}

void CTessaro2010Dlg::ClearBoardError(BOOL bZero) {
    if (m_bBoardError) {
        m_bBoardError = FALSE;
        ShowBoardLabel();
    }
    if (bZero && g_Params.bZeroAfterBoardError && !m_bBoardError) ZeroAnalogOutputs(-1);
}

int CTessaro2010Dlg::ReadDigitalPort(int board, int port, USHORT* value) {
    if (m_bSimulatedBoard) return 0;
    return cbDIn(board, port, value);
}

int CTessaro2010Dlg::ReadCounter(int board, int counter, ULONG* count) {
    if (m_bSimulatedBoard) return 0;
    return cbCIn32(board, counter, count);
}
