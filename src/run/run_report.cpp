#include "run/run_report.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/main_dialog.h"
#include "engine/parameter_file.h"
#include "platform/screen/cairo_text.h"
#include "platform/screen/screenshot.h"
#include "platform/ul/cbw.h"
#include "platform/ul/sim_device.h"
#include "platform/win/app.h"
#include "platform/win/clock.h"
#include "platform/win/menu.h"
#include "platform/win/menu_tracking.h"
#include "platform/win/message_loop.h"
#include "platform/win/snapshot.h"
#include "platform/win/text_measure.h"
#include "platform/win/user_actions.h"
#include "resources/advanced_dialog_resource.h"
#include "resources/resource.h"

namespace {

using Steady = std::chrono::steady_clock;

constexpr LONGLONG kMicrosPerSecond = 1000000;
// How often the close timer looks for a signal, and how soon it clicks again when the main window could
// not be reached (not yet shown, or disabled by a box).
constexpr LONGLONG kSignalPollUs = 200000;
constexpr LONGLONG kCloseRetryUs = 100000;
constexpr LONGLONG kCloseRepeatUs = kMicrosPerSecond;
constexpr unsigned kSummaryPeriodMs = 1000;
constexpr DWORD kThreadWaitMs = 5000;
constexpr unsigned kDrainMs = 2000;
constexpr int kPollSliceMs = 50;
constexpr LONGLONG kFirstChoiceUs = kMicrosPerSecond;
constexpr LONGLONG kChoiceSpacingUs = kMicrosPerSecond / 2;
constexpr LONGLONG kChoiceRetryUs = 100000;
constexpr LONGLONG kPressGiveUpUs = 5 * kMicrosPerSecond;
constexpr char kAdvancedCaption[] = "QVL Advanced";
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

std::string SecondsText(long long nMicros) {
    char sz[32];
    std::snprintf(sz, sizeof sz, "%lld.%03lld ", nMicros / kMicrosPerSecond,
                  (nMicros % kMicrosPerSecond) / 1000);
    return sz;
}

std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) c = ' ';
    }
    return out;
}

// A menu text as a user reads it; bFold: also in lower case with blank runs made one and the ends trimmed,
// for comparing. bMarks: '&' marks the mnemonic ("&&" stands for '&'); else it is a character.
std::string MenuText(std::string_view text, bool bFold, bool bMarks = true) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\t') break;  // the accelerator
        if (c == '&' && bMarks) {
            if (i + 1 >= text.size() || text[i + 1] != '&') continue;
            ++i;
        }
        if (bFold) {
            if (c == ' ') {
                if (out.empty() || out.back() == ' ') continue;
            } else if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        out += c;
    }
    if (bFold && !out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// A button caption for comparing: '&' marks dropped, letter case ignored, blanks and line breaks left out
// ("Toggle/\nCheck" and "toggle/check" compare equal).
std::string CaptionKey(std::string_view text) {
    std::string out;
    for (char c : MenuText(text, true)) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
        out += c;
    }
    return out;
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

bool ReadLatencyTable(std::string (&texts)[9]) {
    const HWND hDlg = FindWindowA(nullptr, kAdvancedCaption);
    if (hDlg == nullptr || !IsWindowVisible(hDlg)) return false;
    const int ids[9] = {IDC_ADV_PULSE_COUNT, IDC_ADV_ON_COUNT, IDC_ADV_ON_MIN,
                        IDC_ADV_ON_AVE,      IDC_ADV_ON_MAX,   IDC_ADV_OFF_COUNT,
                        IDC_ADV_OFF_MIN,     IDC_ADV_OFF_AVE,  IDC_ADV_OFF_MAX};
    for (int i = 0; i < 9; ++i) {
        char sz[64] = {};
        GetDlgItemTextA(hDlg, ids[i], sz, sizeof sz);
        texts[i] = sz;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// CRunOutput

CRunOutput::CRunOutput(int nFd, size_t nCapacity)
    : m_nFd(nFd), m_nCapacity(std::max<size_t>(nCapacity, 1)), m_nStartUs(CClock::NowMicros()) {}

CRunOutput::~CRunOutput() {
    Stop();
}

void CRunOutput::SetPeriodicLine(std::function<std::string()> pfnLine, unsigned nPeriodMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStarted) return;
    m_pfnPeriodic = std::move(pfnLine);
    m_nPeriodMs = nPeriodMs;
}

void CRunOutput::Start() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStarted || m_bStop) return;
    m_bStarted = true;
    m_thread = std::thread([this] { PrinterLoop(); });
}

