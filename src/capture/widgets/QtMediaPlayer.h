// The player component on Qt Multimedia.
#pragma once

#include <QMediaPlayer>
#include <QSize>
#include <QVideoSink>

#include <memory>

#include "core/PlayerControl.h"

class QAudioOutput;
class QVideoWidget;

namespace pellucor {

class QtMediaPlayer : public PlayerControl {
public:
    // Chooses Qt's FFmpeg media backend, which plays every format FFmpeg
    // reads (RealMedia among them), unless QT_MEDIA_BACKEND names another.
    // Takes effect only before the first media object (player, video
    // widget) of the process is made; the constructor calls it too.
    static void SelectBackend();

    // video: where pictures are shown (may be null: sound only).
    explicit QtMediaPlayer(QVideoWidget* video = nullptr);
    ~QtMediaPlayer() override;

    void SetSource(const std::string& source) override;
    std::string Source() const override { return source_; }
    bool CanPlay() const override;
    bool CanPause() const override;
    bool CanStop() const override;
    void Play() override { player_.play(); }
    void Pause() override { player_.pause(); }
    void Stop() override { player_.stop(); }
    int PlayState() const override;
    long Position() const override { return static_cast<long>(player_.position()); }
    void SetPosition(long ms) override { player_.setPosition(ms); }
    long Length() const override { return static_cast<long>(player_.duration()); }
    int ClipWidth() const override;
    int ClipHeight() const override;
    int Left() const override;
    int Top() const override;
    int Width() const override;
    int Height() const override;
    void SetGeometry(int left, int top, int width, int height) override;

    QMediaPlayer& Player() { return player_; }
    // The player's error text, empty when none.
    std::string ErrorText() const { return player_.errorString().toStdString(); }

private:
    QSize clipSize() const;

    struct Backend {
        Backend() { SelectBackend(); }
    } backend_;        // before any media object
    QVideoSink sink_;  // the pictures' output when there is no video widget
    QMediaPlayer player_;
    std::unique_ptr<QAudioOutput> audio_;
    QVideoWidget* video_;
    std::string source_;
    bool opened_ = false;
};

}  // namespace pellucor
