#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/controls_testing.h"
#include "platform/win/format.h"
#include "platform/win/format_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/window_testing.h"
#include "support/format_pack.h"
#include "support/win_fixture.h"

namespace {

using WindowText = CWinTestFixture;

// A static that counts what reaches its CWnd.
class CCountingStatic : public CStatic {
  public:
    int m_nSetText = 0;
    int m_nPaint = 0;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SETTEXT) ++m_nSetText;
        if (message == WM_PAINT) ++m_nPaint;
        return CStatic::WindowProc(message, wParam, lParam);
    }
};

std::string TextOf(HWND h) {
    char sz[64] = "untouched";
    GetWindowTextA(h, sz, sizeof sz);
    return sz;
}

int DrawnTexts(HWND h, const std::string& strText) {
    int n = 0;
    for (const CDrawOp& op : AfxGetDrawOps(h))
        n += op.nKind == CDrawOpKind::DrawText && op.strText == strText;
    return n;
}

TEST_F(WindowText, EveryTextOfAStaticIsSentAndInvalidatesItUntilItIsPainted) {
    CRecordingWnd parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    CCountingStatic label;
    ASSERT_TRUE(
        CStaticTesting::Create(label, "first", WS_CHILD | WS_VISIBLE, CRect(5, 5, 85, 17), &parent, 7));
    Pump();
    CRect rcUpdate;
    ASSERT_FALSE(CWndTesting::GetUpdateRect(label, &rcUpdate));
    const int nPaints = label.m_nPaint;

    // Every text is a WM_SETTEXT; the changes invalidate, and the three make one paint.
    label.SetWindowText("same");
    label.SetWindowText("same");
    label.SetWindowText("last");
    EXPECT_EQ(3, label.m_nSetText);
    ASSERT_TRUE(CWndTesting::GetUpdateRect(label, &rcUpdate));
    EXPECT_EQ(CRect(0, 0, 80, 12), rcUpdate);
    Pump();
    EXPECT_EQ(nPaints + 1, label.m_nPaint);
    EXPECT_FALSE(CWndTesting::GetUpdateRect(label, &rcUpdate));
    EXPECT_EQ("last", TextOf(label));
    EXPECT_EQ(1, DrawnTexts(label, "last"));

    // Painted and unchanged: the text it already has is sent, but neither invalidates nor repaints.
    label.SetWindowText("last");
    EXPECT_EQ(4, label.m_nSetText);
    EXPECT_FALSE(CWndTesting::GetUpdateRect(label, &rcUpdate));
    Pump();
    EXPECT_EQ(nPaints + 1, label.m_nPaint);
    EXPECT_EQ(1, DrawnTexts(label, "last"));
    // A new text is painted again, and a paint records the window anew.
    label.SetWindowText("next");
    Pump();
    EXPECT_EQ(nPaints + 2, label.m_nPaint);
    EXPECT_EQ(0, DrawnTexts(label, "last"));
    EXPECT_EQ(1, DrawnTexts(label, "next"));

    // Texts are cut to the caller's buffer; the length is the whole text's.
    char sz[4] = "xyz";
    EXPECT_EQ(3, GetWindowTextA(label, sz, sizeof sz));
    EXPECT_STREQ("nex", sz);
    EXPECT_EQ(4, GetWindowTextLengthA(label.m_hWnd));
    EXPECT_EQ(0, GetWindowTextA(label, sz, 0));
}

