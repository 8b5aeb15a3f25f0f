#pragma once

#include <cstdint>

// Counter 0's value at the previous frame.
extern std::uint32_t g_nLastCounterValue;
