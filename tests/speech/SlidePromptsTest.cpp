// The slides' words as the recogniser's prompt: a stretch of speech is
// heard with the titles and terms of the slides shown while it was said.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "TestSupport.h"
#include "core/SlideText.h"
#include "media/SpeechAudio.h"
#include "speech/LectureTranscriber.h"
#include "speech/SlidePrompts.h"
#include "speech/SpeechChunks.h"

namespace {
using namespace pellucor;

SlidePrompts lectureOfTwoSlides()
{
    SlidePrompts prompts;
    prompts.Add(0, 10, "The Fourier Transform", "The Fourier transform\nEigenvectors of a circulant matrix\nthe");
    prompts.Add(10, 20, "Sampling", "Nyquist's theorem: sample twice as fast");
    return prompts;
}

struct Case {
    double from, to;
    size_t maxChars;
    const char* prompt;
};

TEST(SlidePrompts, TitlesThenTheTermsOfTheSlidesShownEachOnceAndCutAtAWord)
{
    const Case cases[] = {
        {1, 4, 400, "The Fourier Transform. Eigenvectors, circulant, matrix"},
        {9, 12, 400, "The Fourier Transform. Sampling. Eigenvectors, circulant, matrix, Nyquist's, theorem, sample, "
                     "twice, fast"},
        {12, 30, 400, "Sampling. Nyquist's, theorem, sample, twice, fast"},
        {25, 30, 400, ""},
        {1, 4, 30, "The Fourier Transform."},
    };
    const SlidePrompts prompts = lectureOfTwoSlides();
    for (const Case& c : cases)
        EXPECT_EQ(prompts.For(c.from, c.to, c.maxChars), c.prompt) << c.from << "-" << c.to;
}

// An engine that hears nothing and notes the prompt of each stretch.
class PromptNotingEngine : public SpeechEngine {
public:
    std::mutex mutex;
    std::vector<std::pair<double, std::string>> heard;  // stretch start (s), prompt

    std::string Describe() const override { return "prompt noter"; }
    std::string Language() const override { return "en"; }
    std::unique_ptr<SpeechDecoder> NewDecoder(std::string&) override { return std::make_unique<Decoder>(*this); }

private:
    struct Decoder : SpeechDecoder {
        explicit Decoder(PromptNotingEngine& e) : engine(e) { }
        bool Recognise(const int16_t*, size_t, std::vector<SpokenWord>& words, std::string&) override
        {
            std::lock_guard lock(engine.mutex);
            engine.heard.emplace_back(0, prompt);
            words = {{0, 0.5, "word", 1}};
            return true;
        }
        PromptNotingEngine& engine;
    };
};

TEST(SlidePrompts, EachStretchIsHeardWithTheSlidesShownMeanwhile)
{
    // A tone at 2 s and another at 14 s, silence between.
    std::vector<int16_t> pcm(static_cast<size_t>(20 * kSpeechRate), 0);
    for (const int at : {2, 14})
        for (int i = 0; i < kSpeechRate; ++i)
            pcm[static_cast<size_t>(at * kSpeechRate + i)] = static_cast<int16_t>(8000 * std::sin(i * 0.2));
    PromptNotingEngine engine;
    LectureTranscriber transcriber;
    const SlidePrompts prompts = lectureOfTwoSlides();
    std::vector<SpokenWord> words;
    std::string err;
    ASSERT_TRUE(transcriber.Recognise(engine, pcm, 2, words, err, nullptr, &prompts)) << err;
    ASSERT_EQ(engine.heard.size(), 2u);
    std::vector<std::string> said;
    for (const auto& h : engine.heard)
        said.push_back(h.second.substr(0, h.second.find('.')));
    std::sort(said.begin(), said.end());
    EXPECT_EQ(said, (std::vector<std::string> {"Sampling", "The Fourier Transform"}));
}

TEST(SlidePrompts, APartIsHeardWithItsSlidesTitlesAndWordsFromTheLecture)
{
    testing_support::TempDir dir;
    const std::string lecture = dir.dir();
    testing_support::writeFile(lecture + "talk1.txt",
                               "u 00:00:00 00:00:10 URL\\sld001.htm\r\nu 00:00:10 00:00:20 URL\\sld002.htm\r\n");
    testing_support::writeFile(lecture + "talk1.m4a", "");
    testing_support::writeFile(lecture + "titles.txt", "\"img001.gif\" \"The Fourier Transform\"\r\n");
    SlideText text;
    text.source = SlideTextSource::Ocr;
    text.title = "Sampling";
    text.text = "Sampling\nNyquist's theorem";
    std::string err;
    ASSERT_TRUE(WriteSlideText(lecture + "img002.text", text, err)) << err;
    const SlidePrompts prompts = SlidePrompts::ForPart(lecture, "talk", 1);
    EXPECT_EQ(prompts.For(0, 20, 200), "The Fourier Transform. Sampling. Nyquist's, theorem");
}

}  // namespace