TEST_F(WindowText, TheTextAnEditOrButtonAlreadyHasIsStillNotifiedButNotRepainted) {
    CRecordingWnd parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    CEdit edit;
    ASSERT_TRUE(CEditTesting::Create(edit, WS_CHILD | WS_VISIBLE, CRect(5, 5, 85, 17), &parent, 8));
    CButton button;
    ASSERT_TRUE(
        CButtonTesting::Create(button, "push", WS_CHILD | WS_VISIBLE, CRect(5, 20, 85, 32), &parent, 9));
    edit.SetWindowText("12");
    Pump();
    parent.m_msgs.clear();
    CRect rcUpdate;

    edit.SetWindowText("12");
    button.SetWindowText("push");
    EXPECT_FALSE(CWndTesting::GetUpdateRect(edit, &rcUpdate));
    EXPECT_FALSE(CWndTesting::GetUpdateRect(button, &rcUpdate));
    // The edit's owner hears of every text the program sets, changed or not.
    int nChanges = 0;
    for (const MSG& m : parent.m_msgs)
        nChanges += m.message == WM_COMMAND && HIWORD(m.wParam) == EN_CHANGE && LOWORD(m.wParam) == 8;
    EXPECT_EQ(1, nChanges);

    edit.SetWindowText("13");
    button.SetWindowText("pushed");
    EXPECT_TRUE(CWndTesting::GetUpdateRect(edit, &rcUpdate));
    EXPECT_TRUE(CWndTesting::GetUpdateRect(button, &rcUpdate));
    EXPECT_EQ("13", TextOf(edit));
    EXPECT_EQ("pushed", TextOf(button));
}

TEST_F(WindowText, AWindowGoneIsNotFoundEvenRightAfterItsLastUse) {
    CRecordingWnd first, second;
    ASSERT_TRUE(first.CreateTopLevel());
    HWND hFirst = first;
    first.SetWindowText("one");
    EXPECT_EQ("one", TextOf(hFirst));
    ASSERT_TRUE(first.DestroyWindow());

    EXPECT_FALSE(IsWindow(hFirst));
    SetLastError(0);
    EXPECT_FALSE(SetWindowTextA(hFirst, "again"));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    EXPECT_EQ("", TextOf(hFirst));
    EXPECT_EQ(0, GetWindowTextLengthA(hFirst));
    EXPECT_EQ(0, ::SendMessage(hFirst, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x")));

    ASSERT_TRUE(second.CreateTopLevel());
    second.SetWindowText("two");
    EXPECT_EQ("two", TextOf(second));
    EXPECT_EQ(1, second.Count(WM_SETTEXT));
}

TEST_F(WindowText, AnotherThreadReadsTheTextAndPostsItsNewTextToTheOwner) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    wnd.SetWindowText("owner's text");
    HWND h = wnd;
    std::string strRead;
    int nLength = 0;
    BOOL bPosted = FALSE;
    std::thread worker([&] {
        char sz[6];
        GetWindowTextA(h, sz, sizeof sz);
        strRead = sz;
        nLength = GetWindowTextLengthA(h);
        bPosted = SetWindowTextA(h, "from the worker");
    });
    worker.join();
    EXPECT_EQ("owner", strRead);
    EXPECT_EQ(12, nLength);
    EXPECT_TRUE(bPosted);
    EXPECT_EQ(1, wnd.Count(WM_SETTEXT));  // not yet: it waits in the owner's queue
    Pump();
    EXPECT_EQ(2, wnd.Count(WM_SETTEXT));
    EXPECT_EQ("from the worker", TextOf(h));
}

int g_nProcMessages = 0;
LRESULT CALLBACK CountingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) ++g_nProcMessages;
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

int g_nReplacedSetTexts = 0;
WNDPROC g_pfnStaticProc = nullptr;
LRESULT CALLBACK ReplacedStaticProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) ++g_nReplacedSetTexts;
    return CallWindowProcA(g_pfnStaticProc, h, message, wParam, lParam);
}

