#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/signal_codes.h"
#include "hostlink/host_link_fixture.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/ul/cbw.h"
#include "platform/win/clock_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/window_testing.h"
#include "resources/resource.h"

namespace {

constexpr int kPulsePort = SECONDPORTB;   // 15
constexpr int kDdaTtlPort = SECONDPORTA;  // 14

class HostNotification : public HostLinkFixture {
  protected:
    void SetUp() override {
        HostLinkFixture::SetUp();
        ASSERT_TRUE(theApp.CreateInterAppWindow(nullptr));
    }
    // A "PCI-DDA08/12" discovered and in use, the call log cleared.
    void UseDda() {
        AttachDevices("PCI-DDA08/12:A1");
        Discover();
        UseBoard(0);
        CSimBoards::ClearCallLog();
    }
    std::vector<std::string> TextsDrawnOn(int nId) const {
        std::vector<std::string> texts;
        for (const CDrawOp& op : AfxGetDrawOps(m_pDlg->GetDlgItem(nId)->GetSafeHwnd()))
            if (op.nKind == CDrawOpKind::DrawText || op.nKind == CDrawOpKind::Text)
                texts.push_back(op.strText);
        return texts;
    }
    size_t OpsOn(int nId) const { return AfxGetDrawOps(m_pDlg->GetDlgItem(nId)->GetSafeHwnd()).size(); }
};

TEST_F(HostNotification, CountsMeasuresTheDelayAndShowsTheCount) {
    UseDda();
    m_pDlg->m_bShowMsgCount = TRUE;
    SimHost().SendNotification(kSimHostCodeFreshData, 0);
    CClockTesting::Advance(7);
    CMessageLoop::RunUntilIdle();
    EXPECT_EQ(1, theApp.m_nNotificationCount);
    EXPECT_EQ(7, theApp.m_nNotificationDelayMs);
    EXPECT_EQ("1", WindowText(IDC_SHOW_MSG_COUNT));

    HostSends(kSimHostCodeStatusChange, MAKELPARAM(5, 9));
    EXPECT_EQ("2 21 5 9", WindowText(IDC_SHOW_MSG_COUNT));
    EXPECT_EQ(0, theApp.m_nNotificationDelayMs);
    HostSends(4321);
    EXPECT_EQ("3", WindowText(IDC_SHOW_MSG_COUNT));
    EXPECT_EQ(SimHost().PostCount(), theApp.m_nMessagePostCount);
    EXPECT_EQ(SimHost().MessageListLength(), theApp.m_nMessageListLength);

    m_pDlg->m_bShowMsgCount = FALSE;
    HostSends(kSimHostCodeStatusChange, MAKELPARAM(5, 9));
    HostSends(kSimHostCodeFreshData);
    EXPECT_EQ(5, theApp.m_nNotificationCount);
    EXPECT_EQ("3", WindowText(IDC_SHOW_MSG_COUNT));

    // A closing dialog takes nothing, not even the count.
    m_pDlg->m_bClosing = TRUE;
    m_pDlg->OnHostNotification(0, MAKEWPARAM(0, 2), 0);
    EXPECT_EQ(5, theApp.m_nNotificationCount);
    m_pDlg->m_bClosing = FALSE;

    // The count wraps instead of overflowing; the parity keeps alternating.
    theApp.m_nNotificationCount = 0x7FFFFFFF;
    m_pDlg->OnHostNotification(0, MAKEWPARAM(0, 4321), 0);
    EXPECT_EQ(static_cast<int>(0x80000000u), theApp.m_nNotificationCount);
}

TEST_F(HostNotification, SyncOutputFollowsTheCountsParityAndTheCode) {
    UseDda();
    m_pDlg->m_bAdvancedOpen = TRUE;
    m_pDlg->m_nPulsePort = kPulsePort;
    for (WORD nCode : {2, 27, 2, 27, 27, 21, 165, 99}) HostSends(nCode);
    EXPECT_EQ((std::vector<int>{4, 0, 4, 0, 2, 0, 0, 0}), PortWrites(kPulsePort));

    CSimBoards::ClearCallLog();
    m_pDlg->m_nPulsePort = 0;
    HostSends(kSimHostCodeFreshData);
    m_pDlg->m_nPulsePort = kPulsePort;
    m_pDlg->m_bAdvancedOpen = FALSE;
    HostSends(kSimHostCodeFreshData);
    EXPECT_TRUE(PortWrites(kPulsePort).empty());
    EXPECT_TRUE(PortWrites(0).empty());
}

TEST_F(HostNotification, WithoutABoardOnlyTheCountAndTheSyncOutputRun) {
    AttachDevices("PCI-DDA08/12:A1");
    Discover();
    CSimBoards::ClearCallLog();
    ASSERT_EQ(-1, g_Params.nBoardIndex);
    m_pDlg->m_bAdvancedOpen = TRUE;
    m_pDlg->m_nPulsePort = kPulsePort;
    m_pDlg->m_nStaleTicks = 7;
    m_pDlg->m_nWaitStartTick = 3;

    HostSends(kSimHostCodeStatusChange, MAKELPARAM(2, 1));
    HostSends(kSimHostCodeStatusChange, MAKELPARAM(8, 1));
    HostSends(kSimHostCodeFreshData);
    HostSends(kSimHostCodeTtlBit, MAKELPARAM(3, 1));
    EXPECT_EQ(4, theApp.m_nNotificationCount);
    EXPECT_EQ((std::vector<int>{0, 0, 4, 0}), PortWrites(kPulsePort));
    EXPECT_FALSE(m_pDlg->m_bVideoFrozen);
    EXPECT_FALSE(m_pDlg->m_bBinocular);
    EXPECT_EQ(7, m_pDlg->m_nStaleTicks);
    EXPECT_EQ(3, m_pDlg->m_nWaitStartTick);
    EXPECT_EQ(0, g_wHostTtlBits);
    EXPECT_TRUE(Calls("cbCIn32").empty());
    EXPECT_TRUE(PortWrites(kDdaTtlPort).empty());
}

TEST_F(HostNotification, FreshDataRunsTheFrameAndEndsTheWaitingNotice) {
    UseDda();
    m_pDlg->m_nStaleTicks = 20;
    m_pDlg->m_nWaitStartTick = 5;
    CMessageLoop::RunUntilIdle();  // the controls' own first painting
    AfxClearDrawOps(m_pDlg->GetDlgItem(IDC_NOTICE_LINE)->GetSafeHwnd());
    HostSends(kSimHostCodeFreshDataAlt);
    EXPECT_EQ(0, m_pDlg->m_nStaleTicks);
    EXPECT_EQ(0, m_pDlg->m_nWaitStartTick);
    EXPECT_GT(OpsOn(IDC_NOTICE_LINE), 0u);
    EXPECT_TRUE(TextsDrawnOn(IDC_NOTICE_LINE).empty());
    EXPECT_EQ(1u, Calls("cbCIn32").size());  // the frame's first board call

    // No notice to end: nothing is redrawn.
    CSimBoards::ClearCallLog();
    AfxClearDrawOps(m_pDlg->GetDlgItem(IDC_NOTICE_LINE)->GetSafeHwnd());
    m_pDlg->m_nStaleTicks = 3;
    HostSends(kSimHostCodeFreshData);
    EXPECT_EQ(0, m_pDlg->m_nStaleTicks);
    EXPECT_EQ(0u, OpsOn(IDC_NOTICE_LINE));
    EXPECT_EQ(1u, Calls("cbCIn32").size());

    // Other codes run no frame.
    CSimBoards::ClearCallLog();
    HostSends(kSimHostCodeStatusChange, MAKELPARAM(3, 1));
    HostSends(28);
    EXPECT_TRUE(Calls("cbCIn32").empty());
}

TEST_F(HostNotification, StatusChangesSetVideoFrozenAndBinocular) {
    UseDda();
    m_pDlg->m_bHostAttached = TRUE;
    HostSends(kSimHostCodeStatusChange, MAKELPARAM(2, 1));
    EXPECT_TRUE(m_pDlg->m_bVideoFrozen);
    EXPECT_EQ((std::vector<std::string>{"Video is Frozen"}), TextsDrawnOn(IDC_STATUS_LINE));
    HostSends(kSimHostCodeStatusChange, MAKELPARAM(2, 0));
    EXPECT_FALSE(m_pDlg->m_bVideoFrozen);

    AfxClearDrawOps(m_pDlg->GetDlgItem(IDC_STATUS_LINE)->GetSafeHwnd());
    HostSends(kSimHostCodeStatusChange, MAKELPARAM(8, 1));
    EXPECT_TRUE(m_pDlg->m_bBinocular);
    HostSends(kSimHostCodeStatusChange, MAKELPARAM(8, 0));
    EXPECT_FALSE(m_pDlg->m_bBinocular);
    HostSends(kSimHostCodeStatusChange, MAKELPARAM(1, 0));
    EXPECT_TRUE(m_pDlg->m_bHostAttached);
    EXPECT_EQ(0u, OpsOn(IDC_STATUS_LINE));

    // An eye-B channel: no notice while binocular, the notice in the first frame after it ends.
    g_Params.nSignalCode[0] = MakeSignalCode(SIGNAL_GAZE_POINT, AXIS_X);
    g_Params.nEye[0] = 1;
    HostSends(kSimHostCodeStatusChange, MAKELPARAM(8, 1));
    m_pDlg->m_pMessageLine->SetWindowText("");
    HostSends(kSimHostCodeFreshData);
    EXPECT_EQ("", WindowText(IDC_MESSAGE_LINE));
    HostSends(kSimHostCodeStatusChange, MAKELPARAM(8, 0));
    HostSends(kSimHostCodeFreshData);
    EXPECT_EQ("EyeB was selected, but Binocular Mode is not Active.", WindowText(IDC_MESSAGE_LINE));

    // The simulated host's own status changes arrive the same way.
    SimHost().SetBinocular(true);
    CMessageLoop::RunUntilIdle();
    EXPECT_TRUE(m_pDlg->m_bBinocular);
}

TEST_F(HostNotification, HostTtlBitsSetAndClearTheOutputWord) {
    UseDda();
    g_Params.bRoiOutput = FALSE;
    HostSends(kSimHostCodeTtlBit, MAKELPARAM(3, 1));
    EXPECT_EQ(0x0008, g_wHostTtlBits);
    EXPECT_EQ(8, SimHost().PrivateStatus(kSimHostStatusTtlOutput));
    HostSends(kSimHostCodeTtlBit, MAKELPARAM(5, 2));
    EXPECT_EQ(0x0028, g_wHostTtlBits);
    HostSends(kSimHostCodeTtlBit, MAKELPARAM(3, 0));
    EXPECT_EQ(0x0020, g_wHostTtlBits);
    HostSends(kSimHostCodeTtlBit, MAKELPARAM(5, 0));
    EXPECT_EQ(0x0000, g_wHostTtlBits);
    EXPECT_EQ((std::vector<int>{0x08, 0x28, 0x20, 0x00}), PortWrites(kDdaTtlPort));

    // Bit numbers 8 to 11 stand for all sixteen bits; above 11 there is no mask and nothing happens.
    CSimBoards::ClearCallLog();
    HostSends(kSimHostCodeTtlBit, MAKELPARAM(9, 1));
    EXPECT_EQ(0xFFFF, g_wHostTtlBits);
    HostSends(kSimHostCodeTtlBit, MAKELPARAM(12, 0));
    HostSends(kSimHostCodeTtlBit, MAKELPARAM(0xFFFF, 0));
    EXPECT_EQ(0xFFFF, g_wHostTtlBits);
    HostSends(kSimHostCodeTtlBit, MAKELPARAM(11, 0));
    EXPECT_EQ(0x0000, g_wHostTtlBits);
    EXPECT_EQ((std::vector<int>{0xFFFF, 0x0000}), PortWrites(kDdaTtlPort));

    // With the region-of-interest output on, the host's requests are ignored.
    CSimBoards::ClearCallLog();
    g_Params.bRoiOutput = TRUE;
    HostSends(kSimHostCodeTtlBit, MAKELPARAM(3, 1));
    EXPECT_EQ(0x0000, g_wHostTtlBits);
    EXPECT_TRUE(PortWrites(kDdaTtlPort).empty());
    EXPECT_EQ(9, theApp.m_nNotificationCount);
}

TEST_F(HostNotification, AnyParametersFromTheHostAreSafe) {
    UseDda();
    m_pDlg->m_bShowMsgCount = TRUE;
    m_pDlg->m_bAdvancedOpen = TRUE;
    m_pDlg->m_nPulsePort = kPulsePort;
    const WPARAM wParams[] = {0,
                              ~static_cast<WPARAM>(0),
                              0xFFFF,
                              0xFFFF0000u,
                              MAKEWPARAM(0xFFFF, 165),
                              MAKEWPARAM(0xFFFF, 21),
                              MAKEWPARAM(0xFFFF, 2),
                              static_cast<WPARAM>(0xFFFFFFFF001B0000ull)};
    const LPARAM lParams[] = {0,
                              -1,
                              0x7FFFFFFF,
                              static_cast<LPARAM>(0xFFFF0000u),
                              static_cast<LPARAM>(0x8000000000000000ull),
                              MAKELPARAM(0xFFFF, 0xFFFF),
                              MAKELPARAM(11, 0xFFFF),
                              MAKELPARAM(12, 1)};
    int nSent = 0;
    for (WPARAM w : wParams) {
        for (LPARAM l : lParams) {
            SendMessage(theApp.m_hInterAppWnd, theApp.m_nInterAppMsg, w, l);
            ++nSent;
        }
    }
    EXPECT_EQ(nSent, theApp.m_nNotificationCount);
    EXPECT_EQ(static_cast<size_t>(nSent), PortWrites(kPulsePort).size());
    EXPECT_EQ(std::to_string(nSent), WindowText(IDC_SHOW_MSG_COUNT));
}

TEST_F(HostNotification, PollReadsTheThreeStatusItems) {
    SimHost().SetAttached(false);
    SimHost().SetBinocular(true);
    SimHost().SetVideoFrozen(true);
    CMessageLoop::RunUntilIdle();
    AfxClearDrawOps(m_pDlg->GetDlgItem(IDC_STATUS_LINE)->GetSafeHwnd());
    m_pDlg->m_bHostAttached = TRUE;
    m_pDlg->PollHostStatus();
    EXPECT_FALSE(m_pDlg->m_bHostAttached);
    EXPECT_TRUE(m_pDlg->m_bBinocular);
    EXPECT_TRUE(m_pDlg->m_bVideoFrozen);
    EXPECT_EQ(0u, OpsOn(IDC_STATUS_LINE));
}

}  // namespace
