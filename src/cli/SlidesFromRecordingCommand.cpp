// pellucor slides-from-recording: make a whole lecture directory from screen
// or meeting recordings alone (the distinct slides found in them, their
// titles and text, an events file per part, the recordings as the parts)
// and print what was found. Ctrl-C stops it and leaves nothing behind.
#include "cli/Commands.h"

#include <iostream>

#include "lecture/RecordingLecture.h"
#include "core/CommandLine.h"
#include "core/PreferenceStore.h"
#include "core/SignalStop.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {

std::string clock(double seconds)
{
    const long s = std::lround(seconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return buf;
}

void printLecture(const RecordingLecture& made, const std::string& dir)
{
    std::cout << "Lecture " << made.Name() << " in " << dir << ": " << made.Titles().size() << " slides\n";
    for (size_t i = 0; i < made.Titles().size(); ++i)
        std::cout << "  img" << Fmt000(static_cast<long>(i + 1)) << ".gif  " << made.Titles()[i] << "\n";
    for (const RecordingPart& p : made.Parts()) {
        std::cout << "Part " << p.part << ": " << Tav_SplitPath(p.recording).last << " -> " << p.copy << ", "
                  << p.events << " (" << (p.camera ? "camera recording" : p.meeting ? "meeting layout" : "screen layout") << ", " << p.rows.size()
                  << " slide changes)\n";
        for (const SyncedRow& r : p.rows)
            std::cout << "  " << r.start << "  " << r.page << "\n";
        for (const NoSlideStretch& n : p.noSlide)
            std::cout << "  no slide shown from " << clock(n.from) << " to " << clock(n.to)
                      << " (the slide before stays)\n";
    }
    if (!made.Backup().empty())
        std::cout << "The lecture directory there before is kept as " << made.Backup() << "\n";
}

}  // namespace

int RunSlidesFromRecordingCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "slides-from-recording",
                   "Make a lecture directory from screen, meeting or camera recordings alone: one picture per distinct slide "
                   "shown (imgNNN.gif, and imgNNN.webp at the recording's resolution), titles.txt and each slide's "
                   "text read by OCR, an events file per part with each slide change, and the recordings as parts 1, "
                   "2 ... in the order given. Camera recordings of a projected screen are not supported: export the "
                   "deck's slides and use sync-slides.",
                   {{"recording...", "The recordings, part 1 first."}, {"lecture", "The lecture directory to make."}});
    QCommandLineParser& parser = cl.parser;
    const QCommandLineOption name("name", "Lecture name (default: the lecture directory's last component).", "name");
    const QCommandLineOption layout("layout",
                                    "Where the slide is: screen (the whole picture), meeting (a still rectangle "
                                    "beside camera pictures), auto (the default: found from the recording).",
                                    "layout", "auto");
    const QCommandLineOption dwell("min-dwell", "Seconds a picture must stay still to count as a slide (default 1).",
                                   "seconds", "1");
    const QCommandLineOption link("link", "Link the recordings into the lecture instead of copying them.");
    const QCommandLineOption replace("replace",
                                     "Make the lecture directory anew when it holds files (the old one is kept as "
                                     "DIR.bak).");
    const QCommandLineOption lang("ocr-lang",
                                  "OCR languages as Tesseract names them, joined by + (default: the "
                                  "preference, \"eng\").",
                                  "langs");
    for (const auto& o : {name, layout, dwell, link, replace, lang})
        parser.addOption(o);
    cl.process();
    const QStringList args = cl.positional();
    if (args.size() < 2)
        return cl.usage("give the recordings and the lecture directory to make (see --help)");
    RecordingLectureOptions options;
    for (qsizetype i = 0; i + 1 < args.size(); ++i)
        options.recordings.push_back(CommandLinePath(args[i]));
    options.lectureDir = CommandLinePath(args.back());
    options.name = parser.value(name).toStdString();
    const QString l = parser.value(layout);
    if (l == "screen")
        options.find.layout = RecordingLayout::Screen;
    else if (l == "meeting")
        options.find.layout = RecordingLayout::Meeting;
    else if (l != "auto")
        return cl.usage("--layout takes auto, screen or meeting");
    bool number = false;
    options.find.minDwell = parser.value(dwell).toDouble(&number);
    if (!number || options.find.minDwell < 0.2 || options.find.minDwell > 600)
        return cl.usage("--min-dwell takes seconds from 0.2 to 600");
    options.link = parser.isSet(link);
    options.replace = parser.isSet(replace);
    options.languages = parser.isSet(lang) ? parser.value(lang).toStdString()
                                           : PreferenceStore::ValueIn(PreferenceStore().Read(), "prfOcrLanguage");
    if (options.languages.empty())
        options.languages = "eng";
    if (const std::string why = RecordingLecture::Problem(options); !why.empty()) {
        cl.error(why);
        return 1;
    }

    CancelFlag cancel;
    const SignalStop stop(cancel);
    ProgressPrinter progress = cl.progress("Finding slides");
    std::string status;
    RecordingLecture made;
    std::string err;
    const bool ok = made.Run(
        options,
        [&](int percent, const std::string& text) {
            if (text != status && text.rfind("Writing slide", 0) != 0 && text.rfind("Reading the text", 0) != 0)
                progress.Status(status = text);
            progress.Percent(percent);
        },
        cancel.flag, err);
    progress.Finish();
    if (!ok) {
        cl.error(err == "Cancelled" ? "cancelled: nothing written" : err);
        return stop.Signal() ? stop.ExitCode() : 1;
    }
    printLecture(made, options.lectureDir);
    return 0;
}

}  // namespace pellucor
