// Capture devices as libavdevice sees them: ALSA and PulseAudio sources for
// sound, V4L2 cameras for pictures.
#pragma once

#include <string>
#include <vector>

#include "capture/MediaInput.h"

namespace pellucor {

struct CaptureDevice {
    std::string format;  // libavdevice input format: "pulse", "alsa", "v4l2", "lavfi"
    std::string url;     // the device name handed to the format
    std::string label;   // shown in the driver lists
};

std::vector<CaptureDevice> FfmpegAudioDevices();
std::vector<CaptureDevice> FfmpegVideoDevices();

// The input that reads device; width/height ask a camera for that picture
// size (0: its default).
MediaInput CaptureInput(const CaptureDevice& device, int width, int height);

// Opens and closes the device once to see that it can be used; false with
// err when it cannot.
bool FfmpegProbeDevice(const CaptureDevice& device, int width, int height, std::string& err);

// What a device can deliver, one text a line ("yuyv422 640x480", "s16le
// 48000 Hz 2 channels"), read by opening it; empty with err when it cannot
// be opened.
std::vector<std::string> FfmpegDeviceFormats(const CaptureDevice& device, std::string& err);

}  // namespace pellucor
