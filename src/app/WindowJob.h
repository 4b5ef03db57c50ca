// What every long job the windows start from their menus shares (slide
// sync, the captions, the lecture as one video, a lecture from a
// recording): the worker thread it runs on, both windows locked while it
// runs, its percent and step shown on the windows' thread as the worker
// reports them, and its outcome on the detailed form's status line once it
// has ended.
#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "app/FrontEndHooks.h"
#include "app/WindowJobShow.h"

namespace pellucor {

class MainWindow;
class PublishForm;

class WindowJob : public QObject, public WindowJobTask {
public:
    WindowJob(MainWindow& main, PublishForm& form, FrontEndHooks& hooks, QObject* parent = nullptr);
    // Cancels a job still running and waits for it.
    ~WindowJob() override;

    bool Busy() const override { return worker_.joinable(); }
    void Cancel() override { cancel_ = true; }

    // Once ended: whether it succeeded, and what became of it.
    bool Succeeded() const { return ok_; }
    const std::string& Outcome() const { return outcome_; }

protected:
    // Locks the windows, shows 0% and status, and runs work on the worker
    // thread; ended(ok, err) follows on the windows' thread, the windows
    // unlocked. attended: a user started it from a menu.
    void run(bool attended, const std::string& status, std::function<bool(std::string& err)> work);
    // From the worker thread: the percent and the step under way (empty:
    // unchanged).
    void report(int percent, const std::string& status);
    virtual void ended(bool ok, const std::string& err) = 0;
    // The outcome, shown in its end's colour (a failure of a job the user
    // started in a message box too).
    void conclude(JobEnd end, std::string outcome);
    // For a job whose Cancel reaches its own members: stops it and waits,
    // before they go.
    void stop();

    MainWindow& main_;
    PublishForm& form_;
    FrontEndHooks& hooks_;
    std::atomic<bool> cancel_ {false};
    bool attended_ = true;

private:
    void show(int percent, const std::string& status);

    std::thread worker_;
    bool ok_ = false;
    std::string outcome_, status_;
};

}  // namespace pellucor
