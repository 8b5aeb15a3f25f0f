#include "engine/periodic_tick.h"

#include "app/main_dialog.h"

int g_bLastAttached = -1;
BOOL g_bPulseInit = FALSE;
BYTE g_bSplashShown = TRUE;
std::uint32_t g_nDefaultTicks = 0;
std::uint16_t g_nSawToothValue[16] = {};

// FIXME: stub
void CTessaro2010Dlg::OnTimer(UINT_PTR) {}
