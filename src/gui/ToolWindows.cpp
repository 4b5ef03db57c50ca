#include "gui/ToolWindows.h"

#include <QEventLoop>
#include <QWidget>

#include <cmath>

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "app/MainWindowSlideImport.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "app/widgets/DirectoryChooserDialog.h"
#include "capture/FfmpegEncoder.h"
#include "capture/MediaConverter.h"
#include "capture/PlayerWindow.h"
#include "capture/RecordingSetup.h"
#include "capture/widgets/EncoderSetupView.h"
#include "capture/widgets/MediaConverterView.h"
#include "capture/widgets/PlayerWindowView.h"
#include "capture/widgets/QtFileChooser.h"
#include "capture/widgets/QtRecordingWindows.h"
#include "capture/widgets/RecordingSetupView.h"
#include "core/TavUtils.h"
#include "editing/CaptionEditor.h"
#include "editing/SlideTextPanel.h"
#include "editing/TimelineModel.h"
#include "editing/TimingEditor.h"
#include "editing/widgets/CaptionEditorView.h"
#include "editing/widgets/TimingEditorView.h"
#include "import/SlideImportModel.h"
#include "import/widgets/SlideImportDialog.h"
#include "server/LectureWatcher.h"
#include "server/widgets/LectureWatcherView.h"
#include "upload/CurlClient.h"
#include "upload/SecretServicePasswords.h"
#include "upload/UploadPreferences.h"
#include "upload/UploadWindowModel.h"
#include "upload/widgets/UploadWindow.h"

