#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "platform/win/gdi_testing.h"
#include "platform/win/menu_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/nonclient.h"
#include "platform/win/nonclient_testing.h"
#include "platform/win/resources.h"
#include "platform/win/snapshot.h"
#include "platform/win/snapshot_testing.h"
#include "platform/win/text_measure.h"
#include "platform/win/text_measure_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_dialog_support.h"

namespace {

constexpr UINT kDlg = 9501;
constexpr UINT kMenu = 9502;
constexpr UINT kLabel = 1201;
constexpr UINT kButton = 1202;

const CWindowSnapshot* FindIn(const std::vector<CWindowSnapshot>& list, HWND h) {
    for (const CWindowSnapshot& w : list) {
        if (w.hWnd == h) return &w;
        if (const CWindowSnapshot* c = FindIn(w.children, h)) return c;
    }
    return nullptr;
}

class Snapshot : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        CMenuTemplate menu;
        menu.nID = kMenu;
        CMenuItemTemplate file{MF_POPUP, 0, "&File", {{MF_STRING, 4001, "Open", {}}}};
        CMenuItemTemplate board{MF_POPUP | MF_GRAYED, 0, "&Board", {{MF_STRING, 4002, "None", {}}}};
        menu.items = {file, board};
        AfxRegisterMenuTemplate(menu);
        CDialogTemplate t =
            DlgTemplate(kDlg, {DlgItem(kLabel, "Static", "Label", WS_VISIBLE, 10, 10, 60, 10),
                               DlgItem(kButton, "Button", "Press", WS_VISIBLE, 10, 30, 50, 14)});
        t.nMenuId = kMenu;
        AfxRegisterDialogTemplate(t);
    }
};

TEST_F(Snapshot, HoldsTheWindowsTheirChildrenMenusAndDrawing) {
    CDialog dlg(kDlg);
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    const CScreenSnapshot snap = AfxTakeScreenSnapshot();
    const CWindowSnapshot* w = FindIn(snap.windows, dlg.m_hWnd);
    ASSERT_NE(nullptr, w);
    EXPECT_EQ("Test", w->strText);
    EXPECT_TRUE(w->bVisible);
    CRect rcWnd;
    dlg.GetWindowRect(&rcWnd);
    EXPECT_TRUE(EqualRect(&rcWnd, &w->rcWindow));
    // Caption, frame and menu bar lie between the window and its client area.
    EXPECT_GT(w->rcClient.top, w->rcWindow.top + kMenuBarHeight);
    ASSERT_EQ(2u, w->menuBar.size());
    EXPECT_EQ("&File", w->menuBar[0].strText);
    EXPECT_TRUE(w->menuBar[0].bPopup);
    EXPECT_FALSE(w->menuBar[0].bGrayed);
    EXPECT_TRUE(w->menuBar[1].bGrayed);
    ASSERT_EQ(2u, w->children.size());
    EXPECT_EQ(kLabel, w->children[0].nID);  // template order is z-order from the top
    EXPECT_EQ(0, w->children[0].nZOrder);
    EXPECT_EQ(1, w->children[1].nZOrder);
    EXPECT_EQ("Press", w->children[1].strText);
    EXPECT_EQ("Button", w->children[1].strClass);
    CRect rcButton;
    dlg.GetDlgItem(kButton)->GetWindowRect(&rcButton);
    EXPECT_TRUE(EqualRect(&rcButton, &w->children[1].rcWindow));
    EXPECT_FALSE(w->children[0].drawOps.empty());  // the label painted itself
}

