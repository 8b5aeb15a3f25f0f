#include "resources/timing_bitmap.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

constexpr std::uint32_t kInk = 0x000000;
constexpr std::uint32_t kGuide = 0x808080;
constexpr std::uint32_t kMark = 0xC00000;

// Trace levels (rows from the top) and edge columns.
constexpr int kLedHigh = 6;
constexpr int kLedLow = 24;
constexpr int kRoiHigh = 36;
constexpr int kRoiLow = 54;
constexpr int kLedRise = 52;
constexpr int kLedFall = 140;
constexpr int kRoiRise = 84;
constexpr int kRoiFall = 172;
constexpr int kTraceStart = 26;
constexpr int kTraceEnd = 222;
constexpr int kArrowRow = 61;

// 5 x 7 glyphs, one byte per row, bit 4 the leftmost column.
struct Glyph {
    char c;
    std::uint8_t rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}}, {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'n', {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11}}, {'f', {0x06, 0x09, 0x08, 0x1C, 0x08, 0x08, 0x08}},
};

class CCanvas {
  public:
    CCanvas() { std::memset(m_px, 0xFF, sizeof m_px); }  // white paper

    void Set(int x, int y, std::uint32_t c) {
        if (x >= 0 && x < LATENCY_TIMING_WIDTH && y >= 0 && y < LATENCY_TIMING_HEIGHT) m_px[y][x] = c;
    }
    void HLine(int x0, int x1, int y, std::uint32_t c) {
        for (int x = x0; x <= x1; ++x) Set(x, y, c);
    }
    void VLine(int x, int y0, int y1, std::uint32_t c, bool bDashed = false) {
        for (int y = y0; y <= y1; ++y)
            if (!bDashed || (y / 2) % 2 == 0) Set(x, y, c);
    }
    // A trace low from kTraceStart, high from rise to fall, low again to kTraceEnd (two pixels thick).
    void Trace(int high, int low, int rise, int fall) {
        for (int d = 0; d < 2; ++d) {
            HLine(kTraceStart, rise, low - d, kInk);
            HLine(rise, fall, high + d, kInk);
            HLine(fall, kTraceEnd, low - d, kInk);
            VLine(rise + d, high, low, kInk);
            VLine(fall + d, high, low, kInk);
        }
    }
    // A double-headed arrow between two columns.
    void Interval(int x0, int x1, int y) {
        HLine(x0, x1, y, kMark);
        for (int k = 1; k <= 3; ++k) {
            VLine(x0 + k, y - k, y + k, kMark);
            VLine(x1 - k, y - k, y + k, kMark);
        }
    }
    void Text(int x, int y, std::string_view text, std::uint32_t c) {
        for (char ch : text) {
            for (const Glyph& g : kGlyphs) {
                if (g.c != ch) continue;
                for (int row = 0; row < 7; ++row)
                    for (int col = 0; col < 5; ++col)
                        if (g.rows[row] & (0x10 >> col)) Set(x + col, y + row, c);
            }
            x += 6;
        }
    }

    std::vector<BYTE> Bmp() const {
        const size_t row = (static_cast<size_t>(LATENCY_TIMING_WIDTH) * 3 + 3) & ~static_cast<size_t>(3);
        const size_t image = row * LATENCY_TIMING_HEIGHT;
        std::vector<BYTE> v(54 + image, 0);
        auto put = [&v](size_t at, std::uint32_t x, int n) {
            for (int i = 0; i < n; ++i)
                v[at + static_cast<size_t>(i)] = static_cast<BYTE>((x >> (8 * i)) & 0xFF);
        };
        v[0] = 'B';
        v[1] = 'M';
        put(2, static_cast<std::uint32_t>(v.size()), 4);
        put(10, 54, 4);
        put(14, 40, 4);
        put(18, LATENCY_TIMING_WIDTH, 4);
        put(22, LATENCY_TIMING_HEIGHT, 4);
        put(26, 1, 2);
        put(28, 24, 2);
        put(34, static_cast<std::uint32_t>(image), 4);
        for (int y = 0; y < LATENCY_TIMING_HEIGHT; ++y) {
            const size_t base = 54 + row * static_cast<size_t>(LATENCY_TIMING_HEIGHT - 1 - y);  // bottom-up
            for (int x = 0; x < LATENCY_TIMING_WIDTH; ++x) {
                const std::uint32_t c = m_px[y][x];
                v[base + static_cast<size_t>(x) * 3] = static_cast<BYTE>(c & 0xFF);
                v[base + static_cast<size_t>(x) * 3 + 1] = static_cast<BYTE>((c >> 8) & 0xFF);
                v[base + static_cast<size_t>(x) * 3 + 2] = static_cast<BYTE>((c >> 16) & 0xFF);
            }
        }
        return v;
    }

  private:
    std::uint32_t m_px[LATENCY_TIMING_HEIGHT][LATENCY_TIMING_WIDTH];
};

std::vector<BYTE> DrawTiming() {
    CCanvas canvas;
    canvas.Text(3, (kLedHigh + kLedLow) / 2 - 3, "LED", kInk);
    canvas.Text(3, (kRoiHigh + kRoiLow) / 2 - 3, "ROI", kInk);
    canvas.Trace(kLedHigh, kLedLow, kLedRise, kLedFall);
    canvas.Trace(kRoiHigh, kRoiLow, kRoiRise, kRoiFall);
    // Guides from each LED edge down to the arrows.
    canvas.VLine(kLedRise, kLedLow + 2, kArrowRow + 3, kGuide, true);
    canvas.VLine(kLedFall, kLedLow + 2, kArrowRow + 3, kGuide, true);
    canvas.VLine(kRoiRise, kRoiLow + 2, kArrowRow + 3, kGuide, true);
    canvas.VLine(kRoiFall, kRoiLow + 2, kArrowRow + 3, kGuide, true);
    canvas.Interval(kLedRise, kRoiRise, kArrowRow);
    canvas.Interval(kLedFall, kRoiFall, kArrowRow);
    canvas.Text((kLedRise + kRoiRise) / 2 - 6, kRoiLow - 12, "On", kMark);
    canvas.Text((kLedFall + kRoiFall) / 2 - 9, kRoiHigh + 6, "Off", kMark);
    return canvas.Bmp();
}

}  // namespace

const std::vector<BYTE>& LatencyTimingBitmap() {
    static const std::vector<BYTE> image = DrawTiming();  // thread-safe initialisation
    return image;
}
