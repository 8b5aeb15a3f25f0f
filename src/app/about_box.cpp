#include "app/about_box.h"

#include "app/main_dialog.h"

// FIXME: the About box comes with its own dialog; until then no splash is made and m_pAboutDlg stays NULL.
BOOL CTessaro2010Dlg::ShowAboutBox() {
    return FALSE;
}
