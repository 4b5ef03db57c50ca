#include "upload/TreeUpload.h"

#include <curl/curl.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <thread>

#include "core/TavUtils.h"
#include "upload/FtpText.h"
#include "upload/RemoteOps.h"
#include "upload/S3Text.h"

namespace pellucor {

// One connection: its own copy of the login, its handle (with connections
// of its own: its TLS sessions belong to its one control connection, as an
// FTPS server that requires their reuse expects) and the loop driving it.
struct TreeUpload::Slot {
    RemoteLogin login;
    CurlTransfer* transfer = nullptr;
    CurlLoop* loop = nullptr;
    std::unique_ptr<CurlTransfer> ownTransfer;
    CurlLoop ownLoop;
    std::atomic<bool> sending {false};  // a file's bytes are under way (read by Progress)

    // A fresh handle for login; after a change to TLS 1.2 the old
    // connections go with the old handle (libcurl would reuse them for
    // ftpes:// regardless). Called under the upload's lock.
    void renew(const RemoteLogin& shared)
    {
        transfer = nullptr;
        ownTransfer.reset();
        login = shared;
        ownTransfer = std::make_unique<CurlTransfer>(login, true);
        transfer = ownTransfer.get();
        loop = &ownLoop;
    }
};

namespace {
std::string join(const std::string& dir, const std::string& rel) { return FtpResolvePath(dir, rel); }

size_t depthOf(const std::string& rel) { return static_cast<size_t>(std::count(rel.begin(), rel.end(), '/')); }

// The result of an upload the user stopped between two operations.
RemoteResult cancelled()
{
    RemoteResult r;
    r.curlCode = CURLE_ABORTED_BY_CALLBACK;
    r.failure = RemoteFailure::Cancelled;
    r.cause = "Cancelled";
    return r;
}
}  // namespace

TreeUpload::TreeUpload(RemoteLogin& login, int connections, Connection* loggedIn) : login_(login)
{
    for (int i = 0; i < std::max(1, connections); ++i) {
        slots_.push_back(std::make_unique<Slot>());
        Slot& s = *slots_.back();
        if (i == 0 && loggedIn) {
            // The connection that logged in goes on as the first one:
            // one handshake (and SSH key exchange) less per upload.
            s.login = login_;
            s.loop = &loggedIn->loop;
            s.transfer = &loggedIn->transfer;
        } else {
            s.renew(login_);
        }
    }
}

TreeUpload::~TreeUpload() = default;

UploadProgress TreeUpload::Progress() const
{
    std::lock_guard lock(mutex_);
    UploadProgress p;
    p.files = filesDone_;
    p.bytes = bytesDone_;
    for (const auto& s : slots_)
        if (s->sending)
            p.bytes += s->transfer->BytesSent();
    return p;
}

bool TreeUpload::tlsFallback(const RemoteResult& r)
{
    // proftpd (and others) require the TLS session of the control
    // connection to be reused on each data connection; libcurl cannot reuse
    // a TLS 1.3 session there, so the server refuses the data connection.
    if (!login_.IsFtp() || !login_.UsesTls() || !(r.code == 425 || r.code == 426 || r.code == 522))
        return false;
    std::lock_guard lock(mutex_);
    if (!login_.tls12Only) {
        login_.tls12Only = true;
        Tav_DebugLog("FTPS: " + login_.HostText() + " refused a TLS data connection (" + r.reply
                     + "): its TLS 1.3 session could not be reused, so TLS 1.2 is used with this server from now on");
    }
    return true;
}

void TreeUpload::fail(const RemoteResult& r, const std::string& what, const std::string& temp)
{
    std::lock_guard lock(mutex_);
    if (!failed_) {
        failed_ = true;
        failure_ = r;
        what_ = what;
    }
    if (!temp.empty())
        leftovers_.push_back(temp);
    stop_ = true;
}

RemoteResult TreeUpload::run(Slot& s, const RemoteOp& op)
{
    {
        std::lock_guard lock(mutex_);
        if (s.login.tls12Only != login_.tls12Only)
            s.renew(login_);
    }
    return RunRemoteOp(*s.loop, *s.transfer, op, stop_);
}

void TreeUpload::inParallel(std::deque<size_t> items, const std::function<bool(Slot&, size_t)>& job,
                            const std::atomic<bool>& cancel)
{
    std::condition_variable ended;
    // The count of threads to start is fixed before the first starts: a
    // thread that ends at once (after another connection's failure) lowers
    // running while the loop still starts the others.
    const size_t count = std::min(slots_.size(), items.size());
    size_t running = count;
    auto next = [&](size_t& item) {
        std::lock_guard lock(mutex_);
        if (stop_ || items.empty())
            return false;
        item = items.front();
        items.pop_front();
        return true;
    };
    std::vector<std::thread> threads;
    for (size_t i = 0; i < count; ++i)
        threads.emplace_back([&, slot = slots_[i].get()] {
            size_t item = 0;
            while (next(item))
                if (!job(*slot, item)) {
                    std::lock_guard lock(mutex_);
                    items.push_front(item);
                }
            std::lock_guard lock(mutex_);
            --running;
            ended.notify_all();
        });
    // The user's cancel reaches the connections through stop_.
    {
        std::unique_lock lock(mutex_);
        while (running > 0) {
            if (cancel)
                stop_ = true;
            ended.wait_for(lock, std::chrono::milliseconds(20));
        }
    }
    for (auto& t : threads)
        t.join();
}

bool TreeUpload::Run(const UploadPlan& plan, const std::atomic<bool>& cancel, RemoteResult& failure, std::string& what)
{
    filesDone_ = 0;
    bytesDone_ = 0;
    stop_ = false;
    failed_ = false;
    leftovers_.clear();
    // Folders level by level: every folder of a level at once, each after its parent.
    std::map<size_t, std::deque<size_t>> levels;
    for (size_t i = 0; i < plan.dirs.size(); ++i)
        levels[depthOf(plan.dirs[i])].push_back(i);
    for (auto& [depth, items] : levels) {
        inParallel(
            items, [&](Slot& s, size_t i) { return makeDir(s, join(plan.remoteDir, plan.dirs[i])); }, cancel);
        if (stop_) {
            if (!failed_)
                fail(cancelled(), "", "");
            failure = failure_;
            what = what_;
            return false;
        }
    }
    std::deque<size_t> files;
    for (size_t i = 0; i < plan.files.size(); ++i)
        files.push_back(i);
    inParallel(
        files, [&](Slot& s, size_t i) { return sendFile(s, plan, i); }, cancel);
    if (succeeded(failure, what))
        return true;
    Tav_DebugLog(failure.Message(what));
    if (failure.failure != RemoteFailure::Connection && failure.failure != RemoteFailure::HostKey)
        removeTemporaries();
    else
        Tav_DebugLog("Temporary files not removed, the server does not answer: " + std::to_string(leftovers_.size()));
    return false;
}

bool TreeUpload::RunAll(const std::vector<RemoteOp>& ops, const std::atomic<bool>& cancel, RemoteResult& failure,
                        std::string& what)
{
    stop_ = false;
    failed_ = false;
    std::deque<size_t> items;
    for (size_t i = 0; i < ops.size(); ++i)
        items.push_back(i);
    inParallel(
        items,
        [&](Slot& s, size_t i) {
            const RemoteResult r = run(s, ops[i]);
            if (!r.ok)
                fail(r, ops[i].what, "");
            return true;
        },
        cancel);
    return succeeded(failure, what);
}

bool TreeUpload::succeeded(RemoteResult& failure, std::string& what)
{
    if (!stop_)
        return true;
    if (!failed_)
        fail(cancelled(), "", "");
    failure = failure_;
    what = what_;
    return false;
}

RemoteResult TreeUpload::RunOne(const RemoteOp& op, const std::atomic<bool>& cancel)
{
    if (cancel)
        return cancelled();
    stop_ = false;
    return run(*slots_.front(), op);
}

bool TreeUpload::makeDir(Slot& s, const std::string& dir)
{
    const RemoteOps ops(s.login);
    const RemoteResult made = run(s, ops.MakeDir(dir));
    if (made.ok)
        return true;
    if (!ops.MayAlreadyExist(made)) {
        fail(made, "Creating folder " + dir, "");
        return true;
    }
    // Already there (a re-upload), or refused: look.
    const RemoteResult there = run(s, ops.ChangeDir(dir));
    if (there.ok && ops.IsDirectory(there))
        return true;
    fail(there.failure != RemoteFailure::Connection ? made : there, "Creating folder " + dir, "");
    return true;
}

bool TreeUpload::sendFile(Slot& s, const UploadPlan& plan, size_t index)
{
    const RemoteOps ops(s.login);
    const UploadPlan::File& file = plan.files[index];
    const std::string final = join(plan.remoteDir, file.remote);
    if (s.login.protocol == RemoteProtocol::S3)
        return sendObject(s, plan, index);
    const std::string temp = join(plan.remoteDir, TemporaryPathOf(file.remote));
    s.sending = true;
    RemoteResult r = run(s, ops.Put(file.local, temp, final));
    s.sending = false;
    std::string what = s.transfer->Op().what;
    if (r.ok || (r.curlCode == CURLE_QUOTE_ERROR && s.login.protocol == RemoteProtocol::Sftp))
        bytesDone_ += file.size;
    if (r.ok && !ops.RenameRidesWithPut()) {
        r = run(s, ops.Rename(temp, final));
        what = s.transfer->Op().what;
    } else if (!r.ok && r.curlCode == CURLE_QUOTE_ERROR && s.login.protocol == RemoteProtocol::Sftp) {
        // The file is complete; the rename could not replace the one there.
        r = run(s, ops.ReplaceByRename(temp, final));
        what = s.transfer->Op().what;
    } else if (!r.ok && !s.login.tls12Only && tlsFallback(r)) {
        return false;  // again, over TLS 1.2
    } else if (!r.ok && r.curlCode == CURLE_SSH && s.login.protocol == RemoteProtocol::Sftp) {
        explainSftpWrite(s, temp, file.size, r);
    }
    if (r.ok)
        ++filesDone_;
    else
        fail(r, what, temp);
    return true;
}

bool TreeUpload::sendObject(Slot& s, const UploadPlan& plan, size_t index)
{
    const RemoteOps ops(s.login);
    const UploadPlan::File& file = plan.files[index];
    const std::string final = join(plan.remoteDir, file.remote);
    if (file.copyFrom.empty() && file.size > kS3PartSize)
        return sendParts(s, file, final);
    s.sending = file.copyFrom.empty();
    const RemoteResult r
        = run(s, file.copyFrom.empty() ? ops.Put(file.local, final) : ops.S3Copy(file.copyFrom, final));
    s.sending = false;
    if (!r.ok) {
        fail(r, s.transfer->Op().what, "");
        return true;
    }
    bytesDone_ += file.size;
    ++filesDone_;
    return true;
}

// A large object in parts of kS3PartSize, one after the other on this
// connection; given up on the server when one fails.
bool TreeUpload::sendParts(Slot& s, const UploadPlan::File& file, const std::string& final)
{
    const RemoteOps ops(s.login);
    RemoteResult r = run(s, ops.S3StartParts(final));
    const std::string id = r.ok ? S3UploadId(r.body) : "";
    std::vector<std::string> etags;
    for (int64_t at = 0; r.ok && !id.empty() && at < file.size; at += kS3PartSize) {
        s.sending = true;
        r = run(s, ops.S3PutPart(file.local, final, id, static_cast<int>(etags.size() + 1), at, kS3PartSize));
        s.sending = false;
        if (r.ok)
            bytesDone_ += std::min(kS3PartSize, file.size - at);
        etags.push_back(r.etag);
    }
    if (r.ok && !id.empty())
        r = run(s, ops.S3CompleteParts(final, id, etags));
    // A completion can fail after its "200 OK" has been sent.
    if (r.ok && (id.empty() || !S3ErrorText(r.body).empty())) {
        r.ok = false;
        r.failure = RemoteFailure::Refused;
        r.cause = id.empty() ? "The server gave no id for an upload in parts" : S3ErrorText(r.body);
    }
    if (r.ok) {
        ++filesDone_;
        return true;
    }
    const std::string what = "Uploading " + final;
    if (!id.empty() && r.failure != RemoteFailure::Connection) {
        const std::atomic<bool> never {false};
        RunRemoteOp(*s.loop, *s.transfer, ops.S3AbortParts(final, id), never);
    }
    fail(r, what, "");
    return true;
}

// libcurl tells an SFTP server's refusal of a write (its status) no better
// than a broken connection. A server that still answers refused it: most
// often for want of space, which the file system's statistics show.
void TreeUpload::explainSftpWrite(Slot& s, const std::string& temp, int64_t size, RemoteResult& r)
{
    const RemoteOps ops(s.login);
    const std::string dir = temp.substr(0, temp.find_last_of('/') + 1);
    const RemoteResult fs = run(s, ops.FileSystem(dir.empty() ? "/" : dir));
    if (!fs.ok)
        return;  // gone indeed
    r.failure = RemoteFailure::Refused;
    const int64_t free = FreeBytes(fs.body);
    if (free >= 0 && free < size)
        r.cause = "No space on the server (" + Tav_SizeText(free) + " free, " + Tav_SizeText(size) + " needed)";
    else
        r.cause = "The server refused to write the file (an SFTP failure status)";
}

void TreeUpload::removeTemporaries()
{
    // Clean-up after a failure: logged only, the failure stays the message.
    Slot& s = *slots_.front();
    const RemoteOps ops(s.login);
    const std::atomic<bool> never {false};
    for (const auto& path : leftovers_) {
        const RemoteResult r = RunRemoteOp(*s.loop, *s.transfer, ops.Delete(path), never);
        Tav_DebugLog("Clean-up: delete " + path + (r.ok ? " done" : ": " + r.cause));
        if (r.failure == RemoteFailure::Connection)
            break;
    }
}

}  // namespace pellucor
