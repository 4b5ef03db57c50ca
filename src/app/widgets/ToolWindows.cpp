#include "app/widgets/ToolWindows.h"

#include <QEventLoop>
#include <QWidget>

#include "app/AppContext.h"
#include "app/Form1.h"
#include "app/Form2.h"
#include "app/Form2SlideImporter.h"
#include "app/Prefs2.h"
#include "capture/DuzoDa.h"
#include "capture/Ruzize.h"
#include "capture/widgets/DuzoDaView.h"
#include "capture/widgets/QtFileChooser.h"
#include "capture/widgets/QtRecordingWindows.h"
#include "capture/widgets/RealPlayView.h"
#include "capture/widgets/RealRecordView.h"
#include "capture/widgets/RuzizeView.h"
#include "import/PptImportModel.h"
#include "import/widgets/PptImportDialog.h"
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
    context_.hooks.recordingSetup = [this](const std::string& dir) { return showRecordingSetup(dir); };
    context_.hooks.player = [this] { showPlayer(); };
    context_.hooks.encoderSetup = [this] { showEncoderSetup(); };
    context_.hooks.pptImport = [this](const std::string& dir) { showPptImport(dir); };
    slideImporter_ = std::make_unique<Form2SlideImporter>(context_.form2());
    context_.hooks.slideImporter = slideImporter_.get();
}

ToolWindows::~ToolWindows()
{
    if (context_.hooks.slideImporter == slideImporter_.get())
        context_.hooks.slideImporter = nullptr;
    context_.hooks.pptImport = nullptr;
}

void ToolWindows::showPptImport(const std::string& slideDir)
{
    PptImportModel model;
    model.txtDir = QString::fromStdString(slideDir);
    PptImportDialog dialog(&model, mainWindow_);
    dialog.exec();
}

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

bool ToolWindows::showRecordingSetup(const std::string& dir)
{
    // The set-up window reports an incomplete encoder set-up itself and
    // stays open for another try, so its closing is the answer.
    QtRecordingWindows windows(mainWindow_);
    windows.imageName = [this](int n) { return context_.form2().TavImageName(n); };
    windows.lectureDir = [dir] { return dir; };
    DuzoDa model(&windows);
    model.lectureDir = [dir] { return dir; };
    model.lectureName = [this] { return context_.form1().TextName; };
    model.Form_Load();
    DuzoDaView view(model, mainWindow_);
    view.exec();
    return true;
}

void ToolWindows::showPlayer()
{
    if (!tools_)
        tools_ = std::make_unique<QtRecordingWindows>(mainWindow_);
    std::string err;
    if (!tools_->PlayerView() && !tools_->LoadPlayer(err)) {
        Tav_Message("Unable to load RealPlayer ActiveX Control - " + err);
        return;
    }
    tools_->ShowPlayer();
    tools_->PlayerView()->raise();
}

void ToolWindows::showEncoderSetup()
{
    if (!tools_)
        tools_ = std::make_unique<QtRecordingWindows>(mainWindow_);
    std::string err;
    if (!tools_->EncoderView() && !tools_->LoadEncoder(err)) {
        Tav_Message("Pellucor cannot Load RealProducer ActiveX Control - " + err);
        return;
    }
    tools_->EncoderView()->show();
    tools_->EncoderView()->raise();
}
