#include "platform/win/menu_tracking.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/app_internal.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/geometry_internal.h"
#include "platform/win/menu.h"
#include "platform/win/menu_testing.h"
#include "platform/win/menu_tracking_internal.h"
#include "platform/win/menu_tracking_testing.h"
#include "platform/win/message_loop.h"
#include "platform/win/nonclient.h"
#include "platform/win/nonclient_internal.h"
#include "platform/win/nonclient_testing.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"

namespace {

// Popup geometry (client pixels; the popup has a 1 px border).
constexpr int kItemHeight = 20;
constexpr int kSeparatorHeight = 8;
constexpr int kMarkColumn = 24;   // check and radio marks
constexpr int kArrowColumn = 24;  // a submenu's arrow
constexpr int kAccelGap = 24;     // between the text and its accelerator text
constexpr int kPopupFontPt10 = 80;
constexpr char kPopupFontFace[] = "MS Shell Dlg";

struct PopupItem {
    std::string strText;  // without '&'
    std::string strAccel;
    int nMnemonic = -1;
    UINT nState = 0;
    UINT nID = 0;
    HMENU hSub = nullptr;
    bool bSeparator = false;
    int nTop = 0;
    int nBottom = 0;

    bool Selectable() const { return !bSeparator; }
    bool Grayed() const { return (nState & (MF_GRAYED | MF_DISABLED)) != 0; }
};

// What a popup window paints; owned by the popup, written by the tracking on the same thread.
struct PopupExtra : CWndExtra {
    std::vector<PopupItem> items;
    int nSel = -1;
};

int CharWidth() {
    return AfxFontCharWidth(AfxFontPixelHeight(kPopupFontPt10));
}

std::vector<PopupItem> ReadItems(HMENU hMenu) {
    std::vector<PopupItem> items;
    const int n = GetMenuItemCount(hMenu);
    int y = 0;
    for (int i = 0; i < n; ++i) {
        PopupItem it;
        const UINT nPos = static_cast<UINT>(i);
        it.hSub = GetSubMenu(hMenu, i);
        it.nState = GetMenuState(hMenu, nPos, MF_BYPOSITION);
        // A submenu's item count is in the high byte of its state; only the low byte holds its flags
        // (a count of 8 to 15 would read as MF_SEPARATOR).
        if (it.hSub != nullptr) it.nState &= 0xFF;
        it.bSeparator = (it.nState & MF_SEPARATOR) != 0;
        it.nID = GetMenuItemID(hMenu, i);
        if (!it.bSeparator) {
            char buf[256] = {};
            GetMenuStringA(hMenu, nPos, buf, sizeof buf, MF_BYPOSITION);
            it.strText = AfxStripMnemonic(buf, &it.nMnemonic, &it.strAccel);
        }
        it.nTop = y;
        y += it.bSeparator ? kSeparatorHeight : kItemHeight;
        it.nBottom = y;
        items.push_back(std::move(it));
    }
    return items;
}

SIZE PopupClientSize(const std::vector<PopupItem>& items) {
    int nText = 0, nAccel = 0;
    for (const PopupItem& it : items) {
        nText = std::max(nText, static_cast<int>(it.strText.size()) * CharWidth());
        nAccel = std::max(nAccel, static_cast<int>(it.strAccel.size()) * CharWidth());
    }
    const int cx = kMarkColumn + nText + (nAccel > 0 ? kAccelGap + nAccel : 0) + kArrowColumn;
    return SIZE{cx, items.empty() ? kItemHeight / 2 : items.back().nBottom};
}

void PaintPopup(HWND h) {
    PAINTSTRUCT ps{};
    HDC hdc = BeginPaint(h, &ps);
    if (hdc == nullptr) return;
    PopupExtra* px = AfxGetWndExtraAs<PopupExtra>(h);
    RECT rcClient{};
    GetClientRect(h, &rcClient);
    FillRect(hdc, &rcClient, GetSysColorBrush(COLOR_BTNFACE));
    if (px != nullptr) {
        CFont font;
        font.CreatePointFont(kPopupFontPt10, kPopupFontFace);
        HGDIOBJ hOldFont = SelectObject(hdc, font.m_hObject);
        SetBkMode(hdc, TRANSPARENT);
        const int cw = CharWidth(), lineH = AfxFontPixelHeight(kPopupFontPt10);
        for (size_t i = 0; i < px->items.size(); ++i) {
            const PopupItem& it = px->items[i];
            RECT rc{0, it.nTop, rcClient.right, it.nBottom};
            if (it.bSeparator) {
                HPEN hPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
                HGDIOBJ hOld = SelectObject(hdc, hPen);
                MoveToEx(hdc, 2, (rc.top + rc.bottom) / 2, nullptr);
                LineTo(hdc, rc.right - 2, (rc.top + rc.bottom) / 2);
                SelectObject(hdc, hOld);
                DeleteObject(hPen);
                continue;
            }
            const bool bSel = static_cast<int>(i) == px->nSel;
            if (bSel) FillRect(hdc, &rc, GetSysColorBrush(COLOR_HIGHLIGHT));
            const COLORREF cr = it.Grayed() ? GetSysColor(COLOR_GRAYTEXT)
                                            : GetSysColor(bSel ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
            SetTextColor(hdc, cr);
            HPEN hPen = CreatePen(PS_SOLID, 1, cr);
            HBRUSH hBrush = CreateSolidBrush(cr);
            HGDIOBJ hOldPen = SelectObject(hdc, hPen);
            HGDIOBJ hOldBrush = SelectObject(hdc, hBrush);
            const int yMid = (rc.top + rc.bottom) / 2;
            if (it.nState & MF_CHECKED) {
                if (it.nState & MFT_RADIOCHECK) {
                    Ellipse(hdc, 9, yMid - 3, 16, yMid + 4);  // the radio mark: a bullet
                } else {
                    MoveToEx(hdc, 8, yMid, nullptr);  // the check mark: a tick
                    LineTo(hdc, 11, yMid + 3);
                    LineTo(hdc, 17, yMid - 4);
                }
            }
            RECT rcText{kMarkColumn, rc.top, rc.right - kArrowColumn, rc.bottom};
            DrawTextA(hdc, it.strText.c_str(), -1, &rcText,
                      DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            if (it.nMnemonic >= 0) {
                const int x = kMarkColumn + it.nMnemonic * cw;
                MoveToEx(hdc, x, yMid + lineH / 2, nullptr);
                LineTo(hdc, x + cw, yMid + lineH / 2);
            }
            if (!it.strAccel.empty())
                DrawTextA(hdc, it.strAccel.c_str(), -1, &rcText,
                          DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            if (it.hSub != nullptr) {
                const int x = rc.right - kArrowColumn / 2;  // the submenu arrow: a chevron pointing right
                MoveToEx(hdc, x - 2, yMid - 4, nullptr);
                LineTo(hdc, x + 2, yMid);
                LineTo(hdc, x - 2, yMid + 4);
            }
            SelectObject(hdc, hOldBrush);
            SelectObject(hdc, hOldPen);
            DeleteObject(hBrush);
            DeleteObject(hPen);
        }
        SelectObject(hdc, hOldFont);
    }
    EndPaint(h, &ps);
}

LRESULT CALLBACK PopupProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT:
            PaintPopup(h);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint fills the whole client area
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;  // a click on a menu leaves the activation where it is
        default:
            return DefWindowProcA(h, msg, wParam, lParam);
    }
}

void EnsurePopupClass() {
    static const bool done = [] {
        WNDCLASSA wc{};
        wc.style = CS_SAVEBITS;
        wc.lpfnWndProc = &PopupProc;
        wc.lpszClassName = kMenuPopupClass;
        AfxRegisterSystemClass(&wc);
        return true;
    }();
    (void)done;
}

struct Level {
    HMENU hMenu = nullptr;
    HWND hPopup = nullptr;
    std::vector<PopupItem> items;
    int nSel = -1;
};

class CMenuTracker {
  public:
    CMenuTracker(HWND hOwner, HMENU hBar) : m_hOwner(hOwner), m_hBar(hBar) {}
    ~CMenuTracker() { CloseFrom(0); }

    HWND m_hOwner;
    HMENU m_hBar;
    int m_nBar = -1;
    std::vector<Level> m_levels;
    bool m_bDone = false;
    UINT m_nChosen = 0;
    HMENU m_hChosenMenu = nullptr;
    int m_nChosenPos = -1;

    int BarCount() const { return std::max(0, GetMenuItemCount(m_hBar)); }

    void SelectBar(int nItem, bool bOpen, bool bSelectFirst) {
        const int n = BarCount();
        if (n == 0) {
            m_bDone = true;
            return;
        }
        nItem = ((nItem % n) + n) % n;
        CloseFrom(0);
        m_nBar = nItem;
        AfxSetMenuBarHotItem(m_hOwner, nItem);
        if (bOpen) OpenBarPopup(bSelectFirst);
    }

    void OpenBarPopup(bool bSelectFirst) {
        HMENU hSub = GetSubMenu(m_hBar, m_nBar);
        if (hSub == nullptr) return;
        if (GetMenuState(m_hBar, static_cast<UINT>(m_nBar), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED))
            return;
        CNonClientLayout lay;
        RECT rcWnd{};
        if (!AfxGetNonClientLayout(m_hOwner, &lay) || static_cast<size_t>(m_nBar) >= lay.menuItems.size() ||
            !GetWindowRect(m_hOwner, &rcWnd))
            return;
        const RECT& rcItem = lay.menuItems[static_cast<size_t>(m_nBar)];
        Open(hSub, static_cast<UINT>(m_nBar), POINT{rcWnd.left + rcItem.left, rcWnd.top + rcItem.bottom},
             bSelectFirst);
    }

    // Opens hMenu's popup with its top-left corner at ptScreen.
    void Open(HMENU hMenu, UINT nIndex, POINT ptScreen, bool bSelectFirst) {
        SendMessageA(m_hOwner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hMenu),
                     MAKELPARAM(static_cast<WORD>(nIndex), 0));
        if (m_bDone || !IsWindow(m_hOwner) || !IsMenu(hMenu)) return;
        Level lv;
        lv.hMenu = hMenu;
        lv.items = ReadItems(hMenu);
        const SIZE sz = PopupClientSize(lv.items);
        EnsurePopupClass();
        lv.hPopup = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kMenuPopupClass, "",
                                    WS_POPUP | WS_BORDER, ptScreen.x, ptScreen.y, sz.cx + 2 * kBorderWidth,
                                    sz.cy + 2 * kBorderWidth, m_hOwner, nullptr, nullptr, nullptr);
        if (lv.hPopup == nullptr) return;
        auto px = std::make_unique<PopupExtra>();
        px->items = lv.items;
        AfxSetWndExtra(lv.hPopup, std::move(px));
        m_levels.push_back(std::move(lv));
        if (bSelectFirst) Move(+1);
        ShowWindow(m_levels.back().hPopup, SW_SHOWNOACTIVATE);
    }

