#pragma once

#include <string>
#include <string_view>

#include "platform/wintypes.h"

// Finds the item of hMenu (a bar or popup) named by strPath: its texts from hMenu down with '>' between
// them. Texts compare as a user reads them: the menu's '&' marks dropped ("&&" stands for '&'), the
// accelerator text from a tab on dropped, runs of blanks as one blank, no blank at either end, letter case
// ignored. A text of the path may be written as it reads or with the menu's '&' marks.
// TRUE with the item's command id and strShown, the path with the texts as the menu has them ('&' marks
// and accelerators dropped); FALSE with the reason in strWhy.
BOOL FindMenuItemByPath(HMENU hMenu, std::string_view strPath, UINT& nId, std::string& strShown,
                        std::string& strWhy);
