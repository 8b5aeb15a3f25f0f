#include "engine/parameter_block.h"

#include "engine/engine_globals.h"
#include "engine/signal_codes.h"


const std::int32_t g_DefaultSignalCodes[MAX_CHANNELS] = {
    MakeSignalCode(SIGNAL_GAZE_POINT, AXIS_X),
    MakeSignalCode(SIGNAL_GAZE_POINT_CORRECTED, AXIS_X),
    MakeSignalCode(SIGNAL_COMPONENT_VELOCITY, AXIS_X),
    MakeSignalCode(SIGNAL_PUPIL_SIZE, AXIS_X),
    MakeSignalCode(SIGNAL_PUPIL_POINT, AXIS_X),
    MakeSignalCode(SIGNAL_GLINT_POINT, AXIS_X),
    MakeSignalCode(SIGNAL_DIFF_VECTOR, AXIS_X),
    MakeSignalCode(SIGNAL_TORSION, AXIS_NONE),
    MakeSignalCode(SIGNAL_GAZE_ANGLE, AXIS_X),
    MakeSignalCode(SIGNAL_GAZE_ANGLE_CORRECTED, AXIS_X),
    MakeSignalCode(SIGNAL_PUPIL_ANGLE, AXIS_NONE),
    MakeSignalCode(SIGNAL_PUPIL_DIAMETER, AXIS_NONE),
    MakeSignalCode(SIGNAL_TOTAL_VELOCITY, AXIS_NONE),
    MakeSignalCode(SIGNAL_GAZE_POINT, AXIS_Y),
    MakeSignalCode(SIGNAL_PUPIL_POINT, AXIS_Y),
    MakeSignalCode(SIGNAL_GAZE_ANGLE, AXIS_Y),
};

void ClearChannelLinks() {
    for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
        g_ChannelLinks.pValueText[ch] = nullptr;
        g_ChannelLinks.pClampText[ch] = nullptr;
    }
}
