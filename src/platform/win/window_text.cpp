// Window texts, read and written on the owner's thread or across threads.
#include "platform/win/window.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/clock.h"
#include "platform/win/control_support.h"
#include "platform/win/format.h"
#include "platform/win/format_internal.h"
#include "platform/win/format_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/kernel_testing.h"
#include "platform/win/message_loop.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"
#include "platform/win/window_testing.h"

using namespace winstate;

namespace {

// A 1024-character buffer's worth: the longest text SetWindowTextV sets is one less.
constexpr std::size_t kFormattedTextBuffer = 1024;

}  // namespace

void CWndInternals::TextStored(CWnd& wnd) {
    wnd.m_nTextVersion.fetch_add(1, std::memory_order_release);
}

void CWndInternals::NoteTextStoredLocked(WndRec& r) {
    if (r.pPermanent != nullptr) TextStored(*r.pPermanent);
    if (r.pTemp != nullptr) TextStored(*r.pTemp);
}

BOOL CWndInternals::SetText(HWND hWnd, LPCSTR lpString, CWnd* pCaller, std::uint64_t* pnVersion) {
    State& s = S();
    DWORD nOwner = 0;
    Route route;
    bool bStored = false;
    bool bChanged = false;
    {
        std::lock_guard<std::mutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        nOwner = r->nThreadId;
        if (nOwner != GetCurrentThreadId()) {
            auto q = QueueFor(s, nOwner);
            Posted p;
            p.pText = std::make_unique<std::string>(lpString ? lpString : "");
            p.msg = MSG{hWnd,  WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p.pText->c_str()), CClock::NowMillis(),
                        {0, 0}};
            p.nSeq = s.nNextSeq++;
            q->posted.push_back(std::move(p));
            Wake(*q);
            return TRUE;
        }
        route = RouteLocked(r);
        // A static control without an object or procedure of its own does no more with WM_SETTEXT than
        // this (winctl::StaticProc): done here, under the look-up's lock. The caller that is the window's
        // own wrapper may remember the text it set and the version it left.
        if (route.pWnd == nullptr && route.pfn == &winctl::StaticProc) {
            bStored = true;
            StoreNewTextAndInvalidateLocked(s, r, lpString, &bChanged);
            if (pnVersion != nullptr && pCaller != nullptr && r->pTemp.get() == pCaller)
                *pnVersion = pCaller->m_nTextVersion.load(std::memory_order_acquire);
        }
    }
    if (bStored) {
        if (bChanged) NotifyTextChanged(hWnd, lpString);
        return TRUE;
    }
    return static_cast<BOOL>(
        CallRoute(route, hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : "")));
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    return CWndInternals::SetText(hWnd, lpString, nullptr, nullptr);
}

// The memory of the text set last is the window's owner thread's: only that thread sets a plain static
// control's text itself (other threads queue it), and only it reads or writes the memory.
void CWnd::SetWindowText(LPCTSTR lpszString) {
    const char* psz = lpszString != nullptr ? lpszString : "";
    const DWORD nThread = GetCurrentThreadId();
    const DWORD nMemoThread = m_nSetTextThread.load(std::memory_order_relaxed);
    if (nMemoThread != 0 && nMemoThread != nThread) {
        ::SetWindowTextA(m_hWnd, psz);
        return;
    }
    if (nMemoThread == nThread && m_hSetTextWnd == m_hWnd &&
        m_nSetTextVersion == m_nTextVersion.load(std::memory_order_acquire) && m_strSetText == psz)
        return;
    std::uint64_t nVersion = 0;
    CWndInternals::SetText(m_hWnd, psz, this, &nVersion);
    if (nVersion == 0) {
        if (nMemoThread == nThread) m_nSetTextVersion = 0;
        return;
    }
    m_strSetText = psz;  // the capacity stays: no allocation once it is large enough
    m_hSetTextWnd = m_hWnd;
    m_nSetTextVersion = nVersion;
    m_nSetTextThread.store(nThread, std::memory_order_relaxed);
}

void CWnd::SetWindowTextV(LPCTSTR lpszFormat, va_list args) {
    char szText[kFormattedTextBuffer];
    if (m_nSetTextThread.load(std::memory_order_relaxed) != GetCurrentThreadId()) {
        AfxFormatTextV(szText, sizeof szText, lpszFormat, args);
        SetWindowText(szText);
        return;
    }
    unsigned char packed[kFormatArgBytes];
    std::size_t nPacked = 0;
    const bool bPacked = AfxPackFormatArguments(lpszFormat, args, packed, sizeof packed, &nPacked);
    const bool bSameFormat = bPacked && m_pszSetFormat == lpszFormat && m_strSetFormat == lpszFormat;
    if (bSameFormat && nPacked == m_nSetFormatArgs && std::memcmp(packed, m_setFormatArgs, nPacked) == 0) {
        // The text that format and those arguments gave is the window's still: nothing to do.
        if (m_nFormattedVersion != 0 && m_nFormattedVersion == m_nSetTextVersion &&
            m_nSetTextVersion == m_nTextVersion.load(std::memory_order_acquire) && m_hSetTextWnd == m_hWnd)
            return;
    }
    AfxFormatTextV(szText, sizeof szText, lpszFormat, args);
    SetWindowText(szText);
    m_pszSetFormat = bPacked ? lpszFormat : nullptr;
    if (bPacked && !bSameFormat) m_strSetFormat = lpszFormat;  // a format in a buffer written again differs
    m_nSetFormatArgs = nPacked;
    if (nPacked > 0) std::memcpy(m_setFormatArgs, packed, nPacked);
    m_nFormattedVersion = bPacked ? m_nSetTextVersion : 0;
}

namespace {

bool IsOwnerThread(HWND hWnd) {
    return WithRec(
        hWnd, [](WndRec& r) { return r.nThreadId == GetCurrentThreadId(); }, false);
}

}  // namespace

int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) return 0;
    if (IsOwnerThread(hWnd))
        return static_cast<int>(
            CallWindow(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
    return static_cast<int>(CopyTextOf(hWnd, lpString, static_cast<size_t>(nMaxCount)));
}

int GetWindowTextLengthA(HWND hWnd) {
    if (IsOwnerThread(hWnd)) return static_cast<int>(CallWindow(hWnd, WM_GETTEXTLENGTH, 0, 0));
    return static_cast<int>(TextLengthOf(hWnd));
}

BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
    HWND h = GetDlgItem(hDlg, nIDDlgItem);
    return h ? SetWindowTextA(h, lpString) : FALSE;
}

UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
    HWND h = GetDlgItem(hDlg, nIDDlgItem);
    if (!h) {
        if (lpString && cchMax > 0) *lpString = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(h, lpString, cchMax));
}
