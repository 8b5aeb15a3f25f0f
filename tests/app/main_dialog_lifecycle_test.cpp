// The real main dialog run modally from construction to destruction: start-up, the quit question, the
// OK command, failing timers, painting and colours, the hidden TTL controls and the destructor's save.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/tessaro_app.h"
#include "platform/hostlib/sim_host.h"
#include "platform/win/app_testing.h"
#include "platform/win/clock_testing.h"
#include "platform/win/gdi_testing.h"
#include "platform/win/menu_testing.h"
#include "platform/win/message_loop_testing.h"
#include "platform/win/simulation.h"
#include "platform/win/simulation_testing.h"
#include "platform/win/user_actions.h"
#include "platform/win/user_actions_testing.h"
#include "platform/win/user_agent_testing.h"
#include "platform/win/window_testing.h"
#include "support/main_dialog_fixture.h"
#include "support/temp_work_dir.h"

namespace {

const std::string kQuitText = std::string("Quit TessaroPro?") + std::string(18, ' ');
constexpr char kSavedFile[] = "Settings/TessaroParams.prm";

// The real dialog, counting the timer ticks it receives by id.
class CCountingMainDlg : public CTessaro2010Dlg {
  public:
    std::map<UINT_PTR, int> m_nTicks;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER) ++m_nTicks[static_cast<UINT_PTR>(wParam)];
        return CTessaro2010Dlg::WindowProc(message, wParam, lParam);
    }
};

class MainDialogLifecycle : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        // This suite runs the real start-up, not the fixture's bare window.
        if (m_pDlg && m_pDlg->GetSafeHwnd() != nullptr) m_pDlg->DestroyWindow();
        m_pDlg.reset();
        std::filesystem::create_directory("Settings");
        FailTestOnStalledLoop(5000);
    }
    void TearDown() override {
        CMessageLoopTesting::SetStallHandler({});
        MainDialogFixture::TearDown();
    }

    CCountingMainDlg& Dlg() { return static_cast<CCountingMainDlg&>(*m_pDlg); }

    // Runs the dialog modally; pfnStep runs at each idle moment of the modal loop once the dialog is
    // visible, with a step number from 0. Returns DoModal's result.
    INT_PTR RunModal(const std::function<void(int)>& pfnStep) {
        m_pDlg = std::make_unique<CCountingMainDlg>();
        int nStep = 0;
        const UINT_PTR hook = CMessageLoop::AddIdleHook([&] {
            if (m_pDlg->GetSafeHwnd() == nullptr || !m_pDlg->IsWindowVisible() || m_pDlg->m_bClosing) return;
            pfnStep(nStep++);
        });
        const INT_PTR nResult = m_pDlg->DoModal();
        CMessageLoop::RemoveIdleHook(hook);
        return nResult;
    }

    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const CUserEvent& e : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
            texts.push_back(e.strText.Str());
        return texts;
    }
    static int CountBoxes(const std::string& strText) {
        int n = 0;
        for (const std::string& s : BoxTexts()) n += s == strText ? 1 : 0;
        return n;
    }
    static std::vector<char> SavedBytes() {
        std::ifstream in(kSavedFile, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    HWND Hwnd() const { return m_pDlg->GetSafeHwnd(); }
};

}  // namespace

