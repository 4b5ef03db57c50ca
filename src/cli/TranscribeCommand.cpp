// pellucor transcribe: machine-made captions for a lecture's parts by
// offline speech recognition, written beside each recording (NAME1.vtt,
// marked as made by a machine). A lecturer's own captions always win;
// machine-made ones are made again with --replace; --translate adds
// English ones translated from the speech (NAME1.en.vtt). Ctrl-C stops it; the
// parts finished stay, the one under way writes nothing.
#include "cli/Commands.h"

#include <iostream>

#include "core/CommandLine.h"
#include "core/CaptionFiles.h"
#include "core/FileLookup.h"
#include "core/PreferenceStore.h"
#include "core/SignalStop.h"
#include "core/TavUtils.h"
#include "publish/PublishRequest.h"
#include "speech/LectureTranscriber.h"
#include "speech/SpeechEngines.h"

namespace pellucor {

namespace {

std::string outcome(const PartTranscript& p)
{
    const std::string captions = Tav_SplitPath(p.captions).last;
    switch (p.result) {
    case PartTranscript::Result::Written:
        return captions + " written: " + std::to_string(p.cues) + " cues, " + std::to_string(p.words) + " words";
    case PartTranscript::Result::LecturersKept: return "kept the lecturer's captions " + captions;
    case PartTranscript::Result::MachineKept:
        return "kept the automatic captions " + captions + " (give --replace to make them again)";
    case PartTranscript::Result::ReviewKept:
        return std::string("kept the automatic captions ") + captions
            + (p.reviewed ? " a person reviewed" : " a person is reviewing");
    case PartTranscript::Result::Failed: break;
    }
    return "failed";
}

// One pass over the lecture's parts with one engine; prints each part's
// outcome. 0, 1 when a part failed, 128 + the signal when stopped.
int transcribe(CommandLine& cl, const TranscribeOptions& options, const SpeechChoice& choice, const char* doing)
{
    LectureTranscriber transcriber;
    std::vector<PartTranscript> parts;
    std::string err;
    if (!transcriber.Plan(options, parts, err)) {
        cl.error(err);
        return 1;
    }
    ProgressPrinter progress = cl.progress(doing);
    transcriber.onProgress = [&](double fraction, const std::string& status) {
        if (!status.empty())
            progress.Status(status);
        progress.Percent(static_cast<int>(fraction * 100));
    };
    std::unique_ptr<SpeechEngine> loaded;
    int signal = 0;
    bool ok = false;
    {
        const SignalStop stop(transcriber);
        ok = transcriber.Run(options, parts, [&](std::string& e) {
            loaded = LoadSpeechEngine(choice, e);
            return loaded.get();
        });
        signal = stop.Signal();
    }
    progress.Finish();
    if (signal) {
        cl.error("cancelled: the parts finished are kept, the one under way wrote nothing");
        return 128 + signal;
    }
    for (const PartTranscript& p : parts) {
        const std::string head = "Part " + std::to_string(p.part) + " (" + Tav_SplitPath(p.recording).last + "): ";
        if (p.result == PartTranscript::Result::Failed && p.needed)
            cl.error(head + (p.error.empty() ? std::string("not done") : p.error));
        else
            std::cout << head << outcome(p) << "\n";
    }
    return ok ? 0 : 1;
}

}  // namespace

int RunTranscribeCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "transcribe",
                   "Make automatic captions for each part of a lecture by speech recognition on this machine "
                   "(nothing is sent anywhere): NAME1.vtt beside the part's recording (NAME1.de.vtt with --lang de "
                   "in a lecture of another language), "
                   "marked as machine-made. "
                   "A lecturer's own captions (NAME1.vtt, NAME1.srt) are never touched.",
                   {{"lecture", "Lecture directory (its recordings)."}});
    QCommandLineParser& parser = cl.parser;
    const QCommandLineOption part("part", "Only part N.", "N");
    const QCommandLineOption engine("engine",
                                    "pocketsphinx or whisper (default: whisper when there is a Whisper model, "
                                    "else pocketsphinx).",
                                    "name");
    const QCommandLineOption model("model",
                                   "A Whisper model file (ggml .bin; default: the preference, else the "
                                   "first model of the models folder).",
                                   "file");
    const QCommandLineOption lang("lang", "The language spoken (en, de, ...; default: the preference).", "L");
    const QCommandLineOption translate("translate",
                                       "Also make English captions of the speech, translated by Whisper from the "
                                       "language spoken (NAME1.en.vtt, marked as machine-translated).");
    const QCommandLineOption replace("replace", "Make automatic captions made before again.");
    const QCommandLineOption list("list-engines", "Print the speech engines, their models and the models folder.");
    for (const auto& o : {part, engine, model, lang, translate, replace, list})
        parser.addOption(o);
    cl.process();

    const PreferenceSnapshot prefs = PreferenceStore().Read();
    SpeechChoice choice;
    choice.engine = parser.value(engine).toStdString();
    choice.model = parser.isSet(model) ? CommandLinePath(parser.value(model))
                                       : PreferenceStore::ValueIn(prefs, "prfWhisperModel");
    choice.language
        = parser.isSet(lang) ? parser.value(lang).toStdString() : PreferenceStore::ValueIn(prefs, "prfSpeechLanguage");
    if (parser.isSet(list)) {
        std::cout << DescribeSpeechEngines(choice);
        return 0;
    }
    int rc = 0;
    TranscribeOptions options;
    options.mediaDir = cl.lectureDir(rc);
    if (options.mediaDir.empty())
        return rc;
    options.lecName = LectureNameOf(options.mediaDir);
    options.replace = parser.isSet(replace);
    // Captions in another language than the lecture's (the preference)
    // go under its name (talk1.de.vtt), beside the lecture's own.
    if (parser.isSet(lang)) {
        const std::string asked = Trim(parser.value(lang).toStdString());
        if (!IsLanguageTag(asked))
            return cl.usage("--lang takes a language code such as en, de or pt-BR");
        if (!IEquals(asked, LectureLanguage(PreferenceStore::ValueIn(prefs, "prfSpeechLanguage"))))
            options.fileLanguage = asked;
    }
    if ((options.part = cl.partNumber(part, rc)) < 0)
        return rc;
    if (parser.isSet(model))
        if (const std::string why = FileProblem(choice.model); !why.empty()) {
            cl.error("The Whisper model " + choice.model + " cannot be read: " + why);
            return 1;
        }

    // The speech transcribed, then (--translate) the same speech in
    // English beside it: NAME1.en.vtt.
    std::vector<std::pair<TranscribeOptions, SpeechChoice>> passes {{options, choice}};
    if (parser.isSet(translate)) {
        if (IEquals(Trim(choice.language), "en"))
            return cl.usage("--translate makes English captions of speech in another language: give --lang with "
                            "the language spoken");
        passes.push_back({options, choice});
        passes.back().first.fileLanguage = "en";
        passes.back().second.translate = true;
    }
    bool ok = true;
    for (auto& [passOptions, passChoice] : passes) {
        const int code = transcribe(cl, passOptions, passChoice, passChoice.translate ? "Translating" : "Transcribing");
        if (code > 1)
            return code;  // stopped: the rest is not begun
        ok = ok && code == 0;
    }
    std::cout.flush();
    return ok ? 0 : 1;
}

}  // namespace pellucor
