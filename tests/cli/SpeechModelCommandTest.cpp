// "pellucor speech-model" as a user runs it, against the tests' own web
// server: a file that is not the model whisper.cpp's list names is refused
// with nothing left, whether it came from --url or the mirror preference;
// a host that cannot be reached is named; Ctrl-C keeps the .part that the
// next install resumes from; list and remove show and delete the models.
#include <gtest/gtest.h>

#include <filesystem>

#include "ModelServer.h"
#include "PublishRun.h"
#include "TinyWhisperModel.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

enum class From { UrlOption, MirrorPreference, NothingListening, ServerStopsMidFile };

struct Case {
    const char* name;
    const char* model;
    From from;
    int code;
    const char* says;  // on standard error
    const char* left;  // the models folder's one file afterwards ("": none)
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"NotTheListsFileRefused", "tiny.en", From::UrlOption, 1, "has the SHA-1", ""},
    {"MirrorPreferenceUsed", "base", From::MirrorPreference, 1, "has the SHA-1", ""},
    {"UnreachableHostNamed", "tiny", From::NothingListening, 1, "Cannot reach 127.0.0.1:", ""},
    {"CtrlCKeepsThePart", "tiny.en", From::ServerStopsMidFile, 130, "is kept, install resumes it",
     "ggml-tiny.en.bin.part"},
    {"UnknownModel", "large-v3", From::UrlOption, 2, "there is no Whisper model \"large-v3\"", ""},
};

class SpeechModelCommand : public PublishRun, public ::testing::WithParamInterface<Case> {
protected:
    std::string served = root.dir() + "served/", models = root.dir() + "data/pellucor/models/";

    void SetUp() override
    {
        PublishRun::SetUp();
        fs::create_directories(served);
        fs::create_directories(models);
    }

    std::string modelsHeld()
    {
        std::string names;
        for (const auto& e : fs::directory_iterator(models))
            names += e.path().filename().string();
        return names;
    }
};

TEST_P(SpeechModelCommand, Installs)
{
    const Case& c = GetParam();
    // The tests' tiny model under the name of one of the list's models.
    ASSERT_TRUE(WriteTinyWhisperModel(served + "ggml-" + c.model + ".bin"));
    ModelServer server(served, c.from == From::ServerStopsMidFile ? 100000 : -1);
    ASSERT_TRUE(server.Started());
    QStringList args {"speech-model", "install", c.model};
    if (c.from == From::UrlOption || c.from == From::ServerStopsMidFile)
        args << "--url" << QString::fromStdString(server.Url());
    if (c.from == From::NothingListening)
        args << "--url" << QString("http://127.0.0.1:%1/models").arg(ClosedPort());
    if (c.from == From::MirrorPreference)
        preferences("prfSpeechModelUrl=" + server.Url() + "/\n");
    const Outcome r = c.from == From::ServerStopsMidFile ? interrupted(args, "Downloading: ", 30000) : run(args);
    EXPECT_EQ(r.code, c.code) << describe(r);
    EXPECT_TRUE(holds(r.err, c.says));
    EXPECT_EQ(modelsHeld(), c.left);
    if (c.from == From::UrlOption && c.code == 1) {
        EXPECT_TRUE(holds(r.out, "Downloading: 100%"));
    }
    if (c.from == From::MirrorPreference) {
        EXPECT_TRUE(holds(server.Log(), "GET /ggml-base.bin"));
    }
    if (*c.left) {
        EXPECT_TRUE(holds(run({"speech-model", "list"}).out, std::string(c.model) + "    75 MiB   partly downloaded"));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SpeechModelCommand, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PublishRun, SpeechModelListedAndRemoved)
{
    const std::string models = root.dir() + "data/pellucor/models/";
    writeFile(models + "ggml-base.en.bin", "a model");
    writeFile(models + "notes.bin", "not one of ours");
    const std::string listed = run({"speech-model", "list"}).out;
    EXPECT_TRUE(holds(listed, "base.en    142 MiB  installed  " + models + "ggml-base.en.bin"));
    EXPECT_TRUE(holds(listed, "medium     1.5 GiB  not installed"));
    EXPECT_EQ(run({"speech-model", "remove", "base.en"}).code, 0);
    const Outcome again = run({"speech-model", "remove", "base.en"});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(holds(again.err, "The Whisper model base.en is not installed"));
    EXPECT_EQ(run({"speech-model", "remove", "notes"}).code, 2);
    EXPECT_TRUE(fs::exists(models + "notes.bin"));
    EXPECT_FALSE(fs::exists(models + "ggml-base.en.bin"));
}

}  // namespace
