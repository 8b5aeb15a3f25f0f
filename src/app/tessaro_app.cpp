#include "app/tessaro_app.h"

#include <climits>
#include <cstring>

#include "app/about_box.h"
#include "app/main_dialog.h"
#include "app/sysinfo_window.h"
#include "hostlink/hostlink_globals.h"
#include "hostlink/interapp_window.h"
#include "platform/hostlib/crs_interapp.h"

namespace {

// The host interface version the program is built for.
constexpr double kHostInterfaceVersion = 295.111;

constexpr char kSerialOption[] = "-SN:";
constexpr char kBoardOption[] = "-BN:";
constexpr std::size_t kOptionLength = 4;

// White space as the C locale classifies it, whatever locale the process runs in.
bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The word without the first occurrence of the option at nPos.
std::string WithoutOption(const std::string& strWord, std::size_t nPos) {
    return strWord.substr(0, nPos) + strWord.substr(nPos + kOptionLength);
}

// What atoi reads from the text, saturated at INT_MIN and INT_MAX instead of overflowing.
int LaunchNumber(const char* psz) {
    while (IsCSpace(*psz)) ++psz;
    const bool bNegative = *psz == '-';
    if (*psz == '-' || *psz == '+') ++psz;
    constexpr long long kCap = static_cast<long long>(INT_MAX) + 1;  // the magnitude of INT_MIN
    long long nMagnitude = 0;
    for (; *psz >= '0' && *psz <= '9'; ++psz) {
        nMagnitude = nMagnitude * 10 + (*psz - '0');
        if (nMagnitude > kCap) nMagnitude = kCap;
    }
    if (bNegative) return static_cast<int>(-nMagnitude);
    return nMagnitude > INT_MAX ? INT_MAX : static_cast<int>(nMagnitude);
}

}  // namespace

CTessaro2010App theApp;

BEGIN_MESSAGE_MAP(CTessaro2010App, CWinApp)
END_MESSAGE_MAP()

// Runs during static initialisation, before main. Safe there because everything it reaches (the
// framework's command line and module path, the simulated host behind CRS_SendCommand) lives in
// function-local objects made on first use; no window exists yet and none is touched.
CTessaro2010App::CTessaro2010App() : CWinApp(nullptr) {
    m_pInterAppWnd = nullptr;
    m_hInterAppWnd = nullptr;
    m_bHostInterfaceDisabled = FALSE;
    m_bPulseGeneratorEnabled = FALSE;
    m_bUiUpdatesDisabled = FALSE;
    const char* pszCommandLine = GetCommandLineA();
    ParseLaunchOptions(pszCommandLine != nullptr ? pszCommandLine : "");
}

CTessaro2010App::~CTessaro2010App() = default;

int ParseLaunchOptions(std::string strCommandLine) {
    strCommandLine.resize(std::strlen(strCommandLine.c_str()));
    int nCount = 0;
    std::size_t i = 0;
    const std::size_t n = strCommandLine.size();
    while (i < n) {
        while (i < n && IsCSpace(strCommandLine[i])) ++i;
        const std::size_t nStart = i;
        while (i < n && !IsCSpace(strCommandLine[i])) ++i;
        if (nStart == i) break;
        const std::string strWord = strCommandLine.substr(nStart, i - nStart);

        if (const std::size_t nPos = strWord.find(kSerialOption); nPos != std::string::npos) {
            // A serial number longer than the buffer is cut to LAUNCH_SERIAL_MAX characters.
            char szSerial[LAUNCH_SERIAL_MAX + 1] = {};
            const std::string strSerial = WithoutOption(strWord, nPos);
            strSerial.copy(szSerial, LAUNCH_SERIAL_MAX);
            ++nCount;
            CRS_SendCommand("say '~Tessaro launch specified SerialNumber: %s ' ", szSerial);
        } else if (const std::size_t nBoardPos = strWord.find(kBoardOption); nBoardPos != std::string::npos) {
            const int nBoard = LaunchNumber(WithoutOption(strWord, nBoardPos).c_str());
            ++nCount;
            CRS_SendCommand("say '~Tessaro launch specified BoardNumber: %d ' ", nBoard);
        }
    }
    return nCount;
}

BOOL CTessaro2010App::InitInstance() {
    INITCOMMONCONTROLSEX icc;
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&icc);
    CWinApp::InitInstance();
    // Each layer's globals at their start values, whatever ran in this process before.
    ResetBoardGlobals();
    ResetEngineGlobals();
    ResetHostLinkGlobals();
    ResetAppGlobals();
    AfxEnableControlContainer();

    m_nNotificationDelayMs = 0;
    m_nNotificationCount = 0;
    m_nMessagePostCount = 0;
    m_nMessageListLength = 0;
    m_nInterAppMsg = 0;
    m_bAdvancedUnlocked = TRUE;

    // Whatever the answer, a host library of another version is used unchanged.
    CRS_VersionMismatch(kHostInterfaceVersion);

    {
        CTessaro2010Dlg dlg;
        g_pMainDlg = &dlg;

        // The start-up splash: the main dialog has no window yet, so the box is a top-level window.
        dlg.ShowAboutBox();
        if (dlg.m_pAboutDlg != nullptr) {
            dlg.m_pAboutDlg->SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
            dlg.m_pAboutDlg->InvalidateRect(nullptr, TRUE);
            dlg.m_pAboutDlg->OnPaint();
        }

        CreateInterAppWindow(nullptr);
        CreateSysInfoWindow();

        m_pMainWnd = &dlg;
        dlg.DoModal();
        // From here on host notifications, the interrupt callback and the burst worker no longer reach
        // the dialog, before it goes away.
        g_pMainDlg = nullptr;
        // The framework forgets its main window when the window is destroyed; a modal run that never
        // made one must not leave it pointing at the dialog object about to go.
        if (m_pMainWnd == &dlg) m_pMainWnd = nullptr;
    }  // the destructor saves the parameters silently

    return FALSE;
}

int CTessaro2010App::ExitInstance() {
    if (m_hInterAppWnd != nullptr) {
        CRS_RemoveMessageRequest(m_hInterAppWnd);
        m_hInterAppWnd = nullptr;
    }
    if (m_pInterAppWnd != nullptr) {
        delete m_pInterAppWnd;
        m_pInterAppWnd = nullptr;
    }
    return CWinApp::ExitInstance();
}
