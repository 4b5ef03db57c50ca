#include "speech/PocketSphinxEngine.h"

#include <pocketsphinx.h>
#include <sphinxbase/err.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <mutex>

#include "core/TavUtils.h"

namespace pellucor {

namespace {

// Frames per second of PocketSphinx's front end (its -frate).
constexpr double kFrameRate = 100;
constexpr size_t kPiece = 8000;

// A word as the dictionary spells it: alternate pronunciations carry
// "(2)"; fillers, silence and sentence marks are no words.
std::string spokenForm(const char* word)
{
    std::string w = word ? word : "";
    if (w.empty() || w[0] == '<' || w[0] == '[' || w[0] == '+')
        return {};
    if (const size_t paren = w.find('('); paren != std::string::npos)
        w.erase(paren);
    return w;
}

class PocketSphinxDecoder : public SpeechDecoder {
public:
    explicit PocketSphinxDecoder(ps_decoder_t* ps) : ps_(ps) { }
    ~PocketSphinxDecoder() override { ps_free(ps_); }

    bool Recognise(const int16_t* pcm, size_t count, std::vector<SpokenWord>& words, std::string& err) override
    {
        words.clear();
        if (ps_start_utt(ps_) < 0) {
            err = "PocketSphinx could not start decoding";
            return false;
        }
        // Half a second at a time, so that a stop is not kept waiting.
        for (size_t at = 0; at < count; at += kPiece) {
            if (stop && *stop) {
                ps_end_utt(ps_);
                err = "cancelled";
                return false;
            }
            if (ps_process_raw(ps_, pcm + at, std::min(kPiece, count - at), FALSE, FALSE) < 0) {
                ps_end_utt(ps_);
                err = "PocketSphinx could not decode the speech";
                return false;
            }
        }
        if (ps_end_utt(ps_) < 0) {
            err = "PocketSphinx could not decode the speech";
            return false;
        }
        // Its frame numbers run on from one utterance to the next.
        const int base = framesBefore_;
        framesBefore_ += ps_get_n_frames(ps_);
        ps_get_prob(ps_);  // the words' posterior probabilities
        logmath_t* lmath = ps_get_logmath(ps_);
        for (ps_seg_t* seg = ps_seg_iter(ps_); seg; seg = ps_seg_next(seg)) {
            const std::string text = spokenForm(ps_seg_word(seg));
            if (text.empty())
                continue;
            int sf = 0, ef = 0;
            ps_seg_frames(seg, &sf, &ef);
            int32 ascr = 0, lscr = 0, lback = 0;
            const double p = logmath_exp(lmath, ps_seg_prob(seg, &ascr, &lscr, &lback));
            words.push_back({(sf - base) / kFrameRate, (ef + 1 - base) / kFrameRate, text,
                             static_cast<float>(std::isfinite(p) ? std::clamp(p, 0.0, 1.0) : 0.0)});
        }
        return true;
    }

private:
    ps_decoder_t* ps_;
    int framesBefore_ = 0;
};

}  // namespace

std::string PocketSphinxEngine::DefaultModelDir() { return "/usr/share/pocketsphinx/model/en-us/"; }

std::unique_ptr<PocketSphinxEngine> PocketSphinxEngine::Load(const std::string& language, std::string& err,
                                                             const std::string& modelDir)
{
    const std::string lang = Lower(Trim(language));
    if (!lang.empty() && lang != "en" && lang != "en-us") {
        err = "PocketSphinx has no model for the language \"" + language
            + "\" here (only en-us is installed); give a Whisper model with --model";
        return nullptr;
    }
    auto engine = std::unique_ptr<PocketSphinxEngine>(new PocketSphinxEngine);
    const std::string dir = Tav_DirSlash(modelDir);
    engine->hmm_ = dir + "en-us";
    engine->lm_ = dir + "en-us.lm.bin";
    engine->dict_ = dir + "cmudict-en-us.dict";
    for (const std::string& path : {engine->hmm_ + "/mdef", engine->lm_, engine->dict_})
        if (!std::filesystem::is_regular_file(path)) {
            err = "The PocketSphinx model file " + path + " is missing (Debian package pocketsphinx-en-us)";
            return nullptr;
        }
    return engine;
}

std::string PocketSphinxEngine::Describe() const { return "PocketSphinx, en-us"; }

// The stretches come cut at silences already (no voice detection of its
// own); the search is the first pass only, with fewer models alive per
// frame and phone lookahead: three times as fast as its defaults on read
// speech for about the same words.
std::unique_ptr<SpeechDecoder> PocketSphinxEngine::NewDecoder(std::string& err)
{
    // PocketSphinx logs to one file for the whole process. A decoder given
    // a log file of its own opens it and closes the one before, so two
    // decoders made at once closed the same file twice and broke the heap.
    // Its log is switched off once, before the first decoder.
    static std::once_flag quiet;
    std::call_once(quiet, [] { err_set_logfp(nullptr); });
    cmd_ln_t* config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm_.c_str(), "-lm", lm_.c_str(), "-dict",
                                   dict_.c_str(), "-remove_silence", "no", "-fwdflat", "no", "-maxhmmpf", "3000",
                                   "-topn", "2", "-pl_window", "5", nullptr);
    ps_decoder_t* ps = config ? ps_init(config) : nullptr;
    cmd_ln_free_r(config);  // the decoder keeps its own reference
    if (!ps) {
        err = "The PocketSphinx model in " + hmm_ + " cannot be loaded";
        return nullptr;
    }
    return std::make_unique<PocketSphinxDecoder>(ps);
}

}  // namespace pellucor
