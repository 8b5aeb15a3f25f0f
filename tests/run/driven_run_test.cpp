// The built program run headless with the runner's scripted user and simulated host: typing into edits,
// answering file dialogs with a path, host status changes and TTL bit requests, and the trace of the
// texts the program shows. Each test starts the program in a folder of its own and reads what it printed
// and the parameter files it wrote.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/parameter_block.h"
#include "run/headless_run.h"
#include "support/temp_work_dir.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr char kSavedFile[] = "Settings/TessaroParams.prm";

// The index of the first line from nFrom on that starts with strStart; -1 when none does.
long Find(const std::vector<std::string>& lines, const std::string& strStart, size_t nFrom = 0) {
    for (size_t i = nFrom; i < lines.size(); ++i)
        if (lines[i].rfind(strStart, 0) == 0) return static_cast<long>(i);
    return -1;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

ParameterBlock ReadParams(const std::string& strPath) {
    ParameterBlock params{};
    const std::string image = ReadWholeFile(strPath);
    EXPECT_EQ(sizeof params, image.size()) << strPath;
    if (image.size() == sizeof params) std::memcpy(&params, image.data(), sizeof params);
    return params;
}

class DrivenRun : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.Enter("tessaro-driven"));
        std::filesystem::create_directory("Settings");
    }
    CTempWorkDir m_dir;
};

TEST_F(DrivenRun, TypedPanelDomainIsAppliedAndSaved) {
    const HeadlessRun run =
        RunHeadlessProgram({"--headless=9", "--boards=PCI-DDA08/12", "--host-pattern=still", "--trace-texts",
                            "--type-enter=Channel 1>Max=5", "--type-enter=Channel 1 > min=-5",
                            "--type=Channel 2>Max=3", "--type=Min=2"});
    const std::string strOut = Joined(run.lines);
    ASSERT_EQ(0, run.nExit) << strOut;
    const long nMax = Find(run.lines, "user typed \"5\" into \"Channel 1>Max\" in \"");
    const long nMin = Find(run.lines, "user typed \"-5\" into \"Channel 1 > min\" in \"");
    ASSERT_GE(nMax, 0) << strOut;
    ASSERT_GT(nMin, nMax) << strOut;
    // The keys went to channel 1's Max edit, not to another panel's.
    EXPECT_GT(Find(run.lines, "text Corvessa~TessaroPro>Channel 1/1022 \"5\"", nMax), nMax) << strOut;
    EXPECT_GT(Find(run.lines, "text Corvessa~TessaroPro>Channel 1/1026 \"-5\"", nMin), nMin) << strOut;
    EXPECT_LT(Find(run.lines, "text Corvessa~TessaroPro>Channel 0/1022 \"5\""), 0) << strOut;
    // Eight panels have a Min edit: the user is told to name the panel.
    const long nAmbiguous = Find(run.lines, "user cannot type into \"Min\": ");
    ASSERT_GE(nAmbiguous, 0) << strOut;
    EXPECT_NE(std::string::npos, run.lines[static_cast<size_t>(nAmbiguous)].find(" edits have that label"))
        << strOut;

    // Enter applied the domain at once: the still eye's 0.5 maps to 2.75 V of the 0..5 V range.
    const long nLast = Find(run.lines, "box IDYES MB_YESNO");
    ASSERT_GE(nLast, 0) << strOut;
    const long nSum = Find(run.lines, "sum ", static_cast<size_t>(nLast));
    ASSERT_GE(nSum, 0) << strOut;
    EXPECT_NE(std::string::npos, run.lines[static_cast<size_t>(nSum)].find(" ch1=2252,+2.749V")) << strOut;

    const ParameterBlock params = ReadParams(kSavedFile);
    EXPECT_EQ(5.0f, params.fDomainMax[1]);
    EXPECT_EQ(-5.0f, params.fDomainMin[1]);
    // Left with Tab, the panel applied the typed Max by itself two seconds later.
    EXPECT_EQ(3.0f, params.fDomainMax[2]);
    EXPECT_EQ(1.0f, params.fDomainMax[0]);
    EXPECT_EQ(0.0f, params.fDomainMin[0]);
}

