#include "upload/S3Publication.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <map>
#include <set>

#include "core/TavString.h"
#include "core/TavUtils.h"
#include "upload/FtpText.h"
#include "upload/RemoteOps.h"
#include "upload/S3Text.h"

namespace pellucor {

namespace {
constexpr const char* kVersionMark = "<meta name=\"pellucor-version\" content=\"";

bool isPageAtTop(const std::string& remote)
{
    const std::string low = Lower(remote);
    return remote.find('/') == std::string::npos && (EndsWith(low, ".htm") || EndsWith(low, ".html"));
}

// The pages students are sent to: the lecture's index page, or where it
// has none, every page at its top.
std::vector<std::string> entryPages(const UploadPlan& plan)
{
    std::vector<std::string> index, pages;
    for (const auto& f : plan.files) {
        if (!isPageAtTop(f.remote))
            continue;
        pages.push_back(f.remote);
        if (Lower(f.remote) == "index.htm" || Lower(f.remote) == "index.html")
            index.push_back(f.remote);
    }
    return index.empty() ? pages : index;
}

// The ETag S3 gives the file once uploaded: its MD5, or for one sent in
// parts the MD5 of the parts' MD5s and their count.
std::string etagOf(const std::string& path, int64_t size)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return "";
    if (size <= kS3PartSize) {
        QCryptographicHash hash(QCryptographicHash::Md5);
        return hash.addData(&f) ? hash.result().toHex().toStdString() : "";
    }
    QCryptographicHash ofParts(QCryptographicHash::Md5);
    int parts = 0;
    for (; !f.atEnd(); ++parts) {
        QCryptographicHash part(QCryptographicHash::Md5);
        for (int64_t left = kS3PartSize; left > 0 && !f.atEnd();) {
            const QByteArray chunk = f.read(std::min<int64_t>(left, 1 << 20));
            part.addData(chunk);
            left -= chunk.size();
        }
        ofParts.addData(part.result());
    }
    return ofParts.result().toHex().toStdString() + "-" + std::to_string(parts);
}

// Every object under dir (its whole listing, page by page).
bool listAll(TreeUpload& tree, const RemoteOps& ops, const std::string& dir, const std::atomic<bool>& cancel,
             std::vector<S3Listing::Object>& objects, RemoteResult& failure, std::string& what)
{
    std::string token;
    do {
        const RemoteOp op = ops.S3List(dir, false, token);
        failure = tree.RunOne(op, cancel);
        S3Listing page;
        if (!failure.ok || !ParseS3Listing(failure.body, page)) {
            if (failure.ok) {
                failure.ok = false;
                failure.failure = RemoteFailure::Refused;
                failure.cause = "The server's answer is no listing";
            }
            what = op.what;
            return false;
        }
        objects.insert(objects.end(), page.objects.begin(), page.objects.end());
        token = page.truncated ? page.nextToken : "";
    } while (!token.empty());
    return true;
}
}  // namespace

std::string S3VersionName()
{
    return "v-" + QDateTime::currentDateTimeUtc().toString("yyyyMMdd-HHmmss-zzz").toStdString();
}

std::string S3EntryPage(const std::string& version, const std::string& page)
{
    // Names are encoded to unreserved characters and "%": safe in the
    // attribute and the script's string alike.
    const std::string target = version + "/" + S3EncodeKey(page);
    const std::string name = QString::fromStdString(page).toHtmlEscaped().toStdString();
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n" + std::string(kVersionMark) + version
        + "\">\n<meta http-equiv=\"refresh\" content=\"0; url=" + target + "\">\n<script>location.replace(\"" + target
        + "\" + location.search + location.hash);</script>\n<title>" + name + "</title></head>\n<body><p><a href=\""
        + target + "\">" + name + "</a></p></body></html>\n";
}

