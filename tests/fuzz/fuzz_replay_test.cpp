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
#include <map>
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

// Runs every seed in name order, then again in the reverse order; returns the first round's observations
// by seed name.
std::map<std::string, std::vector<std::string>> CheckRunsAlike(const char* pszTarget, RunFunction pfnRun) {
    const auto seeds = Seeds(pszTarget);
    EXPECT_GE(seeds.size(), 5u);
    std::map<std::string, std::vector<std::string>> first;
    for (const auto& [strName, strInput] : seeds) first[strName] = Run(pfnRun, strInput);
    for (auto it = seeds.rbegin(); it != seeds.rend(); ++it) {
        const std::vector<std::string>& before = first[it->first];
        const std::vector<std::string> again = Run(pfnRun, it->second);
        // The first line that differs says what carried over.
        size_t i = 0;
        while (i < before.size() && i < again.size() && before[i] == again[i]) ++i;
        EXPECT_TRUE(i == before.size() && i == again.size())
            << pszTarget << "/" << it->first << ", line " << i << ": \""
            << (i < before.size() ? before[i] : "<none>") << "\", then \""
            << (i < again.size() ? again[i] : "<none>") << "\"";
    }
    return first;
}

bool Has(const std::vector<std::string>& lines, const std::string& strStart) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& s) { return s.rfind(strStart, 0) == 0; });
}

}  // namespace

TEST(FuzzReplay, ParameterFileSeedsRunAlikeAfterOtherRuns) {
    const auto runs = CheckRunsAlike("param_file_fuzz", RunParamFileInput);
    for (const auto& [strName, lines] : runs) {
        // Every run wrote the exit save, drove a board and showed the file dialogs.
        EXPECT_TRUE(Has(lines, "file TessaroParams.prm 692 ")) << strName;
        EXPECT_TRUE(Has(lines, "ul cbDeclareRevision(")) << strName;
        EXPECT_TRUE(Has(lines, "box 1 ")) << strName;
        EXPECT_TRUE(Has(lines, "box 2 ")) << strName;
    }
}

TEST(FuzzReplay, HostInputSeedsRunAlikeAfterOtherRuns) {
    const auto runs = CheckRunsAlike("host_inputs_fuzz", RunHostInputs);
    for (const auto& [strName, lines] : runs)
        EXPECT_TRUE(Has(lines, "file TessaroParams.prm 692 ")) << strName;
}

TEST(FuzzReplay, LaunchWordSeedsRunAlikeAfterOtherRuns) {
    const auto runs = CheckRunsAlike("launch_words_fuzz", RunLaunchWords);
    for (const auto& [strName, lines] : runs) EXPECT_TRUE(Has(lines, "options ")) << strName;
    EXPECT_TRUE(Has(runs.at("launch-options"), "~Tessaro launch specified SerialNumber: 01A2B3C4 "));
}
