#include "upload/CurlTransfer.h"

#include <curl/curl.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "core/TavString.h"
#include "core/TavUtils.h"
#include "upload/S3Text.h"

namespace pellucor {

namespace {
std::once_flag g_curlInit;

// A listing or PROPFIND answer larger than this is refused rather than held.
constexpr size_t kMaxBody = 64u << 20;
// Bytes handed to an SFTP connection at a time: large writes keep its
// requests in flight and a big file's transfer at the speed of the link.
// FTP and HTTP keep libcurl's 64 KB: over FTP, 2 MB at a time was no faster
// for a large file and slower in the median (the server's writing bounds it).
constexpr long kSftpUploadBuffer = 2L << 20;
// The longest wait between two looks at the transfers.
constexpr int kPollMs = 5;

const char* keyTypeName(int type)
{
    switch (type) {
    case CURLKHTYPE_RSA:
    case CURLKHTYPE_RSA1: return "ssh-rsa";
    case CURLKHTYPE_DSS: return "ssh-dss";
    case CURLKHTYPE_ECDSA: return "ecdsa";
    case CURLKHTYPE_ED25519: return "ssh-ed25519";
    default: return "unknown";
    }
}

// The first of the usual private keys that exists.
std::string defaultKeyFile()
{
    const QString ssh = QDir::homePath() + "/.ssh/";
    for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"})
        if (QFileInfo::exists(ssh + name))
            return (ssh + name).toStdString();
    return "";
}

curl_slist* toList(const std::vector<std::string>& items)
{
    curl_slist* list = nullptr;
    for (const auto& i : items)
        list = curl_slist_append(list, i.c_str());
    return list;
}

bool isHttp(const RemoteLogin& login)
{
    return login.protocol == RemoteProtocol::Dav || login.protocol == RemoteProtocol::Davs
        || login.protocol == RemoteProtocol::S3;
}
}  // namespace

// Adds the key to the known hosts file as OpenSSH writes it ("[host]:port"
// off the standard port, the key type read from the key itself).
bool addKnownHost(const std::string& file, const RemoteLogin& login, const QByteArray& raw)
{
    if (raw.size() < 4)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(raw.constData());
    const uint32_t len = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    if (len == 0 || len > static_cast<uint32_t>(raw.size()) - 4)
        return false;
    const std::string type = raw.mid(4, static_cast<int>(len)).toStdString();
    const std::string name
        = login.port > 0 && login.port != 22 ? "[" + login.host + "]:" + std::to_string(login.port) : login.host;
    const QString path = QString::fromStdString(file);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    if (!out.open(QIODevice::Append | QIODevice::Text))
        return false;
    out.setPermissions(out.permissions() & ~(QFileDevice::WriteGroup | QFileDevice::WriteOther));
    const QByteArray line = QByteArray::fromStdString(name + " " + type + " ") + raw.toBase64() + "\n";
    return out.write(line) == line.size() && out.flush();
}

// The SSH host key check: a known key passes; an unknown one passes only
// when the user accepted its fingerprint (it is then added to the known
// hosts file); a changed one never does.
struct HostKeyCheck {
    static int run(CURL*, const curl_khkey* known, const curl_khkey* found, curl_khmatch match, void* self)
    {
        auto* t = static_cast<CurlTransfer*>(self);
        const QByteArray raw = found->len ? QByteArray(found->key, static_cast<int>(found->len))
                                          : QByteArray::fromBase64(QByteArray(found->key));
        t->fingerprint_ = "SHA256:"
            + QCryptographicHash::hash(raw, QCryptographicHash::Sha256)
                  .toBase64(QByteArray::OmitTrailingEquals)
                  .toStdString();
        t->hostKeyType_ = keyTypeName(found->keytype);
        const std::string host = t->login_.HostText();
        const std::string file = t->login_.KnownHostsFile();
        if (match == CURLKHMATCH_OK)
            return CURLKHSTAT_FINE;
        if (match == CURLKHMATCH_MISSING) {
            if (!t->login_.acceptedHostKey.empty() && t->login_.acceptedHostKey == t->fingerprint_) {
                if (!addKnownHost(file, t->login_, raw))
                    Tav_DebugLog("The accepted host key of " + host + " could not be added to " + file);
                Tav_DebugLog("Host key of " + host + " accepted by the user");
                return CURLKHSTAT_FINE;
            }
            t->hostKeyProblem_ = "The host key of " + host + " is not known (" + t->hostKeyType_ + " " + t->fingerprint_
                + "). Accepted, it is added to " + file;
            return CURLKHSTAT_REJECT;
        }
        (void)known;
        t->hostKeyProblem_ = "HOST KEY MISMATCH: " + host + " sent the key " + t->hostKeyType_ + " " + t->fingerprint_
            + ", not the one " + file
            + " holds for it. Someone may be intercepting the connection; if the server's key "
              "really changed, remove its old line from "
            + file;
        return CURLKHSTAT_REJECT;
    }
};

CurlTransfer::CurlTransfer(const RemoteLogin& login, bool ownConnections) : login_(login)
{
    std::call_once(g_curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    easy_ = curl_easy_init();
    if (ownConnections) {
        share_ = curl_share_init();
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    }
}

CurlTransfer::~CurlTransfer()
{
    curl_easy_cleanup(easy_);
    if (share_)
        curl_share_cleanup(share_);
    curl_slist_free_all(quote_);
    curl_slist_free_all(postQuote_);
    curl_slist_free_all(headers_);
    if (file_)
        std::fclose(file_);
}

// Back to a fresh handle for the next operation.
void CurlTransfer::resetState(const RemoteOp& op)
{
    op_ = op;
    curl_easy_reset(easy_);
    curl_slist_free_all(quote_);
    curl_slist_free_all(postQuote_);
    curl_slist_free_all(headers_);
    quote_ = postQuote_ = headers_ = nullptr;
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    errbuf_[0] = 0;
    reply_.clear();
    etag_.clear();
    body_.clear();
    greetings_ = 0;
    bodyTooLarge_ = false;
    hostKeyProblem_.clear();
    sent_ = 0;
    lastDl_ = 0;
    stalled_ = cancelled_ = false;
    Touch();
}

// What every operation sets: the address, the login, the timeouts and our
// callbacks.
void CurlTransfer::setCommonOptions(const RemoteOp& op)
{
    CURL* e = easy_;
    if (share_)
        curl_easy_setopt(e, CURLOPT_SHARE, share_);
    curl_easy_setopt(e, CURLOPT_URL, op.url.c_str());
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errbuf_);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PRIVATE, this);
    const std::string user = login_.User();
    if (!user.empty()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, user.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, login_.Password().c_str());
    }
    // Progress is watched by the loop; these make libcurl itself give up a
    // dead connection in the same time.
    const long stall = std::max(1, login_.stallSeconds);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, stall);
    curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, stall);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, stall);
    if (op.timeoutSeconds > 0)
        curl_easy_setopt(e, CURLOPT_TIMEOUT, static_cast<long>(op.timeoutSeconds));
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &CurlTransfer::onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &CurlTransfer::onWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::onProgress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, this);
    if (login_.protocol == RemoteProtocol::Sftp)
        curl_easy_setopt(e, CURLOPT_UPLOAD_BUFFERSIZE, kSftpUploadBuffer);
    if (login_.maxSendRate > 0)
        curl_easy_setopt(e, CURLOPT_MAX_SEND_SPEED_LARGE, static_cast<curl_off_t>(login_.maxSendRate));
}

