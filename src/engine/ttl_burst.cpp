#include "app/main_dialog.h"

// FIXME: the latency statistics come with the TTL burst.
void CTessaro2010Dlg::UpdateLatencyStats(int) {}
