// Process entry: the platform's options, the simulated boards and host, then the application's run
// through the framework. The application object theApp was constructed during static initialisation and
// has already reported the launch options; the command line stays whole for it.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/tessaro_app.h"
#include "platform/win/app.h"
#include "resources/resource.h"
#include "run/program_options.h"
#include "run/run_report.h"

int main(int argc, char** argv) {
    ProgramOptions options;
    std::string strError;
    switch (ParseProgramOptions(argc, argv, options, strError)) {
        case EOptionsResult::Help:
            std::fputs(ProgramOptionsHelp(), stdout);
            return 0;
        case EOptionsResult::Bad:
            std::fprintf(stderr, "TessaroPro: %s (see --help)\n", strError.c_str());
            return 2;
        case EOptionsResult::Run:
            break;
    }
    // The framework finds the application through its constructor; naming theApp here also links it.
    if (AfxGetApp() != &theApp) {
        std::fprintf(stderr, "TessaroPro: the application object is missing\n");
        return 1;
    }

    InstallRunSignalHandlers();
    RegisterTessaroResources();  // the templates, menu, strings and pictures built into the executable
    ApplySimulationOptions(options);
    CRunSession session(options, STDOUT_FILENO);
    session.Start();
    const int nExitCode = AfxWinMain(argc, argv);
    session.Finish();
    return nExitCode;
}
