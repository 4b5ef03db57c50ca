// The voice that speaks audio descriptions into the lecture video's
// described sound: espeak-ng through its C library, its output resampled
// to the video's sound. espeak-ng is one engine per process: one voice
// speaks at a time.
#pragma once

#include <string>
#include <vector>

struct SwrContext;

namespace pellucor {

class DescriptionVoice {
public:
    DescriptionVoice() = default;
    ~DescriptionVoice();
    DescriptionVoice(const DescriptionVoice&) = delete;
    DescriptionVoice& operator=(const DescriptionVoice&) = delete;

    // A voice of language (a tag such as en or de; English where espeak-ng
    // has none of it) giving samples at sampleRate. False with err when
    // espeak-ng cannot start.
    bool Open(const std::string& language, int sampleRate, std::string& err);
    // text spoken: one channel of float samples at the rate asked for.
    bool Speak(const std::string& text, std::vector<float>& samples, std::string& err);

private:
    int rate_ = 0, voiceRate_ = 0;
};

}  // namespace pellucor
