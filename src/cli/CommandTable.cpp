#include "cli/CommandTable.h"

#include "cli/Commands.h"
#include "server/ServerCommand.h"

namespace pellucor {

namespace {
// In the order the usage lists them.
const CommandEntry kCommands[] = {
    {"automation", RunAutomationCommand,
     " serve the automation interface on the D-Bus session bus\n"
     "             (org.pellucor.Pellucor, object /Pellucor)"},
    {"publish", RunPublishCommand,
     " LECTURE_DIR [options]\n"
     "             publish a lecture for disk and/or the web, unattended"},
    {"server", RunServerCommand, "     watch the incoming directory and publish every ready lecture"},
    {"slide-info", RunSlideInfoCommand,
     " LECTURE_DIR [--name NAME] [--media DIR]\n"
     "             load a lecture and print its slide table"},
    {"import-slides", RunImportSlidesCommand,
     " FILE --out DIR [--size 640x480]\n"
     "             export a presentation's slides as GIF pictures with titles"},
    {"slide-text", RunSlideTextCommand,
     " LECTURE_DIR [--ocr-lang L] [--redo]\n"
     "             make each slide's text (from the presentation, else by OCR)"},
    {"transcribe", RunTranscribeCommand,
     " LECTURE_DIR [--part N] [--engine pocketsphinx|whisper] [--model FILE] [--lang L]\n"
     "             [--replace] [--list-engines]\n"
     "             make automatic captions for each part by speech recognition"},
    {"describe", RunDescribeCommand,
     " LECTURE_DIR [--part N] [--replace]\n"
     "             make audio descriptions of each part from its slides' titles and words"},
    {"speech-model", RunSpeechModelCommand,
     " list | install NAME [--url BASE] | remove NAME\n"
     "             the Whisper models (tiny, base, small, medium, *.en): download one, checked"},
    {"sync-slides", RunSyncSlidesCommand,
     " LECTURE_DIR [--part N] [--name NAME] [--media FILE] [--out FILE] [--replace]\n"
     "             find the slide times from the recordings and write the events files"},
    {"slides-from-recording", RunSlidesFromRecordingCommand,
     " RECORDING... LECTURE_DIR [--name NAME] [--layout auto|screen|meeting]\n"
     "             [--min-dwell S] [--link] [--replace]\n"
     "             make a lecture from screen or meeting recordings alone (slides, titles, times)"},
    {"cut", RunCutCommand,
     " LECTURE_DIR [--part N] [--trim-start T] [--trim-end T] [--remove FROM-TO]... [--list]\n"
     "             [--clear]\n"
     "             leave stretches of a part's recording out of the published lecture"},
    {"export-video", RunExportVideoCommand,
     " LECTURE_DIR OUT.mp4 [--layout side|slides|pip] [--size WxH] [--burn-captions]\n"
     "             [--audio-description] [--parts 1,2]\n"
     "             the whole lecture as one video with chapters, captions and audio descriptions"},
    {"upload", RunUploadCommand, "     upload a directory (FTP, FTPS, SFTP, WebDAV)"},
    {"install-publication", RunInstallPublicationCommand,
     " STAGING_DIR OUTPUT_DIR\n"
     "             the last step of a process.bat run by hand: put its publication in place"},
    {"course", RunCourseCommand,
     " PUBLISH_ROOT [--title TEXT]\n"
     "             write the course page: every published lecture below, and a search over all"},
    {"accessibility", RunAccessibilityCommand,
     " DIR [--json FILE]\n"
     "             report captions, descriptions and WCAG 2.1 criteria of a lecture or a course"},
    {"package", RunPackageCommand,
     " PUBLISHED_DIR --scorm12|--scorm2004|--cc OUT.zip\n"
     "             zip a published lecture for a learning platform"},
};
}  // namespace

const CommandEntry* FindCommand(const std::string& name)
{
    for (const CommandEntry& c : kCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

void PrintCommands(std::ostream& out)
{
    for (const CommandEntry& c : kCommands)
        out << "  " << c.name << c.usage << "\n";
}

}  // namespace pellucor
