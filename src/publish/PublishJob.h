// One publish, run as a job on a worker thread: for each target (disk/CD,
// then web), in a staging directory beside the target's output, the
// published-lecture conversion, lecture loading, media preparation (per
// part, in percent of the media's duration), style expansion (per file)
// and the batch script; then the scripts' "log.log" is followed until it
// reads "All Done" twice, each staging directory is checked and put in
// place of its output whole. Where a target asks for the lecture as one
// video, it is written after that, with a bar of its own, while students
// can already use the publication, and put in place with the pages that
// offer it as a publication that adds to the one in place. The job
// reports its step, percent and status text to the PublishProgress it is
// given and ends with success, a failure (the reason) or cancelled; a
// failure or cancel leaves every output as it was (or, while the video is
// written, as the publication just put in place). The publish session
// starts it (PublishSession).
#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/CaptionMaker.h"
#include "core/SlideTimesMaker.h"
#include "core/EngineHost.h"
#include "core/PublishSettings.h"
#include "core/TimeLeft.h"
#include "publish/PublishProgress.h"
#include "publish/PublishPlan.h"
#include "publish/Publisher.h"
#include "publish/StagedPublication.h"

namespace pellucor {

class PublishJob : private EngineHost {
public:
    // progress: where the job reports (from its worker thread) and ends;
    // lecture: the lecture as the caller loaded it, none for a published
    // lecture, which the job converts back and loads.
    PublishJob(PublishSettings settings, PublishProgress& progress, std::optional<Lecture> lecture = std::nullopt);
    // A job still running is cancelled and waited for.
    ~PublishJob() override;

    // Makes the encoder component on the worker thread.
    std::function<std::unique_ptr<MediaOpener>()> openerFactory;
    // Makes the recogniser of the automatic captions (none: never made).
    std::function<std::unique_ptr<CaptionMaker>()> captionMakerFactory;
    // Finds the slide times of parts without an events file (where the
    // settings ask for it), beside the slide text and the captions.
    std::function<std::unique_ptr<SlideTimesMaker>()> slideTimesFactory;
    // Starts a script hidden, without waiting; returns its pid or -1.
    std::function<qint64(const std::string& script, const std::string& dir)> startScript;
    // Checks a published media file (read whole, last pictures decoded).
    std::function<bool(const std::string& path, std::string& err)> checkMedia;
    // The program a script run by hand calls last to install its
    // publication ("pellucor"); empty: the script ends without it.
    std::string installProgram;
    // Asked just before a checked publication goes in place (none: always).
    std::function<bool(std::string& why)> mayInstall;
    // Pace of the log readings.
    int logIntervalMs = 1000;

    void Start();
    // Waits for the worker thread, once the job has ended, to be gone.
    void Join();
    // From the thread that owns the job: stops FFmpeg mid-file (the part's
    // unfinished outputs are removed), or the script, and ends as cancelled.
    void Cancel();

    // The default script starter: sh, detached.
    static qint64 StartDetachedScript(const std::string& script, const std::string& dir);

private:
    struct Target {
        bool toDisk;
        std::string outDir;
        std::unique_ptr<StagedPublication> staging;
        // Kept from its publish where the lecture as one video follows.
        std::unique_ptr<Publisher> engine;
    };

    void run();
    bool prepareLecture();
    void startSlideTimes();
    void stopSlideTimes();
    bool waitSlideTimes();
    PublishWork plannedWork();
    bool makeSlideTexts();
    bool makeCaptions();
    bool loadLecture();
    bool publishTarget(Target& target);
    bool followLogs();
    bool installTargets();
    bool writeVideo(Target& target);
    bool wantsVideo(const Target& target) const;
    void fillBar();
    void finish(PublishOutcome outcome, const std::string& error);
    void enterStep(PublishStep step);
    static void stopPoint(const char* name);
    void report(double fraction);
    bool waitTick();
    bool scriptsAlive() const;

    // EngineHost, on the worker thread.
    void SetStatus(const std::string& text, uint32_t colour) override;
    std::unique_ptr<MediaOpener> LoadMediaOpener(std::string& err) override;
    void Progress(int64_t done, int64_t total) override;
    bool Cancelled() const override { return cancel_; }
    void SetCancelHandler(std::function<void()> handler) override;

    PublishSettings settings_;
    PublishProgress& progress_;
    // The lecture every target publishes; changed: the steps before the
    // load wrote to it (slide texts read, captions made).
    std::optional<Lecture> lecture_;
    bool lectureChanged_ = false;
    std::vector<Target> targets_;
    std::thread worker_;
    std::atomic<bool> cancel_ {false};
    bool started_ = false;
    std::vector<std::pair<qint64, std::string>> scripts_;

    // Progress: the target and step under way.
    size_t targetIndex_ = 0;
    PublishStep step_ = PublishStep::Convert;
    int lastPercent_ = -1;
    // How the bar divides among the steps, and the time left it tells.
    PublishPlan plan_;
    // The share done of the steps made side by side before the lecture loads.
    std::atomic<double> timesDone_ {0};
    double textDone_ = 0, captionsDone_ = 0;
    // The slide times found on a thread of their own (mutex_ guards the
    // maker, its status and its outcome).
    std::unique_ptr<SlideTimesMaker> timesMaker_;
    std::thread timesThread_;
    std::string timesStatus_, timesError_;
    bool timesEnded_ = false;
    TimeLeft timeLeft_;
    std::string timeLeftText_;
    // The lecture as one video's own bar, once the publications are in place.
    bool videoPhase_ = false;
    int videoPercent_ = -1;
    TimeLeft videoTimeLeft_;
    std::string videoTimeLeftText_;
    // What makeSlideTexts read but could not store, for every target.
    std::map<std::string, SlideText> unstoredTexts_;

    std::mutex mutex_;  // guards cancelHandler_ and the tick wait
    std::condition_variable wake_;
    std::function<void()> cancelHandler_;
};

}  // namespace pellucor
