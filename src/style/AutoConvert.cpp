// Turning a directory published by an earlier edition back into a lecture:
// events files from its ".rat" event files, "titles.txt" from the slide
// index of its navigation page.
#include "style/StyleEngine.h"

#include <filesystem>
#include <fstream>

#include "core/TavUtils.h"

namespace pellucor {

namespace {

constexpr size_t kPageNameLen = 10;  // sldNNN.htm

// "... &&slide&&http://host/x/sld004.htm" -> "... URL\sld004.htm"
std::string convertEventLine(const std::string& line)
{
    const size_t p = line.find("&&slide&&");
    if (p == std::string::npos || p == 0 || line.size() < kPageNameLen)
        return line;
    const std::string page = line.substr(line.size() - kPageNameLen);
    const std::string l = Tav_Lower(page);
    if (!Tav_StartsWith(l, "sld") || !Tav_EndsWith(l, ".htm"))
        return line;
    return line.substr(0, p) + "URL\\" + page;
}

bool convertRatFile(const std::string& dir, const std::string& rat)
{
    const std::string input = Tav_Trim(dir + rat);
    const std::string output = input.substr(0, input.size() - 4) + ".txt";
    Tav_DebugLog("Opening " + input + " for Input");
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        Tav_DebugLog("Unable to Open " + input + " for Input");
        return false;
    }
    Tav_DebugLog("Opening " + output + " for Output");
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!out) {
        Tav_DebugLog("Unable to Open " + output + " for Output");
        return false;
    }
    Tav_DebugLog("Converting " + dir);
    for (const std::string& page : Tav_ListFiles(dir, "sld???.htm")) {
        std::error_code ec;
        std::filesystem::remove(dir + page, ec);
    }
    std::string line;
    while (Tav_ReadLine(in, line)) {
        Tav_DebugLog(line);
        const std::string converted = convertEventLine(line);
        Tav_DebugLog("Output=" + converted);
        Tav_WriteLine(out, converted);
    }
    out.close();
    if (out.fail()) {
        Tav_DebugLog("Unable to Open " + output + " for Output");
        return false;
    }
    return true;
}

bool writeTitles(const std::string& dir)
{
    std::string navPath;
    std::ifstream in;
    for (const char* name : {"n001.htm", "vn001.htm", "an001.htm"}) {
        navPath = dir + name;
        in.open(navPath, std::ios::binary);
        if (in)
            break;
        in.clear();
    }
    if (!in.is_open()) {
        Tav_DebugLog("Unable to Open " + navPath + " for Input");
        return false;
    }
    const std::string titlesPath = dir + "titles.txt";
    std::ofstream out(titlesPath, std::ios::binary | std::ios::trunc);
    if (!out) {
        Tav_DebugLog("Unable to Open " + titlesPath + " for Output");
        return false;
    }
    // The index is an option list: <option value="sld002.htm">Overview
    bool inIndex = false;
    std::string line;
    while (Tav_ReadLine(in, line)) {
        Tav_DebugLog(line);
        const size_t index = line.find("Slide Index");
        if (index != std::string::npos && index > 0)
            inIndex = true;
        const size_t select = line.find("/SELECT");
        if (select != std::string::npos && select > 0)
            inIndex = false;
        const size_t p = line.find("sld");
        if (!inIndex || p == std::string::npos)
            continue;
        const std::string page = line.substr(p, kPageNameLen);
        const std::string title = p + 12 < line.size() ? line.substr(p + 12) : std::string();
        Tav_DebugLog("Title = " + page + " " + title);
        Tav_WriteLine(out, "\"" + page + "\" \"" + title + "\"");
    }
    out.close();
    return !out.fail();
}

}  // namespace

void StyleEngine::AutoConvertPublished(const std::string& mediaDir, const std::string& lecName)
{
    const std::string dir = Tav_DirSlash(mediaDir);
    if (dir.empty() || Tav_HasFiles(dir, lecName + "*.txt"))
        return;
    const auto rats = Tav_ListFiles(dir, lecName + "*.rat");
    if (rats.empty())
        return;
    if (Tav_AskOkCancel(dir + " appears to be a published directory - OK - to autoconvert?") != TavOK)
        return;
    for (const std::string& rat : rats)
        if (!convertRatFile(dir, rat))
            return;
    writeTitles(dir);
}

}  // namespace pellucor
