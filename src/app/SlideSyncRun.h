// "Sync Slides from Recording" for the windows' current lecture (the
// detailed form's slide directory, media directory and lecture name): the
// slide times are found from the recordings on a worker thread while both
// windows show the progress in their progress row with Cancel and the
// step on their status line; at the end the timing editor opens on the
// events file written, the changes to review marked, so that the lecturer
// checks them before publishing. The automation interface runs it
// unattended: no questions, no windows.
#pragma once

#include <QObject>

#include <atomic>
#include <string>
#include <thread>

#include "app/FrontEndHooks.h"
#include "media/LectureSync.h"

namespace pellucor {

class MainWindow;
class PublishForm;

class SlideSyncRun : public QObject, public SlideSyncTask {
    Q_OBJECT
public:
    SlideSyncRun(MainWindow& main, PublishForm& form, FrontEndHooks& hooks, QObject* parent = nullptr);
    ~SlideSyncRun() override;

    // From a window's menu: asks before replacing an events file, and says
    // why when it cannot start.
    void Start() override;
    // From the automation interface: replace says whether events files
    // already there may be replaced; false with msg when it cannot start.
    bool StartUnattended(bool replace, std::string& msg);
    bool Busy() const override { return worker_.joinable(); }
    void Cancel() override { cancel_ = true; }

    // Once finished: whether every part was synced, and a summary (or the
    // reason it was not).
    bool Succeeded() const { return ok_; }
    const std::string& Outcome() const { return outcome_; }
    // The events files written, their rows and the changes to review.
    const LectureSync& Sync() const { return sync_; }

signals:
    void finished(bool ok);

private:
    bool begin(bool attended, bool replace, std::string& msg);
    void showProgress(int percent, const std::string& status);
    void end(bool ok);
    void setBusy(bool on);

    MainWindow& main_;
    PublishForm& form_;
    FrontEndHooks& hooks_;
    LectureSync sync_;
    std::thread worker_;
    std::atomic<bool> cancel_ {false};
    bool attended_ = true;
    bool ok_ = false;
    std::string outcome_;
    std::string status_;
};

}  // namespace pellucor
