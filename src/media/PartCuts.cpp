#include "media/PartCuts.h"

#include <filesystem>

#include "core/PartRecordings.h"
#include "media/FfmpegMediaFile.h"

namespace pellucor {

bool FindCutParts(const std::string& mediaDir, const std::string& lecName, std::vector<PartCuts>& parts,
                  std::string& err)
{
    parts.clear();
    std::vector<PartRecording> found;
    if (!FindPartRecordings(mediaDir, lecName, found, err))
        return false;
    for (const PartRecording& p : found)
        parts.push_back({p.part, p.recording, 0, {}});
    return true;
}

bool FindCutPart(const std::string& mediaDir, const std::string& lecName, int part, PartCuts& found,
                 std::string& err)
{
    std::vector<PartCuts> parts;
    if (!FindCutParts(mediaDir, lecName, parts, err))
        return false;
    if (part < 1 || part > static_cast<int>(parts.size())) {
        err = "The lecture has no part " + std::to_string(part);
        return false;
    }
    found = parts[static_cast<size_t>(part - 1)];
    return MeasurePart(found, err);
}

bool MeasurePart(PartCuts& part, std::string& err)
{
    if (part.length > 0)
        return true;
    std::string why;
    const auto media = FfmpegMediaFile::Open(part.recording, why);
    part.length = media ? media->DurationSeconds() : 0;
    if (part.length > 0)
        return true;
    err = "The length of the recording " + part.recording + " cannot be told" + (why.empty() ? "" : ": " + why);
    return false;
}

bool ReadPartCuts(PartCuts& part, std::string& err)
{
    return MeasurePart(part, err) && ReadCutList(part.recording, part.length, part.cuts, err);
}

bool CheckLectureCuts(const std::string& mediaDir, const std::string& lecName, std::string& err)
{
    std::vector<PartCuts> parts;
    if (std::string none; !FindCutParts(mediaDir, lecName, parts, none))
        return true;  // no recording: the publish says so
    for (PartCuts& p : parts) {
        std::error_code ec;
        if (std::filesystem::exists(CutListPath(p.recording), ec) && !ReadPartCuts(p, err))
            return false;
    }
    return true;
}

}  // namespace pellucor
