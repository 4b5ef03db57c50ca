#include "server/IncomingPublisher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringDecoder>

#include <unistd.h>

#include <algorithm>

#include <filesystem>
#include <fstream>

#include "core/TavUtils.h"
#include "media/PartCuts.h"
#include "publish/PublishSession.h"
#include "server/ClaimHeartbeat.h"
#include "server/HtmlText.h"
#include "server/IncomingScan.h"
#include "server/LectureClaim.h"
#include "server/LectureIntake.h"
#include "server/PublicationUploads.h"
#include "server/SlurmDispatch.h"
#include "server/StopPoint.h"
#include "server/TreeCopy.h"
#include "server/WebPublish.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

// Why a ready entry's name cannot be a lecture, or "" when it can.
std::string nameProblem(const std::string& name)
{
    const std::string rest = name.substr(2);
    if (rest.front() == ' ' || rest.back() == ' ' || rest.front() == '\t' || rest.back() == '\t')
        return "begins or ends in a blank";
    for (unsigned char c : rest)
        if (c < 0x20 || c == 0x7f)
            return "holds a control character";
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(QByteArrayView(rest.data(), static_cast<qsizetype>(rest.size())));
    if (utf8.hasError())
        return "is not valid UTF-8";
    return {};
}

// A path as it can be shown on one line: control characters spelled out.
std::string shown(const std::string& path)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : path) {
        if (c == '\n')
            out += "\\n";
        else if (c < 0x20 || c == 0x7f)
            out += std::string("\\x") + hex[c >> 4] + hex[c & 15];
        else
            out += static_cast<char>(c);
    }
    return out;
}

// Each directory's preference key.
const std::pair<const char*, std::string ServerDirs::*> kDirKeys[] = {
    {"prfsrvIncoming", &ServerDirs::incoming}, {"prfsrvRepository", &ServerDirs::repository},
    {"prfsrvLogFile", &ServerDirs::logFile},   {"prfsrvPubDir", &ServerDirs::pubPrefix},
    {"prfsrvWebURL", &ServerDirs::webPrefix},  {"prfsrvStreamURL", &ServerDirs::streamPrefix},
};

}  // namespace

ServerDirs ServerDirsIn(const PreferenceSnapshot& prefs)
{
    ServerDirs dirs;
    for (const auto& [key, dir] : kDirKeys)
        dirs.*dir = PreferenceStore::ValueIn(prefs, key);
    return dirs;
}

PreferenceSnapshot ServerDirsPreferences(const ServerDirs& dirs)
{
    PreferenceSnapshot prefs;
    for (const auto& [key, dir] : kDirKeys)
        prefs[key] = dirs.*dir;
    return prefs;
}

IncomingPublisher::IncomingPublisher(std::function<PreferenceSnapshot()> readPrefs, QObject* parent)
    : QObject(parent),
      readPrefs_(std::move(readPrefs)),
      session_(std::make_unique<PublishSession>()),
      uploads_(std::make_unique<PublicationUploads>(readPrefs_, [this](const std::string& text) { ServerLog(text); }))
{
    session_->preferences = readPrefs_;
    connect(session_.get(), &PublishSession::finished, this,
            [this](PublishOutcome outcome, const QString&) { publishEnded(outcome); });
    // The publication goes in place only while the claim is still ours: a
    // server that was paused past the stale time and taken over writes
    // nothing.
    session_->mayInstall = [this](std::string& why) {
        if (!claim_ || claim_->StillOwned())
            return true;
        why = claim_->TakeoverReason();
        return false;
    };
}

IncomingPublisher::~IncomingPublisher() = default;

void IncomingPublisher::DispatchToSlurm(const SlurmOptions& options, const std::string& program)
{
    slurm_ = std::make_unique<SlurmDispatch>(*this, options, program);
}

int IncomingPublisher::JobsRunning() const { return slurm_ ? slurm_->Count() : 0; }

