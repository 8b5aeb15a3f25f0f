// Menu 131 and the dialog's own commands: how each command id reaches its handler, the commands that
// need no option setter (TTL Test, pulse edge detection, Information, Show Msg Count, the File menu), and
// the dialog's message filter. User-interface thread only.
#include "app/main_dialog.h"
#include "app/sysinfo_window.h"
#include "app/tessaro_app.h"
#include "resources/resource.h"

namespace {

// The frame edges and corners whose mouse messages never reach the dialog; the top (12) and bottom (15)
// edges pass.
bool IsFilteredHitTest(WPARAM nHitTest) {
    switch (nHitTest) {
        case HTLEFT:
        case HTRIGHT:
        case HTTOPLEFT:
        case HTTOPRIGHT:
        case HTBOTTOMLEFT:
        case HTBOTTOMRIGHT:
            return true;
        default:
            return false;
    }
}

}  // namespace

BOOL CTessaro2010Dlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    // The whole wParam is the id: a control's notification (code in the high word) never matches.
    if (wParam >= static_cast<WPARAM>(ID_BOARD_NONE) &&
        wParam <= static_cast<WPARAM>(ID_BOARD_NONE) + static_cast<WPARAM>(m_nBoards < 0 ? 0 : m_nBoards)) {
        SelectBoard(static_cast<UINT>(wParam));
        return TRUE;
    }
    switch (wParam) {
        case ID_TTL_BINARY:
        case ID_TTL_OCTAL:
        case ID_TTL_DECIMAL:
        case ID_TTL_HEX:
        case ID_TTL_LEDS:
            SetTtlRadix(static_cast<int>(wParam), TRUE);
            break;
        case ID_INFORMATION:
            if (HWND hInfo = g_hSysInfoWnd; hInfo != nullptr && ::IsWindow(hInfo)) {
                ::ShowWindow(hInfo, SW_SHOWNORMAL);
                ::UpdateWindow(hInfo);
                ::BringWindowToTop(hInfo);
            }
            break;
        case ID_TTL_INPUT_MARKERS:
            EnableTtlInputMarkers(g_Params.bTtlInputMarkers ? FALSE : TRUE);
            break;
        case ID_TTL_ROI_OUTPUT:
            EnableRoiOutput(g_Params.bRoiOutput ? FALSE : TRUE);
            break;
        case ID_TTL_TEST_MODE: {
            m_bTtlTest = m_bTtlTest ? FALSE : TRUE;
            if (CMenu* pMenu = GetMenu())
                pMenu->CheckMenuItem(ID_TTL_TEST_MODE, m_bTtlTest ? MF_CHECKED : MF_UNCHECKED);
            // Off: the outputs show the host's code again at once; on: the TTL-test timer drives them.
            if (!m_bTtlTest) OutputRoiCode();
            SetDlgItemTextF(IDC_TTL_GROUP, "%s",
                            m_bTtlTest ? "Digital I/O (TTL) --- Testing" : "Digital I/O (TTL)");
            break;
        }
        case ID_PULSE_EDGE_DETECTION:
            m_bEnableTrigger = m_bEnableTrigger ? FALSE : TRUE;
            EnableExternalInterrupt(m_bEnableTrigger);
            // A request the board cannot honour leaves the option off.
            m_bEnableTrigger = g_Params.bExternalInterrupt ? TRUE : FALSE;
            break;
        case ID_QUALITY_SCAN_FAILED:
        case ID_QUALITY_FIT_FAILED:
        case ID_QUALITY_CRITERIA_FAILED:
        case ID_QUALITY_FALL_BACK:
        case ID_QUALITY_PUPIL_ONLY:
        case ID_QUALITY_GLINT_GOOD:
            SetQualityThreshold(static_cast<int>(wParam));
            break;
        default:
            break;
    }
    // Handled or not, the framework routes the id on: the File menu, About and the advanced dialog reach
    // their message-map handlers this way.
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CTessaro2010Dlg::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
    if (nID >= static_cast<UINT>(ID_BOARD_NONE) &&
        nID <= static_cast<UINT>(ID_BOARD_NONE) + static_cast<UINT>(m_nBoards < 0 ? 0 : m_nBoards)) {
        SelectBoard(nID);
        return TRUE;
    }
    return CDialog::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CTessaro2010Dlg::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_SIZING) {
        Beep(1000, 10);
        return TRUE;
    }
    if (pMsg->message == WM_SETCURSOR && IsFilteredHitTest(LOWORD(pMsg->lParam))) return TRUE;
    if ((pMsg->message == WM_MOUSEMOVE || pMsg->message == WM_NCMOUSEMOVE ||
         pMsg->message == WM_NCMOUSEHOVER) &&
        IsFilteredHitTest(pMsg->wParam))
        return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

void CTessaro2010Dlg::OnSaveParameters() {
    SaveParameters(TRUE, FALSE);
}

void CTessaro2010Dlg::OnLoadParameters() {
    LoadParameters(TRUE);
}

void CTessaro2010Dlg::OnExit() {
    OnCancel();
}

void CTessaro2010Dlg::OnShowMsgCount() {
    m_bShowMsgCount = m_bShowMsgCount ? FALSE : TRUE;
    if (m_bShowMsgCount) {
        SetDlgItemTextF(IDC_SHOW_MSG_COUNT, "%d", theApp.m_nNotificationCount);
    } else {
        SetDlgItemTextF(IDC_SHOW_MSG_COUNT, "%s", "Show Msg Count");
    }
}
