#include <gtest/gtest.h>

#include <algorithm>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "platform/screen/bmp_surface.h"
#include "platform/screen/cairo_renderer.h"
#include "platform/screen/screenshot.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/snapshot.h"
#include "platform/win/snapshot_testing.h"
#include "screen_support.h"
#include "support/temp_work_dir.h"
#include "support/win_dialog_support.h"

namespace {

const ::testing::Environment* const g_release = ::testing::AddGlobalTestEnvironment(new CFontCacheRelease);

constexpr UINT kDlg = 9601;
constexpr UINT kLabel = 1301;
constexpr UINT kRed = 1302;
constexpr UINT kPicture = 1303;
constexpr UINT kBitmap = 161;
constexpr COLORREF kGreen = 0x00C000;  // BGR: a green of 0xC0
constexpr COLORREF kRedColour = 0x0000FF;

// A dialog that paints the static kRed with a red background.
class CColourDlg : public CDialog {
  public:
    CColourDlg() : CDialog(kDlg) {}
    ~CColourDlg() override {
        if (m_hRed) DeleteObject(m_hRed);
    }
    HBRUSH m_hRed = CreateSolidBrush(kRedColour);

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CTLCOLORSTATIC &&
            ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == static_cast<int>(kRed)) {
            SetBkColor(reinterpret_cast<HDC>(wParam), kRedColour);
            return reinterpret_cast<LRESULT>(m_hRed);
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

const CWindowSnapshot* FindIn(const std::vector<CWindowSnapshot>& list, HWND h) {
    for (const CWindowSnapshot& w : list) {
        if (w.hWnd == h) return &w;
        if (const CWindowSnapshot* c = FindIn(w.children, h)) return c;
    }
    return nullptr;
}

class Renderer : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        m_bmp = SolidBmp(12, 8, kGreen);
        AfxRegisterBitmap(kBitmap, m_bmp.data(), m_bmp.size());
        AfxRegisterDialogTemplate(DlgTemplate(
            kDlg, {DlgItem(kLabel, "Static", "Hello screen", WS_VISIBLE, 10, 10, 100, 12),
                   DlgItem(kRed, "Static", "", WS_VISIBLE, 10, 30, 40, 20),
                   DlgItem(kPicture, "Static", "", WS_VISIBLE | SS_BITMAP, 60, 30, 20, 20, kBitmap)}));
    }
    void TearDown() override {
        AfxSetTextMeasurer(nullptr);
        CWinTestFixture::TearDown();
    }

    // The window's rectangle relative to the top-level window (image pixels).
    static RECT InImage(const CWindowSnapshot& top, HWND h) {
        RECT rc{};
        GetWindowRect(h, &rc);
        OffsetRect(&rc, -top.rcWindow.left, -top.rcWindow.top);
        return rc;
    }

    std::vector<BYTE> m_bmp;
    CCairoTextMeasurer m_measurer;
};

TEST_F(Renderer, PaintsFillsTextAndBitmapsOfADialog) {
    AfxSetTextMeasurer(&m_measurer);
    CColourDlg dlg;
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    const CScreenSnapshot snap = AfxTakeScreenSnapshot();
    const CWindowSnapshot* top = FindIn(snap.windows, dlg.m_hWnd);
    ASSERT_NE(nullptr, top);
    CCairoRenderer renderer(m_measurer);
    cairo_surface_t* img = renderer.RenderToImage(*top);
    ASSERT_NE(nullptr, img);
    EXPECT_EQ(top->rcWindow.right - top->rcWindow.left, cairo_image_surface_get_width(img));
    EXPECT_EQ(top->rcWindow.bottom - top->rcWindow.top, cairo_image_surface_get_height(img));

    // The client area's face colour where no control is, the caption's colour above it.
    const int cxClient = top->rcClient.left - top->rcWindow.left;
    const int cyClient = top->rcClient.top - top->rcWindow.top;
    EXPECT_EQ(Rgb(GetSysColor(COLOR_BTNFACE)), PixelAt(img, cxClient + 2, cyClient + 2));
    // The caption is the framework's own drawing: the colour of its last fill under that point.
    COLORREF crCaption = CLR_INVALID;
    for (const CDrawOp& op : top->nonClientOps) {
        if (op.nKind == CDrawOpKind::FillRect && op.rc.left <= cxClient + 2 && cxClient + 2 < op.rc.right &&
            op.rc.top <= cyClient - 3 && cyClient - 3 < op.rc.bottom)
            crCaption = op.crBrush;
    }
    ASSERT_NE(CLR_INVALID, crCaption);
    EXPECT_NE(GetSysColor(COLOR_BTNFACE), crCaption);
    EXPECT_EQ(Rgb(crCaption), PixelAt(img, cxClient + 2, cyClient - 3));

    const RECT rcRed = InImage(*top, dlg.GetDlgItem(kRed)->m_hWnd);
    EXPECT_EQ(0xFF0000u, PixelAt(img, (rcRed.left + rcRed.right) / 2, (rcRed.top + rcRed.bottom) / 2));
    EXPECT_EQ(Rgb(GetSysColor(COLOR_BTNFACE)), PixelAt(img, rcRed.right + 1, rcRed.top + 1)) << "clipped";

    // The picture static copies the bitmap at its top-left corner.
    const RECT rcPic = InImage(*top, dlg.GetDlgItem(kPicture)->m_hWnd);
    EXPECT_EQ(0x00C000u, PixelAt(img, rcPic.left + 1, rcPic.top + 1));
    EXPECT_EQ(0x00C000u, PixelAt(img, rcPic.left + 11, rcPic.top + 7));

    // Text: dark pixels inside the label, none below its text line.
    const RECT rcLabel = InImage(*top, dlg.GetDlgItem(kLabel)->m_hWnd);
    int nDark = 0;
    for (int y = rcLabel.top; y < rcLabel.bottom; ++y)
        for (int x = rcLabel.left; x < rcLabel.right; ++x)
            nDark += (PixelAt(img, x, y) & 0xFF) < 0x80 ? 1 : 0;
    EXPECT_GT(nDark, 20);
    cairo_surface_destroy(img);
}

