#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_dialog_support.h"

namespace {

constexpr UINT kDlg = 9301;
constexpr UINT kLed = 1080, kLabel = 1000;
constexpr COLORREF kRed = RGB(255, 0, 0);

class CPaintDlg : public CDialog {
  public:
    CPaintDlg() : CDialog(kDlg) {}
    std::vector<UINT> m_ctlColorKinds;
    CWnd* m_pLastCtlColorWnd = nullptr;
    DRAWITEMSTRUCT m_lastDraw{};
    int m_nDrawItems = 0;
    CBrush m_brush{RGB(218, 218, 218)};

    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
        m_ctlColorKinds.push_back(nCtlColor);
        m_pLastCtlColorWnd = pWnd;
        pDC->SetTextColor(RGB(0, 0, 255));
        pDC->SetBkColor(RGB(218, 218, 218));
        return m_brush;
    }
    afx_msg void OnDrawItem(int, LPDRAWITEMSTRUCT lpDis) {
        ++m_nDrawItems;
        m_lastDraw = *lpDis;
        CDC* pDC = CDC::FromHandle(lpDis->hDC);
        CBrush brush;
        brush.CreateSolidBrush(kRed);
        CBrush* pOld = pDC->SelectObject(&brush);
        pDC->Ellipse(&lpDis->rcItem);
        pDC->SelectObject(pOld);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPaintDlg, CDialog)
ON_WM_CTLCOLOR()
ON_WM_DRAWITEM()
END_MESSAGE_MAP()

class Gdi : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        AfxRegisterDialogTemplate(
            DlgTemplate(kDlg, {DlgItem(kLabel, "Static", "Status", WS_VISIBLE | SS_CENTER, 5, 5, 80, 10),
                               DlgItem(kLed, "Button", "*", WS_VISIBLE | BS_OWNERDRAW, 5, 20, 9, 9)}));
        ASSERT_TRUE(m_dlg.Create(kDlg));
        m_dlg.ShowWindow(SW_SHOW);
    }
    HWND Item(UINT nID) const { return ::GetDlgItem(m_dlg.m_hWnd, static_cast<int>(nID)); }

    CPaintDlg m_dlg;
};

TEST_F(Gdi, OwnerDrawnButtonPaintSendsDrawItemAndTheEllipseCarriesTheBrushColour) {
    Pump();
    ASSERT_GE(m_dlg.m_nDrawItems, 1);
    EXPECT_EQ(ODT_BUTTON, m_dlg.m_lastDraw.CtlType);
    EXPECT_EQ(kLed, m_dlg.m_lastDraw.CtlID);
    EXPECT_EQ(static_cast<UINT>(ODA_DRAWENTIRE), m_dlg.m_lastDraw.itemAction);
    EXPECT_EQ(Item(kLed), m_dlg.m_lastDraw.hwndItem);
    CRect rc;
    GetClientRect(Item(kLed), &rc);
    EXPECT_EQ(rc, CRect(m_dlg.m_lastDraw.rcItem));

    const std::vector<CDrawOp> ops = AfxGetDrawOps(Item(kLed));
    ASSERT_EQ(1u, ops.size());
    EXPECT_EQ(CDrawOpKind::Ellipse, ops[0].nKind);
    EXPECT_EQ(kRed, ops[0].crBrush);
    EXPECT_EQ(rc, CRect(ops[0].rc));

    const int before = m_dlg.m_nDrawItems;
    m_dlg.GetDlgItem(kLed)->Invalidate();
    m_dlg.GetDlgItem(kLed)->UpdateWindow();
    EXPECT_EQ(before + 1, m_dlg.m_nDrawItems);  // every paint asks again
}

