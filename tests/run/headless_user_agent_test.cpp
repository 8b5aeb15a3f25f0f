#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "platform/win/user_agent.h"
#include "platform/win/user_agent_testing.h"
#include "run/headless_user_agent.h"
#include "run/run_fixture.h"
#include "run/trace_lines.h"

namespace {

TEST_F(RunReport, HeadlessUserSaysYesToTheQuitQuestionOnlyWhenClosing) {
    std::vector<std::string> reported;
    CHeadlessUserAgent agent([&](const CUserEvent& box) { reported.push_back(FormatMessageBoxTrace(box)); });
    AfxSetUserAgent(&agent);
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, kQuitQuestion, "TessaroPro", MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, "Other?", "TessaroPro", MB_YESNO));
    agent.RequestQuit();
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, kQuitQuestion, "TessaroPro", MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, "Quit TessaroPro?", "TessaroPro", MB_YESNO | MB_DEFBUTTON2));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "Parameters Saved.    ", "TessaroPro", MB_OK));
    const std::vector<std::string> expected = {
        "box IDNO MB_YESNO \"TessaroPro\" \"Quit TessaroPro?                  \"",
        "box IDYES MB_YESNO \"TessaroPro\" \"Other?\"",
        "box IDYES MB_YESNO \"TessaroPro\" \"Quit TessaroPro?                  \"",
        "box IDNO MB_YESNO \"TessaroPro\" \"Quit TessaroPro?\"",
        "box IDOK MB_OK \"TessaroPro\" \"Parameters Saved.    \"",
    };
    EXPECT_EQ(expected, reported);
    AfxSetUserAgent(nullptr);
}

// On a screen the boxes and file dialogs go to the person (reported by the person's own agent), all but
// the quit question once the run closes the program.
TEST_F(RunReport, WithAPersonTheBoxesGoToThePersonButTheClosingQuitQuestionDoesNot) {
    int nReported = 0;
    CHeadlessUserAgent agent([&](const CUserEvent&) { ++nReported; });
    CScriptedUserAgent person;
    CScriptedUserAgentTesting::QueueAnswer(person, IDNO);
    CScriptedUserAgentTesting::QueueAnswer(person, IDRETRY);
    person.QueueFile("/tmp/chosen.prm");
    agent.SetPerson(&person);
    AfxSetUserAgent(&agent);
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, kQuitQuestion, "TessaroPro", MB_YESNO));
    EXPECT_EQ(IDRETRY, MessageBoxA(nullptr, "Board?", "TessaroPro", MB_RETRYCANCEL));
    CFileDialog dlg(TRUE, "prm", nullptr, 0, "PRM files (*.prm)|*.prm||");
    EXPECT_EQ(IDOK, dlg.DoModal());
    agent.RequestQuit();
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, kQuitQuestion, "TessaroPro", MB_YESNO | MB_DEFBUTTON2));
    AfxSetUserAgent(nullptr);
    agent.SetPerson(nullptr);
    const std::vector<CUserEvent> shown = CRecordingUserAgentTesting::Events(person);
    ASSERT_EQ(3u, shown.size());
    EXPECT_EQ(CUserEvent::FileOpen, shown[2].nKind);
    EXPECT_EQ(1, nReported);  // only the box the person never saw; the person's agent reports the rest
}

}  // namespace
