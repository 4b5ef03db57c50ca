// The Whisper engine on a model file the test writes (see
// TinyWhisperModel.h): it is chosen whenever a model is there, loads, and
// returns timed words over a real recording; a missing, foreign, damaged
// or cut-short model file is refused with the reason.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "TestSupport.h"
#include "TinyWhisperModel.h"
#include "media/SpeechAudio.h"
#include "speech/SpeechEngines.h"
#include "speech/WhisperEngine.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

const std::string kClip = "/usr/share/pocketsphinx/test/data/librivox/sense_and_sensibility_01_austen_64kb-0870.wav";

enum class Damage { None, Missing, NotAModel, HeaderDamaged, CutShort };

struct Case {
    const char* name;
    Damage damage;
    const char* says;  // in the error ("" when it loads)
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"Loads", Damage::None, ""},
    {"Missing", Damage::Missing, "cannot be used: it cannot be read"},
    {"NotAModel", Damage::NotAModel, "it is not a ggml model file"},
    {"HeaderDamaged", Damage::HeaderDamaged, "its header is damaged"},
    {"CutShort", Damage::CutShort, "not all tensors loaded"},
};

class WhisperModelFile : public ::testing::TestWithParam<Case> {
protected:
    TempDir root;
    std::string model = root.dir() + "ggml-tiny-test.bin";

    void SetUp() override
    {
        ASSERT_TRUE(WriteTinyWhisperModel(model));
        std::string bytes = readFile(model);
        switch (GetParam().damage) {
        case Damage::None: break;
        case Damage::Missing: fs::remove(model); break;
        case Damage::NotAModel:
            writeFile(model, "WEBVTT\r\n\r\nnot a model at all, but long enough to be read\r\n");
            break;
        case Damage::HeaderDamaged:
            bytes.replace(4, 4, std::string(4, '\0'));  // a vocabulary of no tokens
            writeFile(model, bytes);
            break;
        case Damage::CutShort: writeFile(model, bytes.substr(0, bytes.size() / 2)); break;
        }
    }
};

TEST_P(WhisperModelFile, LoadsOrSaysWhy)
{
    std::string err;
    auto engine = WhisperEngine::Load(model, "en", false, err);
    if (*GetParam().says) {
        EXPECT_EQ(engine, nullptr);
        EXPECT_NE(err.find(GetParam().says), std::string::npos) << err;
        EXPECT_NE(err.find(model), std::string::npos) << err;
        return;
    }
    ASSERT_NE(engine, nullptr) << err;
    EXPECT_NE(engine->Describe().find("ggml-tiny-test.bin"), std::string::npos);

    std::vector<int16_t> pcm;
    SpeechAudioError why;
    ASSERT_TRUE(ReadSpeechAudio(kClip, pcm, err, why)) << err;
    const double length = static_cast<double>(pcm.size()) / 16000;
    auto decoder = engine->NewDecoder(err);
    ASSERT_NE(decoder, nullptr) << err;
    std::vector<SpokenWord> words;
    ASSERT_TRUE(decoder->Recognise(pcm.data(), pcm.size(), words, err)) << err;
    ASSERT_GE(words.size(), 2u);
    EXPECT_EQ(words[0].text, "hello");
    EXPECT_EQ(words[1].text, "world");
    double last = 0;
    for (const SpokenWord& w : words) {
        EXPECT_GE(w.start, last) << w.text;
        EXPECT_LE(w.start, w.end) << w.text;
        EXPECT_LE(w.end, length) << w.text;
        EXPECT_TRUE(w.confidence >= 0 && w.confidence <= 1) << w.text;
        last = w.start;
    }
    EXPECT_LE(words[1].end, 1.01);  // the model's own timestamp closes the words at 1 s

    // A stop asked for before the decoding ends it.
    const std::atomic<bool> stop {true};
    decoder->stop = &stop;
    EXPECT_FALSE(decoder->Recognise(pcm.data(), pcm.size(), words, err));
    EXPECT_EQ(err, "cancelled");
}

INSTANTIATE_TEST_SUITE_P(Models, WhisperModelFile, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A model in the models folder makes Whisper the engine, unless the
// other is asked for by name.
TEST(WhisperEngineChoice, TheModelsFolderChoosesWhisper)
{
    TempDir data;
    const char* before = std::getenv("XDG_DATA_HOME");
    const std::string kept = before ? before : "";
    setenv("XDG_DATA_HOME", data.dir().c_str(), 1);
    fs::create_directories(SpeechModelsDir());
    ASSERT_TRUE(WriteTinyWhisperModel(SpeechModelsDir() + "ggml-tiny-test.bin"));
    std::string err;
    const auto whisper = LoadSpeechEngine({}, err);
    const auto sphinx = LoadSpeechEngine({"pocketsphinx", "", ""}, err);
    const std::string listed = DescribeSpeechEngines({});
    before ? setenv("XDG_DATA_HOME", kept.c_str(), 1) : unsetenv("XDG_DATA_HOME");
    ASSERT_NE(whisper, nullptr) << err;
    EXPECT_NE(whisper->Describe().find("Whisper"), std::string::npos);
    ASSERT_NE(sphinx, nullptr) << err;
    EXPECT_EQ(sphinx->Describe(), "PocketSphinx, en-us");
    EXPECT_NE(listed.find("whisper       ready: model " + data.dir() + "pellucor/models/ggml-tiny-test.bin"),
              std::string::npos)
        << listed;
}

}  // namespace
