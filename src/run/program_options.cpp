#include "run/program_options.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

constexpr double kMaxRunSeconds = 1000000.0;
constexpr int kMaxFrameCostUs = 1000000;

const char kHelp[] =
    "Usage: TessaroPro [platform options] [launch options]\n"
    "\n"
    "TessaroPro turns the tracker host's frames into analog output codes, TTL words and data-file\n"
    "markers. On this machine it runs against a simulated tracker host and simulated boards: in its\n"
    "windows when the X display named by DISPLAY opens and --headless is not given (until the user\n"
    "closes the main window, or Ctrl-C, SIGTERM or SIGHUP), else headless. On a screen the user answers\n"
    "its message boxes and file dialogs there, and it prints the same lines as headless.\n"
    "\n"
    "Platform options (one word each, a value after '='):\n"
    "  --boards=LIST         simulated boards attached: NAME[:SERIAL] entries separated by commas, e.g.\n"
    "                        --boards=PCI-DDA08/12:01A2B3C4,PCI-DIO24 (a missing serial is generated).\n"
    "                        Default: none; the program then offers its own demo board.\n"
    "  --host-rate=HZ        frame rate of the simulated host, 1 to 2000 (default 60)\n"
    "  --host-binocular[=B]  the host tracks both eyes (default no)\n"
    "  --host-attached=B     the host is attached to its tracker (default yes; no: no frames come)\n"
    "  --host-latency=MS     camera-to-data latency of the host's LED camera, 0 to 1000 (default 5)\n"
    "  --host-pattern=NAME   eye movement: natural (fixations, saccades, blinks), still or sweep\n"
    "                        (default natural)\n"
    "  --host-rois=N         the host's operator lays N regions of interest (0 to 16, default 0) over\n"
    "                        the screen as a grid of equal cells, numbered left to right and top to\n"
    "                        bottom (4: the quadrants), so the host's ROI code follows the gaze\n"
    "  --board-inputs=P[:MS] a signal source on the eight TTL input lines of every simulated board\n"
    "                        (port 10; AUXPORT lines 0 to 7 on the USB-1208HS): P is off (default),\n"
    "                        count (a binary count) or walk (one line high at a time, moving up), one\n"
    "                        step every MS milliseconds (1 to 60000, default 500)\n"
    "  --frame-cost=US       a slow program: reading each new frame's data from the simulated host\n"
    "                        costs the reader US microseconds more (0 to 1000000, default 0), spent\n"
    "                        busy on its thread; at a high --host-rate the frames then come faster than\n"
    "                        they can be handled (the \"run host posts refused\" and \"run posts left\"\n"
    "                        lines below say what the program could not take)\n"
    "  --choose=PATH         a user who, after start-up, chooses this item of the main window's menu:\n"
    "                        PATH is the texts from the menu bar down, '>' between them, e.g.\n"
    "                        --choose=\"Options>TTL>TTL Test\"; '&' marks, repeated blanks and letter\n"
    "                        case do not count\n"
    "  --check=PATH          the same, but the item is chosen only when it has no check mark (so an\n"
    "                        option that is already on stays on)\n"
    "  --press=[SECONDS:]CAPTION\n"
    "                        a user who clicks the button with this caption in the window that is open\n"
    "                        and can be reached (the main window, or a dialog open over it, such as\n"
    "                        \"QVL Advanced\"); '&' marks, blanks, line breaks and letter case do not\n"
    "                        count; with SECONDS, not before that many seconds after the start, e.g.\n"
    "                        --press=\"Setup ROIs\" --press=4:Start\n"
    "                        --choose, --check and --press may be given several times: the actions are\n"
    "                        made in order, the first one second after the start, each next one half a\n"
    "                        second later (or at its SECONDS), a menu choice once the main window can be\n"
    "                        reached (no box or dialog open over it); a button not found within five\n"
    "                        seconds is reported and skipped\n"
    "  --headless[=SECONDS]  run without windows on the display, even when one opens, and, with\n"
    "                        SECONDS (above 0), close the program as a user would after that time: the\n"
    "                        close box, then Yes to the quit question. Without SECONDS it runs until\n"
    "                        Ctrl-C, SIGTERM or SIGHUP (its terminal closed), which close it the same\n"
    "                        way; a second such signal ends it at once, unsaved.\n"
    "  --screenshot=DIR[:SECONDS]\n"
    "                        SECONDS after the start (default 1), write a PNG picture of every visible\n"
    "                        window into the folder DIR (made when missing), named by the window's\n"
    "                        title, e.g. DIR/TessaroPro.png; the run goes on. Headless or on a screen.\n"
    "                        A run with --screenshot lays its windows' texts out with the screen's font\n"
    "                        (DejaVu Sans) from the start, headless too, so the pictures show what a\n"
    "                        screen shows; runs without it keep the fixed headless text metrics.\n"
    "  --trace[=B]           print every board-library call, host command and host data call\n"
    "  --help                this text\n"
    "  B is yes or no (also on/off, true/false, 1/0); a bare flag means yes.\n"
    "A bad platform option ends the program with exit status 2 before it starts.\n"
    "\n"
    "Launch options: a word holding -SN:<serial> or -BN:<number> is reported to the host.\n"
    "Every other word is ignored.\n"
    "\n"
    "Output: standard output, one line per item, written by a printing thread so that a slow reader\n"
    "never holds the program up (when 65536 lines wait, newer ones are dropped and counted):\n"
    "  <seconds> <kind> <text>\n"
    "<seconds>: time since start, three decimals. Kinds and texts:\n"
    "  ul <name>(<arguments>) = <result>\n"
    "      a board-library call; arguments in decimal, texts quoted, a pointer as NULL, &<value> or\n"
    "      ptr; a word the caller presets as &<value seen>-><value left> (&<value seen> when the call\n"
    "      did not write it); e.g. \"ul cbAOut(0, 3, 101, 2047) = 0\", \"ul cbDIn(0, 0, &123->0) = 0\"  "
    "(--trace only)\n"
    "  host say '<text>'      a log line the program sent to the host\n"
    "  host marker <letter>   a data-file marker  (--trace only)\n"
    "  host cmd <line>, host bad <line>, host unknown <line>\n"
    "      any other host command: known, known with arguments not understood, unknown  (--trace only)\n"
    "  host CRS_DistributeMessages(<code>, <value>) = <result>\n"
    "  host CRS_SetStatus_PRIVATE(<item>, <value>) = <result>\n"
    "      data the program handed to the host: a distributed message, a private status item\n"
    "      (--trace only)\n"
    "  box <answer> <buttons> \"<caption>\" \"<text>\"\n"
    "      a message box once answered, e.g. box IDYES MB_YESNO \"TessaroPro\" \"Quit TessaroPro? ...\";\n"
    "      texts escaped as in C: \\n \\t \\\" \\\\ \\xNN\n"
    "  file <answer> open|save \"<title>\" \"<filter>\" \"<path>\"\n"
    "      a File > Load / Save dialog once answered, with the path chosen (empty when cancelled)\n"
    "  sum frames=<n> +<new> markers=<n> +<new> \"<letters>\" | board=<b> \"<product>\" ttl-out=0x<hh>\n"
    "      ttl-in=0x<hh> ch<c>=<code>,<volts>V ...\n"
    "      once a second and at the end, one line: the host's frames and the markers sent, in all and\n"
    "      since the last summary (with those markers' letters, the last 32 after \"...\"); then per\n"
    "      simulated board the program created: its TTL output word and the levels of its TTL input\n"
    "      lines (\"--\" when it has none) and each D/A channel written so far with its code and output\n"
    "      voltage; \"| no board\" when the program created none\n"
    "  user chose <path>      the user chose the menu item (its texts as the menu has them)\n"
    "  user left <path> checked\n"
    "                         --check found the item already checked and did not choose it\n"
    "  user cannot choose \"<PATH>\": <reason>\n"
    "                         no such menu item, or it is grayed\n"
    "  user pressed \"<caption>\" in \"<window>\"\n"
    "  user cannot press \"<CAPTION>\": <reason>\n"
    "  sum ... | latency count=<n> On n=<n> min=<ms> ave=<ms> max=<ms> Off n=<n> min=<ms> ave=<ms> max=<ms>\n"
    "                         while the \"QVL Advanced\" dialog is open, the summary ends with its\n"
    "                         latency table as it shows it: the burst's pulse count and, per row (LED on,\n"
    "                         LED off), the count and the minimum, average and maximum latency in ms;\n"
    "                         \"-\" for a blank field\n"
    "  shot <path>            a screenshot written (--screenshot)\n"
    "  shot cannot write \"<DIR>\": <reason>\n"
    "                         the folder could not be made, or no picture could be written\n"
    "  run dropped <n> lines  lines lost to a full queue (written where the loss ended)\n"
    "  run host posts refused=<n> +<new>\n"
    "                         the host's notifications (frames) the program could not take because its\n"
    "                         message queue was full (10000 waiting), in all and since the last such\n"
    "                         line: after the summary when new ones came, and at the end\n"
    "  run posts left unhandled=<n>\n"
    "                         at the end, a backlog of posted messages (mostly frames) the program\n"
    "                         closed before handling (printed only for more than 32)\n"
    "Without --trace only the host say, box, file, user, shot, sum and run lines are printed.\n";

