// Capture devices as libavdevice sees them: ALSA and PulseAudio sources for
// sound, V4L2 cameras for pictures.
#pragma once

#include <string>
#include <vector>

struct CaptureDevice {
    std::string format;  // libavdevice input format: "pulse", "alsa", "v4l2", "lavfi"
    std::string url;     // the device name handed to the format
    std::string label;   // shown in the driver lists
};

std::vector<CaptureDevice> FfmpegAudioDevices();
std::vector<CaptureDevice> FfmpegVideoDevices();

// Opens and closes the device once to see that it can be used; false with
// err when it cannot. width/height ask a camera for that picture size (0:
// its default).
bool FfmpegProbeDevice(const CaptureDevice& device, int width, int height, std::string& err);