std::string CRunOutput::Prefixed(std::string_view line) const {
    return SecondsText(std::max<long long>(0, CClock::NowMicros() - m_nStartUs)) + std::string(line);
}

bool CRunOutput::Push(std::string_view line) {
    const std::string strTime = SecondsText(std::max<long long>(0, CClock::NowMicros() - m_nStartUs));
    std::string text = strTime + std::string(line);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStop) return false;
        if (m_queue.size() >= m_nCapacity) {
            ++m_nDroppedPending;
            ++m_nDroppedTotal;
            return false;
        }
        if (m_nDroppedPending > 0) {
            m_queue.push_back(strTime + "run dropped " + std::to_string(m_nDroppedPending) + " lines");
            m_nDroppedPending = 0;
        }
        m_queue.push_back(std::move(text));
    }
    m_wake.notify_one();
    return true;
}

void CRunOutput::Stop(unsigned nDrainMs, std::string_view strLastLine) {
    const std::string strTime = SecondsText(std::max<long long>(0, CClock::NowMicros() - m_nStartUs));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_bStop) {
            m_bStop = true;
            m_drainDeadline = Steady::now() + std::chrono::milliseconds(nDrainMs);
            if (m_nDroppedPending > 0) {
                m_queue.push_back(strTime + "run dropped " + std::to_string(m_nDroppedPending) + " lines");
                m_nDroppedPending = 0;
            }
            if (!strLastLine.empty()) m_queue.push_back(strTime + std::string(strLastLine));
        }
    }
    m_wake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

unsigned long long CRunOutput::Dropped() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nDroppedTotal;
}

void CRunOutput::PrinterLoop() {
    const auto period = std::chrono::milliseconds(m_nPeriodMs);
    const bool bPeriodic = m_pfnPeriodic && m_nPeriodMs > 0;
    auto nextPeriodic = Steady::now() + period;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        auto ready = [this] { return m_bStop || !m_queue.empty(); };
        if (bPeriodic) {
            m_wake.wait_until(lock, nextPeriodic, ready);
        } else {
            m_wake.wait(lock, ready);
        }
        std::deque<std::string> batch;
        batch.swap(m_queue);
        const bool bStopping = m_bStop;
        lock.unlock();

        std::string text;
        for (const std::string& line : batch) {
            text += line;
            text += '\n';
        }
        batch.clear();
        const auto now = Steady::now();
        if (bPeriodic && !bStopping && now >= nextPeriodic) {
            text += Prefixed(m_pfnPeriodic());
            text += '\n';
            nextPeriodic += period;
            if (nextPeriodic <= now) nextPeriodic = now + period;
        }
        const bool bWritten = WriteAll(text);

        lock.lock();
        if (m_bStop && (m_queue.empty() || (bStopping && !bWritten))) break;
    }
}

bool CRunOutput::WriteAll(const std::string& text) {
    size_t nOffset = 0;
    while (nOffset < text.size()) {
        if (m_bBroken) return false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bStop && Steady::now() >= m_drainDeadline) return false;
        }
        pollfd pfd{m_nFd, POLLOUT, 0};
        const int nReady = ::poll(&pfd, 1, kPollSliceMs);
        if (nReady < 0) {
            if (errno == EINTR) continue;
            m_bBroken = true;
            return false;
        }
        if (nReady == 0) continue;
        if (pfd.revents & (POLLERR | POLLNVAL)) {
            m_bBroken = true;
            return false;
        }
        const size_t nPiece = std::min<size_t>(PIPE_BUF, text.size() - nOffset);
        const ssize_t nWritten = ::write(m_nFd, text.data() + nOffset, nPiece);
        if (nWritten < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            m_bBroken = true;
            return false;
        }
        nOffset += static_cast<size_t>(nWritten);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Trace lines

