// Test hooks of the drawing record (gdi.h): a window's record, clearing it and watching every operation as
// it is recorded; the drawing functions the program reaches only through CDC, and the BMP header check.
// CGdiObjectTesting, CBitmapTesting and CDCTesting reach the members of their classes that only tests call.
#pragma once

#include "platform/win/gdi.h"

constexpr size_t kMaxDrawOps = 4096;  // the operations a record keeps

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

// What a window has drawn, oldest first. Empty for a window that drew nothing or is gone.
std::vector<CDrawOp> AfxGetDrawOps(HWND hWnd);
int GetObjectA(HGDIOBJ h, int c, LPVOID pv);  // BITMAP, LOGFONTA; bytes written, 0 on failure
HBRUSH CreateSolidBrush(COLORREF color);
// Width and height of an uncompressed BMP file image of 24 bits per pixel, or of 4 bits per pixel with a
// palette of at most 16 colours (biClrUsed, 0 meaning 16); rows bottom-up or top-down. FALSE for anything
// else or truncated data.
BOOL AfxDecodeBmpHeader(const BYTE* pData, size_t nSize, int* pnWidth, int* pnHeight);
COLORREF SetBkColor(HDC hdc, COLORREF color);  // previous colour, CLR_INVALID on failure
COLORREF GetTextColor(HDC hdc);
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c);
// cchText -1: up to the terminator. Returns the height of the text. DT_CALCRECT only measures: the
// rectangle's right and bottom are set to the text's extent and nothing is drawn.
int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format);
BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl);

// CGdiObject's members that only tests call.
class CGdiObjectTesting {
  public:
    static HGDIOBJ Detach(CGdiObject& o) { return o.Detach(); }
    static BOOL CreateStockObject(CGdiObject& o, int nIndex) { return o.CreateStockObject(nIndex); }
};

// CBitmap's members that only tests call.
class CBitmapTesting {
  public:
    static int GetBitmap(const CBitmap& o, BITMAP* pBitMap) { return o.GetBitmap(pBitMap); }
};

// CDC's members that only tests call.
class CDCTesting {
  public:
    static COLORREF GetBkColor(const CDC& o) { return o.GetBkColor(); }
    static void FillRect(CDC& o, LPCRECT lpRect, CBrush* pBrush) { o.FillRect(lpRect, pBrush); }
    static CSize TabbedTextOut(CDC& o, int x, int y, LPCTSTR lpszString, int nCount, int nTabPositions,
                               LPINT lpnTabStopPositions, int nTabOrigin) {
        return o.TabbedTextOut(x, y, lpszString, nCount, nTabPositions, lpnTabStopPositions, nTabOrigin);
    }
    static CSize TabbedTextOut(CDC& o, int x, int y, const CString& str, int nTabPositions,
                               LPINT lpnTabStopPositions, int nTabOrigin) {
        return o.TabbedTextOut(x, y, str, nTabPositions, lpnTabStopPositions, nTabOrigin);
    }
    static CSize GetTextExtent(const CDC& o, LPCTSTR lpszString, int nCount) {
        return o.GetTextExtent(lpszString, nCount);
    }
    static CSize GetTextExtent(const CDC& o, const CString& str) { return o.GetTextExtent(str); }
};
