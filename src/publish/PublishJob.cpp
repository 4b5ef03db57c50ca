#include "publish/PublishJob.h"

#include <QProcess>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

#include "core/LectureLoader.h"
#include "core/LectureVideoPlan.h"
#include "core/PartRecordings.h"
#include "core/ProcessStart.h"
#include "core/TavUtils.h"
#include "import/SlideTextMaker.h"
#include "publish/BatchScript.h"
#include "publish/LogFollower.h"

namespace pellucor {

namespace {

// Niceness of the worker thread.
constexpr int kWorkerNice = 10;
// The publish of every target fills the bar up to here; following the
// scripts' logs takes the rest.
constexpr double kPublishedPercent = 98;
// The name a test stops a publish at step by (PELLUCOR_PUBLISH_STOP_AT).
const char* stopName(PublishStep step)
{
    switch (step) {
    case PublishStep::SlideTimes: return "slidetimes";
    case PublishStep::SlideText: return "slidetext";
    case PublishStep::Captions: return "captions";
    case PublishStep::Convert: return "convert";
    case PublishStep::Load: return "load";
    case PublishStep::Media: return "media";
    case PublishStep::Descriptions: return "describe";
    case PublishStep::Hls: return "hls";
    case PublishStep::Video: return "video";
    case PublishStep::Style: return "style";
    case PublishStep::Script: return "script";
    case PublishStep::FollowLog: return "follow";
    }
    return "";
}
// How often, between two readings of the logs, the scripts are looked at.
constexpr int kScriptPollMs = 5;

}  // namespace

qint64 PublishJob::StartDetachedScript(const std::string& script, const std::string& dir)
{
    qint64 pid = -1;
    if (!QProcess::startDetached("sh", {QString::fromStdString(script)}, QString::fromStdString(dir), &pid))
        return -1;
    return pid;
}

PublishJob::PublishJob(PublishSettings settings, PublishProgress& progress, std::optional<Lecture> lecture)
    : startScript(&PublishJob::StartDetachedScript),
      settings_(std::move(settings)),
      progress_(progress),
      lecture_(std::move(lecture))
{
    if (settings_.OptCD)
        targets_.push_back({true, settings_.CDDir, nullptr, nullptr});
    if (settings_.OptWeb)
        targets_.push_back({false, settings_.WebDir, nullptr, nullptr});
}

PublishJob::~PublishJob()
{
    if (worker_.joinable()) {
        Cancel();
        worker_.join();
    }
}

void PublishJob::Start()
{
    if (started_)
        return;
    started_ = true;
    worker_ = std::thread([this] { run(); });
}

void PublishJob::Join()
{
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id())
        worker_.join();
}

void PublishJob::Cancel()
{
    if (cancel_.exchange(true))
        return;
    Tav_DebugLog("Publish: cancel asked for");
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        handler = cancelHandler_;
        if (timesMaker_)
            timesMaker_->Cancel();
    }
    if (handler)
        handler();
    wake_.notify_all();
}

void PublishJob::SetCancelHandler(std::function<void()> handler)
{
    {
        std::lock_guard lock(mutex_);
        cancelHandler_ = handler;
    }
    if (handler && cancel_)
        handler();
}

void PublishJob::SetStatus(const std::string& text, uint32_t colour)
{
    // The staging directory is the publish's own business: a status names
    // the place the publication goes to. While the lecture as one video is
    // written the publications are in place, and the status says so first.
    std::string shown = videoPhase_ && colour != kColourRed ? "Process:All Done. " + text : text;
    for (const Target& t : targets_)
        if (t.staging && !t.staging->Dir().empty() && shown.find(".pellucor-") != std::string::npos) {
            shown = ReplaceAll(shown, Tav_DirSlash(t.staging->Dir()), Tav_DirSlash(t.staging->Output()));
            shown = ReplaceAll(shown, t.staging->Dir(), t.staging->Output());
        }
    progress_.SetStatus(shown, colour);
}

std::unique_ptr<MediaOpener> PublishJob::LoadMediaOpener(std::string& err)
{
    auto encoder = openerFactory ? openerFactory() : nullptr;
    if (!encoder)
        err = "no media component";
    return encoder;
}

