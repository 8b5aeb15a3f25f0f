// Scroll bar controls, their temporary objects and the scroll functions on handles.
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
#include "platform/win/geometry_internal.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winctl;

namespace {

// What a press of the left button holds: an arrow or page area (repeated on the timer while held), the
// thumb (dragged), or nothing.
enum class ScrollPart { None, LineUp, LineDown, PageUp, PageDown, Thumb };

struct ScrollState : CWndExtra {
    int nMin = 0;
    int nMax = 100;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
    ScrollPart nHeld = ScrollPart::None;
    POINT ptLast{};       // the pointer while the button is held (client coordinates)
    int nGrabOffset = 0;  // pointer minus the thumb's start along the bar, for a drag
};

// Auto-repeat while an arrow or page area is held: a first delay, then a steady rate (ms).
constexpr UINT_PTR kRepeatTimer = 0x5C01;
constexpr UINT kRepeatDelay = 400;
constexpr UINT kRepeatRate = 50;

int MaxScrollPos(const ScrollState& st) {
    const int page = st.nPage > 0 ? static_cast<int>(st.nPage) - 1 : 0;
    return std::max(st.nMin, st.nMax - page);
}
int ClampScrollPos(const ScrollState& st, int nPos) {
    return std::clamp(nPos, st.nMin, MaxScrollPos(st));
}

void SendScroll(HWND h, UINT nCode, int nPos) {
    HWND p = ParentOf(h);
    if (!p) return;
    const UINT msg = (StyleOf(h) & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    SendMessageA(p, msg, MAKEWPARAM(static_cast<WORD>(nCode), static_cast<WORD>(nPos)),
                 reinterpret_cast<LPARAM>(h));
}

// The bar's parts along its length (pixels from the top or left): the arrows are squares at the ends,
// the thumb lies between them, sized by the page (a square without a page, at least 8).
struct ScrollGeometry {
    bool bVert = true;
    int nLength = 0;
    int nThick = 0;
    int nThumbAt = 0;
    int nThumbLen = 0;
    bool bThumb = false;
};

ScrollGeometry GeometryOf(HWND h, const ScrollState& st) {
    ScrollGeometry g;
    const RECT rc = ClientOf(h);
    g.bVert = (StyleOf(h) & SBS_VERT) != 0;
    g.nLength = g.bVert ? rc.bottom - rc.top : rc.right - rc.left;
    g.nThick = std::min(g.bVert ? rc.right - rc.left : rc.bottom - rc.top, g.nLength / 2);
    const int track = g.nLength - 2 * g.nThick;
    const int range = st.nMax - st.nMin + 1;
    if (track <= 0 || range <= 0 || !IsWindowEnabled(h)) return g;
    g.nThumbLen = std::min(
        track, std::max(8, st.nPage > 0 ? static_cast<int>(static_cast<long long>(track) * st.nPage / range)
                                        : g.nThick));
    const int span = std::max(1, MaxScrollPos(st) - st.nMin);
    g.nThumbAt =
        g.nThick + static_cast<int>(static_cast<long long>(track - g.nThumbLen) * (st.nPos - st.nMin) / span);
    g.bThumb = true;
    return g;
}

RECT PartRect(const RECT& rc, const ScrollGeometry& g, int from, int to) {
    return g.bVert ? RECT{rc.left, rc.top + from, rc.right, rc.top + to}
                   : RECT{rc.left + from, rc.top, rc.left + to, rc.bottom};
}

ScrollPart PartAt(HWND h, const ScrollState& st, POINT pt) {
    const RECT rc = ClientOf(h);
    if (!PtInRect(&rc, pt)) return ScrollPart::None;
    const ScrollGeometry g = GeometryOf(h, st);
    const int at = g.bVert ? pt.y - rc.top : pt.x - rc.left;
    if (at < g.nThick) return ScrollPart::LineUp;
    if (at >= g.nLength - g.nThick) return ScrollPart::LineDown;
    if (!g.bThumb) return ScrollPart::None;
    if (at < g.nThumbAt) return ScrollPart::PageUp;
    if (at >= g.nThumbAt + g.nThumbLen) return ScrollPart::PageDown;
    return ScrollPart::Thumb;
}

UINT CodeOf(ScrollPart part) {
    switch (part) {
        case ScrollPart::LineUp:
            return SB_LINEUP;
        case ScrollPart::LineDown:
            return SB_LINEDOWN;
        case ScrollPart::PageUp:
            return SB_PAGEUP;
        default:
            return SB_PAGEDOWN;
    }
}

// The position whose thumb starts at the pointer less the grab offset.
int PosForPointer(HWND h, const ScrollState& st, POINT pt) {
    const ScrollGeometry g = GeometryOf(h, st);
    const RECT rc = ClientOf(h);
    const int at = (g.bVert ? pt.y - rc.top : pt.x - rc.left) - st.nGrabOffset - g.nThick;
    const int free = g.nLength - 2 * g.nThick - g.nThumbLen;
    if (free <= 0) return st.nMin;
    const int span = MaxScrollPos(st) - st.nMin;
    const long long num = static_cast<long long>(std::clamp(at, 0, free)) * span;
    return st.nMin + static_cast<int>((num + free / 2) / free);
}

void PaintScrollBar(HWND h, const ScrollState& st) {
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(h, &ps);
    RECT rc = ClientOf(h);
    HBRUSH hbr = AskColors(h, hDC, WM_CTLCOLORSCROLLBAR);
    if (hbr) FillRect(hDC, &rc, hbr);
    const ScrollGeometry g = GeometryOf(h, st);
    if (g.nThick > 0) {
        const RECT rcUp = PartRect(rc, g, 0, g.nThick);
        const RECT rcDown = PartRect(rc, g, g.nLength - g.nThick, g.nLength);
        DrawArrowButton(hDC, rcUp, g.bVert ? kArrowUp : kArrowLeft, st.nHeld == ScrollPart::LineUp);
        DrawArrowButton(hDC, rcDown, g.bVert ? kArrowDown : kArrowRight, st.nHeld == ScrollPart::LineDown);
    }
    if (g.bThumb) {
        HGDIOBJ hOld = SelectObject(hDC, GetSysColorBrush(COLOR_BTNFACE));
        const RECT r = PartRect(rc, g, g.nThumbAt, g.nThumbAt + g.nThumbLen);
        Rectangle(hDC, r.left, r.top, r.right, r.bottom);
        if (hOld) SelectObject(hDC, hOld);
    }
    EndPaint(h, &ps);
}

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                 static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
}

void EndHold(HWND h, ScrollState& st) {
    if (st.nHeld == ScrollPart::None) return;
    const ScrollPart held = std::exchange(st.nHeld, ScrollPart::None);
    KillTimer(h, kRepeatTimer);
    if (GetCapture() == h) ReleaseCapture();
    InvalidateRect(h, nullptr, TRUE);
    if (held == ScrollPart::Thumb) SendScroll(h, SB_THUMBPOSITION, st.nTrackPos);
    SendScroll(h, SB_ENDSCROLL, st.nPos);
}

}  // namespace

