// Painting as data. Device contexts (HDC) draw nothing: every drawing operation is recorded as a plain
// CDrawOp on the window the context targets, so tests read what was drawn and a later view replays it.
// With no view, the renderer is a null renderer.
//
// Records. Each window has one record (a list of operations in drawing order). An opaque fill or a copy
// that covers the whole drawing surface of the context (the client area for client and paint contexts,
// the window for window contexts) starts the record afresh; beyond kMaxDrawOps operations the oldest are
// dropped. A window's record goes with the window. Memory contexts record nothing; what is copied from
// them with BitBlt is recorded on the target as a copy of the bitmap selected into them.
//
// Coordinates are the context's: client pixels for client and paint contexts, window pixels (origin at
// the window's top-left corner) for window contexts. There is no clipping.
//
// Text metrics come from the installed text measurer (text_measure.h). By default they are fixed,
// documented numbers (no real font): a font of P points is H = round(P * 4 / 3)
// pixels high (96 dpi) and every character is (H + 1) / 2 pixels wide; a line is H pixels high. The
// default font of a context is the window's font (WM_SETFONT), else the system font "System" 10 pt.
//
// System colours (GetSysColor): COLOR_BTNFACE 0xF0F0F0, COLOR_WINDOW 0xFFFFFF, COLOR_WINDOWTEXT and
// COLOR_BTNTEXT 0x000000, COLOR_GRAYTEXT 0x6D6D6D, COLOR_HIGHLIGHT 0xD77800, COLOR_HIGHLIGHTTEXT 0xFFFFFF,
// COLOR_SCROLLBAR 0xC8C8C8, COLOR_BTNSHADOW 0xA0A0A0, COLOR_BTNHIGHLIGHT 0xFFFFFF, others 0x000000.
// The default answer to WM_CTLCOLOR*: edits and list boxes white on COLOR_WINDOW, scroll bars the
// COLOR_SCROLLBAR brush, everything else COLOR_BTNFACE; text COLOR_WINDOWTEXT; background colour the
// brush's colour.
//
// Threads: every function here is safe from any thread (one mutex guards the objects, contexts and
// records; it is never held while a window procedure or the renderer runs). A context itself belongs to
// the thread that uses it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/cmd_target.h"
#include "platform/win/cstring.h"
#include "platform/win/geometry.h"
#include "platform/win/window.h"

#ifndef TESSARO_LPINT_DEFINED
#define TESSARO_LPINT_DEFINED
using LPINT = int*;
#endif

// ---- Constants ----
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;

constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;

constexpr int FW_DONTCARE = 0;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_SWISS = 0x20;
constexpr int LF_FACESIZE = 32;

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr int OBJ_PEN = 1;
constexpr int OBJ_BRUSH = 2;
constexpr int OBJ_FONT = 6;
constexpr int OBJ_BITMAP = 7;

struct LOGFONTA {
    LONG lfHeight;  // < 0: character height in pixels; > 0: cell height; 0: the default size
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};
using LOGFONT = LOGFONTA;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

// ---- The recorded operations ----
enum class CDrawOpKind {
    FillRect,    // rc filled with crBrush (FillRect, FillSolidRect, erasing)
    Rectangle,   // rc outlined with the pen, filled with the brush unless bNullBrush
    Ellipse,     // the ellipse in rc, likewise
    Edge,        // a sunken or raised 3-D frame on rc (nFlags: 1 sunken, 0 raised)
    Line,        // from (rc.left, rc.top) to (rc.right, rc.bottom) with the pen
    Text,        // TextOut: strText at (rc.left, rc.top); rc is the text's extent
    TabbedText,  // TabbedTextOut: as Text, with tabStops and nTabOrigin
    DrawText,    // DrawText: strText formatted in rc with the DT_* flags in nFlags
    BitBlt,      // nBitmapId (0: not a resource bitmap) copied to rc from ptSrc; nFlags the raster op
    DrawIcon,    // hIcon drawn with its top-left corner at (rc.left, rc.top)
};

// A font's face name as the drawing operations hold it: each distinct name is kept once for the life of
// the process, so an operation copies a pointer, not the characters, and two names compare by that
// pointer. Reads as the std::string it names. Making one from characters looks the name up under a lock
// of its own (never held while any other lock is taken); copying one takes no lock. Default: "".
class CFaceName {
  public:
    CFaceName() = default;
    CFaceName(const char* psz);         // NOLINT: reads as a string
    CFaceName(std::string_view name);   // NOLINT
    CFaceName(const std::string& str);  // NOLINT

    operator const std::string&() const { return *m_pName; }  // NOLINT
    const std::string& str() const { return *m_pName; }
    const char* c_str() const { return m_pName->c_str(); }
    std::size_t size() const { return m_pName->size(); }
    bool empty() const { return m_pName->empty(); }

