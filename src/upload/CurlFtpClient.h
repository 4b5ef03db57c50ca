// FtpClient on libcurl. One easy handle, and so one server connection, is
// kept for every command of the client, so a whole upload logs in once.
// Each command runs on the client's worker thread; its state changes are handed to the
// owner's thread by DeliverStateChanges, so a window keeps processing its
// events while it waits and Cancel takes effect within about a second.
//
// The address may be ftp:// (plain), ftpes:// (FTP with explicit TLS, sent
// as ftp:// with TLS required) or ftps:// (implicit TLS); a TLS server's
// certificate is always verified.
#pragma once

#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "upload/FtpClient.h"

namespace pellucor {

typedef void CURL;
typedef void CURLM;

class CurlFtpClient : public FtpClient {
public:
    CurlFtpClient();
    ~CurlFtpClient() override;
    CurlFtpClient(const CurlFtpClient&) = delete;
    CurlFtpClient& operator=(const CurlFtpClient&) = delete;

    void SetURL(const std::string& url) override;
    std::string URL() const override { return url_; }
    void SetUserName(const std::string& user) override { user_ = user; }
    void SetPassword(const std::string& password) override { password_ = password; }
    void SetRequestTimeout(int seconds) override { timeout_ = seconds; }
    // Certificates a TLS server's certificate must be signed by, instead of
    // the system's (the server is always verified).
    void SetCaFile(const std::string& path) { caFile_ = path; }
    bool Execute(const std::string& command, std::string& error) override;
    bool StillExecuting() const override { return executing_; }
    int ResponseCode() const override;
    std::string ResponseInfo() const override;
    std::string GetChunk(size_t size) override;
    void Cancel() override;
    void DeliverStateChanges(int waitMs) override;

    // Server connections opened so far (a reused connection counts once;
    // data connections do not count).
    long ConnectionsOpened() const { return connections_; }

private:
    struct Outcome {
        bool ok = false;
        long code = 0;
        std::string info;
        std::string reply;
    };
    enum class Method { Nobody, List, NameList, Upload, Download, Quote };
    struct Request {
        Method method = Method::Nobody;
        std::string path;    // absolute remote path
        bool dir = false;    // path names a directory
        std::vector<std::string> quote;
        std::string local;   // local file of PUT and GET
        std::string url;     // the address itself, when not made from path
    };

    void workerLoop();
    Outcome dispatch(const std::vector<std::string>& words, const std::string& command);
    Outcome perform(const Request& req, std::string* body);
    int transfer();  // a CURLcode
    bool ensureLoggedIn(Outcome& out);
    std::string urlFor(const std::string& absPath, bool dir) const;
    void dropConnection();
    void finish(Outcome out);

    static size_t onHeader(char* data, size_t size, size_t n, void* self);
    static size_t onWrite(char* data, size_t size, size_t n, void* sink);
    static int onProgress(void* self, int64_t, int64_t, int64_t, int64_t);

    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr;  // holds the connection between commands
    std::string url_, user_, password_;
    std::string scheme_, authority_, basePath_, loginUrl_;  // parts of url_
    bool requireTls_ = false;
    int timeout_ = 120;
    std::string caFile_;

    // Owned by the worker while a command runs.
    bool loggedIn_ = false;
    std::string cwd_;
    std::string lastResponse_;
    std::atomic<long> connections_{0};
    std::string loginKey_;
    std::string urlError_;  // why url_ cannot be used, if it cannot
    std::string urlUser_, urlPassword_;

    struct Job {
        std::vector<std::string> words;
        std::string command;
    };
    std::thread worker_;  // runs the commands, one at a time
    std::atomic<bool> executing_{false};
    std::atomic<bool> cancel_{false};
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
};

}  // namespace pellucor