namespace winctl {

LRESULT ScrollBarProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) InstallTempObject<CScrollBar>(h);
    ScrollState& st = StateOf<ScrollState>(h);
    switch (msg) {
        case SBM_SETPOS: {
            const int prev = st.nPos;
            st.nPos = ClampScrollPos(st, static_cast<int>(static_cast<LONG_PTR>(wParam)));
            if (lParam && st.nPos != prev) InvalidateRect(h, nullptr, TRUE);
            return prev;
        }
        case SBM_GETPOS:
            return st.nPos;
        case SBM_SETRANGE:
        case SBM_SETRANGEREDRAW: {
            const int prev = st.nPos;
            st.nMin = static_cast<int>(static_cast<LONG_PTR>(wParam));
            st.nMax = static_cast<int>(lParam);
            if (st.nMax < st.nMin) std::swap(st.nMin, st.nMax);
            st.nPos = ClampScrollPos(st, st.nPos);
            if (msg == SBM_SETRANGEREDRAW) InvalidateRect(h, nullptr, TRUE);
            return prev;
        }
        case SBM_GETRANGE:
            if (wParam) *reinterpret_cast<int*>(wParam) = st.nMin;
            if (lParam) *reinterpret_cast<int*>(lParam) = st.nMax;
            return 0;
        case SBM_SETSCROLLINFO: {
            const SCROLLINFO* si = reinterpret_cast<const SCROLLINFO*>(lParam);
            if (si == nullptr) return st.nPos;
            if (si->fMask & SIF_RANGE) {
                st.nMin = si->nMin;
                st.nMax = std::max(si->nMin, si->nMax);
            }
            if (si->fMask & SIF_PAGE) {
                const long long span = static_cast<long long>(st.nMax) - st.nMin + 1;
                st.nPage = static_cast<UINT>(std::min<long long>(si->nPage, span));
            }
            if (si->fMask & SIF_POS) st.nPos = si->nPos;
            st.nPos = ClampScrollPos(st, st.nPos);
            if (wParam) InvalidateRect(h, nullptr, TRUE);
            return st.nPos;
        }
        case SBM_GETSCROLLINFO: {
            SCROLLINFO* si = reinterpret_cast<SCROLLINFO*>(lParam);
            if (si == nullptr) return FALSE;
            if (si->fMask & SIF_RANGE) {
                si->nMin = st.nMin;
                si->nMax = st.nMax;
            }
            if (si->fMask & SIF_PAGE) si->nPage = st.nPage;
            if (si->fMask & SIF_POS) si->nPos = st.nPos;
            if (si->fMask & SIF_TRACKPOS) si->nTrackPos = st.nTrackPos;
            return TRUE;
        }
        case WM_SIM_SCROLL:
            if (!IsWindowEnabled(h)) return FALSE;
            SendScroll(h, static_cast<UINT>(wParam), st.nPos);
            SendScroll(h, SB_ENDSCROLL, st.nPos);
            return TRUE;
        case WM_SIM_THUMBDRAG: {
            if (!IsWindowEnabled(h)) return FALSE;
            // The thumb cannot be dragged outside the range.
            const int pos = ClampScrollPos(st, static_cast<int>(static_cast<LONG_PTR>(wParam)));
            st.nTrackPos = pos;
            SendScroll(h, SB_THUMBTRACK, pos);
            SendScroll(h, SB_THUMBPOSITION, pos);
            SendScroll(h, SB_ENDSCROLL, pos);
            return TRUE;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            if (!IsWindowEnabled(h) || st.nHeld != ScrollPart::None) return 0;
            const POINT pt = PointOf(lParam);
            const ScrollPart part = PartAt(h, st, pt);
            if (part == ScrollPart::None) return 0;
            st.nHeld = part;
            st.ptLast = pt;
            SetCapture(h);
            InvalidateRect(h, nullptr, TRUE);
            if (part == ScrollPart::Thumb) {
                const ScrollGeometry g = GeometryOf(h, st);
                const RECT rc = ClientOf(h);
                st.nGrabOffset = (g.bVert ? pt.y - rc.top : pt.x - rc.left) - g.nThumbAt;
                st.nTrackPos = st.nPos;
                return 0;
            }
            SendScroll(h, CodeOf(part), st.nPos);
            SetTimer(h, kRepeatTimer, kRepeatDelay, nullptr);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (st.nHeld == ScrollPart::None) return 0;
            st.ptLast = PointOf(lParam);
            if (st.nHeld == ScrollPart::Thumb) {
                const int pos = PosForPointer(h, st, st.ptLast);
                if (pos != st.nTrackPos) {
                    st.nTrackPos = pos;
                    SendScroll(h, SB_THUMBTRACK, pos);
                }
            }
            return 0;
        case WM_LBUTTONUP:
            EndHold(h, st);
            return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != h) EndHold(h, st);
            return 0;
        case WM_TIMER:
            if (wParam != kRepeatTimer) return DefWindowProcA(h, msg, wParam, lParam);
            SetTimer(h, kRepeatTimer, kRepeatRate, nullptr);
            // A page area repeats only while the pointer is still on it (the thumb moves toward it).
            if (st.nHeld != ScrollPart::None && st.nHeld != ScrollPart::Thumb &&
                PartAt(h, st, st.ptLast) == st.nHeld)
                SendScroll(h, CodeOf(st.nHeld), st.nPos);
            return 0;
        case WM_MOUSEWHEEL: {
            if (!IsWindowEnabled(h)) return 0;
            const int notches = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(wParam))) / WHEEL_DELTA;
            if (notches == 0) return 0;
            for (int i = 0; i < std::abs(notches); ++i)
                SendScroll(h, notches > 0 ? SB_LINEUP : SB_LINEDOWN, st.nPos);
            SendScroll(h, SB_ENDSCROLL, st.nPos);
            return 0;
        }
        case WM_KILLFOCUS:
        case WM_DESTROY:
            KillTimer(h, kRepeatTimer);
            return DefWindowProcA(h, msg, wParam, lParam);
        case WM_ENABLE:
            if (!wParam) EndHold(h, st);
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        case WM_PAINT:
            PaintScrollBar(h, st);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

}  // namespace winctl

