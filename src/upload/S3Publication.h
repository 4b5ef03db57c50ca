// A lecture published to S3 so that students never see half of it: a store
// has no rename, so each publication goes up under a folder of its own
// beside the earlier ones (PREFIX/v-DATE-TIME/...), files whose content the
// current version already holds copied there by the server. Once every file
// is there, the entry page at PREFIX/ (index.htm; for a lecture without
// one, each page at its top) is replaced by a small page that leads into
// the new version, and only then are the other versions' objects
// deleted. An upload that fails or is killed leaves the entry pages leading
// into the version before, which is whole; the next upload removes what it
// left.
#pragma once

#include <atomic>
#include <string>

#include "upload/CurlTransfer.h"
#include "upload/RemoteAddress.h"
#include "upload/TreeUpload.h"
#include "upload/UploadPlan.h"

namespace pellucor {

// The folder a publication made now goes into ("v-20261209-204512-123").
std::string S3VersionName();
// The entry page at the top that leads to page in version.
std::string S3EntryPage(const std::string& version, const std::string& page);
// The version an entry page leads to ("" when text is none).
std::string S3VersionOfEntry(const std::string& text);

// Publishes plan (plan.remoteDir the prefix, as an absolute path) over
// tree's connections; false with the first failure.
bool PublishToS3(TreeUpload& tree, const RemoteLogin& login, const UploadPlan& plan, const std::atomic<bool>& cancel,
                 RemoteResult& failure, std::string& what);

}  // namespace pellucor
