// Starts tests/upload/ftp_server.py (pyftpdlib) on a free 127.0.0.1 port
// with a temporary root, and stops it again.
#pragma once

#include <QProcess>

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace pellucor {

class FtpTestServer {
public:
    static constexpr const char* kUser = "alice";
    static constexpr const char* kPassword = "s3cr3t-Pa55";

    // extraArgs go to the server script (e.g. {"--refuse", "b.txt"}).
    explicit FtpTestServer(const std::vector<std::string>& extraArgs = {});
    ~FtpTestServer();

    bool started() const { return port_ > 0; }
    // Ends the server at once (SIGKILL), as a crash or a dropped line would.
    void Kill();
    int port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    // The server's root directory on disk (ends in "/").
    std::string root() const { return root_.dir(); }

private:
    testing_support::TempDir root_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
};

// Makes sure a QCoreApplication exists for the rest of the test process.
void EnsureCoreApplication();

}  // namespace pellucor
