// The transfer client the upload window talks to: set the address and the
// credentials, start one command at a time (or the upload of a whole tree),
// learn through state changes when it is done or failed, read the response
// code, the response text, the reply and the cause of a failure, and
// cancel. The address names the protocol: FTP, FTPS, SFTP or WebDAV.
//
// Commands (verb case does not matter, arguments may be in double quotes,
// a double quote inside a quoted argument is written twice):
//   PWD                 reply: the remote working directory
//   CD dir, CDUP        change the remote working directory
//   DIR [dir], LS [dir] reply: one name a line, directories end in "/"
//                       (LS: plain names as the server lists them)
//   MKDIR dir, RMDIR dir, DELETE file, RENAME old new, SIZE file
//   PUT local remote, GET remote local
//   QUIT, CLOSE         drop the connection
// Any other text is sent to the server as it stands.
#pragma once

#include <functional>
#include <string>

#include "upload/RemoteFailure.h"
#include "upload/UploadPlan.h"

namespace pellucor {

// State numbers reported by the state-change handler.
enum FtpState : int {
    FtpStateNone = 0,
    FtpStateConnecting = 3,
    FtpStateRequesting = 5,
    FtpStateResponseReceived = 8,
    FtpStateError = 11,
    FtpStateResponseCompleted = 12,
};

class UploadClient {
public:
    virtual ~UploadClient() = default;

    virtual void SetURL(const std::string& url) = 0;
    virtual std::string URL() const = 0;
    virtual void SetUserName(const std::string& user) = 0;
    virtual void SetPassword(const std::string& password) = 0;
    // Seconds a command may take; 0 means no limit.
    virtual void SetRequestTimeout(int seconds) = 0;
    // S3: the address serving the bucket ("": the one the options name).
    virtual void SetS3Endpoint(const std::string& url) { (void)url; }

    // Starts one command. False, with the reason in error, when it cannot be
    // started at all (bad command text, a command still running); then no
    // state change follows.
    virtual bool Execute(const std::string& command, std::string& error) = 0;
    virtual bool StillExecuting() const = 0;
    virtual int ResponseCode() const = 0;
    virtual std::string ResponseInfo() const = 0;
    // The next piece of the reply of the last command, at most size
    // characters; empty once it has all been read.
    virtual std::string GetChunk(size_t size) = 0;
    // Aborts the running command (or drops an idle connection).
    virtual void Cancel() = 0;

    // Starts sending a whole tree (plan.remoteDir exists; absolute or
    // relative to the working directory): folders first, each file under a
    // temporary name renamed once it is complete. Ends like a command.
    virtual bool ExecuteUpload(const UploadPlan& plan, std::string& error) = 0;
    // How far the running upload has come (from the owner's thread).
    virtual UploadProgress Progress() const = 0;

    // Why the last command failed: its kind, and the first failing
    // operation's reply or system error in words.
    virtual RemoteFailure LastFailure() const = 0;
    virtual std::string LastCause() const = 0;
    // The SSH host key the server showed when it was refused ("SHA256:...").
    virtual std::string HostKeyFingerprint() const { return ""; }
    // Accepts a host key not yet known (it is added to the known hosts).
    virtual void AcceptHostKey(const std::string& fingerprint) { (void)fingerprint; }

    // Calls the state handler, on the calling thread, for every state change
    // that happened since the last call, first waiting up to waitMs for one.
    virtual void DeliverStateChanges(int waitMs) = 0;
    void SetStateHandler(std::function<void(int)> handler) { stateHandler_ = std::move(handler); }

protected:
    void NotifyState(int state)
    {
        if (stateHandler_)
            stateHandler_(state);
    }

private:
    std::function<void(int)> stateHandler_;
};

}  // namespace pellucor
