// Eye model of the simulated tracker host: what the host's image processing reports for eyes A and B at
// a given frame time. Deterministic: the same seed, start time and frame times give the same frames.
// Not thread-safe; CSimHost owns one and serialises every call.
#pragma once

#include <cstdint>
#include <deque>

#include "platform/wintypes.h"

enum class SimEyePattern {
    Natural,  // fixations and saccades over the screen, blinks every few seconds
    Still,    // the gaze rests on the still point, no blinks
    Sweep,    // the gaze sweeps left and right across the middle of the screen (4 s period), no blinks
};

// Returns FALSE and leaves *pPattern alone for a name other than "natural", "still" or "sweep".
BOOL SimEyePatternFromName(const char* pszName, SimEyePattern* pPattern);

// One eye's values in the host's units (see crs_interapp.h).
struct SimEyeData {
    float fGaze[2];
    float fGazeCorrected[2];
    float fComponentVelocity[2];
    float fPupilSize[2];
    float fPupilPoint[2];
    float fGlintPoint[2];
    float fDiffVector[2];
    float fGazeAngle[2];
    float fGazeAngleCorrected[2];
    double dTorsion;
    double dPupilAngle;
    double dPupilDiameter;
    double dTotalVelocity;
    double dPupilAspectRatio;
    double dDrift;
    double dFixationSeconds;
    int nDataQuality;
    int nPanelHit;
};

struct SimHostFrame {
    LONGLONG nIndex;  // frames produced since the host was reset; 0 is the initial, unposted frame
    LONGLONG nTimeUs;
    SimEyeData eye[2];
    float fVergenceAngle[2];
    float fGazePoint3D[3];
    float fVersionAngle[2];
    float fVersionComponentVelocity[2];
    double dVersionTotalVelocity;
};

// Per-frame inputs that override the model.
struct SimEyeOverrides {
    bool bForceGaze[2];
    float fForcedGaze[2][2];
    bool bForceQuality[2];
    int nForcedQuality[2];
    // Eye A's camera sees a bright spot here instead of the pupil (a lit LED in bright-pupil mode): the
    // pupil point and the gaze point are that spot, the data quality is good.
    bool bBrightSpot;
    float fBrightSpot[2];
};

class CEyeModel {
  public:
    CEyeModel();

    void Reset(std::uint64_t nSeed, LONGLONG nStartUs);
    void SetPattern(SimEyePattern ePattern, LONGLONG nNowUs);
    SimEyePattern Pattern() const { return m_ePattern; }
    void SetStillPoint(float fX, float fY);

    // Frame times must not decrease between calls; prev is the previous frame (velocities are taken
    // from it; a prev with the same or a later time gives zero velocities). pOut->nIndex is left 0: the
    // caller numbers the frames.
    void ComputeFrame(LONGLONG nTimeUs, const SimHostFrame& prev, const SimEyeOverrides& overrides,
                      SimHostFrame* pOut);

  private:
    struct Segment {
        LONGLONG nStartUs;
        LONGLONG nEndUs;
        bool bSaccade;
        float fFrom[2];
        float fTo[2];
    };

    double NextUniform();
    void ExtendSchedule(LONGLONG nTimeUs);
    void ExtendBlinks(LONGLONG nTimeUs);
    // True gaze of eye A (before drift), whether a blink is on, and the fixation time.
    void TrueGaze(LONGLONG nTimeUs, float* pGaze, bool* pbBlink, double* pdFixationSeconds);

    std::uint64_t m_nRandomState;
    SimEyePattern m_ePattern;
    LONGLONG m_nModelStartUs;  // the slow oscillations run from here
    LONGLONG m_nPatternStartUs;
    float m_fStillPoint[2];
    std::deque<Segment> m_segments;
    LONGLONG m_nBlinkStartUs;
    LONGLONG m_nBlinkEndUs;
};
