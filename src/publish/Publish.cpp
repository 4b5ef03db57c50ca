#include "publish/Publisher.h"

#include <functional>
#include <utility>

#include "core/FileLookup.h"
#include "core/TavUtils.h"
#include "style/PublishedLecture.h"

namespace pellucor {

const char* PublishStepName(PublishStep step)
{
    switch (step) {
    case PublishStep::SlideTimes: return "Slide times";
    case PublishStep::SlideText: return "Slide text";
    case PublishStep::Captions: return "Automatic captions";
    case PublishStep::Convert: return "Published-lecture conversion";
    case PublishStep::Load: return "Lecture loading";
    case PublishStep::Media: return "Media preparation";
    case PublishStep::Descriptions: return "Audio descriptions";
    case PublishStep::Hls: return "Adaptive streaming (HLS)";
    case PublishStep::Video: return "The lecture as one video";
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
    // The caller shows the text once (a message box, stderr or the server
    // log); showing it here too made every failure appear twice.
    return false;
}

// A stop asked for by the runner is no failure.
bool Publisher::cancelled(const std::string& text)
{
    LastError = text;
    WasCancelled = true;
    Tav_DebugLog("Publish cancelled: " + text);
    return false;
}

bool Publisher::Load(bool convert, bool verbose)
{
    LastError.clear();
    WasCancelled = false;
    SetStatus("Getting info on slides");
    step(PublishStep::Convert);
    std::string err;
    if (convert && !ConvertPublished(*this, err))
        return fail("Slide Load Error:" + err);
    if (Cancelled())
        return cancelled("Publish cancelled");
    step(PublishStep::Load);
    if (!LoadLecture(true, verbose, err))
        return fail("Slide Load Error:" + err);
    return true;
}

bool Publisher::Publish(bool ToDisk)
{
    LastError.clear();
    WasCancelled = false;
    if (Cancelled())
        return cancelled("Publish cancelled");
    // The output is written in a staging directory made for this publish
    // (empty); it takes the target's place once it is complete.
    const std::string out = Tav_DirSlash(S.OutDir);
    SetStatus("Changing directory to " + Tav_DirSlash(ToDisk ? S.CDDir : S.WebDir));
    if (out.empty() || !Tav_ChkDir(out))
        return fail("Cannot complete execution");

    if (!applyCuts())
        return false;
    const std::string style = Tav_DirSlash(S.StyleDir);
    std::string styleScript, clash;
    if (FindFile(style, "process.bat", styleScript, clash))
        SetStatus("User Controlled Process.bat");

    BatchScript bat;
    if (!bat.Create(out + "process.bat"))
        return fail("Unable to create - PROCESS.BAT: " + bat.Error());
    bat.WriteCd(out);

    const std::string slides = Tav_DirSlash(S.LecDir);
    const std::pair<std::string, const char*> copies[]
        = {{style, "*.gif"},  {style, "*.jpg"},     {style + "copy", "*.*"}, {slides, "*.gif"},
           {slides, "*.jpg"}, {slides, "img*.webp"}};  // the slides' sharp copies, where the import wrote them
    for (const auto& [from, pattern] : copies)
        if (std::string why; !Tav_CopyFiles(from, out, pattern, why))
            return fail(why);
    // What only pages served over the web use (the stream player).
    if (std::string why; !ToDisk && !Tav_CopyFiles(style + "web", out, "*.*", why))
        return fail(why);

    step(PublishStep::Media);
    SetStatus("Preparing Media Files");
    const bool prepared = PrepareMedia(bat, ToDisk);
    encoder_.reset();
    const bool closed = bat.Close();
    if (!prepared)
        return false;
    if (!closed)
        return fail("Unable to create - PROCESS.BAT: " + bat.Error());
    if (!publishCaptions())
        return false;
    // The steps that take long where they have work; each begins only if no
    // stop was asked for.
    const std::pair<PublishStep, std::function<bool()>> longSteps[] = {
        {PublishStep::Descriptions, [this] { return publishDescriptions(); }},
        {PublishStep::Hls, [&] { return publishHls(ToDisk); }},
        {PublishStep::Video, [&] { return publishLectureVideo(ToDisk, out); }},
    };
    for (const auto& [which, run] : longSteps) {
        if (which == PublishStep::Video && laterVideo)
            continue;
        step(which);
        if (Cancelled())
            return cancelled("Publish cancelled");
        if (!run())
            return false;
    }
    if (Cancelled())
        return cancelled("Publish cancelled");

    step(PublishStep::Style);
    SetStatus("Converting the slides");
    if (!style_.ProcessStyleDirectory(ToDisk))
        return fail(style_.StyleError);
    return writeLectureRecord();
}

bool Publisher::PublishVideoInto(bool ToDisk, const std::string& staging, const std::string& published)
{
    LastError.clear();
    WasCancelled = false;
    S.OutDir = Tav_DirSlash(staging);
    step(PublishStep::Video);
    if (Cancelled())
        return cancelled("Publish cancelled");
    if (!publishLectureVideo(ToDisk, Tav_DirSlash(published)))
        return false;
    if (Cancelled())
        return cancelled("Publish cancelled");
    step(PublishStep::Style);
    SetStatus("Converting the slides");
    return style_.ProcessStyleDirectory(ToDisk) || fail(style_.StyleError);
}

}  // namespace pellucor
