// The pellucor executable: subcommands run headless.
#include <cstring>
#include <iostream>
#include <string>

#include "cli/CommandTable.h"
#include "gui/GuiApp.h"

using namespace pellucor;

namespace {
void usage(std::ostream& out)
{
    out << "Usage: pellucor [--automation] [--screenshot DIR]\n"
           "       pellucor COMMAND [options]\n"
           "\n"
           "Without a command the windows start (the first one chosen by the preferences);\n"
           "with --automation they also serve the automation interface on the session bus.\n"
           "\n"
           "Commands:\n";
    PrintCommands(out);
    out << "\n"
           "Run 'pellucor COMMAND --help' for the options of a command.\n";
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        usage(std::cout);
        return 0;
    }
    // No command, or options only (--screenshot, Qt's own): the windows.
    if (argc < 2 || argv[1][0] == '-')
        return RunGui(argc, argv);
    const std::string cmd = argv[1];
    if (const CommandEntry* command = FindCommand(cmd))
        return command->run(argc - 1, argv + 1);
    std::cerr << "pellucor: unknown command '" << cmd << "'\n";
    usage(std::cerr);
    return 2;
}
