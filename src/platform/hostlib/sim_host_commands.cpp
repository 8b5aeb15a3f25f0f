// The simulated host's command interpreter. Lines are any text: they are parsed without assumptions about
// length, characters or argument counts, and a line that is not understood is recorded and does nothing.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "platform/hostlib/sim_host.h"

namespace {

struct ParsedCommand {
    SimHostCommandKind eKind = SimHostCommandKind::Unknown;
    bool bValid = false;
    std::string strText;  // say: the log text
    char cLetter = 0;
    int nNumber = 0;
    double dValues[4] = {};
    bool bFlag = false;
    std::vector<std::string> items;  // penplot: the signed items; penPlot_Range: the item
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[i]);
        const unsigned char la = ca >= 'A' && ca <= 'Z' ? static_cast<unsigned char>(ca + 32) : ca;
        const unsigned char lb = cb >= 'A' && cb <= 'Z' ? static_cast<unsigned char>(cb + 32) : cb;
        if (la != lb) return false;
    }
    return true;
}

std::vector<std::string_view> SplitTokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i])) ++i;
        if (i > start) tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

bool ParseInt(std::string_view token, int* pnValue) {
    const char* pEnd = token.data() + token.size();
    const auto result = std::from_chars(token.data(), pEnd, *pnValue);
    return result.ec == std::errc() && result.ptr == pEnd;
}

bool ParseDouble(std::string_view token, double* pdValue) {
    // A leading '+' is accepted as printf's "%+f" writes it; from_chars does not take it.
    if (!token.empty() && token.front() == '+') token.remove_prefix(1);
    const char* pEnd = token.data() + token.size();
    const auto result = std::from_chars(token.data(), pEnd, *pdValue);
    return result.ec == std::errc() && result.ptr == pEnd && std::isfinite(*pdValue);
}

bool ParseOnOff(std::string_view token, std::string_view on, std::string_view off, bool* pbValue) {
    if (EqualsNoCase(token, on)) {
        *pbValue = true;
        return true;
    }
    if (EqualsNoCase(token, off)) {
        *pbValue = false;
        return true;
    }
    return false;
}

struct Keyword {
    const char* pszName;
    SimHostCommandKind eKind;
};

constexpr Keyword kKeywords[] = {
    {"say", SimHostCommandKind::Say},
    {"dataFile_InsertMarker", SimHostCommandKind::Marker},
    {"datafile_AsynchMarkerData", SimHostCommandKind::AsynchMarkerData},
    {"setROI_RealRect", SimHostCommandKind::SetRoiRealRect},
    {"setROI_AllOff", SimHostCommandKind::SetRoiAllOff},
    {"setROI_Selection", SimHostCommandKind::SetRoiSelection},
    {"autoThreshold", SimHostCommandKind::AutoThreshold},
    {"pupilType", SimHostCommandKind::PupilType},
    {"smoothingpoints", SimHostCommandKind::SmoothingPoints},
    {"positiveLock", SimHostCommandKind::PositiveLock},
    {"pupilThreshold", SimHostCommandKind::PupilThreshold},
    {"penplot", SimHostCommandKind::PenPlot},
    {"penPlot_Range", SimHostCommandKind::PenPlotRange},
};

// "say" text: between the first quote and the last one; without a closing quote, everything after the
// opening quote; without any quote, the whole rest.
bool ParseSay(std::string_view rest, std::string* pText) {
    std::size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i])) ++i;
    rest.remove_prefix(i);
    if (rest.empty()) return false;
    if (rest.front() == '\'') {
        const std::size_t close = rest.rfind('\'');
        *pText = std::string(close > 0 ? rest.substr(1, close - 1) : rest.substr(1));
    } else {
        *pText = std::string(rest);
    }
    return true;
}

