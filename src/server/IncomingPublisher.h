// The server edition's engine: watches an incoming directory, moves every
// lecture marked ready ("x-" + name) into the repository, publishes it for
// the web through a publish session of its own, writes an index page and
// keeps an HTML log. A publish runs on the session's thread; the engine
// goes on when it ends (lectureDone). The `pellucor server` command runs it
// alone; the server window (LectureWatcher) shows it and sets it.
// Several servers (on one machine or on several sharing the directories
// over a network file system) may watch one tree: each lecture is claimed
// by one rename first, and a journal beside the claim lets a server started
// after a crash finish it exactly once.
#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "core/PreferenceStore.h"
#include "publish/PublishProgress.h"
#include "server/SettleTracker.h"
#include "server/SlurmCluster.h"

namespace pellucor {

class ClaimHeartbeat;
class LectureClaim;
class PublicationUploads;
class PublishSession;
class SlurmDispatch;
struct IncomingEntry;
enum class ClaimStep;

// Where the server takes lectures from and puts them (the prfsrv* settings).
struct ServerDirs {
    std::string incoming, repository, logFile, pubPrefix, webPrefix, streamPrefix;
};

// The directories as the preferences hold them (prfsrvIncoming, ...), and
// back.
ServerDirs ServerDirsIn(const PreferenceSnapshot& prefs);
PreferenceSnapshot ServerDirsPreferences(const ServerDirs& dirs);

// The lecture in hand and where its publication goes.
struct ServerLecture {
    std::string dir, name, relPath, pubDir, webURL, streamURL;
};

class IncomingPublisher : public QObject {
    Q_OBJECT
public:
    // readPrefs: the preferences as they are now (the server's settings and
    // what a publish reads).
    explicit IncomingPublisher(std::function<PreferenceSnapshot()> readPrefs, QObject* parent = nullptr);
    ~IncomingPublisher() override;

    // The session that publishes each lecture (its media component is set
    // by whoever runs the server).
    PublishSession& Session() { return *session_; }

    ServerDirs dirs;
    ServerLecture lecture;
    // What the server is doing and its last word, as the window shows them.
    std::string phase, status;
    // A lecture is taken once its tree has not changed for this long
    // (default: two check intervals).
    std::chrono::milliseconds settleTime {20000};
    // A claim of another host without progress for this long is taken over.
    int staleSeconds = 600;

    // Hands each lecture's publish to a Slurm batch job running program (this
    // executable, at the same path on every node) instead of publishing it
    // here; the engine stays the intake. A lecture handed over ends the
    // check at once (Busy() stays false): the next may be taken while jobs
    // run, up to options.maxJobs; lectureDone tells each lecture's end.
    void DispatchToSlurm(const SlurmOptions& options, const std::string& program);
    bool Dispatching() const { return slurm_ != nullptr; }
    int JobsRunning() const;
    // At the end of the run: the jobs are left running (or cancelled, as
    // the options say).
    void StopJobs();

    // Reads the directories and the dispatch from the preferences and logs
    // that the server starts.
    void Load();

    // Logs plain text (escaped for the HTML log), shows it and tells the user.
    void ServerLog(const std::string& text);
    // Logs text followed by a link to url.
    void ServerLogLink(const std::string& text, const std::string& url);
    // Appends one line of HTML to the log file.
    void WriteLogLine(const std::string& html);
    static std::string MakeLink(const std::string& url);
    // The date and time as the log writes them.
    std::string Now() const;

    // Looks for a ready lecture and takes it: true when one was found. Its
    // publish may go on after the call returns (Busy()); lectureDone tells
    // its end. While busy, a check does nothing.
    bool CheckIncoming();
    bool FindReadyLecture();
    void PublishLecture();
    bool Busy() const { return busy_; }
    // Brings the course page at the root of the publish directories up to
    // date (every lecture published there, and a search over them all).
    bool WriteIndexPage();
    // Logs how accessible the publication in pubDir is; when it fails AA
    // and prfsrvHoldInaccessible is "Yes", removes it and returns the
    // claimed lecture as "e-" + name with the report: true when it did.
    bool HoldBackInaccessible(LectureClaim* claim, const std::string& pubDir);
    // Sets the lecture's directory and derives where it is published.
    void SetDir(const std::string& dir);
    // The uploads of what was published to the host the settings name.
    PublicationUploads& Uploads() { return *uploads_; }
    // A lecture's publication in pubDir is complete: logged, and sent on to
    // the upload host when there is one.
    void Completed(const std::string& pubDir, const std::string& webURL);

    // Set when the last PublishLecture published successfully.
    bool LastPublishOk() const { return lastPublishOk_; }
    // True when the last check took a lecture that could not be moved into
    // the repository (it went back where it was; the reason was logged).
    bool MoveFailed() const { return moveFailed_; }
    // True when the last check saw a ready lecture that is still changing.
    bool WaitingForSettle() const { return waitingForSettle_; }

signals:
    void changed();
    // A check begins.
    void checking();
    // Nothing is in hand: the next check may come.
    void waiting();
    // The lecture taken by the last check is done with: published (true) or not.
    void lectureDone(bool ok);

private:
    std::string now() const { return Now(); }
    // A lecture whose batch job failed, found again at the next start.
    void returnLecture();
    // Moves a lecture just claimed into the repository; true (and it is the
    // current claim) when it is there.
    bool takeClaimed(std::unique_ptr<LectureClaim>& claim);
    bool considerReady(const IncomingEntry& entry);
    // Why no publish can ever be made of a lecture of this name in the
    // repository and publish directories, or "".
    std::string nameTooLong(const std::string& name) const;
    // Logs text for key unless the same text was logged for it already.
    void reportOnce(const std::string& key, const std::string& text);
    // Records the step reached; false (and the lecture given up) when the
    // claim was taken over.
    bool saveStep(ClaimStep step);
    // When another server took the claim over: logs that this one gives the
    // lecture up, ends it and returns true.
    bool gaveUp();
    void finishClaim();
    void publishEnded(PublishOutcome outcome);
    void afterPublish();
    void done(bool ok);

    std::function<PreferenceSnapshot()> readPrefs_;
    std::unique_ptr<PublishSession> session_;
    std::unique_ptr<PublicationUploads> uploads_;
    std::unique_ptr<SlurmDispatch> slurm_;
    std::unique_ptr<ClaimHeartbeat> heartbeat_;  // keeps the current claim fresh
    bool busy_ = false;
    bool logOff_ = false;
    bool lastPublishOk_ = false;
    bool waitingForSettle_ = false;
    bool moveFailed_ = false;
    std::unique_ptr<LectureClaim> claim_;  // the lecture being published, when claimed
    SettleTracker settle_;
    std::map<std::string, std::string> reported_;  // entry -> what was logged about it
    std::set<std::string> failed_;                 // ready entries that could not be moved
    std::set<std::string> seen_;                   // entries of the current check
};

}  // namespace pellucor
