#include "platform/win/gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/win/app.h"
#include "platform/win/kernel.h"
#include "platform/win/resources.h"
#include "platform/win/text_measure.h"
#include "platform/win/win_state.h"

namespace {

enum DcKind { kDcClient, kDcWindow, kDcPaint, kDcMemory, kDcNull };
constexpr int OBJ_DC_INTERNAL = 100;
constexpr int kDefaultBitmapStock = 18;  // the 1 x 1 bitmap a new memory context holds
constexpr int kStockCount = 19;

struct ObjRec {
    int nType = 0;  // OBJ_BRUSH, OBJ_PEN, OBJ_FONT, OBJ_BITMAP
    BOOL bStock = FALSE;
    COLORREF cr = 0;
    BOOL bNullBrush = FALSE;
    int nPenStyle = PS_SOLID;
    int nPenWidth = 1;
    LOGFONTA lf{};
    int nPt10 = 0;
    int nHeight = 0;
    UINT nBitmapId = 0;
    int cx = 0;
    int cy = 0;
    int nBitsPixel = 24;
    const BYTE* pBits = nullptr;
    int nSelected = 0;
    BOOL bDeletePending = FALSE;
};

struct DcRec {
    HWND hWnd = nullptr;
    DcKind nKind = kDcNull;
    HGDIOBJ hBrush = nullptr;
    HGDIOBJ hPen = nullptr;
    HGDIOBJ hFont = nullptr;
    HGDIOBJ hBitmap = nullptr;
    COLORREF crText = 0x000000;
    COLORREF crBk = 0xFFFFFF;
    int nBkMode = OPAQUE;
    POINT ptPos{0, 0};
};

struct GdiState {
    std::mutex mtx;
    std::unordered_map<std::uintptr_t, ObjRec> objs;
    std::unordered_map<std::uintptr_t, DcRec> dcs;
    std::unordered_map<HWND, std::deque<CDrawOp>> records;
    std::unordered_map<HWND, HFONT> fonts;
    std::unordered_map<std::uintptr_t, CDC*> permDC;
    std::unordered_map<std::uintptr_t, std::unique_ptr<CDC>> tempDC;
    std::unordered_map<std::uintptr_t, CGdiObject*> permObj;
    std::unordered_map<std::uintptr_t, std::unique_ptr<CGdiObject>> tempObj;
    std::uintptr_t nNext = 0x400000;
    HGDIOBJ stock[kStockCount] = {};
    std::unordered_map<int, HGDIOBJ> sysBrushes;
    CDrawRenderer* pRenderer = nullptr;
};

GdiState& G() {
    static GdiState* s = new GdiState;
    return *s;
}

template <class H>
std::uintptr_t Key(H h) {
    return reinterpret_cast<std::uintptr_t>(h);
}
template <class H>
H As(std::uintptr_t v) {
    return reinterpret_cast<H>(v);
}
template <class H>
HGDIOBJ Obj(H h) {
    return reinterpret_cast<HGDIOBJ>(h);
}

ObjRec* FindObj(GdiState& g, HGDIOBJ h) {
    auto it = g.objs.find(Key(h));
    return it == g.objs.end() ? nullptr : &it->second;
}
DcRec* FindDc(GdiState& g, HDC h) {
    auto it = g.dcs.find(Key(h));
    return it == g.dcs.end() ? nullptr : &it->second;
}

HGDIOBJ NewObjLocked(GdiState& g, const ObjRec& rec) {
    std::uintptr_t k = g.nNext++;
    g.objs.emplace(k, rec);
    return As<HGDIOBJ>(k);
}

HGDIOBJ StockLocked(GdiState& g, int i) {
    if (i < 0 || i >= kStockCount) return nullptr;
    if (g.stock[i]) return g.stock[i];
    ObjRec r;
    r.bStock = TRUE;
    switch (i) {
        case WHITE_BRUSH:
            r.nType = OBJ_BRUSH;
            r.cr = 0xFFFFFF;
            break;
        case LTGRAY_BRUSH:
            r.nType = OBJ_BRUSH;
            r.cr = 0xC0C0C0;
            break;
        case GRAY_BRUSH:
            r.nType = OBJ_BRUSH;
            r.cr = 0x808080;
            break;
        case DKGRAY_BRUSH:
            r.nType = OBJ_BRUSH;
            r.cr = 0x404040;
            break;
        case BLACK_BRUSH:
            r.nType = OBJ_BRUSH;
            r.cr = 0x000000;
            break;
        case NULL_BRUSH:
            r.nType = OBJ_BRUSH;
            r.bNullBrush = TRUE;
            break;
        case WHITE_PEN:
            r.nType = OBJ_PEN;
            r.cr = 0xFFFFFF;
            break;
        case BLACK_PEN:
            r.nType = OBJ_PEN;
            r.cr = 0x000000;
            break;
        case NULL_PEN:
            r.nType = OBJ_PEN;
            r.nPenStyle = PS_NULL;
            break;
        case kDefaultBitmapStock:
            r.nType = OBJ_BITMAP;
            r.cx = 1;
            r.cy = 1;
            break;
        case OEM_FIXED_FONT:
        case ANSI_FIXED_FONT:
        case ANSI_VAR_FONT:
        case SYSTEM_FONT:
        case DEVICE_DEFAULT_FONT:
        case SYSTEM_FIXED_FONT:
        case DEFAULT_GUI_FONT: {
            r.nType = OBJ_FONT;
            const bool gui = (i == DEFAULT_GUI_FONT || i == ANSI_VAR_FONT);
            std::strncpy(r.lf.lfFaceName, gui ? "MS Shell Dlg" : "System", LF_FACESIZE - 1);
            r.nPt10 = gui ? 80 : 100;
            r.nHeight = AfxFontPixelHeight(r.nPt10);
            r.lf.lfHeight = -r.nHeight;
            r.lf.lfWeight = FW_NORMAL;
            break;
        }
        default:
            return nullptr;
    }
    g.stock[i] = NewObjLocked(g, r);
    return g.stock[i];
}

// Moves a wrapper out of a map so that it can be destroyed without the lock (its destructor locks).
template <class T>
std::unique_ptr<T> TakeTemp(std::unordered_map<std::uintptr_t, std::unique_ptr<T>>& m, std::uintptr_t k) {
    auto it = m.find(k);
    if (it == m.end()) return nullptr;
    std::unique_ptr<T> p = std::move(it->second);
    m.erase(it);
    return p;
}

// Drops an object whose deletion waited for it to be selected out. Returns the temporary wrapper to be
// destroyed by the caller once the lock is released.
std::unique_ptr<CGdiObject> ReleaseSelectedLocked(GdiState& g, HGDIOBJ h) {
    ObjRec* r = FindObj(g, h);
    if (!r) return nullptr;
    if (r->nSelected > 0) --r->nSelected;
    if (r->nSelected == 0 && r->bDeletePending) {
        g.objs.erase(Key(h));
        std::unique_ptr<CGdiObject> p = TakeTemp(g.tempObj, Key(h));
        if (p) p->m_hObject = nullptr;
        return p;
    }
    return nullptr;
}

void SelectIntoLocked(GdiState& g, HGDIOBJ& slot, HGDIOBJ h, std::vector<std::unique_ptr<CGdiObject>>& gone) {
    if (slot == h) return;
    if (ObjRec* n = FindObj(g, h)) ++n->nSelected;
    if (slot) gone.push_back(ReleaseSelectedLocked(g, slot));
    slot = h;
}

HFONT WindowFontLocked(GdiState& g, HWND hWnd) {
    auto it = g.fonts.find(hWnd);
    return it == g.fonts.end() ? nullptr : it->second;
}

HDC NewDc(HWND hWnd, DcKind nKind) {
    AfxEnsureGdiHooks();
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    DcRec d;
    d.hWnd = hWnd;
    d.nKind = nKind;
    std::vector<std::unique_ptr<CGdiObject>> gone;
    SelectIntoLocked(g, d.hBrush, StockLocked(g, WHITE_BRUSH), gone);
    SelectIntoLocked(g, d.hPen, StockLocked(g, BLACK_PEN), gone);
    HGDIOBJ hFont = Obj(WindowFontLocked(g, hWnd));
    if (!FindObj(g, hFont)) hFont = StockLocked(g, SYSTEM_FONT);
    SelectIntoLocked(g, d.hFont, hFont, gone);
    if (nKind == kDcMemory) SelectIntoLocked(g, d.hBitmap, StockLocked(g, kDefaultBitmapStock), gone);
    std::uintptr_t k = g.nNext++;
    g.dcs.emplace(k, d);
    return As<HDC>(k);
}

BOOL FreeDc(HDC hDC) {
    std::vector<std::unique_ptr<CGdiObject>> gone;
    std::unique_ptr<CDC> temp;
    {
        GdiState& g = G();
        std::lock_guard<std::mutex> lock(g.mtx);
        DcRec* d = FindDc(g, hDC);
        if (!d) return FALSE;
        for (HGDIOBJ h : {d->hBrush, d->hPen, d->hFont, d->hBitmap}) {
            if (h) gone.push_back(ReleaseSelectedLocked(g, h));
        }
        g.dcs.erase(Key(hDC));
        temp = TakeTemp(g.tempDC, Key(hDC));
        if (temp) temp->m_hDC = temp->m_hAttribDC = nullptr;
    }
    return TRUE;
}

// A snapshot of what an operation needs from its context.
struct DcSnap {
    BOOL bOk = FALSE;
    HWND hWnd = nullptr;
    DcKind nKind = kDcNull;
    CDrawOp op;  // colours, brush, pen and font filled in
    int nLineH = 11;
    HGDIOBJ hBitmap = nullptr;
    UINT nBitmapId = 0;
    int cxBitmap = 0;
    int cyBitmap = 0;
};

DcSnap Snap(HDC hDC) {
    DcSnap s;
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    DcRec* d = FindDc(g, hDC);
    if (!d) return s;
    s.bOk = TRUE;
    s.hWnd = d->hWnd;
    s.nKind = d->nKind;
    s.op.crText = d->crText;
    s.op.crBk = d->crBk;
    s.op.nBkMode = d->nBkMode;
    s.op.bWindowCoords = d->nKind == kDcWindow;
    if (ObjRec* b = FindObj(g, d->hBrush)) {
        s.op.crBrush = b->cr;
        s.op.bNullBrush = b->bNullBrush;
    }
    if (ObjRec* p = FindObj(g, d->hPen)) {
        s.op.crPen = p->cr;
        s.op.nPenStyle = p->nPenStyle;
        s.op.nPenWidth = p->nPenWidth;
    }
    if (ObjRec* f = FindObj(g, d->hFont)) {
        s.op.strFontFace = f->lf.lfFaceName;
        s.op.nFontPointSize10 = f->nPt10;
        s.op.nFontHeight = f->nHeight;
        s.nLineH = std::max(1, f->nHeight);
    }
    if (ObjRec* bm = FindObj(g, d->hBitmap)) {
        s.hBitmap = d->hBitmap;
        s.nBitmapId = bm->nBitmapId;
        s.cxBitmap = bm->cx;
        s.cyBitmap = bm->cy;
    }
    return s;
}

// Records op on the context's window. bOpaqueFill: the operation paints every pixel of rc.
void Record(const DcSnap& s, CDrawOp&& op, bool bOpaqueFill) {
    if (s.nKind == kDcMemory || s.nKind == kDcNull || s.hWnd == nullptr) return;
    RECT rcSurface{};
    if (!winstate::DrawingSurfaceOf(s.hWnd, s.nKind == kDcWindow, &rcSurface)) return;  // the window is gone
    const bool bCovers = bOpaqueFill && op.rc.left <= rcSurface.left && op.rc.top <= rcSurface.top &&
                         op.rc.right >= rcSurface.right && op.rc.bottom >= rcSurface.bottom;
    CDrawRenderer* pRenderer = nullptr;
    {
        GdiState& g = G();
        std::lock_guard<std::mutex> lock(g.mtx);
        std::deque<CDrawOp>& rec = g.records[s.hWnd];
        if (bCovers) rec.clear();
        while (rec.size() >= kMaxDrawOps) rec.pop_front();
        pRenderer = g.pRenderer;
        // With no view (the null renderer) the operation is only kept; a view gets it outside the lock.
        if (pRenderer != nullptr)
            rec.push_back(op);
        else
            rec.push_back(std::move(op));
    }
    if (pRenderer == nullptr) return;
    if (bCovers) pRenderer->OnRecordReset(s.hWnd);
    pRenderer->OnDrawOp(s.hWnd, op);
}

BOOL DefaultGdiHook(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC: {
            int nColor = COLOR_BTNFACE;
            if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX) nColor = COLOR_WINDOW;
            if (message == WM_CTLCOLORSCROLLBAR) nColor = COLOR_SCROLLBAR;
            HDC hDC = reinterpret_cast<HDC>(wParam);
            if (hDC) {
                SetTextColor(hDC, GetSysColor(COLOR_WINDOWTEXT));
                SetBkColor(hDC, GetSysColor(nColor));
            }
            *pResult = reinterpret_cast<LRESULT>(GetSysColorBrush(nColor));
            return TRUE;
        }
        case WM_ERASEBKGND: {
            LONG_PTR v = GetClassLongPtrA(hWnd, GCLP_HBRBACKGROUND);
            if (v == 0) return FALSE;
            HBRUSH hbr =
                (v > 0 && v <= 31) ? GetSysColorBrush(static_cast<int>(v) - 1) : reinterpret_cast<HBRUSH>(v);
            RECT rc{};
            GetClientRect(hWnd, &rc);
            FillRect(reinterpret_cast<HDC>(wParam), &rc, hbr);
            *pResult = 1;
            return TRUE;
        }
        case WM_SETFONT: {
            {
                GdiState& g = G();
                std::lock_guard<std::mutex> lock(g.mtx);
                g.fonts[hWnd] = reinterpret_cast<HFONT>(wParam);
            }
            if (LOWORD(static_cast<DWORD_PTR>(lParam))) InvalidateRect(hWnd, nullptr, TRUE);
            *pResult = 0;
            return TRUE;
        }
        case WM_GETFONT: {
            GdiState& g = G();
            std::lock_guard<std::mutex> lock(g.mtx);
            *pResult = reinterpret_cast<LRESULT>(WindowFontLocked(g, hWnd));
            return TRUE;
        }
        default:
            return FALSE;
    }
}