// TLS, the FTP file method and SSH's keys, as the login asks.
void CurlTransfer::setSecurityOptions(const RemoteOp& op)
{
    CURL* e = easy_;
    if (!login_.caFile.empty())
        curl_easy_setopt(e, CURLOPT_CAINFO, login_.caFile.c_str());
    if (login_.protocol == RemoteProtocol::Ftpes)
        curl_easy_setopt(e, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    if (login_.tls12Only)
        curl_easy_setopt(e, CURLOPT_SSLVERSION,
                         static_cast<long>(CURL_SSLVERSION_TLSv1_2) | static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
    if (login_.IsFtp())
        curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (login_.protocol == RemoteProtocol::Sftp) {
        curl_easy_setopt(e, CURLOPT_SSH_AUTH_TYPES,
                         static_cast<long>(CURLSSH_AUTH_PUBLICKEY | CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_AGENT
                                           | CURLSSH_AUTH_KEYBOARD));
        const std::string key = login_.keyFile.empty() ? defaultKeyFile() : login_.keyFile;
        if (!key.empty()) {
            curl_easy_setopt(e, CURLOPT_SSH_PRIVATE_KEYFILE, key.c_str());
            const std::string pub = key + ".pub";
            // Without a .pub beside it the public key is derived from the private one.
            curl_easy_setopt(e, CURLOPT_SSH_PUBLIC_KEYFILE,
                             QFileInfo::exists(QString::fromStdString(pub)) ? pub.c_str() : "");
            // A key locked by a passphrase is unlocked with the password.
            if (!login_.Password().empty())
                curl_easy_setopt(e, CURLOPT_KEYPASSWD, login_.Password().c_str());
        }
        const std::string known = login_.KnownHostsFile();
        curl_easy_setopt(e, CURLOPT_SSH_KNOWNHOSTS, known.c_str());
        curl_easy_setopt(e, CURLOPT_SSH_KEYFUNCTION, &HostKeyCheck::run);
        curl_easy_setopt(e, CURLOPT_SSH_KEYDATA, this);
    }
    std::vector<std::string> headers = op.headers;
    if (login_.protocol == RemoteProtocol::S3) {
        // libcurl signs the request (AWS V4); S3 wants the body's hash in a
        // header of its own, which libcurl 7.88 does not send but signs.
        const std::string sigv4 = "aws:amz:" + login_.region + ":s3";
        curl_easy_setopt(e, CURLOPT_AWS_SIGV4, sigv4.c_str());
        headers.push_back("x-amz-content-sha256: UNSIGNED-PAYLOAD");
        if (!login_.sessionToken.empty())
            headers.push_back("x-amz-security-token: " + login_.sessionToken);
    } else if (isHttp(login_)) {
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    }
    if (isHttp(login_)) {
        headers_ = toList(headers);
        if (headers_)
            curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers_);
    }
}

// The commands sent before and after the operation.
void CurlTransfer::setCommandLists(const RemoteOp& op)
{
    CURL* e = easy_;
    quote_ = toList(op.quote);
    postQuote_ = toList(op.postQuote);
    if (quote_)
        curl_easy_setopt(e, CURLOPT_QUOTE, quote_);
    if (postQuote_)
        curl_easy_setopt(e, CURLOPT_POSTQUOTE, postQuote_);
}

// What the operation itself does; false (with the cause) when its local
// file cannot be opened.
bool CurlTransfer::setOperation(const RemoteOp& op, RemoteResult& result)
{
    CURL* e = easy_;
    switch (op.kind) {
    case RemoteOp::Kind::Probe: curl_easy_setopt(e, CURLOPT_NOBODY, 1L); break;
    case RemoteOp::Kind::NameList: curl_easy_setopt(e, CURLOPT_DIRLISTONLY, 1L); break;
    case RemoteOp::Kind::List: break;
    case RemoteOp::Kind::Http:
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, op.method.c_str());
        if (!op.requestBody.empty()) {
            curl_easy_setopt(e, CURLOPT_POSTFIELDS, op_.requestBody.c_str());
            curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE, static_cast<long>(op_.requestBody.size()));
        } else if (op.method == "HEAD") {
            curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
        }
        break;
    case RemoteOp::Kind::Put: {
        file_ = std::fopen(op.local.c_str(), "rb");
        if (!file_) {
            result.cause = "Cannot read " + op.local + ": " + std::strerror(errno);
            result.failure = RemoteFailure::Refused;
            return false;
        }
        std::fseek(file_, 0, SEEK_END);
        const curl_off_t end = ftello(file_);
        const curl_off_t size = op.length >= 0 ? std::min<curl_off_t>(op.length, end - op.offset) : end - op.offset;
        fseeko(file_, op.offset, SEEK_SET);
        toRead_ = size;
        curl_easy_setopt(e, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(e, CURLOPT_READFUNCTION, &CurlTransfer::onRead);
        curl_easy_setopt(e, CURLOPT_READDATA, this);
        curl_easy_setopt(e, CURLOPT_INFILESIZE_LARGE, size);
        break;
    }
    case RemoteOp::Kind::Get:
        partFile_ = op.local + ".part";
        file_ = std::fopen(partFile_.c_str(), "wb");
        if (!file_) {
            result.cause = "Cannot write " + partFile_ + ": " + std::strerror(errno);
            result.failure = RemoteFailure::Refused;
            return false;
        }
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, nullptr);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, file_);
        break;
    }
    return true;
}

