// Test inspection of strings (cstring.h).
// CStringTesting reaches the members of CString that only tests call.
#pragma once

#include "platform/win/cstring.h"

// CString's members that only tests call.
class CStringTesting {
  public:
    static TCHAR GetAt(const CString& o, int i) { return o.GetAt(i); }
};
