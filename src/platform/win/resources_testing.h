// Test look-up of the registered dialog templates (resources.h).
#pragma once

#include "platform/win/resources.h"

const CDialogTemplate* AfxFindDialogTemplate(UINT nID);
const CDialogTemplate* AfxFindDialogTemplate(LPCTSTR lpszName);  // MAKEINTRESOURCE ids only
