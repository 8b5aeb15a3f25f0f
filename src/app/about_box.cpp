#include "app/main_dialog.h"

// FIXME: the About box and the splash come with their own dialog.
BOOL CTessaro2010Dlg::ShowAboutBox() { return FALSE; }
