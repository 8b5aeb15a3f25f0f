// Text formatting for window texts: the result of std::vsnprintf, without its cost for the conversions
// that window texts use.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

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
int AfxFormatText(char* pszBuffer, std::size_t nSize, const char* pszFormat, ...)
    __attribute__((format(printf, 3, 4)));

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

// AfxPackFormatArguments in two steps, for a caller that packs the arguments of one format many times:
// Compile reads the format once (FALSE where AfxPackFormatArguments refuses the format), Pack packs a
// call's arguments as AfxPackFormatArguments packs them, without reading the format again.
class CFormatArguments {
  public:
    static constexpr std::size_t kMaxArguments = 16;

    bool Compile(const char* pszFormat);
    bool Pack(va_list args, unsigned char* pOut, std::size_t nSize, std::size_t* pnBytes) const;

  private:
    enum : unsigned char { kInt, kPrecision, kFixed, kDouble, kString };
    static constexpr int kStarPrecision = -2;  // a kFixed's precision: the preceding kPrecision's
    struct Argument {
        unsigned char nKind;
        int nPrecision;  // kFixed: the digits after the point
    };
    bool Fail() {
        m_nCount = 0;
        m_bCompiled = false;
        return false;
    }

    Argument m_args[kMaxArguments] = {};
    std::size_t m_nCount = 0;
    bool m_bCompiled = false;
};
