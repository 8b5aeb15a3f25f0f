// FIXME: stand-in for the two switches of the application object, which the advanced dialog sets.
// The application object (CTessaro2010App theApp) takes over these members with the same names and
// replaces this header.
#pragma once

#include "platform/wintypes.h"

struct CTessaro2010AppSwitches {
    BOOL m_bHostInterfaceDisabled = FALSE;  // "Disable Corvessa Interface"
    BOOL m_bUiUpdatesDisabled = FALSE;      // "Disable UI updates"
};

extern CTessaro2010AppSwitches theApp;
