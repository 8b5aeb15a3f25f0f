// Message boxes as framework dialogs, and the modal run of a dialog whose template is made in code.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/win/controls.h"
#include "platform/win/dialog_user_agent.h"
#include "platform/win/dialog_user_agent_testing.h"
#include "platform/win/gdi.h"
#include "platform/win/gdi_internal.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/kernel.h"
#include "platform/win/message_map.h"
#include "platform/win/nonclient.h"
#include "platform/win/nonclient_testing.h"
#include "platform/win/window_testing.h"

namespace {

// Layout of a box, in pixels.
constexpr int kMargin = 11;
constexpr int kIconGap = 11;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kButtonRowGap = 14;
constexpr int kIconSize = 32;

thread_local std::vector<CMessageBoxDialog*> t_openBoxes;

// What Escape and the close box answer in a box of this type: Cancel where it has one, OK for a lone OK,
// else nothing (0).
int EscapeAnswer(UINT nType, const std::vector<int>& buttons) {
    if (std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end()) return IDCANCEL;
    if ((nType & MB_TYPEMASK) == MB_OK) return IDOK;
    return 0;
}

}  // namespace

// ---- CRuntimeTemplateDialog ----
INT_PTR CRuntimeTemplateDialog::DoModal() {
    return DoModalIndirect(m_template, m_hOwner);
}

// ---- CMessageBoxDialog ----
BEGIN_MESSAGE_MAP(CMessageBoxDialog, CDialog)
ON_WM_PAINT()
END_MESSAGE_MAP()

std::vector<int> CMessageBoxDialog::ButtonsOf(UINT nType) {
    switch (nType & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE:
            return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL:
            return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO:
            return {IDYES, IDNO};
        case MB_RETRYCANCEL:
            return {IDRETRY, IDCANCEL};
        case MB_CANCELTRYCONTINUE:
            return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
        default:
            return {IDOK};
    }
}

LPCTSTR CMessageBoxDialog::ButtonText(int nID) {
    switch (nID) {
        case IDOK:
            return "OK";
        case IDCANCEL:
            return "Cancel";
        case IDABORT:
            return "&Abort";
        case IDRETRY:
            return "&Retry";
        case IDIGNORE:
            return "&Ignore";
        case IDYES:
            return "&Yes";
        case IDNO:
            return "&No";
        case IDTRYAGAIN:
            return "&Try Again";
        case IDCONTINUE:
            return "&Continue";
        default:
            return "";
    }
}

CMessageBoxDialog* CMessageBoxDialog::GetOpenBox() {
    return t_openBoxes.empty() ? nullptr : t_openBoxes.front();
}

CMessageBoxDialog::CMessageBoxDialog(const CUserEvent& box)
    : CRuntimeTemplateDialog(box.hOwner), m_nType(box.nType), m_buttons(ButtonsOf(box.nType)) {
    m_template.strCaption = box.strCaption.Str();
    m_template.strFontName = "MS Shell Dlg";
    m_template.wPointSize = 8;
    m_template.dwStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    if (box.IsTopmost()) m_template.dwExStyle |= WS_EX_TOPMOST;
    // Sizes and places are set once the font is known (LayOut).
    m_template.cx = 100;
    m_template.cy = 40;
    CDialogItemTemplate text;
    text.nID = kMessageBoxTextId;
    text.strClass = "Static";
    text.strText = box.strText.Str();
    text.dwStyle = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
    m_template.items.push_back(text);
    const size_t nDefault = std::min<size_t>((box.nType & MB_DEFMASK) >> 8, m_buttons.size() - 1);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        CDialogItemTemplate button;
        button.nID = static_cast<UINT>(m_buttons[i]);
        button.strClass = "Button";
        button.strText = ButtonText(m_buttons[i]);
        button.dwStyle = WS_VISIBLE | WS_TABSTOP | (i == nDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        m_template.items.push_back(button);
    }
}

BOOL CMessageBoxDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    t_openBoxes.push_back(this);
    LayOut();
    const DWORD nDef = GetDefID();
    if (HIWORD(nDef) == DC_HASDEFID) {
        if (CWnd* pDefault = GetDlgItem(LOWORD(nDef))) GotoDlgCtrl(pDefault);
    }
    return FALSE;  // the focus is on the default button
}

void CMessageBoxDialog::PostNcDestroy() {
    t_openBoxes.erase(std::remove(t_openBoxes.begin(), t_openBoxes.end(), this), t_openBoxes.end());
    CRuntimeTemplateDialog::PostNcDestroy();
}

