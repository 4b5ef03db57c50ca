// One application context over a temporary preferences file, with a
// lecture directory and helpers to fill it and to answer its dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <string>

#include "SampleCopy.h"
#include "TestSupport.h"
#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "core/TavUtils.h"
#include "media/FfmpegMediaOpener.h"

namespace pellucor {

class AppFixture : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    testing_support::RecordingMessageSink sink;
    AppContext app {QString::fromStdString(dir.file("prefs.ini")), FfmpegOpeners()};
    PublishForm& publishForm = app.publishForm();
    MainWindow& mainWindow = app.mainWindow();
    std::string lec = dir.dir() + "talk/";
    std::string msg;

    void SetUp() override
    {
        std::filesystem::create_directories(lec);
        app.prefs().load();
        app.prefs().Set("prfStyle", PELLUCOR_STYLE_DIR);
    }
    void TearDown() override { Tav_SetUnattended(false); }

    void copySample() { testing_support::copySampleInto(lec); }

    // The directory chooser answers with d (and notes its title).
    void chooseDirectory(const std::string& d, std::string* title = nullptr)
    {
        app.hooks.chooseDirectory = [d, title](const std::string& t, std::string& chosen, bool) {
            if (title)
                *title = t;
            chosen = d;
            return true;
        };
    }

    // A preference as stored on disk, read by a fresh program.
    std::string stored(const char* key) const
    {
        Preferences p(QString::fromStdString(dir.file("prefs.ini")));
        p.load();
        return p.Get(key);
    }

    // Runs the event loop until done() or 30 seconds have passed.
    static void runUntil(const std::function<bool()>& done)
    {
        QTimer tick;  // wakes the loop to look again
        tick.start(20);
        for (QDeadlineTimer end(30000); !done() && !end.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
};

}  // namespace pellucor
