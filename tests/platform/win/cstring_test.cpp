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

TEST(CStringText, SearchTrimAndEditFollowTheFrameworksRules) {
    CString s("  a,b;;c  ");
    EXPECT_STREQ("a,b;;c", CString(s).Trim());
    EXPECT_STREQ("a,b;;c  ", CString(s).TrimLeft());
    EXPECT_EQ(3, s.FindOneOf(",;"));
    EXPECT_EQ(6, s.ReverseFind(';'));
    EXPECT_EQ(5, s.Find(";;"));
    EXPECT_STREQ("12", CString("12ab3").SpanIncluding("0123456789"));
    EXPECT_STREQ("ab", CString("ab;cd").SpanExcluding(";,"));

    CString t("a--b--c");
    EXPECT_EQ(2, t.Replace("--", "+"));
    EXPECT_STREQ("a+b+c", t);
    EXPECT_EQ(0, t.Replace("", "x"));  // an empty pattern replaces nothing
    EXPECT_EQ(2, t.Remove('+'));
    EXPECT_STREQ("abc", t);
    EXPECT_EQ(4, t.Insert(99, 'd'));  // past the end: appended
    EXPECT_EQ(5, t.Insert(0, "_"));
    EXPECT_STREQ("_abcd", t);
    EXPECT_EQ(3, t.Delete(1, 2));
    EXPECT_STREQ("_cd", t);
    EXPECT_EQ(3, t.Delete(10, 5));  // outside: unchanged
    EXPECT_STREQ("DC_", CString(t).MakeUpper().MakeReverse());
}

TEST(CStringText, TokenizeSkipsEmptyTokensAndComparesAsStrings) {
    CString s(";a;;bc;");
    int i = 0;
    EXPECT_STREQ("a", s.Tokenize(";", i));
    EXPECT_STREQ("bc", s.Tokenize(";", i));
    EXPECT_STREQ("", s.Tokenize(";", i));
    EXPECT_EQ(-1, i);

    EXPECT_EQ(0, CString("Abc").CompareNoCase("aBC"));
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