void GdiWindowGone(HWND hWnd) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    g.records.erase(hWnd);
    g.fonts.erase(hWnd);
}

}  // namespace

void AfxEnsureGdiHooks() {
    static const bool done = [] {
        AfxAddDefWindowProcHook(&DefaultGdiHook);
        AfxAddWindowDestroyHook(&GdiWindowGone);
        return true;
    }();
    (void)done;
}

std::vector<CDrawOp> AfxGetDrawOps(HWND hWnd) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    auto it = g.records.find(hWnd);
    if (it == g.records.end()) return {};
    return std::vector<CDrawOp>(it->second.begin(), it->second.end());
}

void AfxClearDrawOps(HWND hWnd) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    g.records.erase(hWnd);
}

void AfxSetDrawRenderer(CDrawRenderer* pRenderer) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    g.pRenderer = pRenderer;
}

int AfxFontPixelHeight(int nPointSize10) {
    const int n = std::abs(nPointSize10);
    return std::max(1, (n * 4 + 15) / 30);
}
int AfxFontCharWidth(int nPixelHeight) {
    return std::max(1, (nPixelHeight + 1) / 2);
}

// ---- Contexts ----
HDC GetDC(HWND hWnd) {
    if (hWnd != nullptr && !IsWindow(hWnd)) return nullptr;
    return NewDc(hWnd, hWnd ? kDcClient : kDcNull);
}
HDC GetWindowDC(HWND hWnd) {
    if (hWnd != nullptr && !IsWindow(hWnd)) return nullptr;
    return NewDc(hWnd, hWnd ? kDcWindow : kDcNull);
}
int ReleaseDC(HWND, HDC hDC) {
    {
        GdiState& g = G();
        std::lock_guard<std::mutex> lock(g.mtx);
        DcRec* d = FindDc(g, hDC);
        if (!d || d->nKind == kDcMemory) return 0;
    }
    return FreeDc(hDC) ? 1 : 0;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (!IsWindow(hWnd)) return nullptr;
    RECT rc{};
    BOOL bErase = FALSE;
    AfxTakeUpdateRegion(hWnd, &rc, &bErase);
    HDC hDC = NewDc(hWnd, kDcPaint);
    BOOL fErase = FALSE;
    if (bErase) fErase = SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0) ? FALSE : TRUE;
    if (lpPaint) {
        std::memset(lpPaint, 0, sizeof *lpPaint);
        lpPaint->hdc = hDC;
        lpPaint->rcPaint = rc;
        lpPaint->fErase = fErase;
    }
    return hDC;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* lpPaint) {
    return lpPaint ? FreeDc(lpPaint->hdc) : FALSE;
}

