// The upload preferences (connections at once, seconds without progress
// before a connection is given up, S3's endpoint, region and profile) as
// the transfer client's options.
#pragma once

#include "core/PreferenceStore.h"
#include "upload/CurlClient.h"

namespace pellucor {

CurlClient::Options UploadOptionsFrom(const PreferenceSnapshot& prefs);

}  // namespace pellucor
