#include "app/main_dialog.h"

// FIXME: stubs
void CTessaro2010Dlg::SelectBoard(UINT) {}
void CTessaro2010Dlg::BoardPostamble() {}
void CTessaro2010Dlg::ConfigureTtlPorts() {}
