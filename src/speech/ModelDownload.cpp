#include "speech/ModelDownload.h"

#include <curl/curl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "core/TavString.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

std::once_flag g_curlInit;
// Connecting gives up after this long; a transfer that receives nothing
// for kStallSeconds is given up too (its .part stays to resume from).
constexpr long kConnectSeconds = 30;
constexpr long kStallSeconds = 60;

// "host" or "host:port" of an address, for messages.
std::string hostOf(const std::string& url)
{
    std::string host = url;
    CURLU* u = curl_url();
    if (curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
        char *h = nullptr, *port = nullptr;
        if (curl_url_get(u, CURLUPART_HOST, &h, 0) == CURLUE_OK)
            host = h;
        if (curl_url_get(u, CURLUPART_PORT, &port, 0) == CURLUE_OK)
            host += std::string(":") + port;
        curl_free(h);
        curl_free(port);
    }
    curl_url_cleanup(u);
    return host;
}

std::string sha1Of(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return "";
    return hash.result().toHex().toStdString();
}

std::string megabytes(int64_t bytes) { return std::to_string((bytes + (1 << 19)) >> 20) + " MB"; }

// One transfer into the .part file, which holds offset bytes before it.
struct Transfer {
    CURL* easy = nullptr;
    std::FILE* file = nullptr;
    int64_t offset = 0;
    int64_t written = 0;
    long code = 0;
    int writeErrno = 0;
    const std::atomic<bool>* cancel = nullptr;
    const std::function<void(int64_t, int64_t)>* progress = nullptr;

    bool fileBody() const { return code == 200 || code == 206; }

    static size_t onWrite(char* data, size_t size, size_t n, void* self)
    {
        auto& t = *static_cast<Transfer*>(self);
        curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &t.code);
        if (!t.fileBody())
            return size * n;  // an error page, not the file
        if (t.code == 200 && t.offset > 0 && t.written == 0) {
            // The server ignored the range and sends the whole file.
            if (::ftruncate(::fileno(t.file), 0) != 0) {
                t.writeErrno = errno;
                return 0;
            }
            t.offset = 0;
        }
        if (std::fwrite(data, size, n, t.file) != n) {
            t.writeErrno = errno;
            return 0;
        }
        t.written += static_cast<int64_t>(size * n);
        return size * n;
    }

    static int onProgress(void* self, curl_off_t total, curl_off_t, curl_off_t, curl_off_t)
    {
        auto& t = *static_cast<Transfer*>(self);
        if (*t.cancel)
            return 1;
        if (*t.progress && t.fileBody())
            (*t.progress)(t.offset + t.written, total > 0 ? t.offset + total : -1);
        return 0;
    }
};

// Writes what the file holds to the disk and closes it; false with errno.
bool closeFile(std::FILE* file)
{
    const bool flushed = std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
    const int saved = errno;
    const bool closed = std::fclose(file) == 0;
    if (!flushed)
        errno = saved;
    return flushed && closed;
}

}  // namespace

ModelDownload::Result ModelDownload::Run(const ModelDownloadRequest& request, std::string& err)
{
    std::call_once(g_curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    resumedFrom_ = 0;
    const std::string part = PartOf(request.target);
    const std::string name = fs::path(request.target).filename().string();
    std::error_code ec;
    fs::create_directories(fs::path(request.target).parent_path(), ec);
    std::FILE* file = std::fopen(part.c_str(), "ab");
    if (!file) {
        err = "Cannot write " + part + ": " + std::strerror(errno);
        return Result::Failed;
    }
    if (::flock(::fileno(file), LOCK_EX | LOCK_NB) != 0) {
        std::fclose(file);
        err = "Another download of " + name + " is under way (" + part + ")";
        return Result::Failed;
    }
    std::fseek(file, 0, SEEK_END);
    resumedFrom_ = std::ftell(file);

    Transfer t;
    t.easy = curl_easy_init();
    t.file = file;
    t.offset = resumedFrom_;
    t.cancel = &cancel_;
    t.progress = &onProgress;
    char errbuf[CURL_ERROR_SIZE] = "";
    CURL* e = t.easy;
    curl_easy_setopt(e, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Pellucor");
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Transfer::onWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &t);
    const std::string range = std::to_string(resumedFrom_) + "-";
    if (resumedFrom_ > 0)
        curl_easy_setopt(e, CURLOPT_RANGE, range.c_str());
    const CURLcode rc = curl_easy_perform(e);
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &t.code);
    char* effective = nullptr;
    curl_easy_getinfo(e, CURLINFO_EFFECTIVE_URL, &effective);
    const std::string host = hostOf(effective ? effective : request.url);
    curl_easy_cleanup(e);
    const bool closed = closeFile(file);
    const int closeErrno = errno;
    const int64_t have = t.offset + t.written;

    // An empty .part holds nothing to resume from.
    const auto fail = [&](std::string why) {
        if (fs::file_size(part, ec) == 0)
            fs::remove(part, ec);
        err = std::move(why);
        return Result::Failed;
    };
    if (rc == CURLE_ABORTED_BY_CALLBACK && cancel_)
        return Result::Cancelled;
    if (t.writeErrno || !closed)
        return fail("Cannot write " + part + ": " + std::strerror(t.writeErrno ? t.writeErrno : closeErrno));
    const std::string cause = *errbuf ? errbuf : curl_easy_strerror(rc);
    if (rc == CURLE_COULDNT_RESOLVE_HOST || rc == CURLE_COULDNT_CONNECT
        || (rc == CURLE_OPERATION_TIMEDOUT && t.written == 0))
        return fail("Cannot reach " + host + " to download " + name + ": " + cause);
    if (rc != CURLE_OK)
        return fail("The download of " + name + " from " + host + " broke off at " + megabytes(have) + " (" + cause
                    + "); the next install resumes it");
    const bool partComplete = t.code == 416 && resumedFrom_ > 0;  // nothing left to send
    if (!t.fileBody() && !partComplete)
        return fail(host + " answered HTTP " + std::to_string(t.code) + " for " + request.url);

    const std::string sum = sha1Of(part);
    if (Lower(sum) != Lower(request.sha1)) {
        fs::remove(part, ec);
        err = "The file " + host + " sent for " + name + " has the SHA-1 " + (sum.empty() ? "(unreadable)" : sum)
            + ", not " + request.sha1 + ": it was deleted and nothing was installed";
        return Result::Failed;
    }
    if (std::rename(part.c_str(), request.target.c_str()) != 0)
        return fail("Cannot put " + name + " in place (" + request.target + "): " + std::strerror(errno));
    if (onProgress)
        onProgress(have, have);
    return Result::Installed;
}

}  // namespace pellucor
