// Text formatting for window texts: the result of std::vsnprintf, without its cost for the conversions
// that window texts use.
#pragma once

#include <cstdarg>
#include <cstddef>

int AfxFormatText(char* pszBuffer, std::size_t nSize, const char* pszFormat, ...)
    __attribute__((format(printf, 3, 4)));
