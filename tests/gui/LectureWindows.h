// The program's windows on a real display (under Xvfb) opened on a lecture,
// with the main window's progress bar, Cancel and status line, and a run of
// the event loop through one long job that measures how late it answers.
#pragma once

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>

#include "QtTestApp.h"
#include "TestSupport.h"
#include "TickWatch.h"
#include "app/MainWindow.h"
#include "app/Preferences.h"
#include "app/widgets/MainWindowView.h"
#include "gui/GuiWindows.h"

namespace pellucor {

class LectureWindows : public ::testing::Test {
protected:
    testing_support::TempDir root;
    testing_support::RecordingMessageSink sink;
    std::string lecture = root.dir() + "talk/";
    std::unique_ptr<GuiWindows> windows;
    QProgressBar* progress = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* status = nullptr;

    // Opens the windows on the lecture, made beforehand; known: the
    // preferences name it as the last one opened.
    void open(bool known = true)
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        windows = std::make_unique<GuiWindows>(QString::fromStdString(root.file("prefs.ini")));
        windows->context().prefs().Form_Load();
        windows->context().prefs().Set("prfStyle", PELLUCOR_STYLE_DIR);
        if (known)
            windows->context().prefs().Set("prfLectureDir", lecture);
        windows->ShowFirst(windows->Load());
        model().SetLectureDir(lecture);
        progress = testing_support::findWidget<QProgressBar>(view(), "publishProgress");
        cmdCancel = testing_support::findWidget<QPushButton>(view(), "cmdCancel");
        status = testing_support::findWidget<QLabel>(view(), "lblStatus");
        ASSERT_TRUE(progress && cmdCancel && status);
    }
    MainWindow& model() { return windows->context().mainWindow(); }
    MainWindowView& view() { return windows->mainWindowView(); }
    std::string statusText() const { return status->text().toStdString(); }

    // Starts a job and runs the event loop until it and the main window's
    // watcher are over; every tick of a 50 ms timer calls onTick and
    // measures how late it came. Returns the worst lateness.
    qint64 runJob(const std::function<void()>& start, const std::function<void()>& onTick)
    {
        QEventLoop loop;
        bool started = false;
        testing_support::TickWatch watch(50, [&](qint64 now) {
            started = started || model().busy;
            onTick();
            if ((started && !model().busy && !model().timDisk.isActive()) || now > 120000)
                loop.quit();
        });
        QTimer::singleShot(0, start);
        loop.exec();
        return watch.WorstLate();
    }
};

}  // namespace pellucor
