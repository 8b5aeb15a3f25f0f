#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/channel_panel.h"
#include "app/sysinfo_window.h"
#include "app/tessaro_app.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/hostlib/sim_host.h"
#include "platform/win/clock_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/user_agent_testing.h"
#include "platform/win/window_testing.h"
#include "support/main_dialog_fixture.h"
#include "support/win_fixture.h"

namespace {

// The bare main dialog, recording what reaches its window procedure after the message filter.
class CRecordingMainDialog : public CBareMainDialog {
  public:
    std::vector<MSG> m_msgs;
    int Count(UINT message, WPARAM wParam) const {
        int n = 0;
        for (const MSG& m : m_msgs) n += (m.message == message && m.wParam == wParam) ? 1 : 0;
        return n;
    }

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        m_msgs.push_back(MSG{m_hWnd, message, wParam, lParam, 0, {0, 0}});
        return CBareMainDialog::WindowProc(message, wParam, lParam);
    }
};

class Commands : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        // The fixture's dialog, remade as a recording one (same set-up).
        m_pDlg->DestroyWindow();
        m_pDlg = std::make_unique<CRecordingMainDialog>();
        m_pDlg->SetParameterDefaults();
        ASSERT_TRUE(m_pDlg->Create(IDD_TESSARO_DIALOG, nullptr));
        m_pDlg->m_pMessageLine = m_pDlg->GetDlgItem(IDC_MESSAGE_LINE);
        m_pDlg->m_pBoardLabel = m_pDlg->GetDlgItem(IDC_BOARD_LABEL);
        m_pDlg->m_pTtlOutputLine = m_pDlg->GetDlgItem(IDC_TTL_OUTPUT);
        m_pDlg->m_pTtlInputLine = m_pDlg->GetDlgItem(IDC_TTL_INPUT);
        m_pDlg->m_nRedrawMsg = RegisterWindowMessage("RedrawChannelDialogs");
        m_nOldCount = theApp.m_nNotificationCount;
        m_hOldInfo = g_hSysInfoWnd;
    }
    void TearDown() override {
        AfxSetUserAgent(nullptr);
        theApp.m_nNotificationCount = m_nOldCount;
        g_hSysInfoWnd = m_hOldInfo;
        MainDialogFixture::TearDown();
    }

    CRecordingMainDialog& Rec() { return static_cast<CRecordingMainDialog&>(*m_pDlg); }
    HWND Dlg() const { return m_pDlg->GetSafeHwnd(); }
    HWND Item(int nId) const { return ::GetDlgItem(Dlg(), nId); }
    static int Pump() { return CMessageLoop::RunUntilIdle(); }
    bool Choose(UINT nId) { return AfxUserChooseMenu(Dlg(), nId) != FALSE; }
    bool Checked(UINT nId) const {
        return (::GetMenuState(::GetMenu(Dlg()), nId, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    void StartWith(const std::string& strDevices, int nIndex = 0) {
        AttachDevices(strDevices);
        Discover();
        ASSERT_TRUE(Choose(static_cast<UINT>(ID_BOARD_FIRST + nIndex)));
    }
    static int Boxes(const std::string& strText) {
        int n = 0;
        for (const CUserEvent& box : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
            n += box.strText.Str() == strText;
        return n;
    }

    int m_nOldCount = 0;
    HWND m_hOldInfo = nullptr;
};

TEST_F(Commands, TheFilterConsumesSizingAndTheSideEdgesButNotTopAndBottom) {
    for (UINT nHit : {HTLEFT, HTRIGHT, HTTOP, HTTOPLEFT, HTTOPRIGHT, HTBOTTOM, HTBOTTOMLEFT, HTBOTTOMRIGHT})
        ASSERT_TRUE(AfxUserNcMouseMove(Dlg(), nHit));
    EXPECT_EQ(0, Rec().Count(WM_NCMOUSEMOVE, HTRIGHT));
    EXPECT_EQ(0, Rec().Count(WM_NCMOUSEMOVE, HTLEFT));
    EXPECT_EQ(0, Rec().Count(WM_NCMOUSEMOVE, HTTOPLEFT));
    EXPECT_EQ(0, Rec().Count(WM_NCMOUSEMOVE, HTBOTTOMRIGHT));
    EXPECT_EQ(1, Rec().Count(WM_NCMOUSEMOVE, HTTOP));
    EXPECT_EQ(1, Rec().Count(WM_NCMOUSEMOVE, HTBOTTOM));

    Rec().m_msgs.clear();
    // The other queued mouse messages compare their wParam with the same codes; the cursor message its
    // hit-test code.
    ::PostMessage(Dlg(), WM_NCMOUSEHOVER, HTBOTTOMLEFT, 0);
    ::PostMessage(Dlg(), WM_MOUSEMOVE, HTRIGHT, 0);
    ::PostMessage(Dlg(), WM_MOUSEMOVE, MK_LBUTTON, 0);
    ::PostMessage(Dlg(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Dlg()), MAKELPARAM(HTTOPRIGHT, WM_MOUSEMOVE));
    ::PostMessage(Dlg(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Dlg()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    Pump();
    EXPECT_EQ(0, Rec().Count(WM_NCMOUSEHOVER, HTBOTTOMLEFT));
    EXPECT_EQ(0, Rec().Count(WM_MOUSEMOVE, HTRIGHT));
    EXPECT_EQ(1, Rec().Count(WM_MOUSEMOVE, MK_LBUTTON));
    EXPECT_EQ(1, Rec().Count(WM_SETCURSOR, reinterpret_cast<WPARAM>(Dlg())));

    ::PostMessage(Dlg(), WM_SIZING, WMSZ_BOTTOM, 0);
    Pump();
    EXPECT_EQ(0, Rec().Count(WM_SIZING, WMSZ_BOTTOM));
    const std::vector<CBeepRecord> beeps = CWinSimulationTesting::Beeps();
    ASSERT_EQ(1u, beeps.size());
    EXPECT_EQ(1000u, beeps[0].nFrequency);
    EXPECT_EQ(10u, beeps[0].nDuration);
}

TEST_F(Commands, ShowMsgCountTwiceRestoresItsCaption) {
    theApp.m_nNotificationCount = 42;
    ASSERT_TRUE(AfxUserClick(Item(IDC_SHOW_MSG_COUNT)));
    EXPECT_TRUE(m_pDlg->m_bShowMsgCount);
    EXPECT_EQ("42", WindowText(IDC_SHOW_MSG_COUNT));
    ASSERT_TRUE(AfxUserClick(Item(IDC_SHOW_MSG_COUNT)));
    EXPECT_FALSE(m_pDlg->m_bShowMsgCount);
    EXPECT_EQ("Show Msg Count", WindowText(IDC_SHOW_MSG_COUNT));
}

TEST_F(Commands, EachBoardMenuEntrySelectsThatBoard) {
    AttachDevices("PCI-DDA08/12:A1,PCI-DIO24:D1,USB-1208FS:F1");
    Discover();
    ASSERT_EQ(3, m_pDlg->m_nBoards);
    for (UINT nId : {4202u, 4201u, 4203u, 4200u, 4203u}) {
        ASSERT_TRUE(Choose(nId)) << nId;
        EXPECT_EQ(static_cast<int>(nId), g_Params.nBoardMenuId);
        EXPECT_EQ(static_cast<int>(nId) - ID_BOARD_FIRST, g_Params.nBoardIndex);
        for (UINT nOther = 4200; nOther <= 4203; ++nOther)
            EXPECT_EQ(nOther == nId, Checked(nOther)) << nOther;
    }
    EXPECT_STREQ("USB-1208FS", g_Params.szBoardName);
    EXPECT_EQ(2, m_pDlg->m_nChannels);

    // An id past the discovered boards is no Board menu command: nothing changes.
    ::PostMessage(Dlg(), WM_COMMAND, 4204, 0);
    Pump();
    EXPECT_EQ(4203, g_Params.nBoardMenuId);
    // The framework's command routing reaches the board too, whatever the notification code.
    EXPECT_TRUE(m_pDlg->OnCmdMsg(4201, static_cast<int>(CN_UPDATE_COMMAND_UI), nullptr, nullptr));
    EXPECT_EQ(0, g_Params.nBoardIndex);
}

TEST_F(Commands, TtlTestOffRestoresTheRoiCodeAtOnce) {
    StartWith("PCI-DDA08/12:A1");
    CRS_SendCommand("setROI_RealRect 1 0.40 0.40 0.60 0.60");
    SimHost().ForceGazePoint(0, 0.5f, 0.5f);
    const int nBoard = g_Params.nBoardNum;
    ASSERT_EQ(0, CSimBoards::GetTtlOutputByte(nBoard));

    ASSERT_TRUE(Choose(ID_TTL_TEST_MODE));
    EXPECT_TRUE(m_pDlg->m_bTtlTest);
    EXPECT_TRUE(Checked(ID_TTL_TEST_MODE));
    EXPECT_EQ("Digital I/O (TTL) --- Testing", WindowText(IDC_TTL_GROUP));
    EXPECT_EQ(0, CSimBoards::GetTtlOutputByte(nBoard));  // on: the outputs are the test timer's
    m_pDlg->TestTtlOutput();
    EXPECT_EQ(1, CSimBoards::GetTtlOutputByte(nBoard));

    ASSERT_TRUE(Choose(ID_TTL_TEST_MODE));
    EXPECT_FALSE(m_pDlg->m_bTtlTest);
    EXPECT_FALSE(Checked(ID_TTL_TEST_MODE));
    EXPECT_EQ("Digital I/O (TTL)", WindowText(IDC_TTL_GROUP));
    EXPECT_EQ(0x2, CSimBoards::GetTtlOutputByte(nBoard));
}

TEST_F(Commands, EdgeDetectionFollowsWhatTheBoardCanDo) {
    AttachDevices("PCI-DDA08/12:A1,PCI-DIO24:D1");
    Discover();
    ASSERT_TRUE(Choose(ID_BOARD_FIRST));
    // Grayed on a board without the interrupt; a stray command still leaves the option off.
    EXPECT_FALSE(Choose(ID_PULSE_EDGE_DETECTION));
    ::PostMessage(Dlg(), WM_COMMAND, ID_PULSE_EDGE_DETECTION, 0);
    Pump();
    EXPECT_FALSE(m_pDlg->m_bEnableTrigger);
    EXPECT_EQ(0, g_Params.bExternalInterrupt);
    EXPECT_FALSE(Checked(ID_PULSE_EDGE_DETECTION));

    ASSERT_TRUE(Choose(ID_BOARD_FIRST + 1));
    ASSERT_TRUE(Choose(ID_PULSE_EDGE_DETECTION));
    EXPECT_TRUE(m_pDlg->m_bEnableTrigger);
    EXPECT_TRUE(Checked(ID_PULSE_EDGE_DETECTION));
    ASSERT_TRUE(Choose(ID_PULSE_EDGE_DETECTION));
    EXPECT_FALSE(m_pDlg->m_bEnableTrigger);
    EXPECT_FALSE(Checked(ID_PULSE_EDGE_DETECTION));

    // The board refuses the event: the option stays off.
    ASSERT_TRUE(CSimBoards::FailCall("cbEnableEvent", 1, ESimFail::Always));
    ASSERT_TRUE(Choose(ID_PULSE_EDGE_DETECTION));
    EXPECT_FALSE(m_pDlg->m_bEnableTrigger);
    EXPECT_EQ(0, g_Params.bExternalInterrupt);
    EXPECT_FALSE(Checked(ID_PULSE_EDGE_DETECTION));
}

TEST_F(Commands, InformationShowsTheInfoWindowWhenThereIsOne) {
    g_hSysInfoWnd = nullptr;
    ASSERT_TRUE(Choose(ID_INFORMATION));  // nothing to show, nothing happens

    CRecordingWnd info;
    ASSERT_TRUE(info.CreateTopLevel(WS_POPUP));
    g_hSysInfoWnd = info.GetSafeHwnd();
    ASSERT_FALSE(::IsWindowVisible(g_hSysInfoWnd));
    ASSERT_TRUE(Choose(ID_INFORMATION));
    EXPECT_TRUE(::IsWindowVisible(g_hSysInfoWnd));
    EXPECT_EQ(g_hSysInfoWnd, ::GetTopWindow(nullptr));
    info.DestroyWindow();
    ASSERT_TRUE(Choose(ID_INFORMATION));  // a window that is gone is left alone
    g_hSysInfoWnd = nullptr;
}

TEST_F(Commands, ExitAsksBeforeClosing) {
    EXPECT_STREQ("Quit TessaroPro?                  ", kQuitQuestion);  // 18 blanks after the mark
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDNO);
    ASSERT_TRUE(Choose(ID_FILE_EXIT));
    EXPECT_EQ(1, Boxes(kQuitQuestion));
    EXPECT_FALSE(m_pDlg->m_bClosing);
    EXPECT_TRUE(::IsWindowVisible(Dlg()));
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDYES);
    ASSERT_TRUE(Choose(ID_FILE_EXIT));
    EXPECT_TRUE(m_pDlg->m_bClosing);
}

TEST_F(Commands, OptionCommandsToggleTheirSetters) {
    StartWith("PCI-DDA08/12:A1");
    const BOOL bRoi = g_Params.bRoiOutput;
    ASSERT_TRUE(Choose(ID_TTL_ROI_OUTPUT));
    EXPECT_NE(bRoi != 0, g_Params.bRoiOutput != 0);
    EXPECT_EQ(g_Params.bRoiOutput != 0, Checked(ID_TTL_ROI_OUTPUT));
    const BOOL bMarkers = g_Params.bTtlInputMarkers;
    ASSERT_TRUE(Choose(ID_TTL_INPUT_MARKERS));
    EXPECT_NE(bMarkers != 0, g_Params.bTtlInputMarkers != 0);
    ASSERT_TRUE(Choose(ID_TTL_HEX));
    EXPECT_EQ(ID_TTL_HEX, g_Params.nTtlRadixId);
    ASSERT_TRUE(Choose(ID_QUALITY_GLINT_GOOD));
    EXPECT_EQ(0, g_Params.nQualityThreshold);
    ASSERT_TRUE(Choose(ID_QUALITY_SCAN_FAILED));
    EXPECT_EQ(5, g_Params.nQualityThreshold);
}

// ---- The parameter file through the File menu ----

class ParameterCommands : public Commands {
  protected:
    CAnalogOutputChannel* Panel(int j) const { return m_pDlg->m_pChannelDlg[j]; }
    HWND PanelItem(int j, int nId) const { return ::GetDlgItem(Panel(j)->GetSafeHwnd(), nId); }
    std::string PanelText(int j, int nId) const {
        char sz[256] = {};
        ::GetWindowText(PanelItem(j, nId), sz, sizeof sz);
        return sz;
    }
    // A Source list without a selection: the stored code matches none of its entries.
    static constexpr std::int32_t kNoEntry = -1;
    bool IsSourceCode(int j, std::int32_t nCode) const {
        const HWND hSource = PanelItem(j, IDC_PANEL_SOURCE);
        const LRESULT n = ::SendMessage(hSource, CB_GETCOUNT, 0, 0);
        for (LRESULT k = 0; k < n; ++k)
            if (static_cast<std::int32_t>(
                    ::SendMessage(hSource, CB_GETITEMDATA, static_cast<WPARAM>(k), 0)) == nCode)
                return true;
        return false;
    }
    void ExpectSameSource(int j, std::int32_t nShown, std::int32_t nStored) const {
        if (nShown == kNoEntry) {
            EXPECT_FALSE(IsSourceCode(j, nStored)) << j;
        } else {
            EXPECT_EQ(nShown, nStored) << j;
        }
    }
    // What panel j shows, in the record's terms.
    struct Shown {
        std::int32_t nSignalCode;
        std::int32_t nRangeCode;
        std::int32_t nEye;
        BOOL bInvert;
        float fMin, fMax;
    };
    Shown PanelShows(int j) const {
        Shown s{};
        const HWND hSource = PanelItem(j, IDC_PANEL_SOURCE);
        const LRESULT nSource = ::SendMessage(hSource, CB_GETCURSEL, 0, 0);
        s.nSignalCode = nSource < 0 ? kNoEntry
                                    : static_cast<std::int32_t>(::SendMessage(
                                          hSource, CB_GETITEMDATA, static_cast<WPARAM>(nSource), 0));
        const LRESULT nRange = ::SendMessage(PanelItem(j, IDC_PANEL_RANGE), CB_GETCURSEL, 0, 0);
        s.nRangeCode = nRange >= 0 && nRange < RANGE_LIST_SIZE ? g_RangeListCodes[nRange] : -1;
        s.nEye = ::SendMessage(PanelItem(j, IDC_PANEL_EYE_B), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        s.bInvert = ::SendMessage(PanelItem(j, IDC_PANEL_INVERT), BM_GETCHECK, 0, 0) == BST_CHECKED;
        s.fMin = std::stof(PanelText(j, IDC_PANEL_MIN));
        s.fMax = std::stof(PanelText(j, IDC_PANEL_MAX));
        return s;
    }
    static ParameterBlock ReadFile(const std::string& strPath) {
        ParameterBlock block{};
        FILE* f = std::fopen(strPath.c_str(), "rb");
        EXPECT_NE(nullptr, f) << strPath;
        if (f == nullptr) return block;
        EXPECT_EQ(1u, std::fread(&block, sizeof block, 1, f));
        std::fclose(f);
        return block;
    }
    void EditPanels() {
        ASSERT_TRUE(AfxUserPickListEntry(PanelItem(0, IDC_PANEL_SOURCE), 5));
        ASSERT_TRUE(AfxUserPickListEntry(PanelItem(1, IDC_PANEL_SOURCE), 2));  // the saw-tooth
        ASSERT_TRUE(AfxUserPickListEntry(PanelItem(1, IDC_PANEL_RANGE), 3));
        ASSERT_TRUE(AfxUserClick(PanelItem(2, IDC_PANEL_INVERT)));
        ASSERT_TRUE(AfxUserClick(PanelItem(3, IDC_PANEL_EYE_B)));
        ASSERT_TRUE(AfxUserType(PanelItem(4, IDC_PANEL_MAX), "7.5"));
        ASSERT_TRUE(AfxUserType(PanelItem(4, IDC_PANEL_MIN), "-2.5"));
        ASSERT_TRUE(AfxUserClick(PanelItem(4, IDC_PANEL_SET)));
    }
};

TEST_F(ParameterCommands, ASaveStoresWhatThePanelsShowAndALoadRemakesThemFromTheFile) {
    StartWith("PCI-DDA08/12:A1");
    EditPanels();
    const std::string strPath = m_strWorkDir + "/edited.prm";
    AfxGetScriptedUserAgent().QueueFile(strPath.c_str());
    ASSERT_TRUE(Choose(ID_SAVE_PARAMETERS));
    EXPECT_EQ(1, Boxes("Parameters Saved.    "));

    const ParameterBlock saved = ReadFile(strPath);
    EXPECT_EQ(PARAMS_VERSION, saved.nVersion);
    EXPECT_STREQ("PCI-DDA08/12", saved.szBoardName);
    for (int j = 0; j < 8; ++j) {
        const Shown s = PanelShows(j);
        ExpectSameSource(j, s.nSignalCode, saved.nSignalCode[j]);
        EXPECT_EQ(s.nRangeCode, saved.range[j].nRangeCode) << j;
        EXPECT_EQ(s.nEye, saved.nEye[j]) << j;
        EXPECT_EQ(s.bInvert, saved.bInvert[j] != 0) << j;
        EXPECT_EQ(s.fMin, saved.fDomainMin[j]) << j;
        EXPECT_EQ(s.fMax, saved.fDomainMax[j]) << j;
    }
    EXPECT_EQ(0x150001, saved.nSignalCode[0]);
    EXPECT_EQ(7.5f, saved.fDomainMax[4]);
    EXPECT_EQ(-2.5f, saved.fDomainMin[4]);
    EXPECT_EQ(1, saved.nEye[3]);
    EXPECT_NE(0, saved.bInvert[2]);

    // Change every edited panel again, then load the file: the panels are made anew from it.
    ASSERT_TRUE(AfxUserPickListEntry(PanelItem(0, IDC_PANEL_SOURCE), 8));
    ASSERT_TRUE(AfxUserPickListEntry(PanelItem(1, IDC_PANEL_SOURCE), 9));
    ASSERT_TRUE(AfxUserClick(PanelItem(2, IDC_PANEL_INVERT)));
    ASSERT_TRUE(AfxUserClick(PanelItem(3, IDC_PANEL_EYE_A)));
    ASSERT_TRUE(AfxUserType(PanelItem(4, IDC_PANEL_MAX), "9"));
    ASSERT_TRUE(AfxUserClick(PanelItem(4, IDC_PANEL_SET)));
    ASSERT_TRUE(AfxUserClick(PanelItem(0, IDC_PANEL_EXPAND)));  // collapsed before the load
    ASSERT_EQ(0, m_pDlg->m_nSawToothChannels);

    AfxGetScriptedUserAgent().QueueFile(strPath.c_str());
    ASSERT_TRUE(Choose(ID_LOAD_PARAMETERS));
    for (int j = 0; j < 8; ++j) {
        ASSERT_NE(nullptr, Panel(j)) << j;
        EXPECT_TRUE(Panel(j)->m_bExpanded) << j;  // a new panel
        const Shown s = PanelShows(j);
        ExpectSameSource(j, s.nSignalCode, saved.nSignalCode[j]);
        EXPECT_EQ(saved.range[j].nRangeCode, s.nRangeCode) << j;
        EXPECT_EQ(saved.nEye[j], s.nEye) << j;
        EXPECT_EQ(saved.bInvert[j] != 0, s.bInvert) << j;
        EXPECT_EQ(saved.fDomainMin[j], s.fMin) << j;
        EXPECT_EQ(saved.fDomainMax[j], s.fMax) << j;
        EXPECT_EQ(g_ChannelLinks.pValueText[j], Panel(j)->GetDlgItem(IDC_PANEL_VALUE)) << j;
    }
    EXPECT_EQ(1, m_pDlg->m_nSawToothChannels);
    EXPECT_EQ(20, [&] {
        CRect rc;
        Panel(0)->GetWindowRect(&rc);
        ::ScreenToClient(Item(IDC_ANALOG_GROUP), reinterpret_cast<POINT*>(&rc.left));
        return rc.top;
    }());
}

// ---- Menu commands in any order, at any time ----

TEST_F(Commands, ALoadAndABoardChangeChosenWhileAFrameShowsItsBoxAreSafe) {
    AttachDevices("PCI-DDA08/12:A1,PCI-DDA02/12:B1");
    Discover();
    ASSERT_TRUE(Choose(ID_BOARD_FIRST));
    const std::string strPath = m_strWorkDir + "/frame.prm";
    AfxGetScriptedUserAgent().QueueFile(strPath.c_str());
    ASSERT_TRUE(Choose(ID_SAVE_PARAMETERS));

    // The frame's input read fails. While its box is open the dialog is disabled, so the user's menu is
    // out of reach; commands that arrive all the same (posted before the box opened) load the file
    // (every panel is made anew) and then choose the two-channel board.
    ASSERT_TRUE(CSimBoards::FailCall("cbDIn", 1, ESimFail::Once));
    CUserAnswer answer;
    answer.pfnWhileOpen = [&] {
        EXPECT_FALSE(m_pDlg->IsWindowEnabled());
        EXPECT_FALSE(Choose(ID_LOAD_PARAMETERS));
        AfxGetScriptedUserAgent().QueueFile(strPath.c_str());
        m_pDlg->SendMessage(WM_COMMAND, ID_LOAD_PARAMETERS);
        m_pDlg->SendMessage(WM_COMMAND, ID_BOARD_FIRST + 1);
    };
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), std::move(answer));
    m_pDlg->OnHostNotification(0, MAKEWPARAM(0, 2), 0);
    Pump();
    EXPECT_TRUE(m_pDlg->IsWindowEnabled());
    EXPECT_EQ(1, Boxes(" TTL input port error during access.\n Error: -5 "));
    EXPECT_EQ(1, g_Params.nBoardIndex);
    EXPECT_EQ(2, m_pDlg->m_nChannels);
    for (int j = 0; j < 2; ++j) {
        ASSERT_NE(nullptr, m_pDlg->m_pChannelDlg[j]);
        EXPECT_EQ(m_pDlg->m_pChannelDlg[j]->GetDlgItem(IDC_PANEL_VALUE), g_ChannelLinks.pValueText[j]);
    }
    // The next frames run on the new board.
    m_pDlg->OnHostNotification(0, MAKEWPARAM(0, 2), 0);
    ASSERT_TRUE(Choose(ID_BOARD_FIRST + 1));
    m_pDlg->OnHostNotification(0, MAKEWPARAM(0, 2), 0);
    EXPECT_FALSE(m_pDlg->m_bBoardError);
}

// Answers every box as a user might: No to the quit question, a file in the work folder or Cancel to
// the file dialogs, OK to the rest; while a box is open it may choose further menu commands.
class CPlayfulUser : public CUserAgent {
  public:
    std::function<void()> m_pfnWhileOpen;
    std::string m_strFile;
    int m_nBoxes = 0;
    int m_nDepth = 0;
    unsigned m_nSeed = 1;

    unsigned Next() {
        m_nSeed = m_nSeed * 1103515245u + 12345u;
        return (m_nSeed >> 16) & 0x7FFF;
    }
    int ShowMessageBox(CUserEvent& box) override {
        ++m_nBoxes;
        WhileOpen();
        if (box.strText.Str() == kQuitQuestion) return IDNO;
        return CScriptedUserAgentTesting::DefaultAnswer(box.nType);
    }
    int ShowFileDialog(CUserEvent& dlg) override {
        ++m_nBoxes;
        WhileOpen();
        if (Next() % 3 == 0) return IDCANCEL;
        dlg.strPath = m_strFile.c_str();
        return IDOK;
    }

  private:
    void WhileOpen() {
        if (m_nDepth >= 2) return;
        ++m_nDepth;
        CMessageLoop::PumpPending();
        if (m_pfnWhileOpen && Next() % 2 == 0) m_pfnWhileOpen();
        CMessageLoop::PumpPending();
        --m_nDepth;
    }
};

TEST_F(Commands, MenuCommandsInAnyOrderAtAnyTimeLeaveAUsableDialog) {
    AttachDevices("PCI-DDA08/12:A1,PCI-DIO24:D1,USB-1208HS:H1");
    Discover();
    const std::vector<UINT> commands = {ID_SAVE_PARAMETERS,
                                        ID_LOAD_PARAMETERS,
                                        ID_FILE_EXIT,
                                        4200,
                                        4201,
                                        4202,
                                        4203,
                                        ID_TTL_ROI_OUTPUT,
                                        ID_TTL_INPUT_MARKERS,
                                        ID_TTL_BINARY,
                                        ID_TTL_OCTAL,
                                        ID_TTL_DECIMAL,
                                        ID_TTL_HEX,
                                        ID_TTL_LEDS,
                                        ID_TTL_TEST_MODE,
                                        ID_PULSE_EDGE_DETECTION,
                                        ID_QUALITY_SCAN_FAILED,
                                        ID_QUALITY_FIT_FAILED,
                                        ID_QUALITY_CRITERIA_FAILED,
                                        ID_QUALITY_FALL_BACK,
                                        ID_QUALITY_PUPIL_ONLY,
                                        ID_QUALITY_GLINT_GOOD,
                                        ID_INFORMATION};
    CPlayfulUser user;
    user.m_strFile = m_strWorkDir + "/any.prm";
    AfxSetUserAgent(&user);
    const auto command = [&] {
        const UINT nId = commands[user.Next() % commands.size()];
        // Chosen when the menu offers it, else arriving as a stray command.
        if (!Choose(nId)) ::PostMessage(Dlg(), WM_COMMAND, nId, 0);
    };
    const auto frame = [&] {
        SimHost().ForceGazePoint(0, static_cast<float>(user.Next() % 100) / 100.0f, 0.5f);
        m_pDlg->OnHostNotification(0, MAKEWPARAM(0, 2), 0);
    };
    user.m_pfnWhileOpen = [&] {
        if (user.Next() % 2 == 0) {
            command();
        } else {
            frame();
        }
    };

    for (int step = 0; step < 400; ++step) {
        switch (user.Next() % 8) {
            case 0:
            case 1:
            case 2:
                command();
                break;
            case 3:
                frame();
                break;
            case 4:  // a frame whose TTL input read fails: its box opens during the frame
                CSimBoards::ClearFailures();
                CSimBoards::FailCall("cbDIn", 1, ESimFail::Once);
                frame();
                break;
            case 5:
                AfxUserClick(Item(IDC_EXPAND_ALL));
                break;
            case 6:
                AfxUserScroll(Item(IDC_CHANNEL_SCROLL), user.Next() % 8);
                break;
            default:
                for (int j = 0; j < MAX_CHANNELS; ++j) {
                    CAnalogOutputChannel* pPanel = m_pDlg->m_pChannelDlg[j];
                    if (pPanel != nullptr && ::IsWindowVisible(pPanel->GetSafeHwnd())) {
                        AfxUserClick(::GetDlgItem(pPanel->GetSafeHwnd(), IDC_PANEL_EXPAND));
                        break;
                    }
                }
                break;
        }
        Pump();
        ASSERT_TRUE(::IsWindow(Dlg())) << step;
        ASSERT_FALSE(m_pDlg->m_bClosing) << step;
        // Every live link names a control that exists.
        for (int j = 0; j < MAX_CHANNELS; ++j) {
            CWnd* pValue = g_ChannelLinks.pValueText[j];
            if (pValue != nullptr) {
                ASSERT_TRUE(::IsWindow(pValue->GetSafeHwnd())) << step << " " << j;
            }
        }
    }
    EXPECT_GT(user.m_nBoxes, 0);

    // The user can always get back to a working board with its column.
    CSimBoards::ClearFailures();
    AfxSetUserAgent(nullptr);
    ASSERT_TRUE(Choose(ID_BOARD_FIRST));
    EXPECT_EQ(0, g_Params.nBoardIndex);
    EXPECT_TRUE(::IsWindowEnabled(Dlg()));
    if (m_pDlg->m_bTtlTest) {
        ASSERT_TRUE(Choose(ID_TTL_TEST_MODE));
    }
    EXPECT_FALSE(m_pDlg->m_bTtlTest);
    if (!m_pDlg->m_bPanelsExpanded) {
        ASSERT_TRUE(AfxUserClick(Item(IDC_EXPAND_ALL)));
    }
    ASSERT_TRUE(AfxUserScroll(Item(IDC_CHANNEL_SCROLL), SB_TOP));
    int nShown = 0;
    for (int j = 0; j < 8; ++j) {
        ASSERT_NE(nullptr, m_pDlg->m_pChannelDlg[j]) << j;
        nShown += ::IsWindowVisible(m_pDlg->m_pChannelDlg[j]->GetSafeHwnd()) ? 1 : 0;
    }
    EXPECT_EQ(5, nShown);
}

}  // namespace

namespace {

// A load chosen while a panel's own handler waits in a message box re-creates every panel; the waiting
// handler then returns without touching its panel or the record, which holds the file's settings.
TEST_F(ParameterCommands, ALoadWhileAPanelShowsItsBoxRemakesThePanelsAndTheOldOneWritesNothing) {
    AttachDevices("PCI-DDA08/12:A1");
    Discover();
    m_pDlg->LoadDefaultParameters(g_Params);  // the board, and every domain 0 to 1
    const std::string strPath = m_strWorkDir + "/panels.prm";
    AfxGetScriptedUserAgent().QueueFile(strPath.c_str());
    ASSERT_TRUE(Choose(ID_SAVE_PARAMETERS));
    CClockTesting::Advance(2000);  // the creation countdowns have run out
    Pump();
    const auto loadWhileOpen = [&] {
        CUserAnswer answer;
        answer.pfnWhileOpen = [&] {
            AfxGetScriptedUserAgent().QueueFile(strPath.c_str());
            EXPECT_TRUE(Choose(ID_LOAD_PARAMETERS));
        };
        CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), std::move(answer));
    };
    const auto expectFromFile = [&](int j) {
        ASSERT_NE(nullptr, Panel(j));
        EXPECT_EQ(Panel(j)->GetDlgItem(IDC_PANEL_VALUE), g_ChannelLinks.pValueText[j]);
        EXPECT_EQ("0", PanelText(j, IDC_PANEL_MIN));
        EXPECT_EQ("1", PanelText(j, IDC_PANEL_MAX));
        EXPECT_EQ(BST_UNCHECKED, ::SendMessage(PanelItem(j, IDC_PANEL_INVERT), BM_GETCHECK, 0, 0));
        EXPECT_EQ(0.0f, g_Params.fDomainMin[j]);
        EXPECT_EQ(1.0f, g_Params.fDomainMax[j]);
        EXPECT_EQ(0, g_Params.bInvert[j]);
    };
    const char* const kWarning =
        "Please  make  Max  >  Min         \n( No  values  updated )                ";

    // The countdown's warning.
    ASSERT_TRUE(AfxUserType(PanelItem(0, IDC_PANEL_MIN), "5"));
    loadWhileOpen();
    CClockTesting::Advance(2000);
    Pump();
    EXPECT_EQ(1, Boxes(kWarning));
    expectFromFile(0);

    // Enter: the same warning, and the focus is left alone.
    ASSERT_TRUE(AfxUserType(PanelItem(2, IDC_PANEL_MIN), "5"));
    loadWhileOpen();
    ASSERT_TRUE(AfxUserPressEnter(Panel(2)->GetSafeHwnd()));
    EXPECT_EQ(2, Boxes(kWarning));
    expectFromFile(2);

    // Invert while the Max text is no number: the old panel does not store its check box.
    ASSERT_TRUE(AfxUserType(PanelItem(1, IDC_PANEL_MAX), "abc"));
    loadWhileOpen();
    ASSERT_TRUE(AfxUserClick(PanelItem(1, IDC_PANEL_INVERT)));
    EXPECT_EQ(1, Boxes("Enter a number."));
    expectFromFile(1);

    // The new panels work as any other.
    ASSERT_TRUE(AfxUserClick(PanelItem(1, IDC_PANEL_INVERT)));
    EXPECT_NE(0, g_Params.bInvert[1]);
    CClockTesting::Advance(2000);
    Pump();
    EXPECT_EQ(2, Boxes(kWarning));
}

}  // namespace
