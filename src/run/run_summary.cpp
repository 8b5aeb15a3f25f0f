#include "run/run_summary.h"

#include <charconv>
#include <cstdio>
#include <system_error>
#include <utility>

#include "platform/ul/cbw.h"
#include "platform/ul/sim_device.h"
#include "platform/win/window.h"
#include "resources/advanced_dialog_resource.h"
#include "run/run_text.h"
#include "run/trace_lines.h"

using runtext::Printable;

namespace {

constexpr char kAdvancedCaption[] = "QVL Advanced";

}  // namespace

bool ReadLatencyTable(std::string (&texts)[9]) {
    const HWND hDlg = FindWindowA(nullptr, kAdvancedCaption);
    if (hDlg == nullptr || !IsWindowVisible(hDlg)) return false;
    const int ids[9] = {IDC_ADV_PULSE_COUNT, IDC_ADV_ON_COUNT, IDC_ADV_ON_MIN,
                        IDC_ADV_ON_AVE,      IDC_ADV_ON_MAX,   IDC_ADV_OFF_COUNT,
                        IDC_ADV_OFF_MIN,     IDC_ADV_OFF_AVE,  IDC_ADV_OFF_MAX};
    for (int i = 0; i < 9; ++i) {
        char sz[64] = {};
        GetDlgItemTextA(hDlg, ids[i], sz, sizeof sz);
        texts[i] = sz;
    }
    return true;
}

std::string FormatRefusedPosts(long long nRefused, long long nNew) {
    return "run host posts refused=" + std::to_string(nRefused) + " +" + std::to_string(nNew);
}

std::string FormatUnhandledPosts(size_t nLeft) {
    return "run posts left unhandled=" + std::to_string(nLeft);
}

double DacCodeVolts(int nRange, unsigned nCode, int nBits) {
    const RangeSpan* pSpan = FindRangeSpan(nRange);
    if (pSpan == nullptr || nBits <= 0 || nBits > 31) return 0.0;
    return pSpan->dLowVolts +
           nCode * (pSpan->dHighVolts - pSpan->dLowVolts) / static_cast<double>(1u << nBits);
}

std::string FormatRunSummary(const RunSummary& summary) {
    char sz[160];
    std::snprintf(sz, sizeof sz, "sum frames=%lld +%lld markers=%llu +%llu ", summary.nFrames,
                  summary.nNewFrames, summary.nMarkers, summary.nNewMarkers);
    std::string line = sz;
    line += "\"" + EscapeTraceText(summary.strNewLetters) + "\"";
    if (summary.boards.empty()) line += " | no board";
    auto word = [](int nValue) {
        if (nValue < 0) return std::string("--");
        char szWord[16];
        std::snprintf(szWord, sizeof szWord, "0x%02X", static_cast<unsigned>(nValue));
        return std::string(szWord);
    };
    for (const RunSummaryBoard& board : summary.boards) {
        line += " | board=" + std::to_string(board.nBoard) + " \"" + EscapeTraceText(board.strProduct) +
                "\" ttl-out=" + word(board.nTtlOut) + " ttl-in=" + word(board.nTtlIn);
        for (const RunSummaryChannel& ch : board.channels) {
            std::snprintf(sz, sizeof sz, " ch%d=%u,%+.3fV", ch.nChannel, ch.nCode, ch.dVolts);
            line += sz;
        }
    }
    if (summary.bLatencyShown) {
        auto field = [&summary](int i) {
            return summary.latency[i].empty() ? std::string("-") : Printable(summary.latency[i]);
        };
        line += " | latency count=" + field(0);
        const char* const rows[2] = {" On", " Off"};
        for (int r = 0; r < 2; ++r) {
            line += std::string(rows[r]) + " n=" + field(1 + 4 * r) + " min=" + field(2 + 4 * r) +
                    " ave=" + field(3 + 4 * r) + " max=" + field(4 + 4 * r);
        }
    }
    return line;
}

void CRunTally::NoteBoardCall(const SimCallRecord& rec) {
    if (rec.nResult != NOERRORS || rec.strName != "cbAOut" || rec.args.size() < 2) return;
    int nChannel = -1;
    const std::string& arg = rec.args[1];
    auto [ptr, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), nChannel);
    if (ec != std::errc() || nChannel < 0 || nChannel >= 32) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writtenChannels[rec.nBoard] |= 1u << nChannel;
}

void CRunTally::NoteHostCommand(const SimHostCommand& cmd) {
    if (cmd.eKind != SimHostCommandKind::Marker || !cmd.bValid) return;
    const std::string strTrace = FormatSimHostTrace(cmd);  // "host marker <letter>"
    const char cLetter = strTrace.empty() ? '?' : strTrace.back();
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_nMarkers;
    if (m_strLetters.size() >= kMaxLetters) {
        m_strLetters.erase(0, 1);
        m_bLettersCut = true;
    }
    m_strLetters += cLetter;
}

RunSummary CRunTally::TakeSummary() {
    RunSummary summary;
    summary.nFrames = SimHost().FramesProduced();
    std::map<int, unsigned> written;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        summary.nNewFrames = summary.nFrames - m_nFramesAtLast;
        m_nFramesAtLast = summary.nFrames;
        summary.nMarkers = m_nMarkers;
        summary.nNewMarkers = m_nMarkers - m_nMarkersAtLast;
        m_nMarkersAtLast = m_nMarkers;
        summary.strNewLetters = (m_bLettersCut ? "..." : "") + m_strLetters;
        m_strLetters.clear();
        m_bLettersCut = false;
        written = m_writtenChannels;
    }
    for (int nBoard : CSimBoards::GetBoardNumbers()) {
        SimBoardState state;
        if (!CSimBoards::GetBoardState(nBoard, state)) continue;
        const SimProductProfile& profile = SimProfileFor(state.device.strProductName);
        RunSummaryBoard board;
        board.nBoard = nBoard;
        board.strProduct = state.device.strProductName;
        if (profile.nTtlPortType != 0) board.nTtlOut = CSimBoards::GetTtlOutputByte(nBoard);
        board.nTtlIn = CSimBoards::GetTtlInputByte(nBoard);
        const unsigned nWritten = written.count(nBoard) ? written[nBoard] : 0u;
        for (size_t ch = 0; ch < state.dacCodes.size() && ch < 32; ++ch) {
            if (!(nWritten & (1u << ch))) continue;
            RunSummaryChannel channel;
            channel.nChannel = static_cast<int>(ch);
            channel.nCode = state.dacCodes[ch];
            const int nRange = ch < state.dacRanges.size() ? state.dacRanges[ch] : -1;
            channel.dVolts = DacCodeVolts(nRange, channel.nCode, profile.nDacBits);
            board.channels.push_back(channel);
        }
        summary.boards.push_back(std::move(board));
    }
    summary.bLatencyShown = ReadLatencyTable(summary.latency);
    return summary;
}
