#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <unistd.h>

#include "QtCoreTestApp.h"
#include "TestSupport.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

PELLUCOR_QT_CORE_TEST_APP();

class DetailedForm : public ::testing::Test {
protected:
    TempDir dir;
    RecordingMessageSink sink;
    Preferences prefs {QString::fromStdString(dir.file("prefs.ini"))};
    PublishForm form {&prefs};
    std::string media, out;
    std::string msg;

    void SetUp() override
    {
        prefs.Form_Load();
        form.Form_Load();
        media = dir.dir() + "talk/";
        out = dir.dir() + "out/";
        fs::create_directories(media);
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
        QEventLoop loop;
        QObject::connect(&form, &PublishForm::publishFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        if (form.Publishing() || form.logPoller.isActive())
            loop.exec();
    }
    void copySample()
    {
        for (const auto& e : fs::directory_iterator(sampleDir()))
            if (e.is_regular_file())
                fs::copy_file(e.path(), media + e.path().filename().string(), fs::copy_options::overwrite_existing);
    }
};

TEST_F(DetailedForm, DoStartChecksTheMediaDirectoryInOrder)
{
    EXPECT_FALSE(form.DoStart(msg));
    EXPECT_EQ(msg, "Media directory is empty " + media);
    EXPECT_TRUE(sink.messages.empty());  // its caller shows it, once
    writeFile(media + "talk1.rm", "");
    EXPECT_FALSE(form.DoStart(msg));
    EXPECT_EQ(msg, "Media directory has no event data (*.txt) " + media);
    fs::remove(media + "talk1.rm");
    writeFile(media + "talk1.txt", "u 0 1 URL\\sld001.htm\r\n");
    EXPECT_FALSE(form.DoStart(msg));
    EXPECT_EQ(msg,
              "Media directory has no media (*.rm or *.ra) " + media
                  + " nor recordings (*.mp4 *.m4v *.mov *.mkv *.webm *.m4a *.mp3 *.ogg *.opus *.wav *.flac)");
    // A recording of today is media too.
    writeFile(media + "talk1.M4A", "");
    form.TextCDDir = media;
    EXPECT_FALSE(form.DoStart(msg));
    EXPECT_EQ(msg, "Input and Output Directories are the same " + media);
    fs::remove(media + "talk1.M4A");
    writeFile(media + "talk1.ra", "");
    form.TextCDDir = "  " + media.substr(0, media.size() - 1) + "  ";
    EXPECT_FALSE(form.DoStart(msg));
    EXPECT_EQ(msg, "Input and Output Directories are the same " + media);
    form.TextCDDir = "C:\\out";
    EXPECT_FALSE(form.DoStart(msg));
    EXPECT_EQ(msg, "Bad drive letter C:\\out");
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

    // A whole publish, and one left for the user to run.
    copySample();
    form.Session().logIntervalMs = 50;
    ASSERT_TRUE(form.DoStart(msg)) << msg;
    EXPECT_FALSE(form.DoStart(msg));
    EXPECT_EQ(msg, "A publish is already running");
    waitForEnd();
    EXPECT_TRUE(form.LastRunSucceeded());
    EXPECT_FALSE(form.logPoller.isActive());
    EXPECT_EQ(form.statusLine, "Process:All Done");
    EXPECT_EQ(form.statusColour, kColourWhite);
    EXPECT_EQ(form.progressPercent, 100);
    form.chkAutoStart = 0;
    ASSERT_TRUE(form.DoStart(msg)) << msg;
    waitForEnd();
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
    QEventLoop started;
    QObject::connect(&form.Session(), &PublishSession::targetPublished, &started, &QEventLoop::quit);
    ASSERT_TRUE(form.DoStart(msg)) << msg;
    QTimer::singleShot(20000, &started, &QEventLoop::quit);
    started.exec();
    form.cmdCancel_Click();
    waitForEnd();
    EXPECT_TRUE(form.LastRunCancelled());
    EXPECT_TRUE(holds(form.statusLine, "cancelled"));
    EXPECT_FALSE(fs::exists(out));
    // The script was stopped with the publish.
    ASSERT_GT(sleeper, 0);
    for (int i = 0; i < 100 && ::kill(static_cast<pid_t>(sleeper), 0) == 0; ++i)
        QThread::msleep(20);
    EXPECT_NE(::kill(static_cast<pid_t>(sleeper), 0), 0);
}

TEST_F(DetailedForm, SettingsFilesTrimBlanksReportBadLinesAndApplyAutoLast)
{
    writeFile(dir.file("a.som"),
              "chkAuto=1\r\n"
              "  TextCP   =   my course  \r\n"
              "TextWebURL=http://h/a=b/\r\n"
              "=nothing\r\n"
              "no equals here\r\n"
              "Unknown=3\r\n"
              "optWeb = 1\r\n"
              "\r\n");
    form.chkAuto = 0;
    ASSERT_TRUE(form.LoadSettingsFile(dir.file("a.som")));
    EXPECT_EQ(form.TextCP, "my course");
    EXPECT_EQ(form.TextWebURL, "http://h/a=b/");
    EXPECT_EQ(form.optWeb, 1);
    EXPECT_EQ(form.chkAuto, 1);
    EXPECT_EQ(sink.messages,
              (Strings {"Bad " + dir.file("a.som") + " line - =nothing",
                        "Bad " + dir.file("a.som") + " line - no equals here"}));
    EXPECT_FALSE(form.LoadSettingsFile(dir.file("missing.som")));
    EXPECT_EQ(sink.messages.back(), "Unable to open " + dir.file("missing.som"));
}

TEST_F(DetailedForm, LectureDirectoryRefillsThePathsFromThePreferences)
{
    form.SetLectureDir("/lec/talk/");
    EXPECT_EQ(form.TextPP, "/lec/talk/");
    EXPECT_EQ(form.TextMedia, "/lec/talk/");
    EXPECT_EQ(form.TextCDDir, "/lec/talk/synccd/");
    EXPECT_EQ(form.TextWebDir, "/lec/talk/syncweb/");
    EXPECT_EQ(form.TextWebURL, "http://lectures.example.org/pellucor/lectures/talk/");
    EXPECT_EQ(form.TextCopy, "/lec/talk/copy/");
    // Clearing both targets selects the other one.
    form.optCD = 0;
    form.optWeb = 0;
    form.optCD_Click();
    EXPECT_EQ(form.optWeb, 1);
    EXPECT_FALSE(form.Enabled["cmdPubDisk"]);
    EXPECT_TRUE(form.Enabled["cmdFtp"]);
}

}  // namespace

}  // namespace pellucor
