// The encoder's device dialogs as plain Qt dialogs in which the user
// chooses: Format (picture size, frame rate, sample rate, channels),
// Source (the camera's input) and Compress (codecs and bit rates). Each
// choice is handed to the encoder, which passes it to FFmpeg from the next
// set-up or recording on.
#pragma once

#include <string>
#include <vector>

class QWidget;

namespace pellucor {

class FfmpegEncoder;

// Installs the three dialogs into encoder (parent: the window they belong to).
void InstallDeviceDialogs(FfmpegEncoder& encoder, QWidget* parent);

// The lines describing encoder's current encoding (container, codecs, bit
// rates, size); empty with err when the settings are incomplete.
std::vector<std::string> CompressionLines(const FfmpegEncoder& encoder, std::string& err);

}  // namespace pellucor
