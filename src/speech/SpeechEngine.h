// The one interface every speech recogniser sits behind: 16 kHz mono
// samples go in (media/SpeechAudio reads them from a recording), the words
// heard come out with their start and end times and a confidence.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pellucor {

struct SpokenWord {
    double start = 0, end = 0;  // seconds from the start of the samples given
    std::string text;           // UTF-8, with the punctuation the engine writes
    float confidence = 1;       // 0 to 1
};

// Recognises one stretch of speech at a time. Not shared between threads:
// each worker asks the engine for its own.
class SpeechDecoder {
public:
    virtual ~SpeechDecoder() = default;
    // The words of count samples; false with err when the engine fails.
    virtual bool Recognise(const int16_t* pcm, size_t count, std::vector<SpokenWord>& words, std::string& err) = 0;
    // When set and true, Recognise ends early (it then fails).
    const std::atomic<bool>* stop = nullptr;
    // Words likely to be said (the slides' titles and terms), for an
    // engine that takes a prompt; the others hear without it.
    std::string prompt;
};

// A loaded model.
class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;
    // What the captions say made them ("PocketSphinx, en-us").
    virtual std::string Describe() const = 0;
    // The language of the words it writes ("en", "de"), "" when it finds
    // it out.
    virtual std::string Language() const = 0;
    // When it translates: the language spoken ("de"; "auto" when it finds
    // it out), else "".
    virtual std::string TranslatedFrom() const { return {}; }
    // A decoder of its own for one worker thread; nullptr with err.
    virtual std::unique_ptr<SpeechDecoder> NewDecoder(std::string& err) = 0;
    // The longest stretch the engine is given at once, in seconds.
    virtual double LongestStretch() const { return 25; }
    // The longest silence, in seconds, between two stretches of speech that
    // the engine is given together: one whose every call costs alike (a
    // window of fixed length) is given fewer, longer stretches; one whose
    // cost follows what it hears, none but the pauses inside speech.
    virtual double PackedSilence() const { return 2; }
};

}  // namespace pellucor