// A static with no object of its own stores, invalidates and repaints as one with an object does; one
// whose procedure was replaced still gets every text through that procedure.
TEST_F(WindowText, APlainStaticAndOneWithItsOwnProcedureKeepTheirTexts) {
    CRecordingWnd parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    HWND hPlain = CreateWindowExA(0, "Static", "first", WS_CHILD | WS_VISIBLE, 5, 5, 80, 12, parent, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, hPlain);
    Pump();
    RECT rc{};
    ASSERT_FALSE(GetUpdateRect(hPlain, &rc, FALSE));
    EXPECT_TRUE(SetWindowTextA(hPlain, "first"));
    EXPECT_FALSE(GetUpdateRect(hPlain, &rc, FALSE));  // the text it has
    EXPECT_TRUE(SetWindowTextA(hPlain, nullptr));
    EXPECT_EQ("", TextOf(hPlain));
    EXPECT_TRUE(SetWindowTextA(hPlain, "second"));
    EXPECT_TRUE(GetUpdateRect(hPlain, &rc, FALSE));
    Pump();
    EXPECT_EQ(1, DrawnTexts(hPlain, "second"));
    EXPECT_EQ("second", TextOf(hPlain));

    g_nReplacedSetTexts = 0;
    g_pfnStaticProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hPlain, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ReplacedStaticProc)));
    ASSERT_NE(nullptr, g_pfnStaticProc);
    EXPECT_TRUE(SetWindowTextA(hPlain, "third"));
    EXPECT_TRUE(SetWindowTextA(hPlain, "third"));
    EXPECT_EQ(2, g_nReplacedSetTexts);
    EXPECT_EQ("third", TextOf(hPlain));
    DestroyWindow(hPlain);
    EXPECT_FALSE(SetWindowTextA(hPlain, "gone"));
}

// A wrapper skips a text its plain static has already, but never one changed meanwhile by another way,
// nor one that now goes to a procedure of its own.
TEST_F(WindowText, AnUnchangedTextIsSkippedOnlyWhileNothingElseChangedIt) {
    CRecordingWnd parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    HWND hPlain = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 5, 5, 80, 12, parent, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, hPlain);
    CWnd* pWnd = CWnd::FromHandle(hPlain);
    pWnd->SetWindowText("mine");
    EXPECT_EQ("mine", TextOf(hPlain));
    SetWindowTextA(hPlain, "by handle");
    pWnd->SetWindowText("mine");
    EXPECT_EQ("mine", TextOf(hPlain)) << "after SetWindowText on the handle";
    SendMessageA(hPlain, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("sent"));
    pWnd->SetWindowText("mine");
    EXPECT_EQ("mine", TextOf(hPlain)) << "after WM_SETTEXT";
    DefWindowProcA(hPlain, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("stored"));
    pWnd->SetWindowText("mine");
    EXPECT_EQ("mine", TextOf(hPlain)) << "after the default processing stored a text";
    Pump();
    RECT rc{};
    pWnd->SetWindowText("mine");
    EXPECT_FALSE(GetUpdateRect(hPlain, &rc, FALSE)) << "the text it has";

    // Another thread's text is queued to this one and applied in order.
    std::thread([pWnd] { pWnd->SetWindowText("other thread"); }).join();
    Pump();
    EXPECT_EQ("other thread", TextOf(hPlain));
    pWnd->SetWindowText("mine");
    EXPECT_EQ("mine", TextOf(hPlain)) << "after another thread's text";

    g_nReplacedSetTexts = 0;
    g_pfnStaticProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hPlain, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ReplacedStaticProc)));
    pWnd->SetWindowText("mine");
    pWnd->SetWindowText("mine");
    EXPECT_EQ(2, g_nReplacedSetTexts) << "a procedure of its own sees every text";
    DestroyWindow(hPlain);
}

