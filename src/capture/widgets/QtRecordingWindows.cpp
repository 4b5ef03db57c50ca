#include "capture/widgets/QtRecordingWindows.h"

#include <QEventLoop>
#include <QVideoWidget>

#include "capture/EncoderSetup.h"
#include "capture/FfmpegEncoder.h"
#include "capture/PlayerWindow.h"
#include "capture/SlideFlipRecorder.h"
#include "capture/widgets/DeviceDialogs.h"
#include "capture/widgets/EncoderSetupView.h"
#include "capture/widgets/PlayerWindowView.h"
#include "capture/widgets/QtMediaPlayer.h"
#include "capture/widgets/SlideFlipRecorderView.h"

namespace pellucor {

QtRecordingWindows::QtRecordingWindows(QWidget* parent) : parent_(parent), chooser_(parent) { }

QtRecordingWindows::~QtRecordingWindows()
{
    UnloadPlayer();
    UnloadEncoder();
}

EncoderSetup* QtRecordingWindows::LoadMediaOpener(std::string& err)
{
    UnloadEncoder();
    auto encoder = std::make_unique<FfmpegEncoder>();
    if (prepareEncoder)
        prepareEncoder(*encoder);
    encoder_ = std::move(encoder);
    record_ = std::make_unique<EncoderSetup>(*encoder_, &chooser_);
    record_->RememberDevicesIn(deviceMemory);
    recordView_ = std::make_unique<EncoderSetupView>(*record_, parent_);
    InstallDeviceDialogs(*encoder_, recordView_.get());
    err.clear();
    return record_.get();
}

void QtRecordingWindows::ShowEncoderModal()
{
    if (recordView_)
        recordView_->exec();
}

PlayerWindow* QtRecordingWindows::LoadPlayer(std::string& err)
{
    UnloadPlayer();
    QtMediaPlayer::SelectBackend();  // before the video widget's media objects
    auto* video = new QVideoWidget;
    player_ = std::make_unique<QtMediaPlayer>(video);
    play_ = std::make_unique<PlayerWindow>(*player_, &chooser_);
    playView_ = std::make_unique<PlayerWindowView>(*play_, video, parent_);
    err.clear();
    return play_.get();
}

void QtRecordingWindows::ShowPlayer()
{
    if (playView_)
        playView_->show();
}

void QtRecordingWindows::RunRecorder(bool maximized, RecordingFields& fields)
{
    SlideFlipRecorder model(fields, maximized ? SlideFlipRecorder::FullScreen : SlideFlipRecorder::Windowed, maximized);
    model.imageName = imageName;
    model.lectureDir = lectureDir;
    model.encoder = record_.get();
    model.player = play_.get();
    SlideFlipRecorderView view(model);
    view.setWindowModality(Qt::ApplicationModal);
    recorderView_ = &view;
    if (model.load()) {
        view.show();
        QEventLoop loop;
        QObject::connect(&model, &SlideFlipRecorder::closeRequested, &loop, &QEventLoop::quit);
        if (!model.Stopped())
            loop.exec();
    }
    recorderView_ = nullptr;
}

void QtRecordingWindows::UnloadEncoder()
{
    // The window goes first, then its model, then the component (which
    // finishes a recording still running).
    recordView_.reset();
    record_.reset();
    encoder_.reset();
}

void QtRecordingWindows::UnloadPlayer()
{
    if (playView_)
        playView_->hide();
    play_.reset();
    player_.reset();
    playView_.reset();
}

}  // namespace pellucor
