// Helpers for the dialog, control and painting tests: compact template building, a BMP image in
// memory, and a dialog that records the notifications its controls send.
#pragma once

#include <string>
#include <vector>

#include "platform/win/framework.h"
#include "platform/win/user_actions.h"
#include "support/win_fixture.h"

CDialogItemTemplate DlgItem(UINT nID, const char* pszClass, const char* pszText, DWORD dwStyle, short x,
                            short y, short cx, short cy, UINT nImageId = 0);
// A popup dialog with caption and system menu (plus dwStyle) of cx x cy dialog units at (0, 0).
CDialogTemplate DlgTemplate(UINT nID, std::vector<CDialogItemTemplate> items, DWORD dwStyle = 0,
                            short cx = 200, short cy = 100, const char* pszFont = "MS Shell Dlg",
                            WORD wPointSize = 8);
// A 24-bit BMP file image of w x h pixels, all of colour c (black by default); bTopDown stores the rows
// top first.
std::vector<BYTE> SolidBmp(int w, int h, COLORREF c = 0, bool bTopDown = false);

struct CNotice {
    UINT nMessage;  // WM_COMMAND, WM_NOTIFY or WM_VSCROLL/WM_HSCROLL
    UINT nID;       // control id
    UINT nCode;     // notification code (WM_NOTIFY: the NMHDR code; scroll: the SB_* code)
    int nPos;       // scroll: the position in the high word
};

// A dialog that records its controls' notifications (before its normal handling).
class CNoticeDlg : public CDialog {
  public:
    explicit CNoticeDlg(UINT nIDTemplate, CWnd* pParent = nullptr) : CDialog(nIDTemplate, pParent) {}
    std::vector<CNotice> m_notices;
    int Count(UINT nMessage, UINT nID, UINT nCode) const;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