// The formatted setter formats again whenever the format's text or an argument differs, a string
// argument by its characters, and sets the text again once something else changed it.
TEST_F(WindowText, AFormattedTextIsMadeAgainWhenAnythingItComesFromChanged) {
    CRecordingWnd parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    HWND hPlain = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE, 5, 5, 80, 12, parent, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(nullptr, hPlain);
    CWnd* pWnd = CWnd::FromHandle(hPlain);
    auto set = [pWnd](const char* pszFormat, ...) {
        va_list args;
        va_start(args, pszFormat);
        pWnd->SetWindowTextV(pszFormat, args);
        va_end(args);
    };
    for (int i = 0; i < 3; ++i) {
        set("%4.2f V %d", 1.5, 7);
        EXPECT_EQ("1.50 V 7", TextOf(hPlain));
    }
    set("%4.2f V %d", 1.5, 8);
    EXPECT_EQ("1.50 V 8", TextOf(hPlain));
    set("%4.2f V %d", 1.25, 8);
    EXPECT_EQ("1.25 V 8", TextOf(hPlain));
    char szName[] = "abc";
    set("<%s>", szName);
    set("<%s>", szName);
    EXPECT_EQ("<abc>", TextOf(hPlain));
    szName[1] = 'X';
    set("<%s>", szName);
    EXPECT_EQ("<aXc>", TextOf(hPlain)) << "the same string pointer with other characters";
    char szFormat[] = "[%d]";
    set(szFormat, 1);
    set(szFormat, 1);
    szFormat[0] = '(';
    set(szFormat, 1);
    EXPECT_EQ("(1]", TextOf(hPlain)) << "the same format buffer with another format in it";
    SetWindowTextA(hPlain, "by handle");
    set(szFormat, 1);
    EXPECT_EQ("(1]", TextOf(hPlain)) << "after another way set a text";
    set("%ld", 5L);  // not packed: formatted every time
    set("%ld", 6L);
    EXPECT_EQ("6", TextOf(hPlain));
    DestroyWindow(hPlain);
}

// A floating argument that moved only past the digits its text shows leaves the text as it is, and one
// the text shows changes it, the sign of a zero included, as often as it goes back and forth.
TEST_F(WindowText, AValueThatMovesOnlyPastItsShownDigitsLeavesTheTextAlone) {
    CRecordingWnd parent;
    ASSERT_TRUE(parent.CreateTopLevel());
    CStatic plain;
    ASSERT_TRUE(CStaticTesting::Create(plain, "", WS_CHILD | WS_VISIBLE, CRect(5, 20, 85, 32), &parent, 8));
    auto set = [](CWnd* pWnd, const char* pszFormat, ...) {
        va_list args;
        va_start(args, pszFormat);
        pWnd->SetWindowTextV(pszFormat, args);
        va_end(args);
    };
    set(&plain, " %4.3f", 0.51234);
    Pump();
    RECT rc{};
    for (double d : {0.51231, 0.5124999, 0.5115001}) {
        set(&plain, " %4.3f", d);
        EXPECT_FALSE(GetUpdateRect(plain.m_hWnd, &rc, FALSE)) << d;
        EXPECT_EQ(" 0.512", TextOf(plain.m_hWnd)) << d;
    }
    for (int i = 0; i < 2; ++i) {
        set(&plain, " %4.3f", 0.5125001);
        EXPECT_EQ(" 0.513", TextOf(plain.m_hWnd));
        EXPECT_TRUE(GetUpdateRect(plain.m_hWnd, &rc, FALSE));
        set(&plain, " %4.3f", 0.0001);
        EXPECT_EQ(" 0.000", TextOf(plain.m_hWnd));
        set(&plain, " %4.3f", -0.0001);
        EXPECT_EQ(" -0.000", TextOf(plain.m_hWnd)) << "a negative value that rounds to zero keeps its sign";
        set(&plain, " %4.3f", -0.0004);
        EXPECT_EQ(" -0.000", TextOf(plain.m_hWnd));
        set(&plain, " %4.3f", 0.5124);
        EXPECT_EQ(" 0.512", TextOf(plain.m_hWnd));
        set(&plain, " %.*f", 1, 0.5124);
        EXPECT_EQ(" 0.5", TextOf(plain.m_hWnd)) << "another format";
        set(&plain, " %.*f", 2, 0.5124);
        EXPECT_EQ(" 0.51", TextOf(plain.m_hWnd)) << "another precision";
    }
}

