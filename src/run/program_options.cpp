#include "run/program_options.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "platform/ul/cbw.h"
#include "platform/ul/ul_errors.h"

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
    "  --board-faults=T:BOARD:CALL:ERROR[:once|always]\n"
    "                        T seconds after the start (0 to 1000000; 0: before the program starts),\n"
    "                        the board-library call CALL on board number BOARD (0 to 99, or * for any\n"
    "                        board and for the calls that take no board number) fails with the\n"
    "                        library's error code ERROR (1 to 24, or 328: the device does not respond)\n"
    "                        and does nothing, the next time it is made (once, the default) or every\n"
    "                        time from then on (always), e.g. --board-faults=2:0:cbDIn:328. CALL is one\n"
    "                        of the calls that take a board number: cbCreateDaqDevice, cbFlashLED,\n"
    "                        cbGetBoardName, cbGetConfigString, cbAOut, cbToEngUnits, cbDConfigPort,\n"
    "                        cbDConfigBit, cbDOut, cbDIn, cbDBitOut, cbDBitIn, cbCClear, cbCIn32,\n"
    "                        cbEnableEvent, cbDisableEvent; or, with BOARD *, one of those that take\n"
    "                        none: cbDeclareRevision, cbErrHandling, cbIgnoreInstaCal,\n"
    "                        cbGetDaqDeviceInventory, cbGetErrMsg\n"
    "  --board-unplug=T:BOARD[:SECONDS]\n"
    "                        T seconds after the start (or once the program has created the board, when\n"
    "                        that is later) board number BOARD stops responding, as an unplugged device:\n"
    "                        every call that needs the device fails with 328; after SECONDS (above 0) it\n"
    "                        responds again, without SECONDS it stays away, e.g. --board-unplug=2:0:3\n"
    "                        --board-faults and --board-unplug may be given several times; a run with\n"
    "                        either prints what they do and every new text of the main window's message\n"
    "                        line (\"fault\" lines below)\n"
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
    "  --type=[SECONDS:]LABEL=TEXT\n"
    "                        a user who types TEXT into the edit next to the label LABEL in the window\n"
    "                        that can be reached (the main window with its channel panels, or a dialog\n"
    "                        open over it), replacing its text, then leaves it with Tab; when several\n"
    "                        edits have that label, BOX>LABEL names the one inside the group box of\n"
    "                        caption BOX, e.g. --type=\"Channel 3>Min=-2.5\" (a panel's frame) or\n"
    "                        --type=\"Number DA Channels=4\" and --type=6=250 (QVL Advanced: the LED 6\n"
    "                        on-time); labels compare as captions do for --press; an edit not found\n"
    "                        within five seconds is reported and skipped\n"
    "  --type-enter=[SECONDS:]LABEL=TEXT\n"
    "                        the same, then Enter instead of Tab (a channel panel applies Min and Max;\n"
    "                        in a dialog Enter is its default button)\n"
    "  --file=PATH           the user answers the next file dialog (File > Save Parameters or Load\n"
    "                        Parameters) with PATH instead of cancelling it; the default extension is\n"
    "                        added to a name without one, e.g. --file=Settings/mine.prm\n"
    "                        --choose=\"File>Save Parameters\"\n"
    "                        --type, --type-enter and --file are actions in order with --choose, --check\n"
    "                        and --press, half a second apart (a --type not before its SECONDS)\n"
    "  --host-status=SECONDS:ITEM=B\n"
    "                        SECONDS after the start the simulated host changes a status item and\n"
    "                        notifies the program (one notification 21, also when the item already\n"
    "                        had that state): ITEM is attached (no: no frames\n"
    "                        come), frozen (the video; yes: no frames come) or binocular; a number\n"
    "                        0 to 65535 instead, with a whole number 0 to 65535 for B, sends that status\n"
    "                        notification alone, e.g. --host-status=2:frozen=yes --host-status=4:frozen=no\n"
    "  --host-ttl-bits=SECONDS:MASK\n"
    "                        SECONDS after the start the host requests TTL output bits 0 to 7 as in MASK\n"
    "                        (0 to 255, or 0x00 to 0xFF): one request (notification 165) per bit that\n"
    "                        differs from the previous mask (0 at the start), e.g. --host-ttl-bits=2:0x05\n"
    "  --trace-texts[=B]     print every change of a text the program shows in a control\n"
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
    "  fault <CALL> on board <b>|any board fails with <code> once|always\n"
    "  fault board <b> stops responding | fault board <b> responds again\n"
    "                         a fault of --board-faults or --board-unplug takes effect (fault lines are\n"
    "                         printed with or without --trace)\n"
    "  fault message \"<text>\"  the main window's message line shows a new text (\"\" when emptied); only\n"
    "                         in a run with --board-faults or --board-unplug\n"
    "  user typed \"<text>\" into \"<LABEL>\" in \"<window>\"\n"
    "  user cannot type into \"<LABEL>\": <reason>\n"
    "                         --type and --type-enter: the edit was typed into, or none was found\n"
    "  user will answer the next file dialog with \"<PATH>\"\n"
    "                         --file's turn came\n"
    "  host notify 21 <item> <value>, host notify 165 <bit> <on>\n"
    "                         a notification the simulated host sent for --host-status or\n"
    "                         --host-ttl-bits (with or without --trace)\n"
    "  text <window>/<id> \"<text>\"\n"
    "                         a control's text changed (--trace-texts): the title of its top-level window\n"
    "                         (followed by '>' and the caption of the group box framing the control's\n"
    "                         panel, for a control of a channel panel), the control's id and its new\n"
    "                         text; a text the program draws itself (the status line) counts as the\n"
    "                         control's text\n"
    "  run dropped <n> lines  lines lost to a full queue (written where the loss ended)\n"
    "  run kept \"<path>\"      the parameter file the run could not use (rejected at start, or its\n"
    "                         board absent), kept as this copy just before a save replaced it\n"
    "  run host posts refused=<n> +<new>\n"
    "                         the host's notifications (frames) the program could not take because its\n"
    "                         message queue was full (10000 waiting), in all and since the last such\n"
    "                         line: after the summary when new ones came, and at the end\n"
    "  run posts left unhandled=<n>\n"
    "                         at the end, a backlog of posted messages (mostly frames) the program\n"
    "                         closed before handling (printed only for more than 32)\n"
    "Without --trace only the host say and host notify, box, file, user, shot, sum, fault, text and run lines\n"
    "are printed (fault and text lines only with the options that ask for them).\n";

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

