// A channel's signal choice: SignalKind in the high 16 bits, SignalAxis in the low 16 bits.
#pragma once

#include <cstdint>

enum SignalKind : std::int32_t {
    SIGNAL_TEST_ZERO = 10,
    SIGNAL_TEST_ONE = 11,
    SIGNAL_SAWTOOTH = 12,
    SIGNAL_GAZE_POINT = 13,
    SIGNAL_GAZE_POINT_CORRECTED = 14,
    SIGNAL_COMPONENT_VELOCITY = 15,
    SIGNAL_PUPIL_SIZE = 16,
    SIGNAL_PUPIL_POINT = 17,
    SIGNAL_GLINT_POINT = 18,
    SIGNAL_DIFF_VECTOR = 19,
    SIGNAL_TORSION = 20,
    SIGNAL_GAZE_ANGLE = 21,
    SIGNAL_GAZE_ANGLE_CORRECTED = 22,
    SIGNAL_PUPIL_ANGLE = 23,
    SIGNAL_PUPIL_DIAMETER = 24,
    SIGNAL_TOTAL_VELOCITY = 25,
    SIGNAL_PUPIL_ASPECT_RATIO = 26,
    SIGNAL_DATA_QUALITY = 27,
    SIGNAL_DRIFT = 28,
    SIGNAL_FIXATION_SECONDS = 29,
    // 30 has no signal.
    SIGNAL_PANEL_HIT = 31,
    SIGNAL_VERGENCE_ANGLE = 32,
    SIGNAL_GAZE_POINT_3D = 33,
    SIGNAL_VERSION_ANGLE = 34,
    SIGNAL_VERSION_COMPONENT_VELOCITY = 35,
    SIGNAL_VERSION_TOTAL_VELOCITY = 36,
};

enum SignalAxis : std::int32_t {
    AXIS_NONE = 0,
    AXIS_X = 1,
    AXIS_Y = 2,
    AXIS_Z = 3,
};

constexpr std::int32_t MakeSignalCode(std::int32_t kind, std::int32_t axis) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(kind) << 16) |
                                     (static_cast<std::uint32_t>(axis) & 0xFFFF));
}
constexpr std::int32_t SignalKindOf(std::int32_t code) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(code) >> 16) & 0xFFFF);
}
constexpr std::int32_t SignalAxisOf(std::int32_t code) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(code) & 0xFFFF);
}

// The value of one host data item for one eye (0 = eye A, 1 = eye B; the binocular kinds 32..36 take
// none): the host getter of the kind, the component that the axis picks. Kind 30, and every kind outside
// 13..36, is 0.0 without a host call. Two-component items take the second component when the axis's low
// two bits are 2, else the first; the 3D gaze point takes y for axis 2, z for axis 3, else x. Kinds 10
// to 12 are not host data and read 0.0 here. The getters' results are not examined: a failed getter
// leaves 0.0 or whatever it filled in.
float ReadSignalValue(std::int32_t kind, std::int32_t axis, int eye);
