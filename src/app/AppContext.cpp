#include "app/AppContext.h"

#include "app/CaptionsRun.h"
#include "app/LectureVideoRun.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "app/RecordingLectureRun.h"
#include "app/SlideSyncRun.h"
#include "core/StatusColours.h"
#include "speech/SpeechCaptionMaker.h"

namespace pellucor {

AppContext::AppContext(const QString& prefsIni, std::function<std::unique_ptr<MediaOpener>()> openers, QObject* parent)
    : QObject(parent),
      prefs_(std::make_unique<Preferences>(prefsIni)),
      session_(std::make_unique<PublishSession>()),
      publishForm_(std::make_unique<PublishForm>(prefs_.get(), session_.get())),
      mainWindow_(std::make_unique<MainWindow>(prefs_.get(), publishForm_.get())),
      slideSync_(std::make_unique<SlideSyncRun>(*mainWindow_, *publishForm_, hooks)),
      lectureVideo_(std::make_unique<LectureVideoRun>(*mainWindow_, *publishForm_, hooks)),
      captions_(std::make_unique<CaptionsRun>(*mainWindow_, *publishForm_, *prefs_, hooks)),
      recordingLecture_(std::make_unique<RecordingLectureRun>(*mainWindow_, *publishForm_, *prefs_, hooks))
{
    session_->openerFactory = std::move(openers);
    session_->captionMakerFactory = SpeechCaptionMaker::FromPreferences;
    hooks.slideSync = slideSync_.get();
    hooks.lectureVideo = lectureVideo_.get();
    hooks.captions = captions_.get();
    hooks.recordingLecture = recordingLecture_.get();
    publishForm_->SetHooks(&hooks);
    mainWindow_->SetHooks(&hooks);
    MainWindow* main = mainWindow_.get();
    PublishForm* detail = publishForm_.get();
    connect(detail, &PublishForm::statusChanged, main,
            [main](const QString& text, uint colour) { main->ShowStatus(text.toStdString(), colour); });
    connect(prefs_.get(), &Preferences::statusText, detail,
            [detail](const QString& text) { detail->SetStatus(text.toStdString(), kColourWhite); });
    connect(detail, &PublishForm::openLectureRequested, main, &MainWindow::openLecture);
    connect(detail, &PublishForm::newLectureRequested, main, &MainWindow::newLecture);
    connect(detail, &PublishForm::liberalSlideNamesRequested, main, &MainWindow::toggleLiberalNames);
    connect(detail, &PublishForm::onlineHelpRequested, main, &MainWindow::onlineHelp);
}

AppContext::~AppContext() = default;

MainWindow::StartWindow AppContext::Start(bool byAutomation)
{
    if (!started_) {
        started_ = true;
        first_ = mainWindow_->load(byAutomation);
    }
    return first_;
}

}  // namespace pellucor

#include "moc_AppContext.cpp"
