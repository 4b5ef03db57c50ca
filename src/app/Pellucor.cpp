#include "app/Pellucor.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <cstdlib>

#include "app/AppContext.h"
#include "core/TavUtils.h"
#include "publish/PublishSession.h"

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

std::string pellucor::GetStatus() { return session().StatusLine(); }

PublishSession& pellucor::session() { return app().session(); }

void pellucor::SetTextPP(const std::string& path)
{
    // The main window follows the lecture: it fills the request's paths
    // for it from the preferences.
    const std::string dir = Tav_DirSlash(path);
    AppContext& a = app();
    a.mainWindow().SetLectureDir(dir);
    a.session().request.TextPP = dir;
    a.mainWindow().DirOrPPTChanged();
    a.session().RequestChanged();
}

void pellucor::set(const char* control, const std::string& value)
{
    session().request.Set(control, value);
    session().RequestChanged();
}

void pellucor::SetTextMedia(const std::string& path) { set("TextMedia", Tav_DirSlash(path)); }
void pellucor::SetTextCopy(const std::string& path) { set("TextCopy", Tav_DirSlash(path)); }
void pellucor::SetTextStyle(const std::string& path) { set("TextStyle", Tav_DirSlash(path)); }
void pellucor::SetTextCDDir(const std::string& path) { set("TextCDDir", Tav_DirSlash(path)); }
void pellucor::SetTextWebDir(const std::string& path) { set("TextWebDir", Tav_DirSlash(path)); }
void pellucor::SetTextWebURL(const std::string& url) { set("TextWebURL", url); }
void pellucor::SetTextStream(const std::string& url) { set("TextStream", url); }
void pellucor::SetOptWeb(bool flag) { set("optWeb", flag ? "1" : "0"); }
void pellucor::SetOptCD(bool flag) { set("optCD", flag ? "1" : "0"); }
void pellucor::SetOptStream(bool flag) { set("chkStream", flag ? "1" : "0"); }

bool pellucor::OKToPublish(std::string& msg)
{
    if (!session().OKToPublish(msg))
        return false;
    msg.clear();
    return true;
}

bool pellucor::Publish(std::string& msg)
{
    Tav_SetUnattended(true);
    return session().Start(msg);
}

void pellucor::WaitUntilComplete()
{
    // The windows, when there are any, go on answering meanwhile.
    if (QCoreApplication::instance())
        while (session().Running())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    else
        session().Wait();
}

bool pellucor::IsRunning() { return session().Running(); }

}  // namespace pellucor
