#include "engine/frame_processing.h"

#include "app/main_dialog.h"
#include "engine/signal_codes.h"
#include "platform/hostlib/crs_interapp.h"
#include "resources/resource.h"

namespace {

// The counter edge is announced in the layout of a TTL input change: code 164 in the high word, and
// "rising" (1) with input number 99 in the value.
constexpr int kCounterEdgeCode = 164 << 16;
constexpr int kCounterEdgeValue = (1 << 16) | 99;
constexpr char kCounterEdgeMarker = 'Q';

using PairGetter = int (*)(int, float*);
using DoubleGetter = int (*)(int, double*);
using IntGetter = int (*)(int, int*);

// Only an axis whose low two bits are 2 picks the second component.
float Component(const float (&pair)[2], std::int32_t axis) {
    return pair[(axis & 3) == AXIS_Y ? 1 : 0];
}

float PairValue(PairGetter pfnGet, int eye, std::int32_t axis) {
    float pair[2] = {0.0f, 0.0f};
    pfnGet(eye, pair);
    return Component(pair, axis);
}

float DoubleValue(DoubleGetter pfnGet, int eye) {
    double value = 0.0;
    pfnGet(eye, &value);
    return static_cast<float>(value);
}

float IntValue(IntGetter pfnGet, int eye) {
    int value = 0;
    pfnGet(eye, &value);
    return static_cast<float>(value);
}

float BinocularPairValue(int (*pfnGet)(float*), std::int32_t axis) {
    float pair[2] = {0.0f, 0.0f};
    pfnGet(pair);
    return Component(pair, axis);
}

}  // namespace

float ReadSignalValue(std::int32_t kind, std::int32_t axis, int eye) {
    switch (kind) {
        case SIGNAL_GAZE_POINT:
            return PairValue(CRS_GetGazePoint2, eye, axis);
        case SIGNAL_GAZE_POINT_CORRECTED:
            return PairValue(CRS_GetGazePointCorrected2, eye, axis);
        case SIGNAL_COMPONENT_VELOCITY:
            return PairValue(CRS_GetComponentVelocity2, eye, axis);
        case SIGNAL_PUPIL_SIZE:
            return PairValue(CRS_GetPupilSize2, eye, axis);
        case SIGNAL_PUPIL_POINT:
            return PairValue(CRS_GetPupilPoint2, eye, axis);
        case SIGNAL_GLINT_POINT:
            return PairValue(CRS_GetGlintPoint2, eye, axis);
        case SIGNAL_DIFF_VECTOR:
            return PairValue(CRS_GetDiffVector2, eye, axis);
        case SIGNAL_TORSION:
            return DoubleValue(CRS_GetTorsion2, eye);
        case SIGNAL_GAZE_ANGLE:
            return PairValue(CRS_GetGazeAngle2, eye, axis);
        case SIGNAL_GAZE_ANGLE_CORRECTED:
            return PairValue(CRS_GetGazeAngleCorrected2, eye, axis);
        case SIGNAL_PUPIL_ANGLE:
            return DoubleValue(CRS_GetPupilAngle2, eye);
        case SIGNAL_PUPIL_DIAMETER:
            return DoubleValue(CRS_GetPupilDiameter2, eye);
        case SIGNAL_TOTAL_VELOCITY:
            return DoubleValue(CRS_GetTotalVelocity2, eye);
        case SIGNAL_PUPIL_ASPECT_RATIO:
            return DoubleValue(CRS_GetPupilAspectRatio2, eye);
        case SIGNAL_DATA_QUALITY:
            return IntValue(CRS_GetDataQuality2, eye);
        case SIGNAL_DRIFT:
            return DoubleValue(CRS_GetDrift2, eye);
        case SIGNAL_FIXATION_SECONDS:
            return DoubleValue(CRS_GetFixationSeconds2, eye);
        case SIGNAL_PANEL_HIT:
            return IntValue(CRS_GetPanelHit, eye);
        case SIGNAL_VERGENCE_ANGLE:
            return BinocularPairValue(CRS_GetVergenceAngle, axis);
        case SIGNAL_GAZE_POINT_3D: {
            float xyz[3] = {0.0f, 0.0f, 0.0f};
            CRS_GetGazePoint3D(xyz);
            return xyz[axis == AXIS_Y ? 1 : axis == AXIS_Z ? 2 : 0];
        }
        case SIGNAL_VERSION_ANGLE:
            return BinocularPairValue(CRS_GetVersionAngle, axis);
        case SIGNAL_VERSION_COMPONENT_VELOCITY:
            return BinocularPairValue(CRS_GetVersionComponentVelocity, axis);
        case SIGNAL_VERSION_TOTAL_VELOCITY: {
            double value = 0.0;
            CRS_GetVersionTotalVelocity(&value);
            return static_cast<float>(value);
        }
        default:
            return 0.0f;
    }
}

