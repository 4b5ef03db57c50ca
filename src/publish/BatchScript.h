// The batch script "process.bat" that each publish writes into its output
// directory: a POSIX sh script whose steps first replace "log.log" with the
// step's name and then run the step's command. Every path or name is quoted
// so that no character of it is ever interpreted by the shell. Every
// command is checked: one that fails replaces "log.log" with its step and
// its exit status and ends the script, so "All Done" is never written after
// a failure. The script is written executable, so it runs as printed.
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace pellucor {

// Quotes a word for sh: 'text' with every ' written as '\''.
std::string ShellQuote(const std::string& word);

class BatchScript {
public:
    // Creates (replaces) the script, executable. False when it cannot be
    // created.
    bool Create(const std::string& path);
    const std::string& Path() const { return path_; }

    // "cd" into the output directory.
    void WriteCd(const std::string& dir);
    // A log line: "log.log" is replaced by this one line of text.
    void WriteLog(const std::string& text);
    // A command line: the program and its arguments, each quoted.
    void WriteCommand(const std::vector<std::string>& argv);
    // A copy of a file into the current directory.
    void WriteCopyHere(const std::string& file);
    // The closing lines: "All Done" in the log, then the install command
    // when there is one (the program and its arguments), then exit.
    void WriteEnd(const std::vector<std::string>& install = {});
    // Closes the script; false if anything failed to be written.
    bool Close();
    // Why creating or writing it failed: the system's reason and the path.
    const std::string& Error() const { return error_; }

private:
    void line(const std::string& text);
    // A command line that, when it fails, logs the step and ends the script.
    void checked(const std::string& command);
    std::string path_;
    std::string step_ = "Starting";
    std::string error_;
    std::ofstream out_;
};

}  // namespace pellucor
