#include "publish/PublishSession.h"

#include <QCoreApplication>

#include <sys/stat.h>

#include <filesystem>

#include "core/RecordingKinds.h"
#include "core/TavUtils.h"
#include "publish/OutputChecks.h"
#include "publish/PublishJob.h"
#include "publish/StagedPublication.h"
#include "style/PublishedLecture.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {
// How many foreign entries a question or message names before "...".
constexpr size_t kNamed = 10;

std::string listOf(const std::vector<std::string>& names)
{
    std::string text;
    for (size_t i = 0; i < names.size() && i < kNamed; ++i)
        text += (i ? ", " : "") + names[i];
    if (names.size() > kNamed)
        text += " and " + std::to_string(names.size() - kNamed) + " more";
    return text;
}

bool isMountPoint(const fs::path& dir)
{
    struct stat self {
    }, parent {};
    return ::stat(dir.c_str(), &self) == 0 && ::stat(dir.parent_path().c_str(), &parent) == 0
        && self.st_dev != parent.st_dev;
}
}  // namespace

PublishSession::PublishSession(QObject* parent) : PublishProgress(parent), startScript(&PublishJob::StartDetachedScript)
{ }

// The job ends before anything it reports to goes.
PublishSession::~PublishSession() { job_.reset(); }

PreferenceSnapshot PublishSession::readPreferences() const
{
    return preferences ? preferences() : PreferenceStore().Read();
}

// The quiet check: asks nothing, writes nothing, tells nothing.
bool PublishSession::OKToPublish(std::string& err) const
{
    if (publishedLecture())
        return true;
    BasicEngineHost host;
    host.openerFactory = openerFactory;
    Publisher engine(request.Settings(readPreferences()), &host);
    return engine.LoadLecture(false, false, err);
}

// Slide times to be found first: the lecture loads once they are.
bool PublishSession::findsSlideTimes() const { return request.findSlideTimes && slideTimesFactory; }

// A published lecture loads once the publish has converted it back.
bool PublishSession::publishedLecture() const
{
    std::string name;
    return IsPublishedLecture(Tav_DirSlash(request.TextMedia), request.TextName, name);
}

namespace {
// Tells the loader's notes (the events files it found, a warning about
// their times) on the session's status line; a failure comes back as the
// error, which the caller shows once.
class NotesHost : public BasicEngineHost {
public:
    explicit NotesHost(PublishProgress& progress) : progress_(progress) { }
    void SetStatus(const std::string& text, uint32_t colour) override
    {
        if (colour != kColourRed)
            progress_.SetStatus(text, colour);
    }

private:
    PublishProgress& progress_;
};
}  // namespace

// The lecture with the full check, for the publish to take.
bool PublishSession::loadLecture(const PreferenceSnapshot& prefs, std::optional<Lecture>& lecture, std::string& err)
{
    NotesHost host(*this);
    host.openerFactory = openerFactory;
    Publisher engine(request.Settings(prefs), &host);
    if (!engine.Load(false, true)) {
        err = engine.LastError;
        return false;
    }
    lecture = std::move(engine.SI);
    return true;
}

// The media directory holds a lecture to publish; published: one the
// publish converts back first.
bool PublishSession::checkMedia(bool& published, std::string& err) const
{
    const PublishRequest& r = request;
    if (!Tav_Chkdrv(r.TextMedia))
        return false;
    const std::string media = Tav_DirSlash(r.TextMedia);
    if (!HasFiles(media, "*.*")) {
        err = "Media directory is empty " + r.TextMedia;
        return false;
    }
    published = publishedLecture();
    // A published lecture gets its events files when the publish converts
    // it; one whose slide times are to be found, when they are.
    if (!HasFiles(media, "*.txt") && !published && !findsSlideTimes()) {
        err = "Media directory has no event data (*.txt) " + r.TextMedia;
        return false;
    }
    if (!HasFiles(media, "*.rm") && !HasFiles(media, "*.ra") && FirstRecordingIn(media).empty()) {
        err = "Media directory has no media (*.rm or *.ra) " + r.TextMedia + " nor recordings (" + RecordingPatterns()
            + ")";
        return false;
    }
    return true;
}

