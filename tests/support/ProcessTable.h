// The system's processes as /proc lists them, for tests that check what a
// run started and what it left running.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace pellucor::testing_support {

struct ProcessStat {
    long pid = 0, ppid = 0, group = 0, session = 0;
    char state = 0;
    std::string name;
};

// One process from /proc/PID/stat: "pid (comm) state ppid pgrp session
// ..."; comm may hold blanks and parentheses. False when no such process runs.
inline bool readProcess(const std::filesystem::path& procDir, ProcessStat& p)
{
    std::ifstream in(procDir / "stat");
    std::string line;
    const auto open = std::getline(in, line) ? line.find('(') : std::string::npos;
    const auto close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || open > close
        || std::sscanf(line.c_str(), "%ld", &p.pid) != 1
        || std::sscanf(line.c_str() + close + 1, " %c %ld %ld %ld", &p.state, &p.ppid, &p.group, &p.session) != 4)
        return false;
    p.name = line.substr(open + 1, close - open - 1);
    return true;
}

// Every process.
inline std::vector<ProcessStat> processes()
{
    std::vector<ProcessStat> all;
    std::error_code ec;
    ProcessStat p;
    for (const auto& e : std::filesystem::directory_iterator("/proc", ec))
        if (readProcess(e.path(), p))
            all.push_back(p);
    return all;
}

// The processes of session sid and every process they started (a server's
// children may have sessions of their own).
inline std::set<long> processTreeOfSession(long sid)
{
    const std::vector<ProcessStat> all = processes();
    std::set<long> found;
    for (const ProcessStat& p : all)
        if (p.session == sid)
            found.insert(p.pid);
    for (bool grew = true; grew;) {
        grew = false;
        for (const ProcessStat& p : all)
            if (found.count(p.ppid) && found.insert(p.pid).second)
                grew = true;
    }
    return found;
}

}  // namespace pellucor::testing_support
