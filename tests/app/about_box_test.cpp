// The About box: the modeless splash owned by the main dialog, its painting, its clicks, Help > About,
// the periodic tick and the parameter load's handling of its topmost state, and the modal fallback.
#include "app/about_box.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "engine/periodic_tick.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/user_agent_testing.h"
#include "support/main_dialog_fixture.h"

namespace {

constexpr char kCreateError[] = "Error: Cannot create the modeless 'About' dialog.    ";

class AboutBox : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        FailTestOnStalledLoop(3000);
    }
    void TearDown() override {
        CMessageLoopTesting::SetStallHandler({});
        MainDialogFixture::TearDown();
    }

    CAboutDlg* Box() const { return m_pDlg->m_pAboutDlg; }
    HWND BoxWnd() const { return Box() != nullptr ? Box()->GetSafeHwnd() : nullptr; }
    static bool TopMost(HWND h) { return (GetWindowLong(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
    // The splash as start-up makes it: created, then topmost and painted.
    void MakeSplash() {
        ASSERT_TRUE(m_pDlg->ShowAboutBox());
        ASSERT_NE(nullptr, BoxWnd());
        Box()->SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        Box()->InvalidateRect(nullptr, TRUE);
        Box()->OnPaint();
    }
    bool ChooseAbout() { return AfxUserChooseMenu(m_pDlg->GetSafeHwnd(), ID_APP_ABOUT) != FALSE; }
    static std::vector<CDrawOp> Of(const std::vector<CDrawOp>& ops, CDrawOpKind kind) {
        std::vector<CDrawOp> out;
        for (const CDrawOp& op : ops)
            if (op.nKind == kind) out.push_back(op);
        return out;
    }
};

TEST_F(AboutBox, TheSplashIsMadeOnceAndShownWithItsControlsHidden) {
    MakeSplash();
    CAboutDlg* pBox = Box();
    EXPECT_TRUE(pBox->m_bModeless);
    EXPECT_TRUE(pBox->IsWindowVisible());
    EXPECT_TRUE(TopMost(BoxWnd()));
    CRect rc;
    pBox->GetWindowRect(&rc);
    EXPECT_EQ(CRect(4, 127, 554, 702), rc);
    for (int nId : {IDOK, IDC_ABOUT_ICON, IDC_ABOUT_TEXT1, IDC_ABOUT_TEXT2}) {
        ASSERT_NE(nullptr, pBox->GetDlgItem(nId)) << nId;
        EXPECT_FALSE(pBox->GetDlgItem(nId)->IsWindowVisible()) << nId;
    }
    char szCaption[32] = {};
    pBox->GetWindowText(szCaption, sizeof szCaption);
    EXPECT_STREQ("About Tessaro", szCaption);

    // A second call creates nothing and only brings the box to the top.
    CWnd other;
    ASSERT_TRUE(other.CreateEx(WS_EX_TOPMOST, nullptr, "other", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                               nullptr));
    ASSERT_NE(BoxWnd(), GetTopWindow(nullptr));
    EXPECT_FALSE(m_pDlg->ShowAboutBox());
    EXPECT_EQ(pBox, Box());
    EXPECT_EQ(BoxWnd(), GetTopWindow(nullptr));
    EXPECT_TRUE(CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()).empty());
}

TEST_F(AboutBox, PaintsThePictureAndTheFourLinesOnWhite) {
    MakeSplash();
    const std::vector<CDrawOp> ops = AfxGetDrawOps(BoxWnd());
    ASSERT_FALSE(ops.empty());
    CRect rcClient;
    Box()->GetClientRect(&rcClient);
    EXPECT_EQ(CDrawOpKind::FillRect, ops.front().nKind);
    EXPECT_EQ(RGB(255, 255, 255), ops.front().crBrush);
    EXPECT_EQ(rcClient.right, ops.front().rc.right);
    EXPECT_EQ(rcClient.bottom, ops.front().rc.bottom);

    const std::vector<CDrawOp> blits = Of(ops, CDrawOpKind::BitBlt);
    ASSERT_EQ(1u, blits.size());
    EXPECT_EQ(IDB_ABOUT, blits[0].nBitmapId);
    EXPECT_EQ(512, blits[0].nBitmapWidth);
    EXPECT_EQ(350, blits[0].nBitmapHeight);
    EXPECT_EQ(10, blits[0].rc.left);
    EXPECT_EQ(10, blits[0].rc.top);
    EXPECT_EQ(510, blits[0].rc.right);
    EXPECT_EQ(360, blits[0].rc.bottom);

    const std::vector<CDrawOp> texts = Of(ops, CDrawOpKind::Text);
    ASSERT_EQ(4u, texts.size());
    EXPECT_EQ("PRODUCT:", texts[0].strText);
    EXPECT_EQ("File Version:  2.9.5.136 ", texts[1].strText);
    EXPECT_TRUE(std::regex_match(
        texts[2].strText,
        std::regex("Build Date:  [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4},  [0-9]{2}:[0-9]{2}:[0-9]{2}")))
        << texts[2].strText;
    EXPECT_EQ("Build Type:  Release Build", texts[3].strText);
    const POINT at[] = {{15, 358}, {25, 376}, {25, 394}, {25, 412}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(at[i].x, texts[i].rc.left);
        EXPECT_EQ(at[i].y, texts[i].rc.top);
        EXPECT_EQ(OPAQUE, texts[i].nBkMode);
        EXPECT_EQ(RGB(255, 255, 255), texts[i].crBk);
    }
}

TEST_F(AboutBox, TheBuildDateIsTheStampTheProgramHandsIn) {
    SetBuildStamp("Feb 29 2028", "23:59:07");
    MakeSplash();
    std::vector<std::string> texts;
    for (const CDrawOp& op : Of(AfxGetDrawOps(BoxWnd()), CDrawOpKind::Text)) texts.push_back(op.strText);
    SetBuildStamp(nullptr, nullptr);
    ASSERT_EQ(4u, texts.size());
    EXPECT_EQ("Build Date:  Feb 29 2028,  23:59:07", texts[2]);
}

TEST_F(AboutBox, WithoutPictureOrMemoryContextOnlyTheTextsArePainted) {
    MakeSplash();
    for (int nCase = 0; nCase < 2; ++nCase) {
        if (nCase == 0) CWinSimulationTesting::FailLoadBitmap(IDB_ABOUT, TRUE);
        if (nCase == 1) {
            CWinSimulationTesting::FailLoadBitmap(IDB_ABOUT, FALSE);
            CWinSimulationTesting::FailCreateMemoryDC(TRUE);
        }
        Box()->InvalidateRect(nullptr, TRUE);
        Box()->UpdateWindow();
        const std::vector<CDrawOp> ops = AfxGetDrawOps(BoxWnd());
        EXPECT_TRUE(Of(ops, CDrawOpKind::BitBlt).empty()) << nCase;
        EXPECT_EQ(4u, Of(ops, CDrawOpKind::Text).size()) << nCase;
    }
}

TEST_F(AboutBox, AClickHidesTheSplashAndEndsItsTopmostState) {
    MakeSplash();
    ASSERT_TRUE(AfxUserClickAt(BoxWnd(), POINT{100, 100}));
    EXPECT_FALSE(Box()->IsWindowVisible());
    EXPECT_FALSE(TopMost(BoxWnd()));

    CAboutDlg* pBox = Box();
    ASSERT_TRUE(ChooseAbout());
    EXPECT_EQ(pBox, Box());
    EXPECT_TRUE(Box()->IsWindowVisible());
    EXPECT_FALSE(TopMost(BoxWnd()));
    CRect rc;
    Box()->GetWindowRect(&rc);
    EXPECT_EQ(CRect(4, 127, 554, 702), rc);
    ASSERT_TRUE(AfxUserClickAt(BoxWnd(), POINT{5, 5}));
    EXPECT_FALSE(Box()->IsWindowVisible());
}

TEST_F(AboutBox, TheTickHidesTheSplashAndHelpAboutShowsItStillTopmost) {
    MakeSplash();
    m_pDlg->m_nDefaultPeriodMs = 33;
    m_pDlg->m_nDefaultTimer = 132;
    for (int i = 0; i < 21; ++i) m_pDlg->SendMessage(WM_TIMER, 132, 0);
    EXPECT_TRUE(Box()->IsWindowVisible());
    m_pDlg->SendMessage(WM_TIMER, 132, 0);
    EXPECT_FALSE(Box()->IsWindowVisible());
    EXPECT_TRUE(TopMost(BoxWnd()));
    ASSERT_TRUE(ChooseAbout());
    EXPECT_TRUE(Box()->IsWindowVisible());
    EXPECT_TRUE(TopMost(BoxWnd()));
}

TEST_F(AboutBox, AParameterLoadFailureTakesTheSplashOutOfTheTopmostBand) {
    Discover();
    MakeSplash();
    bool bTopMostWhileOpen = true;
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDOK,
                                           [&] { bTopMostWhileOpen = TopMost(BoxWnd()); });
    m_pDlg->LoadParameters(FALSE);  // no settings file here
    ASSERT_FALSE(CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()).empty());
    EXPECT_FALSE(bTopMostWhileOpen);
    EXPECT_TRUE(Box()->IsWindowVisible());
}

