#include "app/Pellucor.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cstdlib>

#include "app/AppContext.h"
#include "app/PublishForm.h"
#include "app/SlideSyncRun.h"
#include "core/TavUtils.h"

namespace pellucor {

pellucor::pellucor(AppContext* app, QObject* parent) : QObject(parent), app_(app)
{
    terminate = [] {
        if (QCoreApplication::instance())
            QCoreApplication::exit(0);
        else
            std::exit(0);
    };
}

AppContext& pellucor::app()
{
    app_->Start(true);
    return *app_;
}

void pellucor::Class_Terminate()
{
    Tav_DebugLog("Automation client released the program");
    if (terminate)
        terminate();
}

std::string pellucor::GetStatus() { return app().publishForm().statusLine; }

void pellucor::SetTextPP(const std::string& path)
{
    const std::string dir = Tav_DirSlash(path);
    AppContext& a = app();
    a.mainWindow().SetLectureDir(dir);
    a.publishForm().lblDirectory = dir;
    a.publishForm().SetControl("TextPP", dir);
    a.mainWindow().DirOrPPTChanged();
}

void pellucor::setDirField(const char* name, const std::string& path)
{
    app().publishForm().SetControl(name, Tav_DirSlash(path));
}

void pellucor::SetTextMedia(const std::string& path) { setDirField("TextMedia", path); }
void pellucor::SetTextCopy(const std::string& path) { setDirField("TextCopy", path); }
void pellucor::SetTextStyle(const std::string& path) { setDirField("TextStyle", path); }
void pellucor::SetTextCDDir(const std::string& path) { setDirField("TextCDDir", path); }
void pellucor::SetTextWebDir(const std::string& path) { setDirField("TextWebDir", path); }
void pellucor::SetTextWebURL(const std::string& url) { app().publishForm().SetControl("TextWebURL", url); }
void pellucor::SetTextStream(const std::string& url) { app().publishForm().SetControl("TextStream", url); }
void pellucor::SetOptWeb(bool flag) { app().publishForm().SetControl("optWeb", flag ? "1" : "0"); }
void pellucor::SetOptCD(bool flag) { app().publishForm().SetControl("optCD", flag ? "1" : "0"); }
void pellucor::SetOptStream(bool flag) { app().publishForm().SetControl("chkStream", flag ? "1" : "0"); }

bool pellucor::OKToPublish(std::string& msg)
{
    if (!app().mainWindow().OKToPublish(false, msg))
        return false;
    msg.clear();
    return true;
}

bool pellucor::Publish(std::string& msg)
{
    Tav_SetUnattended(true);
    return app().publishForm().DoStart(msg);
}

void pellucor::WaitUntilComplete()
{
    // Without an event loop the poller can never run.
    if (!QCoreApplication::instance())
        return;
    PublishForm& form = app().publishForm();
    while (form.logPoller.isActive())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool pellucor::IsRunning() { return app().publishForm().logPoller.isActive(); }

bool pellucor::SyncSlides(bool replace, std::string& msg)
{
    SlideSyncRun& run = app().slideSync();
    if (!QCoreApplication::instance()) {
        msg = "Slide sync needs a running event loop";
        return false;
    }
    if (!run.StartUnattended(replace, msg))
        return false;
    while (run.Busy())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    msg = run.Outcome();
    return run.Succeeded();
}

}  // namespace pellucor
