// Shared by the screen's tests: pixels of cairo images, BMP pictures of one colour, and a clean-up of
// the font libraries' static caches at the end of the test program.
#pragma once

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

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

// A 24-bit BMP file image of w x h pixels, all of colour c; bTopDown stores the rows top first.
inline std::vector<BYTE> SolidBmp(int w, int h, COLORREF c, bool bTopDown = false) {
    const int stride = (w * 3 + 3) / 4 * 4;
    const int size = 54 + stride * h;
    std::vector<BYTE> b(static_cast<size_t>(size), 0);
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<BYTE>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(bTopDown ? -h : h));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            BYTE* p = &b[static_cast<size_t>(54 + y * stride + x * 3)];
            p[0] = static_cast<BYTE>((c >> 16) & 0xFF);
            p[1] = static_cast<BYTE>((c >> 8) & 0xFF);
            p[2] = static_cast<BYTE>(c & 0xFF);
        }
    return b;
}

// Releases cairo's and fontconfig's static caches once every test of the program has run, so the
// leak checker reports only what the program itself leaks.
class CFontCacheRelease : public ::testing::Environment {
  public:
    void TearDown() override { AfxScreenReleaseFontCaches(); }
};
