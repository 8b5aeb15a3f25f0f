// Dialogs built from the registered templates (resources.h), modal (DoModal: a nested message loop until
// EndDialog) or modeless (Create), and the dialog manager's keyboard handling (IsDialogMessage).
//
// Dialog units. A template's positions and sizes are dialog units of its font. The base units of a font
// of P points (any face) are X = (7 P + 5) / 10 and Y = (16 P + 5) / 10 pixels (integer division), and
//     pixels x = MulDiv(du x, X, 4),   pixels y = MulDiv(du y, Y, 8)   (rounded to nearest):
//         font                        base units X x Y
//         "MS Shell Dlg" 8 pt         6 x 13
//         "MS Sans Serif" 9 pt        6 x 14
//         "Microsoft Sans Serif" 10   7 x 16
// A template without a point size counts as 8 pt. The template's size is the client area; the window
// rectangle adds the non-client border of window.h (caption, frame, menu bar when the template has a
// menu). A top-level dialog's x, y place its window's top-left corner relative to the owner's client area
// (the screen without owner, or with DS_ABSALIGN); DS_CENTER centres it over the owner or the screen.
// A child dialog (WS_CHILD) is placed in its parent's client area.
//
// Creation order: the window (hidden), the font (WM_SETFONT), every control in template order (hidden
// controls without WS_VISIBLE), WM_INITDIALOG (OnInitDialog; TRUE puts the focus on the first tab stop),
// then, for a modeless dialog whose template has WS_VISIBLE, the window is shown. A control that cannot be
// created fails the whole dialog.
//
// Keys (CDialog::PreTranslateMessage -> IsDialogMessage, for the dialog's own controls): Enter sends
// WM_COMMAND with BN_CLICKED of the focused push button, else of the default button (DM_GETDEFID: the
// template's BS_DEFPUSHBUTTON), else of IDOK; Escape sends WM_COMMAND IDCANCEL; nothing is sent when that
// button exists and is disabled. Tab moves to the next tab stop (Shift+Tab, by GetAsyncKeyState, to the
// previous) and selects an edit's text. The close box (WM_SYSCOMMAND SC_CLOSE -> WM_CLOSE) posts
// WM_COMMAND IDCANCEL. A control that asks for all keys (DLGC_WANTALLKEYS) keeps Enter and Escape.
#pragma once

#include "platform/win/resources.h"
#include "platform/win/window.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
  public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    UINT m_nIDHelp = 0;
    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

    // Runs the dialog modally: the owner (the parent's top-level window, else the main window) is
    // disabled for the run; returns EndDialog's result, or -1 when the template is missing, the window
    // could not be created, or the loop ended by WM_QUIT or the stall handler. The window is destroyed.
    virtual INT_PTR DoModal();
    // A modeless dialog; pParentWnd NULL: owned by the main window when there is one.
    using CWnd::Create;
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd = nullptr);

    // Base: UpdateData(FALSE); returns TRUE.
    virtual BOOL OnInitDialog();
    // Base: UpdateData(TRUE), and EndDialog(IDOK) only when that succeeded.
    virtual void OnOK();
    // Base: EndDialog(IDCANCEL).
    virtual void OnCancel();

    BOOL PreTranslateMessage(MSG* pMsg) override;

  protected:
    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    BOOL CreateFromTemplate(const CDialogTemplate& tmpl, HWND hWndParent);
    HWND OwnerFor(CWnd* pParentWnd) const;
    // The modal run of DoModal from any template: hOwner's top-level window (NULL or a window gone: none)
    // owns the dialog and is disabled for the run unless it already is.
    INT_PTR DoModalIndirect(const CDialogTemplate& tmpl, HWND hOwner);

    BOOL m_bModal = FALSE;

    DECLARE_MESSAGE_MAP()

  private:
    friend class CDialogTesting;
    BOOL CreateIndirect(const CDialogTemplate* pTemplate, CWnd* pParentWnd = nullptr);
    void NextDlgCtrl() const;
    void MapDialogRect(LPRECT lpRect) const;

  protected:
    // Modal: ends the nested loop with nResult (also from inside OnInitDialog). Modeless: hides.
    void EndDialog(int nResult);
    void GotoDlgCtrl(CWnd* pWndCtrl);
    DWORD GetDefID() const;  // MAKELONG(id, DC_HASDEFID), or 0 without a default button
    BOOL IsDialogMessage(LPMSG lpMsg);
};
