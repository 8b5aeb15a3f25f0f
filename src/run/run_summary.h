// The periodic summary line of a run and what it counts, and the run's lines about posted messages.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hostlib/sim_host.h"
#include "platform/ul/sim_control.h"

struct RunSummaryChannel {
    int nChannel = 0;
    unsigned nCode = 0;
    double dVolts = 0.0;
};

struct RunSummaryBoard {
    int nBoard = 0;
    std::string strProduct;
    int nTtlOut = -1;                         // -1: no TTL output lines
    int nTtlIn = -1;                          // -1: no TTL input lines
    std::vector<RunSummaryChannel> channels;  // written so far, by channel
};

struct RunSummary {
    long long nFrames = 0;
    long long nNewFrames = 0;
    unsigned long long nMarkers = 0;
    unsigned long long nNewMarkers = 0;
    std::string strNewLetters;  // at most the last 32, after "..." when there were more
    std::vector<RunSummaryBoard> boards;
    // The advanced dialog's latency table while it is open: the pulse count, then per row (On, Off) the
    // count, minimum, average and maximum, as the dialog shows them.
    bool bLatencyShown = false;
    std::string latency[9];
};

// The latency table of the open "QVL Advanced" dialog (any thread); FALSE when none is shown.
bool ReadLatencyTable(std::string (&texts)[9]);

std::string FormatRunSummary(const RunSummary& summary);
// run host posts refused=<n> +<new>
std::string FormatRefusedPosts(long long nRefused, long long nNew);
// run posts left unhandled=<n>
std::string FormatUnhandledPosts(size_t nLeft);

// The output voltage of a D/A code: the range's span over 2^nBits codes from its low end. The range is a
// library range constant; 0.0 for an unknown one.
double DacCodeVolts(int nRange, unsigned nCode, int nBits);

// Counts what the hooks see for the summary. Thread-safe; the hooks may run on any thread.
class CRunTally {
  public:
    void NoteBoardCall(const SimCallRecord& rec);     // successful cbAOut: the channel was written
    void NoteHostCommand(const SimHostCommand& cmd);  // valid markers
    // The summary of now, from the simulated host and boards and the counts; the "new" counts are those
    // since the previous call.
    RunSummary TakeSummary();

  private:
    static constexpr size_t kMaxLetters = 32;
    std::mutex m_mutex;
    std::map<int, unsigned> m_writtenChannels;  // board -> mask of D/A channels written
    unsigned long long m_nMarkers = 0;
    unsigned long long m_nMarkersAtLast = 0;
    std::string m_strLetters;  // the last kMaxLetters letters since the previous summary
    bool m_bLettersCut = false;
    long long m_nFramesAtLast = 0;
};
