#include "app/main_dialog.h"

// FIXME: the burst and the latency statistics are still to come.
void CTessaro2010Dlg::StartTtlBurst(BOOL) {}
void CTessaro2010Dlg::TtlBurstOneShot() {}
void CTessaro2010Dlg::TtlBurstBoth() {}
void CTessaro2010Dlg::TtlBurstToggleCheck() {}
void CTessaro2010Dlg::RunTtlBurst(TtlBurstMode) {}
void CTessaro2010Dlg::UpdateLatencyStats(int) {}
