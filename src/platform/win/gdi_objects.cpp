// Drawing objects: stock objects, brushes, pens, fonts, system colours and their wrappers.
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

// ---- Objects ----
HGDIOBJ GetStockObject(int i) {
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    return StockLocked(g, i);
}

HGDIOBJ SelectObject(HDC hDC, HGDIOBJ h) {
    CGoneObjects gone;
    HGDIOBJ prev = nullptr;
    {
        GdiState& g = G();
        std::lock_guard<CFutexMutex> lock(g.mtx);
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

namespace {

// DeleteObject under the lock; the temporary wrapper of a deleted object goes to temp, to be destroyed
// once the lock is released.
BOOL DeleteObjectLocked(GdiState& g, HGDIOBJ ho, std::unique_ptr<CGdiObject>& temp) {
    auto it = g.objs.find(Key(ho));
    if (it == g.objs.end()) return FALSE;
    ObjRec* o = &it->second;
    if (o->bStock) return TRUE;
    if (o->nSelected > 0) {
        o->bDeletePending = TRUE;
        return TRUE;
    }
    EraseObjLocked(g, it);
    temp = TakeTemp(g.tempObj, g.spareTempObj, Key(ho));
    if (temp) temp->m_hObject = nullptr;
    return TRUE;
}

}  // namespace

BOOL DeleteObject(HGDIOBJ ho) {
    std::unique_ptr<CGdiObject> temp;
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    return DeleteObjectLocked(g, ho, temp);
}

int GetObjectA(HGDIOBJ h, int c, LPVOID pv) {
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
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
    std::lock_guard<CFutexMutex> lock(g.mtx);
    if (ObjRec* o = FindObj(g, h)) return o->nType;
    return FindDc(g, reinterpret_cast<HDC>(h)) ? OBJ_DC_INTERNAL : 0;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    ObjRec r;
    r.nType = OBJ_BRUSH;
    r.cr = color & 0x00FFFFFF;
    return reinterpret_cast<HBRUSH>(NewObjLocked(g, r));
}

HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
    if (iStyle < PS_SOLID || iStyle > PS_INSIDEFRAME) return nullptr;
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    ObjRec r;
    r.nType = OBJ_PEN;
    r.cr = color & 0x00FFFFFF;
    r.nPenStyle = iStyle;
    r.nPenWidth = std::max(1, cWidth);
    return reinterpret_cast<HPEN>(NewObjLocked(g, r));
}

static HFONT CreateFontIndirectA(const LOGFONTA* lplf) {
    if (lplf == nullptr) return nullptr;
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    ObjRec r;
    r.nType = OBJ_FONT;
    r.lf = *lplf;
    r.lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    // lfHeight < 0 is the character height; a cell height is taken as the character height here.
    r.nHeight = lplf->lfHeight == 0 ? AfxFontPixelHeight(80) : std::abs(static_cast<int>(lplf->lfHeight));
    r.nPt10 = (r.nHeight * 720 + 48) / 96;
    return reinterpret_cast<HFONT>(NewObjLocked(g, r));
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

namespace gdistate {

HBRUSH SysColorBrushLocked(GdiState& g, int nIndex) {
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

}  // namespace gdistate

HBRUSH GetSysColorBrush(int nIndex) {
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    return SysColorBrushLocked(g, nIndex);
}

// ---- Drawing objects ----
IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)

CGdiObject::~CGdiObject() {
    if (m_hObject) DeleteObject();
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) {
    if (hObject == nullptr) return nullptr;
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    ObjRec* o = FindObj(g, hObject);
    if (!o) return nullptr;
    auto perm = g.permObj.find(Key(hObject));
    if (perm != g.permObj.end()) return perm->second;
    auto itTemp = g.tempObj.find(Key(hObject));
    if (itTemp == g.tempObj.end())
        itTemp = EmplaceKeeping(g.tempObj, g.spareTempObj, Key(hObject), std::unique_ptr<CGdiObject>());
    std::unique_ptr<CGdiObject>& temp = itTemp->second;
    if (!temp) {
        switch (o->nType) {
            case OBJ_BRUSH:
                temp = std::make_unique<CBrush>();
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
    std::lock_guard<CFutexMutex> lock(g.mtx);
    if (!FindObj(g, hObject) || g.permObj.count(Key(hObject))) return FALSE;
    EmplaceKeeping(g.permObj, g.sparePermObj, Key(hObject), this);
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ h = m_hObject;
    if (h) {
        GdiState& g = G();
        std::lock_guard<CFutexMutex> lock(g.mtx);
        auto it = g.permObj.find(Key(h));
        if (it != g.permObj.end() && it->second == this) EraseKeeping(g.permObj, g.sparePermObj, it);
    }
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr) return FALSE;
    // Detach and DeleteObject in one look at the objects.
    const HGDIOBJ h = m_hObject;
    std::unique_ptr<CGdiObject> temp;
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    auto it = g.permObj.find(Key(h));
    if (it != g.permObj.end() && it->second == this) EraseKeeping(g.permObj, g.sparePermObj, it);
    m_hObject = nullptr;
    return DeleteObjectLocked(g, h, temp);
}

BOOL CGdiObject::CreateStockObject(int nIndex) {
    return Attach(::GetStockObject(nIndex));
}

namespace {

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

BOOL CBrush::CreateSolidBrush(COLORREF crColor) {
    if (m_hObject) return FALSE;
    // ::CreateSolidBrush and Attach in one look at the objects: a new object has no wrapper yet.
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    ObjRec r;
    r.nType = OBJ_BRUSH;
    r.cr = crColor & 0x00FFFFFF;
    const HGDIOBJ h = NewObjLocked(g, r);
    EmplaceKeeping(g.permObj, g.sparePermObj, Key(h), this);
    m_hObject = h;
    return TRUE;
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
        std::lock_guard<CFutexMutex> lock(g.mtx);
        if (ObjRec* o = FindObj(g, Obj(h))) o->nPt10 = nPt10;  // keep the exact size asked for
    }
    return AttachNew(*this, Obj(h));
}

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
    if (m_hObject) return FALSE;
    return AttachNew(*this, Obj(::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCE(nIDResource))));
}
int CBitmap::GetBitmap(BITMAP* pBitMap) const {
    return ::GetObjectA(m_hObject, static_cast<int>(sizeof(BITMAP)), pBitMap);
}
