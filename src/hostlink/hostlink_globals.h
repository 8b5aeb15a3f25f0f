// Every global of the host link, declared in one place. ResetHostLinkGlobals puts them back to their start
// values; the application's start-up calls it before anything runs, and each test fixture calls it.
#pragma once

#include <cstdint>

// TTL output bits that host notification 165 has set.
extern std::uint16_t g_wHostTtlBits;

void ResetHostLinkGlobals();
