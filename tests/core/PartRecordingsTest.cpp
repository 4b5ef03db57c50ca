// Each part's recording and the events file that goes beside it, found
// before any events file exists, the way lecture loading will read them.
#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"
#include "core/PartRecordings.h"

namespace pellucor {

namespace {

struct Case {
    const char* files;     // in the media directory of lecture "talk"
    const char* expected;  // "recording>events[<current]" per part, or "error: ..."
};

void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.files << '"'; }

const Case kCases[] = {
    {"talk1.mp4 talk2.rm talk2.txt talk4.mp4", "talk1.mp4>talk1.txt talk2.rm>talk2.txt<talk2.txt"},
    {"talk1.ra talk1.rm", "talk1.rm>talk1.txt"},
    {"talk1.rm talk2.rm talk3.rm", "talk1.rm>talk1.txt talk2.rm>talk2.txt talk3.rm>talk3.txt"},
    {"Talk1.MKV TALK1.TXT", "Talk1.MKV>TALK1.TXT<TALK1.TXT"},
    {"rawmedia.rm images.txt pellucor.txt", "rawmedia.rm>pellucor.txt<images.txt"},
    {"rawmedia.webm b.rm", "b.rm>b.txt"},
    {"rawmedia.webm lecture.mp4", "rawmedia.webm>pellucor.txt"},
    {"lecture.m4a notes.txt", "lecture.m4a>lecture.txt"},
    {"talk1.txt notes.txt", "error: No recording in "},
    {"talk1.mp4 TALK1.mp4", "error: Two files differ only in letter case"},
};

class PartRecordings : public ::testing::TestWithParam<Case> { };

TEST_P(PartRecordings, AsLectureLoadingWillReadThem)
{
    testing_support::TempDir dir;
    std::istringstream files(GetParam().files);
    for (std::string name; files >> name;)
        testing_support::writeFile(dir.file(name), "x");
    std::vector<PartRecording> parts;
    std::string err;
    std::string found;
    if (!FindPartRecordings(dir.dir(), "talk", parts, err)) {
        found = "error: " + err;
    } else {
        const auto name = [&](const std::string& path) { return path.empty() ? "" : path.substr(dir.dir().size()); };
        for (const PartRecording& p : parts)
            found += (found.empty() ? "" : " ") + name(p.recording) + ">" + name(p.events)
                + (p.current.empty() ? "" : "<" + name(p.current));
    }
    EXPECT_EQ(found.substr(0, std::string(GetParam().expected).size()), GetParam().expected) << found;
}

INSTANTIATE_TEST_SUITE_P(Layouts, PartRecordings, ::testing::ValuesIn(kCases));

}  // namespace

}  // namespace pellucor
