// The TTL pulse burst's worker thread and globals.
#pragma once

#include <atomic>

#include "platform/win/framework.h"

// The word of the next "Both" write; -1 when the next Both starts again from both LEDs on. Any other burst
// form sets it back to -1, on whichever thread it runs.
extern std::atomic<int> g_nBothWord;
// The weight-2 bit (0 or 2) of the ROI code at the previous UpdateLatencyStats. User-interface thread.
extern int g_nLastRoiBit;

// Runs one plain burst on its own thread for the dialog that started it (StartTtlBurst), then clears that
// dialog's busy flag; deletes itself when its thread ends. Created only by AfxBeginThread from its
// run-time class.
class CTTLOutputBurst : public CWinThread {
    DECLARE_DYNCREATE(CTTLOutputBurst)
  public:
    CTTLOutputBurst() = default;
    ~CTTLOutputBurst() override = default;
    BOOL InitInstance() override { return TRUE; }
    int Run() override;
};
