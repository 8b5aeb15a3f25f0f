#include "platform/win/format.h"
#include "platform/win/format_internal.h"
#include "platform/win/format_testing.h"

#include <locale.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// Widths and precisions up to this are done here; larger ones are rare enough for vsnprintf.
constexpr int kLargestField = 4096;
// %f precisions up to this are done here: the digits of any double then fit kFloatDigits.
constexpr int kLargestFloatPrecision = 64;
constexpr std::size_t kFloatDigits = 1 + 309 + 1 + kLargestFloatPrecision + 16;

constexpr std::size_t kShortPiece = 16;

// The caller's buffer: keeps the first nSize - 1 characters and counts them all.
class CTextSink {
  public:
    CTextSink(char* pBuffer, std::size_t nSize) : m_pBuffer(pBuffer), m_nSize(nSize) {}

    void Put(const char* p, std::size_t n) {
        if (n == 0) return;
        if (m_nLength + 1 < m_nSize) {
            const std::size_t nCopy = std::min(n, m_nSize - 1 - m_nLength);
            char* pTo = m_pBuffer + m_nLength;
            // The pieces of a text are mostly a few characters: a loop costs less than the call.
            if (nCopy <= kShortPiece) {
                for (std::size_t i = 0; i < nCopy; ++i) pTo[i] = p[i];
            } else {
                std::memcpy(pTo, p, nCopy);
            }
        }
        m_nLength += n;
    }
    // The literal text from p up to the next '%' or the end of the format, copied in the same pass that
    // finds its end (formats are short); returns where it stopped.
    const char* PutLiteral(const char* p) {
        const std::size_t nRoom = m_nLength + 1 < m_nSize ? m_nSize - 1 - m_nLength : 0;
        char* pTo = m_pBuffer + m_nLength;
        std::size_t n = 0;
        for (; p[n] != '\0' && p[n] != '%'; ++n) {
            if (n < nRoom) pTo[n] = p[n];
        }
        m_nLength += n;
        return p + n;
    }
    void Fill(char c, std::size_t n) {
        if (n == 0) return;
        if (m_nLength + 1 < m_nSize)
            std::memset(m_pBuffer + m_nLength, c, std::min(n, m_nSize - 1 - m_nLength));
        m_nLength += n;
    }
    std::size_t Length() const { return m_nLength; }
    void Terminate() {
        if (m_nSize > 0) m_pBuffer[std::min(m_nLength, m_nSize - 1)] = '\0';
    }

  private:
    char* m_pBuffer;
    std::size_t m_nSize;
    std::size_t m_nLength = 0;
};

struct Spec {
    bool bLeft = false;   // '-'
    bool bPlus = false;   // '+'
    bool bSpace = false;  // ' '
    bool bAlt = false;    // '#'
    bool bZero = false;   // '0'
    int nWidth = 0;
    int nPrecision = -1;  // none
};

// A field: sign or prefix, zeros that the precision asks for, the digits or text, padded to the width.
// Zero padding goes between the prefix and the digits.
inline void PutField(CTextSink& sink, const Spec& spec, const char* pszPrefix, std::size_t nPrefix,
                     std::size_t nPrecisionZeros, const char* pBody, std::size_t nBody, bool bZeroPad) {
    const std::size_t nTotal = nPrefix + nPrecisionZeros + nBody;
    if (static_cast<std::size_t>(spec.nWidth) <= nTotal && nPrecisionZeros == 0) {
        sink.Put(pszPrefix, nPrefix);
        sink.Put(pBody, nBody);
        return;
    }
    const std::size_t nPad = static_cast<std::size_t>(spec.nWidth) > nTotal ? spec.nWidth - nTotal : 0;
    if (nPad > 0 && !spec.bLeft && !bZeroPad) sink.Fill(' ', nPad);
    sink.Put(pszPrefix, nPrefix);
    if (nPad > 0 && !spec.bLeft && bZeroPad) sink.Fill('0', nPad);
    sink.Fill('0', nPrecisionZeros);
    sink.Put(pBody, nBody);
    if (nPad > 0 && spec.bLeft) sink.Fill(' ', nPad);
}

