// Every subcommand of the pellucor program by name: what its usage lists
// and what the program runs for it.
#pragma once

#include <ostream>
#include <string>

namespace pellucor {

struct CommandEntry {
    const char* name;
    int (*run)(int argc, char** argv);  // argv[0] is the command's name
    const char* usage;                  // after the name: its arguments, then "\n" and what it does
};

// The command of that name; nullptr when there is none.
const CommandEntry* FindCommand(const std::string& name);
// The usage's list of commands, two spaces in.
void PrintCommands(std::ostream& out);

}  // namespace pellucor
