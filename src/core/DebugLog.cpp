#include "core/DebugLog.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace pellucor {

namespace fs = std::filesystem;

namespace {
// 0: not opened yet, 1: open, -1: opening or writing failed for good.
int g_state = 0;
std::ofstream g_log;
std::mutex g_mutex;

std::string envOr(const char* name, const std::string& fallback)
{
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}
}  // namespace

std::string Tav_DebugLogPath()
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
        const fs::path path = Tav_DebugLogPath();
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        g_log.open(path, std::ios::binary | std::ios::trunc);
        g_state = g_log ? 1 : -1;
    }
    if (g_state < 0)
        return;
    g_log << text << "\r\n";
    g_log.flush();
    if (!g_log) {
        g_log.close();
        g_log.clear();
        g_log.open(Tav_DebugLogPath(), std::ios::binary | std::ios::app);
        g_log << text << "\r\n";
        g_log.flush();
        if (!g_log)
            g_state = -1;
    }
}

}  // namespace pellucor
