// Test inspection of the formatting (format.h): the packed arguments by which a repeated format is
// recognised.
#pragma once

#include "platform/win/format.h"

// The arguments pszFormat takes, packed by value into pOut (at most nSize bytes; a %s argument by its
// characters and terminator), so that two calls with the same format can be told to give the same text
// by comparing the packs. A %f or %F value (without '#') that AfxFormatTextV rounds itself is packed as
// it is shown, its sign and its digits rounded to the precision, so that two values the text cannot tell
// apart pack alike; any other floating value is packed by its bits. FALSE, with *pnBytes 0, when they do
// not fit, the format has more than CFormatArguments::kMaxArguments arguments or has what is not packed
// here (a length modifier, %n, %p, a null %s); the caller then formats as usual. Reads args through a
// copy: args itself is left for AfxFormatTextV.
bool AfxPackFormatArguments(const char* pszFormat, va_list args, unsigned char* pOut, std::size_t nSize,
                            std::size_t* pnBytes);
