#pragma once

#include <cstdint>

// TTL output bits that host notification 165 has set.
extern std::uint16_t g_wHostTtlBits;
// Entries 0..7 single bits, 8..11 all sixteen bits.
extern const std::uint16_t g_wBitMask[12];