void IncomingPublisher::StopJobs()
{
    if (slurm_)
        slurm_->Stop();
}

std::string IncomingPublisher::Now() const
{
    return QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
}

void IncomingPublisher::Load()
{
    logOff_ = false;
    const PreferenceSnapshot prefs = readPrefs_();
    auto get = [&](const char* key) { return PreferenceStore::ValueIn(prefs, key); };
    dirs = ServerDirsIn(prefs);
    // Where each lecture is published: here, or as a batch job running this
    // program on a node (the jobs already out are followed to their end).
    if (Lower(Trim(get("prfsrvDispatch"))) == "slurm") {
        if (!slurm_)
            DispatchToSlurm(SlurmOptionsFrom(prefs), QCoreApplication::applicationFilePath().toStdString());
    } else if (slurm_ && slurm_->Count() == 0) {
        slurm_.reset();
    }
    WriteLogLine(HtmlEscape("Personal Lecture Repository Loaded - " + now()));
    WriteLogLine(HtmlEscape("Watching Directory " + dirs.incoming));
    WriteLogLine(HtmlEscape("Repository Directory " + dirs.repository));
    WriteLogLine(HtmlEscape("Publishing to Directory " + dirs.pubPrefix));
    WriteLogLine("Root URL = " + MakeLink(dirs.webPrefix));
    emit changed();
}

void IncomingPublisher::WriteLogLine(const std::string& html)
{
    if (logOff_ || dirs.logFile.empty())
        return;
    // One write per line: servers sharing the log never interleave within one.
    std::ofstream out(dirs.logFile, std::ios::binary | std::ios::app);
    if (!out) {
        logOff_ = true;
        return;
    }
    WriteLine(out, html + "<br>");
}

void IncomingPublisher::ServerLog(const std::string& text)
{
    WriteLogLine(now() + " " + HtmlEscape(text));
    status = text;
    Tav_DebugLog("Server: " + text);
    emit changed();
    // The steps of a lecture are read in the status line and the log; a box
    // to click away is kept for what went wrong (and the lecture's address
    // at the end, below).
    if (IsFailureMessage(text))
        Tav_Message(text);
}

void IncomingPublisher::ServerLogLink(const std::string& text, const std::string& url)
{
    WriteLogLine(now() + " " + HtmlEscape(text) + MakeLink(url));
    status = text + url;
    Tav_DebugLog("Server: " + text + url);
    emit changed();
    Tav_Message(text + url);
}

std::string IncomingPublisher::MakeLink(const std::string& url)
{
    return "<a href=\"" + HrefForUrl(url) + "\">" + HtmlEscape(url) + "</a>";
}

void IncomingPublisher::reportOnce(const std::string& key, const std::string& text)
{
    auto it = reported_.find(key);
    if (it != reported_.end() && it->second == text)
        return;
    reported_[key] = text;
    ServerLog(text);
}

void IncomingPublisher::SetDir(const std::string& dir)
{
    lecture.dir = dir;
    const auto parts = Tav_SplitPath(dir);
    lecture.name = parts.last;
    const std::string repo = Tav_DirSlash(dirs.repository);
    lecture.relPath.clear();
    if (!repo.empty() && StartsWith(Lower(parts.leading), Lower(repo))) {
        const std::string rest = parts.leading.substr(repo.size());
        if (!Trim(rest).empty())
            lecture.relPath = Tav_DirSlash(rest);
    }
    lecture.pubDir = Tav_DirSlash(dirs.pubPrefix) + lecture.relPath + lecture.name + "/";
    auto url = [&](const std::string& prefix) {
        return ReplaceAll(prefix + lecture.relPath + lecture.name + "/", "\\", "/");
    };
    lecture.webURL = url(dirs.webPrefix);
    lecture.streamURL = Trim(dirs.streamPrefix).empty() ? std::string() : url(dirs.streamPrefix);
    emit changed();
}