TEST_F(Snapshot, DamageIsWhatAViewMustDrawAgain) {
    CDialog dlg(kDlg);
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    const CWindowSnapshot before = AfxSnapshotWindow(dlg.m_hWnd);
    std::vector<RECT> damage{RECT{1, 2, 3, 4}};
    ASSERT_TRUE(AfxSnapshotDamage(before, before, &damage));
    EXPECT_TRUE(damage.empty()) << "the same snapshot damages nothing";

    // In window pixels: the window's corner is the origin.
    auto inWindow = [&](UINT nID) {
        CRect rc;
        dlg.GetDlgItem(nID)->GetWindowRect(&rc);
        rc.OffsetRect(-before.rcWindow.left, -before.rcWindow.top);
        return rc;
    };
    dlg.GetDlgItem(kLabel)->SetWindowText("Changed");
    Pump();
    ASSERT_TRUE(AfxSnapshotDamage(before, AfxSnapshotWindow(dlg.m_hWnd), &damage));
    ASSERT_EQ(1u, damage.size());
    EXPECT_EQ(inWindow(kLabel), CRect(damage[0])) << "a child's text damages that child";

    dlg.GetDlgItem(kButton)->SetWindowPos(nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump();
    const CWindowSnapshot moved = AfxSnapshotWindow(dlg.m_hWnd);
    ASSERT_TRUE(AfxSnapshotDamage(before, moved, &damage));
    ASSERT_EQ(1u, damage.size());
    EXPECT_EQ(CRect(0, 0, before.rcWindow.right - before.rcWindow.left,
                    before.rcWindow.bottom - before.rcWindow.top),
              CRect(damage[0]))
        << "a child that moved damages its parent";

    dlg.SetWindowText("Renamed");
    Pump();
    EXPECT_FALSE(AfxSnapshotDamage(moved, AfxSnapshotWindow(dlg.m_hWnd), &damage));
    EXPECT_TRUE(damage.empty()) << "the window's own caption: drawn whole";
    dlg.DestroyWindow();
}

TEST_F(Snapshot, ChangeCountMovesOnlyWithAChange) {
    CDialog dlg(kDlg);
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    Pump();
    const CScreenSnapshot a = AfxTakeScreenSnapshot();
    const CScreenSnapshot b = AfxTakeScreenSnapshot();
    EXPECT_EQ(a.nChangeCount, b.nChangeCount);
    const std::uint64_t nBefore = FindIn(b.windows, dlg.m_hWnd)->nChangeCount;

    dlg.SetDlgItemText(kLabel, "Other");
    Pump();
    const CScreenSnapshot c = AfxTakeScreenSnapshot();
    EXPECT_GT(c.nChangeCount, b.nChangeCount);
    EXPECT_GT(FindIn(c.windows, dlg.m_hWnd)->nChangeCount, nBefore);

    dlg.ShowWindow(SW_HIDE);
    const CScreenSnapshot d = AfxTakeScreenSnapshot();
    EXPECT_GT(d.nChangeCount, c.nChangeCount);
    EXPECT_FALSE(FindIn(d.windows, dlg.m_hWnd)->bVisible);

    const HWND hGone = dlg.m_hWnd;
    dlg.DestroyWindow();
    const CScreenSnapshot e = AfxTakeScreenSnapshot();
    EXPECT_GT(e.nChangeCount, d.nChangeCount);
    EXPECT_EQ(nullptr, FindIn(e.windows, hGone));
}

// Every field of a snapshot but its change count and record generation, a line per window, so that two
// snapshots compare with a readable difference.
std::string Describe(const CDrawOp& op) {
    std::ostringstream o;
    o << static_cast<int>(op.nKind) << " rc=" << op.rc.left << "," << op.rc.top << "," << op.rc.right << ","
      << op.rc.bottom << " src=" << op.ptSrc.x << "," << op.ptSrc.y << " win=" << op.bWindowCoords
      << " text=\"" << op.strText << "\" cr=" << op.crText << "/" << op.crBk << "/" << op.nBkMode
      << " brush=" << op.crBrush << "/" << op.bNullBrush << " pen=" << op.crPen << "/" << op.nPenStyle << "/"
      << op.nPenWidth << " font=" << op.strFontFace << "/" << op.nFontPointSize10 << "/" << op.nFontHeight
      << " flags=" << op.nFlags << " bmp=" << op.nBitmapId << "/" << op.nBitmapWidth << "/"
      << op.nBitmapHeight << " icon=" << op.hIcon << " tabs=" << op.tabStops.size() << "/" << op.nTabOrigin;
    return o.str();
}

void Describe(const CWindowSnapshot& w, const std::string& indent, std::ostringstream& o) {
    o << indent << w.hWnd << " " << w.strClass << " \"" << w.strText << "\" z=" << w.nZOrder
      << " id=" << w.nID << " wnd=" << CRect(w.rcWindow).left << "," << w.rcWindow.top << ","
      << w.rcWindow.right << "," << w.rcWindow.bottom << " cli=" << w.rcClient.left << "," << w.rcClient.top
      << "," << w.rcClient.right << "," << w.rcClient.bottom << " style=" << std::hex << w.dwStyle << "/"
      << w.dwExStyle << std::dec << " vis=" << w.bVisible << " en=" << w.bEnabled << " top=" << w.bTopmost
      << "\n";
    for (const CMenuItemSnapshot& m : w.menuBar)
        o << indent << "  menu \"" << m.strText << "\" " << m.nID << " " << m.bPopup << m.bSeparator
          << m.bGrayed << m.bChecked << "\n";
    for (const CDrawOp& op : w.nonClientOps) o << indent << "  frame " << Describe(op) << "\n";
    for (const CDrawOp& op : w.drawOps) o << indent << "  op " << Describe(op) << "\n";
    for (const CWindowSnapshot& c : w.children) Describe(c, indent + "    ", o);
}

std::string Describe(const CWindowSnapshot& w) {
    std::ostringstream o;
    Describe(w, "", o);
    return o.str();
}

class SnapshotAgain : public Snapshot {};

// The screen draws from snapshots taken one after another, each made of what did not change in the
// previous one and what did: after every kind of change each window must look as a snapshot taken from
// scratch shows it, and its change count must move exactly when it looks different.
TEST_F(SnapshotAgain, EveryKindOfChangeShowsAsASnapshotFromScratchWould) {
    CDialog dlg(kDlg);
    ASSERT_TRUE(dlg.Create(kDlg));
    dlg.ShowWindow(SW_SHOW);
    CRecordingWnd other;
    CRecordingWnd extra;
    std::map<HWND, std::pair<std::string, std::uint64_t>> seen;  // the look and count of the last step
    // Each step is looked at twice: before its paint (nothing drawn yet, so the last snapshot may be taken
    // again when no window reads otherwise) and after it.
    auto compare = [&](const char* pszWhen) {
        SCOPED_TRACE(pszWhen);
        const CScreenSnapshot snap = AfxTakeScreenSnapshot();
        std::map<HWND, std::pair<std::string, std::uint64_t>> now;
        for (const CWindowSnapshot& w : snap.windows) {
            const std::string look = Describe(w);
            CWindowSnapshot scratch = AfxSnapshotWindow(w.hWnd);
            scratch.nZOrder = w.nZOrder;  // a lone window's snapshot has no place among the others
            EXPECT_EQ(Describe(scratch), look);
            auto it = seen.find(w.hWnd);
            if (it != seen.end()) {
                if (it->second.first == look)
                    EXPECT_EQ(it->second.second, w.nChangeCount) << "nothing changed";
                else
                    EXPECT_GT(w.nChangeCount, it->second.second) << "a change shown by the same count";
            }
            now[w.hWnd] = {look, w.nChangeCount};
        }
        seen.swap(now);
    };
    // A snapshot still held (as the screen holds the one it drew last) must read as it was taken while
    // later ones are written into the storage of those let go.
    auto lookOf = [](const CScreenSnapshot& snap) {
        std::string look;
        for (const CWindowSnapshot& w : snap.windows) look += Describe(w) + std::to_string(w.nChangeCount);
        return look;
    };
    std::shared_ptr<const CScreenSnapshot> pHeld;
    std::string heldLook;
    auto check = [&](const char* pszStep) {
        SCOPED_TRACE(pszStep);
        compare("before its paint");
        Pump();
        compare("painted");
        if (pHeld) {
            EXPECT_EQ(heldLook, lookOf(*pHeld)) << "a held snapshot changed";
        }
        pHeld = AfxTakeSharedScreenSnapshot();
        heldLook = lookOf(*pHeld);
    };
    auto addStyle = [](HWND h, int nIndex, DWORD dwAdd, DWORD dwRemove) {
        const DWORD dw = static_cast<DWORD>(GetWindowLongPtrA(h, nIndex));
        SetWindowLongPtrA(h, nIndex, static_cast<LONG_PTR>((dw & ~dwRemove) | dwAdd));
        SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    };
    check("shown");
    CWnd* pLabel = dlg.GetDlgItem(kLabel);
    CWnd* pButton = dlg.GetDlgItem(kButton);
    pLabel->SetWindowText("Changed");
    check("a child's text");
    pLabel->SetWindowText("Changed");
    check("the same text again");
    pLabel->Invalidate();
    check("painted again alike");
    dlg.SetWindowText("Renamed");
    check("the caption");
    pButton->SetWindowPos(nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    check("a child moved");
    pButton->SetWindowPos(nullptr, 0, 0, 90, 30, SWP_NOMOVE | SWP_NOZORDER);
    check("a child sized");
    dlg.SetWindowPos(nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    check("the window moved, its children with it");
    dlg.SetWindowPos(nullptr, 0, 0, 420, 300, SWP_NOMOVE | SWP_NOZORDER);
    check("the window sized");
    pButton->ShowWindow(SW_HIDE);
    check("a child hidden");
    pButton->ShowWindow(SW_SHOW);
    check("a child shown");
    pButton->EnableWindow(FALSE);
    check("a child disabled");
    addStyle(pLabel->m_hWnd, GWL_EXSTYLE, WS_EX_CLIENTEDGE, 0);
    check("a child's extended style: its border");
    addStyle(pLabel->m_hWnd, GWL_STYLE, WS_BORDER, 0);
    check("a child's style");
    pButton->SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    check("the children's z-order");
    SetWindowLongPtrA(pLabel->m_hWnd, GWLP_ID, 1299);
    check("a child's id");
    ASSERT_TRUE(extra.CreateChild(&dlg, 1300));
    check("a child made");
    {
        CClientDC dc(&extra);
        const CRect rc(0, 0, 5, 5);
        dc.FillSolidRect(&rc, RGB(200, 10, 10));
    }
    check("a child drew outside a paint");
    AfxClearDrawOps(extra.m_hWnd);
    check("a child's drawing record dropped");
    SetParent(extra.m_hWnd, pButton->m_hWnd);
    check("a child moved under another");
    SetParent(extra.m_hWnd, dlg.m_hWnd);
    check("and back");
    extra.DestroyWindow();
    check("a child gone");
    CMenu* pMenu = dlg.GetMenu();
    ASSERT_NE(nullptr, pMenu);
    CMenuTesting::EnableMenuItem(*pMenu, 1, MF_BYPOSITION | MF_ENABLED);
    check("a menu bar item enabled");
    CMenuTesting::ModifyMenu(*pMenu, 0, MF_BYPOSITION | MF_STRING, 4003, "&Quit");
    check("a menu bar item replaced");
    pMenu->CheckMenuItem(4003, MF_CHECKED);
    check("a menu bar item checked");
    AfxSetMenuBarHotItem(dlg.m_hWnd, 1);
    check("a menu bar item highlighted");
    AfxSetMenuBarHotItem(dlg.m_hWnd, -1);
    check("no menu bar item highlighted");
    ASSERT_TRUE(other.CreateTopLevel(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU));
    other.SetFocus();
    check("another window came and took the focus");
    dlg.SetFocus();
    check("the focus back");
    other.SetIcon(AfxRegisterIcon(128), FALSE);
    check("an icon in the caption");
    other.SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    check("the windows' z-order");
    SetMenu(dlg.m_hWnd, nullptr);
    check("the menu bar taken away");
    addStyle(dlg.m_hWnd, GWL_STYLE, 0, WS_CAPTION);
    check("the window's style");
    dlg.ShowWindow(SW_HIDE);
    check("the window hidden");
    other.DestroyWindow();
    check("the other window gone");
    dlg.DestroyWindow();
    check("the window gone");
    EXPECT_TRUE(seen.find(dlg.m_hWnd) == seen.end());
}

// Widths: 10 px per character, lines 20 px.
class CWideMeasurer : public CTextMeasurer {
  public:
    int GetLineHeight(const std::string&, int) const override { return 20; }
    int GetTextWidth(const std::string&, int, std::string_view t) const override {
        return 10 * static_cast<int>(t.size());
    }
    int GetAverageCharWidth(const std::string&, int) const override { return 10; }
};

class TextMeasure : public CWinTestFixture {
  protected:
    void TearDown() override {
        AfxSetTextMeasurer(nullptr);
        CWinTestFixture::TearDown();
    }
};

TEST_F(TextMeasure, TheInstalledMeasurerDecidesExtentsAndWrapping) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    HDC hDC = GetDC(wnd.m_hWnd);
    RECT rc{0, 0, 1000, 0};
    DrawTextA(hDC, "abcd", -1, &rc, DT_CALCRECT | DT_SINGLELINE);
    const int nFixedWidth = rc.right;

    CWideMeasurer wide;
    EXPECT_EQ(nullptr, AfxSetTextMeasurer(&wide));
    rc = RECT{0, 0, 1000, 0};
    EXPECT_EQ(20, DrawTextA(hDC, "abcd", -1, &rc, DT_CALCRECT | DT_SINGLELINE));
    EXPECT_EQ(40, rc.right);
    SIZE sz{};
    ASSERT_TRUE(GetTextExtentPoint32A(hDC, "abc", 3, &sz));
    EXPECT_EQ(30, sz.cx);
    EXPECT_EQ(20, sz.cy);
    // 35 px: "aa", "bb", then "cccc" broken where it overflows into "ccc" and "c".
    rc = RECT{0, 0, 35, 0};
    EXPECT_EQ(80, DrawTextA(hDC, "aa bb cccc", -1, &rc, DT_CALCRECT | DT_WORDBREAK));
    EXPECT_EQ(30, rc.right);
    EXPECT_EQ(&wide, AfxSetTextMeasurer(nullptr));

    rc = RECT{0, 0, 1000, 0};
    DrawTextA(hDC, "abcd", -1, &rc, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(nFixedWidth, rc.right);
    ReleaseDC(wnd.m_hWnd, hDC);
}

TEST_F(TextMeasure, LayoutKeepsAtLeastOneCharacterPerLine) {
    CWideMeasurer wide;
    const std::vector<std::string> lines = AfxLayoutTextLines("ab c", DT_WORDBREAK, 5, wide, "", 10);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), lines);
    EXPECT_EQ((std::vector<std::string>{"x", "", "y"}),
              AfxLayoutTextLines("x\r\n\ny", DT_WORDBREAK, 100, wide, "", 10));
    EXPECT_EQ("a&b", AfxTextWithoutPrefix("&a&&b", 0));
    EXPECT_EQ("&a", AfxTextWithoutPrefix("&a", DT_NOPREFIX));
}

TEST_F(TextMeasure, TabbedRunsStartAtTheStops) {
    CWideMeasurer wide;
    const int stops[] = {50, 120};
    EXPECT_EQ((std::vector<int>{0, 50, 120}), AfxTabbedRunStarts("ab\tc\td", 2, stops, 0, 0, wide, "", 10));
    // Past the last stop, tabs go on in steps of the last stop.
    EXPECT_EQ(250, AfxTabbedTextWidth("abcdefghijklm\tx", 2, stops, 0, 0, wide, "", 10));
}

class ThreadTask : public CWinTestFixture {};

TEST_F(ThreadTask, RunsInQueueOrderWithPostedMessages) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    std::vector<std::string> order;
    wnd.PostMessage(WM_USER + 1);
    ASSERT_TRUE(AfxPostThreadTask(
        GetCurrentThreadId(), [&] { order.push_back("task:" + std::to_string(wnd.Count(WM_USER + 1))); }));
    wnd.PostMessage(WM_USER + 2);
    Pump();
    ASSERT_EQ(1u, order.size());
    EXPECT_EQ("task:1", order[0]);
    EXPECT_EQ(1, wnd.Count(WM_USER + 2));
    EXPECT_FALSE(AfxPostThreadTask(0, [] {}));
}

