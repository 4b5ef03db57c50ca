#include "app/SlideSyncRun.h"

#include "app/MainWindow.h"
#include "app/PublishForm.h"
#include "app/WindowJobShow.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {

std::string names(const std::vector<std::string>& paths)
{
    std::string text;
    for (const std::string& p : paths)
        text += (text.empty() ? "" : ", ") + Tav_SplitPath(p).last;
    return text;
}

}  // namespace

SlideSyncRun::SlideSyncRun(MainWindow& main, PublishForm& form, FrontEndHooks& hooks, QObject* parent)
    : QObject(parent), main_(main), form_(form), hooks_(hooks)
{ }

SlideSyncRun::~SlideSyncRun()
{
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
}

void SlideSyncRun::Start()
{
    std::string msg;
    if (!begin(true, false, msg) && !msg.empty())
        Tav_Message(msg);
}

bool SlideSyncRun::StartUnattended(bool replace, std::string& msg) { return begin(false, replace, msg); }

bool SlideSyncRun::begin(bool attended, bool replace, std::string& msg)
{
    if (msg = JobStartRefusal(Busy(), form_.Publishing(), hooks_); !msg.empty())
        return false;
    LectureSyncOptions options;
    options.slideDir = Tav_DirSlash(form_.TextPP);
    options.mediaDir = Tav_DirSlash(form_.TextMedia);
    options.lecName = form_.TextName;
    if (!sync_.Prepare(options, msg))
        return false;
    if (const auto existing = sync_.Existing(); !existing.empty()) {
        const std::string files = names(existing);
        if (!attended && !replace) {
            msg = files + " holds slide times already: ask for it to be replaced (the old one is then kept as .bak)";
            return false;
        }
        if (attended
            && Tav_AskOkCancel("Syncing the slides writes new slide times over " + files
                               + ". The old file is kept with .bak added to its name. Go on?")
                != TavOK)
            return false;
    }
    attended_ = attended;
    cancel_ = false;
    ok_ = false;
    outcome_.clear();
    status_.clear();
    setBusy(true);
    showProgress(0, "Syncing slides from the recording");
    worker_ = std::thread([this] {
        const bool ok = sync_.Run(
            [this](int percent, const std::string& status) {
                QMetaObject::invokeMethod(
                    this, [this, percent, status] { showProgress(percent, status); }, Qt::QueuedConnection);
            },
            cancel_);
        QMetaObject::invokeMethod(
            this, [this, ok] { end(ok); }, Qt::QueuedConnection);
    });
    return true;
}

void SlideSyncRun::setBusy(bool on) { ShowJobBusy(main_, form_, on); }

void SlideSyncRun::showProgress(int percent, const std::string& status)
{
    ShowJobProgress(main_, form_, percent);
    if (status != status_)
        form_.SetStatus((status_ = status) + "...", kColourYellow);
}

void SlideSyncRun::end(bool ok)
{
    worker_.join();
    ok_ = ok;
    setBusy(false);
    const PartSync* review = nullptr;  // the part the timing editor opens on
    bool reviewMarked = false;
    std::string failures;
    for (const PartSync& p : sync_.Parts()) {
        if (!p.error.empty()) {
            failures += (failures.empty() ? "" : "; ")
                + ("part " + std::to_string(p.part) + " (" + Tav_SplitPath(p.recording).last + "): " + p.error);
            continue;
        }
        size_t marked = 0;
        for (const SyncedRow& r : p.rows)
            marked += r.review ? 1 : 0;
        outcome_ += (outcome_.empty() ? "" : ", ") + std::to_string(p.rows.size()) + " slides in "
            + Tav_SplitPath(p.events).last + " (" + std::to_string(marked) + " to review)";
        // The first part with changes to review, else the first one.
        if (!review || (marked > 0 && !reviewMarked))
            review = &p;
        reviewMarked = reviewMarked || marked > 0;
    }
    const bool cancelled = cancel_.load();
    if (cancelled) {
        outcome_ = "Slide sync cancelled";
        ShowJobEnd(form_, JobEnd::Cancelled, outcome_, attended_);
    } else if (!ok) {
        outcome_ = "Slide sync failed: " + failures + (outcome_.empty() ? "" : " (written: " + outcome_ + ")");
        ShowJobEnd(form_, JobEnd::Failed, outcome_, attended_);
    } else {
        outcome_ = "Slide times found: " + outcome_;
        ShowJobEnd(form_, JobEnd::Succeeded, outcome_, attended_);
    }
    // A lecture with its new events files may be published now.
    main_.DirOrPPTChanged();
    if (attended_ && review && !cancelled)
        FrontEndHooks::Open(hooks_.timingReview, "The timing editor is not available", Tav_DirSlash(form_.TextMedia),
                            review->events);
    emit finished(ok);
}

}  // namespace pellucor

#include "moc_SlideSyncRun.cpp"
