#include "run/menu_path.h"

#include "platform/win/menu.h"
#include "run/run_text.h"

using runtext::MenuText;

BOOL FindMenuItemByPath(HMENU hMenu, std::string_view strPath, UINT& nId, std::string& strShown,
                        std::string& strWhy) {
    strShown.clear();
    strWhy.clear();
    if (hMenu == nullptr) {
        strWhy = "the window has no menu";
        return FALSE;
    }
    size_t nStart = 0;
    for (;;) {
        const size_t nEnd = strPath.find('>', nStart);
        const std::string_view part =
            strPath.substr(nStart, nEnd == std::string_view::npos ? nEnd : nEnd - nStart);
        // What the user typed: as it reads, or with the menu's own '&' marks.
        const std::string strWanted = MenuText(part, true, false);
        const std::string strWantedMarked = MenuText(part, true);
        const int nCount = GetMenuItemCount(hMenu);
        int nPos = -1;
        std::string strText;
        for (int i = 0; i < nCount && nPos < 0; ++i) {
            char szText[256] = {};
            GetMenuStringA(hMenu, static_cast<UINT>(i), szText, sizeof szText, MF_BYPOSITION);
            const std::string strFolded = MenuText(szText, true);
            if (szText[0] != '\0' && (strFolded == strWanted || strFolded == strWantedMarked)) {
                nPos = i;
                strText = MenuText(szText, false);
            }
        }
        const std::string strSoFar = strShown + (strShown.empty() ? "" : ">");
        if (nPos < 0) {
            strWhy = "no menu item \"" + std::string(part) + "\" in " +
                     (strShown.empty() ? std::string("the menu bar") : strShown);
            return FALSE;
        }
        strShown = strSoFar + strText;
        HMENU hSub = GetSubMenu(hMenu, nPos);
        if (nEnd == std::string_view::npos) {
            if (hSub != nullptr) {
                strWhy = strShown + " is a menu, not an item";
                return FALSE;
            }
            nId = GetMenuItemID(hMenu, nPos);
            return TRUE;
        }
        if (hSub == nullptr) {
            strWhy = strShown + " is an item, not a menu";
            return FALSE;
        }
        hMenu = hSub;
        nStart = nEnd + 1;
    }
}
