// A style engine over temporary style, lecture and output directories,
// with a slide table filled by hand.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"
#include "style/StyleEngine.h"

namespace pellucor::style_test {

using namespace testing_support;

struct SlideSpec {
    int audio = -1, video = -1;
};

class StyleFixture : public ::testing::Test {
protected:
    TempDir style, lecture, output;
    RecordingMessageSink sink;
    BasicEngineHost host;
    // The lecture and settings the engine reads, and its layout.
    SlideEngine source {&host};
    PageLayout layout;
    StyleEngine engine {source.SI, source.S, layout, &host};

    void SetUp() override
    {
        source.S.StyleDir = style.dir();
        source.S.LecDir = lecture.dir();
        source.S.OutDir = output.path().string();  // no trailing separator on purpose
        source.S.LecName = "talk";
        source.S.WebURL = "http://example.org/talk/";
        source.S.StreamURL = "rtsp://example.org/talk/";
    }

    // Slides 1..n, each with the given parts; names, images, times and
    // titles follow the slide number.
    void slides(const std::vector<SlideSpec>& specs)
    {
        Lecture& si = source.SI;
        si = Lecture {};
        for (size_t k = 0; k < specs.size(); ++k) {
            const int i = static_cast<int>(k) + 1;
            si.Slides.push_back({"00:00:" + Fmt00(10 * (i - 1)), "00:00:" + Fmt00(10 * i), "sld" + Fmt000(i) + ".htm",
                                 "img" + Fmt000(i) + ".gif", "Title " + std::to_string(i), specs[k].audio,
                                 specs[k].video, {}, {}, {}});
            for (int p : {specs[k].audio, specs[k].video})
                if (p > si.PartCount())
                    si.Parts.resize(static_cast<size_t>(p));
        }
    }
    // The slide table's texts a test sets by hand (every access to it from
    // the tests is here or in slides()).
    std::string& title(int i) { return source.SI.EditSlide(i).Title; }
    std::string& endTime(int i) { return source.SI.EditSlide(i).EndTime; }
    std::string& browserCopy(int i) { return source.SI.EditPart(i).BrowserCopy; }
    // Part i with captions in the lecture's language.
    void captions(int i)
    {
        const std::string n = std::to_string(i);
        source.SI.EditPart(i).CaptionTracks = {{"en", "captions" + n + ".vtt", "captions" + n + ".js", n, false}};
    }
    std::string& mediaFile(int i, bool video)
    {
        return video ? source.SI.EditPart(i).VideoFile : source.SI.EditPart(i).AudioFile;
    }
    // n audio-only slides in part 1.
    void audioSlides(int n) { slides(std::vector<SlideSpec>(static_cast<size_t>(n), SlideSpec {1, -1})); }

    std::string tokens(std::string line, int slide, bool toDisk = true) const
    {
        engine.SubstituteTokens(line, slide, toDisk);
        return line;
    }
    // Lines and what they become on a slide.
    struct Row {
        std::string line;
        int slide;
        std::string expected;
    };
    void expectTokens(const std::vector<Row>& rows, bool toDisk = true)
    {
        for (const Row& r : rows)
            EXPECT_EQ(tokens(r.line, r.slide, toDisk), r.expected) << r.line << " on slide " << r.slide;
    }

    // Runs template text through the line processor; the output lines.
    std::vector<std::string> run(const std::string& text, int slide = 1, bool toDisk = true)
    {
        std::istringstream in(text);
        TemplateLines lines(in);
        std::ostringstream out;
        lastOk = engine.ProcessTemplate(slide, source.S.LecDir + "sld" + Fmt000(slide) + ".htm", lines, out, toDisk);
        return splitCrLf(out.str());
    }
    bool lastOk = true;

    void putStyle(const std::string& name, const std::string& text) { writeFile(style.file(name), text); }
    void putLecture(const std::string& name, const std::string& text) { writeFile(lecture.file(name), text); }
    std::vector<std::string> outLines(const std::string& name) const { return readLines(output.file(name)); }
    bool outExists(const std::string& name) const { return std::filesystem::exists(output.file(name)); }
};

using Lines = std::vector<std::string>;

}  // namespace pellucor::style_test
