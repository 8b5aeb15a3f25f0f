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
    // made from pPacked, what Pack packed from args (pszFormat: the characters compiled): the format as
    // Compile read it and the arguments as Pack read them, a %f value from its packed digits. FALSE,
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
    // A conversion as Render writes it: the literal text before it (its offset and length in the format),
    // its flags, width and precision (-1: none; kStar: the next argument's) and its letter.
    static constexpr std::size_t kMaxPieces = 16;
    static constexpr std::int16_t kStar = -2;
    enum : unsigned char { kFlagLeft = 1, kFlagPlus = 2, kFlagSpace = 4, kFlagAlt = 8, kFlagZero = 16 };
    struct Piece {
        std::uint16_t nLiteral = 0;
        std::uint16_t nLiteralLength = 0;
        unsigned char nFlags = 0;
        char chConv = 0;
        std::int16_t nWidth = 0;
        std::int16_t nPrecision = -1;
    };
    bool Fail() {
        m_nCount = 0;
        m_nPieces = 0;
        m_bCompiled = false;
        m_bRenderable = false;
        return false;
    }

    Argument m_args[kMaxArguments] = {};
    std::size_t m_nCount = 0;
    Piece m_pieces[kMaxPieces] = {};
    std::size_t m_nPieces = 0;
    std::uint16_t m_nTail = 0;  // the literal text after the last conversion
    std::uint16_t m_nTailLength = 0;
    bool m_bCompiled = false;
    bool m_bRenderable = false;  // the pieces hold the whole format
};
