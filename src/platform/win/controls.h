// The controls: window classes "Button", "Static", "Edit", "ComboBox", "ScrollBar", "msctls_updown32" and
// "SysTabControl32", each with a default window procedure that keeps the control's state and sends its
// parent the notifications a real control sends (WM_COMMAND with MAKEWPARAM(id, code) and the control's
// handle, WM_NOTIFY, WM_VSCROLL/WM_HSCROLL, WM_DRAWITEM, WM_CTLCOLOR*). The C++ classes only send messages,
// so a temporary object from GetDlgItem and an object attached by DDX_Control behave the same.
//
// Painting (on WM_PAINT): a control asks its parent for colours (WM_CTLCOLORSTATIC for statics, check
// boxes, radio buttons and group boxes and read-only or disabled edits, WM_CTLCOLORBTN for push buttons,
// WM_CTLCOLOREDIT for edits and the field of a combo box, WM_CTLCOLORLISTBOX for a dropped-down list,
// WM_CTLCOLORSCROLLBAR for scroll bars), fills its client area with the brush answered and records its
// text with the context's colours. An owner-drawn button sends WM_DRAWITEM (ODA_DRAWENTIRE) instead.
//
// Notifications that differ from a naive model, as on Windows: an edit sends EN_CHANGE also when the
// program sets its text; a combo box sends CBN_SELCHANGE only when the user picks an entry, never for
// CB_SETCURSEL; a scroll bar does not move itself: the parent's scroll handler sets the position.
#pragma once

#include "platform/win/cstring.h"
#include "platform/win/geometry.h"
#include "platform/win/window.h"

#ifndef TESSARO_LPINT_DEFINED
#define TESSARO_LPINT_DEFINED
using LPINT = int*;
#endif
using LPBOOL = BOOL*;

// ---- Constants the controls add ----
constexpr UINT STM_SETICON = 0x0170;
constexpr UINT STM_GETICON = 0x0171;
constexpr UINT STM_SETIMAGE = 0x0172;
constexpr UINT STM_GETIMAGE = 0x0173;
constexpr UINT STN_CLICKED = 0;

constexpr UINT DLGC_WANTARROWS = 0x0001;
constexpr UINT DLGC_WANTTAB = 0x0002;
constexpr UINT DLGC_WANTALLKEYS = 0x0004;
constexpr UINT DLGC_HASSETSEL = 0x0008;
constexpr UINT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr UINT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr UINT DLGC_RADIOBUTTON = 0x0040;
constexpr UINT DLGC_WANTCHARS = 0x0080;
constexpr UINT DLGC_STATIC = 0x0100;
constexpr UINT DLGC_BUTTON = 0x2000;

constexpr UINT EM_GETPASSWORDCHAR = 0x00D2;
constexpr UINT EM_GETLIMITTEXT = 0x00D5;

constexpr UINT SBM_SETSCROLLINFO = 0x00E9;
constexpr UINT SBM_GETSCROLLINFO = 0x00EA;
constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
    UINT cbSize;
    UINT fMask;
    int nMin;
    int nMax;
    UINT nPage;
    int nPos;
    int nTrackPos;
};
using LPSCROLLINFO = SCROLLINFO*;
using LPCSCROLLINFO = const SCROLLINFO*;

struct TCITEMA {
    UINT mask;
    DWORD dwState;
    DWORD dwStateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};
using TCITEM = TCITEMA;
using LPTCITEM = TCITEMA*;
constexpr UINT TCM_INSERTITEM = TCM_INSERTITEMA;
constexpr UINT TCM_GETITEM = TCM_GETITEMA;
constexpr UINT TCM_SETITEM = TCM_SETITEMA;

struct TCHITTESTINFO {
    POINT pt;
    UINT flags;
};
constexpr UINT TCHT_NOWHERE = 0x0001;
constexpr UINT TCHT_ONITEMICON = 0x0002;
constexpr UINT TCHT_ONITEMLABEL = 0x0004;
constexpr UINT TCHT_ONITEM = TCHT_ONITEMICON | TCHT_ONITEMLABEL;

// Geometry the controls use (pixels): a tab is 20 high and 12 + 6 per character wide, tabs side by side
// from the left; an up-down's upper half is its up arrow (left half: the left arrow with UDS_HORZ).
constexpr int kTabHeight = 20;
constexpr int kTabPadding = 12;
constexpr int kTabCharWidth = 6;

// Simulated user input, posted by user_actions.h only (the real controls' own input loops in one
// message): pick list entry wParam; scroll with code wParam; drag the thumb to position wParam.
constexpr UINT WM_SIM_COMBOPICK = 0x03F0;
constexpr UINT WM_SIM_SCROLL = 0x03F1;
constexpr UINT WM_SIM_THUMBDRAG = 0x03F2;

