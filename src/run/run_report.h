// What a run on this machine prints, and the headless run itself: the output thread, the trace and
// summary lines, the scripted user that closes the program after its run time, and the wiring of the
// simulated boards and host for a run on the real clock. main.cpp uses CRunSession; the pieces are
// separate so that tests can check each one.
//
// Line formats (one item per line; --help documents them for users):
//   <seconds> <kind> <text>          seconds since the output started, three decimals
//   ul <call text>                   a board-library call (SimCallRecord::strText)
//   host ...                         a host command (FormatSimHostTrace)
//   box <answer> <buttons> "<caption>" "<text>"
//   file <answer> open|save "<title>" "<filter>" "<path>"
//   sum frames=<n> +<new> markers=<n> +<new> "<letters>" | board=<b> "<product>" ttl-out=0x<hh>
//       ttl-in=0x<hh> ch<c>=<code>,<volts>V ... | ...        ("| no board" without boards)
//       | latency count=<n> On n=<n> min=<ms> ave=<ms> max=<ms> Off n=... (while QVL Advanced is open)
//   user chose <path> | user left <path> checked | user cannot choose "<PATH>": <reason>
//   user pressed "<caption>" in "<window>" | user cannot press "<CAPTION>": <reason>
//   shot <path> | shot cannot write "<DIR>": <reason>
//   fault <call> on board <b>|any board fails with <code> once|always
//   fault board <b> stops responding | fault board <b> responds again | fault message "<text>"
//   user typed "<text>" into "<LABEL>" in "<window>" | user cannot type into "<LABEL>": <reason>
//   user will answer the next file dialog with "<PATH>"
//   host notify 21 <item> <value> | host notify 165 <bit> <on>
//   text <window>/<id> "<text>"      (--trace-texts)
//   run dropped <n> lines
//   run kept "<path>"                a parameter file this run did not apply, kept as a copy before a
//                                    save replaced it (SetParamFileKeptHook)
//   run host posts refused=<n> +<new>    notifications the host could not post to the program (its queue
//                                        was full): with the summary when new ones came, and at the end
//   run posts left unhandled=<n>         at the end, a backlog of posted messages never handled
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/hostlib/sim_host.h"
#include "platform/ul/sim_control.h"
#include "platform/win/dialog_user_agent.h"
#include "platform/win/text_measure.h"
#include "platform/win/text_observer.h"
#include "platform/win/user_agent.h"
#include "run/program_options.h"

// ---- Output ----

// Lines go to a file descriptor from a printing thread. Push never waits for the output: the queue holds
// at most nCapacity lines, a line that finds it full is dropped and counted, and the next line accepted
// is preceded by "run dropped <n> lines". The thread writes only when poll() says the descriptor can take
// data, in pieces of at most PIPE_BUF bytes, so a reader that stops reading holds up only this thread.
// A periodic line (the summary) is made on the printing thread every nPeriodMs of real time.
class CRunOutput {
  public:
    static constexpr size_t kDefaultCapacity = 65536;

    // The descriptor is not closed here. Times in the prefix count from the construction (CClock).
    explicit CRunOutput(int nFd, size_t nCapacity = kDefaultCapacity);
    ~CRunOutput();
    CRunOutput(const CRunOutput&) = delete;
    CRunOutput& operator=(const CRunOutput&) = delete;

    // Before Start. The function runs on the printing thread with no lock of this object held.
    void SetPeriodicLine(std::function<std::string()> pfnLine, unsigned nPeriodMs);
    void Start();
    // Any thread. The time prefix is added here. False when the line was dropped (queue full, or stopped).
    bool Push(std::string_view line);
    // Queues the announcement of lines dropped since the last one and then strLastLine (when not empty),
    // both beyond the capacity; writes what is queued, for at most nDrainMs more, then ends the thread.
    // Lines pushed later are dropped. What could not be written in time is lost. Idempotent.
    void Stop(unsigned nDrainMs = 2000, std::string_view strLastLine = {});
    unsigned long long Dropped() const;  // lines dropped so far

  private:
    void PrinterLoop();
    // FALSE when the deadline passed (or the descriptor failed) before everything was written.
    bool WriteAll(const std::string& text);
    std::string Prefixed(std::string_view line) const;

    const int m_nFd;
    const size_t m_nCapacity;
    const long long m_nStartUs;
    std::function<std::string()> m_pfnPeriodic;
    unsigned m_nPeriodMs = 0;

    // Guards the members up to m_drainDeadline.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::string> m_queue;
    unsigned long long m_nDroppedPending = 0;  // not yet announced
    unsigned long long m_nDroppedTotal = 0;
    bool m_bStarted = false;
    bool m_bStop = false;
    std::chrono::steady_clock::time_point m_drainDeadline;

