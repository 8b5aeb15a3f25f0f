#include "app/text_helpers.h"

#include <cstdarg>
#include <cstdio>

#include "app/advanced_dialog.h"
#include "app/main_dialog.h"
#include "app/tessaro_app.h"
#include "platform/win/format.h"
#include "resources/resource.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kRed = 0x0000FF;
constexpr int kStatusPointSize = 12;
constexpr UINT kStatusFormat = DT_CENTER | DT_VCENTER;

bool IsOutputLed(int nId) {
    return nId >= IDC_OUTPUT_LED_FIRST && nId < IDC_OUTPUT_LED_FIRST + 8;
}
bool IsInputLed(int nId) {
    return nId >= IDC_INPUT_LED_FIRST && nId < IDC_INPUT_LED_FIRST + 8;
}

// Shows or hides a control only when its visibility differs.
void ShowIfDifferent(CWnd* pWnd, bool bShow) {
    if (pWnd == nullptr) return;
    if ((pWnd->IsWindowVisible() != FALSE) != bShow) pWnd->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
}

// The one core of the two printf-style setters: the text formatted (at most 1023 characters) and set;
// the window formats again only when the format or its arguments changed.
void SetTextV(CWnd* pWnd, const char* format, va_list args) {
    if (pWnd == nullptr || format == nullptr) return;
    pWnd->SetWindowTextV(format, args);
}

}  // namespace

int CTessaro2010Dlg::SetControlTextF(CWnd* pWnd, const char* format, ...) {
    if (m_bClosing || theApp.m_bUiUpdatesDisabled) return 0;
    va_list args;
    va_start(args, format);
    SetTextV(pWnd, format, args);
    va_end(args);
    return 0;
}

int CTessaro2010Dlg::SetDlgItemTextF(int nId, const char* format, ...) {
    if (m_bClosing || theApp.m_bUiUpdatesDisabled) return 0;
    va_list args;
    va_start(args, format);
    SetTextV(GetSafeHwnd() != nullptr ? GetDlgItem(nId) : nullptr, format, args);
    va_end(args);
    return 0;
}

void CTessaro2010Dlg::DrawControlText(CWnd* pWnd, const CString& text, int pointSize, COLORREF textColour,
                                      COLORREF bgColour, UINT format) {
    if (pWnd == nullptr || pWnd->GetSafeHwnd() == nullptr) return;
    CDC* pDC = pWnd->GetDC();
    if (pDC == nullptr) return;
    CRect rcWindow;
    pWnd->GetWindowRect(&rcWindow);
    CRect rc(0, 0, rcWindow.Width(), rcWindow.Height());
    if (bgColour == CLR_DIALOG) bgColour = m_crBackground;
    if (textColour == CLR_DIALOG) textColour = m_crText;
    pDC->FillSolidRect(&rc, bgColour);
    if (!text.IsEmpty()) {
        CFont font;
        const BOOL bFont = font.CreatePointFont(pointSize * 10, "MS Sans Serif", pDC);
        if (!bFont) AfxMessageBox("Font Failed");
        CFont* pOldFont = bFont ? pDC->SelectObject(&font) : nullptr;
        pDC->SetBkColor(bgColour);
        pDC->SetTextColor(textColour);
        CRect rcText = rc;
        rcText.OffsetRect(0, 1);
        pDC->DrawText(text, &rcText, format);
        if (pOldFont != nullptr) pDC->SelectObject(pOldFont);
        if (bFont) font.DeleteObject();
    }
    pWnd->ReleaseDC(pDC);
}

void CTessaro2010Dlg::SetMessageText(int nId, const CString& text, int pointSize, COLORREF textColour,
                                     COLORREF bgColour, UINT format) {
    CWnd* pWnd = GetSafeHwnd() != nullptr ? GetDlgItem(nId) : nullptr;
    DrawControlText(pWnd, text, pointSize, textColour, bgColour, format);
}

void CTessaro2010Dlg::UpdateStatusLine() {
    // The texts are made once: the status line is redrawn with every colour request.
    static const CString s_strDisabled("Corvessa Interface Disabled");
    static const CString s_strNotAttached("Corvessa Not Attached");
    static const CString s_strFrozen("Video is Frozen");
    static const CString s_strNone("");
    if (theApp.m_bHostInterfaceDisabled)
        SetMessageText(IDC_STATUS_LINE, s_strDisabled, kStatusPointSize, kWhite, kRed, kStatusFormat);
    else if (!m_bHostAttached)
        SetMessageText(IDC_STATUS_LINE, s_strNotAttached, kStatusPointSize, kWhite, kRed, kStatusFormat);
    else if (m_bVideoFrozen)
        SetMessageText(IDC_STATUS_LINE, s_strFrozen, kStatusPointSize, kWhite, kRed, kStatusFormat);
    else
        SetMessageText(IDC_STATUS_LINE, s_strNone, kStatusPointSize, CLR_DIALOG, CLR_DIALOG, kStatusFormat);
}

