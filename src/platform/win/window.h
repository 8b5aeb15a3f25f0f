// Windows: HWND handles mapped to CWnd objects, the window state the program and a view rely on
// (rectangles in screen pixels, visibility, enabled state, z-order and topmost band, focus, text, control
// ids, menus), message sending and posting, timers and invalidation.
//
// Threads. A window belongs to the thread that created it (the user-interface thread in practice); its
// messages, timers and paints are handled by that thread's message loop. SendMessage calls the window
// procedure on the calling thread; the program sends only on the user-interface thread. Safe from any
// thread: PostMessage, SetWindowText (from a foreign thread it is queued as WM_SETTEXT to the owner thread
// instead of waiting for it, so it can never deadlock; it takes effect in queue order), GetWindowText,
// InvalidateRect, IsWindow, GetDlgItem, KillTimer. The framework's state is guarded by one mutex that is
// never held while a window procedure, hook or handler runs.
//
// Non-client geometry (pixels, used to derive client rectangles from window rectangles):
//   caption (WS_CAPTION) 23, tool-window caption 17, menu bar of a top-level window 20,
//   frame per side 4 (WS_THICKFRAME, WS_DLGFRAME, DS_MODALFRAME or WS_EX_DLGMODALFRAME),
//   plain border per side 1 (WS_BORDER without a frame), WS_EX_CLIENTEDGE 2 more, WS_EX_STATICEDGE 1 more.
// So a dialog with caption, frame and menu has a client area 8 px narrower and 47 px lower than its window.
// A minimised window keeps its rectangles.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/win/cmd_target.h"
#include "platform/win/cstring.h"
#include "platform/win/format.h"
#include "platform/win/geometry.h"

class CDC;
class CFont;
class CMenu;
class CScrollBar;
class CDataExchange;
struct CCreateContext;

constexpr int kCaptionHeight = 23;
constexpr int kToolCaptionHeight = 17;
constexpr int kMenuBarHeight = 20;
constexpr int kFrameWidth = 4;
constexpr int kBorderWidth = 1;
constexpr int kClientEdgeWidth = 2;

// m_nFlags bits.
constexpr UINT WF_MODALLOOP = 0x0002;
constexpr UINT WF_CONTINUEMODAL = 0x0004;
// RunModalLoop flags.
constexpr DWORD MLF_NOIDLEMSG = 0x0001;
constexpr DWORD MLF_NOKICKIDLE = 0x0002;
constexpr DWORD MLF_SHOWONIDLE = 0x0004;

class CWnd : public CCmdTarget {
    DECLARE_DYNCREATE(CWnd)
  public:
    CWnd();
    explicit CWnd(HWND hWnd);  // a plain handle holder (like the framework's wndTopMost markers)
    // Destroys the window if this object still owns one.
    ~CWnd() override;

    HWND m_hWnd = nullptr;
    UINT m_nFlags = 0;
    int m_nModalResult = 0;

    static const CWnd wndTop;
    static const CWnd wndBottom;
    static const CWnd wndTopMost;
    static const CWnd wndNoTopMost;

    operator HWND() const { return m_hWnd; }  // NOLINT
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The permanent object of a window, else a temporary object that lives as long as the window.
    // NULL for NULL or a destroyed handle.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Makes this object the permanent object of an existing window; its messages then reach this
    // object's WindowProc, and DefWindowProc calls the window's previous procedure.
    BOOL SubclassWindow(HWND hWnd);

