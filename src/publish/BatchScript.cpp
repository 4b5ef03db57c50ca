#include "publish/BatchScript.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/TavUtils.h"

namespace pellucor {

std::string ShellQuote(const std::string& word)
{
    std::string q = "'";
    for (char c : word) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

bool BatchScript::Create(const std::string& path)
{
    path_ = path;
    out_.open(path, std::ios::binary | std::ios::trunc);
    if (!out_) {
        error_ = std::string(std::strerror(errno)) + " (" + path + ")";
        return false;
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add,
                    ec);
    if (ec) {
        error_ = ec.message() + " (" + path + ")";
        return false;
    }
    line("#!/bin/sh");
    return true;
}

// The script is run by sh, which would take a CR as part of the last word
// of a line, so its lines end in LF alone.
void BatchScript::line(const std::string& text) { out_ << text << '\n'; }

void BatchScript::WriteCd(const std::string& dir)
{
    // The log lies in the directory the script could not enter.
    const std::string log = ShellQuote(Tav_DirSlash(dir) + "log.log");
    line("cd " + ShellQuote(dir) + " || { printf '%s\\n' " + ShellQuote("Entering " + dir + " failed") + " > " + log
         + "; exit 1; }");
}

void BatchScript::WriteLog(const std::string& text)
{
    step_ = text;
    line("printf '%s\\n' " + ShellQuote(text) + " > log.log");
}

void BatchScript::checked(const std::string& command)
{
    line(command + " || { printf '%s failed (exit status %s)\\n' " + ShellQuote(step_)
         + " \"$?\" > log.log; exit 1; }");
}

void BatchScript::WriteCommand(const std::vector<std::string>& argv)
{
    std::string cmd;
    for (const auto& a : argv)
        cmd += (cmd.empty() ? "" : " ") + ShellQuote(a);
    checked(cmd);
}

void BatchScript::WriteCopyHere(const std::string& file) { checked("cp -- " + ShellQuote(file) + " ."); }

void BatchScript::WriteEnd(const std::vector<std::string>& install)
{
    WriteLog("All Done");
    if (!install.empty()) {
        step_ = "Installing the publication";
        WriteCommand(install);
    }
    line("exit");
}

bool BatchScript::Close()
{
    // Written through to the disk, so that a full disk is told here.
    out_.flush();
    const bool written = !out_.fail();
    out_.close();
    if (written && !out_.fail())
        return true;
    if (error_.empty())
        error_ = std::string(std::strerror(errno ? errno : EIO)) + " (" + path_ + ")";
    return false;
}

}  // namespace pellucor
