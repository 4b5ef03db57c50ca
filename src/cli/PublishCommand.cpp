// pellucor publish: publish a lecture unattended through a publish session
// (options and/or a settings file), run the batch scripts, wait for "All
// Done" and put each publication in place. Ctrl-C or SIGTERM cancels: the
// outputs stay as they were.
#include "cli/Commands.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "core/CommandLine.h"
#include "core/JobFence.h"
#include "core/PathVars.h"
#include "core/PreferenceStore.h"
#include "core/TavUtils.h"
#include "media/FfmpegMediaOpener.h"
#include "media/SlideTimesFromRecordings.h"
#include "publish/PublishSession.h"
#include "speech/SpeechCaptionMaker.h"

namespace pellucor {

namespace {
volatile std::sig_atomic_t g_signal = 0;
void onSignal(int signo) { g_signal = signo; }

// The request of a lecture directory as the detailed form fills it.
void fillRequest(PublishRequest& r, const std::string& lecDir, const PreferenceSnapshot& prefs)
{
    r.SetLectureDir(lecDir, prefs);
    r.TextName = LectureNameOf(lecDir);
    r.TextStyle = prefs.at("prfStyle");
    r.optCD = 1;
    r.optWeb = 0;
    r.chkStream = 0;
}

// The command's options beyond the lecture directory.
struct PublishOptions {
    const QCommandLineOption som {"som", "Settings file (*.som) of control=value lines, applied first.", "file"};
    const QCommandLineOption disk {"disk", "Publish for disk into DIR (default: the HD/CD output preference).", "dir"};
    const QCommandLineOption web {"web", "Publish for the web into DIR.", "dir"};
    const QCommandLineOption url {"url", "Ultimate web URL of the lecture (web publish).", "url"};
    const QCommandLineOption stream {"stream", "Streaming URL; turns streaming on.", "url"};
    const QCommandLineOption style {"style", "Style directory.", "dir"};
    const QCommandLineOption media {"media", "Media directory (default: the lecture directory).", "dir"};
    const QCommandLineOption name {"name", "Lecture name (default: the directory's last component).", "name"};
    const QCommandLineOption noRun {"no-autostart",
                                    "Write process.bat but do not run it; running it by hand puts the "
                                    "publication in place."};
    const QCommandLineOption replace {"replace",
                                      "Allow the removal of files in an output directory that no publication wrote."};
    const QCommandLineOption quiet {"quiet", "Print only the result."};
    const QCommandLineOption claim {"claim",
                                    "Run as a server's batch job: put the publication in place only while the "
                                    "server's claim DIR on the lecture still names this job ($SLURM_JOB_ID).",
                                    "dir"};
    const QCommandLineOption transcribe {"transcribe",
                                         "Make automatic captions (speech recognition) for the parts that have no "
                                         "captions before publishing (the preference does it for every publish)."};
    const QCommandLineOption describe {"describe",
                                       "Make audio descriptions from the slides for the parts that have none "
                                       "before publishing (the preference prfDescribe does it for every publish)."};
    const QCommandLineOption syncSlides {"sync-slides",
                                         "Find the slide times of the parts that have no events file from their "
                                         "recordings first, as sync-slides does, beside the slide text and the "
                                         "captions."};
    const QCommandLineOption video {"video",
                                    "Write the lecture as one video (lecture.mp4) into each publication once "
                                    "it is in place, offered for download on its pages."};
    const QCommandLineOption hls {"hls",
                                  "Write adaptive streaming (HLS: lower qualities, segments) beside each recording "
                                  "of the web publication (the default; the preference prfHls=No turns it off)."};
    const QCommandLineOption noHls {"no-hls", "Write no adaptive streaming into the web publication."};
    const QCommandLineOption courseRoot {"course-root",
                                         "The folder of the course page the lecture is listed on (above the "
                                         "output); its pages link back to it. Default: a course page found above.",
                                         "dir"};

