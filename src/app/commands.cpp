#include "app/main_dialog.h"

// FIXME: stubs
BOOL CTessaro2010Dlg::OnCommand(WPARAM wParam, LPARAM lParam) { return CDialog::OnCommand(wParam, lParam); }
BOOL CTessaro2010Dlg::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    return CDialog::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}
BOOL CTessaro2010Dlg::PreTranslateMessage(MSG* pMsg) { return CDialog::PreTranslateMessage(pMsg); }
void CTessaro2010Dlg::OnSaveParameters() {}
void CTessaro2010Dlg::OnLoadParameters() {}
void CTessaro2010Dlg::OnExit() {}
void CTessaro2010Dlg::OnShowMsgCount() {}
