// A stand-in for the player component: a clip opens on the first Play after
// a source is set, and the test moves its position and state by hand.
#pragma once

#include "core/PlayerControl.h"

namespace pellucor::testing_support {

class FakePlayer : public PlayerControl {
public:
    void SetSource(const std::string& source) override
    {
        source_ = source;
        opened_ = false;
        state_ = Stopped;
    }
    std::string Source() const override { return source_; }
    bool CanPlay() const override { return !source_.empty() && state_ != Playing; }
    bool CanPause() const override { return state_ == Playing; }
    bool CanStop() const override { return state_ != Stopped; }
    void Play() override
    {
        state_ = Playing;
        if (!opened_) {
            opened_ = true;
            if (OnClipOpened)
                OnClipOpened();
        }
    }
    void Pause() override { state_ = Paused; }
    void Stop() override { state_ = Stopped; }
    int PlayState() const override { return state_; }
    long Position() const override { return position; }
    void SetPosition(long ms) override { position = ms; }
    long Length() const override { return length; }
    int ClipWidth() const override { return width; }
    int ClipHeight() const override { return height; }
    int Left() const override { return 0; }
    int Top() const override { return 0; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    void SetGeometry(int, int, int, int) override { }

    void End() { state_ = Stopped; }  // playback reached the end

    long position = 0, length = 6000;
    int width = 0, height = 0;

private:
    std::string source_;
    bool opened_ = false;
    int state_ = Stopped;
};

}  // namespace pellucor::testing_support
