#include "upload/RemoteAddress.h"

#include <curl/curl.h>

#include <QDir>

#include <pwd.h>
#include <unistd.h>

#include "core/TavString.h"
#include "upload/FtpText.h"
#include "upload/S3Text.h"

namespace pellucor {

namespace {
struct SchemeInfo {
    const char* text;  // as typed
    RemoteProtocol protocol;
};
constexpr SchemeInfo kSchemes[] = {
    {"ftp", RemoteProtocol::Ftp},   {"ftpes", RemoteProtocol::Ftpes}, {"ftps", RemoteProtocol::Ftps},
    {"sftp", RemoteProtocol::Sftp}, {"http", RemoteProtocol::Dav},    {"https", RemoteProtocol::Davs},
    {"s3", RemoteProtocol::S3},
};

// The scheme of a server text ("" for a plain host name).
std::string schemeOf(const std::string& text)
{
    const size_t sep = text.find("://");
    return sep == std::string::npos ? std::string() : Lower(text.substr(0, sep));
}

std::string escapeSegments(const std::string& absPath)
{
    std::string out;
    std::string seg;
    auto flush = [&] {
        if (seg.empty())
            return;
        char* e = curl_easy_escape(nullptr, seg.c_str(), static_cast<int>(seg.size()));
        out += "/" + std::string(e ? e : "");
        curl_free(e);
        seg.clear();
    };
    for (char c : absPath) {
        if (c == '/')
            flush();
        else
            seg.push_back(c);
    }
    flush();
    return out;
}
}  // namespace

const char* RemoteSchemeName(RemoteProtocol protocol)
{
    for (const auto& s : kSchemes)
        if (s.protocol == protocol)
            return s.text;
    return "ftp";
}

RemoteProtocol RemoteProtocolOf(const std::string& serverText)
{
    const std::string scheme = schemeOf(Trim(serverText));
    for (const auto& s : kSchemes)
        if (scheme == s.text)
            return s.protocol;
    return RemoteProtocol::Ftp;
}

std::string RemoteWithProtocol(const std::string& serverText, RemoteProtocol protocol)
{
    const std::string text = Trim(serverText);
    const size_t sep = text.find("://");
    const std::string rest = sep == std::string::npos ? text : text.substr(sep + 3);
    return std::string(RemoteSchemeName(protocol)) + "://" + rest;
}

bool RemoteLogin::Parse(const std::string& serverText, std::string& error)
{
    const std::string url = FtpServerUrl(serverText);
    const std::string typed = schemeOf(url);
    bool known = false;
    for (const auto& s : kSchemes)
        if (typed == s.text) {
            protocol = s.protocol;
            known = true;
        }
    if (!known) {
        error = "Not an address this program uploads to (ftp://, ftpes://, ftps://, sftp://, http://, https://, "
                "s3://): "
            + FtpRedactUrl(url);
        return false;
    }
    // libcurl knows ftpes:// as ftp:// with TLS required,
    // and s3://BUCKET/PREFIX not at all: it is read as an http:// address.
    const std::string curlText = protocol == RemoteProtocol::Ftpes ? "ftp" + url.substr(5)
        : protocol == RemoteProtocol::S3                           ? "http" + url.substr(2)
                                                                   : url;
    CURLU* u = curl_url();
    auto part = [u](CURLUPart which, unsigned flags = 0) {
        char* value = nullptr;
        std::string out;
        if (curl_url_get(u, which, &value, flags) == CURLUE_OK && value)
            out = value;
        curl_free(value);
        return out;
    };
    const bool ok = curl_url_set(u, CURLUPART_URL, curlText.c_str(), 0) == CURLUE_OK;
    if (ok) {
        scheme = Lower(part(CURLUPART_SCHEME));
        host = part(CURLUPART_HOST);
        const std::string portText = part(CURLUPART_PORT);
        port = portText.empty() ? 0 : std::atoi(portText.c_str());
        authority = scheme + "://" + host + (portText.empty() ? "" : ":" + portText);
        basePath = part(CURLUPART_PATH, CURLU_URLDECODE);
        if (basePath == "/")
            basePath.clear();
        urlUser = part(CURLUPART_USER, CURLU_URLDECODE);
        urlPassword = part(CURLUPART_PASSWORD, CURLU_URLDECODE);
    }
    curl_url_cleanup(u);
    if (!ok || host.empty()) {
        error = "Bad server address " + FtpRedactUrl(url);
        return false;
    }
    if (protocol == RemoteProtocol::S3) {
        // The host names the bucket; the endpoint comes apart.
        bucket = host;
        scheme.clear();
        authority.clear();
        port = 0;
        if (basePath.size() > 1 && basePath.back() == '/')
            basePath.pop_back();
    }
    return true;
}

bool RemoteLogin::SetEndpoint(const std::string& endpoint, std::string& error)
{
    RemoteLogin e;
    const std::string text = Trim(endpoint);
    const std::string typed = schemeOf(text);
    if ((typed != "http" && typed != "https") || !e.Parse(text, error) || (e.basePath != "" && e.basePath != "/")) {
        error = "The S3 endpoint is an address http://HOST[:PORT] or https://HOST[:PORT]: " + FtpRedactUrl(text);
        return false;
    }
    scheme = e.scheme;
    authority = e.authority;
    host = e.host;
    port = e.port;
    return true;
}

std::string RemoteLogin::BucketUrl(const std::string& query) const { return authority + "/" + bucket + query; }

std::string RemoteLogin::User() const
{
    if (!user.empty())
        return user;
    if (!urlUser.empty() || protocol != RemoteProtocol::Sftp)
        return urlUser;
    const passwd* pw = ::getpwuid(::getuid());
    return pw ? pw->pw_name : "";
}

bool RemoteLogin::UsesTls() const
{
    return protocol == RemoteProtocol::Ftpes || protocol == RemoteProtocol::Ftps || protocol == RemoteProtocol::Davs
        || (protocol == RemoteProtocol::S3 && scheme == "https");
}

bool RemoteLogin::IsFtp() const
{
    return protocol == RemoteProtocol::Ftp || protocol == RemoteProtocol::Ftpes || protocol == RemoteProtocol::Ftps;
}

std::string RemoteLogin::HostText() const { return port > 0 ? host + ":" + std::to_string(port) : host; }

std::string RemoteLogin::UrlFor(const std::string& absPath, bool dir) const
{
    // FTP paths start at the login directory unless the first segment is
    // an encoded "/"; the others are absolute as they stand.
    if (protocol == RemoteProtocol::S3) {
        // Object names: everything outside the unreserved characters
        // encoded, "/" kept (as the signature's canonical path has it).
        std::string key = absPath;
        while (!key.empty() && key.front() == '/')
            key.erase(0, 1);
        return authority + "/" + bucket + "/" + S3EncodeKey(key) + (dir && !key.empty() ? "/" : "");
    }
    const std::string segments = escapeSegments(absPath);
    if (IsFtp())
        return authority + "/%2F" + (segments.empty() ? "/" : segments.substr(1) + (dir ? "/" : ""));
    return authority + segments + (dir || segments.empty() ? "/" : "");
}

std::string RemoteLogin::BaseUrl() const
{
    return protocol == RemoteProtocol::S3 ? UrlFor(basePath, true) : authority + escapeSegments(basePath) + "/";
}

std::string RemoteLogin::KnownHostsFile() const
{
    return knownHosts.empty() ? QDir::homePath().toStdString() + "/.ssh/known_hosts" : knownHosts;
}

}  // namespace pellucor
