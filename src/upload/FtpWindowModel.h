// The FTP window: logs in to a server, shows the remote working directory
// and its listing, changes and creates remote directories and uploads every
// file of a local directory into the remote one. Runs headless; a view only
// shows the fields below and calls the handlers.
#pragma once

#include <QObject>

#include <functional>
#include <string>
#include <vector>

#include "upload/FtpClient.h"

namespace pellucor {

// The name a file is sent under until it is complete (".NAME.part").
std::string FtpTemporaryName(const std::string& name);

class FtpWindowModel : public QObject {
    Q_OBJECT

public:
    // inet is not owned and must outlive the model.
    explicit FtpWindowModel(FtpClient& inet, QObject* parent = nullptr);
    ~FtpWindowModel() override;

    // Fields of the window. Input fields are written by the view (or the
    // caller); the others are written here and announced by changed().
    std::string txtFTPURL;    // host name or a full ftp:, ftps: or ftpes: address
    std::string txtAccount;
    std::string txtPass;      // never logged nor shown
    std::string txtFTPPath;   // remote directory
    std::string txtLocalDir;  // local directory to upload
    std::string txtData;      // text of the last reply
    std::vector<std::string> lstBox;  // listing of the remote directory
    int lstBoxIndex = -1;             // selected item of lstBox
    std::string txtStatus, lblCmd, lblState, lblCode, lblInfo;
    bool cmdCDEnabled = false, cmdMkDirEnabled = false, cmdMputEnabled = false;
    bool txtAccountEnabled = true, txtPassEnabled = true;

    bool LoggedIn() const { return loggedIn_; }
    // True while a command runs (only cmdClose_Click is meant for then).
    bool Busy() const { return busy_; }

    bool InetExecute(const std::string& command);
    bool FtpExecuteOnPath(const std::string& verb, const std::string& path);
    bool FtpLogin();
    // True when every file was sent. A missing remote directory is created
    // level by level; each file is sent under a temporary name and renamed
    // once it is complete.
    bool FtpUploadDirectory(const std::string& local, const std::string& remote);
    // Creates every missing level of remote; made is its path from the root.
    bool MakeRemoteDirectory(const std::string& remote, std::string& made);
    void FtpSetControls();

    void cmdBrowse_Click();
    void cmdCD_Click();
    void cmdMkdir_Click();
    void cmdMput_Click();
    void cmdClose_Click();
    void lstBox_DblClick();
    void Form_Activate();

    // Input box (title, prompt) -> answer; an empty answer means cancelled.
    std::function<std::string(const std::string&, const std::string&)> InputBox;
    // Processes pending window events while a command runs.
    std::function<void()> ProcessEvents;

signals:
    void changed();
    void closeRequested();

private:
    void showStatus(const std::string& text);
    void onState(int state);
    void pump();
    // The answer of the input box, or "" (status: cancelled) when there is none.
    std::string askDirectory(const std::string& title, const std::string& cancelled);

    FtpClient& inet_;
    bool loggedIn_ = false;
    bool error_ = false, done_ = false;
    bool busy_ = false;
    bool closed_ = false;
    bool closing_ = false;
};

}  // namespace pellucor
