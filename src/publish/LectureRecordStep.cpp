// The publish's last step in the output: the lecture record (title, dates,
// parts with their captions, slides with their titles and notes) that a
// course page and a learning-platform package read.
#include "publish/Captions.h"
#include "publish/LectureRecord.h"
#include "publish/Publisher.h"
#include "publish/TextFile.h"

#include <QDateTime>
#include <QFileInfo>

#include "core/FileLookup.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {

double seconds(const std::string& timeText) { return Tav_TimeToTicks(timeText) / 60.0; }

std::string isoTime(const QDateTime& t) { return t.toString(Qt::ISODate).toStdString(); }

}  // namespace

bool Publisher::writeLectureRecord()
{
    const std::string out = Tav_DirSlash(S.OutDir);
    const DirListing written(out);
    const auto inOutput = [&](const std::string& name) {
        std::string path, err;
        return written.Find(name, path, err) ? Tav_SplitPath(path).last : std::string();
    };
    LectureRecord rec;
    rec.title = TextAsUtf8(S.LecName);
    const std::string& firstMedia = SI.VideoFile[1].empty() ? SI.AudioFile[1] : SI.VideoFile[1];
    const QFileInfo recording(QString::fromStdString(firstMedia));
    // The recording's time, not the publish's: the same lecture published
    // again gives the same record.
    rec.recorded = recording.exists() ? isoTime(recording.lastModified()) : std::string();
    if (SI.NumOfSlides >= 1)
        rec.thumbnail = inOutput(SI.SlideImage[1]);

    const int slides = std::min<int>(SI.NumOfSlides, kMaxSlides);
    const auto partOf = [&](int s) { return SI.AudioPart[s] != -1 ? SI.AudioPart[s] : SI.VideoPart[s]; };
    for (int s = 1; s <= slides; ++s) {
        const std::string notes = PlainText(TextAsUtf8(NotesSource(s)));
        rec.slides.push_back({s, partOf(s), seconds(SI.StartTime[s]), TextAsUtf8(SI.SlideTitle[s]), notes});
    }
    for (int p = 1; p <= std::min<int>(SI.NumOfParts, kMaxParts); ++p) {
        LectureRecord::Part part;
        part.number = p;
        const std::string page = inOutput("part" + std::to_string(p) + ".htm");
        part.page = page.empty() ? "index.htm" : page;
        for (int s = 1; s <= slides; ++s)
            if (partOf(s) == p)
                part.length = std::max(part.length, seconds(SI.EndTime[s]));
        if (!SI.CaptionsFile[p].empty()) {
            std::vector<CaptionCue> cues;
            std::string vtt, err;
            if (!ReadWholeFile(out + SI.CaptionsFile[p], vtt) || !ReadCaptionCues(vtt, cues, err))
                return fail("The captions of part " + std::to_string(p) + " cannot be read back: " + err);
            for (const CaptionCue& cue : cues)
                part.captions.push_back({cue.start, PlainText(cue.text)});
        }
        rec.parts.push_back(std::move(part));
    }
    std::string err;
    if (!rec.Write(out, err))
        return fail(err);
    return true;
}

}  // namespace pellucor
