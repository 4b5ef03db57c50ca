// The publishing engine: one object per publish run and target. Load
// reads the lecture (converting a published one back first); Publish, on
// the lecture loaded, prepares and empties the output directory, writes
// process.bat and the merge-event files, copies the images, prepares the
// media and expands the style (through its StyleEngine, which reads the
// lecture, the settings and the layout kept here). It reads only the
// PublishSettings value it was given; the publish job runs it on a worker
// thread, loading the lecture once for every target.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/CutList.h"
#include "core/SlideEngine.h"
#include "core/SlideText.h"
#include "publish/BatchScript.h"
#include "style/StyleEngine.h"

namespace pellucor {

// The steps of one publish, in the order they run.
enum class PublishStep {
    SlideTimes,
    SlideText,
    Captions,
    Convert,
    Load,
    Media,
    Descriptions,
    Hls,
    Video,
    Style,
    Script,
    FollowLog
};
const char* PublishStepName(PublishStep step);

class Publisher : public SlideEngine {
public:
    explicit Publisher(EngineHost* host = nullptr) : SlideEngine(host) { }
    Publisher(PublishSettings settings, EngineHost* host) : SlideEngine(std::move(settings), host) { }

    // Loads the lecture into SI with the full check; convert: a published
    // lecture is converted back first (asked); verbose: the loader's steps
    // are told on the status line. False with LastError.
    bool Load(bool convert, bool verbose);
    // ToDisk: true for a disk/CD target, false for the web. On the lecture
    // in SI (Load, or a copy of what it loaded), runs in order media
    // preparation, style expansion and the lecture record.
    bool Publish(bool ToDisk);
    // After Publish with laterVideo set, once its publication is in place
    // at published: writes the lecture as one video into the empty
    // directory staging, taking the parts' published copies from
    // published, and the pages anew beside it, which then offer it. The
    // rest of the publication is not written again. False with LastError.
    bool PublishVideoInto(bool ToDisk, const std::string& staging, const std::string& published);

    // Publish leaves the lecture as one video out, to be written later by
    // PublishVideoInto (its pages do not offer it).
    bool laterVideo = false;

    // Told as each step begins (on the thread running Publish).
    std::function<void(PublishStep)> onStep;

    // The text of the failure that ended the last Publish.
    std::string LastError;
    // True when the last Publish ended because the runner asked it to stop.
    bool WasCancelled = false;

private:
    bool fail(const std::string& text);
    bool cancelled(const std::string& text);
    void step(PublishStep s);
    bool PrepareMedia(BatchScript& bat, bool toDisk);
    bool writeRat(int part, const std::string& rat, bool toDisk);
    bool writeToolCommands(BatchScript& bat, int part, const std::string& media, bool video);
    bool builtInMerge(int part, const std::string& media, const std::string& rat, const std::string& output,
                      bool readSizes);
    void removePartOutputs(int part, bool keepRat = false);
    void clampToRecording(int part, double seconds);
    std::string partRecording(int part) const;
    std::vector<MediaChapter> partChapters(int part) const;
    // Publishes each part's captions file, when it has one (CaptionsStep.cpp).
    bool publishCaptions();
    // Publishes each part's audio descriptions, made first where the
    // preference asks for them (DescriptionsStep.cpp).
    bool publishDescriptions();
    // Writes lecture.mp4 where the target asks for it (LectureVideoStep.cpp).
    // published: where the parts' published copies are read from.
    bool publishLectureVideo(bool toDisk, const std::string& published);
    // Writes each part's HLS presentation into a web target (HlsStep.cpp).
    bool publishHls(bool toDisk);
    // Writes the lecture record into the output (LectureRecordStep.cpp).
    bool writeLectureRecord();
    // Reads every part's cut list and moves the slides into the time of
    // the copies without the cuts (LectureCuts.cpp).
    bool applyCuts();
    // The cut list of part p (empty when it has none).
    const CutList& partCuts(int p) const;
    // Checks part p's cuts against its recording's length.
    bool cutsFit(int p, double seconds);

    std::unique_ptr<MediaOpener> encoder_;
    // Each part's cut list, and the lecture as its recordings time it
    // (what is kept beside them, such as descriptions, is made in it).
    std::vector<CutList> cuts_;
    Lecture uncut_;
    // The picture sizes media preparation read, for the style to lay out.
    PageLayout layout_;
    StyleEngine style_ {SI, S, layout_, Host()};
};

}  // namespace pellucor
