#include "platform/win/snapshot.h"
#include "platform/win/snapshot_testing.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/menu.h"
#include "platform/win/nonclient.h"
#include "platform/win/nonclient_testing.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

const std::vector<CDrawOp>& CDrawOpList::Ops() const {
    static const std::vector<CDrawOp> kNone;
    return m_pOps ? *m_pOps : kNone;
}

void CDrawOpList::push_back(const CDrawOp& op) {
    auto p =
        m_pOps ? std::make_shared<std::vector<CDrawOp>>(*m_pOps) : std::make_shared<std::vector<CDrawOp>>();
    p->push_back(op);
    m_pOps = std::move(p);
}

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

bool SameOps(const CDrawOpList& a, const CDrawOpList& b) {
    return a.IsSharedWith(b) || SameList(a.Ops(), b.Ops(), SameOp);
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
           SameList(a.menuBar, b.menuBar, SameItem) && SameOps(a.drawOps, b.drawOps) &&
           SameOps(a.nonClientOps, b.nonClientOps);
}

bool SameWindow(const CWindowSnapshot& a, const CWindowSnapshot& b) {
    return SamePlace(a, b) && SameContent(a, b) && SameList(a.children, b.children, SameWindow);
}

bool Contains(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

// A rectangle inside one already there adds nothing (windows stacked in one place changed together).
void AddDamage(std::vector<RECT>* pDamage, const RECT& rc, POINT ptOrigin) {
    const RECT r{rc.left - ptOrigin.x, rc.top - ptOrigin.y, rc.right - ptOrigin.x, rc.bottom - ptOrigin.y};
    if (r.right <= r.left || r.bottom <= r.top) return;
    for (const RECT& d : *pDamage)
        if (Contains(d, r)) return;
    pDamage->erase(
        std::remove_if(pDamage->begin(), pDamage->end(), [&](const RECT& d) { return Contains(r, d); }),
        pDamage->end());
    pDamage->push_back(r);
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
        // A hidden window shows nothing of itself or its children, whatever they draw (both are hidden:
        // their places are the same).
        if (!b.bVisible) continue;
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

// ---- Snapshots taken again: the previous snapshot's parts serve where nothing changed ----

// Where a window is on the screen, as ScreenRect finds it without going up the parents again when they are
// known. hParent and ptParent: the parent the window was found under and its client area's origin on the
// screen. *pptClient gets the window's own client origin on the screen.
void PlaceLocked(winstate::State& s, const winstate::WndRec& r, HWND hParent, POINT ptParent, RECT* prcWindow,
                 RECT* prcClient, POINT* pptClient) {
    if ((r.dwStyle & WS_CHILD) && hParent != nullptr && r.hParent == hParent) {
        *prcWindow = r.rc;
        OffsetRect(prcWindow, ptParent.x, ptParent.y);
    } else {
        *prcWindow = winstate::ScreenRect(s, r);
    }
    const RECT rcClient = winstate::ClientRectOf(r);
    const RECT insets = winstate::NonClientInsets(r);
    const POINT o{prcWindow->left + insets.left, prcWindow->top + insets.top};
    *prcClient = RECT{rcClient.left + o.x, rcClient.top + o.y, rcClient.right + o.x, rcClient.bottom + o.y};
    *pptClient = o;
}

// The window and its children as the framework holds them, read under one lock: every field of the
// snapshot but the records and the menu bar. *pMenus gets each top-level window's menu. FALSE for a window
// that is gone. *pW may hold an older snapshot: every field is set again, and its strings and lists are
// written over in place so that their storage serves again.
bool ReadTreeLocked(winstate::State& s, HWND h, int nZOrder, HWND hParent, POINT ptParent,
                    CWindowSnapshot* pW, std::vector<std::pair<CWindowSnapshot*, HMENU>>* pMenus) {
    const winstate::WndRec* r = winstate::Find(s, h);
    if (r == nullptr) return false;
    CWindowSnapshot& w = *pW;
    w.hWnd = h;
    w.nZOrder = nZOrder;
    w.strClass = r->strClass;
    POINT o{};
    PlaceLocked(s, *r, hParent, ptParent, &w.rcWindow, &w.rcClient, &o);
    w.dwStyle = r->dwStyle;
    w.dwExStyle = r->dwExStyle;
    w.bVisible = (w.dwStyle & WS_VISIBLE) != 0;
    w.bEnabled = (w.dwStyle & WS_DISABLED) == 0;
    w.bTopmost = (w.dwExStyle & WS_EX_TOPMOST) != 0;
    w.nID = (w.dwStyle & WS_CHILD) ? r->nID : 0;
    w.strText = r->strText;
    w.menuBar.clear();
    w.nChangeCount = 0;
    w.nDrawGeneration = 0;
    if (!(w.dwStyle & WS_CHILD) && r->hMenu != nullptr) pMenus->emplace_back(&w, r->hMenu);
    if (w.children.size() < r->children.size()) w.children.resize(r->children.size());
    size_t n = 0;
    for (HWND c : r->children)
        if (ReadTreeLocked(s, c, static_cast<int>(n), h, o, &w.children[n], pMenus)) ++n;
    w.children.resize(n);
    return true;
}

// TRUE when ReadTreeLocked would read the window and its children as in prev, the menu bar aside (nothing
// is copied). *pMenus gets each top-level window's menu with the previous snapshot it belongs to.
bool SameTreeLocked(winstate::State& s, const CWindowSnapshot& prev, HWND hParent, POINT ptParent,
                    std::vector<std::pair<const CWindowSnapshot*, HMENU>>* pMenus) {
    const winstate::WndRec* r = winstate::Find(s, prev.hWnd);
    if (r == nullptr) return false;
    RECT rcWindow{};
    RECT rcClient{};
    POINT o{};
    PlaceLocked(s, *r, hParent, ptParent, &rcWindow, &rcClient, &o);
    const bool bChild = (r->dwStyle & WS_CHILD) != 0;
    if (!SameRect(rcWindow, prev.rcWindow) || !SameRect(rcClient, prev.rcClient) ||
        r->dwStyle != prev.dwStyle || r->dwExStyle != prev.dwExStyle || (bChild ? r->nID : 0) != prev.nID ||
        r->strClass != prev.strClass || r->strText != prev.strText ||
        r->children.size() != prev.children.size())
        return false;
    // Derived from the styles: equal when the styles are.
    if (prev.bVisible != ((r->dwStyle & WS_VISIBLE) != 0) ||
        prev.bEnabled != ((r->dwStyle & WS_DISABLED) == 0) ||
        prev.bTopmost != ((r->dwExStyle & WS_EX_TOPMOST) != 0))
        return false;
    if (!bChild && r->hMenu != nullptr)
        pMenus->emplace_back(&prev, r->hMenu);
    else if (!prev.menuBar.empty())
        return false;
    for (size_t i = 0; i < r->children.size(); ++i) {
        const CWindowSnapshot& c = prev.children[i];
        if (c.hWnd != r->children[i] || c.nZOrder != static_cast<int>(i)) return false;
        if (!SameTreeLocked(s, c, prev.hWnd, o, pMenus)) return false;
    }
    return true;
}

// TRUE when a snapshot taken now would show what last shows, given that no drawing record changed since
// last was taken: the windows, their menu bars and the top-level windows' frames are compared (a control's
// frame follows from its styles and size alone).
bool SameScreen(const CScreenSnapshot& last) {
    std::vector<std::pair<const CWindowSnapshot*, HMENU>> menus;
    {
        winstate::State& s = winstate::S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        if (s.topLevel.size() != last.windows.size()) return false;
        for (size_t i = 0; i < last.windows.size(); ++i) {
            const CWindowSnapshot& w = last.windows[i];
            if (w.hWnd != s.topLevel[i] || w.nZOrder != static_cast<int>(i)) return false;
            if (!SameTreeLocked(s, w, nullptr, POINT{}, &menus)) return false;
        }
    }
    for (const auto& [pPrev, hMenu] : menus)
        if (!SameList(MenuBarOf(hMenu), pPrev->menuBar, SameItem)) return false;
    for (const CWindowSnapshot& w : last.windows)
        if (!SameList(AfxGetNonClientDrawOps(w.hWnd), w.nonClientOps.Ops(), SameOp)) return false;
    return true;
}

// The previous snapshot of the same window among a list of them (NULL: none).
const CWindowSnapshot* PreviousOf(const std::vector<CWindowSnapshot>* pPrevious, size_t nIndex, HWND h) {
    if (pPrevious == nullptr) return nullptr;
    if (nIndex < pPrevious->size() && (*pPrevious)[nIndex].hWnd == h) return &(*pPrevious)[nIndex];
    for (const CWindowSnapshot& p : *pPrevious)
        if (p.hWnd == h) return &p;
    return nullptr;
}

// The records of w and its children, outside the framework lock: a drawing record that did not change
// since pPrev (the window's previous snapshot, may be NULL) was taken is pPrev's list again, and so is a
// frame that draws the same.
// pChanged: the windows whose drawing records changed since the previous snapshot's were read, ascending
// (NULL: not known).
void ReadRecords(CWindowSnapshot& w, const CWindowSnapshot* pPrev, const std::vector<HWND>* pChanged) {
    if (pPrev != nullptr && pChanged != nullptr &&
        !std::binary_search(pChanged->begin(), pChanged->end(), w.hWnd)) {
        w.nDrawGeneration = pPrev->nDrawGeneration;
        w.drawOps = pPrev->drawOps;
    } else {
        std::vector<CDrawOp> ops;
        const std::uint64_t nKnown = pPrev ? pPrev->nDrawGeneration : 0;
        w.nDrawGeneration = AfxGetDrawOpsIfChanged(w.hWnd, nKnown, &ops);
        if (pPrev != nullptr && w.nDrawGeneration == nKnown)
            w.drawOps = pPrev->drawOps;
        else
            w.drawOps = std::move(ops);
    }
    // A control's border follows from its styles and size alone; a top-level window's frame also shows
    // its activation, menu bar and caption, and is built again.
    const bool bChild = (w.dwStyle & WS_CHILD) != 0;
    const bool bSameFrame =
        pPrev != nullptr && bChild && (pPrev->dwStyle & WS_CHILD) && pPrev->dwStyle == w.dwStyle &&
        pPrev->dwExStyle == w.dwExStyle &&
        pPrev->rcWindow.right - pPrev->rcWindow.left == w.rcWindow.right - w.rcWindow.left &&
        pPrev->rcWindow.bottom - pPrev->rcWindow.top == w.rcWindow.bottom - w.rcWindow.top;
    if (bSameFrame) {
        w.nonClientOps = pPrev->nonClientOps;
    } else {
        CDrawOpList frame = AfxGetNonClientDrawOps(w.hWnd);
        if (pPrev != nullptr && SameOps(frame, pPrev->nonClientOps))
            w.nonClientOps = pPrev->nonClientOps;
        else
            w.nonClientOps = std::move(frame);
    }
    for (size_t i = 0; i < w.children.size(); ++i)
        ReadRecords(w.children[i], PreviousOf(pPrev ? &pPrev->children : nullptr, i, w.children[i].hWnd),
                    pChanged);
}

// The top-level windows now, each from the previous snapshot where it did not change, into *pWindows (which
// may hold an older snapshot's windows, whose storage serves again). pChanged: as ReadRecords takes it.
void TakeWindows(const std::map<HWND, const CWindowSnapshot*>& previous, const std::vector<HWND>* pChanged,
                 std::vector<CWindowSnapshot>* pWindows) {
    std::vector<CWindowSnapshot>& windows = *pWindows;
    std::vector<std::pair<CWindowSnapshot*, HMENU>> menus;
    {
        winstate::State& s = winstate::S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        if (windows.size() < s.topLevel.size()) windows.resize(s.topLevel.size());
        size_t n = 0;
        for (HWND h : s.topLevel)
            if (ReadTreeLocked(s, h, static_cast<int>(n), nullptr, POINT{}, &windows[n], &menus)) ++n;
        windows.resize(n);
    }
    for (auto& [pW, hMenu] : menus) pW->menuBar = MenuBarOf(hMenu);
    for (CWindowSnapshot& w : windows) {
        auto it = previous.find(w.hWnd);
        ReadRecords(w, it == previous.end() ? nullptr : it->second, pChanged);
    }
}

struct Previous {
    std::mutex mtx;
    std::shared_ptr<const CScreenSnapshot> pLast;  // NULL before the first
    // The drawing records generation (AfxGetDrawRecordsChangedSince) as it was before pLast's records were
    // read.
    std::uint64_t nDrawGeneration = 0;
};

Previous& Prev() {
    static Previous* p = new Previous;
    return *p;
}

// One snapshot that nobody holds any longer, kept for the next to be written into: a refresh then reads
// the windows into storage that is already there instead of allocating all of it again.
struct Spare {
    std::mutex mtx;
    std::unique_ptr<CScreenSnapshot> pSnap;
};

Spare& TheSpare() {
    static Spare* p = new Spare;
    return *p;
}

// The deleter of shared snapshots: runs on whichever thread let go of the last holder, after every use of
// the snapshot.
void Recycle(CScreenSnapshot* pSnap) {
    std::unique_ptr<CScreenSnapshot> pOld(pSnap);
    Spare& spare = TheSpare();
    std::lock_guard<std::mutex> lock(spare.mtx);
    if (!spare.pSnap) spare.pSnap = std::move(pOld);
}

std::shared_ptr<CScreenSnapshot> NewSnapshot() {
    std::unique_ptr<CScreenSnapshot> pSnap;
    {
        Spare& spare = TheSpare();
        std::lock_guard<std::mutex> lock(spare.mtx);
        pSnap = std::move(spare.pSnap);
    }
    if (!pSnap) pSnap = std::make_unique<CScreenSnapshot>();
    return std::shared_ptr<CScreenSnapshot>(pSnap.release(), Recycle);
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

std::shared_ptr<const CScreenSnapshot> AfxTakeSharedScreenSnapshot() {
    Previous& p = Prev();
    std::lock_guard<std::mutex> lock(p.mtx);
    // Read before any record is: a record changed while this snapshot is taken shows in the next one.
    std::vector<HWND> changed;
    bool bListed = false;
    const std::uint64_t nDrawGeneration =
        AfxGetDrawRecordsChangedSince(p.nDrawGeneration, &changed, &bListed);
    // Nothing changed since the last refresh (a quiet window, a paused run): the last snapshot is the
    // snapshot, with nothing read into a new one.
    if (p.pLast && nDrawGeneration == p.nDrawGeneration && SameScreen(*p.pLast)) return p.pLast;
    std::map<HWND, const CWindowSnapshot*> previous;
    if (p.pLast)
        for (const CWindowSnapshot& w : p.pLast->windows) previous.emplace(w.hWnd, &w);
    std::shared_ptr<CScreenSnapshot> pSnap = NewSnapshot();
    TakeWindows(previous, p.pLast && bListed ? &changed : nullptr, &pSnap->windows);
    bool bChanged = !p.pLast || p.pLast->windows.size() != pSnap->windows.size();
    for (CWindowSnapshot& w : pSnap->windows) {
        auto it = previous.find(w.hWnd);
        if (it == previous.end()) {
            w.nChangeCount = 1;
            bChanged = true;
        } else if (!SameWindow(*it->second, w)) {
            w.nChangeCount = it->second->nChangeCount + 1;
            bChanged = true;
        } else {
            w.nChangeCount = it->second->nChangeCount;
        }
    }
    pSnap->nChangeCount = (p.pLast ? p.pLast->nChangeCount : 0) + (bChanged ? 1 : 0);
    p.pLast = pSnap;
    p.nDrawGeneration = nDrawGeneration;
    return pSnap;
}

CScreenSnapshot AfxTakeScreenSnapshot() {
    return *AfxTakeSharedScreenSnapshot();
}
