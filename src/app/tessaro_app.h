// The application object. Its constructor runs during static initialisation and reports the launch
// options to the host; InitInstance spans the whole run (the main dialog's modal run) and returns FALSE,
// so the framework goes straight to ExitInstance, which detaches from the host.
//
// Other parts read the host-link values and the advanced dialog's switches directly through theApp.
// User-interface thread only, except where a member says otherwise.
#pragma once

#include <string>

#include "platform/win/framework.h"

class CInterAppWindow;

class CTessaro2010App : public CWinApp {
  public:
    CTessaro2010App();
    ~CTessaro2010App() override;

    DECLARE_MESSAGE_MAP()

  public:
    // Always FALSE: the run ends when the main dialog's modal run has ended.
    BOOL InitInstance() override;
    // Removes the host's message request and deletes the interapp window; CWinApp's exit code.
    int ExitInstance() override;

    // ---- Host link (hostlink/interapp_window.cpp) ----
    // Creates the hidden interapp window (a child of pParent, or a tool popup without one) and attaches
    // it to the host. FALSE when a window exists already or creation failed.
    BOOL CreateInterAppWindow(CWnd* pParent);
    // Registers "CRS_message" and asks the host library to post its notifications to the window.
    BOOL AttachToHost();

    // ---- Members, in declaration order ----
    CInterAppWindow* m_pInterAppWnd = nullptr;
    UINT m_nInterAppMsg = 0;       // 0 until attached
    int m_nNotificationCount = 0;  // host notifications counted; wraps instead of overflowing
    int m_nMessageListLength = 0;
    int m_nMessagePostCount = 0;
    int m_nNotificationDelayMs = 0;  // queue delay of the last notification
    HWND m_hInterAppWnd = nullptr;   // the handle registered with the host library
    BOOL m_bAdvancedUnlocked = FALSE;
    BOOL m_bHostInterfaceDisabled = FALSE;  // "Disable Corvessa Interface"
    BOOL m_bUiUpdatesDisabled = FALSE;      // "Disable UI updates"
    BOOL m_bPulseGeneratorEnabled = FALSE;
};

// Longest serial-number text reported; a longer one is cut to this length.
constexpr int LAUNCH_SERIAL_MAX = 254;

// Splits the command line into words (runs of characters that are not white space in the C locale;
// quotation marks are ordinary characters) and reports every word that holds "-SN:" (a serial number) or,
// failing that, "-BN:" (a board number) to the host as a "say" line, the first occurrence of the option
// removed. The text ends at its first zero character. Returns the number of words reported; nothing else
// is changed.
int ParseLaunchOptions(std::string strCommandLine);

extern CTessaro2010App theApp;
