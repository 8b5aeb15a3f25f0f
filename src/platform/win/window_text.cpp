// Window texts, read and written on the owner's thread or across threads.
#include "platform/win/window.h"

#include <link.h>

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

// The length of the text AfxFormatTextV wrote into a buffer of nSize characters, from its result (the
// whole text's length, or below 0 on a failure, when the buffer holds what it holds).
std::size_t FormattedLength(const char* pszText, std::size_t nSize, int nResult) {
    if (nResult >= 0 && static_cast<std::size_t>(nResult) < nSize) return static_cast<std::size_t>(nResult);
    return std::strlen(pszText);
}

// Whether p lies in a segment of a loaded object that is never writable (where string literals are):
// the characters there cannot change. The segments are those loaded when first asked; an object loaded
// later is not known, so its literals are compared as any other text.
bool InReadOnlySegment(const void* p) {
    struct Segment {
        std::uintptr_t nStart;
        std::uintptr_t nEnd;
    };
    static const std::vector<Segment> s_segments = [] {
        std::vector<Segment> segments;
        dl_iterate_phdr(
            [](dl_phdr_info* pInfo, std::size_t, void* pData) {
                auto* pSegments = static_cast<std::vector<Segment>*>(pData);
                for (ElfW(Half) i = 0; i < pInfo->dlpi_phnum; ++i) {
                    const ElfW(Phdr)& ph = pInfo->dlpi_phdr[i];
                    if (ph.p_type != PT_LOAD || (ph.p_flags & PF_W) != 0) continue;
                    const std::uintptr_t nStart = pInfo->dlpi_addr + ph.p_vaddr;
                    pSegments->push_back(Segment{nStart, nStart + ph.p_memsz});
                }
                return 0;
            },
            &segments);
        return segments;
    }();
    const auto n = reinterpret_cast<std::uintptr_t>(p);
    return std::any_of(s_segments.begin(), s_segments.end(),
                       [n](const Segment& seg) { return n >= seg.nStart && n < seg.nEnd; });
}

// Whether psz has str's characters; formats are short, so a loop costs less than measuring and comparing.
bool SameCharacters(const std::string& str, const char* psz) {
    for (const char* p = str.c_str();; ++p, ++psz) {
        if (*p != *psz) return false;
        if (*p == '\0') return true;
    }
}

}  // namespace

void CWndInternals::TextStored(CWnd& wnd) {
    wnd.m_nTextVersion.fetch_add(1, std::memory_order_release);
}

void CWndInternals::NoteTextStoredLocked(WndRec& r) {
    if (r.pPermanent != nullptr) TextStored(*r.pPermanent);
    if (r.pTemp != nullptr) TextStored(*r.pTemp);
}

BOOL CWndInternals::SetText(HWND hWnd, LPCSTR lpString, CWnd* pCaller, std::uint64_t* pnVersion) {
    const char* psz = lpString != nullptr ? lpString : "";
    return SetText(hWnd, psz, std::strlen(psz), pCaller, pnVersion);
}

