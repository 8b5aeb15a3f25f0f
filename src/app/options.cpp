#include "app/main_dialog.h"
#include "resources/resource.h"

namespace {

constexpr const char* kNoBoardText = " No Board (or not selected).";

HMENU DialogMenu(const CWnd* pDlg) {
    return pDlg->GetSafeHwnd() != nullptr ? ::GetMenu(pDlg->GetSafeHwnd()) : nullptr;
}

}  // namespace

void CTessaro2010Dlg::SetQualityThreshold(int value) {
    int nId = value;
    if (value < 10) nId = (value >= 0 && value <= 5) ? ID_QUALITY_BASE - value : ID_QUALITY_FALL_BACK;
    if (!::CheckMenuRadioItem(DialogMenu(this), ID_QUALITY_SCAN_FAILED, ID_QUALITY_GLINT_GOOD,
                              static_cast<UINT>(nId), MF_BYCOMMAND))
        ShowLastError("CheckMenuRadioItem(Quality)");
    g_Params.nQualityThreshold =
        (nId >= ID_QUALITY_SCAN_FAILED && nId <= ID_QUALITY_GLINT_GOOD) ? ID_QUALITY_BASE - nId : 2;
}

void CTessaro2010Dlg::SetTtlRadix(int id, BOOL bReport) {
    if (!::CheckMenuRadioItem(DialogMenu(this), ID_TTL_BINARY, ID_TTL_LEDS, static_cast<UINT>(id),
                              MF_BYCOMMAND) &&
        bReport)
        ShowLastError("CheckMenuRadioItem(TTL)");
    ResetTtlLeds(id == ID_TTL_LEDS ? 1 : 0);
    g_Params.nTtlRadixId = id;
    ShowTtlOutput(-1);
    ShowTtlInput(-1);
}

void CTessaro2010Dlg::EnableTtlInputMarkers(BOOL bOn) {
    g_Params.bTtlInputMarkers = bOn;
    ::CheckMenuItem(DialogMenu(this), ID_TTL_INPUT_MARKERS, MF_BYCOMMAND | (bOn ? MF_CHECKED : MF_UNCHECKED));
    if (!bOn)
        SetControlTextF(m_pTtlInputLine, " Input is OFF  ");
    else if (g_Params.nBoardIndex == -1)
        SetControlTextF(m_pTtlInputLine, "%s", kNoBoardText);
    else
        SetControlTextF(m_pTtlInputLine, " Input is ON.");
}

void CTessaro2010Dlg::EnableRoiOutput(BOOL bOn) {
    g_Params.bRoiOutput = bOn;
    ::CheckMenuItem(DialogMenu(this), ID_TTL_ROI_OUTPUT, MF_BYCOMMAND | (bOn ? MF_CHECKED : MF_UNCHECKED));
    if (!bOn) {
        TTL_setOutput_to_zero(" TTL zeroed when outputs of ROI is disabled.");
    } else if (g_Params.nBoardIndex == -1) {
        SetControlTextF(m_pTtlOutputLine, "%s", kNoBoardText);
    } else {
        SetControlTextF(m_pTtlOutputLine, " Output is ON.");
        m_nInputPollTicks = 0;
        PollTtlInputs();
    }
}

void CTessaro2010Dlg::ShowLastError(const char* caption) {
    const DWORD nError = ::GetLastError();
    LPSTR pText = nullptr;
    const DWORD nLength = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        nError, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&pText), 0, nullptr);
    ::MessageBoxA(nullptr, nLength != 0 && pText != nullptr ? pText : "Stop Crashes", caption,
                  MB_OK | MB_ICONINFORMATION);
    if (pText != nullptr) ::LocalFree(pText);
}