TEST_F(DrivenRun, AdvancedDialogTakesTypedChannelCountAndLedOnTime) {
    const HeadlessRun run =
        RunHeadlessProgram({"--headless=6", "--boards=PCI-DDA08/12", "--host-pattern=still", "--trace-texts",
                            "--choose=Help>QVL Advanced", "--type=Number DA Channels=4", "--type=6=250",
                            "--press=OK", "--choose=Help>QVL Advanced"});
    const std::string strOut = Joined(run.lines);
    ASSERT_EQ(0, run.nExit) << strOut;
    const long nCount = Find(run.lines, "user typed \"4\" into \"Number DA Channels\" in \"QVL Advanced\"");
    const long nLed = Find(run.lines, "user typed \"250\" into \"6\" in \"QVL Advanced\"");
    const long nOk = Find(run.lines, "user pressed \"OK\" in \"QVL Advanced\"");
    const long nAgain =
        Find(run.lines, "user chose Help>QVL Advanced", static_cast<size_t>(std::max(nOk, 0L)));
    ASSERT_GE(nCount, 0) << strOut;
    ASSERT_GT(nLed, nCount) << strOut;
    ASSERT_GT(nOk, nLed) << strOut;
    ASSERT_GT(nAgain, nOk) << strOut;
    // LED 6's edit, not LED 7's (which lies under the LED number "6").
    EXPECT_GT(Find(run.lines, "text QVL Advanced/1121 \"250\"", nLed), nLed) << strOut;
    EXPECT_LT(Find(run.lines, "text QVL Advanced/1122 \"250\""), 0) << strOut;
    // The new count made the panels anew, four of them; the dialog opened again shows both values.
    EXPECT_GT(Find(run.lines, "text Corvessa~TessaroPro>Channel 3/1029 \"Channel 3\"", nOk), nOk) << strOut;
    EXPECT_LT(Find(run.lines, "text Corvessa~TessaroPro>Channel 4/1029 ", nOk), 0) << strOut;
    EXPECT_GT(Find(run.lines, "text QVL Advanced/1104 \"4\"", nAgain), nAgain) << strOut;
    EXPECT_GT(Find(run.lines, "text QVL Advanced/1121 \"250\"", nAgain), nAgain) << strOut;
}

TEST_F(DrivenRun, FileDialogsAnsweredWithAPathSaveAndLoad) {
    // A first run saves its set-up under a name of the user's (the extension added), then leaves with
    // Channel 1's Max at 1 again, which the exit save writes to the default file.
    HeadlessRun run = RunHeadlessProgram({"--headless=6", "--boards=PCI-DDA08/12", "--host-pattern=still",
                                          "--type-enter=Channel 1>Max=5", "--file=Settings/mine",
                                          "--choose=File>Save Parameters", "--type-enter=Channel 1>Max=1"});
    std::string strOut = Joined(run.lines);
    ASSERT_EQ(0, run.nExit) << strOut;
    const long nFile = Find(run.lines, "user will answer the next file dialog with \"Settings/mine\"");
    const long nSave = Find(run.lines,
                            "file IDOK save \"\" \"PRM files (*.prm)|*.prm|All Files (*.*)|*.*||\" "
                            "\"Settings/mine.prm\"");
    ASSERT_GE(nFile, 0) << strOut;
    ASSERT_GT(nSave, nFile) << strOut;
    // The box right after the dialog (the printing thread's summary lines may come between).
    size_t nNext = static_cast<size_t>(nSave) + 1;
    while (nNext < run.lines.size() && run.lines[nNext].rfind("sum ", 0) == 0) ++nNext;
    EXPECT_EQ(static_cast<long>(nNext),
              Find(run.lines, "box IDOK MB_OK \"TessaroPro\" \"Parameters Saved.    \""))
        << strOut;
    EXPECT_EQ(5.0f, ReadParams("Settings/mine.prm").fDomainMax[1]);
    EXPECT_EQ(1.0f, ReadParams(kSavedFile).fDomainMax[1]);

    // The second run starts from the default file and loads the user's file: its panels show it, and
    // the exit save keeps it.
    run = RunHeadlessProgram({"--headless=4", "--boards=PCI-DDA08/12", "--host-pattern=still",
                              "--trace-texts", "--file=Settings/mine.prm", "--choose=File>Load Parameters"});
    strOut = Joined(run.lines);
    ASSERT_EQ(0, run.nExit) << strOut;
    const long nLoad = Find(run.lines,
                            "file IDOK open \"\" \"PRM files (*.prm)|*.prm|All Files (*.*)|*.*||\" "
                            "\"Settings/mine.prm\"");
    ASSERT_GE(nLoad, 0) << strOut;
    EXPECT_GT(Find(run.lines, "text Corvessa~TessaroPro>Channel 1/1022 \"5\"", nLoad), nLoad) << strOut;
    EXPECT_EQ(Find(run.lines, "box "), Find(run.lines, "box IDYES MB_YESNO")) << strOut;  // no other box
    EXPECT_EQ(5.0f, ReadParams(kSavedFile).fDomainMax[1]);

    // Without --file the dialog is cancelled, as before: nothing is saved there.
    run = RunHeadlessProgram({"--headless=3", "--boards=PCI-DDA08/12", "--choose=File>Save Parameters"});
    strOut = Joined(run.lines);
    EXPECT_GE(Find(run.lines, "file IDCANCEL save "), 0) << strOut;
    EXPECT_LT(Find(run.lines, "box IDOK MB_OK \"TessaroPro\" \"Parameters Saved.    \""), 0) << strOut;
}

