// Test inspection of scroll bars (controls.h): the position, range and page of a scroll bar control.
#pragma once

#include "platform/win/controls.h"

int GetScrollPos(HWND hWnd, int nBar);
BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos);
int SetScrollInfo(HWND hWnd, int nBar, LPCSCROLLINFO lpsi, BOOL bRedraw);
BOOL GetScrollInfo(HWND hWnd, int nBar, LPSCROLLINFO lpsi);