    friend bool operator==(const CFaceName& a, const CFaceName& b) { return a.m_pName == b.m_pName; }
    friend bool operator==(const CFaceName& a, std::string_view b) { return *a.m_pName == b; }
    friend bool operator==(const CFaceName& a, const char* b) { return *a.m_pName == b; }
    friend bool operator==(const CFaceName& a, const std::string& b) { return *a.m_pName == b; }

  private:
    static const std::string* Empty();
    const std::string* m_pName = Empty();
};
std::ostream& operator<<(std::ostream& os, const CFaceName& face);

struct CDrawOp {
    CDrawOpKind nKind = CDrawOpKind::FillRect;
    RECT rc{};
    POINT ptSrc{};
    BOOL bWindowCoords = FALSE;  // the context was a window context
    COLORREF crText = 0;
    COLORREF crBk = 0;
    int nBkMode = OPAQUE;
    COLORREF crBrush = 0;
    BOOL bNullBrush = FALSE;
    COLORREF crPen = 0;
    int nPenStyle = PS_SOLID;
    int nPenWidth = 1;
    CFaceName strFontFace;
    int nFontPointSize10 = 0;  // tenths of a point
    int nFontHeight = 0;       // pixels
    std::string strText;
    UINT nFlags = 0;
    UINT nBitmapId = 0;
    int nBitmapWidth = 0;
    int nBitmapHeight = 0;
    HICON hIcon = nullptr;
    std::vector<int> tabStops;
    int nTabOrigin = 0;
};

// ---- The functions on plain handles ----
HDC GetDC(HWND hWnd);  // NULL window: a context that records nothing
int ReleaseDC(HWND hWnd, HDC hDC);
HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);  // takes the update region; sends WM_ERASEBKGND when due
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);
HDC CreateCompatibleDC(HDC hDC);
BOOL DeleteDC(HDC hDC);

HGDIOBJ GetStockObject(int i);
// Returns the previous object of that kind, NULL when the object or the context is invalid.
HGDIOBJ SelectObject(HDC hDC, HGDIOBJ h);
// Stock objects are never deleted (TRUE). An object still selected into a context is deleted when it is
// selected out or the context goes.
BOOL DeleteObject(HGDIOBJ ho);
// Every kind of drawing-object handle passes where an HGDIOBJ is expected, as on Windows.
inline HGDIOBJ SelectObject(HDC hDC, HBRUSH h) {
    return SelectObject(hDC, reinterpret_cast<HGDIOBJ>(h));
}
inline HGDIOBJ SelectObject(HDC hDC, HPEN h) {
    return SelectObject(hDC, reinterpret_cast<HGDIOBJ>(h));
}
inline HGDIOBJ SelectObject(HDC hDC, HFONT h) {
    return SelectObject(hDC, reinterpret_cast<HGDIOBJ>(h));
}
inline HGDIOBJ SelectObject(HDC hDC, HBITMAP h) {
    return SelectObject(hDC, reinterpret_cast<HGDIOBJ>(h));
}
inline BOOL DeleteObject(HBRUSH h) {
    return DeleteObject(reinterpret_cast<HGDIOBJ>(h));
}
inline BOOL DeleteObject(HPEN h) {
    return DeleteObject(reinterpret_cast<HGDIOBJ>(h));
}
inline BOOL DeleteObject(HFONT h) {
    return DeleteObject(reinterpret_cast<HGDIOBJ>(h));
}
inline BOOL DeleteObject(HBITMAP h) {
    return DeleteObject(reinterpret_cast<HGDIOBJ>(h));
}

// A bitmap resource (a BMP registered with AfxRegisterBitmap that AfxDecodeBmpHeader accepts); NULL when
// it is missing or malformed.
HBITMAP LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName);
// The pixels of such an image as 0x00RRGGBB, the top row first, width x height of them. A 4-bit index
// beyond the palette reads as black. FALSE (and *pPixels untouched) for what AfxDecodeBmpHeader refuses.
BOOL AfxDecodeBmpPixels(const BYTE* pData, size_t nSize, int* pnWidth, int* pnHeight,
                        std::vector<std::uint32_t>* pPixels);

COLORREF GetSysColor(int nIndex);

int SetBkMode(HDC hdc, int mode);  // previous mode, 0 on failure

// Tabs expand to the next stop: no stops, every 8 average characters; one stop, every lpnTabStopPositions[0]
// pixels; several, at those positions (then every last-stop pixels). Stops count from nTabOrigin. Returns
// the extent: width in the low word, height in the high word.
LONG TabbedTextOutA(HDC hdc, int x, int y, LPCSTR lpString, int chCount, int nTabPositions,
                    const int* lpnTabStopPositions, int nTabOrigin);
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
constexpr UINT BDR_SUNKENOUTER = 0x0002;
constexpr UINT BDR_SUNKENINNER = 0x0008;
constexpr UINT BDR_RAISEDOUTER = 0x0001;
constexpr UINT BDR_RAISEDINNER = 0x0004;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT BF_RECT = 0x000F;

