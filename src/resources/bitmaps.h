// The program's pictures, drawn in code and kept as 24-bit BMP file images for the whole run.
#pragma once

#include <vector>

#include "platform/wintypes.h"

// The BMP image of picture nID (the icon 128, bitmaps 132, 133, 137); an empty vector for an unknown id.
const std::vector<BYTE>& TessaroBitmap(unsigned nID);
