// Test inspection of dialogs (dialog.h): dialog units and the dialog keys.
// CDialogTesting reaches the members of CDialog that only tests call.
#pragma once

#include "platform/win/dialog.h"

// Base units of a template's font (see the table above).
SIZE AfxDialogBaseUnits(const CDialogTemplate& tmpl);
// Dialog units to pixels with the dialog's base units; FALSE for a window that is not a dialog.
BOOL MapDialogRect(HWND hDlg, LPRECT lpRect);
// TRUE when the message was a dialog key of hDlg's controls and has been handled.
BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg);
inline BOOL IsDialogMessage(HWND hDlg, LPMSG lpMsg) {
    return IsDialogMessageA(hDlg, lpMsg);
}

// CDialog's members that only tests call.
class CDialogTesting {
  public:
    static BOOL CreateIndirect(CDialog& o, const CDialogTemplate* pTemplate, CWnd* pParentWnd = nullptr) {
        return o.CreateIndirect(pTemplate, pParentWnd);
    }
    static void NextDlgCtrl(const CDialog& o) { o.NextDlgCtrl(); }
    static void MapDialogRect(const CDialog& o, LPRECT lpRect) { o.MapDialogRect(lpRect); }
    static void EndDialog(CDialog& o, int nResult) { o.EndDialog(nResult); }
    static void GotoDlgCtrl(CDialog& o, CWnd* pWndCtrl) { o.GotoDlgCtrl(pWndCtrl); }
};
