#include "speech/WhisperEngine.h"

#include <whisper.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <mutex>

#include "core/FileLookup.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {

// ggml's file magic, as a model file's first four bytes read.
constexpr uint32_t kGgmlMagic = 0x67676d6c;
constexpr int32_t kLargestDimension = 1 << 20;
// An English model's vocabulary; multilingual ones have more tokens.
constexpr int32_t kWhisperVocabulary = 51864;
// 1.1 s at 16 kHz.
constexpr size_t kShortestStretch = 17600;
// whisper.cpp's times are in hundredths of a second.
constexpr double kWhisperTick = 0.01;

// whisper.cpp and ggml report through one log: its chatter is dropped,
// its first error kept to say why a model did not load (the ones after
// only say that it failed).
std::mutex whisperLogLock;
std::string whisperLastError;

void whisperLog(ggml_log_level level, const char* text, void*)
{
    if (level != GGML_LOG_LEVEL_ERROR || !text)
        return;
    const std::lock_guard<std::mutex> hold(whisperLogLock);
    if (whisperLastError.empty())
        whisperLastError = Trim(text);
}

std::string takeWhisperError()
{
    const std::lock_guard<std::mutex> hold(whisperLogLock);
    std::string e = whisperLastError;
    whisperLastError.clear();
    // "whisper_model_load: invalid model data (bad magic)" -> what follows the function's name
    if (const size_t colon = e.find(": "); colon != std::string::npos && e.find(' ') > colon)
        e.erase(0, colon + 2);
    return e;
}

// whisper.cpp trusts the sizes a model file gives: a damaged header would
// make it allocate without bound. The header is checked here first.
std::string headerProblem(const std::string& path)
{
    if (const std::string why = FileProblem(path); !why.empty())
        return "it cannot be read: " + why;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "it cannot be opened";
    uint32_t magic = 0;
    int32_t h[13] {};  // the 11 sizes of the model, then the mel filters' 2
    in.read(reinterpret_cast<char*>(&magic), sizeof magic);
    in.read(reinterpret_cast<char*>(h), sizeof h);
    if (!in)
        return "it is too short to be a Whisper model";
    if (magic != kGgmlMagic)
        return "it is not a ggml model file (such as ggml-base.en.bin)";
    for (int i = 0; i < 13; ++i)
        if (i != 10 && (h[i] <= 0 || h[i] > kLargestDimension))
            return "its header is damaged";
    if (h[2] != h[6])  // the audio and text widths
        return "its header is damaged";
    if (h[0] < kWhisperVocabulary)
        return "it is not a Whisper model (its vocabulary is too small)";
    return {};
}

bool whisperAbort(void* stop)
{
    const auto* flag = static_cast<const std::atomic<bool>*>(stop);
    return flag && *flag;
}

bool whisperGoOn(whisper_context*, whisper_state*, void* stop) { return !whisperAbort(stop); }

class WhisperDecoder : public SpeechDecoder {
public:
    WhisperDecoder(whisper_context* ctx, whisper_state* state, const std::string& language, bool translate)
        : ctx_(ctx), state_(state), language_(language), translate_(translate)
    { }
    ~WhisperDecoder() override { whisper_free_state(state_); }

    bool Recognise(const int16_t* pcm, size_t count, std::vector<SpokenWord>& words, std::string& err) override
    {
        words.clear();
        // whisper.cpp hears nothing in less than a second: a short stretch
        // ("Yes.") gets silence after it.
        std::vector<float> samples(std::max(count, kShortestStretch), 0.0f);
        std::transform(pcm, pcm + count, samples.begin(), [](int16_t s) { return static_cast<float>(s) / 32768.0f; });
        whisper_full_params p = whisper_full_default_params(WHISPER_SAMPLING_GREEDY);
        p.n_threads = 1;  // the transcriber runs one decoder per core
        p.no_context = true;
        p.print_progress = p.print_realtime = p.print_timestamps = p.print_special = false;
        p.token_timestamps = true;
        p.language = language_.c_str();
        p.translate = translate_;
        // The slides' words are in the language spoken: as the prompt of a
        // translation they would draw it back into that language.
        p.initial_prompt = prompt.empty() || translate_ ? nullptr : prompt.c_str();
        p.encoder_begin_callback = whisperGoOn;
        p.encoder_begin_callback_user_data = const_cast<std::atomic<bool>*>(stop);
        p.abort_callback = whisperAbort;
        p.abort_callback_user_data = const_cast<std::atomic<bool>*>(stop);
        const int rc = whisper_full_with_state(ctx_, state_, p, samples.data(), static_cast<int>(samples.size()));
        if (stop && *stop) {
            err = "cancelled";
            return false;
        }
        if (rc != 0) {
            err = "whisper.cpp could not decode the speech (error " + std::to_string(rc) + ")";
            return false;
        }
        const double length = static_cast<double>(count) / 16000.0;
        const whisper_token eot = whisper_token_eot(ctx_);
        for (int s = 0, segments = whisper_full_n_segments_from_state(state_); s < segments; ++s)
            for (int t = 0, tokens = whisper_full_n_tokens_from_state(state_, s); t < tokens; ++t) {
                if (whisper_full_get_token_id_from_state(state_, s, t) >= eot)
                    continue;  // the end, timestamps and the other special tokens
                const whisper_token_data d = whisper_full_get_token_data_from_state(state_, s, t);
                const char* piece = whisper_full_get_token_text_from_state(ctx_, state_, s, t);
                addPiece(words, piece ? piece : "", std::clamp(d.t0 * kWhisperTick, 0.0, length),
                         std::clamp(d.t1 * kWhisperTick, 0.0, length), d.p);
            }
        words.erase(std::remove_if(words.begin(), words.end(), [](const SpokenWord& w) { return w.text.empty(); }),
                    words.end());
        return true;
    }

private:
    // Tokens are pieces of words: one that starts with a blank starts a
    // word, the others (and punctuation) go on the word before.
    static void addPiece(std::vector<SpokenWord>& words, std::string piece, double t0, double t1, float p)
    {
        const bool starts = words.empty() || (!piece.empty() && piece[0] == ' ');
        piece = Trim(piece);
        if (starts) {
            words.push_back({t0, std::max(t0, t1), piece, std::clamp(p, 0.0f, 1.0f)});
            return;
        }
        SpokenWord& w = words.back();
        w.text += piece;
        w.end = std::max(w.end, t1);
        w.confidence = std::min(w.confidence, std::clamp(p, 0.0f, 1.0f));
    }

