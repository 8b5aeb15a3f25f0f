#include "resources/timing_bitmap.h"

#include <cstdint>

#include "resources/pixel_canvas.h"

namespace {

constexpr std::uint32_t kPaper = 0xFFFFFF;
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

// A trace low from kTraceStart, high from rise to fall, low again to kTraceEnd (two pixels thick).
void Trace(CPixelCanvas& canvas, int high, int low, int rise, int fall) {
    canvas.FillRect(kTraceStart, low - 1, rise + 1, low + 1, kInk);
    canvas.FillRect(rise, high, fall + 1, high + 2, kInk);
    canvas.FillRect(fall, low - 1, kTraceEnd + 1, low + 1, kInk);
    canvas.FillRect(rise, high, rise + 2, low + 1, kInk);
    canvas.FillRect(fall, high, fall + 2, low + 1, kInk);
}

// A dashed guide line down one column.
void Guide(CPixelCanvas& canvas, int x, int y0, int y1) {
    for (int y = y0; y <= y1; ++y)
        if ((y / 2) % 2 == 0) canvas.Set(x, y, kGuide);
}

// A double-headed arrow between two columns.
void Interval(CPixelCanvas& canvas, int x0, int x1, int y) {
    canvas.Line(x0, y, x1, y, kMark);
    for (int k = 1; k <= 3; ++k) {
        canvas.Line(x0 + k, y - k, x0 + k, y + k, kMark);
        canvas.Line(x1 - k, y - k, x1 - k, y + k, kMark);
    }
}

std::vector<BYTE> DrawTiming() {
    CPixelCanvas canvas(LATENCY_TIMING_WIDTH, LATENCY_TIMING_HEIGHT, kPaper);
    canvas.Text(3, (kLedHigh + kLedLow) / 2 - 3, "LED", kInk);
    canvas.Text(3, (kRoiHigh + kRoiLow) / 2 - 3, "ROI", kInk);
    Trace(canvas, kLedHigh, kLedLow, kLedRise, kLedFall);
    Trace(canvas, kRoiHigh, kRoiLow, kRoiRise, kRoiFall);
    // Guides from each LED and ROI edge down to the arrows.
    Guide(canvas, kLedRise, kLedLow + 2, kArrowRow + 3);
    Guide(canvas, kLedFall, kLedLow + 2, kArrowRow + 3);
    Guide(canvas, kRoiRise, kRoiLow + 2, kArrowRow + 3);
    Guide(canvas, kRoiFall, kRoiLow + 2, kArrowRow + 3);
    Interval(canvas, kLedRise, kRoiRise, kArrowRow);
    Interval(canvas, kLedFall, kRoiFall, kArrowRow);
    canvas.Text((kLedRise + kRoiRise) / 2 - 6, kRoiLow - 12, "On", kMark);
    canvas.Text((kLedFall + kRoiFall) / 2 - 9, kRoiHigh + 6, "Off", kMark);
    return canvas.ToBmp16Colours();  // four colours
}

}  // namespace

const std::vector<BYTE>& LatencyTimingBitmap() {
    static const std::vector<BYTE> image = DrawTiming();  // thread-safe initialisation
    return image;
}
