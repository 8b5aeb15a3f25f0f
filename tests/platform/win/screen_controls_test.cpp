#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/clock_testing.h"
#include "platform/win/controls_testing.h"
#include "platform/win/dialog_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/list_box_testing.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/window_testing.h"
#include "support/win_dialog_support.h"

namespace {

constexpr UINT kDlg = 9301;
constexpr UINT kCombo = 1101, kList = 1102, kEdit = 1103, kScroll = 1104, kButton = 1105, kCheck = 1106,
               kSpin = 1107;

LPARAM At(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

class ScreenControls : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        const DWORD v = WS_VISIBLE | WS_TABSTOP;
        AfxRegisterDialogTemplate(DlgTemplate(
            kDlg, {DlgItem(kCombo, "ComboBox", "", v | CBS_DROPDOWNLIST | WS_VSCROLL, 5, 5, 80, 60),
                   DlgItem(kList, "ListBox", "", v | LBS_NOTIFY | WS_BORDER, 5, 25, 80, 40),
                   DlgItem(kEdit, "Edit", "", v | WS_BORDER | ES_AUTOHSCROLL, 100, 5, 80, 12),
                   DlgItem(kScroll, "ScrollBar", "", WS_VISIBLE | SBS_VERT, 190, 5, 10, 80),
                   DlgItem(kButton, "Button", "Push", v | BS_PUSHBUTTON, 100, 25, 40, 14),
                   DlgItem(kCheck, "Button", "Check", v | BS_AUTOCHECKBOX, 100, 45, 50, 10),
                   DlgItem(kSpin, "msctls_updown32", "", WS_VISIBLE, 160, 25, 10, 14)}));
        ASSERT_TRUE(m_dlg.Create(kDlg));
        m_dlg.ShowWindow(SW_SHOW);
        CMessageLoop::RunUntilIdle();
        m_dlg.m_notices.clear();
    }
    void TearDown() override {
        if (m_dlg.m_hWnd) m_dlg.DestroyWindow();
        CWinTestFixture::TearDown();
    }
    HWND Item(UINT nID) const { return ::GetDlgItem(m_dlg.m_hWnd, static_cast<int>(nID)); }
    static void Send(HWND h, UINT msg, WPARAM w = 0, LPARAM l = 0) {
        SendMessageA(h, msg, w, l);
        CMessageLoop::RunUntilIdle();
    }
    static void Click(HWND h, int x, int y) {
        Send(h, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
        Send(h, WM_LBUTTONUP, 0, At(x, y));
    }
    // The combo box's dropped list: the popup that holds the pointer while it is down.
    static HWND DroppedList(HWND hCombo) {
        HWND hCapture = GetCapture();
        char cls[16] = {};
        if (hCapture == nullptr || !GetClassNameA(hCapture, cls, sizeof cls)) return nullptr;
        if (std::string(cls) != "ComboLBox" || !SendMessageA(hCombo, CB_GETDROPPEDSTATE, 0, 0))
            return nullptr;
        return hCapture;
    }
    void FillCombo() {
        CComboBox& combo = *static_cast<CComboBox*>(m_dlg.GetDlgItem(kCombo));
        for (const char* s : {"zero", "one", "two", "three"}) combo.AddString(s);
        combo.SetCurSel(0);
    }
    static std::vector<CDrawOp> Ops(HWND h, CDrawOpKind kind) {
        std::vector<CDrawOp> v;
        for (const CDrawOp& op : AfxGetDrawOps(h))
            if (op.nKind == kind) v.push_back(op);
        return v;
    }

    CNoticeDlg m_dlg{kDlg};
};

// ---- Combo box ----

TEST_F(ScreenControls, ComboPaintsOnlyItsFieldAndKeepsTheRestForTheList) {
    FillCombo();
    HWND h = Item(kCombo);
    RECT rc{};
    GetWindowRect(h, &rc);
    const int field = rc.bottom - rc.top;
    EXPECT_LT(field, 30);  // 60 dialog units would be 98 pixels
    EXPECT_GT(field, AfxControlItemHeight(h));
    InvalidateRect(h, nullptr, TRUE);
    CMessageLoop::RunUntilIdle();
    for (const CDrawOp& op : AfxGetDrawOps(h)) EXPECT_LE(op.rc.bottom, field) << static_cast<int>(op.nKind);

    // The program's own move with a template-like height is cut too.
    MoveWindow(h, 5, 5, 120, 200, TRUE);
    GetWindowRect(h, &rc);
    EXPECT_EQ(field, rc.bottom - rc.top);
}

TEST_F(ScreenControls, ComboPickByMouseOnItsDroppedList) {
    FillCombo();
    HWND h = Item(kCombo);
    Click(h, 10, 5);
    HWND hList = DroppedList(h);
    ASSERT_NE(nullptr, hList);
    EXPECT_TRUE(IsWindowVisible(hList));
    EXPECT_TRUE(SendMessageA(h, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(4, SendMessageA(hList, LB_GETCOUNT, 0, 0));
    RECT rcField{}, rcList{};
    GetWindowRect(h, &rcField);
    GetWindowRect(hList, &rcList);
    EXPECT_EQ(rcField.bottom, rcList.top);

    const int itemH = AfxControlItemHeight(hList);
    Send(hList, WM_MOUSEMOVE, 0, At(5, 2 * itemH + 2));
    EXPECT_EQ(2, SendMessageA(hList, LB_GETCURSEL, 0, 0));  // highlighted under the mouse
    EXPECT_EQ(0, m_dlg.Count(WM_COMMAND, kCombo, CBN_SELCHANGE));
    Click(hList, 5, 2 * itemH + 2);
    EXPECT_FALSE(IsWindow(hList));
    EXPECT_EQ(2, SendMessageA(h, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kCombo, CBN_SELCHANGE));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kCombo, CBN_SELENDOK));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kCombo, CBN_CLOSEUP));
    EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(ScreenControls, ComboClickOutsideOrEscapeClosesWithoutAPick) {
    FillCombo();
    HWND h = Item(kCombo);
    Click(h, 10, 5);
    HWND hList = DroppedList(h);
    ASSERT_NE(nullptr, hList);
    Send(hList, WM_LBUTTONDOWN, MK_LBUTTON, At(-50, -50));
    EXPECT_FALSE(IsWindow(hList));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kCombo, CBN_SELENDCANCEL));

    SetFocus(h);
    Send(h, WM_KEYDOWN, VK_F4);
    ASSERT_NE(nullptr, DroppedList(h));
    Send(h, WM_KEYDOWN, VK_DOWN);
    // Escape goes to the list, not to the dialog's Cancel.
    MSG msg{h, WM_KEYDOWN, static_cast<WPARAM>(VK_ESCAPE), 0, 0, {}};
    EXPECT_FALSE(IsDialogMessageA(m_dlg.m_hWnd, &msg));
    Send(h, WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(nullptr, DroppedList(h));
    EXPECT_EQ(0, SendMessageA(h, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(0, m_dlg.Count(WM_COMMAND, kCombo, CBN_SELCHANGE));
}

TEST_F(ScreenControls, ComboPickByKeysAndWheel) {
    FillCombo();
    HWND h = Item(kCombo);
    SetFocus(h);
    Send(h, WM_SYSKEYDOWN, VK_DOWN);  // Alt+Down
    HWND hList = DroppedList(h);
    ASSERT_NE(nullptr, hList);
    Send(h, WM_KEYDOWN, VK_DOWN);
    Send(h, WM_KEYDOWN, VK_DOWN);
    // The wheel scrolls the dropped list (all its entries are shown here) and moves no highlight.
    Send(h, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)));
    EXPECT_EQ(2, SendMessageA(hList, LB_GETCURSEL, 0, 0));
    EXPECT_EQ(0, m_dlg.Count(WM_COMMAND, kCombo, CBN_SELCHANGE));
    Send(h, WM_KEYDOWN, VK_DOWN);
    Send(h, WM_KEYDOWN, VK_RETURN);
    EXPECT_FALSE(IsWindow(hList));
    EXPECT_EQ(3, SendMessageA(h, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kCombo, CBN_SELCHANGE));

    // Closed, the wheel over the focused box and the arrows change the selection at once.
    RECT rc{};
    GetWindowRect(h, &rc);
    Send(h, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)), At(rc.left + 5, rc.top + 5));
    EXPECT_EQ(2, SendMessageA(h, CB_GETCURSEL, 0, 0));
    Send(h, WM_KEYDOWN, VK_HOME);
    EXPECT_EQ(0, SendMessageA(h, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(3, m_dlg.Count(WM_COMMAND, kCombo, CBN_SELCHANGE));
}

TEST_F(ScreenControls, ALongDroppedListScrollsAndKeepsThePointer) {
    HWND h = Item(kCombo);
    for (int i = 0; i < 30; ++i) SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("entry"));
    Click(h, 10, 5);
    HWND hList = DroppedList(h);
    ASSERT_NE(nullptr, hList);
    RECT rc{};
    GetClientRect(hList, &rc);
    EXPECT_LT(rc.bottom, 30 * AfxControlItemHeight(hList));  // the template's room, not every entry
    // The click on the list's down arrow arrives at the list, which holds the pointer.
    const POINT ptArrow{rc.right - 3, rc.bottom - 3};
    Click(hList, ptArrow.x, ptArrow.y);
    EXPECT_EQ(1, SendMessageA(hList, LB_GETTOPINDEX, 0, 0));
    EXPECT_EQ(hList, GetCapture());
    EXPECT_TRUE(SendMessageA(h, CB_GETDROPPEDSTATE, 0, 0));
}

