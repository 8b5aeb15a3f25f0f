// The TTL radix list 1051 with its button 1050, and the check boxes 1032 "TTL Test" and 1052 "Enable
// Trigger". The template creates them hidden and nothing shows them: the menus set the radix, TTL Test
// mode and the external interrupt. The handlers keep the controls in step with those menu commands, so a
// click that does reach one has the menu's effect and no other.
#include "app/main_dialog.h"

#include "resources/resource.h"

namespace {

struct RadixEntry {
    const char* pszText;
    int nRadixId;
};

// The texts of the radix menu items; the list is sorted, so its order is by text.
constexpr RadixEntry kRadixEntries[] = {
    {"Show  TTL  as  Binary", ID_TTL_BINARY},   {"Show  TTL  as  Octal", ID_TTL_OCTAL},
    {"Show  TTL  as  Decimal", ID_TTL_DECIMAL}, {"Show  TTL  as  Hex", ID_TTL_HEX},
    {"Show  TTL  as  LEDs", ID_TTL_LEDS},
};

BOOL IsChecked(const CWnd& dlg, int nId) {
    return dlg.IsDlgButtonChecked(nId) == BST_CHECKED ? TRUE : FALSE;
}

}  // namespace

// Fills the list with the five radixes (item data: the radix id) and selects the one in g_Params;
// m_nRadixSel is that entry, CB_ERR when the stored id is none of them.
void CTessaro2010Dlg::FillRadixCombo() {
    m_nRadixSel = CB_ERR;
    if (GetSafeHwnd() == nullptr) return;
    CWnd* pList = GetDlgItem(IDC_RADIX_LIST);
    if (pList == nullptr) return;
    pList->SendMessage(CB_RESETCONTENT);
    for (const RadixEntry& entry : kRadixEntries) {
        const LRESULT nIndex = pList->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.pszText));
        if (nIndex < 0) continue;
        pList->SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(nIndex), entry.nRadixId);
    }
    const int nCount = static_cast<int>(pList->SendMessage(CB_GETCOUNT));
    for (int i = 0; i < nCount; ++i) {
        if (static_cast<int>(pList->SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(i))) ==
            g_Params.nTtlRadixId) {
            m_nRadixSel = i;
            break;
        }
    }
    pList->SendMessage(CB_SETCURSEL, static_cast<WPARAM>(m_nRadixSel));
}

// Check box 1032: the same toggle as the TTL Test menu command, when the box and the mode differ.
void CTessaro2010Dlg::OnTtlTestCheck() {
    if (IsChecked(*this, IDC_TTL_TEST) != m_bTtlTest) SendMessage(WM_COMMAND, ID_TTL_TEST_MODE, 0);
    CheckDlgButton(IDC_TTL_TEST, m_bTtlTest ? BST_CHECKED : BST_UNCHECKED);
}

// Button 1050 shows the radix list, and hides it again on the next click.
void CTessaro2010Dlg::OnRadixButton() {
    CWnd* pList = GetDlgItem(IDC_RADIX_LIST);
    if (pList == nullptr) return;
    m_bRadixListShown = !m_bRadixListShown;
    if (m_bRadixListShown) FillRadixCombo();
    pList->ShowWindow(m_bRadixListShown ? SW_SHOW : SW_HIDE);
}

// Check box 1052: the same toggle as the pulse edge detection menu command; the box then shows the
// outcome, so a request the board cannot honour leaves it unchecked.
void CTessaro2010Dlg::OnEnableTrigger() {
    if (IsChecked(*this, IDC_ENABLE_TRIGGER) != m_bEnableTrigger)
        SendMessage(WM_COMMAND, ID_PULSE_EDGE_DETECTION, 0);
    CheckDlgButton(IDC_ENABLE_TRIGGER, m_bEnableTrigger ? BST_CHECKED : BST_UNCHECKED);
}

// A radix picked from the list is applied as its menu command applies it; the list closes.
void CTessaro2010Dlg::OnSelchangeRadix() {
    CWnd* pList = GetDlgItem(IDC_RADIX_LIST);
    if (pList == nullptr) return;
    const int nSel = static_cast<int>(pList->SendMessage(CB_GETCURSEL));
    if (nSel != CB_ERR) {
        m_nRadixSel = nSel;
        SetTtlRadix(static_cast<int>(pList->SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(nSel))), TRUE);
    }
    m_bRadixListShown = FALSE;
    pList->ShowWindow(SW_HIDE);
}
