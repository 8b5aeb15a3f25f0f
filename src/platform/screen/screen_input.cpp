#include "platform/screen/screen_input.h"

namespace {

LPARAM PointParam(LONG x, LONG y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)), static_cast<WORD>(static_cast<SHORT>(y)));
}

bool PtIn(const RECT& rc, POINT pt) {
    return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

// Every window from hWnd up to its top-level window is enabled (and it still exists).
bool Reachable(HWND hWnd) {
    for (HWND h = hWnd; h != nullptr;
         h = (GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr) {
        if (!IsWindow(h) || !IsWindowEnabled(h)) return false;
    }
    return hWnd != nullptr;
}

// One input message as the loop would take it: pre-translation, translation, dispatch.
void Deliver(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT nChar = 0) {
    MSG msg{hWnd, message, wParam, lParam, GetTickCount(), {0, 0}};
    AfxSetKeyboardCharacter(nChar);
    if (CMessageLoop::PreTranslate(&msg)) {
        AfxSetKeyboardCharacter(0);
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

// The stand-in non-client parts of a top-level window (drawn by AfxDrawStandInNonClient).
int StandInHitTest(HWND hTop, POINT pt) {
    RECT rcWnd{};
    RECT rcCli{};
    GetWindowRect(hTop, &rcWnd);
    GetClientRect(hTop, &rcCli);
    POINT org{0, 0};
    ClientToScreen(hTop, &org);
    OffsetRect(&rcCli, org.x, org.y);
    if (!PtIn(rcWnd, pt)) return HTNOWHERE;
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(hTop, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(hTop, GWL_EXSTYLE));
    const int nFrame = rcCli.left - rcWnd.left;
    int y = rcWnd.top + nFrame;
    if ((style & WS_CAPTION) == WS_CAPTION) {
        const int nCaption = (exStyle & WS_EX_TOOLWINDOW) ? kToolCaptionHeight : kCaptionHeight;
        if (pt.y >= y && pt.y < y + nCaption && pt.x >= rcWnd.left + nFrame && pt.x < rcWnd.right - nFrame) {
            const int nBox = nCaption - 8;
            const bool bInBox = (style & WS_SYSMENU) && pt.x >= rcWnd.right - nFrame - 4 - nBox &&
                                pt.x < rcWnd.right - nFrame - 4;
            return bInBox ? HTCLOSE : HTCAPTION;
        }
        y += nCaption;
    }
    if (pt.y >= y && pt.y < rcCli.top && pt.x >= rcCli.left && pt.x < rcCli.right) return HTMENU;
    return HTBORDER;
}

// The deepest window under pt in hWnd's subtree that takes the point, or NULL to pass it on.
CScreenHit HitIn(HWND hWnd, POINT pt) {
    for (HWND c = GetWindow(hWnd, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(c, GWL_STYLE));
        if (!(style & WS_VISIBLE) || (style & WS_DISABLED)) continue;  // not found by the pointer
        RECT rc{};
        GetWindowRect(c, &rc);
        if (!PtIn(rc, pt)) continue;
        const CScreenHit hit = HitIn(c, pt);
        if (hit.hWnd != nullptr) return hit;
    }
    const int nHit = static_cast<int>(SendMessageA(hWnd, WM_NCHITTEST, 0, PointParam(pt.x, pt.y)));
    if (nHit == HTTRANSPARENT) return {};
    return CScreenHit{hWnd, nHit};
}

HWND g_hNcDown = nullptr;  // the window a non-client button went down on (user-interface thread only)
int g_nNcDownHit = HTNOWHERE;

HWND KeyTarget(HWND hTop) {
    HWND hFocus = GetFocus();
    if (hFocus != nullptr && (hFocus == hTop || IsChild(hTop, hFocus))) return hFocus;
    return hTop;
}

}  // namespace

CScreenHit AfxScreenHitTest(HWND hTop, POINT pt) {
    if (!IsWindow(hTop) || !IsWindowVisible(hTop)) return {};
    RECT rcCli{};
    GetClientRect(hTop, &rcCli);
    POINT org{0, 0};
    ClientToScreen(hTop, &org);
    OffsetRect(&rcCli, org.x, org.y);
    if (!PtIn(rcCli, pt)) {
        const int nStandIn = StandInHitTest(hTop, pt);
        return nStandIn == HTNOWHERE ? CScreenHit{} : CScreenHit{hTop, nStandIn};
    }
    const CScreenHit hit = HitIn(hTop, pt);
    return hit.hWnd != nullptr ? hit : CScreenHit{hTop, HTCLIENT};
}

void AfxScreenMouseButton(HWND hTop, POINT pt, CScreenButton nButton, BOOL bDown, UINT nKeyFlags) {
    const bool bLeft = nButton == CScreenButton::Left;
    const UINT nClientMsg =
        bLeft ? (bDown ? WM_LBUTTONDOWN : WM_LBUTTONUP) : (bDown ? WM_RBUTTONDOWN : WM_RBUTTONUP);
    if (HWND hCapture = GetCapture()) {
        POINT c = pt;
        ScreenToClient(hCapture, &c);
        Deliver(hCapture, nClientMsg, nKeyFlags, PointParam(c.x, c.y));
        return;
    }
    if (!Reachable(hTop)) return;
    const CScreenHit hit = AfxScreenHitTest(hTop, pt);
    if (hit.hWnd == nullptr || !Reachable(hit.hWnd)) return;
    if (hit.nHitTest == HTCLIENT) {
        POINT c = pt;
        ScreenToClient(hit.hWnd, &c);
        Deliver(hit.hWnd, nClientMsg, nKeyFlags, PointParam(c.x, c.y));
        return;
    }
    if (!bLeft) return;  // FIXME: right clicks on the frame (the system menu) are not shown yet
    Deliver(hit.hWnd, bDown ? WM_NCLBUTTONDOWN : WM_NCLBUTTONUP, static_cast<WPARAM>(hit.nHitTest),
            PointParam(pt.x, pt.y));
    if (bDown) {
        g_hNcDown = hit.hWnd;
        g_nNcDownHit = hit.nHitTest;
        return;
    }
    // The close box acts when the button goes down and up on it.
    const bool bClose = hit.nHitTest == HTCLOSE && g_hNcDown == hit.hWnd && g_nNcDownHit == HTCLOSE;
    g_hNcDown = nullptr;
    g_nNcDownHit = HTNOWHERE;
    if (bClose) Deliver(hit.hWnd, WM_SYSCOMMAND, SC_CLOSE, PointParam(pt.x, pt.y));
}

void AfxScreenMouseMove(HWND hTop, POINT pt, UINT nKeyFlags) {
    if (HWND hCapture = GetCapture()) {
        POINT c = pt;
        ScreenToClient(hCapture, &c);
        Deliver(hCapture, WM_MOUSEMOVE, nKeyFlags, PointParam(c.x, c.y));
        return;
    }
    if (!Reachable(hTop)) return;
    const CScreenHit hit = AfxScreenHitTest(hTop, pt);
    if (hit.hWnd == nullptr || !Reachable(hit.hWnd)) return;
    if (hit.nHitTest == HTCLIENT) {
        POINT c = pt;
        ScreenToClient(hit.hWnd, &c);
        Deliver(hit.hWnd, WM_MOUSEMOVE, nKeyFlags, PointParam(c.x, c.y));
    } else {
        Deliver(hit.hWnd, WM_NCMOUSEMOVE, static_cast<WPARAM>(hit.nHitTest), PointParam(pt.x, pt.y));
    }
}

void AfxScreenMouseWheel(HWND hTop, POINT pt, int nDelta, UINT nKeyFlags) {
    if (!Reachable(hTop)) return;
    HWND hTarget = GetFocus();
    if (hTarget == nullptr || (hTarget != hTop && !IsChild(hTop, hTarget)))
        hTarget = AfxScreenHitTest(hTop, pt).hWnd;
    if (hTarget == nullptr || !Reachable(hTarget)) return;
    const WPARAM w = MAKEWPARAM(static_cast<WORD>(nKeyFlags), static_cast<WORD>(static_cast<SHORT>(nDelta)));
    Deliver(hTarget, WM_MOUSEWHEEL, w, PointParam(pt.x, pt.y));
}

void AfxScreenKey(HWND hTop, UINT nVirtKey, UINT nChar, BOOL bDown, UINT nScanCode) {
    if (!Reachable(hTop)) return;
    HWND hTarget = KeyTarget(hTop);
    if (!Reachable(hTarget)) return;
    // Repeat count 1, the scan code, and for a release the previous-state and transition bits.
    LPARAM l = 1 | static_cast<LPARAM>((nScanCode & 0xFF) << 16);
    if (!bDown) l |= static_cast<LPARAM>(0xC0000000u);
    Deliver(hTarget, bDown ? WM_KEYDOWN : WM_KEYUP, nVirtKey, l, bDown ? nChar : 0);
}

void AfxScreenCloseRequest(HWND hTop) {
    if (!Reachable(hTop) || !(GetWindowLongPtrA(hTop, GWL_STYLE) & WS_SYSMENU)) return;
    RECT rc{};
    GetWindowRect(hTop, &rc);
    Deliver(hTop, WM_SYSCOMMAND, SC_CLOSE, PointParam(rc.right - 8, rc.top + 8));
}
