// Internal to the window framework: what the control classes share (parent notification, colours,
// per-window state, the temporary objects of a control's class) and each class's window procedure.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/win/controls.h"
#include "platform/win/gdi.h"
#include "platform/win/win_state.h"
#include "platform/win/window_internal.h"

namespace winctl {

DWORD StyleOf(HWND h);
UINT IdOf(HWND h);
HWND ParentOf(HWND h);
// Sends WM_COMMAND with nCode to the parent of a child control.
void Notify(HWND h, UINT nCode);
std::string TextOf(HWND h);
// Stores the text without any control's own WM_SETTEXT processing.
void StoreText(HWND h, const std::string& s);
// The parent's colours for a control's paint; the default answer when the parent gives no brush.
HBRUSH AskColors(HWND h, HDC hDC, UINT nMsg);
RECT ClientOf(HWND h);
// Copies a bitmap to rc's top-left corner (or centred in rc) through a memory context, so the copy is
// recorded with the bitmap's id.
void DrawBitmapIn(HDC hDC, HBITMAP hbm, const RECT& rc, bool bCentre);
// Creates the control window of class cls for a wrapper object, the control classes registered first.
BOOL CreateControl(CWnd& w, LPCSTR cls, LPCTSTR text, DWORD dwStyle, const RECT& rect, CWnd* pParent,
                   UINT nID);

// Makes the temporary object that CWnd::FromHandle hands out for a control an object of the control's
// class, so that the usual (CEdit*)GetDlgItem(id) is a real CEdit (and clean under the sanitizers).
template <class T>
void InstallTempObject(HWND h) {
    auto p = std::make_unique<T>();
    p->m_hWnd = h;
    {
        winstate::State& s = winstate::S();
        std::lock_guard<CFutexMutex> lock(s.mtx);
        winstate::WndRec* r = winstate::Find(s, h);
        if (r && !r->pTemp) {
            r->pTemp = std::move(p);
            return;
        }
    }
    p->m_hWnd = nullptr;
}

template <class T>
T& StateOf(HWND h) {
    T* p = AfxGetWndExtraAs<T>(h);
    if (p == nullptr) {
        auto fresh = std::make_unique<T>();
        p = fresh.get();
        AfxSetWndExtra(h, std::move(fresh));
    }
    return *p;
}

struct ButtonState : CWndExtra {
    UINT nCheck = BST_UNCHECKED;
    BOOL bPushed = FALSE;
    BOOL bFocus = FALSE;
    HANDLE hImage = nullptr;
    UINT nImageType = IMAGE_BITMAP;
    BOOL bOwnImage = FALSE;
    ~ButtonState() override {
        if (bOwnImage && hImage) DeleteObject(reinterpret_cast<HGDIOBJ>(hImage));
    }
};

struct StaticState : CWndExtra {
    HANDLE hImage = nullptr;
    UINT nImageType = IMAGE_BITMAP;
    BOOL bOwnImage = FALSE;
    ~StaticState() override {
        if (bOwnImage && hImage) DeleteObject(reinterpret_cast<HGDIOBJ>(hImage));
    }
};

LRESULT ButtonProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT StaticProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT EditProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ComboProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ScrollBarProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT UpDownProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT TabProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ListBoxProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ComboListProc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam);

// The dropped-down list tells its combo box that the user is done: wParam the entry picked, LB_ERR to
// close without a pick (Escape, a click outside); lParam nonzero for a pick by the mouse.
constexpr UINT kComboListDone = 0x03F3;

constexpr UINT kArrowUp = 0, kArrowDown = 1, kArrowLeft = 2, kArrowRight = 3;
// A filled triangle centred in rc pointing in nDirection.
void DrawArrow(HDC hDC, const RECT& rc, UINT nDirection);
// A raised (pressed: sunken) button face with an arrow.
void DrawArrowButton(HDC hDC, const RECT& rc, UINT nDirection, bool bPressed);
// Drops the temporary scroll bar object of a window that goes away (a window destroy hook).
void ControlWindowGone(HWND hWnd);

}  // namespace winctl