// Digits of nValue in the base, written backwards from pEnd; returns the first.
char* Digits(unsigned long long nValue, unsigned nBase, bool bUpper, char* pEnd) {
    const char* pszDigits = bUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    char* p = pEnd;
    while (nValue != 0) {
        *--p = pszDigits[nValue % nBase];
        nValue /= nBase;
    }
    return p;
}

void PutInteger(CTextSink& sink, const Spec& spec, unsigned long long nMagnitude, bool bNegative,
                char chConv) {
    char szDigits[32];
    char* const pEnd = szDigits + sizeof szDigits;
    const unsigned nBase = chConv == 'o' ? 8u : (chConv == 'x' || chConv == 'X') ? 16u : 10u;
    char* pFirst = Digits(nMagnitude, nBase, chConv == 'X', pEnd);
    // The value 0 has the digit 0, except with a precision of 0.
    if (nMagnitude == 0 && spec.nPrecision != 0) *--pFirst = '0';
    const std::size_t nDigits = static_cast<std::size_t>(pEnd - pFirst);
    std::size_t nZeros = spec.nPrecision > 0 && static_cast<std::size_t>(spec.nPrecision) > nDigits
                             ? spec.nPrecision - nDigits
                             : 0;

    char szPrefix[2];
    std::size_t nPrefix = 0;
    if (chConv == 'd' || chConv == 'i') {
        if (bNegative)
            szPrefix[nPrefix++] = '-';
        else if (spec.bPlus)
            szPrefix[nPrefix++] = '+';
        else if (spec.bSpace)
            szPrefix[nPrefix++] = ' ';
    } else if (spec.bAlt && nBase == 16 && nMagnitude != 0) {
        szPrefix[nPrefix++] = '0';
        szPrefix[nPrefix++] = chConv;
    } else if (spec.bAlt && nBase == 8 && nZeros == 0 && (nDigits == 0 || *pFirst != '0')) {
        nZeros = 1;  // the alternate octal form starts with a 0
    }
    PutField(sink, spec, szPrefix, nPrefix, nZeros, pFirst, nDigits, spec.bZero && spec.nPrecision < 0);
}

__extension__ typedef unsigned __int128 UInt128;

constexpr int kLargestExactPrecision = 18;
constexpr std::array<std::uint64_t, kLargestExactPrecision + 1> kPowersOfTen = [] {
    std::array<std::uint64_t, kLargestExactPrecision + 1> powers{};
    std::uint64_t nPower = 1;
    for (std::uint64_t& n : powers) {
        n = nPower;
        nPower *= 10;
    }
    return powers;
}();

// Whether FixedDigits takes a finite dValue at nPrecision (at most kLargestExactPrecision).
constexpr std::array<double, kLargestExactPrecision + 1> kFixedDigitsBounds = [] {
    std::array<double, kLargestExactPrecision + 1> bounds{};
    for (std::size_t i = 0; i < bounds.size(); ++i) bounds[i] = 1e18 / static_cast<double>(kPowersOfTen[i]);
    return bounds;
}();

bool FitsFixedDigits(double dValue, int nPrecision) {
    return nPrecision <= kLargestExactPrecision && std::fabs(dValue) < kFixedDigitsBounds[nPrecision];
}

constexpr std::array<double, kLargestExactPrecision + 1> kPowersOfTenAsDouble = [] {
    std::array<double, kLargestExactPrecision + 1> powers{};
    for (std::size_t i = 0; i < powers.size(); ++i) powers[i] = static_cast<double>(kPowersOfTen[i]);
    return powers;
}();