void CTessaro2010Dlg::ShowBoardLabel() {
    const CapabilitiesRecord* pRec = CurrentBoardRecord();
    if (pRec == nullptr)
        SetControlTextF(m_pBoardLabel, "No Board");
    else if (m_bTtlTestPulse)
        SetControlTextF(m_pBoardLabel, "%.*s (Short TTL pulse)", BOARD_NAME_LEN - 1, pRec->szName);
    else
        SetControlTextF(m_pBoardLabel, "%.*s ", BOARD_NAME_LEN - 1, pRec->szName);
}

const char* CTessaro2010Dlg::FormatTtlValue(int value, int radixId) {
    const unsigned nValue = static_cast<unsigned>(value);
    auto bit = [nValue](int n) { return (nValue >> n) & 1u ? '1' : '0'; };
    switch (radixId) {
        case ID_TTL_BINARY:
            AfxFormatText(m_szTtlText, sizeof m_szTtlText, "(bin) %c%c%c%c%c%c%c%c", bit(7), bit(6), bit(5),
                          bit(4), bit(3), bit(2), bit(1), bit(0));
            break;
        case ID_TTL_OCTAL:
            AfxFormatText(m_szTtlText, sizeof m_szTtlText, "(oct) %#o", nValue);
            break;
        // The alternate form has no meaning for a decimal conversion; the text is the plain one.
        case ID_TTL_DECIMAL:
            AfxFormatText(m_szTtlText, sizeof m_szTtlText, "(dec) %d", value);
            break;
        case ID_TTL_HEX:
            AfxFormatText(m_szTtlText, sizeof m_szTtlText, "(hex) %#x", nValue);
            break;
        case ID_TTL_LEDS:
            m_szTtlText[0] = '\0';
            break;
        default:
            AfxFormatText(m_szTtlText, sizeof m_szTtlText, "(BAD) %#x", nValue);
            m_bBoardError = TRUE;
            break;
    }
    return m_szTtlText;
}

void CTessaro2010Dlg::ShowTtlOutput(int value) {
    if (OnBurstWorker()) {
        // The line, the LEDs and what they read belong to the user-interface thread.
        const HWND hReport = m_hBurstReportWnd;
        if (hReport != nullptr) ::PostMessage(hReport, WM_TTL_BURST_REPORT, BURST_REPORT_SHOW_OUTPUT, value);
        return;
    }
    if (m_bClosing || theApp.m_bUiUpdatesDisabled) return;
    if (value < 0)
        value = g_nLastShownOutput;
    else
        g_nLastShownOutput = value;
    const int nRadix = g_Params.nTtlRadixId;
    if (nRadix != ID_TTL_LEDS) {
        const char* pszValue = FormatTtlValue(value, nRadix);
        if (m_nBoardFamily == FAMILY_NONE)
            SetControlTextF(m_pTtlOutputLine, " No Board (or not selected):  %s", pszValue);
        else if (g_Params.bRoiOutput)
            SetControlTextF(m_pTtlOutputLine, " bitCode(ROI):  %s", pszValue);
        else
            SetControlTextF(m_pTtlOutputLine, " bitCode:  %s", pszValue);
        return;
    }
    ShowTtlLeds(IDC_OUTPUT_LED_FIRST, value);
    if (g_Params.bExternalInterrupt && m_nTriggerLedTicks == 0) SetControlColor(IDC_TRIGGER_LED, LED_DARK);
}

void CTessaro2010Dlg::ShowTtlInput(int value) {
    if (m_bClosing || theApp.m_bUiUpdatesDisabled) return;
    if (value < 0)
        value = g_nLastShownInput;
    else
        g_nLastShownInput = value;
    const int nRadix = g_Params.nTtlRadixId;
    if (nRadix != ID_TTL_LEDS) {
        const char* pszValue = FormatTtlValue(value, nRadix);
        if (m_bTtlTest)
            SetControlTextF(m_pTtlInputLine, " TTL in  : %s TEST", pszValue);
        else
            SetControlTextF(m_pTtlInputLine, " bitCode : %s", pszValue);
        return;
    }
    ShowTtlLeds(IDC_INPUT_LED_FIRST, value);
    if (m_nTriggerLedTicks == 0) SetControlColor(IDC_TRIGGER_LED, LED_DARK);
}

void CTessaro2010Dlg::ShowTtlLeds(int firstId, int value) {
    for (int i = 0; i < 8; ++i) SetControlColor(firstId + i, (value >> i) & 1 ? LED_LIT : LED_DARK);
}

