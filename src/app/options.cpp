#include "app/main_dialog.h"

// FIXME: stubs
void CTessaro2010Dlg::SetQualityThreshold(int) {}
void CTessaro2010Dlg::SetTtlRadix(int, BOOL) {}
void CTessaro2010Dlg::EnableTtlInputMarkers(BOOL) {}
void CTessaro2010Dlg::EnableRoiOutput(BOOL) {}
void CTessaro2010Dlg::ShowLastError(const char*) {}
