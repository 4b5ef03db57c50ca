// Machine-made captions for the parts of a lecture: each part's recording
// read as 16 kHz mono, cut into stretches of speech that the workers (one
// per core, each with its own decoder) recognise, the words cut into cues
// and written beside the recording as NAME1.vtt with its machine-made mark.
// A lecturer's own captions are never touched; machine-made ones are made
// again only when asked.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "speech/SpeechEngine.h"

namespace pellucor {

class SlidePrompts;

struct TranscribeOptions {
    std::string mediaDir;  // where the recordings lie
    std::string lecName;   // the lecture's name, as its parts' files carry it
    int part = 0;          // only this part (0: every part)
    bool replace = false;  // make machine-made captions again
    int workers = 0;       // 0: one per core
    // Captions named for their language (NAME1.de.vtt) where set.
    std::string fileLanguage;
};

struct PartTranscript {
    // ReviewKept: automatic captions a person has worked on in the caption
    // editor, kept as a lecturer's are (reviewed tells whether finished).
    enum class Result { Written, LecturersKept, MachineKept, ReviewKept, Failed };
    int part = 0;
    std::string recording, captions;
    Result result = Result::Failed;
    bool needed = false;    // Plan found it needs captions made
    std::string error;      // when Failed
    bool reviewed = false;  // when ReviewKept: every doubtful word seen, or said so
    size_t words = 0, cues = 0;
    double seconds = 0;  // of the recording
};

class LectureTranscriber {
public:
    // The parts of the lecture and what each has; false with err when the
    // directory holds no recording (or not the part asked for).
    bool Plan(const TranscribeOptions& options, std::vector<PartTranscript>& parts, std::string& err);

    // Makes the captions of every planned part that needs them (the engine
    // is only asked for then). False when a part failed (its error says why;
    // nothing of it was written) or the work was cancelled.
    bool Run(const TranscribeOptions& options, std::vector<PartTranscript>& parts,
             const std::function<SpeechEngine*(std::string& err)>& engine);

    // Share done (0 to 1) and what is being done, from the running thread.
    std::function<void(double fraction, const std::string& status)> onProgress;
    // From any thread (a signal handler too: one atomic store).
    void Cancel() { cancel_ = true; }
    bool Cancelled() const { return cancel_; }

    // The words of samples, recognised by workers decoders of engine.
    // Each stretch is heard with the words of the slides shown meanwhile
    // where prompts are given.
    bool Recognise(SpeechEngine& engine, const std::vector<int16_t>& pcm, int workers, std::vector<SpokenWord>& words,
                   std::string& err, const std::function<void(double)>& progress,
                   const SlidePrompts* prompts = nullptr);

private:
    bool transcribePart(const TranscribeOptions& options, PartTranscript& part, SpeechEngine& engine, double from,
                        double share);

    std::atomic<bool> cancel_ {false};
};

}  // namespace pellucor
