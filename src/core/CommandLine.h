// The start every headless subcommand shares: its Qt application, an
// argument parser with the subcommand's description, --help and its
// positional arguments, usage errors printed as "pellucor NAME: ..." with
// exit code 2, and a progress printer that draws a bar on a terminal and
// prints percent lines otherwise.
#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>

#include <initializer_list>
#include <string>
#include <utility>

#include "core/ProgressPrinter.h"

namespace pellucor {

// A path given on the command line, made absolute.
std::string CommandLinePath(const QString& path);
// A directory given on the command line, made absolute, ending in "/".
std::string CommandLineDir(const QString& path);

class CommandLine {
public:
    // positional: each positional argument's name and help text.
    CommandLine(int& argc, char** argv, std::string name, const QString& description,
                std::initializer_list<std::pair<QString, QString>> positional = {});

    QCommandLineParser parser;

    // Parses the arguments (--help and unknown options end the process, as
    // QCommandLineParser does).
    void process();
    QStringList positional() const { return parser.positionalArguments(); }
    // Prints "pellucor NAME: text" and gives the usage error's exit code.
    int usage(const std::string& text) const;
    // Prints "pellucor NAME: text" on the error stream.
    void error(const std::string& text) const;
    // The first positional argument as a directory (absolute, ending in
    // "/"); empty, after printing "DIR is not a directory", when it is none.
    std::string existingDir() const;
    // The one positional argument as a lecture directory (existingDir);
    // empty when there is not exactly one or it is no directory, the
    // problem printed and the exit code to give in exitCode.
    std::string lectureDir(int& exitCode) const;
    // The part number an option gives: 0 when it is not given; -1 when it
    // is no part number (from 1), after printing so, the usage error's exit
    // code in exitCode.
    int partNumber(const QCommandLineOption& option, int& exitCode) const;
    // Progress on standard output; label names the work ("Syncing").
    ProgressPrinter progress(std::string label = "Publishing") const;
    QCoreApplication& app() { return app_; }

private:
    QCoreApplication app_;
    std::string name_;
};

}  // namespace pellucor
