// The system-information window: its class and hidden window, the tab strip, the pages as painted, and
// every failure of its making forced through the framework's simulation.
#include "app/sysinfo_window.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/hostlib/crs_interapp.h"
#include "platform/hostlib/sim_host.h"
#include "platform/win/app_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/user_agent_testing.h"
#include "platform/win/window_testing.h"
#include "resources/resource.h"
#include "support/win_fixture.h"

namespace {

constexpr char kExe[] = "/opt/tessaro/TessaroPro";

class SysInfoWindow : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        RegisterTessaroResources();
        SimHost().Reset();
        CWinSimulationTesting::SetModulePath(kExe);
        g_hSysInfoWnd = nullptr;
        g_hSysInfoTab = nullptr;
        g_nSysInfoPage = 0;
    }
    void TearDown() override {
        CWinSimulationTesting::SetModulePath(nullptr);
        SimHost().Reset();
        CWinTestFixture::TearDown();
    }

    // Shows the window and paints it now; what it drew, oldest first.
    static std::vector<CDrawOp> ShowAndPaint() {
        ShowWindow(g_hSysInfoWnd, SW_SHOWNORMAL);
        InvalidateRect(g_hSysInfoWnd, nullptr, TRUE);
        UpdateWindow(g_hSysInfoWnd);
        return AfxGetDrawOps(g_hSysInfoWnd);
    }
    static std::vector<CDrawOp> Of(const std::vector<CDrawOp>& ops, CDrawOpKind kind) {
        std::vector<CDrawOp> out;
        for (const CDrawOp& op : ops)
            if (op.nKind == kind) out.push_back(op);
        return out;
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const CUserEvent& e : CRecordingUserAgentTesting::MessageBoxes(Agent())) {
            EXPECT_EQ("Tabs", e.strCaption.Str());
            EXPECT_EQ(static_cast<UINT>(MB_OK), e.nType & 0xF);
            EXPECT_EQ(nullptr, e.hOwner);
            texts.push_back(e.strText.Str());
        }
        return texts;
    }
    static std::string TabText(int i) {
        char sz[64] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = sz;
        item.cchTextMax = sizeof sz;
        SendMessageA(g_hSysInfoTab, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        return sz;
    }
    static void ExpectOnlyPageZero(const std::vector<CDrawOp>& ops) {
        EXPECT_TRUE(Of(ops, CDrawOpKind::BitBlt).empty());
        EXPECT_EQ(9u, Of(ops, CDrawOpKind::TabbedText).size());
    }
};

