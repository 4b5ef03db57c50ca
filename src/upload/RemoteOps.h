// How each protocol does the remote operations of an upload with libcurl:
// FTP by its commands (CWD, MKD, STOR, RNFR/RNTO), SFTP by libcurl's SFTP
// quote commands, WebDAV by HTTP methods (PROPFIND, MKCOL, PUT, MOVE,
// DELETE), S3 by its object requests (a path's folders are the prefix of
// its object name). Paths are absolute remote paths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "upload/CurlTransfer.h"
#include "upload/RemoteAddress.h"

namespace pellucor {

class RemoteOps {
public:
    explicit RemoteOps(const RemoteLogin& login) : login_(login) { }

    // Connects and logs in at the address's own directory (SFTP: asks the
    // server for the home directory as well).
    RemoteOp Login() const;
    // Succeeds when dir is a directory the account may enter.
    RemoteOp ChangeDir(const std::string& dir) const;
    RemoteOp List(const std::string& dir, bool namesOnly) const;
    RemoteOp MakeDir(const std::string& dir) const;
    RemoteOp RemoveDir(const std::string& dir) const;
    RemoteOp Delete(const std::string& path) const;
    // Replaces an existing target where the protocol allows it (FTP servers
    // and WebDAV do; SFTP needs the target removed first, see
    // ReplaceByRename).
    RemoteOp Rename(const std::string& from, const std::string& to) const;
    // SFTP: removes the target, then renames onto it.
    RemoteOp ReplaceByRename(const std::string& from, const std::string& to) const;
    // Sends local to remote; with renameTo, FTP and SFTP rename the file
    // on the same connection once it is complete.
    RemoteOp Put(const std::string& local, const std::string& remote, const std::string& renameTo = "") const;
    RemoteOp Get(const std::string& remote, const std::string& local) const;
    RemoteOp Size(const std::string& path) const;
    // SFTP only: the file system statistics of the one holding path, as
    // "f_bavail: N" lines in the body (FreeBytes reads them).
    RemoteOp FileSystem(const std::string& path) const;
    // FTP only: a command sent as it stands.
    RemoteOp Raw(const std::string& command) const;

    // S3: one page of the objects under dir (oneLevel: the names directly
    // in it, deeper ones as prefixes), from a continuation token.
    RemoteOp S3List(const std::string& dir, bool oneLevel, const std::string& token, int maxKeys = 0) const;
    // S3: stores text as the object at path.
    RemoteOp S3PutText(const std::string& path, const std::string& text, const std::string& cacheControl) const;
    // S3: the server copies the object at from to to.
    RemoteOp S3Copy(const std::string& from, const std::string& to) const;
    // S3: an upload in parts: started (the answer holds its id), each part
    // of local sent, completed from the parts' ETags, or given up.
    RemoteOp S3StartParts(const std::string& remote) const;
    RemoteOp S3PutPart(const std::string& local, const std::string& remote, const std::string& id, int number,
                       int64_t offset, int64_t length) const;
    RemoteOp S3CompleteParts(const std::string& remote, const std::string& id,
                             const std::vector<std::string>& etags) const;
    RemoteOp S3AbortParts(const std::string& remote, const std::string& id) const;
    // S3: the unfinished uploads in parts under dir.
    RemoteOp S3ListUnfinished(const std::string& dir) const;
    // The object name of an absolute path.
    static std::string s3Key(const std::string& path);

    // Whether Put renames by itself (else a Rename follows the Put).
    bool RenameRidesWithPut() const { return !isDav() && !isS3(); }
    // A failed MakeDir that still leaves the directory there (it existed).
    bool MayAlreadyExist(const RemoteResult& r) const;
    // The starting directory after a successful Login.
    std::string HomeOf(const RemoteResult& login) const;
    // A directory answer as names, one a line, directories ending in "/".
    std::string ListingNames(const std::string& dir, const std::string& body) const;
    // Whether a ChangeDir answer names a directory (WebDAV: a collection).
    bool IsDirectory(const RemoteResult& r) const;

private:
    bool isDav() const;
    bool isS3() const;
    RemoteOp quoted(const std::string& what, std::vector<std::string> commands) const;
    RemoteOp http(const std::string& what, const std::string& method, const std::string& url) const;
    // Asks for the resource type of dir (depth 0) or of its members (1).
    RemoteOp propfind(const std::string& what, const std::string& dir, int depth) const;

    const RemoteLogin& login_;
};

// The bytes free for the account in a FileSystem answer; -1 when it gives none.
int64_t FreeBytes(const std::string& statvfs);
// An SFTP quote argument: in double quotes, with backslash and quote escaped.
std::string SftpQuoteArg(const std::string& path);
// The names in a WebDAV multistatus answer for the collection at dir,
// directories ending in "/", the collection itself left out.
std::string DavListingNames(const std::string& dirPath, const std::string& xml);

}  // namespace pellucor
