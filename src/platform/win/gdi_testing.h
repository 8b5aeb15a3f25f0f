// Test hooks of the drawing record (gdi.h): clearing a window's record and watching every operation as
// it is recorded.
#pragma once

#include "platform/win/gdi.h"

void AfxClearDrawOps(HWND hWnd);

// Told of every recorded operation and of every record started afresh, on the drawing thread, with no
// framework lock held.
class CDrawRenderer {
  public:
    virtual ~CDrawRenderer() = default;
    virtual void OnDrawOp(HWND hWnd, const CDrawOp& op) = 0;
    virtual void OnRecordReset(HWND hWnd) = 0;
};
// NULL restores the null renderer. The renderer must outlive its use.
void AfxSetDrawRenderer(CDrawRenderer* pRenderer);

COLORREF GetBkColor(HDC hdc);
int GetObjectType(HGDIOBJ h);