HDC CreateCompatibleDC(HDC hDC) {
    {
        winstate::State& ws = winstate::S();
        std::lock_guard<std::mutex> lock(ws.mtx);
        if (ws.bFailMemoryDc) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    if (hDC != nullptr) {
        GdiState& g = G();
        std::lock_guard<std::mutex> lock(g.mtx);
        if (!FindDc(g, hDC)) return nullptr;
    }
    return NewDc(nullptr, kDcMemory);
}

BOOL DeleteDC(HDC hDC) {
    return FreeDc(hDC);
}

HWND WindowFromDC(HDC hDC) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    DcRec* d = FindDc(g, hDC);
    return d ? d->hWnd : nullptr;
}

// ---- Objects ----
HGDIOBJ GetStockObject(int i) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    return StockLocked(g, i);
}

HGDIOBJ SelectObject(HDC hDC, HGDIOBJ h) {
    std::vector<std::unique_ptr<CGdiObject>> gone;
    HGDIOBJ prev = nullptr;
    {
        GdiState& g = G();
        std::lock_guard<std::mutex> lock(g.mtx);
        DcRec* d = FindDc(g, hDC);
        ObjRec* o = FindObj(g, h);
        if (!d || !o || o->bDeletePending) return nullptr;
        HGDIOBJ* slot = nullptr;
        switch (o->nType) {
            case OBJ_BRUSH:
                slot = &d->hBrush;
                break;
            case OBJ_PEN:
                slot = &d->hPen;
                break;
            case OBJ_FONT:
                slot = &d->hFont;
                break;
            case OBJ_BITMAP:
                // A bitmap goes into one memory context at a time, as on Windows.
                if (d->nKind != kDcMemory) return nullptr;
                if (o->nSelected > 0 && d->hBitmap != h && !o->bStock) return nullptr;
                slot = &d->hBitmap;
                break;
            default:
                return nullptr;
        }
        prev = *slot;
        SelectIntoLocked(g, *slot, h, gone);
    }
    return prev;
}

