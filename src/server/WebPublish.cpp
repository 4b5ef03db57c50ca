#include "server/WebPublish.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "app/MainWindowPort.h"
#include "app/PublishForm.h"

namespace pellucor {

WebPublishResult PublishForWeb(PublishForm& form, MainWindowPort& mainWindow, const WebPublishRequest& request,
                               const std::function<void(const std::string&)>& log,
                               const std::function<void()>& whileRunning, std::string& err)
{
    mainWindow.SetLectureDir(request.lectureDir);
    if (!mainWindow.OKToPublish(false, err))
        return WebPublishResult::NotReady;
    log("Calling Pellucor in " + request.lectureDir);
    form.optCD = 0;
    form.optWeb = 1;
    form.optWeb_Click();
    if (!request.pubDir.empty())
        form.TextWebDir = request.pubDir;
    if (!request.webURL.empty())
        form.TextWebURL = request.webURL;
    form.chkStream = request.streamURL.empty() ? 0 : 1;
    if (!request.streamURL.empty())
        form.TextStream = request.streamURL;
    form.chkStream_Click();
    if (!form.DoStart(err))
        return WebPublishResult::Failed;
    for (;;) {
        if (whileRunning)
            whileRunning();
        if (!form.logPoller.isActive())
            break;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 200);
    }
    if (!form.LastRunSucceeded()) {
        err = form.statusLine;
        return WebPublishResult::Failed;
    }
    return WebPublishResult::Published;
}

}  // namespace pellucor