bool CurlTransfer::Prepare(const RemoteOp& op, RemoteResult& result)
{
    resetState(op);
    setCommonOptions(op);
    setSecurityOptions(op);
    setCommandLists(op);
    return setOperation(op, result);
}

RemoteResult CurlTransfer::Finish(int curlCode)
{
    RemoteResult r;
    r.curlCode = curlCode;
    long osErrno = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &r.code);
    curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &osErrno);
    curl_off_t length = -1;
    if (curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK)
        r.contentLength = length;
    // FTP's data connections count as connections for libcurl.
    if (login_.IsFtp())
        r.newConnections = greetings_;
    else
        curl_easy_getinfo(easy_, CURLINFO_NUM_CONNECTS, &r.newConnections);
    char* entry = nullptr;
    if (curl_easy_getinfo(easy_, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry)
        r.ftpEntryPath = entry;
    r.reply = reply_;
    r.etag = etag_;
    r.body = std::move(body_);
    r.fingerprint = fingerprint_;
    r.hostKeyType = hostKeyType_;
    const bool httpError = isHttp(login_) && curlCode == CURLE_OK && r.code >= 400;
    r.ok = curlCode == CURLE_OK && !httpError && !stalled_ && !cancelled_ && !bodyTooLarge_;
    if (!r.ok) {
        r.cause = causeOf(curlCode, osErrno);
        // S3 says why in its answer ("SignatureDoesNotMatch: ...").
        if (const std::string s3 = S3ErrorText(r.body);
            httpError && login_.protocol == RemoteProtocol::S3 && !s3.empty())
            r.cause += " (" + s3 + ")";
        if (cancelled_)
            r.failure = RemoteFailure::Cancelled;
        else if (stalled_ || !hostKeyProblem_.empty())
            r.failure = stalled_ ? RemoteFailure::Connection : RemoteFailure::HostKey;
        else if (httpError && login_.protocol == RemoteProtocol::S3)
            // S3 answers a key or signature it does not accept with 403.
            r.failure = r.code == 403 && !login_.accepted                            ? RemoteFailure::LoginDenied
                : r.code == 404 && S3ErrorText(r.body).rfind("NoSuchBucket", 0) != 0 ? RemoteFailure::NotFound
                : r.code >= 500                                                      ? RemoteFailure::Connection
                                                                                     : RemoteFailure::Refused;
        else if (httpError)
            r.failure = r.code == 401            ? RemoteFailure::LoginDenied
                : r.code == 404 || r.code == 409 ? RemoteFailure::NotFound
                                                 : RemoteFailure::Refused;
        else
            switch (curlCode) {
            case CURLE_REMOTE_FILE_NOT_FOUND: r.failure = RemoteFailure::NotFound; break;
            case CURLE_LOGIN_DENIED: r.failure = RemoteFailure::LoginDenied; break;
            case CURLE_REMOTE_ACCESS_DENIED:
            case CURLE_REMOTE_DISK_FULL:
            case CURLE_REMOTE_FILE_EXISTS:
            case CURLE_UPLOAD_FAILED:
            case CURLE_QUOTE_ERROR:
            case CURLE_FTP_COULDNT_RETR_FILE:
            case CURLE_FTP_COULDNT_USE_REST:
            case CURLE_WRITE_ERROR:
            case CURLE_READ_ERROR:
            case CURLE_FILESIZE_EXCEEDED: r.failure = RemoteFailure::Refused; break;
            case CURLE_PARTIAL_FILE:
                // An FTP server that answered the transfer with an error
                // ("426 transfer aborted", "452 no space") is still there.
                if (login_.IsFtp() && !reply_.empty() && (reply_[0] == '4' || reply_[0] == '5')) {
                    r.failure = RemoteFailure::Refused;
                    r.cause = reply_;
                    break;
                }
                [[fallthrough]];
            default: r.failure = RemoteFailure::Connection;
            }
    }
    if (file_) {
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (op_.kind == RemoteOp::Kind::Get) {
            if (r.ok && closed && std::rename(partFile_.c_str(), op_.local.c_str()) == 0)
                return r;
            std::remove(partFile_.c_str());
            if (r.ok) {
                r.ok = false;
                r.failure = RemoteFailure::Refused;
                r.cause = "Cannot write " + op_.local;
            }
        }
    }
    return r;
}

