// "Sync Slides from Recording" for the windows' current lecture (the
// detailed form's slide directory, media directory and lecture name): the
// slide times are found from the recordings on a worker thread while both
// windows show the progress in their progress row with Cancel and the
// step on their status line; at the end the timing editor opens on the
// events file written, the changes to review marked, so that the lecturer
// checks them before publishing. The automation interface runs it
// unattended: no questions, no windows.
#pragma once

#include <string>

#include "app/WindowJob.h"
#include "media/LectureSync.h"

namespace pellucor {

class SlideSyncRun : public WindowJob {
public:
    SlideSyncRun(MainWindow& main, PublishForm& form, FrontEndHooks& hooks, QObject* parent = nullptr)
        : WindowJob(main, form, hooks, parent)
    { }

    // From a window's menu: asks before replacing an events file, and says
    // why when it cannot start.
    void Start() override;
    // From the automation interface: replace says whether events files
    // already there may be replaced; false with msg when it cannot start.
    bool StartUnattended(bool replace, std::string& msg);

    // Once ended, Succeeded: whether every part was synced; Outcome: a
    // summary (or the reason it was not). The events files written, their
    // rows and the changes to review:
    const LectureSync& Sync() const { return sync_; }

private:
    bool begin(bool attended, bool replace, std::string& msg);
    void ended(bool ok, const std::string& err) override;

    LectureSync sync_;
};

}  // namespace pellucor
