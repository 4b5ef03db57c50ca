#include <gtest/gtest.h>

#include "core/PathVars.h"

namespace pellucor {

namespace {

TEST(PathVars, ExpandsEachVariableEverywhere)
{
    EXPECT_EQ(TavPrefString("${lecdir}/copy/", "/lec/l01/"), "/lec/l01//copy/");
    EXPECT_EQ(TavPrefString("${lecname}-${lecname}", "/lec/L01/"), "L01-L01");
    EXPECT_EQ(TavPrefString("${lecparent}x", "/lec/l01/"), "/lec/x");
    EXPECT_EQ(TavPrefString("${lecparent}x", "/lec/l01/", false), "${lecparent}x");
    EXPECT_EQ(TavPrefString("plain text", "/lec/l01/"), "plain text");
}

}  // namespace

}  // namespace pellucor