bool IncomingPublisher::FindReadyLecture()
{
    const std::string incoming = Tav_DirSlash(dirs.incoming);
    waitingForSettle_ = false;
    moveFailed_ = false;
    seen_.clear();
    const auto entries = ScanIncoming(incoming);
    // Claims first: this server's own, and those whose owner is gone.
    for (const auto& entry : entries) {
        if (entry.kind != IncomingEntry::Kind::Claim || (slurm_ && slurm_->Follows(entry.Path(incoming))))
            continue;
        auto claim = std::make_unique<LectureClaim>();
        std::string err;
        const auto result = LectureClaim::Adopt(incoming, entry.rel, entry.name, staleSeconds, *claim, err);
        if (result == LectureClaim::Result::Failed)
            reportOnce(entry.Path(incoming),
                       "Error - unable to take over " + shown(entry.Path(incoming)) + " - " + err);
        if (result == LectureClaim::Result::Taken && takeClaimed(claim))
            return true;
    }
    for (const auto& entry : entries) {
        seen_.insert(entry.Path(incoming));
        if (entry.kind == IncomingEntry::Kind::Link)
            reportOnce(entry.Path(incoming), "Error - symbolic link not followed " + shown(entry.Path(incoming)));
        else if (entry.kind == IncomingEntry::Kind::Ready && considerReady(entry))
            return true;
    }
    // Everything was looked at: forget what went away, so that it is
    // reported again should it come back.
    settle_.KeepOnly(seen_);
    for (auto it = reported_.begin(); it != reported_.end();)
        it = seen_.count(it->first) ? std::next(it) : reported_.erase(it);
    for (auto it = failed_.begin(); it != failed_.end();)
        it = seen_.count(*it) ? std::next(it) : failed_.erase(it);
    return false;
}

bool IncomingPublisher::considerReady(const IncomingEntry& entry)
{
    const std::string incoming = Tav_DirSlash(dirs.incoming);
    const std::string ready = entry.Path(incoming);
    if (failed_.count(ready))
        return false;
    std::error_code ec;
    const auto status = fs::symlink_status(ready, ec);
    if (!fs::exists(status))
        return false;  // another server took it a moment ago
    if (fs::is_symlink(status)) {
        reportOnce(ready, "Error - symbolic link not followed " + shown(ready));
        return false;
    }
    if (!fs::is_directory(status)) {
        reportOnce(ready, "Error - incoming directory does not exist " + shown(ready));
        return false;
    }
    if (Trim(entry.name.substr(2)).empty()) {
        reportOnce(ready, "Error - Poorly formed directory name " + shown(ready));
        return false;
    }
    if (const std::string problem = nameProblem(entry.name); !problem.empty()) {
        reportOnce(ready, "Error - Poorly formed directory name " + shown(ready) + " (the name " + problem + ")");
        return false;
    }
    if (const std::string why = nameTooLong(entry.name.substr(2)); !why.empty()) {
        // It would fail halfway through its publish, every time.
        std::string err;
        const std::string refused = ReturnRefused(ready, incoming + entry.rel, entry.name.substr(2), err);
        reportOnce(ready,
                   "Error - " + shown(ready) + " - " + why
                       + (refused.empty() ? " - unable to return it - " + err : " - returned as " + shown(refused)));
        return false;
    }
    const TreeSnapshot tree = TakeSnapshot(ready);
    if (!tree.ok()) {
        if (!fs::exists(fs::symlink_status(ready, ec)))
            return false;  // taken while we looked
        reportOnce(ready, "Error - unable to read " + shown(ready) + " - " + shown(tree.error));
        return false;
    }
    if (const std::string odd = tree.FirstNotPlain(); !odd.empty()) {
        reportOnce(ready, "Error - symbolic link not followed " + shown(ready + "/" + odd));
        return false;
    }
    if (!settle_.Settled(ready, tree, settleTime)) {
        waitingForSettle_ = true;
        return false;
    }
    auto claim = std::make_unique<LectureClaim>();
    std::string err;
    switch (LectureClaim::Claim(incoming, entry.rel, entry.name, *claim, err)) {
    case LectureClaim::Result::Lost: return false;  // another server was quicker
    case LectureClaim::Result::Failed:
        reportOnce(ready, "Error - unable to move " + shown(ready) + " - " + err);
        return false;
    case LectureClaim::Result::Taken: break;
    }
    StopPoint("claim");
    return takeClaimed(claim);
}

