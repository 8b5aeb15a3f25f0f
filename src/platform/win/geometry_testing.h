// Rectangle inspection for tests (geometry.h).
// CRectTesting reaches the members of CRect that only tests call.
#pragma once

#include "platform/win/geometry.h"

// CRect's members that only tests call.
class CRectTesting {
  public:
    static CSize Size(const CRect& o) { return o.Size(); }
    static CPoint TopLeft(const CRect& o) { return o.TopLeft(); }
    static CPoint CenterPoint(const CRect& o) { return o.CenterPoint(); }
};