BOOL DeleteObject(HGDIOBJ ho) {
    std::unique_ptr<CGdiObject> temp;
    {
        GdiState& g = G();
        std::lock_guard<std::mutex> lock(g.mtx);
        ObjRec* o = FindObj(g, ho);
        if (!o) return FALSE;
        if (o->bStock) return TRUE;
        if (o->nSelected > 0) {
            o->bDeletePending = TRUE;
            return TRUE;
        }
        g.objs.erase(Key(ho));
        temp = TakeTemp(g.tempObj, Key(ho));
        if (temp) temp->m_hObject = nullptr;
    }
    return TRUE;
}

int GetObjectA(HGDIOBJ h, int c, LPVOID pv) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    ObjRec* o = FindObj(g, h);
    if (!o) return 0;
    if (o->nType == OBJ_BITMAP) {
        if (pv == nullptr) return static_cast<int>(sizeof(BITMAP));
        if (c < static_cast<int>(sizeof(BITMAP))) return 0;
        BITMAP bm{};
        bm.bmWidth = o->cx;
        bm.bmHeight = o->cy;
        bm.bmWidthBytes = ((o->cx * o->nBitsPixel + 31) / 32) * 4;
        bm.bmPlanes = 1;
        bm.bmBitsPixel = static_cast<WORD>(o->nBitsPixel);
        std::memcpy(pv, &bm, sizeof bm);
        return static_cast<int>(sizeof bm);
    }
    if (o->nType == OBJ_FONT) {
        if (pv == nullptr) return static_cast<int>(sizeof(LOGFONTA));
        if (c < static_cast<int>(sizeof(LOGFONTA))) return 0;
        std::memcpy(pv, &o->lf, sizeof o->lf);
        return static_cast<int>(sizeof o->lf);
    }
    return 0;
}

int GetObjectType(HGDIOBJ h) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    if (ObjRec* o = FindObj(g, h)) return o->nType;
    return FindDc(g, reinterpret_cast<HDC>(h)) ? OBJ_DC_INTERNAL : 0;
}

HGDIOBJ GetCurrentObject(HDC hDC, UINT type) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    DcRec* d = FindDc(g, hDC);
    if (!d) return nullptr;
    switch (type) {
        case OBJ_BRUSH:
            return d->hBrush;
        case OBJ_PEN:
            return d->hPen;
        case OBJ_FONT:
            return d->hFont;
        case OBJ_BITMAP:
            return d->hBitmap;
        default:
            return nullptr;
    }
}

HBRUSH CreateSolidBrush(COLORREF color) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    ObjRec r;
    r.nType = OBJ_BRUSH;
    r.cr = color & 0x00FFFFFF;
    return reinterpret_cast<HBRUSH>(NewObjLocked(g, r));
}

HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
    if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME) return nullptr;
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    ObjRec r;
    r.nType = OBJ_PEN;
    r.cr = color & 0x00FFFFFF;
    r.nPenStyle = iStyle;
    r.nPenWidth = std::max(1, cWidth);
    return reinterpret_cast<HPEN>(NewObjLocked(g, r));
}

HFONT CreateFontIndirectA(const LOGFONTA* lplf) {
    if (lplf == nullptr) return nullptr;
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    ObjRec r;
    r.nType = OBJ_FONT;
    r.lf = *lplf;
    r.lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    // lfHeight < 0 is the character height; a cell height is taken as the character height here.
    r.nHeight = lplf->lfHeight == 0 ? AfxFontPixelHeight(80) : std::abs(static_cast<int>(lplf->lfHeight));
    r.nPt10 = (r.nHeight * 720 + 48) / 96;
    return reinterpret_cast<HFONT>(NewObjLocked(g, r));
}

HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                  DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                  DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName) {
    LOGFONTA lf{};
    lf.lfHeight = cHeight;
    lf.lfWidth = cWidth;
    lf.lfEscapement = cEscapement;
    lf.lfOrientation = cOrientation;
    lf.lfWeight = cWeight;
    lf.lfItalic = static_cast<BYTE>(bItalic);
    lf.lfUnderline = static_cast<BYTE>(bUnderline);
    lf.lfStrikeOut = static_cast<BYTE>(bStrikeOut);
    lf.lfCharSet = static_cast<BYTE>(iCharSet);
    lf.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    lf.lfQuality = static_cast<BYTE>(iQuality);
    lf.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    if (pszFaceName) std::strncpy(lf.lfFaceName, pszFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectA(&lf);
}

namespace {

std::uint32_t U32(const BYTE* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t U16(const BYTE* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

BOOL AfxDecodeBmpHeader(const BYTE* pData, size_t nSize, int* pnWidth, int* pnHeight) {
    constexpr size_t kFileHeader = 14;
    constexpr size_t kInfoHeader = 40;
    if (pData == nullptr || nSize < kFileHeader + kInfoHeader) return FALSE;
    if (pData[0] != 'B' || pData[1] != 'M') return FALSE;
    const std::uint64_t offBits = U32(pData + 10);
    const std::uint64_t dibSize = U32(pData + 14);
    if (dibSize < kInfoHeader || kFileHeader + dibSize > nSize || offBits < kFileHeader + dibSize)
        return FALSE;
    const std::int32_t width = static_cast<std::int32_t>(U32(pData + 18));
    const std::int32_t height = static_cast<std::int32_t>(U32(pData + 22));
    if (U16(pData + 26) != 1 || U16(pData + 28) != 24 || U32(pData + 30) != 0) return FALSE;
    if (width <= 0 || width > 32767 || height == 0 || height < -32767 || height > 32767) return FALSE;
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
    if (offBits + stride * rows > nSize) return FALSE;
    if (pnWidth) *pnWidth = width;
    if (pnHeight) *pnHeight = static_cast<int>(rows);
    return TRUE;
}

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR lpBitmapName) {
    if (lpBitmapName == nullptr || !IS_INTRESOURCE(lpBitmapName)) return nullptr;
    const UINT nID = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpBitmapName));
    {
        winstate::State& ws = winstate::S();
        std::lock_guard<std::mutex> lock(ws.mtx);
        if (ws.failBitmaps.count(nID) != 0) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
    }
    const CBitmapResource* res = AfxFindBitmapResource(nID);
    int cx = 0, cy = 0;
    if (res == nullptr || !AfxDecodeBmpHeader(res->pData, res->nSize, &cx, &cy)) return nullptr;
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    ObjRec r;
    r.nType = OBJ_BITMAP;
    r.nBitmapId = nID;
    r.cx = cx;
    r.cy = cy;
    r.nBitsPixel = 24;
    r.pBits = res->pData + U32(res->pData + 10);
    return reinterpret_cast<HBITMAP>(NewObjLocked(g, r));
}

HBITMAP CreateCompatibleBitmap(HDC hDC, int cx, int cy) {
    if (cx < 0 || cy < 0) return nullptr;
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    if (!FindDc(g, hDC)) return nullptr;
    ObjRec r;
    r.nType = OBJ_BITMAP;
    r.cx = cx;
    r.cy = cy;
    r.nBitsPixel = 32;
    return reinterpret_cast<HBITMAP>(NewObjLocked(g, r));
}

COLORREF GetSysColor(int nIndex) {
    switch (nIndex) {
        case COLOR_BTNFACE:
            return 0xF0F0F0;
        case COLOR_WINDOW:
            return 0xFFFFFF;
        case COLOR_WINDOWTEXT:
            return 0x000000;
        case COLOR_BTNTEXT:
            return 0x000000;
        case COLOR_GRAYTEXT:
            return 0x6D6D6D;
        case COLOR_HIGHLIGHT:
            return 0xD77800;
        case COLOR_HIGHLIGHTTEXT:
            return 0xFFFFFF;
        case COLOR_SCROLLBAR:
            return 0xC8C8C8;
        case COLOR_BTNSHADOW:
            return 0xA0A0A0;
        case COLOR_BTNHIGHLIGHT:
            return 0xFFFFFF;
        default:
            return 0x000000;
    }
}

HBRUSH GetSysColorBrush(int nIndex) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    auto it = g.sysBrushes.find(nIndex);
    if (it != g.sysBrushes.end()) return reinterpret_cast<HBRUSH>(it->second);
    ObjRec r;
    r.nType = OBJ_BRUSH;
    r.bStock = TRUE;
    r.cr = GetSysColor(nIndex);
    HGDIOBJ h = NewObjLocked(g, r);
    g.sysBrushes[nIndex] = h;
    return reinterpret_cast<HBRUSH>(h);
}

// ---- Context attributes ----
namespace {

template <class F>
auto WithDc(HDC hDC, F f, decltype(f(std::declval<DcRec&>())) fail) -> decltype(fail) {
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    DcRec* d = FindDc(g, hDC);
    return d ? f(*d) : fail;
}

}  // namespace

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    return WithDc(
        hdc, [&](DcRec& d) { return std::exchange(d.crBk, color & 0x00FFFFFF); }, CLR_INVALID);
}
COLORREF GetBkColor(HDC hdc) {
    return WithDc(
        hdc, [](DcRec& d) { return d.crBk; }, CLR_INVALID);
}
COLORREF SetTextColor(HDC hdc, COLORREF color) {
    return WithDc(
        hdc, [&](DcRec& d) { return std::exchange(d.crText, color & 0x00FFFFFF); }, CLR_INVALID);
}
COLORREF GetTextColor(HDC hdc) {
    return WithDc(
        hdc, [](DcRec& d) { return d.crText; }, CLR_INVALID);
}
int SetBkMode(HDC hdc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    return WithDc(
        hdc, [&](DcRec& d) { return std::exchange(d.nBkMode, mode); }, 0);
}
int GetBkMode(HDC hdc) {
    return WithDc(
        hdc, [](DcRec& d) { return d.nBkMode; }, 0);
}

// ---- Drawing ----
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    if (lprc == nullptr) return 0;
    DcSnap s = Snap(hDC);
    if (!s.bOk) return 0;
    COLORREF cr = 0;
    BOOL bNull = FALSE;
    {
        GdiState& g = G();
        std::lock_guard<std::mutex> lock(g.mtx);
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
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::FillRect;
    op.rc = *lprc;
    op.crBrush = cr;
    op.bNullBrush = FALSE;
    Record(s, std::move(op), true);
    return 1;
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

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    if (lpString == nullptr && c > 0) return FALSE;
    DcSnap s = Snap(hdc);
    if (!s.bOk) return FALSE;
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::Text;
    op.strText.assign(lpString ? lpString : "", static_cast<size_t>(std::max(0, c)));
    const CTextMeasurer& m = AfxGetTextMeasurer();
    op.rc = RECT{x, y, x + m.GetTextWidth(op.strFontFace, s.nLineH, op.strText),
                 y + m.GetLineHeight(op.strFontFace, s.nLineH)};
    Record(s, std::move(op), false);
    return TRUE;
}

