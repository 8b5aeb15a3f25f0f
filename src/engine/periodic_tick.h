#pragma once

#include <cstdint>

#include "engine/engine_globals.h"
#include "platform/wintypes.h"

// Width of the test pulse, in performance-counter counts.
constexpr LONGLONG PULSE_WIDTH_COUNTS = 15000;

// Code steps per saw-tooth tick.
constexpr int SAWTOOTH_STEP = 50;
