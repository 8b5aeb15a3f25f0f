#include "platform/win/cstring.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CStringText, FormatIsUnboundedAndExact) {
    const std::string longText(10000, 'x');
    CString s;
    s.Format("[%s] %d %.2f", longText.c_str(), -42, 2.5);
    EXPECT_EQ("[" + longText + "] -42 2.50", s.Str());
    s.AppendFormat("%s", longText.c_str());
    EXPECT_EQ(10000 * 2 + 11, s.GetLength());
}

TEST(CStringText, OutOfRangeArgumentsStayInside) {
    CString s("abc");
    EXPECT_STREQ("", s.Mid(10));
    EXPECT_STREQ("bc", s.Mid(1, 100));
    EXPECT_STREQ("abc", s.Left(99));
    EXPECT_STREQ("", s.Right(-1));
    EXPECT_EQ('\0', s.GetAt(3));
    EXPECT_EQ(-1, s.Find('z'));
    EXPECT_EQ(-1, s.Find("c", 5));
}

TEST(CStringText, BufferReleaseTakesTheTerminatorOrTheGivenLength) {
    CString s;
    char* p = s.GetBuffer(8);
    std::snprintf(p, 9, "12345678");
    s.ReleaseBuffer();
    EXPECT_STREQ("12345678", s);
    p = s.GetBuffer(8);
    p[3] = '\0';
    s.ReleaseBuffer();
    EXPECT_EQ(3, s.GetLength());
    s.GetBufferSetLength(5);
    s.ReleaseBuffer(2);
    EXPECT_EQ(2, s.GetLength());
}

}  // namespace
