// The launch words: the input, split at its zero bytes, is the program's argument list. The runner's
// platform options read it (and, when it is good, give the simulations their settings); the framework
// joins it into the command line, whose launch options the application reports to the host. The whole
// input is also given to the launch-option parser as one command line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/tessaro_app.h"
#include "fuzz/fuzz_run.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/sim_control.h"
#include "platform/win/kernel_testing.h"
#include "run/program_options.h"

namespace {

constexpr char kReportPrefix[] = "~Tessaro launch specified ";

// Every host log line since the reset is a launch report, one per word reported.
void CheckReports(int nReported) {
    const std::vector<SimHostLogLine> lines = SimHost().LogLines();
    if (static_cast<int>(lines.size()) != nReported) FuzzFail("a launch report count that is not the log's");
    for (const SimHostLogLine& line : lines) {
        if (line.strText.rfind(kReportPrefix, 0) != 0) FuzzFail("a host log line that is no launch report");
        NoteFuzzObservation(line.strText);
    }
}

}  // namespace

void RunLaunchWords(const std::uint8_t* pData, std::size_t nSize) {
    ClearFuzzObservations();
    std::vector<std::string> words = {"TessaroPro"};
    std::string strWord;
    for (std::size_t i = 0; i < nSize; ++i) {
        if (pData[i] == 0) {
            words.push_back(strWord);
            strWord.clear();
        } else {
            strWord.push_back(static_cast<char>(pData[i]));
        }
    }
    words.push_back(strWord);
    std::vector<const char*> argv;
    for (const std::string& s : words) argv.push_back(s.c_str());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());

    SimHost().Reset();
    CSimBoards::Reset();

    ProgramOptions options;
    std::string strError;
    const EOptionsResult eResult = ParseProgramOptions(argc, argv.data(), options, strError);
    if (eResult == EOptionsResult::Bad && strError.empty()) FuzzFail("a bad option without a reason");
    if (eResult == EOptionsResult::Run) ApplySimulationOptions(options);
    NoteFuzzObservation("options " + std::to_string(static_cast<int>(eResult)) + " " + strError);
    SimHost().Reset();
    CSimBoards::Reset();

    AfxSetCommandLine(argc, argv.data());
    CheckReports(ParseLaunchOptions(GetCommandLineA()));
    SimHost().Reset();

    CheckReports(ParseLaunchOptions(std::string(reinterpret_cast<const char*>(pData), nSize)));
    SimHost().Reset();
}

// The replay test calls the run itself.
#ifndef TESSARO_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    RunLaunchWords(pData, nSize);
    return 0;
}
#endif
