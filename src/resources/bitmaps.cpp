#include "resources/bitmaps.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "resources/resource.h"

namespace {

void Put16(std::vector<BYTE>& v, size_t at, std::uint32_t x) {
    v[at] = static_cast<BYTE>(x & 0xFF);
    v[at + 1] = static_cast<BYTE>((x >> 8) & 0xFF);
}
void Put32(std::vector<BYTE>& v, size_t at, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + static_cast<size_t>(i)] = static_cast<BYTE>((x >> (8 * i)) & 0xFF);
}

}  // namespace

std::vector<BYTE> MakeTessaroBmp(int w, int h, const std::function<std::uint32_t(int, int)>& pixel) {
    const size_t row = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
    const size_t image = row * static_cast<size_t>(h);
    std::vector<BYTE> v(54 + image, 0);
    v[0] = 'B';
    v[1] = 'M';
    Put32(v, 2, static_cast<std::uint32_t>(v.size()));
    Put32(v, 10, 54);
    Put32(v, 14, 40);
    Put32(v, 18, static_cast<std::uint32_t>(w));
    Put32(v, 22, static_cast<std::uint32_t>(h));
    Put16(v, 26, 1);
    Put16(v, 28, 24);
    Put32(v, 34, static_cast<std::uint32_t>(image));
    for (int y = 0; y < h; ++y) {
        const size_t base = 54 + row * static_cast<size_t>(h - 1 - y);  // rows are stored bottom-up
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = pixel(x, y);
            v[base + static_cast<size_t>(x) * 3] = static_cast<BYTE>(c & 0xFF);
            v[base + static_cast<size_t>(x) * 3 + 1] = static_cast<BYTE>((c >> 8) & 0xFF);
            v[base + static_cast<size_t>(x) * 3 + 2] = static_cast<BYTE>((c >> 16) & 0xFF);
        }
    }
    return v;
}

namespace {

std::vector<BYTE> Draw(unsigned id) {
    switch (id) {
        case IDR_MAINFRAME:  // an eye: white almond, blue iris, black pupil
            return MakeTessaroBmp(32, 32, [](int x, int y) -> std::uint32_t {
                const int dx = x - 16, dy = y - 16;
                const int r2 = dx * dx + dy * dy;
                if (r2 < 16) return 0x000000;
                if (r2 < 64) return 0x2060C0;
                if (dx * dx + 4 * dy * dy < 225) return 0xFFFFFF;
                return 0xE1E1E1;
            });
        case IDB_COLLAPSED:  // a triangle pointing right
            return MakeTessaroBmp(11, 11, [](int x, int y) -> std::uint32_t {
                const int d = y < 5 ? 5 - y : y - 5;
                return (x >= 2 && x <= 8 - d) ? 0x000000 : 0xE1E1E1;
            });
        case IDB_EXPANDED:  // a triangle pointing down
            return MakeTessaroBmp(11, 11, [](int x, int y) -> std::uint32_t {
                const int d = x < 5 ? 5 - x : x - 5;
                return (y >= 2 && y <= 8 - d) ? 0x000000 : 0xE1E1E1;
            });
        case IDB_LOGO:  // a band of stripes
            return MakeTessaroBmp(111, 21, [](int x, int y) -> std::uint32_t {
                if (y < 2 || y > 18) return 0xE1E1E1;
                return ((x / 6) % 2) ? 0x1F4E8C : 0x6FA0DC;
            });
        case IDB_ABOUT:
            return DrawAboutPicture();
        case IDB_PINOUT_DIO37:
        case IDB_PINOUT_DDA100:
        case IDB_PINOUT_DDA50_TTL:
        case IDB_PINOUT_DDA50_ANALOG:
        case IDB_PINOUT_PMD1208:
            return DrawPinoutPicture(id);
        default:
            return {};
    }
}

}  // namespace

const std::vector<BYTE>& TessaroBitmap(unsigned nID) {
    static std::mutex lock;
    static std::map<unsigned, std::vector<BYTE>> cache;
    std::lock_guard<std::mutex> guard(lock);
    auto it = cache.find(nID);
    if (it == cache.end()) it = cache.emplace(nID, Draw(nID)).first;
    return it->second;
}