// A picture brought up to date where the snapshots differ is the picture drawn whole: a changed text,
// a moved control, and a window drawn otherwise.
TEST_F(Renderer, APictureUpdatedWhereItChangedEqualsOneDrawnWhole) {
    AfxSetTextMeasurer(&m_measurer);
    CColourDlg dlg;
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    CCairoRenderer renderer(m_measurer);
    CWindowSnapshot before = AfxSnapshotWindow(dlg.m_hWnd);
    cairo_surface_t* img = renderer.RenderToImage(before);
    ASSERT_NE(nullptr, img);
    auto expectSameAsWhole = [&](const char* pszStep, size_t nMaxDamage) {
        Pump();
        const CWindowSnapshot after = AfxSnapshotWindow(dlg.m_hWnd);
        std::vector<RECT> damage;
        ASSERT_TRUE(AfxSnapshotDamage(before, after, &damage)) << pszStep;
        EXPECT_GE(nMaxDamage, damage.size()) << pszStep;
        EXPECT_FALSE(damage.empty()) << pszStep;
        renderer.RenderDamage(img, after, damage);
        cairo_surface_t* whole = renderer.RenderToImage(after);
        ASSERT_NE(nullptr, whole);
        const int cx = cairo_image_surface_get_width(whole);
        const int cy = cairo_image_surface_get_height(whole);
        int nDiffer = 0;
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x) nDiffer += PixelAt(img, x, y) != PixelAt(whole, x, y) ? 1 : 0;
        EXPECT_EQ(0, nDiffer) << pszStep;
        cairo_surface_destroy(whole);
        before = after;
    };
    dlg.GetDlgItem(kLabel)->SetWindowText("Another text");
    expectSameAsWhole("text", 1);
    dlg.GetDlgItem(kRed)->SetWindowPos(nullptr, 20, 35, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    expectSameAsWhole("move", 1);
    dlg.GetDlgItem(kPicture)->ShowWindow(SW_HIDE);
    expectSameAsWhole("hide", 1);
    cairo_surface_destroy(img);
}

TEST_F(Renderer, MeasuredWidthsAgreeWithTheInkCairoDraws) {
    ASSERT_TRUE(m_measurer.HasPinnedFace()) << "fonts-dejavu-core is not installed";
    for (int h : {11, 16, 24}) {
        CDrawOp op;
        op.nKind = CDrawOpKind::DrawText;
        op.strText = "Measured Text";
        op.nFontHeight = h;
        op.nBkMode = TRANSPARENT;
        op.crText = 0x000000;
        op.rc = RECT{0, 0, 400, 60};
        op.nFlags = DT_SINGLELINE | DT_NOPREFIX;
        cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 400, 60);
        cairo_t* cr = cairo_create(img);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        CCairoRenderer renderer(m_measurer);
        renderer.ReplayOp(cr, op);
        cairo_destroy(cr);
        int right = -1;
        int bottom = -1;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 400; ++x)
                if ((PixelAt(img, x, y) & 0xFF) < 0xC0) {
                    right = std::max(right, x);
                    bottom = std::max(bottom, y);
                }
        const int w = m_measurer.GetTextWidth("", h, op.strText);
        const int lineH = m_measurer.GetLineHeight("", h);
        EXPECT_LE(right, w) << "height " << h;
        EXPECT_GE(right, w - 3) << "height " << h;
        EXPECT_LT(bottom, lineH) << "height " << h;
        EXPECT_GT(lineH, h) << "a line holds ascent and descent";
        cairo_surface_destroy(img);
    }
}

TEST_F(Renderer, WordBreakLinesStayInsideTheRectangle) {
    AfxSetTextMeasurer(&m_measurer);
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    HDC hDC = GetDC(wnd.m_hWnd);
    const char* text = "A longer sentence that has to wrap onto several lines";
    RECT rc{0, 0, 90, 0};
    const int nHeight = DrawTextA(hDC, text, -1, &rc, DT_CALCRECT | DT_WORDBREAK);
    ReleaseDC(wnd.m_hWnd, hDC);
    EXPECT_LE(rc.right, 90);
    EXPECT_GE(nHeight, 3 * m_measurer.GetLineHeight("", 11));

    CDrawOp op;
    op.nKind = CDrawOpKind::DrawText;
    op.strText = text;
    op.nFontHeight = 0;  // the default font, as the calculation above used
    op.nBkMode = TRANSPARENT;
    op.rc = RECT{0, 0, 90, nHeight};
    op.nFlags = DT_WORDBREAK | DT_NOCLIP;
    cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 200, nHeight + 20);
    cairo_t* cr = cairo_create(img);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    CCairoRenderer renderer(m_measurer);
    renderer.ReplayOp(cr, op);
    cairo_destroy(cr);
    int nOutside = 0;
    int nInside = 0;
    for (int y = 0; y < nHeight + 20; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool bInk = (PixelAt(img, x, y) & 0xFF) < 0xC0;
            if (bInk && (x > 90 || y >= nHeight)) ++nOutside;
            if (bInk) ++nInside;
        }
    EXPECT_EQ(0, nOutside) << "drawn lines agree with the measured layout";
    EXPECT_GT(nInside, 50);
    cairo_surface_destroy(img);
}