    void CloseFrom(size_t nLevel) {
        while (m_levels.size() > nLevel) {
            HWND h = m_levels.back().hPopup;
            m_levels.pop_back();
            if (IsWindow(h)) DestroyWindow(h);
        }
    }

    void SetSel(Level& lv, int nSel) {
        if (lv.nSel == nSel) return;
        lv.nSel = nSel;
        if (PopupExtra* px = AfxGetWndExtraAs<PopupExtra>(lv.hPopup)) px->nSel = nSel;
        InvalidateRect(lv.hPopup, nullptr, TRUE);
    }

    // Selection in the innermost popup moves by nStep, over separators, wrapping round.
    void Move(int nStep) {
        if (m_levels.empty()) return;
        Level& lv = m_levels.back();
        const int n = static_cast<int>(lv.items.size());
        int i = lv.nSel;
        for (int k = 0; k < n; ++k) {
            i = i < 0 ? (nStep > 0 ? 0 : n - 1) : ((i + nStep) % n + n) % n;
            if (lv.items[static_cast<size_t>(i)].Selectable()) {
                SetSel(lv, i);
                return;
            }
        }
    }

    // Opens the submenu of the selected item of level nLevel beside it.
    void OpenSub(size_t nLevel, bool bSelectFirst) {
        Level& lv = m_levels[nLevel];
        if (lv.nSel < 0) return;
        const PopupItem& it = lv.items[static_cast<size_t>(lv.nSel)];
        if (it.hSub == nullptr || it.Grayed()) return;
        RECT rc{};
        GetWindowRect(lv.hPopup, &rc);
        const HMENU hSub = it.hSub;
        const UINT nPos = static_cast<UINT>(lv.nSel);
        Open(hSub, nPos, POINT{rc.right, rc.top + it.nTop}, bSelectFirst);
    }

