// Bitmap 3000: the About box's picture, 512 x 350. An eye on a dark field with the signals the program
// makes of it (two analog traces and a TTL pulse train) and the product's name.
#include <cmath>

#include "resources/bitmaps.h"
#include "resources/pixel_canvas.h"

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 350;
constexpr double kPi = 3.14159265358979323846;

void DrawEye(CPixelCanvas& c, int cx, int cy) {
    c.FillEllipse(cx, cy, 92, 44, 0xF4F4F4);  // the almond
    c.FillCircle(cx, cy, 38, 0x2F78C8);       // iris
    c.FillCircle(cx, cy, 30, 0x1F5A9E);
    c.FillCircle(cx, cy, 16, 0x000000);          // pupil
    c.FillCircle(cx + 9, cy - 10, 5, 0xFFFFFF);  // glint
    // lids
    for (int x = -96; x <= 96; ++x) {
        const double t = static_cast<double>(x) / 96.0;
        const int dy = static_cast<int>(std::lround(46.0 * (1.0 - t * t)));
        c.FillRect(cx + x, cy - dy - 3, cx + x + 1, cy - dy, 0xD8E4F0);
        c.FillRect(cx + x, cy + dy, cx + x + 1, cy + dy + 3, 0xD8E4F0);
    }
}

}  // namespace

std::vector<BYTE> DrawAboutPicture() {
    CPixelCanvas c(kWidth, kHeight, 0x10243C);
    for (int y = 0; y < kHeight; ++y) {  // a vertical shade, darker at the bottom
        const int k = 0x30 - y * 0x20 / kHeight;
        const std::uint32_t r = static_cast<std::uint32_t>(k / 3),
                            g = static_cast<std::uint32_t>(k * 2 / 3 + 0x10),
                            b = static_cast<std::uint32_t>(k + 0x20);
        c.FillRect(0, y, kWidth, y + 1, (r << 16) | (g << 8) | b);
    }
    DrawEye(c, 130, 120);

    // The signals: a gaze trace and a pupil trace on a grid, and a TTL pulse train below them.
    const int left = 250, right = 500;
    for (int x = left; x <= right; x += 25) c.FillRect(x, 40, x + 1, 240, 0x284868);
    for (int y = 40; y <= 240; y += 25) c.FillRect(left, y, right + 1, y + 1, 0x284868);
    int px = left, pyA = 0, pyB = 0;
    for (int x = left; x <= right; ++x) {
        const double t = static_cast<double>(x - left) / (right - left);
        // Fixations joined by saccades: a smoothed staircase.
        const double step = std::floor(t * 5.0);
        const double frac = t * 5.0 - step;
        const double blend = frac < 0.15 ? 0.5 - 0.5 * std::cos(frac / 0.15 * kPi) : 1.0;
        const double level = (std::sin(step * 1.7) * (1.0 - blend) + std::sin((step + 1.0) * 1.7) * blend);
        const int yA = 90 - static_cast<int>(std::lround(38.0 * level));
        const int yB =
            190 - static_cast<int>(std::lround(18.0 * std::sin(t * 4.0 * kPi) + 6.0 * std::sin(t * 23.0)));
        if (x > left) {
            c.Line(px, pyA, x, yA, 0x7CE08C, 2);
            c.Line(px, pyB, x, yB, 0xF0C040, 2);
        }
        px = x;
        pyA = yA;
        pyB = yB;
    }
    for (int i = 0, x = left; x < right; ++i) {  // TTL: high and low runs of varying length
        const int w = 14 + (i * 7) % 23;
        const int y = (i % 2) ? 258 : 278;
        c.FillRect(x, y, std::min(x + w, right), y + 2, 0xFF6A4A);
        if (x + w < right) c.FillRect(x + w, 258, x + w + 2, 280, 0xFF6A4A);
        x += w;
    }
    c.Line(222, 120, 244, 90, 0x9AB4D0, 2);  // from the eye to the traces
    c.Line(222, 120, 244, 190, 0x9AB4D0, 2);
    c.Line(222, 120, 244, 268, 0x9AB4D0, 2);

    c.Text(24, 288, "TessaroPro", 0xFFFFFF, 4);
    c.Text(26, 326, "eye data to laboratory signals", 0xB8CCE0, 1);
    return c.ToBmp();
}
