// Device contexts, their attributes and the drawing record of each window.
#include "platform/win/gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_state.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/resources.h"
#include "platform/win/text_observer.h"
#include "platform/win/text_observer_internal.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

namespace {

// Every face name made so far, each once; a name stays (and keeps its address) for the life of the
// process, as the drawing state does.
struct FaceNames {
    CFutexMutex mtx;
    std::set<std::string, std::less<>> names;
};

FaceNames& Faces() {
    static FaceNames* s = new FaceNames;
    return *s;
}

const std::string* InternFace(std::string_view name) {
    FaceNames& f = Faces();
    std::lock_guard<CFutexMutex> lock(f.mtx);
    auto it = f.names.find(name);
    if (it == f.names.end()) it = f.names.emplace(name).first;
    return &*it;
}

}  // namespace

const std::string* CFaceName::Empty() {
    static const std::string* const s_pEmpty = InternFace(std::string_view());
    return s_pEmpty;
}

CFaceName::CFaceName(const char* psz) : m_pName(InternFace(psz != nullptr ? psz : "")) {}
CFaceName::CFaceName(std::string_view name) : m_pName(InternFace(name)) {}
CFaceName::CFaceName(const std::string& str) : m_pName(InternFace(str)) {}

std::ostream& operator<<(std::ostream& os, const CFaceName& face) {
    return os << face.str();
}