    // Enter or a click on the selected item of level nLevel.
    void Activate(size_t nLevel, bool bSelectFirst) {
        Level& lv = m_levels[nLevel];
        if (lv.nSel < 0) return;
        const PopupItem& it = lv.items[static_cast<size_t>(lv.nSel)];
        if (it.Grayed() || it.bSeparator) return;
        if (it.hSub != nullptr) {
            if (m_levels.size() == nLevel + 1) OpenSub(nLevel, bSelectFirst);
            return;
        }
        m_nChosen = it.nID;
        m_hChosenMenu = lv.hMenu;
        m_nChosenPos = lv.nSel;
        m_bDone = true;
    }

    void OnKey(UINT nVk) {
        switch (nVk) {
            case VK_ESCAPE:
                if (m_levels.empty()) {
                    m_bDone = true;
                } else {
                    CloseFrom(m_levels.size() - 1);
                }
                return;
            case VK_F10:
            case VK_MENU:
                m_bDone = true;
                return;
            case VK_LEFT:
                if (m_levels.size() > 1) {
                    CloseFrom(m_levels.size() - 1);
                } else {
                    SelectBar(m_nBar - 1, !m_levels.empty(), true);
                }
                return;
            case VK_RIGHT:
                if (!m_levels.empty()) {
                    const Level& lv = m_levels.back();
                    if (lv.nSel >= 0 && lv.items[static_cast<size_t>(lv.nSel)].hSub != nullptr &&
                        !lv.items[static_cast<size_t>(lv.nSel)].Grayed()) {
                        OpenSub(m_levels.size() - 1, true);
                        return;
                    }
                }
                SelectBar(m_nBar + 1, !m_levels.empty(), true);
                return;
            case VK_UP:
            case VK_DOWN:
                if (m_levels.empty()) {
                    OpenBarPopup(true);
                } else {
                    Move(nVk == VK_DOWN ? +1 : -1);
                }
                return;
            case VK_RETURN:
                if (m_levels.empty()) {
                    ChooseBarCommandOrOpen();
                } else {
                    Activate(m_levels.size() - 1, true);
                }
                return;
            default:
                break;
        }
        const bool bLetter = (nVk >= 'A' && nVk <= 'Z') || (nVk >= '0' && nVk <= '9');
        if (!bLetter) return;
        const char ch = static_cast<char>(std::tolower(static_cast<int>(nVk)));
        if (m_levels.empty()) {
            for (int i = 0; i < BarCount(); ++i) {
                char buf[256] = {};
                GetMenuStringA(m_hBar, static_cast<UINT>(i), buf, sizeof buf, MF_BYPOSITION);
                int nMn = -1;
                const std::string s = AfxStripMnemonic(buf, &nMn, nullptr);
                if (nMn >= 0 && std::tolower(static_cast<unsigned char>(s[static_cast<size_t>(nMn)])) == ch) {
                    SelectBar(i, true, true);
                    return;
                }
            }
            return;
        }
        Level& lv = m_levels.back();
        for (size_t i = 0; i < lv.items.size(); ++i) {
            const PopupItem& it = lv.items[i];
            if (it.nMnemonic >= 0 && std::tolower(static_cast<unsigned char>(
                                         it.strText[static_cast<size_t>(it.nMnemonic)])) == ch) {
                SetSel(lv, static_cast<int>(i));
                Activate(m_levels.size() - 1, true);
                return;
            }
        }
    }