TEST_F(ThreadTask, AFullQueueRefusesTasksButNotUserInput) {
    const DWORD me = GetCurrentThreadId();
    int nPosted = 0;
    while (PostThreadMessageA(me, WM_USER, 0, 0) && nPosted < 20000) ++nPosted;
    ASSERT_LT(nPosted, 20000) << "the queue bound was never reached";
    auto held = std::make_shared<int>(1);
    bool bRan = false;
    EXPECT_FALSE(AfxPostThreadTask(me, [held] {}));
    EXPECT_EQ(1, held.use_count()) << "a refused task is destroyed at once";
    EXPECT_TRUE(AfxPostThreadTask(
        me, [&] { bRan = true; }, TRUE));
    Pump();
    EXPECT_TRUE(bRan);
}

TEST_F(ThreadTask, TasksNeverRunAreDestroyedByAReset) {
    auto held = std::make_shared<int>(1);
    ASSERT_TRUE(AfxPostThreadTask(GetCurrentThreadId(), [held] {}));
    EXPECT_EQ(2, held.use_count());
    CWinSimulation::Reset();
    EXPECT_EQ(1, held.use_count());
}

TEST_F(ThreadTask, TranslateMessageGivesTheKeyboardCharacterOnce) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    MSG key{wnd.m_hWnd, WM_KEYDOWN, 'A', 1 | (38 << 16), 0, {0, 0}};
    EXPECT_FALSE(TranslateMessage(&key));  // simulated keys carry no character
    AfxSetKeyboardCharacter('a');
    EXPECT_TRUE(TranslateMessage(&key));
    EXPECT_FALSE(TranslateMessage(&key));
    Pump();
    ASSERT_EQ(1, wnd.Count(WM_CHAR));
    for (const MSG& m : wnd.m_msgs)
        if (m.message == WM_CHAR) {
            EXPECT_EQ(static_cast<WPARAM>('a'), m.wParam);
        }
}

}  // namespace
