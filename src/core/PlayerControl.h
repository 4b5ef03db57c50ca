// The media player component as the rest of the program sees it.
#pragma once

#include <functional>
#include <string>

namespace pellucor {

class PlayerControl {
public:
    enum State { Stopped = 0, Playing = 3, Paused = 4 };

    virtual ~PlayerControl() = default;

    std::function<void()> OnClipOpened;
    std::function<void()> OnClipClosed;

    // Source text: "file:\\\" followed by the media path.
    virtual void SetSource(const std::string& source) = 0;
    virtual std::string Source() const = 0;
    virtual bool CanPlay() const = 0;
    virtual bool CanPause() const = 0;
    virtual bool CanStop() const = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual int PlayState() const = 0;
    virtual long Position() const = 0;  // milliseconds
    virtual void SetPosition(long ms) = 0;
    virtual long Length() const = 0;    // milliseconds
    virtual int ClipWidth() const = 0;  // 0 for audio only
    virtual int ClipHeight() const = 0;

    // Placement of the control in its window.
    virtual int Left() const = 0;
    virtual int Top() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetGeometry(int left, int top, int width, int height) = 0;
};

}  // namespace pellucor
