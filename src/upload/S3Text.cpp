#include "upload/S3Text.h"

#include <QMimeDatabase>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>

#include "core/TavString.h"

namespace pellucor {

namespace {
bool unreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

std::string encode(const std::string& text, bool keepSlash)
{
    std::string out;
    for (unsigned char c : text) {
        if (unreserved(c) || (keepSlash && c == '/')) {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// The text of each element named in names, in document order.
std::vector<std::pair<std::string, std::string>> elements(const std::string& xml, const std::vector<std::string>& names)
{
    std::vector<std::pair<std::string, std::string>> out;
    QXmlStreamReader r(QByteArray::fromStdString(xml));
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        const std::string name = r.name().toString().toStdString();
        if (std::find(names.begin(), names.end(), name) != names.end())
            out.emplace_back(name, r.readElementText(QXmlStreamReader::IncludeChildElements).toStdString());
    }
    return out;
}
}  // namespace

std::string S3EncodeKey(const std::string& key) { return encode(key, true); }

std::string S3Query(std::vector<std::pair<std::string, std::string>> params)
{
    for (auto& [name, value] : params) {
        name = encode(name, false);
        value = encode(value, false);
    }
    std::sort(params.begin(), params.end());
    std::string out;
    for (const auto& [name, value] : params)
        out += (out.empty() ? "?" : "&") + name + "=" + value;
    return out;
}

bool ParseS3Listing(const std::string& xml, S3Listing& listing)
{
    listing = S3Listing {};
    bool isListing = false;
    QXmlStreamReader r(QByteArray::fromStdString(xml));
    S3Listing::Object object;
    bool inPrefixes = false;
    while (!r.atEnd()) {
        r.readNext();
        const QStringView name = r.name();
        if (r.isStartElement()) {
            if (name == QLatin1String("ListBucketResult"))
                isListing = true;
            else if (name == QLatin1String("Contents"))
                object = S3Listing::Object {};
            else if (name == QLatin1String("CommonPrefixes"))
                inPrefixes = true;
            else if (name == QLatin1String("Key"))
                object.key = r.readElementText().toStdString();
            else if (name == QLatin1String("ETag"))
                object.etag = r.readElementText().remove('"').toStdString();
            else if (name == QLatin1String("Size"))
                object.size = r.readElementText().toLongLong();
            else if (name == QLatin1String("Prefix") && inPrefixes)
                listing.prefixes.push_back(r.readElementText().toStdString());
            else if (name == QLatin1String("IsTruncated"))
                listing.truncated = r.readElementText() == QLatin1String("true");
            else if (name == QLatin1String("NextContinuationToken"))
                listing.nextToken = r.readElementText().toStdString();
        } else if (r.isEndElement()) {
            if (name == QLatin1String("Contents"))
                listing.objects.push_back(object);
            else if (name == QLatin1String("CommonPrefixes"))
                inPrefixes = false;
        }
    }
    return isListing && !r.hasError();
}

std::string S3ErrorText(const std::string& xml)
{
    std::string code, message;
    for (const auto& [name, text] : elements(xml, {"Code", "Message"}))
        (name == "Code" ? code : message) = text;
    if (code.empty())
        return "";
    return message.empty() ? code : code + ": " + message;
}

std::string S3UploadId(const std::string& xml)
{
    const auto found = elements(xml, {"UploadId"});
    return found.empty() ? "" : found.front().second;
}

std::vector<std::pair<std::string, std::string>> S3UnfinishedUploads(const std::string& xml)
{
    std::vector<std::pair<std::string, std::string>> uploads;
    std::string key;
    for (const auto& [name, text] : elements(xml, {"Key", "UploadId"}))
        if (name == "Key")
            key = text;
        else
            uploads.emplace_back(key, text);
    return uploads;
}

std::string S3ContentType(const std::string& name)
{
    // Types a browser must be told exactly, the rest by the system's table.
    const std::string low = Lower(name);
    const std::pair<const char*, const char*> exact[] = {
        {".htm", "text/html; charset=utf-8"},
        {".html", "text/html; charset=utf-8"},
        {".css", "text/css"},
        {".js", "text/javascript"},
        {".vtt", "text/vtt"},
        {".m3u8", "application/vnd.apple.mpegurl"},
        {".mpd", "application/dash+xml"},
        {".m4s", "video/iso.segment"},
        {".ts", "video/mp2t"},
        {".json", "application/json"},
    };
    for (const auto& [ext, type] : exact)
        if (EndsWith(low, ext))
            return type;
    static const QMimeDatabase db;
    const QMimeType type = db.mimeTypeForFile(QString::fromStdString(name), QMimeDatabase::MatchExtension);
    return type.isDefault() ? "application/octet-stream" : type.name().toStdString();
}

std::string S3CacheControl(const std::string& name)
{
    const std::string low = Lower(name);
    for (const char* page : {".htm", ".html", ".js", ".css", ".xml", ".json", ".m3u8", ".mpd", ".txt", ".vtt"})
        if (EndsWith(low, page))
            return "public, max-age=60";
    return "public, max-age=31536000, immutable";
}

}  // namespace pellucor
