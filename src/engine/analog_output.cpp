#include "engine/analog_output.h"

#include <cmath>

#include "app/main_dialog.h"
#include "platform/ul/cbw.h"

namespace {

struct VoltRange {
    float fLow;
    float fHigh;
};

// The output span of the program's own simulated board per range constant; a number that is no range
// shows as -10..+10 V. The library's spans are exact in single precision.
VoltRange SimulatedRange(int nUlRange) {
    const RangeSpan* pSpan = FindRangeSpan(nUlRange);
    if (pSpan == nullptr) pSpan = FindRangeSpan(BIP10VOLTS);
    return {static_cast<float>(pSpan->dLowVolts), static_cast<float>(pSpan->dHighVolts)};
}

// Truncates toward zero into 0..65535; the callers' values lie within it.
USHORT TruncatedCode(float fCode) {
    if (!(fCode > 0.0f)) return 0;
    if (fCode >= 65535.0f) return 65535;
    return static_cast<USHORT>(fCode);
}

constexpr float kLsToTwelveBit = 4.0029325f;  // 4095 / 1023
constexpr int kDecimation = 10;

}  // namespace

void CTessaro2010Dlg::WriteAnalogOutput(int channel, float value, BOOL invert, BOOL bParking) {
    if (m_nBoardFamily == FAMILY_NONE) return;
    const CapabilitiesRecord* pRec = CurrentBoardRecord();
    if (pRec == nullptr || pRec->nAnalogChannels == 0) return;
    if (channel < 0 || channel >= MAX_CHANNELS) return;
    const int nCount = pRec->nCodeCount;
    CWnd* pValueText = g_ChannelLinks.pValueText[channel];
    CWnd* pClampText = g_ChannelLinks.pClampText[channel];
    const float fMin = g_Params.fDomainMin[channel];
    const float fMax = g_Params.fDomainMax[channel];

    // A value that is not a number lies in no domain, and an empty domain (min == max) holds no value:
    // there is no width to scale by. Parking such a channel gives it the lowest code.
    const bool bEmptyDomain = fMin == fMax;
    const bool bParkEmpty = bParking && bEmptyDomain;
    if (!bParkEmpty && (std::isnan(value) || value < fMin || value > fMax || bEmptyDomain)) {
        if (pClampText == nullptr)
            SetControlTextF(pValueText, " Signal:( %4.2f ) OUT OF DOMAIN,  Volts: Clamped",
                            static_cast<double>(value));
        else
            SetControlTextF(pValueText, " %4.2f Out Of Domain", static_cast<double>(value));
        return;
    }

    const double dValue = value;
    const bool bExactValue = dValue == 0.0 || dValue == 1.0;

    float f = bParkEmpty ? 0.0f : (value - fMin) / (fMax - fMin);
    // NaN here comes from a NaN or infinite bound.
    if (std::isnan(f) || f < 0.0f || f > 1.0f) {
        if (pClampText == nullptr)
            SetControlTextF(pValueText, " Signal:( %4.2f ) DOMAIN SCALING ERROR ,  Volts: Clamped", dValue);
        else
            SetControlTextF(pValueText, " %4.2f DOMAIN SCALING ERROR", dValue);
        return;
    }

    if (invert) f = static_cast<float>(1.0 - f);

    if (pRec->nProductType == PRODUCT_1208LS && g_bAnalogWritten) {
        g_nDecimationCounter = (g_nDecimationCounter + 1) % kDecimation;
        if (g_nDecimationCounter != 0 && !bExactValue) return;
    }

    const USHORT nCode = TruncatedCode(static_cast<float>(nCount - 1) * f);
    const int nUlRange = g_Params.range[channel].nUlRange;

    if (channel < m_nBoardAnalogChannels && !m_bSimulatedBoard) {
        if (ShowBoardError(cbAOut(g_Params.nBoardNum, channel, nUlRange, nCode)) != 0) return;
    }

    const USHORT nDisplayCode = pRec->nProductType == PRODUCT_1208LS
                                    ? TruncatedCode(static_cast<float>(nCode) * kLsToTwelveBit)
                                    : nCode;

    float fLevel = 0.0f;
    if (!m_bSimulatedBoard) {
        if (ShowBoardError(cbToEngUnits(g_Params.nBoardNum, nUlRange, nDisplayCode, &fLevel)) != 0) return;
    } else {
        const VoltRange span = SimulatedRange(nUlRange);
        fLevel = static_cast<float>(nDisplayCode) / static_cast<float>(nCount) * (span.fHigh - span.fLow) +
                 span.fLow;
    }

    // The 1208HS runs -10..+10 V whatever the range says.
    if (m_nBoardFamily == FAMILY_1208HS) fLevel = static_cast<float>(static_cast<double>(f) * 20.0 - 10.0);

    if (pClampText == nullptr) {
        SetControlTextF(pValueText, " Signal:( %4.2f ),  Volts:( %4.2f )",
                        static_cast<double>(m_fSignalValue), static_cast<double>(fLevel));
    } else {
        SetControlTextF(pValueText, " %4.3f", static_cast<double>(m_fSignalValue));
        SetControlTextF(pClampText, " %4.2f", static_cast<double>(fLevel));
    }
    g_bAnalogWritten = TRUE;
}

void CTessaro2010Dlg::ZeroAnalogOutputs(int channel) {
    if (m_bBoardError) return;
    m_fSignalValue = 0.0f;
    if (channel == -1) {
        const int nChannels = m_nChannels < MAX_CHANNELS ? m_nChannels : MAX_CHANNELS;
        for (int ch = 0; ch < nChannels; ++ch) WriteAnalogOutput(ch, 0.0f, FALSE, TRUE);
    } else {
        WriteAnalogOutput(channel, 0.0f, FALSE, TRUE);
    }
}
