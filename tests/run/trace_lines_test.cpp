#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "platform/hostlib/crs_interapp.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/cbw.h"
#include "platform/ul/sim_control.h"
#include "platform/win/user_agent.h"
#include "run/headless_user_agent.h"
#include "run/run_fixture.h"
#include "run/trace_lines.h"

namespace {

TEST_F(RunReport, TraceLineFormats) {
    std::vector<SimCallRecord> calls;
    CSimBoards::SetCallHook([&](const SimCallRecord& rec) { calls.push_back(rec); });
    CreateBoards("PCI-DDA08/12:01A2B3C4");
    calls.clear();
    EXPECT_EQ(NOERRORS, cbAOut(0, 3, UNI5VOLTS, 2047));
    EXPECT_EQ(BADDACCHAN, cbAOut(0, 9, UNI5VOLTS, 1));
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("ul cbAOut(0, 3, 101, 2047) = 0", FormatBoardCallTrace(calls[0]));
    EXPECT_EQ("ul cbAOut(0, 9, 101, 1) = 14", FormatBoardCallTrace(calls[1]));
    SimCallRecord odd;
    odd.strText = "cbGetBoardName(0, &\"A\nB\") = 0";
    EXPECT_EQ("ul cbGetBoardName(0, &\"A B\") = 0", FormatBoardCallTrace(odd));

    CUserEvent box;
    box.strCaption = "Corvessa~Tessaro ";
    box.strText = " TTL_setOutput_to_values.\n Error: -3 \t\"x\" C:\\y\x01";
    box.nType = MB_OK | MB_ICONSTOP | MB_TOPMOST;
    box.nResult = IDOK;
    EXPECT_EQ(
        "box IDOK MB_OK \"Corvessa~Tessaro \" \" TTL_setOutput_to_values.\\n Error: -3 \\t\\\"x\\\" "
        "C:\\\\y\\x01\"",
        FormatMessageBoxTrace(box));
    box.nType = MB_YESNO | MB_DEFBUTTON2;
    box.nResult = IDNO;
    box.strText = kQuitQuestion;
    box.strCaption = "TessaroPro";
    EXPECT_EQ("box IDNO MB_YESNO \"TessaroPro\" \"Quit TessaroPro?                  \"",
              FormatMessageBoxTrace(box));
    EXPECT_EQ("IDCONTINUE", MessageBoxAnswerName(IDCONTINUE));
    EXPECT_EQ("0", MessageBoxAnswerName(0));
    EXPECT_EQ("8", MessageBoxAnswerName(8));
    EXPECT_EQ("-1", MessageBoxAnswerName(-1));
    EXPECT_EQ("MB_CANCELTRYCONTINUE", MessageBoxButtonsName(MB_CANCELTRYCONTINUE | MB_ICONWARNING));
    EXPECT_EQ("MB_9", MessageBoxButtonsName(9));
}

class RunTrace : public RunReport {};

TEST_F(RunTrace, FileDialogsAreReportedWithTheirAnswer) {
    CUserEvent dlg;
    dlg.nKind = CUserEvent::FileOpen;
    dlg.strFilter = "PRM files (*.prm)|*.prm|All Files (*.*)|*.*||";
    dlg.nResult = IDOK;
    dlg.strPath = "/tmp/a \"b\".prm";
    EXPECT_EQ(
        "file IDOK open \"\" \"PRM files (*.prm)|*.prm|All Files (*.*)|*.*||\" \"/tmp/a \\\"b\\\".prm\"",
        FormatFileDialogTrace(dlg));
    dlg.nKind = CUserEvent::FileSave;
    dlg.strCaption = "Save";
    dlg.nResult = IDCANCEL;
    dlg.strPath.Empty();
    EXPECT_EQ("file IDCANCEL save \"Save\" \"PRM files (*.prm)|*.prm|All Files (*.*)|*.*||\" \"\"",
              FormatFileDialogTrace(dlg));

    // The headless user reports a dialog once answered, as it reports boxes.
    std::vector<CUserEvent> reported;
    CHeadlessUserAgent agent([&](const CUserEvent& ev) { reported.push_back(ev); });
    AfxSetUserAgent(&agent);
    AfxGetScriptedUserAgent().QueueFile("chosen.prm");
    CFileDialog open(TRUE, "prm", nullptr, OFN_FILEMUSTEXIST, "PRM files (*.prm)|*.prm||", nullptr, 0, FALSE);
    EXPECT_EQ(IDOK, open.DoModal());
    CFileDialog save(FALSE, "prm", nullptr, OFN_OVERWRITEPROMPT, "PRM files (*.prm)|*.prm||", nullptr, 0,
                     FALSE);
    EXPECT_EQ(IDCANCEL, save.DoModal());
    AfxSetUserAgent(nullptr);
    ASSERT_EQ(2u, reported.size());
    EXPECT_EQ("file IDOK open \"\" \"PRM files (*.prm)|*.prm||\" \"chosen.prm\"",
              FormatFileDialogTrace(reported[0]));
    EXPECT_EQ("file IDCANCEL save \"\" \"PRM files (*.prm)|*.prm||\" \"\"",
              FormatFileDialogTrace(reported[1]));
}

TEST_F(RunTrace, HostCallsThatCarryDataOutAreHostLines) {
    std::vector<std::string> lines;
    SimHost().SetDataOutHook(
        [&](const SimHostDataOut& out) { lines.push_back(FormatSimHostDataTrace(out)); });
    EXPECT_EQ(CRS_OK, CRS_DistributeMessages(20, 0x10003));
    EXPECT_EQ(CRS_OK, CRS_SetStatus_PRIVATE(7, 255));
    SimHost().SetDataOutHook(nullptr);
    EXPECT_EQ(CRS_OK, CRS_DistributeMessages(1, 2));
    const std::vector<std::string> expected = {"host CRS_DistributeMessages(20, 65539) = 0",
                                               "host CRS_SetStatus_PRIVATE(7, 255) = 0"};
    EXPECT_EQ(expected, lines);
}

TEST_F(RunTrace, APointerArgumentShowsTheValueTheLibrarySawAndTheValueItLeft) {
    std::vector<SimCallRecord> calls;
    CreateBoards("PCI-DDA08/12:01A2B3C4");
    CSimBoards::SetCallHook([&](const SimCallRecord& rec) { calls.push_back(rec); });
    USHORT w = 123;
    EXPECT_EQ(NOERRORS, cbDIn(0, FIRSTPORTA, &w));
    const USHORT wLeft = w;
    w = 123;
    EXPECT_EQ(BADPORTNUM, cbDIn(0, 99, &w));
    w = 7;
    EXPECT_EQ(BADBOARD, cbDBitIn(5, AUXPORT, 0, &w));
    CSimBoards::SetCallHook(nullptr);
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ("ul cbDIn(0, 10, &123->" + std::to_string(wLeft) + ") = 0", FormatBoardCallTrace(calls[0]));
    EXPECT_EQ("ul cbDIn(0, 99, &123) = " + std::to_string(BADPORTNUM), FormatBoardCallTrace(calls[1]));
    EXPECT_EQ("ul cbDBitIn(5, 1, 0, &7) = " + std::to_string(BADBOARD), FormatBoardCallTrace(calls[2]));
}

}  // namespace
