// Picture 139 of the advanced dialog: the latency timing diagram, drawn in code.
#pragma once

#include <vector>

#include "platform/wintypes.h"

constexpr int LATENCY_TIMING_WIDTH = 227;
constexpr int LATENCY_TIMING_HEIGHT = 68;

// A 16-colour (4-bit) BMP file image, made once and kept for the whole run (thread-safe). Two traces, "LED"
// above and "ROI" below: the ROI trace follows each LED edge later; the rise-to-rise interval is marked "On",
// the fall-to-fall interval "Off".
const std::vector<BYTE>& LatencyTimingBitmap();