    whisper_context* ctx_;
    whisper_state* state_;
    std::string language_;
    bool translate_;
};

// whisper.cpp is compiled for x86-64 processors with AVX2 and FMA (sold
// from 2013 on), not for the machine that built it, so that a package runs
// elsewhere; an older processor gets this answer instead of an illegal
// instruction.
std::string processorProblem()
{
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma") || !__builtin_cpu_supports("bmi2"))
        return "this processor lacks AVX2 and FMA, which the Whisper engine needs (use PocketSphinx)";
#endif
    return {};
}

}  // namespace

std::unique_ptr<WhisperEngine> WhisperEngine::Load(const std::string& path, const std::string& language,
                                                   bool translate, std::string& err)
{
    const std::string head = "The Whisper model " + path + " cannot be used: ";
    if (const std::string why = processorProblem(); !why.empty()) {
        err = head + why;
        return nullptr;
    }
    if (const std::string why = headerProblem(path); !why.empty()) {
        err = head + why;
        return nullptr;
    }
    std::string lang = Lower(Trim(language));
    if (lang.empty())
        lang = "auto";
    if (lang != "auto" && whisper_lang_id(lang.c_str()) < 0) {
        err = "Whisper knows no language \"" + language + "\" (give a code such as en, de or fr)";
        return nullptr;
    }
    if (translate && lang == "en") {
        err = "The speech is in English already: translating makes English captions of speech in another language";
        return nullptr;
    }
    whisper_log_set(whisperLog, nullptr);
    takeWhisperError();
    whisper_context_params cp = whisper_context_default_params();
    cp.use_gpu = false;
    whisper_context* ctx = whisper_init_from_file_with_params_no_state(path.c_str(), cp);
    if (!ctx) {
        const std::string why = takeWhisperError();
        err = head + (why.empty() ? std::string("whisper.cpp could not load it") : why);
        return nullptr;
    }
    if (lang != "auto" && lang != "en" && !whisper_is_multilingual(ctx)) {
        whisper_free(ctx);
        err = "The Whisper model " + path + " knows English only: give a multilingual model for \"" + language + "\"";
        return nullptr;
    }
    if (translate && !whisper_is_multilingual(ctx)) {
        whisper_free(ctx);
        err = "The Whisper model " + path + " knows English only: give a multilingual model to translate";
        return nullptr;
    }
    if (!whisper_is_multilingual(ctx))
        lang = "en";  // nothing to find out
    auto engine = std::unique_ptr<WhisperEngine>(new WhisperEngine);
    engine->ctx_ = ctx;
    engine->path_ = path;
    engine->language_ = lang;
    engine->translate_ = translate;
    return engine;
}

WhisperEngine::~WhisperEngine()
{
    if (ctx_)
        whisper_free(ctx_);
}

std::string WhisperEngine::Describe() const
{
    return "Whisper " + std::string(whisper_model_type_readable(ctx_)) + ", " + Tav_SplitPath(path_).last
        + (translate_ ? ", translated into English" : "");
}

std::unique_ptr<SpeechDecoder> WhisperEngine::NewDecoder(std::string& err)
{
    whisper_state* state = whisper_init_state(ctx_);
    if (!state) {
        const std::string why = takeWhisperError();
        err = "whisper.cpp could not make room to decode with " + path_ + (why.empty() ? "" : ": " + why);
        return nullptr;
    }
    return std::make_unique<WhisperDecoder>(ctx_, state, language_, translate_);
}

}  // namespace pellucor
