// Menu tracking: a window's menu bar operated with the mouse and the keys, its popups shown as framework
// windows (class kMenuPopupClass of menu_tracking_testing.h, topmost tool windows owned by the menu's window,
// each painting its items into its own drawing record: highlighted item, grayed items in COLOR_GRAYTEXT,
// check and radio marks, separators, the arrow of a submenu, the underlined mnemonic).
//
// The tracking is a modal loop on the calling (user-interface) thread: timers, paints and posted messages
// (host frames) go on as usual, while every key and mouse message taken by the thread's loops goes to the
// tracking instead of its window.
//   Mouse: moving over a popup selects the item under it and opens its submenu to the side; a button
//   released over an item chooses it (grayed items and separators are not chosen); moving along the bar
//   opens the popup under the mouse; a press on the open bar item, or anywhere outside the bar and the
//   popups, ends the tracking without a choice.
//   Keys: Left and Right move along the bar (Left first closes a submenu, Right first opens one); Up and
//   Down move in the innermost popup (Down opens the popup of a highlighted bar item); Enter opens a
//   submenu or chooses; a mnemonic letter selects its item (a submenu opens, a command is chosen);
//   Escape closes the innermost popup, and at the bar ends the tracking; F10 or Alt ends it.
// The owner gets WM_INITMENU when the tracking starts and WM_INITMENUPOPUP before each popup opens (its
// handlers may gray, check or change items). A choice is posted as WM_COMMAND once the popups are gone,
// and only when the window is still enabled and the item not grayed, so the command goes the same way as
// AfxSimulateMenuChoice's (the window's update handler is asked before the command is carried out).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win/messages.h"

// Told of each command a person chose by tracking a menu bar (mouse or keys), right after its WM_COMMAND
// was posted: the window, the command id, and the texts of the items from the bar down to the chosen one
// as the menu has them ('&' marks and accelerator text included). One hook; an empty one removes it.
// Called on the tracking thread, never while a framework lock is held.
using AFX_MENU_CHOICE_HOOK = std::function<void(HWND hWnd, UINT nID, const std::vector<std::string>& path)>;
void AfxSetMenuChoiceHook(AFX_MENU_CHOICE_HOOK hook);
