// The windows' side of a long job started from their menus (slide sync,
// the captions, the lecture as one video, a lecture from a recording): both windows locked while it
// runs, its percent in their progress rows, and how it ended on the
// detailed form's status line (mirrored into the main window's).
#pragma once

#include <string>

namespace pellucor {

class MainWindow;
class PublishForm;
struct FrontEndHooks;

// Why a job cannot start now ("" when it can): it is running already, the
// detailed form is busy (formBusy: what the job cannot run beside), or a
// slide import is under way.
std::string JobStartRefusal(bool running, bool formBusy, const FrontEndHooks& hooks);

void ShowJobBusy(MainWindow& main, PublishForm& form, bool on);
void ShowJobProgress(MainWindow& main, PublishForm& form, int percent);

enum class JobEnd { Cancelled, Failed, Succeeded };
// The outcome in its end's colour (yellow, red, green); a failure of a job
// the user started is also shown in a message box.
void ShowJobEnd(PublishForm& form, JobEnd end, const std::string& outcome, bool attended);

}  // namespace pellucor
