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
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/win_state.h"

using namespace winctl;

namespace {

struct ScrollState : CWndExtra {
    int nMin = 0;
    int nMax = 100;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

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

void PaintScrollBar(HWND h, const ScrollState& st) {
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(h, &ps);
    RECT rc = ClientOf(h);
    HBRUSH hbr = AskColors(h, hDC, WM_CTLCOLORSCROLLBAR);
    if (hbr) FillRect(hDC, &rc, hbr);
    const bool bVert = (StyleOf(h) & SBS_VERT) != 0;
    const int len = bVert ? rc.bottom - rc.top : rc.right - rc.left;
    const int thick = bVert ? rc.right - rc.left : rc.bottom - rc.top;
    const int track = len - 2 * thick;
    const int range = st.nMax - st.nMin + 1;
    if (track > 0 && range > 0 && IsWindowEnabled(h)) {
        const int thumb = std::max(
            8, st.nPage > 0 ? static_cast<int>(static_cast<long long>(track) * st.nPage / range) : thick);
        const int span = std::max(1, MaxScrollPos(st) - st.nMin);
        const int at =
            thick + static_cast<int>(static_cast<long long>(track - thumb) * (st.nPos - st.nMin) / span);
        HGDIOBJ hOld = SelectObject(hDC, GetSysColorBrush(COLOR_BTNFACE));
        if (bVert) {
            Rectangle(hDC, rc.left, at, rc.right, at + thumb);
        } else {
            Rectangle(hDC, at, rc.top, at + thumb, rc.bottom);
        }
        if (hOld) SelectObject(hDC, hOld);
    }
    EndPaint(h, &ps);
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
        case WM_ENABLE:
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
BOOL ShowScrollBar(HWND hWnd, int wBar, BOOL bShow) {
    if (!IsScrollCtl(hWnd, wBar)) return FALSE;
    ShowWindow(hWnd, bShow ? SW_SHOW : SW_HIDE);
    return TRUE;
}

IMPLEMENT_DYNAMIC(CScrollBar, CWnd)

BOOL CScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateControl(*this, "ScrollBar", nullptr, dwStyle, rect, pParentWnd, nID);
}
int CScrollBar::GetScrollPos() const {
    return ::GetScrollPos(m_hWnd, SB_CTL);
}
int CScrollBar::SetScrollPos(int nPos, BOOL bRedraw) {
    return ::SetScrollPos(m_hWnd, SB_CTL, nPos, bRedraw);
}
void CScrollBar::GetScrollRange(LPINT lpMinPos, LPINT lpMaxPos) const {
    ::GetScrollRange(m_hWnd, SB_CTL, lpMinPos, lpMaxPos);
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
void CScrollBar::ShowScrollBar(BOOL bShow) {
    ::ShowScrollBar(m_hWnd, SB_CTL, bShow);
}