bool StartsWithOption(std::string_view word, std::string_view name, std::string_view& value,
                      bool& bHasValue) {
    if (word.substr(0, name.size()) != name) return false;
    if (word.size() == name.size()) {
        bHasValue = false;
        value = {};
        return true;
    }
    if (word[name.size()] != '=') return false;
    bHasValue = true;
    value = word.substr(name.size() + 1);
    return true;
}

bool ParseWholeInt(std::string_view text, int& nValue) {
    if (text.empty()) return false;
    const char* pEnd = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), pEnd, nValue);
    return ec == std::errc() && ptr == pEnd;
}

bool ParseDecimal(std::string_view text, double& dValue) {
    if (text.empty()) return false;
    const char* pEnd = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), pEnd, dValue, std::chars_format::fixed);
    return ec == std::errc() && ptr == pEnd && std::isfinite(dValue);
}

bool ParseFlag(std::string_view text, bool& bValue) {
    static const std::pair<const char*, bool> kWords[] = {{"yes", true},  {"no", false},  {"on", true},
                                                          {"off", false}, {"true", true}, {"false", false},
                                                          {"1", true},    {"0", false}};
    for (const auto& [pszWord, bWord] : kWords) {
        if (text == pszWord) {
            bValue = bWord;
            return true;
        }
    }
    return false;
}