TEST_F(Renderer, ASingleLineWiderThanItsRectangleIsCondensedInsideIt) {
    const char* text = "Unipolar:    0 to  +5";
    const int nNatural = m_measurer.GetTextWidth("", 11, text);
    const int nRoom = nNatural * 4 / 5;
    for (UINT nAlign :
         {static_cast<UINT>(DT_LEFT), static_cast<UINT>(DT_CENTER), static_cast<UINT>(DT_RIGHT)}) {
        CDrawOp op;
        op.nKind = CDrawOpKind::DrawText;
        op.strText = text;
        op.nBkMode = TRANSPARENT;
        op.rc = RECT{20, 5, 20 + nRoom, 25};
        op.nFlags = nAlign | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
        cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, nNatural + 60, 30);
        cairo_t* cr = cairo_create(img);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        CCairoRenderer renderer(m_measurer);
        renderer.ReplayOp(cr, op);
        cairo_destroy(cr);
        int nOutside = 0;
        int nLeftInk = 0;
        int nRightInk = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < nNatural + 60; ++x) {
                if ((PixelAt(img, x, y) & 0xFF) >= 0xC0) continue;
                if (x < op.rc.left || x >= op.rc.right) ++nOutside;
                if (x >= op.rc.left && x < op.rc.left + 4) ++nLeftInk;
                if (x >= op.rc.right - 4 && x < op.rc.right) ++nRightInk;
            }
        EXPECT_EQ(0, nOutside) << "alignment " << nAlign;
        EXPECT_GT(nLeftInk, 0) << "the first letter is drawn whole, alignment " << nAlign;
        EXPECT_GT(nRightInk, 0) << "the last letter is drawn, alignment " << nAlign;
        cairo_surface_destroy(img);
    }
}

TEST_F(Renderer, WhereTwoSiblingsOverlapTheLowerOnesPaintIsSeenUnlessItClipsItsSiblings) {
    // Two overlapping siblings: the red static first in the template (on top), the picture after it.
    // The platform paints from the top down, so the picture's paint covers the red where they overlap
    // (a field over the label reaching into it); with WS_CLIPSIBLINGS the picture stays out of the red.
    AfxRegisterDialogTemplate(DlgTemplate(
        kDlg + 1, {DlgItem(kRed, "Static", "", WS_VISIBLE, 10, 10, 40, 12),
                   DlgItem(kPicture, "Static", "", WS_VISIBLE | SS_BITMAP, 40, 10, 20, 12, kBitmap)}));
    CColourDlg dlg;
    ASSERT_TRUE(dlg.Create(kDlg + 1));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    const HWND hField = dlg.GetDlgItem(kPicture)->m_hWnd;
    CScreenSnapshot snap = AfxTakeScreenSnapshot();
    CWindowSnapshot top = *FindIn(snap.windows, dlg.m_hWnd);
    const RECT rcLabel = InImage(top, dlg.GetDlgItem(kRed)->m_hWnd);
    const RECT rcField = InImage(top, hField);
    ASSERT_LT(rcField.left + 1, rcLabel.right) << "the two overlap";
    CCairoRenderer renderer(m_measurer);
    // What the picture paints at the overlap, drawn alone.
    CWindowSnapshot fieldAlone = top;
    fieldAlone.children.erase(std::remove_if(fieldAlone.children.begin(), fieldAlone.children.end(),
                                             [&](const CWindowSnapshot& c) { return c.hWnd != hField; }),
                              fieldAlone.children.end());
    cairo_surface_t* alone = renderer.RenderToImage(fieldAlone);
    const std::uint32_t picture = PixelAt(alone, rcField.left + 1, rcField.top + 2);
    const std::uint32_t beyond = PixelAt(alone, rcLabel.right + 1, rcField.top + 2);
    ASSERT_NE(0xFF0000u, picture);
    cairo_surface_destroy(alone);

    cairo_surface_t* img = renderer.RenderToImage(top);
    EXPECT_EQ(picture, PixelAt(img, rcField.left + 1, rcField.top + 2)) << "the picture, painted later";
    EXPECT_EQ(0xFF0000u, PixelAt(img, rcLabel.left + 1, rcLabel.top + 2)) << "the static left of it";
    cairo_surface_destroy(img);

    ::SetWindowLong(hField, GWL_STYLE,
                    ::GetWindowLong(hField, GWL_STYLE) | static_cast<LONG>(WS_CLIPSIBLINGS));
    snap = AfxTakeScreenSnapshot();
    top = *FindIn(snap.windows, dlg.m_hWnd);
    img = renderer.RenderToImage(top);
    EXPECT_EQ(0xFF0000u, PixelAt(img, rcField.left + 1, rcField.top + 2))
        << "the picture clips the static out";
    EXPECT_EQ(beyond, PixelAt(img, rcLabel.right + 1, rcField.top + 2)) << "the picture beyond the static";
    cairo_surface_destroy(img);
}

