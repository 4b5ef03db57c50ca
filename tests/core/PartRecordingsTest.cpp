// Each part's recording and the events file that goes beside it, found
// before any events file exists, the way lecture loading will read them.
#include <gtest/gtest.h>

#include <sstream>

#include "ResultRows.h"
#include "TestSupport.h"
#include "core/PartRecordings.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

// The parts found among the files in the media directory of lecture "talk":
// "recording>events[<current]" each, or "error: " and the start of the reason.
std::string parts(const std::string& files)
{
    TempDir dir;
    std::istringstream in(files);
    for (std::string name; in >> name;)
        writeFile(dir.file(name), "x");
    std::vector<PartRecording> parts;
    std::string err, found;
    if (!FindPartRecordings(dir.dir(), "talk", parts, err))
        return "error: " + err.substr(0, err.find(dir.path().string()));
    const auto name = [&](const std::string& path) { return path.empty() ? "" : path.substr(dir.dir().size()); };
    for (const PartRecording& p : parts)
        found += (found.empty() ? "" : " ") + name(p.recording) + ">" + name(p.events)
            + (p.current.empty() ? "" : "<" + name(p.current));
    return found;
}

TEST(PartRecordings, AsLectureLoadingWillReadThem)
{
    expectRows({Is(parts("talk1.mp4 talk2.rm talk2.txt talk4.mp4"), "talk1.mp4>talk1.txt talk2.rm>talk2.txt<talk2.txt"),
                Is(parts("talk1.ra talk1.rm"), "talk1.rm>talk1.txt"),
                Is(parts("talk1.rm talk2.rm talk3.rm"), "talk1.rm>talk1.txt talk2.rm>talk2.txt talk3.rm>talk3.txt"),
                Is(parts("Talk1.MKV TALK1.TXT"), "Talk1.MKV>TALK1.TXT<TALK1.TXT"),
                Is(parts("rawmedia.rm images.txt pellucor.txt"), "rawmedia.rm>pellucor.txt<images.txt"),
                Is(parts("rawmedia.webm b.rm"), "b.rm>b.txt"),
                Is(parts("rawmedia.webm lecture.mp4"), "rawmedia.webm>pellucor.txt"),
                Is(parts("lecture.m4a notes.txt"), "lecture.m4a>lecture.txt"),
                Is(parts("talk1.txt notes.txt"), "error: No recording in "),
                Is(parts("talk1.mp4 TALK1.mp4"), "error: Two files differ only in letter case: ")});
}

}  // namespace
