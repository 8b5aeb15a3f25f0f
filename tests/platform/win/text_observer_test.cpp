#include "platform/win/text_observer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/win/controls_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/user_actions.h"
#include "support/win_fixture.h"

namespace {

// Records what it is told, with the window's text read back from inside the call (the framework's locks
// must be free then).
class CRecordingTextObserver : public CTextObserver {
  public:
    struct Seen {
        HWND hWnd;
        std::string strText;
        bool bDrawn;
        std::string strReadBack;
    };
    void OnWindowTextChanged(HWND hWnd, std::string_view text) override { Note(hWnd, text, false); }
    void OnControlTextDrawn(HWND hWnd, std::string_view text) override { Note(hWnd, text, true); }
    std::vector<Seen> m_seen;

  private:
    void Note(HWND hWnd, std::string_view text, bool bDrawn) {
        char sz[64] = {};
        GetWindowTextA(hWnd, sz, sizeof sz);
        m_seen.push_back({hWnd, std::string(text), bDrawn, sz});
    }
};

class TextObserver : public CWinTestFixture {
  protected:
    void SetUp() override {
        CWinTestFixture::SetUp();
        ASSERT_TRUE(m_parent.CreateTopLevel());
        AfxSetTextObserver(&m_observer);
    }
    void TearDown() override {
        AfxSetTextObserver(nullptr);
        CWinTestFixture::TearDown();
    }

    std::vector<std::string> TextsOf(HWND hWnd, bool bDrawn) const {
        std::vector<std::string> texts;
        for (const auto& seen : m_observer.m_seen)
            if (seen.hWnd == hWnd && seen.bDrawn == bDrawn) texts.push_back(seen.strText);
        return texts;
    }

    CRecordingWnd m_parent;
    CRecordingTextObserver m_observer;
};

using Texts = std::vector<std::string>;

TEST_F(TextObserver, EveryChangeOfAWindowsOwnTextIsToldOnce) {
    CStatic label;
    ASSERT_TRUE(
        CStaticTesting::Create(label, "first", WS_CHILD | WS_VISIBLE, CRect(5, 5, 85, 17), &m_parent, 7));
    CRecordingWnd plain;
    ASSERT_TRUE(plain.CreateChild(&m_parent, 8));
    CEdit edit;
    ASSERT_TRUE(
        CEditTesting::Create(edit, WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(5, 20, 85, 32), &m_parent, 9));
    Pump();
    EXPECT_TRUE(m_observer.m_seen.empty());  // a text a window is made with is no change

    label.SetWindowText("first");
    label.SetWindowText("second");
    label.SetWindowText("second");
    plain.SetWindowText("one");
    plain.SetWindowText("one");
    edit.SetWindowText("2.5");
    edit.SetWindowText("2.5");  // still EN_CHANGE for its owner, but the text shown is the same
    EXPECT_EQ(Texts{"second"}, TextsOf(label.GetSafeHwnd(), false));
    EXPECT_EQ(Texts{"one"}, TextsOf(plain.GetSafeHwnd(), false));
    EXPECT_EQ(Texts{"2.5"}, TextsOf(edit.GetSafeHwnd(), false));
    for (const auto& seen : m_observer.m_seen) EXPECT_EQ(seen.strText, seen.strReadBack);

    // A user's typing: each character is a change.
    ASSERT_TRUE(AfxUserType(edit.GetSafeHwnd(), "-1"));
    EXPECT_EQ((Texts{"2.5", "-", "-1"}), TextsOf(edit.GetSafeHwnd(), false));

    AfxSetTextObserver(nullptr);
    label.SetWindowText("unseen");
    EXPECT_EQ(Texts{"second"}, TextsOf(label.GetSafeHwnd(), false));
}

TEST_F(TextObserver, TextsDrawnOverAControlsWholeClientAreaAreToldWhenTheContextIsReleased) {
    CStatic line;
    ASSERT_TRUE(
        CStaticTesting::Create(line, "", WS_CHILD | WS_VISIBLE, CRect(5, 5, 205, 25), &m_parent, 1113));
    Pump();
    const HWND hLine = line.GetSafeHwnd();
    CRect rc;
    line.GetClientRect(&rc);

    // A redraw: the whole area filled, then the texts.
    HDC hDC = GetDC(hLine);
    CDC::FromHandle(hDC)->FillSolidRect(&rc, 0x0000FF);
    DrawTextA(hDC, "Video is Frozen", -1, &rc, DT_CENTER);
    TextOutA(hDC, 0, 0, "second", 6);
    EXPECT_TRUE(TextsOf(hLine, true).empty());  // not before the context is released
    ReleaseDC(hLine, hDC);
    EXPECT_EQ(Texts{"Video is Frozen\nsecond"}, TextsOf(hLine, true));

    // Only filled: the empty text. Text drawn before the fill does not count.
    hDC = GetDC(hLine);
    DrawTextA(hDC, "gone", -1, &rc, DT_CENTER);
    CDC::FromHandle(hDC)->FillSolidRect(&rc, 0xE1E1E1);
    ReleaseDC(hLine, hDC);
    EXPECT_EQ((Texts{"Video is Frozen\nsecond", ""}), TextsOf(hLine, true));

    // Drawing that does not cover the area (an LED's ellipse, a part filled) and a paint are no redraw.
    hDC = GetDC(hLine);
    Ellipse(hDC, 0, 0, rc.Width(), rc.Height());
    CDC::FromHandle(hDC)->FillSolidRect(CRect(0, 0, 10, 10), 0);
    DrawTextA(hDC, "partial", -1, &rc, DT_CENTER);
    ReleaseDC(hLine, hDC);
    line.SetWindowText("painted");
    Pump();  // the static paints its own text
    EXPECT_EQ((Texts{"Video is Frozen\nsecond", ""}), TextsOf(hLine, true));
    EXPECT_EQ(Texts{"painted"}, TextsOf(hLine, false));
}

}  // namespace
