#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "app/channel_panel.h"
#include "platform/win/clock_testing.h"
#include "platform/win/controls_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/user_agent_testing.h"
#include "platform/win/window_testing.h"
#include "support/main_dialog_fixture.h"

namespace {

// Geometry of the headless screen and the main template (pixels): the dialog's window stands at (2, 2),
// its client area 4 px right of and 43 px below the window's corner; group box 1030 starts 210 px down
// the client area, so its top is at screen y 255. The work area is 1017 px high, so
// Count = (1017 - 255 - 10) / 145 = 5 and Limit = 5 x 145 + 20 = 745 in the group box's coordinates.
constexpr int kExpandedHeight = 140;
constexpr int kCollapsedHeight = 32;
constexpr int kLimit = 745;
constexpr char kCannotCreate[] = "Error: Cannot create Analog Output Channel.    ";

class ChannelColumn : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        // What the dialog's own start-up provides to the column: the redraw message and the two images.
        m_pDlg->m_nRedrawMsg = RegisterWindowMessage("RedrawChannelDialogs");
        g_pBmpCollapsed = new CBitmap;
        g_pBmpExpanded = new CBitmap;
        ASSERT_TRUE(g_pBmpCollapsed->LoadBitmap(IDB_COLLAPSED));
        ASSERT_TRUE(g_pBmpExpanded->LoadBitmap(IDB_EXPANDED));
    }
    void TearDown() override {
        CWinSimulationTesting::FailCreateWindow(nullptr);
        MainDialogFixture::TearDown();
    }

    static int Pump() { return CMessageLoop::RunUntilIdle(); }
    // The boxes shown with this text.
    static int Boxes(const char* pszText) {
        int n = 0;
        for (const CUserEvent& box : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
            if (box.strText.Str() == pszText) ++n;
        return n;
    }

    HWND Dlg() const { return m_pDlg->GetSafeHwnd(); }
    HWND Item(int nId) const { return ::GetDlgItem(Dlg(), nId); }
    CAnalogOutputChannel* Panel(int j) const { return m_pDlg->m_pChannelDlg[j]; }
    HWND PanelItem(int j, int nId) const { return ::GetDlgItem(Panel(j)->GetSafeHwnd(), nId); }

    // The devices attached, discovered, and board nIndex chosen in the Board menu.
    void StartWith(const std::string& strDevices, int nIndex = 0) {
        AttachDevices(strDevices);
        Discover();
        Choose(static_cast<UINT>(ID_BOARD_FIRST + nIndex));
    }
    void Choose(UINT nId) { ASSERT_TRUE(AfxUserChooseMenu(Dlg(), nId)) << nId; }
    void Scroll(UINT nCode) { ASSERT_TRUE(AfxUserScroll(Item(IDC_CHANNEL_SCROLL), nCode)) << nCode; }
    // A scroll message whatever the scroll bar's own range says.
    void SendScroll(UINT nCode, int nPos = 0) {
        ::SendMessage(Dlg(), WM_VSCROLL, MAKEWPARAM(static_cast<WORD>(nCode), static_cast<WORD>(nPos)),
                      reinterpret_cast<LPARAM>(Item(IDC_CHANNEL_SCROLL)));
    }

    // Panel j's rectangle in the group box's client coordinates.
    CRect PanelRect(int j) const {
        CRect rc;
        Panel(j)->GetWindowRect(&rc);
        ::ScreenToClient(Item(IDC_ANALOG_GROUP), reinterpret_cast<POINT*>(&rc.left));
        ::ScreenToClient(Item(IDC_ANALOG_GROUP), reinterpret_cast<POINT*>(&rc.right));
        return rc;
    }
    bool Shown(int j) const { return (CWndTesting::GetStyle(*Panel(j)) & WS_VISIBLE) != 0; }
    std::vector<int> ShownPanels() const {
        std::vector<int> shown;
        for (int j = 0; j < MAX_CHANNELS; ++j)
            if (Panel(j) != nullptr && Shown(j)) shown.push_back(j);
        return shown;
    }
    CRect DialogRect() const {
        CRect rc;
        m_pDlg->GetWindowRect(&rc);
        return rc;
    }
    // The group box's bottom in the dialog's client coordinates.
    int GroupBottom() const {
        CRect rc;
        ::GetWindowRect(Item(IDC_ANALOG_GROUP), &rc);
        POINT pt{rc.left, rc.bottom};
        ::ScreenToClient(Dlg(), &pt);
        return pt.y;
    }
    int ClientBottom() const {
        CRect rc;
        m_pDlg->GetClientRect(&rc);
        return rc.bottom;
    }
};

