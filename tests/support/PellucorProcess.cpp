#include "PellucorProcess.h"

#include <QProcess>

namespace pellucor::testing_support {

QProcessEnvironment programEnvironment(const std::string& home, const QStringList& extra)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(home + "config"));
    env.insert("PELLUCOR_STATE_DIR", QString::fromStdString(home + "state"));
    env.insert("XDG_DATA_HOME", QString::fromStdString(home + "data"));
    for (const QString& setting : extra)
        env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    return env;
}

ProcessOutcome runProgram(const QString& program, const QStringList& args, const std::string& home,
                          const QStringList& prefix, int timeoutMs)
{
    QProcess p;
    p.setProcessEnvironment(programEnvironment(home));
    if (prefix.isEmpty())
        p.start(program, args);
    else
        p.start(prefix.front(), prefix.mid(1) + QStringList {program} + args);
    ProcessOutcome r;
    if (!p.waitForStarted(10000))
        return r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished(5000);
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

std::string describe(const ProcessOutcome& r)
{
    return "exit " + std::to_string(r.code) + "\nstdout:\n" + r.out + "\nstderr:\n" + r.err;
}

}  // namespace pellucor::testing_support