    void AddTo(QCommandLineParser& parser) const
    {
        for (const auto* o : {&som, &disk, &web, &url, &stream, &style, &media, &name, &noRun, &replace, &quiet, &claim,
                              &transcribe, &describe, &syncSlides, &video, &hls, &noHls, &courseRoot})
            parser.addOption(*o);
    }
};

// The settings file's controls into the request; false when it cannot be read.
bool applySettingsFile(CommandLine& cl, const std::string& path, PublishRequest& r)
{
    SettingsFile file;
    if (!ReadSettingsFile(path, file)) {
        cl.error("unable to open " + path);
        return false;
    }
    for (const auto& line : file.badLines)
        cl.error("Bad " + path + " line - " + line);
    for (const auto& [control, value] : file.controls)
        r.Set(control, value);
    return true;
}

// The options given into the request, after the settings file's controls.
void applyOptions(const QCommandLineParser& parser, const PublishOptions& o, PublishRequest& r)
{
    if (parser.isSet(o.web)) {
        r.optWeb = 1;
        r.optCD = parser.isSet(o.disk) ? 1 : 0;
        r.TextWebDir = CommandLineDir(parser.value(o.web));
    }
    if (parser.isSet(o.disk)) {
        r.optCD = 1;
        r.TextCDDir = CommandLineDir(parser.value(o.disk));
    }
    if (parser.isSet(o.url)) {
        std::string u = parser.value(o.url).toStdString();
        if (!u.empty() && u.back() != '/')
            u += '/';
        r.TextWebURL = u;
    }
    if (parser.isSet(o.stream)) {
        r.chkStream = 1;
        r.TextStream = parser.value(o.stream).toStdString();
    }
    if (parser.isSet(o.style))
        r.TextStyle = CommandLineDir(parser.value(o.style));
    if (parser.isSet(o.media))
        r.TextMedia = CommandLineDir(parser.value(o.media));
    if (parser.isSet(o.name))
        r.TextName = parser.value(o.name).toStdString();
    if (parser.isSet(o.noRun))
        r.chkAutoStart = 0;
    r.replaceForeign = parser.isSet(o.replace);
    if (parser.isSet(o.video))
        r.chkVideo = r.chkWebVideo = 1;
    r.findSlideTimes = parser.isSet(o.syncSlides);
    if (parser.isSet(o.hls))
        r.chkHls = 1;
    if (parser.isSet(o.noHls))
        r.chkHls = 0;
    if (parser.isSet(o.courseRoot))
        r.courseRoot = CommandLineDir(parser.value(o.courseRoot));
    if (!r.optCD && !r.optWeb)
        r.optCD = 1;
}

// Prints the publish's status and percent as they come (raised on the
// publish's own thread while this one waits), each publication as soon as
// it is in place when the lecture as one video follows, then the video's
// own percent, and keeps the scripts left for the user to run.
void followPublish(PublishSession& session, ProgressPrinter& progress, ProgressPrinter& video, bool verbose,
                   std::vector<std::string>& scripts)
{
    const auto direct = Qt::DirectConnection;
    QObject::connect(
        &session, &PublishSession::publicationInPlace, &session,
        [&session, &progress](bool isDisk, const QString& output) {
            if (!(isDisk ? session.request.chkVideo : session.request.chkWebVideo))
                return;
            progress.Finish();
            std::cout << "In place for students: " << output.toStdString()
                      << "index.htm (the lecture as one video follows)" << std::endl;
        },
        direct);
    QObject::connect(
        &session, &PublishSession::videoProgressChanged, &session,
        [&video, verbose](int percent, const QString&) {
            if (verbose)
                video.Percent(percent);
        },
        direct);
    QObject::connect(
        &session, &PublishSession::statusChanged, &session,
        [&progress, verbose](const QString& text, uint) {
            if (verbose)
                progress.Status(text.toStdString());
        },
        direct);
    QObject::connect(
        &session, &PublishSession::progressChanged, &session,
        [&progress, verbose](int percent) {
            if (verbose)
                progress.Percent(percent);
        },
        direct);
    QObject::connect(
        &session, &PublishSession::targetPublished, &session,
        [&scripts](bool, const QString& command, bool started) {
            if (!started)
                scripts.push_back(command.toStdString());
        },
        direct);
}

// Waits for the publish, cancelling it on Ctrl-C or SIGTERM; the exit code.
int waitForPublish(CommandLine& cl, PublishSession& session, ProgressPrinter& progress, ProgressPrinter& video)
{
    bool cancelAsked = false;
    session.Wait([&] {
        if (g_signal && !cancelAsked) {
            cancelAsked = true;
            session.Cancel();
        }
    });
    progress.Finish();
    video.Finish();
    // A publication already in place when the signal came is reported as
    // what it is.
    const std::string cancelled = session.Error().empty() ? "Publish cancelled" : session.Error();
    if (g_signal && session.Result() != PublishOutcome::Succeeded) {
        cl.error(cancelled);
        return 128 + g_signal;
    }
    switch (session.Result()) {
    case PublishOutcome::Succeeded: return 0;
    case PublishOutcome::Cancelled: cl.error(cancelled); return 1;
    default: cl.error(session.Error()); return 1;
    }
}

// Where each publication went, or the scripts left to run.
void reportPublished(const PublishSession& session, const std::vector<std::string>& scripts)
{
    for (const auto& script : scripts)
        std::cout << "Complete (You must manually run: " << script << ")" << std::endl;
    if (!scripts.empty())
        return;
    if (session.request.optCD)
        std::cout << "Published for disk: " << session.DiskOutput() << "index.htm" << std::endl;
    if (session.request.optWeb)
        std::cout << "Published for the web: " << session.WebOutput() << "index.htm" << std::endl;
}
}  // namespace

int RunPublishCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "publish",
                   "Publish a lecture unattended: for disk (default) and/or the web, then run the merge script, wait "
                   "until it reports All Done and put the publication in place of the previous one.",
                   {{"lecture", "Lecture directory (slides, titles, events files and media)."}});
    QCommandLineParser& parser = cl.parser;
    const PublishOptions o;
    o.AddTo(parser);
    cl.process();
    int rc = 0;
    const std::string lecDir = cl.lectureDir(rc);
    if (lecDir.empty())
        return rc;
    Tav_SetUnattended(true);
    PreferenceSnapshot prefs = PreferenceStore().Read();
    if (parser.isSet(o.transcribe))
        prefs["prfTranscribe"] = "Yes";
    if (parser.isSet(o.describe))
        prefs["prfDescribe"] = "Yes";
    PublishSession session;
    session.openerFactory = FfmpegOpeners();
    session.captionMakerFactory = SpeechCaptionMaker::FromPreferences;
    session.slideTimesFactory = [] { return std::make_unique<SlideTimesFromRecordings>(); };
    session.preferences = [&prefs] { return prefs; };
    // Nobody watches a status line here: the log is read more often than
    // the window's once a second (still two successive readings).
    session.logIntervalMs = 200;
    PublishRequest& r = session.request;
    fillRequest(r, lecDir, prefs);
    if (parser.isSet(o.som) && !applySettingsFile(cl, parser.value(o.som).toStdString(), r))
        return 1;
    applyOptions(parser, o, r);

    ProgressPrinter progress = cl.progress();
    ProgressPrinter video = cl.progress("The lecture as one video");
    std::vector<std::string> scripts;  // left for the user to run
    followPublish(session, progress, video, !parser.isSet(o.quiet), scripts);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    // A signal that came while the publication was being checked keeps it
    // out of place, and so does a server that no longer wants this job's.
    const std::string claimDir = parser.isSet(o.claim) ? CommandLinePath(parser.value(o.claim)) : std::string();
    const char* const jobEnv = std::getenv("SLURM_JOB_ID");
    const std::string job = jobEnv ? jobEnv : "";
    if (!claimDir.empty() && job.empty()) {
        cl.error("--claim is given to a batch job only (no SLURM_JOB_ID)");
        return 2;
    }
    session.mayInstall = [&claimDir, &job](std::string& why) {
        if (g_signal) {
            why = "Publish cancelled";
            return false;
        }
        return claimDir.empty() || ClaimStillNamesJob(claimDir, job, why);
    };
    std::string msg;
    if (!session.Start(msg)) {
        progress.Finish();
        cl.error(msg);
        return 1;
    }
    if (const int code = waitForPublish(cl, session, progress, video))
        return code;
    reportPublished(session, scripts);
    return 0;
}

}  // namespace pellucor
