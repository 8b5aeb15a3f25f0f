// Pictures of the windows without any display: one PNG per visible top-level window of a snapshot.
#pragma once

#include <string>
#include <vector>

#include "platform/win/snapshot.h"

// A file name from a window text: letters, digits, '-', '_' and '.' kept, every other character (blanks,
// path separators, control characters) '_', runs of '_' collapsed, leading dots dropped, at most 100
// characters; "window" when nothing is left.
std::string AfxFileSafeName(const std::string& strText);

// Writes <folder>/<file-safe window text>.png for every visible top-level window of the snapshot with a
// non-empty rectangle; a second window of the same name gets "-2", "-3", ... The folder must exist.
// Returns the paths written, in z-order; a window whose file cannot be written is left out.
std::vector<std::string> AfxWriteScreenshots(const CScreenSnapshot& snap, const std::string& strFolder);