// A menu path: '>' between texts, none of them empty or blank.
bool ParseMenuPath(std::string_view text) {
    size_t nStart = 0;
    for (;;) {
        const size_t nEnd = text.find('>', nStart);
        const std::string_view part =
            text.substr(nStart, nEnd == std::string_view::npos ? nEnd : nEnd - nStart);
        if (part.find_first_not_of(" \t") == std::string_view::npos) return false;
        if (nEnd == std::string_view::npos) return true;
        nStart = nEnd + 1;
    }
}

std::string Quoted(std::string_view word) {
    std::string str;
    str.reserve(word.size() + 2);
    str += '"';
    str.append(word);
    str += '"';
    return str;
}

}  // namespace

EOptionsResult ParseProgramOptions(int argc, const char* const* argv, ProgramOptions& options,
                                   std::string& strError) {
    strError.clear();
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i] ? argv[i] : "";
        std::string_view value;
        bool bHasValue = false;
        auto bad = [&](const std::string& strWhy) {
            strError = Quoted(word) + ": " + strWhy;
            return EOptionsResult::Bad;
        };
        auto flag = [&](bool& bTarget) {
            if (!bHasValue) {
                bTarget = true;
                return true;
            }
            return ParseFlag(value, bTarget);
        };

        if (StartsWithOption(word, "--boards", value, bHasValue)) {
            if (!bHasValue) return bad("a board list must follow '=' (e.g. --boards=PCI-DDA08/12)");
            std::vector<SimAttachedDevice> devices;
            std::string strWhy;
            if (!CSimBoards::ParseDeviceList(std::string(value), devices, strWhy)) {
                return bad("bad board list: " + strWhy);
            }
            options.devices = std::move(devices);
        } else if (StartsWithOption(word, "--host-rate", value, bHasValue)) {
            int nRate = 0;
            if (!bHasValue || !ParseWholeInt(value, nRate) || nRate < 1 || nRate > kSimHostMaxFrameRate) {
                return bad("the frame rate must be a whole number from 1 to 2000 (Hz)");
            }
            options.nHostRate = nRate;
        } else if (StartsWithOption(word, "--host-binocular", value, bHasValue)) {
            if (!flag(options.bHostBinocular)) return bad("expected yes or no");
        } else if (StartsWithOption(word, "--host-attached", value, bHasValue)) {
            if (!flag(options.bHostAttached)) return bad("expected yes or no");
        } else if (StartsWithOption(word, "--host-latency", value, bHasValue)) {
            double dMs = 0.0;
            if (!bHasValue || !ParseDecimal(value, dMs) || dMs < 0.0 || dMs > kSimHostMaxLatencyMs) {
                return bad("the latency must be a number from 0 to 1000 (ms)");
            }
            options.dHostLatencyMs = dMs;
        } else if (StartsWithOption(word, "--host-pattern", value, bHasValue)) {
            SimEyePattern ePattern = SimEyePattern::Natural;
            if (!bHasValue || !SimEyePatternFromName(std::string(value).c_str(), &ePattern)) {
                return bad("the eye pattern must be natural, still or sweep");
            }
            options.eHostPattern = ePattern;
        } else if (StartsWithOption(word, "--host-rois", value, bHasValue)) {
            int nRois = 0;
            if (!bHasValue || !ParseWholeInt(value, nRois) || nRois < 0 || nRois > kSimHostRoiCount) {
                return bad("the number of regions of interest must be a whole number from 0 to 16");
            }
            options.nHostRois = nRois;
        } else if (StartsWithOption(word, "--board-inputs", value, bHasValue)) {
            SimTtlInputPattern pattern;
            std::string strWhy;
            if (!bHasValue) return bad("a pattern must follow '=' (e.g. --board-inputs=walk)");
            if (!CSimBoards::ParseTtlInputPattern(std::string(value), pattern, strWhy)) return bad(strWhy);
            options.boardInputs = pattern;
        } else if (StartsWithOption(word, "--frame-cost", value, bHasValue)) {
            int nMicros = 0;
            if (!bHasValue || !ParseWholeInt(value, nMicros) || nMicros < 0 || nMicros > kMaxFrameCostUs) {
                return bad("the frame cost must be a whole number from 0 to 1000000 (microseconds)");
            }
            options.nFrameCostUs = nMicros;
        } else if (StartsWithOption(word, "--choose", value, bHasValue) ||
                   StartsWithOption(word, "--check", value, bHasValue)) {
            if (!bHasValue || !ParseMenuPath(value)) {
                return bad("a menu path must follow '=': menu texts with '>' between them, none empty");
            }
            options.choices.push_back({std::string(value), word.substr(0, 7) == "--check"});
        } else if (StartsWithOption(word, "--press", value, bHasValue)) {
            UserMenuChoice press;
            press.bPress = true;
            std::string_view caption = value;
            const size_t nColon = value.find(':');
            double dSeconds = 0.0;
            if (nColon != std::string_view::npos && ParseDecimal(value.substr(0, nColon), dSeconds)) {
                if (dSeconds < 0.0 || dSeconds > kMaxRunSeconds) {
                    return bad("the time before ':' must be a number of seconds from 0 to 1000000");
                }
                press.dAtSeconds = dSeconds;
                caption = value.substr(nColon + 1);
            }
            if (!bHasValue || caption.find_first_not_of(" \t") == std::string_view::npos) {
                return bad(
                    "a button caption must follow '=' (e.g. --press=\"Setup ROIs\" or --press=5:Start)");
            }
            press.strPath = std::string(caption);
            options.choices.push_back(std::move(press));
        } else if (StartsWithOption(word, "--headless", value, bHasValue)) {
            double dSeconds = 0.0;
            if (bHasValue &&
                (!ParseDecimal(value, dSeconds) || dSeconds <= 0.0 || dSeconds > kMaxRunSeconds)) {
                return bad("the run time must be a number of seconds above 0 and at most 1000000");
            }
            options.bHeadless = true;
            options.dRunSeconds = dSeconds;
        } else if (StartsWithOption(word, "--screenshot", value, bHasValue)) {
            std::string_view dir = value;
            double dSeconds = 1.0;
            const size_t nColon = value.rfind(':');
            if (nColon != std::string_view::npos && ParseDecimal(value.substr(nColon + 1), dSeconds)) {
                if (dSeconds < 0.0 || dSeconds > kMaxRunSeconds) {
                    return bad("the time after ':' must be a number of seconds from 0 to 1000000");
                }
                dir = value.substr(0, nColon);
            }
            if (!bHasValue || dir.empty()) {
                return bad("a folder must follow '=' (e.g. --screenshot=shots or --screenshot=shots:2.5)");
            }
            options.strScreenshotDir = std::string(dir);
            options.dScreenshotSeconds = dSeconds;
        } else if (StartsWithOption(word, "--trace", value, bHasValue)) {
            if (!flag(options.bTrace)) return bad("expected yes or no");
        } else if (word == "--help") {
            options.bHelp = true;
        } else if (StartsWithOption(word, "--help", value, bHasValue)) {
            return bad("--help takes no value");
        } else {
            options.otherWords.emplace_back(word);
        }
    }
    return options.bHelp ? EOptionsResult::Help : EOptionsResult::Run;
}

const char* ProgramOptionsHelp() {
    return kHelp;
}

void ApplySimulationOptions(const ProgramOptions& options) {
    CSimBoards::SetAttachedDevices(options.devices);
    CSimHost& host = SimHost();
    host.SetFrameRate(options.nHostRate);
    host.SetBinocular(options.bHostBinocular);
    host.SetAttached(options.bHostAttached);
    host.SetLatencyMs(options.dHostLatencyMs);
    host.SetEyePattern(options.eHostPattern);
    host.PlaceRoiGrid(options.nHostRois);
    CSimBoards::SetTtlInputPattern(options.boardInputs);
    host.SetFrameCost(options.nFrameCostUs);
}
