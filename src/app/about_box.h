// The About box: template 100 with its controls hidden, painted with bitmap 3000 and the program's
// version and build texts. Modeless as the start-up splash (owned by the main dialog through
// m_pAboutDlg), or modal from Help > About when no modeless box exists. User-interface thread only.
#pragma once

#include "platform/win/framework.h"
#include "resources/resource.h"

// The build date and time the box shows ("Mmm dd yyyy", "hh:mm:ss", as the compiler writes them). The
// executable hands in those of the build that linked it before the application runs (both texts must
// live for the whole run); until then, and after a NULL, the compiler's date and time of the box's own
// code stand in.
void SetBuildStamp(LPCTSTR pszDate, LPCTSTR pszTime);

class CAboutDlg : public CDialog {
  public:
    CAboutDlg();
    ~CAboutDlg() override;

    // Creates the box modeless under pParent (a top-level window when pParent has no window yet);
    // non-zero on success.
    virtual BOOL CreateModeless(CWnd* pParent);

    BOOL OnInitDialog() override;
    // Also called directly by start-up to paint the splash at once.
    afx_msg void OnPaint();
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);

    BOOL m_bModeless;  // TRUE when made by CreateModeless

  protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
