// BMP file images (the framework's bitmap and icon resources) as cairo image surfaces.
#pragma once

#include <cairo.h>

#include <cstddef>

#include "platform/wintypes.h"

// A new RGB24 surface of the picture (the caller destroys it), NULL for anything AfxDecodeBmpHeader
// refuses (neither 24-bit nor 4-bit with a palette, compressed, truncated).
cairo_surface_t* AfxBmpToSurface(const BYTE* pData, size_t nSize);
