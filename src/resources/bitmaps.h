// The program's pictures, drawn in code and kept as 24-bit BMP file images for the whole run.
#pragma once

#include <vector>

#include "platform/wintypes.h"

#include <cstdint>
#include <functional>

// The BMP image of picture nID (the icon 128, bitmaps 132, 133, 137, the About picture 3000 and the
// pin-outs 3001..3005); an empty vector for an unknown id. Thread-safe; each picture is drawn once.
const std::vector<BYTE>& TessaroBitmap(unsigned nID);

// A 24-bit BMP file image of w x h pixels; pixel(x, y) gives 0x00RRGGBB with y counted from the top.
std::vector<BYTE> MakeTessaroBmp(int w, int h, const std::function<std::uint32_t(int, int)>& pixel);

// The About box's picture (bitmap 3000, about_bitmap.cpp).
std::vector<BYTE> DrawAboutPicture();
// A connector pin-out picture, bitmaps 3001..3005 (pinout_bitmaps.cpp); empty for another id.
std::vector<BYTE> DrawPinoutPicture(unsigned nID);