    // ---- Creation and destruction ----
    virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
    virtual BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                          int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                          LPVOID lpParam = nullptr);
    virtual BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                          const RECT& rect, CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
    // Children and owned windows first; WM_DESTROY (parent before children), WM_NCDESTROY (children
    // before parent), then PostNcDestroy. Messages posted to the destroyed windows are dropped.
    virtual BOOL DestroyWindow();
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual void PreSubclassWindow() {}
    virtual void PostNcDestroy() {}

    // ---- Message processing ----
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A parent hands a control's notification (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_CTLCOLOR*,
    // WM_VSCROLL, WM_HSCROLL) to the control's permanent object first; TRUE consumes it.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);  // defined with the data exchange

    // Nested message loop until EndModalLoop; returns its result (-1 when the loop was ended by WM_QUIT,
    // which is posted again, or abandoned by the loop's stall handler).
    virtual int RunModalLoop(DWORD dwFlags = 0);
    virtual BOOL ContinueModal();
    virtual void EndModalLoop(int nResult);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // ---- State ----
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL IsWindowEnabled() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsIconic() const;

    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void BringWindowToTop();
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;

    // An unchanged text costs nothing: when this object set the window's text last, the window is a
    // plain static control (which does nothing with a text it has already) and no other way changed the
    // text since, the same text again is recognised here, before any lock or look-up.
    void SetWindowText(LPCTSTR lpszString);
    // Sets the text AfxFormatTextV(lpszFormat, args) gives, cut to 1023 characters. When the format (the
    // same string at the same address) and the arguments (by value; a %s argument by its characters) are
    // those of this object's previous call on the window's owner thread, the text that call made is used
    // again without formatting it.
    void SetWindowTextV(LPCTSTR lpszFormat, va_list args);
    int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);

    // ---- Relatives and controls ----
    CWnd* GetParent() const;  // the parent of a child, the owner of a top-level window
    CWnd* GetTopLevelParent() const;
    CWnd* GetWindow(UINT nCmd) const;
    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const;
    void SetDlgItemText(int nID, LPCTSTR lpszString);
    // Button state lives in the button control (BM_SETCHECK / BM_GETCHECK).
    void CheckDlgButton(int nIDButton, UINT nCheck);
    UINT IsDlgButtonChecked(int nIDButton) const;

    CWnd* SetFocus();
    static CWnd* GetFocus();

    // ---- Painting ----
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void UpdateWindow();
    BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, void* prgnUpdate = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    CDC* GetDC();             // defined with the drawing objects
    int ReleaseDC(CDC* pDC);  // defined with the drawing objects

    // ---- Menus, timers, boxes ----
    CMenu* GetMenu() const;
    CMenu* GetSystemMenu(BOOL bRevert) const;
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr);

    // ---- Default handlers (each runs the window's default processing) ----
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnPaint();
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnSizing(UINT fwSide, LPRECT pRect);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnMove(int x, int y);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);

  protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    const AFX_MSGMAP* GetMessageMap() const override;

    // Hands the current message to the control hWndChild's OnChildNotify.
    static BOOL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = nullptr);

  private:
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    friend struct CWndInternals;
    // SetWindowText with the length of the text (not NULL) known.
    void SetWindowTextOfLength(LPCTSTR psz, std::size_t nLength);

    // The text this object set last and where it went (SetWindowText); the window's text version when it
    // was set (0: nothing remembered). The version moves with every store of the window's text.
    std::string m_strSetText;
    HWND m_hSetTextWnd = nullptr;
    std::uint64_t m_nSetTextVersion = 0;
    std::atomic<DWORD> m_nSetTextThread{0};  // the window's owner thread, once it set a text here
    std::atomic<std::uint64_t> m_nTextVersion{1};
    // SetWindowTextV's last format (a NULL format: none), read once into m_setFormatArguments, and its
    // arguments, packed, and the text version the text they gave left (0: none): while the window's text
    // is still that one, the same format and arguments need nothing done.
    static constexpr std::size_t kFormatArgBytes = 96;
    const char* m_pszSetFormat = nullptr;
    std::string m_strSetFormat;
    bool m_bSetFormatReadOnly = false;  // in memory never written (a literal): the pointer tells it
    CFormatArguments m_setFormatArguments;
    std::size_t m_nSetFormatArgs = 0;
    unsigned char m_setFormatArgs[kFormatArgBytes] = {};
    std::uint64_t m_nFormattedVersion = 0;
    friend class CWndTesting;
    friend class CWinThread;
    friend class CMessageLoop;
    // Calls PreTranslateMessage of the message's window and its parents up to hWndStop (inclusive) or the
    // top; TRUE as soon as one consumes it.
    static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);
    BOOL Attach(HWND hWndNew);
    HWND Detach();
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    BOOL IsChild(const CWnd* pWnd) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    HICON GetIcon(BOOL bBigIcon) const;
    CWnd* SetParent(CWnd* pWndNewParent);
    int SetDlgCtrlID(int nID);
    void ValidateRect(LPCRECT lpRect);
    BOOL GetUpdateRect(LPRECT lpRect, BOOL bErase = FALSE);
    BOOL KillTimer(UINT_PTR nIDEvent);

  protected:
    int GetDlgItemText(int nID, CString& rString) const;
    // The default processing of the message being handled now.
    LRESULT Default();
    static const MSG* GetCurrentMessage();
};