TEST_F(Gdi, StaticPaintAsksItsParentForColoursAndUsesTheAnswer) {
    m_dlg.m_ctlColorKinds.clear();
    m_dlg.GetDlgItem(kLabel)->Invalidate();
    m_dlg.GetDlgItem(kLabel)->UpdateWindow();
    ASSERT_EQ(std::vector<UINT>{CTLCOLOR_STATIC}, m_dlg.m_ctlColorKinds);
    EXPECT_EQ(Item(kLabel), m_dlg.m_pLastCtlColorWnd->m_hWnd);
    const std::vector<CDrawOp> ops = AfxGetDrawOps(Item(kLabel));
    ASSERT_EQ(2u, ops.size());
    EXPECT_EQ(CDrawOpKind::FillRect, ops[0].nKind);
    EXPECT_EQ(RGB(218, 218, 218), ops[0].crBrush);
    EXPECT_EQ(CDrawOpKind::DrawText, ops[1].nKind);
    EXPECT_EQ("Status", ops[1].strText);
    EXPECT_EQ(RGB(0, 0, 255), ops[1].crText);
    EXPECT_TRUE(ops[1].nFlags & DT_CENTER);
    EXPECT_EQ("MS Shell Dlg", ops[1].strFontFace);  // the dialog's font reached its controls
    EXPECT_EQ(80, ops[1].nFontPointSize10);

    // The dialog's own background asks CTLCOLOR_DLG through WM_ERASEBKGND.
    m_dlg.m_ctlColorKinds.clear();
    m_dlg.Invalidate();
    m_dlg.UpdateWindow();
    ASSERT_FALSE(m_dlg.m_ctlColorKinds.empty());
    EXPECT_EQ(CTLCOLOR_DLG, m_dlg.m_ctlColorKinds[0]);
    const std::vector<CDrawOp> bg = AfxGetDrawOps(m_dlg.m_hWnd);
    ASSERT_EQ(1u, bg.size());
    EXPECT_EQ(RGB(218, 218, 218), bg[0].crBrush);
}

TEST_F(Gdi, WholeWindowFillStartsTheRecordAfreshAndRecordsStayBounded) {
    CWnd* pLabel = m_dlg.GetDlgItem(kLabel);
    CClientDC dc(pLabel);
    CRect rc;
    pLabel->GetClientRect(&rc);
    dc.TextOut(1, 1, CString("a"));
    dc.FillSolidRect(CRect(0, 0, 2, 2), RGB(1, 2, 3));  // partial: kept with the text
    const size_t n = AfxGetDrawOps(pLabel->m_hWnd).size();
    dc.FillSolidRect(&rc, RGB(4, 5, 6));
    ASSERT_EQ(1u, AfxGetDrawOps(pLabel->m_hWnd).size());
    EXPECT_GE(n, 2u);
    EXPECT_EQ(RGB(4, 5, 6), CDCTesting::GetBkColor(dc));  // FillSolidRect leaves its colour as the background
    for (size_t i = 0; i < kMaxDrawOps + 10; ++i) dc.TextOut(0, 0, CString("x"));
    EXPECT_EQ(kMaxDrawOps, AfxGetDrawOps(pLabel->m_hWnd).size());
    const HWND hLabel = pLabel->m_hWnd;
    pLabel->DestroyWindow();  // the temporary object goes with the window
    EXPECT_TRUE(AfxGetDrawOps(hLabel).empty());
}

