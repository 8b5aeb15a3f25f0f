#include "platform/win/menu.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win/kernel.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/menu_internal.h"
#include "platform/win/menu_testing.h"
#include "platform/win/resources.h"
#include "platform/win/resources_testing.h"
#include "platform/win/system_codes_internal.h"
#include "platform/win/win_state.h"
#include "platform/win/window_testing.h"

namespace {

constexpr UINT kStateMask = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT | MF_HILITE;
constexpr UINT kNotFound = static_cast<UINT>(-1);

struct Item {
    UINT nFlags = 0;  // MF_SEPARATOR, MF_POPUP and the state bits
    UINT_PTR nID = 0;
    std::string strText;
    HMENU hSub = nullptr;
    bool bRadio = false;
};

struct MenuRec {
    bool bPopup = false;
    std::vector<Item> items;
    CMenu* pPermanent = nullptr;
    std::unique_ptr<CMenu> pTemp;
};

struct MenuState {
    // Guards the menus. Never held while the framework's window lock is taken.
    std::mutex mtx;
    std::map<HMENU, MenuRec> menus;
    std::uintptr_t nNext = 0x00200000;
};

MenuState& M() {
    static MenuState* m = new MenuState;  // never destroyed: windows may destroy menus during exit
    return *m;
}

MenuRec* FindMenu(MenuState& m, HMENU h) {
    auto it = m.menus.find(h);
    return it == m.menus.end() ? nullptr : &it->second;
}

HMENU NewMenuLocked(MenuState& m, bool bPopup) {
    m.nNext += 4;
    HMENU h = reinterpret_cast<HMENU>(m.nNext);
    m.menus[h].bPopup = bPopup;
    return h;
}

struct Where {
    HMENU hMenu = nullptr;  // the menu holding the item
    size_t nPos = 0;
};

// MF_BYPOSITION: the item at that position of hMenu; MF_BYCOMMAND: the first item with that id, searching
// the popups depth first as Windows does.
bool Locate(MenuState& m, HMENU hMenu, UINT nItem, UINT nFlags, Where* pWhere, int nDepth = 0) {
    MenuRec* r = FindMenu(m, hMenu);
    if (r == nullptr || nDepth > 32) return false;
    if (nFlags & MF_BYPOSITION) {
        if (nItem >= r->items.size()) return false;
        *pWhere = Where{hMenu, nItem};
        return true;
    }
    for (size_t i = 0; i < r->items.size(); ++i) {
        const Item& it = r->items[i];
        if (!(it.nFlags & MF_POPUP) && !(it.nFlags & MF_SEPARATOR) && it.nID == nItem) {
            *pWhere = Where{hMenu, i};
            return true;
        }
        if ((it.nFlags & MF_POPUP) && Locate(m, it.hSub, nItem, nFlags, pWhere, nDepth + 1)) return true;
    }
    return false;
}

Item* ItemAt(MenuState& m, const Where& w) {
    return &FindMenu(m, w.hMenu)->items[w.nPos];
}

void DestroyLocked(MenuState& m, HMENU h, std::vector<std::unique_ptr<CMenu>>* pTemps) {
    auto it = m.menus.find(h);
    if (it == m.menus.end()) return;
    std::vector<HMENU> subs;
    for (const Item& i : it->second.items) {
        if (i.hSub) subs.push_back(i.hSub);
    }
    if (it->second.pPermanent) it->second.pPermanent->m_hMenu = nullptr;
    if (it->second.pTemp) {
        it->second.pTemp->m_hMenu = nullptr;
        pTemps->push_back(std::move(it->second.pTemp));
    }
    m.menus.erase(it);
    for (HMENU s : subs) DestroyLocked(m, s, pTemps);
}

Item MakeItem(UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
    Item item;
    item.nFlags = uFlags & (kStateMask | MF_SEPARATOR | MF_POPUP);
    if (uFlags & MF_POPUP) {
        item.hSub = reinterpret_cast<HMENU>(uIDNewItem);
        item.nID = uIDNewItem;
    } else if (!(uFlags & MF_SEPARATOR)) {
        item.nID = uIDNewItem;
    }
    if (!(uFlags & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW)) && lpNewItem) item.strText = lpNewItem;
    return item;
}

