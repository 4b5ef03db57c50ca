#include "speech/LectureTranscriber.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include "core/CaptionFiles.h"
#include "core/CaptionReview.h"
#include "core/PartRecordings.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"
#include "media/SpeechAudio.h"
#include "speech/CaptionCues.h"
#include "speech/SlidePrompts.h"
#include "speech/SpeechChunks.h"

namespace pellucor {

namespace {

// Shares of a part's work: reading its sound, then recognising it.
constexpr double kReadShare = 0.1;

std::string fileName(const std::string& path) { return Tav_SplitPath(path).last; }

}  // namespace

bool LectureTranscriber::Plan(const TranscribeOptions& options, std::vector<PartTranscript>& parts, std::string& err)
{
    parts.clear();
    std::vector<PartRecording> found;
    if (!FindPartRecordings(options.mediaDir, options.lecName, found, err))
        return false;
    for (const PartRecording& r : found) {
        if (options.part && r.part != options.part)
            continue;
        PartTranscript t;
        t.part = r.part;
        t.recording = r.recording;
        t.captions = MachineCaptionsPath(r.recording, options.fileLanguage);
        std::vector<std::string> existing;
        for (CaptionLanguage& language : FindCaptionLanguages(r.recording, r.part, err))
            if (IEquals(language.lang, options.fileLanguage))
                existing = std::move(language.files);
        if (!err.empty())
            return false;
        bool machine = false;
        for (const std::string& file : existing) {
            if (IEquals(file, t.captions) && IsMachineCaptions(file)) {
                machine = true;
                t.captions = file;
                continue;
            }
            std::string text;
            const CaptionsKind kind = ReadWholeFile(file, text) ? KindOfCaptions(file, text) : CaptionsKind {};
            t.result = kind.automatic ? PartTranscript::Result::ReviewKept : PartTranscript::Result::LecturersKept;
            t.reviewed = kind.reviewed;
            t.captions = file;
            break;
        }
        if (t.result != PartTranscript::Result::LecturersKept && t.result != PartTranscript::Result::ReviewKept) {
            if (machine && !options.replace)
                t.result = PartTranscript::Result::MachineKept;
            else
                t.needed = true;
        }
        parts.push_back(t);
    }
    if (parts.empty()) {
        err = "The lecture has no part " + std::to_string(options.part);
        return false;
    }
    return true;
}

bool LectureTranscriber::Run(const TranscribeOptions& options, std::vector<PartTranscript>& parts,
                             const std::function<SpeechEngine*(std::string& err)>& engine)
{
    const auto todo = static_cast<double>(std::count_if(parts.begin(), parts.end(), [](auto& p) { return p.needed; }));
    SpeechEngine* loaded = nullptr;
    bool ok = true;
    double done = 0;
    for (PartTranscript& part : parts) {
        if (!part.needed)
            continue;
        if (cancel_)
            return false;
        if (!loaded) {
            std::string err;
            if (!(loaded = engine(err))) {
                for (PartTranscript& p : parts)
                    if (p.needed)
                        p.error = err;
                return false;
            }
        }
        if (!transcribePart(options, part, *loaded, done / todo, 1 / todo))
            ok = false;
        ++done;
    }
    if (cancel_)
        return false;
    if (onProgress)
        onProgress(1, "");
    return ok;
}

bool LectureTranscriber::transcribePart(const TranscribeOptions& options, PartTranscript& part, SpeechEngine& engine,
                                        double from, double share)
{
    const std::string name = fileName(part.recording);
    const auto report = [&](double fraction, const std::string& status) {
        if (onProgress)
            onProgress(from + share * fraction, status);
    };
    report(0, "Reading the sound of " + name);
    std::vector<int16_t> pcm;
    SpeechAudioError why;
    if (!ReadSpeechAudio(part.recording, pcm, part.error, why, [&](double f) {
            report(kReadShare * f, "");
            return !cancel_.load();
        }))
        return false;
    part.seconds = static_cast<double>(pcm.size()) / kSpeechRate;
    report(kReadShare, "Recognising the speech of " + name + " (" + engine.Describe() + ")");
    std::vector<SpokenWord> words;
    const SlidePrompts prompts = SlidePrompts::ForPart(options.mediaDir, options.lecName, part.part);
    if (!Recognise(
            engine, pcm, options.workers, words, part.error,
            [&](double f) { report(kReadShare + (1 - kReadShare) * f, ""); }, &prompts))
        return false;
    if (words.empty()) {
        part.error = name + ": no words were recognised in its sound";
        return false;
    }
    const std::vector<TimedCue> cues = MakeCaptionCues(words);
    const std::string vtt = MachineCaptionsText(cues, engine.Describe(), engine.Language(), engine.TranslatedFrom());
    if (!WriteMachineCaptions(part.captions, vtt, part.error))
        return false;
    part.words = words.size();
    part.cues = cues.size();
    part.result = PartTranscript::Result::Written;
    Tav_DebugLog("Automatic captions of part " + std::to_string(part.part) + ": " + std::to_string(words.size())
                 + " words in " + std::to_string(cues.size()) + " cues, " + part.captions);
    return true;
}

bool LectureTranscriber::Recognise(SpeechEngine& engine, const std::vector<int16_t>& pcm, int workers,
                                   std::vector<SpokenWord>& words, std::string& err,
                                   const std::function<void(double)>& progress, const SlidePrompts* prompts)
{
    words.clear();
    const std::vector<SpeechStretch> stretches = SpeechStretches(pcm, engine.LongestStretch(), engine.PackedSilence());
    if (stretches.empty()) {
        err = "the recording holds only silence: there is no speech to caption";
        return false;
    }
    size_t total = 0;
    for (const SpeechStretch& s : stretches)
        total += s.to - s.from;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int count = std::clamp(workers > 0 ? workers : cores, 1, static_cast<int>(stretches.size()));

    // Decoder w takes the stretches w, w + count, w + 2 count... A decoder
    // adapts to the voice as it goes (PocketSphinx's running cepstral
    // mean), so what it hears depends on what it heard before: handed out
    // as they came, the same recording gave other words from run to run,
    // as the threads happened to be scheduled.
    std::vector<std::vector<SpokenWord>> heard(stretches.size());
    std::atomic<bool> failed {false};
    std::mutex mutex;  // guards firstError, doneSamples and progress
    std::string firstError;
    size_t doneSamples = 0;
    auto work = [&](size_t worker) {
        std::string e;
        std::unique_ptr<SpeechDecoder> decoder = engine.NewDecoder(e);
        if (decoder)
            decoder->stop = &cancel_;
        for (size_t i = worker; decoder && !failed && i < stretches.size(); i += static_cast<size_t>(count)) {
            const SpeechStretch& s = stretches[i];
            const double offset = static_cast<double>(s.from) / kSpeechRate;
            decoder->prompt = prompts ? prompts->For(offset, static_cast<double>(s.to) / kSpeechRate) : "";
            if (!decoder->Recognise(pcm.data() + s.from, s.to - s.from, heard[i], e))
                break;
            for (SpokenWord& w : heard[i]) {
                w.start += offset;
                w.end += offset;
            }
            std::lock_guard lock(mutex);
            doneSamples += s.to - s.from;
            if (progress)
                progress(static_cast<double>(doneSamples) / static_cast<double>(total));
            e.clear();
        }
        if (!e.empty()) {
            std::lock_guard lock(mutex);
            if (firstError.empty())
                firstError = e;
            failed = true;  // the others stop too
        }
    };
    std::vector<std::thread> threads;
    for (int t = 1; t < count; ++t)
        threads.emplace_back(work, static_cast<size_t>(t));
    work(0);
    for (std::thread& t : threads)
        t.join();
    if (cancel_) {
        err = "cancelled";
        return false;
    }
    if (!firstError.empty()) {
        err = firstError;
        return false;
    }
    for (auto& part : heard)
        words.insert(words.end(), part.begin(), part.end());
    return true;
}

}  // namespace pellucor