// Bridges from handles to the drawing and control objects, for the message-map thunks (defined with the
// drawing objects and the controls).
CDC* AfxCDCFromHandle(HDC hDC);
CScrollBar* AfxScrollBarFromHandle(HWND hWnd);

// ---- The window functions on plain handles ----
BOOL IsWindow(HWND hWnd);
BOOL IsWindowVisible(HWND hWnd);  // the window and all its ancestors are visible
BOOL IsWindowEnabled(HWND hWnd);
BOOL ShowWindow(HWND hWnd, int nCmdShow);  // nonzero when the window was visible before
BOOL BringWindowToTop(HWND hWnd);
BOOL GetWindowRect(HWND hWnd, LPRECT lpRect);
BOOL GetClientRect(HWND hWnd, LPRECT lpRect);
BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint);
BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint);
int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount);
HWND GetParent(HWND hWnd);
HWND GetWindow(HWND hWnd, UINT uCmd);
HWND GetTopWindow(HWND hWnd);                // NULL: the topmost top-level window
HWND GetDlgItem(HWND hDlg, int nIDDlgItem);  // a direct child with that control id
int GetDlgCtrlID(HWND hWnd);
UINT GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax);
HWND GetFocus();
// A mouse button pressed on hWnd (hit-test code nHit, button message nMsg) activates hWnd's top-level
// window unless that window's WM_MOUSEACTIVATE answers otherwise. FALSE when the answer eats the press
// (or the press took the window away): the press is then not delivered.
BOOL AfxMouseActivate(HWND hWnd, int nHit, UINT nMsg);
HWND GetCapture();
LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex);
LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong);
inline LONG GetWindowLong(HWND hWnd, int nIndex) {
    return static_cast<LONG>(GetWindowLongPtrA(hWnd, nIndex));
}
inline LONG SetWindowLong(HWND hWnd, int nIndex, LONG v) {
    return static_cast<LONG>(SetWindowLongPtrA(hWnd, nIndex, v));
}
HWND FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName);  // top-level windows only; NULL matches any
int GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount);
using WNDENUMPROC = BOOL (*)(HWND, LPARAM);
BOOL EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam);  // all descendants
BOOL DestroyWindow(HWND hWnd);
constexpr int GCLP_HBRBACKGROUND = -10;
constexpr int GCLP_HCURSOR = -12;
constexpr int GCLP_HICON = -14;
constexpr int GCL_STYLE = -26;
LONG_PTR GetClassLongPtrA(HWND hWnd, int nIndex);  // the window's class attributes

// Messages. SendMessage to a destroyed window returns 0. PostMessage to a destroyed window fails
// (ERROR_INVALID_WINDOW_HANDLE); PostMessage with NULL posts a thread message to the calling thread.
LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
inline BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    return PostMessageA(hWnd, Msg, wParam, lParam);
}
// Same name (case-insensitive, as on Windows) gives the same id; ids from 0xC000 upward. 0 for NULL or "".
UINT RegisterWindowMessageA(LPCSTR lpString);
inline UINT RegisterWindowMessage(LPCSTR lpString) {
    return RegisterWindowMessageA(lpString);
}
// The time (GetTickCount clock, ms) at which the message now being handled was posted or generated.
LONG GetMessageTime();

// Painting state. InvalidateRect with NULL invalidates every top-level window. Without WS_CLIPCHILDREN
// the children under the rectangle are invalidated too. The message loop sends WM_PAINT to an invalid,
// visible window when its queue is otherwise empty.
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
BOOL UpdateWindow(HWND hWnd);  // sends WM_PAINT now when the window is invalid and visible

// ---- Extension points for the dialogs, controls and drawing ----
// Called with the handle after a window is gone (after WM_NCDESTROY, and for every window a simulation
// reset drops). Runs on the destroying thread with no framework lock held.
using AFX_DESTROY_HOOK = void (*)(HWND hWnd);
void AfxAddWindowDestroyHook(AFX_DESTROY_HOOK pfn);
