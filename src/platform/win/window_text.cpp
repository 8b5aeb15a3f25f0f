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
#include "platform/win/kernel.h"
#include "platform/win/message_loop.h"
#include "platform/win/win_state.h"

using namespace winstate;

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString) {
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
        // this (winctl::StaticProc): done here, under the look-up's lock.
        if (route.pWnd == nullptr && route.pfn == &winctl::StaticProc) {
            bStored = true;
            StoreNewTextAndInvalidateLocked(s, r, lpString, &bChanged);
        }
    }
    if (bStored) {
        if (bChanged) NotifyTextChanged(hWnd, lpString);
        return TRUE;
    }
    return static_cast<BOOL>(
        CallRoute(route, hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString ? lpString : "")));
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
