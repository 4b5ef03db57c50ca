#include "app/PellucorService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include "app/Pellucor.h"

namespace pellucor {

PellucorService::PellucorService(pellucor* target, QObject* parent) : QObject(parent), target_(target)
{
    waitPoll_.setInterval(100);
    connect(&waitPoll_, &QTimer::timeout, this, &PellucorService::answerWaiters);
}

bool PellucorService::Register(QString& err)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        err = "no D-Bus session bus: " + bus.lastError().message();
        return false;
    }
    if (!bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots)) {
        err = "unable to register the object " + QString(kPath);
        return false;
    }
    if (!bus.registerService(kService)) {
        err = "unable to own the name " + QString(kService) + " (is another instance running?)";
        return false;
    }
    return true;
}

void PellucorService::Class_Initialize() { target_->Class_Initialize(); }

void PellucorService::Class_Terminate()
{
    // Answer the call first, then end the program.
    QTimer::singleShot(200, this, [this] { target_->Class_Terminate(); });
}

void PellucorService::Release() { Class_Terminate(); }

QString PellucorService::GetStatus() { return QString::fromStdString(target_->GetStatus()); }

void PellucorService::SetTextPP(const QString& path) { target_->SetTextPP(path.toStdString()); }
void PellucorService::SetTextMedia(const QString& path) { target_->SetTextMedia(path.toStdString()); }
void PellucorService::SetTextCopy(const QString& path) { target_->SetTextCopy(path.toStdString()); }
void PellucorService::SetTextStyle(const QString& path) { target_->SetTextStyle(path.toStdString()); }
void PellucorService::SetTextCDDir(const QString& path) { target_->SetTextCDDir(path.toStdString()); }
void PellucorService::SetTextWebDir(const QString& path) { target_->SetTextWebDir(path.toStdString()); }
void PellucorService::SetTextWebURL(const QString& url) { target_->SetTextWebURL(url.toStdString()); }
void PellucorService::SetTextStream(const QString& url) { target_->SetTextStream(url.toStdString()); }
void PellucorService::SetOptWeb(bool flag) { target_->SetOptWeb(flag); }
void PellucorService::SetOptCD(bool flag) { target_->SetOptCD(flag); }
void PellucorService::SetOptStream(bool flag) { target_->SetOptStream(flag); }

bool PellucorService::OKToPublish(const QString& msgIn, QString& msgOut)
{
    std::string msg = msgIn.toStdString();
    const bool ok = target_->OKToPublish(msg);
    msgOut = QString::fromStdString(msg);
    return ok;
}

bool PellucorService::Publish(const QString& msgIn, QString& msgOut)
{
    std::string msg = msgIn.toStdString();
    const bool ok = target_->Publish(msg);
    msgOut = QString::fromStdString(msg);
    return ok;
}

void PellucorService::WaitUntilComplete()
{
    if (!target_->IsRunning())
        return;
    // The answer is sent later, so the event loop (and with it the log
    // poller) keeps running while the client waits.
    setDelayedReply(true);
    waiters_.push_back(message());
    waitPoll_.start();
}

void PellucorService::answerWaiters()
{
    if (target_->IsRunning())
        return;
    waitPoll_.stop();
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (const QDBusMessage& m : waiters_)
        bus.send(m.createReply());
    waiters_.clear();
}

bool PellucorService::IsRunning() { return target_->IsRunning(); }

void PellucorService::SetUploadServer(const QString& server) { target_->SetUploadServer(server.toStdString()); }
void PellucorService::SetUploadAccount(const QString& name) { target_->SetUploadAccount(name.toStdString()); }
void PellucorService::SetUploadPassword(const QString& password) { target_->SetUploadPassword(password.toStdString()); }
void PellucorService::SetUploadRemoteDir(const QString& dir) { target_->SetUploadRemoteDir(dir.toStdString()); }
void PellucorService::SetUploadLocalDir(const QString& dir) { target_->SetUploadLocalDir(dir.toStdString()); }
void PellucorService::SetUploadKeyFile(const QString& path) { target_->SetUploadKeyFile(path.toStdString()); }
void PellucorService::SetUploadCACert(const QString& path) { target_->SetUploadCACert(path.toStdString()); }
void PellucorService::SetUploadEndpoint(const QString& url) { target_->SetUploadEndpoint(url.toStdString()); }
QString PellucorService::GetUploadStatus() { return QString::fromStdString(target_->GetUploadStatus()); }

bool PellucorService::Upload(const QString& msgIn, QString& msgOut)
{
    // Runs to its end here; the event loop keeps turning meanwhile, so
    // GetUploadStatus answers other calls while it runs.
    std::string msg = msgIn.toStdString();
    const bool ok = target_->Upload(msg);
    msgOut = QString::fromStdString(msg);
    return ok;
}

bool PellucorService::SyncSlides(bool replace, QString& msg)
{
    return answerWhenDone(msg, [this, replace](std::string& text) { return target_->SyncSlides(replace, text); });
}

bool PellucorService::ExportVideo(const QString& path, QString& msg)
{
    const std::string file = path.toStdString();
    return answerWhenDone(msg, [this, file](std::string& text) { return target_->ExportVideo(file, text); });
}

bool PellucorService::MakeCaptions(bool replace, QString& msg)
{
    return answerWhenDone(msg, [this, replace](std::string& text) { return target_->MakeCaptions(replace, text); });
}

bool PellucorService::SetCuts(int part, const QString& text, QString& msg)
{
    const std::string list = text.toStdString();
    return answered(msg, [&](std::string& out) { return target_->SetCuts(part, list, out); });
}

bool PellucorService::ClearCuts(int part, QString& msg)
{
    return answered(msg, [&](std::string& out) { return target_->ClearCuts(part, out); });
}

bool PellucorService::Cuts(int part, QString& text)
{
    return answered(text, [&](std::string& out) { return target_->Cuts(part, out); });
}

bool PellucorService::answered(QString& msg, const std::function<bool(std::string& msg)>& call)
{
    std::string out;
    const bool ok = call(out);
    msg = QString::fromStdString(out);
    return ok;
}

bool PellucorService::answerWhenDone(QString& msg, const std::function<bool(std::string& msg)>& work)
{
    if (!calledFromDBus()) {
        std::string text;
        const bool ok = work(text);
        msg = QString::fromStdString(text);
        return ok;
    }
    // The work takes longer than a client waits for an answer by default:
    // the answer is sent when it has ended.
    setDelayedReply(true);
    const QDBusMessage call = message();
    QTimer::singleShot(0, this, [call, work] {
        std::string text;
        const bool ok = work(text);
        QDBusConnection::sessionBus().send(call.createReply(QVariantList {ok, QString::fromStdString(text)}));
    });
    return false;
}

}  // namespace pellucor

#include "moc_PellucorService.cpp"