TEST_F(Gdi, TheWindowsWhoseRecordsChangedAreListedWhileTheLogReachesBack) {
    std::vector<HWND> changed;
    bool bListed = false;
    const std::uint64_t nStart = AfxGetDrawRecordsChangedSince(0, &changed, &bListed);
    EXPECT_EQ(nStart, AfxGetDrawRecordsChangedSince(nStart, &changed, &bListed));
    EXPECT_TRUE(bListed);
    EXPECT_TRUE(changed.empty());

    CWnd* pLabel = m_dlg.GetDlgItem(kLabel);
    CWnd* pLed = m_dlg.GetDlgItem(kLed);
    {
        CClientDC dc(pLabel);
        dc.TextOut(1, 1, CString("a"));
        dc.TextOut(1, 1, CString("b"));
        CClientDC dcDlg(&m_dlg);
        dcDlg.TextOut(1, 1, CString("c"));
    }
    const std::uint64_t nNow = AfxGetDrawRecordsChangedSince(nStart, &changed, &bListed);
    EXPECT_GT(nNow, nStart);
    ASSERT_TRUE(bListed);
    std::vector<HWND> expected{pLabel->m_hWnd, m_dlg.m_hWnd};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, changed);
    {
        CClientDC dc(pLed);
        dc.TextOut(1, 1, CString("d"));
    }
    const std::uint64_t nDrawn = AfxGetDrawRecordsChangedSince(nNow, &changed, &bListed);
    AfxClearDrawOps(pLed->m_hWnd);  // a record that goes counts as a change
    EXPECT_GT(AfxGetDrawRecordsChangedSince(nDrawn, &changed, &bListed), nDrawn);
    EXPECT_TRUE(bListed);
    EXPECT_EQ(std::vector<HWND>{pLed->m_hWnd}, changed);

    // Asked about a time too long ago: not listed, rather than listed short.
    {
        CClientDC dc(pLabel);
        for (size_t i = 0; i < 1000; ++i) dc.TextOut(0, 0, CString("x"));
    }
    AfxGetDrawRecordsChangedSince(nStart, &changed, &bListed);
    EXPECT_FALSE(bListed);
    EXPECT_TRUE(changed.empty());
}

// A solid fill records what a fill with a solid brush of that colour records, colour bits above the
// RGB ones dropped as a brush drops them.
TEST_F(Gdi, SolidFillRecordsAsABrushFillDoes) {
    CWnd* pLabel = m_dlg.GetDlgItem(kLabel);
    CClientDC dc(pLabel);
    const CRect rc(1, 2, 5, 6);
    CBrush brush;
    ASSERT_TRUE(brush.CreateSolidBrush(RGB(9, 8, 7)));
    CDCTesting::FillRect(dc, &rc, &brush);
    dc.FillSolidRect(&rc, RGB(9, 8, 7) | 0x01000000);
    const std::vector<CDrawOp> ops = AfxGetDrawOps(pLabel->m_hWnd);
    ASSERT_GE(ops.size(), 2u);
    const CDrawOp& viaBrush = ops[ops.size() - 2];
    const CDrawOp& solid = ops.back();
    EXPECT_EQ(CDrawOpKind::FillRect, solid.nKind);
    EXPECT_EQ(viaBrush.crBrush, solid.crBrush);
    EXPECT_EQ(RGB(9, 8, 7), solid.crBrush);
    EXPECT_FALSE(solid.bNullBrush);
    EXPECT_TRUE(EqualRect(&viaBrush.rc, &solid.rc));

    // A context that is gone fills nothing.
    CDC gone;
    gone.m_hDC = reinterpret_cast<HDC>(static_cast<std::uintptr_t>(0x7FFFFFF0));
    gone.FillSolidRect(&rc, RGB(1, 1, 1));
    gone.m_hDC = nullptr;
    EXPECT_EQ(ops.size(), AfxGetDrawOps(pLabel->m_hWnd).size());
}

// Contexts and objects are found again through a small cache of the handles used last: one deleted or
// released is gone however recently it was used, and many in turn (more than the cache has places)
// each keep their own colour.
TEST_F(Gdi, ObjectsAndContextsUsedLastAreGoneOnceLetGo) {
    const HWND hLabel = m_dlg.GetDlgItem(kLabel)->m_hWnd;
    const RECT rc{0, 0, 3, 3};
    for (int i = 0; i < 200; ++i) {
        const HDC hDC = ::GetDC(hLabel);
        const HBRUSH hBrush = ::CreateSolidBrush(RGB(i, 1, 2));
        ASSERT_NE(0, ::FillRect(hDC, &rc, hBrush));
        ASSERT_EQ(RGB(i, 1, 2), AfxGetDrawOps(hLabel).back().crBrush);
        EXPECT_TRUE(::DeleteObject(hBrush));
        EXPECT_FALSE(::DeleteObject(hBrush)) << "deleted already";
        EXPECT_EQ(0, ::FillRect(hDC, &rc, hBrush)) << "a deleted brush fills nothing";
        EXPECT_EQ(1, ::ReleaseDC(hLabel, hDC));
        EXPECT_EQ(0, ::FillRect(hDC, &rc, reinterpret_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH))))
            << "a released context fills nothing";
    }
}

