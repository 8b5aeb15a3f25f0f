#include "engine/ttl_output.h"

#include "app/main_dialog.h"

std::atomic<int> g_nLastTtlOutput{9999999};
std::atomic<std::uint16_t> g_nTtlShadowWord{0};
std::uint16_t g_nTtlTestCount = 0;

// FIXME: stubs
int CTessaro2010Dlg::WriteDigitalPort(int, int, USHORT) { return 0; }
int CTessaro2010Dlg::WriteTtlPort(USHORT) { return 0; }
void CTessaro2010Dlg::TTL_setOutput_to_values(USHORT) {}
void CTessaro2010Dlg::TTL_setOutput_to_zero(const char*) {}
void CTessaro2010Dlg::OutputRoiCode() {}
void CTessaro2010Dlg::TestTtlOutput() {}
