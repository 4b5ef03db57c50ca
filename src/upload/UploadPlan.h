// What one upload sends: the folders and files under a local directory,
// each with its path below the remote directory, folders before their
// contents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pellucor {

struct UploadPlan {
    struct File {
        std::string local;   // path on this machine
        std::string remote;  // path below the remote directory ("img/sld001.gif")
        int64_t size = 0;
        std::string copyFrom;  // S3: an object of the same content the server copies instead
    };
    std::string remoteDir;          // the directory everything goes into
    std::vector<std::string> dirs;  // below it, each after its parent
    std::vector<File> files;

    int64_t TotalBytes() const;
    // Every folder and file under local (symbolic links to files are sent as
    // the file; other special files are left out), each folder's entries in
    // name order. False with the reason when local cannot be read.
    bool Collect(const std::string& local, std::string& error);
    // Keeps only the files at the top; returns the names of the folders
    // left out.
    std::vector<std::string> DropFolders();
};

// How far an upload has come.
struct UploadProgress {
    size_t files = 0;   // files complete under their own name
    int64_t bytes = 0;  // bytes sent, those of files under way included
};

// The name a file is sent under until it is complete (".NAME.part" in the
// same folder).
std::string FtpTemporaryName(const std::string& name);
// The temporary path of a remote file path ("a/b.htm" -> "a/.b.htm.part").
std::string TemporaryPathOf(const std::string& path);

}  // namespace pellucor