TEST_F(MainDialogLifecycle, StartUpBringsEverythingUpAndTheTimersTick) {
    std::map<UINT_PTR, int> ticksAt200;
    const INT_PTR nResult = RunModal([&](int nStep) {
        CTessaro2010Dlg& d = *m_pDlg;
        if (nStep == 0) {
            EXPECT_EQ(RegisterWindowMessage("RedrawChannelDialogs"), d.m_nRedrawMsg);
            EXPECT_STREQ(".\\Settings\\TessaroParams.prm", d.m_strDefaultParamPath);
            EXPECT_EQ(d.GetDlgItem(IDC_MESSAGE_LINE), d.m_pMessageLine);
            EXPECT_EQ(d.GetDlgItem(IDC_BOARD_LABEL), d.m_pBoardLabel);
            EXPECT_EQ(d.GetDlgItem(IDC_TTL_OUTPUT), d.m_pTtlOutputLine);
            EXPECT_EQ(d.GetDlgItem(IDC_TTL_INPUT), d.m_pTtlInputLine);
            EXPECT_EQ("Analog Output", WindowText(IDC_ANALOG_GROUP));
            EXPECT_EQ("", WindowText(IDC_NOTICE_LINE));
            EXPECT_EQ("", WindowText(IDC_TRIGGER_LED));
            EXPECT_EQ(TIMER_SAWTOOTH, d.m_nSawToothTimer);
            EXPECT_EQ(TIMER_TTL_TEST, d.m_nTtlTestTimer);
            EXPECT_EQ(TIMER_DEFAULT, d.m_nDefaultTimer);
            EXPECT_EQ(50, d.m_nSawToothPeriodMs);
            EXPECT_EQ(50, d.m_nTtlTestPeriodMs);
            EXPECT_EQ(33, d.m_nDefaultPeriodMs);
            EXPECT_FALSE(d.m_bTtlTest);
            EXPECT_EQ(g_Params.bExternalInterrupt, d.m_bEnableTrigger);
            if (!g_Params.bExternalInterrupt) {
                EXPECT_FALSE(d.GetDlgItem(IDC_TRIGGER_LED)->IsWindowVisible());
                EXPECT_FALSE(d.GetDlgItem(IDC_TRIGGER_LABEL)->IsWindowVisible());
            }
            // The LED captions are emptied once.
            for (int i = 0; i < 8; ++i) {
                EXPECT_EQ("", WindowText(IDC_OUTPUT_LED_FIRST + i));
                EXPECT_EQ("", WindowText(IDC_INPUT_LED_FIRST + i));
            }
            EXPECT_EQ(d.m_hIcon, CWndTesting::GetIcon(d, TRUE));
            EXPECT_EQ(d.m_hIcon, CWndTesting::GetIcon(d, FALSE));
            EXPECT_NE(nullptr, d.m_hIcon);
            ASSERT_NE(nullptr, g_pBmpExpanded);
            ASSERT_NE(nullptr, g_pBmpCollapsed);
            EXPECT_EQ(static_cast<HBITMAP>(*g_pBmpExpanded),
                      reinterpret_cast<HBITMAP>(
                          CWndTesting::SendDlgItemMessage(d, IDC_EXPAND_ALL, BM_GETIMAGE, IMAGE_BITMAP)));
            CMenu* pSys = d.GetSystemMenu(FALSE);
            ASSERT_NE(nullptr, pSys);
            const int nItems = static_cast<int>(CMenuTesting::GetMenuItemCount(*pSys));
            ASSERT_GE(nItems, 2);
            EXPECT_EQ(0u, CMenuTesting::GetMenuItemID(*pSys, nItems - 2));  // the separator
            EXPECT_EQ(static_cast<UINT>(ID_APP_ABOUT), CMenuTesting::GetMenuItemID(*pSys, nItems - 1));
            CString strItem;
            CMenuTesting::GetMenuString(*pSys, ID_APP_ABOUT, strItem, MF_BYCOMMAND);
            EXPECT_STREQ("&About TessaroPro...", strItem);
            // Without a modeless About box, Help > About runs a modal one and comes back.
            d.SendMessage(WM_COMMAND, ID_APP_ABOUT);
            EXPECT_TRUE(d.IsWindowVisible());
            EXPECT_EQ(reinterpret_cast<LRESULT>(d.m_hIcon), d.SendMessage(WM_QUERYDRAGICON));
            Dlg().m_nTicks.clear();
            CClockTesting::Advance(200);
            ticksAt200 = Dlg().m_nTicks;
        } else {
            d.PostMessage(WM_COMMAND, IDCANCEL);
        }
    });
    EXPECT_EQ(IDCANCEL, nResult);
    EXPECT_EQ(4, ticksAt200[TIMER_SAWTOOTH]);
    EXPECT_EQ(4, ticksAt200[TIMER_TTL_TEST]);
    EXPECT_EQ(6, ticksAt200[TIMER_DEFAULT]);
    EXPECT_EQ(1, CountBoxes(kQuitText));  // the default answer to the question is Yes
    // The default path is set before the silent load, which names it when there is no file yet.
    const std::vector<std::string> texts = BoxTexts();
    EXPECT_NE(texts.end(), std::find_if(texts.begin(), texts.end(), [](const std::string& s) {
                  return s.find("\".\\Settings\\TessaroParams.prm\"") != std::string::npos;
              }));
}

