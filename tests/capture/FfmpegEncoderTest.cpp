#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include "MediaTools.h"
#include "QtTestApp.h"
#include "TestSupport.h"
#include "capture/EncoderSetup.h"
#include "capture/FfmpegEncoder.h"
#include "capture/MediaConverter.h"
#include "core/PreferenceStore.h"
#include "media/FfmpegMediaFile.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

PELLUCOR_QT_TEST_APP();

struct FfmpegEncoderPlan : ::testing::Test {
    TempDir dir;
    RecordingMessageSink sink;
    FfmpegEncoder encoder;
    std::string err;
};
using FfmpegCapture = FfmpegEncoderPlan;

// The offline converter on a file that FFmpeg's test sources make.
struct FfmpegConverter : FfmpegEncoderPlan {
    MediaConverter conv {encoder};

    // Starts converting name (made from the given ffmpeg inputs and options, unless empty) into out.
    void convert(const std::string& name, const std::vector<std::string>& make, const std::string& out)
    {
        std::vector<std::string> args = make;
        args.push_back(dir.file(name));
        ASSERT_TRUE(make.empty() || ffmpeg(args, err)) << err;
        conv.inputChanged(dir.file(name));
        conv.outputChanged(dir.file(out));
        conv.start();
    }
};

TEST_F(FfmpegConverter, ConvertsAQuickTimeFileWithProgressToTheEnd)
{
    std::vector<int> progress;
    QObject::connect(&conv, &MediaConverter::changed, [&] {
        if (progress.empty() || progress.back() != conv.Progress())
            progress.push_back(conv.Progress());
    });
    convert("lecture.mov",
            {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=15:duration=4", "-f", "lavfi", "-i",
             "sine=frequency=440:duration=4", "-c:v", "mpeg4", "-c:a", "aac"},
            "lecture.rm");
    EXPECT_EQ(conv.Status(), "Encoding Started...");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !encoder.IsEncoding(); }, 60000));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_TRUE(sink.saw("Encoding Complete"));
    auto out = FfmpegMediaFile::Open(dir.file("lecture.rm"), err);
    ASSERT_TRUE(out) << err;
    EXPECT_TRUE(out->HasVideo());
    EXPECT_NEAR(out->DurationSeconds(), 4.0, 1.0);
}