    bool m_bBroken = false;  // printing thread only: the descriptor failed, nothing more is written
    std::thread m_thread;
};

// ---- Trace lines ----

// C escapes for a one-line, double-quoted text: \n \r \t \" \\ and \xNN for other control bytes.
std::string EscapeTraceText(std::string_view text);
// "ul " + the call's text, control characters shown as blanks.
std::string FormatBoardCallTrace(const SimCallRecord& rec);
// IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, IDTRYAGAIN, IDCONTINUE, else the number.
std::string MessageBoxAnswerName(int nResult);
// MB_OK, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO, MB_RETRYCANCEL,
// MB_CANCELTRYCONTINUE, else MB_<number>.
std::string MessageBoxButtonsName(UINT nType);
// box <answer> <buttons> "<caption>" "<text>"
std::string FormatMessageBoxTrace(const CUserEvent& box);
// file <answer> open|save "<title>" "<filter>" "<path>" (the path chosen; empty when cancelled)
std::string FormatFileDialogTrace(const CUserEvent& dlg);
// run kept "<path>": the copy kept of a parameter file this run did not apply.
std::string FormatKeptFileLine(const std::string& strPath);

// ---- Summary ----

struct RunSummaryChannel {
    int nChannel = 0;
    unsigned nCode = 0;
    double dVolts = 0.0;
};

struct RunSummaryBoard {
    int nBoard = 0;
    std::string strProduct;
    int nTtlOut = -1;                         // -1: no TTL output lines
    int nTtlIn = -1;                          // -1: no TTL input lines
    std::vector<RunSummaryChannel> channels;  // written so far, by channel
};

struct RunSummary {
    long long nFrames = 0;
    long long nNewFrames = 0;
    unsigned long long nMarkers = 0;
    unsigned long long nNewMarkers = 0;
    std::string strNewLetters;  // at most the last 32, after "..." when there were more
    std::vector<RunSummaryBoard> boards;
    // The advanced dialog's latency table while it is open: the pulse count, then per row (On, Off) the
    // count, minimum, average and maximum, as the dialog shows them.
    bool bLatencyShown = false;
    std::string latency[9];
};

// The latency table of the open "QVL Advanced" dialog (any thread); FALSE when none is shown.
bool ReadLatencyTable(std::string (&texts)[9]);

std::string FormatRunSummary(const RunSummary& summary);
// run host posts refused=<n> +<new>
std::string FormatRefusedPosts(long long nRefused, long long nNew);
// run posts left unhandled=<n>
std::string FormatUnhandledPosts(size_t nLeft);

// The output voltage of a D/A code: the range's span over 2^nBits codes from its low end. The range is a
// library range constant; 0.0 for an unknown one.
double DacCodeVolts(int nRange, unsigned nCode, int nBits);

// Counts what the hooks see for the summary. Thread-safe; the hooks may run on any thread.
class CRunTally {
  public:
    void NoteBoardCall(const SimCallRecord& rec);     // successful cbAOut: the channel was written
    void NoteHostCommand(const SimHostCommand& cmd);  // valid markers
    // The summary of now, from the simulated host and boards and the counts; the "new" counts are those
    // since the previous call.
    RunSummary TakeSummary();

  private:
    static constexpr size_t kMaxLetters = 32;
    std::mutex m_mutex;
    std::map<int, unsigned> m_writtenChannels;  // board -> mask of D/A channels written
    unsigned long long m_nMarkers = 0;
    unsigned long long m_nMarkersAtLast = 0;
    std::string m_strLetters;  // the last kMaxLetters letters since the previous summary
    bool m_bLettersCut = false;
    long long m_nFramesAtLast = 0;
};

// ---- The user ----

// Message boxes are answered by the framework's scripted agent (its documented defaults); once the close
// has been requested, the main dialog's quit question (kQuitQuestion) is answered Yes. Every box and file
// dialog is reported once answered.
// With a person (a run on a screen: the framework's CDialogUserAgent), every box and file dialog goes to
// the person instead, who reports it through its own observer; only the quit question after a requested
// close is still answered Yes here.
class CHeadlessUserAgent : public CUserAgent {
  public:
    explicit CHeadlessUserAgent(std::function<void(const CUserEvent&)> pfnReport = nullptr);
    int ShowMessageBox(CUserEvent& box) override;
    int ShowFileDialog(CUserEvent& dlg) override;
    void RequestQuit() { m_bQuit = true; }
    // The next file dialog is answered IDOK with this path (the default extension added to a name without
    // one), by this agent even when a person answers the rest. Any thread.
    void AnswerNextFileDialog(std::string strPath);
    bool QuitRequested() const { return m_bQuit; }
    // NULL: no person, the defaults answer. Set while no box is shown.
    void SetPerson(CUserAgent* pPerson) { m_pPerson = pPerson; }

