#include "app/main_dialog.h"

// FIXME: stubs
void CTessaro2010Dlg::LoadParameters(BOOL) {}
void CTessaro2010Dlg::SaveParameters(BOOL, BOOL) {}
void CTessaro2010Dlg::LoadDefaultParameters(ParameterBlock&) {}
