#include "app/FrontEndHooks.h"

#include "core/TavUtils.h"

namespace pellucor {

FrontEndHooks& FrontEndHooks::Headless()
{
    static FrontEndHooks hooks;
    return hooks;
}

bool FrontEndHooks::ChooseDirectory(const std::string& title, std::string& dir, bool allowCreate) const
{
    // Without a chooser the offered directory is taken as chosen.
    return chooseDirectory ? chooseDirectory(title, dir, allowCreate) : true;
}

bool FrontEndHooks::InputBox(const std::string& prompt, const std::string& title, std::string& answer) const
{
    return inputBox ? inputBox(prompt, title, answer) : true;
}

void FrontEndHooks::OpenPage(const std::string& page) const
{
    if (openPage)
        openPage(page);
    else
        Tav_ShellOpen(page);
}

std::pair<WindowJobTask*, const char*> FrontEndHooks::runningJob() const
{
    const std::pair<WindowJobTask*, const char*> jobs[] = {{slideSync, "Sync Slides from Recording"},
                                                            {lectureVideo, "Export as One Video"},
                                                            {captions, "Make Captions"},
                                                            {recordingLecture, "New Lecture from Recording"}};
    for (const auto& job : jobs)
        if (job.first && job.first->Busy())
            return job;
    return {nullptr, ""};
}

std::string FrontEndHooks::RunningJobName() const { return runningJob().second; }

bool FrontEndHooks::CancelWindowJob() const
{
    WindowJobTask* job = runningJob().first;
    if (job)
        job->Cancel();
    return job != nullptr;
}

}  // namespace pellucor
