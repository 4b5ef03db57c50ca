// Capture devices as libavdevice sees them: ALSA and PulseAudio sources for
// sound, V4L2 cameras for pictures.
#pragma once

#include <string>
#include <vector>

#include "media/MediaInput.h"

namespace pellucor {

struct CaptureDevice {
    std::string format;  // libavdevice input format: "pulse", "alsa", "v4l2", "lavfi"
    std::string url;     // the device name handed to the format
    std::string label;   // shown in the driver lists
};

std::vector<CaptureDevice> FfmpegAudioDevices();
std::vector<CaptureDevice> FfmpegVideoDevices();

// What the format dialog chose for the devices; 0 or empty: the device's
// default.
struct CaptureFormat {
    int width = 0, height = 0;  // picture size
    int frameRate = 0;          // pictures a second
    int sampleRate = 0;         // sound samples a second
    int channels = 0;           // 1 mono, 2 stereo
};

// What the compression dialog chose; empty or 0: the container's default
// codec and the bit rate of the chosen target audience.
struct CompressionChoice {
    std::string videoCodec, audioCodec;  // FFmpeg encoder names
    int videoKbps = 0, audioKbps = 0;
};

// The input that reads device: a camera is asked for the picture size and
// frame rate of format, and for its input (card source)
// number input (-1: the current one); a sound device for format's sample
// rate and channels.
MediaInput CaptureInput(const CaptureDevice& device, const CaptureFormat& format = {}, int input = -1);

// The inputs (card sources) of a camera ("Camera 1", "Composite"...), in
// their number order; empty when the device has none to choose from.
std::vector<std::string> FfmpegDeviceInputs(const CaptureDevice& device);

// The encoders a file named output can hold (video or sound), names as
// FFmpeg knows them, the container's default first.
std::vector<std::string> FfmpegEncodersFor(const std::string& output, const std::string& format, bool video);

// Opens and closes a device's input once to see that it can be used; false
// with err (naming the device by label) when it cannot.
bool FfmpegProbeDevice(const MediaInput& input, const std::string& label, std::string& err);

// What a device can deliver, one text a line ("yuyv422 640x480", "s16le
// 48000 Hz 2 channels"), read by opening it; empty with err when it cannot
// be opened.
std::vector<std::string> FfmpegDeviceFormats(const CaptureDevice& device, std::string& err);

}  // namespace pellucor
