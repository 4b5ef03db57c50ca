#include "media/DescriptionVoice.h"

#include <espeak-ng/speak_lib.h>

#include <mutex>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace pellucor {

namespace {

std::mutex engine;  // espeak-ng's state is the process's

int collect(short* wav, int count, espeak_EVENT* events)
{
    auto* out = static_cast<std::vector<short>*>(events ? events->user_data : nullptr);
    if (out && wav && count > 0)
        out->insert(out->end(), wav, wav + count);
    return 0;
}

// espeak-ng started once: its sample rate, 0 when it cannot start.
int started()
{
    static const int rate = [] {
        const int r = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
        if (r > 0)
            espeak_SetSynthCallback(collect);
        return r > 0 ? r : 0;
    }();
    return rate;
}

}  // namespace

DescriptionVoice::~DescriptionVoice() = default;

bool DescriptionVoice::Open(const std::string& language, int sampleRate, std::string& err)
{
    const std::lock_guard lock(engine);
    if (!(voiceRate_ = started())) {
        err = "espeak-ng cannot start (are its voices, espeak-ng-data, installed?)";
        return false;
    }
    const std::string primary = language.substr(0, language.find('-'));
    if (espeak_SetVoiceByName(language.c_str()) != EE_OK && espeak_SetVoiceByName(primary.c_str()) != EE_OK
        && espeak_SetVoiceByName("en") != EE_OK) {
        err = "espeak-ng has no voice for " + language + " nor English";
        return false;
    }
    rate_ = sampleRate;
    return true;
}

bool DescriptionVoice::Speak(const std::string& text, std::vector<float>& samples, std::string& err)
{
    samples.clear();
    std::vector<short> voice;
    {
        const std::lock_guard lock(engine);
        const espeak_ERROR rc
            = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, &voice);
        if (rc != EE_OK || espeak_Synchronize() != EE_OK) {
            err = "espeak-ng cannot speak \"" + text + "\"";
            return false;
        }
    }
    if (voice.empty())
        return true;
    SwrContext* swr = nullptr;
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    if (swr_alloc_set_opts2(&swr, &mono, AV_SAMPLE_FMT_FLT, rate_, &mono, AV_SAMPLE_FMT_S16, voiceRate_, 0, nullptr) < 0
        || swr_init(swr) < 0) {
        swr_free(&swr);
        err = "cannot resample the voice";
        return false;
    }
    const int most = swr_get_out_samples(swr, static_cast<int>(voice.size())) + rate_;
    samples.resize(static_cast<size_t>(most));
    auto* out = reinterpret_cast<uint8_t*>(samples.data());
    const auto* in = reinterpret_cast<const uint8_t*>(voice.data());
    int got = swr_convert(swr, &out, most, &in, static_cast<int>(voice.size()));
    if (got >= 0) {
        uint8_t* rest = reinterpret_cast<uint8_t*>(samples.data() + got);
        const int flushed = swr_convert(swr, &rest, most - got, nullptr, 0);
        got = flushed < 0 ? flushed : got + flushed;
    }
    swr_free(&swr);
    if (got < 0) {
        err = "cannot resample the voice";
        return false;
    }
    samples.resize(static_cast<size_t>(got));
    return true;
}

}  // namespace pellucor
