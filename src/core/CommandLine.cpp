#include "core/CommandLine.h"

#include <unistd.h>

#include <QDir>

#include <iostream>

#include "core/TavUtils.h"

namespace pellucor {

std::string CommandLinePath(const QString& path) { return QDir(path).absolutePath().toStdString(); }

std::string CommandLineDir(const QString& path) { return Tav_DirSlash(CommandLinePath(path)); }

CommandLine::CommandLine(int& argc, char** argv, std::string name, const QString& description,
                         std::initializer_list<std::pair<QString, QString>> positional)
    : app_(argc, argv), name_(std::move(name))
{
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    for (const auto& [arg, help] : positional)
        parser.addPositionalArgument(arg, help);
}

void CommandLine::process() { parser.process(app_); }

void CommandLine::error(const std::string& text) const { std::cerr << "pellucor " << name_ << ": " << text << "\n"; }

int CommandLine::usage(const std::string& text) const
{
    error(text);
    return 2;
}

std::string CommandLine::existingDir() const
{
    const std::string dir = CommandLineDir(positional().front());
    if (Tav_ChkDir(dir))
        return dir;
    error(dir + " is not a directory");
    return "";
}

std::string CommandLine::lectureDir(int& exitCode) const
{
    if (positional().size() != 1) {
        exitCode = usage("give exactly one lecture directory (see --help)");
        return "";
    }
    const std::string dir = existingDir();
    exitCode = dir.empty() ? 1 : 0;
    return dir;
}

ProgressPrinter CommandLine::progress(std::string label) const
{
    return ProgressPrinter(std::cout, isatty(STDOUT_FILENO) != 0, std::chrono::milliseconds(250), std::move(label));
}

int CommandLine::partNumber(const QCommandLineOption& option, int& exitCode) const
{
    if (!parser.isSet(option))
        return 0;
    bool number = false;
    const int part = parser.value(option).toInt(&number);
    if (number && part >= 1)
        return part;
    exitCode = usage("--" + option.names().front().toStdString() + " takes a part number from 1");
    return -1;
}

}  // namespace pellucor
