// One latency series of the TTL burst, in seconds of the host's precision clock.
#pragma once

#include <cstdint>

struct LatencyStats {
    double dLast;
    double dTotal;
    std::int32_t nCount;
    double dMin;
    double dAverage;
    double dMax;
};

// A series with no latency yet: the smallest above and the largest below every value.
constexpr LatencyStats LATENCY_RESET = {0.0, 0.0, 0, 1e30, 0.0, -1e30};

enum TtlBurstMode : int {
    BURST_PLAIN = 0,
    BURST_ONE_SHOT = 1234,
    BURST_BOTH = 5555,
    BURST_TOGGLE_CHECK = 6666,
};