TEST_F(MainDialogLifecycle, NoToTheQuitQuestionKeepsRunningYesEndsAndSaves) {
    CScriptedUserAgent& agent = AfxGetScriptedUserAgent();
    int nTicksAfterNo = 0;
    BOOL bClosingAfterNo = TRUE;
    const INT_PTR nResult = RunModal([&](int nStep) {
        if (nStep == 0) {
            CRecordingUserAgentTesting::ClearEvents(agent);
            CScriptedUserAgentTesting::QueueAnswer(agent, IDNO);
            AfxUserClose(Hwnd());  // the close box asks the same question
        } else if (nStep == 1) {
            bClosingAfterNo = m_pDlg->m_bClosing;
            Dlg().m_nTicks.clear();
            CClockTesting::Advance(330);
            nTicksAfterNo = Dlg().m_nTicks[TIMER_DEFAULT];
            CScriptedUserAgentTesting::QueueAnswer(agent, IDYES);
            AfxUserPressEscape(Hwnd());
        }
    });
    EXPECT_EQ(IDCANCEL, nResult);
    EXPECT_FALSE(bClosingAfterNo);
    EXPECT_EQ(10, nTicksAfterNo);
    EXPECT_TRUE(m_pDlg->m_bClosing);
    const std::vector<CUserEvent> boxes = CRecordingUserAgentTesting::MessageBoxes(agent);
    ASSERT_EQ(2u, boxes.size());
    for (const CUserEvent& box : boxes) {
        EXPECT_EQ(kQuitText, box.strText.Str());
        EXPECT_EQ(static_cast<UINT>(MB_YESNO), CUserEventTesting::Buttons(box));
        EXPECT_STREQ(AfxGetAppName(), box.strCaption);
    }
    EXPECT_EQ(IDNO, boxes[0].nResult);
    EXPECT_EQ(IDYES, boxes[1].nResult);

    EXPECT_FALSE(std::filesystem::exists(kSavedFile));  // saved by the destructor, not before
    g_Params.nQualityThreshold = 4;                     // a change made after the run still counts
    m_pDlg.reset();
    const std::vector<char> bytes = SavedBytes();
    ASSERT_EQ(static_cast<size_t>(PARAMS_SIZE), bytes.size());
    EXPECT_EQ(0, std::memcmp(bytes.data(), &g_Params, sizeof g_Params));
    EXPECT_EQ(2u, CRecordingUserAgentTesting::MessageBoxes(agent).size());  // the save is silent
}

TEST_F(MainDialogLifecycle, TheOkCommandSkipsTheQuestionButStillMarksClosingAndSaves) {
    const INT_PTR nResult = RunModal([&](int nStep) {
        if (nStep == 0) m_pDlg->PostMessage(WM_COMMAND, IDOK);
    });
    EXPECT_EQ(IDOK, nResult);
    EXPECT_TRUE(m_pDlg->m_bClosing);
    EXPECT_EQ(0, CountBoxes(kQuitText));
    const size_t nBoxes = BoxTexts().size();
    m_pDlg.reset();
    EXPECT_EQ(static_cast<size_t>(PARAMS_SIZE), SavedBytes().size());
    EXPECT_EQ(nBoxes, BoxTexts().size());  // the save is silent
}

TEST_F(MainDialogLifecycle, WithoutASettingsFolderTheExitSaveReportsItsFailureAndEndsCleanly) {
    std::filesystem::remove_all("Settings");
    RunModal([&](int nStep) {
        if (nStep == 0) m_pDlg->PostMessage(WM_COMMAND, IDOK);
    });
    const size_t nBefore = BoxTexts().size();
    m_pDlg.reset();
    EXPECT_FALSE(std::filesystem::exists(kSavedFile));
    EXPECT_EQ(nBefore + 1, BoxTexts().size());  // the save's own failure box
}

class MainDialogTimerFailure : public MainDialogLifecycle,
                               public ::testing::WithParamInterface<std::pair<UINT_PTR, const char*>> {};

