#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win/gdi_testing.h"
#include "platform/win/menu_testing.h"
#include "platform/win/menu_tracking.h"
#include "platform/win/menu_tracking_testing.h"
#include "platform/win/nonclient.h"
#include "platform/win/nonclient_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_fixture.h"

namespace {

constexpr UINT kMenuId = 520;
constexpr UINT ID_OPEN = 100, ID_HEX = 410, ID_BINARY = 411, ID_MARKERS = 420, ID_RADIO = 421,
               ID_LOCKED = 430;
constexpr UINT_PTR kTimerId = 77;

// File | Options > TTL > Output > Hex / Binary (grayed); Options > Markers (checked), Radio (radio mark).
void RegisterRigMenu() {
    CMenuTemplate t;
    t.nID = kMenuId;
    CMenuItemTemplate file{MF_POPUP, 0, "&File", {}};
    file.items = {
        {MF_STRING, ID_OPEN, "&Open", {}}, {MF_SEPARATOR, 0, "", {}}, {MF_STRING, ID_LOCKED, "&Locked", {}}};
    CMenuItemTemplate output{MF_POPUP, 0, "&Output", {}};
    output.items = {{MF_STRING, ID_HEX, "&Hex", {}}, {MF_STRING | MF_GRAYED, ID_BINARY, "&Binary", {}}};
    CMenuItemTemplate ttl{MF_POPUP, 0, "&TTL", {}};
    ttl.items = {output};
    CMenuItemTemplate options{MF_POPUP, 0, "O&ptions", {}};
    options.items = {
        ttl, {MF_STRING | MF_CHECKED, ID_MARKERS, "&Markers", {}}, {MF_STRING, ID_RADIO, "&Radio", {}}};
    t.items = {file, options};
    AfxRegisterMenuTemplate(t);
}

class CRigWnd : public CRecordingWnd {
  public:
    std::vector<UINT> m_commands;
    void OnHex() { m_commands.push_back(ID_HEX); }
    void OnBinary() { m_commands.push_back(ID_BINARY); }
    void OnOpen() { m_commands.push_back(ID_OPEN); }
    void OnLocked() { m_commands.push_back(ID_LOCKED); }
    void OnUpdateLocked(CCmdUI* pCmdUI) { pCmdUI->Enable(FALSE); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRigWnd, CRecordingWnd)
ON_COMMAND(ID_HEX, &CRigWnd::OnHex)
ON_COMMAND(ID_BINARY, &CRigWnd::OnBinary)
ON_COMMAND(ID_OPEN, &CRigWnd::OnOpen)
ON_COMMAND(ID_LOCKED, &CRigWnd::OnLocked)
ON_UPDATE_COMMAND_UI(ID_LOCKED, &CRigWnd::OnUpdateLocked)
END_MESSAGE_MAP()

constexpr int kItemHeight = 20;

class MenuTracking : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        RegisterRigMenu();
        CMenu menu;
        ASSERT_TRUE(CMenuTesting::LoadMenu(menu, kMenuId));
        ASSERT_TRUE(m_wnd.CreateEx(0, nullptr, "rig", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 100,
                                   100, 400, 300, nullptr, CMenuTesting::Detach(menu)));
        ASSERT_TRUE(AfxGetNonClientLayout(m_wnd, &m_lay));
    }
    void TearDown() override {
        if (m_nHook != 0) CMessageLoop::RemoveIdleHook(m_nHook);
        CWinTestFixture::TearDown();
    }

    // Steps run one per idle turn of the tracking's loop; past the last one (or after too many turns, the
    // watchdog) Escape is pressed until the tracking ends.
    void Script(std::vector<std::function<void()>> steps) {
        m_steps = std::move(steps);
        m_nHook = CMessageLoop::AddIdleHook([this] {
            if (!AfxIsMenuTracking()) return;
            if (m_nStep < m_steps.size()) {
                m_steps[m_nStep++]();
            } else if (++m_nIdleAfter < 50) {
                Key(VK_ESCAPE);
            } else {
                ADD_FAILURE() << "the tracking did not end";
                Key(VK_F10);
            }
        });
    }
    void Key(int nVk) { ::PostMessage(m_wnd, WM_KEYDOWN, static_cast<WPARAM>(nVk), 0); }
    void AltKey(char ch) { ::PostMessage(m_wnd, WM_SYSKEYDOWN, static_cast<WPARAM>(ch), 1 << 29); }
    POINT BarItem(int i) const {
        RECT rc{};
        ::GetWindowRect(m_wnd, &rc);
        const RECT& it = m_lay.menuItems[static_cast<size_t>(i)];
        return POINT{rc.left + (it.left + it.right) / 2, rc.top + (it.top + it.bottom) / 2};
    }
    // Screen point of item i (no separator above it) of the popup at level nLevel.
    static POINT PopupItem(size_t nLevel, int i) {
        const std::vector<HWND> popups = AfxGetMenuPopups();
        EXPECT_LT(nLevel, popups.size());
        RECT rc{};
        if (nLevel < popups.size()) ::GetWindowRect(popups[nLevel], &rc);
        return POINT{rc.left + 30, rc.top + kBorderWidth + i * kItemHeight + kItemHeight / 2};
    }
    static void Click(POINT pt) {
        AfxDeliverMouseInput(WM_LBUTTONDOWN, pt, MK_LBUTTON);
        AfxDeliverMouseInput(WM_LBUTTONUP, pt, 0);
    }

