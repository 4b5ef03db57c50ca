// How the server edition publishes one lecture: for the web, through a
// publish session, the lecture's paths filled from the preferences as the
// windows would fill them, the output and URLs from the server's settings.
#pragma once

#include <string>

#include "core/PreferenceStore.h"

namespace pellucor {

struct PublishRequest;

struct WebPublishRequest {
    std::string lectureDir;  // in the repository, ending in "/"
    std::string pubDir;      // web output directory
    std::string webURL;
    std::string streamURL;  // empty: no streaming server
    std::string courseRoot {};  // the publish root, where the course page is
};

// Fills a publish session's request for the web publish of one lecture.
void FillWebRequest(PublishRequest& r, const PreferenceSnapshot& prefs, const WebPublishRequest& request);

}  // namespace pellucor
