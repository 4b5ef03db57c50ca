#include "upload/CurlFtpClient.h"

#include <curl/curl.h>

#include <cctype>
#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "core/TavString.h"
#include "upload/FtpText.h"

namespace pellucor {

namespace {
std::once_flag g_curlInit;

// A reply or listing larger than this is refused rather than held in memory.
constexpr size_t kMaxReply = 64u << 20;
// A transfer that moves less than one byte a second for this long fails.
constexpr long kStallSeconds = 120;

struct CurlList {
    curl_slist* list = nullptr;
    ~CurlList() { curl_slist_free_all(list); }
};

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Least and most words of each verb (the verb included).
const std::map<std::string, std::pair<size_t, size_t>>& verbWords()
{
    static const std::map<std::string, std::pair<size_t, size_t>> table = {
        {"PWD", {1, 1}},    {"CD", {2, 2}},     {"CWD", {2, 2}},   {"CDUP", {1, 1}},  {"DIR", {1, 2}},
        {"LS", {1, 2}},     {"MKDIR", {2, 2}},  {"MKD", {2, 2}},   {"RMDIR", {2, 2}}, {"RMD", {2, 2}},
        {"DELETE", {2, 2}}, {"DELE", {2, 2}},   {"RENAME", {3, 3}}, {"SIZE", {2, 2}}, {"PUT", {2, 3}},
        {"SEND", {2, 3}},   {"GET", {2, 3}},    {"RECV", {2, 3}},  {"QUIT", {1, 1}},  {"CLOSE", {1, 1}},
    };
    return table;
}
}  // namespace

CurlFtpClient::CurlFtpClient()
{
    std::call_once(g_curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
}

CurlFtpClient::~CurlFtpClient()
{
    cancel_ = true;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    jobReady_.notify_all();
    if (worker_.joinable())
        worker_.join();
    curl_multi_cleanup(multi_);
    curl_easy_cleanup(easy_);
}

void CurlFtpClient::SetURL(const std::string& url)
{
    url_ = Tav_Trim(url);
    urlError_.clear();
    urlUser_.clear();
    urlPassword_.clear();
    std::string text = url_;
    requireTls_ = Tav_StartsWith(Tav_Lower(text), "ftpes:");
    if (requireTls_)
        text = "ftp" + text.substr(5);
    CURLU* u = curl_url();
    auto part = [u](CURLUPart which, unsigned flags = 0) {
        char* value = nullptr;
        std::string out;
        if (curl_url_get(u, which, &value, flags) == CURLUE_OK && value)
            out = value;
        curl_free(value);
        return out;
    };
    if (curl_url_set(u, CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) {
        urlError_ = "Bad server address " + FtpRedactUrl(url_);
    } else {
        scheme_ = Tav_Lower(part(CURLUPART_SCHEME));
        if (scheme_ == "sftp")
            urlError_ = "SFTP is not supported (use ftp://, ftpes:// or ftps://): " + FtpRedactUrl(url_);
        else if (scheme_ != "ftp" && scheme_ != "ftps")
            urlError_ = "Not an FTP address: " + FtpRedactUrl(url_);
        const std::string port = part(CURLUPART_PORT);
        authority_ = scheme_ + "://" + part(CURLUPART_HOST) + (port.empty() ? "" : ":" + port);
        basePath_ = part(CURLUPART_PATH, CURLU_URLDECODE);
        loginUrl_ = authority_ + part(CURLUPART_PATH);
        if (loginUrl_.back() != '/')
            loginUrl_ += "/";
        urlUser_ = part(CURLUPART_USER, CURLU_URLDECODE);
        urlPassword_ = part(CURLUPART_PASSWORD, CURLU_URLDECODE);
    }
    curl_url_cleanup(u);
}

bool CurlFtpClient::Execute(const std::string& command, std::string& error)
{
    if (executing_) {
        error = "Still executing last request";
        return false;
    }
    std::vector<std::string> words;
    if (!FtpSplitCommand(command, words, error))
        return false;
    if (words.empty()) {
        error = "No command";
        return false;
    }
    const auto found = verbWords().find(Tav_Upper(words[0]));
    if (found != verbWords().end() &&
        (words.size() < found->second.first || words.size() > found->second.second)) {
        error = "Wrong number of arguments for " + words[0];
        return false;
    }
    if (!urlError_.empty() || url_.empty()) {
        error = url_.empty() ? "No server address" : urlError_;
        return false;
    }
    const std::string key = url_ + '\n' + user_ + '\n' + password_;
    if (key != loginKey_) {
        dropConnection();
        loginKey_ = key;
    }
    if (!worker_.joinable())
        worker_ = std::thread(&CurlFtpClient::workerLoop, this);
    cancel_ = false;
    executing_ = true;
    {
        std::lock_guard lock(mutex_);
        states_.clear();
        finished_ = false;
        result_ = Outcome{};
        replyPos_ = 0;
        job_ = Job{std::move(words), command};
        hasJob_ = true;
    }
    jobReady_.notify_one();
    return true;
}

void CurlFtpClient::workerLoop()
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
        finish(dispatch(job.words, job.command));
    }
}

void CurlFtpClient::finish(Outcome out)
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

void CurlFtpClient::DeliverStateChanges(int waitMs)
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

int CurlFtpClient::ResponseCode() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(result_.code);
}