namespace gdistate {

namespace {

// The record of handle k in m, through the cache in front of it.
template <class T>
T* FindCached(std::unordered_map<std::uintptr_t, T>& m, CHandleCache<T>& cache, std::uintptr_t k) {
    if (T* p = cache.Find(k)) return p;
    auto it = m.find(k);
    if (it == m.end()) return nullptr;
    cache.Put(k, &it->second);
    return &it->second;
}

}  // namespace

ObjRec* FindObj(GdiState& g, HGDIOBJ h) {
    return FindCached(g.objs, g.objCache, Key(h));
}
DcRec* FindDc(GdiState& g, HDC h) {
    return FindCached(g.dcs, g.dcCache, Key(h));
}

void EraseObjLocked(GdiState& g, std::unordered_map<std::uintptr_t, ObjRec>::iterator it) {
    g.objCache.Forget(it->first);
    EraseKeeping(g.objs, g.spareObjs, it);
}

HGDIOBJ NewObjLocked(GdiState& g, const ObjRec& rec) {
    std::uintptr_t k = g.nNext++;
    ObjRec& r = EmplaceKeeping(g.objs, g.spareObjs, k, rec)->second;
    // A font's face name is made once here, for every operation drawn with the font to copy.
    r.face = r.nType == OBJ_FONT ? CFaceName(r.lf.lfFaceName) : CFaceName();
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

// Drops an object whose deletion waited for it to be selected out. Returns the temporary wrapper to be
// destroyed by the caller once the lock is released.
std::unique_ptr<CGdiObject> ReleaseSelectedLocked(GdiState& g, HGDIOBJ h) {
    ObjRec* r = FindObj(g, h);
    if (!r) return nullptr;
    if (r->nSelected > 0) --r->nSelected;
    if (r->nSelected == 0 && r->bDeletePending) {
        EraseObjLocked(g, g.objs.find(Key(h)));
        std::unique_ptr<CGdiObject> p = TakeTemp(g.tempObj, g.spareTempObj, Key(h));
        if (p) p->m_hObject = nullptr;
        return p;
    }
    return nullptr;
}

void SelectIntoLocked(GdiState& g, HGDIOBJ& slot, HGDIOBJ h, CGoneObjects& gone) {
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
    std::lock_guard<CFutexMutex> lock(g.mtx);
    DcRec d;
    d.hWnd = hWnd;
    d.nKind = nKind;
    CGoneObjects gone;
    SelectIntoLocked(g, d.hBrush, StockLocked(g, WHITE_BRUSH), gone);
    SelectIntoLocked(g, d.hPen, StockLocked(g, BLACK_PEN), gone);
    HGDIOBJ hFont = Obj(WindowFontLocked(g, hWnd));
    if (!FindObj(g, hFont)) hFont = StockLocked(g, SYSTEM_FONT);
    SelectIntoLocked(g, d.hFont, hFont, gone);
    if (nKind == kDcMemory) SelectIntoLocked(g, d.hBitmap, StockLocked(g, kDefaultBitmapStock), gone);
    std::uintptr_t k = g.nNext++;
    EmplaceKeeping(g.dcs, g.spareDcs, k, std::move(d));
    return As<HDC>(k);
}

BOOL FreeDc(HDC hDC) {
    CGoneObjects gone;
    std::unique_ptr<CDC> temp;
    HWND hRedrawn = nullptr;
    std::string strDrawn;
    {
        GdiState& g = G();
        std::lock_guard<CFutexMutex> lock(g.mtx);
        const auto itDc = g.dcs.find(Key(hDC));
        if (itDc == g.dcs.end()) return FALSE;
        DcRec* d = &itDc->second;
        if (d->bRedrawn) {
            hRedrawn = d->hWnd;
            strDrawn = std::move(d->strDrawn);
        }
        for (HGDIOBJ h : {d->hBrush, d->hPen, d->hFont, d->hBitmap}) {
            if (h) gone.push_back(ReleaseSelectedLocked(g, h));
        }
        g.dcCache.Forget(itDc->first);
        EraseKeeping(g.dcs, g.spareDcs, itDc);
        temp = TakeTemp(g.tempDC, g.spareTempDC, Key(hDC));
        if (temp) {
            temp->m_hDC = temp->m_hAttribDC = nullptr;
            // A temporary wrapper is only ever bound to its context: without it, it is as new.
            if (g.nSpareDcWrappers < kSpareNodes) g.spareDcWrappers[g.nSpareDcWrappers++] = std::move(temp);
        }
    }
    if (hRedrawn != nullptr) {
        if (CTextObserver* pObserver = AfxGetTextObserver())
            pObserver->OnControlTextDrawn(hRedrawn, strDrawn);
    }
    return TRUE;
}

namespace {

// Gives the new operation op (as CDrawOp() makes it) the storage of a kept one's text and tab stops.
void TakeSpareOpLocked(GdiState& g, CDrawOp& op) {
    CDrawOp& spare = g.spareOps[--g.nSpareOps];
    op.strText = std::move(spare.strText);
    op.strText.clear();
    op.tabStops = std::move(spare.tabStops);
    op.tabStops.clear();
}

}  // namespace

DcSnap Snap(HDC hDC) {
    DcSnap s;
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    DcRec* d = FindDc(g, hDC);
    if (!d) return s;
    if (g.nSpareOps > 0) TakeSpareOpLocked(g, s.op);
    s.bOk = TRUE;
    s.hDC = hDC;
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
        s.op.strFontFace = f->face;
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

// For the text observer: a client context's redraw of the whole client area and the texts drawn in it.
void NoteDrawnLocked(GdiState& g, HDC hDC, const CDrawOp& op, bool bCovers) {
    DcRec* d = FindDc(g, hDC);
    if (d == nullptr) return;
    if (bCovers) {
        d->bRedrawn = true;
        d->strDrawn.clear();
        return;
    }
    const bool bText = op.nKind == CDrawOpKind::Text || op.nKind == CDrawOpKind::TabbedText ||
                       op.nKind == CDrawOpKind::DrawText;
    if (!d->bRedrawn || !bText) return;
    if (!d->strDrawn.empty()) d->strDrawn += '\n';
    d->strDrawn += op.strText;
}

// Under the lock: hWnd's record changed or went. Its new generation.
std::uint64_t RecordChangedLocked(GdiState& g, HWND hWnd) {
    ++g.nRecordGeneration;
    g.recordLog[g.nRecordGeneration % GdiState::kRecordLogSize] = hWnd;
    return g.nRecordGeneration;
}

void ForgetRecordedLocked(GdiState& g, HWND hWnd) {
    if (g.hLastRecorded != hWnd) return;
    g.hLastRecorded = nullptr;
    g.pLastRecorded = nullptr;
}

// Records op on the context's window. bOpaqueFill: the operation paints every pixel of rc.
void Record(const DcSnap& s, CDrawOp&& op, bool bOpaqueFill) {
    if (s.nKind == kDcMemory || s.nKind == kDcNull || s.hWnd == nullptr) return;
    RECT rcSurface{};
    if (!winstate::DrawingSurfaceOf(s.hWnd, s.nKind == kDcWindow, &rcSurface)) return;  // the window is gone
    const bool bCovers = bOpaqueFill && op.rc.left <= rcSurface.left && op.rc.top <= rcSurface.top &&
                         op.rc.right >= rcSurface.right && op.rc.bottom >= rcSurface.bottom;
    CDrawRenderer* pRenderer = nullptr;
    const bool bObserved = s.nKind == kDcClient && AfxGetTextObserver() != nullptr;
    {
        GdiState& g = G();
        std::lock_guard<CFutexMutex> lock(g.mtx);
        if (bObserved) NoteDrawnLocked(g, s.hDC, op, bCovers);
        if (s.hWnd != g.hLastRecorded) {
            g.pLastRecorded = &g.records[s.hWnd];
            g.hLastRecorded = s.hWnd;
        }
        CDrawRecord& rec = *g.pLastRecorded;
        rec.nGeneration = RecordChangedLocked(g, s.hWnd);
        if (bCovers) {
            for (CDrawOp& old : rec) {
                if (g.nSpareOps == GdiState::kSpareOps) break;
                g.spareOps[g.nSpareOps++] = std::move(old);
            }
            rec.clear();
        }
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

}  // namespace gdistate

using namespace gdistate;

namespace {

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
            // The context's colours and the brush, in one look at the drawing state.
            HDC hDC = reinterpret_cast<HDC>(wParam);
            GdiState& g = G();
            std::lock_guard<CFutexMutex> lock(g.mtx);
            if (DcRec* d = hDC != nullptr ? FindDc(g, hDC) : nullptr) {
                d->crText = GetSysColor(COLOR_WINDOWTEXT) & 0x00FFFFFF;
                d->crBk = GetSysColor(nColor) & 0x00FFFFFF;
            }
            *pResult = reinterpret_cast<LRESULT>(SysColorBrushLocked(g, nColor));
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
                std::lock_guard<CFutexMutex> lock(g.mtx);
                g.fonts[hWnd] = reinterpret_cast<HFONT>(wParam);
            }
            if (LOWORD(static_cast<DWORD_PTR>(lParam))) InvalidateRect(hWnd, nullptr, TRUE);
            *pResult = 0;
            return TRUE;
        }
        case WM_GETFONT: {
            GdiState& g = G();
            std::lock_guard<CFutexMutex> lock(g.mtx);
            *pResult = reinterpret_cast<LRESULT>(WindowFontLocked(g, hWnd));
            return TRUE;
        }
        default:
            return FALSE;
    }
}

void GdiWindowGone(HWND hWnd) {
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    ForgetRecordedLocked(g, hWnd);
    if (g.records.erase(hWnd) != 0) RecordChangedLocked(g, hWnd);
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
    std::lock_guard<CFutexMutex> lock(g.mtx);
    auto it = g.records.find(hWnd);
    if (it == g.records.end()) return {};
    return std::vector<CDrawOp>(it->second.begin(), it->second.end());
}

std::uint64_t AfxGetDrawOpsIfChanged(HWND hWnd, std::uint64_t nKnown, std::vector<CDrawOp>* pOps) {
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    auto it = g.records.find(hWnd);
    const std::uint64_t nNow = it == g.records.end() ? 0 : it->second.nGeneration;
    if (nNow != nKnown && pOps != nullptr) {
        pOps->clear();
        if (it != g.records.end()) pOps->assign(it->second.begin(), it->second.end());
    }
    return nNow;
}

void AfxClearDrawOps(HWND hWnd) {
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    ForgetRecordedLocked(g, hWnd);
    if (g.records.erase(hWnd) != 0) RecordChangedLocked(g, hWnd);
}

std::uint64_t AfxGetDrawRecordsChangedSince(std::uint64_t nKnown, std::vector<HWND>* pWindows,
                                            bool* pbListed) {
    pWindows->clear();
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    const std::uint64_t nNow = g.nRecordGeneration;
    *pbListed = nKnown <= nNow && nNow - nKnown <= GdiState::kRecordLogSize;
    if (*pbListed) {
        for (std::uint64_t n = nKnown + 1; n <= nNow; ++n)
            pWindows->push_back(g.recordLog[n % GdiState::kRecordLogSize]);
        std::sort(pWindows->begin(), pWindows->end());
        pWindows->erase(std::unique(pWindows->begin(), pWindows->end()), pWindows->end());
    }
    return nNow;
}

void AfxSetDrawRenderer(CDrawRenderer* pRenderer) {
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    g.pRenderer = pRenderer;
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
        std::lock_guard<CFutexMutex> lock(g.mtx);
        DcRec* d = FindDc(g, hDC);
        if (!d || d->nKind == kDcMemory) return 0;
    }
    return FreeDc(hDC) ? 1 : 0;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    RECT rc{};
    BOOL bErase = FALSE;
    BOOL bPlainStatic = FALSE;
    if (!AfxTakeUpdateRegionForPaint(hWnd, &rc, &bErase, &bPlainStatic)) return nullptr;
    HDC hDC = NewDc(hWnd, kDcPaint);
    BOOL fErase = FALSE;
    // A plain static control's answer is known: it has erased (winctl::StaticProc).
    if (bErase && !bPlainStatic)
        fErase = SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0) ? FALSE : TRUE;
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
        std::lock_guard<CFutexMutex> lock(ws.mtx);
        if (ws.bFailMemoryDc) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    if (hDC != nullptr) {
        GdiState& g = G();
        std::lock_guard<CFutexMutex> lock(g.mtx);
        if (!FindDc(g, hDC)) return nullptr;
    }
    return NewDc(nullptr, kDcMemory);
}

BOOL DeleteDC(HDC hDC) {
    return FreeDc(hDC);
}

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