BOOL Insert(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem, bool bAppend) {
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    MenuRec* r = FindMenu(m, hMenu);
    if (r == nullptr) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    if ((uFlags & MF_POPUP) && FindMenu(m, reinterpret_cast<HMENU>(uIDNewItem)) == nullptr) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    Item item = MakeItem(uFlags, uIDNewItem, lpNewItem);
    if (bAppend) {
        r->items.push_back(std::move(item));
        return TRUE;
    }
    if (uFlags & MF_BYPOSITION) {
        size_t pos = std::min<size_t>(uPosition, r->items.size());
        r->items.insert(r->items.begin() + static_cast<std::ptrdiff_t>(pos), std::move(item));
        return TRUE;
    }
    Where w;
    if (!Locate(m, hMenu, uPosition, MF_BYCOMMAND, &w)) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    auto& items = FindMenu(m, w.hMenu)->items;
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(w.nPos), std::move(item));
    return TRUE;
}

BOOL Remove(HMENU hMenu, UINT uPosition, UINT uFlags, bool bDestroyPopup) {
    std::vector<std::unique_ptr<CMenu>> temps;
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    Where w;
    if (!Locate(m, hMenu, uPosition, uFlags, &w)) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    auto& items = FindMenu(m, w.hMenu)->items;
    HMENU hSub = items[w.nPos].hSub;
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(w.nPos));
    if (bDestroyPopup && hSub) DestroyLocked(m, hSub, &temps);
    return TRUE;
}

HMENU BuildLocked(MenuState& m, const std::vector<CMenuItemTemplate>& items, bool bPopup) {
    HMENU h = NewMenuLocked(m, bPopup);
    for (const CMenuItemTemplate& t : items) {
        Item item;
        item.nFlags = t.nFlags & (kStateMask | MF_SEPARATOR | MF_POPUP);
        item.strText = t.strText;
        if (t.nFlags & MF_POPUP) {
            item.hSub = BuildLocked(m, t.items, true);
            item.nID = reinterpret_cast<UINT_PTR>(item.hSub);
        } else if (!(t.nFlags & MF_SEPARATOR)) {
            item.nID = t.nID;
        }
        FindMenu(m, h)->items.push_back(std::move(item));
    }
    return h;
}

HMENU WindowMenu(HWND hWnd, bool bSystem) {
    winstate::State& s = winstate::S();
    std::lock_guard<CFutexMutex> lock(s.mtx);
    winstate::WndRec* r = winstate::Find(s, hWnd);
    if (r == nullptr) return nullptr;
    return bSystem ? r->hSysMenu : r->hMenu;
}

}  // namespace

// ---- Plain functions ----
HMENU CreateMenu() {
    std::lock_guard<std::mutex> lock(M().mtx);
    return NewMenuLocked(M(), false);
}

HMENU CreatePopupMenu() {
    std::lock_guard<std::mutex> lock(M().mtx);
    return NewMenuLocked(M(), true);
}

HMENU LoadMenuA(HINSTANCE, LPCSTR lpMenuName) {
    if (lpMenuName == nullptr || !IS_INTRESOURCE(lpMenuName)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const CMenuTemplate* t =
        AfxFindMenuTemplate(static_cast<UINT>(reinterpret_cast<std::uintptr_t>(lpMenuName)));
    if (t == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(M().mtx);
    return BuildLocked(M(), t->items, false);
}

BOOL DestroyMenu(HMENU hMenu) {
    std::vector<std::unique_ptr<CMenu>> temps;  // deleted after the lock is released
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    if (FindMenu(m, hMenu) == nullptr) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    DestroyLocked(m, hMenu, &temps);
    return TRUE;
}

BOOL IsMenu(HMENU hMenu) {
    std::lock_guard<std::mutex> lock(M().mtx);
    return FindMenu(M(), hMenu) != nullptr;
}

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
    return Insert(hMenu, 0, uFlags, uIDNewItem, lpNewItem, true);
}

static BOOL ModifyMenuA(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
    std::vector<std::unique_ptr<CMenu>> temps;
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    Where w;
    if (!Locate(m, hMenu, uPosition, uFlags, &w)) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    Item* it = ItemAt(m, w);
    HMENU hOldSub = it->hSub;
    const bool bRadio = it->bRadio;
    *it = MakeItem(uFlags, uIDNewItem, lpNewItem);
    it->bRadio = bRadio && (it->nFlags & MF_CHECKED);
    if (hOldSub && hOldSub != it->hSub) DestroyLocked(m, hOldSub, &temps);
    return TRUE;
}

BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags) {
    return Remove(hMenu, uPosition, uFlags, true);
}

DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck) {
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    Where w;
    if (!Locate(m, hMenu, uIDCheckItem, uCheck, &w)) return kNotFound;
    Item* it = ItemAt(m, w);
    DWORD old = it->nFlags & MF_CHECKED;
    if (uCheck & MF_CHECKED) {
        it->nFlags |= MF_CHECKED;
    } else {
        it->nFlags &= ~MF_CHECKED;
        it->bRadio = false;
    }
    return old;
}

BOOL CheckMenuRadioItem(HMENU hMenu, UINT first, UINT last, UINT check, UINT flags) {
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    Where w;
    if (check < first || check > last || !Locate(m, hMenu, check, flags, &w)) {
        SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
        return FALSE;
    }
    auto& items = FindMenu(m, w.hMenu)->items;
    for (size_t i = 0; i < items.size(); ++i) {
        Item& it = items[i];
        const UINT key = (flags & MF_BYPOSITION) ? static_cast<UINT>(i) : static_cast<UINT>(it.nID);
        if ((it.nFlags & (MF_POPUP | MF_SEPARATOR)) || key < first || key > last) continue;
        const bool bOn = i == w.nPos;
        it.bRadio = bOn;
        it.nFlags = bOn ? (it.nFlags | MF_CHECKED) : (it.nFlags & ~MF_CHECKED);
    }
    return TRUE;
}

BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable) {
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    Where w;
    if (!Locate(m, hMenu, uIDEnableItem, uEnable, &w)) return static_cast<BOOL>(kNotFound);
    Item* it = ItemAt(m, w);
    UINT old = it->nFlags & (MF_GRAYED | MF_DISABLED);
    it->nFlags = (it->nFlags & ~(MF_GRAYED | MF_DISABLED)) | (uEnable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(old);
}

int GetMenuItemCount(HMENU hMenu) {
    std::lock_guard<std::mutex> lock(M().mtx);
    MenuRec* r = FindMenu(M(), hMenu);
    if (r == nullptr) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return -1;
    }
    return static_cast<int>(r->items.size());
}

UINT GetMenuItemID(HMENU hMenu, int nPos) {
    std::lock_guard<std::mutex> lock(M().mtx);
    MenuRec* r = FindMenu(M(), hMenu);
    if (r == nullptr || nPos < 0 || static_cast<size_t>(nPos) >= r->items.size()) return kNotFound;
    const Item& it = r->items[static_cast<size_t>(nPos)];
    if (it.nFlags & MF_POPUP) return kNotFound;
    return (it.nFlags & MF_SEPARATOR) ? 0 : static_cast<UINT>(it.nID);
}

UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    Where w;
    if (!Locate(m, hMenu, uId, uFlags, &w)) return kNotFound;
    const Item* it = ItemAt(m, w);
    UINT state = it->nFlags & (kStateMask | MF_SEPARATOR | MF_POPUP);
    if (it->bRadio) state |= MFT_RADIOCHECK;
    if (it->nFlags & MF_POPUP) {
        // As on Windows: the popup's item count in the high byte of the low word.
        MenuRec* sub = FindMenu(m, it->hSub);
        state = (state & 0xFF) | ((sub ? static_cast<UINT>(sub->items.size()) & 0xFF : 0u) << 8);
    }
    return state;
}

int GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags) {
    std::string text;
    {
        MenuState& m = M();
        std::lock_guard<std::mutex> lock(m.mtx);
        Where w;
        if (!Locate(m, hMenu, uIDItem, flags, &w)) {
            if (lpString && cchMax > 0) *lpString = '\0';
            return 0;
        }
        text = ItemAt(m, w)->strText;
    }
    if (lpString == nullptr || cchMax <= 0) return static_cast<int>(text.size());
    size_t n = std::min(text.size(), static_cast<size_t>(cchMax) - 1);
    std::memcpy(lpString, text.data(), n);
    lpString[n] = '\0';
    return static_cast<int>(n);
}

