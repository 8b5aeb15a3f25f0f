// A small raster for drawing the program's pictures in code: filled shapes, lines and text in a built-in
// 5 x 7 pixel font, written out as a 24-bit or a 16-colour BMP file image. Colours are 0x00RRGGBB; (0, 0) is
// the top-left pixel; whatever falls outside the raster is dropped.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/wintypes.h"

class CPixelCanvas {
  public:
    CPixelCanvas(int nWidth, int nHeight, std::uint32_t crBackground);

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    std::uint32_t Get(int x, int y) const;
    void Set(int x, int y, std::uint32_t cr);

    // Right and bottom edges are exclusive.
    void FillRect(int left, int top, int right, int bottom, std::uint32_t cr);
    void FrameRect(int left, int top, int right, int bottom, std::uint32_t cr, int nThickness = 1);
    void Line(int x0, int y0, int x1, int y1, std::uint32_t cr, int nThickness = 1);
    void FillEllipse(int cx, int cy, int rx, int ry, std::uint32_t cr);
    void FillCircle(int cx, int cy, int r, std::uint32_t cr) { FillEllipse(cx, cy, r, r, cr); }

    // Text in the pixel font, nScale pixels per font pixel; (x, y) is the top-left corner of the first
    // character cell. Characters outside printable ASCII draw as '?'. Returns the width drawn.
    int Text(int x, int y, const char* psz, std::uint32_t cr, int nScale = 1);
    // Width and height of a text in the pixel font: 6 x 8 font pixels per character cell.
    static int TextWidth(const char* psz, int nScale = 1);
    static int TextHeight(int nScale = 1) { return 8 * nScale; }

    std::vector<BYTE> ToBmp() const;
    // A 4-bit BMP file image with a 16-entry palette: the raster's colours in the order they first occur
    // (row by row from the top), the unused entries black. Empty when the raster has more than 16 colours.
    std::vector<BYTE> ToBmp16Colours() const;

  private:
    int m_nWidth;
    int m_nHeight;
    std::vector<std::uint32_t> m_pixels;
};
