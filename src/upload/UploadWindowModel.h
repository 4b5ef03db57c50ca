// The upload window ("FTP window"): logs in to a server over FTP, FTPS,
// SFTP or WebDAV, shows the remote working directory and its listing,
// changes and creates remote directories and uploads a local directory,
// its subfolders included, into the remote one. Runs headless; a view only
// shows the fields below and calls the handlers.
#pragma once

#include <QObject>

#include <functional>
#include <string>
#include <vector>

#include "upload/UploadClient.h"
#include "upload/PasswordStore.h"
#include "upload/RemoteAddress.h"

namespace pellucor {

class UploadWindowModel : public QObject {
    Q_OBJECT

public:
    // inet is not owned and must outlive the model.
    explicit UploadWindowModel(UploadClient& inet, QObject* parent = nullptr);
    ~UploadWindowModel() override;

    // The protocols of the protocol choice, in its order, with their captions.
    struct ProtocolChoice {
        RemoteProtocol protocol;
        const char* caption;
    };
    static const std::vector<ProtocolChoice>& Protocols();

    // Fields of the window. Input fields are written by the view (or the
    // caller); the others are written here and announced by changed().
    std::string txtFTPURL;  // host name or a full ftp:, ftpes:, ftps:, sftp:, http: or https: address
    std::string txtAccount;
    std::string txtPass;              // never logged nor shown
    std::string txtFTPPath;           // remote directory
    std::string txtLocalDir;          // local directory to upload
    std::string txtEndpoint;          // S3: the address serving the bucket (blank: AWS's)
    std::string txtData;              // text of the last reply
    std::vector<std::string> lstBox;  // listing of the remote directory
    int lstBoxIndex = -1;             // selected item of lstBox
    std::string txtStatus, lblCmd, lblState, lblCode, lblInfo;
    bool cmdCDEnabled = false, cmdMkDirEnabled = false, cmdMputEnabled = false;
    bool txtAccountEnabled = true, txtPassEnabled = true;
    bool txtEndpointEnabled = true;
    // Keep the password in the desktop's secret service (enabled only
    // where there is one).
    bool chkRemember = false, chkRememberEnabled = false;
    int progressPercent = -1;  // of the running upload; -1: none
    // Upload the local directory's folders too (a published lecture);
    // without, only its files go and the folders left out are named (the
    // raw lecture, whose folders hold what was published from it).
    bool withSubfolders = true;
    bool statusIsProgress = false;  // txtStatus counts the files sent so far

    bool LoggedIn() const { return loggedIn_; }
    // True while a command runs (only closeWindow is meant for then).
    bool Busy() const { return busy_; }
    // The index in Protocols() of the server text's protocol.
    int ProtocolIndex() const;
    // S3 object storage: the endpoint is asked for; its keys come from the
    // environment or ~/.aws/credentials, never from account and password.
    bool IsS3() const;

    bool InetExecute(const std::string& command);
    bool FtpExecuteOnPath(const std::string& verb, const std::string& path);
    bool FtpLogin();
    // True when every file was sent. A missing remote directory is created
    // level by level (after asking); the local directory's folders are
    // created below it; each file is sent under a temporary name and
    // renamed once it is complete.
    bool FtpUploadDirectory(const std::string& local, const std::string& remote);
    // Creates every missing level of remote; made is its path from the root.
    bool MakeRemoteDirectory(const std::string& remote, std::string& made);
    void FtpSetControls();
    // The cause of the last failure, in words ("" after a success).
    std::string LastCause() const { return lastCause_; }
    // The fingerprint ("SHA256:...") of the SSH host key the last login
    // refused as not known yet; "" after any other outcome.
    std::string UnknownHostKey() const;

    void browse();
    void changeDirectory();
    void makeDirectory();
    void uploadFolder();
    void closeWindow();
    void openSelected();
    void protocolChosen(int index);
    void activate();

    // Input box (title, prompt) -> answer; an empty answer means cancelled.
    std::function<std::string(const std::string&, const std::string&)> InputBox;
    // Processes pending window events while a command runs.
    std::function<void()> ProcessEvents;
    // Asks whether a host key not yet known may be trusted (the question
    // names it); without this hook, or unattended, it is refused.
    std::function<bool(const std::string& question)> ConfirmHostKey;
    // Where a password may be kept (not owned; none: asked each time).
    PasswordStore* passwords = nullptr;

signals:
    void changed();
    void closeRequested();

private:
    void showStatus(const std::string& text);
    bool enterRemote(const std::string& remote);
    void countFiles(const UploadPlan& plan);
    bool sendAll(UploadPlan& plan, const std::string& local, const std::string& remote);
    void onState(int state);
    void pump();
    bool waitForCommand();
    // Lists the working directory; with followTyped, first enters a
    // directory the user typed into txtFTPPath.
    void refresh(bool followTyped);
    bool loginOnce();
    void rememberPassword();
    std::string withCause(const std::string& status) const;
    // The answer of the input box, or "" (status: cancelled) when there is none.
    std::string askDirectory(const std::string& title, const std::string& cancelled);

    UploadClient& inet_;
    bool loggedIn_ = false;
    bool error_ = false, done_ = false;
    bool busy_ = false;
    bool closed_ = false;
    bool closing_ = false;
    std::string shownPath_;  // the remote directory as last shown (not typed)
    std::string lastCause_;
};

}  // namespace pellucor
