// The detailed form: the checks before a publish starts, the publish it
// mirrors to its end or cancels, and its fields.
#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>

#include "AppFixture.h"
#include "QtCoreTestApp.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

PELLUCOR_QT_CORE_TEST_APP();

class DetailedForm : public AppFixture {
protected:
    PublishForm& form = publishForm;
    std::string& media = lec;
    std::string out = dir.dir() + "out/";

    void SetUp() override
    {
        AppFixture::SetUp();
        form.Form_Load();
        form.TextMedia = media;
        form.TextPP = media;
        form.TextName = "talk";
        form.TextStyle = PELLUCOR_STYLE_DIR;
        form.TextCDDir = out;
        form.optCD = 1;
        form.optWeb = 0;
    }
    void waitForEnd()
    {
        runUntil([&] { return !form.Publishing() && !form.logPoller.isActive(); });
    }
};

TEST_F(DetailedForm, DoStartChecksTheMediaDirectoryInOrder)
{
    const std::string same = "Input and Output Directories are the same " + media;
    // Each row: the files in the media directory, the output directory, the refusal.
    for (const auto& [files, output, refusal] : std::vector<std::tuple<Strings, std::string, std::string>> {
             {{}, out, "Media directory is empty " + media},
             {{"talk1.rm"}, out, "Media directory has no event data (*.txt) " + media},
             {{"talk1.txt"},
              out,
              "Media directory has no media (*.rm or *.ra) " + media
                  + " nor recordings (*.mp4 *.m4v *.mov *.mkv *.webm *.m4a *.mp3 *.ogg *.opus *.wav *.flac)"},
             {{"talk1.txt", "talk1.M4A"}, media, same},  // a recording of today is media too
             {{"talk1.txt", "talk1.ra"}, "  " + media.substr(0, media.size() - 1) + "  ", same},
             {{"talk1.txt", "talk1.ra"}, "C:\\out", "Bad drive letter C:\\out"}}) {
        fs::remove_all(media);
        for (const auto& f : files)
            writeFile(media + f, f == "talk1.txt" ? "u 0 1 URL\\sld001.htm\r\n" : "");
        fs::create_directories(media);
        form.TextCDDir = output;
        EXPECT_FALSE(form.DoStart(msg));
        EXPECT_EQ(msg, refusal);
        EXPECT_TRUE(!files.empty() || sink.messages.empty());  // its caller shows it, once
    }
}

TEST_F(DetailedForm, MirrorsThePublishItStartsToItsEnd)
{
    // A lecture the publish cannot load: shown once, and in the status line.
    writeFile(media + "talk1.txt", "u 0 1 URL\\sld001.htm\r\n");
    writeFile(media + "talk1.rm", "not media");
    ASSERT_TRUE(form.DoStart(msg)) << msg;
    EXPECT_TRUE(form.logPoller.isActive());
    waitForEnd();
    EXPECT_FALSE(form.LastRunSucceeded());
    EXPECT_EQ(sink.messages, std::vector<std::string> {form.LastPublishError()});
    EXPECT_EQ(form.LastPublishError().rfind("Slide Load Error:", 0), 0u) << form.LastPublishError();
    EXPECT_EQ(form.statusLine, form.LastPublishError());
    EXPECT_EQ(form.statusColour, kColourRed);

    // A publish left for the user to run (a whole one is run from the
    // windows and by the automation client).
    copySample();
    form.Session().logIntervalMs = 50;
    form.chkAutoStart = 0;
    ASSERT_TRUE(form.DoStart(msg)) << msg;
    EXPECT_FALSE(form.DoStart(msg));
    EXPECT_EQ(msg, "A publish is already running");
    waitForEnd();
    EXPECT_TRUE(form.LastRunSucceeded());
    EXPECT_FALSE(form.logPoller.isActive());
    EXPECT_EQ(form.progressPercent, 100);
    // Quoted for the shell: it runs as printed.
    EXPECT_EQ(form.statusLine.rfind("Complete (You must manually run: '" + dir.dir() + ".pellucor-stage+", 0), 0u)
        << form.statusLine;
    EXPECT_EQ(form.Published, 1);
}

TEST_F(DetailedForm, CancelStopsTheScriptAndKeepsThePreviousPublication)
{
    copySample();
    // A script that takes its time keeps the publish running.
    qint64 sleeper = -1;
    form.Session().startScript = [&](const std::string&, const std::string&) -> qint64 {
        QProcess::startDetached("sleep", {"30"}, QString(), &sleeper);
        return sleeper;
    };
    bool started = false;
    QObject::connect(&form.Session(), &PublishSession::targetPublished, [&] { started = true; });
    ASSERT_TRUE(form.DoStart(msg)) << msg;
    runUntil([&] { return started; });
    form.cmdCancel_Click();
    waitForEnd();
    EXPECT_TRUE(form.LastRunCancelled());
    EXPECT_TRUE(holds(form.statusLine, "cancelled"));
    EXPECT_FALSE(fs::exists(out));
    // The script was stopped with the publish.
    ASSERT_GT(sleeper, 0);
    runUntil([&] { return ::kill(static_cast<pid_t>(sleeper), 0) != 0; });
    EXPECT_NE(::kill(static_cast<pid_t>(sleeper), 0), 0);
}

// The other paths a lecture directory fills: Automation.SetTextPP...
TEST_F(DetailedForm, LectureDirectoryFillsTheWebAddressAndClearingBothTargetsSelectsTheOther)
{
    form.SetLectureDir("/lec/talk/");
    EXPECT_EQ(form.TextWebURL, "http://lectures.example.org/pellucor/lectures/talk/");
    form.optCD = 0;
    form.optWeb = 0;
    form.optCD_Click();
    EXPECT_EQ(form.optWeb, 1);
    EXPECT_FALSE(form.Enabled["cmdPubDisk"]);
    EXPECT_TRUE(form.Enabled["cmdFtp"]);
}

}  // namespace

}  // namespace pellucor
