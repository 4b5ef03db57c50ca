// The text of S3 requests and answers: object names and queries encoded as
// the V4 signature's canonical request has them (libcurl 7.88 signs the
// address as it is given, unsorted and unencoded), bucket listings and
// error answers read, and the headers each published file is stored with.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pellucor {

// Every byte outside A-Z a-z 0-9 - . _ ~ as %XX; "/" kept.
std::string S3EncodeKey(const std::string& key);
// "?name=value&..." sorted by name, names and values encoded ("/" too);
// "" without parameters.
std::string S3Query(std::vector<std::pair<std::string, std::string>> params);

// One page of a ListObjectsV2 answer.
struct S3Listing {
    struct Object {
        std::string key;
        std::string etag;  // without its quotes
        long long size = 0;
    };
    std::vector<Object> objects;
    std::vector<std::string> prefixes;  // CommonPrefixes, with their "/"
    bool truncated = false;
    std::string nextToken;  // NextContinuationToken
};
// False when xml is no listing.
bool ParseS3Listing(const std::string& xml, S3Listing& listing);
// "Code: Message" of an S3 error answer; "" when xml holds none.
std::string S3ErrorText(const std::string& xml);
// The UploadId of an answer to starting a multipart upload.
std::string S3UploadId(const std::string& xml);
// The unfinished multipart uploads of a ListMultipartUploads answer, as
// (key, upload id).
std::vector<std::pair<std::string, std::string>> S3UnfinishedUploads(const std::string& xml);

// The Content-Type a file is stored with, by its name.
std::string S3ContentType(const std::string& name);
// Pages are checked again after a minute; media, images and stream segments
// (whose version folder never changes) are kept a year.
std::string S3CacheControl(const std::string& name);

}  // namespace pellucor