    void ChooseBarCommandOrOpen() {
        if (GetSubMenu(m_hBar, m_nBar) != nullptr) {
            OpenBarPopup(true);
            return;
        }
        const UINT nState = GetMenuState(m_hBar, static_cast<UINT>(m_nBar), MF_BYPOSITION);
        if (nState & (MF_GRAYED | MF_DISABLED)) return;
        m_nChosen = GetMenuItemID(m_hBar, m_nBar);
        m_hChosenMenu = m_hBar;
        m_nChosenPos = m_nBar;
        m_bDone = true;
    }

    void OnMouse(UINT msg, POINT pt) {
        const bool bDown = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_NCLBUTTONDOWN ||
                           msg == WM_LBUTTONDBLCLK || msg == WM_NCLBUTTONDBLCLK;
        const bool bUp = msg == WM_LBUTTONUP || msg == WM_NCLBUTTONUP || msg == WM_RBUTTONUP;
        for (size_t l = m_levels.size(); l-- > 0;) {
            RECT rc{};
            if (!GetWindowRect(m_levels[l].hPopup, &rc) || !PtInRect(&rc, pt)) continue;
            POINT pc = pt;
            ScreenToClient(m_levels[l].hPopup, &pc);
            int nItem = -1;
            for (size_t i = 0; i < m_levels[l].items.size(); ++i)
                if (pc.y >= m_levels[l].items[i].nTop && pc.y < m_levels[l].items[i].nBottom)
                    nItem = static_cast<int>(i);
            if (nItem < 0 || !m_levels[l].items[static_cast<size_t>(nItem)].Selectable()) return;
            if (m_levels[l].nSel != nItem || m_levels.size() > l + 1) {
                CloseFrom(l + 1);
                SetSel(m_levels[l], nItem);
                OpenSub(l, false);
            }
            if (bUp) Activate(l, false);
            return;
        }
        const int nBar = IsOverBar(pt) ? AfxMenuBarItemFromPoint(m_hOwner, pt) : -1;
        if (nBar >= 0) {
            if (bDown && nBar == m_nBar && !m_levels.empty()) {
                m_bDone = true;
            } else if (nBar != m_nBar && (bDown || !m_levels.empty())) {
                SelectBar(nBar, true, false);
            } else if (bDown && m_levels.empty()) {
                OpenBarPopup(false);
            }
            return;
        }
        if (bDown) m_bDone = true;
    }

