#include <gtest/gtest.h>

#include "core/TavUtils.h"

namespace pellucor {

namespace {

TEST(TavPaths, DirSlashNormalisesAndBlankGivesEmpty)
{
    EXPECT_EQ(Tav_DirSlash("/a//b"), "/a/b/");
    EXPECT_EQ(Tav_DirSlash("  /a/b/  "), "/a/b/");
    EXPECT_EQ(Tav_DirSlash(""), "");
    EXPECT_EQ(Tav_DirSlash("   "), "");
    EXPECT_EQ(Tav_FixSlashes("//x///y"), "/x/y");
}

TEST(TavPaths, JoinAlwaysHasExactlyOneSeparator)
{
    EXPECT_EQ(Join("/a", "b"), "/a/b");
    EXPECT_EQ(Join("/a/", "b"), "/a/b");
    EXPECT_EQ(Join("/a//", "/b"), "/a/b");
    EXPECT_EQ(Join("/", "b"), "/b");
}

TEST(TavPaths, StripExt)
{
    EXPECT_EQ(Tav_StripExt("lecture.txt"), "lecture");
    EXPECT_EQ(Tav_StripExt("a.b.c"), "a.b");
    EXPECT_EQ(Tav_StripExt(" noext "), "noext");
    EXPECT_EQ(Tav_StripExt(".hidden"), ".hidden");
}

TEST(TavPaths, SplitPathAtLastSeparator)
{
    auto p = Tav_SplitPath("/lec/L01/");
    EXPECT_EQ(p.last, "L01");
    EXPECT_EQ(p.leading, "/lec/");
    p = Tav_SplitPath("lectures/x-talk1");
    EXPECT_EQ(p.last, "x-talk1");
    EXPECT_EQ(p.leading, "lectures/");
    p = Tav_SplitPath("talk");
    EXPECT_EQ(p.last, "talk");
    EXPECT_EQ(p.leading, "");
}

TEST(TavTime, TimeToTicks)
{
    EXPECT_EQ(Tav_TimeToTicks("1:02:03"), 223380);
    EXPECT_EQ(Tav_TimeToTicks("90"), 5400);
    EXPECT_EQ(Tav_TimeToTicks("01:10"), 4200);
    EXPECT_EQ(Tav_TimeToTicks("1:2:3:4"), 0);
    EXPECT_EQ(Tav_TimeToTicks(""), 0);
    EXPECT_EQ(Tav_TimeToTicks("xx:yy"), 0);
    EXPECT_EQ(Tav_TimeToTicks("00:00:02.5"), 120);             // seconds round halves to even
    EXPECT_EQ(Tav_TimeToTicks("99999999:00:00"), 2147483647);  // saturates instead of overflowing
}

TEST(TavTime, TicksToTimeRoundsToNearestSecond)
{
    EXPECT_EQ(Tav_TicksToTime(223380), "01:02:03");
    EXPECT_EQ(Tav_TicksToTime(3540), "00:00:59");
    EXPECT_EQ(Tav_TicksToTime(89), "00:00:01");
    EXPECT_EQ(Tav_TicksToTime(91), "00:00:02");
    EXPECT_EQ(Tav_TicksToTime(90), "00:00:02");   // 1.5 s, half to even
    EXPECT_EQ(Tav_TicksToTime(150), "00:00:02");  // 2.5 s, half to even
    EXPECT_EQ(Tav_TicksToTime(int64_t(100) * 3600 * 60), "100:00:00");
}

TEST(TavSize, ThresholdsAreDecimal)
{
    EXPECT_EQ(Tav_SizeText(5000), "5000 Bytes");
    EXPECT_EQ(Tav_SizeText(5001), "4 KB");
    EXPECT_EQ(Tav_SizeText(5000000), "4882 KB");
    EXPECT_EQ(Tav_SizeText(5000001), "4 MB");
}

TEST(TavWildcard, MatchesLikeTheDirectoryListing)
{
    EXPECT_TRUE(WildcardMatch("img001.gif", "img???.gif"));
    EXPECT_FALSE(WildcardMatch("img0001.gif", "img???.gif"));
    EXPECT_TRUE(WildcardMatch("TALK.RM", "*.rm"));
    EXPECT_TRUE(WildcardMatch("noext", "*.*"));
    EXPECT_FALSE(WildcardMatch("talk.rmx", "*.rm"));
    EXPECT_TRUE(WildcardMatch("talk12.txt", "talk*.txt"));
}

}  // namespace

}  // namespace pellucor
