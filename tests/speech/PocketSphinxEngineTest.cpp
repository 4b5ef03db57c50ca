// PocketSphinx decoders made, used and freed on several threads at once,
// as the transcriber's workers make them: each hears what a decoder alone
// hears, and the process survives them (they once shared a log file that
// each closed, which broke the heap now and then).
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "media/SpeechAudio.h"
#include "speech/PocketSphinxEngine.h"

namespace {
using namespace pellucor;

const std::string kClip = "/usr/share/pocketsphinx/test/data/librivox/sense_and_sensibility_01_austen_64kb-0870.wav";

std::string heard(SpeechEngine& engine, const std::vector<int16_t>& pcm, std::string& err)
{
    auto decoder = engine.NewDecoder(err);
    std::vector<SpokenWord> words;
    if (!decoder || !decoder->Recognise(pcm.data(), pcm.size(), words, err))
        return "failed: " + err;
    std::string text;
    for (const SpokenWord& w : words)
        text += w.text + " ";
    return text;
}

TEST(PocketSphinxDecoders, MadeOnManyThreadsAtOnceEachHearTheSameWords)
{
    std::string err;
    auto engine = PocketSphinxEngine::Load("en", err);
    ASSERT_NE(engine, nullptr) << err;
    std::vector<int16_t> pcm;
    SpeechAudioError why;
    ASSERT_TRUE(ReadSpeechAudio(kClip, pcm, err, why)) << err;
    pcm.resize(std::min<size_t>(pcm.size(), 3 * 16000));
    const std::string alone = heard(*engine, pcm, err);
    ASSERT_GE(alone.size(), 5u) << alone;

    constexpr int kThreads = 6, kRounds = 3;
    std::vector<std::string> texts(kThreads * kRounds);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int r = 0; r < kRounds; ++r) {
                std::string e;
                texts[static_cast<size_t>(t * kRounds + r)] = heard(*engine, pcm, e);
            }
        });
    for (std::thread& t : threads)
        t.join();
    for (const std::string& text : texts)
        EXPECT_EQ(text, alone);
}

}  // namespace
