// Up-down controls and their buddy windows.
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
#include "platform/win/gdi_internal.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winctl;

namespace {

struct UpDownState : CWndExtra {
    int nLower = 100;  // the Windows default range: 100 down to 0
    int nUpper = 0;
    int nPos = 0;
    int nBase = 10;
    HWND hBuddy = nullptr;
    BOOL bPressed = FALSE;
    BOOL bPressedUp = FALSE;
};

// Held down, an arrow steps again after a first delay, then at a steady rate (ms).
constexpr UINT_PTR kUpDownRepeatTimer = 0x5C02;
constexpr UINT kUpDownRepeatDelay = 400;
constexpr UINT kUpDownRepeatRate = 100;

int ClampUpDown(const UpDownState& st, int nPos) {
    return std::clamp(nPos, std::min(st.nLower, st.nUpper), std::max(st.nLower, st.nUpper));
}

void UpDownBuddyText(const UpDownState& st, HWND h) {
    if (!st.hBuddy || !(StyleOf(h) & UDS_SETBUDDYINT)) return;
    char buf[32];
    std::snprintf(buf, sizeof buf, st.nBase == 16 ? "0x%X" : "%d", st.nPos);
    SetWindowTextA(st.hBuddy, buf);
}

void UpDownSendScroll(HWND h, UINT nCode, int nPos) {
    HWND p = ParentOf(h);
    if (!p) return;
    const UINT msg = (StyleOf(h) & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
    SendMessageA(p, msg, MAKEWPARAM(static_cast<WORD>(nCode), static_cast<WORD>(nPos)),
                 reinterpret_cast<LPARAM>(h));
}

void UpDownStep(HWND h, UpDownState& st, bool bUp) {
    const int toward = st.nUpper >= st.nLower ? 1 : -1;  // "up" moves toward the upper end
    NMUPDOWN nm{};
    nm.hdr.hwndFrom = h;
    nm.hdr.idFrom = IdOf(h);
    nm.hdr.code = static_cast<UINT>(UDN_DELTAPOS);
    nm.iPos = st.nPos;
    nm.iDelta = bUp ? toward : -toward;
    HWND p = ParentOf(h);
    if (p && SendMessageA(p, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm)) != 0) return;
    long long next = static_cast<long long>(st.nPos) + nm.iDelta;
    const int lo = std::min(st.nLower, st.nUpper), hi = std::max(st.nLower, st.nUpper);
    if (StyleOf(h) & UDS_WRAP) {
        if (next > hi) next = lo;
        if (next < lo) next = hi;
    }
    st.nPos = static_cast<int>(std::clamp<long long>(next, lo, hi));
    UpDownBuddyText(st, h);
    UpDownSendScroll(h, SB_THUMBPOSITION, st.nPos);
}

}  // namespace

