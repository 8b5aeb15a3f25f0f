// The About box, modeless as the start-up splash (owned by the main dialog through m_pAboutDlg) or modal
// from Help > About when no modeless box exists.
#pragma once

#include "platform/win/framework.h"

// FIXME: the About box's template 100 and its painting come with the About box itself; until then the
// class has only what the main dialog needs to own it and run it, and a modal run ends at once (-1)
// because the template is missing. The id then moves to resources/resource.h with the template.
constexpr unsigned IDD_ABOUTBOX = 100;

class CAboutDlg : public CDialog {
  public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX, nullptr) {}

    BOOL m_bModeless = FALSE;
};
