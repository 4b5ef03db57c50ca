// "Export as One Video..." for the windows' current lecture (the detailed
// form's slide directory, media directory and lecture name): the file is
// asked for with a save dialog, then written on a worker thread while both
// windows show the progress in their progress row with Cancel and the
// outcome on their status line. The automation interface runs it
// unattended to a file it names.
#pragma once

#include <string>

#include "app/WindowJob.h"

namespace pellucor {

class LectureVideoRun : public WindowJob {
public:
    LectureVideoRun(MainWindow& main, PublishForm& form, FrontEndHooks& hooks, QObject* parent = nullptr)
        : WindowJob(main, form, hooks, parent)
    { }

    // From a window's menu: asks for the file, says why when it cannot start.
    void Start() override;
    // From the automation interface: false with msg when it cannot start.
    bool StartUnattended(const std::string& output, std::string& msg);

private:
    bool begin(bool attended, const std::string& output, std::string& msg);
    void ended(bool ok, const std::string& err) override;

    std::string output_;
};

}  // namespace pellucor
