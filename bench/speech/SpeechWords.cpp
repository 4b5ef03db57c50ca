// The words a speech engine hears in a recording, one per line as
// "START<TAB>END<TAB>TEXT" (seconds), recognised the way "pellucor
// transcribe" does (the same stretches, one worker per core), so a bench
// can hold the captions the command wrote against the words they came from.
//   usage: speech_words RECORDING [ENGINE [MODEL]]
#include <cstdio>
#include <string>
#include <vector>

#include "media/SpeechAudio.h"
#include "speech/LectureTranscriber.h"
#include "speech/SpeechEngines.h"

using namespace pellucor;

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: speech_words RECORDING [ENGINE [MODEL]]\n");
        return 2;
    }
    SpeechChoice choice;
    choice.engine = argc > 2 ? argv[2] : "";
    choice.model = argc > 3 ? argv[3] : "";
    std::string err;
    SpeechAudioError why = SpeechAudioError::None;
    std::vector<int16_t> pcm;
    std::unique_ptr<SpeechEngine> engine;
    std::vector<SpokenWord> words;
    LectureTranscriber transcriber;
    if (!ReadSpeechAudio(argv[1], pcm, err, why) || !(engine = LoadSpeechEngine(choice, err))
        || !transcriber.Recognise(*engine, pcm, 0, words, err, {})) {
        std::fprintf(stderr, "speech_words: %s\n", err.c_str());
        return 1;
    }
    for (const SpokenWord& w : words)
        std::printf("%.3f\t%.3f\t%s\n", w.start, w.end, w.text.c_str());
    return 0;
}