TEST_F(Gdi, TextMetricsAreFixedAndTabsFollowTheStops) {
    CClientDC dc(&m_dlg);
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(120, "MS Sans Serif", &dc));
    EXPECT_FALSE(font.CreatePointFont(120, "MS Sans Serif"));  // one font per object
    CFont* pOld = dc.SelectObject(&font);
    EXPECT_EQ(CSize(5 * 8, 16),
              CDCTesting::GetTextExtent(dc, CString("hello")));  // 12 pt: 16 px high, 8 px wide

    CRect rc(0, 0, 24, 0);
    EXPECT_EQ(32, dc.DrawText(CString("ab cd"), &rc, DT_WORDBREAK | DT_CALCRECT));
    EXPECT_EQ(CRect(0, 0, 16, 32), rc);
    EXPECT_TRUE(AfxGetDrawOps(m_dlg.m_hWnd).empty());  // measuring draws nothing

    int stop = 80;
    const CSize ext = CDCTesting::TabbedTextOut(dc, 20, 45, CString("ab\tc"), 1, &stop, 0);
    EXPECT_EQ(CSize(80 + 8 - 20, 16), ext);
    const std::vector<CDrawOp> ops = AfxGetDrawOps(m_dlg.m_hWnd);
    ASSERT_EQ(1u, ops.size());
    EXPECT_EQ(CDrawOpKind::TabbedText, ops[0].nKind);
    EXPECT_EQ(std::vector<int>{80}, ops[0].tabStops);
    EXPECT_EQ("MS Sans Serif", ops[0].strFontFace);
    dc.SelectObject(pOld);
}

// A 4-bit BMP file image: w x h indices from index(x, y), the palette's first nColours entries from
// colours (0x00RRGGBB), biClrUsed as given.
std::vector<BYTE> Bmp4(int w, int h, const std::vector<std::uint32_t>& colours, std::uint32_t nClrUsed,
                       bool bTopDown, int (*index)(int, int)) {
    const size_t row = (static_cast<size_t>(w) * 4 + 31) / 32 * 4;
    const size_t nPalette = colours.size() * 4;
    std::vector<BYTE> v(54 + nPalette + row * static_cast<size_t>(h), 0);
    const auto put = [&v](size_t at, std::uint32_t x) {
        for (int i = 0; i < 4; ++i) v[at + static_cast<size_t>(i)] = static_cast<BYTE>(x >> (8 * i));
    };
    v[0] = 'B';
    v[1] = 'M';
    put(2, static_cast<std::uint32_t>(v.size()));
    put(10, static_cast<std::uint32_t>(54 + nPalette));
    put(14, 40);
    put(18, static_cast<std::uint32_t>(w));
    put(22, static_cast<std::uint32_t>(bTopDown ? -h : h));
    v[26] = 1;
    v[28] = 4;
    put(46, nClrUsed);
    for (size_t i = 0; i < colours.size(); ++i) put(54 + 4 * i, colours[i]);
    for (int y = 0; y < h; ++y) {
        const size_t at = 54 + nPalette + row * static_cast<size_t>(bTopDown ? y : h - 1 - y);
        for (int x = 0; x < w; ++x)
            v[at + static_cast<size_t>(x) / 2] |= static_cast<BYTE>(x % 2 ? index(x, y) : index(x, y) << 4);
    }
    return v;
}