std::string CurlTransfer::causeOf(int curlCode, long osErrno) const
{
    const std::string host = login_.HostText();
    const std::string err = errbuf_;
    const std::string system = osErrno ? std::string(std::strerror(static_cast<int>(osErrno))) : std::string();
    if (cancelled_)
        return "Cancelled";
    double elapsed = 0;
    curl_easy_getinfo(easy_, CURLINFO_TOTAL_TIME, &elapsed);
    if (curlCode == CURLE_OPERATION_TIMEDOUT && op_.timeoutSeconds > 0 && !stalled_
        && elapsed + 0.5 >= op_.timeoutSeconds)
        return "Not done within " + std::to_string(op_.timeoutSeconds) + " s";
    if (stalled_ || curlCode == CURLE_OPERATION_TIMEDOUT)
        return "No answer from " + host + " for " + std::to_string(login_.stallSeconds) + " s";
    if (!hostKeyProblem_.empty())
        return hostKeyProblem_;
    if (bodyTooLarge_)
        return "The server's answer is too large";
    if (isHttp(login_) && curlCode == CURLE_OK) {
        // The status line itself ("403 Forbidden", "507 Insufficient Storage").
        std::string status = reply_;
        if (StartsWith(status, "HTTP/")) {
            const size_t sp = status.find(' ');
            status = sp == std::string::npos ? status : status.substr(sp + 1);
        }
        if (status.empty())
            status = std::to_string(0);
        if (StartsWith(status, "401"))
            return status
                + (login_.accepted ? " (this account may not do that here)"
                                   : " (the account or password was not accepted)");
        if (StartsWith(status, "507"))
            return status + " (disk full on the server)";
        return status;
    }
    switch (curlCode) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return "Cannot find the server " + login_.host + (err.empty() ? "" : " (" + err + ")");
    case CURLE_COULDNT_CONNECT: return "Cannot connect to " + host + ": " + (system.empty() ? err : system);
    case CURLE_PEER_FAILED_VERIFICATION:
        return "The server's certificate is not trusted: " + err
            + (login_.caFile.empty() ? " (give the certificate of the authority that signed it with --cacert)" : "");
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE: return "TLS failed with " + host + ": " + err;
    case CURLE_USE_SSL_FAILED: return host + " does not offer TLS: " + (reply_.empty() ? err : reply_);
    case CURLE_REMOTE_DISK_FULL: return "Disk full on the server" + (reply_.empty() ? std::string() : ": " + reply_);
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING: return "Connection to " + host + " lost: " + (system.empty() ? err : system);
    case CURLE_SSH:
        // libssh2 reports a connection that broke off only as an SSH error.
        return "Connection to " + host + " lost: "
            + (!system.empty()    ? system
                   : !err.empty() ? err
                                  : std::string("the SSH session ended"));
    default: break;
    }
    // FTP: the reply to the command that failed; SFTP: libcurl's account
    // of the SFTP status ("Upload failed: Permission denied (3/-31)").
    if (login_.IsFtp() && !reply_.empty() && reply_[0] >= '4')
        return reply_;
    if (!err.empty())
        return err + (system.empty() || err.find(system) != std::string::npos ? "" : " (" + system + ")");
    return curl_easy_strerror(static_cast<CURLcode>(curlCode));
}