TEST_F(SysInfoWindow, MadeHiddenWithItsClassAndSixTabs) {
    ASSERT_TRUE(CreateSysInfoWindow());
    ASSERT_TRUE(IsWindow(g_hSysInfoWnd));
    EXPECT_FALSE(IsWindowVisible(g_hSysInfoWnd));
    EXPECT_TRUE(CRecordingUserAgentTesting::MessageBoxes(Agent()).empty());

    char szText[32] = {};
    GetWindowTextA(g_hSysInfoWnd, szText, sizeof szText);
    EXPECT_STREQ("Info", szText);
    RECT rc{};
    GetWindowRect(g_hSysInfoWnd, &rc);
    EXPECT_EQ((RECT{30, 30, 580, 880}).left, rc.left);
    EXPECT_EQ(30, rc.top);
    EXPECT_EQ(550, rc.right - rc.left);
    EXPECT_EQ(850, rc.bottom - rc.top);
    const DWORD dwStyle = static_cast<DWORD>(GetWindowLong(g_hSysInfoWnd, GWL_STYLE));
    EXPECT_EQ(
        WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_SYSMENU | WS_THICKFRAME,
        dwStyle & (WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_SYSMENU | WS_THICKFRAME | WS_VISIBLE | WS_CHILD));

    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(AfxGetInstanceHandle(), "Corvessa_Tessaro_SysInfo", &wc));
    EXPECT_EQ(0u, wc.style);
    EXPECT_EQ(&SysInfoWndProc, wc.lpfnWndProc);
    EXPECT_EQ(16, reinterpret_cast<INT_PTR>(wc.hbrBackground));
    EXPECT_NE(nullptr, wc.hCursor);

    ASSERT_NE(nullptr, g_hSysInfoTab);
    GetClassNameA(g_hSysInfoTab, szText, sizeof szText);
    EXPECT_STREQ("SysTabControl32", szText);
    EXPECT_EQ(g_hSysInfoWnd, GetParent(g_hSysInfoTab));
    const DWORD dwTabStyle = static_cast<DWORD>(GetWindowLong(g_hSysInfoTab, GWL_STYLE));
    EXPECT_EQ(TCS_BUTTONS | TCS_MULTILINE | WS_VISIBLE,
              dwTabStyle & (TCS_BUTTONS | TCS_MULTILINE | WS_VISIBLE));
    RECT rcClient{}, rcTab{};
    GetClientRect(g_hSysInfoWnd, &rcClient);
    GetClientRect(g_hSysInfoTab, &rcTab);
    EXPECT_EQ(rcClient.right, rcTab.right);
    EXPECT_EQ(56, rcTab.bottom);

    const std::vector<std::string> tabs = {"About",          "DIO TTL 37Pin",     "DDA 100-Pin",
                                           "DDA 50-Pin TTL", "DDA 50-Pin Analog", "PMD-1208 40-Pin"};
    ASSERT_EQ(6, SendMessageA(g_hSysInfoTab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(tabs[static_cast<size_t>(i)], TabText(i));
    EXPECT_EQ(0, SendMessageA(g_hSysInfoTab, TCM_GETCURSEL, 0, 0));
}

TEST_F(SysInfoWindow, PageZeroShowsTheLibraryAsItIsAtEachPaint) {
    ASSERT_TRUE(CreateSysInfoWindow());
    std::vector<CDrawOp> lines = Of(ShowAndPaint(), CDrawOpKind::TabbedText);
    const std::vector<std::string> expected = {
        "--- SDK/DLL VERSIONS & PATHS --------",
        " ",
        std::string("  Process:   \t ") + kExe + " ",
        "  > File vers: \t 2.9.5.136   ( version of Tessaro executable ).",
        "  > SDK vers:  \t 295.111  ( version of library compiled into Tessaro ).",
        " ",
        // The host library is linked into the executable: its module file is the executable.
        std::string("  DLL path:  \t ") + kExe + " ",
        "  > DLL vers:  \t 295.111  ( version of library loaded at runtime ).",
        "  Sharing:   \t      0  ( dll requests: callbacks & messageRequests ).",
    };
    ASSERT_EQ(expected.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(expected[i], lines[i].strText) << "line " << i + 5;
        EXPECT_EQ(20, lines[i].rc.left);
        EXPECT_EQ(117 + 18 * static_cast<int>(i), lines[i].rc.top);
        EXPECT_EQ(std::vector<int>{80}, lines[i].tabStops);
        EXPECT_EQ(0, lines[i].nTabOrigin);
        EXPECT_EQ(TRANSPARENT, lines[i].nBkMode);
    }

    // A request registered meanwhile shows at the next paint, and goes again when removed.
    CRecordingWnd client;
    ASSERT_TRUE(client.CreateTopLevel(WS_POPUP));
    ASSERT_EQ(CRS_OK, CRS_InsertMessageRequest(client.GetSafeHwnd(), 0xC123));
    lines = Of(ShowAndPaint(), CDrawOpKind::TabbedText);
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ("  Sharing:   \t      1  ( dll requests: callbacks & messageRequests ).", lines[8].strText);
    ASSERT_EQ(CRS_OK, CRS_RemoveMessageRequest(client.GetSafeHwnd()));
    lines = Of(ShowAndPaint(), CDrawOpKind::TabbedText);
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ("  Sharing:   \t      0  ( dll requests: callbacks & messageRequests ).", lines[8].strText);
}

TEST_F(SysInfoWindow, TabsChooseThePictureAndThePageSurvivesClosing) {
    ASSERT_TRUE(CreateSysInfoWindow());
    ShowAndPaint();
    struct SExpected {
        UINT nId;
        RECT rc;
    };
    const SExpected pages[] = {{IDB_PINOUT_DIO37, {60, 60, 560, 660}},
                               {IDB_PINOUT_DDA100, {30, 25, 530, 825}},
                               {IDB_PINOUT_DDA50_TTL, {20, 50, 530, 850}},
                               {IDB_PINOUT_DDA50_ANALOG, {20, 50, 530, 850}},
                               {IDB_PINOUT_PMD1208, {50, 20, 500, 470}}};
    for (int nPage = 1; nPage <= 5; ++nPage) {
        ASSERT_TRUE(AfxUserClickTab(g_hSysInfoTab, nPage));
        Pump();
        EXPECT_EQ(nPage, g_nSysInfoPage);
        const std::vector<CDrawOp> blits = Of(AfxGetDrawOps(g_hSysInfoWnd), CDrawOpKind::BitBlt);
        ASSERT_EQ(1u, blits.size()) << "page " << nPage;
        const SExpected& e = pages[nPage - 1];
        EXPECT_EQ(e.nId, blits[0].nBitmapId);
        EXPECT_EQ(e.rc.left, blits[0].rc.left);
        EXPECT_EQ(e.rc.top, blits[0].rc.top);
        EXPECT_EQ(e.rc.right, blits[0].rc.right);
        EXPECT_EQ(e.rc.bottom, blits[0].rc.bottom);
        EXPECT_EQ(0, blits[0].ptSrc.x);
        EXPECT_EQ(0, blits[0].ptSrc.y);
        EXPECT_EQ(SRCCOPY, blits[0].nFlags);
        EXPECT_TRUE(Of(AfxGetDrawOps(g_hSysInfoWnd), CDrawOpKind::TabbedText).empty());
    }

    ASSERT_TRUE(AfxUserClickTab(g_hSysInfoTab, 3));
    Pump();
    ASSERT_TRUE(AfxUserClose(g_hSysInfoWnd));
    Pump();
    ASSERT_TRUE(IsWindow(g_hSysInfoWnd));  // hidden, never destroyed
    EXPECT_FALSE(IsWindowVisible(g_hSysInfoWnd));
    const std::vector<CDrawOp> blits = Of(ShowAndPaint(), CDrawOpKind::BitBlt);
    EXPECT_EQ(3, g_nSysInfoPage);
    EXPECT_EQ(3, SendMessageA(g_hSysInfoTab, TCM_GETCURSEL, 0, 0));
    ASSERT_EQ(1u, blits.size());
    EXPECT_EQ(IDB_PINOUT_DDA50_TTL, blits[0].nBitmapId);
}

TEST_F(SysInfoWindow, EveryPictureIsSeenWholeBelowTheTabStrip) {
    ASSERT_TRUE(CreateSysInfoWindow());
    ShowAndPaint();
    RECT rcTab{};
    GetWindowRect(g_hSysInfoTab, &rcTab);
    POINT ptTabBottom{rcTab.left, rcTab.bottom};
    ScreenToClient(g_hSysInfoWnd, &ptTabBottom);
    ASSERT_GT(ptTabBottom.y, 25) << "the strip reaches below the tops of some pictures";
    for (int nPage = 1; nPage <= 5; ++nPage) {
        ASSERT_TRUE(AfxUserClickTab(g_hSysInfoTab, nPage));
        Pump();
        const std::vector<CDrawOp> blits = Of(AfxGetDrawOps(g_hSysInfoWnd), CDrawOpKind::BitBlt);
        ASSERT_EQ(1u, blits.size()) << "page " << nPage;
        const RECT& rc = blits[0].rc;
        const CBitmapResource* res = AfxFindBitmapResource(blits[0].nBitmapId);
        ASSERT_NE(nullptr, res);
        int w = 0, h = 0;
        std::vector<std::uint32_t> px;
        ASSERT_TRUE(AfxDecodeBmpPixels(res->pData, res->nSize, &w, &h, &px));
        // Every pixel that is not paper: where the window shows it, and the page shows some of them.
        int nInk = 0, nUnderStrip = 0, nCut = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (px[static_cast<size_t>(y * w + x)] == 0xFFFFFF) continue;
                ++nInk;
                if (rc.top + y < ptTabBottom.y) ++nUnderStrip;
                if (x >= rc.right - rc.left || y >= rc.bottom - rc.top) ++nCut;
            }
        EXPECT_GT(nInk, 1000) << "page " << nPage;
        EXPECT_EQ(0, nUnderStrip) << "page " << nPage;
        EXPECT_EQ(0, nCut) << "page " << nPage;
    }
}

