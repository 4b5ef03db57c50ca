// pellucor slide-info: load a lecture and print its slide table.
#include "app/Commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <iomanip>
#include <iostream>

#include "capture/FfmpegEncoder.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"
#include "style/PublishedLecture.h"

namespace pellucor {

namespace {
void printTable(const SlideInfo& si)
{
    std::cout << "Parts: " << si.NumOfEventFiles << "\n";
    for (int p = 1; p <= si.NumOfEventFiles; ++p) {
        std::cout << "  part " << p << ": events " << si.EventsFile[p];
        if (!si.VideoFile[p].empty())
            std::cout << ", video " << si.VideoFile[p];
        if (!si.AudioFile[p].empty())
            std::cout << ", audio " << si.AudioFile[p];
        std::cout << "\n";
    }
    std::cout << "Slides: " << si.NumOfSlides << "\n";
    for (int i = 1; i <= si.NumOfSlides; ++i) {
        std::cout << "  " << std::setw(3) << i << "  " << si.StartTime[i] << " - " << si.EndTime[i] << "  "
                  << si.SlideName[i] << "  " << si.SlideImage[i] << "  audio part " << si.AudioPart[i]
                  << ", video part " << si.VideoPart[i] << "  \"" << si.SlideTitle[i] << "\"\n";
    }
}
}  // namespace

int RunSlideInfoCommand(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Load a lecture directory and print its slide table.");
    parser.addHelpOption();
    parser.addPositionalArgument("lecture", "Lecture directory (slides, titles, events and media).");
    QCommandLineOption nameOpt("name", "Lecture name (default: the directory's last component).", "name");
    QCommandLineOption mediaOpt("media", "Media directory (default: the lecture directory).", "dir");
    parser.addOption(nameOpt);
    parser.addOption(mediaOpt);
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::cerr << "pellucor slide-info: give exactly one lecture directory\n";
        return 2;
    }
    const std::string lecDir = CommandLineDir(parser.positionalArguments().front());
    if (!Tav_ChkDir(lecDir)) {
        std::cerr << "pellucor slide-info: " << lecDir << " is not a directory\n";
        return 1;
    }
    BasicEngineHost host;
    host.settings.LecDir = lecDir;
    host.settings.MediaDir = parser.isSet(mediaOpt)
                                 ? CommandLineDir(parser.value(mediaOpt))
                                 : lecDir;
    host.settings.LecName = parser.isSet(nameOpt) ? parser.value(nameOpt).toStdString() : Tav_SplitPath(lecDir).last;
    host.prefs["prfRmmerge"] = "None";
    host.encoderFactory = [] { return std::make_unique<FfmpegEncoder>(); };

    SlideEngine engine(&host);
    std::string err;
    // A published lecture is shown as it converts.
    if (!LoadLectureConvertingPublished(engine, true, false, err)) {
        std::cerr << "pellucor slide-info: " << err << "\n";
        return 1;
    }
    std::cout << "Lecture " << engine.S.LecName << " in " << lecDir << "\n";
    printTable(engine.SI);
    return 0;
}

}  // namespace pellucor
