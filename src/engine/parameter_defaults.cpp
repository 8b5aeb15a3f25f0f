#include <cstring>

#include "app/main_dialog.h"

void CTessaro2010Dlg::SetParameterDefaults() {
    std::memset(&g_Params, 0, sizeof g_Params);
    g_Params.nVersion = PARAMS_VERSION;
    g_Params.nSize = PARAMS_SIZE;
    g_Params.nBoardMenuId = ID_BOARD_NONE;
    g_Params.nBoardIndex = -1;
    g_Params.nSpare = 1;
    g_Params.nTtlRadixId = ID_TTL_LEDS;
    g_Params.nQualityThreshold = 2;
    g_Params.bZeroOnBadScan = 1;
    g_Params.bZeroAfterBoardError = 1;
}