LONG TabbedTextOutA(HDC hdc, int x, int y, LPCSTR lpString, int chCount, int nTabPositions,
                    const int* lpnTabStopPositions, int nTabOrigin) {
    if (lpString == nullptr && chCount > 0) return 0;
    DcSnap s = Snap(hdc);
    if (!s.bOk) return 0;
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::TabbedText;
    op.strText.assign(lpString ? lpString : "", static_cast<size_t>(std::max(0, chCount)));
    if (nTabPositions > 0 && lpnTabStopPositions)
        op.tabStops.assign(lpnTabStopPositions, lpnTabStopPositions + nTabPositions);
    op.nTabOrigin = nTabOrigin;
    const CTextMeasurer& m = AfxGetTextMeasurer();
    const int w = AfxTabbedTextWidth(op.strText, nTabPositions, lpnTabStopPositions, nTabOrigin, x, m,
                                     op.strFontFace, s.nLineH);
    const int h = m.GetLineHeight(op.strFontFace, s.nLineH);
    op.rc = RECT{x, y, x + w, y + h};
    Record(s, std::move(op), false);
    return MAKELONG(static_cast<WORD>(w), static_cast<WORD>(h));
}

int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    if (lprc == nullptr || (lpchText == nullptr && cchText != 0)) return 0;
    DcSnap s = Snap(hdc);
    if (!s.bOk) return 0;
    std::string text = lpchText == nullptr ? std::string()
                       : cchText < 0       ? std::string(lpchText)
                                           : std::string(lpchText, static_cast<size_t>(cchText));
    const int width = lprc->right - lprc->left;
    const CTextMeasurer& m = AfxGetTextMeasurer();
    const std::string& face = s.op.strFontFace;
    int nWidest = 0;
    int nLines = 1;
    // One line that needs neither prefix marks taken out nor breaking: measured as it stands, without
    // building the lines (every repaint of a static control comes here).
    const bool bPlain = text.find_first_of((format & DT_NOPREFIX) ? "\r\n" : "&\r\n") == std::string::npos;
    const int nPlainWidth = bPlain ? m.GetTextWidth(face, s.nLineH, text) : 0;
    if (bPlain &&
        ((format & DT_SINGLELINE) || !(format & DT_WORDBREAK) || text.size() <= 1 || nPlainWidth <= width)) {
        nWidest = nPlainWidth;
    } else {
        const std::string visible = AfxTextWithoutPrefix(text, format);
        std::vector<std::string> lines = AfxLayoutTextLines(visible, format, width, m, face, s.nLineH);
        for (const std::string& l : lines) nWidest = std::max(nWidest, m.GetTextWidth(face, s.nLineH, l));
        nLines = static_cast<int>(lines.size());
    }
    const int nHeight = nLines * m.GetLineHeight(face, s.nLineH);
    if (format & DT_CALCRECT) {
        lprc->right = lprc->left + nWidest;
        lprc->bottom = lprc->top + nHeight;
        return nHeight;
    }
    CDrawOp op = std::move(s.op);
    op.nKind = CDrawOpKind::DrawText;
    op.strText = std::move(text);
    op.rc = *lprc;
    op.nFlags = format;
    Record(s, std::move(op), false);
    return nHeight;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
    if (psizl == nullptr) return FALSE;
    DcSnap s = Snap(hdc);
    if (!s.bOk) return FALSE;
    const CTextMeasurer& m = AfxGetTextMeasurer();
    const std::string_view text(lpString ? lpString : "", lpString ? static_cast<size_t>(std::max(0, c)) : 0);
    psizl->cx = m.GetTextWidth(s.op.strFontFace, s.nLineH, text);
    psizl->cy = m.GetLineHeight(s.op.strFontFace, s.nLineH);
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

// ---- Drawing objects ----
IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)

CGdiObject::~CGdiObject() {
    if (m_hObject) DeleteObject();
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) {
    if (hObject == nullptr) return nullptr;
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    ObjRec* o = FindObj(g, hObject);
    if (!o) return nullptr;
    auto perm = g.permObj.find(Key(hObject));
    if (perm != g.permObj.end()) return perm->second;
    auto& temp = g.tempObj[Key(hObject)];
    if (!temp) {
        switch (o->nType) {
            case OBJ_BRUSH:
                temp = std::make_unique<CBrush>();
                break;
            case OBJ_PEN:
                temp = std::make_unique<CPen>();
                break;
            case OBJ_FONT:
                temp = std::make_unique<CFont>();
                break;
            case OBJ_BITMAP:
                temp = std::make_unique<CBitmap>();
                break;
            default:
                temp = std::make_unique<CGdiObject>();
                break;
        }
        temp->m_hObject = hObject;
    }
    return temp.get();
}

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (hObject == nullptr || m_hObject != nullptr) return FALSE;
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    if (!FindObj(g, hObject) || g.permObj.count(Key(hObject))) return FALSE;
    g.permObj[Key(hObject)] = this;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ h = m_hObject;
    if (h) {
        GdiState& g = G();
        std::lock_guard<std::mutex> lock(g.mtx);
        auto it = g.permObj.find(Key(h));
        if (it != g.permObj.end() && it->second == this) g.permObj.erase(it);
    }
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr) return FALSE;
    return ::DeleteObject(Detach());
}

BOOL CGdiObject::CreateStockObject(int nIndex) {
    return Attach(::GetStockObject(nIndex));
}

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const {
    return ::GetObjectA(m_hObject, nCount, lpObject);
}

namespace {

template <class T, class H>
T* TypedFromHandle(H h) {
    return dynamic_cast<T*>(CGdiObject::FromHandle(reinterpret_cast<HGDIOBJ>(h)));
}

// Attaches a new object or deletes it when the wrapper cannot take it.
BOOL AttachNew(CGdiObject& obj, HGDIOBJ h) {
    if (h == nullptr) return FALSE;
    if (!obj.Attach(h)) {
        ::DeleteObject(h);
        return FALSE;
    }
    return TRUE;
}

}  // namespace

CBrush* CBrush::FromHandle(HBRUSH hBrush) {
    return TypedFromHandle<CBrush>(hBrush);
}
BOOL CBrush::CreateSolidBrush(COLORREF crColor) {
    if (m_hObject) return FALSE;
    return AttachNew(*this, Obj(::CreateSolidBrush(crColor)));
}
BOOL CBrush::CreateSysColorBrush(int nIndex) {
    if (m_hObject) return FALSE;
    return AttachNew(*this, Obj(::CreateSolidBrush(::GetSysColor(nIndex))));
}

CPen* CPen::FromHandle(HPEN hPen) {
    return TypedFromHandle<CPen>(hPen);
}
BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
    if (m_hObject) return FALSE;
    return AttachNew(*this, Obj(::CreatePen(nPenStyle, nWidth, crColor)));
}

