// Dialog data exchange and validation. UpdateData(FALSE) writes members into controls, UpdateData(TRUE)
// reads and validates them; DoDataExchange lists the fields in order and reading stops at the first
// field that fails: the framework's message is shown (AfxMessageBox, MB_ICONEXCLAMATION), the focus
// goes to the failing control (an edit's text is selected), that member and every later one keep their
// values (also when the text was a number that its DDV_ range check refused), and UpdateData returns
// FALSE. The members before the failing field have been read.
//
// Text formats. Written: int, UINT and long in decimal; float with "%.*g" and 6 significant digits,
// double with 15 (1.5 -> "1.5", 0.1f -> "0.1", 1.0 -> "1"). A control whose text is already the one to
// write is left alone (no EN_CHANGE). Read: blanks around the text are allowed; the rest must be the
// whole number: integers an optional sign and decimal digits within the type's range, reals an
// optional sign, digits with an optional decimal point and exponent, finite and within the type's range
// ("1e30" is a float, "1e40" is not). Anything else, the empty text included, is "Enter a number.".
// Range checks (DDV_MinMax*) show "Enter a number between %1 and %2." with the bounds written in the
// same formats; DDV_MaxChars shows "Enter no more than %1 characters.".
#pragma once

#include <functional>

#include "platform/win/cstring.h"
#include "platform/win/window.h"

class CDataExchange {
  public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    HWND m_hWndLastControl = nullptr;
    BOOL m_bEditLastControl = FALSE;

    // The control's window; a missing control fails the exchange (without a message).
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Puts the member of the last field read back to its value before the read; Fail calls it, so a
    // value refused by its range check is not kept either.
    std::function<void()> m_pfnRestoreLast;

    // Moves the focus to the last prepared control, restores the last member read and ends the exchange.
    [[noreturn]] void Fail();
};

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, float& value);
// 0 unchecked, 1 checked, 2 indeterminate; another value is written as unchecked.
void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// nIDC is the first radio button of a group (up to the next WS_GROUP control); value is the index of
// the checked button, -1 for none.
void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// Attaches rControl to the existing control (once; later exchanges leave it attached).
void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void AFXAPI DDV_MinMaxFloat(CDataExchange* pDX, float const& value, float minVal, float maxVal);