// The marker letter is the character after the one separator that follows the keyword, whatever it is
// (the program sends "dataFile_InsertMarker\t%c "); further blanks before a letter are skipped.
bool ParseMarker(std::string_view rest, char* pcLetter) {
    if (rest.size() < 2 || !IsBlank(rest.front())) return false;
    rest.remove_prefix(1);
    std::size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i])) ++i;
    *pcLetter = i < rest.size() ? rest[i] : rest.front();
    return true;
}

ParsedCommand ParseCommand(std::string_view line) {
    ParsedCommand parsed;
    std::size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    std::size_t end = start;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    const std::string_view keyword = line.substr(start, end - start);
    const std::string_view rest = line.substr(end);
    for (const Keyword& k : kKeywords) {
        if (EqualsNoCase(keyword, k.pszName)) {
            parsed.eKind = k.eKind;
            break;
        }
    }
    const std::vector<std::string_view> args = SplitTokens(rest);
    switch (parsed.eKind) {
        case SimHostCommandKind::Say:
            parsed.bValid = ParseSay(rest, &parsed.strText);
            break;
        case SimHostCommandKind::Marker:
            parsed.bValid = ParseMarker(rest, &parsed.cLetter);
            break;
        case SimHostCommandKind::AsynchMarkerData:
            parsed.bValid = args.size() == 1 && ParseOnOff(args[0], "Yes", "No", &parsed.bFlag);
            break;
        case SimHostCommandKind::SetRoiRealRect:
            parsed.bValid = args.size() == 5 && ParseInt(args[0], &parsed.nNumber) && parsed.nNumber >= 0 &&
                            parsed.nNumber < kSimHostRoiCount;
            for (std::size_t i = 1; parsed.bValid && i < 5; ++i) {
                parsed.bValid = ParseDouble(args[i], &parsed.dValues[i - 1]);
            }
            break;
        case SimHostCommandKind::SetRoiAllOff:
        case SimHostCommandKind::AutoThreshold:
            parsed.bValid = args.empty();
            break;
        case SimHostCommandKind::SetRoiSelection:
            parsed.bValid = args.size() == 1 && ParseInt(args[0], &parsed.nNumber) && parsed.nNumber >= 0 &&
                            parsed.nNumber < kSimHostRoiCount;
            break;
        case SimHostCommandKind::PupilType:
            parsed.bValid = args.size() == 1 && ParseOnOff(args[0], "bright", "dark", &parsed.bFlag);
            break;
        case SimHostCommandKind::SmoothingPoints:
            parsed.bValid = args.size() == 1 && ParseInt(args[0], &parsed.nNumber) && parsed.nNumber >= 1 &&
                            parsed.nNumber <= 100;
            break;
        case SimHostCommandKind::PositiveLock:
            parsed.bValid = args.size() == 1 && ParseOnOff(args[0], "on", "off", &parsed.bFlag);
            break;
        case SimHostCommandKind::PupilThreshold:
            parsed.bValid =
                args.size() == 1 && ParseDouble(args[0], &parsed.dValues[0]) && parsed.dValues[0] >= 0.0;
            break;
        case SimHostCommandKind::PenPlot:
            parsed.bValid = !args.empty();
            for (const std::string_view arg : args) {
                if (arg.size() < 2 || (arg.front() != '+' && arg.front() != '-')) parsed.bValid = false;
                parsed.items.emplace_back(arg);
            }
            break;
        case SimHostCommandKind::PenPlotRange:
            parsed.bValid = args.size() == 3 && ParseDouble(args[1], &parsed.dValues[0]) &&
                            ParseDouble(args[2], &parsed.dValues[1]);
            if (parsed.bValid) parsed.items.emplace_back(args[0]);
            break;
        case SimHostCommandKind::Unknown:
            break;
    }
    return parsed;
}

std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