TEST_F(ChannelColumn, ExpandedPanelsStackUntilTheScreenIsFullAndTheDialogFollows) {
    StartWith("PCI-DDA08/12:A1");
    for (int j = 0; j < 8; ++j) ASSERT_NE(nullptr, Panel(j)) << j;
    for (int j = 8; j < MAX_CHANNELS; ++j) EXPECT_EQ(nullptr, Panel(j)) << j;
    EXPECT_EQ(std::vector<int>({0, 1, 2, 3, 4}), ShownPanels());
    for (int j = 0; j < 5; ++j) {
        const CRect rc = PanelRect(j);
        EXPECT_EQ(10, rc.left) << j;  // 10 px right of the TTL group box's left edge
        EXPECT_EQ(20 + 145 * j, rc.top) << j;
        EXPECT_EQ(kExpandedHeight, rc.Height()) << j;
    }
    EXPECT_GT(PanelRect(4).bottom + 145, kLimit);  // the sixth does not fit

    const CRect rcDlg = DialogRect();
    EXPECT_EQ(490, rcDlg.Width());
    EXPECT_EQ(274 + PanelRect(4).bottom + 9, rcDlg.Height());
    EXPECT_EQ(ClientBottom() - 10, GroupBottom());
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_ANALOG_GROUP)));
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_EXPAND_ALL)));
    EXPECT_EQ(0, m_pDlg->m_nFirstVisibleChannel);
}

