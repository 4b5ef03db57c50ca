#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"
#include "core/TavString.h"

namespace pellucor {

using testing_support::Strings;

namespace {

std::vector<std::string> fields(const std::vector<std::string>& f) { return {f.begin() + 1, f.end()}; }

TEST(TavSplit, BlankRunsActAsOneSeparatorAndColonsKeepEmptyFields)
{
    EXPECT_EQ(fields(Tav_Split("a  b")), (Strings {"a", "b"}));
    EXPECT_EQ(fields(Tav_Split("1::2", ":")), (Strings {"1", "", "2"}));
    EXPECT_EQ(fields(Tav_Split("  x y  ", "")), (Strings {"x", "y"}));
    EXPECT_EQ(Tav_Split("   ").size(), 1u);  // no fields at all
    EXPECT_EQ(Tav_Split("").front(), "");    // index 0 is never a field
    // Only the first character of the separator counts.
    EXPECT_EQ(fields(Tav_Split("a:b;c", ":;")), (Strings {"a", "b;c"}));
}

TEST(TavReadLine, SkipsBlankLinesAndLeadingBlanksButKeepsInnerOnes)
{
    std::istringstream in("\r\n\r\n  third\tline  x\r\nlast");
    std::string line;
    ASSERT_TRUE(Tav_ReadLine(in, line));
    EXPECT_EQ(line, "third\tline  x");
    ASSERT_TRUE(Tav_ReadLine(in, line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(Tav_ReadLine(in, line));
    EXPECT_EQ(line, "");
}

TEST(TavReadLine, LoneCarriageReturnsEndLines)
{
    std::istringstream in("a\rb\n\n\nc");
    std::string line;
    std::vector<std::string> got;
    while (Tav_ReadLine(in, line))
        got.push_back(line);
    EXPECT_EQ(got, (Strings {"a", "b", "c"}));
}

TEST(TavText, ReplaceAllDoesNotRescanInsertedText)
{
    EXPECT_EQ(ReplaceAll("aXbX", "X", "XX"), "aXXbXX");
    EXPECT_EQ(ReplaceAll("URL\\a URL\\b", "URL\\", "&&slide&&"), "&&slide&&a &&slide&&b");
    EXPECT_EQ(ReplaceAll("abc", "", "z"), "abc");
}

TEST(TavText, LenientNumbersAndRounding)
{
    EXPECT_DOUBLE_EQ(Val("  12abc"), 12.0);
    EXPECT_DOUBLE_EQ(Val("abc"), 0.0);
    EXPECT_DOUBLE_EQ(Val("-3.5"), -3.5);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(1.48), 1);
    EXPECT_EQ(Fmt000(7), "007");
    EXPECT_EQ(Fmt000(1000), "1000");
    EXPECT_EQ(Fmt00(5), "05");
}

}  // namespace

}  // namespace pellucor
