// The course page's index and update: words folded as the page's script
// folds them, a lecture added or published again rewriting only its own
// files and the small root, and every refusal leaving what was there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "TestSupport.h"
#include "course/CourseIndex.h"
#include "course/SearchText.h"
#include "publish/LectureRecord.h"
#include "publish/OutputChecks.h"

namespace {
using namespace pellucor;
namespace fs = std::filesystem;
using namespace pellucor::testing_support;

struct Folding {
    const char* text;
    std::vector<std::string> terms;
};

class SearchWords : public ::testing::TestWithParam<Folding> { };

TEST_P(SearchWords, AreFoldedAsThePageFoldsWhatIsTyped) { EXPECT_EQ(SearchTerms(GetParam().text), GetParam().terms); }

INSTANTIATE_TEST_SUITE_P(
    Texts, SearchWords,
    ::testing::Values(Folding {"Schrödinger's wave-equation", {"schrodinger", "wave", "equation"}},
                      Folding {"STRASSE Straße", {"strasse", "strasse"}}, Folding {"ΟΔΟΣ οδός", {"οδοσ", "οδοσ"}},
                      Folding {"a I x1 42 é", {"x1", "42"}}, Folding {"ﬁnal Ｆｕｌｌ", {"final", "full"}},
                      Folding {"日本語 Ærø", {"日本語", "ærø"}},
                      Folding {"abcdefghijklmnopqrstuvwxyzabcdefghij", {"abcdefghijklmnopqrstuvwxyzabcdef"}}));

// A publication as the course reads it: its record, a page per part and
// its first slide, all listed in its manifest.
void publication(const fs::path& dir, const std::string& title, const std::string& date)
{
    LectureRecord rec;
    rec.title = title;
    rec.recorded = date;
    rec.thumbnail = "img001.gif";
    rec.parts = {{1, "part1.htm", 90, {{4, "what was said in " + title}}, {}, {}}, {2, "part2.htm", 30, {}, {}, {}}};
    rec.slides = {{1, 1, 0, "Opening", "", "Welcome"}, {2, 2, 10, "Main", "Notes of " + title, ""}};
    for (const char* f : {"index.htm", "part1.htm", "part2.htm", "img001.gif"})
        writeFile(dir / f, f);
    std::string err;
    ASSERT_TRUE(rec.Write(dir.string(), err)) << err;
    ASSERT_TRUE(WriteManifest(dir.string(), err)) << err;
}

class Course : public ::testing::Test {
protected:
    TempDir root;
    CourseReport report;
    std::string err;