// The exact binary value m * 2^e of a finite dValue whose magnitude times 10^nPrecision lies below 10^18,
// times 10^nPrecision and rounded to the nearest integer, ties to even; the sign is left out.
std::uint64_t RoundedFixed(double dValue, int nPrecision) {
    // The product in double (10^nPrecision is exact) lies within a relative 2^-53 of the exact one: unless
    // its fraction is that close to a half, the exact product rounds to the same integer. Only such
    // near-halves, and magnitudes past 2^52, take the exact way below.
    const double dScaled = std::fabs(dValue) * kPowersOfTenAsDouble[nPrecision];
    if (dScaled < 0x1p52) {
        const auto nWhole = static_cast<std::uint64_t>(dScaled);
        const double dFraction = dScaled - static_cast<double>(nWhole);  // exact
        const double dMargin = dScaled * 0x1p-50;
        if (dFraction < 0.5 - dMargin) return nWhole;
        if (dFraction > 0.5 + dMargin) return nWhole + 1;
    }
    const std::uint64_t nBits = std::bit_cast<std::uint64_t>(dValue);
    const int nBiased = static_cast<int>((nBits >> 52) & 0x7FF);
    const std::uint64_t nFraction = nBits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t nMantissa = nBiased == 0 ? nFraction : nFraction | (std::uint64_t{1} << 52);
    const int nExponent = nBiased == 0 ? -1074 : nBiased - 1075;

    const UInt128 nScaled = static_cast<UInt128>(nMantissa) * kPowersOfTen[nPrecision];  // below 2^113
    std::uint64_t nRounded = 0;
    if (nExponent >= 0) {
        nRounded = static_cast<std::uint64_t>(nScaled << nExponent);  // exact: the caller bounds it
    } else if (nExponent > -114) {
        const int nShift = -nExponent;
        nRounded = static_cast<std::uint64_t>(nScaled >> nShift);
        const UInt128 nRest = nScaled & ((static_cast<UInt128>(1) << nShift) - 1);
        const UInt128 nHalf = static_cast<UInt128>(1) << (nShift - 1);
        if (nRest > nHalf || (nRest == nHalf && (nRounded & 1) != 0)) ++nRounded;
    }  // else a shift of 114 or more: nScaled < 2^113 leaves less than one half, which rounds to 0
    return nRounded;
}

// The fixed-point digits of RoundedFixed's nRounded at nPrecision, with '-' for a negative sign; and those
// of a dValue that FitsFixedDigits, with '-' for a negative sign bit. Return the end of the text.
char* RoundedDigits(std::uint64_t nRounded, bool bNegative, int nPrecision, char* pOut) {
    if (bNegative) *pOut++ = '-';
    const std::uint64_t nScale = kPowersOfTen[nPrecision];
    char szInteger[24];
    char* const pEnd = szInteger + sizeof szInteger;
    char* pFirst = Digits(nRounded / nScale, 10, false, pEnd);
    if (pFirst == pEnd) *--pFirst = '0';
    while (pFirst != pEnd) *pOut++ = *pFirst++;  // a few digits: a loop costs less than the call
    if (nPrecision > 0) {
        *pOut++ = '.';
        std::uint64_t nPart = nRounded % nScale;
        for (int i = nPrecision; i > 0; --i) {
            pOut[i - 1] = static_cast<char>('0' + nPart % 10);
            nPart /= 10;
        }
        pOut += nPrecision;
    }
    return pOut;
}

char* FixedDigits(double dValue, int nPrecision, char* pOut) {
    return RoundedDigits(RoundedFixed(dValue, nPrecision), std::signbit(dValue), nPrecision, pOut);
}

// The digits szDigits..pEnd (a leading '-' for a negative value) as a %f field.
void PutFloatDigits(CTextSink& sink, const Spec& spec, const char* szDigits, const char* pEnd) {
    const char* pBody = szDigits;
    char chSign = '\0';
    if (*pBody == '-') {
        chSign = '-';
        ++pBody;
    } else if (spec.bPlus) {
        chSign = '+';
    } else if (spec.bSpace) {
        chSign = ' ';
    }
    PutField(sink, spec, &chSign, chSign != '\0' ? 1 : 0, 0, pBody, static_cast<std::size_t>(pEnd - pBody),
             spec.bZero);
}

// FALSE when the value is left to vsnprintf.
bool PutFloat(CTextSink& sink, const Spec& spec, double dValue) {
    if (!std::isfinite(dValue) || spec.bAlt || spec.nPrecision > kLargestFloatPrecision) return false;
    const int nPrecision = spec.nPrecision < 0 ? 6 : spec.nPrecision;
    char szDigits[kFloatDigits];
    char* pEnd = nullptr;
    if (FitsFixedDigits(dValue, nPrecision)) {
        pEnd = FixedDigits(dValue, nPrecision, szDigits);
    } else {
        const auto result =
            std::to_chars(szDigits, szDigits + sizeof szDigits, dValue, std::chars_format::fixed, nPrecision);
        if (result.ec != std::errc()) return false;
        pEnd = result.ptr;
    }
    PutFloatDigits(sink, spec, szDigits, pEnd);
    return true;
}

