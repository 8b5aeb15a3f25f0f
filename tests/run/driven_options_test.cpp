// The options of the scripted user's typing and file answers, the simulated host's schedule and the text
// trace.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "run/headless_run.h"
#include "run/program_options.h"
#include "run/run_report.h"

namespace {

using Parsed = ParsedOptions;

Parsed Parse(std::vector<const char*> words) {
    return ParseWords(std::move(words));
}

TEST(DrivenOptions, TypingAndFileAnswersAreActionsInOrderWithTheOthers) {
    const Parsed p = Parse({"--choose=Help>QVL Advanced", "--type=Number DA Channels=4",
                            "--type-enter=2.5:Channel 3>Max=a=b", "--file=Settings/x:1.prm", "--press=OK",
                            "--type=6=", "--type=12:30=1"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    ASSERT_EQ(7u, p.options.choices.size());
    const UserMenuChoice& count = p.options.choices[1];
    EXPECT_TRUE(count.bType);
    EXPECT_FALSE(count.bEnter);
    EXPECT_EQ("Number DA Channels", count.strPath);
    EXPECT_EQ("4", count.strText);
    EXPECT_EQ(0.0, count.dAtSeconds);
    const UserMenuChoice& max = p.options.choices[2];
    EXPECT_TRUE(max.bType);
    EXPECT_TRUE(max.bEnter);
    EXPECT_EQ(2.5, max.dAtSeconds);
    EXPECT_EQ("Channel 3>Max", max.strPath);
    EXPECT_EQ("a=b", max.strText);  // the text is everything after the label's '='
    EXPECT_TRUE(p.options.choices[3].bFile);
    EXPECT_EQ("Settings/x:1.prm", p.options.choices[3].strPath);
    EXPECT_FALSE(p.options.choices[3].bType);
    EXPECT_TRUE(p.options.choices[4].bPress);
    EXPECT_EQ("", p.options.choices[5].strText);  // an edit emptied
    EXPECT_EQ("30", p.options.choices[6].strPath);
    EXPECT_EQ(12.0, p.options.choices[6].dAtSeconds);
    EXPECT_TRUE(p.options.otherWords.empty());
}

TEST(DrivenOptions, HostScheduleAndTextTrace) {
    const Parsed p = Parse({"--host-status=3:frozen=yes", "--host-status=1.5:binocular=off",
                            "--host-status=0:attached=0", "--host-status=9:21=65535",
                            "--host-ttl-bits=2:0x0F", "--host-ttl-bits=4:255", "--trace-texts"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    EXPECT_TRUE(p.options.bTraceTexts);
    EXPECT_FALSE(p.options.bTrace);
    const std::vector<HostScheduledEvent>& ev = p.options.hostEvents;
    ASSERT_EQ(6u, ev.size());
    EXPECT_EQ(3.0, ev[0].dAtSeconds);
    EXPECT_EQ(kSimHostStatusVideoFrozen, ev[0].nItem);
    EXPECT_EQ(1, ev[0].nValue);
    EXPECT_EQ(kSimHostStatusBinocular, ev[1].nItem);
    EXPECT_EQ(0, ev[1].nValue);
    EXPECT_EQ(kSimHostStatusAttached, ev[2].nItem);
    EXPECT_EQ(0, ev[2].nValue);
    EXPECT_EQ(21, ev[3].nItem);
    EXPECT_EQ(65535, ev[3].nValue);
    EXPECT_FALSE(ev[3].bTtlBits);
    EXPECT_TRUE(ev[4].bTtlBits);
    EXPECT_EQ(0x0F, ev[4].nValue);
    EXPECT_EQ(255, ev[5].nValue);
    EXPECT_FALSE(Parse({"--trace-texts=no"}).options.bTraceTexts);
}

TEST(DrivenOptions, MalformedWordsAreRefusedWithTheWord) {
    for (const char* pszWord : {"--type",
                                "--type=",
                                "--type=Max",
                                "--type==5",
                                "--type= =5",
                                "--type=Channel 3>=5",
                                "--type=>Max=5",
                                "--type=-1:Max=5",
                                "--type-enter=Channel 3> =1",
                                "--file",
                                "--file=",
                                "--host-status",
                                "--host-status=frozen=yes",
                                "--host-status=2:frozen",
                                "--host-status=2:frozen=maybe",
                                "--host-status=2:video=yes",
                                "--host-status=2:65536=1",
                                "--host-status=2:3=-1",
                                "--host-status=x:2=1",
                                "--host-ttl-bits=2",
                                "--host-ttl-bits=2:256",
                                "--host-ttl-bits=2:0x100",
                                "--host-ttl-bits=2:-1",
                                "--host-ttl-bits=:5",
                                "--host-ttl-bits=2:0x",
                                "--trace-texts=perhaps"}) {
        const Parsed p = Parse({pszWord});
        EXPECT_EQ(EOptionsResult::Bad, p.eResult) << pszWord;
        EXPECT_EQ(0u, p.strError.find(std::string("\"") + pszWord + "\"")) << p.strError;
    }
    // Names that only begin like these options are not theirs.
    const Parsed p = Parse({"--typewriter", "--files", "--host-statuses=1"});
    ASSERT_EQ(EOptionsResult::Run, p.eResult) << p.strError;
    EXPECT_EQ(3u, p.options.otherWords.size());
}

TEST(DrivenOptions, HelpNamesEveryNewOptionAndLine) {
    const std::string strHelp = ProgramOptionsHelp();
    for (const char* psz : {"--type=[SECONDS:]LABEL=TEXT", "--type-enter=[SECONDS:]LABEL=TEXT", "--file=PATH",
                            "--host-status=SECONDS:ITEM=B", "--host-ttl-bits=SECONDS:MASK",
                            "--trace-texts[=B]", "user typed \"<text>\" into", "user cannot type into",
                            "host notify 21", "host notify 165", "text <window>/<id>"})
        EXPECT_NE(std::string::npos, strHelp.find(psz)) << psz;
}

TEST(DrivenOptions, ControlPlaceAndEditSearchWithoutWindows) {
    std::string strWhy;
    EXPECT_EQ(nullptr, FindEditByLabel(nullptr, "Min", strWhy));
    EXPECT_EQ("no window can be reached", strWhy);
}

}  // namespace
