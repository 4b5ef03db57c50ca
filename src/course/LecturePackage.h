// A published lecture zipped for a learning platform: a SCORM 1.2 or SCORM
// 2004 package (imsmanifest.xml at the root, one item, one SCO resource
// launched from index.htm, every file listed) or an IMS Common Cartridge
// 1.1 (one web-content resource). The publication itself is only read.
//
// In a SCORM package index.htm is the launcher: inside a platform it opens
// the lecture in a frame of its own, stores the place reached as the
// lesson location (a page and a time, such as "part2.htm#t=75"), resumes
// there, reports the lecture completed once every part has been played to
// 90% of its length, commits and finishes; outside a platform it opens
// the lecture's own first page (kept as "pellucor-contents.htm"), which
// works as it always did.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pellucor {

enum class PackageKind { Scorm12, Scorm2004, CommonCartridge };

struct PackageFile {
    std::string name;    // path inside the package, "/" between levels
    std::string source;  // the file it is read from; empty: text below
    std::string text;
};

// What goes into the package of the publication in dir (the manifest
// first). False with err when dir is not a publication.
bool PlanPackage(const std::string& dir, PackageKind kind, std::vector<PackageFile>& files, std::string& err);

// The imsmanifest.xml of a package of title holding files (paths inside the
// package), launched from launch.
std::string PackageManifest(PackageKind kind, const std::string& title, const std::string& launch,
                            const std::vector<std::string>& files);

// Zips the publication in dir into out (written beside it under a
// temporary name, renamed when complete). progress gets 0..100.
bool WritePackage(const std::string& dir, PackageKind kind, const std::string& out, std::string& err,
                  const std::function<void(int)>& progress = {});

}  // namespace pellucor