std::string EscapeTraceText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (u < 0x20 || u == 0x7F) {
                    char sz[8];
                    std::snprintf(sz, sizeof sz, "\\x%02X", u);
                    out += sz;
                } else {
                    out += c;
                }
        }
    }
    return out;
}

std::string FormatBoardCallTrace(const SimCallRecord& rec) {
    return "ul " + Printable(rec.strText);
}

std::string MessageBoxAnswerName(int nResult) {
    static const char* const kNames[] = {nullptr, "IDOK", "IDCANCEL", "IDABORT", "IDRETRY",    "IDIGNORE",
                                         "IDYES", "IDNO", nullptr,    nullptr,   "IDTRYAGAIN", "IDCONTINUE"};
    if (nResult >= 0 && nResult < static_cast<int>(std::size(kNames)) && kNames[nResult] != nullptr) {
        return kNames[nResult];
    }
    return std::to_string(nResult);
}

std::string MessageBoxButtonsName(UINT nType) {
    static const char* const kNames[] = {
        "MB_OK",    "MB_OKCANCEL",    "MB_ABORTRETRYIGNORE", "MB_YESNOCANCEL",
        "MB_YESNO", "MB_RETRYCANCEL", "MB_CANCELTRYCONTINUE"};
    const UINT nButtons = nType & MB_TYPEMASK;
    if (nButtons < std::size(kNames)) return kNames[nButtons];
    return "MB_" + std::to_string(nButtons);
}

std::string FormatMessageBoxTrace(const CUserEvent& box) {
    return "box " + MessageBoxAnswerName(box.nResult) + " " + MessageBoxButtonsName(box.nType) + " \"" +
           EscapeTraceText(box.strCaption.Str()) + "\" \"" + EscapeTraceText(box.strText.Str()) + "\"";
}

std::string FormatKeptFileLine(const std::string& strPath) {
    return "run kept \"" + EscapeTraceText(strPath) + "\"";
}

std::string FormatFileDialogTrace(const CUserEvent& dlg) {
    return "file " + MessageBoxAnswerName(dlg.nResult) +
           (dlg.nKind == CUserEvent::FileSave ? " save" : " open") + " \"" +
           EscapeTraceText(dlg.strCaption.Str()) + "\" \"" + EscapeTraceText(dlg.strFilter.Str()) + "\" \"" +
           EscapeTraceText(dlg.strPath.Str()) + "\"";
}

// ---------------------------------------------------------------------------------------------------------
// Summary

std::string FormatRefusedPosts(long long nRefused, long long nNew) {
    return "run host posts refused=" + std::to_string(nRefused) + " +" + std::to_string(nNew);
}

std::string FormatUnhandledPosts(size_t nLeft) {
    return "run posts left unhandled=" + std::to_string(nLeft);
}

double DacCodeVolts(int nRange, unsigned nCode, int nBits) {
    const RangeSpan* pSpan = FindRangeSpan(nRange);
    if (pSpan == nullptr || nBits <= 0 || nBits > 31) return 0.0;
    return pSpan->dLowVolts +
           nCode * (pSpan->dHighVolts - pSpan->dLowVolts) / static_cast<double>(1u << nBits);
}