HMENU GetSubMenu(HMENU hMenu, int nPos) {
    std::lock_guard<std::mutex> lock(M().mtx);
    MenuRec* r = FindMenu(M(), hMenu);
    if (r == nullptr || nPos < 0 || static_cast<size_t>(nPos) >= r->items.size()) return nullptr;
    return r->items[static_cast<size_t>(nPos)].hSub;
}

HMENU GetMenu(HWND hWnd) {
    return WindowMenu(hWnd, false);
}

BOOL SetMenu(HWND hWnd, HMENU hMenu) {
    if (hMenu != nullptr && !IsMenu(hMenu)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    {
        winstate::State& s = winstate::S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        winstate::WndRec* r = winstate::Find(s, hWnd);
        if (r == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (r->dwStyle & WS_CHILD) return FALSE;
        r->hMenu = hMenu;
    }
    // The client area changed with the bar.
    SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return TRUE;
}

HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) {
    HMENU hOld = nullptr;
    {
        winstate::State& s = winstate::S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        winstate::WndRec* r = winstate::Find(s, hWnd);
        if (r == nullptr) return nullptr;
        hOld = r->hSysMenu;
        if (bRevert) r->hSysMenu = nullptr;
    }
    if (bRevert) {
        if (hOld) DestroyMenu(hOld);
        return nullptr;
    }
    if (hOld) return hOld;
    HMENU h = CreatePopupMenu();
    AppendMenuA(h, MF_STRING, SC_RESTORE, "&Restore");
    AppendMenuA(h, MF_STRING, SC_MOVE, "&Move");
    AppendMenuA(h, MF_STRING, SC_SIZE, "&Size");
    AppendMenuA(h, MF_STRING, SC_MINIMIZE, "Mi&nimize");
    AppendMenuA(h, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
    AppendMenuA(h, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(h, MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
    winstate::State& s = winstate::S();
    std::unique_lock<CFutexMutex> lock(s.mtx);
    winstate::WndRec* r = winstate::Find(s, hWnd);
    if (r != nullptr && r->hSysMenu == nullptr) {
        r->hSysMenu = h;
        return h;
    }
    HMENU hExisting = r ? r->hSysMenu : nullptr;
    lock.unlock();
    DestroyMenu(h);
    return hExisting;
}

BOOL AfxSimulateMenuChoice(HWND hWnd, UINT nID, BOOL bSystemMenu) {
    if (!IsWindow(hWnd) || !IsWindowEnabled(hWnd)) return FALSE;
    HMENU hBar = WindowMenu(hWnd, bSystemMenu != FALSE);
    if (hBar == nullptr) return FALSE;
    // The popups from the bar down to the item, as the user opens them.
    struct Step {
        HMENU hPopup;
        UINT nIndex;
    };
    auto path = [&](std::vector<Step>* pSteps, bool* pbEnabled) {
        pSteps->clear();
        *pbEnabled = true;
        MenuState& m = M();
        std::lock_guard<std::mutex> lock(m.mtx);
        Where w;
        if (!Locate(m, hBar, nID, MF_BYCOMMAND, &w)) return false;
        HMENU hLeaf = w.hMenu;
        *pbEnabled = !(ItemAt(m, w)->nFlags & (MF_GRAYED | MF_DISABLED));
        // Walk up: find the parent item of each popup.
        for (HMENU hCur = hLeaf; hCur != hBar;) {
            bool bFound = false;
            for (auto& [h, rec] : m.menus) {
                for (size_t i = 0; i < rec.items.size(); ++i) {
                    if (rec.items[i].hSub != hCur) continue;
                    if (rec.items[i].nFlags & (MF_GRAYED | MF_DISABLED)) *pbEnabled = false;
                    pSteps->insert(pSteps->begin(), Step{hCur, static_cast<UINT>(i)});
                    hCur = h;
                    bFound = true;
                    break;
                }
                if (bFound) break;
            }
            if (!bFound) return false;
        }
        if (bSystemMenu) pSteps->insert(pSteps->begin(), Step{hBar, 0});
        return true;
    };
    std::vector<Step> steps;
    bool bEnabled = true;
    if (!path(&steps, &bEnabled)) return FALSE;
    SendMessageA(hWnd, WM_INITMENU, reinterpret_cast<WPARAM>(hBar), 0);
    for (const Step& st : steps) {
        SendMessageA(hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(st.hPopup),
                     MAKELPARAM(static_cast<WORD>(st.nIndex), static_cast<WORD>(bSystemMenu ? 1 : 0)));
    }
    // The handlers of the popups may have changed the item.
    if (!IsWindow(hWnd) || !path(&steps, &bEnabled) || !bEnabled) return FALSE;
    return winstate::PostInputMessage(hWnd, bSystemMenu ? WM_SYSCOMMAND : WM_COMMAND,
                                      bSystemMenu ? nID : MAKEWPARAM(static_cast<WORD>(nID), 0), 0);
}

// ---- CMenu ----
IMPLEMENT_DYNCREATE(CMenu, CObject)

CMenu::~CMenu() {
    if (m_hMenu != nullptr) DestroyMenu();
}

CMenu* CMenu::FromHandle(HMENU hMenu) {
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    MenuRec* r = FindMenu(m, hMenu);
    if (r == nullptr) return nullptr;
    if (r->pPermanent) return r->pPermanent;
    if (!r->pTemp) {
        r->pTemp = std::make_unique<CMenu>();
        r->pTemp->m_hMenu = hMenu;
    }
    return r->pTemp.get();
}

BOOL CMenu::Attach(HMENU hMenu) {
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    MenuRec* r = FindMenu(m, hMenu);
    if (r == nullptr || m_hMenu != nullptr || (r->pPermanent && r->pPermanent != this)) return FALSE;
    r->pPermanent = this;
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach() {
    HMENU h = m_hMenu;
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    if (MenuRec* r = FindMenu(m, h); r && r->pPermanent == this) r->pPermanent = nullptr;
    m_hMenu = nullptr;
    return h;
}

BOOL CMenu::CreatePopupMenu() {
    return m_hMenu == nullptr && Attach(::CreatePopupMenu());
}

BOOL CMenu::LoadMenu(UINT nIDResource) {
    if (m_hMenu != nullptr) return FALSE;
    HMENU h = ::LoadMenuA(nullptr, MAKEINTRESOURCE(nIDResource));
    return h != nullptr && Attach(h);
}

BOOL CMenu::DestroyMenu() {
    if (m_hMenu == nullptr) return FALSE;
    HMENU h = Detach();
    return ::DestroyMenu(h);
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}
BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
    return ::ModifyMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
}
UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck) {
    return static_cast<UINT>(::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck));
}
BOOL CMenu::CheckMenuRadioItem(UINT nIDFirst, UINT nIDLast, UINT nIDItem, UINT nFlags) {
    return ::CheckMenuRadioItem(m_hMenu, nIDFirst, nIDLast, nIDItem, nFlags);
}
UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
    return static_cast<UINT>(::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable));
}
UINT CMenu::GetMenuItemCount() const {
    return static_cast<UINT>(::GetMenuItemCount(m_hMenu));
}
UINT CMenu::GetMenuItemID(int nPos) const {
    return ::GetMenuItemID(m_hMenu, nPos);
}
UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const {
    return ::GetMenuState(m_hMenu, nID, nFlags);
}
int CMenu::GetMenuString(UINT nIDItem, LPTSTR lpString, int nMaxCount, UINT nFlags) const {
    return ::GetMenuStringA(m_hMenu, nIDItem, lpString, nMaxCount, nFlags);
}
int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
    int n = ::GetMenuStringA(m_hMenu, nIDItem, nullptr, 0, nFlags);
    ::GetMenuStringA(m_hMenu, nIDItem, rString.GetBuffer(n), n + 1, nFlags);
    rString.ReleaseBuffer();
    return rString.GetLength();
}
CMenu* CMenu::GetSubMenu(int nPos) const {
    return FromHandle(::GetSubMenu(m_hMenu, nPos));
}

namespace menustate {

void Reset() {
    std::vector<std::unique_ptr<CMenu>> temps;
    MenuState& m = M();
    std::lock_guard<std::mutex> lock(m.mtx);
    for (auto& [h, r] : m.menus) {
        if (r.pPermanent) r.pPermanent->m_hMenu = nullptr;
        if (r.pTemp) {
            r.pTemp->m_hMenu = nullptr;
            temps.push_back(std::move(r.pTemp));
        }
    }
    m.menus.clear();
}

}  // namespace menustate