std::string CurlFtpClient::ResponseInfo() const
{
    std::lock_guard lock(mutex_);
    return result_.info;
}

std::string CurlFtpClient::GetChunk(size_t size)
{
    std::lock_guard lock(mutex_);
    if (replyPos_ >= result_.reply.size())
        return "";
    const std::string piece = result_.reply.substr(replyPos_, size);
    replyPos_ += piece.size();
    return piece;
}

void CurlFtpClient::Cancel()
{
    if (executing_) {
        cancel_ = true;
        return;
    }
    dropConnection();
}

void CurlFtpClient::dropConnection()
{
    // Only called while no worker runs: a fresh handle has no connection.
    curl_multi_cleanup(multi_);
    curl_easy_cleanup(easy_);
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    loggedIn_ = false;
}

std::string CurlFtpClient::urlFor(const std::string& absPath, bool dir) const
{
    std::string out = authority_ + "/%2F";
    std::string seg;
    bool first = true;
    auto flush = [&] {
        if (seg.empty())
            return;
        char* e = curl_easy_escape(easy_, seg.c_str(), static_cast<int>(seg.size()));
        out += (!first ? "/" : "") + std::string(e ? e : "");
        curl_free(e);
        first = false;
        seg.clear();
    };
    for (char c : absPath) {
        if (c == '/')
            flush();
        else
            seg.push_back(c);
    }
    flush();
    if (dir || first)
        out += "/";
    return out;
}

bool CurlFtpClient::ensureLoggedIn(Outcome& out)
{
    if (loggedIn_)
        return true;
    // Log in by going to the address's own directory; the server's entry
    // directory anchors every relative path after that.
    std::string path = basePath_;
    Request req;
    req.method = Method::Nobody;
    req.url = loginUrl_;
    out = perform(req, nullptr);
    if (!out.ok)
        return false;
    char* entry = nullptr;
    curl_easy_getinfo(easy_, CURLINFO_FTP_ENTRY_PATH, &entry);
    const std::string home = entry && *entry ? entry : "/";
    // ftp://host/dir/ names dir inside the entry directory; a path that
    // starts with an encoded "/" is absolute.
    if (!path.empty() && path[0] == '/')
        path.erase(0, 1);
    cwd_ = FtpResolvePath(home, path);
    loggedIn_ = true;
    return true;
}