std::string IncomingPublisher::nameTooLong(const std::string& name) const
{
    // The longest file name a publish makes of the lecture's name: the name,
    // a part number and an extension ("999.webm").
    constexpr long kSuffix = 8;
    long most = 255;
    for (const std::string& dir : {dirs.repository, dirs.pubPrefix}) {
        const long max = ::pathconf(dir.c_str(), _PC_NAME_MAX);
        if (max > 0)
            most = std::min(most, max);
    }
    if (static_cast<long>(name.size()) + kSuffix <= most)
        return {};
    return "the name is too long for the file system (" + std::to_string(name.size()) + " bytes, at most "
        + std::to_string(most - kSuffix) + ")";
}

bool IncomingPublisher::takeClaimed(std::unique_ptr<LectureClaim>& claim)
{
    const std::string ready = claim->ReadyPath();
    heartbeat_ = std::make_unique<ClaimHeartbeat>(claim->Dir());
    LectureIntake intake(dirs.repository, [this](const std::string& text) { ServerLog(shown(text)); });
    switch (intake.Advance(*claim)) {
    case LectureIntake::Outcome::InRepository:
        lecture.name = fs::path(claim->journal.dest).filename().string();
        SetDir(claim->journal.dest);
        claim_ = std::move(claim);
        return true;
    case LectureIntake::Outcome::Failed:
        failed_.insert(ready);
        moveFailed_ = true;
        break;
    case LectureIntake::Outcome::Refused:
    case LectureIntake::Outcome::Lost: break;
    }
    heartbeat_.reset();
    return false;
}

bool IncomingPublisher::saveStep(ClaimStep step)
{
    if (!claim_)
        return true;
    if (gaveUp())
        return false;
    std::string err;
    if (!claim_->Save(step, err))
        ServerLog("Error - cannot write the journal of " + lecture.dir + " - " + err);
    return true;
}

bool IncomingPublisher::gaveUp()
{
    if (!claim_ || !claim_->TakenOver())
        return false;
    ServerLog("Gave up " + Tav_DirSlash(lecture.dir) + " - " + claim_->TakeoverReason());
    heartbeat_.reset();
    claim_.reset();
    done(false);
    return true;
}

void IncomingPublisher::finishClaim()
{
    heartbeat_.reset();
    if (!claim_)
        return;
    std::string err;
    if (!claim_->Finish(err))
        ServerLog("Error - unable to remove the claim " + claim_->Dir() + " - " + err);
    claim_.reset();
}

