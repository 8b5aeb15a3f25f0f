// One control of a dialog template: id, window class, text, style and place in dialog units; nImageId
// names the bitmap or icon of a picture control (0: none).
#pragma once

#include <string>
#include <utility>

#include "platform/win/resources.h"

inline CDialogItemTemplate TemplateItem(UINT nID, const char* pszClass, std::string strText, DWORD dwStyle,
                                        short x, short y, short cx, short cy, UINT nImageId = 0) {
    return CDialogItemTemplate{.nID = nID,
                               .strClass = pszClass,
                               .strText = std::move(strText),
                               .dwStyle = dwStyle,
                               .x = x,
                               .y = y,
                               .cx = cx,
                               .cy = cy,
                               .nImageId = nImageId};
}
