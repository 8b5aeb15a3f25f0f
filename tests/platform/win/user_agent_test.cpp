#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/win/app_testing.h"
#include "platform/win/user_agent_testing.h"
#include "support/win_fixture.h"

namespace {

using UserAgent = CWinTestFixture;

// Asks a question on WM_APP; a report (WM_APP + 1) may arrive while the box is open.
class CAskingWnd : public CRecordingWnd {
  public:
    int m_nAnswer = 0;
    std::vector<std::string> m_order;
    LRESULT OnAsk(WPARAM, LPARAM) {
        m_order.push_back("ask");
        m_nAnswer = AfxMessageBox("Stop the run?", MB_YESNO | MB_ICONQUESTION);
        m_order.push_back("answered");
        return 0;
    }
    LRESULT OnReport(WPARAM wParam, LPARAM) {
        m_order.push_back("report");
        if (wParam) AfxMessageBox("Report arrived.", MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CAskingWnd, CRecordingWnd)
ON_MESSAGE(WM_APP, &CAskingWnd::OnAsk)
ON_MESSAGE(WM_APP + 1, &CAskingWnd::OnReport)
END_MESSAGE_MAP()

TEST_F(UserAgent, OpenBoxHandlesWhatArrivesMeanwhileAndRecordsNestedBoxes) {
    CAskingWnd wnd;
    ASSERT_TRUE(wnd.CreateTopLevel());
    CScriptedUserAgentTesting::QueueAnswer(Agent(), IDNO, [&] { ::PostMessage(wnd, WM_APP + 1, 1, 0); });
    wnd.PostMessage(WM_APP);
    Pump();
    EXPECT_EQ((std::vector<std::string>{"ask", "report", "answered"}), wnd.m_order);
    EXPECT_EQ(IDNO, wnd.m_nAnswer);

    std::vector<CUserEvent> boxes = CRecordingUserAgentTesting::MessageBoxes(Agent());
    ASSERT_EQ(2u, boxes.size());
    EXPECT_STREQ("Stop the run?", boxes[0].strText);
    EXPECT_STREQ(AfxGetAppName(), boxes[0].strCaption);
    EXPECT_EQ(MB_YESNO, CUserEventTesting::Buttons(boxes[0]));
    EXPECT_EQ(MB_ICONQUESTION, CUserEventTesting::Icon(boxes[0]));
    EXPECT_EQ(IDNO, boxes[0].nResult);
    EXPECT_EQ(0, boxes[0].nDepth);
    EXPECT_STREQ("Report arrived.", boxes[1].strText);
    EXPECT_EQ(1, boxes[1].nDepth);
    EXPECT_TRUE(CUserEventTesting::IsTopmost(boxes[1]));
    EXPECT_EQ(IDOK, boxes[1].nResult);
}

TEST_F(UserAgent, UnscriptedBoxesTakeTheirDefaultButton) {
    std::vector<int> seen;
    Agent().SetObserver([&](const CUserEvent& e) { seen.push_back(e.nResult); });
    EXPECT_EQ(IDYES, AfxMessageBox("q", MB_YESNO));
    EXPECT_EQ(IDCANCEL, AfxMessageBox("q", MB_OKCANCEL | MB_DEFBUTTON2));
    EXPECT_EQ(IDOK, AfxMessageBox("q"));
    EXPECT_EQ(IDNO, ::MessageBox(nullptr, "q", nullptr, MB_YESNOCANCEL | MB_DEFBUTTON2));
    EXPECT_EQ((std::vector<int>{IDYES, IDCANCEL, IDOK, IDNO}), seen);
    EXPECT_STREQ("Error", CRecordingUserAgentTesting::MessageBoxes(Agent()).back().strCaption);

    CUserAnswer decide;
    decide.pfnDecide = [](const CUserEvent& e) { return e.strText == "yes?" ? IDYES : IDNO; };
    CScriptedUserAgentTesting::QueueAnswer(Agent(), decide);
    EXPECT_EQ(IDYES, AfxMessageBox("yes?", MB_YESNO));
}

TEST_F(UserAgent, FileDialogGivesThePathWithItsDefaultExtension) {
    Agent().QueueFile("C:\\data\\run1");
    CFileDialog dlg(FALSE, "prm", "default.prm", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                    "PRM files (*.prm)|*.prm|All Files (*.*)|*.*||", nullptr, 0, FALSE);
    dlg.m_ofn.lpstrInitialDir = "C:\\data";
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_STREQ("C:\\data\\run1.prm", dlg.GetPathName());
    EXPECT_STREQ("run1.prm", CFileDialogTesting::GetFileName(dlg));
    EXPECT_EQ(std::string("PRM files (*.prm)\0*.prm\0", 24), std::string(dlg.m_ofn.lpstrFilter, 24));

    std::vector<CUserEvent> events = CRecordingUserAgentTesting::Events(Agent());
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(CUserEvent::FileSave, events[0].nKind);
    EXPECT_STREQ("default.prm", events[0].strFileName);
    EXPECT_STREQ("C:\\data", events[0].strInitialDir);
    EXPECT_FALSE(events[0].bVistaStyle);
    EXPECT_TRUE(events[0].nFlags & OFN_OVERWRITEPROMPT);

    CFileDialog unanswered(TRUE, "prm");
    EXPECT_EQ(IDCANCEL, unanswered.DoModal());
}

TEST_F(UserAgent, PathLongerThanTheCallersBufferIsRefusedNotCut) {
    Agent().QueueFile("C:\\a\\very\\long\\directory\\name.prm");
    CFileDialog dlg(TRUE, "prm");
    char small[16] = "";
    dlg.m_ofn.lpstrFile = small;
    dlg.m_ofn.nMaxFile = sizeof small;
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_STREQ("", small);
}

TEST_F(UserAgent, AnOpenBoxDisablesItsOwnersWindowOnlyOnTheOwnersThread) {
    CRecordingWnd top, child;
    ASSERT_TRUE(top.CreateTopLevel());
    ASSERT_TRUE(child.CreateChild(&top, 4));
    BOOL bEnabledWhileOpen = TRUE;
    CScriptedUserAgentTesting::QueueAnswer(Agent(), IDOK, [&] { bEnabledWhileOpen = top.IsWindowEnabled(); });
    ::MessageBoxA(child, "text", "caption", MB_OK);  // a child owner: its top-level window is disabled
    EXPECT_FALSE(bEnabledWhileOpen);
    EXPECT_TRUE(top.IsWindowEnabled());

    top.EnableWindow(FALSE);  // already disabled: stays so after the box
    CScriptedUserAgentTesting::QueueAnswer(Agent(), IDOK);
    ::MessageBoxA(top, "text", "caption", MB_OK);
    EXPECT_FALSE(top.IsWindowEnabled());
    top.EnableWindow(TRUE);

    bEnabledWhileOpen = FALSE;
    CScriptedUserAgentTesting::QueueAnswer(Agent(), IDOK, [&] { bEnabledWhileOpen = top.IsWindowEnabled(); });
    std::thread worker([&] { ::MessageBoxA(top, "from a worker", "caption", MB_OK); });
    worker.join();
    EXPECT_TRUE(bEnabledWhileOpen);

    // A box whose owner goes away while it is open leaves nothing behind.
    CScriptedUserAgentTesting::QueueAnswer(Agent(), IDOK, [&] { top.DestroyWindow(); });
    ::MessageBoxA(child, "text", "caption", MB_OK);
    EXPECT_FALSE(::IsWindow(top.m_hWnd));
}

}  // namespace
