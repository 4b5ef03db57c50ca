#include "app/widgets/ToolWindows.h"

#include <QEventLoop>
#include <QWidget>

#include "app/AppContext.h"
#include "app/Prefs2.h"
#include "capture/Ruzize.h"
#include "capture/widgets/QtFileChooser.h"
#include "capture/widgets/RuzizeView.h"
#include "server/Form3.h"
#include "server/widgets/Form3View.h"
#include "upload/CurlFtpClient.h"
#include "upload/FtpWindowModel.h"
#include "upload/widgets/FtpWindow.h"

namespace {
// Shows the FTP window modally; the user may change account and host.
void showFtp(FtpRequest& request)
{
    CurlFtpClient client;
    FtpWindowModel model(client);
    model.txtLocalDir = request.localPath;
    model.txtAccount = request.account;
    model.txtFTPURL = request.host;
    FtpWindow window(model);
    window.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(&model, &FtpWindowModel::closeRequested, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    window.show();
    loop.exec();
    request.account = model.txtAccount;
    request.host = model.txtFTPURL;
}
}  // namespace

ToolWindows::ToolWindows(AppContext& context, QWidget* mainWindow) : context_(context), mainWindow_(mainWindow)
{
    context_.hooks.ftpUpload = showFtp;
    context_.hooks.serverWindow = [this] { showServer(); };
    context_.hooks.timingEditor = [this](const std::string& dir) { showTimingEditor(dir); };
}

ToolWindows::~ToolWindows() = default;

void ToolWindows::showServer()
{
    if (!form3_) {
        form3_ = std::make_unique<Form3>(&context_.prefs(), &context_.form1(), &context_.form2());
        form3_->Form_Load();
        form3View_ = std::make_unique<Form3View>(form3_.get());
    }
    form3_->chkAuto = 0;
    emit form3_->changed();
    if (mainWindow_)
        mainWindow_->hide();
    form3View_->show();
}

void ToolWindows::showTimingEditor(const std::string& dir)
{
    timingDir_ = dir;
    if (!ruzize_) {
        chooser_ = std::make_unique<QtFileChooser>(mainWindow_);
        ruzize_ = std::make_unique<Ruzize>(chooser_.get());
        ruzize_->lectureDir = [this] { return timingDir_; };
        ruzize_->Form_Load();
        ruzizeView_ = std::make_unique<RuzizeView>(*ruzize_);
    }
    ruzizeView_->show();
    ruzizeView_->raise();
}
