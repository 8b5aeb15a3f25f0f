// Parents, owners, siblings and children: walking, finding and enumerating windows.
#include "platform/win/window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/kernel.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winstate;

HWND GetParent(HWND hWnd) {
    return WithRec(
        hWnd, [](WndRec& r) { return (r.dwStyle & WS_CHILD) ? r.hParent : r.hOwner; }, HWND{nullptr});
}

HWND SetParent(HWND hWndChild, HWND hWndNewParent) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    WndRec* r = Find(s, hWndChild);
    if (!r) return nullptr;
    HWND old = (r->dwStyle & WS_CHILD) ? r->hParent : r->hOwner;
    if (r->dwStyle & WS_CHILD) {
        WndRec* np = Find(s, hWndNewParent);
        if (!np) return nullptr;
        if (WndRec* op = Find(s, r->hParent))
            op->children.erase(std::remove(op->children.begin(), op->children.end(), hWndChild),
                               op->children.end());
        np->children.push_back(hWndChild);
        r->hParent = hWndNewParent;
        ++s.nTreeEpoch;
        ++s.nVisibilityEpoch;
    } else {
        r->hOwner = Find(s, hWndNewParent) ? hWndNewParent : nullptr;
    }
    return old;
}

HWND GetWindow(HWND hWnd, UINT uCmd) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    WndRec* r = Find(s, hWnd);
    if (!r) return nullptr;
    if (uCmd == GW_CHILD) return r->children.empty() ? nullptr : r->children.front();
    if (uCmd == GW_OWNER) return (r->dwStyle & WS_CHILD) ? nullptr : r->hOwner;
    const std::vector<HWND>* list = &s.topLevel;
    if (r->dwStyle & WS_CHILD) {
        WndRec* p = Find(s, r->hParent);
        if (!p) return nullptr;
        list = &p->children;
    }
    auto it = std::find(list->begin(), list->end(), hWnd);
    if (it == list->end() || list->empty()) return nullptr;
    switch (uCmd) {
        case GW_HWNDFIRST:
            return list->front();
        case GW_HWNDLAST:
            return list->back();
        case GW_HWNDNEXT:
            return std::next(it) == list->end() ? nullptr : *std::next(it);
        case GW_HWNDPREV:
            return it == list->begin() ? nullptr : *std::prev(it);
        default:
            return nullptr;
    }
}

HWND GetTopWindow(HWND hWnd) {
    if (hWnd) return GetWindow(hWnd, GW_CHILD);
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    return s.topLevel.empty() ? nullptr : s.topLevel.front();
}

// The first child in z-order with the id. A dialog's items are asked for again and again (the program
// looks its controls up by id for every text it shows), so each answer is remembered until the tree
// changes.
HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    const std::size_t nSlot =
        (reinterpret_cast<std::uintptr_t>(hDlg) * 31u + static_cast<unsigned>(nIDDlgItem)) &
        (State::kDlgItemHits - 1);
    State::DlgItemHit& hit = s.dlgItemHits[nSlot];
    if (hit.nEpoch == s.nTreeEpoch && hit.hDlg == hDlg && hit.nID == nIDDlgItem) return hit.hItem;
    WndRec* r = Find(s, hDlg);
    if (!r) return nullptr;
    HWND hItem = nullptr;
    for (HWND c : r->children) {
        WndRec* cr = Find(s, c);
        if (cr && cr->nID == static_cast<UINT>(nIDDlgItem)) {
            hItem = c;
            break;
        }
    }
    hit = State::DlgItemHit{hDlg, nIDDlgItem, hItem, s.nTreeEpoch};
    return hItem;
}

int GetDlgCtrlID(HWND hWnd) {
    return WithRec(
        hWnd, [](WndRec& r) { return (r.dwStyle & WS_CHILD) ? static_cast<int>(r.nID) : 0; }, 0);
}

LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
    HWND h = GetDlgItem(hDlg, nIDDlgItem);
    return h ? SendMessageA(h, Msg, wParam, lParam) : 0;
}

HWND FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
    State& s = S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    std::string cls = Lower(lpClassName);
    for (HWND h : s.topLevel) {
        WndRec* r = Find(s, h);
        if (!r) continue;
        if (lpClassName && Lower(r->strClass.c_str()) != cls) continue;
        if (lpWindowName && r->strText != lpWindowName) continue;
        return h;
    }
    return nullptr;
}

BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    std::vector<HWND> list;
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        list = s.topLevel;
    }
    for (HWND h : list) {
        if (IsWindow(h) && !lpEnumFunc(h, lParam)) return FALSE;
    }
    return TRUE;
}

namespace {
void CollectDescendants(State& s, HWND h, std::vector<HWND>& out) {
    WndRec* r = Find(s, h);
    if (!r) return;
    for (HWND c : r->children) {
        out.push_back(c);
        CollectDescendants(s, c, out);
    }
}
}  // namespace

BOOL EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    std::vector<HWND> list;
    {
        State& s = S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        CollectDescendants(s, hWndParent, list);
    }
    for (HWND h : list) {
        if (IsWindow(h) && !lpEnumFunc(h, lParam)) return FALSE;
    }
    return TRUE;
}
