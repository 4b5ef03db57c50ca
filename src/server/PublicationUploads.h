// The server's uploads: each lecture it has published is sent on to the
// web host its settings name (FTP, SFTP, WebDAV or S3 object storage), one
// at a time on a thread of their own. What is still to be sent is noted in
// a hidden folder under the publish root, so that a server stopped or
// killed before an upload ends sends it at its next start; an upload that
// failed is tried again at the next check. Servers sharing the publish
// root send each publication once.
#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "core/PreferenceStore.h"

namespace pellucor {

class PublicationUploads : public QObject {
    Q_OBJECT
public:
    // prefs: the settings as they are now; log: a line for the server's log
    // (called on the thread the uploads were made on).
    PublicationUploads(std::function<PreferenceSnapshot()> prefs, std::function<void(const std::string&)> log,
                       QObject* parent = nullptr);
    ~PublicationUploads() override;  // waits for the upload under way

    // Whether the settings name a host to upload to.
    bool Wanted() const;
    // Notes pubDir, a folder under root, to be sent, and starts sending.
    void Add(const std::string& root, const std::string& pubDir);
    // Starts sending what is noted under root, when nothing is being sent.
    void Resume(const std::string& root);
    bool Running() const { return running_; }
    // Whether an upload that failed is tried again by Resume (a server that
    // runs once tries each once).
    bool retryFailed = true;

signals:
    // An upload ended (ok: the publication is on the host).
    void uploaded(bool ok);

private:
    void finished(const std::string& root, const std::string& folder, const std::string& taken, bool ok,
                  const std::string& status);

    std::function<PreferenceSnapshot()> prefs_;
    std::function<void(const std::string&)> log_;
    std::atomic<bool> running_ {false};
    std::set<std::string> failed_;  // the folders whose upload failed
    std::thread worker_;
};

}  // namespace pellucor
