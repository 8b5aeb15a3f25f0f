#include "platform/win/snapshot.h"
#include "platform/win/snapshot_testing.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/win/gdi_testing.h"
#include "platform/win/menu.h"
#include "platform/win/nonclient.h"
#include "platform/win/nonclient_testing.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool SameOp(const CDrawOp& a, const CDrawOp& b) {
    return a.nKind == b.nKind && SameRect(a.rc, b.rc) && a.ptSrc.x == b.ptSrc.x && a.ptSrc.y == b.ptSrc.y &&
           a.bWindowCoords == b.bWindowCoords && a.crText == b.crText && a.crBk == b.crBk &&
           a.nBkMode == b.nBkMode && a.crBrush == b.crBrush && a.bNullBrush == b.bNullBrush &&
           a.crPen == b.crPen && a.nPenStyle == b.nPenStyle && a.nPenWidth == b.nPenWidth &&
           a.strFontFace == b.strFontFace && a.nFontPointSize10 == b.nFontPointSize10 &&
           a.nFontHeight == b.nFontHeight && a.strText == b.strText && a.nFlags == b.nFlags &&
           a.nBitmapId == b.nBitmapId && a.nBitmapWidth == b.nBitmapWidth &&
           a.nBitmapHeight == b.nBitmapHeight && a.hIcon == b.hIcon && a.tabStops == b.tabStops &&
           a.nTabOrigin == b.nTabOrigin;
}

bool SameItem(const CMenuItemSnapshot& a, const CMenuItemSnapshot& b) {
    return a.strText == b.strText && a.nID == b.nID && a.bPopup == b.bPopup && a.bSeparator == b.bSeparator &&
           a.bGrayed == b.bGrayed && a.bChecked == b.bChecked;
}

template <class T, class F>
bool SameList(const std::vector<T>& a, const std::vector<T>& b, F same) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!same(a[i], b[i])) return false;
    return true;
}

// Where and how the window sits among its siblings.
bool SamePlace(const CWindowSnapshot& a, const CWindowSnapshot& b) {
    return a.hWnd == b.hWnd && SameRect(a.rcWindow, b.rcWindow) && SameRect(a.rcClient, b.rcClient) &&
           a.bVisible == b.bVisible && a.bTopmost == b.bTopmost && a.nZOrder == b.nZOrder &&
           a.dwStyle == b.dwStyle && a.dwExStyle == b.dwExStyle;
}

// What the window itself shows, its children aside.
bool SameContent(const CWindowSnapshot& a, const CWindowSnapshot& b) {
    return a.strClass == b.strClass && a.bEnabled == b.bEnabled && a.nID == b.nID && a.strText == b.strText &&
           SameList(a.menuBar, b.menuBar, SameItem) && SameList(a.drawOps, b.drawOps, SameOp) &&
           SameList(a.nonClientOps, b.nonClientOps, SameOp);
}

bool SameWindow(const CWindowSnapshot& a, const CWindowSnapshot& b) {
    return SamePlace(a, b) && SameContent(a, b) && SameList(a.children, b.children, SameWindow);
}

void AddDamage(std::vector<RECT>* pDamage, const RECT& rc, POINT ptOrigin) {
    const RECT r{rc.left - ptOrigin.x, rc.top - ptOrigin.y, rc.right - ptOrigin.x, rc.bottom - ptOrigin.y};
    if (r.right > r.left && r.bottom > r.top) pDamage->push_back(r);
}

// The damage of the children of a window that kept its place and content.
void ChildrenDamage(const CWindowSnapshot& before, const CWindowSnapshot& after, POINT ptOrigin,
                    std::vector<RECT>* pDamage) {
    bool bPlaces = before.children.size() == after.children.size();
    for (size_t i = 0; bPlaces && i < after.children.size(); ++i)
        bPlaces = SamePlace(before.children[i], after.children[i]);
    // A child that came, went, moved or was shown or hidden changes how its siblings clip and fit:
    // the whole window is drawn again.
    if (!bPlaces) {
        AddDamage(pDamage, after.rcWindow, ptOrigin);
        return;
    }
    for (size_t i = 0; i < after.children.size(); ++i) {
        const CWindowSnapshot& a = before.children[i];
        const CWindowSnapshot& b = after.children[i];
        if (!SameContent(a, b))
            AddDamage(pDamage, b.rcWindow, ptOrigin);  // its children lie inside it
        else
            ChildrenDamage(a, b, ptOrigin, pDamage);
    }
}

