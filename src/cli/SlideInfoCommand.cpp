// pellucor slide-info: load a lecture and print its slide table. It changes
// nothing on disk: a published lecture is converted in a scratch copy.
#include "cli/Commands.h"

#include <iomanip>
#include <iostream>
#include <sstream>

#include "lecture/LectureReading.h"
#include "core/CommandLine.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"
#include "media/FfmpegMediaOpener.h"

namespace pellucor {

namespace {
void printTable(std::ostream& out, const Lecture& lecture)
{
    out << "Parts: " << lecture.PartCount() << "\n";
    for (int p = 1; p <= lecture.PartCount(); ++p) {
        const Part& part = lecture.PartAt(p);
        out << "  part " << p << ": events " << part.EventsFile;
        if (!part.VideoFile.empty())
            out << ", video " << part.VideoFile;
        if (!part.AudioFile.empty())
            out << ", audio " << part.AudioFile;
        out << "\n";
    }
    out << "Slides: " << lecture.SlideCount() << "\n";
    for (int i = 1; i <= lecture.SlideCount(); ++i) {
        const Slide& s = lecture.SlideAt(i);
        out << "  " << std::setw(3) << i << "  " << s.StartTime << " - " << s.EndTime << "  " << s.Name << "  "
            << s.Image << "  audio part " << s.AudioPart << ", video part " << s.VideoPart << "  \"" << s.Title
            << "\"\n";
    }
}
}  // namespace

int RunSlideInfoCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "slide-info", "Load a lecture directory and print its slide table.",
                   {{"lecture", "Lecture directory (slides, titles, events and media)."}});
    QCommandLineParser& parser = cl.parser;
    QCommandLineOption nameOpt("name", "Lecture name (default: the directory's last component).", "name");
    QCommandLineOption mediaOpt("media", "Media directory (default: the lecture directory).", "dir");
    parser.addOptions({nameOpt, mediaOpt});
    cl.process();
    if (cl.positional().size() != 1)
        return cl.usage("give exactly one lecture directory");
    const std::string lecDir = cl.existingDir();
    if (lecDir.empty())
        return 1;
    PublishSettings settings;
    settings.LecDir = lecDir;
    settings.MediaDir = parser.isSet(mediaOpt) ? CommandLineDir(parser.value(mediaOpt)) : lecDir;
    settings.LecName = parser.isSet(nameOpt) ? parser.value(nameOpt).toStdString() : Tav_SplitPath(lecDir).last;
    settings.Prefs["prfRmmerge"] = "None";
    BasicEngineHost host;
    host.openerFactory = FfmpegOpeners();

    std::string err;
    QTemporaryDir scratch;
    const std::string mediaDir = settings.MediaDir;
    SlideEngine engine(settings, &host);
    if (!LoadLectureForReading(engine, scratch, err)) {
        cl.error(err);
        return 1;
    }
    std::ostringstream table;
    printTable(table, engine.SI);
    std::cout << "Lecture " << engine.S.LecName << " in " << lecDir << "\n"
              << ReplaceAll(table.str(), engine.S.MediaDir, mediaDir);
    return 0;
}

}  // namespace pellucor
