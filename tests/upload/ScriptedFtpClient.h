// An FtpClient that answers from a script: every command succeeds unless
// it starts with one of the failing prefixes (failing with the kind and
// cause given), replies come from a table. An upload is recorded as
// "UPLOAD dir".
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "upload/FtpClient.h"

namespace pellucor {

class ScriptedFtpClient : public FtpClient {
public:
    std::vector<std::string> commands;
    std::vector<std::string> failing;  // commands starting with one of these fail
    RemoteFailure failure = RemoteFailure::NotFound;
    std::string cause = "550 no";
    std::map<std::string, std::string> replies;
    std::function<void()> whileRunning;  // runs once while a command is in progress
    std::string url, user, acceptedKey;
    int cancels = 0;

    void SetURL(const std::string& u) override { url = u; }
    std::string URL() const override { return url; }
    void SetUserName(const std::string& u) override { user = u; }
    void SetPassword(const std::string&) override { }
    void SetRequestTimeout(int) override { }
    bool Execute(const std::string& command, std::string&) override
    {
        commands.push_back(command);
        ok_ = true;
        for (const auto& f : failing)
            ok_ = ok_ && command.rfind(f, 0) != 0;
        reply_ = replies[command];
        running_ = true;
        return true;
    }
    bool ExecuteUpload(const UploadPlan& plan, std::string& error) override
    {
        planned_ = plan.files.size();
        return Execute("UPLOAD " + plan.remoteDir, error);
    }
    UploadProgress Progress() const override { return {ok_ && !running_ ? planned_ : 0, 0}; }
    RemoteFailure LastFailure() const override { return ok_ ? RemoteFailure::None : failure; }
    std::string LastCause() const override { return ok_ ? "" : cause; }
    std::string HostKeyFingerprint() const override { return failure == RemoteFailure::HostKey ? "SHA256:k" : ""; }
    void AcceptHostKey(const std::string& fingerprint) override { acceptedKey = fingerprint; }
    bool StillExecuting() const override { return running_; }
    int ResponseCode() const override { return ok_ ? 226 : 550; }
    std::string ResponseInfo() const override { return ok_ ? "226 ok" : cause; }
    std::string GetChunk(size_t size) override
    {
        const std::string piece = reply_.substr(0, size);
        reply_.erase(0, piece.size());
        return piece;
    }
    void Cancel() override
    {
        ++cancels;
        ok_ = false;
    }
    void DeliverStateChanges(int) override
    {
        if (!running_)
            return;
        if (auto f = std::exchange(whileRunning, nullptr))
            f();
        running_ = false;
        NotifyState(FtpStateResponseReceived);
        NotifyState(ok_ ? FtpStateResponseCompleted : FtpStateError);
    }

private:
    bool running_ = false, ok_ = true;
    size_t planned_ = 0;
    std::string reply_;
};

}  // namespace pellucor