TEST_F(ChannelColumn, ScrollingClampsToTheLastButOneChannel) {
    StartWith("PCI-DDA08/12:A1");
    for (int k = 0; k < 10; ++k) Scroll(SB_LINEDOWN);
    EXPECT_EQ(6, m_pDlg->m_nFirstVisibleChannel);
    EXPECT_EQ(6, ::GetScrollPos(Item(IDC_CHANNEL_SCROLL), SB_CTL));
    EXPECT_EQ(std::vector<int>({6, 7}), ShownPanels());
    EXPECT_EQ(20, PanelRect(6).top);
    EXPECT_EQ(165, PanelRect(7).top);
    // Fewer panels below: the dialog gets shorter.
    EXPECT_EQ(274 + PanelRect(7).bottom + 9, DialogRect().Height());

    Scroll(SB_TOP);
    EXPECT_EQ(0, m_pDlg->m_nFirstVisibleChannel);
    Scroll(SB_LINEUP);
    EXPECT_EQ(0, m_pDlg->m_nFirstVisibleChannel);
    Scroll(SB_PAGEDOWN);
    EXPECT_EQ(1, m_pDlg->m_nFirstVisibleChannel);
    Scroll(SB_PAGEUP);
    EXPECT_EQ(0, m_pDlg->m_nFirstVisibleChannel);
    Scroll(SB_BOTTOM);
    EXPECT_EQ(6, m_pDlg->m_nFirstVisibleChannel);
    ASSERT_TRUE(AfxUserDragThumb(Item(IDC_CHANNEL_SCROLL), 3));
    EXPECT_EQ(3, m_pDlg->m_nFirstVisibleChannel);
    EXPECT_EQ(std::vector<int>({3, 4, 5, 6, 7}), ShownPanels());

    // Positions beyond the range, end-of-scroll and unknown codes, and other scroll bars.
    SendScroll(SB_THUMBPOSITION, 7);
    EXPECT_EQ(6, m_pDlg->m_nFirstVisibleChannel);
    SendScroll(SB_THUMBTRACK, 2);
    EXPECT_EQ(2, m_pDlg->m_nFirstVisibleChannel);
    SendScroll(SB_THUMBPOSITION, 300);
    EXPECT_EQ(6, m_pDlg->m_nFirstVisibleChannel);
    SendScroll(SB_THUMBPOSITION, -4);
    EXPECT_EQ(0, m_pDlg->m_nFirstVisibleChannel);
    SendScroll(SB_LINEDOWN);
    SendScroll(SB_ENDSCROLL);
    SendScroll(9);
    EXPECT_EQ(1, m_pDlg->m_nFirstVisibleChannel);
    ::SendMessage(Dlg(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    ::SendMessage(Dlg(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0),
                  reinterpret_cast<LPARAM>(Item(IDC_SHOW_MSG_COUNT)));
    EXPECT_EQ(1, m_pDlg->m_nFirstVisibleChannel);
}

TEST_F(ChannelColumn, OnceAPanelOverflowsEveryLaterOneIsHidden) {
    StartWith("PCI-DDA08/12:A1");
    // Scroll so that panels 4 and 6 can be reached, and collapse both with their own buttons.
    ASSERT_TRUE(AfxUserDragThumb(Item(IDC_CHANNEL_SCROLL), 2));
    ASSERT_TRUE(AfxUserClick(PanelItem(4, IDC_PANEL_EXPAND)));
    ASSERT_TRUE(AfxUserClick(PanelItem(6, IDC_PANEL_EXPAND)));
    ASSERT_EQ(kCollapsedHeight, PanelRect(6).Height());
    Scroll(SB_TOP);

    // 0..3 expanded end at 595, collapsed 4 at 600..632; expanded 5 would end at 777 > 745. The collapsed
    // panel 6 would fit at 637..669, but it follows an overflow.
    EXPECT_EQ(std::vector<int>({0, 1, 2, 3, 4}), ShownPanels());
    EXPECT_EQ(600, PanelRect(4).top);
    EXPECT_EQ(632, PanelRect(4).bottom);
    EXPECT_LE(637 + kCollapsedHeight, kLimit);
    EXPECT_FALSE(Shown(6));
    EXPECT_EQ(274 + 632 + 9, DialogRect().Height());
}

TEST_F(ChannelColumn, CollapsingClosesTheColumnUpOnlyAfterThePostedRedraw) {
    StartWith("PCI-DDA08/12:A1");
    // The panel's own toggle, as its button does it: the panel shrinks at once, the column waits for the
    // redraw request the panel posts.
    Panel(0)->OnToggleExpand();
    EXPECT_EQ(kCollapsedHeight, PanelRect(0).Height());
    EXPECT_EQ(20, PanelRect(0).top);
    EXPECT_EQ(165, PanelRect(1).top);
    Pump();
    EXPECT_EQ(57, PanelRect(1).top);
    EXPECT_EQ(202, PanelRect(2).top);

    // The same through the button, and back.
    ASSERT_TRUE(AfxUserClick(PanelItem(1, IDC_PANEL_EXPAND)));
    EXPECT_EQ(94, PanelRect(2).top);
    ASSERT_TRUE(AfxUserClick(PanelItem(1, IDC_PANEL_EXPAND)));
    EXPECT_EQ(kExpandedHeight, PanelRect(1).Height());
    EXPECT_EQ(202, PanelRect(2).top);
}

TEST_F(ChannelColumn, TheExpandAllButtonCollapsesAndExpandsEveryPanel) {
    StartWith("PCI-DDA08/12:A1");
    Scroll(SB_BOTTOM);
    ASSERT_TRUE(AfxUserClick(Item(IDC_EXPAND_ALL)));
    EXPECT_FALSE(m_pDlg->m_bPanelsExpanded);
    EXPECT_EQ(reinterpret_cast<LRESULT>(static_cast<HBITMAP>(*g_pBmpCollapsed)),
              ::SendMessage(Item(IDC_EXPAND_ALL), BM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_EQ(0, m_pDlg->m_nFirstVisibleChannel);
    EXPECT_EQ(0, ::GetScrollPos(Item(IDC_CHANNEL_SCROLL), SB_CTL));
    int nMin = -1, nMax = -1;
    ::GetScrollRange(Item(IDC_CHANNEL_SCROLL), SB_CTL, &nMin, &nMax);
    EXPECT_EQ(0, nMin);
    EXPECT_EQ(6, nMax);
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_CHANNEL_SCROLL)));
    EXPECT_EQ(std::vector<int>({0, 1, 2, 3, 4, 5, 6, 7}), ShownPanels());
    for (int j = 0; j < 8; ++j) {
        EXPECT_FALSE(Panel(j)->m_bExpanded);
        EXPECT_EQ(20 + 37 * j, PanelRect(j).top) << j;
        EXPECT_EQ(kCollapsedHeight, PanelRect(j).Height()) << j;
    }
    EXPECT_EQ(274 + PanelRect(7).bottom + 9, DialogRect().Height());

    ASSERT_TRUE(AfxUserClick(Item(IDC_EXPAND_ALL)));
    EXPECT_TRUE(m_pDlg->m_bPanelsExpanded);
    EXPECT_EQ(reinterpret_cast<LRESULT>(static_cast<HBITMAP>(*g_pBmpExpanded)),
              ::SendMessage(Item(IDC_EXPAND_ALL), BM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_EQ(std::vector<int>({0, 1, 2, 3, 4}), ShownPanels());
    for (int j = 0; j < 8; ++j) EXPECT_EQ(kExpandedHeight, PanelRect(j).Height()) << j;
}

TEST_F(ChannelColumn, DialogHeightAndMinimumFollowTheKindOfBoard) {
    AttachDevices("PCI-DIO24:D1,PCI-DDA08/12:A1");
    Discover();
    const auto sizeTo = [&](int nHeight) {
        CRect rc = DialogRect();
        rc.bottom = rc.top + nHeight;
        return AfxUserSizeByFrame(Dlg(), WMSZ_BOTTOM, rc).Height();
    };

    Choose(ID_BOARD_NONE);
    EXPECT_EQ(125, DialogRect().Height());
    EXPECT_EQ(490, DialogRect().Width());
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_ANALOG_GROUP)));
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_EXPAND_ALL)));
    EXPECT_EQ(125, sizeTo(60));

    Choose(ID_BOARD_FIRST);  // the DIO24: no analog outputs
    EXPECT_EQ(258, DialogRect().Height());
    EXPECT_EQ(250, sizeTo(60));
    EXPECT_EQ(400, sizeTo(400));
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_ANALOG_GROUP)));

    Choose(ID_BOARD_FIRST + 1);
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_ANALOG_GROUP)));
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_EXPAND_ALL)));
    EXPECT_EQ(274 + PanelRect(4).bottom + 9, DialogRect().Height());
    EXPECT_EQ(490, DialogRect().Width());
    // Dragging the bottom edge: the group box keeps 10 px above the client bottom.
    EXPECT_EQ(368, sizeTo(100));
    EXPECT_EQ(ClientBottom() - 10, GroupBottom());
    EXPECT_EQ(700, sizeTo(700));
    EXPECT_EQ(ClientBottom() - 10, GroupBottom());
    EXPECT_TRUE(::IsWindowVisible(Item(IDC_ANALOG_GROUP)));
}

