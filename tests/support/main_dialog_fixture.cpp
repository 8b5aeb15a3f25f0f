#include "support/main_dialog_fixture.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/tessaro_app.h"
#include "app/text_helpers.h"
#include "board/board_errors.h"
#include "board/discovery.h"
#include "engine/analog_output.h"
#include "engine/ttl_output.h"
#include "hostlink/host_notification.h"
#include "platform/hostlib/sim_host.h"
#include "platform/win/clock_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/user_agent_testing.h"
#include "resources/resource.h"
#include "support/platform_reset.h"

void ResetProgramGlobals() {
    ResetBoardGlobals();
    ResetEngineGlobals();
    ResetHostLinkGlobals();
    ResetAppGlobals();
}

void MainDialogFixture::SetUp() {
    ASSERT_TRUE(m_workDir.Enter());
    m_strWorkDir = m_workDir.Path();

    ResetSimulatedPlatform();

    theApp.m_bHostInterfaceDisabled = FALSE;
    theApp.m_bUiUpdatesDisabled = FALSE;
    ResetProgramGlobals();

    m_pDlg = std::make_unique<CBareMainDialog>();
    m_pDlg->SetParameterDefaults();
    ASSERT_TRUE(m_pDlg->Create(IDD_TESSARO_DIALOG, nullptr));
    m_pDlg->m_pMessageLine = m_pDlg->GetDlgItem(IDC_MESSAGE_LINE);
    m_pDlg->m_pBoardLabel = m_pDlg->GetDlgItem(IDC_BOARD_LABEL);
    m_pDlg->m_pTtlOutputLine = m_pDlg->GetDlgItem(IDC_TTL_OUTPUT);
    m_pDlg->m_pTtlInputLine = m_pDlg->GetDlgItem(IDC_TTL_INPUT);
    ASSERT_NE(nullptr, m_pDlg->m_pMessageLine);
    m_pDlg->m_pMessageLine->SetWindowText("");
}

void MainDialogFixture::TearDown() {
    ClearChannelLinks();
    if (m_pDlg && m_pDlg->GetSafeHwnd() != nullptr) m_pDlg->DestroyWindow();
    m_pDlg.reset();
    SimHost().Reset();
    CSimBoards::Reset();
    CWinSimulation::Reset();
    ResetProgramGlobals();
    m_workDir.Leave();
}

void ProgramRunFixture::SetUp() {
    MainDialogFixture::SetUp();
    m_pDlg->DestroyWindow();
    m_pDlg.reset();
    g_pMainDlg = nullptr;
    theApp.m_pInterAppWnd = nullptr;
    theApp.m_hInterAppWnd = nullptr;
    std::filesystem::create_directory("Settings");
    FailTestOnStalledLoop(5000);
}

void ProgramRunFixture::TearDown() {
    CMessageLoopTesting::SetStallHandler({});
    MainDialogFixture::TearDown();
}

void MainDialogFixture::AttachDevices(const std::string& strList) {
    std::string strError;
    ASSERT_TRUE(CSimBoards::SetAttachedDevices(strList, strError)) << strError;
}

void MainDialogFixture::Discover() {
    m_pDlg->InitUniversalLibrary();
    m_pDlg->SetBoardErrorHandling(FALSE);
    m_pDlg->MCL_determineBoards();
}

void MainDialogFixture::UseBoard(int nIndex) {
    const CapabilitiesRecord& rec = g_CapabilitiesRecords[nIndex];
    g_Params.nBoardIndex = nIndex;
    g_Params.nBoardMenuId = ID_BOARD_FIRST + nIndex;
    g_Params.nBoardNum = rec.nBoardNum;
    m_pDlg->m_nBoardFamily = rec.nFamily;
    m_pDlg->m_nBoardAnalogChannels = rec.nAnalogChannels;
    m_pDlg->m_nChannels = rec.nAnalogChannels;
    m_pDlg->m_bSimulatedBoard = std::strcmp(rec.szName, SIMULATED_BOARD_NAME) == 0;
}

std::string MainDialogFixture::WindowText(int nId) const {
    return WindowText(m_pDlg->GetDlgItem(nId));
}

std::string MainDialogFixture::WindowText(CWnd* pWnd) {
    if (pWnd == nullptr) return "<no window>";
    CString strText;
    pWnd->GetWindowText(strText);
    return std::string(static_cast<const char*>(strText));
}

std::vector<std::string> MainDialogFixture::HostLog() {
    std::vector<std::string> lines;
    for (const SimHostLogLine& line : SimHost().LogLines()) lines.push_back(line.strText);
    return lines;
}

std::vector<SimCallRecord> MainDialogFixture::Calls(const std::string& strName) {
    std::vector<SimCallRecord> calls;
    for (const SimCallRecord& rec : CSimBoards::GetCallLog())
        if (rec.strName == strName) calls.push_back(rec);
    return calls;
}
