// "Install a speech model…" headless: offered while no Whisper model is
// found; nothing is downloaded until the user says yes; the download from
// the mirror preference reports its percent on the model's thread, and
// Cancel ends it with the .part kept (the library and the command test the
// downloads' other outcomes).
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

TEST(SpeechModelSetup, AsksThenDownloadsUntilCancelled)
{
    TempDir dir;
    const std::string models = dir.dir() + "pellucor/models/";
    setenv("XDG_DATA_HOME", dir.dir().c_str(), 1);
    ASSERT_TRUE(WriteTinyWhisperModel(dir.dir() + "ggml-base.en.bin"));
    ModelServer server(dir.dir(), 100000);  // stops sending after 100 kB
    ASSERT_TRUE(server.Started());
    const PreferenceSnapshot prefs {{"prfSpeechModelUrl", server.Url()}};
    EXPECT_TRUE(SpeechModelSetup::NoModel(prefs));
    EXPECT_FALSE(SpeechModelSetup::NoModel({{"prfWhisperModel", "/models/ggml-small.bin"}}));

    SpeechModelSetup setup([&] { return prefs; });
    ASSERT_EQ(setup.Choices().value(setup.DefaultChoice()), "base.en (142 MiB)");
    RecordingMessageSink sink;
    sink.answers = {TavCancel, TavOK};
    EXPECT_FALSE(setup.Install(setup.DefaultChoice()));
    QString outcome;
    QObject::connect(&setup, &SpeechModelSetup::progress, [&](int p) {
        if (p > 0)
            setup.Cancel();
    });
    QObject::connect(&setup, &SpeechModelSetup::finished, [&](bool, const QString& text) { outcome = text; });
    EXPECT_TRUE(setup.Install(setup.DefaultChoice()));
    ASSERT_EQ(sink.questions.size(), 2u);
    EXPECT_TRUE(holds(sink.questions[1], "base.en (142 MiB) from " + server.Url() + "/ggml-base.en.bin"));
    QElapsedTimer clock;
    clock.start();
    while (outcome.isEmpty() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    EXPECT_TRUE(holds(outcome.toStdString(), "cancelled: installing it again resumes it"));
    EXPECT_EQ(occurrences(server.Log(), "GET /ggml-base.en.bin"), 1u);  // none before the yes
    EXPECT_TRUE(fs::exists(models + "ggml-base.en.bin.part"));
    EXPECT_FALSE(fs::exists(models + "ggml-base.en.bin"));
    writeFile(models + "ggml-tiny.bin", "a model");
    EXPECT_FALSE(SpeechModelSetup::NoModel({}));
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
