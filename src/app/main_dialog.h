// The main dialog. Besides its window it holds the running state of the board layer, the engine and the
// host link; their routines are members of this class and are defined in their own folders
// (board/, engine/, hostlink/), the window's own handlers in app/.
#pragma once

#include <atomic>
#include <limits>

#include "app/app_globals.h"
#include "board/board_globals.h"
#include "board/capabilities.h"
#include "engine/latency_stats.h"
#include "engine/engine_globals.h"
#include "engine/parameter_block.h"
#include "platform/win/framework.h"

class CAnalogOutputChannel;
class CAboutDlg;

constexpr UINT_PTR TIMER_DEFAULT = 132;
constexpr UINT_PTR TIMER_SAWTOOTH = 456;
constexpr UINT_PTR TIMER_TTL_TEST = 789;

// Asked when the user closes the main dialog (Yes closes it); 18 blanks follow the question mark.
inline constexpr char kQuitQuestion[] = "Quit TessaroPro?                  ";

constexpr int COLOR_TABLE_SIZE = 100;
constexpr int SLOT_COUNT = 101;
constexpr COLORREF LED_DARK = 0x969696;
constexpr COLORREF LED_LIT = 255;

class CTessaro2010Dlg : public CDialog {
public:
    explicit CTessaro2010Dlg(CWnd* pParent = nullptr);

