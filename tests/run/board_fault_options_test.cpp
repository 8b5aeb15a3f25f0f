#include <gtest/gtest.h>

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

TEST(BoardFaultOptions, EveryFaultAndUnplugIsKeptInOrder) {
    const Parsed p = Parse({"--board-faults=2.5:3:cbDIn:328:always", "--board-unplug=1:0",
                            "--board-faults=0:*:cbDeclareRevision:2", "--board-unplug=0.25:1:3.5",
                            "--board-faults=7:*:cbAOut:14:once", "--boards=PCI-DDA08/12", "-SN:7"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    ASSERT_EQ(3u, p.options.boardFaults.size());
    const BoardFault& first = p.options.boardFaults[0];
    EXPECT_DOUBLE_EQ(2.5, first.dAtSeconds);
    EXPECT_EQ(3, first.nBoard);
    EXPECT_EQ("cbDIn", first.strCall);
    EXPECT_EQ(328, first.nError);
    EXPECT_TRUE(first.bAlways);
    const BoardFault& second = p.options.boardFaults[1];
    EXPECT_DOUBLE_EQ(0.0, second.dAtSeconds);
    EXPECT_EQ(kSimAnyBoard, second.nBoard);
    EXPECT_EQ("cbDeclareRevision", second.strCall);
    EXPECT_FALSE(second.bAlways) << "once unless said otherwise";
    EXPECT_EQ(kSimAnyBoard, p.options.boardFaults[2].nBoard);
    EXPECT_FALSE(p.options.boardFaults[2].bAlways);

    ASSERT_EQ(2u, p.options.boardUnplugs.size());
    EXPECT_DOUBLE_EQ(1.0, p.options.boardUnplugs[0].dAtSeconds);
    EXPECT_EQ(0, p.options.boardUnplugs[0].nBoard);
    EXPECT_LT(p.options.boardUnplugs[0].dForSeconds, 0.0) << "away for the rest of the run";
    EXPECT_DOUBLE_EQ(0.25, p.options.boardUnplugs[1].dAtSeconds);
    EXPECT_EQ(1, p.options.boardUnplugs[1].nBoard);
    EXPECT_DOUBLE_EQ(3.5, p.options.boardUnplugs[1].dForSeconds);

    EXPECT_EQ(std::vector<std::string>{"-SN:7"}, p.options.otherWords);
    const std::string strHelp = ProgramOptionsHelp();
    EXPECT_NE(std::string::npos, strHelp.find("--board-faults=T:BOARD:CALL:ERROR[:once|always]"));
    EXPECT_NE(std::string::npos, strHelp.find("--board-unplug=T:BOARD[:SECONDS]"));
}

TEST(BoardFaultOptions, EveryBadFieldIsNamed) {
    struct Case {
        const char* pszWord;
        const char* pszReason;
    };
    const Case cases[] = {
        {"--board-faults", "a fault must follow '='"},
        {"--board-faults=", "expected T:BOARD:CALL:ERROR[:once|always]"},
        {"--board-faults=1:0:cbDIn", "expected T:BOARD:CALL:ERROR[:once|always]"},
        {"--board-faults=1:0:cbDIn:328:once:again", "expected T:BOARD:CALL:ERROR[:once|always]"},
        {"--board-faults=-1:0:cbDIn:328", "the time must be a number of seconds from 0 to 1000000"},
        {"--board-faults=1e3:0:cbDIn:328", "the time must be a number of seconds from 0 to 1000000"},
        {"--board-faults=nan:0:cbDIn:328", "the time must be a number of seconds from 0 to 1000000"},
        {"--board-faults=1000001:0:cbDIn:328", "the time must be a number of seconds from 0 to 1000000"},
        {"--board-faults=:0:cbDIn:328", "the time must be a number of seconds from 0 to 1000000"},
        {"--board-faults=1:100:cbDIn:328",
         "the board must be a board number from 0 to 99, or * for any board"},
        {"--board-faults=1:-1:cbDIn:328",
         "the board must be a board number from 0 to 99, or * for any board"},
        {"--board-faults=1::cbDIn:328", "the board must be a board number from 0 to 99, or * for any board"},
        {"--board-faults=1:0:cbdin:328", "\"cbdin\" is not a board-library call; one of: cbDeclareRevision"},
        {"--board-faults=1:0::328", "\"\" is not a board-library call"},
        {"--board-faults=1:0:cbGetErrMsg:328", "cbGetErrMsg takes no board number: give * as the board"},
        {"--board-faults=1:0:cbDIn:0",
         "the error must be one of the board library's error codes, 1 to 24 or 328"},
        {"--board-faults=1:0:cbDIn:25", "1 to 24 or 328"},
        {"--board-faults=1:0:cbDIn:-328", "1 to 24 or 328"},
        {"--board-faults=1:0:cbDIn:DEVNOTRESPONDING", "1 to 24 or 328"},
        {"--board-faults=1:0:cbDIn:328:twice", "the last field must be once or always"},
        {"--board-faults=1:0:cbDIn:328:", "the last field must be once or always"},
        {"--board-unplug", "a time and a board must follow '='"},
        {"--board-unplug=1", "expected T:BOARD[:SECONDS]"},
        {"--board-unplug=1:0:2:3", "expected T:BOARD[:SECONDS]"},
        {"--board-unplug=x:0", "the time must be a number of seconds from 0 to 1000000"},
        {"--board-unplug=1:*", "the board must be a board number from 0 to 99"},
        {"--board-unplug=1:0:0", "the time the board stays away must be a number of seconds above 0"},
        {"--board-unplug=1:0:", "the time the board stays away must be a number of seconds above 0"},
        {"--board-unplug=1:0:1000001", "above 0 and at most 1000000"},
    };
    for (const Case& c : cases) {
        const Parsed p = Parse({"--board-faults=1:0:cbAOut:1", c.pszWord, "--host-rate=7"});
        EXPECT_EQ(EOptionsResult::Bad, p.eResult) << c.pszWord;
        EXPECT_EQ(0u, p.strError.find(std::string("\"") + c.pszWord + "\": ")) << p.strError;
        EXPECT_NE(std::string::npos, p.strError.find(c.pszReason)) << c.pszWord << ": " << p.strError;
        EXPECT_EQ(1u, p.options.boardFaults.size()) << "reading stops at the bad word";
        EXPECT_EQ(60, p.options.nHostRate);
    }
}

// Words that only start like the options are not theirs.
TEST(BoardFaultOptions, OtherWordsAreLeftAlone) {
    const Parsed p = Parse({"--board-faultsx=1", "--board-unplugged"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    EXPECT_TRUE(p.options.boardFaults.empty());
    EXPECT_TRUE(p.options.boardUnplugs.empty());
    EXPECT_EQ(2u, p.options.otherWords.size());
}

}  // namespace