TEST_F(ChannelColumn, WithoutRoomForOnePanelNoneIsShown) {
    StartWith("PCI-DDA08/12:A1");
    // The user moves the dialog so far down that the group box starts below the work area.
    const CRect rc = DialogRect();
    m_pDlg->SetWindowPos(nullptr, rc.left, 900, rc.Width(), rc.Height(), SWP_NOZORDER | SWP_NOSIZE);
    Scroll(SB_TOP);
    EXPECT_TRUE(ShownPanels().empty());
    EXPECT_EQ(274 + 8, DialogRect().Height());
    Scroll(SB_LINEDOWN);
    EXPECT_TRUE(ShownPanels().empty());
    EXPECT_EQ(282, DialogRect().Height());
}

TEST_F(ChannelColumn, TwoChannelsNeverScrollSlotsBeyondThemStayPutAndNoBoardHidesAll) {
    AttachDevices("PCI-DDA08/12:A1,PCI-DDA02/12:B1");
    Discover();
    Choose(ID_BOARD_FIRST + 1);
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_CHANNEL_SCROLL)));
    EXPECT_EQ(std::vector<int>({0, 1}), ShownPanels());
    EXPECT_EQ(nullptr, Panel(2));
    Choose(ID_BOARD_FIRST);
    ASSERT_TRUE(AfxUserDragThumb(Item(IDC_CHANNEL_SCROLL), 2));
    const CRect rcPanel4 = PanelRect(4);

    // Two channels in use while panels stand beyond them: a pass leaves slots 2..7 as they are, and the
    // column never scrolls.
    m_pDlg->m_nChannels = 2;
    for (UINT nCode : {SB_LINEDOWN, SB_PAGEDOWN, SB_BOTTOM, SB_THUMBPOSITION, SB_THUMBTRACK}) {
        SendScroll(nCode, 5);
        EXPECT_EQ(0, m_pDlg->m_nFirstVisibleChannel) << nCode;
    }
    EXPECT_TRUE(Shown(0));
    EXPECT_TRUE(Shown(1));
    EXPECT_TRUE(Shown(4));
    EXPECT_EQ(rcPanel4.top, PanelRect(4).top);
    EXPECT_FALSE(Shown(7));

    // Without a board a pass hides every slot and leaves the dialog's size alone.
    m_pDlg->m_nChannels = 8;
    const int nHeight = DialogRect().Height();
    g_Params.nBoardIndex = -1;
    ::PostMessage(Dlg(), m_pDlg->m_nRedrawMsg, 123, 456);
    Pump();
    for (int j = 0; j < 8; ++j) ASSERT_NE(nullptr, Panel(j)) << j;
    EXPECT_TRUE(ShownPanels().empty());
    EXPECT_EQ(nHeight, DialogRect().Height());
    EXPECT_FALSE(m_pDlg->CreateChannelDialogs());
}

