#include "app/main_dialog.h"

// FIXME: the advanced dialog comes with its own template; until then its command does nothing.
void CTessaro2010Dlg::OnAdvanced() {}
void CTessaro2010Dlg::OnUpdateAdvanced(CCmdUI* pCmdUI) { pCmdUI->Enable(g_Params.nBoardIndex != -1); }
