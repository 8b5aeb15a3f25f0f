// Bitmaps: the BMP resources (24-bit, or 4-bit with a palette) and bitmaps made for a context.
#include "platform/win/gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/gdi_state.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/resources.h"
#include "platform/win/system_codes_internal.h"
#include "platform/win/win_state.h"

using namespace gdistate;

namespace {

std::uint32_t U32(const BYTE* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t U16(const BYTE* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

namespace {

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;

// The layout of a BMP file image that the framework can show, or nothing.
struct SBmpLayout {
    int nWidth = 0;
    int nRows = 0;
    bool bTopDown = false;
    int nBits = 0;  // 24 or 4
    size_t nOffBits = 0;
    size_t nStride = 0;
    size_t nPaletteAt = 0;
    size_t nColours = 0;  // palette entries (4-bit images)
};

bool ReadBmpLayout(const BYTE* pData, size_t nSize, SBmpLayout& l) {
    if (pData == nullptr || nSize < kFileHeader + kInfoHeader) return false;
    if (pData[0] != 'B' || pData[1] != 'M') return false;
    const std::uint64_t offBits = U32(pData + 10);
    const std::uint64_t dibSize = U32(pData + 14);
    if (dibSize < kInfoHeader || kFileHeader + dibSize > nSize || offBits < kFileHeader + dibSize)
        return false;
    const std::int32_t width = static_cast<std::int32_t>(U32(pData + 18));
    const std::int32_t height = static_cast<std::int32_t>(U32(pData + 22));
    const int nBits = U16(pData + 28);
    if (U16(pData + 26) != 1 || (nBits != 24 && nBits != 4) || U32(pData + 30) != 0) return false;
    if (width <= 0 || width > 32767 || height == 0 || height < -32767 || height > 32767) return false;
    std::uint64_t colours = 0;
    if (nBits == 4) {
        colours = U32(pData + 46);
        if (colours == 0) colours = 16;
        if (colours > 16 || kFileHeader + dibSize + 4 * colours > offBits) return false;
    }
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(nBits) + 31) / 32 * 4;
    if (offBits + stride * rows > nSize) return false;
    l.nWidth = width;
    l.nRows = static_cast<int>(rows);
    l.bTopDown = height < 0;
    l.nBits = nBits;
    l.nOffBits = static_cast<size_t>(offBits);
    l.nStride = static_cast<size_t>(stride);
    l.nPaletteAt = static_cast<size_t>(kFileHeader + dibSize);
    l.nColours = static_cast<size_t>(colours);
    return true;
}

}  // namespace

BOOL AfxDecodeBmpHeader(const BYTE* pData, size_t nSize, int* pnWidth, int* pnHeight) {
    SBmpLayout l;
    if (!ReadBmpLayout(pData, nSize, l)) return FALSE;
    if (pnWidth) *pnWidth = l.nWidth;
    if (pnHeight) *pnHeight = l.nRows;
    return TRUE;
}

BOOL AfxDecodeBmpPixels(const BYTE* pData, size_t nSize, int* pnWidth, int* pnHeight,
                        std::vector<std::uint32_t>* pPixels) {
    SBmpLayout l;
    if (pPixels == nullptr || !ReadBmpLayout(pData, nSize, l)) return FALSE;
    std::uint32_t palette[16] = {};
    for (size_t i = 0; i < l.nColours; ++i) {
        const BYTE* p = pData + l.nPaletteAt + 4 * i;  // blue, green, red, reserved
        palette[i] =
            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) | p[0];
    }
    std::vector<std::uint32_t> pixels(static_cast<size_t>(l.nWidth) * static_cast<size_t>(l.nRows));
    for (int y = 0; y < l.nRows; ++y) {
        const size_t nRow = static_cast<size_t>(l.bTopDown ? y : l.nRows - 1 - y);
        const BYTE* src = pData + l.nOffBits + nRow * l.nStride;
        std::uint32_t* dst = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(l.nWidth);
        for (int x = 0; x < l.nWidth; ++x) {
            if (l.nBits == 24) {
                const BYTE* px = src + static_cast<size_t>(x) * 3;
                dst[x] = (static_cast<std::uint32_t>(px[2]) << 16) |
                         (static_cast<std::uint32_t>(px[1]) << 8) | px[0];
            } else {
                const BYTE b = src[x / 2];
                const size_t nIndex = (x % 2 == 0) ? (b >> 4) : (b & 0x0F);  // the high nibble first
                dst[x] = nIndex < l.nColours ? palette[nIndex] : 0;
            }
        }
    }
    if (pnWidth) *pnWidth = l.nWidth;
    if (pnHeight) *pnHeight = l.nRows;
    *pPixels = std::move(pixels);
    return TRUE;
}

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR lpBitmapName) {
    if (lpBitmapName == nullptr || !IS_INTRESOURCE(lpBitmapName)) return nullptr;
    const UINT nID = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpBitmapName));
    {
        winstate::State& ws = winstate::S();
        std::lock_guard<CFutexMutex> lock(ws.mtx);
        if (ws.failBitmaps.count(nID) != 0) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
    }
    const CBitmapResource* res = AfxFindBitmapResource(nID);
    int cx = 0, cy = 0;
    if (res == nullptr || !AfxDecodeBmpHeader(res->pData, res->nSize, &cx, &cy)) return nullptr;
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    ObjRec r;
    r.nType = OBJ_BITMAP;
    r.nBitmapId = nID;
    r.cx = cx;
    r.cy = cy;
    r.nBitsPixel = 24;
    r.pBits = res->pData + U32(res->pData + 10);
    return reinterpret_cast<HBITMAP>(NewObjLocked(g, r));
}
