#include "upload/CurlClient.h"

#include <curl/curl.h>

#include <QDir>
#include <QFileInfo>

#include <chrono>
#include <cstdlib>
#include <map>

#include "core/TavString.h"
#include "core/TavUtils.h"
#include "upload/FtpText.h"
#include "upload/RemoteOps.h"
#include "upload/S3Credentials.h"
#include "upload/S3Publication.h"
#include "upload/TreeUpload.h"

namespace pellucor {

namespace {
std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Least and most words of each verb (the verb included).
const std::map<std::string, std::pair<size_t, size_t>>& verbWords()
{
    static const std::map<std::string, std::pair<size_t, size_t>> table = {
        {"PWD", {1, 1}},    {"CD", {2, 2}},    {"CWD", {2, 2}},    {"CDUP", {1, 1}},  {"DIR", {1, 2}},
        {"LS", {1, 2}},     {"MKDIR", {2, 2}}, {"MKD", {2, 2}},    {"RMDIR", {2, 2}}, {"RMD", {2, 2}},
        {"DELETE", {2, 2}}, {"DELE", {2, 2}},  {"RENAME", {3, 3}}, {"SIZE", {2, 2}},  {"PUT", {2, 3}},
        {"SEND", {2, 3}},   {"GET", {2, 3}},   {"RECV", {2, 3}},   {"QUIT", {1, 1}},  {"CLOSE", {1, 1}},
    };
    return table;
}

// The usual private keys that exist, in the order they are tried.
std::vector<std::string> defaultKeys()
{
    std::vector<std::string> keys;
    const QString ssh = QDir::homePath() + "/.ssh/";
    for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"})
        if (QFileInfo::exists(ssh + name))
            keys.push_back((ssh + name).toStdString());
    return keys;
}
}  // namespace

CurlClient::CurlClient() : loop_(std::make_unique<CurlLoop>()), transfer_(std::make_unique<CurlTransfer>(login_)) { }

CurlClient::~CurlClient()
{
    cancel_ = true;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    jobReady_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

void CurlClient::SetOptions(const Options& options) { options_ = options; }

void CurlClient::SetCaFile(const std::string& path) { options_.caFile = path; }

void CurlClient::SetURL(const std::string& url)
{
    url_ = Trim(url);
    urlError_.clear();
    RemoteLogin parsed;
    if (!parsed.Parse(url_, urlError_))
        return;
    // A login already made for this server keeps what it learnt.
    parsed.tls12Only = parsed.authority == login_.authority && login_.tls12Only;
    login_ = parsed;
}

bool CurlClient::Execute(const std::string& command, std::string& error)
{
    std::vector<std::string> words;
    if (!FtpSplitCommand(command, words, error))
        return false;
    if (words.empty()) {
        error = "No command";
        return false;
    }
    const auto found = verbWords().find(Upper(words[0]));
    if (found != verbWords().end() && (words.size() < found->second.first || words.size() > found->second.second)) {
        error = "Wrong number of arguments for " + words[0];
        return false;
    }
    return startJob(Job {std::move(words), command, nullptr}, error);
}

bool CurlClient::ExecuteUpload(const UploadPlan& plan, std::string& error)
{
    return startJob(Job {{"UPLOAD"}, "UPLOAD", std::make_unique<UploadPlan>(plan)}, error);
}

bool CurlClient::startJob(Job job, std::string& error)
{
    if (executing_) {
        error = "Still executing last request";
        return false;
    }
    if (!urlError_.empty() || url_.empty()) {
        error = url_.empty() ? "No server address" : urlError_;
        return false;
    }
    S3Credentials keys;
    if (login_.protocol == RemoteProtocol::S3 && !s3Settings(keys, error))
        return false;
    const std::string key = url_ + '\n' + user_ + '\n' + password_ + '\n' + options_.keyFile + '\n' + options_.caFile
        + '\n' + login_.authority + '\n' + login_.region + '\n' + keys.keyId + '\n' + keys.secret;
    if (key != loginKey_) {
        dropConnection();
        loginKey_ = key;
    }
    login_.user = login_.protocol == RemoteProtocol::S3 ? keys.keyId : user_;
    login_.password = login_.protocol == RemoteProtocol::S3 ? keys.secret : password_;
    login_.sessionToken = keys.sessionToken;
    login_.caFile = options_.caFile;
    if (!options_.keyFile.empty())
        login_.keyFile = options_.keyFile;
    login_.knownHosts = options_.knownHosts;
    if (!options_.acceptedHostKey.empty())
        login_.acceptedHostKey = options_.acceptedHostKey;
    login_.stallSeconds = options_.stallSeconds;
    login_.maxSendRate = options_.maxSendRate;
    if (!worker_.joinable())
        worker_ = std::thread(&CurlClient::workerLoop, this);
    cancel_ = false;
    executing_ = true;
    {
        std::lock_guard lock(mutex_);
        states_.clear();
        finished_ = false;
        result_ = Outcome {};
        replyPos_ = 0;
        lastProgress_ = UploadProgress {};
        job_ = std::move(job);
        hasJob_ = true;
    }
    jobReady_.notify_one();
    return true;
}

bool CurlClient::s3Settings(S3Credentials& keys, std::string& error)
{
    // The keys never come from the window's or the command line's account
    // and password: the environment's, or a profile's.
    const char* envRegion = std::getenv("AWS_REGION");
    login_.region = !options_.s3Region.empty() ? options_.s3Region
        : envRegion && *envRegion              ? std::string(envRegion)
                                               : std::string("us-east-1");
    const std::string& given = endpoint_.empty() ? options_.s3Endpoint : endpoint_;
    const std::string endpoint = given.empty() ? "https://s3." + login_.region + ".amazonaws.com" : given;
    return login_.SetEndpoint(endpoint, error) && FindS3Credentials(options_.s3Profile, keys, error);
}

void CurlClient::workerLoop()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            jobReady_.wait(lock, [this] { return hasJob_ || stopping_; });
            if (stopping_)
                return;
            job = std::move(job_);
            hasJob_ = false;
        }
        finish(job.plan ? upload(*job.plan) : dispatch(job.words, job.command));
    }
}