TEST_F(Gdi, FourBitBitmapsWithAPaletteDecodeAndLoad) {
    const std::vector<std::uint32_t> colours = {0xFFFFFF, 0x000000, 0xC00000, 0x808080, 0x00FF00};
    const auto index = [](int x, int y) { return (x + 2 * y) % 5; };
    for (bool bTopDown : {false, true}) {
        // Odd width: the last byte of each row holds one pixel, and rows are padded to 4 bytes.
        const std::vector<BYTE> bmp = Bmp4(7, 3, colours, 5, bTopDown, index);
        int w = 0, h = 0;
        std::vector<std::uint32_t> pixels;
        ASSERT_TRUE(AfxDecodeBmpPixels(bmp.data(), bmp.size(), &w, &h, &pixels)) << bTopDown;
        EXPECT_EQ(7, w);
        EXPECT_EQ(3, h);
        ASSERT_EQ(21u, pixels.size());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                EXPECT_EQ(colours[static_cast<size_t>(index(x, y))], pixels[static_cast<size_t>(y * 7 + x)])
                    << x << "," << y << " top-down " << bTopDown;
    }

    // biClrUsed 0 means a whole palette of 16; an index beyond a shorter palette reads as black.
    const auto high = [](int x, int) { return x == 0 ? 4 : 15; };
    std::vector<BYTE> full = Bmp4(2, 1, std::vector<std::uint32_t>(16, 0x123456), 0, false, high);
    std::vector<std::uint32_t> pixels;
    ASSERT_TRUE(AfxDecodeBmpPixels(full.data(), full.size(), nullptr, nullptr, &pixels));
    EXPECT_EQ((std::vector<std::uint32_t>{0x123456, 0x123456}), pixels);
    std::vector<BYTE> shortPalette = Bmp4(2, 1, {0x123456, 0x654321}, 2, false, high);
    ASSERT_TRUE(AfxDecodeBmpPixels(shortPalette.data(), shortPalette.size(), nullptr, nullptr, &pixels));
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0}), pixels);

    // Refused: more than 16 colours, a palette running into the pixels, truncated rows, compression.
    std::vector<BYTE> many = Bmp4(2, 1, colours, 17, false, index);
    EXPECT_FALSE(AfxDecodeBmpHeader(many.data(), many.size(), nullptr, nullptr));
    std::vector<BYTE> overlap = Bmp4(2, 1, colours, 6, false, index);
    EXPECT_FALSE(AfxDecodeBmpHeader(overlap.data(), overlap.size(), nullptr, nullptr));
    const std::vector<BYTE> good = Bmp4(7, 3, colours, 5, false, index);
    EXPECT_FALSE(AfxDecodeBmpHeader(good.data(), good.size() - 1, nullptr, nullptr));
    std::vector<BYTE> rle = good;
    rle[30] = 2;  // BI_RLE4
    EXPECT_FALSE(AfxDecodeBmpPixels(rle.data(), rle.size(), nullptr, nullptr, &pixels));
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0}), pixels) << "left as it was";

    // The framework loads it as any resource bitmap, at the device's depth.
    AfxRegisterBitmap(3010, good.data(), good.size());
    CBitmap bmp;
    ASSERT_TRUE(bmp.LoadBitmap(3010));
    BITMAP info{};
    ASSERT_TRUE(CBitmapTesting::GetBitmap(bmp, &info));
    EXPECT_EQ(7, info.bmWidth);
    EXPECT_EQ(3, info.bmHeight);
}

TEST_F(Gdi, BitmapsComeFromValidBmpResourcesAndCopiesRecordTheirId) {
    std::vector<BYTE> good = SolidBmp(512, 350);
    AfxRegisterBitmap(3000, good.data(), good.size());
    std::vector<BYTE> cut(good.begin(), good.begin() + 1000);
    AfxRegisterBitmap(3001, cut.data(), cut.size());
    std::vector<BYTE> eightBit = SolidBmp(4, 4);
    eightBit[28] = 8;
    AfxRegisterBitmap(3002, eightBit.data(), eightBit.size());

    CBitmap bmp;
    ASSERT_TRUE(bmp.LoadBitmap(3000));
    BITMAP info{};
    ASSERT_TRUE(CBitmapTesting::GetBitmap(bmp, &info));
    EXPECT_EQ(512, info.bmWidth);
    EXPECT_EQ(350, info.bmHeight);
    EXPECT_EQ(24, info.bmBitsPixel);
    CBitmap bad1, bad2, missing;
    EXPECT_FALSE(bad1.LoadBitmap(3001));
    EXPECT_FALSE(bad2.LoadBitmap(3002));
    EXPECT_FALSE(missing.LoadBitmap(3999));

    CClientDC dc(&m_dlg);
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(&dc));
    CBitmap* pOld = mem.SelectObject(&bmp);
    ASSERT_NE(nullptr, pOld);
    EXPECT_TRUE(dc.BitBlt(10, 10, 500, 350, &mem, 0, 0, SRCCOPY));
    mem.SelectObject(pOld);
    const std::vector<CDrawOp> ops = AfxGetDrawOps(m_dlg.m_hWnd);
    ASSERT_EQ(1u, ops.size());
    EXPECT_EQ(CDrawOpKind::BitBlt, ops[0].nKind);
    EXPECT_EQ(3000u, ops[0].nBitmapId);
    EXPECT_EQ(CRect(10, 10, 510, 360), CRect(ops[0].rc));
    EXPECT_EQ(SRCCOPY, ops[0].nFlags);
}