size_t CurlTransfer::onHeader(char* data, size_t size, size_t n, void* self)
{
    auto* t = static_cast<CurlTransfer*>(self);
    std::string line(data, size * n);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    t->Touch();
    if (t->op_.wantBody && t->op_.kind == RemoteOp::Kind::Probe) {
        t->body_ += line + "\n";  // what an SFTP quote command answers (statvfs)
        return size * n;
    }
    if (StartsWith(Lower(line), "etag:")) {
        t->etag_ = Trim(line.substr(5));
    } else if (StartsWith(line, "HTTP/")) {
        t->reply_ = line;  // the status of the latest response
    } else if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ') {
        t->reply_ = line;  // the last line of an FTP reply
        if (line.compare(0, 4, "220 ") == 0)
            ++t->greetings_;
    }
    return size * n;
}

size_t CurlTransfer::onRead(char* data, size_t size, size_t n, void* self)
{
    // The file's part only (an S3 upload in parts reads one at a time).
    auto* t = static_cast<CurlTransfer*>(self);
    const size_t want = static_cast<size_t>(std::min<int64_t>(t->toRead_, static_cast<int64_t>(size * n)));
    const size_t got = want == 0 ? 0 : std::fread(data, 1, want, t->file_);
    if (got < want && std::ferror(t->file_))
        return CURL_READFUNC_ABORT;
    t->toRead_ -= static_cast<int64_t>(got);
    return got;
}

