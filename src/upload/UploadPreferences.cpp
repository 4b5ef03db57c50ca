#include "upload/UploadPreferences.h"

#include <algorithm>
#include <cstdlib>

#include "core/TavUtils.h"

namespace pellucor {

namespace {
// A whole number in [low, high]; fallback when the text is none.
int number(const std::string& text, int fallback, int low, int high)
{
    char* end = nullptr;
    const std::string t = Trim(text);
    const long v = std::strtol(t.c_str(), &end, 10);
    if (t.empty() || *end)
        return fallback;
    return static_cast<int>(std::clamp<long>(v, low, high));
}
}  // namespace

CurlClient::Options UploadOptionsFrom(const PreferenceSnapshot& prefs)
{
    CurlClient::Options o;
    o.connections = number(PreferenceStore::ValueIn(prefs, "prfUploadConnections"), o.connections, 1, 16);
    o.stallSeconds = number(PreferenceStore::ValueIn(prefs, "prfUploadTimeout"), o.stallSeconds, 1, 3600);
    o.s3Endpoint = Trim(PreferenceStore::ValueIn(prefs, "prfS3Endpoint"));
    o.s3Region = Trim(PreferenceStore::ValueIn(prefs, "prfS3Region"));
    o.s3Profile = Trim(PreferenceStore::ValueIn(prefs, "prfS3Profile"));
    return o;
}

}  // namespace pellucor
