// Internal to the window framework (menu.h): loading and destroying menus by handle, the system menu.
#pragma once

#include "platform/win/menu.h"

HMENU LoadMenuA(HINSTANCE hInstance, LPCSTR lpMenuName);  // from the registered menu resources
BOOL DestroyMenu(HMENU hMenu);                            // with its popups
// The window's copy of the system menu (Restore, Move, Size, Minimize, Maximize, separator, Close), made
// on first use; bRevert destroys the copy and returns NULL.
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert);