TEST_F(FfmpegConverter, CancelFinishesTheFileSoFarAndAnUnreadableMovShowsTheCodedErrorNeitherClaimingCompletion)
{
    convert("long.mov", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=30", "-c:v", "mpeg4"}, "long.rm");
    ASSERT_TRUE(encoder.IsEncoding());
    conv.cancel();  // returns once the file is finished
    EXPECT_FALSE(encoder.IsEncoding());
    EXPECT_EQ(conv.Status(), "Encoding stopped...");
    EXPECT_TRUE(FfmpegMediaFile::Open(dir.file("long.rm"), err)) << err;
    // Events of the stopped run that were still queued change nothing.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(conv.Status(), "Encoding stopped...");

    writeFile(dir.file("BROKEN.MOV"), std::string(2048, 'x'));
    convert("BROKEN.MOV", {}, "out.rm");
    EXPECT_EQ(conv.Status().rfind("Error in Encoding (", 0), 0u) << conv.Status();
    EXPECT_TRUE(sink.saw("you may have to convert from " + dir.file("BROKEN.MOV") + " to " + dir.file("out.rm")));
    EXPECT_FALSE(sink.saw("Encoding Complete"));
}

TEST_F(FfmpegCapture, MissingDevicesAreReportedNotCrashed)
{
    // ALSA's null device (always there) is no microphone.
    for (const CaptureDevice& d : FfmpegAudioDevices())
        EXPECT_FALSE(d.format == "alsa" && d.url == "null") << d.label;
    encoder.SetDevices({}, {});
    EncoderSetup rec(encoder);
    rec.load();
    EXPECT_TRUE(sink.saw("RealRecord - Unable to find any audio drivers"));
    EXPECT_FALSE(rec.ChkVideoEnabled());
    rec.DoAudio("/tmp/never.rm");
    rec.setUp();
    EXPECT_EQ(rec.Status(), EncoderSetup::kNoMicrophone);
    EXPECT_FALSE(rec.RecordEnabled());
    EXPECT_FALSE(rec.startEncoding());
    // The encoder's reason stays in view after the window's own words.
    EXPECT_EQ(rec.Status(), "Error Unable to StartEncoding.. No audio device");
    EXPECT_FALSE(encoder.IsEncoding());
}

TEST_F(FfmpegEncoderPlan, TheChosenAudioDeviceIsTheOneRecordedAndChosenAgainNextTime)
{
    encoder.SetDevices({{"lavfi", "anullsrc", "Silence"}, {"lavfi", "sine", "Tone"}}, {});
    PreferenceStore store(QString::fromStdString(dir.file("prefs.ini")));
    {
        EncoderSetup last(encoder);
        last.RememberDevicesIn(&store);
        EXPECT_EQ(last.AudioIndex(), 0);
        last.audioDeviceChosen(1);
    }
    encoder.SetDevices(
        {{"lavfi", "anullsrc=r=8000", "Other"}, {"lavfi", "anullsrc", "Silence"}, {"lavfi", "sine", "Tone"}}, {});
    encoder.SetAudioDriver(0);
    EncoderSetup rec(encoder);
    rec.RememberDevicesIn(&store);
    EXPECT_EQ(rec.AudioIndex(), 2) << "the device chosen last time, by its name";
    rec.DoAudio("/tmp/x.rm");
    rec.ApplyEncoderSettings();  // applying the settings again keeps the choice
    EncodingPlan plan;
    ASSERT_TRUE(encoder.Plan(plan, err)) << err;
    ASSERT_EQ(plan.inputs.size(), 1u);
    EXPECT_EQ(plan.inputs[0].url, "sine");
    EXPECT_EQ(rec.AudioIndex(), 2);

    // The remembered one unplugged: another is never taken in its place
    // without a word, and nothing is opened until the lecturer chooses.
    encoder.SetDevices({{"lavfi", "anullsrc=r=8000", "Other"}}, {});
    EncoderSetup unplugged(encoder);
    unplugged.RememberDevicesIn(&store);
    EXPECT_TRUE(holds(unplugged.Status(), "The microphone used last time (Tone) is not connected")) << unplugged.Status();
    unplugged.DoAudio("/tmp/x.rm");
    unplugged.setUp();
    EXPECT_FALSE(encoder.IsSourceOpen());
    EXPECT_EQ(store.LastDevice("audio"), "Tone");
    unplugged.audioDeviceChosen(0);
    unplugged.setUp();
    EXPECT_TRUE(encoder.IsSourceOpen()) << unplugged.Status();
    encoder.StopEncoding();
}

TEST_F(FfmpegEncoderPlan, FormatSourceCompressionAndTargetReachTheDevicesAndTheEncoding)
{
    encoder.SetDevices({{"pulse", "mic", "Microphone"}}, {{"v4l2", "/dev/video7", "Camera"}});
    encoder.SetInputKind(EncoderControl::InputDevices);
    encoder.SetOutputFilename("/tmp/x.rm");
    encoder.SetTarget(EncoderControl::TargetDSLCableModem, true);
    EncodingPlan plan;
    ASSERT_TRUE(encoder.Plan(plan, err)) << err;
    EXPECT_EQ(plan.options.audioBitRate, BitRatesFor(EncoderControl::TargetDSLCableModem).audio * 1000);
    EXPECT_EQ(plan.options.audioCodec, "ac3");
    EXPECT_EQ(plan.options.format, "rm");
    EXPECT_TRUE(plan.options.live);
    ASSERT_EQ(plan.inputs.size(), 1u);  // video is off
    EXPECT_EQ(plan.inputs[0].format, "pulse");

    encoder.SetVideoOn(true);
    encoder.SetFormat({320, 240, 15, 22050, 1});
    encoder.SetSourceInput(2);
    encoder.SetCompression({"rv10", "ac3", 200, 48});
    ASSERT_TRUE(encoder.Plan(plan, err)) << err;
    ASSERT_EQ(plan.inputs.size(), 2u);
    using Options = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(plan.inputs[0].options, (Options {{"sample_rate", "22050"}, {"channels", "1"}}));
    EXPECT_EQ(plan.inputs[1].options, (Options {{"video_size", "320x240"}, {"framerate", "15"}, {"channel", "2"}}));
    // That the encoding follows: in the recording flow.
    EXPECT_EQ(plan.options.videoBitRate, 200000);
    // Without a chosen size the camera is asked for the output size.
    encoder.SetFormat({});
    ASSERT_TRUE(encoder.Plan(plan, err));
    EXPECT_EQ(plan.inputs[1].options, (Options {{"video_size", "160x120"}, {"channel", "2"}}));

    encoder.SetDevices({{"lavfi", "sine", "tone"}}, {});
    EXPECT_FALSE(encoder.Plan(plan, err));
    EXPECT_EQ(err, "No video device");
}

}  // namespace