TEST_F(ScreenControls, ComboGoneWhileDroppedTakesItsListAlong) {
    FillCombo();
    HWND h = Item(kCombo);
    Click(h, 10, 5);
    HWND hList = DroppedList(h);
    ASSERT_NE(nullptr, hList);
    DestroyWindow(h);
    EXPECT_FALSE(IsWindow(hList));
}

// ---- List box ----

TEST_F(ScreenControls, ListBoxKeepsItsEntriesAndItemData) {
    CListBox& list = *static_cast<CListBox*>(m_dlg.GetDlgItem(kList));
    EXPECT_EQ(0, CListBoxTesting::AddString(list, "b"));
    EXPECT_EQ(1, CListBoxTesting::AddString(list, "c"));
    EXPECT_EQ(0, CListBoxTesting::InsertString(list, 0, "a"));
    EXPECT_EQ(LB_ERR, CListBoxTesting::InsertString(list, 9, "x"));
    EXPECT_EQ(LB_OKAY, CListBoxTesting::SetItemData(list, 2, 77));
    EXPECT_EQ(77u, CListBoxTesting::GetItemData(list, 2));
    EXPECT_EQ(static_cast<DWORD_PTR>(LB_ERR), CListBoxTesting::GetItemData(list, 3));
    CString s;
    CListBoxTesting::GetText(list, 1, s);
    EXPECT_EQ("b", s.Str());
    EXPECT_EQ(1, CListBoxTesting::GetTextLen(list, 2));
    EXPECT_EQ(2, CListBoxTesting::SetCurSel(list, 2));
    EXPECT_EQ(0, m_dlg.Count(WM_COMMAND, kList, LBN_SELCHANGE));
    EXPECT_EQ(2, CListBoxTesting::DeleteString(list, 0));
    EXPECT_EQ(1, CListBoxTesting::GetCurSel(list));  // the selection follows its entry
    EXPECT_EQ(1, CListBoxTesting::DeleteString(list, 1));
    EXPECT_EQ(LB_ERR, CListBoxTesting::GetCurSel(list));
    CListBoxTesting::ResetContent(list);
    EXPECT_EQ(0, CListBoxTesting::GetCount(list));
}

