// The automation class: another program sets the paths and options of the
// application's publish session (which the detailed form shows, when the
// windows are open), asks whether the lecture can be published, publishes
// unattended and waits for the publish to end. It holds no state of its
// own; the application is loaded on first use. It can also upload a
// directory (the web output by default) through the upload window's
// model, by FTP, FTPS, SFTP or WebDAV.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

namespace pellucor {

class AppContext;
class PublishSession;
class CurlClient;
class UploadWindowModel;
class SecretServicePasswords;
struct PartCuts;

class pellucor : public QObject {
    Q_OBJECT
public:
    explicit pellucor(AppContext* app, QObject* parent = nullptr);
    ~pellucor() override;

    void Class_Initialize() { }
    // Ends the whole program (see terminate).
    void Class_Terminate();

    std::string GetStatus();
    void SetTextPP(const std::string& path);
    void SetTextMedia(const std::string& path);
    void SetTextCopy(const std::string& path);
    void SetTextStyle(const std::string& path);
    void SetTextCDDir(const std::string& path);
    void SetTextWebDir(const std::string& path);
    void SetTextWebURL(const std::string& url);
    void SetTextStream(const std::string& url);
    void SetOptWeb(bool flag);
    void SetOptCD(bool flag);
    void SetOptStream(bool flag);
    // True with msg emptied, or false with the reason in msg.
    bool OKToPublish(std::string& msg);
    // Switches to unattended mode for good and starts the publish.
    bool Publish(std::string& msg);
    // Returns once the log poller has stopped, processing events meanwhile.
    void WaitUntilComplete();
    bool IsRunning();
    // Finds the current lecture's slide times from its recordings (as the
    // windows' "Sync Slides from Recording") and writes its events files,
    // replacing ones already there only when replace is true (the old one
    // kept as .bak). Returns when done, processing events meanwhile: true
    // with a summary in msg, or false with the reason.
    bool SyncSlides(bool replace, std::string& msg);
    // Writes the current lecture as one video (as the windows' "Export as
    // One Video...") to path. Returns when done, processing events
    // meanwhile: true with what was written in msg, or false with the
    // reason.
    bool ExportVideo(const std::string& path, std::string& msg);
    // Makes automatic captions (as the windows' "Make Captions") for each
    // part of the current lecture without captions, and again for those
    // made before when replace is true; a lecturer's own are never
    // touched. Returns when done, processing events meanwhile: true when
    // every part has captions, with what became of each in msg, or false
    // with the reason.
    bool MakeCaptions(bool replace, std::string& msg);
    // The cut list of part `part` of the current lecture (NAME1.cuts
    // beside its recording): SetCuts writes the list the text holds
    // ("FROM TO" lines) in place of the one there, once every line is
    // right; ClearCuts removes it. True with what was done in msg, or
    // false with the line at fault and nothing written. Cuts gives the
    // list's text ("" when there is none) in text, or false with the
    // reason there.
    bool SetCuts(int part, const std::string& text, std::string& msg);
    bool ClearCuts(int part, std::string& msg);
    bool Cuts(int part, std::string& text);

    // Upload: the upload window's fields (a server and account left empty
    // are taken from the web upload preferences; a password left empty from
    // the desktop's keyring), then Upload.
    void SetUploadServer(const std::string& server);
    void SetUploadAccount(const std::string& name);
    void SetUploadPassword(const std::string& password);
    void SetUploadRemoteDir(const std::string& dir);
    // The directory uploaded; by default the web output directory.
    void SetUploadLocalDir(const std::string& dir);
    void SetUploadKeyFile(const std::string& path);
    void SetUploadCACert(const std::string& path);
    // S3: the endpoint (else the preference's); the keys come from the
    // environment or ~/.aws/credentials.
    void SetUploadEndpoint(const std::string& url);
    // Uploads in unattended mode (a missing remote directory is created);
    // true when every file is on the server, else false with the cause in msg.
    bool Upload(std::string& msg);
    // The upload window's status line.
    std::string GetUploadStatus();

    // How Class_Terminate ends the program; by default it quits the event
    // loop (or exits the process when there is none).
    std::function<void()> terminate;

private:
    AppContext& app();
    PublishSession& session();
    void set(const char* control, const std::string& value);
    // Part `part` of the current lecture, measured.
    bool cutPart(int part, PartCuts& found, std::string& err);

    UploadWindowModel& uploadWindow();

    AppContext* app_;
    std::unique_ptr<CurlClient> uploadClient_;
    std::unique_ptr<SecretServicePasswords> passwords_;
    std::unique_ptr<UploadWindowModel> upload_;
    std::string uploadKey_, uploadCa_, uploadEndpoint_;
};

}  // namespace pellucor
