// Internal to the window framework: the drawing objects, device contexts and drawing records behind
// the GDI functions. One mutex (GdiState::mtx) guards them; it is never held while a window procedure,
// a renderer or a wrapper's destructor runs.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/futex_mutex.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_testing.h"

namespace gdistate {

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
    CFaceName face;  // a font's lf.lfFaceName, made when the font is
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
    // Kept only while a text observer is installed: a client context that filled the whole client area,
    // and the texts drawn since then.
    bool bRedrawn = false;
    std::string strDrawn;
};

// Maps whose entries come and go with every paint (contexts, their temporary wrappers, the brushes and
// fonts a colour request or a redraw makes) keep the node of an entry gone for the next one, so that
// steady drawing allocates nothing. At most kSpareNodes nodes per map are kept.
constexpr std::size_t kSpareNodes = 16;
template <class Map>
struct SpareNodes {
    typename Map::node_type nodes[kSpareNodes];
    std::size_t n = 0;
};

// Inserts (k, v) into m, which has no entry k, in a kept node when there is one.
template <class Map, class V>
typename Map::iterator EmplaceKeeping(Map& m, SpareNodes<Map>& spare, typename Map::key_type k, V&& v) {
    if (spare.n == 0) return m.emplace(k, std::forward<V>(v)).first;
    typename Map::node_type node = std::move(spare.nodes[--spare.n]);
    node.key() = k;
    node.mapped() = std::forward<V>(v);
    return m.insert(std::move(node)).position;
}

// Erases the entry at it, keeping its node.
template <class Map>
void EraseKeeping(Map& m, SpareNodes<Map>& spare, typename Map::iterator it) {
    typename Map::node_type node = m.extract(it);
    if (spare.n < kSpareNodes) spare.nodes[spare.n++] = std::move(node);
}

// The temporary wrappers of objects whose deletion completed while the lock was held, to be destroyed
// once it is released (their destructors lock). One context holds at most four objects.
class CGoneObjects {
  public:
    void push_back(std::unique_ptr<CGdiObject> p) {
        if (p) m_objects[m_nCount++] = std::move(p);
    }

  private:
    std::unique_ptr<CGdiObject> m_objects[4];
    std::size_t m_nCount = 0;
};

// A window's drawing record. nGeneration changes with every change of the record: a number no other
// record of any window had (GdiState::nRecordGeneration).
struct CDrawRecord : std::deque<CDrawOp> {
    std::uint64_t nGeneration = 0;
};

// The records of the handles looked up last, one per slot by the handle's low bits: a context and the
// objects selected into it are found again with one compare instead of a hash table's buckets and
// nodes. Whoever erases a record from its table forgets it here first.
template <class T>
class CHandleCache {
  public:
    T* Find(std::uintptr_t k) const {
        const std::size_t i = k % kSlots;
        return m_keys[i] == k ? m_recs[i] : nullptr;
    }
    void Put(std::uintptr_t k, T* p) {
        const std::size_t i = k % kSlots;
        m_keys[i] = k;
        m_recs[i] = p;
    }
    void Forget(std::uintptr_t k) {
        const std::size_t i = k % kSlots;
        if (m_keys[i] != k) return;
        m_keys[i] = 0;  // no handle is 0
        m_recs[i] = nullptr;
    }

  private:
    static constexpr std::size_t kSlots = 64;
    std::uintptr_t m_keys[kSlots] = {};
    T* m_recs[kSlots] = {};
};

