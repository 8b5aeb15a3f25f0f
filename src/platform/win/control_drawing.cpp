// Drawing that the controls share: focus marks and arrows, made of the recorded primitives so that the
// view replays them like any other drawing.
#include <algorithm>

#include "platform/win/control_support.h"
#include "platform/win/controls_internal.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"

BOOL DrawFocusRect(HDC hDC, const RECT* lprc) {
    if (lprc == nullptr) return FALSE;
    HPEN hPen = CreatePen(PS_DOT, 1, GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ hOldPen = SelectObject(hDC, hPen);
    HGDIOBJ hOldBrush = SelectObject(hDC, GetStockObject(NULL_BRUSH));
    const BOOL bOk = Rectangle(hDC, lprc->left, lprc->top, lprc->right, lprc->bottom);
    if (hOldBrush) SelectObject(hDC, hOldBrush);
    if (hOldPen) SelectObject(hDC, hOldPen);
    DeleteObject(hPen);
    return bOk;
}

namespace winctl {

void DrawArrow(HDC hDC, const RECT& rc, UINT nDirection) {
    const int w = rc.right - rc.left, hgt = rc.bottom - rc.top;
    const int size = std::max(1, std::min(w, hgt) / 4);
    const int cx = rc.left + w / 2, cy = rc.top + hgt / 2;
    HPEN hPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
    HGDIOBJ hOld = SelectObject(hDC, hPen);
    // Lines of decreasing length from the arrow's base to its tip fill the triangle.
    for (int i = 0; i < size; ++i) {
        const int half = size - 1 - i;
        switch (nDirection) {
            case kArrowUp:
                MoveToEx(hDC, cx - half, cy - size / 2 + half, nullptr);
                LineTo(hDC, cx + half + 1, cy - size / 2 + half);
                break;
            case kArrowDown:
                MoveToEx(hDC, cx - half, cy - size / 2 + i, nullptr);
                LineTo(hDC, cx + half + 1, cy - size / 2 + i);
                break;
            case kArrowLeft:
                MoveToEx(hDC, cx - size / 2 + half, cy - half, nullptr);
                LineTo(hDC, cx - size / 2 + half, cy + half + 1);
                break;
            default:
                MoveToEx(hDC, cx - size / 2 + i, cy - half, nullptr);
                LineTo(hDC, cx - size / 2 + i, cy + half + 1);
                break;
        }
    }
    if (hOld) SelectObject(hDC, hOld);
    DeleteObject(hPen);
}

void DrawArrowButton(HDC hDC, const RECT& rc, UINT nDirection, bool bPressed) {
    RECT r = rc;
    FillRect(hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(hDC, &r, bPressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    DrawArrow(hDC, rc, nDirection);
}

}  // namespace winctl
