// The transfer client on libcurl, for FTP (ftp://), FTP with explicit TLS
// (ftpes://), FTP over implicit TLS (ftps://), SFTP (sftp://) and WebDAV
// (http://, https://), and S3 object storage (s3://BUCKET/PREFIX at an
// endpoint, published in versions: S3Publication). Commands run one at a time on the client's worker
// thread over one kept connection, so the window logs in once; an upload of
// a whole tree runs there too, over several connections at once. State
// changes are handed to the owner's thread by DeliverStateChanges, so a
// window keeps processing its events while it waits and Cancel takes
// effect at once. A TLS server's certificate and an SSH server's host key
// are always verified.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "upload/CurlTransfer.h"
#include "upload/UploadClient.h"
#include "upload/RemoteAddress.h"

namespace pellucor {

class TreeUpload;
struct S3Credentials;

class CurlClient : public UploadClient {
public:
    // Settings of the connections beside the address and the account.
    struct Options {
        int connections = 4;          // at once during an upload
        int stallSeconds = 20;        // a connection without progress this long is given up
        std::string caFile;           // certificates a TLS server must be signed by (else the system's)
        std::string keyFile;          // SSH private key (else the agent and ~/.ssh/id_*)
        std::string knownHosts;       // SSH known hosts (else ~/.ssh/known_hosts)
        std::string acceptedHostKey;  // "SHA256:..." of a host key not yet known that the user accepts
        int64_t maxSendRate = 0;      // bytes a second for each connection; 0: no limit
        // S3: where the bucket is served, http(s)://host[:port] (empty:
        // AWS's for the region), the region (empty: $AWS_REGION, else
        // us-east-1) and the profile of the keys (see FindS3Credentials).
        std::string s3Endpoint, s3Region, s3Profile;
    };

    CurlClient();
    ~CurlClient() override;
    CurlClient(const CurlClient&) = delete;
    CurlClient& operator=(const CurlClient&) = delete;

    void SetOptions(const Options& options);
    // Kept for the callers that only give certificates.
    void SetCaFile(const std::string& path);

    void SetURL(const std::string& url) override;
    std::string URL() const override { return url_; }
    void SetUserName(const std::string& user) override { user_ = user; }
    void SetPassword(const std::string& password) override { password_ = password; }
    void SetRequestTimeout(int seconds) override { timeout_ = seconds; }
    void SetS3Endpoint(const std::string& url) override { endpoint_ = url; }
    bool Execute(const std::string& command, std::string& error) override;
    bool ExecuteUpload(const UploadPlan& plan, std::string& error) override;
    bool StillExecuting() const override { return executing_; }
    int ResponseCode() const override;
    std::string ResponseInfo() const override;
    std::string GetChunk(size_t size) override;
    void Cancel() override;
    void DeliverStateChanges(int waitMs) override;
    UploadProgress Progress() const override;
    RemoteFailure LastFailure() const override;
    std::string LastCause() const override;
    std::string HostKeyFingerprint() const override;
    void AcceptHostKey(const std::string& fingerprint) override;

    // Control connections opened so far (FTP; data connections do not count).
    long ConnectionsOpened() const { return connections_; }
    // Whether FTPS was held to TLS 1.2 for this server.
    bool UsesTls12Only() const { return login_.tls12Only; }

private:
    struct Outcome {
        bool ok = false;
        long code = 0;
        std::string info;   // the reply line, or the cause of a failure
        std::string reply;  // what GetChunk reads
        RemoteFailure failure = RemoteFailure::None;
        std::string fingerprint;
    };
    struct Job {
        std::vector<std::string> words;
        std::string command;
        std::unique_ptr<UploadPlan> plan;
    };

    bool startJob(Job job, std::string& error);
    // S3: the endpoint and region into the login, and the keys.
    bool s3Settings(S3Credentials& keys, std::string& error);
    void workerLoop();
    Outcome dispatch(const std::vector<std::string>& words, const std::string& command);
    Outcome upload(const UploadPlan& plan);
    Outcome run(const RemoteOp& op, RemoteResult* raw = nullptr);
    bool ensureLoggedIn(Outcome& out);
    void dropConnection();
    // New connections and a new handle (keeps the login and the directory).
    void renewConnections();
    void finish(Outcome out);
    static Outcome outcomeOf(const RemoteResult& r, const std::string& what);

    std::unique_ptr<CurlLoop> loop_;          // holds the connections between commands
    std::unique_ptr<CurlTransfer> transfer_;  // and the handle that made them (its TLS sessions)
    bool transferTls12_ = false;              // made while FTPS was held to TLS 1.2
    std::string url_, user_, password_;
    Options options_;
    std::string endpoint_;  // S3: the window's, over the options'
    int timeout_ = 120;

    // Owned by the worker while a command runs.
    RemoteLogin login_;
    bool loggedIn_ = false;
    std::string cwd_;
    std::string loginKey_;
    std::string urlError_;  // why url_ cannot be used, if it cannot
    std::atomic<long> connections_ {0};

    std::thread worker_;  // runs the commands, one at a time
    std::atomic<bool> executing_ {false};
    std::atomic<bool> cancel_ {false};
    mutable std::mutex mutex_;
    std::condition_variable wake_;      // a state change is waiting
    std::condition_variable jobReady_;  // a command is waiting
    Job job_;
    bool hasJob_ = false;
    bool stopping_ = false;
    std::deque<int> states_;
    bool finished_ = false;
    Outcome result_;
    size_t replyPos_ = 0;
    TreeUpload* upload_ = nullptr;  // the running upload, for Progress
    UploadProgress lastProgress_;
};

}  // namespace pellucor
