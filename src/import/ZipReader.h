// Read-only access to the members of a zip file (libzip).
#pragma once

#include <QByteArray>

#include <memory>
#include <optional>
#include <string>

struct zip;

namespace pellucor {

class ZipReader {
public:
    explicit ZipReader(const std::string& path);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool IsOpen() const { return zip_ != nullptr; }
    bool Has(const std::string& name) const;
    // The member's bytes; nullopt when it is missing, unreadable or larger
    // than maxBytes.
    std::optional<QByteArray> Read(const std::string& name, qint64 maxBytes = 256 << 20) const;

private:
    ::zip* zip_ = nullptr;
};

}  // namespace pellucor
