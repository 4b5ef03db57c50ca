// pellucor automation: serves the automation class on the D-Bus session bus
// until a client releases it or the bus goes away.
#include "cli/Commands.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>

#include <iostream>

#include "app/AppContext.h"
#include "app/AutomationExport.h"
#include "core/CommandLine.h"
#include "media/FfmpegMediaOpener.h"

namespace pellucor {

int RunAutomationCommand(int argc, char** argv)
{
    CommandLine cl(
        argc, argv, "automation",
        QString("Serve the automation interface on the D-Bus session bus as %1, object %2, until a client calls "
                "Class_Terminate (or Release).")
            .arg(PellucorService::kService, PellucorService::kPath));
    cl.process();

    AppContext context(QString(), FfmpegOpeners());
    context.Start(true);
    AutomationExport service(&context);
    QString err;
    if (!service.Register(err)) {
        cl.error(err.toStdString());
        return 1;
    }
    std::cout << "pellucor automation: serving " << PellucorService::kService << " " << PellucorService::kPath
              << std::endl;
    // Without its bus nobody can reach or release the service: it ends
    // (a batch script already started runs on by itself).
    QTimer busWatch;
    QObject::connect(&busWatch, &QTimer::timeout, &cl.app(), [] {
        if (!QDBusConnection::sessionBus().isConnected()) {
            std::cerr << "pellucor automation: the session bus is gone; ending" << std::endl;
            QCoreApplication::exit(1);
        }
    });
    busWatch.start(1000);
    return QCoreApplication::exec();
}

}  // namespace pellucor