void IncomingPublisher::PublishLecture()
{
    lastPublishOk_ = false;
    busy_ = true;
    const std::string dir = Tav_DirSlash(lecture.dir);
    const ClaimStep reached = claim_ ? claim_->journal.step : ClaimStep::SourceRemoved;
    if (reached == ClaimStep::Published || reached == ClaimStep::Indexed) {
        afterPublish();
        return;
    }
    if (reached == ClaimStep::Returning) {
        returnLecture();
        return;
    }
    // A batch job that a server started for this lecture keeps out once
    // the journal no longer names it.
    if (claim_ && !slurm_)
        claim_->journal.job.clear();
    // A publish cut short is redone from the start: the previous
    // publication stays in place until the new one is complete.
    if (!saveStep(ClaimStep::Publishing))
        return;
    // Listed on the course page at the publish root, which the lecture
    // links back to.
    const WebPublishRequest request {dir, lecture.pubDir, lecture.webURL, lecture.streamURL,
                                     Tav_DirSlash(dirs.pubPrefix)};
    FillWebRequest(session_->request, readPrefs_(), request);
    std::string err;
    if (!session_->OKToPublish(err)) {
        ServerLog("Directory is not ready to be published - " + dir);
        finishClaim();
        done(false);
        return;
    }
    // A cut list dropped in with the lecture is published with it: one
    // that is not right stops the lecture here, before anything is written.
    if (!CheckLectureCuts(Tav_DirSlash(session_->request.TextMedia), session_->request.TextName, err)) {
        ServerLog("Directory is not ready to be published - " + dir + " - " + err);
        finishClaim();
        done(false);
        return;
    }
    ServerLog("Calling Pellucor in " + dir);
    if (slurm_ && claim_) {
        const std::string style = PreferenceStore::ValueIn(readPrefs_(), "prfStyle");
        busy_ = false;
        slurm_->Publish(std::move(claim_), std::move(heartbeat_), request, style);
        emit waiting();
        emit changed();
        return;
    }
    if (!session_->Start(err)) {
        ServerLog("Publish failed - " + dir + " - " + err);
        finishClaim();
        done(false);
        return;
    }
    if (claim_)
        StopPoint("publish");
}

void IncomingPublisher::publishEnded(PublishOutcome outcome)
{
    if (!busy_)
        return;
    if (gaveUp())
        return;
    if (outcome != PublishOutcome::Succeeded) {
        ServerLog("Publish failed - " + Tav_DirSlash(lecture.dir) + " - " + session_->Error());
        finishClaim();
        done(false);
        return;
    }
    if (saveStep(ClaimStep::Published))
        afterPublish();
}

void IncomingPublisher::afterPublish()
{
    lastPublishOk_ = true;
    const ClaimStep reached = claim_ ? claim_->journal.step : ClaimStep::Published;
    if (reached != ClaimStep::Indexed) {
        if (claim_)
            StopPoint("index");
        if (gaveUp())
            return;
        if (HoldBackInaccessible(claim_.get(), lecture.pubDir)) {
            lastPublishOk_ = false;
            heartbeat_.reset();
            claim_.reset();
            done(false);
            return;
        }
        WriteIndexPage();
        if (!saveStep(ClaimStep::Indexed))
            return;
    }
    if (claim_)
        StopPoint("finish");
    phase = "Complete - " + Tav_DirSlash(lecture.dir);
    Completed(lecture.pubDir, lecture.webURL);
    finishClaim();
    done(true);
}

void IncomingPublisher::Completed(const std::string& pubDir, const std::string& webURL)
{
    ServerLog(phase);
    ServerLogLink("Lecture URL at ", webURL);
    uploads_->Add(dirs.pubPrefix, pubDir);
}

void IncomingPublisher::returnLecture()
{
    LectureIntake intake(dirs.repository, [this](const std::string& text) { ServerLog(shown(text)); });
    intake.ReturnFailed(*claim_);
    heartbeat_.reset();
    claim_.reset();
    done(false);
}

void IncomingPublisher::done(bool ok)
{
    busy_ = false;
    emit waiting();
    emit changed();
    emit lectureDone(ok);
}

bool IncomingPublisher::CheckIncoming()
{
    if (busy_ || (slurm_ && slurm_->Full()))
        return false;
    uploads_->Resume(dirs.pubPrefix);  // what is still to be sent, a failed upload again
    phase = "Checking for incoming lectures";
    status = "Last Checked - " + now();
    emit checking();
    emit changed();
    if (FindReadyLecture()) {
        phase = "Producing Pellucor";
        ServerLog("Producing Pellucor - " + lecture.dir);
        PublishLecture();
        return true;
    }
    phase = "No incoming lectures found";
    emit waiting();
    emit changed();
    return false;
}

}  // namespace pellucor

#include "moc_IncomingPublisher.cpp"
