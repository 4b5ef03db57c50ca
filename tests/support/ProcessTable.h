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

// Every process, from /proc/PID/stat: "pid (comm) state ppid pgrp session
// ..."; comm may hold blanks and parentheses.
inline std::vector<ProcessStat> processes()
{
    std::vector<ProcessStat> all;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/proc", ec)) {
        std::ifstream in(e.path() / "stat");
        std::string line;
        const auto open = std::getline(in, line) ? line.find('(') : std::string::npos;
        const auto close = line.rfind(')');
        ProcessStat p;
        if (open == std::string::npos || close == std::string::npos || open > close
            || std::sscanf(line.c_str(), "%ld", &p.pid) != 1
            || std::sscanf(line.c_str() + close + 1, " %c %ld %ld %ld", &p.state, &p.ppid, &p.group, &p.session) != 4)
            continue;
        p.name = line.substr(open + 1, close - open - 1);
        all.push_back(p);
    }
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
