// "pellucor" run as a process the way a user runs it: a lecture directory,
// an output directory and the user's stored preferences in a temporary
// home, and the checks every refused publish shares.
#pragma once

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "PellucorProcess.h"
#include "SampleCopy.h"
#include "TestSupport.h"

namespace pellucor {

using Outcome = testing_support::ProcessOutcome;
using testing_support::describe;

class PublishRun : public ::testing::Test {
protected:
    testing_support::TempDir root;
    std::string lecture = root.dir() + "talk/", out = root.dir() + "out/";

    void SetUp() override
    {
        std::filesystem::create_directories(lecture);
        std::filesystem::create_directories(root.dir() + "config/Pellucor2.0");
    }

    // The stored preferences of the publishing user ("key=value" lines).
    void preferences(const std::string& lines)
    {
        testing_support::writeFile(root.dir() + "config/Pellucor2.0/Pellucor2.0.ini", "[Pref]\n" + lines);
    }

    Outcome run(const QStringList& args, const QStringList& prefix = {})
    {
        return testing_support::runProgram(PELLUCOR_EXE, args, root.dir(), prefix);
    }
    Outcome publish(const QStringList& extra = {}, const QStringList& prefix = {})
    {
        return run(QStringList {"publish", QString::fromStdString(lecture), "--disk", QString::fromStdString(out)}
                       + extra,
                   prefix);
    }
    Outcome slideInfo(const std::string& dir) { return run({"slide-info", QString::fromStdString(dir)}); }

    // The command stopped with Ctrl-C (SIGINT) once its output says
    // underWay: its exit code and what it printed; finished is false when
    // it did not end within finishMs.
    Outcome interrupted(const QStringList& args, const std::string& underWay, int finishMs)
    {
        QProcess p;
        p.setProcessEnvironment(testing_support::programEnvironment(root.dir()));
        p.start(PELLUCOR_EXE, args);
        Outcome r;
        if (!p.waitForStarted())
            return r;
        while (!testing_support::holds(r.out, underWay) && p.waitForReadyRead(30000))
            r.out += p.readAllStandardOutput().toStdString();
        ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        r.finished = p.waitForFinished(finishMs);
        r.code = r.finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out += p.readAllStandardOutput().toStdString();
        r.err = p.readAllStandardError().toStdString();
        return r;
    }

    // Each of parts is in text.
    static void expectHolds(const Outcome& r, const std::string& text, std::initializer_list<std::string> parts)
    {
        for (const auto& part : parts)
            EXPECT_TRUE(testing_support::holds(text, part)) << "no \"" << part << "\" in\n" << describe(r);
    }

    // A publish that failed: a non-zero exit, each of told on standard
    // error, no success reported and nothing published.
    void expectRefused(const Outcome& r, std::initializer_list<std::string> told)
    {
        EXPECT_NE(r.code, 0) << describe(r);
        expectHolds(r, r.err, told);
        EXPECT_FALSE(testing_support::holds(r.out, "Published for disk")) << describe(r);
        EXPECT_FALSE(std::filesystem::exists(out + "index.htm"));  // nothing published
    }
};

}  // namespace pellucor
