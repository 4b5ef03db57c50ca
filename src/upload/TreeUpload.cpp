#include "upload/TreeUpload.h"

#include <curl/curl.h>

#include <algorithm>
#include <deque>
#include <map>

#include "core/TavUtils.h"
#include "upload/FtpText.h"
#include "upload/RemoteOps.h"

namespace pellucor {

struct TreeUpload::Slot {
    explicit Slot(const RemoteLogin& login) : login(login) { renew(); }
    enum class Step { Idle, MakeDir, CheckDir, Put, Rename, Replace, Cleanup };
    // A fresh handle with connections of its own. Its TLS sessions belong
    // to its one control connection, as an FTPS server that requires their
    // reuse expects; after a change to TLS 1.2 the old connections go with
    // the old handle (libcurl would reuse them for ftpes:// regardless).
    void renew()
    {
        transfer = std::make_unique<CurlTransfer>(login, true);
        tls12 = login.tls12Only;
    }
    const RemoteLogin& login;
    std::unique_ptr<CurlTransfer> transfer;
    bool tls12 = false;
    Step step = Step::Idle;
    std::atomic<bool> sending {false};  // a file's bytes are under way (read by Progress)
    size_t index = 0;                   // the folder or file of the plan
    RemoteResult first;                 // MakeDir's result while its folder is looked at
};

namespace {
std::string join(const std::string& dir, const std::string& rel) { return FtpResolvePath(dir, rel); }

size_t depthOf(const std::string& rel) { return static_cast<size_t>(std::count(rel.begin(), rel.end(), '/')); }
}  // namespace

TreeUpload::TreeUpload(RemoteLogin& login, CurlLoop& loop, int connections) : login_(login), loop_(loop)
{
    for (int i = 0; i < std::max(1, connections); ++i)
        slots_.push_back(std::make_unique<Slot>(login_));
    loop_.SetMaxConnections(static_cast<int>(slots_.size()));
}

TreeUpload::~TreeUpload()
{
    for (auto& s : slots_)
        loop_.Remove(s->transfer.get());
}

UploadProgress TreeUpload::Progress() const
{
    UploadProgress p;
    p.files = filesDone_;
    p.bytes = bytesDone_;
    for (const auto& s : slots_)
        if (s->sending)
            p.bytes += s->transfer->BytesSent();
    return p;
}

TreeUpload::Slot& TreeUpload::slotOf(const CurlTransfer* t)
{
    return **std::find_if(slots_.begin(), slots_.end(), [t](auto& s) { return s->transfer.get() == t; });
}

bool TreeUpload::tlsFallback(const RemoteResult& r)
{
    // proftpd (and others) require the TLS session of the control
    // connection to be reused on each data connection; libcurl cannot reuse
    // a TLS 1.3 session there, so the server refuses the data connection.
    if (!login_.IsFtp() || !login_.UsesTls() || !(r.code == 425 || r.code == 426 || r.code == 522))
        return false;
    if (!login_.tls12Only) {
        login_.tls12Only = true;
        Tav_DebugLog("FTPS: " + login_.HostText() + " refused a TLS data connection (" + r.reply
                     + "): its TLS 1.3 session could not be reused, so TLS 1.2 is used with this server from now on");
    }
    return true;
}

bool TreeUpload::Run(const UploadPlan& plan, const std::atomic<bool>& cancel, RemoteResult& failure, std::string& what)
{
    filesDone_ = 0;
    bytesDone_ = 0;
    return makeDirs(plan, cancel, failure, what) && sendFiles(plan, cancel, failure, what);
}

bool TreeUpload::makeDirs(const UploadPlan& plan, const std::atomic<bool>& cancel, RemoteResult& failure,
                          std::string& what)
{
    const RemoteOps ops(login_);
    // Level by level: every folder of a level at once, each after its parent.
    std::map<size_t, std::deque<size_t>> levels;
    for (size_t i = 0; i < plan.dirs.size(); ++i)
        levels[depthOf(plan.dirs[i])].push_back(i);
    for (auto& [depth, queue] : levels) {
        bool failed = false;
        auto start = [&](Slot& s, const RemoteOp& op) {
            RemoteResult r;
            s.transfer->Prepare(op, r);
            loop_.Add(s.transfer.get());
        };
        while (!failed && (!queue.empty() || loop_.Running() > 0)) {
            for (auto& s : slots_) {
                if (s->step != Slot::Step::Idle || queue.empty())
                    continue;
                s->index = queue.front();
                queue.pop_front();
                s->step = Slot::Step::MakeDir;
                start(*s, ops.MakeDir(join(plan.remoteDir, plan.dirs[s->index])));
            }
            for (auto& d : loop_.Wait(login_.stallSeconds, cancel)) {
                Slot& s = slotOf(d.transfer);
                const std::string dir = join(plan.remoteDir, plan.dirs[s.index]);
                if (d.result.ok && (s.step == Slot::Step::MakeDir || ops.IsDirectory(d.result))) {
                    s.step = Slot::Step::Idle;
                    continue;
                }
                if (s.step == Slot::Step::MakeDir && ops.MayAlreadyExist(d.result)) {
                    // Already there (a re-upload), or refused: look.
                    s.first = d.result;
                    s.step = Slot::Step::CheckDir;
                    start(s, ops.ChangeDir(dir));
                    continue;
                }
                s.step = Slot::Step::Idle;
                if (!failed) {
                    failed = true;
                    failure = s.first.failure != RemoteFailure::None && d.result.failure != RemoteFailure::Connection
                        ? s.first
                        : d.result;
                    what = "Creating folder " + dir;
                }
            }
        }
        for (auto& s : slots_) {
            loop_.Remove(s->transfer.get());
            s->step = Slot::Step::Idle;
            s->first = RemoteResult {};
        }
        if (failed)
            return false;
    }
    return true;
}

bool TreeUpload::sendFiles(const UploadPlan& plan, const std::atomic<bool>& cancel, RemoteResult& failure,
                           std::string& what)
{
    const RemoteOps ops(login_);
    std::deque<size_t> queue;
    for (size_t i = 0; i < plan.files.size(); ++i)
        queue.push_back(i);
    std::vector<std::string> leftovers;  // temporary files that may be on the server
    bool failed = false;
    auto paths = [&](size_t i) {
        const std::string final = join(plan.remoteDir, plan.files[i].remote);
        return std::make_pair(join(plan.remoteDir, TemporaryPathOf(plan.files[i].remote)), final);
    };
    auto start = [&](Slot& s, Slot::Step step, const RemoteOp& op) {
        s.step = step;
        if (s.tls12 != login_.tls12Only)
            s.renew();
        RemoteResult r;
        if (!s.transfer->Prepare(op, r)) {
            failed = true;
            failure = r;
            what = op.what;
            s.step = Slot::Step::Idle;
            return;
        }
        s.sending = step == Slot::Step::Put;
        loop_.Add(s.transfer.get());
    };
    while (!failed && (!queue.empty() || loop_.Running() > 0)) {
        for (auto& s : slots_) {
            if (failed || s->step != Slot::Step::Idle || queue.empty())
                continue;
            s->index = queue.front();
            queue.pop_front();
            const auto [temp, final] = paths(s->index);
            start(*s, Slot::Step::Put, ops.Put(plan.files[s->index].local, temp, final));
        }
        if (failed)
            break;
        for (auto& d : loop_.Wait(login_.stallSeconds, cancel)) {
            Slot& s = slotOf(d.transfer);
            s.sending = false;
            const RemoteResult& r = d.result;
            const auto [temp, final] = paths(s.index);
            const UploadPlan::File& file = plan.files[s.index];
            if (failed) {
                s.step = Slot::Step::Idle;
                continue;
            }
            if (r.ok && s.step == Slot::Step::Put && !ops.RenameRidesWithPut()) {
                bytesDone_ += file.size;
                start(s, Slot::Step::Rename, ops.Rename(temp, final));
                continue;
            }
            if (r.ok) {
                if (s.step == Slot::Step::Put)
                    bytesDone_ += file.size;
                ++filesDone_;
                s.step = Slot::Step::Idle;
                continue;
            }
            if (s.step == Slot::Step::Put && login_.protocol == RemoteProtocol::Sftp
                && r.curlCode == CURLE_QUOTE_ERROR) {
                // The file is complete; the rename could not replace the one there.
                bytesDone_ += file.size;
                start(s, Slot::Step::Replace, ops.ReplaceByRename(temp, final));
                continue;
            }
            if (s.step == Slot::Step::Put && !s.tls12 && tlsFallback(r)) {
                queue.push_front(s.index);
                s.step = Slot::Step::Idle;
                continue;
            }
            failed = true;
            failure = r;
            what = s.transfer->Op().what;
            leftovers.push_back(temp);
            s.step = Slot::Step::Idle;
        }
    }
    // What was still under way stops with the failure.
    for (auto& s : slots_) {
        if (s->step != Slot::Step::Idle) {
            loop_.Remove(s->transfer.get());
            leftovers.push_back(paths(s->index).first);
        }
        s->step = Slot::Step::Idle;
        s->sending = false;
    }
    if (!failed)
        return true;
    Tav_DebugLog(failure.Message(what));
    if (failure.failure != RemoteFailure::Connection && failure.failure != RemoteFailure::HostKey)
        removeTemporaries(leftovers);
    else
        Tav_DebugLog("Temporary files not removed, the server does not answer: " + std::to_string(leftovers.size()));
    return false;
}

void TreeUpload::removeTemporaries(const std::vector<std::string>& paths)
{
    // Clean-up after a failure: logged only, the failure stays the message.
    const RemoteOps ops(login_);
    const std::atomic<bool> never {false};
    for (const auto& path : paths) {
        const RemoteResult r = RunRemoteOp(loop_, *slots_.front()->transfer, ops.Delete(path), never);
        Tav_DebugLog("Clean-up: delete " + path + (r.ok ? " done" : ": " + r.cause));
        if (r.failure == RemoteFailure::Connection)
            break;
    }
}

}  // namespace pellucor