// A test stops a publish at the start of a step (PELLUCOR_PUBLISH_STOP_AT
// holds its name: slidetimes, slidetext, captions, convert, load, media,
// describe, hls, video, style, script, follow or install) to signal it
// there.
void PublishJob::stopPoint(const char* name)
{
    static const char* const wanted = std::getenv("PELLUCOR_PUBLISH_STOP_AT");
    if (wanted && std::strcmp(wanted, name) == 0)
        std::raise(SIGSTOP);
}

void PublishJob::enterStep(PublishStep step)
{
    stopPoint(stopName(step));
    step_ = step;
    emit progress_.stepChanged(static_cast<int>(step), QString::fromLatin1(PublishStepName(step)));
    report(0);
}

// fraction: how much of the current step is done.
void PublishJob::report(double fraction)
{
    if (videoPhase_) {
        const double percent = 100 * std::clamp(fraction, 0.0, 1.0);
        std::string left = videoTimeLeft_.TextAt(percent);
        if (static_cast<int>(percent) > videoPercent_ || left != videoTimeLeftText_) {
            videoPercent_ = std::max(videoPercent_, static_cast<int>(percent));
            videoTimeLeftText_ = std::move(left);
            emit progress_.videoProgressChanged(videoPercent_, QString::fromStdString(videoTimeLeftText_));
        }
        return;
    }
    double percent = kPublishedPercent;
    if (step_ == PublishStep::SlideTimes || step_ == PublishStep::SlideText || step_ == PublishStep::Captions) {
        // Side by side with the slide times: each has its own share done
        // (the slide times' thread keeps its own).
        if (step_ == PublishStep::SlideText)
            textDone_ = fraction;
        else if (step_ == PublishStep::Captions)
            captionsDone_ = fraction;
        percent = kPublishedPercent / 100 * plan_.PreparedPercent(timesDone_, textDone_, captionsDone_);
    } else if (step_ != PublishStep::FollowLog) {
        percent = kPublishedPercent / 100 * plan_.Percent(step_, targetIndex_, fraction);
    }
    const int p = static_cast<int>(percent);
    if (p > lastPercent_) {
        lastPercent_ = p;
        emit progress_.progressChanged(p);
    }
    if (const std::string left = timeLeft_.TextAt(percent); left != timeLeftText_) {
        timeLeftText_ = left;
        emit progress_.timeLeftChanged(QString::fromStdString(left));
    }
}

void PublishJob::Progress(int64_t done, int64_t total)
{
    if (total > 0)
        report(static_cast<double>(done) / static_cast<double>(total));
}

void PublishJob::finish(PublishOutcome outcome, const std::string& error)
{
    // A publish that did not end well leaves every output as it was.
    if (outcome != PublishOutcome::Succeeded)
        for (Target& t : targets_)
            t.staging.reset();
    if (!timeLeftText_.empty()) {
        timeLeftText_.clear();
        emit progress_.timeLeftChanged(QString());
    }
    if (outcome == PublishOutcome::Succeeded)
        fillBar();
    Tav_DebugLog("Publish job ended: "
                 + std::string(outcome == PublishOutcome::Succeeded       ? "done"
                                   : outcome == PublishOutcome::Cancelled ? "cancelled"
                                                                          : "failed: ")
                 + error);
    progress_.End(outcome, error);
}

// The publish's bar at its end: 100%, and no time left.
void PublishJob::fillBar()
{
    if (!timeLeftText_.empty()) {
        timeLeftText_.clear();
        emit progress_.timeLeftChanged(QString());
    }
    if (lastPercent_ < 100) {
        lastPercent_ = 100;
        emit progress_.progressChanged(100);
    }
}

void PublishJob::run()
{
    // The windows come first: the publish (and the encoder threads it
    // starts, which inherit this) yields the cores to the event loop.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNice);
    timeLeft_.Restart();
    plan_ = PublishPlan(plannedWork());
    if (!prepareLecture() || !loadLecture())
        return;
    for (size_t i = 0; i < targets_.size(); ++i) {
        targetIndex_ = i;
        if (!publishTarget(targets_[i]))
            return;
    }
    if (scripts_.empty()) {
        // Left for the user to run: each script installs its publication.
        for (Target& t : targets_)
            t.staging->Keep();
        finish(PublishOutcome::Succeeded, "");
        return;
    }
    if (followLogs())
        installTargets();
}

