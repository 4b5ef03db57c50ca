// The upload preferences (connections at once, seconds without progress
// before a connection is given up) as the transfer client's options.
#pragma once

#include "upload/CurlClient.h"

namespace pellucor {

class Preferences;

CurlClient::Options UploadOptionsFrom(const Preferences& prefs);

}  // namespace pellucor
