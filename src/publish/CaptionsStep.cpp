// The publish's captions step: each part whose recording has a captions
// file beside it (NAME1.vtt or NAME1.srt, rawmedia.vtt for a rawmedia
// recording) gets captionsP.vtt, and captionsP.js for pages opened from
// disk, in the output directory. A captions file that cannot be read ends
// the publish with the reason: captions silently missing would only be
// noticed by the students who need them.
#include "publish/Captions.h"
#include "publish/Publisher.h"

#include "core/TavUtils.h"

namespace pellucor {

namespace {

// Machine-made captions beside the recording are known by their mark; a
// published lecture published again has only its captionsP.vtt, which
// kept the NOTE that says a machine made them.
bool IsAutomatic(const std::string& source, int part, const std::string& vtt)
{
    if (IsMachineCaptions(source))
        return true;
    return IEquals(Tav_SplitPath(source).last, "captions" + std::to_string(part) + ".vtt")
        && StartsWith(vtt, std::string("WEBVTT\r\n\r\n") + kMachineCaptionsNote);
}

}  // namespace

bool Publisher::publishCaptions()
{
    for (Part& part : SI.Parts) {
        part.CaptionsFile.clear();
        part.CaptionsAutomatic = false;
    }
    const std::string out = Tav_DirSlash(S.OutDir);
    for (int p = 1; p <= SI.PartCount(); ++p) {
        const Part& recording = SI.PartAt(p);
        const std::string& media = recording.VideoFile.empty() ? recording.AudioFile : recording.VideoFile;
        std::string err;
        const auto sources = FindCaptionsFiles(media, p, err);
        if (!err.empty())
            return fail("The captions of " + media + " cannot be published: " + err);
        const std::string part = std::to_string(p);
        const std::string name = "captions" + part + ".vtt";
        for (const std::string& source : sources) {
            SetStatus("Publishing captions " + source);
            std::string vtt;
            if (!ReadCaptions(source, vtt, err))
                return fail(err);
            if (IsSlideEventsTrack(vtt)) {
                // A directory published before keeps its slide-change track
                // under the recording's name: it is no captions.
                Tav_DebugLog("Not captions but slide changes: " + source);
                continue;
            }
            if (!WriteCaptions(vtt, out + name, out + "captions" + part + ".js", part, err))
                return fail("The captions file " + source + " cannot be published: " + err);
            SI.EditPart(p).CaptionsFile = name;
            SI.EditPart(p).CaptionsAutomatic = IsAutomatic(source, p, vtt);
            Tav_DebugLog("Captions of part " + part + ": " + source + " published as " + name);
            break;
        }
    }
    return true;
}

}  // namespace pellucor