TEST_F(ScreenControls, ListBoxSelectsByMouseAndKeysAndNotifies) {
    CListBox& list = *static_cast<CListBox*>(m_dlg.GetDlgItem(kList));
    for (int i = 0; i < 20; ++i) CListBoxTesting::AddString(list, ("entry " + std::to_string(i)).c_str());
    HWND h = list.m_hWnd;
    const int itemH = AfxControlItemHeight(h);
    Click(h, 5, itemH + 1);
    EXPECT_EQ(1, CListBoxTesting::GetCurSel(list));
    EXPECT_EQ(h, GetFocus());
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kList, LBN_SELCHANGE));
    Send(h, WM_LBUTTONDBLCLK, MK_LBUTTON, At(5, itemH + 1));
    Send(h, WM_LBUTTONUP, 0, At(5, itemH + 1));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kList, LBN_DBLCLK));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kList, LBN_SELCHANGE));  // the same entry: no change

    Send(h, WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(2, CListBoxTesting::GetCurSel(list));
    Send(h, WM_KEYDOWN, VK_END);
    EXPECT_EQ(19, CListBoxTesting::GetCurSel(list));
    EXPECT_GT(CListBoxTesting::GetTopIndex(list), 0);  // scrolled to show it
    EXPECT_EQ(3, m_dlg.Count(WM_COMMAND, kList, LBN_SELCHANGE));

    // The selected entry is painted in the highlight colour.
    InvalidateRect(h, nullptr, TRUE);
    CMessageLoop::RunUntilIdle();
    bool bHighlighted = false;
    for (const CDrawOp& op : Ops(h, CDrawOpKind::DrawText))
        if (op.strText == "entry 19") bHighlighted = op.crText == GetSysColor(COLOR_HIGHLIGHTTEXT);
    EXPECT_TRUE(bHighlighted);
}

