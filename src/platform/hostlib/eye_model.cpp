#include "platform/hostlib/eye_model.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// Viewing geometry, cm: the screen is 40 x 30 at 60 from the eyes, the eyes are 6.3 apart.
constexpr double kScreenWidthCm = 40.0;
constexpr double kScreenHeightCm = 30.0;
constexpr double kViewingDistanceCm = 60.0;
constexpr double kInterPupillaryCm = 6.3;

constexpr double kPi = std::numbers::pi;
constexpr double kMicrosPerSecond = 1e6;

// The camera image of the eye: the pupil travels over a quarter of the image while the gaze crosses the
// screen; the glint barely moves. 1 mm of pupil is 0.02 of the image width.
constexpr double kPupilTravel = 0.25;
constexpr double kGlintTravel = 0.04;
constexpr double kGlintOffsetY = 0.03;
constexpr double kImagePerMm = 0.02;

constexpr float kEyeBDisparity = 0.004f;
constexpr int kBlinkQuality = 5;

// A schedule that lags the frame time by more than this restarts at the frame time instead of being
// played through (a time source that jumped far ahead).
constexpr LONGLONG kMaxScheduleGapUs = 60 * 1000000LL;

double Degrees(double dRadians) {
    return dRadians * 180.0 / kPi;
}

double Seconds(LONGLONG nUs) {
    return static_cast<double>(nUs) / kMicrosPerSecond;
}

double AzimuthDeg(double dX) {
    return Degrees(std::atan((dX - 0.5) * kScreenWidthCm / kViewingDistanceCm));
}

double ElevationDeg(double dY) {
    return Degrees(std::atan((0.5 - dY) * kScreenHeightCm / kViewingDistanceCm));
}

// Angular distance between two screen points, degrees; sets the saccade's duration.
double AmplitudeDeg(const float* pFrom, const float* pTo) {
    return std::hypot(AzimuthDeg(pTo[0]) - AzimuthDeg(pFrom[0]),
                      ElevationDeg(pTo[1]) - ElevationDeg(pFrom[1]));
}

// Minimum-jerk position profile, 0..1 over tau 0..1.
double MinimumJerk(double dTau) {
    const double t3 = dTau * dTau * dTau;
    return t3 * (10.0 - 15.0 * dTau + 6.0 * dTau * dTau);
}

double Wave(LONGLONG nTimeUs, double dPeriodSeconds, double dPhase) {
    return std::sin(2.0 * kPi * Seconds(nTimeUs) / dPeriodSeconds + dPhase);
}

}  // namespace

BOOL SimEyePatternFromName(const char* pszName, SimEyePattern* pPattern) {
    if (pszName == nullptr || pPattern == nullptr) return FALSE;
    if (std::strcmp(pszName, "natural") == 0) {
        *pPattern = SimEyePattern::Natural;
    } else if (std::strcmp(pszName, "still") == 0) {
        *pPattern = SimEyePattern::Still;
    } else if (std::strcmp(pszName, "sweep") == 0) {
        *pPattern = SimEyePattern::Sweep;
    } else {
        return FALSE;
    }
    return TRUE;
}

CEyeModel::CEyeModel()
    : m_nRandomState(0),
      m_ePattern(SimEyePattern::Natural),
      m_nModelStartUs(0),
      m_nPatternStartUs(0),
      m_fStillPoint{0.5f, 0.5f},
      m_nBlinkStartUs(0),
      m_nBlinkEndUs(0) {
    Reset(1, 0);
}

void CEyeModel::Reset(std::uint64_t nSeed, LONGLONG nStartUs) {
    m_nRandomState = nSeed;
    m_nModelStartUs = nStartUs;
    m_nPatternStartUs = nStartUs;
    m_segments.clear();
    Segment first{};
    first.nStartUs = nStartUs;
    first.nEndUs = nStartUs + static_cast<LONGLONG>(200000 + 500000 * NextUniform());
    first.bSaccade = false;
    first.fFrom[0] = first.fTo[0] = 0.5f;
    first.fFrom[1] = first.fTo[1] = 0.5f;
    m_segments.push_back(first);
    m_nBlinkStartUs = nStartUs + static_cast<LONGLONG>(1500000 + 2500000 * NextUniform());
    m_nBlinkEndUs = m_nBlinkStartUs + static_cast<LONGLONG>(100000 + 200000 * NextUniform());
}

