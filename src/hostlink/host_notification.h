#pragma once

#include <cstdint>

#include "hostlink/hostlink_globals.h"

// Entries 0..7 single bits, 8..11 all sixteen bits.
extern const std::uint16_t g_wBitMask[12];