    bool IsOverBar(POINT pt) const { return AfxNonClientHitTest(m_hOwner, pt) == HTMENU; }
};

thread_local CMenuTracker* t_pTracker = nullptr;

std::mutex g_choiceHookMutex;
AFX_MENU_CHOICE_HOOK g_choiceHook;

// The texts of the items from hMenu down to the item at nPos of hTarget; false when hTarget is not in it.
bool PathTo(HMENU hMenu, HMENU hTarget, int nPos, std::vector<std::string>& path, int nDepth = 0) {
    if (hMenu == nullptr || nDepth > 16) return false;
    const int nCount = GetMenuItemCount(hMenu);
    for (int i = 0; i < nCount; ++i) {
        char szText[256] = {};
        GetMenuStringA(hMenu, static_cast<UINT>(i), szText, sizeof szText, MF_BYPOSITION);
        path.emplace_back(szText);
        if (hMenu == hTarget && i == nPos) return true;
        if (PathTo(GetSubMenu(hMenu, i), hTarget, nPos, path, nDepth + 1)) return true;
        path.pop_back();
    }
    return false;
}

bool IsKeyMessage(UINT m) {
    return m >= WM_KEYDOWN && m <= WM_SYSCHAR;
}
bool IsClientMouseMessage(UINT m) {
    return m >= WM_MOUSEMOVE && m <= 0x020E;  // WM_MOUSEMOVE .. WM_MOUSEHWHEEL
}
bool IsNcMouseMessage(UINT m) {
    return m >= WM_NCMOUSEMOVE && m <= 0x00AD;  // WM_NCMOUSEMOVE .. WM_NCXBUTTONDBLCLK
}

}  // namespace

