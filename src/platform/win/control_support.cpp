// What the control classes share.
#include "platform/win/control_support.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win/app.h"
#include "platform/win/controls_testing.h"
#include "platform/win/dialog.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/win_state.h"
#include "platform/win/window_testing.h"

namespace winctl {

DWORD StyleOf(HWND h) {
    return static_cast<DWORD>(GetWindowLongPtrA(h, GWL_STYLE));
}
UINT IdOf(HWND h) {
    return static_cast<UINT>(GetDlgCtrlID(h));
}
HWND ParentOf(HWND h) {
    return winstate::WithRec(
        h, [](winstate::WndRec& r) { return (r.dwStyle & WS_CHILD) ? r.hParent : HWND{nullptr}; },
        HWND{nullptr});
}

void Notify(HWND h, UINT nCode) {
    if (HWND p = ParentOf(h)) {
        SendMessageA(p, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(IdOf(h)), static_cast<WORD>(nCode)),
                     reinterpret_cast<LPARAM>(h));
    }
}

std::string TextOf(HWND h) {
    const int n = GetWindowTextLengthA(h);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    GetWindowTextA(h, s.data(), n + 1);
    s.resize(std::strlen(s.c_str()));
    return s;
}

// Stores the text without any control's own WM_SETTEXT processing.
void StoreText(HWND h, const std::string& s) {
    DefWindowProcA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.c_str()));
}

// The parent's colours for a control's paint; the default answer when the parent gives no brush.
HBRUSH AskColors(HWND h, HDC hDC, UINT nMsg) {
    LRESULT r = 0;
    if (HWND p = ParentOf(h))
        r = SendMessageA(p, nMsg, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(h));
    if (r == 0) r = DefWindowProcA(h, nMsg, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(h));
    if (!IsWindowEnabled(h)) SetTextColor(hDC, GetSysColor(COLOR_GRAYTEXT));
    return reinterpret_cast<HBRUSH>(r);
}

RECT ClientOf(HWND h) {
    RECT rc{};
    GetClientRect(h, &rc);
    return rc;
}

// Copies a bitmap to rc's top-left corner (or centred in rc) through a memory context, so the copy is
// recorded with the bitmap's id.
void DrawBitmapIn(HDC hDC, HBITMAP hbm, const RECT& rc, bool bCentre) {
    BITMAP bm{};
    if (!GetObjectA(reinterpret_cast<HGDIOBJ>(hbm), sizeof bm, &bm)) return;
    HDC hMem = CreateCompatibleDC(hDC);
    HGDIOBJ hOld = SelectObject(hMem, reinterpret_cast<HGDIOBJ>(hbm));
    int x = rc.left, y = rc.top;
    if (bCentre) {
        x = rc.left + (rc.right - rc.left - bm.bmWidth) / 2;
        y = rc.top + (rc.bottom - rc.top - bm.bmHeight) / 2;
    }
    BitBlt(hDC, x, y, bm.bmWidth, bm.bmHeight, hMem, 0, 0, SRCCOPY);
    if (hOld) SelectObject(hMem, hOld);
    DeleteDC(hMem);
}

BOOL CreateControl(CWnd& w, LPCSTR cls, LPCTSTR text, DWORD dwStyle, const RECT& rect, CWnd* pParent,
                   UINT nID) {
    AfxEnsureControlClasses();
    return w.CWnd::Create(cls, text, dwStyle, rect, pParent, nID);
}

}  // namespace winctl