void CEyeModel::SetPattern(SimEyePattern ePattern, LONGLONG nNowUs) {
    m_ePattern = ePattern;
    m_nPatternStartUs = nNowUs;
}

void CEyeModel::SetStillPoint(float fX, float fY) {
    m_fStillPoint[0] = fX;
    m_fStillPoint[1] = fY;
}

// splitmix64: portable, so a seed gives the same eye movements with every standard library.
double CEyeModel::NextUniform() {
    std::uint64_t z = (m_nRandomState += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
}

void CEyeModel::ExtendSchedule(LONGLONG nTimeUs) {
    if (nTimeUs - m_segments.back().nEndUs > kMaxScheduleGapUs) {
        Segment restart = m_segments.back();
        restart.bSaccade = false;
        restart.fFrom[0] = restart.fTo[0];
        restart.fFrom[1] = restart.fTo[1];
        restart.nStartUs = nTimeUs;
        restart.nEndUs = nTimeUs + static_cast<LONGLONG>(200000 + 500000 * NextUniform());
        m_segments.clear();
        m_segments.push_back(restart);
    }
    while (m_segments.back().nEndUs <= nTimeUs) {
        const Segment& last = m_segments.back();
        Segment next{};
        next.nStartUs = last.nEndUs;
        next.fFrom[0] = last.fTo[0];
        next.fFrom[1] = last.fTo[1];
        if (last.bSaccade) {
            next.bSaccade = false;
            next.fTo[0] = next.fFrom[0];
            next.fTo[1] = next.fFrom[1];
            next.nEndUs = next.nStartUs + static_cast<LONGLONG>(200000 + 500000 * NextUniform());
        } else {
            next.bSaccade = true;
            next.fTo[0] = static_cast<float>(0.1 + 0.8 * NextUniform());
            next.fTo[1] = static_cast<float>(0.1 + 0.8 * NextUniform());
            // Main sequence: about 21 ms plus 2.2 ms per degree.
            const double dDurationMs = 21.0 + 2.2 * AmplitudeDeg(next.fFrom, next.fTo);
            next.nEndUs = next.nStartUs + static_cast<LONGLONG>(dDurationMs * 1000.0);
        }
        m_segments.push_back(next);
    }
    while (m_segments.size() > 1 && m_segments.front().nEndUs <= nTimeUs) m_segments.pop_front();
}

void CEyeModel::ExtendBlinks(LONGLONG nTimeUs) {
    if (nTimeUs - m_nBlinkEndUs > kMaxScheduleGapUs) m_nBlinkEndUs = nTimeUs;
    while (nTimeUs >= m_nBlinkEndUs) {
        m_nBlinkStartUs = m_nBlinkEndUs + static_cast<LONGLONG>(2000000 + 4000000 * NextUniform());
        m_nBlinkEndUs = m_nBlinkStartUs + static_cast<LONGLONG>(100000 + 200000 * NextUniform());
    }
}

void CEyeModel::TrueGaze(LONGLONG nTimeUs, float* pGaze, bool* pbBlink, double* pdFixationSeconds) {
    *pbBlink = false;
    switch (m_ePattern) {
        case SimEyePattern::Still:
            pGaze[0] = m_fStillPoint[0];
            pGaze[1] = m_fStillPoint[1];
            *pdFixationSeconds = nTimeUs > m_nPatternStartUs ? Seconds(nTimeUs - m_nPatternStartUs) : 0.0;
            return;
        case SimEyePattern::Sweep: {
            const LONGLONG nPeriodUs = 4000000;
            LONGLONG nPhaseUs = (nTimeUs - m_nPatternStartUs) % nPeriodUs;
            if (nPhaseUs < 0) nPhaseUs += nPeriodUs;
            const double dPhase = static_cast<double>(nPhaseUs) / static_cast<double>(nPeriodUs);
            const double dTriangle = dPhase < 0.5 ? 2.0 * dPhase : 2.0 - 2.0 * dPhase;
            pGaze[0] = static_cast<float>(0.1 + 0.8 * dTriangle);
            pGaze[1] = 0.5f;
            *pdFixationSeconds = 0.0;
            return;
        }
        case SimEyePattern::Natural:
            break;
    }
    ExtendSchedule(nTimeUs);
    ExtendBlinks(nTimeUs);
    const Segment& seg = m_segments.front();
    if (seg.bSaccade) {
        const double dTau =
            static_cast<double>(nTimeUs - seg.nStartUs) / static_cast<double>(seg.nEndUs - seg.nStartUs);
        const double dS = MinimumJerk(dTau < 0.0 ? 0.0 : (dTau > 1.0 ? 1.0 : dTau));
        pGaze[0] = static_cast<float>(seg.fFrom[0] + (seg.fTo[0] - seg.fFrom[0]) * dS);
        pGaze[1] = static_cast<float>(seg.fFrom[1] + (seg.fTo[1] - seg.fFrom[1]) * dS);
        *pdFixationSeconds = 0.0;
    } else {
        // Fixational tremor of 0.001 of the screen.
        const LONGLONG nRelUs = nTimeUs - m_nModelStartUs;
        pGaze[0] = static_cast<float>(seg.fTo[0] + 0.001 * Wave(nRelUs, 0.59, 0.0));
        pGaze[1] = static_cast<float>(seg.fTo[1] + 0.001 * Wave(nRelUs, 0.77, 1.0));
        *pdFixationSeconds = nTimeUs > seg.nStartUs ? Seconds(nTimeUs - seg.nStartUs) : 0.0;
    }
    *pbBlink = nTimeUs >= m_nBlinkStartUs && nTimeUs < m_nBlinkEndUs;
}

void CEyeModel::ComputeFrame(LONGLONG nTimeUs, const SimHostFrame& prev, const SimEyeOverrides& overrides,
                             SimHostFrame* pOut) {
    SimHostFrame frame{};
    frame.nTimeUs = nTimeUs;
    const LONGLONG nRelUs = nTimeUs - m_nModelStartUs;
    float fTrue[2];
    bool bBlink = false;
    double dFixationSeconds = 0.0;
    TrueGaze(nTimeUs, fTrue, &bBlink, &dFixationSeconds);

    const bool bAnimate = m_ePattern != SimEyePattern::Still;
    const double dDriftOffset = m_ePattern == SimEyePattern::Natural ? 0.008 * Wave(nRelUs, 40.0, 0.0) : 0.0;
    const double dDistanceCm = kViewingDistanceCm + (bAnimate ? 3.0 * Wave(nRelUs, 13.0, 0.0) : 0.0);
    const double dDt = Seconds(nTimeUs - prev.nTimeUs);

    for (int e = 0; e < 2; ++e) {
        SimEyeData& d = frame.eye[e];
        float fCorrected[2] = {fTrue[0], fTrue[1]};
        if (e == 1) {
            fCorrected[0] += kEyeBDisparity;
            if (m_ePattern == SimEyePattern::Natural) {
                fCorrected[0] += static_cast<float>(0.0008 * Wave(nRelUs, 0.43, 2.0));
                fCorrected[1] += static_cast<float>(0.0008 * Wave(nRelUs, 0.67, 3.0));
            }
        }
        float fRaw[2] = {static_cast<float>(fCorrected[0] + dDriftOffset),
                         static_cast<float>(fCorrected[1] + 0.5 * dDriftOffset)};
        bool bEyeBlink = bBlink;
        if (overrides.bForceGaze[e]) {
            fCorrected[0] = fRaw[0] = overrides.fForcedGaze[e][0];
            fCorrected[1] = fRaw[1] = overrides.fForcedGaze[e][1];
        }
        const bool bSpot = e == 0 && overrides.bBrightSpot;
        if (bSpot) {
            fCorrected[0] = fRaw[0] = overrides.fBrightSpot[0];
            fCorrected[1] = fRaw[1] = overrides.fBrightSpot[1];
            bEyeBlink = false;
        }

        for (int i = 0; i < 2; ++i) {
            d.fGaze[i] = fRaw[i];
            d.fGazeCorrected[i] = fCorrected[i];
            d.fPupilPoint[i] = bSpot ? overrides.fBrightSpot[i]
                                     : static_cast<float>(0.5 + (fCorrected[i] - 0.5) * kPupilTravel);
            d.fGlintPoint[i] = static_cast<float>(0.5 + (fCorrected[i] - 0.5) * kGlintTravel +
                                                  (i == 1 ? kGlintOffsetY : 0.0));
            d.fDiffVector[i] = d.fPupilPoint[i] - d.fGlintPoint[i];
        }
        d.fGazeAngle[0] = static_cast<float>(AzimuthDeg(fRaw[0]));
        d.fGazeAngle[1] = static_cast<float>(ElevationDeg(fRaw[1]));
        d.fGazeAngleCorrected[0] = static_cast<float>(AzimuthDeg(fCorrected[0]));
        d.fGazeAngleCorrected[1] = static_cast<float>(ElevationDeg(fCorrected[1]));
        for (int i = 0; i < 2; ++i) {
            d.fComponentVelocity[i] =
                dDt > 0.0 ? static_cast<float>((d.fGazeAngle[i] - prev.eye[e].fGazeAngle[i]) / dDt) : 0.0f;
        }
        d.dTotalVelocity = std::hypot(d.fComponentVelocity[0], d.fComponentVelocity[1]);

        const double dPhase = e == 0 ? 0.0 : 0.7;
        const double dOffCentre = std::hypot(fCorrected[0] - 0.5, fCorrected[1] - 0.5);
        d.dTorsion = bAnimate ? 1.2 * Wave(nRelUs, 7.0, dPhase) : 0.0;
        d.dPupilAngle =
            dOffCentre > 1e-6 ? Degrees(std::atan2(0.5 - fCorrected[1], fCorrected[0] - 0.5)) : 0.0;
        d.dDrift = dDriftOffset * Degrees(2.0 * std::atan(0.5 * kScreenWidthCm / kViewingDistanceCm));
        d.dFixationSeconds = dFixationSeconds;
        if (bEyeBlink) {
            d.dPupilDiameter = 0.0;
            d.dPupilAspectRatio = 0.0;
            d.fPupilSize[0] = d.fPupilSize[1] = 0.0f;
            d.nDataQuality = kBlinkQuality;
        } else {
            d.dPupilDiameter = 4.0 + (bAnimate ? 0.6 * Wave(nRelUs, 11.0, dPhase) : 0.0);
            d.dPupilAspectRatio = 1.0 - 0.3 * (dOffCentre > 0.71 ? 0.71 : dOffCentre);
            d.fPupilSize[0] = static_cast<float>(d.dPupilDiameter * kImagePerMm);
            d.fPupilSize[1] = static_cast<float>(d.fPupilSize[0] * d.dPupilAspectRatio);
            d.nDataQuality = 0;
        }
        if (overrides.bForceQuality[e]) d.nDataQuality = overrides.nForcedQuality[e];
        const bool bOnScreen =
            fCorrected[0] >= 0.0f && fCorrected[0] <= 1.0f && fCorrected[1] >= 0.0f && fCorrected[1] <= 1.0f;
        d.nPanelHit = bOnScreen && d.nDataQuality < kBlinkQuality ? 1 : 0;
    }

    const SimEyeData& a = frame.eye[0];
    const SimEyeData& b = frame.eye[1];
    frame.fVergenceAngle[0] =
        static_cast<float>(Degrees(2.0 * std::atan(0.5 * kInterPupillaryCm / dDistanceCm)));
    frame.fVergenceAngle[1] = bAnimate ? static_cast<float>(0.1 * Wave(nRelUs, 9.0, 0.0)) : 0.0f;
    const double dMeanX = 0.5 * (a.fGazeCorrected[0] + b.fGazeCorrected[0]);
    const double dMeanY = 0.5 * (a.fGazeCorrected[1] + b.fGazeCorrected[1]);
    frame.fGazePoint3D[0] = static_cast<float>((dMeanX - 0.5) * kScreenWidthCm);
    frame.fGazePoint3D[1] = static_cast<float>((0.5 - dMeanY) * kScreenHeightCm);
    frame.fGazePoint3D[2] = static_cast<float>(dDistanceCm);
    for (int i = 0; i < 2; ++i) {
        frame.fVersionAngle[i] = 0.5f * (a.fGazeAngleCorrected[i] + b.fGazeAngleCorrected[i]);
        frame.fVersionComponentVelocity[i] = 0.5f * (a.fComponentVelocity[i] + b.fComponentVelocity[i]);
    }
    frame.dVersionTotalVelocity =
        std::hypot(frame.fVersionComponentVelocity[0], frame.fVersionComponentVelocity[1]);
    *pOut = frame;
}
