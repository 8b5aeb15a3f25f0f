// List boxes (class "ListBox"): a column of text entries with item data, one of them selected.
//
// Geometry: entries are one font line plus 2 pixels high, from the top of the client area; when they do
// not all fit, a vertical scroll bar (a child "ScrollBar" control) takes the right kScrollBarWidth
// pixels and scrolls by whole entries. Painting: the parent's WM_CTLCOLORLISTBOX brush fills the client
// area, the selected entry is filled with COLOR_HIGHLIGHT and its text drawn in COLOR_HIGHLIGHTTEXT, a
// focused list box marks the selected entry with a focus rectangle.
//
// Input: a click selects the entry under the pointer (the button held, moving selects what is under
// it), a double click also sends LBN_DBLCLK; Up, Down, Home, End, Page Up and Page Down move the
// selection, the wheel scrolls. A user's change of the selection sends LBN_SELCHANGE, LB_SETCURSEL never
// does; both notifications only with LBS_NOTIFY.
#pragma once

#include "platform/win/controls.h"

class CListBox : public CWnd {
    DECLARE_DYNAMIC(CListBox)
  public:
    CListBox() = default;
    using CWnd::Create;

  private:
    friend class CListBoxTesting;
    friend class CFileChooserDialog;
    int InsertString(int nIndex, LPCTSTR lpszItem);  // -1: at the end; never sorted
    void ResetContent();
    int GetCurSel() const;                    // LB_ERR when nothing is selected
    DWORD_PTR GetItemData(int nIndex) const;  // LB_ERR for a bad index
    int SetItemData(int nIndex, DWORD_PTR dwItemData);
    int AddString(LPCTSTR lpszItem);  // the new entry's index (sorted with LBS_SORT)
    int DeleteString(UINT nIndex);    // the entries left, LB_ERR for a bad index
    int GetCount() const;
    int SetCurSel(int nSelect);                        // no notification; -1 clears the selection
    int GetText(int nIndex, LPTSTR lpszBuffer) const;  // lpszBuffer holds GetTextLen(nIndex) + 1
    void GetText(int nIndex, CString& rString) const;
    int GetTextLen(int nIndex) const;
    int GetTopIndex() const;
};