namespace {

// Temporary CScrollBar objects for scroll bars without a permanent object, dropped with the window.
struct TempScrollBars {
    std::mutex mtx;
    std::unordered_map<HWND, std::unique_ptr<CScrollBar>> map;
};
TempScrollBars& Temps() {
    static TempScrollBars* t = new TempScrollBars;
    return *t;
}

}  // namespace

namespace winctl {

void ControlWindowGone(HWND hWnd) {
    std::unique_ptr<CScrollBar> p;
    {
        std::lock_guard<std::mutex> lock(Temps().mtx);
        auto it = Temps().map.find(hWnd);
        if (it == Temps().map.end()) return;
        p = std::move(it->second);
        Temps().map.erase(it);
    }
    p->m_hWnd = nullptr;
}

}  // namespace winctl

CScrollBar* AfxScrollBarFromHandle(HWND hWnd) {
    if (hWnd == nullptr || !IsWindow(hWnd)) return nullptr;
    if (CScrollBar* p = dynamic_cast<CScrollBar*>(CWnd::FromHandle(hWnd))) return p;
    std::lock_guard<std::mutex> lock(Temps().mtx);
    auto& p = Temps().map[hWnd];
    if (!p) {
        p = std::make_unique<CScrollBar>();
        p->m_hWnd = hWnd;
    }
    return p.get();
}