CurlFtpClient::Outcome CurlFtpClient::dispatch(const std::vector<std::string>& words, const std::string& command)
{
    Outcome out;
    if (!ensureLoggedIn(out))
        return out;
    const std::string verb = Tav_Upper(words[0]);
    const std::string arg1 = words.size() > 1 ? words[1] : "";
    const std::string arg2 = words.size() > 2 ? words[2] : "";
    Request req;

    if (verb == "PWD") {
        out.ok = true;
        out.code = 257;
        out.info = "257 \"" + cwd_ + "\" is the current directory";
        out.reply = cwd_;
        return out;
    }
    if (verb == "CD" || verb == "CWD" || verb == "CDUP") {
        const std::string target = FtpResolvePath(cwd_, verb == "CDUP" ? ".." : arg1);
        req.method = Method::Nobody;
        req.path = target;
        req.dir = true;
        out = perform(req, nullptr);
        if (out.ok)
            cwd_ = target;
        return out;
    }
    if (verb == "DIR" || verb == "LS") {
        req.method = verb == "DIR" ? Method::List : Method::NameList;
        req.path = FtpResolvePath(cwd_, arg1);
        req.dir = true;
        std::string body;
        out = perform(req, &body);
        out.reply = verb == "DIR" ? FtpListingNames(body) : body;
        return out;
    }
    if (verb == "PUT" || verb == "SEND") {
        req.method = Method::Upload;
        req.local = arg1;
        req.path = FtpResolvePath(cwd_, arg2.empty() ? baseName(arg1) : arg2);
        return perform(req, nullptr);
    }
    if (verb == "GET" || verb == "RECV") {
        req.method = Method::Download;
        req.path = FtpResolvePath(cwd_, arg1);
        req.local = arg2.empty() ? baseName(req.path) : arg2;
        return perform(req, nullptr);
    }
    if (verb == "SIZE") {
        req.method = Method::Nobody;
        req.path = FtpResolvePath(cwd_, arg1);
        out = perform(req, nullptr);
        curl_off_t size = -1;
        if (out.ok && curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) == CURLE_OK && size >= 0)
            out.reply = std::to_string(size);
        return out;
    }
    if (verb == "QUIT" || verb == "CLOSE") {
        dropConnection();
        out.ok = true;
        out.code = 221;
        out.info = "221 Goodbye.";
        return out;
    }

    // Everything else goes to the server as one or two raw commands.
    req.method = Method::Quote;
    auto abs = [this](const std::string& p) { return FtpResolvePath(cwd_, p); };
    if (verb == "MKDIR" || verb == "MKD")
        req.quote = {"MKD " + abs(arg1)};
    else if (verb == "RMDIR" || verb == "RMD")
        req.quote = {"RMD " + abs(arg1)};
    else if (verb == "DELETE" || verb == "DELE")
        req.quote = {"DELE " + abs(arg1)};
    else if (verb == "RENAME")
        req.quote = {"RNFR " + abs(arg1), "RNTO " + abs(arg2)};
    else
        req.quote = {Tav_Trim(command)};
    out = perform(req, nullptr);
    if (out.ok)
        out.reply = out.info;
    return out;
}

