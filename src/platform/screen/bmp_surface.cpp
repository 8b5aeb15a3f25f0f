#include "platform/screen/bmp_surface.h"

#include <cstdint>
#include <cstring>

#include "platform/win/gdi.h"

cairo_surface_t* AfxBmpToSurface(const BYTE* pData, size_t nSize) {
    int w = 0;
    int h = 0;
    // Checks the header, the format and that every row lies inside the data.
    if (!AfxDecodeBmpHeader(pData, nSize, &w, &h)) return nullptr;
    auto u32 = [&](size_t at) {
        return static_cast<std::uint32_t>(pData[at]) | (static_cast<std::uint32_t>(pData[at + 1]) << 8) |
               (static_cast<std::uint32_t>(pData[at + 2]) << 16) |
               (static_cast<std::uint32_t>(pData[at + 3]) << 24);
    };
    const size_t offBits = u32(10);
    const bool bTopDown = static_cast<std::int32_t>(u32(22)) < 0;
    const size_t srcStride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_surface_flush(s);
    unsigned char* dst = cairo_image_surface_get_data(s);
    const int dstStride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < h; ++y) {
        const size_t srcRow = static_cast<size_t>(bTopDown ? y : h - 1 - y);
        const BYTE* src = pData + offBits + srcRow * srcStride;
        auto* row =
            reinterpret_cast<std::uint32_t*>(dst + static_cast<size_t>(y) * static_cast<size_t>(dstStride));
        for (int x = 0; x < w; ++x) {
            const BYTE* px = src + static_cast<size_t>(x) * 3;  // blue, green, red
            row[x] =
                (static_cast<std::uint32_t>(px[2]) << 16) | (static_cast<std::uint32_t>(px[1]) << 8) | px[0];
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}
