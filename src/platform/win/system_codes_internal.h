// Internal to the window framework (system_codes.h): telling a resource id from a resource name.
#pragma once

#include "platform/win/system_codes.h"

inline bool IS_INTRESOURCE(LPCSTR p) {
    return (reinterpret_cast<ULONG_PTR>(p) >> 16) == 0;
}