    bool write(const CourseOptions& options = {}) { return WriteCourse(root.dir(), options, report, err); }
    std::map<std::string, std::string> index() const { return treeContents(root.path() / kCourseDirName); }
    // The lectures' titles as the page lists them.
    std::vector<std::string> listed() const
    {
        const std::string page = readFile(root.path() / "index.htm");
        std::vector<std::string> titles;
        for (size_t at = 0; (at = page.find("class=\"title\" href=\"", at)) != std::string::npos;) {
            at = page.find('>', at) + 1;
            titles.push_back(page.substr(at, page.find('<', at) - at));
        }
        return titles;
    }
};

TEST_F(Course, AddingALectureRewritesOnlyItsOwnFilesAndTheSmallRoot)
{
    publication(root.path() / "a", "Alpha", "2024-01-01T10:00:00");
    publication(root.path() / "b", "Beta", "2024-03-01T10:00:00");
    publication(root.path() / "c" / "deep", "Gamma", "2024-02-01T10:00:00");
    ASSERT_TRUE(write({"Physics"})) << err;
    EXPECT_EQ(std::pair(report.lectures, report.searchable), std::pair(3, 3));
    EXPECT_EQ(listed(), (Strings {"Beta", "Gamma", "Alpha"}));
    const auto lectures = treeContents(root.path() / "a");
    const auto before = index();

    publication(root.path() / "d", "Delta", "2024-04-01T10:00:00");
    ASSERT_TRUE(write()) << err;
    EXPECT_EQ(report.added, 1);
    EXPECT_EQ(listed(), (Strings {"Delta", "Beta", "Gamma", "Alpha"}));
    EXPECT_TRUE(holds(readFile(root.path() / "index.htm"), "<title>Physics</title>"));
    const auto after = index();
    for (const auto& [name, text] : before)
        EXPECT_TRUE(name == "course.json" || name == "root-1.js" || (after.count(name) && after.at(name) == text))
            << name << " was rewritten or removed";
    EXPECT_TRUE(!after.count("root-1.js") && after.count("root-2.js"));
    size_t added = 0;
    for (const auto& [name, text] : after)
        added += before.count(name) ? 0 : text.size();
    EXPECT_LT(added, 8000u) << "more than the new lecture's files was written";
    EXPECT_EQ(treeContents(root.path() / "a"), lectures);  // the lectures are only read

    // Published again, and removed: the page follows, nothing else changes.
    publication(root.path() / "b", "Beta again", "2024-03-01T10:00:00");
    fs::remove_all(root.path() / "c");
    ASSERT_TRUE(write()) << err;
    EXPECT_EQ(std::pair(report.changed, report.removed), std::pair(1, 1));
    EXPECT_EQ(listed(), (Strings {"Delta", "Beta again", "Alpha"}));
    ASSERT_TRUE(write()) << err;
    EXPECT_EQ(report.added + report.changed + report.removed, 0);
}

TEST_F(Course, LectureWithoutARecordIsListedAsNotSearchableAndAForeignPageReplacedOnlyWhenAsked)
{
    publication(root.path() / "a", "Alpha", "2024-01-01T10:00:00");
    fs::create_directories(root.path() / "old");
    writeFile(root.path() / "old" / "part1.htm", "p");
    std::string e;
    ASSERT_TRUE(WriteManifest((root.path() / "old").string(), e));
    writeFile(root.path() / "broken" / "index.htm", "p");
    writeFile(root.path() / "broken" / kLectureRecordName, "{not json");
    ASSERT_TRUE(WriteManifest((root.path() / "broken").string(), e));
    ASSERT_TRUE(write()) << err;
    EXPECT_EQ(std::pair(report.lectures, report.searchable), std::pair(3, 1));
    EXPECT_THAT(report.warnings,
                ::testing::ElementsAre(::testing::HasSubstr("broken/ cannot be searched"),
                                       ::testing::HasSubstr("old/ cannot be searched")));
    // A foreign page is replaced when asked.
    writeFile(root.path() / "index.htm", "mine");
    ASSERT_TRUE(write({"", true})) << err;
    EXPECT_TRUE(holds(readFile(root.path() / "index.htm"), "course-index/course.js"));
    ASSERT_TRUE(write()) << err;  // from now on the page is the course's own
}

struct Refusal {
    const char* name;
    std::function<void(const fs::path&)> make;
    const char* error;
};

class CourseRefusal : public ::testing::TestWithParam<Refusal> { };

TEST_P(CourseRefusal, NamesTheReasonAndLeavesEverythingAsItWas)
{
    TempDir root;
    GetParam().make(root.path());
    const auto before = treeContents(root.path());
    CourseReport report;
    std::string err;
    EXPECT_FALSE(WriteCourse(root.dir() + "course", {}, report, err));
    EXPECT_TRUE(holds(err, GetParam().error));
    EXPECT_EQ(treeContents(root.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CourseRefusal,
    ::testing::Values(
        Refusal {"Missing", [](const fs::path&) {}, "does not exist"},
        Refusal {"Publication", [](const fs::path& p) { publication(p / "course", "Alpha", "2024-01-01"); },
                 "is a published lecture"},
        Refusal {"ForeignPage", [](const fs::path& p) { writeFile(p / "course" / "index.htm", "mine"); },
                 "was not written by pellucor course"},
        Refusal {"ForeignFolder",
                 [](const fs::path& p) { writeFile(p / "course" / kCourseDirName / "notes.txt", "mine"); },
                 "holds files this program did not write"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
