// Text formatting for window texts: the result of std::vsnprintf, without its cost for the conversions
// that window texts use.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

int AfxFormatText(char* pszBuffer, std::size_t nSize, const char* pszFormat, ...)
    __attribute__((format(printf, 3, 4)));

// AfxPackFormatArguments in two steps, for a caller that packs the arguments of one format many times:
// Compile reads the format once (FALSE where AfxPackFormatArguments refuses the format), Pack packs a
// call's arguments as AfxPackFormatArguments packs them, without reading the format again.
class CFormatArguments {
  public:
    static constexpr std::size_t kMaxArguments = 16;

    bool Compile(const char* pszFormat);
    bool Pack(va_list args, unsigned char* pOut, std::size_t nSize, std::size_t* pnBytes) const;
    // The text AfxFormatTextV(pszBuffer, nSize, pszFormat, args) writes, and in *pnResult what it returns,
    // made from pPacked, what Pack packed from args (pszFormat: the characters compiled): the format is
    // read again, the arguments are not, and a %f value packed by its digits is written from them. FALSE,
    // with the buffer's contents undefined, where AfxFormatTextV would hand the format to the C library;
    // the caller then formats with AfxFormatTextV.
    bool Render(const char* pszFormat, const unsigned char* pPacked, char* pszBuffer, std::size_t nSize,
                int* pnResult) const;

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
