// Test set-up and inspection of list boxes (list_box.h).
// CListBoxTesting reaches the members of CListBox that only tests call.
#pragma once

#include "platform/win/list_box.h"

// CListBox's members that only tests call.
class CListBoxTesting {
  public:
    static int AddString(CListBox& o, LPCTSTR lpszItem) { return o.AddString(lpszItem); }
    static int DeleteString(CListBox& o, UINT nIndex) { return o.DeleteString(nIndex); }
    static int GetCount(const CListBox& o) { return o.GetCount(); }
    static int SetCurSel(CListBox& o, int nSelect) { return o.SetCurSel(nSelect); }
    static int GetText(const CListBox& o, int nIndex, LPTSTR lpszBuffer) {
        return o.GetText(nIndex, lpszBuffer);
    }
    static void GetText(const CListBox& o, int nIndex, CString& rString) { o.GetText(nIndex, rString); }
    static int GetTextLen(const CListBox& o, int nIndex) { return o.GetTextLen(nIndex); }
    static int GetTopIndex(const CListBox& o) { return o.GetTopIndex(); }
    static int InsertString(CListBox& o, int nIndex, LPCTSTR lpszItem) {
        return o.InsertString(nIndex, lpszItem);
    }
    static void ResetContent(CListBox& o) { o.ResetContent(); }
    static int GetCurSel(const CListBox& o) { return o.GetCurSel(); }
    static DWORD_PTR GetItemData(const CListBox& o, int nIndex) { return o.GetItemData(nIndex); }
    static int SetItemData(CListBox& o, int nIndex, DWORD_PTR dwItemData) {
        return o.SetItemData(nIndex, dwItemData);
    }
};
