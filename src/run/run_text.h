// Text and window helpers the runner's pieces share: how a printed line shows a text, and how a user
// reads a menu text, a caption and a window.
#pragma once

#include <string>
#include <string_view>

#include "platform/wintypes.h"

namespace runtext {

constexpr LONGLONG kMicrosPerSecond = 1000000;

// The text with every control character shown as a blank.
std::string Printable(std::string_view text);
// A menu text as a user reads it; bFold: also in lower case with blank runs made one and the ends trimmed,
// for comparing. bMarks: '&' marks the mnemonic ("&&" stands for '&'); else it is a character.
std::string MenuText(std::string_view text, bool bFold, bool bMarks = true);
// A button caption for comparing: '&' marks dropped, letter case ignored, blanks and line breaks left out
// ("Toggle/\nCheck" and "toggle/check" compare equal).
std::string CaptionKey(std::string_view text);

// A window's class name and its text (the first 31 and 255 characters).
std::string ClassOf(HWND hWnd);
std::string TextOf(HWND hWnd);
bool IsGroupBox(HWND hWnd);

}  // namespace runtext