// field is the label of the output directory's text field.
bool PublishSession::checkTarget(const std::string& field, const std::string& dir, std::string& err)
{
    if (Trim(dir).empty()) {
        err = field + " is empty: enter the directory to publish into";
        return false;
    }
    if (!Tav_Chkdrv(dir)) {
        err = "Bad drive letter " + dir;
        return false;
    }
    const std::string out = StagedPublication::Resolve(dir);
    err = OutputClash(out, {request.TextMedia, request.TextPP, request.TextStyle});
    if (!err.empty())
        return false;
    std::error_code ec;
    if (!fs::exists(out, ec)) {
        if (Tav_AskYesNoCancel("OK to create " + out) != TavYes) {
            err = "Cannot complete execution";
            return false;
        }
        return true;
    }
    if (!fs::is_directory(out, ec)) {
        err = "The output " + out + " is a file, not a directory";
        return false;
    }
    if (isMountPoint(fs::path(out).parent_path())) {
        err = "The output directory " + out + " is a mount point: publish into a directory inside it";
        return false;
    }
    const std::vector<std::string> foreign = ForeignEntries(out);
    if (foreign.empty() || request.replaceForeign)
        return true;
    if (confirmRemoval) {
        if (confirmRemoval("Ok to remove files from " + out + "\n\nThese files will go: " + listOf(foreign)))
            return true;
        err = "Unable to cleanup " + out;
        return false;
    }
    err = "The output directory " + out + " holds " + std::to_string(foreign.size())
        + " file(s) that no publication wrote: " + listOf(foreign)
        + ". Publish into another directory, or allow their removal (--replace)";
    return false;
}

bool PublishSession::Start(std::string& err)
{
    err = "Error in Form1.DoStart";
    if (Running()) {
        err = "A publish is already running";
        return false;
    }
    job_.reset();  // the last one has ended: its thread is joined here
    bool published = false;
    if (!checkMedia(published, err))
        return false;
    SetStatus("Checking for the existence of media files...", kColourYellow);
    if (const std::string problem = StyleDirectoryProblem(request.TextStyle); !problem.empty()) {
        err = problem;
        return false;
    }
    // One snapshot of the preferences for the whole publish.
    const PreferenceSnapshot prefs = readPreferences();
    SetStatus("Checking the output directories", kColourYellow);
    const PublishRequest& r = request;
    if (r.optCD && !checkTarget("Disk Output Dir", r.TextCDDir, err))
        return false;
    if (r.optWeb && !checkTarget("Web Output Dir", r.TextWebDir, err))
        return false;
    if (r.optCD && r.optWeb && StagedPublication::Resolve(r.TextCDDir) == StagedPublication::Resolve(r.TextWebDir)) {
        err = "The Disk Output Dir and the Web Output Dir are the same " + r.TextCDDir;
        return false;
    }
    // A lecture that cannot be loaded is told at once; the publish takes
    // the one loaded here.
    std::optional<Lecture> lecture;
    if (!published && !findsSlideTimes() && !loadLecture(prefs, lecture, err))
        return false;
    request.TextLocDir = r.optWeb ? r.TextWebDir : r.TextCDDir;
    diskOutput_ = r.optCD ? StagedPublication::Resolve(r.TextCDDir) : "";
    webOutput_ = r.optWeb ? StagedPublication::Resolve(r.TextWebDir) : "";

    job_ = std::make_unique<PublishJob>(request.Settings(prefs), *this, std::move(lecture));
    job_->openerFactory = openerFactory;
    if (captionMakerFactory)
        job_->captionMakerFactory = [factory = captionMakerFactory, prefs] { return factory(prefs); };
    job_->slideTimesFactory = slideTimesFactory;
    job_->startScript = startScript;
    job_->logIntervalMs = logIntervalMs;
    job_->installProgram = installProgram;
    job_->mayInstall = mayInstall;
    if (job_->installProgram.empty() && QCoreApplication::instance())
        job_->installProgram = QCoreApplication::applicationFilePath().toStdString();
    auto factory = openerFactory;
    job_->checkMedia = [factory](const std::string& path, std::string& why) {
        auto encoder = factory ? factory() : nullptr;
        return !encoder || encoder->CheckPlayable(path, why);
    };
    Begin();
    job_->Start();
    err.clear();
    return true;
}

void PublishSession::Cancel()
{
    if (job_ && Running()) {
        SetStatus("Cancelling...", kColourYellow);
        job_->Cancel();
    }
}

void PublishSession::Wait(const std::function<void()>& tick, int intervalMs)
{
    WaitEnded(tick, intervalMs);
    // Nothing is reported after this: the caller's receivers may go.
    if (job_)
        job_->Join();
}

}  // namespace pellucor

#include "moc_PublishSession.cpp"
