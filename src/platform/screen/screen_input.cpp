#include "platform/screen/screen_input.h"

#include <cstdlib>
#include <mutex>

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

// The keys go to the focus, whichever of the program's windows the display gave them to (without a
// window manager that is the one under the pointer); with the focus nowhere, to that window.
HWND KeyTarget(HWND hTop) {
    HWND hFocus = GetFocus();
    return hFocus != nullptr ? hFocus : hTop;
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
        // The frame, caption, close box and menu bar are the framework's own (its non-client handling).
        const int nHit = static_cast<int>(SendMessageA(hTop, WM_NCHITTEST, 0, PointParam(pt.x, pt.y)));
        return nHit == HTNOWHERE ? CScreenHit{} : CScreenHit{hTop, nHit};
    }
    const CScreenHit hit = HitIn(hTop, pt);
    return hit.hWnd != nullptr ? hit : CScreenHit{hTop, HTCLIENT};
}

namespace {

// Two presses of the left button on the same window, this close in time (ms) and place (px either way),
// are a double click, for a window whose class asks for double clicks (CS_DBLCLKS).
constexpr DWORD kDoubleClickTime = 500;
constexpr LONG kDoubleClickReach = 2;

struct CLastPress {
    HWND hWnd = nullptr;
    DWORD nTime = 0;
    POINT pt{};
};
// The last press of the left button (the user-interface thread's), forgotten with its window, so that a
// new window that gets the same handle does not take its first press for a second one.
std::mutex g_lastPressMutex;
CLastPress g_lastPress;

void ForgetLastPress(HWND hWnd) {
    std::lock_guard<std::mutex> lock(g_lastPressMutex);
    if (hWnd == nullptr || g_lastPress.hWnd == hWnd) g_lastPress = CLastPress{};
}

// WM_LBUTTONDBLCLK for the second press of a double click on hWnd's client area, else nMsg.
UINT DoubleClickOf(HWND hWnd, POINT pt, UINT nMsg) {
    if (nMsg != WM_LBUTTONDOWN) return nMsg;
    static const bool bHooked = [] {
        AfxAddWindowDestroyHook(&ForgetLastPress);
        return true;
    }();
    (void)bHooked;
    const DWORD nNow = GetTickCount();
    CLastPress last;
    {
        std::lock_guard<std::mutex> lock(g_lastPressMutex);
        last = g_lastPress;
        g_lastPress = CLastPress{hWnd, nNow, pt};
    }
    if (last.hWnd != hWnd || nNow - last.nTime > kDoubleClickTime ||
        std::abs(pt.x - last.pt.x) > kDoubleClickReach || std::abs(pt.y - last.pt.y) > kDoubleClickReach ||
        !(GetClassLongPtrA(hWnd, GCL_STYLE) & CS_DBLCLKS))
        return nMsg;
    ForgetLastPress(nullptr);  // a third press starts anew
    return WM_LBUTTONDBLCLK;
}

// A mouse message at screen point pt: to the capture window, else to the window under the point, in
// client coordinates over its client area, else as nNcMsg with the hit-test code (0: not delivered).
void DeliverMouse(HWND hTop, POINT pt, UINT nClientMsg, UINT nNcMsg, UINT nKeyFlags) {
    if (HWND hCapture = GetCapture()) {
        POINT c = pt;
        ScreenToClient(hCapture, &c);
        Deliver(hCapture, nClientMsg, nKeyFlags, PointParam(c.x, c.y));
        return;
    }
    if (!Reachable(hTop)) return;
    const CScreenHit hit = AfxScreenHitTest(hTop, pt);
    if (hit.hWnd == nullptr || !Reachable(hit.hWnd)) return;
    if ((nClientMsg == WM_LBUTTONDOWN || nClientMsg == WM_RBUTTONDOWN) &&
        !AfxMouseActivate(hit.hWnd, hit.nHitTest, nClientMsg))
        return;
    if (hit.nHitTest == HTCLIENT) {
        POINT c = pt;
        ScreenToClient(hit.hWnd, &c);
        Deliver(hit.hWnd, DoubleClickOf(hit.hWnd, pt, nClientMsg), nKeyFlags, PointParam(c.x, c.y));
    } else if (nNcMsg != 0) {
        if (nClientMsg == WM_LBUTTONDOWN) ForgetLastPress(nullptr);
        Deliver(hit.hWnd, nNcMsg, static_cast<WPARAM>(hit.nHitTest), PointParam(pt.x, pt.y));
    }
}

}  // namespace

