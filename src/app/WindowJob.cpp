#include "app/WindowJob.h"

#include <utility>

#include "app/PublishForm.h"
#include "core/StatusColours.h"

namespace pellucor {

WindowJob::WindowJob(MainWindow& main, PublishForm& form, FrontEndHooks& hooks, QObject* parent)
    : QObject(parent), main_(main), form_(form), hooks_(hooks)
{ }

WindowJob::~WindowJob() { stop(); }

void WindowJob::stop()
{
    Cancel();
    if (worker_.joinable())
        worker_.join();
}

void WindowJob::run(bool attended, const std::string& status, std::function<bool(std::string& err)> work)
{
    attended_ = attended;
    cancel_ = false;
    ok_ = false;
    outcome_.clear();
    status_.clear();
    ShowJobBusy(main_, form_, true);
    show(0, status);
    worker_ = std::thread([this, work = std::move(work)] {
        std::string err;
        const bool ok = work(err);
        QMetaObject::invokeMethod(
            this,
            [this, ok, err] {
                worker_.join();
                ok_ = ok;
                ShowJobBusy(main_, form_, false);
                ended(ok, err);
            },
            Qt::QueuedConnection);
    });
}

void WindowJob::report(int percent, const std::string& status)
{
    QMetaObject::invokeMethod(
        this, [this, percent, status] { show(percent, status); }, Qt::QueuedConnection);
}

void WindowJob::show(int percent, const std::string& status)
{
    ShowJobProgress(main_, form_, percent);
    if (!status.empty() && status != status_)
        form_.SetStatus((status_ = status) + "...", kColourYellow);
}

void WindowJob::conclude(JobEnd end, std::string outcome)
{
    ok_ = ok_ && end == JobEnd::Succeeded;
    outcome_ = std::move(outcome);
    ShowJobEnd(form_, end, outcome_, attended_);
}

}  // namespace pellucor
