// One application context over a temporary preferences file, with a
// lecture directory and helpers to fill it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "app/AppContext.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "core/TavUtils.h"

namespace pellucor {

class AppFixture : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    testing_support::RecordingMessageSink sink;
    AppContext app {QString::fromStdString(dir.file("prefs.ini"))};
    PublishForm& publishForm = app.publishForm();
    MainWindow& mainWindow = app.mainWindow();
    std::string lec = dir.dir() + "talk/";

    void SetUp() override
    {
        std::filesystem::create_directories(lec);
        app.prefs().Form_Load();
        app.prefs().Set("prfStyle", PELLUCOR_STYLE_DIR);
    }
    void TearDown() override { Tav_SetUnattended(false); }

    // Copies the sample lecture (slides, titles, events, media) into lec.
    void copySample()
    {
        namespace fs = std::filesystem;
        for (const auto& e : fs::directory_iterator(testing_support::sampleDir()))
            if (e.is_regular_file())
                fs::copy_file(e.path(), lec + e.path().filename().string(), fs::copy_options::overwrite_existing);
    }
};

}  // namespace pellucor