std::string FormatRunSummary(const RunSummary& summary) {
    char sz[160];
    std::snprintf(sz, sizeof sz, "sum frames=%lld +%lld markers=%llu +%llu ", summary.nFrames,
                  summary.nNewFrames, summary.nMarkers, summary.nNewMarkers);
    std::string line = sz;
    line += "\"" + EscapeTraceText(summary.strNewLetters) + "\"";
    if (summary.boards.empty()) line += " | no board";
    auto word = [](int nValue) {
        if (nValue < 0) return std::string("--");
        char szWord[16];
        std::snprintf(szWord, sizeof szWord, "0x%02X", static_cast<unsigned>(nValue));
        return std::string(szWord);
    };
    for (const RunSummaryBoard& board : summary.boards) {
        line += " | board=" + std::to_string(board.nBoard) + " \"" + EscapeTraceText(board.strProduct) +
                "\" ttl-out=" + word(board.nTtlOut) + " ttl-in=" + word(board.nTtlIn);
        for (const RunSummaryChannel& ch : board.channels) {
            std::snprintf(sz, sizeof sz, " ch%d=%u,%+.3fV", ch.nChannel, ch.nCode, ch.dVolts);
            line += sz;
        }
    }
    if (summary.bLatencyShown) {
        auto field = [&summary](int i) {
            return summary.latency[i].empty() ? std::string("-") : Printable(summary.latency[i]);
        };
        line += " | latency count=" + field(0);
        const char* const rows[2] = {" On", " Off"};
        for (int r = 0; r < 2; ++r) {
            line += std::string(rows[r]) + " n=" + field(1 + 4 * r) + " min=" + field(2 + 4 * r) +
                    " ave=" + field(3 + 4 * r) + " max=" + field(4 + 4 * r);
        }
    }
    return line;
}

void CRunTally::NoteBoardCall(const SimCallRecord& rec) {
    if (rec.nResult != NOERRORS || rec.strName != "cbAOut" || rec.args.size() < 2) return;
    int nChannel = -1;
    const std::string& arg = rec.args[1];
    auto [ptr, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), nChannel);
    if (ec != std::errc() || nChannel < 0 || nChannel >= 32) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writtenChannels[rec.nBoard] |= 1u << nChannel;
}

void CRunTally::NoteHostCommand(const SimHostCommand& cmd) {
    if (cmd.eKind != SimHostCommandKind::Marker || !cmd.bValid) return;
    const std::string strTrace = FormatSimHostTrace(cmd);  // "host marker <letter>"
    const char cLetter = strTrace.empty() ? '?' : strTrace.back();
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_nMarkers;
    if (m_strLetters.size() >= kMaxLetters) {
        m_strLetters.erase(0, 1);
        m_bLettersCut = true;
    }
    m_strLetters += cLetter;
}

RunSummary CRunTally::TakeSummary() {
    RunSummary summary;
    summary.nFrames = SimHost().FramesProduced();
    std::map<int, unsigned> written;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        summary.nNewFrames = summary.nFrames - m_nFramesAtLast;
        m_nFramesAtLast = summary.nFrames;
        summary.nMarkers = m_nMarkers;
        summary.nNewMarkers = m_nMarkers - m_nMarkersAtLast;
        m_nMarkersAtLast = m_nMarkers;
        summary.strNewLetters = (m_bLettersCut ? "..." : "") + m_strLetters;
        m_strLetters.clear();
        m_bLettersCut = false;
        written = m_writtenChannels;
    }
    for (int nBoard : CSimBoards::GetBoardNumbers()) {
        SimBoardState state;
        if (!CSimBoards::GetBoardState(nBoard, state)) continue;
        const SimProductProfile& profile = SimProfileFor(state.device.strProductName);
        RunSummaryBoard board;
        board.nBoard = nBoard;
        board.strProduct = state.device.strProductName;
        if (profile.nTtlPortType != 0) board.nTtlOut = CSimBoards::GetTtlOutputByte(nBoard);
        board.nTtlIn = CSimBoards::GetTtlInputByte(nBoard);
        const unsigned nWritten = written.count(nBoard) ? written[nBoard] : 0u;
        for (size_t ch = 0; ch < state.dacCodes.size() && ch < 32; ++ch) {
            if (!(nWritten & (1u << ch))) continue;
            RunSummaryChannel channel;
            channel.nChannel = static_cast<int>(ch);
            channel.nCode = state.dacCodes[ch];
            const int nRange = ch < state.dacRanges.size() ? state.dacRanges[ch] : -1;
            channel.dVolts = DacCodeVolts(nRange, channel.nCode, profile.nDacBits);
            board.channels.push_back(channel);
        }
        summary.boards.push_back(std::move(board));
    }
    summary.bLatencyShown = ReadLatencyTable(summary.latency);
    return summary;
}