std::vector<CMenuItemSnapshot> MenuBarOf(HMENU hMenu) {
    std::vector<CMenuItemSnapshot> items;
    const int n = GetMenuItemCount(hMenu);
    for (int i = 0; i < n; ++i) {
        const UINT pos = static_cast<UINT>(i);
        const UINT state = GetMenuState(hMenu, pos, MF_BYPOSITION);
        if (state == static_cast<UINT>(-1)) continue;
        CMenuItemSnapshot item;
        char text[256] = {};
        GetMenuStringA(hMenu, pos, text, static_cast<int>(sizeof(text)), MF_BYPOSITION);
        item.strText = text;
        item.bPopup = GetSubMenu(hMenu, i) != nullptr;
        item.bSeparator = (state & MF_SEPARATOR) != 0 && !item.bPopup;
        item.nID = item.bPopup ? 0 : GetMenuItemID(hMenu, i);
        item.bGrayed = (state & (MF_GRAYED | MF_DISABLED)) != 0;
        item.bChecked = (state & MF_CHECKED) != 0;
        items.push_back(std::move(item));
    }
    return items;
}

CWindowSnapshot Snapshot(HWND h, int nZOrder) {
    CWindowSnapshot w;
    w.hWnd = h;
    w.nZOrder = nZOrder;
    char cls[256] = {};
    GetClassNameA(h, cls, static_cast<int>(sizeof(cls)));
    w.strClass = cls;
    GetWindowRect(h, &w.rcWindow);
    RECT rc{};
    GetClientRect(h, &rc);
    POINT tl{rc.left, rc.top};
    POINT br{rc.right, rc.bottom};
    ClientToScreen(h, &tl);
    ClientToScreen(h, &br);
    w.rcClient = RECT{tl.x, tl.y, br.x, br.y};
    w.dwStyle = static_cast<DWORD>(GetWindowLongPtrA(h, GWL_STYLE));
    w.dwExStyle = static_cast<DWORD>(GetWindowLongPtrA(h, GWL_EXSTYLE));
    w.bVisible = (w.dwStyle & WS_VISIBLE) != 0;
    w.bEnabled = (w.dwStyle & WS_DISABLED) == 0;
    w.bTopmost = (w.dwExStyle & WS_EX_TOPMOST) != 0;
    w.nID = (w.dwStyle & WS_CHILD) ? static_cast<UINT>(GetDlgCtrlID(h)) : 0;
    const int nLen = GetWindowTextLengthA(h);
    if (nLen > 0) {
        std::string text(static_cast<size_t>(nLen) + 1, '\0');
        const int nGot = GetWindowTextA(h, text.data(), nLen + 1);
        text.resize(static_cast<size_t>(std::max(0, nGot)));
        w.strText = std::move(text);
    }
    if (!(w.dwStyle & WS_CHILD)) {
        if (HMENU hMenu = GetMenu(h)) w.menuBar = MenuBarOf(hMenu);
    }
    w.drawOps = AfxGetDrawOps(h);
    w.nonClientOps = AfxGetNonClientDrawOps(h);
    int z = 0;
    for (HWND c = GetWindow(h, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
        w.children.push_back(Snapshot(c, z++));
    return w;
}

struct Previous {
    std::mutex mtx;
    std::map<HWND, CWindowSnapshot> windows;  // the last snapshot of each top-level window
    std::uint64_t nChangeCount = 0;
};

Previous& Prev() {
    static Previous* p = new Previous;
    return *p;
}

BOOL CALLBACK CollectTopLevel(HWND h, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(h);
    return TRUE;
}

}  // namespace

BOOL AfxSnapshotDamage(const CWindowSnapshot& before, const CWindowSnapshot& after,
                       std::vector<RECT>* pDamage) {
    if (pDamage == nullptr) return FALSE;
    pDamage->clear();
    if (!SamePlace(before, after) || !SameContent(before, after)) return FALSE;
    ChildrenDamage(before, after, POINT{after.rcWindow.left, after.rcWindow.top}, pDamage);
    return TRUE;
}

CWindowSnapshot AfxSnapshotWindow(HWND hWnd) {
    if (!IsWindow(hWnd)) return {};
    return Snapshot(hWnd, 0);
}

CScreenSnapshot AfxTakeScreenSnapshot() {
    std::vector<HWND> handles;
    EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&handles));
    CScreenSnapshot snap;
    int z = 0;
    for (HWND h : handles) {
        if (!IsWindow(h)) continue;  // gone meanwhile
        snap.windows.push_back(Snapshot(h, z++));
    }
    Previous& p = Prev();
    std::lock_guard<std::mutex> lock(p.mtx);
    bool bChanged = p.nChangeCount == 0 || p.windows.size() != snap.windows.size();
    std::map<HWND, CWindowSnapshot> now;
    for (CWindowSnapshot& w : snap.windows) {
        auto it = p.windows.find(w.hWnd);
        if (it == p.windows.end()) {
            w.nChangeCount = 1;
            bChanged = true;
        } else if (!SameWindow(it->second, w)) {
            w.nChangeCount = it->second.nChangeCount + 1;
            bChanged = true;
        } else {
            // The same as before: the kept copy serves again, none is made.
            w.nChangeCount = it->second.nChangeCount;
            now.emplace(w.hWnd, std::move(it->second));
            continue;
        }
        now.emplace(w.hWnd, w);
    }
    if (bChanged) ++p.nChangeCount;
    p.windows.swap(now);
    snap.nChangeCount = p.nChangeCount;
    return snap;
}
