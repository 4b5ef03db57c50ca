// Cut lists: how their text is read and refused, and how they move the
// times a publish writes.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "core/CutList.h"
#include "core/TextFile.h"

namespace {
using namespace pellucor;

struct ListRow {
    const char* text;
    double length;
    const char* stretches;  // "from-to;..." or the start of the error
};

std::string shown(const CutList& cuts)
{
    std::string out;
    for (const CutStretch& c : cuts.Stretches()) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%g-%g;", c.from, c.to);
        out += buf;
    }
    return out;
}

class CutListText : public ::testing::TestWithParam<ListRow> {};

TEST_P(CutListText, IsReadOrRefusedWithTheLineAtFault)
{
    const ListRow& row = GetParam();
    CutList cuts;
    std::string err;
    const bool read = ParseCutList(row.text, row.length, cuts, err);
    EXPECT_EQ(read ? shown(cuts) : err.substr(0, std::string(row.stretches).size()), row.stretches) << err;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CutListText,
    ::testing::Values(ListRow {"", 0, ""}, ListRow {"# nothing cut\n\n", 60, ""},
                      ListRow {"0 12.5\n1:00 1:30.25 # the break\n", 3600, "0-12.5;60-90.25;"},
                      ListRow {"1:00:00 1:00:10\r\n0:10 0:20\r\n", 0, "10-20;3600-3610;"},
                      ListRow {"\t5\t 7 \n", 10, "5-7;"},
                      ListRow {"0 10\n9 20\n", 60, "line 2: the cut 0:00:09.000 0:00:20.000 overlaps"},
                      ListRow {"20 10\n", 60, "line 1: the cut 0:00:20.000 0:00:10.000 ends before"},
                      ListRow {"10 10\n", 60, "line 1: the cut 0:00:10.000 0:00:10.000 is empty"},
                      ListRow {"50 70\n", 60, "line 1: the cut 0:00:50.000 0:01:10.000 ends after the recording"},
                      ListRow {"# a\n10\n", 60, "line 2: expected two times FROM TO"},
                      ListRow {"1:75 1:80\n", 0, "line 1: expected two times"},
                      ListRow {"-5 3\n", 0, "line 1: expected two times"},
                      ListRow {"1 2 3\n", 0, "line 1: expected two times"}));

struct ShiftRow {
    double t, shifted;
    bool cut;
};

class CutShift : public ::testing::TestWithParam<ShiftRow> {};

// Cut: the first 10 s, 100 to 160 and 300 to 310.
TEST_P(CutShift, MovesTimesByTheCutsBeforeThem)
{
    const CutList cuts({{0, 10}, {100, 160}, {300, 310}});
    EXPECT_DOUBLE_EQ(cuts.Shifted(GetParam().t), GetParam().shifted);
    EXPECT_EQ(cuts.IsCut(GetParam().t), GetParam().cut);
}

INSTANTIATE_TEST_SUITE_P(Times, CutShift,
                         ::testing::Values(ShiftRow {0, 0, true}, ShiftRow {5, 0, true}, ShiftRow {10, 0, false},
                                           ShiftRow {50, 40, false}, ShiftRow {100, 90, true},
                                           ShiftRow {130, 90, true}, ShiftRow {160, 90, false},
                                           ShiftRow {200, 130, false}, ShiftRow {305, 230, true},
                                           ShiftRow {400, 320, false}));

TEST(CutList, KeepsWhatLiesBetweenTheCuts)
{
    const CutList cuts({{0, 10}, {100, 160}, {300, 400}});
    EXPECT_EQ(shown(CutList(cuts.Kept(350))), "10-100;160-300;");
    EXPECT_DOUBLE_EQ(cuts.KeptLength(350), 230);
    EXPECT_EQ(shown(CutList(CutList({{20, 30}}).Kept(100))), "0-20;30-100;");
    EXPECT_EQ(shown(CutList(CutList().Kept(100))), "0-100;");
}

TEST(CutList, IsWrittenBesideTheRecordingAndGoneWhenEmpty)
{
    const testing_support::TempDir dir;
    const std::string media = dir.file("talk1.mp4");
    CutList cuts;
    std::string err;
    ASSERT_TRUE(cuts.Add({0, 61.5}, 0, err)) << err;
    ASSERT_TRUE(cuts.Add({3000, 3600}, 3600, err)) << err;
    EXPECT_FALSE(cuts.Add({3500, 3700}, 3600, err));
    ASSERT_TRUE(WriteCutList(media, cuts, err)) << err;
    std::string text;
    ASSERT_TRUE(ReadWholeFile(dir.file("talk1.cuts"), text));
    EXPECT_EQ(text, "# Stretches of talk1.mp4 left out of the published lecture: FROM TO\n"
                    "0:00:00.000 0:01:01.500\n0:50:00.000 1:00:00.000\n");
    CutList read;
    ASSERT_TRUE(ReadCutList(media, 3600, read, err)) << err;
    EXPECT_EQ(read.Stretches(), cuts.Stretches());
    EXPECT_FALSE(ReadCutList(media, 1000, read, err));
    EXPECT_NE(err.find("talk1.cuts is not right: line 3: the cut 0:50:00.000 1:00:00.000 ends after"),
              std::string::npos)
        << err;
    ASSERT_TRUE(WriteCutList(media, CutList(), err)) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("talk1.cuts")));
    ASSERT_TRUE(ReadCutList(media, 0, read, err)) << err;
    EXPECT_TRUE(read.Empty());
}

}  // namespace