// ---------------------------------------------------------------------------------------------------------
// The user

CHeadlessUserAgent::CHeadlessUserAgent(std::function<void(const CUserEvent&)> pfnReport)
    : m_pfnReport(std::move(pfnReport)) {}

int CHeadlessUserAgent::ShowMessageBox(CUserEvent& box) {
    const bool bQuitting = m_bQuit && box.strText.Str() == kQuitQuestion;
    if (bQuitting) {
        // Yes at once: a box open for no time handles nothing, so a backlog in the queue of a program that
        // cannot keep up does not hold up its close.
        box.nResult = IDYES;
        if (m_pfnReport) m_pfnReport(box);
        return IDYES;
    }
    if (CUserAgent* pPerson = m_pPerson.load()) return pPerson->ShowMessageBox(box);
    const int nResult = AfxGetScriptedUserAgent().ShowMessageBox(box);
    if (m_pfnReport) m_pfnReport(box);
    return nResult;
}

void CHeadlessUserAgent::AnswerNextFileDialog(std::string strPath) {
    std::lock_guard<std::mutex> lock(m_fileMutex);
    m_filePaths.push_back(std::move(strPath));
}

int CHeadlessUserAgent::ShowFileDialog(CUserEvent& dlg) {
    std::string strPath;
    {
        std::lock_guard<std::mutex> lock(m_fileMutex);
        if (!m_filePaths.empty()) {
            strPath = std::move(m_filePaths.front());
            m_filePaths.pop_front();
        }
    }
    if (!strPath.empty()) {
        // The framework's agent answers with the path; boxes are shown on this thread only, so the answer
        // queued here is the one this dialog takes.
        AfxGetScriptedUserAgent().QueueFile(strPath.c_str());
        const int nResult = AfxGetScriptedUserAgent().ShowFileDialog(dlg);
        if (m_pfnReport) m_pfnReport(dlg);
        return nResult;
    }
    if (CUserAgent* pPerson = m_pPerson.load()) return pPerson->ShowFileDialog(dlg);
    const int nResult = AfxGetScriptedUserAgent().ShowFileDialog(dlg);
    if (m_pfnReport) m_pfnReport(dlg);
    return nResult;
}

// ---------------------------------------------------------------------------------------------------------
// The user's menu choices