void CurlClient::finish(Outcome out)
{
    {
        std::lock_guard lock(mutex_);
        result_ = std::move(out);
        replyPos_ = 0;
        states_.push_back(FtpStateResponseReceived);
        states_.push_back(result_.ok ? FtpStateResponseCompleted : FtpStateError);
        finished_ = true;
    }
    wake_.notify_all();
}

void CurlClient::DeliverStateChanges(int waitMs)
{
    std::deque<int> states;
    bool finished = false;
    {
        std::unique_lock lock(mutex_);
        if (states_.empty() && waitMs > 0)
            wake_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return !states_.empty(); });
        states.swap(states_);
        finished = finished_;
        finished_ = false;
    }
    if (finished)
        executing_ = false;
    for (int s : states)
        NotifyState(s);
}

int CurlClient::ResponseCode() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(result_.code);
}

std::string CurlClient::ResponseInfo() const
{
    std::lock_guard lock(mutex_);
    return result_.info;
}

RemoteFailure CurlClient::LastFailure() const
{
    std::lock_guard lock(mutex_);
    return result_.failure;
}

std::string CurlClient::LastCause() const
{
    std::lock_guard lock(mutex_);
    return result_.ok ? std::string() : result_.info;
}

std::string CurlClient::HostKeyFingerprint() const
{
    std::lock_guard lock(mutex_);
    return result_.fingerprint;
}

void CurlClient::AcceptHostKey(const std::string& fingerprint) { options_.acceptedHostKey = fingerprint; }

UploadProgress CurlClient::Progress() const
{
    std::lock_guard lock(mutex_);
    return upload_ ? upload_->Progress() : lastProgress_;
}

std::string CurlClient::GetChunk(size_t size)
{
    std::lock_guard lock(mutex_);
    if (replyPos_ >= result_.reply.size())
        return "";
    const std::string piece = result_.reply.substr(replyPos_, size);
    replyPos_ += piece.size();
    return piece;
}

