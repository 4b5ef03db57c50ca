// The Whisper models offered for download: whisper.cpp's own list (read
// from its sources when the build configures, WhisperModelList.cmake) of
// the models tiny, base, small and medium and their English-only ".en"
// forms, each with the size and SHA-1 that list publishes, and the host it
// names. A mirror (a university's own) serves the same files by the same
// names under its own address.
#pragma once

#include <span>
#include <string>

namespace pellucor {

struct SpeechModel {
    const char* name;  // "base.en"
    const char* size;  // as the list gives it: "142 MiB"
    const char* sha1;  // lower-case hex
};

// The models offered (none when the program was built without whisper.cpp).
std::span<const SpeechModel> WhisperModels();
const SpeechModel* FindWhisperModel(const std::string& name);
// The names, blank-separated, for messages.
std::string WhisperModelNames();
// The model's file name: "ggml-base.en.bin".
std::string WhisperModelFileName(const std::string& name);
// Where the list's host serves the files (without the file name).
std::string WhisperModelHostUrl();
// The address of the model under base (the host's, or a mirror's):
// base/ggml-NAME.bin.
std::string WhisperModelUrl(const std::string& base, const std::string& name);
// The models folder's file of the model (SpeechModelsDir() + file name).
std::string InstalledWhisperModelPath(const std::string& name);

}  // namespace pellucor