// The board-library calls a fault can be forced on; bBoard: the call takes a board number.
struct FaultCall {
    const char* pszName;
    bool bBoard;
};

constexpr FaultCall kFaultCalls[] = {
    {"cbDeclareRevision", false},
    {"cbErrHandling", false},
    {"cbIgnoreInstaCal", false},
    {"cbGetDaqDeviceInventory", false},
    {"cbCreateDaqDevice", true},
    {"cbFlashLED", true},
    {"cbGetBoardName", true},
    {"cbGetConfigString", true},
    {"cbGetErrMsg", false},
    {"cbAOut", true},
    {"cbToEngUnits", true},
    {"cbDConfigPort", true},
    {"cbDConfigBit", true},
    {"cbDOut", true},
    {"cbDIn", true},
    {"cbDBitOut", true},
    {"cbDBitIn", true},
    {"cbCClear", true},
    {"cbCIn32", true},
    {"cbEnableEvent", true},
    {"cbDisableEvent", true},
};

// The fields of a fault word, split at ':'.
std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t nStart = 0;
    for (;;) {
        const size_t nColon = text.find(':', nStart);
        fields.push_back(text.substr(nStart, nColon == std::string_view::npos ? nColon : nColon - nStart));
        if (nColon == std::string_view::npos) return fields;
        nStart = nColon + 1;
    }
}

bool ParseFaultTime(std::string_view text, double& dSeconds, std::string& strWhy) {
    if (!ParseDecimal(text, dSeconds) || dSeconds < 0.0 || dSeconds > kMaxRunSeconds) {
        strWhy = "the time must be a number of seconds from 0 to 1000000";
        return false;
    }
    return true;
}

bool ParseFaultBoard(std::string_view text, bool bAnyAllowed, int& nBoard, std::string& strWhy) {
    if (bAnyAllowed && text == "*") {
        nBoard = kSimAnyBoard;
        return true;
    }
    if (!ParseWholeInt(text, nBoard) || nBoard < 0 || nBoard > MAXBOARDNUM) {
        strWhy = bAnyAllowed ? "the board must be a board number from 0 to 99, or * for any board"
                             : "the board must be a board number from 0 to 99";
        return false;
    }
    return true;
}

