#include "engine/ttl_output.h"

#include "app/main_dialog.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/ul/cbw.h"
#include "resources/resource.h"

namespace {

// Bit 15 of a TTL output code: a write of the running burst.
constexpr USHORT kBurstWriteFlag = 0x8000;
// Host private status item that receives the output byte.
constexpr int kHostStatusTtlOutput = 13;

// The byte-wide output port of a family; 0 for the families without one (none, 1208HS, unknown).
int OutputPortOf(int nFamily) {
    switch (nFamily) {
        case FAMILY_DDA:
            return SECONDPORTA;
        case FAMILY_DIO24:
        case FAMILY_1208:
            return FIRSTPORTB;
        default:
            return 0;
    }
}

}  // namespace

int CTessaro2010Dlg::WriteDigitalPort(int board, int port, USHORT value) {
    if (port != m_nPulsePort && (m_bBurstBusy || m_bAdvancedOpen)) {
        // The burst owns the bits of the mask, every other writer the rest; each takes the other's bits
        // from the shadow word. The exchange loop keeps one writer's merge from overwriting the other's.
        const USHORT nMask = static_cast<USHORT>(m_nBurstMask.load());
        std::uint16_t nShadow = g_nTtlShadowWord.load();
        USHORT nMerged = 0;
        do {
            if ((value & kBurstWriteFlag) != 0)
                nMerged = static_cast<USHORT>((nShadow & ~nMask) | (value & 0xFF & nMask));
            else
                nMerged = static_cast<USHORT>((nShadow & nMask) | (value & ~nMask));
        } while (!g_nTtlShadowWord.compare_exchange_weak(nShadow, nMerged));
        value = nMerged;
    }
    if (m_bSimulatedBoard) return 0;
    return cbDOut(board, port, value);
}

int CTessaro2010Dlg::WriteTtlPort(USHORT code) {
    // The burst worker writes to the board in use when the burst started (it does not read g_Params).
    const int nBoard = OnBurstWorker() ? m_nBurstBoardNum.load() : g_Params.nBoardNum;
    switch (m_nBoardFamily) {
        case FAMILY_NONE:
            return 1;
        case FAMILY_DDA:
        case FAMILY_DIO24:
        case FAMILY_1208:
            return WriteDigitalPort(nBoard, OutputPortOf(m_nBoardFamily), code);
        case FAMILY_1208HS:
            // Lines 8..15 of the auxiliary port, one call each; a set bit goes as its weight, which the
            // library takes as high. Failures of single lines are not reported.
            for (int i = 0; i < 8; ++i)
                cbDBitOut(nBoard, AUXPORT, 8 + i, static_cast<USHORT>(code & (1 << i)));
            return 0;
        default:
            return 0;
    }
}

void CTessaro2010Dlg::TTL_setOutput_to_values(USHORT code) {
    if ((code & kBurstWriteFlag) != 0) m_nHeldBits = code & 0x7FFF;
    // A code with bits above 7 never equals the stored byte, so it is always written.
    if (!m_bBurstBusy && static_cast<int>(code) == g_nLastTtlOutput && !m_bTtlOutputsZeroed) return;

    const int nResult = WriteTtlPort(code);
    // The host hears of the byte whether or not the write succeeded.
    CRS_SetStatus_PRIVATE(kHostStatusTtlOutput, code & 0xFF);
    if (!m_bBurstBusy) g_nLastTtlOutput = code & 0xFF;
    m_bTtlOutputsZeroed = FALSE;
    ShowTtlOutput(code & 0xFF);
    if (nResult != 0 && !m_bBoardError) BoardErrorBox(" TTL_setOutput_to_values.\n Error: -3 ");
}

void CTessaro2010Dlg::TTL_setOutput_to_zero(const char* text) {
    if (m_bBoardError || m_bTtlOutputsZeroed) return;
    m_bTtlOutputsZeroed = TRUE;

    int nResult = 0;
    const int nPort = OutputPortOf(m_nBoardFamily);
    if (nPort != 0) nResult = WriteDigitalPort(g_Params.nBoardNum, nPort, 0);

    if (nResult != 0) {
        if (!m_bBoardError) BoardErrorBox(" TTL_setOutput_to_zero.\n Error: -4 ");
        m_bBoardError = TRUE;
    } else {
        SetControlTextF(m_pTtlOutputLine, "%s", text != nullptr ? text : "");
    }
}

void CTessaro2010Dlg::OutputRoiCode() {
    int nRoi = 0;
    CRS_GetROI_InCode2(0, &nRoi);
    USHORT code = static_cast<USHORT>(nRoi & 0xFFFF);
    if (m_bBurstBusy || m_bAdvancedOpen) {
        code = static_cast<USHORT>((code & ~m_nBurstMask.load()) | m_nHeldBits.load());
        UpdateLatencyStats(code);
    }
    // Written on every call, changed or not; a failure here is not a board error.
    WriteTtlPort(code);
    ShowTtlOutput(code);
    m_bTtlOutputsZeroed = FALSE;
}

void CTessaro2010Dlg::TestTtlOutput() {
    g_nTtlTestCount = static_cast<std::uint16_t>((g_nTtlTestCount + 1) % 256);
    const int nPort = OutputPortOf(m_nBoardFamily);
    if (nPort != 0) WriteDigitalPort(g_Params.nBoardNum, nPort, g_nTtlTestCount);

    // Not recorded as the last shown output: the next re-show brings back the real code.
    if (g_Params.nTtlRadixId != ID_TTL_LEDS)
        SetControlTextF(m_pTtlOutputLine, " TTL out: %s TEST",
                        FormatTtlValue(g_nTtlTestCount, g_Params.nTtlRadixId));
    else
        ShowTtlLeds(IDC_OUTPUT_LED_FIRST, g_nTtlTestCount);
}