TEST_F(ScreenControls, ListBoxGrowsAScrollBarWhenItsEntriesOverflow) {
    CListBox& list = *static_cast<CListBox*>(m_dlg.GetDlgItem(kList));
    HWND h = list.m_hWnd;
    CListBoxTesting::AddString(list, "one");
    EXPECT_EQ(nullptr, GetWindow(h, GW_CHILD));
    for (int i = 0; i < 20; ++i) CListBoxTesting::AddString(list, "more");
    HWND hBar = GetWindow(h, GW_CHILD);
    ASSERT_NE(nullptr, hBar);
    EXPECT_TRUE(IsWindowVisible(hBar));
    RECT rcBar{};
    GetClientRect(hBar, &rcBar);
    Click(hBar, 2, rcBar.bottom - 2);  // the down arrow
    EXPECT_EQ(1, CListBoxTesting::GetTopIndex(list));
    Send(h, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)));
    EXPECT_EQ(4, CListBoxTesting::GetTopIndex(list));
    CListBoxTesting::ResetContent(list);
    EXPECT_FALSE(IsWindowVisible(hBar));
    EXPECT_EQ(0, CListBoxTesting::GetTopIndex(list));
}

// ---- Edit ----

TEST_F(ScreenControls, EditClickPlacesTheCaretAndTypingReplacesTheDraggedSelection) {
    HWND h = Item(kEdit);
    SetWindowTextA(h, "abcdef");
    HDC hDC = GetDC(h);
    SIZE one{};
    GetTextExtentPoint32A(hDC, "a", 1, &one);
    ReleaseDC(h, hDC);
    const int x0 = 1;  // the text's left margin
    Click(h, x0 + 2 * one.cx, 5);
    EXPECT_EQ(h, GetFocus());
    EXPECT_EQ(MAKELONG(2, 2), static_cast<LONG>(SendMessageA(h, EM_GETSEL, 0, 0)));

    Send(h, WM_LBUTTONDOWN, MK_LBUTTON, At(x0 + 1 * one.cx, 5));
    Send(h, WM_MOUSEMOVE, MK_LBUTTON, At(x0 + 4 * one.cx, 5));
    Send(h, WM_LBUTTONUP, 0, At(x0 + 4 * one.cx, 5));
    EXPECT_EQ(MAKELONG(1, 4), static_cast<LONG>(SendMessageA(h, EM_GETSEL, 0, 0)));
    m_dlg.m_notices.clear();
    Send(h, WM_CHAR, 'X');
    char buf[16] = {};
    GetWindowTextA(h, buf, sizeof buf);
    EXPECT_STREQ("aXef", buf);
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kEdit, EN_UPDATE));
    EXPECT_EQ(1, m_dlg.Count(WM_COMMAND, kEdit, EN_CHANGE));
}

TEST_F(ScreenControls, EditShiftArrowsSelectAndKeysEdit) {
    HWND h = Item(kEdit);
    SetWindowTextA(h, "12345");
    SetFocus(h);
    Send(h, WM_KEYDOWN, VK_END);
    CWinSimulationTesting::SetKeyDown(VK_SHIFT, TRUE);
    Send(h, WM_KEYDOWN, VK_LEFT);
    Send(h, WM_KEYDOWN, VK_LEFT);
    CWinSimulationTesting::SetKeyDown(VK_SHIFT, FALSE);
    EXPECT_EQ(MAKELONG(3, 5), static_cast<LONG>(SendMessageA(h, EM_GETSEL, 0, 0)));
    Send(h, WM_KEYDOWN, VK_DELETE);
    char buf[16] = {};
    GetWindowTextA(h, buf, sizeof buf);
    EXPECT_STREQ("123", buf);
    Send(h, WM_KEYDOWN, VK_HOME);
    CWinSimulationTesting::SetKeyDown(VK_SHIFT, TRUE);
    Send(h, WM_KEYDOWN, VK_END);
    CWinSimulationTesting::SetKeyDown(VK_SHIFT, FALSE);
    EXPECT_EQ(MAKELONG(0, 3), static_cast<LONG>(SendMessageA(h, EM_GETSEL, 0, 0)));
    Send(h, WM_KEYDOWN, VK_LEFT);  // collapses to the selection's start
    EXPECT_EQ(MAKELONG(0, 0), static_cast<LONG>(SendMessageA(h, EM_GETSEL, 0, 0)));
    Send(h, WM_KEYDOWN, VK_RIGHT);
    Send(h, WM_CHAR, VK_BACK);
    GetWindowTextA(h, buf, sizeof buf);
    EXPECT_STREQ("23", buf);
}