// The tags of a packed %f value (CFormatArguments::Pack): rounded digits of a value with a clear or a set
// sign bit, or the value's bits.
constexpr unsigned char kTagRounded = 'r';
constexpr unsigned char kTagRoundedNegative = 'R';
constexpr unsigned char kTagBits = 'b';

// The arguments of a call, as FormatHere reads them: from a va_list, or from CFormatArguments::Pack's
// bytes (read in the same order as they were packed).
class CListArguments {
  public:
    explicit CListArguments(va_list args) { va_copy(m_args, args); }
    ~CListArguments() { va_end(m_args); }
    CListArguments(const CListArguments&) = delete;
    CListArguments& operator=(const CListArguments&) = delete;

    int Int() { return va_arg(m_args, int); }
    const char* String() { return va_arg(m_args, const char*); }
    bool PutFixed(CTextSink& sink, const Spec& spec) { return PutFloat(sink, spec, va_arg(m_args, double)); }

  private:
    va_list m_args;
};

class CPackedArguments {
  public:
    explicit CPackedArguments(const unsigned char* p) : m_p(p) {}

    int Int() {
        int n = 0;
        std::memcpy(&n, m_p, sizeof n);
        m_p += sizeof n;
        return n;
    }
    const char* String() {
        const char* psz = reinterpret_cast<const char*>(m_p);
        m_p += std::strlen(psz) + 1;
        return psz;
    }
    // A value packed by its digits is written from them, as PutFloat writes it from the value. Every %f
    // here was packed with a tag (no format with a value packed by its bits alone is rendered).
    bool PutFixed(CTextSink& sink, const Spec& spec) {
        const unsigned char chTag = *m_p;
        std::uint64_t nPacked = 0;
        std::memcpy(&nPacked, m_p + 1, sizeof nPacked);
        m_p += 1 + sizeof nPacked;
        if (chTag == kTagBits) return PutFloat(sink, spec, std::bit_cast<double>(nPacked));
        if (spec.bAlt) return false;
        const int nPrecision = spec.nPrecision < 0 ? 6 : spec.nPrecision;
        char szDigits[2 + 20 + 1 + kLargestExactPrecision];
        const char* pEnd = RoundedDigits(nPacked, chTag == kTagRoundedNegative, nPrecision, szDigits);
        PutFloatDigits(sink, spec, szDigits, pEnd);
        return true;
    }

  private:
    const unsigned char* m_p;
};

// The "C" locale's object; glibc hands out one static object for it, so nothing is allocated and
// nothing needs freeing. Null only where the C library cannot give one.
locale_t CLocale() {
    static const locale_t s_cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return s_cLocale;
}

// std::vsnprintf under the "C" locale, whatever locale the process or this thread uses. uselocale
// changes only the calling thread's locale, so no other thread sees the switch.
int FormatInCLocale(char* pszBuffer, std::size_t nSize, const char* pszFormat, va_list args) {
    const locale_t cLocale = CLocale();
    const locale_t previous = cLocale != nullptr ? uselocale(cLocale) : nullptr;
    const int nResult = std::vsnprintf(pszBuffer, nSize, pszFormat, args);
    if (previous != nullptr) uselocale(previous);
    return nResult;
}

// A width or precision number; FALSE past kLargestField.
bool ReadNumber(const char*& p, int& nValue) {
    nValue = 0;
    while (*p >= '0' && *p <= '9') {
        nValue = nValue * 10 + (*p++ - '0');
        if (nValue > kLargestField) return false;
    }
    return true;
}

// A '*' width or precision read from the arguments, into spec; FALSE when the format is left to vsnprintf.
bool TakeStarWidth(Spec& spec, int nWidth) {
    if (nWidth < -kLargestField || nWidth > kLargestField) return false;
    if (nWidth < 0) spec.bLeft = true;
    spec.nWidth = nWidth < 0 ? -nWidth : nWidth;
    return true;
}
bool TakeStarPrecision(Spec& spec, int nPrecision) {
    if (nPrecision > kLargestField) return false;
    spec.nPrecision = nPrecision < 0 ? -1 : nPrecision;
    return true;
}

