// Test set-up of menus (menu.h): menus built item by item and set on a window.
#pragma once

#include "platform/win/menu.h"

HMENU CreateMenu();
BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
inline BOOL AppendMenu(HMENU h, UINT f, UINT_PTR id, LPCSTR s) {
    return AppendMenuA(h, f, id, s);
}
BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags);  // destroys a popup it removes
BOOL SetMenu(HWND hWnd, HMENU hMenu);
