#include "platform/win/cstring.h"
#include "platform/win/cstring_testing.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CStringText, FormatIsUnboundedAndExact) {
    const std::string longText(10000, 'x');
    CString s;
    s.Format("[%s] %d %.2f", longText.c_str(), -42, 2.5);
    EXPECT_EQ("[" + longText + "] -42 2.50", s.Str());
}

TEST(CStringText, OutOfRangeArgumentsStayInside) {
    CString s("abc");
    EXPECT_EQ('\0', CStringTesting::GetAt(s, 3));
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
    s.ReleaseBuffer(2);
    EXPECT_EQ(2, s.GetLength());
}

TEST(CStringText, ReplaceChangesEveryMatchAndNothingForAnEmptyPattern) {
    CString t("a--b--c");
    EXPECT_EQ(2, t.Replace("--", "+"));
    EXPECT_STREQ("a+b+c", t);
    EXPECT_EQ(0, t.Replace("", "x"));  // an empty pattern replaces nothing
}

TEST(CStringText, ComparesAsStrings) {
    EXPECT_LT(CString("abc").Compare("abd"), 0);
    EXPECT_GT(CString("b").Compare("abc"), 0);
    EXPECT_LT(CString("").Compare("a"), 0);
    EXPECT_TRUE(CString("x") == "x");
    EXPECT_TRUE(CString("x") != CString("y"));
    EXPECT_STREQ("ab", CString("a") + "b");
    EXPECT_STREQ("---", CString('-', 3));
    EXPECT_STREQ("", CString('-', -2));
    EXPECT_STREQ("ab", CString("abc", 2));
}

}  // namespace
