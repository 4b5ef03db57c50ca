// pellucor slide-info: load a lecture and print its slide table. It changes
// nothing on disk: a published lecture is converted in a scratch copy.
#include "app/Commands.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <filesystem>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "core/CommandLine.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"
#include "media/FfmpegMediaOpener.h"
#include "style/PublishedLecture.h"

namespace pellucor {

namespace {
// A scratch copy of dir for the conversion to work in: the text files it
// reads and rewrites are copied, everything else is linked.
bool scratchCopy(const std::string& dir, const std::string& scratch, std::string& err)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string ext = Lower(entry.path().extension().string());
        const fs::path to = fs::path(scratch) / entry.path().filename();
        const bool text
            = entry.is_regular_file() && (ext == ".txt" || ext == ".htm" || ext == ".html" || ext == ".rat");
        if (text)
            fs::copy_file(entry.path(), to, ec);
        else
            fs::create_symlink(fs::absolute(entry.path()), to, ec);
        if (ec) {
            err = "cannot make a scratch copy of " + dir + ": " + ec.message();
            return false;
        }
    }
    return !ec;
}

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
    host.openerFactory = [] { return std::make_unique<FfmpegMediaOpener>(); };

    std::string err;
    // A published lecture is shown as it converts, converted in a scratch
    // copy: the directory itself stays as it is.
    QTemporaryDir scratch;
    std::string publishedName;
    const std::string mediaDir = settings.MediaDir;
    if (IsPublishedLecture(mediaDir, settings.LecName, publishedName)) {
        const std::string copy = Tav_DirSlash(scratch.path().toStdString());
        if (!scratch.isValid() || !scratchCopy(mediaDir, copy, err)) {
            cl.error(err.empty() ? "cannot make a scratch directory" : err);
            return 1;
        }
        if (Tav_DirSlash(settings.LecDir) == mediaDir)
            settings.LecDir = copy;
        settings.MediaDir = copy;
    }
    SlideEngine engine(settings, &host);
    if (!LoadLectureConvertingPublished(engine, true, false, err)) {
        cl.error(ReplaceAll(err, settings.MediaDir, mediaDir));
        return 1;
    }
    std::ostringstream table;
    printTable(table, engine.SI);
    std::cout << "Lecture " << engine.S.LecName << " in " << lecDir << "\n"
              << ReplaceAll(table.str(), settings.MediaDir, mediaDir);
    return 0;
}

}  // namespace pellucor
