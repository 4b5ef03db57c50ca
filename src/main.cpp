// The pellucor executable: subcommands run headless.
#include <cstring>
#include <iostream>
#include <string>

#include "app/Commands.h"
#include "gui/GuiApp.h"
#include "server/ServerCommand.h"

using namespace pellucor;

namespace {
void usage(std::ostream& out)
{
    out << "Usage: pellucor [--automation] [--screenshot DIR]\n"
           "       pellucor COMMAND [options]\n"
           "\n"
           "Without a command the windows start (the first one chosen by the preferences);\n"
           "with --automation they also serve the automation interface on the session bus.\n"
           "\n"
           "Commands:\n"
           "  automation serve the automation interface on the D-Bus session bus\n"
           "             (org.pellucor.Pellucor, object /Pellucor)\n"
           "  publish LECTURE_DIR [options]\n"
           "             publish a lecture for disk and/or the web, unattended\n"
           "  server     watch the incoming directory and publish every ready lecture\n"
           "  slide-info LECTURE_DIR [--name NAME] [--media DIR]\n"
           "             load a lecture and print its slide table\n"
           "  import-slides FILE --out DIR [--size 640x480]\n"
           "             export a presentation's slides as GIF pictures with titles\n"
           "  slide-text LECTURE_DIR [--ocr-lang L] [--redo]\n"
           "             make each slide's text (from the presentation, else by OCR)\n"
           "  transcribe LECTURE_DIR [--part N] [--engine pocketsphinx|whisper] [--model FILE] [--lang L]\n"
           "             [--replace] [--list-engines]\n"
           "             make automatic captions for each part by speech recognition\n"
           "  sync-slides LECTURE_DIR [--part N] [--name NAME] [--media FILE] [--out FILE] [--replace]\n"
           "             find the slide times from the recordings and write the events files\n"
           "  slides-from-recording RECORDING... LECTURE_DIR [--name NAME] [--layout auto|screen|meeting]\n"
           "             [--min-dwell S] [--link] [--replace]\n"
           "             make a lecture from screen or meeting recordings alone (slides, titles, times)\n"
           "  export-video LECTURE_DIR OUT.mp4 [--layout side|slides|pip] [--size WxH] [--burn-captions]\n"
           "             [--parts 1,2]  the whole lecture as one video with chapters and captions\n"
           "  upload     upload a directory (FTP, FTPS, SFTP, WebDAV)\n"
           "  install-publication STAGING_DIR OUTPUT_DIR\n"
           "             the last step of a process.bat run by hand: put its publication in place\n"
           "  course PUBLISH_ROOT [--title TEXT]\n"
           "             write the course page: every published lecture below, and a search over all\n"
           "  package PUBLISHED_DIR --scorm12|--scorm2004|--cc OUT.zip\n"
           "             zip a published lecture for a learning platform\n"
           "\n"
           "Run 'pellucor COMMAND --help' for the options of a command.\n";
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        usage(std::cout);
        return 0;
    }
    // No command, or options only (--screenshot, Qt's own): the windows.
    if (argc < 2 || argv[1][0] == '-')
        return RunGui(argc, argv);
    const std::string cmd = argv[1];
    if (cmd == "automation")
        return RunAutomationCommand(argc - 1, argv + 1);
    if (cmd == "publish")
        return RunPublishCommand(argc - 1, argv + 1);
    if (cmd == "server")
        return RunServerCommand(argc - 1, argv + 1);
    if (cmd == "slide-info")
        return RunSlideInfoCommand(argc - 1, argv + 1);
    if (cmd == "import-slides")
        return RunImportSlidesCommand(argc - 1, argv + 1);
    if (cmd == "slide-text")
        return RunSlideTextCommand(argc - 1, argv + 1);
    if (cmd == "transcribe")
        return RunTranscribeCommand(argc - 1, argv + 1);
    if (cmd == "sync-slides")
        return RunSyncSlidesCommand(argc - 1, argv + 1);
    if (cmd == "slides-from-recording")
        return RunSlidesFromRecordingCommand(argc - 1, argv + 1);
    if (cmd == "install-publication")
        return RunInstallPublicationCommand(argc - 1, argv + 1);
    if (cmd == "course")
        return RunCourseCommand(argc - 1, argv + 1);
    if (cmd == "package")
        return RunPackageCommand(argc - 1, argv + 1);
    if (cmd == "export-video")
        return RunExportVideoCommand(argc - 1, argv + 1);
    if (cmd == "upload")
        return RunUploadCommand(argc - 1, argv + 1);
    std::cerr << "pellucor: unknown command '" << cmd << "'\n";
    usage(std::cerr);
    return 2;
}
