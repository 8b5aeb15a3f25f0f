// Message-map macros. A map is a static table per class, returned by GetMessageMap and chained to the base
// class's map:
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_TIMER()
//       ON_BN_CLICKED(1055, &CMyDlg::OnShowMsgCount)
//   END_MESSAGE_MAP()
//
// Each entry carries a thunk that calls the handler with its exact signature: a handler whose signature
// differs from the framework's does not compile. The handler names of the ON_WM_* entries are fixed
// (OnTimer, OnPaint, ...); the others name the member as '&Class::Handler'.
#pragma once

#include "platform/win/menu.h"
#include "platform/win/window.h"

template <class C, class F>
using AfxPmf = F C::*;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)          \
    const AFX_MSGMAP* theClass::GetMessageMap() const { \
        return GetThisMessageMap();                     \
    }                                                   \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {   \
        using ThisClass [[maybe_unused]] = theClass;    \
        using TheBaseClass = baseClass;                 \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                                         \
    { 0, 0, 0, 0, AfxSig_end, nullptr, nullptr }                                                  \
    }                                                                                             \
    ;                                                                                             \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap;                                                                           \
    }

#define TESSARO_THUNK [](CCmdTarget * pTarget_, [[maybe_unused]] const AFX_MSGARGS& a_) -> LRESULT
#define TESSARO_CALL(sig, fn) (static_cast<ThisClass*>(pTarget_)->*static_cast<AfxPmf<ThisClass, sig>>(fn))
#define TESSARO_MSG(msg, sig, fn, ...)                                                          \
    {msg, 0, 0, 0, AfxSig_msg, nullptr,                                                         \
     TESSARO_THUNK{return static_cast<LRESULT>(TESSARO_CALL(sig, &ThisClass::fn)(__VA_ARGS__)); \
    }                                                                                           \
    }                                                                                           \
    ,
#define TESSARO_MSG_V(msg, sig, fn, result, ...)                                                      \
    {msg, 0, 0, 0, AfxSig_msg, nullptr, TESSARO_THUNK{TESSARO_CALL(sig, &ThisClass::fn)(__VA_ARGS__); \
    return result;                                                                                    \
    }                                                                                                 \
    }                                                                                                 \
    ,
#define TESSARO_SHORT_LO(v) static_cast<int>(static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(v))))
#define TESSARO_SHORT_HI(v) static_cast<int>(static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(v))))
#define TESSARO_HWND(v) reinterpret_cast<HWND>(v)

// ---- Window messages ----
#define ON_WM_TIMER() TESSARO_MSG_V(WM_TIMER, void(UINT_PTR), OnTimer, 0, static_cast<UINT_PTR>(a_.wParam))
#define ON_WM_PAINT() TESSARO_MSG_V(WM_PAINT, void(), OnPaint, 0)
// One entry answers every WM_CTLCOLOR* message; nCtlColor is CTLCOLOR_MSGBOX .. CTLCOLOR_STATIC.
#define ON_WM_CTLCOLOR()                                                                                    \
    {WM_CTLCOLOR, 0, 0, 0, AfxSig_msg, nullptr,                                                             \
     TESSARO_THUNK{                                                                                         \
         return reinterpret_cast<LRESULT>(TESSARO_CALL(HBRUSH(CDC*, CWnd*, UINT), &ThisClass::OnCtlColor)(  \
             AfxCDCFromHandle(reinterpret_cast<HDC>(a_.wParam)), CWnd::FromHandle(TESSARO_HWND(a_.lParam)), \
             a_.message - WM_CTLCOLORMSGBOX));                                                              \
    }                                                                                                       \
    }                                                                                                       \
    ,
#define ON_WM_DRAWITEM()                                                                                   \
    TESSARO_MSG_V(WM_DRAWITEM, void(int, LPDRAWITEMSTRUCT), OnDrawItem, TRUE, static_cast<int>(a_.wParam), \
                  reinterpret_cast<LPDRAWITEMSTRUCT>(a_.lParam))
