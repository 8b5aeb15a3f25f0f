// The advanced dialog "QVL Advanced" (template 135), run modally by the main dialog's Help > QVL Advanced
// command. It edits copies of a few run-time settings (taken back after OK) and is the bench for the
// latency measurement: bursts on the TTL outputs 6 and 7, two host ROIs around the LEDs and the latency
// table. User-interface thread only; the burst worker shares the main dialog's burst members, never
// this object.
#pragma once

#include "platform/win/framework.h"

class CQVLMisc : public CDialog {
    DECLARE_DYNAMIC(CQVLMisc)
  public:
    explicit CQVLMisc(CWnd* pParent = nullptr);
    ~CQVLMisc() override;

    // Settings and access (app/advanced_dialog.cpp).
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void UpdateAccess();
    afx_msg void OnPassword();
    afx_msg void OnDisableUiUpdates();

    // Latency measurement and LED set-up (app/latency_measurement.cpp).
    void ResetLatencyStats();
    void ShowLedInstructions();
    afx_msg void OnStartStop();
    afx_msg void OnOneShot();
    afx_msg void OnBoth();
    afx_msg void OnToggleCheck();
    afx_msg void OnReset();
    afx_msg void OnSetupRois();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnPaint();

    // ---- Members, in declaration order ----
    int m_nAnalogChannels = 0;  // of the selected board; 0: a board without analog outputs
    BOOL m_bTtlTestPulse = FALSE;
    int m_nChannels = 2;
    BOOL m_bHostInterfaceDisabled = FALSE;
    BOOL m_bPulseGeneratorEnabled = FALSE;
    BOOL m_bUiUpdatesDisabled = FALSE;
    BOOL m_bRoisReady = FALSE;
    unsigned int m_nTimerTicks = 0;
    BOOL m_bPictureShown = FALSE;
    int m_nTimerPeriodMs = 0;
    UINT_PTR m_nTimer = 0;  // 0: timer 123 could not be set up
    int m_nBurstLoops = 0;
    int m_nBurstDelayMs = 0;
    // Given by OnAdvanced before the dialog opens; the constructor leaves them unset (0 here).
    int m_nLed6OnMs = 0;
    int m_nLed7OnMs = 0;

    DECLARE_MESSAGE_MAP()
};

constexpr UINT_PTR TIMER_ADVANCED = 123;
constexpr int ADVANCED_WINDOW_WIDTH = 315;
constexpr int ADVANCED_WINDOW_HEIGHT = 575;
// The host's command buffer of the dialog: 99 characters and the terminator.
constexpr int ADVANCED_COMMAND_SIZE = 100;
