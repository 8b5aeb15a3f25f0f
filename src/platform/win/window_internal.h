// Internal to the window framework (window.h): the window functions that only the framework itself
// calls, and the per-window data of a control class.
#pragma once

#include <memory>

#include "platform/win/window.h"

// The thread that created the window, 0 for a handle that is not a window; the process id is 1.
DWORD GetWindowThreadProcessId(HWND hWnd, DWORD* lpdwProcessId);
BOOL IsIconic(HWND hWnd);
BOOL IsZoomed(HWND hWnd);
BOOL IsChild(HWND hWndParent, HWND hWnd);
int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints);
BOOL SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString);
LRESULT SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam);
HWND SetCapture(HWND hWnd);
BOOL ReleaseCapture();
BOOL EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam);  // top-level windows in z-order
BOOL ValidateRect(HWND hWnd, const RECT* lpRect);
BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, void* hrgnUpdate, UINT flags);
// Takes the window's update region for a paint (client coordinates) and validates the window: what
// BeginPaint needs. FALSE (and an empty rectangle) when nothing was invalid.
BOOL AfxTakeUpdateRegion(HWND hWnd, RECT* prcPaint, BOOL* pbErase);
// The same for BeginPaint, in the same look at the window: FALSE when there is no such window; else
// *pbPlainStatic tells whether the window is a static control without an object or procedure of its own
// (which answers WM_ERASEBKGND with 1 and does nothing else).
BOOL AfxTakeUpdateRegionForPaint(HWND hWnd, RECT* prcPaint, BOOL* pbErase, BOOL* pbPlainStatic);
// Per-window data owned by the window (deleted after WM_NCDESTROY); for a control class's state.
struct CWndExtra {
    virtual ~CWndExtra() = default;
};
void AfxSetWndExtra(HWND hWnd, std::unique_ptr<CWndExtra> pExtra);
CWndExtra* AfxGetWndExtra(HWND hWnd);
template <class T>
T* AfxGetWndExtraAs(HWND hWnd) {
    return dynamic_cast<T*>(AfxGetWndExtra(hWnd));
}