TEST_F(Gdi, SelectReturnsThePreviousObjectAndDeletingASelectedObjectWaitsForItsRelease) {
    CClientDC dc(&m_dlg);
    CBrush white;
    CGdiObjectTesting::CreateStockObject(white, WHITE_BRUSH);
    CBrush* pBrush = new CBrush(RGB(9, 9, 9));
    CBrush* pOld = dc.SelectObject(pBrush);
    ASSERT_NE(nullptr, pOld);
    EXPECT_EQ(white.GetSafeHandle(), pOld->GetSafeHandle());
    HGDIOBJ h = pBrush->GetSafeHandle();
    delete pBrush;  // still selected: the context keeps drawing with it
    dc.Ellipse(0, 0, 5, 5);
    EXPECT_EQ(RGB(9, 9, 9), AfxGetDrawOps(m_dlg.m_hWnd).back().crBrush);
    EXPECT_EQ(OBJ_BRUSH, GetObjectType(h));
    dc.SelectObject(pOld);
    EXPECT_EQ(0, GetObjectType(h));
    EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));  // stock objects survive
    EXPECT_EQ(OBJ_BRUSH, GetObjectType(GetStockObject(WHITE_BRUSH)));
    CGdiObjectTesting::Detach(white);
}

TEST_F(Gdi, PaintingFromSeveralThreadsIsSafe) {
    HWND hLabel = Item(kLabel);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([hLabel, t] {
            for (int i = 0; i < 200; ++i) {
                HDC hDC = GetDC(hLabel);
                HBRUSH hbr = CreateSolidBrush(RGB(t, i % 256, 0));
                HGDIOBJ hOld = SelectObject(hDC, hbr);
                Ellipse(hDC, 0, 0, 4, 4);
                SelectObject(hDC, hOld);
                DeleteObject(hbr);
                ReleaseDC(hLabel, hDC);
            }
        });
    }
    for (std::thread& th : threads) th.join();
    size_t ellipses = 0;
    for (const CDrawOp& op : AfxGetDrawOps(hLabel)) ellipses += op.nKind == CDrawOpKind::Ellipse ? 1 : 0;
    EXPECT_EQ(800u, ellipses);
}

