// Globals of the text, colour and LED helpers of the main dialog.
#pragma once

#include "app/app_globals.h"
#include "platform/wintypes.h"

class CQVLMisc;

// As a colour argument of the helpers: the dialog's own colour (DrawControlText) or the colour
// recorded for the control (SetControlColor).
constexpr COLORREF CLR_DIALOG = static_cast<COLORREF>(-1);

// Colour-table entries that have a throttle slot (slots 40..100).
constexpr int COLOR_ENTRIES_WITH_SLOT = 61;
constexpr int COLOR_SLOT_BASE = 40;
constexpr DWORD COLOR_THROTTLE_MS = 20;
