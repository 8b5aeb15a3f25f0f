// Shared by the screen's tests: pixels of cairo images and a clean-up of the font libraries' static
// caches at the end of the test program.
#pragma once

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/screen/cairo_text.h"
#include "platform/win/framework.h"

// 0xRRGGBB of a pixel of an RGB24 or ARGB32 image.
inline std::uint32_t PixelAt(cairo_surface_t* s, int x, int y) {
    cairo_surface_flush(s);
    const unsigned char* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    return reinterpret_cast<const std::uint32_t*>(row)[x] & 0xFFFFFF;
}

inline std::uint32_t Rgb(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Releases cairo's and fontconfig's static caches once every test of the program has run, so the
// leak checker reports only what the program itself leaks.
class CFontCacheRelease : public ::testing::Environment {
  public:
    void TearDown() override { AfxScreenReleaseFontCaches(); }
};