// ::SetScrollRange/... on a scroll bar control (nBar SB_CTL). The window scroll bars of SB_HORZ/SB_VERT
// are not modelled: those calls fail (return 0 / FALSE).
int SetScrollPos(HWND hWnd, int nBar, int nPos, BOOL bRedraw);
BOOL SetScrollRange(HWND hWnd, int nBar, int nMinPos, int nMaxPos, BOOL bRedraw);

// ---- C++ wrappers ----
class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
  public:
    CStatic() = default;
    using CWnd::Create;

  private:
    friend class CStaticTesting;
    BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xFFFF);
    HBITMAP GetBitmap() const;
};

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
  public:
    CButton() = default;
    using CWnd::Create;
    HBITMAP SetBitmap(HBITMAP hBitmap);  // the previous image

  private:
    friend class CButtonTesting;
    BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
};

class CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)
  public:
    CEdit() = default;
    using CWnd::Create;

  private:
    friend class CEditTesting;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    // nEndChar -1: to the end; nStartChar -1: no selection.
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void GetSel(int& nStartChar, int& nEndChar) const;
    void ReplaceSel(LPCTSTR lpszNewText, BOOL bCanUndo = FALSE);
    void LimitText(int nChars = 0);  // 0: the largest limit
    UINT GetLimitText() const;
    BOOL GetModify() const;
};

class CComboBox : public CWnd {
    DECLARE_DYNAMIC(CComboBox)
  public:
    CComboBox() = default;
    using CWnd::Create;
    // The index of the new entry (in sorted order with CBS_SORT), CB_ERR for a NULL text.
    int AddString(LPCTSTR lpszString);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;       // CB_ERR when nothing is selected
    int SetCurSel(int nSelect);  // no notification; CB_ERR (and no selection) for -1 or a bad index
    int SetItemData(int nIndex, DWORD_PTR dwItemData);
    DWORD_PTR GetItemData(int nIndex) const;  // CB_ERR for a bad index
    // Copies the entry's text into lpszText, which must hold GetLBTextLen(nIndex) + 1 characters.
    int GetLBText(int nIndex, LPTSTR lpszText) const;
    void GetLBText(int nIndex, CString& rString) const;

  private:
    friend class CComboBoxTesting;
    int InsertString(int nIndex, LPCTSTR lpszString);  // -1: at the end; never sorted
    int GetLBTextLen(int nIndex) const;
    // Searches after nStartAfter (-1: from the start) and wraps; case-insensitive. CB_ERR when none.
    int FindString(int nStartAfter, LPCTSTR lpszString) const;  // by prefix
    int FindStringExact(int nIndexStart, LPCTSTR lpszFind) const;
    BOOL GetDroppedState() const;
};

class CScrollBar : public CWnd {
    DECLARE_DYNAMIC(CScrollBar)
  public:
    CScrollBar() = default;
    using CWnd::Create;

  private:
    friend class CScrollBarTesting;
    BOOL GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask = SIF_ALL);
    int GetScrollPos() const;
    int SetScrollPos(int nPos, BOOL bRedraw = TRUE);  // the previous position; clamped to the range
    void SetScrollRange(int nMinPos, int nMaxPos, BOOL bRedraw = TRUE);
    BOOL SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE);
    int GetScrollLimit();
};

// An up-down control. It derives from CScrollBar (not as on Windows) so that the CScrollBar* a parent's
// OnVScroll receives for an up-down is that up-down's own object: compare it with &m_spin. Only its own
// members below act on the control; the scroll bar members do nothing for it.
class CSpinButtonCtrl : public CScrollBar {
    DECLARE_DYNAMIC(CSpinButtonCtrl)
  public:
    CSpinButtonCtrl() = default;
    using CScrollBar::Create;
    int SetBase(int nBase);  // 10 or 16; the previous base, 0 for another value
    void SetRange(short nLower, short nUpper);
    int SetPos(int nPos);  // the previous position; clamped to the range

  private:
    friend class CSpinButtonCtrlTesting;
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    DWORD GetRange() const;  // MAKELONG(upper, lower)
    void GetRange(int& lower, int& upper) const;
    int GetPos() const;  // the position in the low word, 0 in the high word
    int GetPos32(LPBOOL lpbError = nullptr) const;
};

class CTabCtrl : public CWnd {
    DECLARE_DYNAMIC(CTabCtrl)
  public:
    CTabCtrl() = default;
    using CWnd::Create;

  private:
    friend class CTabCtrlTesting;
    LONG InsertItem(int nItem, TCITEM* pTabCtrlItem);
    LONG InsertItem(int nItem, LPCTSTR lpszItem);
    LONG InsertItem(UINT nMask, int nItem, LPCTSTR lpszItem, int nImage, LPARAM lParam);
    BOOL GetItem(int nItem, TCITEM* pTabCtrlItem) const;
    int GetItemCount() const;
    int GetCurSel() const;     // -1 when no tab is selected
    int SetCurSel(int nItem);  // no notification; the previous selection, -1 for a bad index
};
