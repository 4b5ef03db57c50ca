#include "core/DebugLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace pellucor {

namespace fs = std::filesystem;

namespace {
// 0: not opened yet, 1: open, -1: opening or writing failed for good.
int g_state = 0;
int g_fd = -1;
std::mutex g_mutex;

int openLog(bool truncate)
{
    // Appending: every line goes to the end of the file in one write, so
    // lines of processes that share the log never overwrite or split each
    // other, and a truncation by another process leaves no hole behind.
    const int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (truncate ? O_TRUNC : 0);
    return ::open(DebugLogPath().c_str(), flags, 0644);
}

bool writeAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}
std::string envOr(const char* name, const std::string& fallback)
{
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}
}  // namespace

std::string DebugLogPath()
{
    std::string dir = envOr("PELLUCOR_STATE_DIR", "");
    if (dir.empty()) {
        std::string state = envOr("XDG_STATE_HOME", "");
        if (state.empty())
            state = envOr("HOME", "/tmp") + "/.local/state";
        dir = state + "/pellucor";
    }
    return (fs::path(dir) / "Syncdbg.txt").string();
}

void Tav_DebugLog(const std::string& text)
{
    std::lock_guard lock(g_mutex);
    if (g_state == 0) {
        const fs::path path = DebugLogPath();
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        g_fd = openLog(true);
        g_state = g_fd >= 0 ? 1 : -1;
    }
    if (g_state < 0)
        return;
    const std::string line = text + "\r\n";
    if (writeAll(g_fd, line))
        return;
    ::close(g_fd);
    g_fd = openLog(false);
    if (g_fd < 0 || !writeAll(g_fd, line))
        g_state = -1;
}

}  // namespace pellucor
