// "Install a speech model…" headless: offered while no Whisper model is
// found; nothing is downloaded until the user says yes; the download from
// the mirror preference reports its percent and its outcome on the
// model's thread, a file that is not the list's is refused, an unreachable
// mirror named, and Cancel keeps the .part.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <filesystem>

#include "ModelServer.h"
#include "TestSupport.h"
#include "TinyWhisperModel.h"
#include "app/SpeechModelSetup.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

enum class Mirror { Serves, StopsMidFile, NothingListening };

struct Case {
    const char* name;
    int answer;  // to the question before the download
    Mirror mirror;
    const char* outcome;  // "": no download
    const char* left;     // the models folder's one file afterwards ("": none)
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"DeclinedDownloadsNothing", TavCancel, Mirror::Serves, "", ""},
    {"NotTheListsFileRefused", TavOK, Mirror::Serves, "has the SHA-1", ""},
    {"UnreachableMirrorNamed", TavOK, Mirror::NothingListening, "Cannot reach 127.0.0.1:", ""},
    {"CancelKeepsThePart", TavOK, Mirror::StopsMidFile, "cancelled: installing it again resumes it",
     "ggml-base.en.bin.part"},
};

class SpeechModelSetupTest : public ::testing::TestWithParam<Case> {
protected:
    TempDir dir;
    std::string served = dir.dir() + "served/", models = dir.dir() + "data/pellucor/models/";
    PreferenceSnapshot prefs;

    void SetUp() override
    {
        fs::create_directories(served);
        fs::create_directories(models);
        setenv("XDG_DATA_HOME", (dir.dir() + "data").c_str(), 1);
    }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }

    std::string modelsHeld()
    {
        std::string names;
        for (const auto& e : fs::directory_iterator(models))
            names += e.path().filename().string();
        return names;
    }
};

TEST_P(SpeechModelSetupTest, Installs)
{
    const Case& c = GetParam();
    ASSERT_TRUE(WriteTinyWhisperModel(served + "ggml-base.en.bin"));
    ModelServer server(served, c.mirror == Mirror::StopsMidFile ? 100000 : -1);
    ASSERT_TRUE(server.Started());
    prefs["prfSpeechModelUrl"]
        = c.mirror == Mirror::NothingListening ? "http://127.0.0.1:" + std::to_string(ClosedPort()) : server.Url();
    EXPECT_TRUE(SpeechModelSetup::NoModel(prefs));
    SpeechModelSetup setup([this] { return prefs; });
    ASSERT_EQ(setup.Choices().value(setup.DefaultChoice()), "base.en (142 MiB)");
    RecordingMessageSink sink;
    sink.answers = {c.answer};
    int percent = -1;
    QString outcome;
    bool ended = false;
    QObject::connect(&setup, &SpeechModelSetup::progress, [&](int p) {
        percent = p;
        if (c.mirror == Mirror::StopsMidFile && p > 0)
            setup.Cancel();
    });
    QObject::connect(&setup, &SpeechModelSetup::finished, [&](bool installed, const QString& text) {
        EXPECT_FALSE(installed);
        outcome = text;
        ended = true;
    });
    EXPECT_EQ(setup.Install(setup.DefaultChoice()), *c.outcome != 0);
    ASSERT_EQ(sink.questions.size(), 1u);
    EXPECT_TRUE(holds(sink.questions[0], "base.en (142 MiB) from " + prefs["prfSpeechModelUrl"]));
    QElapsedTimer clock;
    clock.start();
    while (*c.outcome && !ended && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    EXPECT_TRUE(holds(outcome.toStdString(), c.outcome));
    EXPECT_EQ(modelsHeld(), c.left);
    EXPECT_EQ(static_cast<bool>(holds(server.Log(), "GET /ggml-base.en.bin")),
              c.mirror != Mirror::NothingListening && c.answer == TavOK);
    if (c.mirror == Mirror::Serves && c.answer == TavOK) {
        EXPECT_EQ(percent, 100);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SpeechModelSetupTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SpeechModelSetup, OfferedOnlyWhileNoModelIsFound)
{
    TempDir dir;
    setenv("XDG_DATA_HOME", dir.dir().c_str(), 1);
    EXPECT_TRUE(SpeechModelSetup::NoModel({}));
    EXPECT_FALSE(SpeechModelSetup::NoModel({{"prfWhisperModel", "/models/ggml-small.bin"}}));
    writeFile(dir.dir() + "pellucor/models/ggml-tiny.bin", "a model");
    EXPECT_FALSE(SpeechModelSetup::NoModel({}));
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
