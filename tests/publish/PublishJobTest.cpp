#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "PublishFixture.h"
#include "QtCoreTestApp.h"
#include "core/TavUtils.h"
#include "publish/PublishJob.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

PELLUCOR_QT_CORE_TEST_APP();

// One job over the fixture's lecture, watched from the event loop.
class Job : public PublishFixture {
protected:
    std::vector<PublishStep> steps;
    std::vector<int> percents;
    std::vector<std::string> statuses;
    PublishJob::Outcome outcome = PublishJob::Outcome::Running;
    std::string error;
    bool published = false;

    void SetUp() override
    {
        PublishFixture::SetUp();
        settings.OptCD = true;
        settings.CDDir = out;
    }

    // Runs the job to its end; onPercent may act on the job as it goes.
    void run(const std::function<void(PublishJob&, int)>& onPercent = {})
    {
        PublishJob job(settings);
        job.encoderFactory = [] { return std::make_unique<FfmpegEncoder>(); };
        job.logIntervalMs = 50;
        QEventLoop loop;
        QObject::connect(&job, &PublishJob::stepChanged, [&](int s, const QString&) {
            steps.push_back(static_cast<PublishStep>(s));
        });
        QObject::connect(&job, &PublishJob::progressChanged, [&](int p) {
            percents.push_back(p);
            if (onPercent)
                onPercent(job, p);
        });
        QObject::connect(&job, &PublishJob::statusChanged,
                         [&](const QString& t, uint) { statuses.push_back(t.toStdString()); });
        QObject::connect(&job, &PublishJob::published, [&] { published = true; });
        QObject::connect(&job, &PublishJob::finished, [&](int o, const QString& e) {
            outcome = static_cast<PublishJob::Outcome>(o);
            error = e.toStdString();
            loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        job.Start();
        loop.exec();
    }
    bool sawStatus(const std::string& text) const
    {
        return std::find(statuses.begin(), statuses.end(), text) != statuses.end();
    }
};

TEST_F(Job, RunsEveryStepInOrderAndEndsAtOneHundredWhenTheScriptIsDone)
{
    run();
    ASSERT_EQ(outcome, PublishJob::Outcome::Succeeded) << error;
    EXPECT_TRUE(published);
    EXPECT_EQ(steps, (std::vector<PublishStep>{PublishStep::Convert, PublishStep::Load, PublishStep::Media,
                                               PublishStep::Style, PublishStep::Script, PublishStep::FollowLog}));
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);
    // The media step moves the bar in several steps (FFmpeg's clock against
    // the duration), not in one jump.
    EXPECT_GE(std::count_if(percents.begin(), percents.end(), [](int p) { return p > 5 && p < 88; }), 3);
    EXPECT_TRUE(sawStatus("Getting info on slides"));
    EXPECT_TRUE(sawStatus("Saving " + out + "talk1.rm"));
    EXPECT_EQ(statuses.back(), "Process:All Done");
    EXPECT_TRUE(fs::exists(out + "index.htm"));
    EXPECT_TRUE(fs::exists(out + "talk1.mp4"));
}

TEST_F(Job, WithoutAutoStartTheScriptIsLeftAndTheJobEnds)
{
    settings.AutoStart = false;
    run();
    ASSERT_EQ(outcome, PublishJob::Outcome::Succeeded) << error;
    EXPECT_FALSE(published);
    EXPECT_EQ(steps.back(), PublishStep::Script);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(fs::exists(out + "process.bat"));
    EXPECT_FALSE(fs::exists(out + "log.log"));
}

TEST_F(Job, AFailureEndsTheJobWithItsReasonAndStartsNoScript)
{
    fs::remove(lecture + "talk2.rm");
    run();
    EXPECT_EQ(outcome, PublishJob::Outcome::Failed);
    EXPECT_EQ(error, "Slide Load Error:Unable to find media file correponding to " + lecture + "talk2.txt");
    EXPECT_FALSE(published);
    EXPECT_TRUE(sawStatus(error));       // the status line says so
    EXPECT_TRUE(sink.messages.empty());  // the caller shows the text, once
    EXPECT_FALSE(fs::exists(out + "log.log"));
}

TEST_F(Job, APublishedDirectoryIsConvertedBackIntoALectureFirst)
{
    ASSERT_TRUE(publish(true)) << lastError;  // out now holds a published lecture
    const std::string again = root.dir() + "again/";
    settings.MediaDir = settings.LecDir = out;
    settings.CDDir = again;
    Tav_SetUnattended(true);
    run();
    Tav_SetUnattended(false);
    ASSERT_EQ(outcome, PublishJob::Outcome::Succeeded) << error;
    EXPECT_EQ(readLines(out + "talk1.txt").front(), "u 00:00:00 00:00:02 URL\\sld001.htm");
    EXPECT_TRUE(fs::exists(again + "index.htm"));
    EXPECT_TRUE(fs::exists(again + "talk2.m4a"));
}

TEST_F(Job, CancelDuringMediaPreparationStopsFfmpegAndLeavesNoPartialMedia)
{
    // A part long enough to be stopped halfway.
    const std::string longLecture = root.dir() + "long/";
    const std::string cmd = "sh '" + sourceDir() + "samples/make-long-lecture.sh' '" + longLecture +
                            "' 60 640x480 >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    settings.MediaDir = settings.LecDir = longLecture;
    bool asked = false;
    run([&](PublishJob& job, int percent) {
        if (percent > 20 && !asked) {  // well inside the media step
            asked = true;
            job.Cancel();
        }
    });
    ASSERT_TRUE(asked);
    EXPECT_EQ(outcome, PublishJob::Outcome::Cancelled);
    EXPECT_EQ(error, "Publish cancelled during media preparation of talk1: its unfinished media was removed");
    EXPECT_LT(percents.back(), 88);  // it stopped inside the media step
    for (const auto& e : fs::directory_iterator(out))
        EXPECT_NE(e.path().stem(), "talk1") << e.path();
    EXPECT_FALSE(fs::exists(out + "index.htm"));
    EXPECT_FALSE(fs::exists(out + "log.log"));
    EXPECT_FALSE(sink.saw("cancelled"));  // a cancel is no error: no message box
}

}  // namespace

}  // namespace pellucor