std::string FormatSimHostTrace(const SimHostCommand& command) {
    const ParsedCommand parsed = ParseCommand(command.strText);
    if (parsed.eKind == SimHostCommandKind::Unknown) return "host unknown " + Printable(command.strText);
    if (!parsed.bValid) return "host bad " + Printable(command.strText);
    if (parsed.eKind == SimHostCommandKind::Say) return "host say '" + Printable(parsed.strText) + "'";
    if (parsed.eKind == SimHostCommandKind::Marker) {
        const unsigned char c = static_cast<unsigned char>(parsed.cLetter);
        return std::string("host marker ") + (c < 0x20 || c == 0x7F ? '?' : parsed.cLetter);
    }
    return "host cmd " + Printable(command.strText);
}

void CSimHost::InterpretLocked(SimHostCommand& command, LONGLONG nNowUs) {
    ParsedCommand parsed = ParseCommand(command.strText);
    command.eKind = parsed.eKind;
    command.bValid = parsed.bValid;
    if (!parsed.bValid) return;
    switch (parsed.eKind) {
        case SimHostCommandKind::Say:
            AppendRecord(m_logLines, SimHostLogLine{nNowUs, std::move(parsed.strText)});
            break;
        case SimHostCommandKind::Marker:
            AppendRecord(m_markers,
                         SimHostMarker{nNowUs, m_frame.nIndex, parsed.cLetter, m_setup.bAsynchMarkers});
            break;
        case SimHostCommandKind::AsynchMarkerData:
            m_setup.bAsynchMarkers = parsed.bFlag;
            break;
        case SimHostCommandKind::SetRoiRealRect: {
            const double* v = parsed.dValues;
            m_rois[parsed.nNumber] = SimHostRoi{
                true, static_cast<float>(std::min(v[0], v[2])), static_cast<float>(std::min(v[1], v[3])),
                static_cast<float>(std::max(v[0], v[2])), static_cast<float>(std::max(v[1], v[3]))};
            break;
        }
        case SimHostCommandKind::SetRoiAllOff:
            for (SimHostRoi& roi : m_rois) roi = SimHostRoi{};
            break;
        case SimHostCommandKind::SetRoiSelection:
            m_setup.nRoiSelection = parsed.nNumber;
            break;
        case SimHostCommandKind::AutoThreshold:
            ++m_setup.nAutoThresholdCount;
            break;
        case SimHostCommandKind::PupilType:
            m_setup.bBrightPupil = parsed.bFlag;
            break;
        case SimHostCommandKind::SmoothingPoints:
            m_setup.nSmoothingPoints = parsed.nNumber;
            break;
        case SimHostCommandKind::PositiveLock:
            m_setup.bPositiveLock = parsed.bFlag;
            break;
        case SimHostCommandKind::PupilThreshold:
            m_setup.dPupilThreshold = parsed.dValues[0];
            break;
        case SimHostCommandKind::PenPlot:
            for (const std::string& item : parsed.items) {
                const std::string name = item.substr(1);
                std::vector<std::string>& plotted = m_setup.penPlotItems;
                if (item.front() == '-' && EqualsNoCase(name, "all")) {
                    plotted.clear();
                    continue;
                }
                const auto it = std::find(plotted.begin(), plotted.end(), name);
                if (item.front() == '+' && it == plotted.end()) plotted.push_back(name);
                if (item.front() == '-' && it != plotted.end()) plotted.erase(it);
            }
            break;
        case SimHostCommandKind::PenPlotRange: {
            std::vector<SimHostPenPlotRange>& ranges = m_setup.penPlotRanges;
            const std::string& name = parsed.items.front();
            const auto it = std::find_if(ranges.begin(), ranges.end(),
                                         [&name](const SimHostPenPlotRange& r) { return r.strItem == name; });
            const SimHostPenPlotRange range{name, parsed.dValues[0], parsed.dValues[1]};
            if (it == ranges.end()) {
                ranges.push_back(range);
            } else {
                *it = range;
            }
            break;
        }
        case SimHostCommandKind::Unknown:
            break;
    }
}