TEST_P(MainDialogTimerFailure, AFailingTimerShowsItsBoxAndTheOthersStillRun) {
    const UINT_PTR nFailing = GetParam().first;
    CWinSimulationTesting::FailSetTimer(nFailing);
    std::map<UINT_PTR, int> ticks;
    const INT_PTR nResult = RunModal([&](int nStep) {
        if (nStep == 0) {
            Dlg().m_nTicks.clear();
            CClockTesting::Advance(330);
            ticks = Dlg().m_nTicks;
            m_pDlg->PostMessage(WM_COMMAND, IDOK);
        }
    });
    EXPECT_EQ(IDOK, nResult);
    EXPECT_EQ(1, CountBoxes(GetParam().second));
    const std::map<UINT_PTR, int> expected = {{TIMER_SAWTOOTH, 6}, {TIMER_TTL_TEST, 6}, {TIMER_DEFAULT, 10}};
    for (const auto& [nId, nCount] : expected) EXPECT_EQ(nId == nFailing ? 0 : nCount, ticks[nId]) << nId;
    const UINT_PTR nHandles[] = {m_pDlg->m_nSawToothTimer, m_pDlg->m_nTtlTestTimer, m_pDlg->m_nDefaultTimer};
    for (UINT_PTR h : nHandles) EXPECT_TRUE(h == 0 || h != nFailing);
    EXPECT_EQ(1, static_cast<int>(std::count(std::begin(nHandles), std::end(nHandles), UINT_PTR{0})));
}

INSTANTIATE_TEST_SUITE_P(EachTimer, MainDialogTimerFailure,
                         ::testing::Values(std::make_pair(TIMER_SAWTOOTH, "Could not setup saw tooth timer."),
                                           std::make_pair(TIMER_TTL_TEST, "Could not setup TTL test timer."),
                                           std::make_pair(TIMER_DEFAULT, "Could not setup default timer.")));

TEST_F(MainDialogLifecycle, MinimisedPaintsTheIconCentredRestoredRedrawsTheStatusLine) {
    RunModal([&](int nStep) {
        if (nStep != 0) return;
        CTessaro2010Dlg& d = *m_pDlg;
        d.ShowWindow(SW_MINIMIZE);
        ASSERT_TRUE(d.IsIconic());
        AfxClearDrawOps(Hwnd());
        d.Invalidate();
        d.UpdateWindow();
        CRect rc;
        d.GetClientRect(&rc);
        std::vector<CDrawOp> icons;
        for (const CDrawOp& op : AfxGetDrawOps(Hwnd()))
            if (op.nKind == CDrawOpKind::DrawIcon) icons.push_back(op);
        ASSERT_EQ(1u, icons.size());
        EXPECT_EQ(d.m_hIcon, icons[0].hIcon);
        EXPECT_EQ((rc.Width() - 32 + 1) / 2, icons[0].rc.left);
        EXPECT_EQ((rc.Height() - 32 + 1) / 2, icons[0].rc.top);

        d.ShowWindow(SW_RESTORE);
        HWND hStatus = d.GetDlgItem(IDC_STATUS_LINE)->GetSafeHwnd();
        AfxClearDrawOps(hStatus);
        AfxClearDrawOps(Hwnd());
        d.Invalidate();
        d.UpdateWindow();
        for (const CDrawOp& op : AfxGetDrawOps(Hwnd())) EXPECT_NE(CDrawOpKind::DrawIcon, op.nKind);
        EXPECT_FALSE(AfxGetDrawOps(hStatus).empty());
        d.PostMessage(WM_COMMAND, IDOK);
    });
}

TEST_F(MainDialogLifecycle, EveryColourRequestRemakesTheBrushAndRedrawsTheStatusLine) {
    RunModal([&](int nStep) {
        if (nStep != 0) return;
        CTessaro2010Dlg& d = *m_pDlg;
        HWND hStatus = d.GetDlgItem(IDC_STATUS_LINE)->GetSafeHwnd();
        HWND hLabel = d.GetDlgItem(IDC_BOARD_LABEL)->GetSafeHwnd();
        HDC hDC = ::GetDC(hLabel);
        std::vector<HBRUSH> brushes;
        for (int i = 0; i < 2; ++i) {
            AfxClearDrawOps(hStatus);
            ::SetBkColor(hDC, 0x123456);
            brushes.push_back(reinterpret_cast<HBRUSH>(d.SendMessage(
                WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hDC), reinterpret_cast<LPARAM>(hLabel))));
            EXPECT_EQ(0xE1E1E1u, ::GetBkColor(hDC));
            EXPECT_EQ(0x323232u, ::GetTextColor(hDC));
            EXPECT_FALSE(AfxGetDrawOps(hStatus).empty()) << i;
        }
        ASSERT_NE(nullptr, brushes[1]);
        EXPECT_NE(brushes[0], brushes[1]);
        EXPECT_EQ(0, GetObjectType(reinterpret_cast<HGDIOBJ>(brushes[0])));  // the old GDI brush is gone
        EXPECT_EQ(OBJ_BRUSH, GetObjectType(reinterpret_cast<HGDIOBJ>(brushes[1])));
        AfxClearDrawOps(hLabel);
        RECT rc = {0, 0, 4, 4};
        ::FillRect(hDC, &rc, brushes[1]);
        const std::vector<CDrawOp> ops = AfxGetDrawOps(hLabel);
        ASSERT_FALSE(ops.empty());
        EXPECT_EQ(0xE1E1E1u, ops.back().crBrush);
        ::ReleaseDC(hLabel, hDC);
        d.PostMessage(WM_COMMAND, IDOK);
    });
}