// ---- Drawing objects ----
class CGdiObject : public CObject {
    DECLARE_DYNAMIC(CGdiObject)
  public:
    CGdiObject() = default;
    ~CGdiObject() override;  // deletes the attached object

    HGDIOBJ m_hObject = nullptr;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    // A permanent object of the handle, else a temporary object that lives as long as the handle.
    static CGdiObject* PASCAL FromHandle(HGDIOBJ hObject);
    BOOL Attach(HGDIOBJ hObject);
    BOOL DeleteObject();

  private:
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    friend class CGdiObjectTesting;
    HGDIOBJ Detach();
    BOOL CreateStockObject(int nIndex);
};

class CBrush : public CGdiObject {
    DECLARE_DYNAMIC(CBrush)
  public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
    operator HBRUSH() const { return static_cast<HBRUSH>(static_cast<void*>(m_hObject)); }  // NOLINT
    BOOL CreateSolidBrush(COLORREF crColor);
};

class CDC;

class CFont : public CGdiObject {
    DECLARE_DYNAMIC(CFont)
  public:
    CFont() = default;
    operator HFONT() const { return static_cast<HFONT>(static_cast<void*>(m_hObject)); }  // NOLINT
    // nPointSize in tenths of a point (120 = 12 pt). FALSE when a font is attached already or the face
    // name is NULL.
    BOOL CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC* pDC = nullptr);

  private:
    BOOL CreatePointFontIndirect(const LOGFONT* lpLogFont, CDC* pDC = nullptr);
};

class CBitmap : public CGdiObject {
    DECLARE_DYNAMIC(CBitmap)
  public:
    CBitmap() = default;
    operator HBITMAP() const { return static_cast<HBITMAP>(static_cast<void*>(m_hObject)); }  // NOLINT
    // FALSE when a bitmap is attached already, or the resource is missing or not a 24-bit BMP.
    BOOL LoadBitmap(UINT nIDResource);

  private:
    friend class CBitmapTesting;
    int GetBitmap(BITMAP* pBitMap) const;
};

// ---- Device contexts ----
class CDC : public CObject {
    DECLARE_DYNAMIC(CDC)
  public:
    CDC() = default;
    // A context created by this object (CreateCompatibleDC) is deleted; an attached one is released.
    ~CDC() override;

    HDC m_hDC = nullptr;
    HDC m_hAttribDC = nullptr;

    operator HDC() const { return m_hDC; }  // NOLINT
    HDC GetSafeHdc() const { return m_hDC; }
    // The permanent object of the context, else a temporary object that lives until the context is
    // released or deleted. NULL for NULL.
    static CDC* PASCAL FromHandle(HDC hDC);

    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();

    CBrush* SelectObject(CBrush* pBrush);
    CFont* SelectObject(CFont* pFont);
    CBitmap* SelectObject(CBitmap* pBitmap);

    COLORREF SetBkColor(COLORREF crColor);
    COLORREF SetTextColor(COLORREF crColor);
    int SetBkMode(int nBkMode);

    // Like the framework's: also sets the context's background colour to clr.
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    BOOL Ellipse(int x1, int y1, int x2, int y2);
    BOOL Ellipse(LPCRECT lpRect);
    BOOL TextOut(int x, int y, LPCTSTR lpszString, int nCount);
    BOOL TextOut(int x, int y, const CString& str);
    int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat);
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
    BOOL DrawIcon(int x, int y, HICON hIcon);

  private:
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    friend struct CDCInternals;
    BOOL m_bCreated = FALSE;  // made by CreateCompatibleDC: deleted by the destructor
    friend class CDCTesting;
    COLORREF GetBkColor() const;
    void FillRect(LPCRECT lpRect, CBrush* pBrush);
    CSize TabbedTextOut(int x, int y, LPCTSTR lpszString, int nCount, int nTabPositions,
                        LPINT lpnTabStopPositions, int nTabOrigin);
    CSize TabbedTextOut(int x, int y, const CString& str, int nTabPositions, LPINT lpnTabStopPositions,
                        int nTabOrigin);
    CSize GetTextExtent(LPCTSTR lpszString, int nCount) const;
    CSize GetTextExtent(const CString& str) const;

  protected:
    BOOL Attach(HDC hDC);
    HDC Detach();
};

class CPaintDC : public CDC {
    DECLARE_DYNAMIC(CPaintDC)
  public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};

  protected:
    HWND m_hWnd = nullptr;
};

class CClientDC : public CDC {
    DECLARE_DYNAMIC(CClientDC)
  public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

  protected:
    HWND m_hWnd = nullptr;
};
