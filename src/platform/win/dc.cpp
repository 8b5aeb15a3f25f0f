// CDC and the contexts a window hands out.
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

IMPLEMENT_DYNAMIC(CDC, CObject)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)

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
    std::lock_guard<CFutexMutex> lock(g.mtx);
    if (!FindDc(g, hDC)) return nullptr;
    auto perm = g.permDC.find(Key(hDC));
    if (perm != g.permDC.end()) return perm->second;
    auto temp = g.tempDC.find(Key(hDC));
    if (temp == g.tempDC.end()) {
        std::unique_ptr<CDC> pDC = g.nSpareDcWrappers > 0 ? std::move(g.spareDcWrappers[--g.nSpareDcWrappers])
                                                          : std::make_unique<CDC>();
        pDC->m_hDC = pDC->m_hAttribDC = hDC;
        temp = EmplaceKeeping(g.tempDC, g.spareTempDC, Key(hDC), std::move(pDC));
    }
    return temp->second.get();
}

BOOL CDC::Attach(HDC hDC) {
    if (hDC == nullptr || m_hDC != nullptr) return FALSE;
    GdiState& g = G();
    std::lock_guard<CFutexMutex> lock(g.mtx);
    if (!FindDc(g, hDC) || g.permDC.count(Key(hDC))) return FALSE;
    g.permDC[Key(hDC)] = this;
    m_hDC = m_hAttribDC = hDC;
    return TRUE;
}

HDC CDC::Detach() {
    HDC h = m_hDC;
    if (h) {
        GdiState& g = G();
        std::lock_guard<CFutexMutex> lock(g.mtx);
        auto it = g.permDC.find(Key(h));
        if (it != g.permDC.end() && it->second == this) g.permDC.erase(it);
    }
    m_hDC = m_hAttribDC = nullptr;
    m_bCreated = FALSE;
    return h;
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

CBrush* CDC::SelectObject(CBrush* pBrush) {
    if (pBrush == nullptr) return nullptr;
    return dynamic_cast<CBrush*>(CGdiObject::FromHandle(::SelectObject(m_hDC, pBrush->m_hObject)));
}
CFont* CDC::SelectObject(CFont* pFont) {
    if (pFont == nullptr) return nullptr;
    return dynamic_cast<CFont*>(CGdiObject::FromHandle(::SelectObject(m_hDC, pFont->m_hObject)));
}
CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    if (pBitmap == nullptr) return nullptr;
    return dynamic_cast<CBitmap*>(CGdiObject::FromHandle(::SelectObject(m_hDC, pBitmap->m_hObject)));
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
int CDC::SetBkMode(int nBkMode) {
    return ::SetBkMode(m_hDC, nBkMode);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
    if (lpRect == nullptr) return;
    // As a solid brush made, used and deleted would fill, without the brush object.
    ::SetBkColor(m_hDC, clr);
    FillWithColor(m_hDC, *lpRect, clr);
}
void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {
    if (pBrush) ::FillRect(m_hDC, lpRect, *pBrush);
}
BOOL CDC::Ellipse(int x1, int y1, int x2, int y2) {
    return ::Ellipse(m_hDC, x1, y1, x2, y2);
}
BOOL CDC::Ellipse(LPCRECT r) {
    return r ? ::Ellipse(m_hDC, r->left, r->top, r->right, r->bottom) : FALSE;
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

// ---- CWnd members that need the drawing objects ----
CDC* CWnd::GetDC() {
    return CDC::FromHandle(::GetDC(m_hWnd));
}

int CWnd::ReleaseDC(CDC* pDC) {
    return pDC ? ::ReleaseDC(m_hWnd, pDC->m_hDC) : 0;
}

CDC* AfxCDCFromHandle(HDC hDC) {
    return CDC::FromHandle(hDC);
}