struct GdiState {
    CFutexMutex mtx;
    // Change objs and dcs only through NewObjLocked / EraseObjLocked and NewDc / FreeDc, which keep the
    // caches in step.
    std::unordered_map<std::uintptr_t, ObjRec> objs;
    std::unordered_map<std::uintptr_t, DcRec> dcs;
    CHandleCache<ObjRec> objCache;
    CHandleCache<DcRec> dcCache;
    std::unordered_map<HWND, CDrawRecord> records;
    // The record drawn into last (a paint's operations go to one window); forgotten before any record
    // leaves records.
    HWND hLastRecorded = nullptr;
    CDrawRecord* pLastRecorded = nullptr;
    std::uint64_t nRecordGeneration = 0;
    // The window of each of the last kRecordLogSize changes of nRecordGeneration: generation n's at
    // n % kRecordLogSize.
    static constexpr std::size_t kRecordLogSize = 256;
    HWND recordLog[kRecordLogSize] = {};
    std::unordered_map<HWND, HFONT> fonts;
    std::unordered_map<std::uintptr_t, CDC*> permDC;
    std::unordered_map<std::uintptr_t, std::unique_ptr<CDC>> tempDC;
    std::unordered_map<std::uintptr_t, CGdiObject*> permObj;
    std::unordered_map<std::uintptr_t, std::unique_ptr<CGdiObject>> tempObj;
    SpareNodes<decltype(objs)> spareObjs;
    SpareNodes<decltype(dcs)> spareDcs;
    SpareNodes<decltype(permObj)> sparePermObj;
    SpareNodes<decltype(tempDC)> spareTempDC;
    SpareNodes<decltype(tempObj)> spareTempObj;
    // Temporary context wrappers let go, in their first state, for the next temporary wrapper.
    std::unique_ptr<CDC> spareDcWrappers[kSpareNodes];
    std::size_t nSpareDcWrappers = 0;
    // Operations of records started afresh, kept (at most kSpareOps) so that the next operations reuse
    // their texts' storage: a repaint that draws what it drew before allocates nothing.
    static constexpr std::size_t kSpareOps = 16;
    CDrawOp spareOps[kSpareOps];
    std::size_t nSpareOps = 0;
    std::uintptr_t nNext = 0x400000;
    HGDIOBJ stock[kStockCount] = {};
    std::unordered_map<int, HGDIOBJ> sysBrushes;
    CDrawRenderer* pRenderer = nullptr;
};

// The one drawing state, made on first use and never destroyed. Inline: it is reached by every drawing call.
inline GdiState& G() {
    static GdiState* const s = new GdiState;
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

ObjRec* FindObj(GdiState& g, HGDIOBJ h);
void EraseObjLocked(GdiState& g, std::unordered_map<std::uintptr_t, ObjRec>::iterator it);
DcRec* FindDc(GdiState& g, HDC h);
HGDIOBJ NewObjLocked(GdiState& g, const ObjRec& rec);
HGDIOBJ StockLocked(GdiState& g, int i);

// Moves a wrapper out of a map so that it can be destroyed without the lock (its destructor locks).
template <class T>
std::unique_ptr<T> TakeTemp(std::unordered_map<std::uintptr_t, std::unique_ptr<T>>& m,
                            SpareNodes<std::unordered_map<std::uintptr_t, std::unique_ptr<T>>>& spare,
                            std::uintptr_t k) {
    auto it = m.find(k);
    if (it == m.end()) return nullptr;
    std::unique_ptr<T> p = std::move(it->second);
    EraseKeeping(m, spare, it);
    return p;
}

// Drops an object whose deletion waited for it to be selected out. Returns the temporary wrapper to be
// destroyed by the caller once the lock is released.
std::unique_ptr<CGdiObject> ReleaseSelectedLocked(GdiState& g, HGDIOBJ h);
void SelectIntoLocked(GdiState& g, HGDIOBJ& slot, HGDIOBJ h, CGoneObjects& gone);
HFONT WindowFontLocked(GdiState& g, HWND hWnd);
HBRUSH SysColorBrushLocked(GdiState& g, int nIndex);  // GetSysColorBrush
HDC NewDc(HWND hWnd, DcKind nKind);
BOOL FreeDc(HDC hDC);

// A snapshot of what an operation needs from its context.
struct DcSnap {
    BOOL bOk = FALSE;
    HDC hDC = nullptr;
    HWND hWnd = nullptr;
    DcKind nKind = kDcNull;
    CDrawOp op;  // colours, brush, pen and font filled in
    int nLineH = 11;
    HGDIOBJ hBitmap = nullptr;
    UINT nBitmapId = 0;
    int cxBitmap = 0;
    int cyBitmap = 0;
};

DcSnap Snap(HDC hDC);
// Records op on the context's window. bOpaqueFill: the operation paints every pixel of rc.
void Record(const DcSnap& s, CDrawOp&& op, bool bOpaqueFill);
// Under the lock, before hWnd's record leaves GdiState::records.
void ForgetRecordedLocked(GdiState& g, HWND hWnd);
// FillRect's operation in a solid colour, without a brush object (CDC::FillSolidRect). 0: no context.
int FillSnapped(DcSnap& s, const RECT& rc, COLORREF cr);
int FillWithColor(HDC hDC, const RECT& rc, COLORREF cr);

template <class F>
auto WithDc(HDC hDC, F f, decltype(f(std::declval<DcRec&>())) fail) -> decltype(fail) {
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    DcRec* d = FindDc(g, hDC);
    return d ? f(*d) : fail;
}

}  // namespace gdistate
