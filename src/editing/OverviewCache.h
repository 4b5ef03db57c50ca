// Recording overviews kept on disk between runs, one file per recording in
// the user's cache directory ($XDG_CACHE_HOME/pellucor/timeline), named by
// the recording's path, size and modification time: a recording that is
// replaced or changed is read again.
#pragma once

#include <string>

#include "media/RecordingOverview.h"

namespace pellucor {

class OverviewCache {
public:
    // dir: where the files go; empty: the user's cache directory.
    explicit OverviewCache(std::string dir = {});

    // The cache file of a recording ("" when the recording cannot be stat'ed).
    std::string FileFor(const std::string& recording) const;
    bool Load(const std::string& recording, RecordingOverview& out) const;
    // Written whole or not at all.
    bool Store(const std::string& recording, const RecordingOverview& overview) const;

private:
    std::string dir_;
};

}  // namespace pellucor
