// Runs the pellucor program the way a user does, as a process of its own,
// with its stored preferences (XDG_CONFIG_HOME) and its state kept in a
// directory of the test.
#pragma once

#include <QProcessEnvironment>
#include <QStringList>

#include <string>

namespace pellucor::testing_support {

struct ProcessOutcome {
    int code = -1;  // the exit code; -1 when it did not exit normally
    std::string out, err;
    bool finished = false;  // ended within the time allowed (else killed)
};

// The test's environment with the preferences read from home + "config/",
// the state written to home + "state/", the data (such as the speech
// models folder) under home + "data/" and the extra "NAME=value" settings.
QProcessEnvironment programEnvironment(const std::string& home, const QStringList& extra = {});

// Runs program with args; with a prefix, runs prefix[0] with prefix[1..],
// the program and args (a wrapper such as setpriv), in programEnvironment(home).
ProcessOutcome runProgram(const QString& program, const QStringList& args, const std::string& home,
                          const QStringList& prefix = {}, int timeoutMs = 120000);

// The exit code and both outputs, for a failure message.
std::string describe(const ProcessOutcome& r);

}  // namespace pellucor::testing_support