    CRigWnd m_wnd;
    CNonClientLayout m_lay;
    std::vector<std::function<void()>> m_steps;
    size_t m_nStep = 0;
    int m_nIdleAfter = 0;
    UINT_PTR m_nHook = 0;
};

TEST_F(MenuTracking, KeysChooseAnItemThreeLevelsDown) {
    std::vector<size_t> levels;
    Script({[&] {
                levels.push_back(AfxGetMenuPopups().size());  // Alt+P opened Options, TTL selected
                Key(VK_RIGHT);                                // TTL's popup, Output selected
            },
            [&] { Key(VK_RIGHT); },  // Output's popup, Hex selected
            [&] {
                levels.push_back(AfxGetMenuPopups().size());
                Key(VK_RETURN);
            }});
    AltKey('P');
    Pump();
    EXPECT_EQ(std::vector<size_t>({1, 3}), levels);
    EXPECT_EQ(std::vector<UINT>({ID_HEX}), m_wnd.m_commands);
    EXPECT_FALSE(AfxIsMenuTracking());
    EXPECT_EQ(nullptr, ::FindWindow(kMenuPopupClass, nullptr));  // every popup is gone
    EXPECT_EQ(-1, AfxGetMenuBarHotItem(m_wnd));
    EXPECT_GE(m_wnd.Count(WM_INITMENUPOPUP), 3);
    EXPECT_EQ(1, m_wnd.Count(WM_INITMENU));
}

// The person's choice is told to the choice hook with the items' texts from the bar down; a tracking
// that ends without a choice, and a command sent by the program's own code, tell nothing.
TEST_F(MenuTracking, APersonsChoiceIsToldWithItsPath) {
    std::vector<std::vector<std::string>> told;
    std::vector<UINT> ids;
    AfxSetMenuChoiceHook([&](HWND hWnd, UINT nID, const std::vector<std::string>& path) {
        EXPECT_EQ(m_wnd.m_hWnd, hWnd);
        ids.push_back(nID);
        told.push_back(path);
    });
    Script({[&] { Key(VK_RIGHT); }, [&] { Key(VK_RIGHT); }, [&] { Key(VK_RETURN); }});
    AltKey('P');
    Pump();
    AltKey('F');  // File, closed again by Escape (the script's steps are done): no choice
    Pump();
    m_wnd.SendMessage(WM_COMMAND, ID_OPEN);
    Pump();
    AfxSetMenuChoiceHook(nullptr);
    EXPECT_EQ(std::vector<UINT>({ID_HEX}), ids);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"O&ptions", "&TTL", "&Output", "&Hex"}}), told);
    EXPECT_EQ(std::vector<UINT>({ID_HEX, ID_OPEN}), m_wnd.m_commands);
}

TEST_F(MenuTracking, AGrayedItemIsNotChosenAndEscapeClosesOnePopupAtATime) {
    std::vector<size_t> levels;
    Script({[&] { Key(VK_RIGHT); }, [&] { Key(VK_RIGHT); }, [&] { Key(VK_DOWN); },  // Binary, grayed
            [&] { Key(VK_RETURN); },
            [&] {
                levels.push_back(AfxGetMenuPopups().size());  // Enter on it changed nothing
                Key(VK_ESCAPE);
            },
            [&] {
                levels.push_back(AfxGetMenuPopups().size());
                Key(VK_ESCAPE);
            },
            [&] {
                levels.push_back(AfxGetMenuPopups().size());
                Key(VK_ESCAPE);
            },
            [&] {
                levels.push_back(AfxGetMenuPopups().size());
                Key(VK_ESCAPE);  // at the bar: the tracking ends
            }});
    AltKey('P');
    Pump();
    EXPECT_EQ(std::vector<size_t>({3, 2, 1, 0}), levels);
    EXPECT_TRUE(m_wnd.m_commands.empty());
    EXPECT_FALSE(AfxIsMenuTracking());
    EXPECT_EQ(nullptr, ::FindWindow(kMenuPopupClass, nullptr));
}