BOOL CWndInternals::SetText(HWND hWnd, LPCSTR lpString, std::size_t nLength, CWnd* pCaller,
                            std::uint64_t* pnVersion) {
    State& s = S();
    DWORD nOwner = 0;
    Route route;
    bool bStored = false;
    bool bChanged = false;
    {
        std::lock_guard<CFutexMutex> lock(s.mtx);
        WndRec* r = Find(s, hWnd);
        if (!r) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        nOwner = r->nThreadId;
        if (nOwner != GetCurrentThreadId()) {
            auto q = QueueFor(s, nOwner);
            Posted p;
            p.pText = std::make_unique<std::string>(lpString, nLength);
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
            StoreNewTextAndInvalidateLocked(s, r, std::string_view(lpString, nLength), &bChanged);
            if (pnVersion != nullptr && pCaller != nullptr && r->pTemp.get() == pCaller)
                *pnVersion = pCaller->m_nTextVersion.load(std::memory_order_acquire);
        }
    }
    if (bStored) {
        if (bChanged) NotifyTextChanged(hWnd, lpString);
        return TRUE;
    }
    return static_cast<BOOL>(CallRoute(route, hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    return CWndInternals::SetText(hWnd, lpString, nullptr, nullptr);
}

// The memory of the text set last is the window's owner thread's: only that thread sets a plain static
// control's text itself (other threads queue it), and only it reads or writes the memory.
void CWnd::SetWindowText(LPCTSTR lpszString) {
    const char* psz = lpszString != nullptr ? lpszString : "";
    SetWindowTextOfLength(psz, std::strlen(psz));
}

void CWnd::SetWindowTextOfLength(LPCTSTR psz, std::size_t nLength) {
    const DWORD nThread = GetCurrentThreadId();
    const DWORD nMemoThread = m_nSetTextThread.load(std::memory_order_relaxed);
    if (nMemoThread != 0 && nMemoThread != nThread) {
        CWndInternals::SetText(m_hWnd, psz, nLength, nullptr, nullptr);
        return;
    }
    if (nMemoThread == nThread && m_hSetTextWnd == m_hWnd &&
        m_nSetTextVersion == m_nTextVersion.load(std::memory_order_acquire) &&
        std::string_view(m_strSetText) == std::string_view(psz, nLength))
        return;
    std::uint64_t nVersion = 0;
    CWndInternals::SetText(m_hWnd, psz, nLength, this, &nVersion);
    if (nVersion == 0) {
        if (nMemoThread == nThread) m_nSetTextVersion = 0;
        return;
    }
    m_strSetText.assign(psz, nLength);  // the capacity stays: no allocation once it is large enough
    m_hSetTextWnd = m_hWnd;
    m_nSetTextVersion = nVersion;
    m_nSetTextThread.store(nThread, std::memory_order_relaxed);
}

void CWnd::SetWindowTextV(LPCTSTR lpszFormat, va_list args) {
    char szText[kFormattedTextBuffer];
    if (m_nSetTextThread.load(std::memory_order_relaxed) != GetCurrentThreadId()) {
        const int nResult = AfxFormatTextV(szText, sizeof szText, lpszFormat, args);
        SetWindowTextOfLength(szText, FormattedLength(szText, sizeof szText, nResult));
        return;
    }
    // The format is read once: while the same one comes again (a format in a buffer written again
    // differs), only the arguments are packed.
    const bool bSameFormat = m_pszSetFormat != nullptr && m_pszSetFormat == lpszFormat &&
                             (m_bSetFormatReadOnly || SameCharacters(m_strSetFormat, lpszFormat));
    if (!bSameFormat) {
        m_pszSetFormat = nullptr;
        m_nFormattedVersion = 0;
        if (m_setFormatArguments.Compile(lpszFormat)) {
            m_pszSetFormat = lpszFormat;
            m_strSetFormat = lpszFormat;
            m_bSetFormatReadOnly = InReadOnlySegment(lpszFormat);
        }
    }
    unsigned char packed[kFormatArgBytes];
    std::size_t nPacked = 0;
    const bool bPacked =
        m_pszSetFormat != nullptr && m_setFormatArguments.Pack(args, packed, sizeof packed, &nPacked);
    if (bPacked && m_nFormattedVersion != 0 && nPacked == m_nSetFormatArgs &&
        std::memcmp(packed, m_setFormatArgs, nPacked) == 0) {
        // The text that format and those arguments gave is the window's still: nothing to do.
        if (m_nFormattedVersion == m_nSetTextVersion &&
            m_nSetTextVersion == m_nTextVersion.load(std::memory_order_acquire) && m_hSetTextWnd == m_hWnd)
            return;
    }
    // A new text is made from the packed arguments (the values already read and rounded) where it can.
    int nResult = 0;
    if (!bPacked || !m_setFormatArguments.Render(lpszFormat, packed, szText, sizeof szText, &nResult))
        nResult = AfxFormatTextV(szText, sizeof szText, lpszFormat, args);
    SetWindowTextOfLength(szText, FormattedLength(szText, sizeof szText, nResult));
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
