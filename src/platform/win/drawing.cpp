// Drawing operations recorded on a context's window: fills, shapes, lines, edges and copies.
#include "platform/win/gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_state.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/resources.h"
#include "platform/win/win_state.h"

using namespace gdistate;

// ---- Drawing ----
namespace gdistate {

int FillSnapped(DcSnap& s, const RECT& rc, COLORREF cr) {
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::FillRect;
    op.rc = rc;
    op.crBrush = cr;
    op.bNullBrush = FALSE;
    Record(s, std::move(op), true);
    return 1;
}

int FillWithColor(HDC hDC, const RECT& rc, COLORREF cr) {
    DcSnap s = Snap(hDC);
    if (!s.bOk) return 0;
    return FillSnapped(s, rc, cr & 0x00FFFFFF);
}

}  // namespace gdistate

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    if (lprc == nullptr) return 0;
    DcSnap s = Snap(hDC);
    if (!s.bOk) return 0;
    COLORREF cr = 0;
    BOOL bNull = FALSE;
    {
        GdiState& g = G();
        std::lock_guard<CFutexMutex> lock(g.mtx);
        const LONG_PTR v = reinterpret_cast<LONG_PTR>(hbr);
        ObjRec* o = FindObj(g, Obj(hbr));
        if (o && o->nType == OBJ_BRUSH) {
            cr = o->cr;
            bNull = o->bNullBrush;
        } else if (v > 0 && v <= 31) {
            cr = GetSysColor(static_cast<int>(v) - 1);  // a system colour index + 1, as classes use it
        } else {
            return 0;
        }
    }
    if (bNull) return 1;
    return FillSnapped(s, *lprc, cr);
}

namespace {

BOOL Shape(HDC hdc, CDrawOpKind kind, int l, int t, int r, int b) {
    DcSnap s = Snap(hdc);
    if (!s.bOk) return FALSE;
    CDrawOp op = std::move(s.op);
    op.nKind = kind;
    op.rc = RECT{l, t, r, b};
    Record(s, std::move(op), kind == CDrawOpKind::Rectangle && !op.bNullBrush);
    return TRUE;
}

}  // namespace

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    return Shape(hdc, CDrawOpKind::Rectangle, left, top, right, bottom);
}
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    return Shape(hdc, CDrawOpKind::Ellipse, left, top, right, bottom);
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    return WithDc(
        hdc,
        [&](DcRec& d) {
            if (lppt) *lppt = d.ptPos;
            d.ptPos = POINT{x, y};
            return TRUE;
        },
        FALSE);
}

BOOL LineTo(HDC hdc, int x, int y) {
    POINT from{};
    if (!MoveToEx(hdc, x, y, &from)) return FALSE;
    DcSnap s = Snap(hdc);
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::Line;
    op.rc = RECT{from.x, from.y, x, y};
    Record(s, std::move(op), false);
    return TRUE;
}

BOOL DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT) {
    if (qrc == nullptr) return FALSE;
    DcSnap s = Snap(hdc);
    if (!s.bOk) return FALSE;
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::Edge;
    op.rc = *qrc;
    op.nFlags = (edge & (BDR_SUNKENOUTER | BDR_SUNKENINNER)) ? 1 : 0;
    Record(s, std::move(op), false);
    return TRUE;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    DcSnap s = Snap(hdc);
    if (!s.bOk) return FALSE;
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::BitBlt;
    op.rc = RECT{x, y, x + cx, y + cy};
    op.ptSrc = POINT{x1, y1};
    op.nFlags = rop;
    const bool bNeedsSource = rop != BLACKNESS && rop != WHITENESS && rop != PATCOPY;
    if (bNeedsSource) {
        DcSnap src = Snap(hdcSrc);
        if (!src.bOk) return FALSE;
        op.nBitmapId = src.nBitmapId;
        op.nBitmapWidth = src.cxBitmap;
        op.nBitmapHeight = src.cyBitmap;
    }
    Record(s, std::move(op), rop == SRCCOPY || !bNeedsSource);
    return TRUE;
}

BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
    if (hIcon == nullptr) return FALSE;
    DcSnap s = Snap(hDC);
    if (!s.bOk) return FALSE;
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::DrawIcon;
    op.hIcon = hIcon;
    op.rc = RECT{X, Y, X + GetSystemMetrics(SM_CXICON), Y + GetSystemMetrics(SM_CYICON)};
    Record(s, std::move(op), false);
    return TRUE;
}
