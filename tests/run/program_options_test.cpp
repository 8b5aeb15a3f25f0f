#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <utility>
#include <vector>

#include "run/headless_run.h"
#include "run/program_options.h"

namespace {

using Parsed = ParsedOptions;

Parsed Parse(std::vector<const char*> words) {
    return ParseWords(std::move(words));
}

TEST(ProgramOptions, DefaultsWithoutWords) {
    Parsed p = Parse({});
    ASSERT_EQ(EOptionsResult::Run, p.eResult);
    EXPECT_TRUE(p.options.devices.empty());
    EXPECT_EQ(60, p.options.nHostRate);
    EXPECT_FALSE(p.options.bHostBinocular);
    EXPECT_TRUE(p.options.bHostAttached);
    EXPECT_DOUBLE_EQ(5.0, p.options.dHostLatencyMs);
    EXPECT_EQ(SimEyePattern::Natural, p.options.eHostPattern);
    EXPECT_FALSE(p.options.bHeadless);
    EXPECT_EQ(0.0, p.options.dRunSeconds);
    EXPECT_FALSE(p.options.bTrace);
    EXPECT_EQ(0, p.options.nHostRois);
    EXPECT_EQ(ESimTtlInputPattern::Off, p.options.boardInputs.eKind);
    EXPECT_TRUE(p.options.choices.empty());
    EXPECT_TRUE(p.options.otherWords.empty());
}

TEST(ProgramOptions, DemoOptionsAndTheUsersChoicesInOrder) {
    Parsed p =
        Parse({"--host-rois=4", "--board-inputs=walk", "--check=Options>TTL>TTL inputs send DataFile markers",
               "--choose=File > Save Parameters", "--checker", "--host-rois=16", "--choose=Board>x",
               "--board-inputs=count:250"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    EXPECT_EQ(16, p.options.nHostRois);
    EXPECT_EQ(ESimTtlInputPattern::Count, p.options.boardInputs.eKind);
    EXPECT_EQ(250u, p.options.boardInputs.nStepMs);
    ASSERT_EQ(3u, p.options.choices.size());
    EXPECT_EQ("Options>TTL>TTL inputs send DataFile markers", p.options.choices[0].strPath);
    EXPECT_TRUE(p.options.choices[0].bOnlyToCheck);
    EXPECT_EQ("File > Save Parameters", p.options.choices[1].strPath);
    EXPECT_FALSE(p.options.choices[1].bOnlyToCheck);
    EXPECT_EQ("Board>x", p.options.choices[2].strPath);
    EXPECT_EQ(std::vector<std::string>{"--checker"}, p.options.otherWords);
}

TEST(ProgramOptions, EveryOptionReadAndOtherWordsKeptInOrder) {
    Parsed p = Parse({"-SN:01A2", "--boards=PCI-DDA08/12:01A2B3C4, PCI-DIO24", "--host-rate=250",
                      "--host-binocular", "--host-attached=no", "--host-latency=12.5", "--host-pattern=sweep",
                      "--headless=2.5", "--trace", "\"C:\\Program", "Files\\x\"", "--tracer", "-BN:3"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    ASSERT_EQ(2u, p.options.devices.size());
    EXPECT_EQ("PCI-DDA08/12", p.options.devices[0].strProductName);
    EXPECT_EQ("01A2B3C4", p.options.devices[0].strUniqueID);
    EXPECT_EQ("PCI-DIO24", p.options.devices[1].strProductName);
    EXPECT_EQ(8u, p.options.devices[1].strUniqueID.size());  // generated
    EXPECT_EQ(250, p.options.nHostRate);
    EXPECT_TRUE(p.options.bHostBinocular);
    EXPECT_FALSE(p.options.bHostAttached);
    EXPECT_DOUBLE_EQ(12.5, p.options.dHostLatencyMs);
    EXPECT_EQ(SimEyePattern::Sweep, p.options.eHostPattern);
    EXPECT_TRUE(p.options.bHeadless);
    EXPECT_DOUBLE_EQ(2.5, p.options.dRunSeconds);
    EXPECT_TRUE(p.options.bTrace);
    // Launch options and every other word are left for the application, untouched and in order.
    const std::vector<std::string> other = {"-SN:01A2", "\"C:\\Program", "Files\\x\"", "--tracer", "-BN:3"};
    EXPECT_EQ(other, p.options.otherWords);
}

TEST(ProgramOptions, FlagFormsBareHeadlessAndLastWordWins) {
    Parsed p = Parse({"--headless", "--host-binocular=on", "--host-binocular=0", "--trace=yes", "--trace=off",
                      "--host-rate=30", "--host-rate=2000", "--boards=PCI-DIO24",
                      "--boards=", "--host-latency=0", "--host-pattern=still"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    EXPECT_TRUE(p.options.bHeadless);
    EXPECT_EQ(0.0, p.options.dRunSeconds);  // no run time
    EXPECT_FALSE(p.options.bHostBinocular);
    EXPECT_FALSE(p.options.bTrace);
    EXPECT_EQ(2000, p.options.nHostRate);
    EXPECT_TRUE(p.options.devices.empty());  // an empty list attaches nothing
    EXPECT_EQ(0.0, p.options.dHostLatencyMs);
    EXPECT_EQ(SimEyePattern::Still, p.options.eHostPattern);
    EXPECT_TRUE(p.options.otherWords.empty());

    Parsed help = Parse({"--trace", "--help"});
    EXPECT_EQ(EOptionsResult::Help, help.eResult);
    const std::string strHelp = ProgramOptionsHelp();
    for (const char* pszName : {"--boards=",
                                "--host-rate=",
                                "--host-binocular",
                                "--host-attached=",
                                "--host-latency=",
                                "--host-pattern=",
                                "--host-rois=",
                                "--board-inputs=",
                                "--choose=",
                                "--check=",
                                "--headless",
                                "--trace",
                                "ul ",
                                "host say",
                                "box ",
                                "sum frames=",
                                "user chose",
                                "user left",
                                "user cannot choose",
                                "run dropped"}) {
        EXPECT_NE(std::string::npos, strHelp.find(pszName)) << pszName;
    }
    EXPECT_EQ('\n', strHelp.back());
}

TEST(ProgramOptions, BadWordsNameTheWordAndTheReason) {
    struct Case {
        const char* pszWord;
        const char* pszReason;
    };
    const Case cases[] = {
        {"--boards", "board list"},
        {"--boards=PCI-DDA08/12:", "empty serial"},
        {"--boards=A:1,B:1", "duplicate"},
        {"--boards=,PCI-DIO24", "empty"},
        {"--host-rate=0", "1 to 2000"},
        {"--host-rate=2001", "1 to 2000"},
        {"--host-rate=60Hz", "1 to 2000"},
        {"--host-rate=", "1 to 2000"},
        {"--host-rate=99999999999999999999", "1 to 2000"},
        {"--host-rate", "1 to 2000"},
        {"--host-latency=-1", "0 to 1000"},
        {"--host-latency=1000.5", "0 to 1000"},
        {"--host-latency=nan", "0 to 1000"},
        {"--host-pattern=wild", "natural, still or sweep"},
        {"--host-pattern", "natural, still or sweep"},
        {"--host-binocular=maybe", "yes or no"},
        {"--host-attached=", "yes or no"},
        {"--headless=0", "above 0"},
        {"--headless=-3", "above 0"},
        {"--headless=inf", "above 0"},
        {"--headless=5s", "above 0"},
        {"--headless=1000001", "above 0"},
        {"--trace=2", "yes or no"},
        {"--help=me", "no value"},
        {"--host-rois=17", "0 to 16"},
        {"--host-rois=-1", "0 to 16"},
        {"--host-rois", "0 to 16"},
        {"--board-inputs", "pattern must follow"},
        {"--board-inputs=saw", "off, count or walk"},
        {"--board-inputs=walk:0", "1 to 60000"},
        {"--choose", "menu path"},
        {"--choose=", "menu path"},
        {"--check=Options>>TTL Test", "menu path"},
        {"--check=Options>TTL>", "menu path"},
        {"--choose= > x", "menu path"},
    };
    for (const Case& c : cases) {
        Parsed p = Parse({"--trace", c.pszWord, "--host-rate=7"});
        EXPECT_EQ(EOptionsResult::Bad, p.eResult) << c.pszWord;
        EXPECT_NE(std::string::npos, p.strError.find(std::string("\"") + c.pszWord + "\"")) << p.strError;
        EXPECT_NE(std::string::npos, p.strError.find(c.pszReason)) << c.pszWord << ": " << p.strError;
        EXPECT_EQ(60, p.options.nHostRate) << "reading stops at the bad word";
    }
}

TEST(ProgramOptions, AppliedToTheSimulatedBoardsAndHost) {
    CSimBoards::Reset();
    SimHost().Reset();
    Parsed p = Parse({"--boards=USB-1208HS:0000ABCD", "--host-rate=120", "--host-latency=40",
                      "--host-binocular", "--host-attached=no", "--host-rois=2", "--board-inputs=walk:40"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    ApplySimulationOptions(p.options);
    const std::vector<SimAttachedDevice> devices = CSimBoards::GetAttachedDevices();
    ASSERT_EQ(1u, devices.size());
    EXPECT_EQ("USB-1208HS", devices[0].strProductName);
    EXPECT_EQ("0000ABCD", devices[0].strUniqueID);
    EXPECT_EQ(120, SimHost().FrameRate());
    EXPECT_DOUBLE_EQ(40.0, SimHost().LatencyMs());
    EXPECT_EQ(0, SimHost().GetStatus(kSimHostStatusAttached));
    EXPECT_TRUE(SimHost().Roi(0).bOn);  // two side by side
    EXPECT_FLOAT_EQ(0.5f, SimHost().Roi(1).fLeft);
    EXPECT_FALSE(SimHost().Roi(2).bOn);
    EXPECT_EQ(ESimTtlInputPattern::Walk, CSimBoards::GetTtlInputPattern().eKind);
    EXPECT_EQ(40u, CSimBoards::GetTtlInputPattern().nStepMs);
    SimHost().Reset();
    CSimBoards::Reset();
}

}  // namespace

namespace {

TEST(ProgramOptions, PressesKeepTheirPlaceAmongTheChoicesWithAnOptionalTime) {
    Parsed p = Parse({"--choose=Help>QVL Advanced", "--press=Setup ROIs", "--press=4.5:Start",
                      "--press=Toggle/ Check", "--press=a:b"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    ASSERT_EQ(5u, p.options.choices.size());
    EXPECT_FALSE(p.options.choices[0].bPress);
    EXPECT_TRUE(p.options.choices[1].bPress);
    EXPECT_EQ("Setup ROIs", p.options.choices[1].strPath);
    EXPECT_EQ(0.0, p.options.choices[1].dAtSeconds);
    EXPECT_EQ("Start", p.options.choices[2].strPath);
    EXPECT_EQ(4.5, p.options.choices[2].dAtSeconds);
    EXPECT_EQ("a:b", p.options.choices[4].strPath);  // not a number before the colon: all caption

    for (const char* pszBad : {"--press", "--press=", "--press=  ", "--press=5:", "--press=2000000:Start"}) {
        Parsed bad = Parse({pszBad});
        EXPECT_EQ(EOptionsResult::Bad, bad.eResult) << pszBad;
        EXPECT_NE(std::string::npos, bad.strError.find(pszBad)) << bad.strError;
    }
    EXPECT_NE(nullptr, std::strstr(ProgramOptionsHelp(), "--press=[SECONDS:]CAPTION"));
}

TEST(ProgramOptions, ScreenshotFolderWithAnOptionalTime) {
    Parsed none = Parse({});
    EXPECT_TRUE(none.options.strScreenshotDir.empty());
    EXPECT_FALSE(none.options.bHeadless) << "a display is used unless --headless is given";

    Parsed p = Parse({"--screenshot=shots"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    EXPECT_EQ("shots", p.options.strScreenshotDir);
    EXPECT_EQ(1.0, p.options.dScreenshotSeconds);
    EXPECT_TRUE(p.options.otherWords.empty());

    p = Parse({"--screenshot=/tmp/a:b/shots:2.5"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    EXPECT_EQ("/tmp/a:b/shots", p.options.strScreenshotDir);  // only the last colon with a number
    EXPECT_EQ(2.5, p.options.dScreenshotSeconds);

    p = Parse({"--screenshot=c:drive"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    EXPECT_EQ("c:drive", p.options.strScreenshotDir);
    EXPECT_EQ(1.0, p.options.dScreenshotSeconds);

    for (const char* pszBad :
         {"--screenshot", "--screenshot=", "--screenshot=:3", "--screenshot=d:2000000"}) {
        Parsed bad = Parse({pszBad});
        EXPECT_EQ(EOptionsResult::Bad, bad.eResult) << pszBad;
        EXPECT_NE(std::string::npos, bad.strError.find(pszBad)) << bad.strError;
    }
    EXPECT_NE(nullptr, std::strstr(ProgramOptionsHelp(), "--screenshot=DIR[:SECONDS]"));
}

}  // namespace

namespace {

TEST(ProgramOptions, FrameCostIsAWholeNumberOfMicrosecondsGivenToTheHost) {
    Parsed p = Parse({"--frame-cost=800"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    EXPECT_EQ(800, p.options.nFrameCostUs);
    EXPECT_EQ(0, Parse({}).options.nFrameCostUs);
    for (const char* pszWord : {"--frame-cost", "--frame-cost=", "--frame-cost=-1", "--frame-cost=1000001",
                                "--frame-cost=0.5", "--frame-cost=800us"}) {
        Parsed bad = Parse({pszWord});
        EXPECT_EQ(EOptionsResult::Bad, bad.eResult) << pszWord;
        EXPECT_NE(std::string::npos, bad.strError.find("0 to 1000000 (microseconds)")) << bad.strError;
    }
    SimHost().Reset();
    ApplySimulationOptions(p.options);
    EXPECT_EQ(800, SimHost().FrameCost());
    SimHost().Reset();
    CSimBoards::Reset();
    const std::string strHelp = ProgramOptionsHelp();
    for (const char* pszText : {"--frame-cost=US", "run host posts refused=", "run posts left unhandled="})
        EXPECT_NE(std::string::npos, strHelp.find(pszText)) << pszText;
}

}  // namespace
