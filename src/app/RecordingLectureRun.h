// "New Lecture from Recording…" in the main window: the recordings (parts
// 1, 2 ... in the order chosen) and the lecture directory to make are asked
// for, then the lecture is made from them (lecture/RecordingLecture.h) on a
// worker thread while both windows show the progress in their progress row
// with Cancel and the step on their status line. At the end the windows
// open the new lecture and the timing editor shows the slides found in
// part 1, for the lecturer to check before publishing.
#pragma once

#include <string>

#include "lecture/RecordingLecture.h"
#include "app/WindowJob.h"

namespace pellucor {

class Preferences;

class RecordingLectureRun : public WindowJob {
public:
    RecordingLectureRun(MainWindow& main, PublishForm& form, Preferences& prefs, FrontEndHooks& hooks,
                        QObject* parent = nullptr)
        : WindowJob(main, form, hooks, parent), prefs_(prefs)
    { }

    // Asks for the recordings and the directory, says why when it cannot
    // start.
    void Start() override;

    // Once ended: the lecture made.
    const RecordingLecture& Made() const { return made_; }

private:
    bool begin(RecordingLectureOptions options, std::string& msg);
    void ended(bool ok, const std::string& err) override;

    Preferences& prefs_;
    RecordingLecture made_;
    RecordingLectureOptions options_;
};

}  // namespace pellucor
