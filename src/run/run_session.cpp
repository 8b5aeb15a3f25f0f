#include "run/run_session.h"

#include <signal.h>

#include <algorithm>
#include <utility>

#include "app/main_dialog.h"
#include "engine/parameter_file.h"
#include "platform/hostlib/sim_host.h"
#include "platform/screen/cairo_text.h"
#include "platform/ul/sim_control.h"
#include "platform/win/app.h"
#include "platform/win/clock.h"
#include "platform/win/kernel.h"
#include "platform/win/menu.h"
#include "platform/win/menu_codes.h"
#include "platform/win/menu_tracking.h"
#include "platform/win/message_box_codes.h"
#include "platform/win/message_loop.h"
#include "platform/win/system_codes.h"
#include "platform/win/text_observer.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_agent.h"
#include "platform/win/window.h"
#include "resources/resource.h"
#include "run/edit_by_label.h"
#include "run/menu_path.h"
#include "run/run_screenshots.h"
#include "run/run_text.h"
#include "run/trace_lines.h"

using runtext::CaptionKey;
using runtext::MenuText;
using runtext::Printable;
using runtext::TextOf;

namespace {

using runtext::kMicrosPerSecond;

// How often the close timer looks for a signal, and how soon it clicks again when the main window could
// not be reached (not yet shown, or disabled by a box).
constexpr LONGLONG kSignalPollUs = 200000;
constexpr LONGLONG kCloseRetryUs = 100000;
constexpr LONGLONG kCloseRepeatUs = kMicrosPerSecond;
constexpr unsigned kSummaryPeriodMs = 1000;
constexpr DWORD kThreadWaitMs = 5000;
constexpr unsigned kDrainMs = 2000;
constexpr LONGLONG kFirstChoiceUs = kMicrosPerSecond;
constexpr LONGLONG kChoiceSpacingUs = kMicrosPerSecond / 2;
constexpr LONGLONG kChoiceRetryUs = 100000;
constexpr LONGLONG kPressGiveUpUs = 5 * kMicrosPerSecond;
// How soon an unplug whose board the program has not created yet is tried again.
constexpr LONGLONG kUnplugRetryUs = 100000;
// Posted messages still waiting at the end that make a backlog worth reporting: more than one turn of
// the loop's fairness rule (a program that keeps up leaves at most a frame or two).
constexpr size_t kLeftBacklog = 32;

// Set by the handler, taken by the close timer. A lock-free atomic: the only thing the handler touches.
std::atomic<bool> g_bCloseSignalled{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnCloseSignal(int) {
    g_bCloseSignalled.store(true);
}

struct ButtonSearch {
    std::string strKey;
    HWND hFound = nullptr;
};

BOOL CALLBACK FindButton(HWND hWnd, LPARAM lParam) {
    auto* pSearch = reinterpret_cast<ButtonSearch*>(lParam);
    char szClass[32] = {};
    GetClassNameA(hWnd, szClass, sizeof szClass);
    if (std::string_view(szClass) != "Button" || !IsWindowVisible(hWnd) || !IsWindowEnabled(hWnd))
        return TRUE;
    char szText[256] = {};
    GetWindowTextA(hWnd, szText, sizeof szText);
    if (CaptionKey(szText) != pSearch->strKey) return TRUE;
    pSearch->hFound = hWnd;
    return FALSE;
}

// The window the user can reach: the main window, or the topmost visible, enabled window it owns (a
// modal dialog over it).
HWND ReachableWindow(HWND hMain) {
    for (HWND h = GetTopWindow(nullptr); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
        if (h == hMain || !IsWindowVisible(h) || !IsWindowEnabled(h)) continue;
        for (HWND hOwner = GetWindow(h, GW_OWNER); hOwner != nullptr; hOwner = GetWindow(hOwner, GW_OWNER))
            if (hOwner == hMain) return h;
    }
    return hMain != nullptr && IsWindowVisible(hMain) && IsWindowEnabled(hMain) ? hMain : nullptr;
}

}  // namespace

void InstallRunSignalHandlers() {
    struct sigaction close {};
    close.sa_handler = OnCloseSignal;
    sigemptyset(&close.sa_mask);
    // The handler is reset as it runs, so a second signal of the kind ends the process.
    close.sa_flags = SA_RESETHAND | SA_RESTART;
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) sigaction(nSignal, &close, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

bool TakeRunCloseSignal() {
    return g_bCloseSignalled.exchange(false);
}

CRunSession::CRunSession(const ProgramOptions& options, int nFd)
    : m_options(options),
      m_output(nFd),
      m_pTally(std::make_shared<CRunTally>()),
      m_pQueueFull(std::make_shared<std::atomic<long long>>(0)),
      m_agent([this](const CUserEvent& ev) { ReportUserEvent(ev); }) {}

CRunSession::~CRunSession() {
    Finish();
}

void CRunSession::Report(std::string_view line) {
    m_output.Push(line);
}

void CRunSession::ReportUserEvent(const CUserEvent& ev) {
    Report(ev.nKind == CUserEvent::MessageBox ? FormatMessageBoxTrace(ev) : FormatFileDialogTrace(ev));
}

void CRunSession::Start() {
    if (m_bStarted) return;
    m_bStarted = true;
    const bool bTrace = m_options.bTrace;
    std::shared_ptr<CRunTally> pTally = m_pTally;

    // What the host received before anyone listened: the launch options, sent while the application
    // object was constructed.
    auto onCommand = [this, bTrace, pTally](const SimHostCommand& cmd) {
        pTally->NoteHostCommand(cmd);
        if (bTrace || (cmd.eKind == SimHostCommandKind::Say && cmd.bValid)) Report(FormatSimHostTrace(cmd));
    };
    for (const SimHostCommand& cmd : SimHost().Commands()) onCommand(cmd);
    SimHost().SetCommandHook(onCommand);

    if (bTrace)
        SimHost().SetDataOutHook([this](const SimHostDataOut& out) { Report(FormatSimHostDataTrace(out)); });

    // The hook reads a call's text only for the trace.
    CSimBoards::SetCallHook(
        [this, bTrace, pTally](const SimCallRecord& rec) {
            pTally->NoteBoardCall(rec);
            if (bTrace) Report(FormatBoardCallTrace(rec));
        },
        bTrace);
    // The host's LED camera sees the board's TTL output lines.
    CSimBoards::SetOutputListener([](const SimOutputChange& change) {
        if (change.eKind != ESimOutput::DigitalPort) return;
        const int nByte = CSimBoards::GetTtlOutputByte(change.nBoard);
        if (nByte >= 0) SimHost().NotifyTtlOutput(nByte);
    });
    if (m_bOnScreen) {
        m_pPerson = std::make_unique<CDialogUserAgent>();
        m_pPerson->SetObserver([this](const CUserEvent& ev) { ReportUserEvent(ev); });
        m_agent.SetPerson(m_pPerson.get());
    }
    AfxSetUserAgent(&m_agent);
    // A parameter file the program did not apply is kept as a copy before a save replaces it.
    SetParamFileKeptHook([this](const std::string& strCopy) { Report(FormatKeptFileLine(strCopy)); });
    // A person's own menu choices (the menu bar on the screen) are printed as the scripted ones are.
    AfxSetMenuChoiceHook([this](HWND, UINT, const std::vector<std::string>& path) {
        std::string strShown;
        for (const std::string& strItem : path) {
            if (!strShown.empty()) strShown += '>';
            strShown += MenuText(strItem, false);
        }
        Report("user chose " + Printable(strShown));
    });

    // The boards' TTL input pattern keeps the framework's time, as the host does.
    CSimBoards::SetTimeSource([] { return CClock::NowMicros(); });
    CSimHost& host = SimHost();
    host.SetTimeSource([] { return CClock::NowMicros(); });
    // A post the program's full queue refuses is counted (one to a window already gone is not).
    std::shared_ptr<std::atomic<long long>> pQueueFull = m_pQueueFull;
    host.SetPostFunction([pQueueFull](HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
        const BOOL bPosted = PostMessageA(hWnd, nMessage, wParam, lParam);
        if (!bPosted && GetLastError() == ERROR_NOT_ENOUGH_QUOTA) ++*pQueueFull;
        return bPosted;
    });
    if (!CClock::IsManual()) host.StartDriver();

    m_nUiThread = GetCurrentThreadId();
    const LONGLONG nNowUs = CClock::NowMicros();
    m_nStartUs = nNowUs;
    if (m_options.dRunSeconds > 0.0) {
        m_nCloseAtUs = nNowUs + static_cast<LONGLONG>(m_options.dRunSeconds * kMicrosPerSecond);
    }
    m_nTimeHook = CClock::AddTimeHook([this](LONGLONG nUs) { return OnCloseTimer(nUs); });
    if (!m_options.boardFaults.empty() || !m_options.boardUnplugs.empty()) {
        m_faultArmed.assign(m_options.boardFaults.size(), false);
        m_unplugState.assign(m_options.boardUnplugs.size(), EUnplug::Waiting);
        m_unplugBackUs.assign(m_options.boardUnplugs.size(), -1);
        // A fault at 0 is armed before the program makes its first call (library start, discovery). The
        // hook comes before the user's, so a fault is in effect before a user action due at the same time.
        for (size_t i = 0; i < m_options.boardFaults.size(); ++i) {
            if (m_options.boardFaults[i].dAtSeconds > 0.0) continue;
            ArmBoardFault(m_options.boardFaults[i]);
            m_faultArmed[i] = true;
        }
        m_nFaultHook = CClock::AddTimeHook([this](LONGLONG nUs) { return OnFaultTimer(nUs); });
        m_nMessageIdleHook = CMessageLoop::AddIdleHook([this] { OnIdleForMessageLine(); });
    }

    if (!m_options.choices.empty()) {
        m_nChoiceAtUs = nNowUs + kFirstChoiceUs;
        m_nChoiceHook = CClock::AddTimeHook([this](LONGLONG nUs) { return OnChoiceTimer(nUs); });
    }

    if (!m_options.hostEvents.empty()) {
        m_hostEvents = m_options.hostEvents;
        std::stable_sort(m_hostEvents.begin(), m_hostEvents.end(),
                         [](const HostScheduledEvent& a, const HostScheduledEvent& b) {
                             return a.dAtSeconds < b.dAtSeconds;
                         });
        m_nHostHook = CClock::AddTimeHook([this](LONGLONG nUs) { return OnHostTimer(nUs); });
    }
    if (m_options.bTraceTexts) {
        m_pTextTrace = std::make_unique<CRunTextTrace>([this](std::string_view line) { Report(line); });
        AfxSetTextObserver(m_pTextTrace.get());
    }

    if (!m_options.strScreenshotDir.empty()) {
        if (!m_bOnScreen) {
            m_pMeasurer = std::make_unique<CCairoTextMeasurer>();
            m_pPreviousMeasurer = AfxSetTextMeasurer(m_pMeasurer.get());
        }
        m_nShotAtUs = nNowUs + static_cast<LONGLONG>(m_options.dScreenshotSeconds * kMicrosPerSecond);
        // The time hook only wakes the loop when the time comes; the idle hook takes the pictures.
        m_nShotHook = CClock::AddTimeHook([this](LONGLONG nUs) {
            if (m_nShotAtUs < 0) return LONGLONG{-1};
            return nUs < m_nShotAtUs ? m_nShotAtUs : LONGLONG{-1};
        });
        m_nShotIdleHook = CMessageLoop::AddIdleHook([this] { OnIdleForScreenshot(); });
    }

    m_output.SetPeriodicLine(
        [this, pTally] {
            std::string strLine = FormatRunSummary(pTally->TakeSummary());
            ReportRefusedPosts();  // follows the summary
            return strLine;
        },
        kSummaryPeriodMs);
    m_output.Start();
}

void CRunSession::ArmBoardFault(const BoardFault& fault) {
    CSimBoards::FailCall(fault.strCall, fault.nError, fault.bAlways ? ESimFail::Always : ESimFail::Once,
                         fault.nBoard);
    const std::string strBoard =
        fault.nBoard == kSimAnyBoard ? std::string("any board") : "board " + std::to_string(fault.nBoard);
    Report("fault " + fault.strCall + " on " + strBoard + " fails with " + std::to_string(fault.nError) +
           (fault.bAlways ? " always" : " once"));
}

LONGLONG CRunSession::OnFaultTimer(LONGLONG nNowUs) {
    LONGLONG nNextUs = -1;
    auto want = [&nNextUs](LONGLONG nAtUs) {
        if (nNextUs < 0 || nAtUs < nNextUs) nNextUs = nAtUs;
    };
    auto atUs = [this](double dSeconds) {
        return m_nStartUs + static_cast<LONGLONG>(dSeconds * kMicrosPerSecond);
    };
    for (size_t i = 0; i < m_options.boardFaults.size(); ++i) {
        if (m_faultArmed[i]) continue;
        const LONGLONG nDueUs = atUs(m_options.boardFaults[i].dAtSeconds);
        if (nNowUs < nDueUs) {
            want(nDueUs);
            continue;
        }
        ArmBoardFault(m_options.boardFaults[i]);
        m_faultArmed[i] = true;
    }
    for (size_t i = 0; i < m_options.boardUnplugs.size(); ++i) {
        const BoardUnplug& unplug = m_options.boardUnplugs[i];
        const std::string strBoard = "fault board " + std::to_string(unplug.nBoard);
        if (m_unplugState[i] == EUnplug::Waiting) {
            const LONGLONG nDueUs = atUs(unplug.dAtSeconds);
            if (nNowUs < nDueUs) {
                want(nDueUs);
                continue;
            }
            if (!CSimBoards::SetDeviceResponding(unplug.nBoard, false)) {
                want(nNowUs + kUnplugRetryUs);  // not created (yet)
                continue;
            }
            Report(strBoard + " stops responding");
            m_unplugState[i] = EUnplug::Away;
            m_unplugBackUs[i] = unplug.dForSeconds < 0.0
                                    ? -1
                                    : nNowUs + static_cast<LONGLONG>(unplug.dForSeconds * kMicrosPerSecond);
        }
        if (m_unplugState[i] == EUnplug::Away && m_unplugBackUs[i] >= 0) {
            if (nNowUs < m_unplugBackUs[i]) {
                want(m_unplugBackUs[i]);
                continue;
            }
            CSimBoards::SetDeviceResponding(unplug.nBoard, true);
            Report(strBoard + " responds again");
            m_unplugState[i] = EUnplug::Done;
        }
    }
    return nNextUs;
}

void CRunSession::OnIdleForMessageLine() {
    CWnd* pMain = AfxGetMainWnd();
    const HWND hMain = pMain ? pMain->GetSafeHwnd() : nullptr;
    if (hMain == nullptr || !IsWindow(hMain)) return;
    const HWND hLine = GetDlgItem(hMain, IDC_MESSAGE_LINE);
    if (hLine == nullptr) return;
    char szText[512] = {};
    GetWindowTextA(hLine, szText, sizeof szText);
    if (m_strMessageLine == szText) return;
    m_strMessageLine = szText;
    Report("fault message \"" + EscapeTraceText(m_strMessageLine) + "\"");
}

void CRunSession::ReportRefusedPosts() {
    const long long nRefused = m_pQueueFull->load();
    const long long nNew = nRefused - m_nRefusedReported.exchange(nRefused);
    if (nNew > 0) Report(FormatRefusedPosts(nRefused, nNew));
}

void CRunSession::OnIdleForScreenshot() {
    if (m_nShotAtUs < 0 || CClock::NowMicros() < m_nShotAtUs) return;
    m_nShotAtUs = -1;
    std::string strWhy;
    const std::vector<std::string> paths = WriteRunScreenshots(m_options.strScreenshotDir, strWhy);
    for (const std::string& path : paths) Report("shot " + Printable(path));
    if (paths.empty()) {
        Report("shot cannot write \"" + EscapeTraceText(m_options.strScreenshotDir) +
               "\": " + Printable(strWhy));
    }
}

LONGLONG CRunSession::OnCloseTimer(LONGLONG nNowUs) {
    if (!m_bCloseStarted) {
        const bool bDue = TakeRunCloseSignal() || (m_nCloseAtUs >= 0 && nNowUs >= m_nCloseAtUs);
        if (!bDue) {
            const LONGLONG nPoll = nNowUs + kSignalPollUs;
            return m_nCloseAtUs >= 0 ? std::min(m_nCloseAtUs, nPoll) : nPoll;
        }
        m_bCloseStarted = true;
        m_agent.RequestQuit();
    }
    // The user clicks the main window's close box; the dialog then asks the quit question. A dialog open
    // over the main window is closed first (its close box cancels it).
    CWnd* pMain = AfxGetMainWnd();
    const HWND hMain = pMain ? pMain->GetSafeHwnd() : nullptr;
    if (hMain != nullptr && !IsWindowEnabled(hMain)) {
        const HWND hOver = ReachableWindow(hMain);
        if (hOver != nullptr && hOver != hMain) {
            // The quit question already on the screen has no close box answer: its Yes is clicked.
            char szText[256] = {};
            GetDlgItemTextA(hOver, static_cast<int>(kMessageBoxTextId), szText, sizeof szText);
            const HWND hYes = GetDlgItem(hOver, IDYES);
            if (hYes != nullptr && std::string_view(szText) == kQuitQuestion) {
                AfxUserClick(hYes);
            } else {
                AfxUserClose(hOver);
            }
        }
        return nNowUs + kCloseRetryUs;
    }
    if (hMain == nullptr || !AfxUserClose(hMain)) return nNowUs + kCloseRetryUs;
    return nNowUs + kCloseRepeatUs;
}

LONGLONG CRunSession::OnChoiceTimer(LONGLONG nNowUs) {
    if (m_bCloseStarted || m_nNextChoice >= m_options.choices.size()) return -1;
    if (nNowUs < m_nChoiceAtUs) return m_nChoiceAtUs;
    CWnd* pMain = AfxGetMainWnd();
    const HWND hMain = pMain ? pMain->GetSafeHwnd() : nullptr;
    if (m_options.choices[m_nNextChoice].bPress) return OnPressTimer(nNowUs, hMain);
    if (m_options.choices[m_nNextChoice].bType) return OnTypeTimer(nNowUs, hMain);
    if (m_options.choices[m_nNextChoice].bFile) {
        const UserMenuChoice& file = m_options.choices[m_nNextChoice++];
        m_agent.AnswerNextFileDialog(file.strPath);
        Report("user will answer the next file dialog with \"" + EscapeTraceText(file.strPath) + "\"");
        m_nChoiceAtUs = nNowUs + kChoiceSpacingUs;
        return m_nNextChoice < m_options.choices.size() ? m_nChoiceAtUs : -1;
    }
    if (hMain == nullptr || !IsWindowVisible(hMain) || !IsWindowEnabled(hMain)) {
        return nNowUs + kChoiceRetryUs;
    }

    const UserMenuChoice& choice = m_options.choices[m_nNextChoice++];
    m_nChoiceAtUs = nNowUs + kChoiceSpacingUs;
    const HMENU hMenu = GetMenu(hMain);
    UINT nId = 0;
    std::string strShown;
    std::string strWhy;
    const std::string strCannot = "user cannot choose \"" + EscapeTraceText(choice.strPath) + "\": ";
    if (!FindMenuItemByPath(hMenu, choice.strPath, nId, strShown, strWhy)) {
        Report(strCannot + Printable(strWhy));
    } else if (choice.bOnlyToCheck && (GetMenuState(hMenu, nId, MF_BYCOMMAND) & MF_CHECKED) != 0) {
        Report("user left " + Printable(strShown) + " checked");
    } else if (AfxUserChooseMenu(hMain, nId)) {
        Report("user chose " + Printable(strShown));
    } else {
        Report(strCannot + "the item is grayed");
    }
    return m_nNextChoice < m_options.choices.size() ? m_nChoiceAtUs : -1;
}

// A press or typing waits for its time; once due, it is tried until it succeeds or kPressGiveUpUs has
// passed. -1 when it is due now, else the time to come back.
LONGLONG CRunSession::WaitForTimedAction(LONGLONG nNowUs) {
    const UserMenuChoice& action = m_options.choices[m_nNextChoice];
    const LONGLONG nAtUs = m_nStartUs + static_cast<LONGLONG>(action.dAtSeconds * kMicrosPerSecond);
    if (nNowUs < nAtUs) return nAtUs;
    if (m_nPressGiveUpUs < 0) m_nPressGiveUpUs = nNowUs + kPressGiveUpUs;
    return -1;
}

// The press or typing is done or given up: the next action's time, -1 when none is left.
LONGLONG CRunSession::FinishTimedAction(LONGLONG nNowUs) {
    ++m_nNextChoice;
    m_nPressGiveUpUs = -1;
    m_nChoiceAtUs = nNowUs + kChoiceSpacingUs;
    return m_nNextChoice < m_options.choices.size() ? m_nChoiceAtUs : -1;
}

LONGLONG CRunSession::OnPressTimer(LONGLONG nNowUs, HWND hMain) {
    if (const LONGLONG nWaitUs = WaitForTimedAction(nNowUs); nWaitUs >= 0) return nWaitUs;
    const UserMenuChoice& press = m_options.choices[m_nNextChoice];
    const std::string strCaption = "\"" + EscapeTraceText(press.strPath) + '"';
    ButtonSearch search{CaptionKey(press.strPath), nullptr};
    const HWND hWindow = ReachableWindow(hMain);
    if (hWindow != nullptr) EnumChildWindows(hWindow, FindButton, reinterpret_cast<LPARAM>(&search));
    if (search.hFound == nullptr || !AfxUserClick(search.hFound)) {
        if (nNowUs < m_nPressGiveUpUs) return nNowUs + kChoiceRetryUs;
        Report("user cannot press " + strCaption + ": no enabled button of that caption can be reached");
    } else {
        char szWindow[128] = {};
        GetWindowTextA(hWindow, szWindow, sizeof szWindow);
        Report("user pressed " + strCaption + " in \"" + EscapeTraceText(szWindow) + "\"");
    }
    return FinishTimedAction(nNowUs);
}

LONGLONG CRunSession::OnTypeTimer(LONGLONG nNowUs, HWND hMain) {
    if (const LONGLONG nWaitUs = WaitForTimedAction(nNowUs); nWaitUs >= 0) return nWaitUs;
    const UserMenuChoice& type = m_options.choices[m_nNextChoice];
    const std::string strLabel = "\"" + EscapeTraceText(type.strPath) + '"';
    const HWND hWindow = ReachableWindow(hMain);
    std::string strWhy;
    const HWND hEdit = FindEditByLabel(hWindow, type.strPath, strWhy);
    // The keys are posted behind the click and the characters, so they reach the edit once it has the
    // focus; the dialog's own key handling then moves the focus on (Tab) or takes Enter.
    const bool bTyped = hEdit != nullptr && AfxUserType(hEdit, type.strText.c_str(), TRUE);
    if (bTyped) AfxUserPressKey(hEdit, type.bEnter ? VK_RETURN : VK_TAB);
    if (!bTyped) {
        if (nNowUs < m_nPressGiveUpUs) return nNowUs + kChoiceRetryUs;
        Report("user cannot type into " + strLabel + ": " +
               (hEdit != nullptr ? std::string("the edit takes no input") : Printable(strWhy)));
    } else {
        Report("user typed \"" + EscapeTraceText(type.strText) + "\" into " + strLabel + " in \"" +
               EscapeTraceText(TextOf(hWindow)) + "\"");
    }
    return FinishTimedAction(nNowUs);
}

LONGLONG CRunSession::OnHostTimer(LONGLONG nNowUs) {
    while (m_nNextHostEvent < m_hostEvents.size()) {
        const HostScheduledEvent& ev = m_hostEvents[m_nNextHostEvent];
        const LONGLONG nAtUs = m_nStartUs + static_cast<LONGLONG>(ev.dAtSeconds * kMicrosPerSecond);
        if (nNowUs < nAtUs) return nAtUs;
        ++m_nNextHostEvent;
        SendHostEvent(ev);
    }
    return -1;
}

void CRunSession::SendHostEvent(const HostScheduledEvent& ev) {
    CSimHost& host = SimHost();
    if (ev.bTtlBits) {
        for (int nBit = 0; nBit < 8; ++nBit) {
            const int nMask = 1 << nBit;
            if ((ev.nValue & nMask) == (m_nHostTtlMask & nMask)) continue;
            const bool bOn = (ev.nValue & nMask) != 0;
            Report("host notify 165 " + std::to_string(nBit) + (bOn ? " 1" : " 0"));
            host.SendTtlBitRequest(nBit, bOn);
        }
        m_nHostTtlMask = ev.nValue;
        return;
    }
    // The host's own state changes first, so that the program's status poll agrees with the notification.
    // The host notifies a change of the video or the eye mode itself; every other request (the attachment,
    // a state it already has, a bare status number) is notified here, so each request gives one
    // notification.
    const bool bOn = ev.nValue != 0;
    bool bNotified = false;
    if (ev.nItem == kSimHostStatusAttached) {
        host.SetAttached(bOn);
    } else if (ev.nItem == kSimHostStatusVideoFrozen) {
        bNotified = (host.GetStatus(ev.nItem) != 0) != bOn;
        host.SetVideoFrozen(bOn);
    } else if (ev.nItem == kSimHostStatusBinocular) {
        bNotified = (host.GetStatus(ev.nItem) != 0) != bOn;
        host.SetBinocular(bOn);
    }
    Report("host notify 21 " + std::to_string(ev.nItem) + " " + std::to_string(ev.nValue));
    if (!bNotified) {
        host.SendNotification(kSimHostCodeStatusChange,
                              MAKELPARAM(static_cast<WORD>(ev.nItem), static_cast<WORD>(ev.nValue)));
    }
}

void CRunSession::Finish() {
    if (!m_bStarted || m_bFinished) return;
    m_bFinished = true;
    if (m_nTimeHook != 0) CClock::RemoveTimeHook(m_nTimeHook);
    m_nTimeHook = 0;
    if (m_nChoiceHook != 0) CClock::RemoveTimeHook(m_nChoiceHook);
    m_nChoiceHook = 0;
    if (m_nShotHook != 0) CClock::RemoveTimeHook(m_nShotHook);
    m_nShotHook = 0;
    if (m_nShotIdleHook != 0) CMessageLoop::RemoveIdleHook(m_nShotIdleHook);
    m_nShotIdleHook = 0;
    if (m_nFaultHook != 0) CClock::RemoveTimeHook(m_nFaultHook);
    m_nFaultHook = 0;
    if (m_nMessageIdleHook != 0) CMessageLoop::RemoveIdleHook(m_nMessageIdleHook);
    m_nMessageIdleHook = 0;
    if (m_nHostHook != 0) CClock::RemoveTimeHook(m_nHostHook);
    m_nHostHook = 0;
    SimHost().StopDriver();
    // What the program could no longer take: posts refused by its full queue, and a backlog it left.
    ReportRefusedPosts();
    const size_t nLeft = CMessageLoop::PostedCount(m_nUiThread);
    if (nLeft > kLeftBacklog) Report(FormatUnhandledPosts(nLeft));
    // Nothing may call a hook of this session once it is gone.
    AfxWaitForAllThreads(kThreadWaitMs);
    CSimBoards::WaitForInterrupts();
    SimHost().SetCommandHook(nullptr);
    SimHost().SetDataOutHook(nullptr);
    CSimBoards::SetCallHook(nullptr);
    CSimBoards::SetOutputListener(nullptr);
    CSimBoards::SetTimeSource(nullptr);
    if (m_pTextTrace) AfxSetTextObserver(nullptr);
    AfxSetUserAgent(nullptr);
    SetParamFileKeptHook(nullptr);
    AfxSetMenuChoiceHook(nullptr);
    m_agent.SetPerson(nullptr);
    m_pPerson.reset();
    if (m_pMeasurer) {
        AfxSetTextMeasurer(m_pPreviousMeasurer);
        m_pPreviousMeasurer = nullptr;
        m_pMeasurer.reset();
    }
    m_output.Stop(kDrainMs, FormatRunSummary(m_pTally->TakeSummary()));
}
