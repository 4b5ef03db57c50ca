// The program's windows on a real display (under Xvfb) opened on a lecture,
// and runs of one long job, cancelled or to its end, noting what the main
// window showed and how late it answered.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
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

// The window's menu item of that text, or null.
inline QAction* menuAction(QWidget& window, const QString& text)
{
    for (QAction* a : window.findChildren<QAction*>())
        if (a->text() == text)
            return a;
    return nullptr;
}

class LectureWindows : public ::testing::Test {
protected:
    testing_support::TempDir root;
    testing_support::RecordingMessageSink sink;
    std::string lecture = root.dir() + "talk/";
    std::unique_ptr<GuiWindows> windows;
    QProgressBar* progress = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* status = nullptr;

    // Opens the windows on the lecture, made beforehand; known: the last one opened.
    void open(bool known = true)
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        windows = std::make_unique<GuiWindows>(QString::fromStdString(root.file("prefs.ini")));
        windows->context().prefs().load();
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

    // A job on the window's thread would hold it for seconds; a tick on two
    // busy cores comes up to a few hundred ms late.
    static constexpr qint64 kAnswersWithinMs = 500;
    // What the main window showed while a job ran: the bar's highest percent,
    // Cancel offered beside the bar, how late the event loop answered at worst.
    struct Shown {
        int highest = 0;
        bool cancelOffered = false;
        qint64 worstLate = 0;
    };
    // Starts a job and runs the event loop until it and the main window's
    // watcher are over, calling onTick every 50 ms.
    Shown runJob(
        const std::function<void()>& start, const std::function<void()>& onTick = [] {})
    {
        QEventLoop loop;
        bool started = false;
        Shown shown;
        testing_support::TickWatch watch(50, [&](qint64 now) {
            started = started || model().busy;
            shown.highest = std::max(shown.highest, progress->value());
            shown.cancelOffered = shown.cancelOffered || (progress->isVisible() && cmdCancel->isVisible());
            onTick();
            if ((started && !model().busy && !model().timDisk.isActive()) || now > 120000)
                loop.quit();
        });
        QTimer::singleShot(0, start);
        loop.exec();
        shown.worstLate = watch.WorstLate();
        return shown;
    }
    // Runs a job and clicks Cancel once the bar is past percent, after
    // calling before(); false when it never got there.
    bool cancelPast(
        const std::function<void()>& start, int percent, const std::function<void()>& before = [] {})
    {
        bool clicked = false;
        runJob(start, [&] {
            if (!clicked && progress->value() > percent && cmdCancel->isVisible()) {
                clicked = true;
                before();
                cmdCancel->click();
            }
        });
        return clicked;
    }
};

}  // namespace pellucor
