// The publish's last step in the output: the lecture record (title, dates,
// parts with their captions, slides with their titles, notes and words) that a
// course page and a learning-platform package read.
#include "core/Captions.h"
#include "core/TextFile.h"
#include "publish/LectureRecord.h"
#include "publish/Publisher.h"

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
    const Part& first = SI.PartAt(1);
    const std::string& firstMedia = first.Recording();
    const QFileInfo recording(QString::fromStdString(firstMedia));
    // The recording's time, not the publish's: the same lecture published
    // again gives the same record.
    rec.recorded = recording.exists() ? isoTime(recording.lastModified()) : std::string();
    if (SI.SlideCount() >= 1)
        rec.thumbnail = inOutput(SI.SlideAt(1).Image);

    const int slides = SI.SlideCount();
    const auto partOf = [&](int s) {
        const Slide& slide = SI.SlideAt(s);
        return slide.AudioPart != -1 ? slide.AudioPart : slide.VideoPart;
    };
    for (int s = 1; s <= slides; ++s) {
        const std::string notes = PlainText(TextAsUtf8(style_.NotesSource(s)));
        rec.slides.push_back({s, partOf(s), seconds(SI.SlideAt(s).StartTime), TextAsUtf8(SI.SlideAt(s).Title), notes,
                              SlideTextOnOneLine(SI.SlideAt(s).Text)});
    }
    for (int p = 1; p <= SI.PartCount(); ++p) {
        LectureRecord::Part part;
        part.number = p;
        const std::string page = inOutput("part" + std::to_string(p) + ".htm");
        part.page = page.empty() ? "index.htm" : page;
        for (int s = 1; s <= slides; ++s)
            if (partOf(s) == p)
                part.length = std::max(part.length, seconds(SI.SlideAt(s).EndTime));
        if (!SI.PartAt(p).CaptionTracks.empty()) {
            std::vector<CaptionCue> cues;
            std::string vtt, err;
            if (!ReadWholeFile(out + SI.PartAt(p).CaptionTracks.front().file, vtt) || !ReadCaptionCues(vtt, cues, err))
                return fail("The captions of part " + std::to_string(p) + " cannot be read back: " + err);
            for (const CaptionCue& cue : cues)
                part.captions.push_back({cue.start, PlainText(cue.text)});
        }
        part.descriptions = SI.PartAt(p).Descriptions;
        for (const Part::CaptionTrack& track : SI.PartAt(p).CaptionTracks)
            part.tracks.push_back({track.lang, track.automatic ? "machine" : "lecturer", track.reviewed});
        rec.parts.push_back(std::move(part));
    }
    std::string err;
    if (!rec.Write(out, err))
        return fail(err);
    return true;
}

}  // namespace pellucor
