// pellucor sync-slides: find the slide times of a lecture from its
// recordings and slide images, write each part's events file and print
// what was found, marking the changes to review.
#include "cli/Commands.h"

#include <iomanip>
#include <iostream>

#include "core/CommandLine.h"
#include "core/FileLookup.h"
#include "core/TavUtils.h"
#include "media/LectureSync.h"
#include "publish/PublishRequest.h"

namespace pellucor {

namespace {

void printPart(const PartSync& p)
{
    std::cout << "Part " << p.part << ": " << Tav_SplitPath(p.recording).last << " -> " << p.events;
    for (const std::string& b : p.backups)
        std::cout << " (the old " << Tav_SplitPath(b.substr(0, b.rfind(".bak"))).last << " kept as "
                  << Tav_SplitPath(b).last << ")";
    std::cout << "\n";
    int review = 0;
    for (const SyncedRow& r : p.rows) {
        std::cout << "  " << r.start << "  " << r.page << "  confidence " << std::setw(3)
                  << static_cast<int>(r.confidence * 100 + 0.5) << "%" << (r.review ? "  review" : "") << "\n";
        review += r.review ? 1 : 0;
    }
    if (review > 0)
        std::cout << "  " << review << " of " << p.rows.size() << " slide changes are less sure than "
                  << static_cast<int>(LectureSync::kReviewBelow * 100)
                  << "%: check them in the timing editor (Adjust Times) before publishing.\n";
}

}  // namespace

int RunSyncSlidesCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "sync-slides",
                   "Find when each slide is shown in a lecture's recordings by comparing their pictures with the slide "
                   "images (img001.gif ...), and write each part's events file (talk1.txt ...).",
                   {{"lecture", "Lecture directory (slide images and recordings)."}});
    QCommandLineParser& parser = cl.parser;
    const QCommandLineOption part("part", "Sync only part N.", "N");
    const QCommandLineOption name(
        "name", "Lecture name (default: the one its parts' files carry, else the directory's last component).", "name");
    const QCommandLineOption media("media", "Sync this recording instead of the part's own.", "file");
    const QCommandLineOption out("out", "Write the events to this file instead of the part's own.", "file");
    const QCommandLineOption replace("replace", "Replace existing events files (each is kept as NAME.bak).");
    for (const auto& o : {part, name, media, out, replace})
        parser.addOption(o);
    cl.process();
    int rc = 0;
    LectureSyncOptions options;
    options.slideDir = options.mediaDir = cl.lectureDir(rc);
    if (options.slideDir.empty())
        return rc;
    options.lecName = parser.isSet(name) ? parser.value(name).toStdString() : LectureNameOf(options.slideDir);
    if ((options.part = cl.partNumber(part, rc)) < 0)
        return rc;
    if (parser.isSet(media)) {
        options.recording = CommandLinePath(parser.value(media));
        if (const std::string why = FileProblem(options.recording); !why.empty()) {
            cl.error("cannot read " + options.recording + ": " + why);
            return 1;
        }
    }
    if (parser.isSet(out))
        options.events = CommandLinePath(parser.value(out));
    options.replace = parser.isSet(replace);

    LectureSync sync;
    std::string err;
    if (!sync.Prepare(options, err)) {
        cl.error(err);
        return 1;
    }
    if (const auto existing = sync.Existing(); !existing.empty() && !options.replace) {
        for (const std::string& f : existing)
            cl.error(f + " holds slide times already: give --replace to write it anew (the old one is then kept as "
                     + Tav_SplitPath(f).last + ".bak)");
        return 1;
    }
    ProgressPrinter progress = cl.progress("Syncing");
    std::string status;
    const std::atomic<bool> cancel {false};
    const bool ok = sync.Run(
        [&](int percent, const std::string& text) {
            if (text != status)
                progress.Status(status = text);
            progress.Percent(percent);
        },
        cancel);
    progress.Finish();
    for (const PartSync& p : sync.Parts()) {
        if (p.error.empty())
            printPart(p);
        else
            cl.error("part " + std::to_string(p.part) + " (" + p.recording + "): " + p.error);
    }
    return ok ? 0 : 1;
}

}  // namespace pellucor