#define ON_WM_VSCROLL()                                                                       \
    TESSARO_MSG_V(WM_VSCROLL, void(UINT, UINT, CScrollBar*), OnVScroll, 0, LOWORD(a_.wParam), \
                  static_cast<UINT>(TESSARO_SHORT_HI(a_.wParam)),                             \
                  AfxScrollBarFromHandle(TESSARO_HWND(a_.lParam)))
#define ON_WM_HSCROLL()                                                                       \
    TESSARO_MSG_V(WM_HSCROLL, void(UINT, UINT, CScrollBar*), OnHScroll, 0, LOWORD(a_.wParam), \
                  static_cast<UINT>(TESSARO_SHORT_HI(a_.wParam)),                             \
                  AfxScrollBarFromHandle(TESSARO_HWND(a_.lParam)))
#define ON_WM_SYSCOMMAND() \
    TESSARO_MSG_V(WM_SYSCOMMAND, void(UINT, LPARAM), OnSysCommand, 0, static_cast<UINT>(a_.wParam), a_.lParam)
#define ON_WM_QUERYDRAGICON()                                                                                \
    {WM_QUERYDRAGICON, 0, 0, 0, AfxSig_msg, nullptr,                                                         \
     TESSARO_THUNK{return reinterpret_cast<LRESULT>(TESSARO_CALL(HCURSOR(), &ThisClass::OnQueryDragIcon)()); \
    }                                                                                                        \
    }                                                                                                        \
    ,
#define ON_WM_SIZING()                                                                         \
    TESSARO_MSG_V(WM_SIZING, void(UINT, LPRECT), OnSizing, TRUE, static_cast<UINT>(a_.wParam), \
                  reinterpret_cast<LPRECT>(a_.lParam))
#define ON_WM_SIZE()                                                                      \
    TESSARO_MSG_V(WM_SIZE, void(UINT, int, int), OnSize, 0, static_cast<UINT>(a_.wParam), \
                  TESSARO_SHORT_LO(a_.lParam), TESSARO_SHORT_HI(a_.lParam))
#define ON_WM_MOVE()                                                               \
    TESSARO_MSG_V(WM_MOVE, void(int, int), OnMove, 0, TESSARO_SHORT_LO(a_.lParam), \
                  TESSARO_SHORT_HI(a_.lParam))
#define TESSARO_MOUSE(msg, fn) \
    TESSARO_MSG_V(msg, void(UINT, CPoint), fn, 0, static_cast<UINT>(a_.wParam), CPoint(a_.lParam))
#define ON_WM_LBUTTONDOWN() TESSARO_MOUSE(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() TESSARO_MOUSE(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() TESSARO_MOUSE(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() TESSARO_MOUSE(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_MOUSEMOVE() TESSARO_MOUSE(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_NCMOUSEMOVE() TESSARO_MOUSE(WM_NCMOUSEMOVE, OnNcMouseMove)
#define ON_WM_NCLBUTTONDOWN() TESSARO_MOUSE(WM_NCLBUTTONDOWN, OnNcLButtonDown)
#define ON_WM_SETCURSOR()                                                                        \
    TESSARO_MSG(WM_SETCURSOR, BOOL(CWnd*, UINT, UINT), OnSetCursor,                              \
                CWnd::FromHandle(TESSARO_HWND(a_.wParam)), static_cast<UINT>(LOWORD(a_.lParam)), \
                static_cast<UINT>(HIWORD(a_.lParam)))
#define ON_WM_CLOSE() TESSARO_MSG_V(WM_CLOSE, void(), OnClose, 0)
#define ON_WM_CREATE() \
    TESSARO_MSG(WM_CREATE, int(LPCREATESTRUCT), OnCreate, reinterpret_cast<LPCREATESTRUCT>(a_.lParam))
#define ON_WM_DESTROY() TESSARO_MSG_V(WM_DESTROY, void(), OnDestroy, 0)
#define ON_WM_SETFOCUS() \
    TESSARO_MSG_V(WM_SETFOCUS, void(CWnd*), OnSetFocus, 0, CWnd::FromHandle(TESSARO_HWND(a_.wParam)))
#define ON_WM_KILLFOCUS() \
    TESSARO_MSG_V(WM_KILLFOCUS, void(CWnd*), OnKillFocus, 0, CWnd::FromHandle(TESSARO_HWND(a_.wParam)))