CurlFtpClient::Outcome CurlFtpClient::perform(const Request& req, std::string* body)
{
    Outcome out;
    char errbuf[CURL_ERROR_SIZE] = "";
    curl_easy_reset(easy_);
    lastResponse_.clear();
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    const std::string& user = user_.empty() ? urlUser_ : user_;
    const std::string& password = user_.empty() ? urlPassword_ : password_;
    if (!user.empty()) {
        curl_easy_setopt(easy_, CURLOPT_USERNAME, user.c_str());
        curl_easy_setopt(easy_, CURLOPT_PASSWORD, password.c_str());
    }
    if (requireTls_)
        curl_easy_setopt(easy_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (!caFile_.empty())
        curl_easy_setopt(easy_, CURLOPT_CAINFO, caFile_.c_str());
    curl_easy_setopt(easy_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlFtpClient::onHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &CurlFtpClient::onProgress);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
    if (timeout_ > 0) {
        curl_easy_setopt(easy_, CURLOPT_TIMEOUT, static_cast<long>(timeout_));
    } else {
        curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    }

    const std::string url = !req.url.empty()                 ? req.url
                            : req.method == Method::Quote ? authority_ + "/"
                                                          : urlFor(req.path, req.dir);
    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());

    CurlList quote;
    FilePtr file;
    const std::string partFile = req.local + ".part";
    switch (req.method) {
    case Method::Nobody:
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        break;
    case Method::NameList:
        curl_easy_setopt(easy_, CURLOPT_DIRLISTONLY, 1L);
        [[fallthrough]];
    case Method::List:
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlFtpClient::onWrite);
        curl_easy_setopt(easy_, CURLOPT_WRITEDATA, body);
        break;
    case Method::Quote:
        for (const auto& q : req.quote)
            quote.list = curl_slist_append(quote.list, q.c_str());
        curl_easy_setopt(easy_, CURLOPT_QUOTE, quote.list);
        curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        break;
    case Method::Upload: {
        file.reset(std::fopen(req.local.c_str(), "rb"));
        if (!file) {
            out.info = "Cannot read " + req.local + ": " + std::strerror(errno);
            return out;
        }
        std::fseek(file.get(), 0, SEEK_END);
        const curl_off_t size = std::ftell(file.get());
        std::rewind(file.get());
        curl_easy_setopt(easy_, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(easy_, CURLOPT_READDATA, file.get());
        curl_easy_setopt(easy_, CURLOPT_INFILESIZE_LARGE, size);
        break;
    }
    case Method::Download:
        file.reset(std::fopen(partFile.c_str(), "wb"));
        if (!file) {
            out.info = "Cannot write " + partFile + ": " + std::strerror(errno);
            return out;
        }
        curl_easy_setopt(easy_, CURLOPT_WRITEDATA, file.get());
        break;
    }

    const auto rc = static_cast<CURLcode>(transfer());
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &out.code);
    out.ok = rc == CURLE_OK;
    if (out.ok) {
        out.info = lastResponse_;
    } else {
        out.info = cancel_ ? std::string("Cancelled") : std::string(curl_easy_strerror(rc));
        if (*errbuf)
            out.info += ": " + std::string(errbuf);
        if (!lastResponse_.empty())
            out.info += " (" + lastResponse_ + ")";
    }
    if (req.method == Method::Download) {
        const bool closed = std::fclose(file.release()) == 0;
        if (out.ok && closed && std::rename(partFile.c_str(), req.local.c_str()) == 0)
            return out;
        std::remove(partFile.c_str());
        if (out.ok) {
            out.ok = false;
            out.info = "Cannot write " + req.local;
        }
    }
    return out;
}

int CurlFtpClient::transfer()
{
    // The multi interface with a short poll: after the reply to EPSV/PASV
    // libcurl may leave nothing to wait on until its next turn, and the
    // plain easy interface then sits out a whole second before it connects
    // the data stream, a second on many files of an upload. So after any
    // activity it gets another turn at once; while nothing happens the poll
    // grows to 50 ms.
    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode rc = CURLE_OK;
    int running = 1;
    int pollMs = 0;
    while (running) {
        if (curl_multi_perform(multi_, &running) != CURLM_OK) {
            rc = CURLE_FAILED_INIT;
            break;
        }
        if (!running)
            break;
        int active = 0;
        if (curl_multi_poll(multi_, nullptr, 0, pollMs, &active) != CURLM_OK) {
            rc = CURLE_FAILED_INIT;
            break;
        }
        pollMs = active ? 0 : std::min(std::max(pollMs * 2, 1), 50);
    }
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_, &queued)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy_)
            rc = msg->data.result;
    }
    curl_multi_remove_handle(multi_, easy_);
    return rc;
}

size_t CurlFtpClient::onHeader(char* data, size_t size, size_t n, void* self)
{
    auto* client = static_cast<CurlFtpClient*>(self);
    std::string line(data, size * n);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    // The last line of a reply is the code followed by a blank.
    if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ') {
        client->lastResponse_ = line;
        // Every new FTP control connection starts with the server's greeting.
        if (line.compare(0, 4, "220 ") == 0)
            ++client->connections_;
    }
    return size * n;
}

size_t CurlFtpClient::onWrite(char* data, size_t size, size_t n, void* sink)
{
    if (!sink)
        return size * n;
    auto* body = static_cast<std::string*>(sink);
    if (body->size() + size * n > kMaxReply)
        return 0;
    body->append(data, size * n);
    return size * n;
}

int CurlFtpClient::onProgress(void* self, int64_t, int64_t, int64_t, int64_t)
{
    return static_cast<CurlFtpClient*>(self)->cancel_ ? 1 : 0;
}

}  // namespace pellucor
