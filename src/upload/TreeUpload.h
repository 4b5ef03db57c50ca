// The multi-connection uploader: sends an UploadPlan over several
// connections at once (libcurl's multi interface). Folders are created
// first, level by level; each file goes up under a temporary name and is
// renamed once it is complete, so nothing is ever under its final name
// half-written. The first failure stops the upload and is its result; the
// temporary files left by it are then removed where the server still
// answers (logged, never shown instead of the cause).
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "upload/CurlTransfer.h"
#include "upload/RemoteAddress.h"
#include "upload/UploadPlan.h"

namespace pellucor {

class TreeUpload {
public:
    // login may be changed by the upload (FTPS falls back to TLS 1.2 when
    // the server requires a session reuse TLS 1.3 cannot give here).
    TreeUpload(RemoteLogin& login, CurlLoop& loop, int connections);
    ~TreeUpload();

    // Runs the whole upload on the calling thread. plan.remoteDir is
    // absolute and exists. True when every file is on the server under its
    // own name; otherwise failure holds the first failing operation's
    // result (its Message names the cause).
    bool Run(const UploadPlan& plan, const std::atomic<bool>& cancel, RemoteResult& failure, std::string& what);

    // From any thread while Run runs.
    UploadProgress Progress() const;

private:
    struct Slot;
    bool makeDirs(const UploadPlan& plan, const std::atomic<bool>& cancel, RemoteResult& failure, std::string& what);
    bool sendFiles(const UploadPlan& plan, const std::atomic<bool>& cancel, RemoteResult& failure, std::string& what);
    void removeTemporaries(const std::vector<std::string>& paths);
    bool tlsFallback(const RemoteResult& r);
    Slot& slotOf(const CurlTransfer* t);

    RemoteLogin& login_;
    CurlLoop& loop_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::atomic<size_t> filesDone_ {0};
    std::atomic<int64_t> bytesDone_ {0};
};

}  // namespace pellucor