void CTessaro2010Dlg::ProcessFreshData() {
    if (m_bClosing) return;

    // Any number of counts between two frames is one edge. The read's result is not examined: a failed
    // read (or the simulated board) leaves the value as it was given.
    ULONG nCounter = 0;
    ReadCounter(g_Params.nBoardNum, 0, &nCounter);
    if (nCounter != g_nLastCounterValue) {
        g_nLastCounterValue = nCounter;
        CRS_DistributeMessages(kCounterEdgeCode, kCounterEdgeValue);
        if (g_Params.bTtlInputMarkers) CRS_SendCommand("dataFile_InsertMarker\t%c ", kCounterEdgeMarker);
        Sleep(1);
        m_nTriggerLedTicks = SecondsInTicks(0.5, m_nDefaultPeriodMs);
        SetControlColor(IDC_TRIGGER_LED, LED_LIT);
    }

    // The per-channel arrays hold 16 entries whatever m_nChannels says; a board index that names no
    // record has no analog channels.
    const CapabilitiesRecord* pRec = CurrentBoardRecord();
    int nChannels = m_nChannels < MAX_CHANNELS ? m_nChannels : MAX_CHANNELS;
    if (pRec == nullptr || pRec->nAnalogChannels == 0) nChannels = 0;

    int nSawTooth = 0;
    for (int ch = 0; ch < nChannels; ++ch) {
        const std::int32_t nKind = SignalKindOf(g_Params.nSignalCode[ch]);
        const std::int32_t nAxis = SignalAxisOf(g_Params.nSignalCode[ch]);
        CWnd* pValueText = g_ChannelLinks.pValueText[ch];
        CWnd* pClampText = g_ChannelLinks.pClampText[ch];
        m_fSignalValue = 0.0f;

        if (nKind == SIGNAL_SAWTOOTH) {
            ++nSawTooth;
            continue;
        }
        if (nKind == SIGNAL_TEST_ZERO || nKind == SIGNAL_TEST_ONE) {
            const float fValue = nKind == SIGNAL_TEST_ONE ? 1.0f : 0.0f;
            m_fSignalValue = fValue;
            WriteAnalogOutput(ch, fValue, FALSE);
            continue;
        }

        // Eye B is read all the same; the notice only warns that the host may not be tracking it.
        const int nEye = g_Params.nEye[ch];
        if (nEye == 1 && !m_bBinocular) {
            m_nMessageTicks = FiveSecondTicks();
            SetControlTextF(m_pMessageLine, "EyeB was selected, but Binocular Mode is not Active.");
        }

        int nQuality = 0;
        CRS_GetDataQuality2(nEye, &nQuality);
        if (nQuality > g_Params.nQualityThreshold) {
            // Parking writes the channel's success texts, so it goes first and the notice stays visible.
            if (g_Params.bZeroOnBadScan && !m_bBoardError) ZeroAnalogOutputs(ch);
            if (pClampText == nullptr) {
                SetControlTextF(pValueText, " BAD SCAN notice from Corvessa (quality=%d)", nQuality);
            } else {
                SetControlTextF(pValueText, " BAD SCAN notice (quality=%d)", nQuality);
                SetControlTextF(pClampText, " ");
            }
            continue;
        }

        const float fValue = ReadSignalValue(nKind, nAxis, nEye);
        m_fSignalValue = fValue;

        if (m_bBoardError) {
            if (pClampText == nullptr) {
                SetControlTextF(pValueText, " Error for Signal:( %4.2f ) ", static_cast<double>(fValue));
            } else {
                SetControlTextF(pValueText, " Error: %4.2f", static_cast<double>(fValue));
                SetControlTextF(pClampText, "  ");
            }
            return;
        }
        WriteAnalogOutput(ch, fValue, g_Params.bInvert[ch]);
    }

    m_nFrameSawToothChannels = nSawTooth;

    if (!m_bTtlTest) {
        m_nInputPollTicks = 0;
        PollTtlInputs();
    }

    if (g_Params.bRoiOutput) {
        if (!m_bTtlTest) OutputRoiCode();
    } else {
        SetControlTextF(m_pTtlOutputLine, " ROI output not selected");
    }
}
