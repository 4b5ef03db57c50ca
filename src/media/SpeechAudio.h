// The sound of a recording as speech recognisers take it: decoded with
// FFmpeg, mixed down to one channel and resampled to 16 kHz, as signed
// 16-bit samples.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pellucor {

inline constexpr int kSpeechRate = 16000;

enum class SpeechAudioError { None, Unreadable, NoSound, Cancelled };

// Decodes the first sound stream of path into pcm (16 kHz mono). progress,
// when given, is called with the share read so far (0 to 1) and stops the
// reading when it answers false. False with err (naming the file) and why.
bool ReadSpeechAudio(const std::string& path, std::vector<int16_t>& pcm, std::string& err, SpeechAudioError& why,
                     const std::function<bool(double)>& progress = {});

}  // namespace pellucor