// What this publish has to do, for its bar: how long the parts'
// recordings are, how many slides there are, and what each target writes.
PublishWork PublishJob::plannedWork()
{
    PublishWork work;
    work.slides = static_cast<int>(SlideTextMaker::SlidePictures(Tav_DirSlash(settings_.LecDir)).size());
    work.captions = IEquals(Trim(settings_.Preference("prfTranscribe")), "Yes") && captionMakerFactory;
    work.slideTimes = settings_.FindSlideTimes && slideTimesFactory;
    work.describe = IEquals(Trim(settings_.Preference("prfDescribe")), "Yes");
    std::vector<PartRecording> parts;
    std::string ignored;  // a lecture without recordings is told of by its load
    std::unique_ptr<MediaOpener> opener;
    if (FindPartRecordings(Tav_DirSlash(settings_.MediaDir), settings_.LecName, parts, ignored))
        for (const PartRecording& part : parts) {
            if (!opener && !(opener = LoadMediaOpener(ignored)))
                break;
            if (const auto media = opener->OpenMedia(part.recording, ignored)) {
                const double seconds = std::max(0.0, media->Duration());
                work.recordingSeconds += seconds;
                work.encodedSeconds += media->CopyIsEncoded() ? seconds : 0;
                media->Close();
            }
        }
    for (const Target& t : targets_)
        work.targets.push_back({!t.toDisk && settings_.HlsWeb});
    return work;
}

// The slide text and the captions, and beside them on a thread of their
// own the slide times where they are to be found: each needs only the
// recordings and the slides, not the others. False once the publish ended.
bool PublishJob::prepareLecture()
{
    startSlideTimes();
    const bool made = makeSlideTexts() && makeCaptions();
    textDone_ = captionsDone_ = 1;
    if (!made) {
        stopSlideTimes();
        return false;
    }
    return waitSlideTimes();
}

void PublishJob::startSlideTimes()
{
    if (!settings_.FindSlideTimes || !slideTimesFactory)
        return;
    enterStep(PublishStep::SlideTimes);
    {
        std::lock_guard lock(mutex_);
        timesMaker_ = slideTimesFactory();
        if (!timesMaker_)
            return;
        if (cancel_)
            timesMaker_->Cancel();
    }
    timesDone_ = 0;
    timesEnded_ = false;
    timesThread_ = std::thread([this] {
        std::string err;
        const bool ok = timesMaker_->MakeMissing(
            Tav_DirSlash(settings_.LecDir), Tav_DirSlash(settings_.MediaDir), settings_.LecName,
            [this](double fraction, const std::string& status) {
                timesDone_ = fraction;
                if (!status.empty()) {
                    std::lock_guard lock(mutex_);
                    timesStatus_ = status;
                }
            },
            err);
        std::lock_guard lock(mutex_);
        timesError_ = ok ? "" : err.empty() ? "the slide times cannot be found" : err;
        timesEnded_ = true;
        wake_.notify_all();
    });
}

void PublishJob::stopSlideTimes()
{
    {
        std::lock_guard lock(mutex_);
        if (timesMaker_)
            timesMaker_->Cancel();
    }
    if (timesThread_.joinable())
        timesThread_.join();
}

// Waits for the slide times, telling their progress; false (the publish
// ended) when they could not be found or a stop was asked for.
bool PublishJob::waitSlideTimes()
{
    if (!timesThread_.joinable())
        return true;
    step_ = PublishStep::SlideTimes;
    std::string shown;
    {
        std::unique_lock lock(mutex_);
        while (!timesEnded_ && !cancel_) {
            wake_.wait_for(lock, std::chrono::milliseconds(200));
            const std::string status = timesStatus_;
            lock.unlock();
            if (status != shown)
                SetStatus(shown = status, kColourYellow);
            report(timesDone_);
            lock.lock();
        }
    }
    stopSlideTimes();
    if (cancel_) {
        finish(PublishOutcome::Cancelled, "Publish cancelled");
        return false;
    }
    if (!timesError_.empty()) {
        SetStatus(timesError_, kColourRed);
        finish(PublishOutcome::Failed, timesError_);
        return false;
    }
    lectureChanged_ = true;
    return true;
}

