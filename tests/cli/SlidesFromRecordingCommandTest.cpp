// "pellucor slides-from-recording" on short generated recordings of each
// kind (among them a meeting layout laid out anew halfway and a meeting
// tool of another make): every slide
// shown found once (a slide built up point by point is one slide, its
// fullest state kept; a slide returned to is the same), each change within
// a second, titles read from the slides, stretches without a slide
// reported and given none; the recordings it refuses write nothing; the
// lecture made publishes, and its slides sync as an exported deck does.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "MediaTools.h"
#include "PublishRun.h"
#include "SyncedLecture.h"
#include "core/TavString.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

struct Recorded {
    const char *kind, *file;
    int seconds;
    const char* size;
};

struct Case {
    const char* name;
    std::vector<Recorded> parts;
    const char* slideSize;  // of the sharp pictures; "" when the parts differ
    const char* refused;    // what standard error says when refused, "" when made
    bool syncs = true;      // sync-slides finds the same changes (it looks for the slide in one place)
    const char* lang = nullptr;  // --ocr-lang, the OCR languages
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"ScreenWithPointer", {{"screen", "a.mp4", 30, "480x270"}}, "360x270", ""},
    {"MeetingLayout", {{"meeting", "a.mp4", 30, "640x360"}}, "480x360", ""},
    {"MeetingLayoutMoves", {{"moving", "a.mp4", 40, "640x360"}}, "", "", false},
    {"BuildsAndReturns", {{"deck", "a.mp4", 40, "480x270"}}, "360x270", ""},
    {"VideoClipsAndNotifications", {{"clip", "a.mp4", 40, "480x270"}}, "360x270", ""},
    {"TwoRecordingsTwoParts", {{"screen", "a.mp4", 30, "480x270"}, {"deck", "b.webm", 30, "640x360"}}, "", ""},
    // Only a person moves in the camera strip: its room is no part of the slide.
    {"MeetingStripOnTheLeft", {{"strip", "a.mp4", 30, "640x360"}}, "480x360", ""},
    // A camera at the projected screen (perspective, blur, noise, people
    // passing in front, now and then turned to the lecturer), and another
    // make in a hall (keystone, shake, a lecturer walking before the
    // screen, a laser's dot).
    {"CameraAtTheProjector", {{"camera", "a.mp4", 30, "1280x720"}}, "", ""},
    {"HallCameraWithLecturerAndLaser", {{"hall", "a.mp4", 30, "960x540"}}, "", ""},
    {"SoundOnlyRefused", {{"screen", "a.m4a", 10, "480x270"}}, "", "holds no picture"},
    {"NoStablePictureRefused", {{"video", "a.mp4", 20, "480x270"}}, "", "shows no stable picture"},
    // Said before the recording is read, not after it.
    {"MissingOcrLanguageRefused", {{"screen", "a.mp4", 10, "480x270"}}, "", "The OCR language \"xyz\" is not installed",
     true, "eng+xyz"},
};

// The slides 3, 4 and 5 of the generated deck are one slide built up.
int trueSlide(int shown) { return shown >= 3 && shown <= 5 ? 3 : shown; }

// (seconds, slide) of each change an events file holds.
SlideSchedule changesIn(const std::string& events)
{
    SlideSchedule found;
    const std::regex row(R"(u (\d+):(\d+):(\d+) \S+ URL\\sld(\d+)\.htm)");
    std::smatch m;
    for (const std::string& line : readLines(events))
        if (std::regex_match(line, m, row))
            found.emplace_back(std::stoi(m[1]) * 3600 + std::stoi(m[2]) * 60 + std::stoi(m[3]), std::stoi(m[4]));
    return found;
}

// "imgNNN.gif" "Title" lines: the titles by slide number.
std::map<int, std::string> titlesIn(const std::string& file)
{
    std::map<int, std::string> titles;
    const std::regex line(R"re("img(\d+)\.gif" "(.*)")re");
    std::smatch m;
    for (const std::string& l : readLines(file))
        if (std::regex_match(l, m, line))
            titles[std::stoi(m[1])] = m[2];
    return titles;
}