namespace winctl {

LRESULT UpDownProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) InstallTempObject<CSpinButtonCtrl>(h);
    UpDownState& st = StateOf<UpDownState>(h);
    switch (msg) {
        case UDM_SETRANGE:
            st.nUpper = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
            st.nLower = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)));
            return 0;
        case UDM_GETRANGE:
            return MAKELONG(static_cast<WORD>(st.nUpper), static_cast<WORD>(st.nLower));
        case UDM_SETRANGE32:
            st.nLower = static_cast<int>(static_cast<LONG_PTR>(wParam));
            st.nUpper = static_cast<int>(lParam);
            return 0;
        case UDM_GETRANGE32:
            if (wParam) *reinterpret_cast<int*>(wParam) = st.nLower;
            if (lParam) *reinterpret_cast<int*>(lParam) = st.nUpper;
            return 0;
        case UDM_SETPOS:
        case UDM_SETPOS32: {
            const int prev = st.nPos;
            const int v = msg == UDM_SETPOS ? static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)))
                                            : static_cast<int>(lParam);
            st.nPos = ClampUpDown(st, v);
            UpDownBuddyText(st, h);
            return prev;
        }
        case UDM_GETPOS:
            return MAKELONG(static_cast<WORD>(st.nPos), 0);
        case UDM_GETPOS32:
            if (lParam) *reinterpret_cast<BOOL*>(lParam) = FALSE;
            return st.nPos;
        case UDM_SETBASE: {
            const int b = static_cast<int>(wParam);
            if (b != 10 && b != 16) return 0;
            return std::exchange(st.nBase, b);
        }
        case UDM_GETBASE:
            return st.nBase;
        case UDM_SETBUDDY:
            return reinterpret_cast<LRESULT>(std::exchange(st.hBuddy, reinterpret_cast<HWND>(wParam)));
        case UDM_GETBUDDY:
            return reinterpret_cast<LRESULT>(st.hBuddy);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {  // the second press of a double click presses as the first
            if (!IsWindowEnabled(h)) return 0;
            RECT rc = ClientOf(h);
            const int x = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
            const int y = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)));
            const bool bUp =
                (StyleOf(h) & UDS_HORZ) ? x >= (rc.right - rc.left) / 2 : y < (rc.bottom - rc.top) / 2;
            st.bPressed = TRUE;
            st.bPressedUp = bUp ? TRUE : FALSE;
            SetCapture(h);
            UpDownStep(h, st, bUp);
            SetTimer(h, kUpDownRepeatTimer, kUpDownRepeatDelay, nullptr);
            return 0;
        }
        case WM_TIMER:
            if (wParam != kUpDownRepeatTimer) return DefWindowProcA(h, msg, wParam, lParam);
            if (!st.bPressed) {
                KillTimer(h, kUpDownRepeatTimer);
                return 0;
            }
            SetTimer(h, kUpDownRepeatTimer, kUpDownRepeatRate, nullptr);
            UpDownStep(h, st, st.bPressedUp != FALSE);
            return 0;
        case WM_DESTROY:
            KillTimer(h, kUpDownRepeatTimer);
            return DefWindowProcA(h, msg, wParam, lParam);
        case WM_LBUTTONUP:
            if (!st.bPressed) return 0;
            st.bPressed = FALSE;
            KillTimer(h, kUpDownRepeatTimer);
            if (GetCapture() == h) ReleaseCapture();
            UpDownSendScroll(h, SB_ENDSCROLL, st.nPos);
            return 0;
        case WM_KEYDOWN:
            if ((StyleOf(h) & UDS_ARROWKEYS) &&
                (wParam == static_cast<WPARAM>(VK_UP) || wParam == static_cast<WPARAM>(VK_DOWN))) {
                UpDownStep(h, st, wParam == static_cast<WPARAM>(VK_UP));
                UpDownSendScroll(h, SB_ENDSCROLL, st.nPos);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC hDC = BeginPaint(h, &ps);
            RECT rc = ClientOf(h);
            HGDIOBJ hOld = SelectObject(hDC, GetSysColorBrush(COLOR_BTNFACE));
            if (StyleOf(h) & UDS_HORZ) {
                const int mid = (rc.left + rc.right) / 2;
                Rectangle(hDC, rc.left, rc.top, mid, rc.bottom);
                Rectangle(hDC, mid, rc.top, rc.right, rc.bottom);
            } else {
                const int mid = (rc.top + rc.bottom) / 2;
                Rectangle(hDC, rc.left, rc.top, rc.right, mid);
                Rectangle(hDC, rc.left, mid, rc.right, rc.bottom);
            }
            if (hOld) SelectObject(hDC, hOld);
            EndPaint(h, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

}  // namespace winctl

IMPLEMENT_DYNAMIC(CSpinButtonCtrl, CScrollBar)

BOOL CSpinButtonCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "msctls_updown32", nullptr, dwStyle, rect, pParentWnd, nID);
}
int CSpinButtonCtrl::SetBase(int nBase) {
    return static_cast<int>(SendMessage(UDM_SETBASE, static_cast<WPARAM>(nBase), 0));
}
void CSpinButtonCtrl::SetRange(short nLower, short nUpper) {
    SendMessage(UDM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(nUpper), static_cast<WORD>(nLower)));
}
DWORD CSpinButtonCtrl::GetRange() const {
    return static_cast<DWORD>(SendMessage(UDM_GETRANGE, 0, 0));
}
void CSpinButtonCtrl::GetRange(int& lower, int& upper) const {
    const DWORD r = GetRange();
    lower = static_cast<SHORT>(HIWORD(r));
    upper = static_cast<SHORT>(LOWORD(r));
}
int CSpinButtonCtrl::SetPos(int nPos) {
    return static_cast<int>(static_cast<SHORT>(
        LOWORD(static_cast<DWORD_PTR>(SendMessage(UDM_SETPOS, 0, MAKELPARAM(static_cast<WORD>(nPos), 0))))));
}
int CSpinButtonCtrl::GetPos() const {
    return static_cast<int>(SendMessage(UDM_GETPOS, 0, 0));
}
int CSpinButtonCtrl::GetPos32(LPBOOL lpbError) const {
    return static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(lpbError)));
}
