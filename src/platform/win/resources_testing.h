// Test look-up of the registered dialog and menu templates and strings (resources.h).
#pragma once

#include "platform/win/resources.h"

const CDialogTemplate* AfxFindDialogTemplate(UINT nID);
const CDialogTemplate* AfxFindDialogTemplate(LPCTSTR lpszName);  // MAKEINTRESOURCE ids only

const CMenuTemplate* AfxFindMenuTemplate(UINT nID);
LPCTSTR AfxFindString(UINT nID);  // NULL when there is none
