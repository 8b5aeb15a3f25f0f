#include "platform/win/format.h"
#include "platform/win/format_internal.h"
#include "platform/win/format_testing.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <langinfo.h>

#include <atomic>
#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/format_pack.h"

// Counts the process's locale queries: the formatter must not make any (they read locale data that
// another thread's setlocale may be replacing). Forwards to the C library.
std::atomic<int> g_nLangInfoCalls{0};
extern "C" char* nl_langinfo(nl_item nItem) noexcept {
    g_nLangInfoCalls.fetch_add(1);
    using NextFn = char* (*)(nl_item);
    static const NextFn pfnNext = reinterpret_cast<NextFn>(dlsym(RTLD_NEXT, "nl_langinfo"));
    return pfnNext != nullptr ? pfnNext(nItem) : nullptr;
}

namespace {

// The formatter against the C library: the same characters in the same buffer, the same result. The
// formats are the callers' literals, passed on.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
template <class... Args>
void ExpectLikeSnprintf(std::size_t nSize, const char* pszFormat, Args... args) {
    char szWant[512];
    char szGot[512];
    std::memset(szWant, '@', sizeof szWant);
    std::memset(szGot, '@', sizeof szGot);
    const int nWant = std::snprintf(nSize > 0 ? szWant : nullptr, nSize, pszFormat, args...);
    const int nGot = AfxFormatText(nSize > 0 ? szGot : nullptr, nSize, pszFormat, args...);
    ASSERT_EQ(nWant, nGot) << pszFormat;
    ASSERT_EQ(0, std::memcmp(szWant, szGot, sizeof szWant))
        << pszFormat << ": \"" << szWant << "\" vs \"" << szGot << "\"";
}

template <class... Args>
void ExpectLike(const char* pszFormat, Args... args) {
    ExpectLikeSnprintf(256, pszFormat, args...);
}
#pragma GCC diagnostic pop

constexpr const char* kFloatFormats[] = {"%4.2f", " %4.3f", "%f",     "%.0f",    "%10.4f",  "[%-10.1f]",
                                         "%+.2f", "% .2f",  "%08.2f", "%-08.2f", "%+09.3f", "%F",
                                         "%.1f",  "%.9f",   "%.17f",  "%.20f",   "%5.f",    "%.64f"};

TEST(FormatText, FloatsRoundAsTheCLibraryDoes) {
    // Halves and other exactly representable ties, carries into a new digit, signed zeros, magnitudes
    // from the smallest subnormal to the largest double.
    const double special[] = {0.0,
                              -0.0,
                              0.125,
                              0.375,
                              0.625,
                              2.5,
                              3.5,
                              -2.5,
                              1.005,
                              2.675,
                              9.995,
                              99.995,
                              0.0005,
                              -0.001,
                              -0.004999,
                              0.5,
                              1.5,
                              1e15 + 0.5,
                              4503599627370497.5,
                              1e22,
                              1e300,
                              DBL_MAX,
                              -DBL_MAX,
                              DBL_MIN,
                              5e-324,
                              123456789.125,
                              0.1,
                              0.7,
                              1.0 / 3.0,
                              static_cast<double>(FLT_MAX),
                              9999999999999998.0,
                              1e16,
                              99999999999.99951,
                              1e18,
                              999999999999999872.0,
                              0.49999999999999994,
                              0.5000000000000001,
                              1e-5,
                              5e-7,
                              4.5e-7};
    for (const char* pszFormat : kFloatFormats)
        for (double d : special) ExpectLike(pszFormat, d);

    std::mt19937_64 random(20240501);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> exponent(-40, 22);
    for (int i = 0; i < 4000; ++i) {
        const double d = std::ldexp(mantissa(random), exponent(random) * 3);
        const double fromFloat = static_cast<double>(static_cast<float>(d));
        const double onGrid = std::round(d * 1000.0) / 1000.0 + 0.0005;  // near the third-decimal ties
        for (const char* pszFormat : {"%4.2f", " %4.3f", "%.1f", "%f", "%.0f", "%+012.5f"}) {
            ExpectLike(pszFormat, d);
            ExpectLike(pszFormat, fromFloat);
            ExpectLike(pszFormat, onGrid);
        }
    }
}

// Two floating values pack alike exactly when the texts they give are alike: a value that differs only
// past the last digit shown packs as the other (its text need not be made again), and any difference
// the text shows, the sign of a zero included, packs differently.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
template <class... Args>
std::vector<unsigned char> PackOf(const char* pszFormat, Args... args) {
    std::vector<unsigned char> pack;
    EXPECT_TRUE(PackFormat(&pack, pszFormat, args...)) << pszFormat;
    return pack;
}

std::string TextOf(const char* pszFormat, double d) {
    char sz[512];
    std::snprintf(sz, sizeof sz, pszFormat, d);
    return sz;
}
#pragma GCC diagnostic pop

TEST(FormatText, FloatsPackAlikeExactlyWhenTheirTextsAreAlike) {
    const char* const formats[] = {" %4.3f", "%4.2f", "%f",    "%.0f", "%+08.1f",
                                   "%.17f",  "%#.2f", "%.20f", "%e"};
    // Formats whose values are rounded for the pack: for them alike texts must pack alike too.
    auto rounded = [](const char* pszFormat) {
        return std::strchr(pszFormat, '#') == nullptr && std::strstr(pszFormat, ".20") == nullptr &&
               std::strstr(pszFormat, ".17") == nullptr && std::strchr(pszFormat, 'e') == nullptr;
    };
    std::vector<std::pair<double, double>> pairs = {{0.0, -0.0},
                                                    {0.0004, -0.0004},
                                                    {0.0004, 0.0},
                                                    {-0.0004, -0.0},
                                                    {1.0005, 1.0004999},
                                                    {2.675, 2.6749999},
                                                    {0.125, 0.1250000001},
                                                    {9.9995, 9.99949},
                                                    {1e17, 1e17 + 16},
                                                    {1e30, 1e30 * (1 + 1e-15)},
                                                    {std::numeric_limits<double>::infinity(), DBL_MAX},
                                                    {std::nan(""), std::nan("")}};
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> value(-12.0, 12.0);
    std::uniform_int_distribution<int> steps(-3, 3);
    for (int i = 0; i < 3000; ++i) {
        const double d = i % 3 == 0 ? std::round(value(random) * 1000.0) / 1000.0 + 0.0005 : value(random);
        double e = d;
        for (int n = steps(random) * 1000; n != 0; n += n > 0 ? -1 : 1)
            e = std::nextafter(e, n > 0 ? 100.0 : -100.0);
        pairs.emplace_back(d, e);
        pairs.emplace_back(d, static_cast<double>(static_cast<float>(d)));
        pairs.emplace_back(d, d + 4e-7);
    }
    for (const char* pszFormat : formats) {
        for (const auto& [a, b] : pairs) {
            const bool bSameText = TextOf(pszFormat, a) == TextOf(pszFormat, b);
            const bool bSamePack = PackOf(pszFormat, a) == PackOf(pszFormat, b);
            if (bSamePack) {
                EXPECT_TRUE(bSameText) << pszFormat << " " << a << " " << b;
            }
            if (rounded(pszFormat) && std::isfinite(a) && std::isfinite(b) && std::fabs(a) < 1e11) {
                EXPECT_EQ(bSameText, bSamePack) << pszFormat << " " << a << " " << b;
            }
        }
    }
    // A '*' precision is the one the value is rounded to.
    EXPECT_EQ(PackOf("%.*f", 2, 1.004), PackOf("%.*f", 2, 1.001));
    EXPECT_NE(PackOf("%.*f", 3, 1.004), PackOf("%.*f", 3, 1.001));
    EXPECT_EQ(PackOf("%.*f", -1, 1.0000001), PackOf("%.*f", -1, 1.0000004))
        << "a negative precision is none: 6";
}

// A format read once packs each call's arguments as the one-call pack does, and refuses what it refuses.
TEST(FormatText, AFormatReadOncePacksAsTheOneCallPack) {
    auto both = [](const char* pszFormat, ...) {
        unsigned char once[96];
        unsigned char compiled[96];
        std::size_t nOnce = 0;
        std::size_t nCompiled = 0;
        va_list args;
        va_start(args, pszFormat);
        const bool bOnce = AfxPackFormatArguments(pszFormat, args, once, sizeof once, &nOnce);
        CFormatArguments arguments;
        const bool bCompiled =
            arguments.Compile(pszFormat) && arguments.Pack(args, compiled, sizeof compiled, &nCompiled);
        va_end(args);
        EXPECT_EQ(bOnce, bCompiled) << pszFormat;
        EXPECT_EQ(std::vector<unsigned char>(once, once + nOnce),
                  std::vector<unsigned char>(compiled, compiled + nCompiled))
            << pszFormat;
        return bOnce;
    };
    EXPECT_TRUE(both(" Signal:( %4.2f ),  Volts:( %4.2f )", 1.234, -5.0));
    EXPECT_TRUE(
        both("%*.*f|%-5d|%c|%s|%x|%e|%#.1f|%.30f", 8, 3, 2.5, -7, 'z', "text", 255u, 1e-9, 0.25, 1.0 / 3));
    EXPECT_TRUE(both("%.*s and %%", 2, "abcdef"));
    EXPECT_TRUE(both("no conversions"));
    EXPECT_FALSE(both("%ld", 5L));
    EXPECT_FALSE(both("%p", static_cast<void*>(nullptr)));
    EXPECT_FALSE(both("ends with %"));
    EXPECT_FALSE(both("%s", static_cast<const char*>(nullptr)));
    EXPECT_FALSE(
        both("%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17))
        << "more arguments than are packed";

    // The same reader, again and again, with a format read over another one.
    CFormatArguments arguments;
    ASSERT_TRUE(arguments.Compile("%d"));
    ASSERT_FALSE(arguments.Compile("%lu"));
    auto pack = [&arguments](std::size_t* pn, ...) {
        unsigned char buf[32];
        va_list args;
        va_start(args, pn);
        const bool b = arguments.Pack(args, buf, sizeof buf, pn);
        va_end(args);
        return b;
    };
    std::size_t n = 99;
    EXPECT_FALSE(pack(&n, 5UL)) << "a refused format packs nothing";
    EXPECT_EQ(0u, n);
    ASSERT_TRUE(arguments.Compile("%s"));
    const std::string strLong(40, 'x');
    EXPECT_FALSE(pack(&n, strLong.c_str())) << "more than the buffer holds";
    EXPECT_TRUE(pack(&n, "short"));
    EXPECT_EQ(6u, n);
}

// What a format read once writes from the packed arguments is what the formatter writes from the call's
// own, to the character and the result, in any buffer; what the formatter would hand to the C library,
// or a format with more pieces than are kept, is declined.
bool RendersAsFormatted(std::size_t nSize, const char* pszFormat, ...) {
    CFormatArguments arguments;
    unsigned char packed[256];
    std::size_t nPacked = 0;
    va_list args;
    va_start(args, pszFormat);
    const bool bPacked =
        arguments.Compile(pszFormat) && arguments.Pack(args, packed, sizeof packed, &nPacked);
    char szWant[512];
    char szGot[512];
    std::memset(szWant, '@', sizeof szWant);
    std::memset(szGot, '@', sizeof szGot);
    const int nWant = AfxFormatTextV(nSize > 0 ? szWant : nullptr, nSize, pszFormat, args);
    va_end(args);
    int nGot = -7;
    if (!bPacked || !arguments.Render(pszFormat, packed, nSize > 0 ? szGot : nullptr, nSize, &nGot))
        return false;
    EXPECT_EQ(nWant, nGot) << pszFormat;
    EXPECT_EQ(0, std::memcmp(szWant, szGot, sizeof szWant))
        << pszFormat << ": \"" << szWant << "\" vs \"" << szGot << "\"";
    return true;
}

TEST(FormatText, AFormatReadOnceWritesFromThePackedArgumentsAsTheFormatterWrites) {
    const double values[] = {0.0,  -0.0, 0.125, -2.5, 9.995, 99.995, 1.0 / 3.0, -1234.5678,
                             1e-7, 5e-7, 1e15,  1e17, 1e22,  1e300,  -DBL_MAX,  0.49999999999999994};
    for (const char* pszFormat : kFloatFormats) {
        const bool bLong =
            std::strstr(pszFormat, ".20") != nullptr || std::strstr(pszFormat, ".64") != nullptr;
        for (double d : values)
            EXPECT_EQ(!bLong, RendersAsFormatted(256, pszFormat, d)) << pszFormat << " " << d;
    }
    for (double d : values) {
        EXPECT_TRUE(RendersAsFormatted(256, " Signal:( %4.2f ),  Volts:( %4.2f )", d, -d));
        EXPECT_TRUE(RendersAsFormatted(256, "%*.*f|%-*.*f|%.*f", 9, 3, d, 9, 1, d, -4, d));
    }
    for (int n : {0, 7, -42, 4095, INT_MAX, INT_MIN}) {
        EXPECT_TRUE(RendersAsFormatted(256, "%d|%5i|%-5d|%05d|%+d|% d|%.3d|%.0d", n, n, n, n, n, n, n, n));
        EXPECT_TRUE(RendersAsFormatted(256, "%u %#x %#X %#o %x %#.5o %08.3d", n, n, n, n, n, n, n));
        EXPECT_TRUE(RendersAsFormatted(256, "%*d|%-*d|%.*d|%*d", 6, n, 6, n, 4, n, -7, n));
    }
    for (const char* psz : {"", "a", "PCI-DDA08/12", "(hex) 0x43"})
        EXPECT_TRUE(RendersAsFormatted(256, "[%s][%10s][%-10s][%.3s][%.*s][%*s] %c%c %%", psz, psz, psz, psz,
                                       2, psz, -6, psz, 'x', ' '));
    EXPECT_TRUE(RendersAsFormatted(256, "no conversion at all"));
    EXPECT_TRUE(RendersAsFormatted(256, ""));
    for (std::size_t nSize : {0u, 1u, 2u, 5u, 7u, 40u}) {
        EXPECT_TRUE(RendersAsFormatted(nSize, "%s-%d|%10.3f|", "abcde", 12345, -2.5));
        EXPECT_TRUE(RendersAsFormatted(nSize, " %4.3f", 12.3456));
    }

    // Declined: what goes to the C library, whatever the arguments or for these ones.
    EXPECT_FALSE(RendersAsFormatted(256, "%e", 1.5));
    EXPECT_FALSE(RendersAsFormatted(256, "%#.1f", 1.5));
    EXPECT_FALSE(RendersAsFormatted(256, "%.30f", 1.5));
    EXPECT_FALSE(RendersAsFormatted(256, "%5%"));
    EXPECT_FALSE(RendersAsFormatted(256, "%05s", "x"));
    EXPECT_FALSE(RendersAsFormatted(256, "%05c", 'x'));
    EXPECT_FALSE(RendersAsFormatted(256, "%5000d", 1));
    EXPECT_FALSE(RendersAsFormatted(256, "%.5000d", 1));
    EXPECT_FALSE(RendersAsFormatted(256, "%*d", 5000, 1));
    EXPECT_FALSE(RendersAsFormatted(256, "%.*f", 5000, 1.0));
    EXPECT_FALSE(RendersAsFormatted(256, "%f|%4.2f", std::numeric_limits<double>::infinity(), 1.0));
    EXPECT_FALSE(RendersAsFormatted(256, "%.2f", std::nan("")));
    EXPECT_FALSE(RendersAsFormatted(256, "%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d%%", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10,
                                    11, 12, 13, 14, 15, 16))
        << "more pieces than are kept";

    // One reader, one format after another: nothing of an earlier format stays.
    CFormatArguments arguments;
    auto render = [&arguments](const char* pszFormat, ...) {
        unsigned char packed[64];
        std::size_t n = 0;
        char sz[64] = {};
        int nResult = 0;
        va_list args;
        va_start(args, pszFormat);
        const bool b = arguments.Compile(pszFormat) && arguments.Pack(args, packed, sizeof packed, &n) &&
                       arguments.Render(pszFormat, packed, sz, sizeof sz, &nResult);
        va_end(args);
        return b ? std::string(sz) : std::string("(declined)");
    };
    EXPECT_EQ(" bitCode(ROI):  (bin) 1", render(" bitCode(ROI):  %s", "(bin) 1"));
    EXPECT_EQ("(declined)", render("%e", 1.0));
    EXPECT_EQ(" 1.500", render(" %4.3f", 1.5));
    EXPECT_EQ("(declined)", render("%ld", 5L));
    EXPECT_EQ("7%", render("%d%%", 7));
}

TEST(FormatText, IntegersCharactersAndStrings) {
    const int values[] = {0, 1, -1, 7, 8, 15, 16, 42, -42, 255, 4095, 65535, 1000000, INT_MAX, INT_MIN};
    const char* const intFormats[] = {"%d",    "%i",    "%5d",   "[%-5d]", "%05d",  "%+d",    "% d",
                                      "%.3d",  "%.0d",  "%#x",   "%#X",    "%#o",   "%o",     "%x",
                                      "%X",    "%u",    "%#.0o", "%08.3d", "%+05i", "%-+6d|", "% 05d",
                                      "%#06x", "%#.5o", "%.0x",  "%#5.3o", "%+u",   "% x",    "%-#8X|"};
    for (const char* pszFormat : intFormats)
        for (int n : values) ExpectLike(pszFormat, n);
    for (int n : values) {
        ExpectLike("%*d|%-*d|%.*d", 6, n, 6, n, 4, n);
        ExpectLike("%*d", -7, n);
        ExpectLike("%.*d", -3, n);
    }

    const char* const texts[] = {"", "a", "PCI-DDA08/12", "Signal:( %4.2f )"};
    for (const char* psz : texts) {
        for (const char* pszFormat : {"%s", "[%10s]", "[%-10s]", "%.0s", "%.3s", "%5.2s", "(%s)(%s)"})
            ExpectLike(pszFormat, psz, psz);
        ExpectLike("%.*s ", 2, psz);
        ExpectLike("%.*s ", -1, psz);
        ExpectLike("%*s|", -6, psz);
    }
    ExpectLike("%c%c%c [%3c] [%-3c] %%", 'a', ' ', '~', 'x', 'y');
    ExpectLike("no conversion at all");
    ExpectLike(" bitCode(ROI):  %s", "(hex) 0x43");
    ExpectLike(" BAD SCAN notice (quality=%d)", 7);
    ExpectLike(" Signal:( %4.2f ),  Volts:( %4.2f )", -3.14159, 9.99951);
}

TEST(FormatText, CutsToTheBufferAndCountsTheWholeText) {
    for (std::size_t nSize : {0u, 1u, 2u, 5u, 6u, 7u, 40u}) {
        ExpectLikeSnprintf(nSize, "%s-%d", "abcde", 12345);
        ExpectLikeSnprintf(nSize, "%10.3f|", -2.5);
        ExpectLikeSnprintf(nSize, "%#x%c%5s", 0xBEEFu, 'z', "xy");
    }
    const std::string strLong(1500, 'x');
    ExpectLikeSnprintf(300, "%s%d", strLong.c_str(), 5);
    ExpectLikeSnprintf(300, "%4096d", 3);
}

TEST(FormatText, OtherFormatsGiveTheCLibraryText) {
    ExpectLike("%ld %lld %zu %hhd", 123456789012L, -5LL, static_cast<std::size_t>(77), 300);
    ExpectLike("%e %g %a %E %G", 1234.5, 0.0001, 1.0, -2.5e-8, 1e100);
    ExpectLike("%f %F %4.2f %f", std::numeric_limits<double>::quiet_NaN(),
               std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
               -std::numeric_limits<double>::quiet_NaN());
    ExpectLike("%010.2f|%-8f|%+f", std::numeric_limits<double>::infinity(),
               std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity());
    ExpectLike("%#.0f %#8.2f", 3.0, 2.5);
    ExpectLike("%.65f", 0.1);
    ExpectLike("%5% and %-3%|");
    ExpectLike("%2$d %1$d", 1, 2);
    ExpectLike("%d %s", 1, static_cast<const char*>(nullptr));
    ExpectLike("%05s %05c", "ab", 'c');
    ExpectLike("%5000d", 1);
    ExpectLike("%.5000d", 1);
    ExpectLike("%*d", 5000, 1);
    ExpectLike("%'d", 1234567);
    ExpectLike("trailing %");
}

TEST(FormatText, FloatsAreFormattedAsInTheCLocaleWithoutAskingTheProcessLocale) {
    char sz[64];
    const int nBefore = g_nLangInfoCalls.load();
    AfxFormatText(sz, sizeof sz, " %4.2f Out Of Domain", 2.5);
    EXPECT_STREQ(" 2.50 Out Of Domain", sz);
    AfxFormatText(sz, sizeof sz, "%e|%lf", 2.5, 0.25);  // left to the C library
    EXPECT_STREQ("2.500000e+00|0.250000", sz);
    EXPECT_EQ(nBefore, g_nLangInfoCalls.load());

    // A locale with a decimal comma, where one is installed, changes nothing: the program's texts are
    // those of the C locale it runs in.
    const std::string strOld = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* pszLocale : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, pszLocale) == nullptr) continue;
        AfxFormatText(sz, sizeof sz, "%4.2f %d %e", 2.5, 3, 0.5);
        EXPECT_STREQ("2.50 3 5.000000e-01", sz) << pszLocale;
        break;
    }
    std::setlocale(LC_NUMERIC, strOld.c_str());
}

TEST(FormatText, ThreadsFormatFloatsAtTheSameTime) {
    std::atomic<int> nWrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &nWrong] {
            for (int i = 0; i < 2000; ++i) {
                const double d = t * 1000.0 + i * 0.37;
                char szWant[64];
                char szGot[64];
                std::snprintf(szWant, sizeof szWant, " Signal:( %4.2f ),  Volts:( %4.2f )", d, -d);
                AfxFormatText(szGot, sizeof szGot, " Signal:( %4.2f ),  Volts:( %4.2f )", d, -d);
                if (std::strcmp(szWant, szGot) != 0) nWrong.fetch_add(1);
            }
        });
    }
    for (std::thread& th : threads) th.join();
    EXPECT_EQ(0, nWrong.load());
}

}  // namespace
