// Edit controls: text, selection, limit, password and digits-only input.
#include "platform/win/controls.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/control_support.h"
#include "platform/win/controls_testing.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winctl;

namespace {

constexpr int kDefaultEditLimit = 30000;
constexpr int kLargestEditLimit = 0x7FFFFFFE;

// The selection runs from the anchor nSelStart to the caret nSelEnd (either may be the larger).
struct EditState : CWndExtra {
    int nSelStart = 0;
    int nSelEnd = 0;
    BOOL bFocus = FALSE;
    BOOL bDragging = FALSE;
    int nLimit = kDefaultEditLimit;
    char chPassword = '\0';
    BOOL bModify = FALSE;
};

void EditChanged(HWND h, EditState& st) {
    st.bModify = TRUE;
    InvalidateRect(h, nullptr, TRUE);
    Notify(h, EN_UPDATE);
    Notify(h, EN_CHANGE);
}

// Replaces the selection with ins (cut to the limit); FALSE when nothing could change.
bool EditReplace(HWND h, EditState& st, std::string ins, bool bRefuseOverLimit) {
    std::string t = TextOf(h);
    const int len = static_cast<int>(t.size());
    const int s = std::clamp(std::min(st.nSelStart, st.nSelEnd), 0, len);
    const int e = std::clamp(std::max(st.nSelStart, st.nSelEnd), 0, len);
    const int room = st.nLimit - (len - (e - s));
    if (static_cast<int>(ins.size()) > room) {
        Notify(h, EN_MAXTEXT);
        if (bRefuseOverLimit || room <= 0) return false;
        ins.resize(static_cast<size_t>(room));
    }
    const DWORD style = StyleOf(h);
    for (char& c : ins) {
        if (style & ES_UPPERCASE) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (style & ES_LOWERCASE) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (ins.empty() && s == e) return false;
    t = t.substr(0, static_cast<size_t>(s)) + ins + t.substr(static_cast<size_t>(e));
    StoreText(h, t);
    st.nSelStart = st.nSelEnd = s + static_cast<int>(ins.size());
    return true;
}

std::string ShownText(HWND h, const EditState& st) {
    std::string text = TextOf(h);
    if (st.chPassword) text.assign(text.size(), st.chPassword);
    return text;
}

// Where a single-line edit's characters are: x of the left edge of character i (i = size: the end).
struct EditLayout {
    RECT rcLine{};
    std::vector<int> xs;
};

EditLayout LayOut(HWND h, const std::string& text) {
    EditLayout lay;
    const RECT rc = ClientOf(h);
    const int lineH = AfxControlItemHeight(h) - 2;
    lay.rcLine = RECT{rc.left + 1, rc.top + (rc.bottom - rc.top - lineH) / 2, rc.right - 1, 0};
    lay.rcLine.bottom = lay.rcLine.top + lineH;
    HDC hDC = GetDC(h);
    lay.xs.reserve(text.size() + 1);
    for (size_t i = 0; i <= text.size(); ++i) {
        SIZE sz{};
        GetTextExtentPoint32A(hDC, text.c_str(), static_cast<int>(i), &sz);
        lay.xs.push_back(sz.cx);
    }
    ReleaseDC(h, hDC);
    const DWORD style = StyleOf(h);
    const int width = lay.xs.back();
    int origin = lay.rcLine.left;
    if (style & ES_RIGHT) {
        origin = lay.rcLine.right - width;
    } else if (style & ES_CENTER) {
        origin = lay.rcLine.left + (lay.rcLine.right - lay.rcLine.left - width) / 2;
    }
    for (int& x : lay.xs) x += origin;
    return lay;
}

// The character boundary nearest to x.
int CharAt(HWND h, const EditState& st, int x) {
    const EditLayout lay = LayOut(h, ShownText(h, st));
    int best = 0;
    for (size_t i = 1; i < lay.xs.size(); ++i) {
        if (std::abs(lay.xs[i] - x) < std::abs(lay.xs[static_cast<size_t>(best)] - x))
            best = static_cast<int>(i);
    }
    return best;
}

bool ShiftDown() {
    return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
}

// Moves the caret; with Shift the anchor stays and the selection grows or shrinks.
void MoveCaret(HWND h, EditState& st, int nTo, bool bExtend) {
    const int len = GetWindowTextLengthA(h);
    st.nSelEnd = std::clamp(nTo, 0, len);
    if (!bExtend) st.nSelStart = st.nSelEnd;
    InvalidateRect(h, nullptr, FALSE);
}

// The border of WS_BORDER lies outside the client area: drawn through the window's context.
void PaintEditBorder(HWND h) {
    if (!(StyleOf(h) & WS_BORDER)) return;
    RECT rcWnd{};
    GetWindowRect(h, &rcWnd);
    HDC hDC = GetWindowDC(h);
    HPEN hPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ hOldPen = SelectObject(hDC, hPen);
    HGDIOBJ hOldBrush = SelectObject(hDC, GetStockObject(NULL_BRUSH));
    Rectangle(hDC, 0, 0, rcWnd.right - rcWnd.left, rcWnd.bottom - rcWnd.top);
    if (hOldBrush) SelectObject(hDC, hOldBrush);
    if (hOldPen) SelectObject(hDC, hOldPen);
    DeleteObject(hPen);
    ReleaseDC(h, hDC);
}

// The text, then (focused) the selection in the highlight colours and the caret, a solid bar one pixel
// wide at the caret's boundary. The caret does not blink: a blinking caret would repaint the edit twice
// a second for as long as it has the focus.
void PaintEdit(HWND h, EditState& st) {
    const DWORD style = StyleOf(h);
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(h, &ps);
    RECT rc = ClientOf(h);
    const bool bStaticLook = (style & ES_READONLY) || !IsWindowEnabled(h);
    HBRUSH hbr = AskColors(h, hDC, bStaticLook ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    if (hbr) FillRect(hDC, &rc, hbr);
    const std::string text = ShownText(h, st);
    UINT fmt = DT_NOPREFIX | ((style & ES_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER);
    if (style & ES_RIGHT) {
        fmt |= DT_RIGHT;
    } else if (style & ES_CENTER) {
        fmt |= DT_CENTER;
    }
    RECT rcText{rc.left + 1, rc.top, rc.right - 1, rc.bottom};
    if (!text.empty()) DrawTextA(hDC, text.c_str(), -1, &rcText, fmt);
    if (st.bFocus && !(style & ES_MULTILINE)) {
        const EditLayout lay = LayOut(h, text);
        const int len = static_cast<int>(text.size());
        const int s = std::clamp(std::min(st.nSelStart, st.nSelEnd), 0, len);
        const int e = std::clamp(std::max(st.nSelStart, st.nSelEnd), 0, len);
        if (s < e) {
            RECT rcSel{lay.xs[static_cast<size_t>(s)], lay.rcLine.top, lay.xs[static_cast<size_t>(e)],
                       lay.rcLine.bottom};
            FillRect(hDC, &rcSel, GetSysColorBrush(COLOR_HIGHLIGHT));
            const COLORREF crOld = SetTextColor(hDC, GetSysColor(COLOR_HIGHLIGHTTEXT));
            const int nOldMode = SetBkMode(hDC, TRANSPARENT);
            const std::string part = text.substr(static_cast<size_t>(s), static_cast<size_t>(e - s));
            DrawTextA(hDC, part.c_str(), -1, &rcSel, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SetBkMode(hDC, nOldMode);
            SetTextColor(hDC, crOld);
        }
        const int caret = std::clamp(st.nSelEnd, 0, len);
        const int x = lay.xs[static_cast<size_t>(caret)];
        RECT rcCaret{x, lay.rcLine.top, x + 1, lay.rcLine.bottom};
        FillRect(hDC, &rcCaret, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    EndPaint(h, &ps);
    PaintEditBorder(h);
}

}  // namespace

namespace winctl {

LRESULT EditProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) InstallTempObject<CEdit>(h);
    EditState& st = StateOf<EditState>(h);
    switch (msg) {
        case WM_CREATE:
            if (StyleOf(h) & ES_PASSWORD) st.chPassword = '*';
            return DefWindowProcA(h, msg, wParam, lParam);
        case WM_GETDLGCODE: {
            const DWORD style = StyleOf(h);
            UINT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
            if ((style & ES_MULTILINE) && (style & ES_WANTRETURN)) code |= DLGC_WANTALLKEYS;
            return code;
        }
        case WM_SETTEXT: {
            // The same text is still a change for the edit's owner (EN_UPDATE, EN_CHANGE, selection and
            // modify flag reset), but not for the screen.
            const bool bSame = winstate::WindowTextIs(h, reinterpret_cast<LPCSTR>(lParam)) != FALSE;
            LRESULT r = bSame ? TRUE : DefWindowProcA(h, msg, wParam, lParam);
            st.nSelStart = st.nSelEnd = 0;
            st.bModify = FALSE;
            if (!bSame) InvalidateRect(h, nullptr, TRUE);
            Notify(h, EN_UPDATE);
            Notify(h, EN_CHANGE);
            return r;
        }
        case WM_CHAR: {
            if (StyleOf(h) & ES_READONLY) return 0;
            const char c = static_cast<char>(wParam);
            if (c == static_cast<char>(VK_BACK)) {
                if (st.nSelStart == st.nSelEnd && st.nSelStart > 0) st.nSelStart -= 1;
                if (EditReplace(h, st, std::string(), false)) EditChanged(h, st);
                return 0;
            }
            if (static_cast<unsigned char>(c) < 0x20) return 0;
            // Digits-only edits refuse anything else, as on Windows (which shows a tip instead).
            if ((StyleOf(h) & ES_NUMBER) && !std::isdigit(static_cast<unsigned char>(c))) return 0;
            if (EditReplace(h, st, std::string(1, c), true)) EditChanged(h, st);
            return 0;
        }
        case WM_KEYDOWN: {
            const int len = GetWindowTextLengthA(h);
            switch (static_cast<int>(wParam)) {
                case VK_DELETE:
                    if (StyleOf(h) & ES_READONLY) return 0;
                    if (st.nSelStart == st.nSelEnd && st.nSelEnd < len) st.nSelEnd += 1;
                    if (EditReplace(h, st, std::string(), false)) EditChanged(h, st);
                    return 0;
                case VK_LEFT:
                case VK_RIGHT: {
                    const bool bExtend = ShiftDown();
                    const bool bLeft = wParam == static_cast<WPARAM>(VK_LEFT);
                    int to = st.nSelEnd + (bLeft ? -1 : 1);
                    // Without Shift an arrow first collapses a selection to its side.
                    if (!bExtend && st.nSelStart != st.nSelEnd)
                        to = bLeft ? std::min(st.nSelStart, st.nSelEnd) : std::max(st.nSelStart, st.nSelEnd);
                    MoveCaret(h, st, to, bExtend);
                    return 0;
                }
                case VK_HOME:
                    MoveCaret(h, st, 0, ShiftDown());
                    return 0;
                case VK_END:
                    MoveCaret(h, st, len, ShiftDown());
                    return 0;
                default:
                    return 0;
            }
        }
        case EM_SETSEL: {
            const int len = GetWindowTextLengthA(h);
            const int s = static_cast<int>(static_cast<LONG_PTR>(wParam));
            int e = static_cast<int>(lParam);
            if (s == -1) {
                st.nSelStart = st.nSelEnd;
            } else {
                if (e < 0 || e > len) e = len;
                st.nSelStart = std::clamp(s, 0, len);
                st.nSelEnd = e;
            }
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        }
        case EM_GETSEL: {
            const DWORD s = static_cast<DWORD>(std::min(st.nSelStart, st.nSelEnd));
            const DWORD e = static_cast<DWORD>(std::max(st.nSelStart, st.nSelEnd));
            if (wParam) *reinterpret_cast<DWORD*>(wParam) = s;
            if (lParam) *reinterpret_cast<DWORD*>(lParam) = e;
            return MAKELONG(static_cast<WORD>(std::min<DWORD>(s, 0xFFFF)),
                            static_cast<WORD>(std::min<DWORD>(e, 0xFFFF)));
        }
        case EM_REPLACESEL:
            if (EditReplace(h, st, lParam ? reinterpret_cast<LPCSTR>(lParam) : "", false)) EditChanged(h, st);
            return 0;
        case EM_LIMITTEXT: {
            const int n = static_cast<int>(wParam);
            st.nLimit = n <= 0 ? kLargestEditLimit : n;
            return 0;
        }
        case EM_GETLIMITTEXT:
            return st.nLimit;
        case EM_SETPASSWORDCHAR: {
            st.chPassword = static_cast<char>(wParam);
            DWORD style = StyleOf(h);
            style = st.chPassword ? (style | ES_PASSWORD) : (style & ~static_cast<DWORD>(ES_PASSWORD));
            SetWindowLongPtrA(h, GWL_STYLE, static_cast<LONG_PTR>(style));
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
        case EM_GETPASSWORDCHAR:
            return static_cast<unsigned char>(st.chPassword);
        case EM_GETMODIFY:
            return st.bModify;
        case EM_SETMODIFY:
            st.bModify = wParam ? TRUE : FALSE;
            return 0;
        case EM_SETREADONLY: {
            DWORD style = StyleOf(h);
            style = wParam ? (style | ES_READONLY) : (style & ~static_cast<DWORD>(ES_READONLY));
            SetWindowLongPtrA(h, GWL_STYLE, static_cast<LONG_PTR>(style));
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {  // the second press of a double click presses as the first
            if (GetFocus() != h) SetFocus(h);
            const int at = CharAt(h, st, static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))));
            MoveCaret(h, st, at, (wParam & MK_SHIFT) != 0);
            st.bDragging = TRUE;
            SetCapture(h);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (st.bDragging)
                MoveCaret(h, st, CharAt(h, st, static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)))),
                          true);
            return 0;
        case WM_LBUTTONUP:
            if (st.bDragging) {
                st.bDragging = FALSE;
                if (GetCapture() == h) ReleaseCapture();
            }
            return 0;
        case WM_CAPTURECHANGED:
            st.bDragging = FALSE;
            return 0;
        case WM_SETFOCUS:
            st.bFocus = TRUE;
            InvalidateRect(h, nullptr, FALSE);
            Notify(h, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            st.bFocus = FALSE;
            st.bDragging = FALSE;
            InvalidateRect(h, nullptr, FALSE);
            Notify(h, EN_KILLFOCUS);
            return 0;
        case WM_ENABLE:
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_PAINT:
            PaintEdit(h, st);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

}  // namespace winctl

IMPLEMENT_DYNAMIC(CEdit, CWnd)

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "Edit", nullptr, dwStyle, rect, pParentWnd, nID);
}
void CEdit::SetSel(int nStartChar, int nEndChar, BOOL) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(nStartChar), nEndChar);
}
void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
    DWORD s = 0, e = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    nStartChar = static_cast<int>(s);
    nEndChar = static_cast<int>(e);
}
void CEdit::ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo) {
    SendMessage(EM_REPLACESEL, static_cast<WPARAM>(bCanUndo), reinterpret_cast<LPARAM>(lpszNewText));
}
void CEdit::LimitText(int nChars) {
    SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
}
UINT CEdit::GetLimitText() const {
    return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT, 0, 0));
}
BOOL CEdit::GetModify() const {
    return static_cast<BOOL>(SendMessage(EM_GETMODIFY, 0, 0));
}
