// Test inspection of controls (controls.h): the position, range and page of a scroll bar control, the
// control classes' registration and the height of a list entry.
// CEditTesting, CStaticTesting, CButtonTesting, CComboBoxTesting, CScrollBarTesting, CSpinButtonCtrlTesting
// and CTabCtrlTesting reach the members of their classes that only tests call.
#pragma once

#include "platform/win/controls.h"

int GetScrollPos(HWND hWnd, int nBar);
BOOL GetScrollRange(HWND hWnd, int nBar, LPINT lpMinPos, LPINT lpMaxPos);
int SetScrollInfo(HWND hWnd, int nBar, LPCSCROLLINFO lpsi, BOOL bRedraw);
BOOL GetScrollInfo(HWND hWnd, int nBar, LPSCROLLINFO lpsi);

// Registers the control classes and the dialog class once (also run by the dialog and control creation
// paths, so templates can name the classes). Survives CWinSimulation::Reset.
void AfxEnsureControlClasses();
// The height of one entry of a list (list boxes, a combo box's list): the control's font line + 2 pixels.
int AfxControlItemHeight(HWND hWnd);

// CEdit's members that only tests call.
class CEditTesting {
  public:
    static BOOL Create(CEdit& o, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return o.Create(dwStyle, rect, pParentWnd, nID);
    }
    static void SetSel(CEdit& o, int nStartChar, int nEndChar, BOOL bNoScroll = FALSE) {
        o.SetSel(nStartChar, nEndChar, bNoScroll);
    }
    static void GetSel(const CEdit& o, int& nStartChar, int& nEndChar) { o.GetSel(nStartChar, nEndChar); }
    static void ReplaceSel(CEdit& o, LPCTSTR lpszNewText, BOOL bCanUndo = FALSE) {
        o.ReplaceSel(lpszNewText, bCanUndo);
    }
    static void LimitText(CEdit& o, int nChars = 0) { o.LimitText(nChars); }
    static UINT GetLimitText(const CEdit& o) { return o.GetLimitText(); }
    static BOOL GetModify(const CEdit& o) { return o.GetModify(); }
};

// CStatic's members that only tests call.
class CStaticTesting {
  public:
    static BOOL Create(CStatic& o, LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                       UINT nID = 0xFFFF) {
        return o.Create(lpszText, dwStyle, rect, pParentWnd, nID);
    }
    static HBITMAP GetBitmap(const CStatic& o) { return o.GetBitmap(); }
};

// CButton's members that only tests call.
class CButtonTesting {
  public:
    static BOOL Create(CButton& o, LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                       UINT nID) {
        return o.Create(lpszCaption, dwStyle, rect, pParentWnd, nID);
    }
};

// CComboBox's members that only tests call.
class CComboBoxTesting {
  public:
    static int InsertString(CComboBox& o, int nIndex, LPCTSTR lpszString) {
        return o.InsertString(nIndex, lpszString);
    }
    static int GetLBTextLen(const CComboBox& o, int nIndex) { return o.GetLBTextLen(nIndex); }
    static int FindString(const CComboBox& o, int nStartAfter, LPCTSTR lpszString) {
        return o.FindString(nStartAfter, lpszString);
    }
    static int FindStringExact(const CComboBox& o, int nIndexStart, LPCTSTR lpszFind) {
        return o.FindStringExact(nIndexStart, lpszFind);
    }
    static BOOL GetDroppedState(const CComboBox& o) { return o.GetDroppedState(); }
};

// CScrollBar's members that only tests call.
class CScrollBarTesting {
  public:
    static int GetScrollPos(const CScrollBar& o) { return o.GetScrollPos(); }
    static int SetScrollPos(CScrollBar& o, int nPos, BOOL bRedraw = TRUE) {
        return o.SetScrollPos(nPos, bRedraw);
    }
    static void SetScrollRange(CScrollBar& o, int nMinPos, int nMaxPos, BOOL bRedraw = TRUE) {
        o.SetScrollRange(nMinPos, nMaxPos, bRedraw);
    }
    static BOOL SetScrollInfo(CScrollBar& o, LPSCROLLINFO lpScrollInfo, BOOL bRedraw = TRUE) {
        return o.SetScrollInfo(lpScrollInfo, bRedraw);
    }
    static int GetScrollLimit(CScrollBar& o) { return o.GetScrollLimit(); }
};

// CSpinButtonCtrl's members that only tests call.
class CSpinButtonCtrlTesting {
  public:
    static BOOL Create(CSpinButtonCtrl& o, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
        return o.Create(dwStyle, rect, pParentWnd, nID);
    }
    static DWORD GetRange(const CSpinButtonCtrl& o) { return o.GetRange(); }
    static void GetRange(const CSpinButtonCtrl& o, int& lower, int& upper) { o.GetRange(lower, upper); }
    static int GetPos(const CSpinButtonCtrl& o) { return o.GetPos(); }
    static int GetPos32(const CSpinButtonCtrl& o, LPBOOL lpbError = nullptr) { return o.GetPos32(lpbError); }
};

// CTabCtrl's members that only tests call.
class CTabCtrlTesting {
  public:
    static LONG InsertItem(CTabCtrl& o, int nItem, TCITEM* pTabCtrlItem) {
        return o.InsertItem(nItem, pTabCtrlItem);
    }
    static LONG InsertItem(CTabCtrl& o, int nItem, LPCTSTR lpszItem) { return o.InsertItem(nItem, lpszItem); }
    static LONG InsertItem(CTabCtrl& o, UINT nMask, int nItem, LPCTSTR lpszItem, int nImage, LPARAM lParam) {
        return o.InsertItem(nMask, nItem, lpszItem, nImage, lParam);
    }
    static BOOL GetItem(const CTabCtrl& o, int nItem, TCITEM* pTabCtrlItem) {
        return o.GetItem(nItem, pTabCtrlItem);
    }
    static int GetItemCount(const CTabCtrl& o) { return o.GetItemCount(); }
    static int GetCurSel(const CTabCtrl& o) { return o.GetCurSel(); }
    static int SetCurSel(CTabCtrl& o, int nItem) { return o.SetCurSel(nItem); }
};
