#include "app/WindowJobShow.h"

#include "app/FrontEndHooks.h"
#include "app/MainWindow.h"
#include "app/PublishForm.h"
#include "core/Messages.h"
#include "core/StatusColours.h"

namespace pellucor {

std::string JobStartRefusal(bool running, bool formBusy, const FrontEndHooks& hooks)
{
    if (running || formBusy || (hooks.slideImporter && hooks.slideImporter->Busy()))
        return "Wait until the work under way has ended";
    return {};
}

void ShowJobBusy(MainWindow& main, PublishForm& form, bool on)
{
    main.SetBusy(on);
    emit form.fieldsChanged();
}

void ShowJobProgress(MainWindow& main, PublishForm& form, int percent)
{
    main.ShowProgress(percent);
    form.progressPercent = percent;
    emit form.progressChanged(percent);
}

void ShowJobEnd(PublishForm& form, JobEnd end, const std::string& outcome, bool attended)
{
    const uint32_t colour = end == JobEnd::Cancelled ? kColourYellow
        : end == JobEnd::Failed                      ? kColourRed
                                                     : kColourGreen;
    form.SetStatus(outcome, colour);
    if (end == JobEnd::Failed && attended)
        Tav_Message(outcome);
}

}  // namespace pellucor