// Contexts, their temporary wrappers and drawing objects come and go with every paint, and what one
// leaves behind is reused: a wrapper stands for its own context only, a released context and a deleted
// object are gone, and a live one keeps its selections, whatever was released before.
TEST_F(Gdi, ContextsWrappersAndObjectsStayDistinctWhileTheirPlacesAreReused) {
    HWND hLabel = Item(kLabel);
    for (int i = 0; i < 40; ++i) {
        HDC hFirst = GetDC(hLabel);
        HDC hSecond = GetDC(hLabel);
        ASSERT_NE(hFirst, hSecond);
        CDC* pFirst = CDC::FromHandle(hFirst);
        CDC* pSecond = CDC::FromHandle(hSecond);
        ASSERT_NE(pFirst, pSecond);
        EXPECT_EQ(hFirst, pFirst->GetSafeHdc());
        EXPECT_EQ(hSecond, pSecond->GetSafeHdc());
        EXPECT_EQ(pFirst, CDC::FromHandle(hFirst)) << "the same wrapper while the context lives";
        HBRUSH hbr = CreateSolidBrush(RGB(i, 1, 2));
        HGDIOBJ hOld = SelectObject(hSecond, hbr);
        ASSERT_EQ(1, ReleaseDC(hLabel, hFirst));
        EXPECT_EQ(nullptr, CDC::FromHandle(hFirst)) << "a released context has no wrapper";
        HDC hThird = GetDC(hLabel);
        CDC* pThird = CDC::FromHandle(hThird);
        EXPECT_EQ(hThird, pThird->GetSafeHdc());
        EXPECT_EQ(pSecond, CDC::FromHandle(hSecond));
        Ellipse(hSecond, 0, 0, 3, 3);
        EXPECT_EQ(RGB(i, 1, 2), AfxGetDrawOps(hLabel).back().crBrush) << "the live context kept its brush";
        SelectObject(hSecond, hOld);
        EXPECT_TRUE(DeleteObject(hbr));
        EXPECT_EQ(0, GetObjectType(reinterpret_cast<HGDIOBJ>(hbr)));
        CBrush brush(RGB(3, 4, i));
        EXPECT_EQ(&brush, CGdiObject::FromHandle(brush.GetSafeHandle()));
        ReleaseDC(hLabel, hSecond);
        ReleaseDC(hLabel, hThird);
    }
    HDC hLast = GetDC(hLabel);
    HBRUSH hbr = CreateSolidBrush(RGB(7, 7, 7));
    CGdiObject* pTemp = CGdiObject::FromHandle(reinterpret_cast<HGDIOBJ>(hbr));
    ASSERT_NE(nullptr, pTemp);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(hbr), pTemp->GetSafeHandle());
    DeleteObject(hbr);
    ReleaseDC(hLabel, hLast);
}

// A record started afresh lends its operations' storage to the next ones: each new operation holds its own
// text, tab stops and font, never what an earlier one left there; and a face name made once reads as the
// font's name and tells fonts apart.
TEST_F(Gdi, OperationsAfterAFreshStartHoldOnlyTheirOwnTextsStopsAndFonts) {
    CWnd* pLabel = m_dlg.GetDlgItem(kLabel);
    CClientDC dc(pLabel);
    CRect rc;
    pLabel->GetClientRect(&rc);
    CFont longFace;
    CFont shortFace;
    ASSERT_TRUE(longFace.CreatePointFont(120, "Microsoft Sans Serif", &dc));
    ASSERT_TRUE(shortFace.CreatePointFont(90, "MS Sans Serif", &dc));
    const std::string strLong = "a text longer than any kept inside a string\tand a tab";
    for (int i = 0; i < 3; ++i) {
        CFont* pOld = dc.SelectObject(&longFace);
        int stops[] = {80, 160};
        CDCTesting::TabbedTextOut(dc, 0, 0, CString(strLong.c_str()), 2, stops, 3);
        CRect rcText = rc;
        dc.DrawText(CString(strLong.c_str()), &rcText, DT_LEFT);
        dc.FillSolidRect(&rc, RGB(9, 9, 9));  // the record starts afresh
        dc.SelectObject(&shortFace);
        rcText = rc;
        dc.DrawText(CString("x"), &rcText, DT_LEFT);
        DrawTextA(dc.GetSafeHdc(), nullptr, 0, &rcText, DT_LEFT);
        TextOutA(dc.GetSafeHdc(), 1, 1, "short", 5);
        dc.SelectObject(&longFace);
        CDCTesting::TabbedTextOut(dc, 0, 0, CString("no stops"), 0, nullptr, 0);
        dc.SelectObject(pOld);

        const std::vector<CDrawOp> ops = AfxGetDrawOps(pLabel->m_hWnd);
        ASSERT_EQ(5u, ops.size());
        EXPECT_EQ(CDrawOpKind::FillRect, ops[0].nKind);
        EXPECT_EQ(RGB(9, 9, 9), ops[0].crBrush);
        EXPECT_TRUE(ops[0].strText.empty());
        EXPECT_EQ("x", ops[1].strText);
        EXPECT_EQ("", ops[2].strText);
        EXPECT_EQ("short", ops[3].strText);
        EXPECT_EQ(CDrawOpKind::TabbedText, ops[4].nKind);
        EXPECT_EQ("no stops", ops[4].strText);
        for (const CDrawOp& op : ops) EXPECT_TRUE(op.tabStops.empty());
        EXPECT_EQ(0, ops[4].nTabOrigin);
        for (size_t n = 1; n < 4; ++n) {
            EXPECT_EQ("MS Sans Serif", ops[n].strFontFace);
            EXPECT_EQ(90, ops[n].nFontPointSize10);
        }
        EXPECT_EQ("Microsoft Sans Serif", ops[4].strFontFace);
        EXPECT_EQ(120, ops[4].nFontPointSize10);
        EXPECT_EQ(CFaceName(std::string("Microsoft Sans Serif")), ops[4].strFontFace);
        EXPECT_FALSE(ops[4].strFontFace == ops[1].strFontFace);
        EXPECT_EQ(ops[1].strFontFace, CFaceName("MS Sans Serif"));
        EXPECT_EQ(std::string("Microsoft Sans Serif"), static_cast<const std::string&>(ops[4].strFontFace));
    }
    EXPECT_TRUE(CFaceName().empty());
    EXPECT_EQ(CFaceName(""), CFaceName());
    EXPECT_EQ(CFaceName(static_cast<const char*>(nullptr)), CFaceName());
    EXPECT_EQ(CFaceName(std::string_view("MS Sans Serif!").substr(0, 13)), CFaceName("MS Sans Serif"));
}