TEST_F(SysInfoWindow, AnIndexOutsideTheSixPagesPaintsOnlyTheBackground) {
    ASSERT_TRUE(CreateSysInfoWindow());
    for (int nPage : {-1, 6, 100}) {
        SelectSysInfoPage(nPage);
        const std::vector<CDrawOp> ops = ShowAndPaint();
        ASSERT_FALSE(ops.empty());
        for (const CDrawOp& op : ops) EXPECT_EQ(CDrawOpKind::FillRect, op.nKind) << "page " << nPage;
        EXPECT_EQ(GetSysColor(COLOR_BTNFACE), ops.front().crBrush);
    }
}

TEST_F(SysInfoWindow, ResizingLeavesTheTabStripItsWidth) {
    ASSERT_TRUE(CreateSysInfoWindow());
    RECT rcBefore{};
    GetWindowRect(g_hSysInfoTab, &rcBefore);
    for (int cx : {800, 300}) {
        ASSERT_TRUE(MoveWindow(g_hSysInfoWnd, 30, 30, cx, 600, TRUE));
        Pump();
        RECT rc{};
        GetWindowRect(g_hSysInfoTab, &rc);
        EXPECT_EQ(rcBefore.right - rcBefore.left, rc.right - rc.left);
        EXPECT_EQ(56, rc.bottom - rc.top);
    }
}

