// One remote operation on a libcurl easy handle, and the loop that drives
// several of them at once on a multi handle. A transfer is set up from the
// login (credentials, TLS, SSH keys and known hosts, limits) and an
// operation; when it ends, its result names the cause of a failure: the
// server's reply to the failing command, the HTTP status, the system error
// of the connection, the refused certificate or host key, or the time
// without progress after which it was given up.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "upload/RemoteAddress.h"
#include "upload/RemoteFailure.h"

struct curl_slist;

namespace pellucor {

typedef void CURL;
typedef void CURLM;
typedef void CURLSH;

struct RemoteOp {
    enum class Kind {
        Probe,     // connect and reach the address, transfer nothing
        List,      // directory listing into the body
        NameList,  // names only
        Put,       // send local to the address
        Get,       // fetch the address into local
        Http,      // an HTTP request with method, headers and body
    };
    Kind kind = Kind::Probe;
    std::string url;
    std::vector<std::string> quote;      // FTP/SFTP commands before the transfer
    std::vector<std::string> postQuote;  // and after it
    std::string method;                  // HTTP method (MKCOL, MOVE, PROPFIND, DELETE, PUT...)
    std::vector<std::string> headers;
    std::string requestBody;
    std::string local;
    int64_t offset = 0;      // Put: the part of local sent, from offset
    int64_t length = -1;     // for length bytes (-1: to its end)
    bool wantBody = false;   // keep what the server sends (listings, PROPFIND)
    int timeoutSeconds = 0;  // the whole operation at most this long; 0: no limit
    std::string what;        // names the operation in a failure ("Uploading talk/a.htm")
};

struct RemoteResult {
    bool ok = false;
    int curlCode = 0;
    long code = 0;      // FTP reply code or HTTP status
    std::string reply;  // the server's last reply line (FTP) or status line (HTTP)
    std::string body;
    RemoteFailure failure = RemoteFailure::None;
    std::string cause;        // what went wrong, in words
    std::string fingerprint;  // SSH host key that was refused ("SHA256:...")
    std::string hostKeyType;
    int64_t contentLength = -1;
    long newConnections = 0;
    std::string ftpEntryPath;
    std::string etag;  // HTTP: the ETag header of the answer, as sent

    // "what: cause", for a status line.
    std::string Message(const std::string& what) const { return what.empty() ? cause : what + ": " + cause; }
};

class CurlTransfer {
public:
    // login must outlive the transfer. With ownConnections the transfer
    // keeps its connections to itself instead of the loop's common cache:
    // FTPS servers that require each data connection to reuse the TLS
    // session of its control connection need the connection and the
    // session cache to stay together.
    explicit CurlTransfer(const RemoteLogin& login, bool ownConnections = false);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    CURL* Handle() const { return easy_; }
    // Sets the handle up for op; false (with result's cause) when the local
    // file cannot be opened.
    bool Prepare(const RemoteOp& op, RemoteResult& result);
    // The result once the loop reports the transfer done with curlCode.
    RemoteResult Finish(int curlCode);
    const RemoteOp& Op() const { return op_; }
    const RemoteLogin& Login() const { return login_; }

    int64_t BytesSent() const { return sent_.load(); }
    std::chrono::steady_clock::time_point LastActivity() const { return lastActivity_; }
    void Touch() { lastActivity_ = std::chrono::steady_clock::now(); }
    void MarkGivenUp(bool cancelled) { (cancelled ? cancelled_ : stalled_) = true; }

private:
    void resetState(const RemoteOp& op);
    void setCommonOptions(const RemoteOp& op);
    void setSecurityOptions(const RemoteOp& op);
    void setCommandLists(const RemoteOp& op);
    bool setOperation(const RemoteOp& op, RemoteResult& result);
    static size_t onHeader(char* data, size_t size, size_t n, void* self);
    static size_t onWrite(char* data, size_t size, size_t n, void* self);
    static size_t onRead(char* data, size_t size, size_t n, void* self);
    static int onProgress(void* self, int64_t, int64_t dlNow, int64_t, int64_t ulNow);
    friend struct HostKeyCheck;
    std::string causeOf(int curlCode, long osErrno) const;

    const RemoteLogin& login_;
    CURLSH* share_ = nullptr;
    CURL* easy_ = nullptr;
    RemoteOp op_;
    std::FILE* file_ = nullptr;
    std::string partFile_;
    struct curl_slist* quote_ = nullptr;
    struct curl_slist* postQuote_ = nullptr;
    struct curl_slist* headers_ = nullptr;
    char errbuf_[256] = "";
    std::string reply_, body_, etag_;
    int64_t toRead_ = 0;  // bytes of the file still to send
    long greetings_ = 0;  // FTP control connections opened (their "220" greeting)
    bool bodyTooLarge_ = false;
    std::string hostKeyProblem_, fingerprint_, hostKeyType_;
    std::atomic<int64_t> sent_ {0};
    int64_t lastDl_ = 0;
    std::chrono::steady_clock::time_point lastActivity_;
    bool stalled_ = false, cancelled_ = false;
};

// Runs transfers on one multi handle. The handle's connection cache keeps
// the connections between operations (a whole upload logs in once per
// connection).
class CurlLoop {
public:
    CurlLoop();
    ~CurlLoop();
    CurlLoop(const CurlLoop&) = delete;
    CurlLoop& operator=(const CurlLoop&) = delete;

    // Connections to one host at most at once.
    void SetMaxConnections(int n);
    void Add(CurlTransfer* t);
    // Waits until at least one transfer has ended (or was given up after
    // stallSeconds without progress, or cancel was set) and returns those.
    struct Done {
        CurlTransfer* transfer;
        RemoteResult result;
    };
    std::vector<Done> Wait(int stallSeconds, const std::atomic<bool>& cancel);
    // Stops a running transfer (its connection is closed).
    void Remove(CurlTransfer* t);
    size_t Running() const { return running_.size(); }
    // Drops every connection kept for later operations.
    void DropConnections();

private:
    CURLM* multi_ = nullptr;
    std::vector<CurlTransfer*> running_;
    int maxConnections_ = 1;
};

// Runs one operation to its end on loop with transfer (whose handle keeps
// its TLS sessions from one operation to the next).
RemoteResult RunRemoteOp(CurlLoop& loop, CurlTransfer& transfer, const RemoteOp& op, const std::atomic<bool>& cancel);

}  // namespace pellucor
