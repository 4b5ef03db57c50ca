// "pellucor accessibility" on a course of published lectures, as staff run
// it: every lecture assessed from its record, the failing ones named, the
// report written beside the course page and linked from it.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>

#include "PellucorProcess.h"
#include "TestSupport.h"
#include "publish/LectureRecord.h"
#include "publish/OutputChecks.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

struct Published {
    const char* folder;
    const char* title;
    std::vector<LectureRecord::Track> tracks;  // of each part
    const char* descriptions;                  // of each part
    bool passes;
};

const Published kLectures[] = {
    {"reviewed", "Optics", {{"en", "machine", true}, {"de", "lecturer", false}}, "captions1.descriptions.vtt", true},
    {"machine", "Waves", {{"en", "machine", false}}, "", false},
    {"silent", "Heat", {}, "", false},
};

void publish(const fs::path& dir, const Published& lecture)
{
    LectureRecord rec;
    rec.title = lecture.title;
    rec.recorded = "2024-01-01T10:00:00";
    for (int p = 1; p <= 2; ++p) {
        const std::string page = "part" + std::to_string(p) + ".htm";
        std::vector<LectureRecord::Cue> cues;
        if (!lecture.tracks.empty())
            cues.push_back({1, "what was said"});
        rec.parts.push_back({p, page, 60, cues, lecture.tracks, lecture.descriptions});
        rec.slides.push_back({p, p, 0, "Slide", "", "the slide's words"});
        writeFile(dir / page, page);
    }
    writeFile(dir / "index.htm", "index");
    std::string err;
    ASSERT_TRUE(rec.Write(dir.string(), err)) << err;
    ASSERT_TRUE(WriteManifest(dir.string(), err)) << err;
}

TEST(AccessibilityCommand, NamesEachLectureFailingAAAndLinksTheReportFromTheCoursePage)
{
    TempDir home, root;
    for (const Published& lecture : kLectures)
        publish(root.path() / lecture.folder, lecture);
    const auto course = runProgram(PELLUCOR_BIN, {"course", QString::fromStdString(root.dir())}, home.dir());
    ASSERT_EQ(course.code, 0) << describe(course);

    const fs::path json = home.path() / "report.json";
    const auto r = runProgram(
        PELLUCOR_BIN,
        {"accessibility", QString::fromStdString(root.dir()), "--json", QString::fromStdString(json.string())},
        home.dir());
    EXPECT_EQ(r.code, 1) << describe(r);
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(json)));
    const QJsonArray reported = doc.object().value("lectures").toArray();
    ASSERT_EQ(reported.size(), static_cast<qsizetype>(std::size(kLectures))) << readFile(json);
    for (const Published& lecture : kLectures) {
        EXPECT_EQ(holds(r.err, lecture.title).operator bool(), !lecture.passes) << lecture.title << "\n" << r.err;
        EXPECT_TRUE(holds(r.out,
                          std::string(lecture.title) + " (" + lecture.folder
                              + "/): " + (lecture.passes ? "passes AA" : "fails AA")));
        for (const QJsonValue& v : reported) {
            if (v.toObject().value("title").toString() == lecture.title) {
                EXPECT_EQ(v.toObject().value("passesAA").toBool(), lecture.passes) << lecture.title;
            }
        }
    }
    EXPECT_TRUE(holds(r.out, "1.2.2 Captions (Prerecorded) (A): failed"));
    EXPECT_TRUE(holds(readFile(root.path() / "accessibility.htm"), "Waves"));
    EXPECT_TRUE(holds(readFile(root.path() / "index.htm"), "href=\"accessibility.htm\""));
}

}  // namespace
