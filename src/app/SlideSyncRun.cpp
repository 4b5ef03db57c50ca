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
    run(attended, "Syncing slides from the recording", [this](std::string&) {
        return sync_.Run([this](int percent, const std::string& status) { report(percent, status); }, cancel_);
    });
    return true;
}

void SlideSyncRun::ended(bool ok, const std::string&)
{
    const PartSync* review = nullptr;  // the part the timing editor opens on
    bool reviewMarked = false;
    std::string failures, written;
    for (const PartSync& p : sync_.Parts()) {
        if (!p.error.empty()) {
            failures += (failures.empty() ? "" : "; ")
                + ("part " + std::to_string(p.part) + " (" + Tav_SplitPath(p.recording).last + "): " + p.error);
            continue;
        }
        size_t marked = 0;
        for (const SyncedRow& r : p.rows)
            marked += r.review ? 1 : 0;
        written += (written.empty() ? "" : ", ") + std::to_string(p.rows.size()) + " slides in "
            + Tav_SplitPath(p.events).last + " (" + std::to_string(marked) + " to review)";
        // The first part with changes to review, else the first one.
        if (!review || (marked > 0 && !reviewMarked))
            review = &p;
        reviewMarked = reviewMarked || marked > 0;
    }
    const bool cancelled = cancel_.load();
    if (cancelled)
        conclude(JobEnd::Cancelled, "Slide sync cancelled");
    else if (!ok)
        conclude(JobEnd::Failed,
                 "Slide sync failed: " + failures + (written.empty() ? "" : " (written: " + written + ")"));
    else
        conclude(JobEnd::Succeeded, "Slide times found: " + written);
    // A lecture with its new events files may be published now.
    main_.DirOrPPTChanged();
    if (attended_ && review && !cancelled)
        FrontEndHooks::Open(hooks_.timingReview, "The timing editor is not available", Tav_DirSlash(form_.TextMedia),
                            review->events);
}

}  // namespace pellucor