TEST_F(Renderer, ALabelWhoseRightPartASiblingCoversEndsItsTextBeforeIt) {
    // A hand-made window: a label with a left-aligned line, a sibling below it (painted later, drawing
    // nothing, so the label's ink stays visible) covering the label's right part.
    const char* text = "Source of the signal";
    const int nNatural = m_measurer.GetTextWidth("", 12, text);
    const auto window = [](RECT rc) {
        CWindowSnapshot w;
        w.bVisible = TRUE;
        w.strClass = "Static";
        w.rcWindow = w.rcClient = rc;
        return w;
    };
    CWindowSnapshot top = window(RECT{0, 0, nNatural + 80, 40});
    CWindowSnapshot label = window(RECT{10, 10, 10 + nNatural + 20, 30});
    label.dwStyle = WS_CHILD;
    CDrawOp op;
    op.nKind = CDrawOpKind::DrawText;
    op.strText = text;
    op.nFontHeight = 12;
    op.nBkMode = TRANSPARENT;
    op.rc = RECT{0, 0, nNatural + 20, 20};
    op.nFlags = DT_LEFT | DT_SINGLELINE | DT_VCENTER;
    label.drawOps.push_back(op);
    const int nFieldLeft = 10 + nNatural * 4 / 5;
    CWindowSnapshot field = window(RECT{nFieldLeft, 5, nNatural + 70, 35});
    field.dwStyle = WS_CHILD;
    CWindowSnapshot groupBox = field;
    groupBox.strClass = "Button";
    groupBox.dwStyle = WS_CHILD | BS_GROUPBOX;

    const auto inkColumns = [&](const std::vector<CWindowSnapshot>& children, int& nFirst, int& nLast) {
        CWindowSnapshot t = top;
        t.children = children;
        CCairoRenderer renderer(m_measurer);
        cairo_surface_t* img = renderer.RenderToImage(t);
        nFirst = INT_MAX;
        nLast = -1;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < nNatural + 80; ++x)
                if ((PixelAt(img, x, y) & 0xFF) < 0x80) {
                    nFirst = std::min(nFirst, x);
                    nLast = std::max(nLast, x);
                }
        cairo_surface_destroy(img);
    };
    int nFirst = 0, nLast = 0;
    inkColumns({label}, nFirst, nLast);
    EXPECT_GE(nLast, nFieldLeft) << "alone the text reaches past where the field will start";
    inkColumns({label, field}, nFirst, nLast);
    EXPECT_EQ(10, nFirst - (nFirst > 10 ? 1 : 0)) << "it still starts where it is aligned";
    EXPECT_LT(nLast, nFieldLeft) << "condensed to end before the field";
    EXPECT_GE(nLast, nFieldLeft - 3) << "and it uses the room up to it";
    inkColumns({label, groupBox}, nFirst, nLast);
    EXPECT_GE(nLast, nFieldLeft) << "a group box paints only its frame: the text keeps its width";
    inkColumns({field, label}, nFirst, nLast);
    EXPECT_GE(nLast, nFieldLeft) << "a sibling above paints first and is covered, not covering";
}

TEST_F(Renderer, AGroupBoxCaptionKeepsItsWidthOverTheControlsInsideTheBox) {
    // A group box with its caption, and inside it a label and a field below the caption's line, both
    // starting left of where the caption ends. The platform paints the box first (it comes first in the
    // template) and the controls over it; they cover the box's right part, but not the caption's rows.
    constexpr UINT kGroup = 1310, kInside = 1311, kField = 1312;
    const char* const kCaption = "Digital I/O (TTL)";
    AfxSetTextMeasurer(&m_measurer);
    AfxRegisterDialogTemplate(
        DlgTemplate(kDlg + 2, {DlgItem(kGroup, "Button", kCaption, WS_VISIBLE | BS_GROUPBOX, 7, 7, 150, 60),
                               DlgItem(kInside, "Static", "Output", WS_VISIBLE, 15, 25, 19, 8),
                               DlgItem(kField, "Edit", "", WS_VISIBLE | WS_BORDER, 30, 40, 60, 12)}));
    CColourDlg dlg;
    ASSERT_TRUE(dlg.Create(kDlg + 2));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    const CScreenSnapshot snap = AfxTakeScreenSnapshot();
    const CWindowSnapshot* top = FindIn(snap.windows, dlg.m_hWnd);
    ASSERT_NE(nullptr, top);
    const CWindowSnapshot* group = FindIn(snap.windows, dlg.GetDlgItem(kGroup)->m_hWnd);
    ASSERT_NE(nullptr, group);
    int nNatural = 0;
    for (const CDrawOp& op : group->drawOps)
        if (op.nKind == CDrawOpKind::DrawText && op.strText == kCaption)
            nNatural = m_measurer.GetTextWidth(op.strFontFace, AfxDrawOpFontHeight(op), kCaption);
    ASSERT_GT(nNatural, 40);
    const RECT rcGroup = InImage(*top, group->hWnd);
    const RECT rcInside = InImage(*top, dlg.GetDlgItem(kInside)->m_hWnd);
    ASSERT_LT(rcInside.left, rcGroup.left + 8 + nNatural) << "the label starts under the caption";
    ASSERT_GT(rcInside.top, rcGroup.top + 12) << "below the caption's line";

    // The caption's ink: the columns where its rows are darker than the face, right of the left frame.
    CCairoRenderer renderer(m_measurer);
    cairo_surface_t* img = renderer.RenderToImage(*top);
    int nFirst = INT_MAX;
    int nLast = -1;
    for (int y = rcGroup.top; y < rcGroup.top + 12; ++y)
        for (int x = rcGroup.left + 4; x < rcGroup.right - 4; ++x)
            if ((PixelAt(img, x, y) & 0xFF) < 0x60) {
                nFirst = std::min(nFirst, x);
                nLast = std::max(nLast, x);
            }
    cairo_surface_destroy(img);
    ASSERT_NE(-1, nLast);
    EXPECT_GE(nLast - nFirst + 3, nNatural) << "the caption is drawn at its natural width";
    EXPECT_LE(nLast - nFirst, nNatural);
}

