#include "fuzz/fuzz_run.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iterator>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "app/app_globals.h"
#include "app/channel_panel.h"
#include "app/sysinfo_window.h"
#include "app/tessaro_app.h"
#include "app/text_helpers.h"
#include "board/board_errors.h"
#include "board/board_globals.h"
#include "board/discovery.h"
#include "engine/analog_output.h"
#include "engine/engine_globals.h"
#include "engine/frame_processing.h"
#include "engine/parameter_block.h"
#include "engine/parameter_file.h"
#include "engine/periodic_tick.h"
#include "engine/ttl_burst.h"
#include "engine/ttl_inputs.h"
#include "engine/ttl_output.h"
#include "hostlink/host_notification.h"
#include "hostlink/hostlink_globals.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/sim_control.h"
#include "platform/win/clock_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/snapshot.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/user_agent_testing.h"
#include "resources/resource.h"
#include "support/platform_reset.h"

namespace {

constexpr LONGLONG kFrameUs = 1000000 / kSimHostDefaultFrameRate;

// Every global of the program and the application object's run state, as a new process starts them.
void ResetRunGlobals() {
    ResetBoardGlobals();
    ResetEngineGlobals();
    ResetHostLinkGlobals();
    ResetAppGlobals();
    theApp.m_pMainWnd = nullptr;
    theApp.m_pInterAppWnd = nullptr;
    theApp.m_hInterAppWnd = nullptr;
    theApp.m_nInterAppMsg = 0;
    theApp.m_nNotificationCount = 0;
    theApp.m_nMessageListLength = 0;
    theApp.m_nMessagePostCount = 0;
    theApp.m_nNotificationDelayMs = 0;
    theApp.m_bAdvancedUnlocked = FALSE;
    theApp.m_bHostInterfaceDisabled = FALSE;
    theApp.m_bUiUpdatesDisabled = FALSE;
    theApp.m_bPulseGeneratorEnabled = FALSE;
}

// The platform and the simulations as MainDialogFixture::SetUp leaves them, without its bare dialog.
std::vector<std::string>& Observations() {
    static std::vector<std::string>* p = new std::vector<std::string>;
    return *p;
}

// What the finished run showed, while the simulations still hold it.
[[maybe_unused]] void ObserveRun() {
    for (const SimHostCommand& command : SimHost().Commands()) NoteFuzzObservation("host " + command.strText);
    for (const SimCallRecord& call : CSimBoards::GetCallLog()) {
        std::string strLine = "ul " + call.strName + "(";
        for (const std::string& strArg : call.args) strLine += strArg + ",";
        NoteFuzzObservation(strLine + ") = " + std::to_string(call.nResult));
    }
    for (const CUserEvent& ev : CRecordingUserAgentTesting::Events(AfxGetScriptedUserAgent()))
        NoteFuzzObservation("box " + std::to_string(ev.nKind) + " " + ev.strText.Str() + " = " +
                            std::to_string(ev.nResult));
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("Settings", ec)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string strBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // A file of another name (a copy named by the time it was made, say) counts by its content only.
        std::string strName = entry.path().filename().string();
        if (strName != "TessaroParams.prm" && strName != "Saved.prm") strName = "(other)";
        files.push_back("file " + strName + " " + std::to_string(strBytes.size()) + " " +
                        std::to_string(std::hash<std::string>{}(strBytes)));
    }
    std::sort(files.begin(), files.end());
    for (std::string& strFile : files) NoteFuzzObservation(std::move(strFile));
}

// Every window's class, id, visibility and text, children indented under their parent.
void ObserveWindow(const CWindowSnapshot& wnd, const std::string& strIndent) {
    NoteFuzzObservation(strIndent + "window " + wnd.strClass + " " + std::to_string(wnd.nID) +
                        (wnd.bVisible ? " visible " : " hidden ") + wnd.strText);
    for (const CWindowSnapshot& child : wnd.children) ObserveWindow(child, strIndent + " ");
}

[[maybe_unused]] void ObserveWindows() {
    for (const CWindowSnapshot& wnd : AfxTakeScreenSnapshot().windows) ObserveWindow(wnd, "");
}

}  // namespace

void ClearFuzzObservations() {
    Observations().clear();
}

void NoteFuzzObservation(std::string strLine) {
    Observations().push_back(std::move(strLine));
}

const std::vector<std::string>& FuzzObservations() {
    return Observations();
}

std::uint8_t CFuzzBytes::Byte() {
    if (m_nLeft == 0) return 0;
    --m_nLeft;
    return *m_pData++;
}

