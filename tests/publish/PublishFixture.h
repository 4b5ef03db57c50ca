// A copy of the sample lecture in a temporary directory and an engine host
// set up to publish it with the bundled style.
#pragma once

#include <filesystem>

#include "SampleCopy.h"
#include "TestSupport.h"
#include "core/EngineHost.h"
#include "media/FfmpegMediaOpener.h"
#include "publish/Publisher.h"

namespace pellucor {

class PublishFixture : public ::testing::Test {
protected:
    testing_support::TempDir root;
    testing_support::RecordingMessageSink sink;
    BasicEngineHost host;
    PublishSettings settings;
    std::string lecture, out;

    void SetUp() override
    {
        lecture = root.dir() + "talk/";
        out = root.dir() + "out/";
        testing_support::copySampleInto(lecture);
        settings.LecName = "talk";
        settings.MediaDir = lecture;
        settings.LecDir = lecture;
        settings.StyleDir = PELLUCOR_STYLE_DIR;
        settings.OutDir = out;
        settings.WebURL = "http://lectures.example.org/talk/";
        settings.Prefs["prfRmmerge"] = "None";
        settings.Prefs["prfEvent32"] = "None";
        host.openerFactory = FfmpegOpeners();
    }

    // Keeps only part 1 of the sample: a one-part lecture.
    void onePart()
    {
        std::filesystem::remove(lecture + "talk2.txt");
        std::filesystem::remove(lecture + "talk2.rm");
    }

    // The engine writes into a directory of its own (a publish session
    // makes one beside the output for it).
    bool publish(bool toDisk)
    {
        std::filesystem::create_directories(settings.OutDir);
        Publisher engine(settings, &host);
        const bool ok = engine.Load(true, true) && engine.Publish(toDisk);
        lastError = engine.LastError;
        return ok;
    }
    std::string lastError;
};

}  // namespace pellucor
