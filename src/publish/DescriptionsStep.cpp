// The publish's audio descriptions step: each part whose recording has
// descriptions beside it (NAME1.descriptions.vtt) gets descriptionsP.vtt,
// and descriptionsP.js for pages opened from disk (a published lecture
// published again keeps its descriptionsP.vtt). Where the preference
// prfDescribe says so, a part without any gets them made from its slides
// first, beside the recording as "pellucor describe" makes them. A file
// that cannot be read ends the publish with the reason.
#include "core/Captions.h"
#include "publish/AudioDescriptions.h"
#include "publish/Publisher.h"

#include <filesystem>

#include "core/FileLookup.h"
#include "core/TavUtils.h"

namespace pellucor {

bool Publisher::publishDescriptions()
{
    const bool make = IEquals(Trim(Preference("prfDescribe")), "Yes");
    const std::string out = Tav_DirSlash(S.OutDir);
    for (int p = 1; p <= SI.PartCount(); ++p) {
        SI.EditPart(p).Descriptions.clear();
        const Part& recording = SI.PartAt(p);
        const std::string& media = recording.Recording();
        if (media.empty())
            continue;
        std::string source = DescriptionsPath(media);
        std::error_code ec;
        // A published lecture published again has only its published copy.
        std::string published, err;
        if (!std::filesystem::exists(source, ec)
            && FindFile(Tav_SplitPath(media).leading, "descriptions" + std::to_string(p) + ".vtt", published, err))
            source = published;
        if (!std::filesystem::exists(source, ec) && make) {
            SetStatus("Describing the slides of part " + std::to_string(p));
            // Kept beside the recording, so timed as the recording is.
            const PartDescriptions made = DescribePart(uncut_, p, media, false);
            if (made.result == PartDescriptions::Result::Failed)
                return fail("The audio descriptions of part " + std::to_string(p) + " cannot be made: " + made.error);
        }
        if (!std::filesystem::exists(source, ec))
            continue;
        SetStatus("Publishing audio descriptions " + source);
        std::string vtt;
        if (!ReadCaptions(source, vtt, err))
            return fail(err);
        if (!partCuts(p).Empty() && !CutWebVtt(vtt, partCuts(p), vtt, err))
            return fail("The audio descriptions file " + source + " cannot be published: " + err);
        const std::string part = std::to_string(p);
        const std::string file = "descriptions" + part + ".vtt";
        if (!WriteCaptions(vtt, out + file, out + "descriptions" + part + ".js", part + ".descriptions", err))
            return fail("The audio descriptions file " + source + " cannot be published: " + err);
        SI.EditPart(p).Descriptions = file;
        Tav_DebugLog("Audio descriptions of part " + part + ": " + source + " published as " + file);
    }
    return true;
}

}  // namespace pellucor
