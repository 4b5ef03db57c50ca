// Which speech engine makes the captions: whisper.cpp whenever there is a
// Whisper model (the file named, else the first .bin of the models folder
// under the XDG data directory) and the program was built with it, else
// PocketSphinx with its installed English model.
#pragma once

#include <memory>
#include <string>

#include "speech/SpeechEngine.h"

namespace pellucor {

struct SpeechChoice {
    std::string engine;    // "pocketsphinx", "whisper" or "" (the best there is)
    std::string model;     // a Whisper model file ("": the models folder's)
    std::string language;  // "en", "de" ... ("": English for PocketSphinx, found by Whisper)
    bool translate = false;  // English words for speech in another language (Whisper only)
};

// $XDG_DATA_HOME/pellucor/models/ (~/.local/share/pellucor/models/).
std::string SpeechModelsDir();
// The Whisper model the choice names or the models folder holds ("" when none).
std::string WhisperModelOf(const SpeechChoice& choice);
// Whether this program was built with whisper.cpp.
bool WhisperBuiltIn();

// The engine of the choice, loaded; nullptr with err saying what is missing.
std::unique_ptr<SpeechEngine> LoadSpeechEngine(const SpeechChoice& choice, std::string& err);

// What --list-engines prints: each engine, whether it can run here and
// with which model, and where models are looked for.
std::string DescribeSpeechEngines(const SpeechChoice& choice);

}  // namespace pellucor