TEST_F(ChannelColumn, APanelThatCannotBeCreatedIsReportedAndTriedAgain) {
    AttachDevices("PCI-DDA04/12:A1");
    Discover();
    const HWND hGroup = Item(IDC_ANALOG_GROUP);
    int nPanelWindows = 0;
    CWinSimulationTesting::FailCreateWindow([hGroup, &nPanelWindows](const CREATESTRUCT& cs) {
        if (cs.hwndParent != hGroup) return false;
        return ++nPanelWindows == 2;  // the second panel's window
    });
    Choose(ID_BOARD_FIRST);
    EXPECT_EQ(1, Boxes(kCannotCreate));
    for (const CUserEvent& box : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
        if (box.strText.Str() == kCannotCreate) {
            EXPECT_EQ(static_cast<UINT>(MB_OK), CUserEventTesting::Buttons(box));
        }
    EXPECT_EQ(nullptr, Panel(1));
    EXPECT_EQ(std::vector<int>({0, 2, 3}), ShownPanels());
    EXPECT_EQ(165, PanelRect(2).top);  // the pass went on without the empty slot

    CWinSimulationTesting::FailCreateWindow(nullptr);
    Scroll(SB_TOP);
    ASSERT_NE(nullptr, Panel(1));
    EXPECT_EQ(std::vector<int>({0, 1, 2, 3}), ShownPanels());
    EXPECT_EQ(165, PanelRect(1).top);
    EXPECT_EQ(1, Boxes(kCannotCreate));
}

TEST_F(ChannelColumn, APassStopsWhenTheBoardGoesWhileItsErrorBoxIsOpen) {
    AttachDevices("PCI-DDA04/12:A1");
    Discover();
    const HWND hGroup = Item(IDC_ANALOG_GROUP);
    int nPanelWindows = 0;
    CWinSimulationTesting::FailCreateWindow([hGroup, &nPanelWindows](const CREATESTRUCT& cs) {
        return cs.hwndParent == hGroup && ++nPanelWindows == 2;
    });
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDOK,
                                           [this] { EXPECT_TRUE(AfxUserChooseMenu(Dlg(), ID_BOARD_NONE)); });
    Choose(ID_BOARD_FIRST);
    EXPECT_EQ(1, Boxes(kCannotCreate));
    EXPECT_EQ(-1, g_Params.nBoardIndex);
    // The panel made before the box went with the board; no panel is made without a board.
    for (int j = 0; j < 4; ++j) EXPECT_EQ(nullptr, Panel(j)) << j;
    EXPECT_EQ(125, DialogRect().Height());
}

// Board changes: every panel is made for the board chosen, with its Range list and one per channel it has.
class ChannelColumnBoardChange : public ChannelColumn {
  protected:
    static constexpr const char* kSixRanges[] = {"Bipolar: -10    to +10",   "Bipolar:   -5    to  +5",
                                                 "Bipolar:   -2.5 to  +2.5", "Unipolar:    0 to +10",
                                                 "Unipolar:    0 to  +5",    "Unipolar:    0 to  +2.5"};
    static constexpr const char* kHsRange = "Bipolar: -10   to +10";
    static constexpr const char* kUnsupported = "The board does not support this range.";