// One conversion (not "%%") with its spec complete; FALSE when the format is left to vsnprintf.
template <class Arguments>
bool PutConversion(CTextSink& sink, const Spec& spec, char chConv, Arguments& args) {
    switch (chConv) {
        case 'd':
        case 'i': {
            const int nValue = args.Int();
            const long long nWide = nValue;
            PutInteger(sink, spec, static_cast<unsigned long long>(nWide < 0 ? -nWide : nWide), nValue < 0,
                       chConv);
            return true;
        }
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            PutInteger(sink, spec, static_cast<unsigned>(args.Int()), false, chConv);
            return true;
        case 'c': {
            if (spec.bZero) return false;
            const char c = static_cast<char>(static_cast<unsigned char>(args.Int()));
            PutField(sink, spec, nullptr, 0, 0, &c, 1, false);
            return true;
        }
        case 's': {
            const char* psz = args.String();
            if (psz == nullptr || spec.bZero) return false;
            const std::size_t n = spec.nPrecision >= 0
                                      ? strnlen(psz, static_cast<std::size_t>(spec.nPrecision))
                                      : std::strlen(psz);
            PutField(sink, spec, nullptr, 0, 0, psz, n, false);
            return true;
        }
        case 'f':
        case 'F':
            return args.PutFixed(sink, spec);
        default:
            return false;
    }
}

// The whole text, or FALSE when the format is left to vsnprintf.
template <class Arguments>
bool FormatHere(CTextSink& sink, const char* pszFormat, Arguments& args) {
    const char* p = pszFormat;
    for (;;) {
        // The literal text up to the next conversion.
        const char* pPercent = sink.PutLiteral(p);
        if (*pPercent == '\0') return true;
        p = pPercent + 1;

        Spec spec;
        for (;; ++p) {
            if (*p == '-')
                spec.bLeft = true;
            else if (*p == '+')
                spec.bPlus = true;
            else if (*p == ' ')
                spec.bSpace = true;
            else if (*p == '#')
                spec.bAlt = true;
            else if (*p == '0')
                spec.bZero = true;
            else
                break;
        }
        if (*p == '*') {
            ++p;
            if (!TakeStarWidth(spec, args.Int())) return false;
        } else if (!ReadNumber(p, spec.nWidth)) {
            return false;
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                ++p;
                if (!TakeStarPrecision(spec, args.Int())) return false;
            } else if (!ReadNumber(p, spec.nPrecision)) {
                return false;
            }
        }

        const char chConv = *p++;
        if (chConv == '%') {
            // Only the plain "%%" is done here.
            if (p - pPercent != 2) return false;
            sink.Put("%", 1);
        } else if (!PutConversion(sink, spec, chConv, args)) {
            return false;
        }
    }
}

}  // namespace

int AfxFormatTextV(char* pszBuffer, std::size_t nSize, const char* pszFormat, va_list args) {
    va_list copy;
    va_copy(copy, args);
    CTextSink sink(pszBuffer, nSize);
    CListArguments arguments(args);
    int nResult = 0;
    if (pszFormat != nullptr && FormatHere(sink, pszFormat, arguments) && sink.Length() <= INT_MAX) {
        sink.Terminate();
        nResult = static_cast<int>(sink.Length());
    } else {
        nResult = FormatInCLocale(pszBuffer, nSize, pszFormat, copy);
    }
    va_end(copy);
    return nResult;
}

int AfxFormatText(char* pszBuffer, std::size_t nSize, const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    const int nResult = AfxFormatTextV(pszBuffer, nSize, pszFormat, args);
    va_end(args);
    return nResult;
}