void CTessaro2010Dlg::SetControlColor(int nId, COLORREF colour) {
    if (m_bClosing || theApp.m_bUiUpdatesDisabled) return;
    const bool bKeep = colour == CLR_DIALOG;

    int i = 0;
    while (i < m_nControlColors && m_nControlColorId[i] != nId) ++i;
    if (i < m_nControlColors) {
        if (bKeep)
            colour = m_crControlColor[i];
        else if (m_crControlColor[i] == colour)
            return;
    } else {
        // Only entries with a throttle slot are made; a further id is not coloured.
        if (m_nControlColors >= COLOR_ENTRIES_WITH_SLOT) return;
        m_nControlColorId[i] = nId;
        ++m_nControlColors;
        if (bKeep) colour = m_crControlColor[i];
    }

    CWnd* pWnd = nullptr;
    if (g_pAdvancedDlg != nullptr && g_pAdvancedDlg->GetSafeHwnd() != nullptr && IsOutputLed(nId))
        pWnd = g_pAdvancedDlg->GetDlgItem(nId);
    if (pWnd == nullptr && GetSafeHwnd() != nullptr) pWnd = GetDlgItem(nId);

    if (g_bColorThrottle && !bKeep) {
        const DWORD nNow = static_cast<DWORD>(GetMilliseconds());
        std::int32_t& nSlot = m_nSlotTimeMs[COLOR_SLOT_BASE + i];
        if (nNow - static_cast<DWORD>(nSlot) < COLOR_THROTTLE_MS) return;
        nSlot = static_cast<std::int32_t>(nNow);
    }

    if (pWnd != nullptr) {
        CDC* pDC = pWnd->GetDC();
        if (pDC != nullptr) {
            CRect rcWindow;
            pWnd->GetWindowRect(&rcWindow);
            CRect rc(0, 0, rcWindow.Width(), rcWindow.Height());
            CBrush brush;
            brush.CreateSolidBrush(colour);
            CBrush* pOldBrush = pDC->SelectObject(&brush);
            pDC->Ellipse(&rc);
            pDC->SelectObject(pOldBrush);
            pWnd->ReleaseDC(pDC);
        }
    }
    m_crControlColor[i] = colour;
}

void CTessaro2010Dlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct) {
    if ((IsOutputLed(nIDCtl) || IsInputLed(nIDCtl)) && g_Params.nTtlRadixId == ID_TTL_LEDS)
        SetControlColor(nIDCtl, CLR_DIALOG);
    if (nIDCtl == IDC_TRIGGER_LED && g_Params.bExternalInterrupt && m_nTriggerLedTicks == 0) {
        if (g_nTriggerLedEntry < 0) {
            for (int i = 0; i < m_nControlColors; ++i) {
                if (m_nControlColorId[i] == IDC_TRIGGER_LED) {
                    g_nTriggerLedEntry = i;
                    break;
                }
            }
        }
        if (g_nTriggerLedEntry >= 0 && g_nTriggerLedEntry < m_nControlColors)
            m_crControlColor[g_nTriggerLedEntry] = LED_DARK;
    }
    CDialog::OnDrawItem(nIDCtl, lpDrawItemStruct);
}

void CTessaro2010Dlg::ResetTtlLeds(int state) {
    if (GetSafeHwnd() == nullptr) return;
    ShowIfDifferent(GetDlgItem(IDC_TTL_OUTPUT), state == 0);
    ShowIfDifferent(GetDlgItem(IDC_TTL_INPUT), state == 0);
    for (int i = 0; i < 8; ++i) {
        CWnd* pOutput = GetDlgItem(IDC_OUTPUT_LED_FIRST + i);
        CWnd* pInput = GetDlgItem(IDC_INPUT_LED_FIRST + i);
        if (state == 2346) {
            if (pOutput != nullptr) pOutput->SetWindowText("");
            if (pInput != nullptr) pInput->SetWindowText("");
            continue;
        }
        for (CWnd* pWnd : {GetDlgItem(IDC_BIT_NUMBER_FIRST + i), pOutput, pInput})
            if (pWnd != nullptr) pWnd->ShowWindow(state);
    }
}

void CTessaro2010Dlg::ShowTtlControls(BOOL show) {
    if (GetSafeHwnd() == nullptr) return;
    const bool bLines = show && g_Params.nTtlRadixId != ID_TTL_LEDS;
    const bool bTrigger = show && g_Params.bExternalInterrupt;
    for (int nId : {IDC_TTL_OUTPUT, IDC_TTL_INPUT}) {
        if (CWnd* pWnd = GetDlgItem(nId)) pWnd->ShowWindow(bLines ? SW_SHOW : SW_HIDE);
    }
    for (int nId : {IDC_TRIGGER_LED, IDC_TRIGGER_LABEL}) {
        if (CWnd* pWnd = GetDlgItem(nId)) pWnd->ShowWindow(bTrigger ? SW_SHOW : SW_HIDE);
    }
    for (int nId : {IDC_TTL_TEST, IDC_LOGO}) {
        if (CWnd* pWnd = GetDlgItem(nId)) pWnd->ShowWindow(SW_HIDE);
    }
}

ULONGLONG CTessaro2010Dlg::GetMilliseconds() {
    // Read once, thread-safely: the external-interrupt callback calls this from the library's thread.
    static const LONGLONG s_nCountsPerMs = [] {
        LARGE_INTEGER frequency{};
        return QueryPerformanceFrequency(&frequency) ? frequency.QuadPart / 1000 : 0;
    }();
    // Below 1000 Hz, or without a readable frequency, the tick count serves as the millisecond clock.
    if (s_nCountsPerMs <= 0) return GetTickCount();
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<ULONGLONG>(counter.QuadPart / s_nCountsPerMs);
}