// ---- Scroll functions on handles ----
namespace {
bool IsScrollCtl(HWND h, int nBar) {
    return nBar == SB_CTL && IsWindow(h);
}
}  // namespace

int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw) {
    if (!IsScrollCtl(hWnd, nBar)) return 0;
    return static_cast<int>(SendMessageA(hWnd, SBM_SETPOS, static_cast<WPARAM>(nPos), bRedraw));
}
int GetScrollPos(HWND hWnd, int nBar) {
    return IsScrollCtl(hWnd, nBar) ? static_cast<int>(SendMessageA(hWnd, SBM_GETPOS, 0, 0)) : 0;
}
BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw) {
    if (!IsScrollCtl(hWnd, nBar)) return FALSE;
    SendMessageA(hWnd, bRedraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, static_cast<WPARAM>(nMinPos), nMaxPos);
    return TRUE;
}
BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos) {
    if (!IsScrollCtl(hWnd, nBar)) return FALSE;
    SendMessageA(hWnd, SBM_GETRANGE, reinterpret_cast<WPARAM>(lpMinPos), reinterpret_cast<LPARAM>(lpMaxPos));
    return TRUE;
}
int SetScrollInfo(HWND hWnd, int nBar, LPCSCROLLINFO lpsi, BOOL bRedraw) {
    if (!IsScrollCtl(hWnd, nBar)) return 0;
    return static_cast<int>(SendMessageA(hWnd, SBM_SETSCROLLINFO, bRedraw, reinterpret_cast<LPARAM>(lpsi)));
}
BOOL GetScrollInfo(HWND hWnd, int nBar, LPSCROLLINFO lpsi) {
    if (!IsScrollCtl(hWnd, nBar)) return FALSE;
    return static_cast<BOOL>(SendMessageA(hWnd, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(lpsi)));
}

IMPLEMENT_DYNAMIC(CScrollBar, CWnd)

int CScrollBar::GetScrollPos() const {
    return ::GetScrollPos(m_hWnd, SB_CTL);
}
int CScrollBar::SetScrollPos(int nPos, BOOL bRedraw) {
    return ::SetScrollPos(m_hWnd, SB_CTL, nPos, bRedraw);
}
void CScrollBar::SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw) {
    ::SetScrollRange(m_hWnd, SB_CTL, nMinPos, nMaxPos, bRedraw);
}
BOOL CScrollBar::SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw) {
    if (lpScrollInfo == nullptr) return FALSE;
    ::SetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo, bRedraw);
    return TRUE;
}
BOOL CScrollBar::GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask) {
    if (lpScrollInfo == nullptr) return FALSE;
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    lpScrollInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo);
}
int CScrollBar::GetScrollLimit() {
    SCROLLINFO si{};
    if (!GetScrollInfo(&si, SIF_RANGE | SIF_PAGE)) return 0;
    const int page = si.nPage > 0 ? static_cast<int>(si.nPage) - 1 : 0;
    return std::max(si.nMin, si.nMax - page);
}