TEST_F(MenuTracking, TheMouseChoosesAnItemThreeLevelsDown) {
    Script({[&] { AfxDeliverMouseInput(WM_MOUSEMOVE, PopupItem(0, 0), 0); },  // TTL: its popup opens beside
            [&] { AfxDeliverMouseInput(WM_MOUSEMOVE, PopupItem(1, 0), 0); },  // Output
            [&] { Click(PopupItem(2, 1)); },                                  // Binary: grayed, stays open
            [&] { Click(PopupItem(2, 0)); }});                                // Hex
    Click(BarItem(1));
    Pump();
    EXPECT_EQ(std::vector<UINT>({ID_HEX}), m_wnd.m_commands);
    EXPECT_EQ(4u, m_nStep);
    EXPECT_EQ(0, m_wnd.Count(WM_LBUTTONDOWN));  // the tracking took the clicks
}

TEST_F(MenuTracking, AClickOutsideClosesWithoutAChoice) {
    bool bOpened = false;
    Script({[&] {
        bOpened = AfxGetMenuPopups().size() == 1;
        Click(POINT{300, 300});  // the window's client area
    }});
    Click(BarItem(0));
    Pump();
    EXPECT_TRUE(bOpened);
    EXPECT_EQ(1u, m_nStep);
    EXPECT_EQ(0, m_nIdleAfter);  // it ended on the click, not on a later Escape
    EXPECT_TRUE(m_wnd.m_commands.empty());
    EXPECT_EQ(0, m_wnd.Count(WM_LBUTTONDOWN));
    EXPECT_FALSE(AfxIsMenuTracking());
}

TEST_F(MenuTracking, TimersAndPostedMessagesGoOnWhileTracking) {
    ASSERT_TRUE(m_wnd.SetTimer(kTimerId, 50));
    int nTimersWhileOpen = 0;
    std::vector<std::function<void()>> steps;
    for (int i = 0; i < 5; ++i) steps.push_back([] { Advance(50); });
    steps.push_back([&] {
        nTimersWhileOpen = m_wnd.Count(WM_TIMER);
        m_wnd.PostMessage(WM_APP + 1);
    });
    steps.push_back([&] { Key(VK_ESCAPE); });
    Script(std::move(steps));
    Click(BarItem(0));
    Pump();
    EXPECT_GE(nTimersWhileOpen, 4);
    EXPECT_EQ(1, m_wnd.Count(WM_APP + 1));
}

TEST_F(MenuTracking, TheUpdateHandlerAndTheWindowStateStillRefuse) {
    Script({[&] { Key(VK_DOWN); }, [&] { Key(VK_RETURN); }});  // from Open over the separator to Locked
    AltKey('F');
    Pump();
    EXPECT_EQ(1, m_wnd.Count(WM_COMMAND));  // chosen ...
    EXPECT_TRUE(m_wnd.m_commands.empty());  // ... but its update handler disables it
    EXPECT_EQ(2u, m_nStep);

    m_wnd.EnableWindow(FALSE);
    EXPECT_FALSE(AfxTrackMenuBar(m_wnd, 0, TRUE));
    EXPECT_FALSE(AfxIsMenuTracking());
}

TEST_F(MenuTracking, F10HighlightsTheBarAndThePopupsDrawTheirItems) {
    int nHot = -2;
    std::vector<CDrawOp> ops;
    Script({[&] {
                nHot = AfxGetMenuBarHotItem(m_wnd);
                Key(VK_RIGHT);  // Options, still only highlighted
            },
            [&] { Key(VK_DOWN); },  // its popup opens
            [&] {
                const std::vector<HWND> popups = AfxGetMenuPopups();
                if (!popups.empty()) ops = AfxGetDrawOps(popups[0]);
                Key(VK_ESCAPE);
            }});
    ::PostMessage(m_wnd, WM_SYSKEYDOWN, VK_F10, 0);
    Pump();
    EXPECT_EQ(0, nHot);
    auto text = [&](const std::string& s) -> const CDrawOp* {
        for (const CDrawOp& op : ops)
            if (op.nKind == CDrawOpKind::DrawText && op.strText == s) return &op;
        return nullptr;
    };
    ASSERT_NE(nullptr, text("TTL"));
    ASSERT_NE(nullptr, text("Markers"));
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHTTEXT), text("TTL")->crText);  // the selected item
    EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), text("Markers")->crText);
    int nEllipses = 0, nLines = 0;
    for (const CDrawOp& op : ops) {
        nEllipses += op.nKind == CDrawOpKind::Ellipse ? 1 : 0;
        nLines += op.nKind == CDrawOpKind::Line ? 1 : 0;
    }
    EXPECT_EQ(0, nEllipses);       // no radio mark is set yet
    EXPECT_GE(nLines, 2 + 3 + 2);  // the check's tick, three mnemonics, the submenu's arrow
}