class SlidesFromRecording : public PublishRun, public ::testing::WithParamInterface<Case> {
protected:
    std::string gen = root.dir() + "gen/";
    std::vector<SlideSchedule> shown;  // per part, slides as the generator numbers them
    std::vector<ClipStretches> clips;

    Outcome make(const Case& c)
    {
        QStringList args {"slides-from-recording"};
        for (const Recorded& p : c.parts) {
            std::string err;
            shown.emplace_back();
            clips.emplace_back();
            EXPECT_TRUE(makeSyncedLecture(p.kind, gen, p.file, p.seconds, p.size, shown.back(), err, &clips.back()))
                << err;
            args << QString::fromStdString(gen + p.file);
        }
        if (c.lang)
            args << "--ocr-lang" << c.lang;
        return run(args << QString::fromStdString(lecture));
    }
};

TEST_P(SlidesFromRecording, FindsEachSlideOnceWithItsChangesAndTitle)
{
    const Case& c = GetParam();
    const Outcome r = make(c);
    if (*c.refused) {
        EXPECT_NE(r.code, 0) << describe(r);
        expectHolds(r, r.err, {c.refused});
        EXPECT_TRUE(fs::is_empty(lecture));  // nothing written
        EXPECT_TRUE(leftBeside(lecture).empty());
        return;
    }
    ASSERT_EQ(r.code, 0) << describe(r);

    // Each part's changes against the truth, each slide found standing for
    // one true slide, and each true slide for one found.
    std::map<int, int> trueOf, foundOf;
    for (size_t part = 0; part < shown.size(); ++part) {
        SlideSchedule truth;
        for (const auto& [t, s] : shown[part])
            if (truth.empty() || truth.back().second != trueSlide(s))
                truth.emplace_back(t, trueSlide(s));
        const std::string events = lecture + "talk" + std::to_string(part + 1) + ".txt";
        const SlideSchedule found = changesIn(events);
        EXPECT_EQ(found.size(), truth.size()) << "part " << part + 1 << "\n" << readFile(events);
        for (size_t i = 0; i < std::min(found.size(), truth.size()); ++i) {
            EXPECT_NEAR(found[i].first, truth[i].first, 1.0) << "part " << part + 1 << " change " << i + 1;
            const auto [was, fresh] = trueOf.emplace(found[i].second, truth[i].second);
            EXPECT_EQ(was->second, truth[i].second) << "slide " << found[i].second << " shows two slides";
            const auto [had, once] = foundOf.emplace(truth[i].second, found[i].second);
            EXPECT_EQ(had->second, found[i].second) << "true slide " << truth[i].second << " found twice";
        }
        EXPECT_TRUE(fs::exists(lecture + "talk" + std::to_string(part + 1)
                               + fs::path(c.parts[part].file).extension().string()));
    }

    // The video clips reported, without a slide of their own.
    ClipStretches told;
    const std::regex stretch(R"(no slide shown from (\d\d):(\d\d):(\d\d) to (\d\d):(\d\d):(\d\d))");
    const auto at = [](const std::smatch& m, int h) {
        return std::stoi(m[h]) * 3600 + std::stoi(m[h + 1]) * 60 + std::stoi(m[h + 2]);
    };
    for (std::sregex_iterator i(r.out.begin(), r.out.end(), stretch), end; i != end; ++i)
        told.emplace_back(at(*i, 1), at(*i, 4));
    ClipStretches truth;
    for (const ClipStretches& part : clips)
        truth.insert(truth.end(), part.begin(), part.end());
    ASSERT_EQ(told.size(), truth.size()) << r.out;
    for (size_t i = 0; i < told.size(); ++i) {
        EXPECT_NEAR(told[i].first, truth[i].first, 1.0) << r.out;
        EXPECT_NEAR(told[i].second, truth[i].second, 1.0) << r.out;
    }

    // One picture per slide found, its title and text read from it.
    const std::map<int, std::string> titles = titlesIn(lecture + "titles.txt"), real = titlesIn(gen + "titles.txt");
    EXPECT_EQ(titles.size(), foundOf.size()) << readFile(lecture + "titles.txt");
    EXPECT_FALSE(fs::exists(lecture + "img" + Fmt000(static_cast<long>(titles.size()) + 1) + ".gif"));
    for (const auto& [found, slide] : trueOf) {
        const std::string img = lecture + "img" + Fmt000(found);
        EXPECT_TRUE(fs::exists(img + ".gif")) << img;
        EXPECT_EQ(titles.count(found) ? titles.at(found) : "", real.at(slide)) << "slide " << found;
        if (*c.slideSize) {  // the slide's own pixels, give or take the edge of a black bar
            const Probed sharp = ffprobe(img + ".webp");
            int w = 0, h = 0;
            ASSERT_EQ(std::sscanf(c.slideSize, "%dx%d", &w, &h), 2);
            ASSERT_FALSE(sharp.streams.empty()) << img;
            EXPECT_NEAR(sharp.streams[0].width, w, 2) << img;
            EXPECT_NEAR(sharp.streams[0].height, h, 2) << img;
        }
        if (slide == 3) {  // its fullest state
            EXPECT_TRUE(holds(readFile(img + ".text"), "Compare it with every slide"));
        }
    }

    // The lecture publishes: a page for each slide shown in turn, with
    // its picture and title.
    const Outcome published = publish();
    ASSERT_EQ(published.code, 0) << describe(published);
    const SlideSchedule first = changesIn(lecture + "talk1.txt");
    for (size_t i = 0; i < first.size(); ++i) {
        const std::string page = readFile(out + "sld" + Fmt000(static_cast<long>(i + 1)) + ".htm");
        EXPECT_TRUE(holds(page, "img" + Fmt000(first[i].second) + ".gif"));
        EXPECT_TRUE(holds(page, "<title>" + real.at(trueOf[first[i].second])));
    }
    EXPECT_TRUE(fs::exists(out + "talk1.mp4"));

    // The slides found sync as an exported deck does: the same changes.
    if (!c.syncs)
        return;
    const Outcome synced = run({"sync-slides", QString::fromStdString(lecture), "--part", "1", "--out",
                                QString::fromStdString(root.dir() + "synced.txt")});
    ASSERT_EQ(synced.code, 0) << describe(synced);
    const SlideSchedule again = changesIn(root.dir() + "synced.txt");
    ASSERT_EQ(again.size(), first.size()) << readFile(root.dir() + "synced.txt");
    for (size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].second, first[i].second) << "change " << i + 1;
        EXPECT_NEAR(again[i].first, first[i].first, 1.0) << "change " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SlidesFromRecording, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Ctrl-C stops it as it stops every long command: exit 130, nothing written.
using SlidesFromRecordingStopped = SlidesFromRecording;

TEST_F(SlidesFromRecordingStopped, CtrlCExits130AndWritesNothing)
{
    SlideSchedule truth;
    std::string err;
    ASSERT_TRUE(makeSyncedLecture("screen", gen, "a.mp4", 60, "640x360", truth, err)) << err;
    const Outcome r = interrupted(
        {"slides-from-recording", QString::fromStdString(gen + "a.mp4"), QString::fromStdString(lecture)},
        "Finding slides", 60000);
    ASSERT_TRUE(r.finished) << describe(r);
    EXPECT_EQ(r.code, 130) << describe(r);
    EXPECT_TRUE(holds(r.err, "cancelled: nothing written")) << describe(r);
    EXPECT_TRUE(!fs::exists(lecture) || fs::is_empty(lecture));
    EXPECT_TRUE(leftBeside(lecture).empty());
}

}  // namespace
