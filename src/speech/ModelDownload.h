// Downloads one model file over HTTP(S) into place: the bytes go to
// TARGET.part (resumed with a Range request where an interrupted download
// left it), the whole file's SHA-1 is checked against the one expected,
// and only then is it renamed to TARGET, in one step. A file whose
// checksum differs is deleted, never installed; a download cancelled (or
// cut off by the network) keeps its .part for the next run to resume.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace pellucor {

struct ModelDownloadRequest {
    std::string url;     // the file's address (http:// or https://, redirects followed)
    std::string target;  // the file it becomes; its folder is made
    std::string sha1;    // the checksum it must have (hex)
};

class ModelDownload {
public:
    enum class Result { Installed, Failed, Cancelled };

    // From the downloading thread: bytes of the whole file there so far
    // and its size (-1 until the server has said it).
    std::function<void(int64_t done, int64_t total)> onProgress;

    // Downloads, checks and installs; err says why when it fails,
    // naming the host when it cannot be reached.
    Result Run(const ModelDownloadRequest& request, std::string& err);
    // From any thread or a signal handler: stops the download soon, its
    // .part kept.
    void Cancel() { cancel_ = true; }
    bool Cancelled() const { return cancel_; }
    // Where the last run started in the file (0: from its start).
    int64_t ResumedFrom() const { return resumedFrom_; }

    // The .part file a download of target writes.
    static std::string PartOf(const std::string& target) { return target + ".part"; }

private:
    std::atomic<bool> cancel_ {false};
    int64_t resumedFrom_ = 0;
};

}  // namespace pellucor
