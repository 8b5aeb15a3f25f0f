// A run of the program on this machine: the scripted user, the close after the run time or a signal, the
// board faults and the host's scheduled events, wired to the simulated boards and host and to the output.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/dialog_user_agent.h"
#include "platform/win/text_measure.h"
#include "platform/win/user_agent.h"
#include "platform/wintypes.h"
#include "run/headless_user_agent.h"
#include "run/program_options.h"
#include "run/run_output.h"
#include "run/run_summary.h"
#include "run/text_trace.h"

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
    LONGLONG WaitForTimedAction(LONGLONG nNowUs);
    LONGLONG FinishTimedAction(LONGLONG nNowUs);
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
    std::unique_ptr<CRunTextTrace> m_pTextTrace;   // --trace-texts
    DWORD m_nUiThread = 0;                         // the thread that called Start
    std::atomic<long long> m_nRefusedReported{0};  // the host's refused posts as last reported
};