void CurlClient::Cancel()
{
    if (executing_) {
        cancel_ = true;
        return;
    }
    dropConnection();
}

void CurlClient::dropConnection()
{
    // Only called while no worker runs.
    renewConnections();
    loggedIn_ = false;
}

void CurlClient::renewConnections()
{
    loop_->DropConnections();
    transfer_ = std::make_unique<CurlTransfer>(login_);  // without the old TLS sessions
    transferTls12_ = login_.tls12Only;
}

CurlClient::Outcome CurlClient::outcomeOf(const RemoteResult& r, const std::string& what)
{
    Outcome out;
    out.ok = r.ok;
    out.code = r.code;
    out.failure = r.failure;
    out.fingerprint = r.fingerprint;
    out.info = r.ok ? r.reply : r.Message(what);
    return out;
}

CurlClient::Outcome CurlClient::run(const RemoteOp& given, RemoteResult* raw)
{
    RemoteOp op = given;
    op.timeoutSeconds = timeout_;
    if (transferTls12_ != login_.tls12Only)
        renewConnections();  // TLS 1.3 connections of before are not reused
    RemoteResult r = RunRemoteOp(*loop_, *transfer_, op, cancel_);
    // A server that requires the control connection's TLS session on each
    // data connection refuses it when that session was TLS 1.3: reconnect
    // with TLS 1.2 and try once more.
    const bool data = op.kind == RemoteOp::Kind::List || op.kind == RemoteOp::Kind::NameList
        || op.kind == RemoteOp::Kind::Put || op.kind == RemoteOp::Kind::Get;
    if (!r.ok && data && login_.IsFtp() && login_.UsesTls() && !login_.tls12Only
        && (r.code == 425 || r.code == 426 || r.code == 522)) {
        login_.tls12Only = true;
        Tav_DebugLog("FTPS: " + login_.HostText() + " refused a TLS data connection (" + r.reply
                     + "): its TLS 1.3 session could not be reused, so TLS 1.2 is used with this server from now on");
        renewConnections();
        r = RunRemoteOp(*loop_, *transfer_, op, cancel_);
    }
    connections_ += r.newConnections;
    if (raw)
        *raw = r;
    return outcomeOf(r, op.what);
}

bool CurlClient::ensureLoggedIn(Outcome& out)
{
    if (loggedIn_)
        return true;
    const RemoteOps ops(login_);
    RemoteResult r;
    login_.accepted = false;
    out = run(ops.Login(), &r);
    // SFTP without a key named: the agent and each usual key in turn.
    if (!out.ok && out.failure == RemoteFailure::LoginDenied && login_.protocol == RemoteProtocol::Sftp
        && options_.keyFile.empty()) {
        const auto keys = defaultKeys();
        for (size_t i = 1; i < keys.size() && !out.ok; ++i) {
            login_.keyFile = keys[i];
            out = run(ops.Login(), &r);
        }
        if (!out.ok)
            login_.keyFile.clear();
    }
    // A WebDAV address whose folder is not there yet still logs in.
    const bool davMissing = !out.ok && out.failure == RemoteFailure::NotFound
        && (login_.protocol == RemoteProtocol::Dav || login_.protocol == RemoteProtocol::Davs);
    if (!out.ok && !davMissing)
        return false;
    cwd_ = ops.HomeOf(r);
    loggedIn_ = true;
    login_.accepted = true;
    return true;
}