#define ON_WM_ERASEBKGND() \
    TESSARO_MSG(WM_ERASEBKGND, BOOL(CDC*), OnEraseBkgnd, AfxCDCFromHandle(reinterpret_cast<HDC>(a_.wParam)))
#define ON_WM_SHOWWINDOW()                                                                        \
    TESSARO_MSG_V(WM_SHOWWINDOW, void(BOOL, UINT), OnShowWindow, 0, static_cast<BOOL>(a_.wParam), \
                  static_cast<UINT>(a_.lParam))
#define ON_WM_GETMINMAXINFO()                                              \
    TESSARO_MSG_V(WM_GETMINMAXINFO, void(MINMAXINFO*), OnGetMinMaxInfo, 0, \
                  reinterpret_cast<MINMAXINFO*>(a_.lParam))
#define ON_WM_WINDOWPOSCHANGING()                                                 \
    TESSARO_MSG_V(WM_WINDOWPOSCHANGING, void(WINDOWPOS*), OnWindowPosChanging, 0, \
                  reinterpret_cast<WINDOWPOS*>(a_.lParam))
#define ON_WM_WINDOWPOSCHANGED()                                                \
    TESSARO_MSG_V(WM_WINDOWPOSCHANGED, void(WINDOWPOS*), OnWindowPosChanged, 0, \
                  reinterpret_cast<WINDOWPOS*>(a_.lParam))
#define ON_WM_KEYDOWN()                                                                           \
    TESSARO_MSG_V(WM_KEYDOWN, void(UINT, UINT, UINT), OnKeyDown, 0, static_cast<UINT>(a_.wParam), \
                  static_cast<UINT>(LOWORD(a_.lParam)), static_cast<UINT>(HIWORD(a_.lParam)))
#define ON_WM_CHAR()                                                                        \
    TESSARO_MSG_V(WM_CHAR, void(UINT, UINT, UINT), OnChar, 0, static_cast<UINT>(a_.wParam), \
                  static_cast<UINT>(LOWORD(a_.lParam)), static_cast<UINT>(HIWORD(a_.lParam)))
#define ON_WM_INITMENUPOPUP()                                                     \
    TESSARO_MSG_V(WM_INITMENUPOPUP, void(CMenu*, UINT, BOOL), OnInitMenuPopup, 0, \
                  CMenu::FromHandle(reinterpret_cast<HMENU>(a_.wParam)),          \
                  static_cast<UINT>(LOWORD(a_.lParam)), static_cast<BOOL>(HIWORD(a_.lParam)))

// Any message, handler LRESULT (WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn)                                                            \
    {static_cast<UINT>(message), 0, 0, 0, AfxSig_msg, nullptr,                                    \
     TESSARO_THUNK{return TESSARO_CALL(LRESULT(WPARAM, LPARAM), memberFxn)(a_.wParam, a_.lParam); \
    }                                                                                             \
    }                                                                                             \
    ,
// A message whose id is held in a UINT variable (set by RegisterWindowMessage); the variable is read
// at dispatch, so it may be registered after the map was built.
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn)                                        \
    {0xC000, 0, 0, 0, AfxSig_msg, &(nMessageVariable),                                            \
     TESSARO_THUNK{return TESSARO_CALL(LRESULT(WPARAM, LPARAM), memberFxn)(a_.wParam, a_.lParam); \
    }                                                                                             \
    }                                                                                             \
    ,

// ---- Commands (menus, buttons) and control notifications ----
#define ON_COMMAND(id, memberFxn)                                                               \
    {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_cmd, nullptr, \
     TESSARO_THUNK{TESSARO_CALL(void(), memberFxn)();                                           \
    return TRUE;                                                                                \
    }                                                                                           \
    }                                                                                           \
    ,
// Handler BOOL (UINT nID); FALSE means "not handled".
#define ON_COMMAND_EX(id, memberFxn)                                                              \
    {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(id), AfxSig_cmd_b, nullptr, \
     TESSARO_THUNK{return TESSARO_CALL(BOOL(UINT), memberFxn)(a_.nID);                            \
    }                                                                                             \
    }                                                                                             \
    ,