bool CFormatArguments::Compile(const char* pszFormat) {
    m_nCount = 0;
    m_nPieces = 0;
    m_bCompiled = false;
    m_bRenderable = false;
    if (pszFormat == nullptr) return false;
    auto add = [this](unsigned char nKind, int nPrecision) {
        if (m_nCount == kMaxArguments) return false;
        m_args[m_nCount++] = Argument{nKind, nPrecision};
        return true;
    };
    // The pieces, as long as the format can be rendered from them (Render): what FormatHere would hand to
    // vsnprintf whatever the arguments is not.
    bool bRenderable = true;
    const char* pLiteral = pszFormat;
    auto offset = [pszFormat](const char* p) { return static_cast<std::size_t>(p - pszFormat); };
    for (const char* p = pszFormat; *p != '\0'; ++p) {
        if (*p != '%') continue;
        const char* const pPercent = p;
        Piece piece;
        piece.nLiteral = static_cast<std::uint16_t>(offset(pLiteral));
        piece.nLiteralLength = static_cast<std::uint16_t>(pPercent - pLiteral);
        bRenderable = bRenderable && offset(pPercent) <= UINT16_MAX;
        ++p;
        bool bAlt = false;
        for (; *p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0'; ++p) {
            bAlt = bAlt || *p == '#';
            piece.nFlags |= *p == '-'   ? kFlagLeft
                            : *p == '+' ? kFlagPlus
                            : *p == ' ' ? kFlagSpace
                            : *p == '#' ? kFlagAlt
                                        : kFlagZero;
        }
        if (*p == '*') {
            if (!add(kInt, 0)) return Fail();
            piece.nWidth = kStar;
            ++p;
        } else {
            int nWidth = 0;
            bRenderable = ReadNumber(p, nWidth) && bRenderable;
            while (*p >= '0' && *p <= '9') ++p;
            piece.nWidth = static_cast<std::int16_t>(std::min(nWidth, kLargestField));
        }
        int nPrecision = -1;  // none
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                if (!add(kPrecision, 0)) return Fail();
                nPrecision = kStarPrecision;
                piece.nPrecision = kStar;
                ++p;
            } else if (!ReadNumber(p, nPrecision)) {
                nPrecision = INT_MAX;  // past what is rounded here
                bRenderable = false;
                while (*p >= '0' && *p <= '9') ++p;
            } else {
                piece.nPrecision = static_cast<std::int16_t>(nPrecision);
            }
        }
        piece.chConv = *p;
        bool bAdded = true;
        switch (*p) {
            case '%':
                bRenderable = bRenderable && p - pPercent == 1;
                break;
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
            case 'o':
                bAdded = add(kInt, 0);
                break;
            case 'c':
                bAdded = add(kInt, 0);
                bRenderable = bRenderable && (piece.nFlags & kFlagZero) == 0;
                break;
            case 'f':
            case 'F':
                // With '#' the text goes by the C library, whose rounding is not assumed here.
                if (bAlt) {
                    bAdded = add(kDouble, 0);
                } else if (nPrecision == kStarPrecision) {
                    bAdded = add(kFixed, kStarPrecision);
                } else {
                    const int nDigits = nPrecision < 0 ? 6 : nPrecision;
                    bAdded = add(nDigits <= kLargestExactPrecision ? kFixed : kDouble, nDigits);
                }
                bRenderable = bRenderable && m_args[m_nCount - 1].nKind == kFixed;
                break;
            case 'e':
            case 'E':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                bAdded = add(kDouble, 0);
                bRenderable = false;
                break;
            case 's':
                bAdded = add(kString, 0);
                bRenderable = bRenderable && (piece.nFlags & kFlagZero) == 0;
                break;
            default:  // a length modifier, %n, %p, the end of the format, anything else
                return Fail();
        }
        if (!bAdded) return Fail();
        if (m_nPieces == kMaxPieces) bRenderable = false;
        if (bRenderable) m_pieces[m_nPieces++] = piece;
        pLiteral = p + 1;
    }
    const char* pEnd = pLiteral + std::strlen(pLiteral);
    bRenderable = bRenderable && offset(pEnd) <= UINT16_MAX;
    m_nTail = static_cast<std::uint16_t>(bRenderable ? offset(pLiteral) : 0);
    m_nTailLength = static_cast<std::uint16_t>(bRenderable ? pEnd - pLiteral : 0);
    m_bRenderable = bRenderable;
    m_bCompiled = true;
    return true;
}

