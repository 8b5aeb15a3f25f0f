// Layout of the connector pin-out pictures (bitmaps 3001..3005), for whoever needs to find a pin on them.
#pragma once

#include <cstdint>

#include "platform/wintypes.h"

// What a line of a connector is to the program; each has its own colour on the pictures.
enum class EPinRole { Other, TtlOut, TtlIn, Analog, CounterIrq, Pulse, Ground };
std::uint32_t PinoutRoleColor(EPinRole role);  // 0x00RRGGBB

// Centre of pin nPin on picture nID (pixels from the top-left corner); FALSE when the picture has no such
// numbered pin (the DDA pictures show port and channel groups only).
BOOL PinoutPinCentre(unsigned nID, int nPin, POINT* pPoint);
