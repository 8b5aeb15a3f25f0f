// Process entry: the platform's options, the simulated boards and host, then the application's run
// through the framework, in windows on the X display when one opens and --headless is not given. The
// application object theApp was constructed during static initialisation and has already reported the
// launch options; the command line stays whole for it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/about_box.h"
#include "app/tessaro_app.h"
#include "build_stamp.h"
#include "platform/screen/screen_session.h"
#include "platform/ul/sim_control.h"
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

    SetBuildStamp(g_BuildStamp.szDate, g_BuildStamp.szTime);
    InstallRunSignalHandlers();
    RegisterTessaroResources();  // the templates, menu, strings and pictures built into the executable
    ApplySimulationOptions(options);
    // The run reads the library's calls through its own hook; the simulation's log of the last calls is
    // for tests that read it back, and a long run would only fill it (some megabytes) and copy into it.
    CSimBoards::SetCallLogLimit(0);

    // The screen is started on this thread, the one that runs the application's windows, and before any
    // window exists, so that every window is laid out with the screen's font. Without a display the run
    // is headless as with --headless; only a display that is named but cannot be opened is mentioned.
    CScreenSession screen;
    bool bOnScreen = false;
    if (!options.bHeadless) {
        bOnScreen = screen.Start(nullptr) != FALSE;
        const char* pszDisplay = std::getenv("DISPLAY");
        if (!bOnScreen && pszDisplay != nullptr && *pszDisplay != '\0') {
            std::fprintf(stderr, "TessaroPro: %s, running headless\n", screen.GetError().c_str());
        }
    }

    CRunSession session(options, STDOUT_FILENO);
    session.SetOnScreen(bOnScreen);
    session.Start();
    const int nExitCode = AfxWinMain(argc, argv);
    screen.Stop();
    session.Finish();
    return nExitCode;
}