bool CFormatArguments::Pack(va_list args, unsigned char* pOut, std::size_t nSize,
                            std::size_t* pnBytes) const {
    *pnBytes = 0;
    if (!m_bCompiled) return false;
    va_list copy;
    va_copy(copy, args);
    std::size_t n = 0;
    bool bPacked = true;
    int nStarPrecision = -1;
    for (std::size_t i = 0; i < m_nCount && bPacked; ++i) {
        const Argument& arg = m_args[i];
        switch (arg.nKind) {
            case kInt:
            case kPrecision: {
                const int nValue = va_arg(copy, int);
                if (arg.nKind == kPrecision) nStarPrecision = nValue;
                bPacked = nSize - n >= sizeof nValue;
                if (bPacked) std::memcpy(pOut + n, &nValue, sizeof nValue);
                n += sizeof nValue;
                break;
            }
            case kFixed: {
                // The value as the text shows it: the digits rounded to the precision and the sign, so
                // that values that differ only past the last digit shown pack alike. Any other value
                // goes by its bits.
                const double dValue = va_arg(copy, double);
                int nDigits = arg.nPrecision;
                if (nDigits == kStarPrecision) nDigits = nStarPrecision < 0 ? 6 : nStarPrecision;
                unsigned char chTag = kTagBits;
                std::uint64_t nPacked = std::bit_cast<std::uint64_t>(dValue);
                if (nDigits <= kLargestExactPrecision && std::isfinite(dValue) &&
                    FitsFixedDigits(dValue, nDigits)) {
                    chTag = std::signbit(dValue) ? kTagRoundedNegative : kTagRounded;
                    nPacked = RoundedFixed(dValue, nDigits);
                }
                bPacked = nSize - n >= 1 + sizeof nPacked;
                if (bPacked) {
                    pOut[n] = chTag;
                    std::memcpy(pOut + n + 1, &nPacked, sizeof nPacked);
                }
                n += 1 + sizeof nPacked;
                break;
            }
            case kDouble: {
                const double dValue = va_arg(copy, double);
                bPacked = nSize - n >= sizeof dValue;
                if (bPacked) std::memcpy(pOut + n, &dValue, sizeof dValue);
                n += sizeof dValue;
                break;
            }
            default: {  // kString
                const char* psz = va_arg(copy, const char*);
                const std::size_t nBytes = psz != nullptr ? std::strlen(psz) + 1 : 0;
                bPacked = psz != nullptr && nSize - n >= nBytes;
                if (bPacked) std::memcpy(pOut + n, psz, nBytes);
                n += nBytes;
                break;
            }
        }
    }
    va_end(copy);
    if (!bPacked) return false;
    *pnBytes = n;
    return true;
}

bool CFormatArguments::Render(const char* pszFormat, const unsigned char* pPacked, char* pszBuffer,
                              std::size_t nSize, int* pnResult) const {
    if (!m_bCompiled || !m_bRenderable || pszFormat == nullptr) return false;
    CTextSink sink(pszBuffer, nSize);
    CPackedArguments arguments(pPacked);
    for (std::size_t i = 0; i < m_nPieces; ++i) {
        const Piece& piece = m_pieces[i];
        sink.Put(pszFormat + piece.nLiteral, piece.nLiteralLength);
        if (piece.chConv == '%') {
            sink.Put("%", 1);
            continue;
        }
        Spec spec;
        spec.bLeft = (piece.nFlags & kFlagLeft) != 0;
        spec.bPlus = (piece.nFlags & kFlagPlus) != 0;
        spec.bSpace = (piece.nFlags & kFlagSpace) != 0;
        spec.bAlt = (piece.nFlags & kFlagAlt) != 0;
        spec.bZero = (piece.nFlags & kFlagZero) != 0;
        if (piece.nWidth == kStar) {
            if (!TakeStarWidth(spec, arguments.Int())) return false;
        } else {
            spec.nWidth = piece.nWidth;
        }
        if (piece.nPrecision == kStar) {
            if (!TakeStarPrecision(spec, arguments.Int())) return false;
        } else {
            spec.nPrecision = piece.nPrecision;
        }
        if (!PutConversion(sink, spec, piece.chConv, arguments)) return false;
    }
    sink.Put(pszFormat + m_nTail, m_nTailLength);
    if (sink.Length() > INT_MAX) return false;
    sink.Terminate();
    *pnResult = static_cast<int>(sink.Length());
    return true;
}

bool AfxPackFormatArguments(const char* pszFormat, va_list args, unsigned char* pOut, std::size_t nSize,
                            std::size_t* pnBytes) {
    *pnBytes = 0;
    CFormatArguments arguments;
    return arguments.Compile(pszFormat) && arguments.Pack(args, pOut, nSize, pnBytes);
}
