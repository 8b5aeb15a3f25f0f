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
//   --board-faults=T:BOARD:CALL:ERROR[:once|always]   ParseBoardFault; may be given several times
//   --board-unplug=T:BOARD[:SECONDS]                  ParseBoardUnplug; may be given several times
//   --frame-cost=US        whole number 0..1000000
//   --choose=PATH, --check=PATH   menu texts separated by '>', none of them empty
//   --press=[SECONDS:]CAPTION     a button caption, not blank; SECONDS a decimal number 0..1000000
//   --headless[=SECONDS]   decimal number above 0, at most 1000000
//   --screenshot=DIR[:SECONDS]   DIR not empty; SECONDS a decimal number 0..1000000 (default 1); a last
//                          ':' followed by anything else belongs to DIR
//   --trace[=B]
//   --type=[SECONDS:]LABEL=TEXT, --type-enter=[SECONDS:]LABEL=TEXT
//                          LABEL: [BOX>]LABEL, neither blank; TEXT may be empty (a '=' in LABEL cannot be
//                          given); kept in order with --choose, --check and --press
//   --file=PATH            PATH not empty; in order with them too
//   --host-status=SECONDS:ITEM=VALUE   ITEM attached, frozen or binocular with VALUE a B, or a whole number
//                          0..65535 with VALUE one too
//   --host-ttl-bits=SECONDS:MASK   MASK a whole number 0..255, decimal or 0x hexadecimal
//   --trace-texts[=B]
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
    // --type and --type-enter: strPath names an edit by the label next to it ("Number DA Channels"), with
    // the caption of the group box it lies in first when the label alone is not enough ("Channel 3>Min");
    // strText is typed into it, then the user leaves it with Tab (bEnter: presses Enter).
    bool bType = false;
    bool bEnter = false;
    std::string strText{};
    // --file: strPath is the answer to the next file dialog shown after this action's turn.
    bool bFile = false;
};

// What the simulated host does on its own at a time since the start: a status change (notification 21)
// or a request for the TTL output bits (notification 165 for each bit that differs from the last mask).
struct HostScheduledEvent {
    double dAtSeconds = 0.0;
    bool bTtlBits = false;  // --host-ttl-bits: nValue is the mask
    int nItem = 0;          // --host-status: the status item (sub-code)
    int nValue = 0;
};

// A board-library call made to fail from a time on (--board-faults): from dAtSeconds after the start, the
// next call strCall on board nBoard (kSimAnyBoard: on any board, and the calls that take no board number)
// answers nError and does nothing, once or (bAlways) every time.
struct BoardFault {
    double dAtSeconds = 0.0;
    int nBoard = kSimAnyBoard;
    std::string strCall;
    int nError = 0;
    bool bAlways = false;
};

// A board that stops responding (--board-unplug): from dAtSeconds after the start (or from its creation,
// when it is created later), for dForSeconds, or for the rest of the run when dForSeconds is negative.
struct BoardUnplug {
    double dAtSeconds = 0.0;
    int nBoard = 0;
    double dForSeconds = -1.0;
};

// "T:BOARD:CALL:ERROR[:once|always]" and "T:BOARD[:SECONDS]"; FALSE with the reason in strWhy.
bool ParseBoardFault(const std::string& strText, BoardFault& fault, std::string& strWhy);
bool ParseBoardUnplug(const std::string& strText, BoardUnplug& unplug, std::string& strWhy);

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
    std::vector<HostScheduledEvent> hostEvents;  // --host-status and --host-ttl-bits, as given
    bool bTraceTexts = false;                    // --trace-texts
    bool bHelp = false;

    // Board faults forced on the simulated boards, in the order given.
    std::vector<BoardFault> boardFaults;
    std::vector<BoardUnplug> boardUnplugs;

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