TEST(FormatArguments, EqualArgumentsPackEquallyAndUnknownFormatsAreRefused) {
    auto pack = [](std::vector<unsigned char>* pOut, const char* pszFormat, auto... args) {
        return PackFormat(pOut, pszFormat, args...);
    };
    std::vector<unsigned char> a, b;
    ASSERT_TRUE(pack(&a, "%*.*f %s %c%%", 6, 2, 1.5, "xy", 'q'));
    ASSERT_TRUE(pack(&b, "%*.*f %s %c%%", 6, 2, 1.5, "xy", 'q'));
    EXPECT_EQ(a, b);
    ASSERT_TRUE(pack(&b, "%*.*f %s %c%%", 6, 2, 1.5, "xz", 'q'));
    EXPECT_NE(a, b);
    ASSERT_TRUE(pack(&b, "plain"));
    EXPECT_TRUE(b.empty());
    EXPECT_FALSE(pack(&b, "%lu", 5UL));
    EXPECT_TRUE(b.empty());
    EXPECT_FALSE(pack(&b, "%s", static_cast<const char*>(nullptr)));
    const std::string strLong(100, 'x');
    EXPECT_FALSE(pack(&b, "%s", strLong.c_str())) << "more than the buffer holds";
}

TEST_F(WindowText, AnAttachedWindowKeepsItsProcedureUntilSubclassed) {
    g_nProcMessages = 0;
    WNDCLASSA wc{};
    wc.lpfnWndProc = &CountingProc;
    wc.lpszClassName = "CountingWindow";
    ASSERT_NE(0, RegisterClassA(&wc));
    HWND h = CreateWindowExA(0, "CountingWindow", "raw", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(nullptr, h);

    CRecordingWnd wnd;
    ASSERT_TRUE(CWndTesting::Attach(wnd, h));
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(h));
    ::SendMessage(h, WM_APP, 0, 0);
    EXPECT_EQ(1, g_nProcMessages);
    EXPECT_EQ(0, wnd.Count(WM_APP));

    EXPECT_EQ(h, CWndTesting::Detach(wnd));
    ASSERT_TRUE(wnd.SubclassWindow(h));
    ::SendMessage(h, WM_APP, 0, 0);
    EXPECT_EQ(1, wnd.Count(WM_APP));
    EXPECT_EQ(2, g_nProcMessages);  // through CWnd::DefWindowProc to the window's procedure
    wnd.DestroyWindow();
}

// Hooks stay for the rest of the process: these answer only a message nobody else sends.
constexpr UINT kHookedMessage = WM_APP + 0x3A21;
std::vector<int> g_hookCalls;
BOOL FirstHook(HWND, UINT message, WPARAM, LPARAM, LRESULT* pResult) {
    if (message != kHookedMessage) return FALSE;
    g_hookCalls.push_back(1);
    *pResult = 0;
    return FALSE;
}
BOOL SecondHook(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT* pResult) {
    if (message != kHookedMessage) return FALSE;
    g_hookCalls.push_back(2);
    *pResult = static_cast<LRESULT>(wParam) + 1;
    return TRUE;
}

TEST_F(WindowText, DefaultProcessingAsksEachHookOnceInTheOrderAdded) {
    AfxAddDefWindowProcHook(&FirstHook);
    AfxAddDefWindowProcHook(&SecondHook);
    AfxAddDefWindowProcHook(&FirstHook);
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    g_hookCalls.clear();
    EXPECT_EQ(42, ::SendMessage(wnd, kHookedMessage, 41, 0));
    EXPECT_EQ((std::vector<int>{1, 2}), g_hookCalls);
    wnd.SetWindowText("still stored");
    EXPECT_EQ("still stored", TextOf(wnd));
}

}  // namespace
