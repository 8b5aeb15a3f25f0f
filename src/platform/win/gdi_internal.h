// Internal to the window framework (gdi.h): the fixed font metric and the drawing functions that only
// the framework's own painting (controls, frames, menus) calls.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win/gdi.h"

// Pixel height and character width of the fixed metric for a font of nPointSize10 tenths of a point.
int AfxFontPixelHeight(int nPointSize10);
int AfxFontCharWidth(int nPixelHeight);
// The generation of the window's drawing record: a number that changes whenever the record does, never
// the number of another record (0: none). When it differs from nKnown, *pOps (may be NULL) gets the record.
std::uint64_t AfxGetDrawOpsIfChanged(HWND hWnd, std::uint64_t nKnown, std::vector<CDrawOp>* pOps);
// A number that changes whenever any window's drawing record changes or goes (returned): while it stays,
// every record read since it was taken is still the record. *pWindows gets the windows whose records
// changed or went since it was nKnown, in ascending order, with *pbListed TRUE; FALSE (and *pWindows
// empty) when that is too long ago to tell.
std::uint64_t AfxGetDrawRecordsChangedSince(std::uint64_t nKnown, std::vector<HWND>* pWindows,
                                            bool* pbListed);
HDC GetWindowDC(HWND hWnd);
HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
HBRUSH GetSysColorBrush(int nIndex);  // a shared brush that is never deleted
COLORREF SetTextColor(HDC hdc, COLORREF color);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
BOOL LineTo(HDC hdc, int x, int y);
BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon);
BOOL DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags);
// Makes sure the drawing hooks (default colour answers, background erasing, fonts, record clean-up) are
// installed. Called by every entry point that needs them; idempotent.
void AfxEnsureGdiHooks();