BOOL FindMenuItemByPath(HMENU hMenu, std::string_view strPath, UINT& nId, std::string& strShown,
                        std::string& strWhy) {
    strShown.clear();
    strWhy.clear();
    if (hMenu == nullptr) {
        strWhy = "the window has no menu";
        return FALSE;
    }
    size_t nStart = 0;
    for (;;) {
        const size_t nEnd = strPath.find('>', nStart);
        const std::string_view part =
            strPath.substr(nStart, nEnd == std::string_view::npos ? nEnd : nEnd - nStart);
        // What the user typed: as it reads, or with the menu's own '&' marks.
        const std::string strWanted = MenuText(part, true, false);
        const std::string strWantedMarked = MenuText(part, true);
        const int nCount = GetMenuItemCount(hMenu);
        int nPos = -1;
        std::string strText;
        for (int i = 0; i < nCount && nPos < 0; ++i) {
            char szText[256] = {};
            GetMenuStringA(hMenu, static_cast<UINT>(i), szText, sizeof szText, MF_BYPOSITION);
            const std::string strFolded = MenuText(szText, true);
            if (szText[0] != '\0' && (strFolded == strWanted || strFolded == strWantedMarked)) {
                nPos = i;
                strText = MenuText(szText, false);
            }
        }
        const std::string strSoFar = strShown + (strShown.empty() ? "" : ">");
        if (nPos < 0) {
            strWhy = "no menu item \"" + std::string(part) + "\" in " +
                     (strShown.empty() ? std::string("the menu bar") : strShown);
            return FALSE;
        }
        strShown = strSoFar + strText;
        HMENU hSub = GetSubMenu(hMenu, nPos);
        if (nEnd == std::string_view::npos) {
            if (hSub != nullptr) {
                strWhy = strShown + " is a menu, not an item";
                return FALSE;
            }
            nId = GetMenuItemID(hMenu, nPos);
            return TRUE;
        }
        if (hSub == nullptr) {
            strWhy = strShown + " is an item, not a menu";
            return FALSE;
        }
        hMenu = hSub;
        nStart = nEnd + 1;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Typing into an edit

namespace {

std::string ClassOf(HWND hWnd) {
    char szClass[32] = {};
    GetClassNameA(hWnd, szClass, sizeof szClass);
    return szClass;
}

std::string TextOf(HWND hWnd) {
    char szText[256] = {};
    GetWindowTextA(hWnd, szText, sizeof szText);
    return szText;
}

bool IsGroupBox(HWND hWnd) {
    return ClassOf(hWnd) == "Button" && (GetWindowLong(hWnd, GWL_STYLE) & 0x0F) == BS_GROUPBOX;
}

struct EditSearch {
    std::string strBoxKey;  // empty: no box named
    std::string strLabelKey;
    bool bBoxIsWindow = false;  // the box named is the window searched
    std::vector<HWND> boxes;
    std::vector<HWND> labels;
    std::vector<HWND> statics;  // every static with a text, the labels among them
    std::vector<HWND> edits;
};

BOOL CALLBACK CollectForEdit(HWND hWnd, LPARAM lParam) {
    auto* pSearch = reinterpret_cast<EditSearch*>(lParam);
    if (!IsWindowVisible(hWnd)) return TRUE;
    const std::string strClass = ClassOf(hWnd);
    if (strClass == "Edit") {
        if (IsWindowEnabled(hWnd)) pSearch->edits.push_back(hWnd);
    } else if (strClass == "Static") {
        const std::string strKey = CaptionKey(TextOf(hWnd));
        if (!strKey.empty()) pSearch->statics.push_back(hWnd);
        if (strKey == pSearch->strLabelKey) pSearch->labels.push_back(hWnd);
    } else if (!pSearch->strBoxKey.empty() && IsGroupBox(hWnd)) {
        if (CaptionKey(TextOf(hWnd)) == pSearch->strBoxKey) pSearch->boxes.push_back(hWnd);
    }
    return TRUE;
}

bool Inside(const RECT& rcInner, const RECT& rcOuter) {
    return rcInner.left >= rcOuter.left && rcInner.right <= rcOuter.right && rcInner.top >= rcOuter.top &&
           rcInner.bottom <= rcOuter.bottom;
}

// How far the edit is from the label when it is where a label names it (right of it on its row, or below
// it in its columns); -1 when it is not.
long LabelDistance(const RECT& rcLabel, const RECT& rcEdit) {
    const bool bRowOverlap = rcEdit.top < rcLabel.bottom && rcEdit.bottom > rcLabel.top;
    const bool bColumnOverlap = rcEdit.left < rcLabel.right && rcEdit.right > rcLabel.left;
    if (bRowOverlap && rcEdit.left >= rcLabel.left) return std::max<long>(0, rcEdit.left - rcLabel.right);
    if (bColumnOverlap && rcEdit.top >= rcLabel.top) return std::max<long>(0, rcEdit.top - rcLabel.bottom);
    return -1;
}

}  // namespace

HWND FindEditByLabel(HWND hWindow, std::string_view strName, std::string& strWhy) {
    strWhy.clear();
    if (hWindow == nullptr) {
        strWhy = "no window can be reached";
        return nullptr;
    }
    EditSearch search;
    const size_t nGt = strName.rfind('>');
    search.strLabelKey = CaptionKey(nGt == std::string_view::npos ? strName : strName.substr(nGt + 1));
    if (nGt != std::string_view::npos) {
        search.strBoxKey = CaptionKey(strName.substr(0, nGt));
        search.bBoxIsWindow = CaptionKey(TextOf(hWindow)) == search.strBoxKey;
    }
    EnumChildWindows(hWindow, CollectForEdit, reinterpret_cast<LPARAM>(&search));
    if (!search.strBoxKey.empty() && !search.bBoxIsWindow) {
        // Only the labels inside a box of that caption, in the box's own window.
        std::vector<HWND> inBoxes;
        for (HWND hLabel : search.labels) {
            RECT rcLabel{};
            GetWindowRect(hLabel, &rcLabel);
            for (HWND hBox : search.boxes) {
                RECT rcBox{};
                GetWindowRect(hBox, &rcBox);
                if (GetParent(hBox) == GetParent(hLabel) && Inside(rcLabel, rcBox)) {
                    inBoxes.push_back(hLabel);
                    break;
                }
            }
        }
        if (search.boxes.empty()) {
            strWhy = "no group box \"" + std::string(strName.substr(0, nGt)) + "\" can be seen";
            return nullptr;
        }
        search.labels = std::move(inBoxes);
    }
    std::vector<HWND> found;
    for (HWND hLabel : search.labels) {
        RECT rcLabel{};
        GetWindowRect(hLabel, &rcLabel);
        HWND hBest = nullptr;
        long nBest = -1;
        for (HWND hEdit : search.edits) {
            if (GetParent(hEdit) != GetParent(hLabel)) continue;
            RECT rcEdit{};
            GetWindowRect(hEdit, &rcEdit);
            const long nDistance = LabelDistance(rcLabel, rcEdit);
            if (nDistance >= 0 && (nBest < 0 || nDistance < nBest)) {
                nBest = nDistance;
                hBest = hEdit;
            }
        }
        if (hBest == nullptr || std::find(found.begin(), found.end(), hBest) != found.end()) continue;
        // A text clearly nearer to that edit (at most half as far) is its label, not this one: LED 7's
        // on-time lies right below "7" and further below the LED number "6".
        RECT rcBest{};
        GetWindowRect(hBest, &rcBest);
        const bool bNearer = std::any_of(search.statics.begin(), search.statics.end(), [&](HWND hOther) {
            if (hOther == hLabel || GetParent(hOther) != GetParent(hBest)) return false;
            RECT rcOther{};
            GetWindowRect(hOther, &rcOther);
            const long nDistance = LabelDistance(rcOther, rcBest);
            return nDistance >= 0 && nDistance * 2 < nBest;
        });
        if (!bNearer) found.push_back(hBest);
    }
    if (found.size() == 1) return found.front();
    if (found.empty()) {
        strWhy = search.labels.empty() ? "no label of that caption can be seen"
                                       : "no enabled edit next to that label can be seen";
    } else {
        strWhy = std::to_string(found.size()) +
                 " edits have that label; name the group box too, as BOX>LABEL (e.g. \"Channel 0>Min\")";
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------------
// The texts of the controls

std::string ControlPlace(HWND hWnd) {
    std::string strBoxes;
    HWND hTop = hWnd;
    while ((GetWindowLong(hTop, GWL_STYLE) & WS_CHILD) != 0) {
        const HWND hParent = GetParent(hTop);
        if (hParent == nullptr) break;
        hTop = hParent;
        if ((GetWindowLong(hParent, GWL_STYLE) & WS_CHILD) == 0 || !TextOf(hParent).empty()) continue;
        for (HWND hChild = GetWindow(hParent, GW_CHILD); hChild != nullptr;
             hChild = GetWindow(hChild, GW_HWNDNEXT)) {
            if (IsGroupBox(hChild)) {
                strBoxes = ">" + TextOf(hChild) + strBoxes;
                break;
            }
        }
    }
    return TextOf(hTop) + strBoxes + "/" + std::to_string(GetDlgCtrlID(hWnd));
}

CRunTextTrace::CRunTextTrace(std::function<void(std::string_view)> pfnReport)
    : m_pfnReport(std::move(pfnReport)) {}

void CRunTextTrace::ReportText(HWND hWnd, std::string_view text) {
    m_pfnReport("text " + EscapeTraceText(ControlPlace(hWnd)) + " \"" + EscapeTraceText(text) + "\"");
}

void CRunTextTrace::OnWindowTextChanged(HWND hWnd, std::string_view text) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shown[hWnd] = std::string(text);
    }
    ReportText(hWnd, text);
}

void CRunTextTrace::OnControlTextDrawn(HWND hWnd, std::string_view text) {
    // A window's own text is read outside the lock: on its thread that is a message to it.
    bool bKnown = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_shown.find(hWnd);
        if (it != m_shown.end()) {
            if (it->second == text) return;
            it->second = std::string(text);
            bKnown = true;
        }
    }
    if (!bKnown) {
        const std::string strOwn = TextOf(hWnd);
        std::lock_guard<std::mutex> lock(m_mutex);
        const bool bSame = strOwn == text;
        m_shown[hWnd] = std::string(text);
        if (bSame) return;
    }
    ReportText(hWnd, text);
}

// ---------------------------------------------------------------------------------------------------------
// Screenshots

std::vector<std::string> WriteRunScreenshots(const std::string& strFolder, std::string& strWhy) {
    strWhy.clear();
    std::error_code ec;
    std::filesystem::create_directories(strFolder, ec);
    if (ec) {
        strWhy = ec.message();
        return {};
    }
    std::vector<std::string> paths = AfxWriteScreenshots(AfxTakeScreenSnapshot(), strFolder);
    if (paths.empty()) strWhy = "no visible window could be written";
    return paths;
}

// ---------------------------------------------------------------------------------------------------------
// The run

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

LONGLONG CRunSession::OnPressTimer(LONGLONG nNowUs, HWND hMain) {
    const UserMenuChoice& press = m_options.choices[m_nNextChoice];
    const LONGLONG nAtUs = m_nStartUs + static_cast<LONGLONG>(press.dAtSeconds * kMicrosPerSecond);
    if (nNowUs < nAtUs) return nAtUs;
    if (m_nPressGiveUpUs < 0) m_nPressGiveUpUs = nNowUs + kPressGiveUpUs;
    const std::string strCaption = "\"" + EscapeTraceText(press.strPath) + "\"";
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
    ++m_nNextChoice;
    m_nPressGiveUpUs = -1;
    m_nChoiceAtUs = nNowUs + kChoiceSpacingUs;
    return m_nNextChoice < m_options.choices.size() ? m_nChoiceAtUs : -1;
}

LONGLONG CRunSession::OnTypeTimer(LONGLONG nNowUs, HWND hMain) {
    const UserMenuChoice& type = m_options.choices[m_nNextChoice];
    const LONGLONG nAtUs = m_nStartUs + static_cast<LONGLONG>(type.dAtSeconds * kMicrosPerSecond);
    if (nNowUs < nAtUs) return nAtUs;
    if (m_nPressGiveUpUs < 0) m_nPressGiveUpUs = nNowUs + kPressGiveUpUs;
    const std::string strLabel = "\"" + EscapeTraceText(type.strPath) + "\"";
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
    ++m_nNextChoice;
    m_nPressGiveUpUs = -1;
    m_nChoiceAtUs = nNowUs + kChoiceSpacingUs;
    return m_nNextChoice < m_options.choices.size() ? m_nChoiceAtUs : -1;
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
