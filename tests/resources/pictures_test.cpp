// The pictures drawn in code, decoded back from the registered resources: size, depth, not blank, and
// the colours the drawing puts where a pin, its label or the connector's outline stands.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "platform/win/framework.h"
#include "platform/win/gdi_testing.h"
#include "resources/advanced_dialog_resource.h"
#include "resources/pinout_bitmaps.h"
#include "resources/resource.h"

namespace {

struct SImage {
    int nWidth = 0;
    int nHeight = 0;
    int nBits = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(nWidth) + static_cast<size_t>(x)];
    }
};

std::uint32_t U32(const BYTE* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

SImage Decode(UINT nID) {
    SImage img;
    const CBitmapResource* res = AfxFindBitmapResource(nID);
    if (res == nullptr || res->nSize < 54 || res->pData[0] != 'B' || res->pData[1] != 'M') return img;
    const BYTE* d = res->pData;
    img.nWidth = static_cast<int>(U32(d + 18));
    img.nHeight = static_cast<int>(U32(d + 22));
    img.nBits = d[28] | (d[29] << 8);
    const size_t stride = (static_cast<size_t>(img.nWidth) * 3 + 3) & ~static_cast<size_t>(3);
    if (U32(d + 10) + stride * static_cast<size_t>(img.nHeight) > res->nSize) return SImage{};
    for (int y = 0; y < img.nHeight; ++y) {
        const BYTE* row = d + U32(d + 10) + stride * static_cast<size_t>(img.nHeight - 1 - y);
        for (int x = 0; x < img.nWidth; ++x)
            img.pixels.push_back(row[3 * x] | (row[3 * x + 1] << 8) |
                                 (static_cast<std::uint32_t>(row[3 * x + 2]) << 16));
    }
    return img;
}

class Pictures : public ::testing::Test {
  protected:
    void SetUp() override { RegisterTessaroResources(); }
};

TEST_F(Pictures, HaveTheirSizesAndDepthAndAreNotBlank) {
    struct {
        UINT nID;
        int cx, cy;
    } const sizes[] = {{IDB_ABOUT, 512, 350},
                       {IDB_PINOUT_DIO37, 460, 452},
                       {IDB_PINOUT_DDA100, 500, 793},
                       {IDB_PINOUT_DDA50_TTL, 515, 461},
                       {IDB_PINOUT_DDA50_ANALOG, 565, 540},
                       {IDB_PINOUT_PMD1208, 460, 450}};
    for (const auto& s : sizes) {
        const SImage img = Decode(s.nID);
        EXPECT_EQ(s.cx, img.nWidth) << s.nID;
        EXPECT_EQ(s.cy, img.nHeight) << s.nID;
        EXPECT_EQ(24, img.nBits) << s.nID;
        const std::set<std::uint32_t> colours(img.pixels.begin(), img.pixels.end());
        EXPECT_GE(colours.size(), 5u) << s.nID;
        // The framework loads it as it loads any resource bitmap.
        HBITMAP h = LoadBitmapA(nullptr, MAKEINTRESOURCE(s.nID));
        ASSERT_NE(nullptr, h) << s.nID;
        BITMAP bm{};
        ASSERT_NE(0, GetObjectA(reinterpret_cast<HGDIOBJ>(h), sizeof bm, &bm));
        EXPECT_EQ(s.cx, bm.bmWidth);
        DeleteObject(h);
    }
}

TEST_F(Pictures, PinsAreInTheirRowsInTheColourOfTheirRole) {
    struct SExpect {
        UINT nID;
        int nPin;
        EPinRole role;
    } const pins[] = {
        {IDB_PINOUT_DIO37, 1, EPinRole::CounterIrq},    {IDB_PINOUT_DIO37, 3, EPinRole::TtlOut},   // B7
        {IDB_PINOUT_DIO37, 10, EPinRole::TtlOut},       {IDB_PINOUT_DIO37, 11, EPinRole::Ground},  // B0, GND
        {IDB_PINOUT_DIO37, 29, EPinRole::Pulse},        {IDB_PINOUT_DIO37, 37, EPinRole::TtlIn},   // C0, A0
        {IDB_PINOUT_DIO37, 28, EPinRole::Other},        {IDB_PINOUT_PMD1208, 13, EPinRole::Analog},
        {IDB_PINOUT_PMD1208, 20, EPinRole::CounterIrq}, {IDB_PINOUT_PMD1208, 21, EPinRole::TtlIn},
        {IDB_PINOUT_PMD1208, 39, EPinRole::TtlOut},     {IDB_PINOUT_PMD1208, 40, EPinRole::Ground},
    };
    for (const SExpect& e : pins) {
        const SImage img = Decode(e.nID);
        POINT pt{};
        ASSERT_TRUE(PinoutPinCentre(e.nID, e.nPin, &pt)) << e.nPin;
        EXPECT_EQ(PinoutRoleColor(e.role), img.At(pt.x, pt.y)) << e.nID << " pin " << e.nPin;
    }
    // The 37-pin D: pins 1..19 in one row, 20..37 in the other, each numbered from the top.
    POINT p1{}, p19{}, p20{}, p37{};
    ASSERT_TRUE(PinoutPinCentre(IDB_PINOUT_DIO37, 1, &p1) && PinoutPinCentre(IDB_PINOUT_DIO37, 19, &p19) &&
                PinoutPinCentre(IDB_PINOUT_DIO37, 20, &p20) && PinoutPinCentre(IDB_PINOUT_DIO37, 37, &p37));
    EXPECT_EQ(p1.x, p19.x);
    EXPECT_EQ(p20.x, p37.x);
    EXPECT_LT(p1.x, p20.x);
    EXPECT_LT(p1.y, p19.y);
    EXPECT_LT(p20.y, p37.y);
    EXPECT_FALSE(PinoutPinCentre(IDB_PINOUT_DIO37, 38, &p1));
    // No pin numbers where no pin map is confirmed.
    EXPECT_FALSE(PinoutPinCentre(IDB_PINOUT_DDA100, 1, &p1));
}

TEST_F(Pictures, LabelsAndOutlinesAreDrawn) {
    // A pin's label stands beside it in the role's colour: some of its pixels lie on the pin's row.
    const SImage dio = Decode(IDB_PINOUT_DIO37);
    POINT pt{};
    ASSERT_TRUE(PinoutPinCentre(IDB_PINOUT_DIO37, 30, &pt));  // "30  A7", right of the connector
    int nLabel = 0;
    for (int x = pt.x + 40; x < dio.nWidth; ++x)
        for (int y = pt.y - 4; y <= pt.y + 4; ++y)
            nLabel += dio.At(x, y) == PinoutRoleColor(EPinRole::TtlIn) ? 1 : 0;
    EXPECT_GT(nLabel, 20);
    // The shell's edge between the two rows of pins, above the first pin.
    EXPECT_EQ(0x606060u, dio.At(pt.x, 42));

    // The DDA pictures: group blocks in the colour of their role.
    for (UINT nID : {IDB_PINOUT_DDA100, IDB_PINOUT_DDA50_TTL, IDB_PINOUT_DDA50_ANALOG}) {
        const SImage img = Decode(nID);
        const std::set<std::uint32_t> colours(img.pixels.begin(), img.pixels.end());
        if (nID != IDB_PINOUT_DDA50_ANALOG) {
            EXPECT_TRUE(colours.count(PinoutRoleColor(EPinRole::TtlIn))) << nID;
            EXPECT_TRUE(colours.count(PinoutRoleColor(EPinRole::TtlOut))) << nID;
            EXPECT_TRUE(colours.count(PinoutRoleColor(EPinRole::Pulse))) << nID;
        }
        if (nID != IDB_PINOUT_DDA50_TTL) {
            EXPECT_TRUE(colours.count(PinoutRoleColor(EPinRole::Analog))) << nID;
        }
    }
    // The About picture: the pupil of the eye, and the product name in white.
    const SImage about = Decode(IDB_ABOUT);
    EXPECT_EQ(0x000000u, about.At(130, 120));
    int nWhite = 0;
    for (int y = 288; y < 316; ++y)
        for (int x = 24; x < 264; ++x) nWhite += about.At(x, y) == 0xFFFFFF ? 1 : 0;
    EXPECT_GT(nWhite, 500);
}

TEST_F(Pictures, TheLatencyTimingIsASixteenColourPicture) {
    const CBitmapResource* res = AfxFindBitmapResource(IDB_LATENCY_TIMING);
    ASSERT_NE(nullptr, res);
    const BYTE* d = res->pData;
    ASSERT_GE(res->nSize, 54u);
    EXPECT_EQ(227u, U32(d + 18));
    EXPECT_EQ(68u, U32(d + 22));
    EXPECT_EQ(4, d[28] | (d[29] << 8));
    EXPECT_EQ(0u, U32(d + 30));                      // uncompressed
    EXPECT_EQ(16u, U32(d + 46));                     // a palette of 16 entries
    EXPECT_EQ(54u + 16 * 4, U32(d + 10));            // the pixels right after it
    EXPECT_EQ(54u + 16 * 4 + 116 * 68, res->nSize);  // rows of 227 nibbles padded to 116 bytes

    int w = 0, h = 0;
    std::vector<std::uint32_t> px;
    ASSERT_TRUE(AfxDecodeBmpPixels(d, res->nSize, &w, &h, &px));
    ASSERT_EQ(227, w);
    ASSERT_EQ(68, h);
    const auto at = [&](int x, int y) { return px[static_cast<size_t>(y * w + x)]; };
    // The LED trace high between its edges and low before them, the ROI trace high later, an "On"
    // interval arrow in red between the two rises, white paper elsewhere.
    EXPECT_EQ(0x000000u, at(100, 6));
    EXPECT_EQ(0x000000u, at(30, 24));
    EXPECT_EQ(0x000000u, at(120, 36));
    EXPECT_EQ(0x000000u, at(60, 54));
    EXPECT_EQ(0xC00000u, at(68, 61));
    EXPECT_EQ(0xFFFFFFu, at(220, 2));
    const std::set<std::uint32_t> colours(px.begin(), px.end());
    EXPECT_EQ(4u, colours.size());

    HBITMAP hBitmap = LoadBitmapA(nullptr, MAKEINTRESOURCE(IDB_LATENCY_TIMING));
    ASSERT_NE(nullptr, hBitmap);
    BITMAP bm{};
    ASSERT_NE(0, GetObjectA(reinterpret_cast<HGDIOBJ>(hBitmap), sizeof bm, &bm));
    EXPECT_EQ(227, bm.bmWidth);
    EXPECT_EQ(68, bm.bmHeight);
    DeleteObject(hBitmap);
}

}  // namespace