TEST_F(Renderer, ChildrenPaintOverParentsAndHiddenOnesNot) {
    CColourDlg dlg;
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    CScreenSnapshot snap = AfxTakeScreenSnapshot();
    CWindowSnapshot top = *FindIn(snap.windows, dlg.m_hWnd);
    // The dialog's own record paints a blue square where the red static lies: the child wins.
    const RECT rcRed = InImage(top, dlg.GetDlgItem(kRed)->m_hWnd);
    CDrawOp fill;
    fill.nKind = CDrawOpKind::FillRect;
    fill.crBrush = 0xFF0000;
    fill.rc = RECT{0, 0, 400, 400};
    top.drawOps.push_back(fill);
    CCairoRenderer renderer(m_measurer);
    cairo_surface_t* img = renderer.RenderToImage(top);
    const int cx = (rcRed.left + rcRed.right) / 2;
    const int cy = (rcRed.top + rcRed.bottom) / 2;
    EXPECT_EQ(0xFF0000u, PixelAt(img, cx, cy));
    cairo_surface_destroy(img);
    for (CWindowSnapshot& c : top.children)
        if (c.nID == kRed) c.bVisible = FALSE;
    img = renderer.RenderToImage(top);
    EXPECT_EQ(0x0000FFu, PixelAt(img, cx, cy));
    cairo_surface_destroy(img);
}

