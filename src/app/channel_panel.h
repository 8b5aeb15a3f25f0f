// The settings panel of one analog output channel: a modeless child dialog (template 136) that the main
// dialog's channel column creates inside its "Analog Output" group box. The panel edits its channel's
// entries of g_Params in place (source, range, eye, inversion at once; the input domain on Set, Enter or
// 2 s after the last edit) and owns the two text controls in which the analog output shows the live value.
//
// Threading: user-interface thread only. The per-frame processing that reads the same entries runs on the
// same thread, so a handler's write never overlaps a frame.
#pragma once

#include "app/app_globals.h"
#include "platform/win/framework.h"

class CTessaro2010Dlg;

// A channel's output range as the panel records it; stored beside the board library's range constant.
enum RangeCode : int {
    RANGE_BIP10 = 0,
    RANGE_BIP5 = 1,
    RANGE_BIP2PT5 = 2,
    RANGE_UNI10 = 3,
    RANGE_UNI5 = 4,
    RANGE_UNI2PT5 = 5,
    RANGE_UNI4 = 6,
};

constexpr UINT_PTR TIMER_PANEL_APPLY = 321;

// Records channel nChannel's range from Range list entry nListIndex ({RangeCode, library constant});
// an index outside the list, a channel outside 0..15 or a code outside 0..6 changes nothing. Returns 0.
int SetChannelRange(int nChannel, int nListIndex);

class CAnalogOutputChannel : public CDialog {
    DECLARE_DYNAMIC(CAnalogOutputChannel)
  public:
    // nChannel is 1-based (the column passes index + 1); no window is made here.
    CAnalogOutputChannel(CWnd* pParent, int nChannel, CTessaro2010Dlg* pMainDlg);
    // Destroys the window and the brush, and unlinks the value texts if they are still linked;
    // g_Params and *m_pSawToothCount stay as they are.
    ~CAnalogOutputChannel() override;

    DECLARE_MESSAGE_MAP()

  public:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter: applies Min/Max; from the Max edit the focus moves on to the Min edit. Never closes.
    void OnOK() override;
    // Escape does nothing to a panel.
    void OnCancel() override;
    // Creates the window from template 136 as a child of m_pParentWnd; nonzero on success.
    // m_pSawToothCount must be set before, OnInitDialog uses it.
    virtual int CreateModeless();
    // Deletes a panel (NULL: nothing). A handler of the panel may be waiting in a message box (the
    // domain warning, the data exchange's messages) while a command that re-creates the panels runs in
    // the box's loop; such a panel loses its window and its text links at once, and the object goes when
    // that handler returns, without writing anything more.
    static void Discard(CAnalogOutputChannel* pPanel);

    void RegisterValueLabels();
    void FillSourceList();
    // Runs inside OnInitDialog only: needs g_Params.nBoardIndex to name a discovered board.
    void FillRangeList();

    // ---- Input domain and layout ----
    void LoadMinMax();
    afx_msg void OnSetMinMax();
    afx_msg void OnChangeMax();
    afx_msg void OnChangeMin();
    // A typed change of Min or Max: (re)starts the 2 s countdown and offers the Set button.
    void StartApplyCountdown();
    afx_msg void OnKillfocusMax();
    afx_msg void OnKillfocusMin();
    afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg void OnToggleExpand();
    void UpdateExpandButton();
    // Shows the expanded or collapsed layout; bPost asks the main dialog to re-stack the column.
    void LayoutPanel(BOOL bPost);
    void SizePanel();

    // ---- Handlers ----
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnSelchangeSource();
    afx_msg void OnSelchangeRange();
    afx_msg void OnInvert();
    afx_msg void OnEyeSelect();
    afx_msg void OnTimer(UINT_PTR nIDEvent);

    // ---- Members, in declaration order ----
    BOOL m_bExpanded = TRUE;
    int* m_pSawToothCount = nullptr;  // the main dialog's m_nSawToothChannels
    BOOL m_bSawTooth = FALSE;         // this panel is counted in *m_pSawToothCount
    CRect m_rcParent;
    CRect m_rcPanel;
    // Expanded places of controls 1107, 1109, 1108, 1110, relative to the panel's top-left corner.
    CRect m_rcValueText, m_rcClampText, m_rcSignalLabel, m_rcUnitLabel;
    BOOL m_bDirty = FALSE;      // Min/Max edited and not yet applied
    int m_nApplyCountdown = 0;  // ticks of the panel timer until Min/Max are applied, 0 = none
    UINT_PTR m_nPanelTimer = 0;
    int m_nPanelPeriodMs = 100;
    int m_nChannel = 0;                  // 0-based: the board's D/A channel and the index into g_Params
    int m_nSourceSel = -1;               // -1: no Source entry selected
    int m_nRangeSel = -1;                // -1: no Range entry selected
    int m_nRangeBoard = -1;              // g_Params.nBoardIndex whose ranges the Range list offers
    int m_nInvertHidden = -1;            // Invert visibility last applied: -1 none yet, 1 hidden, 0 shown
    float m_fMax = 0.0f, m_fMin = 0.0f;  // the input domain last loaded or applied
    BOOL m_bSkipMaxChange = TRUE, m_bSkipMinChange = TRUE;
    CBrush* m_pBkBrush = nullptr;
    UINT m_nRedrawMsgId = 0;  // "RedrawChannelDialogs", set by the channel column
    CTessaro2010Dlg* m_pMainDlg = nullptr;
    // m_pParentWnd: CDialog's member, set by the constructor.
    CSpinButtonCtrl m_spinMax, m_spinMin;
    float m_fEditMax = 0.0f, m_fEditMin = 0.0f;  // exchanged with edits 1022 and 1026
    BOOL m_bInvert = FALSE;                      // exchanged with check box 1017
    int m_nEye = 0;                              // exchanged with radio group 1019/1020: 0 eye A, 1 eye B

    // Handlers of this panel now running that may wait in a message box, and whether Discard came
    // meanwhile (see Discard).
    int m_nBusyDepth = 0;
    BOOL m_bDiscarded = FALSE;
};
