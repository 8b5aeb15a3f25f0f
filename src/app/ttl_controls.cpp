#include "app/main_dialog.h"

// FIXME: stubs
void CTessaro2010Dlg::FillRadixCombo() {}
void CTessaro2010Dlg::OnTtlTestCheck() {}
void CTessaro2010Dlg::OnRadixButton() {}
void CTessaro2010Dlg::OnEnableTrigger() {}
void CTessaro2010Dlg::OnSelchangeRadix() {}
