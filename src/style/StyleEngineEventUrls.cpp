// Whole-file replace operations used on events files.
#include "style/StyleEngine.h"

#include <fstream>
#include <functional>

#include "core/TavUtils.h"

namespace pellucor {

namespace {

// Reads the whole input before creating the output, so a file may be
// rewritten in place.
bool rewriteLines(const std::string& in, const std::string& out, const std::function<void(std::string&)>& rewrite)
{
    std::vector<std::string> lines;
    if (!ReadTextFile(in, lines)) {
        Tav_Message("Replace: unable to open " + in);
        return false;
    }
    std::ofstream o(out, std::ios::binary | std::ios::trunc);
    if (!o) {
        Tav_Message("Replace: unable to create " + out);
        return false;
    }
    for (std::string& line : lines) {
        rewrite(line);
        WriteLine(o, line);
    }
    o.close();
    if (o.fail()) {
        Tav_Message("Replace: unable to create " + out);
        return false;
    }
    return true;
}

}  // namespace

bool StyleEngine::ConvertEventUrls(bool toDisk, const std::string& webURL, const std::string& in,
                                   const std::string& out)
{
    return rewriteLines(in, out, [&](std::string& line) {
        const bool web = !toDisk && line.find("http:") == std::string::npos;
        ReplaceInPlace(line, "URL\\", web ? "&&slide&&" + webURL : std::string("&&slide&&"));
    });
}

bool StyleEngine::ReplaceInFile(const std::string& find, const std::string& replacement, const std::string& in,
                                const std::string& out)
{
    return rewriteLines(in, out, [&](std::string& line) { ReplaceInPlace(line, find, replacement); });
}

}  // namespace pellucor