// Reads the text of the slides that have none yet (or whose picture
// changed) before the lecture is loaded, so that every target shows it.
bool PublishJob::makeSlideTexts()
{
    enterStep(PublishStep::SlideText);
    const std::string dir = Tav_DirSlash(settings_.LecDir);
    const std::vector<std::string> pictures = SlideTextMaker::SlidePictures(dir);
    if (pictures.empty())
        return true;
    SlideTextOptions options;
    options.ocr = !IEquals(Trim(settings_.Preference("prfSlideTextOcr")), "No");
    if (const std::string lang = Trim(settings_.Preference("prfOcrLanguage")); !lang.empty())
        options.languages = lang;
    SlideTextMaker maker;
    // Only slides OCR reads take a share of the bar.
    bool reading = false;
    maker.onReadStart = [&](int count) {
        reading = true;
        plan_.SetSlidesToRead(count);
    };
    maker.onProgress = [&](int done, int total, const std::string& picture) {
        if (reading)
            SetStatus("Reading the text of the slides: " + picture + " (" + std::to_string(done) + "/"
                          + std::to_string(total) + ")",
                      kColourYellow);
        report(static_cast<double>(done) / total);
    };
    SetCancelHandler([&maker] { maker.Cancel(); });
    SlideTextRun run;
    std::string err;
    const bool ok = maker.Make(dir, pictures, options, run, err);
    SetCancelHandler(nullptr);
    if (!ok) {
        if (maker.Cancelled() || cancel_) {
            finish(PublishOutcome::Cancelled, "Publish cancelled");
        } else {
            SetStatus(err, kColourRed);
            finish(PublishOutcome::Failed, err);
        }
        return false;
    }
    if (!run.storeError.empty()) {
        SetStatus("The slides' text cannot be kept beside them (" + run.storeError
                      + "): this publish shows it without keeping it",
                  kColourYellow);
        unstoredTexts_ = run.texts;
    }
    lectureChanged_ = lectureChanged_ || run.read > 0;
    if (run.read > 0)
        Tav_DebugLog("Slide text: " + std::to_string(run.read) + " slides read by OCR, " + std::to_string(run.kept)
                     + " kept");
    return true;
}

// Where asked for (prfTranscribe), makes the captions of the parts that
// have none by speech recognition, beside their recordings, before the
// lecture is loaded. A part it cannot caption (no sound, only silence)
// is published without, with a warning; so is every part when no
// recogniser can run.
bool PublishJob::makeCaptions()
{
    if (!IEquals(Trim(settings_.Preference("prfTranscribe")), "Yes") || !captionMakerFactory)
        return true;
    enterStep(PublishStep::Captions);
    std::unique_ptr<CaptionMaker> maker = captionMakerFactory();
    if (!maker)
        return true;
    SetCancelHandler([&maker] { maker->Cancel(); });
    std::string err, warnings;
    const bool ok = maker->MakeMissing(
        Tav_DirSlash(settings_.MediaDir), settings_.LecName,
        [this](double fraction, const std::string& status) {
            if (!status.empty())
                SetStatus(status, kColourYellow);
            report(fraction);
        },
        err, warnings);
    SetCancelHandler(nullptr);
    if (maker->Cancelled() || cancel_) {
        finish(PublishOutcome::Cancelled, "Publish cancelled");
        return false;
    }
    lectureChanged_ = lectureChanged_ || ok;
    if (!ok)
        warnings = err;
    if (!warnings.empty())
        SetStatus("Published without automatic captions where they could not be made: " + warnings, kColourYellow);
    return true;
}

