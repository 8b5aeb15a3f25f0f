// Internal to the window framework (format.h): formatting with a va_list.
#pragma once

#include "platform/win/format.h"

// Writes exactly what std::vsnprintf(pszBuffer, nSize, pszFormat, args) writes under the "C" locale (at
// most nSize - 1 characters and the terminator; nothing when nSize is 0) and returns what it returns: the
// length of the whole text. The process's locale is never consulted: the decimal point is always '.'. The
// conversions %d %i %u %x %X %o %c %s %f %F and %%, with the flags - + space # 0, a width and a precision
// (numbers or '*'), are done here; finite %f values are rounded as the C library rounds them in the default
// rounding mode (the exact binary value to nearest, ties to even). Every other format (length modifiers,
// other conversions, numbered arguments, a null %s, non-finite or '#' %f or one with a precision past 64,
// widths or precisions past 4096) goes to std::vsnprintf whole, with the calling thread switched to the
// "C" locale for the call. Thread-safe.
int AfxFormatTextV(char* pszBuffer, std::size_t nSize, const char* pszFormat, va_list args);
