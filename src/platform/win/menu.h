// Menus: bars and popups of items (command id, text, check and radio marks, grayed/disabled), loaded from
// menu resources (resources.h) or built with AppendMenu; the system menu of a window. Functions that take
// MF_BYCOMMAND search the popups recursively, as on Windows. A menu given to a window with SetMenu is
// destroyed with the window. All functions are safe from any thread.
#pragma once

#include <memory>

#include "platform/win/cmd_target.h"
#include "platform/win/cstring.h"

class CMenu : public CObject {
    DECLARE_DYNCREATE(CMenu)
  public:
    CMenu() = default;
    // Destroys the attached menu (Detach first to keep it).
    ~CMenu() override;

    HMENU m_hMenu = nullptr;

    operator HMENU() const { return m_hMenu; }  // NOLINT
    // The permanent object of a menu, else a temporary object that lives as long as the menu.
    static CMenu* FromHandle(HMENU hMenu);

    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);

    // Previous check state (MF_CHECKED or MF_UNCHECKED), or (UINT)-1 when the item does not exist.
    UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
    CMenu* GetSubMenu(int nPos) const;

  private:
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    friend class CMenuTesting;
    BOOL Attach(HMENU hMenu);
    BOOL DestroyMenu();
    BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem = 0, LPCTSTR lpszNewItem = nullptr);
    friend class CCmdUI;
    // Previous state (MF_ENABLED, MF_GRAYED, MF_DISABLED), or (UINT)-1 when the item does not exist.
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
    UINT GetMenuState(UINT nID, UINT nFlags) const;  // flags of the item, (UINT)-1 when missing
    HMENU Detach();
    BOOL CreatePopupMenu();
    BOOL LoadMenu(UINT nIDResource);
    // Marks nIDItem with a radio mark and clears the other items from nIDFirst to nIDLast (all in one
    // popup). FALSE, marks unchanged and last error ERROR_MENU_ITEM_NOT_FOUND when an item is missing.
    BOOL CheckMenuRadioItem(UINT nIDFirst, UINT nIDLast, UINT nIDItem, UINT nFlags);
    UINT GetMenuItemCount() const;       // (UINT)-1 for an invalid menu
    UINT GetMenuItemID(int nPos) const;  // (UINT)-1 for a popup or bad position, 0 for a separator
    int GetMenuString(UINT nIDItem, LPTSTR lpString, int nMaxCount, UINT nFlags) const;
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
};

DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck);
BOOL CheckMenuRadioItem(HMENU hMenu, UINT first, UINT last, UINT check, UINT flags);
BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable);
int GetMenuItemCount(HMENU hMenu);
UINT GetMenuItemID(HMENU hMenu, int nPos);
UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags);
int GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags);
HMENU GetSubMenu(HMENU hMenu, int nPos);
HMENU GetMenu(HWND hWnd);