TEST_F(DrivenRun, HostStatusChangesShowInTheStatusLine) {
    const HeadlessRun run = RunHeadlessProgram(
        {"--headless=5", "--boards=PCI-DDA08/12", "--host-pattern=still", "--trace-texts",
         "--host-status=1.5:frozen=yes", "--host-status=2.5:frozen=no", "--host-status=3:binocular=yes",
         "--host-status=3.2:77=3", "--host-status=3.5:attached=no"});
    const std::string strOut = Joined(run.lines);
    ASSERT_EQ(0, run.nExit) << strOut;
    const long nFrozen = Find(run.lines, "host notify 21 2 1");
    const long nThawed = Find(run.lines, "host notify 21 2 0");
    const long nDetached = Find(run.lines, "host notify 21 1 0");
    ASSERT_GE(nFrozen, 0) << strOut;
    ASSERT_GT(nThawed, nFrozen) << strOut;
    ASSERT_GT(nDetached, nThawed) << strOut;
    EXPECT_GE(Find(run.lines, "host notify 21 8 1"), 0) << strOut;
    EXPECT_GE(Find(run.lines, "host notify 21 77 3"), 0) << strOut;
    const long nFrozenText = Find(run.lines, "text Corvessa~TessaroPro/1113 \"Video is Frozen\"", nFrozen);
    ASSERT_GT(nFrozenText, nFrozen) << strOut;
    const long nCleared = Find(run.lines, "text Corvessa~TessaroPro/1113 \"\"", nThawed);
    EXPECT_GT(nCleared, nThawed) << strOut;
    EXPECT_GT(Find(run.lines, "text Corvessa~TessaroPro/1113 \"Corvessa Not Attached\"", nDetached),
              nDetached)
        << strOut;
    // The drawn status line is printed once per change, not once per repaint.
    EXPECT_LT(Find(run.lines, "text Corvessa~TessaroPro/1113 \"Video is Frozen\"", nFrozenText + 1), 0)
        << strOut;
}

TEST_F(DrivenRun, HostBitRequestsDriveTheTtlOutputOnlyWithoutRoiOutput) {
    // The first request comes while the ROI code owns the TTL lines (the default) and is ignored; the
    // second asks only for bit 2 more, so the word is 0x04 (until the summary after it), then 0.
    const HeadlessRun run = RunHeadlessProgram(
        {"--headless=4.5", "--boards=PCI-DDA08/12", "--host-pattern=still", "--trace-texts",
         "--host-ttl-bits=0.5:1", "--choose=Options>TTL>TTL output of ROI code",
         "--choose=Options>TTL>Show TTL as Hex", "--host-ttl-bits=2.5:0x05", "--host-ttl-bits=3.6:0"});
    const std::string strOut = Joined(run.lines);
    ASSERT_EQ(0, run.nExit) << strOut;
    const long nFirst = Find(run.lines, "host notify 165 0 1");
    const long nSecond = Find(run.lines, "host notify 165 2 1");
    const long nClear = Find(run.lines, "host notify 165 2 0");
    ASSERT_GE(nFirst, 0) << strOut;
    ASSERT_GT(nSecond, nFirst) << strOut;
    ASSERT_GT(nClear, nSecond) << strOut;
    EXPECT_EQ(-1, Find(run.lines, "host notify 165 0 1", static_cast<size_t>(nFirst + 1))) << strOut;
    const long nWord = Find(run.lines, "text Corvessa~TessaroPro/1004 \" bitCode:  (hex) 0x4\"", nSecond);
    EXPECT_GT(nWord, nSecond) << strOut;
    EXPECT_LT(Find(run.lines, "text Corvessa~TessaroPro/1004 \" bitCode:  (hex) 0x5\""), 0) << strOut;
    const long nSum = Find(run.lines, "sum ", static_cast<size_t>(nSecond));
    ASSERT_GT(nSum, nSecond) << strOut;
    EXPECT_NE(std::string::npos, run.lines[static_cast<size_t>(nSum)].find(" ttl-out=0x04 ")) << strOut;
    EXPECT_GT(Find(run.lines, "text Corvessa~TessaroPro/1004 \" bitCode:  (hex) 0\"", nClear), nClear)
        << strOut;
}

TEST_F(DrivenRun, TextsAreTracedOnlyWhenAsked) {
    const HeadlessRun run =
        RunHeadlessProgram({"--headless=2", "--boards=PCI-DDA08/12", "--type=Nothing Here=1"});
    const std::string strOut = Joined(run.lines);
    ASSERT_EQ(0, run.nExit) << strOut;
    EXPECT_LT(Find(run.lines, "text "), 0) << strOut;
    // The run ends before the user gives up looking: nothing typed, nothing reported as typed.
    EXPECT_LT(Find(run.lines, "user typed "), 0) << strOut;
}

}  // namespace
