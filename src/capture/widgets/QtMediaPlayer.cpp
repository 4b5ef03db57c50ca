#include "capture/widgets/QtMediaPlayer.h"

#include <QAudioOutput>
#include <QMediaMetaData>
#include <QUrl>
#include <QVideoWidget>

#include "core/TavString.h"

namespace pellucor {

namespace {
constexpr const char* kFilePrefix = "file:\\\\\\";
}

QtMediaPlayer::QtMediaPlayer(QVideoWidget* video) : audio_(std::make_unique<QAudioOutput>()), video_(video)
{
    player_.setAudioOutput(audio_.get());
    if (video_)
        player_.setVideoOutput(video_);
    QObject::connect(&player_, &QMediaPlayer::mediaStatusChanged, &player_, [this](QMediaPlayer::MediaStatus s) {
        const bool open = s == QMediaPlayer::LoadedMedia || s == QMediaPlayer::BufferedMedia ||
                          s == QMediaPlayer::BufferingMedia || s == QMediaPlayer::EndOfMedia;
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
    const std::string path = Tav_StartsWith(source, kFilePrefix) ? source.substr(9) : source;
    player_.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtMediaPlayer::CanPlay() const
{
    const auto s = player_.mediaStatus();
    return !source_.empty() && s != QMediaPlayer::InvalidMedia && s != QMediaPlayer::NoMedia &&
           player_.playbackState() != QMediaPlayer::PlayingState;
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

int QtMediaPlayer::ClipWidth() const
{
    return player_.hasVideo() ? player_.metaData().value(QMediaMetaData::Resolution).toSize().width() : 0;
}

int QtMediaPlayer::ClipHeight() const
{
    return player_.hasVideo() ? player_.metaData().value(QMediaMetaData::Resolution).toSize().height() : 0;
}

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
