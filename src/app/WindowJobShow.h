// The windows' side of a long job started from their menus (slide sync,
// the captions, the lecture as one video): both windows locked while it
// runs, its percent in their progress rows, and how it ended on the
// detailed form's status line (mirrored into the main window's).
#pragma once

#include <string>

namespace pellucor {

class MainWindow;
class PublishForm;

void ShowJobBusy(MainWindow& main, PublishForm& form, bool on);
void ShowJobProgress(MainWindow& main, PublishForm& form, int percent);

enum class JobEnd { Cancelled, Failed, Succeeded };
// The outcome in its end's colour (yellow, red, green); a failure of a job
// the user started is also shown in a message box.
void ShowJobEnd(PublishForm& form, JobEnd end, const std::string& outcome, bool attended);

}  // namespace pellucor
