// The automation class: another program sets the paths and options of the
// application's publish session (which the detailed form shows, when the
// windows are open), asks whether the lecture can be published, publishes
// unattended and waits for the publish to end. It holds no state of its
// own; the application is loaded on first use.
#pragma once

#include <QObject>

#include <functional>
#include <string>

namespace pellucor {

class AppContext;
class PublishSession;

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

    // How Class_Terminate ends the program; by default it quits the event
    // loop (or exits the process when there is none).
    std::function<void()> terminate;

private:
    AppContext& app();
    PublishSession& session();
    void set(const char* control, const std::string& value);

    AppContext* app_;
};

}  // namespace pellucor