  private:
    std::function<void(const CUserEvent&)> m_pfnReport;
    std::atomic<bool> m_bQuit{false};
    std::atomic<CUserAgent*> m_pPerson{nullptr};
    std::mutex m_fileMutex;
    std::deque<std::string> m_filePaths;  // guarded by m_fileMutex
};

// ---- The user's menu choices ----

// Finds the item of hMenu (a bar or popup) named by strPath: its texts from hMenu down with '>' between
// them. Texts compare as a user reads them: the menu's '&' marks dropped ("&&" stands for '&'), the
// accelerator text from a tab on dropped, runs of blanks as one blank, no blank at either end, letter case
// ignored. A text of the path may be written as it reads or with the menu's '&' marks.
// TRUE with the item's command id and strShown, the path with the texts as the menu has them ('&' marks
// and accelerators dropped); FALSE with the reason in strWhy.
BOOL FindMenuItemByPath(HMENU hMenu, std::string_view strPath, UINT& nId, std::string& strShown,
                        std::string& strWhy);

// ---- Typing into an edit ----

// Finds the edit a user means by the label next to it, among the visible, enabled descendants of hWindow.
// strName is LABEL or BOX>LABEL: LABEL is the caption of a static (compared as CaptionKey compares button
// captions), BOX the caption of a group box (or of hWindow itself) the label lies in. The edit is the
// nearest one of the label's parent that starts right of the label's left edge on its row, or below it
// overlapping its columns, unless another text lies clearly nearer to that edit in the same way (it is
// that edit's label). NULL with the reason in strWhy when no label or edit fits, or when labels of
// different edits do.
HWND FindEditByLabel(HWND hWindow, std::string_view strName, std::string& strWhy);

// ---- The texts of the controls ----

// Where a control is, for a "text" line: the title of its top-level window, then for each window between
// them that has no text of its own but frames its controls with a group box (a channel panel) '>' and
// that box's caption, then '/' and the control's id: "TessaroPro>Channel 3/1022".
std::string ControlPlace(HWND hWnd);

// Prints "text <place> \"<text>\"" for each change of a text a control shows (CTextObserver): its own text,
// or the text its owner draws over its whole client area; a drawn text is a change when it differs from
// the last one printed, or, at first, from the control's own text. Any thread.
class CRunTextTrace : public CTextObserver {
  public:
    explicit CRunTextTrace(std::function<void(std::string_view)> pfnReport);
    void OnWindowTextChanged(HWND hWnd, std::string_view text) override;
    void OnControlTextDrawn(HWND hWnd, std::string_view text) override;

  private:
    void ReportText(HWND hWnd, std::string_view text);
    std::function<void(std::string_view)> m_pfnReport;
    std::mutex m_mutex;
    std::map<HWND, std::string> m_shown;  // the last text printed per control
};

// ---- Screenshots ----

// One PNG per visible top-level window as it is now (AfxWriteScreenshots), in strFolder, which is made
// when missing. Call on the user-interface thread while its queue is idle. Returns the paths written;
// none with the reason in strWhy.
std::vector<std::string> WriteRunScreenshots(const std::string& strFolder, std::string& strWhy);

// ---- The run ----

// SIGINT, SIGTERM and SIGHUP (the terminal closed) ask the run to close as a user would (a second signal
// of the same kind ends the process at once); SIGPIPE is ignored, so a closed standard output ends only
// the printing.
void InstallRunSignalHandlers();
// TRUE once after such a signal came.
bool TakeRunCloseSignal();

class CRunSession {
  public:
    CRunSession(const ProgramOptions& options, int nFd);
    ~CRunSession();
    // Before Start: the program's windows are on a screen, whose session measures text with the screen's
    // font, and its message boxes and file dialogs are shown to the person there (CDialogUserAgent, made
    // by Start on its thread; the printed lines are the same). Headless, a run with --screenshot installs
    // that font's measurer itself from Start to Finish, so the windows are laid out as the pictures draw
    // them; a run without it keeps the fixed metrics.
    void SetOnScreen(bool bOnScreen) { m_bOnScreen = bOnScreen; }
    CRunSession(const CRunSession&) = delete;
    CRunSession& operator=(const CRunSession&) = delete;

    // Replays the host commands sent before (the launch options, reported during static
    // initialisation), then wires the hooks, the user agent and the close timer; the host's frames follow
    // the framework's clock and are posted to the program's windows; on the real clock the host's
    // driver thread produces them in real time. Starts the output.
    void Start();
    // After the application's run: stops the host's driver, waits (boundedly) for the framework's
    // threads, removes the hooks and the agent, prints the last summary and drains the output. Idempotent.
    void Finish();

