// CPoint, CSize, CRect and the plain RECT helpers. Rectangles are half-open: right and bottom lie just
// outside, so Width() = right - left. Coordinates are pixels.
#pragma once

#include <algorithm>

#include "platform/wintypes.h"

class CSize : public SIZE {
  public:
    CSize() : SIZE{0, 0} {}
    CSize(int x, int y) : SIZE{x, y} {}
    CSize(SIZE s) : SIZE(s) {}  // NOLINT
    friend bool operator==(const CSize& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }
    friend bool operator==(const CSize& a, const CSize& b) { return a.cx == b.cx && a.cy == b.cy; }
};

class CPoint : public POINT {
  public:
    CPoint() : POINT{0, 0} {}
    CPoint(int x0, int y0) : POINT{x0, y0} {}
    CPoint(POINT p) : POINT(p) {}  // NOLINT
    // From an lParam of a mouse message: signed low word x, signed high word y.
    explicit CPoint(LPARAM lParam)
        : POINT{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))} {}
    // Free functions, so that a CPoint compared with a const CPoint is unambiguous (C++20 also tries
    // the arguments reversed); != follows from ==.
    friend bool operator==(const CPoint& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
    friend bool operator==(const CPoint& a, const CPoint& b) { return a.x == b.x && a.y == b.y; }
};

inline BOOL SetRect(LPRECT r, int l, int t, int rr, int b) {
    if (!r) return FALSE;
    *r = RECT{l, t, rr, b};
    return TRUE;
}
inline BOOL SetRectEmpty(LPRECT r) {
    return SetRect(r, 0, 0, 0, 0);
}
inline BOOL EqualRect(const RECT* a, const RECT* b) {
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}
inline BOOL OffsetRect(LPRECT r, int dx, int dy) {
    if (!r) return FALSE;
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
    return TRUE;
}
inline BOOL IsRectEmpty(const RECT* r) {
    return !r || r->right <= r->left || r->bottom <= r->top;
}
// Empty result (all zero) and FALSE when the rectangles do not overlap.
inline BOOL IntersectRect(LPRECT d, const RECT* a, const RECT* b) {
    if (!d || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        SetRectEmpty(d);
        return FALSE;
    }
    *d = r;
    return TRUE;
}
// An empty rectangle contributes nothing to a union.
inline BOOL UnionRect(LPRECT d, const RECT* a, const RECT* b) {
    if (!d || !a || !b) return FALSE;
    if (IsRectEmpty(a)) {
        *d = *b;
    } else if (IsRectEmpty(b)) {
        *d = *a;
    } else {
        *d = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                  std::max(a->bottom, b->bottom)};
    }
    return !IsRectEmpty(d);
}

class CRect : public RECT {
  public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}                          // NOLINT
    CRect(const RECT* r) : RECT(r ? *r : RECT{0, 0, 0, 0}) {}  // NOLINT
    CRect(POINT topLeft, SIZE size) : RECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy} {}
    CRect(POINT topLeft, POINT bottomRight) : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }

    operator LPRECT() { return this; }             // NOLINT
    operator const RECT*() const { return this; }  // NOLINT

    void SetRectEmpty() { ::SetRectEmpty(this); }
    void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
    void OffsetRect(POINT p) { ::OffsetRect(this, p.x, p.y); }

    // Free functions, so that comparing a CRect with a const CRect is not ambiguous under C++20's
    // reversed candidates.
    friend bool operator==(const CRect& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }
    friend bool operator==(const CRect& a, const CRect& b) { return ::EqualRect(&a, &b) != FALSE; }

  private:
    friend class CRectTesting;
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
};
