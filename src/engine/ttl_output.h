#pragma once

#include <atomic>
#include <cstdint>

// The burst worker writes the TTL outputs while the user-interface thread does; these are shared.
extern std::atomic<int> g_nLastTtlOutput;
extern std::atomic<std::uint16_t> g_nTtlShadowWord;
extern std::uint16_t g_nTtlTestCount;