BOOL AfxTrackMenuBar(HWND hWnd, int nItem, BOOL bOpenPopup, BOOL bSelectFirst) {
    if (t_pTracker != nullptr || !IsWindow(hWnd) || !IsWindowEnabled(hWnd)) return FALSE;
    HMENU hBar = GetMenu(hWnd);
    if (hBar == nullptr || GetMenuItemCount(hBar) <= 0) return FALSE;
    CMenuTracker tracker(hWnd, hBar);
    t_pTracker = &tracker;
    SendMessageA(hWnd, WM_INITMENU, reinterpret_cast<WPARAM>(hBar), 0);
    if (IsWindow(hWnd)) tracker.SelectBar(nItem, bOpenPopup != FALSE, bSelectFirst != FALSE);
    // A modal run of the window (a dialog's DoModal) that is ended meanwhile ends the tracking too, as the
    // window closing ends a menu: else the run, waiting below this loop, could never return.
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    const bool bInModalRun = pWnd != nullptr && (pWnd->m_nFlags & WF_CONTINUEMODAL) != 0;
    CMessageLoop::RunUntil([&] {
        return tracker.m_bDone || !IsWindow(hWnd) ||
               (bInModalRun && (pWnd->m_nFlags & WF_CONTINUEMODAL) == 0);
    });
    tracker.CloseFrom(0);
    AfxSetMenuBarHotItem(hWnd, -1);
    t_pTracker = nullptr;
    if (tracker.m_nChosen == 0 || !IsWindow(hWnd) || !IsWindowEnabled(hWnd) || !IsMenu(tracker.m_hChosenMenu))
        return FALSE;
    // The item as it stands now: a handler that ran during the tracking may have grayed it.
    if (GetMenuState(tracker.m_hChosenMenu, static_cast<UINT>(tracker.m_nChosenPos), MF_BYPOSITION) &
        (MF_GRAYED | MF_DISABLED))
        return FALSE;
    if (!winstate::PostInputMessage(hWnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(tracker.m_nChosen), 0), 0))
        return FALSE;
    AFX_MENU_CHOICE_HOOK hook;
    {
        std::lock_guard<std::mutex> lock(g_choiceHookMutex);
        hook = g_choiceHook;
    }
    if (hook) {
        std::vector<std::string> path;
        if (PathTo(hBar, tracker.m_hChosenMenu, tracker.m_nChosenPos, path))
            hook(hWnd, tracker.m_nChosen, path);
    }
    return TRUE;
}

void AfxSetMenuChoiceHook(AFX_MENU_CHOICE_HOOK hook) {
    std::lock_guard<std::mutex> lock(g_choiceHookMutex);
    g_choiceHook = std::move(hook);
}

BOOL AfxIsMenuTracking() {
    return t_pTracker != nullptr;
}

std::vector<HWND> AfxGetMenuPopups() {
    std::vector<HWND> v;
    if (t_pTracker != nullptr)
        for (const Level& lv : t_pTracker->m_levels) v.push_back(lv.hPopup);
    return v;
}

void AfxEndMenuTracking() {
    CMenuTracker* t = t_pTracker;
    if (t == nullptr || t->m_bDone) return;
    t->m_bDone = true;
    t->m_nChosen = 0;
    t->CloseFrom(0);
    if (IsWindow(t->m_hOwner)) AfxSetMenuBarHotItem(t->m_hOwner, -1);
}

BOOL AfxMenuTrackingFilter(MSG* pMsg) {
    CMenuTracker* t = t_pTracker;
    if (t == nullptr || t->m_bDone) return FALSE;
    const UINT m = pMsg->message;
    if (IsKeyMessage(m)) {
        if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN) t->OnKey(static_cast<UINT>(pMsg->wParam));
        return TRUE;
    }
    if (IsClientMouseMessage(m)) {
        POINT pt = CPoint(pMsg->lParam);
        if (pMsg->hwnd != nullptr) ClientToScreen(pMsg->hwnd, &pt);
        t->OnMouse(m, pt);
        return TRUE;
    }
    if (IsNcMouseMessage(m)) {
        t->OnMouse(m, CPoint(pMsg->lParam));
        return TRUE;
    }
    return FALSE;
}
