// pellucor export-video: the whole lecture (or some of its parts) as one
// MP4 video with the slides in step, chapters and captions (and, asked,
// a second sound track with the audio descriptions spoken). Ctrl-C or
// SIGTERM cancels: nothing is left under the output's name.
#include "cli/Commands.h"

#include <filesystem>
#include <iostream>

#include "lecture/LectureVideoExport.h"
#include "core/CaptionFiles.h"
#include "core/CommandLine.h"
#include "core/PreferenceStore.h"
#include "core/SignalStop.h"
#include "core/TavUtils.h"
#include "media/FfmpegMediaOpener.h"

namespace pellucor {

namespace {

bool parseVideoSize(const QString& text, int& width, int& height)
{
    const QStringList wh = text.split('x');
    bool w = false, h = false;
    if (wh.size() == 2) {
        width = wh[0].toInt(&w);
        height = wh[1].toInt(&h);
    }
    return w && h && width >= 320 && height >= 240 && width <= 3840 && height <= 2160 && width % 2 == 0
        && height % 2 == 0;
}

bool parseParts(const QString& text, std::vector<int>& parts)
{
    for (const QString& n : text.split(',')) {
        bool ok = false;
        const int p = n.trimmed().toInt(&ok);
        if (!ok || p < 1)
            return false;
        parts.push_back(p);
    }
    return !parts.empty();
}

}  // namespace

int RunExportVideoCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "export-video",
                   "Write the whole lecture as one MP4 video (H.264 and AAC): every part one after the other, the "
                   "slide of each moment with the speaker's video, one chapter per slide, the captions as a "
                   "subtitle track.",
                   {{"lecture", "Lecture directory, or a published lecture."}, {"output", "The video file (.mp4)."}});
    QCommandLineParser& parser = cl.parser;
    const QCommandLineOption layout(
        "layout",
        "side (the speaker beside the slide, the default), pip (in a corner over it) or slides (slides only).",
        "layout");
    const QCommandLineOption size("size", "Picture size, such as 1280x720 (the default) or 1920x1080.", "WxH");
    const QCommandLineOption burn("burn-captions", "Draw the captions into the picture too.");
    const QCommandLineOption described("audio-description",
                                       "Add a second sound track, \"Audio description\": each part's audio "
                                       "descriptions (NAME1.descriptions.vtt, else made from its slides) spoken "
                                       "over its sound, lowered while one speaks.");
    const QCommandLineOption parts("parts", "Only these parts, in this order (such as 1,2).", "list");
    const QCommandLineOption language("captions-language", "ISO 639-2 code of the captions' language (eng).", "code");
    const QCommandLineOption media("media", "Media directory (default: the lecture directory).", "dir");
    const QCommandLineOption name("name", "Lecture name (default: the one its files carry).", "name");
    for (const auto& o : {layout, size, burn, described, parts, language, media, name})
        parser.addOption(o);
    cl.process();
    if (cl.positional().size() != 2)
        return cl.usage("give a lecture directory and the video file to write (see --help)");
    LectureVideoRequest r;
    r.openers = FfmpegOpeners();
    r.slideDir = cl.existingDir();
    if (r.slideDir.empty())
        return 1;
    r.mediaDir = parser.isSet(media) ? CommandLineDir(parser.value(media)) : r.slideDir;
    r.lecName = parser.value(name).toStdString();
    r.output = CommandLinePath(cl.positional()[1]);
    if (parser.isSet(layout)) {
        VideoLayout l;
        if (!ParseVideoLayout(parser.value(layout).toStdString(), l))
            return cl.usage("--layout is side, slides or pip");
        r.options.layout = l;
    }
    if (parser.isSet(size) && !parseVideoSize(parser.value(size), r.options.width, r.options.height))
        return cl.usage("--size is WIDTHxHEIGHT in even numbers, such as 1280x720 or 1920x1080");
    if (parser.isSet(parts) && !parseParts(parser.value(parts), r.parts))
        return cl.usage("--parts is a list of part numbers from 1, such as 1,2");
    if (parser.isSet(language)) {
        r.options.captionsLanguage = parser.value(language).toStdString();
        if (r.options.captionsLanguage.size() != 3)
            return cl.usage("--captions-language is a three-letter ISO 639-2 code, such as eng or deu");
    }
    r.options.burnCaptions = parser.isSet(burn);
    r.options.audioDescription = parser.isSet(described);
    r.options.descriptionsLanguage
        = LectureLanguage(PreferenceStore::ValueIn(PreferenceStore().Read(), "prfSpeechLanguage"));
    if (std::error_code ec; std::filesystem::is_directory(r.output, ec))
        return cl.usage(r.output + " is a directory: name the video file to write");

    CancelFlag cancel;
    const SignalStop stop(cancel);
    ProgressPrinter progress = cl.progress("Exporting");
    std::string err;
    const bool ok = ExportLectureVideo(
        r, [&](int percent) { progress.Percent(percent); }, cancel.flag, err);
    progress.Finish();
    if (stop.Signal()) {
        cl.error("Export cancelled");
        return stop.ExitCode();
    }
    if (!ok) {
        cl.error(err);
        return 1;
    }
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(r.output, ec);
    std::cout << "Written " << r.output << " (" << Tav_SizeText(static_cast<int64_t>(bytes)) << ")" << std::endl;
    return 0;
}

}  // namespace pellucor