// Loads the lecture once for every target: a published lecture is
// converted back first; one the caller loaded is loaded again only when
// the steps before changed it (quietly: its notes were told then).
bool PublishJob::loadLecture()
{
    if (lecture_ && !lectureChanged_) {
        enterStep(PublishStep::Convert);
        enterStep(PublishStep::Load);
    } else {
        BasicEngineHost quiet;
        quiet.openerFactory = openerFactory;
        Publisher loader(settings_, lecture_ ? static_cast<EngineHost*>(&quiet) : this);
        loader.onStep = [this](PublishStep step) { enterStep(step); };
        if (!loader.Load(!lecture_, !lecture_)) {
            finish(loader.WasCancelled ? PublishOutcome::Cancelled : PublishOutcome::Failed, loader.LastError);
            return false;
        }
        settings_.LecName = loader.S.LecName;
        lecture_ = std::move(loader.SI);
    }
    // Texts read for this publish that could not be stored beside the
    // slides: the lecture takes them as if they had been.
    std::map<std::string, const SlideText*> byName;
    for (const auto& [picture, text] : unstoredTexts_)
        byName[Lower(picture)] = &text;
    for (Slide& slide : lecture_->Slides) {
        const auto it = byName.find(Lower(slide.Image));
        if (slide.Text.empty() && it != byName.end())
            LectureLoader::TakeSlideText(slide, *it->second);
    }
    return true;
}

bool PublishJob::publishTarget(Target& target)
{
    target.staging = std::make_unique<StagedPublication>(target.outDir);
    std::string err;
    if (!target.staging->Create(err)) {
        SetStatus(err, kColourRed);
        finish(PublishOutcome::Failed, err);
        return false;
    }
    PublishSettings s = settings_;
    s.OutDir = target.staging->Dir();
    if (!settings_.AutoStart && !installProgram.empty())
        s.InstallCommand = {installProgram, "install-publication", target.staging->Dir(), target.staging->Output()};
    auto engine = std::make_unique<Publisher>(s, static_cast<EngineHost*>(this));
    engine->onStep = [this](PublishStep step) { enterStep(step); };
    engine->SI = *lecture_;
    // The video follows once the publication is in place, which a script
    // left for the user to run puts there after this job has ended.
    engine->laterVideo = wantsVideo(target) && settings_.AutoStart;

    if (!engine->Publish(target.toDisk)) {
        finish(engine->WasCancelled ? PublishOutcome::Cancelled : PublishOutcome::Failed, engine->LastError);
        return false;
    }
    if (engine->laterVideo)
        target.engine = std::move(engine);

    enterStep(PublishStep::Script);
    const std::string dir = target.staging->Dir();
    // Quoted for the shell, so that it runs as printed whatever the path holds.
    const std::string command = ShellQuote(dir + "process.bat");
    if (!settings_.AutoStart) {
        // The script is run where it is, in the staging directory: named as it is.
        progress_.SetStatus("Complete (You must manually run: " + command + ")", kColourWhite);
        emit progress_.targetPublished(target.toDisk, QString::fromStdString(command), false);
        return true;
    }
    const qint64 pid = startScript ? startScript(dir + "process.bat", dir) : -1;
    if (pid < 0) {
        const std::string error = "Unable to start " + command;
        progress_.SetStatus(error, kColourRed);
        finish(PublishOutcome::Failed, error);
        return false;
    }
    scripts_.emplace_back(pid, dir);
    progress_.SetStatus("Auto-executing:" + command, kColourYellow);
    emit progress_.targetPublished(target.toDisk, QString::fromStdString(command), true);
    report(1);
    return true;
}

bool PublishJob::scriptsAlive() const
{
    for (const auto& script : scripts_)
        if (script.first > 0 && !ProcessEnded(static_cast<long>(script.first)))
            return true;
    return false;
}

// Sleeps one log interval, or until every script has ended (its log is
// then final: the readings that confirm it need not wait); false when a
// cancel cut it short.
bool PublishJob::waitTick()
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(logIntervalMs);
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!scriptsAlive())
            return !cancel_;
        const Clock::time_point next = std::min(until, Clock::now() + std::chrono::milliseconds(kScriptPollMs));
        if (wake_.wait_until(lock, next, [this] { return cancel_.load(); }))
            return false;
        if (Clock::now() >= until)
            return true;
    }
}