std::string S3VersionOfEntry(const std::string& text)
{
    const size_t at = text.find(kVersionMark);
    if (at == std::string::npos)
        return "";
    const size_t from = at + std::string(kVersionMark).size();
    const size_t end = text.find('"', from);
    const std::string version = end == std::string::npos ? "" : text.substr(from, end - from);
    return StartsWith(version, "v-") && version.find('/') == std::string::npos ? version : "";
}

bool PublishToS3(TreeUpload& tree, const RemoteLogin& login, const UploadPlan& plan, const std::atomic<bool>& cancel,
                 RemoteResult& failure, std::string& what)
{
    const RemoteOps ops(login);
    const std::string prefix = plan.remoteDir == "/" ? "" : plan.remoteDir;
    const std::vector<std::string> entries = entryPages(plan);

    // What is there: every version, and the one the entry pages lead to.
    std::vector<S3Listing::Object> before;
    if (!listAll(tree, ops, prefix, cancel, before, failure, what))
        return false;
    std::string current;
    if (!entries.empty()) {
        RemoteOp get = ops.Size(prefix + "/" + entries.front());
        get.method = "GET";
        get.wantBody = true;
        const RemoteResult r = tree.RunOne(get, cancel);
        if (r.ok)
            current = S3VersionOfEntry(r.body);
    }
    const std::string currentKey = RemoteOps::s3Key(prefix + "/" + current + "/");
    std::map<std::string, std::string> etags;  // of the current version, by path below it
    for (const auto& o : before)
        if (!current.empty() && StartsWith(o.key, currentKey))
            etags[o.key.substr(currentKey.size())] = o.etag;

    // The new version, unchanged files copied from the current one.
    const std::string version = S3VersionName();
    UploadPlan inVersion = plan;
    inVersion.dirs.clear();
    inVersion.remoteDir = prefix + "/" + version;
    size_t copies = 0;
    for (auto& f : inVersion.files) {
        const auto old = etags.find(f.remote);
        if (old != etags.end() && etagOf(f.local, f.size) == old->second) {
            f.copyFrom = prefix + "/" + current + "/" + f.remote;
            ++copies;
        }
    }
    Tav_DebugLog("S3: publishing " + std::to_string(plan.files.size()) + " files as " + inVersion.remoteDir + " ("
                 + std::to_string(copies) + " unchanged, copied from " + (current.empty() ? "-" : current) + ")");
    if (!tree.Run(inVersion, cancel, failure, what))
        return false;

    // The entry pages, now that everything they lead to is there.
    std::vector<RemoteOp> puts;
    for (const auto& page : entries)
        puts.push_back(ops.S3PutText(prefix + "/" + page, S3EntryPage(version, page), "no-cache"));
    if (!tree.RunAll(puts, cancel, failure, what))
        return false;

    // The versions before, whole or left by an upload that failed.
    std::vector<RemoteOp> deletes;
    const std::string top = RemoteOps::s3Key(prefix + "/");
    for (const auto& o : before) {
        const std::string rel = o.key.substr(std::min(top.size(), o.key.size()));
        if (StartsWith(rel, "v-") && !StartsWith(rel, version + "/"))
            deletes.push_back(ops.Delete("/" + o.key));
    }
    // Uploads in parts that a failed upload left unfinished (their parts
    // are kept, and paid for, until they are given up).
    if (const RemoteResult unfinished = tree.RunOne(ops.S3ListUnfinished(prefix), cancel); unfinished.ok)
        for (const auto& [key, id] : S3UnfinishedUploads(unfinished.body))
            if (StartsWith(key.substr(std::min(top.size(), key.size())), "v-") && !StartsWith(key, top + version + "/"))
                deletes.push_back(ops.S3AbortParts("/" + key, id));
    Tav_DebugLog("S3: " + version + " is published; deleting " + std::to_string(deletes.size())
                 + " objects and unfinished uploads of the versions before");
    if (!tree.RunAll(deletes, cancel, failure, what)) {
        what = "Removing the version before (the new one is published): " + what;
        return false;
    }
    return true;
}

}  // namespace pellucor
