#include "core/PartRecordings.h"

#include "core/FileLookup.h"
#include "core/LectureLoader.h"
#include "core/RecordingKinds.h"
#include "core/TavUtils.h"

namespace pellucor {

bool FindPartRecordings(const std::string& mediaDir, const std::string& lecName, std::vector<PartRecording>& parts,
                        std::string& err)
{
    parts.clear();
    err.clear();
    const std::string D = Tav_DirSlash(mediaDir);
    const DirListing dir(D);
    Lecture unused;
    const auto quiet = [](const std::string&) {};
    LectureLoader loader(unused, {D, lecName, D, false}, nullptr, quiet, quiet);
    // The part's media beside the events file of that name; false with err
    // empty when there is none.
    const auto add = [&](int part, const std::string& name) {
        std::string events = dir.Path(name);
        if (events.empty())
            events = D + name;
        Part media;
        if (!loader.LookUpPartMedia(events, media, err))
            return false;
        PartRecording p {part, media.Recording(), events, ""};
        if (IsRegularFile(events))
            p.current = events;
        if (Lower(name) == "pellucor.txt" && !dir.Path("images.txt").empty())
            p.current = dir.Path("images.txt");
        parts.push_back(std::move(p));
        return true;
    };
    for (int part = 1; part <= kMaxParts && add(part, lecName + std::to_string(part) + ".txt"); ++part) {
    }
    if (!parts.empty() || !err.empty())
        return err.empty();
    const auto baseTxt = [](const std::string& media) { return media.substr(0, media.rfind('.')) + ".txt"; };
    const auto rm = ListFiles(D, "*.rm");
    if (!dir.Path("rawmedia.rm").empty())
        add(1, "pellucor.txt");
    else if (!rm.empty())
        add(1, baseTxt(rm.front()));
    else if (!add(1, "pellucor.txt") && err.empty())
        if (const std::string first = FirstRecordingIn(D); !first.empty())
            add(1, baseTxt(first));
    if (parts.empty() && err.empty())
        err = "No recording in " + D + " (*.rm *.ra " + RecordingPatterns() + ")";
    return err.empty();
}

}  // namespace pellucor
