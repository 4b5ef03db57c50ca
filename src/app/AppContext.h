// The single instances of one run: the preferences, the detailed form and
// the main window, wired together (the detailed form's status line is
// mirrored into the main window; the detailed form's File and Options
// items run the main window's operations), and the hooks through which the
// user interface supplies dialogs and tool windows.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "app/FrontEndHooks.h"
#include "app/MainWindow.h"
#include "core/MediaFile.h"

namespace pellucor {

class PublishForm;
class PublishSession;
class Preferences;
class SlideSyncRun;
class LectureVideoRun;
class CaptionsRun;
class RecordingLectureRun;

class AppContext : public QObject {
    Q_OBJECT
public:
    // prefsIni: a settings file instead of the per-user store (tests);
    // openers: the media engine, as the program's start makes it.
    AppContext(const QString& prefsIni, std::function<std::unique_ptr<MediaOpener>()> openers,
               QObject* parent = nullptr);
    ~AppContext() override;

    Preferences& prefs() { return *prefs_; }
    // The application's publish: what the detailed form shows, the main
    // window's buttons and the automation interface publish.
    PublishSession& session() { return *session_; }
    PublishForm& publishForm() { return *publishForm_; }
    MainWindow& mainWindow() { return *mainWindow_; }
    SlideSyncRun& slideSync() { return *slideSync_; }
    LectureVideoRun& lectureVideo() { return *lectureVideo_; }
    CaptionsRun& captions() { return *captions_; }
    RecordingLectureRun& recordingLecture() { return *recordingLecture_; }
    FrontEndHooks hooks;

    // Loads the windows once (the main window's load) and answers
    // which window to show first.
    MainWindow::StartWindow Start(bool byAutomation = false);
    bool Started() const { return started_; }
    MainWindow::StartWindow FirstWindow() const { return first_; }

private:
    std::unique_ptr<Preferences> prefs_;
    std::unique_ptr<PublishSession> session_;
    std::unique_ptr<PublishForm> publishForm_;
    std::unique_ptr<MainWindow> mainWindow_;
    std::unique_ptr<SlideSyncRun> slideSync_;
    std::unique_ptr<LectureVideoRun> lectureVideo_;
    std::unique_ptr<CaptionsRun> captions_;
    std::unique_ptr<RecordingLectureRun> recordingLecture_;
    bool started_ = false;
    MainWindow::StartWindow first_ = MainWindow::StartWindow::Main;
};

}  // namespace pellucor
