// Test inspection of strings (cstring.h) and their concatenation with +.
// CStringTesting reaches the members of CString that only tests call.
#pragma once

#include "platform/win/cstring.h"

CString operator+(const CString& a, LPCTSTR b);

// CString's members that only tests call.
class CStringTesting {
  public:
    static TCHAR GetAt(const CString& o, int i) { return o.GetAt(i); }
};
