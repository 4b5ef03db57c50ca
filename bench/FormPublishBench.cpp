// Publishes one lecture through the detailed-form model on a running Qt
// event loop, as the window does, and reports how long the loop was ever
// kept from running (the longest gap between the ticks of a 20 ms timer)
// and the time of the whole publish. For that gap it also tells how much
// of it the GUI thread spent running (work on the GUI thread), waiting for
// a core (the machine was busy) and blocked (waiting on a lock or a file),
// and the longest the GUI thread itself ran between two ticks: the work it
// was given, whatever the machine's load.
//   form_publish_bench LECTURE_DIR OUT_DIR STYLE_DIR
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>

#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "core/Messages.h"
#include "core/TavUtils.h"
#include "media/FfmpegMediaOpener.h"
#include "publish/PublishSession.h"

using namespace pellucor;

namespace {
// How long this thread has run and has waited for a core, in milliseconds.
struct SchedTimes {
    double runMs = 0, waitMs = 0;
};
SchedTimes threadSchedTimes()
{
    std::ifstream in("/proc/thread-self/schedstat");
    double runNs = 0, waitNs = 0;
    in >> runNs >> waitNs;
    return {runNs / 1e6, waitNs / 1e6};
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: form_publish_bench LECTURE_DIR OUT_DIR STYLE_DIR\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    Tav_SetUnattended(true);
    QTemporaryDir config;
    Preferences prefs(config.filePath("prefs.ini"));
    prefs.load();
    PublishSession session;
    session.openerFactory = FfmpegOpeners();
    PublishForm form(&prefs, &session);
    form.load();
    form.TextMedia = form.TextPP = Tav_DirSlash(argv[1]);
    form.TextName = "talk";
    form.TextCDDir = Tav_DirSlash(argv[2]);
    form.TextStyle = Tav_DirSlash(argv[3]);
    form.optCD = 1;
    form.optWeb = 0;

    QElapsedTimer clock;
    qint64 last = -1, longestGap = 0, ticks = 0;
    SchedTimes lastSched, gapSched;  // the GUI thread's, in the longest gap
    double longestRun = 0;           // the GUI thread's longest run between two ticks
    std::string runStatus;
    std::string gapStatus;  // the status line when the longest gap ended
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const SchedTimes sched = threadSchedTimes();
        if (last >= 0 && now - last > longestGap) {
            longestGap = now - last;
            gapSched = {sched.runMs - lastSched.runMs, sched.waitMs - lastSched.waitMs};
            gapStatus = form.statusLine;
        }
        if (last >= 0 && sched.runMs - lastSched.runMs > longestRun) {
            longestRun = sched.runMs - lastSched.runMs;
            runStatus = form.statusLine;
        }
        last = now;
        lastSched = sched;
        ++ticks;
    });
    bool ok = false;
    qint64 took = 0;
    QObject::connect(&form, &PublishForm::publishFinished, [&](bool done) {
        ok = done;
        took = clock.elapsed();
        app.quit();
    });
    QTimer::singleShot(0, [&] {
        std::string msg;
        if (!form.DoStart(msg)) {
            std::fprintf(stderr, "publish failed: %s\n", msg.c_str());
            app.exit(1);
        }
    });
    clock.start();
    tick.start(20);
    const int rc = app.exec();
    if (rc != 0 || !ok) {
        std::fprintf(stderr, "publish failed: %s\n", form.statusLine.c_str());
        return 1;
    }
    rusage use {};
    getrusage(RUSAGE_SELF, &use);
    const double cpu = static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec)
        + static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
    std::printf("longest gap between 20 ms ticks: %lld ms (%lld ticks; status then: %s)\n",
                static_cast<long long>(longestGap), static_cast<long long>(ticks), gapStatus.c_str());
    std::printf("GUI thread in that gap: running %.0f ms, waiting for a core %.0f ms, blocked or idle %.0f ms\n",
                gapSched.runMs, gapSched.waitMs,
                std::max(0.0, static_cast<double>(longestGap) - gapSched.runMs - gapSched.waitMs));
    std::printf("longest the GUI thread ran between two ticks: %.0f ms (status then: %s)\n", longestRun,
                runStatus.c_str());
    std::printf("GUI thread's whole running time: %.0f ms\n", lastSched.runMs);
    std::printf("publish: %.2f s\n", static_cast<double>(took) / 1000.0);
    std::printf("publish cpu: %.2f s\n", cpu);
    return 0;
}
