// Test inspection of controls (controls.h): the position, range and page of a scroll bar control, the
// control classes' registration and the height of a list entry.
#pragma once

#include "platform/win/controls.h"

int GetScrollPos(HWND hWnd, int nBar);
BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos);
int SetScrollInfo(HWND hWnd, int nBar, LPCSCROLLINFO lpsi, BOOL bRedraw);
BOOL GetScrollInfo(HWND hWnd, int nBar, LPSCROLLINFO lpsi);

// Registers the control classes and the dialog class once (also run by the dialog and control creation
// paths, so templates can name the classes). Survives CWinSimulation::Reset.
void AfxEnsureControlClasses();
// The height of one entry of a list (list boxes, a combo box's list): the control's font line + 2 pixels.
int AfxControlItemHeight(HWND hWnd);
