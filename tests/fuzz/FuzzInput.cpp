#include "FuzzInput.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace pellucor::fuzz {

std::vector<std::string> Pieces(const uint8_t* data, size_t size, size_t count)
{
    static const std::string cut = "\n--8<--\n";
    const std::string all(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> pieces;
    size_t from = 0;
    while (pieces.size() + 1 < count) {
        const size_t at = all.find(cut, from);
        if (at == std::string::npos)
            break;
        pieces.push_back(all.substr(from, at - from));
        from = at + cut.size();
    }
    pieces.push_back(all.substr(from));
    pieces.resize(count);
    return pieces;
}

const std::string& Scratch()
{
    static const std::string dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        const std::string d = std::string(tmp && *tmp ? tmp : "/tmp") + "/pellucor-fuzz-" + std::to_string(getpid()) + "/";
        std::filesystem::create_directories(d);
        setenv("PELLUCOR_STATE_DIR", (d + "state").c_str(), 1);  // the debug log, not the user's
        return d;
    }();
    return dir;
}

std::string Put(const std::string& name, const std::string& text)
{
    const std::string path = Scratch() + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path;
}

}  // namespace pellucor::fuzz
