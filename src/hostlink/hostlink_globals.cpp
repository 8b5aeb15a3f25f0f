#include "hostlink/hostlink_globals.h"

std::uint16_t g_wHostTtlBits = 0;

void ResetHostLinkGlobals() {
    g_wHostTtlBits = 0;
}
