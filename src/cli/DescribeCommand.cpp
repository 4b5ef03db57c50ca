// pellucor describe: audio descriptions of a lecture's parts made from its
// slides (NAME1.descriptions.vtt beside each recording, marked as
// machine-made): each slide's title and words, said in the pause in speech
// after it appears, or as an extended description where none is long
// enough. A lecturer's own descriptions (or edited ones) are never
// touched; machine-made ones are made again with --replace. Ctrl-C stops
// it between parts: the parts finished stay, the others are as they were.
#include "cli/Commands.h"

#include <iostream>

#include "core/CommandLine.h"
#include "core/LectureLoader.h"
#include "core/SignalStop.h"
#include "core/TavUtils.h"
#include "publish/AudioDescriptions.h"
#include "publish/PublishRequest.h"

namespace pellucor {

namespace {

std::string outcome(const PartDescriptions& d)
{
    const std::string file = Tav_SplitPath(d.file).last;
    switch (d.result) {
    case PartDescriptions::Result::Written:
        return file + " written: " + std::to_string(d.cues) + (d.cues == 1 ? " description, " : " descriptions, ")
            + std::to_string(d.extended)
            + " extended" + (d.captions ? "" : " (no captions: the whole of each slide counted as a pause)");
    case PartDescriptions::Result::LecturersKept: return "kept the lecturer's descriptions " + file;
    case PartDescriptions::Result::MachineKept:
        return "kept the automatic descriptions " + file + " (give --replace to make them again)";
    case PartDescriptions::Result::Failed: break;
    }
    return "failed";
}

}  // namespace

int RunDescribeCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "describe",
                   "Make audio descriptions of each part of a lecture from its slides: NAME1.descriptions.vtt "
                   "beside the part's recording, each slide's title and words where it appears, cut to fit the "
                   "pause in speech that follows (from the part's captions), or extended (the recording waits) "
                   "where it cannot fit. Marked as machine-made; a lecturer's own or edited descriptions are "
                   "never touched.",
                   {{"lecture", "Lecture directory (its slides and recordings)."}});
    QCommandLineParser& parser = cl.parser;
    const QCommandLineOption part("part", "Only part N.", "N");
    const QCommandLineOption replace("replace", "Make automatic descriptions made before again.");
    for (const auto& o : {part, replace})
        parser.addOption(o);
    cl.process();
    int rc = 0;
    const std::string dir = cl.lectureDir(rc);
    if (dir.empty())
        return rc;
    const int only = cl.partNumber(part, rc);
    if (only < 0)
        return rc;

    Lecture lecture;
    std::string err;
    if (!LectureLoader::ReadQuietly(dir, LectureNameOf(dir), true, lecture, err)) {
        cl.error(err);
        return 1;
    }
    if (only > lecture.PartCount()) {
        cl.error("The lecture has no part " + std::to_string(only));
        return 1;
    }
    CancelFlag cancel;
    int signal = 0;
    bool ok = true;
    {
        const SignalStop stop(cancel);
        for (int p = 1; p <= lecture.PartCount() && !cancel.flag; ++p) {
            if (only && p != only)
                continue;
            const Part& recording = lecture.PartAt(p);
            const std::string& media = recording.Recording();
            const PartDescriptions d = DescribePart(lecture, p, media, parser.isSet(replace));
            const std::string head = "Part " + std::to_string(p) + " (" + Tav_SplitPath(media).last + "): ";
            if (d.result == PartDescriptions::Result::Failed) {
                cl.error(head + d.error);
                ok = false;
            } else {
                std::cout << head << outcome(d) << "\n";
            }
        }
        signal = stop.Signal();
    }
    std::cout.flush();
    if (signal) {
        cl.error("cancelled: the parts finished are kept, the others are as they were");
        return 128 + signal;
    }
    return ok ? 0 : 1;
}

}  // namespace pellucor
