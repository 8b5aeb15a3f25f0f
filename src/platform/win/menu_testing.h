// Test set-up of menus (menu.h): menus built item by item and set on a window, menu texts by handle and
// a user's menu choice.
// CMenuTesting reaches the members of CMenu that only tests call.
#pragma once

#include "platform/win/menu.h"

HMENU CreateMenu();
BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
inline BOOL AppendMenu(HMENU h, UINT f, UINT_PTR id, LPCSTR s) {
    return AppendMenuA(h, f, id, s);
}
BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags);  // destroys a popup it removes
BOOL SetMenu(HWND hWnd, HMENU hMenu);

HMENU CreatePopupMenu();
BOOL IsMenu(HMENU hMenu);
inline int GetMenuString(HMENU h, UINT id, LPSTR s, int n, UINT f) {
    return GetMenuStringA(h, id, s, n, f);
}
// The user chooses item nID of the window's menu bar (or, with bSystemMenu, of its system menu): the
// window gets WM_INITMENU and WM_INITMENUPOPUP for each popup on the way, then the choice is posted as
// WM_COMMAND (WM_SYSCOMMAND for the system menu) with the id. FALSE, nothing posted, when the item is
// missing, grayed or disabled (in itself or in a popup on the way), or the window is disabled (a modal
// dialog is open over it).
BOOL AfxSimulateMenuChoice(HWND hWnd, UINT nID, BOOL bSystemMenu = FALSE);

// CMenu's members that only tests call.
class CMenuTesting {
  public:
    static HMENU Detach(CMenu& o) { return o.Detach(); }
    static BOOL CreatePopupMenu(CMenu& o) { return o.CreatePopupMenu(); }
    static BOOL LoadMenu(CMenu& o, UINT nIDResource) { return o.LoadMenu(nIDResource); }
    static BOOL CheckMenuRadioItem(CMenu& o, UINT nIDFirst, UINT nIDLast, UINT nIDItem, UINT nFlags) {
        return o.CheckMenuRadioItem(nIDFirst, nIDLast, nIDItem, nFlags);
    }
    static UINT GetMenuItemCount(const CMenu& o) { return o.GetMenuItemCount(); }
    static UINT GetMenuItemID(const CMenu& o, int nPos) { return o.GetMenuItemID(nPos); }
    static int GetMenuString(const CMenu& o, UINT nIDItem, LPTSTR lpString, int nMaxCount, UINT nFlags) {
        return o.GetMenuString(nIDItem, lpString, nMaxCount, nFlags);
    }
    static int GetMenuString(const CMenu& o, UINT nIDItem, CString& rString, UINT nFlags) {
        return o.GetMenuString(nIDItem, rString, nFlags);
    }
    static UINT EnableMenuItem(CMenu& o, UINT nIDEnableItem, UINT nEnable) {
        return o.EnableMenuItem(nIDEnableItem, nEnable);
    }
    static UINT GetMenuState(const CMenu& o, UINT nID, UINT nFlags) { return o.GetMenuState(nID, nFlags); }
    static BOOL ModifyMenu(CMenu& o, UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem) {
        return o.ModifyMenu(nPosition, nFlags, nIDNewItem, lpszNewItem);
    }
};