    void SetUp() override {
        ChannelColumn::SetUp();
        AttachDevices("PCI-DDA08/12:A1,USB-1208HS:B1");
        Discover();
    }
    std::vector<std::string> Ranges(int j) const {
        std::vector<std::string> entries;
        const HWND hList = PanelItem(j, IDC_PANEL_RANGE);
        const int n = static_cast<int>(::SendMessage(hList, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            char sz[128] = {};
            ::SendMessage(hList, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(sz));
            entries.emplace_back(sz);
        }
        return entries;
    }
    // The column of the DDA08/12 (8 channels, 5 shown) or of the 1208HS (4 channels, all shown).
    void ExpectColumnOf(bool bDda) {
        const int nChannels = bDda ? 8 : 4;
        const std::vector<std::string> ranges =
            bDda ? std::vector<std::string>(std::begin(kSixRanges), std::end(kSixRanges))
                 : std::vector<std::string>{kHsRange};
        EXPECT_EQ(nChannels, m_pDlg->m_nChannels);
        for (int j = 0; j < nChannels; ++j) {
            ASSERT_NE(nullptr, Panel(j)) << j;
            EXPECT_EQ(ranges, Ranges(j)) << j;
            EXPECT_EQ(Panel(j)->GetDlgItem(IDC_PANEL_VALUE), g_ChannelLinks.pValueText[j]) << j;
        }
        for (int j = nChannels; j < MAX_CHANNELS; ++j) EXPECT_EQ(nullptr, Panel(j)) << j;
        EXPECT_EQ(bDda ? std::vector<int>({0, 1, 2, 3, 4}) : std::vector<int>({0, 1, 2, 3}), ShownPanels());
        EXPECT_EQ(274 + PanelRect(bDda ? 4 : 3).bottom + 9, DialogRect().Height());
    }
    // Picks each entry of every shown panel's Range list: the board takes each one.
    void PickEveryRange() {
        for (int j : ShownPanels()) {
            const int n = static_cast<int>(Ranges(j).size());
            for (int i = n - 1; i >= 0; --i)
                ASSERT_TRUE(AfxUserPickListEntry(PanelItem(j, IDC_PANEL_RANGE), i));
        }
        EXPECT_EQ(0, Boxes(kUnsupported));
        EXPECT_FALSE(m_pDlg->m_bBoardError);
    }
};

TEST_F(ChannelColumnBoardChange, BothWaysBetweenTheDda0812AndThe1208HS) {
    Choose(ID_BOARD_FIRST);
    ExpectColumnOf(true);
    ASSERT_TRUE(AfxUserPickListEntry(PanelItem(2, IDC_PANEL_RANGE), 4));  // Unipolar 0..+5
    ASSERT_TRUE(AfxUserDragThumb(Item(IDC_CHANNEL_SCROLL), 3));

    Choose(ID_BOARD_FIRST + 1);
    ExpectColumnOf(false);
    EXPECT_EQ(RANGE_BIP10, g_Params.range[2].nRangeCode);  // the one range the board has
    PickEveryRange();

    Choose(ID_BOARD_FIRST);
    ExpectColumnOf(true);
    PickEveryRange();
    // Re-choosing the board in use keeps its panels.
    const CAnalogOutputChannel* pFirst = Panel(0);
    Choose(ID_BOARD_FIRST);
    EXPECT_EQ(pFirst, Panel(0));
    ExpectColumnOf(true);
}

TEST_F(ChannelColumnBoardChange, ToAndFromNoBoard) {
    Choose(ID_BOARD_FIRST + 1);
    ExpectColumnOf(false);
    Choose(ID_BOARD_NONE);
    for (int j = 0; j < MAX_CHANNELS; ++j) EXPECT_EQ(nullptr, Panel(j)) << j;
    for (int j = 0; j < MAX_CHANNELS; ++j) EXPECT_EQ(nullptr, g_ChannelLinks.pValueText[j]) << j;
    EXPECT_EQ(125, DialogRect().Height());
    Choose(ID_BOARD_FIRST);
    ExpectColumnOf(true);
    PickEveryRange();
    Choose(ID_BOARD_NONE);
    for (int j = 0; j < MAX_CHANNELS; ++j) EXPECT_EQ(nullptr, Panel(j)) << j;
    Choose(ID_BOARD_FIRST + 1);
    ExpectColumnOf(false);
    PickEveryRange();
}

TEST_F(ChannelColumnBoardChange, ChosenWhileAPanelsOwnHandlerWaitsInItsBox) {
    m_pDlg->LoadDefaultParameters(g_Params);  // the DDA08/12, every domain 0 to 1
    CClockTesting::Advance(2000);             // the creation countdowns have run out
    Pump();
    // Min above Max: the countdown's handler warns, and the user changes the board meanwhile. The
    // waiting panel goes with the others and its handler writes nothing when the box closes.
    ASSERT_TRUE(AfxUserType(PanelItem(0, IDC_PANEL_MIN), "5"));
    CUserAnswer answer;
    answer.pfnWhileOpen = [this] { EXPECT_TRUE(AfxUserChooseMenu(Dlg(), ID_BOARD_FIRST + 1)); };
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), std::move(answer));
    CClockTesting::Advance(2000);
    Pump();
    EXPECT_EQ(1, Boxes("Please  make  Max  >  Min         \n( No  values  updated )                "));
    ExpectColumnOf(false);
    EXPECT_EQ(0.0f, g_Params.fDomainMin[0]);
    EXPECT_EQ(1.0f, g_Params.fDomainMax[0]);
    EXPECT_EQ(ID_BOARD_FIRST + 1, g_Params.nBoardMenuId);
}

