#include "publish/Publisher.h"

#include "core/FileLookup.h"
#include "core/TavUtils.h"
#include "style/PublishedLecture.h"

namespace pellucor {

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

bool Publisher::OKToPublish(bool showMsg, std::string& err)
{
    bool ok = LoadSlideInfo(false, false, err);
    // A published lecture loads once it has been converted, which the
    // publish does first.
    std::string publishedName;
    if (!ok && IsPublishedLecture(S.MediaDir, S.LecName, publishedName)) {
        ok = true;
        err.clear();
    }
    if (!ok && showMsg)
        Tav_PlainMessage(err);
    return ok;
}

bool Publisher::Publish(bool ToDisk)
{
    LastError.clear();
    SetStatus("Getting info on slides");
    std::string err;
    if (!LoadLectureConvertingPublished(*this, true, true, err))
        return fail("Slide Load Error:" + err);
    if (const std::string problem = StyleDirectoryProblem(S.StyleDir); !problem.empty())
        return fail(problem);

    const std::string out = Tav_DirSlash(S.OutDir);
    SetStatus("Changing directory to " + out);
    if (out.empty() || !Tav_Mkdir(out))
        return fail("Cannot complete execution");
    SetStatus("Removing files from " + out);
    if (!Tav_RemoveDir(out))
        return fail("Unable to cleanup " + out);

    const std::string style = Tav_DirSlash(S.StyleDir);
    std::string styleScript, clash;
    if (Tav_FindFile(style, "process.bat", styleScript, clash))
        SetStatus("User Controlled Process.bat");

    BatchScript bat;
    if (!bat.Create(out + "process.bat"))
        return fail("Unable to create - PROCESS.BAT");
    bat.WriteCd(out);

    const std::string slides = Tav_DirSlash(S.LecDir);
    const std::pair<std::string, const char*> copies[] = {
        {style, "*.gif"}, {style, "*.jpg"}, {style + "copy", "*.*"}, {slides, "*.gif"}, {slides, "*.jpg"}};
    for (const auto& [from, pattern] : copies)
        if (std::string why; !Tav_CopyFiles(from, out, pattern, why))
            return fail(why);

    SetStatus("Preparing Media Files");
    const bool prepared = PrepareMedia(bat, ToDisk);
    encoder_.reset();
    const bool closed = bat.Close();
    if (!prepared)
        return false;
    if (!closed)
        return fail("Unable to create - PROCESS.BAT");

    SetStatus("Converting the slides");
    if (!ProcessStyleDirectory(ToDisk))
        return fail(StyleError);
    return true;
}

}  // namespace pellucor
