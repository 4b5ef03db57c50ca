// "pellucor cut" on the sample lecture, as a lecturer runs it: trims and
// removed stretches written to part 3's talk3.cuts (its recording lasts
// 6 s), the list printed, and every stretch or file that is not right
// refused with the option or line at fault, the cut list left as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "PublishRun.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

struct Case {
    const char* name;
    const char* before;  // talk3.cuts before the run (nullptr: none)
    const char* args;    // after the lecture directory, blank-separated
    int code;
    const char* says;   // on standard output (success) or standard error (failure)
    const char* after = nullptr;  // its stretches afterwards (nullptr: as before; "": no file)
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const char* const kOverlapping = "0:00:04 0:00:05\n0:00:03 0:00:04.5  # the break\n";

const Case kCases[] = {
    {"TrimsAndARemovalInOneRun", nullptr, "--part=3 --trim-start=0:01 --trim-end=5.5 --remove=0:02-0:03.25", 0,
     "talk3.cuts written\nPart 3 (talk3.mp4), 0:00:06.000 long:\n  cut 0:00:00.000 0:00:01.000\n"
     "  cut 0:00:02.000 0:00:03.250\n  cut 0:00:05.500 0:00:06.000\n  students see 0:00:03.250\n",
     "0:00:00.000 0:00:01.000\n0:00:02.000 0:00:03.250\n0:00:05.500 0:00:06.000\n"},
    {"AddsToTheListThere", "0:00:04 0:00:05 # the break\n", "--part=3 --remove=1-2", 0, "students see 0:00:04.000",
     "0:00:01.000 0:00:02.000\n0:00:04.000 0:00:05.000\n"},
    {"ClearStartsFromNone", "nonsense\n", "--part=3 --clear --trim-start=1.5", 0, "talk3.cuts written",
     "0:00:00.000 0:00:01.500\n"},
    {"ClearRemovesTheFile", "1 2\n", "--part=3 --clear", 0, "talk3.cuts removed", ""},
    {"ListOnly", "0:00:04 0:00:05\n", "--part=3 --list", 0,
     "Part 3 (talk3.mp4), 0:00:06.000 long:\n  cut 0:00:04.000 0:00:05.000\n  students see 0:00:05.000\n"},
    {"ListsEveryPart", nullptr, "", 0, "  no cuts\n  students see 0:00:04.0"},
    {"Reversed", nullptr, "--part=3 --remove=3-2", 1,
     "Part 3 (talk3.mp4): --remove 3-2: the cut 0:00:03.000 0:00:02.000 ends before it starts"},
    {"Empty", "0:00:04 0:00:05\n", "--part=3 --trim-start=0", 1,
     "--trim-start 0: the cut 0:00:00.000 0:00:00.000 is empty"},
    {"PastTheEnd", nullptr, "--part=3 --remove=5-7", 1,
     "--remove 5-7: the cut 0:00:05.000 0:00:07.000 ends after the recording, which is 0:00:06.000 long"},
    {"OverlapsTheListThere", "0:00:04 0:00:05\n", "--part=3 --trim-end=4.5", 1,
     "--trim-end 4.5: the cut 0:00:04.500 0:00:06.000 overlaps the cut 0:00:04.000 0:00:05.000"},
    {"OverlapsAnotherOption", nullptr, "--part=3 --remove=1-3 --remove=2-4", 1,
     "--remove 2-4: the cut 0:00:02.000 0:00:04.000 overlaps the cut 0:00:01.000 0:00:03.000"},
    {"BadListThere", kOverlapping, "--part=3 --trim-start=1", 1,
     "talk3.cuts is not right: line 2: the cut 0:00:03.000 0:00:04.500 overlaps the cut 0:00:04.000 0:00:05.000"},
    {"BadListListed", "0:00:04\n", "--part=3 --list", 1, "line 1: expected two times FROM TO"},
    {"BadTime", nullptr, "--part=3 --trim-end=1:75", 2, "--trim-end takes a time such as 90, 1:30 or 0:01:30.5"},
    {"BadStretch", nullptr, "--part=3 --remove=1..2", 2, "--remove takes FROM-TO such as 41:10-52:30.5"},
    {"NoSuchPart", nullptr, "--part=4 --trim-start=1", 1, "The lecture has no part 4"},
    {"PartNeeded", nullptr, "--trim-start=1", 2, "the lecture has 3 parts: give --part N"},
};

class CutCommand : public PublishRun, public ::testing::WithParamInterface<Case> { };

TEST_P(CutCommand, WritesTheCutListOrLeavesItAsItWas)
{
    const Case& c = GetParam();
    copySampleInto(lecture);
    const std::string cuts = lecture + "talk3.cuts";
    if (c.before)
        writeFile(cuts, c.before);
    const auto tree = treeContents(lecture);
    QStringList args {"cut", QString::fromStdString(lecture)};
    for (const QString& a : QString(c.args).split(' ', Qt::SkipEmptyParts))
        args << a;
    const Outcome r = run(args);
    EXPECT_EQ(r.code, c.code) << describe(r);
    expectHolds(r, c.code ? r.err : r.out, {c.says});
    if (!c.after)
        EXPECT_EQ(treeContents(lecture), tree);  // nothing written
    else if (!*c.after)
        EXPECT_FALSE(fs::exists(cuts));
    else
        EXPECT_EQ(readFile(cuts), std::string("# Stretches of talk3.mp4 left out of the published lecture: FROM TO\n")
                                      + c.after);
    EXPECT_FALSE(fs::exists(lecture + "talk1.cuts") || fs::exists(lecture + "talk2.cuts"));
}

INSTANTIATE_TEST_SUITE_P(Rows, CutCommand, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
