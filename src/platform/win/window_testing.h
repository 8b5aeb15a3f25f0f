// Test inspection and set-up of windows (window.h): the active window, the update region, a new parent,
// the window functions the program reaches only through CWnd, timers of a plain window and a hook before
// every default window procedure.
// CWndTesting reaches the members of CWnd that only tests call.
#pragma once

#include "platform/win/window.h"

// The active window is the top-level window the focus is in (NULL when the focus is nowhere).
HWND GetActiveWindow();
BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase);
HWND SetParent(HWND hWndChild, HWND hWndNewParent);

BOOL EnableWindow(HWND hWnd, BOOL bEnable);  // nonzero when the window was disabled before
BOOL MoveWindow(HWND hWnd, int x, int y, int nWidth, int nHeight, BOOL bRepaint);
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT uFlags);
BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString);
int GetWindowTextLengthA(HWND hWnd);
inline BOOL SetWindowText(HWND hWnd, LPCSTR lpString) {
    return SetWindowTextA(hWnd, lpString);
}
inline int GetWindowText(HWND hWnd, LPSTR lpString, int nMaxCount) {
    return GetWindowTextA(hWnd, lpString, nMaxCount);
}
HWND SetFocus(HWND hWnd);  // returns the window that had the focus
// Activates a visible, enabled top-level window: unless the focus is in it already, the focus goes back
// to the window in it that had the focus last (while that is still there, shown and enabled), else to a
// dialog's first tab stop, else to the window itself. Returns the window that was active before; NULL
// and nothing changed for a child, hidden or disabled window.
HWND SetActiveWindow(HWND hWnd);
inline HWND FindWindow(LPCSTR lpClassName, LPCSTR lpWindowName) {
    return FindWindowA(lpClassName, lpWindowName);
}
inline LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(hWnd, Msg, wParam, lParam);
}
LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Timers. SetTimer returns nIDEvent (nonzero) on success; an existing id of the window is reset. 0 for an
// invalid window or when the failure is forced (CWinSimulationTesting::FailSetTimer). nElapse below 10 ms
// counts as 10, as on Windows.
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);
// Asked first by DefWindowProcA for every message; TRUE means handled with *pResult.
using AFX_DEFPROC_HOOK = BOOL (*)(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
void AfxAddDefWindowProcHook(AFX_DEFPROC_HOOK pfn);

// CWnd's members that only tests call.
class CWndTesting {
  public:
    static BOOL Attach(CWnd& o, HWND hWndNew) { return o.Attach(hWndNew); }
    static HWND Detach(CWnd& o) { return o.Detach(); }
    static LRESULT SendDlgItemMessage(const CWnd& o, int nID, UINT message, WPARAM wParam = 0,
                                      LPARAM lParam = 0) {
        return o.SendDlgItemMessage(nID, message, wParam, lParam);
    }
    static DWORD GetStyle(const CWnd& o) { return o.GetStyle(); }
    static DWORD GetExStyle(const CWnd& o) { return o.GetExStyle(); }
    static BOOL IsChild(const CWnd& o, const CWnd* pWnd) { return o.IsChild(pWnd); }
    static void ClientToScreen(const CWnd& o, LPPOINT lpPoint) { o.ClientToScreen(lpPoint); }
    static void ClientToScreen(const CWnd& o, LPRECT lpRect) { o.ClientToScreen(lpRect); }
    static void ScreenToClient(const CWnd& o, LPPOINT lpPoint) { o.ScreenToClient(lpPoint); }
    static void ScreenToClient(const CWnd& o, LPRECT lpRect) { o.ScreenToClient(lpRect); }
    static HICON GetIcon(const CWnd& o, BOOL bBigIcon) { return o.GetIcon(bBigIcon); }
    static CWnd* SetParent(CWnd& o, CWnd* pWndNewParent) { return o.SetParent(pWndNewParent); }
    static int SetDlgCtrlID(CWnd& o, int nID) { return o.SetDlgCtrlID(nID); }
    static void ValidateRect(CWnd& o, LPCRECT lpRect) { o.ValidateRect(lpRect); }
    static BOOL GetUpdateRect(CWnd& o, LPRECT lpRect, BOOL bErase = FALSE) {
        return o.GetUpdateRect(lpRect, bErase);
    }
    static BOOL KillTimer(CWnd& o, UINT_PTR nIDEvent) { return o.KillTimer(nIDEvent); }
    static int GetDlgItemText(const CWnd& o, int nID, CString& rString) {
        return o.GetDlgItemText(nID, rString);
    }
};