// A window tree built by hand for the renderer: overlapping siblings, one that clips its siblings, a
// hidden one, nested children, and every kind of operation, some reaching past their rectangles.
class CHandTree {
  public:
    CHandTree() {
        m_top = Window(RECT{100, 50, 420, 290}, RECT{104, 77, 416, 286}, WS_POPUP | WS_VISIBLE | WS_CAPTION);
        CDrawOp caption = Op(CDrawOpKind::FillRect, RECT{0, 0, 320, 27}, 0x804020);
        caption.bWindowCoords = TRUE;
        m_top.nonClientOps.push_back(caption);
        m_top.drawOps.push_back(Op(CDrawOpKind::FillRect, RECT{0, 0, 312, 209}, 0xE0E8F0));
        m_top.drawOps.push_back(Op(CDrawOpKind::Line, RECT{0, 100, 312, 120}, 0x0000FF));
        CWindowSnapshot group =
            Window(RECT{110, 90, 300, 220}, RECT{112, 92, 298, 218}, WS_CHILD | WS_VISIBLE);
        CDrawOp border = Op(CDrawOpKind::Edge, RECT{0, 0, 190, 130}, 0);
        border.bWindowCoords = TRUE;
        group.nonClientOps.push_back(border);
        group.drawOps.push_back(Op(CDrawOpKind::Edge, RECT{0, 6, 186, 126}, 0));
        // A text wider than the extent recorded for it.
        group.drawOps.push_back(Op(CDrawOpKind::Text, RECT{0, 12, 2, 24}, 0x000000, "Group of fields"));
        // Fields that overlap the one above them by 3 px; the second and fourth clip their siblings.
        for (int i = 0; i < 4; ++i) {
            const RECT rc{120 + 10 * i, 100 + 15 * i, 220 + 10 * i, 118 + 15 * i};
            CWindowSnapshot field = Window(rc, rc, WS_CHILD | WS_VISIBLE | (i % 2 ? WS_CLIPSIBLINGS : 0));
            field.drawOps.push_back(Op(CDrawOpKind::FillRect, RECT{0, 0, 100, 18}, 0xFFFFFF));
            CDrawOp text = Op(CDrawOpKind::DrawText, RECT{0, 0, 100, 18}, 0x000000, "value 0");
            text.nFlags = DT_SINGLELINE | DT_VCENTER | (i == 3 ? DT_NOCLIP : 0);
            field.drawOps.push_back(text);
            group.children.push_back(field);
        }
        CWindowSnapshot clipper = Window(RECT{250, 120, 330, 180}, RECT{252, 122, 328, 178},
                                         WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
        CDrawOp frame = Op(CDrawOpKind::Rectangle, RECT{0, 0, 80, 60}, 0x00A000);
        frame.bWindowCoords = TRUE;
        clipper.nonClientOps.push_back(frame);
        clipper.drawOps.push_back(Op(CDrawOpKind::Ellipse, RECT{4, 4, 60, 50}, 0xC000C0));
        CWindowSnapshot hidden = Window(RECT{130, 200, 260, 260}, RECT{130, 200, 260, 260}, WS_CHILD);
        hidden.drawOps.push_back(Op(CDrawOpKind::FillRect, RECT{0, 0, 130, 60}, 0x0000FF));
        m_top.children = {group, clipper, hidden};
        for (size_t i = 0; i < m_top.children.size(); ++i) m_top.children[i].nZOrder = static_cast<int>(i);
    }

    static CWindowSnapshot Window(const RECT& rcWindow, const RECT& rcClient, DWORD dwStyle) {
        CWindowSnapshot w;
        w.hWnd = reinterpret_cast<HWND>(++s_nNextHandle);
        w.strClass = "Static";
        w.rcWindow = rcWindow;
        w.rcClient = rcClient;
        w.dwStyle = dwStyle;
        w.bVisible = (dwStyle & WS_VISIBLE) != 0;
        w.bEnabled = TRUE;
        return w;
    }
    static CDrawOp Op(CDrawOpKind nKind, const RECT& rc, COLORREF cr, const char* pszText = "") {
        CDrawOp op;
        op.nKind = nKind;
        op.rc = rc;
        op.crBrush = cr;
        op.crPen = cr;
        op.crText = cr;
        op.nBkMode = TRANSPARENT;
        op.strText = pszText;
        return op;
    }

    // Every window of the tree but the top-level one.
    std::vector<CWindowSnapshot*> Windows() {
        std::vector<CWindowSnapshot*> all;
        std::function<void(CWindowSnapshot&)> add = [&](CWindowSnapshot& w) {
            for (CWindowSnapshot& c : w.children) {
                all.push_back(&c);
                add(c);
            }
        };
        add(m_top);
        return all;
    }

    CWindowSnapshot m_top;
    static inline std::uintptr_t s_nNextHandle = 0x7000;
};

// Two pixels alike: cairo may cover an antialiased edge (the ellipse's) a few levels differently under
// another clip; anything missed or painted wrongly differs by far more.
bool Alike(std::uint32_t a, std::uint32_t b) {
    for (int nShift = 0; nShift < 24; nShift += 8)
        if (std::abs(static_cast<int>((a >> nShift) & 0xFF) - static_cast<int>((b >> nShift) & 0xFF)) > 8)
            return false;
    return true;
}

// Whatever changes, a picture brought up to date where it changed is the picture drawn whole: texts
// and colours that change, children that move, hide, show, clip their siblings or change places.
TEST_F(Renderer, EveryPictureUpdatedWhereItChangedEqualsOneDrawnWhole) {
    CHandTree tree;
    CCairoRenderer renderer(m_measurer);
    cairo_surface_t* img = renderer.RenderToImage(tree.m_top);
    ASSERT_NE(nullptr, img);
    std::mt19937 random(7);
    // First (window, change) by hand, the rest at random. Windows: the group, its four fields, the window
    // that clips its siblings, the hidden one. Changes: the cases below.
    const std::vector<std::pair<size_t, unsigned>> scripted = {
        {2, 0},  // a field that clips out the one above it
        {1, 5},  // a field filled only in part: the group's text shows through it...
        {1, 0},  // ...where it changes
        {3, 6},  // a field reaching onto the group's border...
        {3, 0},  // ...changes
    };
    int nDamaged = 0;
    for (size_t nStep = 0; nStep < 200; ++nStep) {
        const CWindowSnapshot before = tree.m_top;
        std::vector<CWindowSnapshot*> all = tree.Windows();
        const bool bScripted = nStep < scripted.size();
        CWindowSnapshot& w = *all[bScripted ? scripted[nStep].first : random() % all.size()];
        std::string strStep = std::to_string(nStep) + ": ";
        switch (bScripted ? scripted[nStep].second : random() % 6) {
            case 0: {  // another text or colour in its record
                std::vector<CDrawOp> ops(w.drawOps.begin(), w.drawOps.end());
                if (ops.empty()) continue;
                CDrawOp& op = ops[random() % ops.size()];
                op.strText = op.strText.empty() ? op.strText : "value " + std::to_string(random() % 1000);
                op.crBrush = op.crText = op.crPen = static_cast<COLORREF>(random() & 0xFFFFFF);
                w.drawOps = ops;
                strStep += "record";
                break;
            }
            case 6:  // onto its parent's border on the left
                OffsetRect(&w.rcWindow, -30, 0);
                OffsetRect(&w.rcClient, -30, 0);
                strStep += "out";
                break;
            case 1: {  // moved a little
                const int dx = static_cast<int>(random() % 21) - 10;
                const int dy = static_cast<int>(random() % 21) - 10;
                OffsetRect(&w.rcWindow, dx, dy);
                OffsetRect(&w.rcClient, dx, dy);
                strStep += "move";
                break;
            }
            case 2:
                w.bVisible = !w.bVisible;
                w.dwStyle ^= WS_VISIBLE;
                strStep += "visibility";
                break;
            case 3:
                w.dwStyle ^= WS_CLIPSIBLINGS;
                strStep += "clipping";
                break;
            case 4: {  // the first two siblings change places
                CWindowSnapshot* pParent = &tree.m_top;
                for (CWindowSnapshot* p : all)
                    if (!p->children.empty() && random() % 2) pParent = p;
                if (pParent->children.size() < 2) continue;
                std::swap(pParent->children[0], pParent->children[1]);
                for (size_t i = 0; i < pParent->children.size(); ++i)
                    pParent->children[i].nZOrder = static_cast<int>(i);
                strStep += "z-order";
                break;
            }
            default: {  // the record starts over with a fill of a part
                CDrawOp fill = CHandTree::Op(CDrawOpKind::FillRect, RECT{2, 2, 30, 12},
                                             static_cast<COLORREF>(random() & 0xFFFFFF));
                w.drawOps = std::vector<CDrawOp>{fill};
                strStep += "fill";
                break;
            }
        }
        std::vector<RECT> damage;
        if (!AfxSnapshotDamage(before, tree.m_top, &damage)) {
            cairo_surface_destroy(img);
            img = renderer.RenderToImage(tree.m_top);
            continue;
        }
        nDamaged += damage.empty() ? 0 : 1;
        renderer.RenderDamage(img, tree.m_top, damage);
        cairo_surface_t* whole = renderer.RenderToImage(tree.m_top);
        ASSERT_NE(nullptr, whole);
        std::string strDiff;
        for (int y = 0; strDiff.empty() && y < cairo_image_surface_get_height(whole); ++y)
            for (int x = 0; strDiff.empty() && x < cairo_image_surface_get_width(whole); ++x)
                if (!Alike(PixelAt(img, x, y), PixelAt(whole, x, y)))
                    strDiff = "differs at " + std::to_string(x) + "," + std::to_string(y);
        cairo_surface_destroy(whole);
        ASSERT_EQ("", strDiff) << strStep;
    }
    cairo_surface_destroy(img);
    EXPECT_GT(nDamaged, 50) << "most steps update a part";
}

// An indicator painted at each change without erasing shows its last state as if drawn once, however
// long its record grew; a shape of another size or place painted before it still shows around it.
TEST_F(Renderer, AShapePaintedOverInTheSamePlaceShowsOnlyTheLastTime) {
    CWindowSnapshot top = CHandTree::Window(RECT{0, 0, 60, 40}, RECT{0, 0, 60, 40}, WS_POPUP | WS_VISIBLE);
    top.drawOps.push_back(CHandTree::Op(CDrawOpKind::FillRect, RECT{0, 0, 60, 40}, 0xF0F0F0));
    CWindowSnapshot once = top;
    once.drawOps.push_back(CHandTree::Op(CDrawOpKind::Ellipse, RECT{4, 4, 40, 30}, 0x0000FF));
    CWindowSnapshot often = top;
    for (int i = 0; i < 500; ++i)
        often.drawOps.push_back(
            CHandTree::Op(CDrawOpKind::Ellipse, RECT{4, 4, 40, 30}, i % 2 ? 0x0000FF : 0x00FF00));
    CCairoRenderer renderer(m_measurer);
    cairo_surface_t* a = renderer.RenderToImage(once);
    cairo_surface_t* b = renderer.RenderToImage(often);
    int nDiffer = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) nDiffer += PixelAt(a, x, y) != PixelAt(b, x, y) ? 1 : 0;
    EXPECT_EQ(0, nDiffer);
    cairo_surface_destroy(b);

