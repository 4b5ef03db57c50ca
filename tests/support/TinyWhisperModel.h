// A Whisper model file in ggml's format, written by the tests themselves:
// the sizes of a real English model's vocabulary, a network a few numbers
// wide, and weights set so that whatever it hears it says "hello world"
// from 0 to 1 s of each 30 s window, then ends. It shows that a model
// loads and that the engine returns timed words, not how well it hears.
#pragma once

#include <string>

namespace pellucor::testing_support {

// Writes the model to path (about 3 MB); false when it cannot be written.
// A multilingual one has the vocabulary of the many-language models (the
// special tokens one further on) and says the same in every language and
// task, translation too.
bool WriteTinyWhisperModel(const std::string& path, bool multilingual = false);

}  // namespace pellucor::testing_support
