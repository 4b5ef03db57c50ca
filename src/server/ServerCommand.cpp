// pellucor server: watches the incoming directory and publishes every
// lecture marked ready, unattended, until SIGTERM or SIGINT.
#include "server/ServerCommand.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <iostream>

#include "core/CommandLine.h"
#include "core/PreferenceStore.h"
#include "core/ProgressPrinter.h"
#include "core/TavUtils.h"
#include "media/FfmpegMediaOpener.h"
#include "publish/PublishSession.h"
#include "server/IncomingPublisher.h"
#include "server/PublicationUploads.h"

namespace pellucor {

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }

// The command's options.
struct ServerOptions {
    const QCommandLineOption incoming {"incoming", "Incoming directory to watch.", "dir"};
    const QCommandLineOption repository {"repository", "Repository that receives the lectures.", "dir"};
    const QCommandLineOption publish {"publish", "Root of the web publish directories.", "dir"};
    const QCommandLineOption log {"log", "HTML log file.", "file"};
    const QCommandLineOption url {"url", "Root web URL of the publish directories.", "url"};
    const QCommandLineOption stream {"stream", "Root streaming URL (empty: no streaming server).", "url"};
    const QCommandLineOption interval {"interval", "Seconds between checks (default 10).", "seconds", "10"};
    const QCommandLineOption settle {"settle",
                                     "Seconds a ready lecture must stay unchanged (file sizes and times) before it is "
                                     "taken (default: two check intervals).",
                                     "seconds"};
    const QCommandLineOption stale {
        "stale",
        "Seconds without progress after which another host's claim on a lecture is taken over (default 600). Claims "
        "of this host are taken over once their process is gone.",
        "seconds", "600"};
    const QCommandLineOption once {"once", "Check once, publish what is ready, and exit."};
    const QCommandLineOption dispatch {"dispatch",
                                       "Where each lecture is published: local (in this process, the default) or "
                                       "slurm (as a batch job on the cluster SLURM_CONF names; this program and the "
                                       "directories must be at the same paths on every node).",
                                       "local|slurm"};
    const QCommandLineOption partition {"slurm-partition", "Partition of the jobs (default: the cluster's).", "name"};
    const QCommandLineOption account {"slurm-account", "Account the jobs are charged to.", "name"};
    const QCommandLineOption cpus {"slurm-cpus", "CPUs per job.", "n"};
    const QCommandLineOption mem {"slurm-mem", "Memory per job, as sbatch --mem takes it (4G).", "size"};
    const QCommandLineOption time {"slurm-time", "Time limit per job, as sbatch --time takes it (2:00:00).", "time"};
    const QCommandLineOption maxJobs {"slurm-max-jobs", "Jobs submitted at once (default 4).", "n"};
    const QCommandLineOption upload {"upload",
                                     "Send each published lecture on to this host, in a folder of the lecture's "
                                     "name: ftp://, sftp://, https:// (WebDAV) or s3://BUCKET/PREFIX (default: the "
                                     "server preference; the password from $PELLUCOR_FTP_PASSWORD or the keyring, "
                                     "S3's keys from the environment or ~/.aws/credentials).",
                                     "host"};
    const QCommandLineOption uploadAccount {"upload-account", "Account on the upload host.", "user"};
    const QCommandLineOption endpoint {"endpoint", "S3: the address serving the bucket, https://HOST[:PORT].", "url"};
    const QCommandLineOption cancelJobs {"cancel-jobs-on-stop",
                                         "SIGTERM cancels the running jobs (they are submitted again at the next "
                                         "start); without it they are left to finish and followed at the next start."};

    void AddTo(QCommandLineParser& parser) const
    {
        for (const auto* o : {&incoming, &repository, &publish, &log,      &url,           &stream,   &interval,
                              &settle,   &stale,      &once,    &dispatch, &partition,     &account,  &cpus,
                              &mem,      &time,       &maxJobs, &upload,   &uploadAccount, &endpoint, &cancelJobs})
            parser.addOption(*o);
    }

    // The stored server preferences with the options given over them (for
    // this run only).
    PreferenceSnapshot Preferences(const QCommandLineParser& parser) const
    {
        PreferenceSnapshot prefs = PreferenceStore().Read();
        const std::pair<const QCommandLineOption*, const char*> overrides[] = {
            {&incoming, "prfsrvIncoming"},
            {&repository, "prfsrvRepository"},
            {&publish, "prfsrvPubDir"},
            {&log, "prfsrvLogFile"},
            {&url, "prfsrvWebURL"},
            {&stream, "prfsrvStreamURL"},
            {&dispatch, "prfsrvDispatch"},
            {&partition, "prfsrvSlurmPartition"},
            {&account, "prfsrvSlurmAccount"},
            {&cpus, "prfsrvSlurmCpus"},
            {&mem, "prfsrvSlurmMem"},
            {&time, "prfsrvSlurmTime"},
            {&maxJobs, "prfsrvSlurmMaxJobs"},
            {&upload, "prfsrvUploadHost"},
            {&uploadAccount, "prfsrvUploadAccount"},
            {&endpoint, "prfS3Endpoint"},
        };
        for (const auto& [option, key] : overrides) {
            if (!parser.isSet(*option))
                continue;
            const bool isPath = option == &incoming || option == &repository || option == &publish || option == &log;
            prefs[key] = isPath ? CommandLinePath(parser.value(*option)) : parser.value(*option).toStdString();
        }
        if (parser.isSet(cancelJobs))
            prefs["prfsrvCancelJobsOnStop"] = "Yes";
        return prefs;
    }
};