    // A larger green one before a smaller red one: its rim stays green.
    CWindowSnapshot two = top;
    two.drawOps.push_back(CHandTree::Op(CDrawOpKind::Ellipse, RECT{2, 2, 44, 34}, 0x00FF00));
    two.drawOps.push_back(CHandTree::Op(CDrawOpKind::Ellipse, RECT{4, 4, 40, 30}, 0x0000FF));
    b = renderer.RenderToImage(two);
    EXPECT_EQ(0x00FF00u, PixelAt(b, 23, 3));
    EXPECT_EQ(0xFF0000u, PixelAt(b, 22, 17));
    cairo_surface_destroy(b);
    cairo_surface_destroy(a);
}

// A window that clips its siblings stays out of the one above it wherever the window stands on the
// screen, drawn whole or where it changed; a sibling that does not reach it takes nothing away.
TEST_F(Renderer, AWindowAwayFromTheScreensCornerStaysOutOfTheSiblingAboveIt) {
    CWindowSnapshot top =
        CHandTree::Window(RECT{300, 200, 420, 280}, RECT{300, 200, 420, 280}, WS_POPUP | WS_VISIBLE);
    top.drawOps.push_back(CHandTree::Op(CDrawOpKind::FillRect, RECT{0, 0, 120, 80}, 0xFFFFFF));
    CWindowSnapshot above =
        CHandTree::Window(RECT{310, 210, 360, 250}, RECT{310, 210, 360, 250}, WS_CHILD | WS_VISIBLE);
    above.drawOps.push_back(CHandTree::Op(CDrawOpKind::FillRect, RECT{0, 0, 50, 40}, 0x0000FF));
    CWindowSnapshot far =
        CHandTree::Window(RECT{305, 262, 315, 272}, RECT{305, 262, 315, 272}, WS_CHILD | WS_VISIBLE);
    CWindowSnapshot below = CHandTree::Window(RECT{340, 220, 400, 270}, RECT{340, 220, 400, 270},
                                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
    below.drawOps.push_back(CHandTree::Op(CDrawOpKind::FillRect, RECT{0, 0, 60, 50}, 0x00C000));
    top.children = {above, far, below};
    CCairoRenderer renderer(m_measurer);
    cairo_surface_t* whole = renderer.RenderToImage(top);
    cairo_surface_t* part = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 120, 80);
    renderer.RenderDamage(part, top, {RECT{30, 10, 110, 75}});
    for (cairo_surface_t* img : {whole, part}) {
        const char* pszHow = img == whole ? "whole" : "where it changed";
        EXPECT_EQ(0xFF0000u, PixelAt(img, 50, 30)) << "the sibling above, over the lower one: " << pszHow;
        EXPECT_EQ(0x00C000u, PixelAt(img, 80, 60)) << "the lower one beside it: " << pszHow;
        EXPECT_EQ(0x00C000u, PixelAt(img, 41, 64)) << "the lower one beside the far one: " << pszHow;
    }
    cairo_surface_destroy(part);
    cairo_surface_destroy(whole);
}

