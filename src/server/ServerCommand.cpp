// pellucor server: watches the incoming directory and publishes every
// lecture marked ready, unattended, until SIGTERM or SIGINT.
#include "server/ServerCommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iostream>

#include "app/AppContext.h"
#include "app/Commands.h"
#include "app/ProgressPrinter.h"
#include "app/PublishForm.h"
#include "app/Preferences.h"
#include "core/TavUtils.h"
#include "server/LectureWatcher.h"

namespace pellucor {

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }
}  // namespace

int RunServerCommand(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Watch the incoming directory and publish, for the web, every lecture directory named x-NAME that "
        "appears in it. Settings default to the stored server preferences. Stops cleanly on SIGTERM or SIGINT "
        "(a lecture being published is finished first).");
    parser.addHelpOption();
    const QCommandLineOption incoming("incoming", "Incoming directory to watch.", "dir");
    const QCommandLineOption repository("repository", "Repository that receives the lectures.", "dir");
    const QCommandLineOption publish("publish", "Root of the web publish directories.", "dir");
    const QCommandLineOption log("log", "HTML log file.", "file");
    const QCommandLineOption url("url", "Root web URL of the publish directories.", "url");
    const QCommandLineOption stream("stream", "Root streaming URL (empty: no streaming server).", "url");
    const QCommandLineOption interval("interval", "Seconds between checks (default 10).", "seconds", "10");
    const QCommandLineOption settle("settle",
                                    "Seconds a ready lecture must stay unchanged (file sizes and times) before it is "
                                    "taken (default: two check intervals).",
                                    "seconds");
    const QCommandLineOption stale("stale",
                                   "Seconds without progress after which another host's claim on a lecture is taken "
                                   "over (default 600). Claims of this host are taken over once their process is gone.",
                                   "seconds", "600");
    const QCommandLineOption once("once", "Check once, publish what is ready, and exit.");
    for (const auto& o : {incoming, repository, publish, log, url, stream, interval, settle, stale, once})
        parser.addOption(o);
    parser.process(app);

    Tav_SetUnattended(true);
    AppContext context;
    context.Start(false);
    // Options override the stored server preferences for this run only.
    Preferences& prefs = context.prefs();
    const std::pair<const QCommandLineOption*, const char*> overrides[] = {
        {&incoming, "prfsrvIncoming"}, {&repository, "prfsrvRepository"}, {&publish, "prfsrvPubDir"},
        {&log, "prfsrvLogFile"},       {&url, "prfsrvWebURL"},            {&stream, "prfsrvStreamURL"},
    };
    for (const auto& [option, key] : overrides) {
        if (!parser.isSet(*option))
            continue;
        const bool isPath = option != &url && option != &stream;
        prefs.Set(key, isPath ? CommandLinePath(parser.value(*option)) : parser.value(*option).toStdString());
    }
    LectureWatcher server(&prefs, &context.publishForm(), &context.mainWindow());
    const int seconds = std::max(1, parser.value(interval).toInt());
    server.settleTime = std::chrono::milliseconds(
        parser.isSet(settle) ? static_cast<long>(std::max(0.0, parser.value(settle).toDouble()) * 1000) : 2000L * seconds);
    server.staleSeconds = std::max(1, parser.value(stale).toInt());
    server.Form_Load();
    if (!Tav_ChkDir(server.txtIncoming)) {
        std::cerr << "pellucor server: incoming directory " << server.txtIncoming << " does not exist\n";
        return 1;
    }

    std::string lastPhase, lastStatus;
    QObject::connect(&server, &LectureWatcher::changed, [&] {
        if (server.lblPhase != lastPhase)
            std::cout << server.lblPhase << std::endl;
        if (server.lblStatus != lastStatus && !Tav_StartsWith(server.lblStatus, "Last Checked"))
            std::cout << "  " << server.lblStatus << std::endl;
        lastPhase = server.lblPhase;
        lastStatus = server.lblStatus;
    });

    // The percent of each publish, as plain lines for the log.
    ProgressPrinter progress(std::cout, false);
    PublishForm& form = context.publishForm();
    QObject::connect(&form, &PublishForm::publishingChanged, [&](bool running) {
        if (!running)
            progress.Restart();  // the next lecture's figures start afresh
    });
    QObject::connect(&form, &PublishForm::progressChanged, [&](int percent) { progress.Percent(percent); });

    std::cout << "pellucor server: watching " << server.txtIncoming << std::endl;
    if (parser.isSet(once)) {
        // A lecture still settling is waited for, then taken.
        bool found = false;
        while (!(found = server.CheckIncoming()) && server.WaitingForSettle())
            QThread::msleep(static_cast<unsigned long>(std::max<long>(200, server.settleTime.count() / 4)));
        // A lecture that was found but not published is a failure of the run.
        if (found && !server.LastPublishOk()) {
            std::cerr << "pellucor server: the lecture " << server.txtDir << " could not be published\n";
            return 1;
        }
        return 0;
    }

    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, [&] {
        if (g_stop)
            app.quit();
    });
    stopWatch.start(200);

    server.chkAuto = 1;
    server.chkAuto_Click();
    server.scanTimer.setInterval(0);  // the first check at once
    QObject::disconnect(&server.scanTimer, nullptr, &server, nullptr);
    // After a lecture the next check follows at once: others may be waiting.
    QObject::connect(&server.scanTimer, &QTimer::timeout, [&] {
        server.scanTimer.setInterval(server.CheckIncoming() && !g_stop ? 0 : seconds * 1000);
    });
    const int rc = app.exec();
    server.WriteLogLine("Server stopped");
    std::cout << "pellucor server: stopped" << std::endl;
    return rc;
}

}  // namespace pellucor
