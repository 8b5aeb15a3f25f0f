#pragma once

#include <string>
#include <string_view>

#include "platform/wintypes.h"

// Finds the edit a user means by the label next to it, among the visible, enabled descendants of hWindow.
// strName is LABEL or BOX>LABEL: LABEL is the caption of a static (compared as CaptionKey compares button
// captions), BOX the caption of a group box (or of hWindow itself) the label lies in. The edit is the
// nearest one of the label's parent that starts right of the label's left edge on its row, or below it
// overlapping its columns, unless another text lies clearly nearer to that edit in the same way (it is
// that edit's label). NULL with the reason in strWhy when no label or edit fits, or when labels of
// different edits do.
HWND FindEditByLabel(HWND hWindow, std::string_view strName, std::string& strWhy);
