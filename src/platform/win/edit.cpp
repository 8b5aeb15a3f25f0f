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
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/win_state.h"

using namespace winctl;

namespace {

constexpr int kDefaultEditLimit = 30000;
constexpr int kLargestEditLimit = 0x7FFFFFFE;

struct EditState : CWndExtra {
    int nSelStart = 0;
    int nSelEnd = 0;
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

void PaintEdit(HWND h, EditState& st) {
    const DWORD style = StyleOf(h);
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(h, &ps);
    RECT rc = ClientOf(h);
    const bool bStaticLook = (style & ES_READONLY) || !IsWindowEnabled(h);
    HBRUSH hbr = AskColors(h, hDC, bStaticLook ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    if (hbr) FillRect(hDC, &rc, hbr);
    std::string text = TextOf(h);
    if (st.chPassword) text.assign(text.size(), st.chPassword);
    UINT fmt = DT_NOPREFIX | ((style & ES_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER);
    if (style & ES_RIGHT) {
        fmt |= DT_RIGHT;
    } else if (style & ES_CENTER) {
        fmt |= DT_CENTER;
    }
    if (!text.empty()) DrawTextA(hDC, text.c_str(), -1, &rc, fmt);
    EndPaint(h, &ps);
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
                    st.nSelStart = st.nSelEnd = std::max(0, std::min(st.nSelStart, st.nSelEnd) - 1);
                    return 0;
                case VK_RIGHT:
                    st.nSelStart = st.nSelEnd = std::min(len, std::max(st.nSelStart, st.nSelEnd) + 1);
                    return 0;
                case VK_HOME:
                    st.nSelStart = st.nSelEnd = 0;
                    return 0;
                case VK_END:
                    st.nSelStart = st.nSelEnd = len;
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
            SetFocus(h);
            st.nSelStart = st.nSelEnd = GetWindowTextLengthA(h);
            return 0;
        case WM_SETFOCUS:
            InvalidateRect(h, nullptr, FALSE);
            Notify(h, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
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
void CEdit::SetSel(DWORD dwSelection, BOOL bNoScroll) {
    SetSel(static_cast<SHORT>(LOWORD(dwSelection)), static_cast<SHORT>(HIWORD(dwSelection)), bNoScroll);
}
DWORD CEdit::GetSel() const {
    return static_cast<DWORD>(SendMessage(EM_GETSEL, 0, 0));
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