TEST_F(MainDialogLifecycle, AHostThatNeverAttachesIsShownAndTheRunStillEndsCleanly) {
    SimHost().SetAttached(false);
    std::string strStatus;
    const INT_PTR nResult = RunModal([&](int nStep) {
        if (nStep == 0) {
            CClockTesting::Advance(3000);
            HWND hStatus = m_pDlg->GetDlgItem(IDC_STATUS_LINE)->GetSafeHwnd();
            for (const CDrawOp& op : AfxGetDrawOps(hStatus))
                if (op.nKind == CDrawOpKind::DrawText) strStatus = op.strText;
            EXPECT_FALSE(m_pDlg->m_bHostAttached);
            AfxUserPressEscape(Hwnd());
        }
    });
    EXPECT_EQ(IDCANCEL, nResult);
    EXPECT_EQ("Corvessa Not Attached", strStatus);
    m_pDlg.reset();
    EXPECT_EQ(static_cast<size_t>(PARAMS_SIZE), SavedBytes().size());
}

TEST_F(MainDialogLifecycle, ABoardThatFailsAtStartUpIsReportedAndTheProgramRunsAndEnds) {
    AttachDevices("PCI-DDA08/12:01A2B3C4");
    for (const char* pszCall : {"cbDConfigPort", "cbDOut", "cbAOut", "cbDIn"})
        CSimBoards::FailCall(pszCall, 1, ESimFail::Always);
    std::map<UINT_PTR, int> ticks;
    const INT_PTR nResult = RunModal([&](int nStep) {
        if (nStep == 0) {
            Dlg().m_nTicks.clear();
            CClockTesting::Advance(1000);
            ticks = Dlg().m_nTicks;
            AfxUserPressEscape(Hwnd());
        }
    });
    EXPECT_EQ(IDCANCEL, nResult);
    EXPECT_EQ(30, ticks[TIMER_DEFAULT]);
    int nBoardBoxes = 0;
    for (const CUserEvent& e : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
        if (e.strCaption.Str() == "Corvessa~Tessaro ")
            nBoardBoxes += CUserEventTesting::IsTopmost(e) ? 1 : 100;
    EXPECT_GE(nBoardBoxes, 1);  // the board's failure was reported, in topmost boxes
    EXPECT_LT(nBoardBoxes, 100);
    std::vector<std::string> log = HostLog();
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "~Tessaro discovered 1 DAQ device(s)."));
    m_pDlg.reset();
    EXPECT_EQ(static_cast<size_t>(PARAMS_SIZE), SavedBytes().size());
}

TEST_F(MainDialogLifecycle, TheDestructorEndsARunningBurstBeforeItSaves) {
    RunModal([&](int nStep) {
        if (nStep == 0) m_pDlg->PostMessage(WM_COMMAND, IDOK);
    });
    // A burst that holds its own ROI setting until it sees the abort request, then restores the user's.
    g_Params.bRoiOutput = 1;
    m_pDlg->m_bBurstBusy = TRUE;
    CTessaro2010Dlg* pDlg = m_pDlg.get();
    std::atomic<bool> bStarted{false};
    std::thread burst([pDlg, &bStarted] {
        g_Params.bRoiOutput = 0;
        bStarted = true;
        while (!pDlg->m_bBurstAbort) std::this_thread::yield();
        g_Params.bRoiOutput = 1;
        pDlg->m_bBurstBusy = FALSE;
    });
    while (!bStarted) std::this_thread::yield();
    m_pDlg.reset();
    burst.join();
    const std::vector<char> bytes = SavedBytes();
    ASSERT_EQ(static_cast<size_t>(PARAMS_SIZE), bytes.size());
    ParameterBlock saved;
    std::memcpy(&saved, bytes.data(), sizeof saved);
    EXPECT_EQ(1, saved.bRoiOutput);
}

