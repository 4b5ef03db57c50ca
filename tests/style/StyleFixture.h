// A style engine over temporary style, lecture and output directories,
// with a slide table filled by hand.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/TavUtils.h"
#include "style/StyleEngine.h"

namespace pellucor::style_test {

struct SlideSpec {
    int audio = -1, video = -1;
};

class StyleFixture : public ::testing::Test {
protected:
    testing_support::TempDir style, lecture, output;
    testing_support::RecordingMessageSink sink;
    BasicEngineHost host;
    StyleEngine engine {&host};

    void SetUp() override
    {
        engine.S.StyleDir = style.dir();
        engine.S.LecDir = lecture.dir();
        engine.S.OutDir = output.path().string();  // no trailing separator on purpose
        engine.S.LecName = "talk";
        engine.S.WebURL = "http://example.org/talk/";
        engine.S.StreamURL = "rtsp://example.org/talk/";
    }

    // Slides 1..n, each with the given parts; names, images, times and
    // titles follow the slide number.
    void slides(const std::vector<SlideSpec>& specs)
    {
        SlideInfo& si = engine.SI;
        si = SlideInfo {};
        si.NumOfSlides = static_cast<int16_t>(specs.size());
        for (size_t k = 0; k < specs.size(); ++k) {
            const int i = static_cast<int>(k) + 1;
            si.AudioPart[i] = static_cast<int16_t>(specs[k].audio);
            si.VideoPart[i] = static_cast<int16_t>(specs[k].video);
            si.SlideName[i] = "sld" + Fmt000(i) + ".htm";
            si.SlideImage[i] = "img" + Fmt000(i) + ".gif";
            si.SlideTitle[i] = "Title " + std::to_string(i);
            si.StartTime[i] = "00:00:" + Fmt00(10 * (i - 1));
            si.EndTime[i] = "00:00:" + Fmt00(10 * i);
            for (int p : {specs[k].audio, specs[k].video})
                if (p > si.NumOfParts)
                    si.NumOfParts = static_cast<int16_t>(p);
        }
    }
    // The slide table's texts a test sets by hand (every access to it from
    // the tests is here or in slides()).
    std::string& title(int i) { return engine.SI.SlideTitle[i]; }
    std::string& browserCopy(int i) { return engine.SI.BrowserCopy[i]; }
    std::string& captions(int i) { return engine.SI.CaptionsFile[i]; }
    std::string& mediaFile(int i, bool video) { return video ? engine.SI.VideoFile[i] : engine.SI.AudioFile[i]; }
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
        lastOk = engine.ProcessTemplate(slide, engine.S.LecDir + "sld" + Fmt000(slide) + ".htm", lines, out, toDisk);
        return testing_support::splitCrLf(out.str());
    }
    bool lastOk = true;

    void putStyle(const std::string& name, const std::string& text)
    {
        testing_support::writeFile(style.file(name), text);
    }
    void putLecture(const std::string& name, const std::string& text)
    {
        testing_support::writeFile(lecture.file(name), text);
    }
    std::vector<std::string> outLines(const std::string& name) const
    {
        return testing_support::readLines(output.file(name));
    }
    bool outExists(const std::string& name) const { return std::filesystem::exists(output.file(name)); }
};

using Lines = std::vector<std::string>;

}  // namespace pellucor::style_test