bool PublishJob::followLogs()
{
    enterStep(PublishStep::FollowLog);
    std::string cdDir, webDir;
    for (const Target& t : targets_)
        (t.toDisk ? cdDir : webDir) = t.staging->Dir();
    LogFollower follower(cdDir, webDir);
    follower.scriptsRunning = [this] { return scriptsAlive(); };
    // The status the scripts were started with.
    std::string previous = "Auto-executing:";
    while (waitTick()) {
        std::string status;
        uint32_t colour = kColourYellow;
        const LogFollower::State state = follower.Tick(previous, status, colour);
        // "All Done" is told once the publications are in place.
        if (!status.empty() && state != LogFollower::State::Done) {
            SetStatus(status, colour);
            previous = status;
        }
        if (state == LogFollower::State::Done)
            return true;
        if (state == LogFollower::State::Failed) {
            finish(PublishOutcome::Failed, status);
            return false;
        }
    }
    // Cancelled: the scripts are stopped too.
    for (const auto& script : scripts_)
        if (script.first > 0)
            ::kill(static_cast<pid_t>(script.first), SIGTERM);
    finish(PublishOutcome::Cancelled, "Publish cancelled while process.bat was running");
    return false;
}

// Every script reported "All Done": each publication is checked, then put
// in place of its output. One that fails its check leaves its output as it
// was.
bool PublishJob::installTargets()
{
    stopPoint("install");
    for (Target& t : targets_) {
        if (cancel_) {
            finish(PublishOutcome::Cancelled, "Publish cancelled before the publication was put in place");
            return false;
        }
        SetStatus("Checking the publication for " + t.staging->Output(), kColourYellow);
        std::string err;
        if (!StagedPublication::Check(t.staging->Dir(), checkMedia, err) || (mayInstall && !mayInstall(err))
            || !t.staging->Install(err)) {
            SetStatus(err, kColourRed);
            finish(PublishOutcome::Failed, err);
            return false;
        }
        Tav_DebugLog("Publication in place: " + t.staging->Output());
    }
    SetStatus("Process:All Done", kColourWhite);
    fillBar();
    for (const Target& t : targets_)
        emit progress_.publicationInPlace(t.toDisk, QString::fromStdString(t.staging->Output()));
    for (Target& t : targets_)
        if (t.engine && !writeVideo(t))
            return false;
    if (videoPhase_) {
        videoPhase_ = false;
        SetStatus("Process:All Done", kColourWhite);
    }
    finish(PublishOutcome::Succeeded, "");
    return true;
}

bool PublishJob::wantsVideo(const Target& target) const
{
    return target.toDisk ? settings_.VideoCD : settings_.VideoWeb;
}

// The lecture as one video for a target whose publication is in place:
// written with the pages that offer it into a staging directory of its
// own, which takes the rest of the publication as it is and then goes in
// place of it whole. A failure or a stop leaves the publication in place
// as it is, without the video.
bool PublishJob::writeVideo(Target& target)
{
    stopPoint("video");
    if (!videoPhase_) {
        videoPhase_ = true;
        videoTimeLeft_.Restart();
        emit progress_.stepChanged(static_cast<int>(PublishStep::Video),
                                   QString::fromLatin1(PublishStepName(PublishStep::Video)));
        report(0);
    }
    step_ = PublishStep::Video;
    const std::string output = target.staging->Output();
    const std::string without = " (the publication in place at " + output + " is whole, without it)";
    StagedPublication amended(output);
    std::string err;
    Publisher& engine = *target.engine;
    engine.onStep = nullptr;
    const bool written = amended.Create(err) && engine.PublishVideoInto(target.toDisk, amended.Dir(), output);
    if (!written && engine.WasCancelled) {
        finish(PublishOutcome::Cancelled, "Publish cancelled while the lecture video was written" + without);
        return false;
    }
    if (written && cancel_) {
        finish(PublishOutcome::Cancelled, "Publish cancelled before the lecture video was put in place" + without);
        return false;
    }
    const std::string video = amended.Dir() + kLectureVideoName;
    const bool installed = written && amended.TakeRestOfOutput(err) && (!checkMedia || checkMedia(video, err))
        && (!mayInstall || mayInstall(err)) && amended.Install(err);
    if (!installed) {
        const std::string error = (written ? err : engine.LastError.empty() ? err : engine.LastError) + without;
        SetStatus(error, kColourRed);
        finish(PublishOutcome::Failed, error);
        return false;
    }
    report(1);
    Tav_DebugLog("The lecture as one video in place: " + output + kLectureVideoName);
    target.engine.reset();
    return true;
}

}  // namespace pellucor