// A submenu of 8 to 15 items has the bit of MF_SEPARATOR in its state's count byte: it is still an item
// with its text, and the mouse opens it.
TEST_F(MenuTracking, ASubmenuOfEightOrMoreItemsIsAnItemThatOpens) {
    constexpr UINT kBigMenuId = 521;
    CMenuTemplate t;
    t.nID = kBigMenuId;
    CMenuItemTemplate many{MF_POPUP, 0, "&Many", {}};
    for (UINT i = 0; i < 12; ++i) many.items.push_back({MF_STRING, 600 + i, "Item " + std::to_string(i), {}});
    CMenuItemTemplate bar{MF_POPUP, 0, "&Bar", {}};
    bar.items = {many, {MF_STRING, ID_OPEN, "&Open", {}}};
    t.items = {bar};
    AfxRegisterMenuTemplate(t);
    CMenu menu;
    ASSERT_TRUE(CMenuTesting::LoadMenu(menu, kBigMenuId));
    ASSERT_TRUE(::SetMenu(m_wnd, CMenuTesting::Detach(menu)));
    ASSERT_TRUE(AfxGetNonClientLayout(m_wnd, &m_lay));

    std::vector<CDrawOp> ops;
    size_t nOpen = 0;
    RECT rcPopup{};
    Script({[&] { AfxDeliverMouseInput(WM_MOUSEMOVE, PopupItem(0, 0), 0); },  // Many: its popup opens
            [&] {
                const std::vector<HWND> popups = AfxGetMenuPopups();
                nOpen = popups.size();
                if (!popups.empty()) {
                    ops = AfxGetDrawOps(popups[0]);
                    ::GetWindowRect(popups[0], &rcPopup);
                }
                Click(PopupItem(1, 11));  // Item 11
            }});
    Click(BarItem(0));
    Pump();
    EXPECT_EQ(2u, nOpen);
    EXPECT_EQ(2 * kItemHeight + 2 * kBorderWidth, rcPopup.bottom - rcPopup.top);  // two items, no separator
    bool bText = false;
    for (const CDrawOp& op : ops)
        bText = bText || (op.nKind == CDrawOpKind::DrawText && op.strText == "Many");
    EXPECT_TRUE(bText);
    int nChosen = 0;
    for (const MSG& msg : m_wnd.m_msgs)
        nChosen += msg.message == WM_COMMAND && LOWORD(msg.wParam) == 611 ? 1 : 0;
    EXPECT_EQ(1, nChosen);  // Item 11
}

// The window's modal run ended during the tracking (its close, from a signal or the window manager, while
// a menu is open) ends the tracking at once, so the run can return.
TEST_F(MenuTracking, EndingTheWindowsModalRunEndsTheTracking) {
    bool bTracking = false;
    Script({[&] {
        bTracking = AfxIsMenuTracking() != FALSE;
        m_wnd.EndModalLoop(IDCANCEL);
    }});
    ::PostMessage(m_wnd, WM_SYSKEYDOWN, VK_F10, 0);
    EXPECT_EQ(IDCANCEL, m_wnd.RunModalLoop());
    EXPECT_TRUE(bTracking);
    EXPECT_EQ(0, m_nIdleAfter);  // not by the Escape pressed after the script
    EXPECT_FALSE(AfxIsMenuTracking());
}

TEST_F(MenuTracking, AWindowDisabledByAModalBoxEndsItsTrackingAtOnce) {
    // A modal box coming up disables its owner: the menu closes there and then, and the keys go to the
    // windows again (here the Enter meant for the box reaches the window instead of choosing an item).
    size_t nPopupsBefore = 0;
    size_t nPopupsAfter = 99;
    Script({[&] {
        nPopupsBefore = AfxGetMenuPopups().size();
        m_wnd.EnableWindow(FALSE);
        nPopupsAfter = AfxGetMenuPopups().size();
        Key(VK_RETURN);
    }});
    Click(BarItem(0));
    Pump();
    EXPECT_EQ(1u, nPopupsBefore);
    EXPECT_EQ(0u, nPopupsAfter);
    EXPECT_EQ(1, m_wnd.Count(WM_CANCELMODE));
    EXPECT_FALSE(AfxIsMenuTracking());
    EXPECT_EQ(1, m_wnd.Count(WM_KEYDOWN));
    EXPECT_EQ(0, m_wnd.Count(WM_COMMAND));
    EXPECT_EQ(0, m_nIdleAfter);
    m_wnd.EnableWindow(TRUE);
    EXPECT_EQ(1, m_wnd.Count(WM_CANCELMODE)) << "only disabling cancels";
}

}  // namespace
