#include "platform/screen/bmp_surface.h"

#include <cstdint>
#include <vector>

#include "platform/win/gdi.h"

cairo_surface_t* AfxBmpToSurface(const BYTE* pData, size_t nSize) {
    int w = 0;
    int h = 0;
    std::vector<std::uint32_t> pixels;
    // Checks the header, the format and that every row lies inside the data.
    if (!AfxDecodeBmpPixels(pData, nSize, &w, &h, &pixels)) return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_surface_flush(s);
    unsigned char* dst = cairo_image_surface_get_data(s);
    const int dstStride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < h; ++y) {
        auto* row =
            reinterpret_cast<std::uint32_t*>(dst + static_cast<size_t>(y) * static_cast<size_t>(dstStride));
        for (int x = 0; x < w; ++x)
            row[x] = pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
    }
    cairo_surface_mark_dirty(s);
    return s;
}