std::uint16_t CFuzzBytes::Word() {
    const std::uint16_t nLow = Byte();
    return static_cast<std::uint16_t>(nLow | (Byte() << 8));
}

std::uint32_t CFuzzBytes::DWord() {
    const std::uint32_t nLow = Word();
    return nLow | (static_cast<std::uint32_t>(Word()) << 16);
}

float CFuzzBytes::Float() {
    const std::uint32_t nBits = DWord();
    float f = 0.0f;
    std::memcpy(&f, &nBits, sizeof f);
    return f;
}

void CFuzzProgramRun::Begin() {
    ClearFuzzObservations();
    if (!m_workDir.Enter("tessaro-fuzz")) FuzzFail("cannot make the working folder");
    std::error_code ec;
    if (!std::filesystem::create_directory("Settings", ec)) FuzzFail("cannot make the Settings folder");
    ResetSimulatedPlatform();
    ResetRunGlobals();
    SimHost().SetPostFunction([](HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
        return PostMessage(hWnd, nMessage, wParam, lParam);
    });
    m_nHostHook = CClock::AddTimeHook([](LONGLONG nNowUs) {
        SimHost().Pump();
        return nNowUs + kFrameUs;
    });
    // On the manual clock nothing comes by itself: a loop that waits is a hang.
    CMessageLoopTesting::SetStallHandler(
        []() -> bool { FuzzFail("a message loop waited with nothing to do"); });
}

void CFuzzProgramRun::End() {
    if (m_nHostHook != 0) CClock::RemoveTimeHook(m_nHostHook);
    m_nHostHook = 0;
#ifdef TESSARO_FUZZ_REPLAY
    ObserveRun();  // only the replay test compares runs; fuzzing saves the time
#endif
    CMessageLoopTesting::SetStallHandler({});
    theApp.m_pMainWnd = nullptr;
    ClearChannelLinks();
    SimHost().Reset();
    CSimBoards::Reset();
    CWinSimulation::Reset();
    m_workDir.Leave();
}

void CFuzzProgramRun::AttachDevices(const char* pszList) {
    std::string strError;
    if (!CSimBoards::SetAttachedDevices(pszList, strError))
        FuzzFail("the simulation refused the boards: " + strError);
}

int CFuzzProgramRun::Run(const std::function<bool(CTessaro2010Dlg&, int)>& pfnStep) {
    char szProgram[] = "TessaroPro";
    char* argv[] = {szProgram, nullptr};
    int nStep = 0;
    int nClosePresses = 0;
    const UINT_PTR hook = CMessageLoop::AddIdleHook([&] {
        CTessaro2010Dlg* pDlg = g_pMainDlg;
        if (pDlg == nullptr || pDlg->GetSafeHwnd() == nullptr || !pDlg->IsWindowVisible() || pDlg->m_bClosing)
            return;
        // A step that leaves nothing to do (no message posted, nothing due) is followed by the next one
        // at once, so that the loop never waits.
        while (nClosePresses == 0 && !CMessageLoop::HasPending()) {
            if (pfnStep(*pDlg, nStep++)) continue;
            // The queue is empty at an idle moment, so a close that did not end the run was refused (a
            // window over the dialog): the user tries again, by the close box and by Escape in turn.
            break;
        }
        if (nClosePresses == 0 && CMessageLoop::HasPending()) return;
#ifdef TESSARO_FUZZ_REPLAY
        if (nClosePresses == 0) ObserveWindows();  // what the user saw at the end
#endif
        if (++nClosePresses > 20) FuzzFail("the main dialog does not close");
        if (nClosePresses % 2 == 1)
            AfxUserClose(pDlg->GetSafeHwnd());
        else
            AfxUserPressEscape(pDlg->GetSafeHwnd());
    });
    const int nResult = AfxWinMain(1, argv);
    CMessageLoop::RemoveIdleHook(hook);
    if (g_pMainDlg != nullptr) FuzzFail("the main dialog is still named after the run");
    return nResult;
}

bool WriteFuzzFile(const char* pszPath, const std::uint8_t* pData, std::size_t nSize) {
    std::ofstream out(pszPath, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(pData), static_cast<std::streamsize>(nSize));
    return static_cast<bool>(out.flush());
}

long FuzzFileSize(const char* pszPath) {
    struct stat st {};
    if (::stat(pszPath, &st) != 0) return -1;
    return static_cast<long>(st.st_size);
}

void FuzzFail(const std::string& strWhat) {
    std::fprintf(stderr, "==fuzz== %s\n", strWhat.c_str());
    std::fflush(stderr);
    std::abort();
}
