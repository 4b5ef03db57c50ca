#include "upload/RemoteOps.h"

#include <cstdlib>
#include <limits>

#include <QUrl>
#include <QXmlStreamReader>

#include "core/TavString.h"
#include "upload/FtpText.h"
#include "upload/S3Text.h"

namespace pellucor {

namespace {
const char* kPropfindBody = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                            "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/></D:prop></D:propfind>";

std::string lastSegment(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

std::string SftpQuoteArg(const std::string& path)
{
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

bool RemoteOps::isS3() const { return login_.protocol == RemoteProtocol::S3; }

std::string RemoteOps::s3Key(const std::string& path)
{
    std::string key = path;
    while (!key.empty() && key.front() == '/')
        key.erase(0, 1);
    return key;
}

RemoteOp RemoteOps::S3List(const std::string& dir, bool oneLevel, const std::string& token, int maxKeys) const
{
    const std::string prefix = s3Key(dir);
    std::vector<std::pair<std::string, std::string>> query = {{"list-type", "2"}};
    if (!prefix.empty())
        query.emplace_back("prefix", prefix + "/");
    if (oneLevel)
        query.emplace_back("delimiter", "/");
    if (!token.empty())
        query.emplace_back("continuation-token", token);
    if (maxKeys > 0)
        query.emplace_back("max-keys", std::to_string(maxKeys));
    RemoteOp op = http("Listing " + (dir.empty() ? "/" : dir), "GET", login_.BucketUrl(S3Query(query)));
    op.wantBody = true;
    return op;
}

RemoteOp RemoteOps::S3PutText(const std::string& path, const std::string& text, const std::string& cacheControl) const
{
    RemoteOp op = http("Uploading " + path, "PUT", login_.UrlFor(path, false));
    op.headers = {"Content-Type: " + S3ContentType(path), "Cache-Control: " + cacheControl};
    op.requestBody = text;
    op.wantBody = true;
    return op;
}

RemoteOp RemoteOps::S3Copy(const std::string& from, const std::string& to) const
{
    RemoteOp op = http("Uploading " + to, "PUT", login_.UrlFor(to, false));
    op.headers = {"x-amz-copy-source: /" + login_.bucket + "/" + S3EncodeKey(s3Key(from)), "Content-Length: 0"};
    op.wantBody = true;
    return op;
}

RemoteOp RemoteOps::S3StartParts(const std::string& remote) const
{
    RemoteOp op = http("Uploading " + remote, "POST", login_.UrlFor(remote, false) + S3Query({{"uploads", ""}}));
    op.headers
        = {"Content-Type: " + S3ContentType(remote), "Cache-Control: " + S3CacheControl(remote), "Content-Length: 0"};
    op.wantBody = true;
    return op;
}

RemoteOp RemoteOps::S3PutPart(const std::string& local, const std::string& remote, const std::string& id, int number,
                              int64_t offset, int64_t length) const
{
    RemoteOp op;
    op.kind = RemoteOp::Kind::Put;
    op.local = local;
    op.offset = offset;
    op.length = length;
    op.url = login_.UrlFor(remote, false) + S3Query({{"partNumber", std::to_string(number)}, {"uploadId", id}});
    op.what = "Uploading " + remote;
    op.wantBody = true;
    return op;
}

RemoteOp RemoteOps::S3CompleteParts(const std::string& remote, const std::string& id,
                                    const std::vector<std::string>& etags) const
{
    RemoteOp op = http("Uploading " + remote, "POST", login_.UrlFor(remote, false) + S3Query({{"uploadId", id}}));
    std::string xml = "<CompleteMultipartUpload>";
    for (size_t i = 0; i < etags.size(); ++i)
        xml += "<Part><PartNumber>" + std::to_string(i + 1) + "</PartNumber><ETag>" + etags[i] + "</ETag></Part>";
    op.requestBody = xml + "</CompleteMultipartUpload>";
    op.headers = {"Content-Type: application/xml"};
    op.wantBody = true;
    return op;
}

RemoteOp RemoteOps::S3AbortParts(const std::string& remote, const std::string& id) const
{
    return http("Giving up " + remote, "DELETE", login_.UrlFor(remote, false) + S3Query({{"uploadId", id}}));
}

RemoteOp RemoteOps::S3ListUnfinished(const std::string& dir) const
{
    const std::string prefix = s3Key(dir);
    RemoteOp op = http("Listing the unfinished uploads of " + (dir.empty() ? "/" : dir), "GET",
                       login_.BucketUrl(S3Query({{"uploads", ""}, {"prefix", prefix.empty() ? "" : prefix + "/"}})));
    op.wantBody = true;
    return op;
}

bool RemoteOps::isDav() const
{
    return login_.protocol == RemoteProtocol::Dav || login_.protocol == RemoteProtocol::Davs;
}

RemoteOp RemoteOps::quoted(const std::string& what, std::vector<std::string> commands) const
{
    RemoteOp op;
    op.kind = RemoteOp::Kind::Probe;
    op.url = login_.UrlFor("/", true);
    if (login_.IsFtp())
        op.url = login_.authority + "/";  // no CWD: the commands carry absolute paths
    op.quote = std::move(commands);
    op.what = what;
    return op;
}

RemoteOp RemoteOps::http(const std::string& what, const std::string& method, const std::string& url) const
{
    RemoteOp op;
    op.kind = RemoteOp::Kind::Http;
    op.method = method;
    op.url = url;
    op.what = what;
    return op;
}

RemoteOp RemoteOps::propfind(const std::string& what, const std::string& dir, int depth) const
{
    RemoteOp op = http(what, "PROPFIND", login_.UrlFor(dir, true));
    op.headers = {"Depth: " + std::to_string(depth), "Content-Type: application/xml"};
    op.requestBody = kPropfindBody;
    op.wantBody = true;
    return op;
}

RemoteOp RemoteOps::Login() const
{
    if (isS3()) {
        RemoteOp op = S3List(login_.basePath, true, "", 1);
        op.what = "";
        return op;
    }
    if (isDav())
        return propfind("", login_.basePath, 0);
    RemoteOp op;
    op.kind = RemoteOp::Kind::Probe;
    op.what = "";  // the caller says that the login failed
    if (login_.protocol == RemoteProtocol::Sftp) {
        op.url = login_.authority + "/";
        op.quote = {"pwd"};
    } else {
        op.url = login_.BaseUrl();  // the address's own directory, inside the login directory
    }
    return op;
}

std::string RemoteOps::HomeOf(const RemoteResult& r) const
{
    if (isDav() || isS3())
        return FtpResolvePath("/", login_.basePath);
    std::string home = "/";
    std::string rel = login_.basePath;
    if (login_.protocol == RemoteProtocol::Sftp) {
        // The reply to "pwd": 257 "/home/user" is current directory.
        const size_t a = r.reply.find('"');
        const size_t b = a == std::string::npos ? a : r.reply.rfind('"');
        if (a != std::string::npos && b > a)
            home = r.reply.substr(a + 1, b - a - 1);
        // sftp://host/path is absolute; sftp://host/~/path starts at home.
        if (StartsWith(rel, "/~"))
            return FtpResolvePath(home, rel.substr(2));
        return rel.empty() ? home : FtpResolvePath("/", rel);
    }
    if (!r.ftpEntryPath.empty())
        home = r.ftpEntryPath;
    // ftp://host/dir/ names dir inside the login directory.
    if (!rel.empty() && rel[0] == '/')
        rel.erase(0, 1);
    return FtpResolvePath(home, rel);
}

RemoteOp RemoteOps::ChangeDir(const std::string& dir) const
{
    if (isS3()) {  // a prefix is there as soon as an object is put under it
        RemoteOp op = S3List(dir, true, "", 1);
        op.what = "Opening " + dir;
        return op;
    }
    if (isDav())
        return propfind("Opening " + dir, dir, 0);
    RemoteOp op;
    // SFTP opens the directory for reading, which proves it is one.
    op.kind = login_.protocol == RemoteProtocol::Sftp ? RemoteOp::Kind::NameList : RemoteOp::Kind::Probe;
    op.url = login_.UrlFor(dir, true);
    op.what = "Opening " + dir;
    return op;
}

bool RemoteOps::IsDirectory(const RemoteResult& r) const
{
    return !isDav() || r.body.find("collection") != std::string::npos;
}

RemoteOp RemoteOps::List(const std::string& dir, bool namesOnly) const
{
    if (isS3())
        return S3List(dir, true, "", 0);
    if (isDav())
        return propfind("Listing " + dir, dir, 1);
    RemoteOp op;
    op.kind = namesOnly ? RemoteOp::Kind::NameList : RemoteOp::Kind::List;
    op.url = login_.UrlFor(dir, true);
    op.wantBody = true;
    op.what = "Listing " + dir;
    return op;
}

std::string RemoteOps::ListingNames(const std::string& dir, const std::string& body) const
{
    if (isS3()) {
        S3Listing listing;
        ParseS3Listing(body, listing);
        const size_t skip = s3Key(dir).empty() ? 0 : s3Key(dir).size() + 1;
        std::string out;
        for (const auto& p : listing.prefixes)
            out += p.substr(std::min(skip, p.size())) + "\r\n";
        for (const auto& o : listing.objects)
            out += o.key.substr(std::min(skip, o.key.size())) + "\r\n";
        return out;
    }
    return isDav() ? DavListingNames(dir, body) : FtpListingNames(body);
}

RemoteOp RemoteOps::MakeDir(const std::string& dir) const
{
    const std::string what = "Creating folder " + dir;
    if (isS3()) {  // no folders: a look that the bucket answers
        RemoteOp op = S3List(dir, true, "", 1);
        op.what = what;
        return op;
    }
    if (isDav())
        return http(what, "MKCOL", login_.UrlFor(dir, true));
    if (login_.protocol == RemoteProtocol::Sftp)
        return quoted(what, {"mkdir " + SftpQuoteArg(dir)});
    return quoted(what, {"MKD " + dir});
}

bool RemoteOps::MayAlreadyExist(const RemoteResult& r) const
{
    // WebDAV answers 405 for a collection that exists; FTP and SFTP give a
    // general failure, so the caller looks.
    if (isDav())
        return r.code == 405;
    return r.failure == RemoteFailure::Refused;
}

RemoteOp RemoteOps::RemoveDir(const std::string& dir) const
{
    const std::string what = "Removing folder " + dir;
    if (isS3()) {
        RemoteOp op = S3List(dir, true, "", 1);
        op.what = what;
        return op;
    }
    if (isDav())
        return http(what, "DELETE", login_.UrlFor(dir, true));
    if (login_.protocol == RemoteProtocol::Sftp)
        return quoted(what, {"rmdir " + SftpQuoteArg(dir)});
    return quoted(what, {"RMD " + dir});
}

RemoteOp RemoteOps::Delete(const std::string& path) const
{
    const std::string what = "Deleting " + path;
    if (isDav() || isS3())
        return http(what, "DELETE", login_.UrlFor(path, false));
    if (login_.protocol == RemoteProtocol::Sftp)
        return quoted(what, {"rm " + SftpQuoteArg(path)});
    return quoted(what, {"DELE " + path});
}

RemoteOp RemoteOps::Rename(const std::string& from, const std::string& to) const
{
    const std::string what = "Renaming " + from + " to " + lastSegment(to);
    if (isDav()) {
        RemoteOp op = http(what, "MOVE", login_.UrlFor(from, false));
        op.headers = {"Destination: " + login_.UrlFor(to, false), "Overwrite: T"};
        return op;
    }
    if (login_.protocol == RemoteProtocol::Sftp)
        return quoted(what, {"rename " + SftpQuoteArg(from) + " " + SftpQuoteArg(to)});
    return quoted(what, {"RNFR " + from, "RNTO " + to});
}

RemoteOp RemoteOps::ReplaceByRename(const std::string& from, const std::string& to) const
{
    if (login_.protocol != RemoteProtocol::Sftp)
        return Rename(from, to);
    // An SFTP version 3 rename does not replace; the old file goes first.
    return quoted("Replacing " + to,
                  {"rm " + SftpQuoteArg(to), "rename " + SftpQuoteArg(from) + " " + SftpQuoteArg(to)});
}

RemoteOp RemoteOps::Put(const std::string& local, const std::string& remote, const std::string& renameTo) const
{
    RemoteOp op;
    op.kind = RemoteOp::Kind::Put;
    op.local = local;
    op.url = login_.UrlFor(remote, false);
    op.what = "Uploading " + (renameTo.empty() ? remote : renameTo);
    if (isS3()) {
        op.headers = {"Content-Type: " + S3ContentType(remote), "Cache-Control: " + S3CacheControl(remote)};
        op.wantBody = true;  // an error answer
        return op;
    }
    if (!renameTo.empty() && RenameRidesWithPut()) {
        if (login_.protocol == RemoteProtocol::Sftp)
            op.postQuote = {"rename " + SftpQuoteArg(remote) + " " + SftpQuoteArg(renameTo)};
        else
            op.postQuote = {"RNFR " + remote, "RNTO " + renameTo};
    }
    return op;
}

RemoteOp RemoteOps::Get(const std::string& remote, const std::string& local) const
{
    RemoteOp op;
    op.kind = RemoteOp::Kind::Get;
    op.local = local;
    op.url = login_.UrlFor(remote, false);
    op.what = "Downloading " + remote;
    return op;
}

RemoteOp RemoteOps::Size(const std::string& path) const
{
    if (isDav() || isS3())
        return http("Size of " + path, "HEAD", login_.UrlFor(path, false));
    RemoteOp op;
    op.kind = RemoteOp::Kind::Probe;
    op.url = login_.UrlFor(path, false);
    op.what = "Size of " + path;
    return op;
}

RemoteOp RemoteOps::Raw(const std::string& command) const { return quoted(command, {command}); }

RemoteOp RemoteOps::FileSystem(const std::string& path) const
{
    RemoteOp op = quoted("Checking the space on the server", {"statvfs " + SftpQuoteArg(path)});
    op.wantBody = true;
    return op;
}

int64_t FreeBytes(const std::string& statvfs)
{
    const auto field = [&](const std::string& name) -> int64_t {
        const size_t at = statvfs.find(name + ": ");
        return at == std::string::npos ? -1 : std::strtoll(statvfs.c_str() + at + name.size() + 2, nullptr, 10);
    };
    const int64_t blocks = field("f_bavail"), size = field("f_frsize") > 0 ? field("f_frsize") : field("f_bsize");
    if (blocks < 0 || size <= 0)
        return -1;
    // The server's figures: more than can be counted is plenty of space.
    return blocks > std::numeric_limits<int64_t>::max() / size ? std::numeric_limits<int64_t>::max() : blocks * size;
}

std::string DavListingNames(const std::string& dirPath, const std::string& xml)
{
    // Each <D:response> holds an <D:href> (the member's path, percent-encoded)
    // and its <D:resourcetype> (with <D:collection/> for a folder).
    QXmlStreamReader r(QByteArray::fromStdString(xml));
    std::string out;
    const QString self = QString::fromStdString(dirPath).section('/', 0, -1, QString::SectionSkipEmpty);
    QString href;
    bool collection = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.namespaceUri() == QLatin1String("DAV:")) {
            if (r.name() == QLatin1String("response")) {
                href.clear();
                collection = false;
            } else if (r.name() == QLatin1String("href")) {
                href = QUrl::fromPercentEncoding(r.readElementText().toUtf8());
            } else if (r.name() == QLatin1String("collection")) {
                collection = true;
            }
        } else if (r.isEndElement() && r.namespaceUri() == QLatin1String("DAV:")
                   && r.name() == QLatin1String("response")) {
            // A full URL or a path; only the path counts.
            QString path = href.startsWith("http") ? QUrl(href).path() : href;
            path = path.section('/', 0, -1, QString::SectionSkipEmpty);
            if (path == self || path.isEmpty())
                continue;
            const QString name = path.section('/', -1);
            out += name.toStdString() + (collection ? "/" : "") + "\r\n";
        }
    }
    return out;
}

}  // namespace pellucor
