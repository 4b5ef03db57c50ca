#include "core/ClaimJournal.h"

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace pellucor {

namespace fs = std::filesystem;

namespace {

const std::pair<ClaimStep, const char*> kSteps[] = {
    {ClaimStep::Claimed, "claimed"},       {ClaimStep::Moving, "moving"},
    {ClaimStep::Copying, "copying"},       {ClaimStep::Verified, "verified"},
    {ClaimStep::Moved, "moved"},           {ClaimStep::SourceRemoved, "source-removed"},
    {ClaimStep::Publishing, "publishing"}, {ClaimStep::Published, "published"},
    {ClaimStep::Indexed, "indexed"},       {ClaimStep::Refused, "refused"},
    {ClaimStep::Returning, "returning"},
};

// Values may hold any byte a file name may: they are stored percent-encoded.
std::string encode(const std::string& v) { return QByteArray::fromStdString(v).toPercentEncoding().toStdString(); }
std::string decode(const std::string& v)
{
    return QByteArray::fromPercentEncoding(QByteArray::fromStdString(v)).toStdString();
}

}  // namespace

const char* ClaimStepName(ClaimStep step)
{
    for (const auto& [s, name] : kSteps)
        if (s == step)
            return name;
    return "?";
}

std::string ClaimJournal::PathIn(const std::string& claimDir) { return (fs::path(claimDir) / "journal").string(); }

bool ClaimJournal::Read(const std::string& claimDir)
{
    std::ifstream in(PathIn(claimDir), std::ios::binary);
    if (!in)
        return false;
    std::string line;
    bool haveStep = false;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = decode(line.substr(eq + 1));
        if (key == "step") {
            for (const auto& [s, name] : kSteps)
                if (value == name) {
                    step = s;
                    haveStep = true;
                }
        } else if (key == "name") {
            name = value;
        } else if (key == "rel") {
            rel = value;
        } else if (key == "dest") {
            dest = value;
        } else if (key == "copy") {
            copy = value;
        } else if (key == "owner-start") {
            ownerStart = value;
        } else if (key == "job") {
            job = value;
        } else if (key == "resubmits") {
            // Another host wrote it: a number too large for an int is no count.
            int n = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
            resubmits = ec == std::errc() && end == value.data() + value.size() && n >= 0 ? n : 0;
        }
    }
    return haveStep;
}

bool ClaimJournal::Write(const std::string& claimDir, std::string& err) const
{
    std::ostringstream text;
    text << "step=" << ClaimStepName(step) << "\n"
         << "name=" << encode(name) << "\n"
         << "rel=" << encode(rel) << "\n"
         << "dest=" << encode(dest) << "\n"
         << "copy=" << encode(copy) << "\n"
         << "owner-start=" << encode(ownerStart) << "\n";
    if (!job.empty())
        text << "job=" << encode(job) << "\n";
    if (resubmits > 0)
        text << "resubmits=" << resubmits << "\n";
    const std::string data = text.str();
    const std::string tmp = PathIn(claimDir) + ".new";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        err = tmp + ": " + std::strerror(errno);
        return false;
    }
    const bool written = ::write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size()) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!written || std::rename(tmp.c_str(), PathIn(claimDir).c_str()) != 0) {
        err = PathIn(claimDir) + ": " + std::strerror(written ? errno : savedErrno);
        return false;
    }
    return true;
}

void ClaimJournal::Touch(const std::string& claimDir)
{
    std::error_code ec;
    fs::last_write_time(PathIn(claimDir), fs::file_time_type::clock::now(), ec);
}

}  // namespace pellucor
