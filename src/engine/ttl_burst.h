// The TTL pulse burst's worker thread and globals.
#pragma once

#include "engine/engine_globals.h"
#include "platform/win/framework.h"

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
