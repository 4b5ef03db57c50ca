#include "app/RecordingLectureRun.h"

#include <filesystem>

#include "app/MainWindow.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "app/WindowJobShow.h"
#include "core/StatusColours.h"
#include "core/TavString.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace fs = std::filesystem;

void RecordingLectureRun::Start()
{
    if (const std::string refusal = JobStartRefusal(Busy(), form_.Busy(), hooks_); !refusal.empty()) {
        Tav_Message(refusal);
        return;
    }
    RecordingLectureOptions options;
    if (!hooks_.chooseRecordings) {
        Tav_Message("Choosing recordings is not available");
        return;
    }
    if (!hooks_.chooseRecordings("New Lecture from Recording", options.recordings) || options.recordings.empty())
        return;
    // The new lecture goes beside the one open, by default.
    std::string dir = Tav_DirSlash(main_.LecParent);
    if (!hooks_.ChooseDirectory("Select the New Lecture's Directory", dir, true))
        return;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    options.lectureDir = dir;
    std::error_code ec;
    if (fs::is_directory(dir, ec) && !fs::is_empty(dir, ec)) {
        if (Tav_AskOkCancel(dir + " holds files already. Make the lecture there anew? The files there now are kept in "
                            + Tav_SplitPath(BackupNameFor(dir)).last + ".")
            != TavOK)
            return;
        options.replace = true;
    }
    options.languages = Trim(prefs_.Get("prfOcrLanguage"));
    if (options.languages.empty())
        options.languages = "eng";
    std::string msg;
    if (!begin(std::move(options), msg))
        Tav_Message(msg);
}

bool RecordingLectureRun::begin(RecordingLectureOptions options, std::string& msg)
{
    if (msg = RecordingLecture::Problem(options); !msg.empty())
        return false;
    options_ = std::move(options);
    run(true, "Finding the slides of the recording", [this](std::string& err) {
        return made_.Run(
            options_, [this](int percent, const std::string& status) { report(percent, status); }, cancel_, err);
    });
    return true;
}

void RecordingLectureRun::ended(bool ok, const std::string& err)
{
    if (cancel_) {
        conclude(JobEnd::Cancelled, "New lecture from recording cancelled: nothing written");
    } else if (!ok) {
        conclude(JobEnd::Failed, "No lecture made from the recording: " + err);
    } else {
        size_t changes = 0;
        for (const RecordingPart& p : made_.Parts())
            changes += p.rows.size();
        // The new lecture is the one open now.
        main_.SetLectureDir(Tav_DirSlash(options_.lectureDir));
        conclude(JobEnd::Succeeded,
                 "Lecture made from the recording: " + std::to_string(made_.Titles().size()) + " slides, "
                     + std::to_string(changes) + " slide changes in " + Tav_DirSlash(options_.lectureDir));
        FrontEndHooks::Open(hooks_.timingReview, "The timing editor is not available",
                            Tav_DirSlash(options_.lectureDir),
                            Tav_DirSlash(options_.lectureDir) + made_.Parts().front().events);
    }
}

}  // namespace pellucor