void CMessageBoxDialog::LayOut() {
    CWnd* pText = GetDlgItem(kMessageBoxTextId);
    if (pText == nullptr) return;
    CString strText;
    pText->GetWindowText(strText);
    RECT rcText{0, 0, kMessageBoxMaxTextWidth, 0};
    {
        CClientDC dc(pText);
        HGDIOBJ hFont = reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT, 0, 0));
        HGDIOBJ hOld = hFont ? ::SelectObject(dc.m_hDC, hFont) : nullptr;
        ::DrawTextA(dc.m_hDC, strText.GetString(), -1, &rcText,
                    DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        if (hOld) ::SelectObject(dc.m_hDC, hOld);
    }
    const int cxText = std::max<int>(rcText.right - rcText.left, 1);
    const int cyText = std::max<int>(rcText.bottom - rcText.top, 1);
    const bool bIcon = (m_nType & MB_ICONMASK) != 0;
    const int xText = kMargin + (bIcon ? kIconSize + kIconGap : 0);
    const int cyTop = std::max(cyText, bIcon ? kIconSize : 0);
    const int yText = kMargin + (cyTop - cyText) / 2;
    m_rcIcon = bIcon ? RECT{kMargin, kMargin, kMargin + kIconSize, kMargin + kIconSize} : RECT{};
    pText->MoveWindow(xText, yText, cxText, cyText, FALSE);

    const int nButtons = static_cast<int>(m_buttons.size());
    const int cxButtons = nButtons * kButtonWidth + (nButtons - 1) * kButtonGap;
    const int cxClient = std::max(xText + cxText + kMargin, cxButtons + 2 * kMargin);
    const int yButtons = kMargin + cyTop + kButtonRowGap;
    const int cyClient = yButtons + kButtonHeight + kMargin;
    int x = (cxClient - cxButtons) / 2;
    for (int nID : m_buttons) {
        if (CWnd* pButton = GetDlgItem(nID))
            pButton->MoveWindow(x, yButtons, kButtonWidth, kButtonHeight, FALSE);
        x += kButtonWidth + kButtonGap;
    }

    // The window around that client area, centred over the owner (the screen without one).
    RECT rcWindow{}, rcClient{};
    GetWindowRect(&rcWindow);
    GetClientRect(&rcClient);
    const int cx = cxClient + (rcWindow.right - rcWindow.left) - (rcClient.right - rcClient.left);
    const int cy = cyClient + (rcWindow.bottom - rcWindow.top) - (rcClient.bottom - rcClient.top);
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner != nullptr) ::GetWindowRect(hOwner, &area);
    const int left = std::max<int>(area.left + (area.right - area.left - cx) / 2, 0);
    const int top = std::max<int>(area.top + (area.bottom - area.top - cy) / 2, 0);
    SetWindowPos(nullptr, left, top, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CMessageBoxDialog::OnCommand(WPARAM wParam, LPARAM) {
    const int nID = LOWORD(wParam);
    if (HIWORD(wParam) != BN_CLICKED) return TRUE;
    const bool bButton = std::find(m_buttons.begin(), m_buttons.end(), nID) != m_buttons.end();
    if (bButton) {
        EndDialog(nID);
    } else if (nID == IDCANCEL) {
        // Escape or the close box: only where the box has an answer for them.
        if (const int nAnswer = EscapeAnswer(m_nType, m_buttons)) EndDialog(nAnswer);
    }
    return TRUE;
}

BOOL CMessageBoxDialog::PreTranslateMessage(MSG* pMsg) {
    const bool bKey = pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN;
    const WPARAM nKey = pMsg->wParam;
    if (bKey && ((nKey >= 'A' && nKey <= 'Z') || (nKey >= '0' && nKey <= '9')) &&
        !(GetAsyncKeyState(VK_CONTROL) & 0x8000)) {
        for (int nID : m_buttons) {
            int nMnemonic = -1;
            const std::string strText = AfxStripMnemonic(ButtonText(nID), &nMnemonic, nullptr);
            if (nMnemonic < 0 || static_cast<WPARAM>(std::toupper(static_cast<unsigned char>(
                                     strText[static_cast<size_t>(nMnemonic)]))) != nKey)
                continue;
            // As a click: the button takes the focus, then its parent hears of it.
            if (CWnd* pButton = GetDlgItem(nID)) {
                GotoDlgCtrl(pButton);
                SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(nID), BN_CLICKED),
                            reinterpret_cast<LPARAM>(pButton->m_hWnd));
            }
            return TRUE;
        }
    }
    return CRuntimeTemplateDialog::PreTranslateMessage(pMsg);
}

void CMessageBoxDialog::OnPaint() {
    CPaintDC dc(this);
    const UINT nIcon = m_nType & MB_ICONMASK;
    if (nIcon == 0 || m_rcIcon.right <= m_rcIcon.left) return;
    COLORREF fill = RGB(0, 90, 200);
    COLORREF mark = RGB(255, 255, 255);
    const char* pszMark = "i";
    if (nIcon == MB_ICONHAND) {
        fill = RGB(200, 30, 30);
        pszMark = "X";
    } else if (nIcon == MB_ICONQUESTION) {
        pszMark = "?";
    } else if (nIcon == MB_ICONEXCLAMATION) {
        fill = RGB(250, 200, 0);
        mark = RGB(0, 0, 0);
        pszMark = "!";
    }
    HBRUSH hBrush = ::CreateSolidBrush(fill);
    HGDIOBJ hOldBrush = ::SelectObject(dc.m_hDC, hBrush);
    ::Ellipse(dc.m_hDC, m_rcIcon.left, m_rcIcon.top, m_rcIcon.right, m_rcIcon.bottom);
    ::SelectObject(dc.m_hDC, hOldBrush);
    ::DeleteObject(hBrush);
    HGDIOBJ hFont = reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT, 0, 0));
    HGDIOBJ hOldFont = hFont ? ::SelectObject(dc.m_hDC, hFont) : nullptr;
    ::SetBkMode(dc.m_hDC, TRANSPARENT);
    ::SetTextColor(dc.m_hDC, mark);
    RECT rc = m_rcIcon;
    ::DrawTextA(dc.m_hDC, pszMark, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (hOldFont) ::SelectObject(dc.m_hDC, hOldFont);
}
