// Test inspection of the run-time classes (cmd_target.h).
// CObjectTesting reaches the members of CObject that only tests call.
#pragma once

#include "platform/win/cmd_target.h"

// CObject's members that only tests call.
class CObjectTesting {
  public:
    static BOOL IsKindOf(const CObject& o, const CRuntimeClass* pClass) { return o.IsKindOf(pClass); }
};
