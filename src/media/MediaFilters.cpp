#include "media/MediaFilters.h"

#include <algorithm>

#include "core/RecordingKinds.h"

namespace pellucor {

std::string WithMediaFilter(const std::string& filter)
{
    const std::string names = "*.rm *.ra " + RecordingPatterns();
    std::string patterns = names;
    std::replace(patterns.begin(), patterns.end(), ' ', ';');
    return "Media Files (" + names + ")|" + patterns + "|" + filter;
}

}  // namespace pellucor