TEST_F(MainDialogLifecycle, ABurstThatNeverEndsIsAbandonedAndTheSettingsAreStillSaved) {
    RunModal([&](int nStep) {
        if (nStep == 0) m_pDlg->PostMessage(WM_COMMAND, IDOK);
    });
    m_pDlg->m_bBurstBusy = TRUE;  // a burst that never answers
    const DWORD nStart = GetTickCount();
    m_pDlg.reset();
    EXPECT_GE(GetTickCount() - nStart, 2000u);
    EXPECT_EQ(static_cast<size_t>(PARAMS_SIZE), SavedBytes().size());
}

TEST_F(MainDialogLifecycle, TheHiddenTtlControlsActAsTheirMenuCommands) {
    RunModal([&](int nStep) {
        if (nStep != 0) return;
        CTessaro2010Dlg& d = *m_pDlg;
        CWnd* pList = d.GetDlgItem(IDC_RADIX_LIST);
        ASSERT_NE(nullptr, pList);
        ASSERT_EQ(5, pList->SendMessage(CB_GETCOUNT));
        const int nSel = d.m_nRadixSel;
        ASSERT_GE(nSel, 0);
        EXPECT_EQ(nSel, pList->SendMessage(CB_GETCURSEL));
        EXPECT_EQ(g_Params.nTtlRadixId, static_cast<int>(pList->SendMessage(CB_GETITEMDATA, nSel)));
        // Sorted by text: Binary, Decimal, Hex, LEDs, Octal.
        const int order[] = {ID_TTL_BINARY, ID_TTL_DECIMAL, ID_TTL_HEX, ID_TTL_LEDS, ID_TTL_OCTAL};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(order[i], static_cast<int>(pList->SendMessage(CB_GETITEMDATA, i)));

        auto click = [&](int nId, UINT nCode) {
            d.SendMessage(WM_COMMAND, MAKEWPARAM(nId, nCode),
                          reinterpret_cast<LPARAM>(d.GetDlgItem(nId)->GetSafeHwnd()));
        };
        click(IDC_RADIX_BUTTON, BN_CLICKED);
        EXPECT_TRUE(d.m_bRadixListShown);
        EXPECT_TRUE(pList->IsWindowVisible());
        pList->SendMessage(CB_SETCURSEL, 2);  // Hex
        click(IDC_RADIX_LIST, CBN_SELCHANGE);
        EXPECT_EQ(ID_TTL_HEX, g_Params.nTtlRadixId);
        EXPECT_EQ(2, d.m_nRadixSel);
        EXPECT_FALSE(d.m_bRadixListShown);
        EXPECT_FALSE(pList->IsWindowVisible());
        EXPECT_EQ(static_cast<UINT>(MF_CHECKED),
                  CMenuTesting::GetMenuState(*d.GetMenu(), ID_TTL_HEX, MF_BYCOMMAND) & MF_CHECKED);

        // TTL Test: the check box toggles the mode as the menu does, and follows it.
        d.CheckDlgButton(IDC_TTL_TEST, BST_CHECKED);
        click(IDC_TTL_TEST, BN_CLICKED);
        EXPECT_TRUE(d.m_bTtlTest);
        EXPECT_EQ(static_cast<UINT>(BST_CHECKED), d.IsDlgButtonChecked(IDC_TTL_TEST));
        d.CheckDlgButton(IDC_TTL_TEST, BST_UNCHECKED);
        click(IDC_TTL_TEST, BN_CLICKED);
        EXPECT_FALSE(d.m_bTtlTest);

        // Enable Trigger on a board without an external interrupt stays off and unchecked.
        d.CheckDlgButton(IDC_ENABLE_TRIGGER, BST_CHECKED);
        click(IDC_ENABLE_TRIGGER, BN_CLICKED);
        EXPECT_FALSE(d.m_bEnableTrigger);
        EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), d.IsDlgButtonChecked(IDC_ENABLE_TRIGGER));
        d.PostMessage(WM_COMMAND, IDOK);
    });
}
