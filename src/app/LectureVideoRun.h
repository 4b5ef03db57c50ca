// "Export as One Video..." for the windows' current lecture (the detailed
// form's slide directory, media directory and lecture name): the file is
// asked for with a save dialog, then written on a worker thread while both
// windows show the progress in their progress row with Cancel and the
// outcome on their status line. The automation interface runs it
// unattended to a file it names.
#pragma once

#include <QObject>

#include <atomic>
#include <string>
#include <thread>

#include "app/FrontEndHooks.h"

namespace pellucor {

class MainWindow;
class PublishForm;

class LectureVideoRun : public QObject, public LectureVideoTask {
    Q_OBJECT
public:
    LectureVideoRun(MainWindow& main, PublishForm& form, FrontEndHooks& hooks, QObject* parent = nullptr);
    ~LectureVideoRun() override;

    // From a window's menu: asks for the file, says why when it cannot start.
    void Start() override;
    // From the automation interface: false with msg when it cannot start.
    bool StartUnattended(const std::string& output, std::string& msg);
    bool Busy() const override { return worker_.joinable(); }
    void Cancel() override { cancel_ = true; }

    // Once finished: whether the video was written, and what became of it.
    bool Succeeded() const { return ok_; }
    const std::string& Outcome() const { return outcome_; }

signals:
    void finished(bool ok);

private:
    bool begin(bool attended, const std::string& output, std::string& msg);
    void showProgress(int percent);
    void end(bool ok, const std::string& err);

    MainWindow& main_;
    PublishForm& form_;
    FrontEndHooks& hooks_;
    std::thread worker_;
    std::atomic<bool> cancel_ {false};
    bool attended_ = true;
    bool ok_ = false;
    std::string output_, outcome_;
};

}  // namespace pellucor
