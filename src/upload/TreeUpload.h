// The multi-connection uploader: sends an UploadPlan over several
// connections at once, each driven by a thread of its own (libcurl finishes
// an FTP or SFTP transfer, its "226" and the rename after it, blocking on
// its connection, so connections sharing one multi handle would wait for
// each other). Folders are created first, level by level; each file goes up
// under a temporary name and is renamed once it is complete, so nothing is
// ever under its final name half-written. The first failure stops the
// upload and is its result; the temporary files left by it are then
// removed where the server still answers (logged, never shown instead of
// the cause). On S3 a file goes up under its own name at once (an upload
// there goes into a folder no one reads yet, see S3Publication).
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "upload/CurlTransfer.h"
#include "upload/RemoteAddress.h"
#include "upload/UploadPlan.h"

namespace pellucor {

// S3: objects larger than this go up in parts of this size.
constexpr int64_t kS3PartSize = int64_t(64) << 20;

class TreeUpload {
public:
    // A connection already logged in (its loop and the handle that made it).
    struct Connection {
        CurlLoop& loop;
        CurlTransfer& transfer;
    };
    // login may be changed by the upload (FTPS falls back to TLS 1.2 when
    // the server requires a session reuse TLS 1.3 cannot give here).
    // loggedIn, when given, is used as the first connection while Run runs.
    TreeUpload(RemoteLogin& login, int connections, Connection* loggedIn = nullptr);
    ~TreeUpload();

    // Runs the whole upload; returns when every connection has ended.
    // plan.remoteDir is absolute and exists. True when every file is on the
    // server under its own name; otherwise failure holds the first failing
    // operation's result (its Message names the cause).
    bool Run(const UploadPlan& plan, const std::atomic<bool>& cancel, RemoteResult& failure, std::string& what);

    // Runs independent operations over the connections; true when all
    // succeeded, else failure and what name the first that did not.
    bool RunAll(const std::vector<RemoteOp>& ops, const std::atomic<bool>& cancel, RemoteResult& failure,
                std::string& what);
    // Runs one operation on the first connection.
    RemoteResult RunOne(const RemoteOp& op, const std::atomic<bool>& cancel);

    // From any thread while Run runs.
    UploadProgress Progress() const;

private:
    struct Slot;
    // Runs job on every connection's thread, each taking the next of items
    // until none is left or the upload stops (a failure, or cancel). A job
    // that returns false is given its item back for another try.
    // After a parallel run: true when nothing stopped it, else false with
    // the failure that did (a cancel when none failed).
    bool succeeded(RemoteResult& failure, std::string& what);
    void inParallel(std::deque<size_t> items, const std::function<bool(Slot&, size_t)>& job,
                    const std::atomic<bool>& cancel);
    RemoteResult run(Slot& s, const RemoteOp& op);
    bool makeDir(Slot& s, const std::string& dir);
    bool sendFile(Slot& s, const UploadPlan& plan, size_t index);
    bool sendObject(Slot& s, const UploadPlan& plan, size_t index);
    bool sendParts(Slot& s, const UploadPlan::File& file, const std::string& final);
    void explainSftpWrite(Slot& s, const std::string& temp, int64_t size, RemoteResult& r);
    // Records the upload's first failure and stops it; temp may be on the server.
    void fail(const RemoteResult& r, const std::string& what, const std::string& temp);
    void removeTemporaries();
    bool tlsFallback(const RemoteResult& r);

    RemoteLogin& login_;
    std::vector<std::unique_ptr<Slot>> slots_;
    mutable std::mutex mutex_;  // the login, the failure and the slots' handles
    std::atomic<bool> stop_ {false};
    bool failed_ = false;
    RemoteResult failure_;
    std::string what_;
    std::vector<std::string> leftovers_;  // temporary files that may be on the server
    std::atomic<size_t> filesDone_ {0};
    std::atomic<int64_t> bytesDone_ {0};
};

}  // namespace pellucor