// BeginPaint erases through WM_ERASEBKGND when the update asks for it: a plain static control has
// erased (its answer is known), a window procedure of its own is asked and its answer counts.
int g_nEraseRequests = 0;
WNDPROC g_pfnStaticProc = nullptr;
LRESULT CALLBACK NotErasingProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ERASEBKGND) {
        ++g_nEraseRequests;
        return 0;
    }
    return CallWindowProcA(g_pfnStaticProc, h, msg, wParam, lParam);
}

TEST_F(Gdi, APaintErasesAPlainStaticAndAsksAWindowProcedureOfItsOwn) {
    HWND hLabel = Item(kLabel);
    Pump();
    auto paint = [hLabel](BOOL bErase) {
        InvalidateRect(hLabel, nullptr, bErase);
        PAINTSTRUCT ps{};
        HDC hDC = BeginPaint(hLabel, &ps);
        EXPECT_NE(nullptr, hDC);
        EndPaint(hLabel, &ps);
        return ps.fErase;
    };
    g_nEraseRequests = 0;
    EXPECT_FALSE(paint(TRUE)) << "the static control erased";
    EXPECT_FALSE(paint(FALSE));

    g_pfnStaticProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hLabel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NotErasingProc)));
    ASSERT_NE(nullptr, g_pfnStaticProc);
    EXPECT_TRUE(paint(TRUE)) << "the procedure did not erase";
    EXPECT_EQ(1, g_nEraseRequests);
    EXPECT_FALSE(paint(FALSE));
    EXPECT_EQ(1, g_nEraseRequests) << "nothing to erase, nothing asked";
    SetWindowLongPtrA(hLabel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pfnStaticProc));
    PAINTSTRUCT ps{};
    EXPECT_EQ(nullptr, BeginPaint(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x7FFFFFF0)), &ps));
}

// A label longer than the paint's buffer on the stack is drawn whole.
TEST_F(Gdi, AStaticPaintsItsWholeTextHoweverLong) {
    HWND hLabel = Item(kLabel);
    const std::string strLong(700, 'w');
    SetWindowTextA(hLabel, strLong.c_str());
    Pump();
    ASSERT_FALSE(AfxGetDrawOps(hLabel).empty());
    EXPECT_EQ(strLong, AfxGetDrawOps(hLabel).back().strText);
}

}  // namespace