namespace pellucor {

namespace {
// Shows the upload window modally; the user may change account and host.
void showFtp(FtpRequest& request, const Preferences& prefs)
{
    CurlClient client;
    client.SetOptions(UploadOptionsFrom(prefs.Snapshot()));
    SecretServicePasswords passwords;
    UploadWindowModel model(client);
    model.passwords = &passwords;
    model.txtLocalDir = request.localPath;
    model.txtAccount = request.account;
    model.txtFTPURL = request.host;
    model.txtEndpoint = prefs.Get("prfS3Endpoint");
    model.withSubfolders = request.subfolders;
    UploadWindow window(model);
    window.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(&model, &UploadWindowModel::closeRequested, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    window.show();
    loop.exec();
    request.account = model.txtAccount;
    request.host = model.txtFTPURL;
}
}  // namespace

ToolWindows::ToolWindows(AppContext& context, QWidget* mainWindow) : context_(context), mainWindow_(mainWindow)
{
    context_.hooks.ftpUpload = [this](FtpRequest& request) { showFtp(request, context_.prefs()); };
    context_.hooks.serverWindow = [this] { showServer(); };
    context_.hooks.timingEditor = [this](const std::string& dir) { showTimingEditor(dir); };
    context_.hooks.timingReview
        = [this](const std::string& dir, const std::string& file) { showTimingReview(dir, file); };
    context_.hooks.recordingSetup = [this](const std::string& dir) { return showRecordingSetup(dir); };
    context_.hooks.player = [this] { showPlayer(); };
    context_.hooks.captionEditor
        = [this](const std::string& file, const std::string& recording) { showCaptionEditor(file, recording); };
    context_.hooks.encoderSetup = [this] { showEncoderSetup(); };
    context_.hooks.converter = [this](const std::string& in, const std::string& out) { return showConverter(in, out); };
    context_.hooks.slideImport = [this](const std::string& dir) { showSlideImport(dir); };
    slideImporter_ = std::make_unique<MainWindowSlideImport>(context_.mainWindow());
    context_.hooks.slideImporter = slideImporter_.get();
    // The windows ask before files that no publication wrote go; a client
    // of the automation interface (unattended) is never asked for them.
    context_.session().confirmRemoval
        = [](const std::string& question) { return !Unattended() && Tav_AskOkCancel(question) == TavOK; };
}

ToolWindows::~ToolWindows()
{
    if (context_.hooks.slideImporter == slideImporter_.get())
        context_.hooks.slideImporter = nullptr;
    context_.hooks.slideImport = nullptr;
    context_.hooks.converter = nullptr;
    context_.hooks.timingReview = nullptr;
    context_.hooks.captionEditor = nullptr;
}

void ToolWindows::showCaptionEditor(const std::string& captionsFile, const std::string& recording)
{
    if (!captionEditor_) {
        captionEditor_ = std::make_unique<CaptionEditor>();
        QObject::connect(captionEditor_.get(), &CaptionEditor::playRequested,
                         [this](const QString& file, double seconds) { playFrom(file.toStdString(), seconds); });
        captionEditorView_ = std::make_unique<CaptionEditorView>(*captionEditor_);
    }
    const bool shown = captionEditorView_->isVisible();
    if (shown && captionEditor_->File() != captionsFile && !captionEditorView_->close())
        return;  // the edits of the file open are kept
    std::string err;
    if ((!shown || captionEditor_->File() != captionsFile) && !captionEditor_->Open(captionsFile, recording, err))
        Tav_Message(err);
    captionEditorView_->show();
    captionEditorView_->raise();
}

void ToolWindows::showSlideImport(const std::string& slideDir)
{
    SlideImportModel model;
    model.txtDir = QString::fromStdString(slideDir);
    SlideImportDialog dialog(&model, mainWindow_);
    dialog.chooseDirectory = [this, &dialog](const std::string& title, std::string& dir) {
        return DirectoryChooserDialog::Choose(&dialog, &context_.hooks, title, dir, true);
    };
    dialog.exec();
}

void ToolWindows::showServer()
{
    if (!lectureWatcher_) {
        Preferences& prefs = context_.prefs();
        lectureWatcher_ = std::make_unique<LectureWatcher>([&prefs] { return prefs.Snapshot(); },
                                                           [&prefs](const PreferenceSnapshot& changed) {
                                                               for (const auto& [key, value] : changed)
                                                                   prefs.Set(key, value);
                                                               prefs.DoSave();
                                                           });
        lectureWatcher_->Session().openerFactory = context_.session().openerFactory;
        lectureWatcher_->Session().captionMakerFactory = context_.session().captionMakerFactory;
        lectureWatcher_->chooseDirectory = [this](const std::string& title, std::string& dir) {
            return context_.hooks.ChooseDirectory(title, dir, false);
        };
        // Its "Preferences" opens the one preferences window, as the main window's menu does.
        QObject::connect(lectureWatcher_.get(), &LectureWatcher::preferencesRequested, &context_.mainWindow(),
                         &MainWindow::openPreferences);
        lectureWatcher_->load();
        lectureWatcherView_ = std::make_unique<LectureWatcherView>(lectureWatcher_.get());
    }
    lectureWatcher_->chkAuto = 0;
    emit lectureWatcher_->changed();
    if (mainWindow_)
        mainWindow_->hide();
    lectureWatcherView_->show();
}

void ToolWindows::showTimingEditor(const std::string& dir)
{
    timingDir_ = dir;
    if (!timingEditor_) {
        chooser_ = std::make_unique<QtFileChooser>(mainWindow_);
        timingEditor_ = std::make_unique<TimingEditor>(chooser_.get());
        timingEditor_->lectureDir = [this] { return timingDir_; };
        timingEditor_->load();
        timeline_ = std::make_unique<TimelineModel>(*timingEditor_);
        // Slide images come from the detailed form's slide directory.
        timeline_->slideDir = [this] { return context_.session().request.TextPP; };
        // Playing from the timeline skips what is cut.
        QObject::connect(timeline_.get(), &TimelineModel::playRequested, [this](const QString& file, double seconds) {
            playFrom(file.toStdString(), seconds, [this](double at) { return timeline_->PastCut(at); });
        });
        slideText_ = std::make_unique<SlideTextPanel>(*timingEditor_);
        slideText_->slideDir = [this] { return context_.session().request.TextPP; };
        timingEditorView_ = std::make_unique<TimingEditorView>(*timingEditor_, timeline_.get(), slideText_.get());
    }
    slideText_->Follow();
    timingEditorView_->show();
    timingEditorView_->raise();
}

void ToolWindows::showTimingReview(const std::string& dir, const std::string& eventsFile)
{
    showTimingEditor(dir);
    // Edits not saved yet are not lost without the user's word.
    if (timingEditor_->ConfirmDiscard())
        timingEditor_->LoadFile(eventsFile);
}

bool ToolWindows::showRecordingSetup(const std::string& dir)
{
    // The set-up window reports an incomplete encoder set-up itself and
    // stays open for another try, so its closing is the answer.
    QtRecordingWindows windows(mainWindow_);
    windows.deviceMemory = &context_.prefs().Store();
    windows.imageName = [this](int n) { return context_.mainWindow().TavImageName(n); };
    // Slides come from the detailed form's slide directory, not the media's.
    windows.lectureDir = [this] { return Tav_DirSlash(context_.session().request.TextPP); };
    RecordingSetup model(&windows);
    model.lectureDir = [dir] { return dir; };
    model.lectureName = [this] { return context_.session().request.TextName; };
    model.load();
    RecordingSetupView view(model, mainWindow_);
    view.RunModal();
    return true;
}

void ToolWindows::playFrom(const std::string& recording, double seconds, std::function<double(double)> skip)
{
    showPlayer();
    std::function<long(long)> skipMs;
    if (skip)
        skipMs = [skip](long ms) { return std::lround(skip(static_cast<double>(ms) / 1000) * 1000); };
    if (tools_ && tools_->Player())
        tools_->Player()->PlayFrom(recording, static_cast<long>(seconds * 1000), std::move(skipMs));
}

void ToolWindows::newTools()
{
    tools_ = std::make_unique<QtRecordingWindows>(mainWindow_);
    tools_->deviceMemory = &context_.prefs().Store();
}

void ToolWindows::showPlayer()
{
    if (!tools_)
        newTools();
    std::string err;
    if (!tools_->PlayerView() && !tools_->LoadPlayer(err)) {
        Tav_Message("Unable to load RealPlayer ActiveX Control - " + err);
        return;
    }
    tools_->ShowPlayer();
    tools_->PlayerView()->raise();
}

bool ToolWindows::showConverter(const std::string& input, const std::string& output)
{
    FfmpegEncoder encoder;
    QtFileChooser chooser(mainWindow_);
    MediaConverter model(encoder, &chooser);
    model.inputChanged(input);
    model.outputChanged(output);
    MediaConverterView view(model, mainWindow_);
    view.exec();
    return model.Completed();
}

void ToolWindows::showEncoderSetup()
{
    if (!tools_)
        newTools();
    std::string err;
    if (!tools_->EncoderView() && !tools_->LoadMediaOpener(err)) {
        Tav_Message("Pellucor cannot Load RealProducer ActiveX Control - " + err);
        return;
    }
    tools_->EncoderView()->show();
    tools_->EncoderView()->raise();
}

}  // namespace pellucor
