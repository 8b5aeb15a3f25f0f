// Resource tables looked up by id: dialog templates, menus, strings, the version texts, icons and bitmaps.
// The program registers its tables at start (before the first lookup) with the Afx*Register* calls; a
// later registration under the same id replaces the earlier one. Registration and lookup are thread-safe;
// a pointer returned by a lookup stays valid until that id is registered again.
//
// Static libraries drop object files that nothing references, so a table is best registered by an
// explicit call from start-up code rather than by a static registrar object alone.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win/messages.h"

// One control of a dialog template. Positions and sizes are dialog units; the class is the window class
// name of the control ("Button", "Static", "Edit", "ComboBox", "ScrollBar", "msctls_updown32",
// "SysTabControl32"); nImageId names a bitmap (SS_BITMAP statics, bitmap buttons) or icon (SS_ICON).
struct CDialogItemTemplate {
    UINT nID = 0;
    std::string strClass;
    std::string strText;
    DWORD dwStyle = 0;  // WS_CHILD is implied
    DWORD dwExStyle = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    UINT nImageId = 0;
};

struct CDialogTemplate {
    UINT nID = 0;
    std::string strCaption;
    std::string strFontName;
    WORD wPointSize = 0;
    DWORD dwStyle = 0;
    DWORD dwExStyle = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    UINT nMenuId = 0;                        // 0: no menu bar
    std::vector<CDialogItemTemplate> items;  // in control (tab and z-) order
};

// A menu item: MF_STRING (with nID and text), MF_SEPARATOR, or MF_POPUP (text and items); MF_CHECKED,
// MF_GRAYED and MF_DISABLED give the initial state.
struct CMenuItemTemplate {
    UINT nFlags = MF_STRING;
    UINT nID = 0;
    std::string strText;
    std::vector<CMenuItemTemplate> items;
};

struct CMenuTemplate {
    UINT nID = 0;
    std::vector<CMenuItemTemplate> items;  // the bar's popups
};

struct CBitmapResource {
    UINT nID = 0;
    const BYTE* pData =
        nullptr;  // a BMP file image (24-bit, or 4-bit with a palette), built into the executable
    size_t nSize = 0;
};

struct CIconResource {
    UINT nID = 0;
    HICON hIcon = nullptr;
    const BYTE* pData = nullptr;  // optional picture (BMP file image)
    size_t nSize = 0;
};

void AfxRegisterDialogTemplate(const CDialogTemplate& tmpl);

void AfxRegisterMenuTemplate(const CMenuTemplate& tmpl);

void AfxRegisterString(UINT nID, LPCTSTR lpszText);

// Version texts by key ("FileVersion", "ProductVersion", ...), exactly as stored, blanks included.
void AfxRegisterVersionText(LPCTSTR lpszKey, LPCTSTR lpszValue);
LPCTSTR AfxFindVersionText(LPCTSTR lpszKey);  // NULL when there is none

void AfxRegisterBitmap(UINT nID, const BYTE* pData, size_t nSize);
const CBitmapResource* AfxFindBitmapResource(UINT nID);

// Registers icon nID and returns its handle (the same handle for the same id).
HICON AfxRegisterIcon(UINT nID, const BYTE* pData = nullptr, size_t nSize = 0);
const CIconResource* AfxFindIconResource(UINT nID);
const CIconResource* AfxFindIconResource(HICON hIcon);