CFont* CFont::FromHandle(HFONT hFont) {
    return TypedFromHandle<CFont>(hFont);
}

BOOL CFont::CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC*) {
    if (m_hObject || lpszFaceName == nullptr || nPointSize <= 0) return FALSE;
    LOGFONT lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = nPointSize;
    std::strncpy(lf.lfFaceName, lpszFaceName, LF_FACESIZE - 1);
    return CreatePointFontIndirect(&lf);
}

BOOL CFont::CreatePointFontIndirect(const LOGFONT* lpLogFont, CDC*) {
    if (m_hObject || lpLogFont == nullptr) return FALSE;
    const int nPt10 = std::abs(static_cast<int>(lpLogFont->lfHeight));
    LOGFONT lf = *lpLogFont;
    lf.lfHeight = -AfxFontPixelHeight(nPt10);
    HFONT h = ::CreateFontIndirectA(&lf);
    if (h == nullptr) return FALSE;
    {
        GdiState& g = G();
        std::lock_guard<std::mutex> lock(g.mtx);
        if (ObjRec* o = FindObj(g, Obj(h))) o->nPt10 = nPt10;  // keep the exact size asked for
    }
    return AttachNew(*this, Obj(h));
}

BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                       BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision,
                       BYTE nClipPrecision, BYTE nQuality, BYTE nPitchAndFamily, LPCTSTR lpszFacename) {
    if (m_hObject) return FALSE;
    return AttachNew(*this, Obj(::CreateFontA(nHeight, nWidth, nEscapement, nOrientation, nWeight, bItalic,
                                              bUnderline, cStrikeOut, nCharSet, nOutPrecision, nClipPrecision,
                                              nQuality, nPitchAndFamily, lpszFacename)));
}

BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont) {
    if (m_hObject) return FALSE;
    return AttachNew(*this, Obj(::CreateFontIndirectA(lpLogFont)));
}

int CFont::GetLogFont(LOGFONT* pLogFont) const {
    return ::GetObjectA(m_hObject, static_cast<int>(sizeof(LOGFONT)), pLogFont);
}

CBitmap* CBitmap::FromHandle(HBITMAP hBitmap) {
    return TypedFromHandle<CBitmap>(hBitmap);
}
BOOL CBitmap::LoadBitmap(UINT nIDResource) {
    if (m_hObject) return FALSE;
    return AttachNew(*this, Obj(::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCE(nIDResource))));
}
BOOL CBitmap::LoadBitmap(LPCTSTR lpszResourceName) {
    if (m_hObject) return FALSE;
    return AttachNew(*this, Obj(::LoadBitmapA(AfxGetResourceHandle(), lpszResourceName)));
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
    if (m_hObject || pDC == nullptr) return FALSE;
    return AttachNew(*this, Obj(::CreateCompatibleBitmap(pDC->m_hDC, nWidth, nHeight)));
}
int CBitmap::GetBitmap(BITMAP* pBitMap) const {
    return ::GetObjectA(m_hObject, static_cast<int>(sizeof(BITMAP)), pBitMap);
}

// ---- CDC ----
CDC::~CDC() {
    if (m_hDC == nullptr) return;
    const BOOL bCreated = m_bCreated;
    HDC h = Detach();
    if (bCreated) ::DeleteDC(h);
}

CDC* CDC::FromHandle(HDC hDC) {
    if (hDC == nullptr) return nullptr;
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    if (!FindDc(g, hDC)) return nullptr;
    auto perm = g.permDC.find(Key(hDC));
    if (perm != g.permDC.end()) return perm->second;
    auto& temp = g.tempDC[Key(hDC)];
    if (!temp) {
        temp = std::make_unique<CDC>();
        temp->m_hDC = temp->m_hAttribDC = hDC;
    }
    return temp.get();
}

BOOL CDC::Attach(HDC hDC) {
    if (hDC == nullptr || m_hDC != nullptr) return FALSE;
    GdiState& g = G();
    std::lock_guard<std::mutex> lock(g.mtx);
    if (!FindDc(g, hDC) || g.permDC.count(Key(hDC))) return FALSE;
    g.permDC[Key(hDC)] = this;
    m_hDC = m_hAttribDC = hDC;
    return TRUE;
}

HDC CDC::Detach() {
    HDC h = m_hDC;
    if (h) {
        GdiState& g = G();
        std::lock_guard<std::mutex> lock(g.mtx);
        auto it = g.permDC.find(Key(h));
        if (it != g.permDC.end() && it->second == this) g.permDC.erase(it);
    }
    m_hDC = m_hAttribDC = nullptr;
    m_bCreated = FALSE;
    return h;
}

CWnd* CDC::GetWindow() const {
    return CWnd::FromHandle(::WindowFromDC(m_hDC));
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
    if (m_hDC) return FALSE;
    HDC h = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
    if (h == nullptr) return FALSE;
    if (!Attach(h)) {
        ::DeleteDC(h);
        return FALSE;
    }
    m_bCreated = TRUE;
    return TRUE;
}

BOOL CDC::DeleteDC() {
    if (m_hDC == nullptr) return FALSE;
    return ::DeleteDC(Detach());
}

CGdiObject* CDC::SelectStockObject(int nIndex) {
    HGDIOBJ h = ::GetStockObject(nIndex);
    return h ? CGdiObject::FromHandle(::SelectObject(m_hDC, h)) : nullptr;
}
CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
    if (pObject == nullptr) return nullptr;
    return CGdiObject::FromHandle(::SelectObject(m_hDC, pObject->m_hObject));
}
CBrush* CDC::SelectObject(CBrush* pBrush) {
    if (pBrush == nullptr) return nullptr;
    return dynamic_cast<CBrush*>(CGdiObject::FromHandle(::SelectObject(m_hDC, pBrush->m_hObject)));
}
CPen* CDC::SelectObject(CPen* pPen) {
    if (pPen == nullptr) return nullptr;
    return dynamic_cast<CPen*>(CGdiObject::FromHandle(::SelectObject(m_hDC, pPen->m_hObject)));
}
CFont* CDC::SelectObject(CFont* pFont) {
    if (pFont == nullptr) return nullptr;
    return dynamic_cast<CFont*>(CGdiObject::FromHandle(::SelectObject(m_hDC, pFont->m_hObject)));
}
CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    if (pBitmap == nullptr) return nullptr;
    return dynamic_cast<CBitmap*>(CGdiObject::FromHandle(::SelectObject(m_hDC, pBitmap->m_hObject)));
}
CBrush* CDC::GetCurrentBrush() const {
    return dynamic_cast<CBrush*>(CGdiObject::FromHandle(::GetCurrentObject(m_hDC, OBJ_BRUSH)));
}
CFont* CDC::GetCurrentFont() const {
    return dynamic_cast<CFont*>(CGdiObject::FromHandle(::GetCurrentObject(m_hDC, OBJ_FONT)));
}

