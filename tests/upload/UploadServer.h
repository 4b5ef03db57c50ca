// Real servers on 127.0.0.1 for the upload tests, each started from its
// script in servers/ (or ftp_server.py) in a session of its own.
#pragma once

#include <QProcess>
#include <QStringList>

#include <map>

#include <ostream>
#include <string>

#include "PellucorProcess.h"
#include "TestSupport.h"

namespace pellucor {

enum class ServerKind { PyFtp, Proftpd, Vsftpd, Sshd, Dav, DavDigest, SftpPassword, Swift };
const char* ServerKindName(ServerKind kind);
inline void PrintTo(ServerKind kind, std::ostream* os) { *os << ServerKindName(kind); }

class UploadServer {
public:
    explicit UploadServer(ServerKind kind);
    ~UploadServer();

    bool started() const { return started_; }
    // The --host address and the options that log in as the account that
    // may write (or, readOnly, as one that may only read), certificates and
    // host keys trusted.
    std::string url(bool readOnly = false) const;
    QStringList login(bool readOnly = false) const;
    // The remote directory an upload goes to, and where it lands on disk.
    std::string remote(const std::string& name) const;
    std::string onDisk(const std::string& name) const;
    // Options that trust nothing: the certificate or host key is unknown.
    QStringList untrusted() const;
    std::string hostKeyFingerprint() const { return value("FINGERPRINT"); }
    // The client's home (its ~/.ssh/known_hosts) and the server's files.
    std::string home() const { return dir_.dir() + "home/"; }
    std::string work() const { return dir_.dir() + "server/"; }
    // Ends the server and every process it started at once (SIGKILL).
    void Kill();
    // Stops the server and every process it started where they are
    // (SIGSTOP), as a server that hangs; Kill still ends them.
    void Pause();
    // Starts it again after Kill, with what it stored (Swift); false when
    // it does not come up.
    bool Restart();

    // Swift: the objects under prefix of its bucket as rclone fetches them
    // (name to content, as treeContents gives a folder), and the JSON of
    // rclone's listing of them with their types.
    std::map<std::string, std::string> objects(const std::string& prefix) const;
    std::string objectList(const std::string& prefix) const;
    // Swift: rclone's JSON of the bucket's unfinished uploads in parts.
    std::string unfinishedUploads() const;

private:
    void start();
    std::string value(const std::string& key) const;
    QStringList rclone(const QStringList& args) const;

    ServerKind kind_;
    testing_support::TempDir dir_;
    QProcess process_;
    QByteArray output_;
    bool started_ = false;
};

// `pellucor upload LOCAL --remote REMOTE` with server's login and options,
// HOME (for known_hosts), the preferences and the debug log in its home.
using UploadRun = testing_support::ProcessOutcome;
UploadRun runUpload(const UploadServer& server, const std::string& local, const std::string& remote,
                    const QStringList& options, bool readOnly = false);
UploadRun runUploadTo(const std::string& home, const std::string& url, const std::string& local,
                      const QStringList& options, const QStringList& env = {});

}  // namespace pellucor
