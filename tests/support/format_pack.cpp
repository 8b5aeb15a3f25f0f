#include "support/format_pack.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstddef>

#include "platform/win/format_testing.h"

bool PackFormat(std::vector<unsigned char>* pOut, const char* pszFormat, ...) {
    unsigned char buf[64];
    std::size_t n = sizeof buf + 1;  // the pack must say how much it wrote, a refusal included
    va_list args;
    va_start(args, pszFormat);
    const bool b = AfxPackFormatArguments(pszFormat, args, buf, sizeof buf, &n);
    va_end(args);
    EXPECT_LE(n, sizeof buf) << pszFormat;
    pOut->assign(buf, buf + (n <= sizeof buf ? n : 0));
    return b;
}
