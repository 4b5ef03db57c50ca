// pellucor cut: a part's cut list, the stretches of its recording the
// published lecture leaves out (NAME1.cuts beside the recording). The
// options add stretches to the list there (--clear starts from none) and
// the list is written in one rename once every one of them is right;
// a stretch that is refused leaves the file as it was. The list and the
// length the students will see are printed after a change and on --list.
#include "cli/Commands.h"

#include <filesystem>
#include <iostream>
#include <vector>

#include "core/CommandLine.h"
#include "core/SignalStop.h"
#include "media/PartCuts.h"
#include "publish/PublishRequest.h"

namespace pellucor {

namespace {

// A stretch the options ask for, and the option as given, for messages.
struct Asked {
    std::string option;
    CutStretch stretch;
    bool toEnd = false;  // --trim-end: to the end of the recording
};

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

void printCuts(const PartCuts& p)
{
    std::cout << "Part " << p.part << " (" << fileName(p.recording) << "), " << CutTimeText(p.length)
              << " long:\n";
    if (p.cuts.Empty())
        std::cout << "  no cuts\n";
    for (const CutStretch& c : p.cuts.Stretches())
        std::cout << "  cut " << CutTimeText(c.from) << " " << CutTimeText(c.to) << "\n";
    std::cout << "  students see " << CutTimeText(p.cuts.KeptLength(p.length)) << "\n";
}

// The options' stretches in the order they apply; false with the usage
// error's text for one that cannot be read.
bool readOptions(const QCommandLineParser& parser, const QCommandLineOption& trimStart,
                 const QCommandLineOption& trimEnd, const QCommandLineOption& remove, std::vector<Asked>& asked,
                 std::string& err)
{
    const auto time = [&](const QCommandLineOption& o, double& t) {
        const std::string text = parser.value(o).toStdString();
        if (ParseCutTime(text, t))
            return true;
        err = "--" + o.names().front().toStdString() + " takes a time such as 90, 1:30 or 0:01:30.5, not \"" + text
            + "\"";
        return false;
    };
    if (parser.isSet(trimStart)) {
        Asked a {"--trim-start " + parser.value(trimStart).toStdString(), {}, false};
        if (!time(trimStart, a.stretch.to))
            return false;
        asked.push_back(a);
    }
    if (parser.isSet(trimEnd)) {
        Asked a {"--trim-end " + parser.value(trimEnd).toStdString(), {}, true};
        if (!time(trimEnd, a.stretch.from))
            return false;
        asked.push_back(a);
    }
    for (const QString& value : parser.values(remove)) {
        const std::string text = value.toStdString();
        const auto dash = text.find('-');
        Asked a {"--remove " + text, {}, false};
        if (dash == std::string::npos || !ParseCutTime(text.substr(0, dash), a.stretch.from)
            || !ParseCutTime(text.substr(dash + 1), a.stretch.to)) {
            err = "--remove takes FROM-TO such as 41:10-52:30.5, not \"" + text + "\"";
            return false;
        }
        asked.push_back(a);
    }
    return true;
}

// The part's cut list with the stretches asked for added (from none when
// clear); false with the option or the line at fault in err.
bool applyCuts(PartCuts& p, bool clear, const std::vector<Asked>& asked, std::string& err)
{
    if (!(clear ? MeasurePart(p, err) : ReadPartCuts(p, err)))
        return false;
    if (clear)
        p.cuts = CutList();
    for (Asked a : asked) {
        if (a.toEnd)
            a.stretch.to = p.length;
        if (!p.cuts.Add(a.stretch, p.length, err)) {
            err = a.option + ": " + err;
            return false;
        }
    }
    return true;
}

}  // namespace

int RunCutCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "cut",
                   "Leave stretches of a part's recording out of the published lecture (the set-up before, a "
                   "break, the chatter after). The part's cut list is NAME1.cuts beside its recording, one FROM TO "
                   "per line in the recording's own time; the recording itself is never changed. Times are "
                   "seconds, m:ss or h:mm:ss, each with a fraction (90, 1:30, 0:01:30.5). The options add to the "
                   "list there and may be combined; it is written only when every stretch is right (not reversed, "
                   "empty, past the recording or overlapping another). With no option, or --list, it prints each "
                   "part's cuts and the length the students will see.",
                   {{"lecture", "Lecture directory (its recordings)."}});
    QCommandLineParser& parser = cl.parser;
    const QCommandLineOption part("part", "Part N (needed when the lecture has several parts and a change is asked "
                                          "for; else every part is listed).",
                                  "N");
    const QCommandLineOption trimStart("trim-start", "Leave out the recording from its start to T.", "T");
    const QCommandLineOption trimEnd("trim-end", "Leave out the recording from T to its end.", "T");
    const QCommandLineOption remove("remove", "Leave out the stretch FROM-TO (may be given several times).",
                                    "FROM-TO");
    const QCommandLineOption list("list", "Print the cuts and the length the students will see.");
    const QCommandLineOption clear("clear", "Remove the cut list (even one that is not right) before the other "
                                            "options add to it.");
    for (const auto& o : {part, trimStart, trimEnd, remove, list, clear})
        parser.addOption(o);
    cl.process();
    int rc = 0;
    const std::string dir = cl.lectureDir(rc);
    if (dir.empty())
        return rc;
    int only = cl.partNumber(part, rc);
    if (only < 0)
        return rc;
    std::vector<Asked> asked;
    std::string err;
    if (!readOptions(parser, trimStart, trimEnd, remove, asked, err))
        return cl.usage(err);
    const bool change = parser.isSet(clear) || !asked.empty();

    std::vector<PartCuts> parts;
    if (!FindCutParts(dir, LectureNameOf(dir), parts, err)) {
        cl.error(err);
        return 1;
    }
    if (only > static_cast<int>(parts.size())) {
        cl.error("The lecture has no part " + std::to_string(only));
        return 1;
    }
    if (change && !only && parts.size() > 1)
        return cl.usage("the lecture has " + std::to_string(parts.size()) + " parts: give --part N");
    if (change && !only)
        only = 1;

    CancelFlag cancel;
    int signal = 0;
    bool ok = true;
    {
        // Reading a recording's length can take a moment: Ctrl-C then
        // ends the command before anything is written.
        const SignalStop stop(cancel);
        for (PartCuts& p : parts) {
            if (cancel.flag || (only && p.part != only))
                continue;
            if (!(change ? applyCuts(p, parser.isSet(clear), asked, err) : ReadPartCuts(p, err))) {
                cl.error("Part " + std::to_string(p.part) + " (" + fileName(p.recording) + "): " + err);
                ok = false;
            }
        }
        signal = stop.Signal();
    }
    if (signal) {
        cl.error("cancelled: the cut list is as it was");
        return 128 + signal;
    }
    if (!ok)
        return 1;
    for (const PartCuts& p : parts) {
        if (only && p.part != only)
            continue;
        if (change) {
            const std::string file = CutListPath(p.recording);
            std::error_code ec;
            const bool was = std::filesystem::exists(file, ec);
            if (!WriteCutList(p.recording, p.cuts, err)) {
                cl.error(err);
                return 1;
            }
            if (was || !p.cuts.Empty())
                std::cout << fileName(file) << (p.cuts.Empty() ? " removed" : " written") << "\n";
        }
        printCuts(p);
    }
    std::cout.flush();
    return 0;
}

}  // namespace pellucor