void AfxScreenMouseButton(HWND hTop, POINT pt, CScreenButton nButton, BOOL bDown, UINT nKeyFlags) {
    const bool bLeft = nButton == CScreenButton::Left;
    const UINT nClientMsg =
        bLeft ? (bDown ? WM_LBUTTONDOWN : WM_LBUTTONUP) : (bDown ? WM_RBUTTONDOWN : WM_RBUTTONUP);
    // The framework's non-client handling acts on the left button's WM_NC* messages: the close box (down
    // and up on it), the caption drag, the menu bar's tracking.
    // FIXME: right clicks on the frame (the system menu) are not shown yet.
    const UINT nNcMsg = bLeft ? (bDown ? WM_NCLBUTTONDOWN : WM_NCLBUTTONUP) : 0;
    // What GetAsyncKeyState answers while the message is handled.
    AfxSetAsyncKeyState(bLeft ? VK_LBUTTON : VK_RBUTTON, bDown);
    DeliverMouse(hTop, pt, nClientMsg, nNcMsg, nKeyFlags);
}

void AfxScreenMouseMove(HWND hTop, POINT pt, UINT nKeyFlags) {
    DeliverMouse(hTop, pt, WM_MOUSEMOVE, WM_NCMOUSEMOVE, nKeyFlags);
}

void AfxScreenMouseWheel(HWND hTop, POINT pt, int nDelta, UINT nKeyFlags) {
    // The window holding the capture (a dropped list, a dragged thumb) takes the wheel wherever the
    // pointer is; else the window under the pointer, never the focus elsewhere: a turn of the wheel
    // changes nothing the user is not pointing at. A window that does not take it hands it to its parent.
    HWND hTarget = GetCapture();
    if (hTarget == nullptr) {
        if (!Reachable(hTop)) return;
        hTarget = AfxScreenHitTest(hTop, pt).hWnd;
    }
    if (hTarget == nullptr || !Reachable(hTarget)) return;
    const WPARAM w = MAKEWPARAM(static_cast<WORD>(nKeyFlags), static_cast<WORD>(static_cast<SHORT>(nDelta)));
    Deliver(hTarget, WM_MOUSEWHEEL, w, PointParam(pt.x, pt.y));
}

void AfxScreenKey(HWND hTop, UINT nVirtKey, UINT nChar, BOOL bDown, UINT nScanCode, BOOL bAlt) {
    HWND hTarget = KeyTarget(hTop);
    if (!Reachable(hTarget)) return;
    // Repeat count 1, the scan code, Alt's context bit, and for a release the previous-state and
    // transition bits.
    LPARAM l = 1 | static_cast<LPARAM>((nScanCode & 0xFF) << 16);
    if (bAlt) l |= static_cast<LPARAM>(1) << 29;
    if (!bDown) l |= static_cast<LPARAM>(0xC0000000u);
    const bool bSystem =
        bAlt || nVirtKey == static_cast<UINT>(VK_F10) || nVirtKey == static_cast<UINT>(VK_MENU);
    const UINT nMsg = bSystem ? (bDown ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (bDown ? WM_KEYDOWN : WM_KEYUP);
    Deliver(hTarget, nMsg, nVirtKey, l, bDown ? nChar : 0);
}

void AfxScreenCloseRequest(HWND hTop) {
    if (!Reachable(hTop) || !(GetWindowLongPtrA(hTop, GWL_STYLE) & WS_SYSMENU)) return;
    RECT rc{};
    GetWindowRect(hTop, &rc);
    Deliver(hTop, WM_SYSCOMMAND, SC_CLOSE, PointParam(rc.right - 8, rc.top + 8));
}
