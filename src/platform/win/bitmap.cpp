// Bitmaps: the 24-bit BMP resources and bitmaps made for a context.
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
#include "platform/win/kernel.h"
#include "platform/win/resources.h"
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

BOOL AfxDecodeBmpHeader(const BYTE* pData, size_t nSize, int* pnWidth, int* pnHeight) {
    constexpr size_t kFileHeader = 14;
    constexpr size_t kInfoHeader = 40;
    if (pData == nullptr || nSize < kFileHeader + kInfoHeader) return FALSE;
    if (pData[0] != 'B' || pData[1] != 'M') return FALSE;
    const std::uint64_t offBits = U32(pData + 10);
    const std::uint64_t dibSize = U32(pData + 14);
    if (dibSize < kInfoHeader || kFileHeader + dibSize > nSize || offBits < kFileHeader + dibSize)
        return FALSE;
    const std::int32_t width = static_cast<std::int32_t>(U32(pData + 18));
    const std::int32_t height = static_cast<std::int32_t>(U32(pData + 22));
    if (U16(pData + 26) != 1 || U16(pData + 28) != 24 || U32(pData + 30) != 0) return FALSE;
    if (width <= 0 || width > 32767 || height == 0 || height < -32767 || height > 32767) return FALSE;
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
    if (offBits + stride * rows > nSize) return FALSE;
    if (pnWidth) *pnWidth = width;
    if (pnHeight) *pnHeight = static_cast<int>(rows);
    return TRUE;
}

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR lpBitmapName) {
    if (lpBitmapName == nullptr || !IS_INTRESOURCE(lpBitmapName)) return nullptr;
    const UINT nID = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpBitmapName));
    {
        winstate::State& ws = winstate::S();
        std::lock_guard<std::mutex> lock(ws.mtx);
        if (ws.failBitmaps.count(nID) != 0) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
    }
    const CBitmapResource* res = AfxFindBitmapResource(nID);
    int cx = 0, cy = 0;
    if (res == nullptr || !AfxDecodeBmpHeader(res->pData, res->nSize, &cx, &cy)) return nullptr;
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    ObjRec r;
    r.nType = OBJ_BITMAP;
    r.nBitmapId = nID;
    r.cx = cx;
    r.cy = cy;
    r.nBitsPixel = 24;
    r.pBits = res->pData + U32(res->pData + 10);
    return reinterpret_cast<HBITMAP>(NewObjLocked(g, r));
}

HBITMAP CreateCompatibleBitmap(HDC hDC, int cx, int cy) {
    if (cx < 0 || cy < 0) return nullptr;
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    if (!FindDc(g, hDC)) return nullptr;
    ObjRec r;
    r.nType = OBJ_BITMAP;
    r.cx = cx;
    r.cy = cy;
    r.nBitsPixel = 32;
    return reinterpret_cast<HBITMAP>(NewObjLocked(g, r));
}