// "SECONDS:" at the start of value, when what is before the first ':' is such a number: taken off value.
// FALSE only for a number out of range.
bool TakeLeadingSeconds(std::string_view& value, double& dSeconds, bool& bGiven) {
    bGiven = false;
    const size_t nColon = value.find(':');
    double d = 0.0;
    if (nColon == std::string_view::npos || !ParseDecimal(value.substr(0, nColon), d)) return true;
    if (d < 0.0 || d > kMaxRunSeconds) return false;
    dSeconds = d;
    bGiven = true;
    value = value.substr(nColon + 1);
    return true;
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// An edit's name for --type: LABEL or BOX>LABEL, no part blank.
bool ParseEditName(std::string_view text) {
    const size_t nGt = text.rfind('>');
    if (nGt == std::string_view::npos) return !IsBlank(text);
    return !IsBlank(text.substr(0, nGt)) && !IsBlank(text.substr(nGt + 1));
}

// A whole number, decimal or with 0x hexadecimal.
bool ParseWholeOrHex(std::string_view text, int& nValue) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const char* pEnd = text.data() + text.size();
        auto [ptr, ec] = std::from_chars(text.data() + 2, pEnd, nValue, 16);
        return ec == std::errc() && ptr == pEnd;
    }
    return ParseWholeInt(text, nValue);
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
        } else if (StartsWithOption(word, "--board-faults", value, bHasValue)) {
            BoardFault fault;
            std::string strWhy;
            if (!bHasValue) return bad("a fault must follow '=' (e.g. --board-faults=2:0:cbDIn:328)");
            if (!ParseBoardFault(std::string(value), fault, strWhy)) return bad(strWhy);
            options.boardFaults.push_back(fault);
        } else if (StartsWithOption(word, "--board-unplug", value, bHasValue)) {
            BoardUnplug unplug;
            std::string strWhy;
            if (!bHasValue) return bad("a time and a board must follow '=' (e.g. --board-unplug=2:0:3)");
            if (!ParseBoardUnplug(std::string(value), unplug, strWhy)) return bad(strWhy);
            options.boardUnplugs.push_back(unplug);
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
        } else if (StartsWithOption(word, "--type", value, bHasValue) ||
                   StartsWithOption(word, "--type-enter", value, bHasValue)) {
            UserMenuChoice type;
            type.bType = true;
            type.bEnter = word.substr(0, 12) == "--type-enter";
            bool bTimed = false;
            if (!TakeLeadingSeconds(value, type.dAtSeconds, bTimed)) {
                return bad("the time before ':' must be a number of seconds from 0 to 1000000");
            }
            const size_t nEq = value.find('=');
            if (!bHasValue || nEq == std::string_view::npos || !ParseEditName(value.substr(0, nEq))) {
                return bad(
                    "an edit's label, '=' and the text must follow '=' (e.g. --type=\"Number DA Channels=4\" "
                    "or --type-enter=\"Channel 3>Max=2.5\")");
            }
            type.strPath = std::string(value.substr(0, nEq));
            type.strText = std::string(value.substr(nEq + 1));
            options.choices.push_back(std::move(type));
        } else if (StartsWithOption(word, "--file", value, bHasValue)) {
            if (!bHasValue || value.empty())
                return bad("a path must follow '=' (e.g. --file=Settings/mine.prm)");
            UserMenuChoice file;
            file.bFile = true;
            file.strPath = std::string(value);
            options.choices.push_back(std::move(file));
        } else if (StartsWithOption(word, "--host-status", value, bHasValue)) {
            HostScheduledEvent ev;
            bool bTimed = false;
            const char kWhy[] =
                "expected SECONDS:ITEM=VALUE, ITEM attached, frozen or binocular with yes or no, or a status "
                "number 0 to 65535 with a whole number 0 to 65535 (e.g. --host-status=2:frozen=yes)";
            if (!bHasValue || !TakeLeadingSeconds(value, ev.dAtSeconds, bTimed) || !bTimed) return bad(kWhy);
            const size_t nEq = value.find('=');
            if (nEq == std::string_view::npos) return bad(kWhy);
            const std::string_view item = value.substr(0, nEq);
            const std::string_view setting = value.substr(nEq + 1);
            static const std::pair<const char*, int> kItems[] = {{"attached", kSimHostStatusAttached},
                                                                 {"frozen", kSimHostStatusVideoFrozen},
                                                                 {"binocular", kSimHostStatusBinocular}};
            bool bNamed = false;
            for (const auto& [pszItem, nItem] : kItems) {
                if (item != pszItem) continue;
                bool bOn = false;
                if (!ParseFlag(setting, bOn)) return bad(kWhy);
                ev.nItem = nItem;
                ev.nValue = bOn ? 1 : 0;
                bNamed = true;
            }
            if (!bNamed && (!ParseWholeInt(item, ev.nItem) || ev.nItem < 0 || ev.nItem > 0xFFFF ||
                            !ParseWholeInt(setting, ev.nValue) || ev.nValue < 0 || ev.nValue > 0xFFFF)) {
                return bad(kWhy);
            }
            options.hostEvents.push_back(ev);
        } else if (StartsWithOption(word, "--host-ttl-bits", value, bHasValue)) {
            HostScheduledEvent ev;
            ev.bTtlBits = true;
            bool bTimed = false;
            const char kWhy[] = "expected SECONDS:MASK, MASK a whole number 0 to 255 or 0x00 to 0xFF";
            if (!bHasValue || !TakeLeadingSeconds(value, ev.dAtSeconds, bTimed) || !bTimed ||
                !ParseWholeOrHex(value, ev.nValue) || ev.nValue < 0 || ev.nValue > 0xFF) {
                return bad(kWhy);
            }
            options.hostEvents.push_back(ev);
        } else if (StartsWithOption(word, "--trace-texts", value, bHasValue)) {
            if (!flag(options.bTraceTexts)) return bad("expected yes or no");
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

bool ParseBoardFault(const std::string& strText, BoardFault& fault, std::string& strWhy) {
    strWhy.clear();
    const std::vector<std::string_view> fields = SplitFields(strText);
    if (fields.size() < 4 || fields.size() > 5) {
        strWhy = "expected T:BOARD:CALL:ERROR[:once|always] (e.g. --board-faults=2:0:cbDIn:328)";
        return false;
    }
    BoardFault parsed;
    if (!ParseFaultTime(fields[0], parsed.dAtSeconds, strWhy)) return false;
    if (!ParseFaultBoard(fields[1], true, parsed.nBoard, strWhy)) return false;
    const FaultCall* pCall = nullptr;
    for (const FaultCall& call : kFaultCalls) {
        if (fields[2] == call.pszName) pCall = &call;
    }
    if (pCall == nullptr) {
        strWhy = '"';
        strWhy.append(fields[2]).append("\" is not a board-library call; one of:");
        for (const FaultCall& call : kFaultCalls) strWhy += std::string(" ") + call.pszName;
        return false;
    }
    if (!pCall->bBoard && parsed.nBoard != kSimAnyBoard) {
        strWhy = std::string(pCall->pszName) + " takes no board number: give * as the board";
        return false;
    }
    parsed.strCall = pCall->pszName;
    if (!ParseWholeInt(fields[3], parsed.nError) || parsed.nError == 0 ||
        UlErrorText(parsed.nError) == nullptr) {
        strWhy = "the error must be one of the board library's error codes, 1 to 24 or 328";
        return false;
    }
    if (fields.size() == 5) {
        if (fields[4] != "once" && fields[4] != "always") {
            strWhy = "the last field must be once or always";
            return false;
        }
        parsed.bAlways = fields[4] == "always";
    }
    fault = parsed;
    return true;
}

bool ParseBoardUnplug(const std::string& strText, BoardUnplug& unplug, std::string& strWhy) {
    strWhy.clear();
    const std::vector<std::string_view> fields = SplitFields(strText);
    if (fields.size() < 2 || fields.size() > 3) {
        strWhy = "expected T:BOARD[:SECONDS] (e.g. --board-unplug=2:0:3)";
        return false;
    }
    BoardUnplug parsed;
    if (!ParseFaultTime(fields[0], parsed.dAtSeconds, strWhy)) return false;
    if (!ParseFaultBoard(fields[1], false, parsed.nBoard, strWhy)) return false;
    if (fields.size() == 3 && (!ParseDecimal(fields[2], parsed.dForSeconds) || parsed.dForSeconds <= 0.0 ||
                               parsed.dForSeconds > kMaxRunSeconds)) {
        strWhy = "the time the board stays away must be a number of seconds above 0 and at most 1000000";
        return false;
    }
    unplug = parsed;
    return true;
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
