#include "capture/widgets/QtMediaPlayer.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QByteArray>
#include <QMediaDevices>
#include <QMediaMetaData>
#include <QUrl>
#include <QVideoSink>
#include <QVideoWidget>

#include <cstring>

#include "core/TavString.h"

namespace pellucor {

namespace {
constexpr const char* kFilePrefix = "file:\\\\\\";
}

void QtMediaPlayer::SelectBackend()
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", QByteArray("ffmpeg"));
}

QtMediaPlayer::QtMediaPlayer(QVideoWidget* video) : audio_(std::make_unique<QAudioOutput>()), video_(video)
{
    // Without a sound device the clip plays silently (an audio output
    // without a device would fail inside the backend).
    if (!QMediaDevices::audioOutputs().isEmpty())
        player_.setAudioOutput(audio_.get());
    // Pictures go to the window's video widget, or, without one, to a sink
    // of the player's own (the backend plays a clip's pictures only into
    // an output).
    if (video_)
        player_.setVideoOutput(video_);
    else
        player_.setVideoOutput(&sink_);
    QObject::connect(&player_, &QMediaPlayer::mediaStatusChanged, &player_, [this](QMediaPlayer::MediaStatus s) {
        const bool open = s == QMediaPlayer::LoadedMedia || s == QMediaPlayer::BufferedMedia
            || s == QMediaPlayer::BufferingMedia || s == QMediaPlayer::EndOfMedia;
        if (open && !opened_) {
            opened_ = true;
            if (OnClipOpened)
                OnClipOpened();
        } else if ((s == QMediaPlayer::NoMedia || s == QMediaPlayer::InvalidMedia) && opened_) {
            opened_ = false;
            if (OnClipClosed)
                OnClipClosed();
        }
    });
}

QtMediaPlayer::~QtMediaPlayer()
{
    OnClipOpened = nullptr;
    OnClipClosed = nullptr;
    player_.stop();
}

void QtMediaPlayer::SetSource(const std::string& source)
{
    source_ = source;
    const std::string path = StartsWith(source, kFilePrefix) ? source.substr(std::strlen(kFilePrefix)) : source;
    player_.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtMediaPlayer::CanPlay() const
{
    const auto s = player_.mediaStatus();
    return !source_.empty() && s != QMediaPlayer::InvalidMedia && s != QMediaPlayer::NoMedia
        && player_.playbackState() != QMediaPlayer::PlayingState;
}

bool QtMediaPlayer::CanPause() const { return player_.playbackState() == QMediaPlayer::PlayingState; }
bool QtMediaPlayer::CanStop() const { return player_.playbackState() != QMediaPlayer::StoppedState; }

int QtMediaPlayer::PlayState() const
{
    switch (player_.playbackState()) {
    case QMediaPlayer::PlayingState: return Playing;
    case QMediaPlayer::PausedState: return Paused;
    default: return Stopped;
    }
}

QSize QtMediaPlayer::clipSize() const
{
    if (!player_.hasVideo())
        return {};
    // Backends differ in where they report the picture size.
    QSize size = player_.metaData().value(QMediaMetaData::Resolution).toSize();
    const auto tracks = player_.videoTracks();
    const int active = player_.activeVideoTrack();
    if (size.isEmpty() && active >= 0 && active < tracks.size())
        size = tracks[active].value(QMediaMetaData::Resolution).toSize();
    if (size.isEmpty() && player_.videoSink())
        size = player_.videoSink()->videoSize();
    return size;
}

int QtMediaPlayer::ClipWidth() const { return clipSize().width(); }

int QtMediaPlayer::ClipHeight() const { return clipSize().height(); }

int QtMediaPlayer::Left() const { return video_ ? video_->x() : 0; }
int QtMediaPlayer::Top() const { return video_ ? video_->y() : 0; }
int QtMediaPlayer::Width() const { return video_ ? video_->width() : 0; }
int QtMediaPlayer::Height() const { return video_ ? video_->height() : 0; }

void QtMediaPlayer::SetGeometry(int left, int top, int width, int height)
{
    if (video_)
        video_->setGeometry(left, top, width, height);
}

}  // namespace pellucor