// ---- Failures ----

TEST_F(SysInfoWindow, WithoutItsClassOrWindowThereIsNoInfoWindow) {
    CWinSimulationTesting::FailRegisterClass(TRUE);
    EXPECT_FALSE(CreateSysInfoWindow());
    EXPECT_EQ(nullptr, g_hSysInfoWnd);
    CWinSimulationTesting::FailRegisterClass(FALSE);

    CWinSimulationTesting::FailCreateWindow([](const CREATESTRUCT& cs) {
        return cs.lpszClass != nullptr && std::strcmp(cs.lpszClass, "Corvessa_Tessaro_SysInfo") == 0;
    });
    EXPECT_FALSE(CreateSysInfoWindow());
    EXPECT_EQ(nullptr, g_hSysInfoWnd);
    EXPECT_EQ(nullptr, g_hSysInfoTab);
    EXPECT_TRUE(CRecordingUserAgentTesting::MessageBoxes(Agent()).empty());
}

TEST_F(SysInfoWindow, AFailedCommonControlsStartIsToldAndTheTabsAreMadeAnyway) {
    CWinSimulationTesting::FailInitCommonControls(TRUE);
    ASSERT_TRUE(CreateSysInfoWindow());
    EXPECT_EQ(std::vector<std::string>{"InitCommonControlsEx Error"}, BoxTexts());
    ASSERT_NE(nullptr, g_hSysInfoTab);
    EXPECT_EQ(6, SendMessageA(g_hSysInfoTab, TCM_GETITEMCOUNT, 0, 0));
}

TEST_F(SysInfoWindow, WithoutATabStripPageZeroIsShown) {
    CWinSimulationTesting::FailCreateWindow([](const CREATESTRUCT& cs) {
        return cs.lpszClass != nullptr && std::strcmp(cs.lpszClass, "SysTabControl32") == 0;
    });
    ASSERT_TRUE(CreateSysInfoWindow());
    EXPECT_EQ(std::vector<std::string>{"hwndTab==NULL"}, BoxTexts());
    EXPECT_EQ(nullptr, g_hSysInfoTab);
    ExpectOnlyPageZero(ShowAndPaint());
}

TEST_F(SysInfoWindow, AFailedTabInsertionDestroysTheStrip) {
    CWinSimulationTesting::FailTabInsertAt(2);
    ASSERT_TRUE(CreateSysInfoWindow());
    EXPECT_EQ(std::vector<std::string>{"TabCtrl_InsertItem Error"}, BoxTexts());
    EXPECT_EQ(nullptr, g_hSysInfoTab);
    EXPECT_EQ(nullptr, GetWindow(g_hSysInfoWnd, GW_CHILD));  // the half-made strip is gone
    ExpectOnlyPageZero(ShowAndPaint());
}

TEST_F(SysInfoWindow, APictureOrMemoryContextThatCannotBeMadeLeavesItsPageEmpty) {
    ASSERT_TRUE(CreateSysInfoWindow());
    CWinSimulationTesting::FailLoadBitmap(IDB_PINOUT_DIO37, TRUE);
    SelectSysInfoPage(1);
    std::vector<CDrawOp> ops = ShowAndPaint();
    for (const CDrawOp& op : ops) EXPECT_EQ(CDrawOpKind::FillRect, op.nKind);
    SelectSysInfoPage(2);  // the other pictures still load
    EXPECT_EQ(1u, Of(ShowAndPaint(), CDrawOpKind::BitBlt).size());

    CWinSimulationTesting::FailCreateMemoryDC(TRUE);
    ops = ShowAndPaint();
    for (const CDrawOp& op : ops) EXPECT_EQ(CDrawOpKind::FillRect, op.nKind);
    SelectSysInfoPage(0);  // the text page needs no memory context
    EXPECT_EQ(9u, Of(ShowAndPaint(), CDrawOpKind::TabbedText).size());
}

}  // namespace