TEST_F(ScreenControls, FocusedEditDrawsSelectionCaretAndBorder) {
    HWND h = Item(kEdit);
    SetWindowTextA(h, "abcd");
    SetFocus(h);
    SendMessageA(h, EM_SETSEL, 1, 3);
    CMessageLoop::RunUntilIdle();
    bool bSelection = false, bCaret = false, bBorder = false;
    for (const CDrawOp& op : AfxGetDrawOps(h)) {
        if (op.nKind == CDrawOpKind::DrawText && op.strText == "bc") bSelection = true;
        if (op.nKind == CDrawOpKind::FillRect && op.rc.right - op.rc.left == 1) bCaret = true;
        if (op.nKind == CDrawOpKind::Rectangle && op.bWindowCoords) bBorder = true;
    }
    EXPECT_TRUE(bSelection);
    EXPECT_TRUE(bCaret);
    EXPECT_TRUE(bBorder);
    SetFocus(Item(kButton));
    CMessageLoop::RunUntilIdle();
    for (const CDrawOp& op : AfxGetDrawOps(h))
        EXPECT_FALSE(op.nKind == CDrawOpKind::DrawText && op.strText == "bc");
}

TEST_F(ScreenControls, FocusedButtonsAndCheckBoxesCarryADottedMark) {
    for (UINT id : {kButton, kCheck}) {
        HWND h = Item(id);
        SetFocus(h);
        CMessageLoop::RunUntilIdle();
        bool bMark = false;
        for (const CDrawOp& op : Ops(h, CDrawOpKind::Rectangle)) bMark = bMark || op.nPenStyle == PS_DOT;
        EXPECT_TRUE(bMark) << id;
        SetFocus(Item(kEdit));
        CMessageLoop::RunUntilIdle();
        for (const CDrawOp& op : Ops(h, CDrawOpKind::Rectangle)) EXPECT_NE(PS_DOT, op.nPenStyle) << id;
    }
}

TEST_F(ScreenControls, ACheckBoxCaptionMovesUpToItsMarkOnlyWhereItIsShortOfRoom) {
    HWND h = Item(kCheck);
    SIZE text{};
    {
        HDC hDC = GetDC(h);
        ASSERT_TRUE(GetTextExtentPoint32A(hDC, "Check", 5, &text));
        ReleaseDC(h, hDC);
    }
    const auto captionLeft = [&](int nWidth) {
        SetWindowPos(h, nullptr, 0, 0, nWidth, 20, SWP_NOMOVE | SWP_NOZORDER);
        InvalidateRect(h, nullptr, TRUE);
        CMessageLoop::RunUntilIdle();
        const std::vector<CDrawOp> texts = Ops(h, CDrawOpKind::DrawText);
        return texts.empty() ? -1 : static_cast<int>(texts.back().rc.left);
    };
    constexpr int kMark = 13;
    EXPECT_EQ(kMark + 4, captionLeft(kMark + 4 + text.cx + 10)) << "room to spare";
    EXPECT_EQ(kMark + 2, captionLeft(kMark + 2 + text.cx)) << "two pixels spare";
    EXPECT_EQ(kMark + 1, captionLeft(kMark + text.cx - 5)) << "short of room: next to the mark";
}

// ---- Scroll bar and up-down ----