// What the server prints for its log: each phase and status as it changes,
// and the percent of each publish as plain lines (printed on the publish's
// own thread).
class ServerPrinter {
public:
    explicit ServerPrinter(IncomingPublisher& server) : server_(server)
    {
        QObject::connect(&server, &IncomingPublisher::changed, [this] { changed(); });
        PublishSession& session = server.Session();
        QObject::connect(
            &session, &PublishSession::runningChanged, &session,
            [this](bool running) {
                if (!running)
                    progress_.Restart();  // the next lecture's figures start afresh
            },
            Qt::DirectConnection);
        QObject::connect(
            &session, &PublishSession::progressChanged, &session, [this](int percent) { progress_.Percent(percent); },
            Qt::DirectConnection);
    }

private:
    void changed()
    {
        if (server_.phase != lastPhase_)
            std::cout << server_.phase << std::endl;
        if (server_.status != lastStatus_ && !StartsWith(server_.status, "Last Checked"))
            std::cout << "  " << server_.status << std::endl;
        lastPhase_ = server_.phase;
        lastStatus_ = server_.status;
    }

    IncomingPublisher& server_;
    ProgressPrinter progress_ {std::cout, false};
    std::string lastPhase_, lastStatus_;
};

// --once: every lecture that is ready is published, one after another; a
// lecture still settling is waited for, then taken; a lecture that was
// found but not published is a failure of the run (the others are still
// published).
int runOnce(CommandLine& cl, IncomingPublisher& server)
{
    QCoreApplication& app = cl.app();
    bool failed = false;
    server.Uploads().retryFailed = false;
    std::function<void()> attempt;
    QObject::connect(&server, &IncomingPublisher::lectureDone, &app, [&](bool ok) {
        if (!ok) {
            cl.error("the lecture " + server.lecture.dir + " could not be published");
            failed = true;
        }
        QTimer::singleShot(0, &app, attempt);  // the next one that is ready
    });
    attempt = [&] {
        if (server.CheckIncoming()) {
            if (!server.Busy())
                QTimer::singleShot(0, &app, attempt);  // handed to a batch job: the next at once
            return;                                    // else lectureDone goes on
        }
        if (server.WaitingForSettle()) {
            QTimer::singleShot(std::max<long>(200, server.settleTime.count() / 4), &app, attempt);
        } else if (server.MoveFailed()) {
            cl.error("a lecture could not be moved into the repository");
            app.exit(1);
        } else if (!server.Uploads().Running()) {
            app.exit(failed ? 1 : 0);
        }  // else the upload's end goes on
    };
    QObject::connect(&server.Uploads(), &PublicationUploads::uploaded, &app, [&](bool ok) {
        if (!ok) {
            cl.error("a lecture could not be uploaded");
            failed = true;
        }
        QTimer::singleShot(0, &app, attempt);
    });
    QTimer::singleShot(0, &app, attempt);
    return app.exec();
}

// Checks every seconds until SIGTERM or SIGINT; a lecture being published
// is finished first.
int runUntilStopped(CommandLine& cl, IncomingPublisher& server, int seconds)
{
    QCoreApplication& app = cl.app();
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, [&] {
        if (g_stop && !server.Busy() && !server.Uploads().Running())
            app.quit();
    });
    stopWatch.start(200);

    // After a lecture the next check follows at once (others may be
    // waiting), else after the interval.
    QTimer scan;
    scan.setSingleShot(true);
    QObject::connect(&scan, &QTimer::timeout, [&] {
        if (g_stop)
            return;
        if (!server.CheckIncoming())
            scan.start(seconds * 1000);
        else if (!server.Busy())
            scan.start(0);  // handed to a batch job: the next may be taken at once
    });
    QObject::connect(&server, &IncomingPublisher::lectureDone, &app, [&] {
        if (!g_stop)
            scan.start(0);
    });
    scan.start(0);
    const int rc = app.exec();
    server.StopJobs();
    server.WriteLogLine("Server stopped");
    std::cout << "pellucor server: stopped" << std::endl;
    return rc;
}
}  // namespace

int RunServerCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "server",
                   "Watch the incoming directory and publish, for the web, every lecture directory named x-NAME that "
                   "appears in it. Settings default to the stored server preferences. Stops cleanly on SIGTERM or "
                   "SIGINT (a lecture being published or uploaded is finished first).");
    QCommandLineParser& parser = cl.parser;
    const ServerOptions o;
    o.AddTo(parser);
    cl.process();

    Tav_SetUnattended(true);
    const PreferenceSnapshot prefs = o.Preferences(parser);
    IncomingPublisher server([&prefs] { return prefs; });
    server.Session().openerFactory = FfmpegOpeners();
    const int seconds = std::max(1, parser.value(o.interval).toInt());
    server.settleTime = std::chrono::milliseconds(
        parser.isSet(o.settle) ? static_cast<long>(std::max(0.0, parser.value(o.settle).toDouble()) * 1000)
                               : 2000L * seconds);
    server.staleSeconds = std::max(1, parser.value(o.stale).toInt());
    const std::string where = Lower(Trim(PreferenceStore::ValueIn(prefs, "prfsrvDispatch")));
    if (!where.empty() && where != "local" && where != "slurm") {
        cl.error("--dispatch takes local or slurm, not " + where);
        return 2;
    }
    server.Load();
    if (!Tav_ChkDir(server.dirs.incoming)) {
        cl.error("incoming directory " + server.dirs.incoming + " does not exist");
        return 1;
    }
    const ServerPrinter printer(server);
    std::cout << "pellucor server: watching " << server.dirs.incoming << std::endl;
    return parser.isSet(o.once) ? runOnce(cl, server) : runUntilStopped(cl, server, seconds);
}

}  // namespace pellucor