    // ---- Main dialog lifecycle (app/main_dialog.cpp) ----
    ~CTessaro2010Dlg() override;
    INT_PTR DoModal() override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange* pDX) override;
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnAbout();
    // TTL radix list and the two check boxes (app/ttl_controls.cpp).
    void FillRadixCombo();
    afx_msg void OnTtlTestCheck();
    afx_msg void OnRadixButton();
    afx_msg void OnEnableTrigger();
    afx_msg void OnSelchangeRadix();
    // About box (app/about_box.cpp).
    BOOL ShowAboutBox();
    // Advanced dialog (app/advanced_dialog.cpp).
    afx_msg void OnAdvanced();
    afx_msg void OnUpdateAdvanced(CCmdUI* pCmdUI);

    // ---- Commands and menus (app/commands.cpp) ----
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    afx_msg void OnSaveParameters();
    afx_msg void OnLoadParameters();
    afx_msg void OnExit();
    afx_msg void OnShowMsgCount();
    // Below 10 a threshold level, 10 or more a menu id.
    void SetQualityThreshold(int value);
    void SetTtlRadix(int id, BOOL bReport);
    void EnableTtlInputMarkers(BOOL bOn);
    void EnableRoiOutput(BOOL bOn);
    // The calling thread's last system error in a box with this caption.
    void ShowLastError(const char* caption);

    // ---- Channel column (app/channel_column.cpp) ----
    BOOL CreateChannelDialogs();
    // Deletes every channel panel (one whose handler waits in a message box goes when that handler
    // returns) and clears the record's value and clamp links and the live links beside it.
    void DiscardChannelPanels();
    BOOL LayoutChannelDialogs(UINT message, WPARAM wParam, LPARAM lParam);
    // nColumnBottom: bottom of the last panel shown plus 9, or 0 or less for the default height.
    void SizeMainDialog(int nColumnBottom);
    afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    afx_msg void OnExpandToggle();
    void SetPanelsExpanded(BOOL bExpanded);

    // ---- Per-frame processing (engine/frame_processing.cpp) ----
    void ProcessFreshData();

    // ---- Periodic tick (engine/periodic_tick.cpp) ----
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    // Five seconds in default ticks: 151 at 33 ms.
    int FiveSecondTicks() const;
    // Whole ticks of nPeriodMs in dSeconds, truncated (0.5 s at 33 ms: 15). A period of 0 or less counts as
    // 1 ms, so the quotient stays finite.
    static int SecondsInTicks(double dSeconds, int nPeriodMs);

    // ---- TTL output (engine/ttl_output.cpp) ----
    // The cbDOut result (0 = success); 0 without a call on the simulated board.
    int WriteDigitalPort(int board, int port, USHORT value);
    // 0 = success or nothing to do; the library's code of a failed write, 1 for FAMILY_NONE.
    int WriteTtlPort(USHORT code);
    // Bit 15 marks a burst write. May be called from the burst worker.
    void TTL_setOutput_to_values(USHORT code);
    void TTL_setOutput_to_zero(const char* text);
    void OutputRoiCode();
    void TestTtlOutput();

    // ---- TTL inputs and external interrupt (engine/ttl_inputs.cpp) ----
    void PollTtlInputs();
    // User-interface thread; the four arguments are not read.
    void OnExternalInterrupt(int board, int eventType, int eventData, void* userData);
    void EnableExternalInterrupt(BOOL bOn);
    // Posted by ExternalInterruptCallback to the dialog that enabled the event, one per interrupt. wParam:
    // low 32 bits the millisecond clock (low 32 bits) when the library reported it, high 32 bits the event
    // data; lParam: low 32 bits the board number, high 32 bits the event type.
    static constexpr UINT WM_TTL_EXTERNAL_INTERRUPT = WM_APP + 0x20;
    afx_msg LRESULT OnExternalInterruptEvent(WPARAM wParam, LPARAM lParam);

    // ---- TTL burst and latency statistics (engine/ttl_burst.cpp) ----
    // User-interface thread: Start/Stop of the advanced dialog; starts the worker or raises the abort. A
    // worker that cannot be started leaves no burst busy.
    void StartTtlBurst(BOOL bAsyncMarkers);
    // User-interface thread; each returns when its burst has ended. Both and Toggle/Check first ask a
    // running burst to stop and wait up to 10 s for it; a burst still running then is left alone and
    // nothing is written.
    void TtlBurstOneShot();
    void TtlBurstBoth();
    void TtlBurstToggleCheck();
    // The burst itself, on the calling thread (the worker for BURST_PLAIN).
    void RunTtlBurst(TtlBurstMode mode);
    // User-interface thread, with the code about to be written. An edge adds a latency only once the
    // burst has stamped the switching write it is measured from.
    void UpdateLatencyStats(int code);
    // TRUE on any thread but the one the dialog was made on (the user-interface thread).
    BOOL OnBurstWorker() const { return GetCurrentThreadId() != m_nUiThreadId; }
    // Destructor: asks a running burst to stop, waits up to 2 s of the program's clock, then gives the
    // worker up; from its return no worker touches this dialog.
    void EndTtlBurstAtShutdown();
    // Puts back the ROI-output option that an ended worker burst handed over (nothing when none).
    void ApplyBurstRoiRestore();
    // Posted by the burst worker to the dialog: wParam one of the BURST_REPORT_ kinds, lParam its value.
    static constexpr UINT WM_TTL_BURST_REPORT = WM_APP + 0x21;
    enum : WPARAM {
        BURST_REPORT_SHOW_OUTPUT = 1,  // lParam: the output byte to show (ShowTtlOutput)
        BURST_REPORT_ERROR_BOX = 2,    // the box text is in m_szWorkerBoxText, the one-box claim is held
        BURST_REPORT_ROI_RESTORE = 3,  // m_nBurstRoiRestore holds the option to put back
    };
    afx_msg LRESULT OnTtlBurstReport(WPARAM wParam, LPARAM lParam);

    // ---- Board selection (engine/board_selection.cpp) ----
    // Only the low 16 bits of id count.
    void SelectBoard(UINT id);
    void BoardPostamble();
    void ConfigureTtlPorts();

    // ---- Parameter file (engine/parameter_file.cpp) ----
    void LoadParameters(BOOL bInteractive);
    void SaveParameters(BOOL bInteractive, BOOL bQuiet);
    void LoadDefaultParameters(ParameterBlock& params);

    // ---- Host notification dispatch and status poll (hostlink/host_notification.cpp) ----
    // The first argument is not read.
    void OnHostNotification(int, WPARAM wParam, LPARAM lParam);
    void PollHostStatus();

    // ---- Board layer ----
    void MCL_setCapabilitiesRecord(CapabilitiesRecord& rec);
    // 1 when the library is usable, -1 when its start failed (a later call tries again).
    int InitUniversalLibrary();
    // FALSE: every library failure comes back only as a return code. Returns the library's result.
    int SetBoardErrorHandling(BOOL bLoud);
    // Once per run: registers the inventory's devices, fills the records and the Board menu.
    void MCL_determineBoards();
    // The library's text of a non-zero code plus " #" and the board index, in the message line for five
    // seconds. Returns err; the board-error state is left as it was.
    int ShowBoardError(int err);
    // One box at a time (a call while one is open does nothing), then the error line. On the burst
    // worker it only claims the box and hands the text to the user-interface thread, which shows both.
    void BoardErrorBox(const char* text);
    // The box, the release of the one-box claim (held by the caller) and the error line.
    void ShowClaimedBoardErrorBox(const char* text);
    // " <board name> **ERROR **" for five seconds; enters the board-error state.
    void ShowBoardErrorLine();
    void ClearBoardError(BOOL bZero);
    // On the simulated board these answer 0 and leave *value / *count untouched.
    int ReadDigitalPort(int board, int port, USHORT* value);
    int ReadCounter(int board, int counter, ULONG* count);
    // The record of the board in use; NULL while g_Params.nBoardIndex names no filled record.
    const CapabilitiesRecord* CurrentBoardRecord() const;

    // ---- Signal output engine ----
    void SetParameterDefaults();
    // One sample of one channel (0..15): domain test, scaling, inversion, D/A write, panel texts. The
    // caller sets m_fSignalValue to the value first; the success texts show that member. A domain with
    // min == max holds no value; bParking (zeroing only) writes code 0 for such a channel instead, so a
    // parked output never keeps its last level.
    void WriteAnalogOutput(int channel, float value, BOOL invert, BOOL bParking = FALSE);
    // -1: every channel in use. Nothing while the board-error state is set.
    void ZeroAnalogOutputs(int channel);

    // ---- Text helpers ----
    // The setters do nothing while the dialog is closing or UI updates are disabled; the format is then
    // not evaluated. Output longer than 1023 characters is cut.
    int SetControlTextF(CWnd* pWnd, const char* format, ...) __attribute__((format(printf, 3, 4)));
    int SetDlgItemTextF(int nId, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // pointSize in points; a colour of CLR_DIALOG (text_helpers.h) takes the dialog's own; format: DrawText flags.
    void DrawControlText(CWnd* pWnd, const CString& text, int pointSize, COLORREF textColour,
                         COLORREF bgColour, UINT format);
    void SetMessageText(int nId, const CString& text, int pointSize, COLORREF textColour, COLORREF bgColour,
                        UINT format);
    void UpdateStatusLine();
    void ShowBoardLabel();
    // Fills m_szTtlText and returns it; valid until the next call.
    const char* FormatTtlValue(int value, int radixId);
    // A negative value re-shows the value shown last.
    void ShowTtlOutput(int value);
    void ShowTtlInput(int value);
    // CLR_DIALOG repaints the recorded colour.
    void SetControlColor(int nId, COLORREF colour);
    void ShowTtlLeds(int firstId, int value);
    void ResetTtlLeds(int state);
    void ShowTtlControls(BOOL show);
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    // Milliseconds of the performance counter; safe from any thread.
    static ULONGLONG GetMilliseconds();

    // ---- What the TTL burst worker touches ----
    // The worker (CTTLOutputBurst, engine/ttl_burst.cpp) runs RunTtlBurst(BURST_PLAIN) and through it
    // TTL_setOutput_to_values, WriteTtlPort, WriteDigitalPort and BoardErrorBox. It touches the dialog only
    // while it holds the burst link of engine/ttl_burst.cpp and the link names this dialog; it sleeps
    // without it, and EndTtlBurstAtShutdown gives it up for good. Of the dialog it touches exactly these
    // members, every one an atomic (or const):
    //   written: m_nBurstOutput, m_nBurstMask, m_nBurstPulseCount, m_bBurstBusy and m_bBurstAbort (both
    //            cleared at its end), m_dLedOnTime, m_dLedOffTime, m_nHeldBits,
    //            m_bTtlOutputsZeroed, m_nBurstRoiRestore, m_szWorkerBoxText (only while it holds the
    //            one-box claim g_bBoardErrorBoxOpen);
    //   read:    m_nBurstLoops, m_nLed6OnMs, m_nLed7OnMs, m_bBurstRoiSaved, m_nBurstBoardNum,
    //            m_hBurstReportWnd, m_nBoardFamily, m_bSimulatedBoard, m_nPulsePort, m_bAdvancedOpen,
    //            m_bBoardError, m_nUiThreadId;
    // and the globals g_nBothWord, g_nTtlShadowWord, g_nLastTtlOutput, g_bBoardErrorBoxOpen. It reads no
    // field of g_Params (StartTtlBurst copies the board number and the ROI-output option for it) and no
    // window: the TTL output line, a board error's box and error line, and putting back the ROI-output
    // option reach the user-interface thread as WM_TTL_BURST_REPORT, posted to m_hBurstReportWnd.
    // Besides, the external-interrupt callback only posts (WM_TTL_EXTERNAL_INTERRUPT).

    // ---- Members, in declaration order; the comment names the subsystem that owns each one ----
    std::atomic<int> m_nBoardFamily{FAMILY_NONE};  // engine: board selection; read by the burst worker
    std::atomic<BOOL> m_bTtlOutputsZeroed{FALSE};  // engine: TTL output; the burst worker writes it too
    CAnalogOutputChannel* m_pChannelDlg[MAX_CHANNELS] = {};  // app: channel column
    CRect m_rcTtlFrame, m_rcAnalogClient, m_rcAnalogFrame;   // app: channel column
    CBrush* m_pCtlBkBrush = nullptr;             // app: main dialog
    CBrush* m_pDialogBkBrush = nullptr;          // app: channel column
    COLORREF m_crBackground = 0xE1E1E1;          // app: main dialog
    COLORREF m_crText = 0x323232;                // app: main dialog
    UINT_PTR m_nDefaultTimer = 0;                // app: main dialog
    int m_nDefaultPeriodMs = 33;                 // app: main dialog; seconds become ticks with it
    UINT_PTR m_nSawToothTimer = 0;               // app: main dialog
    int m_nSawToothPeriodMs = 50;                // app: main dialog
    UINT_PTR m_nTtlTestTimer = 0;                // app: main dialog
    int m_nTtlTestPeriodMs = 50;                 // app: main dialog
    int m_nMessageTicks = 0;                     // engine: periodic tick
    int m_nFirstVisibleChannel = 0;              // app: channel column
    UINT m_nRedrawMsg = 0;                       // app: channel column
    CWnd* m_pMessageLine = nullptr;              // engine: periodic tick
    CWnd* m_pBoardLabel = nullptr;               // app: text helpers
    CWnd* m_pTtlOutputLine = nullptr;            // engine: TTL output
    CWnd* m_pTtlInputLine = nullptr;             // engine: TTL inputs
    int m_nInputPollTicks = 0;                   // engine: periodic tick
    BOOL m_bHostAttached = FALSE;                // host link
    BOOL m_bVideoFrozen = FALSE;                 // host link
    int m_nStaleTicks = 0;                       // engine: periodic tick
    int m_nWaitStartTick = 0;                    // engine: periodic tick
    BOOL m_bBinocular = FALSE;                   // host link; the panels read it through a pointer
    BOOL m_bTtlTestPulse = FALSE;                // engine: periodic tick
    int m_nBoardAnalogChannels = 0;              // engine: board selection (first from discovery)
    std::atomic<BOOL> m_bSimulatedBoard{FALSE};  // board layer: discovery, then board selection
    int m_nChannels = 0;                         // engine: board selection (first from discovery)
    int m_nBoards = 0;                           // board layer: discovery
    std::atomic<BOOL> m_bBoardError{FALSE};      // board layer: errors; read by the burst worker
    BOOL m_bRadixListShown = FALSE;              // app: text helpers
    BOOL m_bShowMsgCount = FALSE;                // app: commands
    int m_nRadixSel = 0;                         // app: text helpers
    float m_fSignalValue = 0.0f;                 // engine: per-frame processing
    int m_nFrameSawToothChannels = 0;            // engine: per-frame processing
    int m_nSawToothChannels = 0;                 // app: channel panel
    BOOL m_bPanelsExpanded = TRUE;               // app: channel column
    CAboutDlg* m_pAboutDlg = nullptr;            // app: About box
    CString m_strDefaultParamPath;               // engine: parameter file
    CString m_strLastParamPath;                  // engine: parameter file
    // The default file as the start-up found it, when this run did not apply it (rejected, or its board
    // absent): the file (device, inode) a save keeps a copy of before it first replaces it. Engine:
    // parameter file.
    BOOL m_bKeepUnappliedFile = FALSE;
    std::uint64_t m_nUnappliedDevice = 0;
    std::uint64_t m_nUnappliedInode = 0;
    std::int32_t m_nSlotTimeMs[SLOT_COUNT] = {};  // app: text helpers (slot 90: external interrupt)
    BOOL m_bClosing = FALSE;                     // app: main dialog
    std::atomic<BOOL> m_bAdvancedOpen{FALSE};    // app: advanced dialog; read by the burst worker
    BOOL m_bPulsePortConfigured = FALSE;         // engine: board selection
    std::atomic<int> m_nPulsePort{0};            // engine: board selection
    char m_szTtlText[64] = {};                   // app: text helpers
    // Host times (s) right after the burst's last write that set bit 7 / cleared it; NaN until the first.
    std::atomic<double> m_dLedOnTime{std::numeric_limits<double>::quiet_NaN()};   // engine: burst
    std::atomic<double> m_dLedOffTime{std::numeric_limits<double>::quiet_NaN()};  // engine: burst
    // Engine: burst; user-interface thread only. At their reset values until the advanced dialog resets them.
    LatencyStats m_Latency[4] = {LATENCY_RESET, LATENCY_RESET, LATENCY_RESET, LATENCY_RESET};
    std::atomic<int> m_nBurstOutput{0x80};       // engine: burst
    std::atomic<int> m_nHeldBits{0};             // engine: TTL output
    std::atomic<BOOL> m_bBurstBusy{FALSE};       // engine: burst
    std::atomic<int> m_nBurstPulseCount{0};      // engine: burst
    std::atomic<int> m_nBurstMask{0xC0};         // engine: burst
    std::atomic<int> m_nBurstLoops{1000};        // engine: burst
    int m_nBurstDelayMs = 15;                    // engine: burst; kept for the advanced dialog, not timing
    std::atomic<BOOL> m_bBurstAbort{FALSE};      // engine: burst
    std::atomic<int> m_nLed6OnMs{100};           // engine: burst
    std::atomic<int> m_nLed7OnMs{200};           // engine: burst
    COLORREF m_crControlColor[COLOR_TABLE_SIZE] = {};  // app: text helpers
    int m_nControlColorId[COLOR_TABLE_SIZE] = {};      // app: text helpers
    int m_nControlColors = 0;                    // app: text helpers
    int m_nTriggerLedTicks = 0;                  // engine: TTL inputs
    HICON m_hIcon = nullptr;                     // app: main dialog
    BOOL m_bTtlTest = FALSE;                     // app: commands
    BOOL m_bEnableTrigger = FALSE;               // app: text helpers

    // Hand-over between the burst worker and the user-interface thread (engine/ttl_burst.cpp).
    const DWORD m_nUiThreadId = GetCurrentThreadId();  // the thread the dialog was made on
    std::atomic<BOOL> m_bBurstRoiSaved{FALSE};   // g_Params.bRoiOutput when StartTtlBurst started the worker
    std::atomic<int> m_nBurstBoardNum{0};        // g_Params.nBoardNum then: the board the worker writes
    std::atomic<HWND> m_hBurstReportWnd{nullptr};  // the dialog's window then: where the worker posts
    std::atomic<int> m_nBurstRoiRestore{-1};     // ROI-output option an ended worker burst hands back, or -1
    char m_szWorkerBoxText[256] = {};            // text of a board error box raised on the worker

    DECLARE_MESSAGE_MAP()
};


