// One input of FFmpeg's libraries: a media file, or a capture source of
// libavdevice ("pulse", "alsa", "v4l2", "lavfi") with its options.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct AVFormatContext;
struct AVIOInterruptCB;

namespace pellucor {

struct MediaInput {
    std::string url;                                           // file path or device name
    std::string format;                                        // demuxer or device; empty: found from the data
    std::vector<std::pair<std::string, std::string>> options;  // e.g. {"video_size", "160x120"}
};

// Makes libavdevice's capture sources known to libavformat (once).
void FfmpegRegisterDevices();

// Opens input (without reading its streams); nullptr with err and code (an
// FFmpeg error code, or -1) when it cannot. interrupt, when given, lets a
// blocking read be ended from another thread.
AVFormatContext* OpenMediaInput(const MediaInput& input, std::string& err, int& code,
                                const AVIOInterruptCB* interrupt = nullptr);

}  // namespace pellucor