#define ON_COMMAND_RANGE(id, idLast, memberFxn)                                                     \
    {WM_COMMAND, CN_COMMAND, static_cast<UINT>(id), static_cast<UINT>(idLast), AfxSig_cmd, nullptr, \
     TESSARO_THUNK{TESSARO_CALL(void(UINT), memberFxn)(a_.nID);                                     \
    return TRUE;                                                                                    \
    }                                                                                               \
    }                                                                                               \
    ,
#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                                             \
    {WM_COMMAND, static_cast<UINT>(CN_UPDATE_COMMAND_UI), static_cast<UINT>(id), static_cast<UINT>(id), \
     AfxSig_cmdui, nullptr,                                                                             \
     TESSARO_THUNK{TESSARO_CALL(void(CCmdUI*), memberFxn)(static_cast<CCmdUI*>(a_.pExtra));             \
    return TRUE;                                                                                        \
    }                                                                                                   \
    }                                                                                                   \
    ,
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn)                                                   \
    {WM_COMMAND, static_cast<UINT>(CN_UPDATE_COMMAND_UI), static_cast<UINT>(id), static_cast<UINT>(idLast), \
     AfxSig_cmdui, nullptr,                                                                                 \
     TESSARO_THUNK{TESSARO_CALL(void(CCmdUI*), memberFxn)(static_cast<CCmdUI*>(a_.pExtra));                 \
    return TRUE;                                                                                            \
    }                                                                                                       \
    }                                                                                                       \
    ,
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                    \
    {WM_COMMAND, static_cast<UINT>(static_cast<WORD>(wNotifyCode)), static_cast<UINT>(id),        \
     static_cast<UINT>(id), AfxSig_cmd, nullptr, TESSARO_THUNK{TESSARO_CALL(void(), memberFxn)(); \
    return TRUE;                                                                                  \
    }                                                                                             \
    }                                                                                             \
    ,
// Handler void (UINT nID).
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn)                               \
    {WM_COMMAND, static_cast<UINT>(static_cast<WORD>(wNotifyCode)), static_cast<UINT>(id), \
     static_cast<UINT>(idLast), AfxSig_cmd, nullptr,                                       \
     TESSARO_THUNK{TESSARO_CALL(void(UINT), memberFxn)(a_.nID);                            \
    return TRUE;                                                                           \
    }                                                                                      \
    }                                                                                      \
    ,
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn) ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn) ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_SETFOCUS(id, memberFxn) ON_CONTROL(CBN_SETFOCUS, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)

// WM_NOTIFY from control id; handler void (NMHDR* pNMHDR, LRESULT* pResult).
#define ON_NOTIFY(wNotifyCode, id, memberFxn)                                             \
    {WM_NOTIFY, static_cast<UINT>(static_cast<WORD>(wNotifyCode)), static_cast<UINT>(id), \
     static_cast<UINT>(id), AfxSig_notify, nullptr,                                       \
     TESSARO_THUNK{AFX_NOTIFY* n_ = static_cast<AFX_NOTIFY*>(a_.pExtra);                  \
    TESSARO_CALL(void(NMHDR*, LRESULT*), memberFxn)(n_->pNMHDR, n_->pResult);             \
    return TRUE;                                                                          \
    }                                                                                     \
    }                                                                                     \
    ,
// Handler void (UINT nID, NMHDR* pNMHDR, LRESULT* pResult).
#define ON_NOTIFY_RANGE(wNotifyCode, id, idLast, memberFxn)                                 \
    {WM_NOTIFY, static_cast<UINT>(static_cast<WORD>(wNotifyCode)), static_cast<UINT>(id),   \
     static_cast<UINT>(idLast), AfxSig_notify, nullptr,                                     \
     TESSARO_THUNK{AFX_NOTIFY* n_ = static_cast<AFX_NOTIFY*>(a_.pExtra);                    \
    TESSARO_CALL(void(UINT, NMHDR*, LRESULT*), memberFxn)(a_.nID, n_->pNMHDR, n_->pResult); \
    return TRUE;                                                                            \
    }                                                                                       \
    }                                                                                       \
    ,
