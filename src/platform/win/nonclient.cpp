#include "platform/win/nonclient.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/win/app.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/geometry_internal.h"
#include "platform/win/kernel.h"
#include "platform/win/menu.h"
#include "platform/win/menu_tracking.h"
#include "platform/win/menu_tracking_testing.h"
#include "platform/win/nonclient_internal.h"
#include "platform/win/nonclient_testing.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

namespace {

// Colours of the frame (COLORREF, 0x00BBGGRR).
constexpr COLORREF kActiveCaption = 0xD77800;
constexpr COLORREF kActiveCaptionText = 0xFFFFFF;
constexpr COLORREF kInactiveCaption = 0xDBCDBF;
constexpr COLORREF kInactiveCaptionText = 0x6D6D6D;
constexpr COLORREF kFace = 0xF0F0F0;
constexpr COLORREF kText = 0x000000;
constexpr COLORREF kGrayText = 0x6D6D6D;
constexpr COLORREF kHighlight = 0xD77800;
constexpr COLORREF kHighlightText = 0xFFFFFF;
constexpr int kMenuFontPt10 = 80;
constexpr char kMenuFontFace[] = "MS Shell Dlg";
constexpr int kMenuItemPad = 6;
// Along a sizable frame's edge, this far from a corner counts as the corner.
constexpr int kCornerReach = 16;

struct NcState {
    std::mutex mtx;                         // never held while the window lock is taken or a message is sent
    std::unordered_map<HWND, BOOL> active;  // windows told by WM_NCACTIVATE
    std::unordered_map<HWND, int> hotItem;
    std::unordered_map<HWND, bool> closePressed;
    struct Drag {
        POINT ptStart{};
        RECT rcStart{};
        UINT nEdge = 0;  // WMSZ_* for a frame drag that sizes; 0 for a caption drag that moves
        MINMAXINFO mmi{};
    };
    std::unordered_map<HWND, Drag> drags;
};

// The window whose consent to a frame drag is being asked (AfxPlaceWindowFromOutside), and the answer:
// its default processing of the press found a sizing code instead of starting the drag.
thread_local HWND t_hSizeProbe = nullptr;
thread_local bool t_bSizeProbeAccepted = false;

// The WMSZ_* edge of a sizing hit-test code (HTLEFT..HTBOTTOMRIGHT), 0 for any other code.
UINT SizingEdgeOf(WPARAM nHitTest) {
    return nHitTest >= HTLEFT && nHitTest <= HTBOTTOMRIGHT ? static_cast<UINT>(nHitTest - HTLEFT + WMSZ_LEFT)
                                                           : 0;
}

NcState& N() {
    static NcState* n = new NcState;  // never destroyed: destroy hooks run during exit
    return *n;
}

struct FrameFacts {
    DWORD dwStyle = 0;
    DWORD dwExStyle = 0;
    RECT rcScreen{};
    RECT insets{};
    HMENU hMenu = nullptr;
    bool bHasIcon = false;
    HICON hIcon = nullptr;
    std::string strText;
};

bool FactsOf(HWND hWnd, FrameFacts* f) {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    const winstate::WndRec* r = winstate::Find(s, hWnd);
    if (r == nullptr) return false;
    f->dwStyle = r->dwStyle;
    f->dwExStyle = r->dwExStyle;
    f->rcScreen = winstate::ScreenRect(s, *r);
    f->insets = winstate::NonClientInsets(*r);
    f->hMenu = (r->dwStyle & WS_CHILD) ? nullptr : r->hMenu;
    f->hIcon = r->hIconSmall ? r->hIconSmall : r->hIconBig;
    f->bHasIcon = f->hIcon != nullptr;
    f->strText = r->strText;
    return true;
}

int TextWidth(const std::string& s) {
    return static_cast<int>(s.size()) * AfxFontCharWidth(AfxFontPixelHeight(kMenuFontPt10));
}

struct BarItem {
    std::string strText;  // without the '&'
    int nMnemonic = -1;
    UINT nState = 0;
};

std::vector<BarItem> BarItems(HMENU hMenu) {
    std::vector<BarItem> items;
    if (hMenu == nullptr) return items;
    const int n = GetMenuItemCount(hMenu);
    for (int i = 0; i < n; ++i) {
        char buf[256] = {};
        GetMenuStringA(hMenu, static_cast<UINT>(i), buf, sizeof buf, MF_BYPOSITION);
        BarItem item;
        item.strText = AfxStripMnemonic(buf, &item.nMnemonic, nullptr);
        item.nState = GetMenuState(hMenu, static_cast<UINT>(i), MF_BYPOSITION);
        items.push_back(std::move(item));
    }
    return items;
}

void LayoutFrom(const FrameFacts& f, const std::vector<BarItem>& bar, CNonClientLayout* p) {
    *p = CNonClientLayout{};
    const int w = f.rcScreen.right - f.rcScreen.left, h = f.rcScreen.bottom - f.rcScreen.top;
    p->rcWindow = RECT{0, 0, w, h};
    const bool bFrame = (f.dwStyle & (WS_THICKFRAME | WS_DLGFRAME)) || (f.dwExStyle & WS_EX_DLGMODALFRAME);
    p->nFrame = bFrame ? kFrameWidth : ((f.dwStyle & WS_BORDER) ? kBorderWidth : 0);
    p->bSizable = (f.dwStyle & WS_THICKFRAME) != 0;
    const int n = p->nFrame;
    int y = n;
    if ((f.dwStyle & WS_CAPTION) == WS_CAPTION) {
        const int capH = (f.dwExStyle & WS_EX_TOOLWINDOW) ? kToolCaptionHeight : kCaptionHeight;
        p->rcCaption = RECT{n, n, w - n, n + capH};
        if (f.dwStyle & WS_SYSMENU) {
            const int box = capH - 4;
            p->rcClose = RECT{w - n - 2 - box, n + 2, w - n - 2, n + 2 + box};
            p->rcSysMenu = RECT{n + 2, n + 2, n + 2 + box, n + 2 + box};
        }
        y += capH;
    }
    if (f.hMenu != nullptr) {
        p->rcMenuBar = RECT{n, y, w - n, y + kMenuBarHeight};
        int x = n;
        for (const BarItem& item : bar) {
            const int iw = kMenuItemPad + TextWidth(item.strText) + kMenuItemPad;
            p->menuItems.push_back(RECT{x, y, x + iw, y + kMenuBarHeight});
            x += iw;
        }
    }
    p->rcClient = RECT{f.insets.left, f.insets.top, std::max<LONG>(f.insets.left, w - f.insets.right),
                       std::max<LONG>(f.insets.top, h - f.insets.bottom)};
}

bool IsActive(HWND hWnd) {
    {
        NcState& nc = N();
        std::lock_guard<std::mutex> lock(nc.mtx);
        auto it = nc.active.find(hWnd);
        if (it != nc.active.end()) return it->second != FALSE;
    }
    for (HWND h = GetFocus(); h != nullptr;) {
        if (h == hWnd) return true;
        if (!(GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD)) break;
        h = GetParent(h);
    }
    return false;
}

CDrawOp BaseOp(CDrawOpKind kind, const RECT& rc) {
    CDrawOp op;
    op.nKind = kind;
    op.rc = rc;
    op.bWindowCoords = TRUE;
    static const CFaceName s_menuFace(kMenuFontFace);
    op.strFontFace = s_menuFace;
    op.nFontPointSize10 = kMenuFontPt10;
    op.nFontHeight = AfxFontPixelHeight(kMenuFontPt10);
    op.nBkMode = TRANSPARENT;
    return op;
}

CDrawOp Fill(const RECT& rc, COLORREF cr) {
    CDrawOp op = BaseOp(CDrawOpKind::FillRect, rc);
    op.crBrush = cr;
    return op;
}

CDrawOp Line(int x0, int y0, int x1, int y1, COLORREF cr) {
    CDrawOp op = BaseOp(CDrawOpKind::Line, RECT{x0, y0, x1, y1});
    op.crPen = cr;
    return op;
}

CDrawOp Text(const RECT& rc, const std::string& s, COLORREF cr, UINT nFormat) {
    CDrawOp op = BaseOp(CDrawOpKind::DrawText, rc);
    op.strText = s;
    op.crText = cr;
    op.nFlags = nFormat | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
    return op;
}

// A one-pixel outline just inside rc.
CDrawOp Outline(const RECT& rc, COLORREF cr) {
    CDrawOp op = BaseOp(CDrawOpKind::Rectangle, rc);
    op.bNullBrush = TRUE;
    op.crPen = cr;
    return op;
}

void BuildOps(HWND hWnd, std::vector<CDrawOp>* pOps) {
    pOps->clear();
    FrameFacts f;
    if (!FactsOf(hWnd, &f)) return;
    if (f.dwStyle & WS_CHILD) {
        // A control's border: the sunken client edge, the static edge, the plain border.
        const RECT rc{0, 0, f.rcScreen.right - f.rcScreen.left, f.rcScreen.bottom - f.rcScreen.top};
        if (f.dwExStyle & WS_EX_CLIENTEDGE) {
            CDrawOp edge = BaseOp(CDrawOpKind::Edge, rc);
            edge.nFlags = 1;  // sunken
            pOps->push_back(edge);
        } else if (f.dwExStyle & WS_EX_STATICEDGE) {
            pOps->push_back(Outline(rc, GetSysColor(COLOR_BTNSHADOW)));
        }
        if ((f.dwStyle & WS_BORDER) && !(f.dwStyle & WS_DLGFRAME)) pOps->push_back(Outline(rc, 0x000000));
        return;
    }
    const std::vector<BarItem> bar = BarItems(f.hMenu);
    CNonClientLayout lay;
    LayoutFrom(f, bar, &lay);
    if (lay.nFrame == 0 && IsRectEmpty(&lay.rcCaption) && IsRectEmpty(&lay.rcMenuBar)) return;
    pOps->push_back(Fill(lay.rcWindow, kFace));
    if (lay.nFrame > 0) {
        CDrawOp edge = BaseOp(CDrawOpKind::Edge, lay.rcWindow);
        edge.nFlags = 0;  // raised
        pOps->push_back(edge);
    }
    if (!IsRectEmpty(&lay.rcCaption)) {
        const bool bActive = IsActive(hWnd);
        pOps->push_back(Fill(lay.rcCaption, bActive ? kActiveCaption : kInactiveCaption));
        RECT rcText = lay.rcCaption;
        rcText.left += 4;
        if (!IsRectEmpty(&lay.rcSysMenu)) {
            if (f.bHasIcon) {
                CDrawOp icon = BaseOp(CDrawOpKind::DrawIcon, lay.rcSysMenu);
                icon.hIcon = f.hIcon;
                pOps->push_back(icon);
            }
            rcText.left = lay.rcSysMenu.right + 4;
        }
        if (!IsRectEmpty(&lay.rcClose)) rcText.right = lay.rcClose.left - 4;
        pOps->push_back(Text(rcText, f.strText, bActive ? kActiveCaptionText : kInactiveCaptionText,
                             DT_LEFT | DT_END_ELLIPSIS));
        if (!IsRectEmpty(&lay.rcClose)) {
            const RECT& b = lay.rcClose;
            pOps->push_back(Fill(b, kFace));
            CDrawOp edge = BaseOp(CDrawOpKind::Edge, b);
            pOps->push_back(edge);
            pOps->push_back(Line(b.left + 5, b.top + 5, b.right - 5, b.bottom - 5, kText));
            pOps->push_back(Line(b.right - 5, b.top + 5, b.left + 5, b.bottom - 5, kText));
        }
    }
    if (!IsRectEmpty(&lay.rcMenuBar)) {
        pOps->push_back(Fill(lay.rcMenuBar, kFace));
        const int nHot = AfxGetMenuBarHotItem(hWnd);
        const int cw = AfxFontCharWidth(AfxFontPixelHeight(kMenuFontPt10));
        const int lineH = AfxFontPixelHeight(kMenuFontPt10);
        for (size_t i = 0; i < bar.size() && i < lay.menuItems.size(); ++i) {
            const RECT& rc = lay.menuItems[i];
            const bool bHot = static_cast<int>(i) == nHot;
            const bool bGray = (bar[i].nState & (MF_GRAYED | MF_DISABLED)) != 0;
            if (bHot) pOps->push_back(Fill(rc, kHighlight));
            const COLORREF cr = bGray ? kGrayText : (bHot ? kHighlightText : kText);
            pOps->push_back(Text(rc, bar[i].strText, cr, DT_CENTER));
            if (bar[i].nMnemonic >= 0) {
                const int x = rc.left + kMenuItemPad + bar[i].nMnemonic * cw;
                const int yLine = (rc.top + rc.bottom) / 2 + lineH / 2;
                pOps->push_back(Line(x, yLine, x + cw, yLine, cr));
            }
        }
    }
}

void NonClientWindowGone(HWND hWnd) {
    NcState& nc = N();
    std::lock_guard<std::mutex> lock(nc.mtx);
    nc.active.erase(hWnd);
    nc.hotItem.erase(hWnd);
    nc.closePressed.erase(hWnd);
    nc.drags.erase(hWnd);
}

HWND RootOf(HWND h) {
    while (h != nullptr && (GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD)) {
        HWND p = GetParent(h);
        if (p == nullptr) break;
        h = p;
    }
    return h;
}

void EndDrag(HWND hWnd) {
    bool bHad = false;
    bool bSizing = false;
    {
        NcState& nc = N();
        std::lock_guard<std::mutex> lock(nc.mtx);
        auto it = nc.drags.find(hWnd);
        if (it != nc.drags.end()) {
            bHad = true;
            bSizing = it->second.nEdge != 0;
            nc.drags.erase(it);
        }
    }
    if (bHad && GetCapture() == hWnd) ReleaseCapture();
    if (bSizing && IsWindow(hWnd)) SendMessageA(hWnd, WM_EXITSIZEMOVE, 0, 0);
}

// The rectangle a frame drag asks for: the edges of nEdge moved by (dx, dy), the others kept.
RECT DraggedRect(const RECT& rcStart, UINT nEdge, int dx, int dy) {
    RECT rc = rcStart;
    if (nEdge == WMSZ_LEFT || nEdge == WMSZ_TOPLEFT || nEdge == WMSZ_BOTTOMLEFT) rc.left += dx;
    if (nEdge == WMSZ_RIGHT || nEdge == WMSZ_TOPRIGHT || nEdge == WMSZ_BOTTOMRIGHT) rc.right += dx;
    if (nEdge == WMSZ_TOP || nEdge == WMSZ_TOPLEFT || nEdge == WMSZ_TOPRIGHT) rc.top += dy;
    if (nEdge == WMSZ_BOTTOM || nEdge == WMSZ_BOTTOMLEFT || nEdge == WMSZ_BOTTOMRIGHT) rc.bottom += dy;
    return rc;
}

// A caption drag: the window follows the mouse while it holds the capture and the left button is down.
BOOL DragMove(HWND hWnd, WPARAM wParam, LPARAM lParam) {
    NcState::Drag d;
    {
        NcState& nc = N();
        std::lock_guard<std::mutex> lock(nc.mtx);
        auto it = nc.drags.find(hWnd);
        if (it == nc.drags.end()) return FALSE;
        d = it->second;
    }
    if (GetCapture() != hWnd || !(wParam & MK_LBUTTON)) {
        EndDrag(hWnd);
        return TRUE;
    }
    POINT pt = CPoint(lParam);
    ClientToScreen(hWnd, &pt);
    const int dx = pt.x - d.ptStart.x, dy = pt.y - d.ptStart.y;
    if (d.nEdge != 0) {
        AfxSizeWindowByEdge(hWnd, d.nEdge, DraggedRect(d.rcStart, d.nEdge, dx, dy), d.mmi);
        return TRUE;
    }
    SetWindowPos(hWnd, nullptr, d.rcStart.left + dx, d.rcStart.top + dy, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

int BarItemForMnemonic(HWND hWnd, char ch) {
    const std::vector<BarItem> bar = BarItems(GetMenu(hWnd));
    for (size_t i = 0; i < bar.size(); ++i) {
        const BarItem& b = bar[i];
        if (b.nMnemonic >= 0 &&
            std::tolower(static_cast<unsigned char>(b.strText[static_cast<size_t>(b.nMnemonic)])) ==
                std::tolower(static_cast<unsigned char>(ch)))
            return static_cast<int>(i);
    }
    return -1;
}

BOOL NonClientHook(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (message) {
        case WM_NCHITTEST:
            *pResult = AfxNonClientHitTest(hWnd, CPoint(lParam));
            return TRUE;
        case WM_NCACTIVATE: {
            NcState& nc = N();
            std::lock_guard<std::mutex> lock(nc.mtx);
            nc.active[hWnd] = wParam != 0;
            *pResult = TRUE;
            return TRUE;
        }
        case WM_NCPAINT:
            // The record is built from the window's state whenever it is read: nothing to keep here.
            *pResult = 0;
            return TRUE;
        case WM_NCLBUTTONDOWN: {
            const POINT pt = CPoint(lParam);
            *pResult = 0;
            if (wParam == HTCLOSE) {
                NcState& nc = N();
                std::lock_guard<std::mutex> lock(nc.mtx);
                nc.closePressed[hWnd] = true;
                return TRUE;
            }
            if (wParam == HTCAPTION) {
                RECT rc{};
                GetWindowRect(hWnd, &rc);
                {
                    NcState& nc = N();
                    std::lock_guard<std::mutex> lock(nc.mtx);
                    nc.drags[hWnd] = NcState::Drag{pt, rc};
                }
                SetCapture(hWnd);
                return TRUE;
            }
            if (const UINT nEdge = SizingEdgeOf(wParam);
                nEdge != 0 && (GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_THICKFRAME)) {
                if (hWnd == t_hSizeProbe) {
                    t_bSizeProbeAccepted = true;
                    return TRUE;
                }
                // The frame's sizing: the pressed edge or corner follows the mouse until the button is let
                // go.
                SendMessageA(hWnd, WM_ENTERSIZEMOVE, 0, 0);
                NcState::Drag d;
                d.ptStart = pt;
                GetWindowRect(hWnd, &d.rcStart);
                d.nEdge = nEdge;
                d.mmi = AfxQueryMinMaxInfo(hWnd);
                {
                    NcState& nc = N();
                    std::lock_guard<std::mutex> lock(nc.mtx);
                    nc.drags[hWnd] = d;
                }
                SetCapture(hWnd);
                return TRUE;
            }
            if (wParam == HTMENU) {
                const int nItem = AfxMenuBarItemFromPoint(hWnd, pt);
                if (nItem >= 0) AfxTrackMenuBar(hWnd, nItem, TRUE);
                return TRUE;
            }
            return FALSE;
        }
        case WM_NCLBUTTONUP: {
            bool bPressed = false;
            {
                NcState& nc = N();
                std::lock_guard<std::mutex> lock(nc.mtx);
                bPressed = nc.closePressed.erase(hWnd) != 0;
            }
            *pResult = 0;
            if (bPressed && wParam == HTCLOSE && (GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_SYSMENU)) {
                SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
                return TRUE;
            }
            return FALSE;
        }
        case WM_MOUSEMOVE:
            if (!DragMove(hWnd, wParam, lParam)) return FALSE;
            *pResult = 0;
            return TRUE;
        case WM_LBUTTONUP:
            // The drag ends where the button is let go (a move on the way there may have been merged away).
            DragMove(hWnd, static_cast<WPARAM>(MK_LBUTTON), lParam);
            EndDrag(hWnd);
            return FALSE;
        case WM_CAPTURECHANGED:
            EndDrag(hWnd);
            return FALSE;
        case WM_SYSKEYDOWN: {
            const bool bAlt = (static_cast<DWORD_PTR>(lParam) & (1u << 29)) != 0;
            if (bAlt && wParam == static_cast<WPARAM>(VK_F4)) {
                // Alt+F4 closes the top-level window, as its close box does.
                HWND hRoot = RootOf(hWnd);
                if (hRoot != nullptr && (GetWindowLongPtrA(hRoot, GWL_STYLE) & WS_SYSMENU))
                    SendMessageA(hRoot, WM_SYSCOMMAND, SC_CLOSE, 0);
                *pResult = 0;
                return TRUE;
            }
            const bool bKey = (wParam >= 'A' && wParam <= 'Z') || (wParam >= '0' && wParam <= '9');
            if (wParam != static_cast<WPARAM>(VK_F10) && !(bAlt && bKey)) return FALSE;
            HWND hRoot = RootOf(hWnd);
            if (hRoot == nullptr || GetMenu(hRoot) == nullptr) return FALSE;
            const LPARAM ch = wParam == static_cast<WPARAM>(VK_F10)
                                  ? 0
                                  : static_cast<LPARAM>(std::tolower(static_cast<int>(wParam)));
            SendMessageA(hRoot, WM_SYSCOMMAND, SC_KEYMENU, ch);
            *pResult = 0;
            return TRUE;
        }
        case WM_SYSCOMMAND: {
            if ((wParam & 0xFFF0) != SC_KEYMENU) return FALSE;
            *pResult = 0;
            if (GetMenu(hWnd) == nullptr || !IsWindowEnabled(hWnd)) return TRUE;
            if (lParam == 0) {
                AfxTrackMenuBar(hWnd, 0, FALSE);
            } else {
                const int nItem = BarItemForMnemonic(hWnd, static_cast<char>(lParam));
                if (nItem < 0) {
                    Beep(0, 0);
                } else {
                    AfxTrackMenuBar(hWnd, nItem, TRUE, TRUE);
                }
            }
            return TRUE;
        }
        default:
            return FALSE;
    }
}

// The hit-test of a child first, then of the window itself; see the header.
HWND HitWithin(HWND hParent, POINT pt, LRESULT* pnHit) {
    std::vector<HWND> children;
    {
        winstate::State& s = winstate::S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        const winstate::WndRec* r = winstate::Find(s, hParent);
        if (r == nullptr) return nullptr;
        children = r->children;
    }
    for (HWND hc : children) {
        RECT rc{};
        if (!IsWindow(hc) || !(GetWindowLongPtrA(hc, GWL_STYLE) & WS_VISIBLE) || !GetWindowRect(hc, &rc) ||
            !PtInRect(&rc, pt) || !IsWindowEnabled(hc))
            continue;
        if (HWND hDeeper = HitWithin(hc, pt, pnHit)) return hDeeper;
        const LRESULT n =
            SendMessageA(hc, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
        if (n == HTTRANSPARENT) continue;
        *pnHit = n;
        return hc;
    }
    return nullptr;
}

}  // namespace

std::string AfxStripMnemonic(const std::string& text, int* pnMnemonic, std::string* pAccel) {
    std::string out;
    if (pnMnemonic) *pnMnemonic = -1;
    size_t end = text.find('\t');
    if (pAccel) *pAccel = end == std::string::npos ? std::string() : text.substr(end + 1);
    if (end == std::string::npos) end = text.size();
    for (size_t i = 0; i < end; ++i) {
        if (text[i] == '&' && i + 1 < end) {
            ++i;
            if (text[i] != '&' && pnMnemonic && *pnMnemonic < 0) *pnMnemonic = static_cast<int>(out.size());
        }
        out += text[i];
    }
    return out;
}

BOOL AfxGetNonClientLayout(HWND hWnd, CNonClientLayout* pLayout) {
    FrameFacts f;
    if (pLayout == nullptr || !FactsOf(hWnd, &f)) return FALSE;
    LayoutFrom(f, BarItems(f.hMenu), pLayout);
    return TRUE;
}

LRESULT AfxNonClientHitTest(HWND hWnd, POINT ptScreen) {
    FrameFacts f;
    if (!FactsOf(hWnd, &f)) return HTNOWHERE;
    CNonClientLayout lay;
    LayoutFrom(f, BarItems(f.hMenu), &lay);
    const POINT p{ptScreen.x - f.rcScreen.left, ptScreen.y - f.rcScreen.top};
    if (!PtInRect(&lay.rcWindow, p)) return HTNOWHERE;
    const int n = lay.nFrame, w = lay.rcWindow.right, h = lay.rcWindow.bottom;
    if (lay.bSizable && (p.x < n || p.x >= w - n || p.y < n || p.y >= h - n)) {
        const bool bLeft = p.x < kCornerReach, bRight = p.x >= w - kCornerReach;
        const bool bTop = p.y < kCornerReach, bBottom = p.y >= h - kCornerReach;
        if (bTop && bLeft) return HTTOPLEFT;
        if (bTop && bRight) return HTTOPRIGHT;
        if (bBottom && bLeft) return HTBOTTOMLEFT;
        if (bBottom && bRight) return HTBOTTOMRIGHT;
        if (p.y < n) return HTTOP;
        if (p.y >= h - n) return HTBOTTOM;
        return p.x < n ? HTLEFT : HTRIGHT;
    }
    if (PtInRect(&lay.rcClose, p)) return HTCLOSE;
    if (PtInRect(&lay.rcSysMenu, p)) return HTSYSMENU;
    if (PtInRect(&lay.rcCaption, p)) return HTCAPTION;
    if (PtInRect(&lay.rcMenuBar, p)) return HTMENU;
    if (PtInRect(&lay.rcClient, p)) return HTCLIENT;
    return n > 0 ? HTBORDER : HTNOWHERE;
}

int AfxMenuBarItemFromPoint(HWND hWnd, POINT ptScreen) {
    FrameFacts f;
    if (!FactsOf(hWnd, &f)) return -1;
    CNonClientLayout lay;
    LayoutFrom(f, BarItems(f.hMenu), &lay);
    const POINT p{ptScreen.x - f.rcScreen.left, ptScreen.y - f.rcScreen.top};
    for (size_t i = 0; i < lay.menuItems.size(); ++i)
        if (PtInRect(&lay.menuItems[i], p)) return static_cast<int>(i);
    return -1;
}

std::vector<CDrawOp> AfxGetNonClientDrawOps(HWND hWnd) {
    std::vector<CDrawOp> ops;
    BuildOps(hWnd, &ops);
    return ops;
}

unsigned AfxGetNonClientSerial(HWND hWnd) {
    if (!IsWindow(hWnd)) return 0;
    std::vector<CDrawOp> ops;
    BuildOps(hWnd, &ops);
    std::size_t nHash = 14695981039346656037ull;
    auto mix = [&nHash](std::size_t v) { nHash = (nHash ^ v) * 1099511628211ull; };
    for (const CDrawOp& op : ops) {
        mix(static_cast<std::size_t>(op.nKind));
        mix(static_cast<std::size_t>(op.rc.left) ^ (static_cast<std::size_t>(op.rc.top) << 16) ^
            (static_cast<std::size_t>(op.rc.right) << 32) ^ (static_cast<std::size_t>(op.rc.bottom) << 48));
        mix(op.crBrush ^ (static_cast<std::size_t>(op.crText) << 24) ^
            (static_cast<std::size_t>(op.crPen) << 48));
        mix(std::hash<std::string>{}(op.strText));
    }
    const unsigned nSerial = static_cast<unsigned>(nHash ^ (nHash >> 32));
    return nSerial == 0 ? 1 : nSerial;
}

void AfxSetMenuBarHotItem(HWND hWnd, int nItem) {
    NcState& nc = N();
    std::lock_guard<std::mutex> lock(nc.mtx);
    if (nItem < 0) {
        nc.hotItem.erase(hWnd);
    } else if (IsWindow(hWnd)) {
        nc.hotItem[hWnd] = nItem;
    }
}

int AfxGetMenuBarHotItem(HWND hWnd) {
    NcState& nc = N();
    std::lock_guard<std::mutex> lock(nc.mtx);
    auto it = nc.hotItem.find(hWnd);
    return it == nc.hotItem.end() ? -1 : it->second;
}

HWND AfxWindowFromPointForInput(POINT ptScreen, LRESULT* pnHitTest) {
    LRESULT nDummy = HTNOWHERE;
    LRESULT& nHit = pnHitTest ? *pnHitTest : nDummy;
    nHit = HTNOWHERE;
    std::vector<HWND> tops;
    {
        winstate::State& s = winstate::S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        tops = s.topLevel;
    }
    for (HWND hTop : tops) {
        RECT rc{};
        if (!IsWindow(hTop) || !(GetWindowLongPtrA(hTop, GWL_STYLE) & WS_VISIBLE) || IsIconic(hTop) ||
            !GetWindowRect(hTop, &rc) || !PtInRect(&rc, ptScreen))
            continue;
        if (!IsWindowEnabled(hTop)) {
            nHit = HTERROR;
            return nullptr;
        }
        if (HWND hChild = HitWithin(hTop, ptScreen, &nHit)) return hChild;
        const LRESULT n = SendMessageA(
            hTop, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(ptScreen.x), static_cast<WORD>(ptScreen.y)));
        if (n == HTTRANSPARENT) continue;
        nHit = n;
        return hTop;
    }
    return nullptr;
}

BOOL AfxDeliverMouseInput(UINT nMsg, POINT ptScreen, WPARAM nKeys) {
    if (HWND hCapture = GetCapture()) {
        POINT pt = ptScreen;
        ScreenToClient(hCapture, &pt);
        return winstate::PostInputMessage(hCapture, nMsg, nKeys,
                                          MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
    }
    LRESULT nHit = HTNOWHERE;
    HWND h = AfxWindowFromPointForInput(ptScreen, &nHit);
    if (h == nullptr) return FALSE;
    if ((nMsg == WM_LBUTTONDOWN || nMsg == WM_RBUTTONDOWN) &&
        !AfxMouseActivate(h, static_cast<int>(nHit), nMsg))
        return TRUE;
    if (nHit == HTCLIENT) {
        POINT pt = ptScreen;
        ScreenToClient(h, &pt);
        return winstate::PostInputMessage(h, nMsg, nKeys,
                                          MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
    }
    UINT nNc = 0;
    switch (nMsg) {
        case WM_MOUSEMOVE:
            nNc = WM_NCMOUSEMOVE;
            break;
        case WM_LBUTTONDOWN:
            nNc = WM_NCLBUTTONDOWN;
            break;
        case WM_LBUTTONUP:
            nNc = WM_NCLBUTTONUP;
            break;
        case WM_LBUTTONDBLCLK:
            nNc = WM_NCLBUTTONDBLCLK;
            break;
        default:
            return FALSE;
    }
    return winstate::PostInputMessage(
        h, nNc, static_cast<WPARAM>(nHit),
        MAKELPARAM(static_cast<WORD>(ptScreen.x), static_cast<WORD>(ptScreen.y)));
}

MINMAXINFO AfxQueryMinMaxInfo(HWND hWnd) {
    MINMAXINFO mmi{};
    mmi.ptMaxSize = POINT{GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
    mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    mmi.ptMaxTrackSize = mmi.ptMaxSize;
    SendMessageA(hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    return mmi;
}

RECT AfxSizeWindowByEdge(HWND hWnd, UINT nEdge, const RECT& rcProposed, const MINMAXINFO& mmi) {
    RECT rc = rcProposed;
    // The tracking sizes bound the moving edges; the opposite edges stay.
    const bool bLeft = nEdge == WMSZ_LEFT || nEdge == WMSZ_TOPLEFT || nEdge == WMSZ_BOTTOMLEFT;
    const bool bTop = nEdge == WMSZ_TOP || nEdge == WMSZ_TOPLEFT || nEdge == WMSZ_TOPRIGHT;
    const int w =
        std::clamp(static_cast<int>(rc.right - rc.left), static_cast<int>(mmi.ptMinTrackSize.x),
                   std::max(static_cast<int>(mmi.ptMinTrackSize.x), static_cast<int>(mmi.ptMaxTrackSize.x)));
    const int h =
        std::clamp(static_cast<int>(rc.bottom - rc.top), static_cast<int>(mmi.ptMinTrackSize.y),
                   std::max(static_cast<int>(mmi.ptMinTrackSize.y), static_cast<int>(mmi.ptMaxTrackSize.y)));
    if (bLeft) {
        rc.left = rc.right - w;
    } else {
        rc.right = rc.left + w;
    }
    if (bTop) {
        rc.top = rc.bottom - h;
    } else {
        rc.bottom = rc.top + h;
    }
    SendMessageA(hWnd, WM_SIZING, nEdge, reinterpret_cast<LPARAM>(&rc));
    RECT rcNow{};
    GetWindowRect(hWnd, &rcNow);
    if (!EqualRect(&rc, &rcNow))
        SetWindowPos(hWnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(hWnd, &rcNow);
    return rcNow;
}

BOOL AfxPlaceWindowFromOutside(HWND hWnd, const RECT& rcWanted) {
    RECT rcNow{};
    if (!IsWindow(hWnd) || !GetWindowRect(hWnd, &rcNow) || EqualRect(&rcNow, &rcWanted)) return FALSE;
    const bool bWidth = rcWanted.right - rcWanted.left != rcNow.right - rcNow.left;
    const bool bHeight = rcWanted.bottom - rcWanted.top != rcNow.bottom - rcNow.top;
    if (!bWidth && !bHeight) {
        SetWindowPos(hWnd, nullptr, rcWanted.left, rcWanted.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    if (!(GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_THICKFRAME) || !IsWindowEnabled(hWnd)) return FALSE;
    // The edge that moved; when both opposite edges moved, the window was moved and then sized by its
    // right or bottom edge.
    const int nHoriz = !bWidth ? 0 : (rcWanted.right == rcNow.right ? -1 : 1);
    const int nVert = !bHeight ? 0 : (rcWanted.bottom == rcNow.bottom ? -1 : 1);
    static constexpr UINT kCodes[3][3] = {
        {HTTOPLEFT, HTTOP, HTTOPRIGHT}, {HTLEFT, 0, HTRIGHT}, {HTBOTTOMLEFT, HTBOTTOM, HTBOTTOMRIGHT}};
    const UINT nHit = kCodes[nVert + 1][nHoriz + 1];
    // A point on that part of the frame.
    const LONG x = nHoriz < 0 ? rcNow.left : (nHoriz > 0 ? rcNow.right - 1 : (rcNow.left + rcNow.right) / 2);
    const LONG y = nVert < 0 ? rcNow.top : (nVert > 0 ? rcNow.bottom - 1 : (rcNow.top + rcNow.bottom) / 2);
    // Ask the window as a press of the left button there asks it: its own handling of the press may
    // refuse the edge; its default processing would start the sizing.
    const bool bWasDown = (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0;
    const HWND hOuterProbe = t_hSizeProbe;
    t_hSizeProbe = hWnd;
    t_bSizeProbeAccepted = false;
    AfxSetAsyncKeyState(VK_LBUTTON, TRUE);
    SendMessageA(hWnd, WM_NCLBUTTONDOWN, nHit, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    AfxSetAsyncKeyState(VK_LBUTTON, bWasDown ? TRUE : FALSE);
    const bool bAccepted = t_bSizeProbeAccepted;
    t_hSizeProbe = hOuterProbe;
    t_bSizeProbeAccepted = false;
    if (!bAccepted || !IsWindow(hWnd)) return FALSE;
    SendMessageA(hWnd, WM_ENTERSIZEMOVE, 0, 0);
    AfxSizeWindowByEdge(hWnd, SizingEdgeOf(nHit), rcWanted, AfxQueryMinMaxInfo(hWnd));
    SendMessageA(hWnd, WM_EXITSIZEMOVE, 0, 0);
    return TRUE;
}

void AfxEnsureNonClientHooks() {
    static const bool done = [] {
        AfxAddDefWindowProcHook(&NonClientHook);
        AfxAddWindowDestroyHook(&NonClientWindowGone);
        return true;
    }();
    (void)done;
}