// A text's glyphs are kept from one drawing to the next: each text, at each height and condensed or not,
// looks as it does on a renderer that never drew anything else, and as cairo draws the text itself.
TEST_F(Renderer, TextsLookTheSameWhateverWasDrawnBefore) {
    constexpr int kCx = 220;
    constexpr int kCy = 40;
    const auto draw = [&](CCairoRenderer& renderer, const CDrawOp& op) {
        cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kCx, kCy);
        cairo_t* cr = cairo_create(img);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        renderer.ReplayOp(cr, op);
        cairo_destroy(cr);
        cairo_surface_flush(img);
        return img;
    };
    const auto differ = [&](cairo_surface_t* a, cairo_surface_t* b) {
        int n = 0;
        for (int y = 0; y < kCy; ++y)
            for (int x = 0; x < kCx; ++x) n += PixelAt(a, x, y) != PixelAt(b, x, y) ? 1 : 0;
        return n;
    };
    const std::string strLatin1 = "Gain 5 \xB5V at 20 \xB0";  // micro sign and degree sign, one byte each
    std::vector<CDrawOp> ops;
    for (int nHeight : {11, 16}) {
        CDrawOp text = CHandTree::Op(CDrawOpKind::Text, RECT{3, 4, 200, 30}, 0x202020, strLatin1.c_str());
        text.nFontHeight = nHeight;
        ops.push_back(text);
    }
    // The same text condensed into a narrower rectangle, and at its natural width.
    for (int nRoom : {m_measurer.GetTextWidth("", 11, strLatin1) * 3 / 4, 200}) {
        CDrawOp line =
            CHandTree::Op(CDrawOpKind::DrawText, RECT{5, 2, 5 + nRoom, 30}, 0x800000, strLatin1.c_str());
        line.nFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
        ops.push_back(line);
    }
    ops.push_back(CHandTree::Op(CDrawOpKind::Text, RECT{3, 4, 200, 30}, 0x202020, ""));

    std::vector<cairo_surface_t*> fresh;
    for (const CDrawOp& op : ops) {
        CCairoRenderer renderer(m_measurer);
        fresh.push_back(draw(renderer, op));
    }
    CCairoRenderer renderer(m_measurer);
    for (int nRound = 0; nRound < 2; ++nRound)
        for (size_t i = 0; i < ops.size(); ++i) {
            cairo_surface_t* img = draw(renderer, ops[i]);
            EXPECT_EQ(0, differ(fresh[i], img)) << "text " << i << ", round " << nRound;
            cairo_surface_destroy(img);
        }

    // The first text as cairo draws it from its UTF-8 form, on the baseline at the font's ascent.
    cairo_surface_t* own = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kCx, kCy);
    cairo_t* cr = cairo_create(own);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_translate(cr, 3, 4 + m_measurer.GetAscent(11));
    m_measurer.SelectFont(cr, 11);
    cairo_set_source_rgb(cr, 0x20 / 255.0, 0x20 / 255.0, 0x20 / 255.0);
    cairo_move_to(cr, 0, 0);
    cairo_show_text(cr, AfxLatin1ToUtf8(strLatin1).c_str());
    cairo_destroy(cr);
    cairo_surface_flush(own);
    EXPECT_EQ(0, differ(own, fresh[0]));
    EXPECT_GT(differ(own, fresh.back()), 50) << "the text is drawn at all";
    cairo_surface_destroy(own);
    for (cairo_surface_t* s : fresh) cairo_surface_destroy(s);
}

TEST(BmpSurface, DecodesBothRowOrdersAndRefusesBadData) {
    std::vector<BYTE> up = SolidBmp(3, 2, 0x123456);
    up[54] = 0x01;  // bottom-up: the first stored row is the bottom one; blue of its first pixel
    cairo_surface_t* s = AfxBmpToSurface(up.data(), up.size());
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(0x563412u, PixelAt(s, 0, 0));
    EXPECT_EQ(0x563401u, PixelAt(s, 0, 1));
    cairo_surface_destroy(s);
    std::vector<BYTE> down = SolidBmp(3, 2, 0x123456, true);
    down[54] = 0x01;
    s = AfxBmpToSurface(down.data(), down.size());
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(0x563401u, PixelAt(s, 0, 0));
    cairo_surface_destroy(s);
    EXPECT_EQ(nullptr, AfxBmpToSurface(up.data(), up.size() - 4)) << "truncated";
    EXPECT_EQ(nullptr, AfxBmpToSurface(nullptr, 0));
}

class Screenshot : public Renderer {};

TEST_F(Screenshot, WritesOnePngPerVisibleTopLevelWindow) {
    CTempWorkDir dir;
    ASSERT_TRUE(dir.Enter("tessaro-screenshot"));
    CColourDlg shown;
    ASSERT_TRUE(shown.Create(kDlg));
    shown.SetWindowText("Main / Window: 1");
    shown.ShowWindow(SW_SHOW);
    CColourDlg twin;
    ASSERT_TRUE(twin.Create(kDlg));
    twin.SetWindowText("Main / Window: 1");
    twin.ShowWindow(SW_SHOW);
    CColourDlg hidden;
    ASSERT_TRUE(hidden.Create(kDlg));
    hidden.SetWindowText("Hidden");
    Pump();
    const std::string folder = std::filesystem::current_path().string();
    const std::vector<std::string> files = AfxWriteScreenshots(AfxTakeScreenSnapshot(), folder);
    ASSERT_EQ(2u, files.size());
    EXPECT_TRUE(std::filesystem::exists(folder + "/Main_Window_1.png"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/Main_Window_1-2.png"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/Hidden.png"));
    cairo_surface_t* png = cairo_image_surface_create_from_png((folder + "/Main_Window_1.png").c_str());
    ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_status(png));
    CRect rc;
    shown.GetWindowRect(&rc);
    EXPECT_EQ(rc.Width(), cairo_image_surface_get_width(png));
    EXPECT_EQ(rc.Height(), cairo_image_surface_get_height(png));
    cairo_surface_destroy(png);
    EXPECT_TRUE(AfxWriteScreenshots(AfxTakeScreenSnapshot(), folder + "/missing").empty());
}

TEST(ScreenshotName, IsSafeForAFileSystem) {
    EXPECT_EQ("Corvessa_Tessaro", AfxFileSafeName("Corvessa~Tessaro "));
    EXPECT_EQ("a_b", AfxFileSafeName("a/\\b"));
    EXPECT_EQ("window", AfxFileSafeName(".."));
    EXPECT_EQ("window", AfxFileSafeName(""));
    EXPECT_EQ("window", AfxFileSafeName("///"));
    EXPECT_EQ(100u, AfxFileSafeName(std::string(300, 'x')).size());
}

}  // namespace