size_t CurlTransfer::onWrite(char* data, size_t size, size_t n, void* self)
{
    auto* t = static_cast<CurlTransfer*>(self);
    t->Touch();
    if (!t->op_.wantBody)
        return size * n;
    if (t->body_.size() + size * n > kMaxBody) {
        t->bodyTooLarge_ = true;
        return 0;
    }
    t->body_.append(data, size * n);
    return size * n;
}

int CurlTransfer::onProgress(void* self, int64_t, int64_t dlNow, int64_t, int64_t ulNow)
{
    auto* t = static_cast<CurlTransfer*>(self);
    if (ulNow != t->sent_ || dlNow != t->lastDl_) {
        t->sent_ = ulNow;
        t->lastDl_ = dlNow;
        t->Touch();
    }
    // Given up: libcurl closes an SFTP file by waiting on the server (up
    // to the low-speed time again, with a hanging one); it stops at once.
    return t->stalled_ || t->cancelled_ ? 1 : 0;
}

CurlLoop::CurlLoop()
{
    std::call_once(g_curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    multi_ = curl_multi_init();
}

CurlLoop::~CurlLoop()
{
    for (CurlTransfer* t : running_)
        curl_multi_remove_handle(multi_, t->Handle());
    curl_multi_cleanup(multi_);
}

void CurlLoop::SetMaxConnections(int n)
{
    maxConnections_ = std::max(1, n);
    curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(maxConnections_));
    curl_multi_setopt(multi_, CURLMOPT_MAXCONNECTS, static_cast<long>(maxConnections_ + 1));
}

void CurlLoop::Add(CurlTransfer* t)
{
    t->Touch();
    curl_multi_add_handle(multi_, t->Handle());
    running_.push_back(t);
}

void CurlLoop::Remove(CurlTransfer* t)
{
    const auto it = std::find(running_.begin(), running_.end(), t);
    if (it == running_.end())
        return;
    curl_multi_remove_handle(multi_, t->Handle());
    running_.erase(it);
}

void CurlLoop::DropConnections()
{
    for (CurlTransfer* t : running_)
        curl_multi_remove_handle(multi_, t->Handle());
    running_.clear();
    curl_multi_cleanup(multi_);
    multi_ = curl_multi_init();
    SetMaxConnections(maxConnections_);
}

std::vector<CurlLoop::Done> CurlLoop::Wait(int stallSeconds, const std::atomic<bool>& cancel)
{
    std::vector<Done> done;
    const auto limit = std::chrono::seconds(std::max(1, stallSeconds)) + std::chrono::milliseconds(500);
    while (done.empty() && !running_.empty()) {
        int active = 0;
        curl_multi_perform(multi_, &active);
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi_, &queued)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            void* priv = nullptr;
            curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &priv);
            auto* t = static_cast<CurlTransfer*>(priv);
            const int rc = msg->data.result;
            curl_multi_remove_handle(multi_, msg->easy_handle);
            running_.erase(std::remove(running_.begin(), running_.end(), t), running_.end());
            done.push_back({t, t->Finish(rc)});
        }
        // Given up: cancelled by the user, or no progress for too long.
        const auto now = std::chrono::steady_clock::now();
        for (CurlTransfer* t : std::vector<CurlTransfer*>(running_)) {
            if (cancel || now - t->LastActivity() > limit) {
                t->MarkGivenUp(cancel);
                Remove(t);
                done.push_back({t, t->Finish(CURLE_ABORTED_BY_CALLBACK)});
            }
        }
        if (!done.empty() || running_.empty())
            break;
        // libcurl wakes the poll at its own next timeout or on activity,
        // but not always: when an FTP server's "229" (EPSV) is already
        // there as it sends the command, libcurl 7.88 finishes that step
        // at once and leaves the data connection to open at its next call,
        // with neither a socket to wait on nor a timer of its own. A short
        // wait keeps that from costing a tenth of a second per file; it
        // also bounds how late a cancel or a stall is noticed.
        curl_multi_poll(multi_, nullptr, 0, kPollMs, nullptr);
    }
    return done;
}

RemoteResult RunRemoteOp(CurlLoop& loop, CurlTransfer& t, const RemoteOp& op, const std::atomic<bool>& cancel)
{
    RemoteResult r;
    if (!t.Prepare(op, r))
        return r;
    loop.Add(&t);
    for (;;) {
        for (auto& d : loop.Wait(t.Login().stallSeconds, cancel))
            if (d.transfer == &t)
                return d.result;
    }
}

}  // namespace pellucor