CurlClient::Outcome CurlClient::upload(const UploadPlan& plan)
{
    Outcome out;
    if (!ensureLoggedIn(out))
        return out;
    UploadPlan resolved = plan;
    resolved.remoteDir = FtpResolvePath(cwd_, plan.remoteDir);
    // The login's connection goes on as the upload's first, unless it was
    // made with TLS settings the server has since turned down.
    TreeUpload::Connection loggedIn {*loop_, *transfer_};
    TreeUpload tree(login_, options_.connections, transferTls12_ == login_.tls12Only ? &loggedIn : nullptr);
    {
        std::lock_guard lock(mutex_);
        upload_ = &tree;
    }
    RemoteResult failure;
    std::string what;
    const bool ok = login_.protocol == RemoteProtocol::S3 ? PublishToS3(tree, login_, resolved, cancel_, failure, what)
                                                          : tree.Run(resolved, cancel_, failure, what);
    {
        std::lock_guard lock(mutex_);
        lastProgress_ = tree.Progress();
        upload_ = nullptr;
    }
    if (ok) {
        out = Outcome {};
        out.ok = true;
        out.code = 226;
        out.info = "226 Upload complete";
        return out;
    }
    return outcomeOf(failure, what);
}

CurlClient::Outcome CurlClient::dispatch(const std::vector<std::string>& words, const std::string& command)
{
    Outcome out;
    if (!ensureLoggedIn(out))
        return out;
    const RemoteOps ops(login_);
    const std::string verb = Upper(words[0]);
    const std::string arg1 = words.size() > 1 ? words[1] : "";
    const std::string arg2 = words.size() > 2 ? words[2] : "";
    auto abs = [this](const std::string& p) { return FtpResolvePath(cwd_, p); };
    RemoteResult raw;

    if (verb == "PWD") {
        out.ok = true;
        out.code = 257;
        out.info = "257 \"" + cwd_ + "\" is the current directory";
        out.reply = cwd_;
        return out;
    }
    if (verb == "CD" || verb == "CWD" || verb == "CDUP") {
        const std::string target = abs(verb == "CDUP" ? ".." : arg1);
        out = run(ops.ChangeDir(target), &raw);
        if (out.ok && !ops.IsDirectory(raw)) {
            out.ok = false;
            out.failure = RemoteFailure::NotFound;
            out.info = "Opening " + target + ": not a folder";
        }
        // FTP answers 550 both for a folder that is not there and for one
        // that may not be entered; the window offers to create it.
        if (!out.ok && login_.IsFtp() && out.code == 550)
            out.failure = RemoteFailure::NotFound;
        if (out.ok)
            cwd_ = target;
        return out;
    }
    if (verb == "DIR" || verb == "LS") {
        const std::string dir = abs(arg1);
        out = run(ops.List(dir, verb == "LS" && login_.IsFtp()), &raw);
        if (out.ok)
            out.reply = verb == "LS" && login_.IsFtp() ? raw.body : ops.ListingNames(dir, raw.body);
        return out;
    }
    if (verb == "PUT" || verb == "SEND")
        return run(ops.Put(arg1, abs(arg2.empty() ? baseName(arg1) : arg2)));
    if (verb == "GET" || verb == "RECV") {
        const std::string remote = abs(arg1);
        return run(ops.Get(remote, arg2.empty() ? baseName(remote) : arg2));
    }
    if (verb == "SIZE") {
        out = run(ops.Size(abs(arg1)), &raw);
        if (out.ok && raw.contentLength >= 0)
            out.reply = std::to_string(raw.contentLength);
        return out;
    }
    if (verb == "QUIT" || verb == "CLOSE") {
        dropConnection();
        out.ok = true;
        out.code = 221;
        out.info = "221 Goodbye.";
        return out;
    }
    if (verb == "MKDIR" || verb == "MKD")
        out = run(ops.MakeDir(abs(arg1)));
    else if (verb == "RMDIR" || verb == "RMD")
        out = run(ops.RemoveDir(abs(arg1)));
    else if (verb == "DELETE" || verb == "DELE")
        out = run(ops.Delete(abs(arg1)));
    else if (verb == "RENAME" && login_.protocol != RemoteProtocol::S3)
        out = run(ops.Rename(abs(arg1), abs(arg2)));
    else if (login_.IsFtp())
        out = run(ops.Raw(Trim(command)));  // sent to the server as it stands
    else {
        out.failure = RemoteFailure::Refused;
        out.info = "Not a command of this protocol: " + words[0];
        return out;
    }
    if (out.ok)
        out.reply = out.info;
    return out;
}

}  // namespace pellucor
