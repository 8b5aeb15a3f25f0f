#include "app/main_dialog.h"

// FIXME: stubs
BOOL CTessaro2010Dlg::CreateChannelDialogs() { return FALSE; }
BOOL CTessaro2010Dlg::LayoutChannelDialogs(UINT, WPARAM, LPARAM) { return FALSE; }
void CTessaro2010Dlg::SizeMainDialog(int) {}
void CTessaro2010Dlg::OnVScroll(UINT, UINT, CScrollBar*) {}
LRESULT CTessaro2010Dlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CDialog::WindowProc(message, wParam, lParam);
}
void CTessaro2010Dlg::OnExpandToggle() {}
void CTessaro2010Dlg::SetPanelsExpanded(BOOL) {}
