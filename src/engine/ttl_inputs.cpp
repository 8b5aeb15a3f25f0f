#include "engine/ttl_inputs.h"

#include "app/main_dialog.h"

BOOL g_bInterruptDebounce = TRUE;
std::uint32_t g_nLastInputChangePoll = 0;
std::uint16_t g_nPrevTtlInput = 0;
std::uint8_t g_nTtlInputTestCount = 0;
std::uint32_t g_nTtlPollCount = 0;

// FIXME: stubs
void CTessaro2010Dlg::PollTtlInputs() {}
void CTessaro2010Dlg::OnExternalInterrupt(int, int, int, void*) {}
void CTessaro2010Dlg::EnableExternalInterrupt(BOOL) {}
void ExternalInterruptCallback(int, unsigned, unsigned, void*) {}
