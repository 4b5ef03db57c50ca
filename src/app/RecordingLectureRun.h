// "New Lecture from Recording…" in the main window: the recordings (parts
// 1, 2 ... in the order chosen) and the lecture directory to make are asked
// for, then the lecture is made from them (app/RecordingLecture.h) on a
// worker thread while both windows show the progress in their progress row
// with Cancel and the step on their status line. At the end the windows
// open the new lecture and the timing editor shows the slides found in
// part 1, for the lecturer to check before publishing.
#pragma once

#include <QObject>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/FrontEndHooks.h"
#include "app/RecordingLecture.h"

namespace pellucor {

class MainWindow;
class PublishForm;
class Preferences;

class RecordingLectureRun : public QObject, public RecordingLectureTask {
    Q_OBJECT
public:
    RecordingLectureRun(MainWindow& main, PublishForm& form, Preferences& prefs, FrontEndHooks& hooks,
                        QObject* parent = nullptr);
    ~RecordingLectureRun() override;

    // Asks for the recordings and the directory, says why when it cannot
    // start.
    void Start() override;
    bool Busy() const override { return worker_.joinable(); }
    void Cancel() override { cancel_ = true; }

    // Once finished: whether the lecture was made, and what became of it.
    bool Succeeded() const { return ok_; }
    const std::string& Outcome() const { return outcome_; }
    const RecordingLecture& Made() const { return made_; }

signals:
    void finished(bool ok);

private:
    bool begin(RecordingLectureOptions options, std::string& msg);
    void showProgress(int percent, const std::string& status);
    void end(bool ok, const std::string& err);

    MainWindow& main_;
    PublishForm& form_;
    Preferences& prefs_;
    FrontEndHooks& hooks_;
    RecordingLecture made_;
    RecordingLectureOptions options_;
    std::thread worker_;
    std::atomic<bool> cancel_ {false};
    bool ok_ = false;
    std::string outcome_, status_;
};

}  // namespace pellucor
