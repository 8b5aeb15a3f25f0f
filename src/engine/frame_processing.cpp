#include "engine/frame_processing.h"

#include "app/main_dialog.h"

std::uint32_t g_nLastCounterValue = 0;

// FIXME: stub
void CTessaro2010Dlg::ProcessFreshData() {}