TEST_F(ChannelColumn, TheWindowProcedureTakesCursorSizingAndBackgroundMessages) {
    StartWith("PCI-DDA08/12:A1");
    // No resize cursor over the sides, the top and the corners; the bottom edge and the caption pass.
    for (UINT nHit : {HTLEFT, HTRIGHT, HTTOP, HTTOPLEFT, HTTOPRIGHT, HTBOTTOMLEFT, HTBOTTOMRIGHT})
        EXPECT_EQ(1, ::SendMessage(Dlg(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Dlg()),
                                   MAKELPARAM(nHit, WM_MOUSEMOVE)))
            << nHit;
    EXPECT_EQ(0, ::SendMessage(Dlg(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Dlg()),
                               MAKELPARAM(HTBOTTOM, WM_MOUSEMOVE)));

    // A press on a side or the top starts no resize while the button is down; the bottom edge does.
    CWinSimulationTesting::SetKeyDown(VK_LBUTTON, TRUE);
    EXPECT_TRUE(m_pDlg->LayoutChannelDialogs(WM_NCLBUTTONDOWN, HTTOP, 0));
    EXPECT_TRUE(m_pDlg->LayoutChannelDialogs(WM_NCMOUSEMOVE, HTBOTTOMRIGHT, 0));
    EXPECT_FALSE(m_pDlg->LayoutChannelDialogs(WM_NCLBUTTONDOWN, HTBOTTOM, 0));
    EXPECT_FALSE(m_pDlg->LayoutChannelDialogs(WM_NCLBUTTONDOWN, HTCAPTION, 0));
    CWinSimulationTesting::SetKeyDown(VK_LBUTTON, FALSE);
    EXPECT_FALSE(m_pDlg->LayoutChannelDialogs(WM_NCLBUTTONDOWN, HTTOP, 0));
    EXPECT_FALSE(m_pDlg->LayoutChannelDialogs(WM_SIZE, 0, 0));

    MINMAXINFO mmi{};
    mmi.ptMinTrackSize = POINT{136, 39};
    EXPECT_EQ(1, ::SendMessage(Dlg(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi)));
    EXPECT_EQ(368, mmi.ptMinTrackSize.y);
    EXPECT_EQ(136, mmi.ptMinTrackSize.x);

    // The dialog's background brush is made anew on every request, in one object.
    const LRESULT hFirst = ::SendMessage(Dlg(), WM_CTLCOLORDLG, 0, reinterpret_cast<LPARAM>(Dlg()));
    ASSERT_NE(nullptr, m_pDlg->m_pDialogBkBrush);
    CBrush* pBrush = m_pDlg->m_pDialogBkBrush;
    const LRESULT hSecond = ::SendMessage(Dlg(), WM_CTLCOLORDLG, 0, reinterpret_cast<LPARAM>(Dlg()));
    EXPECT_EQ(pBrush, m_pDlg->m_pDialogBkBrush);
    EXPECT_NE(0, hFirst);
    EXPECT_EQ(reinterpret_cast<LRESULT>(static_cast<HBRUSH>(*pBrush)), hSecond);
}

}  // namespace
