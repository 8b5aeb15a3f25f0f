// The platform's own program options: the simulated boards and tracker host of this machine, the headless
// run time, screenshots and the trace. They are read from the process's arguments before the application
// runs; the command line itself is left as it is, so the application's launch-option parsing still sees every
// word (it acts only on "-SN:" and "-BN:" and ignores the rest, platform options included).
//
// Forms (one word each; a value follows '=' in the same word):
//   --boards=LIST          NAME[:SERIAL] entries separated by commas (CSimBoards::ParseDeviceList)
//   --host-rate=HZ         whole number 1..2000
//   --host-binocular[=B]   B: yes/no, on/off, true/false, 1/0; bare means yes
//   --host-attached=B
//   --host-latency=MS      decimal number 0..1000
//   --host-pattern=NAME    natural, still or sweep
//   --host-rois=N          whole number 0..16
//   --board-inputs=P[:MS]  CSimBoards::ParseTtlInputPattern
//   --frame-cost=US        whole number 0..1000000
//   --choose=PATH, --check=PATH   menu texts separated by '>', none of them empty
//   --press=[SECONDS:]CAPTION     a button caption, not blank; SECONDS a decimal number 0..1000000
//   --headless[=SECONDS]   decimal number above 0, at most 1000000
//   --screenshot=DIR[:SECONDS]   DIR not empty; SECONDS a decimal number 0..1000000 (default 1); a last
//                          ':' followed by anything else belongs to DIR
//   --trace[=B]
//   --help
// A word that starts with one of these names but is malformed (missing, empty or bad value, a value given
// to --help) is an error. Every other word is not a platform option and is ignored here. When a name is
// given twice the last word wins, but for --choose and --check, which are all kept in order.
#pragma once

#include <string>
#include <vector>

#include "platform/hostlib/eye_model.h"
#include "platform/hostlib/sim_host.h"
#include "platform/ul/sim_control.h"

// What the simulated user does after start-up, in order: a menu item of the main window, named by its
// texts from the menu bar down, or (bPress) a button of the window the user can reach, named by its caption.
struct UserMenuChoice {
    std::string strPath;        // as given, e.g. "Options>TTL>TTL inputs send DataFile markers", or "Start"
    bool bOnlyToCheck = false;  // --check: chosen only while the item has no check mark
    bool bPress = false;        // --press: strPath is a button caption
    double dAtSeconds = 0.0;    // --press=SECONDS:...: not before this time since the start
};

struct ProgramOptions {
    std::vector<SimAttachedDevice> devices;  // none by default: the program then offers its own demo board
    int nHostRate = kSimHostDefaultFrameRate;
    bool bHostBinocular = false;
    bool bHostAttached = true;
    double dHostLatencyMs = kSimHostDefaultLatencyMs;
    SimEyePattern eHostPattern = SimEyePattern::Natural;
    int nHostRois = 0;                    // ROIs the host's operator lays over the screen
    SimTtlInputPattern boardInputs;       // driven on the simulated boards' TTL input lines
    int nFrameCostUs = 0;                 // each frame's extra cost to the program (CSimHost::SetFrameCost)
    std::vector<UserMenuChoice> choices;  // --choose, --check and --press, in order
    bool bHeadless = false;               // never on a screen, even when a display opens
    double dRunSeconds = 0.0;         // 0: no run time, the program runs until it is closed or interrupted
    std::string strScreenshotDir;     // empty: no screenshots
    double dScreenshotSeconds = 1.0;  // since the start
    bool bTrace = false;
    bool bHelp = false;
    // The arguments that are not platform options, in order: what is left for the launch options.
    std::vector<std::string> otherWords;
};

enum class EOptionsResult { Run, Help, Bad };

// argv[0] (the program's path) is skipped. Bad: strError names the word and the reason, and the options
// are left as far as they were read.
EOptionsResult ParseProgramOptions(int argc, const char* const* argv, ProgramOptions& options,
                                   std::string& strError);

// The text of --help (options, the output formats), ending with a newline.
const char* ProgramOptionsHelp();

// Gives the simulated boards their attached devices and TTL input pattern, and the simulated host its
// rate, eye mode, attachment, latency, eye pattern, ROIs and frame cost.
void ApplySimulationOptions(const ProgramOptions& options);
