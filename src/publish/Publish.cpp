#include "publish/Publisher.h"

#include "core/TavUtils.h"

namespace pellucor {

const char* PublishStepName(PublishStep step)
{
    switch (step) {
    case PublishStep::Convert: return "Published-lecture conversion";
    case PublishStep::Load: return "Lecture loading";
    case PublishStep::Media: return "Media preparation";
    case PublishStep::Style: return "Style expansion";
    case PublishStep::Script: return "Batch script";
    case PublishStep::FollowLog: return "Following the script's log";
    }
    return "";
}

void Publisher::step(PublishStep s)
{
    Tav_DebugLog(std::string("Publish step: ") + PublishStepName(s));
    if (onStep)
        onStep(s);
}

bool Publisher::fail(const std::string& text)
{
    LastError = text;
    Tav_DebugLog("Publish failed: " + text);
    StatusColour = kColourRed;
    SetStatus(text);
    StatusColour = kColourYellow;
    Tav_PlainMessage(text);
    return false;
}

// A stop asked for by the runner is no failure: no message box.
bool Publisher::cancelled(const std::string& text)
{
    LastError = text;
    WasCancelled = true;
    Tav_DebugLog("Publish cancelled: " + text);
    return false;
}

void Publisher::ConvertPublishedLecture() { AutoConvertPublished(Tav_DirSlash(S.MediaDir), S.LecName); }

bool Publisher::OKToPublish(bool showMsg, std::string& err)
{
    ConvertPublishedLecture();
    const bool ok = LoadSlideInfo(false, false, err);
    if (!ok && showMsg)
        Tav_PlainMessage(err);
    return ok;
}

bool Publisher::Publish(bool ToDisk)
{
    LastError.clear();
    WasCancelled = false;
    step(PublishStep::Load);
    SetStatus("Getting info on slides");
    std::string err;
    if (!LoadSlideInfo(true, true, err))
        return fail("Slide Load Error:" + err);
    if (Cancelled())
        return cancelled("Publish cancelled");

    const std::string out = Tav_DirSlash(S.OutDir);
    SetStatus("Changing directory to " + out);
    if (out.empty() || !Tav_Mkdir(out))
        return fail("Cannot complete execution");
    SetStatus("Removing files from " + out);
    if (!Tav_RemoveDir(out))
        return fail("Unable to cleanup " + out);

    const std::string style = Tav_DirSlash(S.StyleDir);
    if (Tav_ChkFile(style + "process.bat"))
        SetStatus("User Controlled Process.bat");

    BatchScript bat;
    if (!bat.Create(out + "process.bat"))
        return fail("Unable to create - PROCESS.BAT");
    bat.WriteCd(out);

    const std::string slides = Tav_DirSlash(S.LecDir);
    Tav_CopyFiles(style, out, "*.gif");
    Tav_CopyFiles(style, out, "*.jpg");
    Tav_CopyFiles(style + "copy", out, "*.*");
    Tav_CopyFiles(slides, out, "*.gif");
    Tav_CopyFiles(slides, out, "*.jpg");

    step(PublishStep::Media);
    SetStatus("Preparing Media Files");
    const bool prepared = PrepareMedia(bat, ToDisk);
    encoder_.reset();
    const bool closed = bat.Close();
    if (!prepared)
        return false;
    if (!closed)
        return fail("Unable to create - PROCESS.BAT");
    if (Cancelled())
        return cancelled("Publish cancelled");

    step(PublishStep::Style);
    SetStatus("Converting the slides");
    if (!ProcessStyleDirectory(ToDisk))
        return fail(StyleError);
    return true;
}

}  // namespace pellucor
