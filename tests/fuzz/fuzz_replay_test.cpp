// The fuzz targets' seed inputs in every build of the tests: each seed runs without a finding, and runs
// again, after all the other seeds of its target, with the same observations. A global that the harness
// does not reset, or a simulation that keeps something between runs, makes an input's run depend on the
// runs before it, and a finding of the fuzzer could then not be reproduced from its input alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_run.h"

namespace {

using RunFunction = void (*)(const std::uint8_t*, std::size_t);

// The seed files of a target, by name.
std::vector<std::pair<std::string, std::string>> Seeds(const char* pszTarget) {
    std::vector<std::pair<std::string, std::string>> seeds;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(TESSARO_FUZZ_CORPUS_DIR) + "/" + pszTarget)) {
        std::ifstream in(entry.path(), std::ios::binary);
        seeds.emplace_back(entry.path().filename().string(), std::string((std::istreambuf_iterator<char>(in)),
                                                                         std::istreambuf_iterator<char>()));
    }
    std::sort(seeds.begin(), seeds.end());
    return seeds;
}

std::vector<std::string> Run(RunFunction pfnRun, const std::string& strInput) {
    pfnRun(reinterpret_cast<const std::uint8_t*>(strInput.data()), strInput.size());
    return FuzzObservations();
}

// Runs every seed in name order, then again in the reverse order; returns the first round's observations.
std::vector<std::vector<std::string>> CheckRunsAlike(const char* pszTarget, RunFunction pfnRun) {
    const auto seeds = Seeds(pszTarget);
    EXPECT_GE(seeds.size(), 5u);
    std::vector<std::vector<std::string>> first;
    for (const auto& [strName, strInput] : seeds) first.push_back(Run(pfnRun, strInput));
    for (size_t i = seeds.size(); i-- > 0;)
        EXPECT_EQ(first[i], Run(pfnRun, seeds[i].second)) << pszTarget << "/" << seeds[i].first;
    return first;
}

bool Has(const std::vector<std::string>& lines, const std::string& strStart) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& s) { return s.rfind(strStart, 0) == 0; });
}

}  // namespace

TEST(FuzzReplay, ParameterFileSeedsRunAlikeAfterOtherRuns) {
    const auto runs = CheckRunsAlike("param_file_fuzz", RunParamFileInput);
    for (const auto& lines : runs) {
        // Every run wrote the exit save, drove a board and showed the file dialogs.
        EXPECT_TRUE(Has(lines, "file TessaroParams.prm 692 "));
        EXPECT_TRUE(Has(lines, "ul cbDeclareRevision(")) << ::testing::PrintToString(lines);
        EXPECT_TRUE(Has(lines, "box 1 "));
        EXPECT_TRUE(Has(lines, "box 2 "));
    }
}

TEST(FuzzReplay, HostInputSeedsRunAlikeAfterOtherRuns) {
    const auto runs = CheckRunsAlike("host_inputs_fuzz", RunHostInputs);
    for (const auto& lines : runs) EXPECT_TRUE(Has(lines, "file TessaroParams.prm 692 "));
}

TEST(FuzzReplay, LaunchWordSeedsRunAlikeAfterOtherRuns) {
    const auto runs = CheckRunsAlike("launch_words_fuzz", RunLaunchWords);
    for (const auto& lines : runs) EXPECT_TRUE(Has(lines, "options "));
    // The first seed reports its serial and board numbers.
    EXPECT_TRUE(Has(runs[1], "~Tessaro launch specified SerialNumber: 01A2B3C4 "));
}
