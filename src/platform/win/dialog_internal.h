// Internal to the window framework (dialog.h): the dialog class's window procedure.
#pragma once

#include "platform/win/dialog.h"

constexpr char kDialogClassName[] = "#32770";

// The dialog class's window procedure: the dialog manager's default processing.
LRESULT AfxDefDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