    // The close timer (a time hook on the thread that called Start): once the run time has passed or a
    // signal came, the quit question is to be answered Yes and the main window's close box is clicked,
    // again every second while the program still runs. Returns the next time it wants to run.
    LONGLONG OnCloseTimer(LONGLONG nNowUs);
    // The user's menu choices and button presses (a time hook on the same thread): the first one second
    // after Start, each next half a second after the one before (a press not before its own time); a
    // choice once the main window is visible and enabled, a press once a window that can be reached has
    // an enabled button of that caption (given up after five seconds); none once the close has begun.
    // Each goes through the framework's user actions and is reported as a "user" line.
    LONGLONG OnChoiceTimer(LONGLONG nNowUs);
    // The screenshots (--screenshot): once their time has come, at the next idle moment of the thread
    // that called Start, so every paint asked for before has been made. Each file is a "shot" line.
    void OnIdleForScreenshot();
    // The board faults (--board-faults, --board-unplug; a time hook on the same thread): each fault is
    // armed at its time (those at 0 by Start, before the program runs), each unplugged board is set not
    // responding once its time has come and the program has created it, and responding again after its
    // time away. Each is a "fault" line. Returns the next time it wants to run.
    LONGLONG OnFaultTimer(LONGLONG nNowUs);
    // In a run with board faults, at every idle moment: a new text of the main window's message line is a
    // "fault message" line.
    void OnIdleForMessageLine();

    CRunOutput& Output() { return m_output; }
    CHeadlessUserAgent& Agent() { return m_agent; }

  private:
    void Report(std::string_view line);
    void ReportUserEvent(const CUserEvent& ev);  // its box or file line
    LONGLONG OnPressTimer(LONGLONG nNowUs, HWND hMain);
    void ArmBoardFault(const BoardFault& fault);
    LONGLONG OnTypeTimer(LONGLONG nNowUs, HWND hMain);
    // The host's scheduled status changes and bit requests (a time hook on the thread that called Start).
    LONGLONG OnHostTimer(LONGLONG nNowUs);
    void SendHostEvent(const HostScheduledEvent& ev);
    // A "run host posts refused" line when the host's posts refused by the program's full queue grew
    // since the last one (any thread).
    void ReportRefusedPosts();

    const ProgramOptions m_options;
    CRunOutput m_output;
    std::shared_ptr<CRunTally> m_pTally;
    std::shared_ptr<std::atomic<long long>> m_pQueueFull;  // the host's posts refused by a full queue
    CHeadlessUserAgent m_agent;
    LONGLONG m_nCloseAtUs = -1;
    bool m_bCloseStarted = false;
    UINT_PTR m_nTimeHook = 0;
    size_t m_nNextChoice = 0;
    LONGLONG m_nChoiceAtUs = -1;
    LONGLONG m_nPressGiveUpUs = -1;  // the press being tried is given up at this time
    LONGLONG m_nStartUs = 0;
    UINT_PTR m_nChoiceHook = 0;
    LONGLONG m_nShotAtUs = -1;  // -1: no screenshot (still) to take
    UINT_PTR m_nShotHook = 0;
    UINT_PTR m_nShotIdleHook = 0;
    // Board faults: how far each fault and unplugged board has got.
    enum class EUnplug { Waiting, Away, Done };
    std::vector<bool> m_faultArmed;        // by index of m_options.boardFaults
    std::vector<EUnplug> m_unplugState;    // by index of m_options.boardUnplugs
    std::vector<LONGLONG> m_unplugBackUs;  // while Away: when the board responds again, -1 never
    UINT_PTR m_nFaultHook = 0;
    UINT_PTR m_nMessageIdleHook = 0;
    std::string m_strMessageLine;  // the message line's text last reported
    bool m_bOnScreen = false;
    std::unique_ptr<CDialogUserAgent> m_pPerson;  // on a screen: the boxes the person answers
    std::unique_ptr<CTextMeasurer> m_pMeasurer;   // headless --screenshot: the screen's font
    CTextMeasurer* m_pPreviousMeasurer = nullptr;
    bool m_bStarted = false;
    bool m_bFinished = false;
    std::vector<HostScheduledEvent> m_hostEvents;  // in order of time
    size_t m_nNextHostEvent = 0;
    int m_nHostTtlMask = 0;  // the bits the host requested last
    UINT_PTR m_nHostHook = 0;
    std::unique_ptr<CRunTextTrace> m_pTextTrace;  // --trace-texts
    DWORD m_nUiThread = 0;                         // the thread that called Start
    std::atomic<long long> m_nRefusedReported{0};  // the host's refused posts as last reported
};