COLORREF CDC::SetBkColor(COLORREF crColor) {
    return ::SetBkColor(m_hDC, crColor);
}
COLORREF CDC::GetBkColor() const {
    return ::GetBkColor(m_hDC);
}
COLORREF CDC::SetTextColor(COLORREF crColor) {
    return ::SetTextColor(m_hDC, crColor);
}
COLORREF CDC::GetTextColor() const {
    return ::GetTextColor(m_hDC);
}
int CDC::SetBkMode(int nBkMode) {
    return ::SetBkMode(m_hDC, nBkMode);
}
int CDC::GetBkMode() const {
    return ::GetBkMode(m_hDC);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
    if (lpRect == nullptr) return;
    ::SetBkColor(m_hDC, clr);
    HBRUSH hbr = ::CreateSolidBrush(clr);
    ::FillRect(m_hDC, lpRect, hbr);
    ::DeleteObject(Obj(hbr));
}
void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
    RECT rc{x, y, x + cx, y + cy};
    FillSolidRect(&rc, clr);
}
void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {
    if (pBrush) ::FillRect(m_hDC, lpRect, *pBrush);
}
BOOL CDC::Rectangle(int x1, int y1, int x2, int y2) {
    return ::Rectangle(m_hDC, x1, y1, x2, y2);
}
BOOL CDC::Rectangle(LPCRECT r) {
    return r ? ::Rectangle(m_hDC, r->left, r->top, r->right, r->bottom) : FALSE;
}
BOOL CDC::Ellipse(int x1, int y1, int x2, int y2) {
    return ::Ellipse(m_hDC, x1, y1, x2, y2);
}
BOOL CDC::Ellipse(LPCRECT r) {
    return r ? ::Ellipse(m_hDC, r->left, r->top, r->right, r->bottom) : FALSE;
}
CPoint CDC::MoveTo(int x, int y) {
    POINT p{};
    ::MoveToEx(m_hDC, x, y, &p);
    return CPoint(p);
}
BOOL CDC::LineTo(int x, int y) {
    return ::LineTo(m_hDC, x, y);
}
BOOL CDC::DrawEdge(LPRECT lpRect, UINT nEdge, UINT nFlags) {
    return ::DrawEdge(m_hDC, lpRect, nEdge, nFlags);
}
BOOL CDC::TextOut(int x, int y, LPCTSTR lpszString, int nCount) {
    return ::TextOutA(m_hDC, x, y, lpszString, nCount);
}
BOOL CDC::TextOut(int x, int y, const CString& str) {
    return ::TextOutA(m_hDC, x, y, str, str.GetLength());
}
CSize CDC::TabbedTextOut(int x, int y, LPCTSTR lpszString, int nCount, int nTabPositions,
                         LPINT lpnTabStopPositions, int nTabOrigin) {
    LONG r =
        ::TabbedTextOutA(m_hDC, x, y, lpszString, nCount, nTabPositions, lpnTabStopPositions, nTabOrigin);
    return CSize(LOWORD(static_cast<DWORD>(r)), HIWORD(static_cast<DWORD>(r)));
}
CSize CDC::TabbedTextOut(int x, int y, const CString& str, int nTabPositions, LPINT lpnTabStopPositions,
                         int nTabOrigin) {
    return TabbedTextOut(x, y, str, str.GetLength(), nTabPositions, lpnTabStopPositions, nTabOrigin);
}
int CDC::DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
    return ::DrawTextA(m_hDC, lpszString, nCount, lpRect, nFormat);
}
int CDC::DrawText(const CString& str, LPRECT lpRect, UINT nFormat) {
    return ::DrawTextA(m_hDC, str, str.GetLength(), lpRect, nFormat);
}
BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, dwRop);
}
BOOL CDC::DrawIcon(int x, int y, HICON hIcon) {
    return ::DrawIcon(m_hDC, x, y, hIcon);
}
BOOL CDC::DrawIcon(POINT point, HICON hIcon) {
    return ::DrawIcon(m_hDC, point.x, point.y, hIcon);
}
CSize CDC::GetTextExtent(LPCTSTR lpszString, int nCount) const {
    SIZE sz{0, 0};
    ::GetTextExtentPoint32A(m_hDC, lpszString, nCount, &sz);
    return CSize(sz);
}
CSize CDC::GetTextExtent(const CString& str) const {
    return GetTextExtent(str, str.GetLength());
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    Attach(::BeginPaint(m_hWnd, &m_ps));
}
CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
    Detach();
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    Attach(::GetDC(m_hWnd));
}
CClientDC::~CClientDC() {
    ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr) {
    Attach(::GetWindowDC(m_hWnd));
}
CWindowDC::~CWindowDC() {
    ::ReleaseDC(m_hWnd, Detach());
}

// ---- CWnd members that need the drawing objects ----
CDC* CWnd::GetDC() {
    return CDC::FromHandle(::GetDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* pDC) {
    return pDC ? ::ReleaseDC(m_hWnd, pDC->m_hDC) : 0;
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
    AfxEnsureGdiHooks();
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(pFont ? pFont->m_hObject : nullptr), bRedraw);
}

CFont* CWnd::GetFont() const {
    AfxEnsureGdiHooks();
    return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT, 0, 0)));
}

CDC* AfxCDCFromHandle(HDC hDC) {
    return CDC::FromHandle(hDC);
}