TEST_F(AboutBox, GoesWithTheMainDialog) {
    MakeSplash();
    const HWND hBox = BoxWnd();
    m_pDlg.reset();  // the destructor deletes the box, and the box its window
    EXPECT_FALSE(IsWindow(hBox));
}

TEST_F(AboutBox, AFailedModelessBoxIsToldAndHelpAboutFallsBackToAModalOne) {
    CWinSimulationTesting::FailCreateWindow([](const CREATESTRUCT& cs) {
        return cs.lpszName != nullptr && std::string(cs.lpszName) == "About Tessaro";
    });
    EXPECT_FALSE(m_pDlg->ShowAboutBox());
    EXPECT_EQ(nullptr, Box());
    const std::vector<CUserEvent> boxes = CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent());
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kCreateError, boxes[0].strText.Str());
    EXPECT_EQ(static_cast<UINT>(MB_OK), boxes[0].nType & 0xF);
    CWinSimulationTesting::FailCreateWindow(nullptr);

    // Help > About runs a modal box; a click on it closes it.
    HWND hModal = nullptr;
    const UINT_PTR hook = CMessageLoop::AddIdleHook([&] {
        HWND h = FindWindowA(nullptr, "About Tessaro");
        if (h == nullptr || !IsWindowVisible(h) || hModal != nullptr) return;
        hModal = h;
        AfxUserClickAt(h, POINT{50, 50});
    });
    ASSERT_TRUE(ChooseAbout());
    CMessageLoop::RemoveIdleHook(hook);
    ASSERT_NE(nullptr, hModal);
    EXPECT_FALSE(IsWindow(hModal));
    EXPECT_EQ(nullptr, Box());
}

TEST_F(AboutBox, AModalBoxEndsWithCancelOnAClick) {
    CAboutDlg dlg;
    const UINT_PTR hook = CMessageLoop::AddIdleHook([&] {
        if (dlg.GetSafeHwnd() != nullptr && dlg.IsWindowVisible())
            AfxUserClickAt(dlg.GetSafeHwnd(), POINT{200, 200});
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    CMessageLoop::RemoveIdleHook(hook);
    EXPECT_FALSE(dlg.m_bModeless);
}

}  // namespace
