// The automation class on the D-Bus session bus: service
// org.pellucor.Pellucor, object /Pellucor, interface org.pellucor.Pellucor,
// with the class's method names. The in/out message arguments of
// OKToPublish and Publish take the client's text in and return
// (result, msg). WaitUntilComplete answers once the publish has ended, and
// SyncSlides (replace) once the slide sync has, ExportVideo (path) once
// the video is written and MakeCaptions (replace) once the captions are
// made, while the event loop keeps
// running; Class_Terminate (or Release) ends the
// service process after answering.
#pragma once

#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace pellucor {

class pellucor;

class PellucorService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.pellucor.Pellucor")
public:
    static constexpr const char* kService = "org.pellucor.Pellucor";
    static constexpr const char* kPath = "/Pellucor";

    explicit PellucorService(pellucor* target, QObject* parent = nullptr);

    // Registers the service and object on the session bus; false with err.
    bool Register(QString& err);

public slots:
    void Class_Initialize();
    void Class_Terminate();
    void Release();
    QString GetStatus();
    void SetTextPP(const QString& path);
    void SetTextMedia(const QString& path);
    void SetTextCopy(const QString& path);
    void SetTextStyle(const QString& path);
    void SetTextCDDir(const QString& path);
    void SetTextWebDir(const QString& path);
    void SetTextWebURL(const QString& url);
    void SetTextStream(const QString& url);
    void SetOptWeb(bool flag);
    void SetOptCD(bool flag);
    void SetOptStream(bool flag);
    bool OKToPublish(const QString& msgIn, QString& msgOut);
    bool Publish(const QString& msgIn, QString& msgOut);
    void WaitUntilComplete();
    bool IsRunning();
    void SetUploadServer(const QString& server);
    void SetUploadAccount(const QString& name);
    void SetUploadPassword(const QString& password);
    void SetUploadRemoteDir(const QString& dir);
    void SetUploadLocalDir(const QString& dir);
    void SetUploadKeyFile(const QString& path);
    void SetUploadCACert(const QString& path);
    void SetUploadEndpoint(const QString& url);
    bool Upload(const QString& msgIn, QString& msgOut);
    QString GetUploadStatus();
    // Answers once the sync has ended, the event loop running meanwhile.
    bool SyncSlides(bool replace, QString& msg);
    // Answers once the video is written, the event loop running meanwhile.
    bool ExportVideo(const QString& path, QString& msg);
    // Answers once the captions are made, the event loop running meanwhile.
    bool MakeCaptions(bool replace, QString& msg);
    // A part's cut list: (result, msg) as the other methods answer.
    bool SetCuts(int part, const QString& text, QString& msg);
    bool ClearCuts(int part, QString& msg);
    // (true, the list's text) or (false, the reason).
    bool Cuts(int part, QString& text);

private:
    void answerWaiters();
    // Runs call (which fills its message) and answers with its outcome.
    bool answered(QString& msg, const std::function<bool(std::string& msg)>& call);
    // Runs work (which fills its message) and answers with its outcome; a
    // call over the bus is answered once it has ended.
    bool answerWhenDone(QString& msg, const std::function<bool(std::string& msg)>& work);

    pellucor* target_;
    QTimer waitPoll_;
    std::vector<QDBusMessage> waiters_;
};

}  // namespace pellucor