class ScrollNotices : public ScreenControls {
  protected:
    std::vector<UINT> Codes() const {
        std::vector<UINT> v;
        for (const CNotice& n : m_dlg.m_notices)
            if (n.nMessage == WM_VSCROLL && n.nID == kScroll) v.push_back(n.nCode);
        return v;
    }
    void SetUpBar() {
        HWND h = Item(kScroll);
        SCROLLINFO si{sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 0, 0};
        SendMessageA(h, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
        GetClientRect(h, &m_rc);
        m_dlg.m_notices.clear();
    }
    RECT m_rc{};
};

TEST_F(ScrollNotices, ArrowsAndPageAreasSendTheirCodesThenEndScroll) {
    SetUpBar();
    HWND h = Item(kScroll);
    Click(h, 2, 2);
    Click(h, 2, m_rc.bottom - 2);
    Click(h, 2, m_rc.bottom - m_rc.right - 4);  // the page area below the thumb
    SetScrollPos(h, SB_CTL, 50, TRUE);
    Click(h, 2, m_rc.right + 1);  // the page area above the thumb
    EXPECT_EQ((std::vector<UINT>{SB_LINEUP, SB_ENDSCROLL, SB_LINEDOWN, SB_ENDSCROLL, SB_PAGEDOWN,
                                 SB_ENDSCROLL, SB_PAGEUP, SB_ENDSCROLL}),
              Codes());
    EXPECT_EQ(50, GetScrollPos(h, SB_CTL));  // the parent moves the thumb, not the bar
}

TEST_F(ScrollNotices, AHeldArrowRepeatsOnTheTimerUntilReleased) {
    SetUpBar();
    HWND h = Item(kScroll);
    Send(h, WM_LBUTTONDOWN, MK_LBUTTON, At(2, m_rc.bottom - 2));
    CClockTesting::Advance(400 + 3 * 50);
    CMessageLoop::RunUntilIdle();
    Send(h, WM_LBUTTONUP, 0, At(2, m_rc.bottom - 2));
    const std::vector<UINT> codes = Codes();
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(SB_ENDSCROLL, codes.back());
    for (size_t i = 0; i + 1 < codes.size(); ++i) EXPECT_EQ(SB_LINEDOWN, codes[i]);
    const size_t n = codes.size();
    CClockTesting::Advance(1000);
    CMessageLoop::RunUntilIdle();
    EXPECT_EQ(n, Codes().size());
}

TEST_F(ScrollNotices, ThumbDragTracksThenSetsThePosition) {
    SetUpBar();
    HWND h = Item(kScroll);
    const int thumbTop = m_rc.right;  // the arrow is a square
    Send(h, WM_LBUTTONDOWN, MK_LBUTTON, At(2, thumbTop + 1));
    Send(h, WM_MOUSEMOVE, MK_LBUTTON, At(2, m_rc.bottom / 2));
    Send(h, WM_MOUSEMOVE, MK_LBUTTON, At(2, m_rc.bottom + 40));  // past the end: the last position
    Send(h, WM_LBUTTONUP, 0, At(2, m_rc.bottom + 40));
    std::vector<UINT> codes;
    std::vector<int> positions;
    for (const CNotice& n : m_dlg.m_notices) {
        if (n.nMessage != WM_VSCROLL) continue;
        codes.push_back(n.nCode);
        positions.push_back(n.nPos);
    }
    EXPECT_EQ((std::vector<UINT>{SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}), codes);
    ASSERT_EQ(4u, positions.size());
    EXPECT_GT(positions[0], 0);
    EXPECT_LT(positions[0], 90);
    EXPECT_EQ(90, positions[1]);
    EXPECT_EQ(90, positions[2]);
}

TEST_F(ScrollNotices, TheWheelOverTheBarOrItsDialogScrolls) {
    SetUpBar();
    Send(Item(kScroll), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-2 * WHEEL_DELTA)));
    EXPECT_EQ((std::vector<UINT>{SB_LINEDOWN, SB_LINEDOWN, SB_ENDSCROLL}), Codes());
    m_dlg.m_notices.clear();
    Send(Item(kButton), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)));
    EXPECT_EQ((std::vector<UINT>{SB_LINEUP, SB_ENDSCROLL}), Codes());
}

TEST_F(ScreenControls, AHeldUpDownArrowRepeats) {
    HWND h = Item(kSpin);
    SendMessageA(h, UDM_SETRANGE32, 0, 100);
    Send(h, WM_LBUTTONDOWN, MK_LBUTTON, At(2, 2));
    CClockTesting::Advance(400 + 2 * 100);
    CMessageLoop::RunUntilIdle();
    Send(h, WM_LBUTTONUP, 0, At(2, 2));
    const int pos = static_cast<int>(SendMessageA(h, UDM_GETPOS32, 0, 0));
    EXPECT_GE(pos, 3);
    CClockTesting::Advance(1000);
    CMessageLoop::RunUntilIdle();
    EXPECT_EQ(pos, static_cast<int>(SendMessageA(h, UDM_GETPOS32, 0, 0)));
}

}  // namespace
