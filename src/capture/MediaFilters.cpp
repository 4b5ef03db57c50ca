#include "capture/MediaFilters.h"

#include "core/RecordingKinds.h"

namespace pellucor {

std::string WithMediaFilter(const std::string& filter)
{
    std::string names = "*.rm *.ra";
    std::string patterns = "*.rm;*.ra";
    for (const std::string& ext : RecordingExtensions()) {
        names += " *" + ext;
        patterns += ";*" + ext;
    }
    return "Media Files (" + names + ")|" + patterns + "|" + filter;
}

}  // namespace pellucor
