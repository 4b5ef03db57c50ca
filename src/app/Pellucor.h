// The automation class: another program (or the server edition) fills the
// detailed form's paths and options, asks whether the lecture can be
// published, publishes unattended and waits for the batch scripts to end.
// It holds no state of its own; everything lives in the application's
// windows, which are loaded on first use and not shown.
#pragma once

#include <QObject>

#include <functional>
#include <string>

namespace pellucor {

class AppContext;

class pellucor : public QObject {
    Q_OBJECT
public:
    explicit pellucor(AppContext* app, QObject* parent = nullptr);

    void Class_Initialize() {}
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

    // How Class_Terminate ends the program; by default it quits the event
    // loop (or exits the process when there is none).
    std::function<void()> terminate;

private:
    AppContext& app();
    void setDirField(const char* name, const std::string& path);

    AppContext* app_;
};

}  // namespace pellucor
