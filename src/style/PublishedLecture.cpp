#include "style/PublishedLecture.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/EventsFile.h"
#include "core/FileLookup.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {

constexpr size_t kPageNameLen = 10;  // sldNNN.htm
const char* const kNavPages[] = {"n001.htm", "vn001.htm", "an001.htm"};

// "... &&slide&&http://host/x/sld004.htm" -> "... URL\sld004.htm"; false
// when the line is not a slide event.
bool convertEventLine(const std::string& line, std::string& out)
{
    out = line;
    const size_t p = line.find(kPublishedPageMark);
    if (p == std::string::npos || p == 0 || line.size() < kPageNameLen)
        return false;
    const std::string page = line.substr(line.size() - kPageNameLen);
    const std::string l = Lower(page);
    if (!StartsWith(l, "sld") || !EndsWith(l, ".htm"))
        return false;
    out = line.substr(0, p) + kEventPageMark + page;
    return true;
}

bool hasSlideEvents(const std::string& rat)
{
    if (!IsRegularFile(rat))
        return false;
    std::ifstream in(rat, std::ios::binary);
    std::string line, converted;
    while (Tav_ReadLine(in, line))
        if (convertEventLine(line, converted))
            return true;
    return false;
}

// talk1.rat -> talk
std::string lectureNameOf(const std::string& rat)
{
    std::string name = rat.substr(0, rat.size() - 4);
    while (!name.empty() && std::isdigit(static_cast<unsigned char>(name.back())))
        name.pop_back();
    return name;
}

// The event files of a lecture: lecName followed by anything and ".rat".
std::vector<std::string> ratFilesOf(const std::string& dir, const std::string& lecName)
{
    std::vector<std::string> rats;
    for (const std::string& name : ListFiles(dir, "*.rat"))
        if (StartsWith(Lower(name), Lower(lecName)))
            rats.push_back(name);
    return rats;
}

bool hasEventsFilesOf(const std::string& dir, const std::string& lecName)
{
    for (const std::string& name : ListFiles(dir, "*.txt"))
        if (StartsWith(Lower(name), Lower(lecName)))
            return true;
    return false;
}

bool convertRatFile(const std::string& dir, const std::string& rat, std::string& err)
{
    const std::string input = Trim(dir + rat);
    const std::string output = input.substr(0, input.size() - 4) + ".txt";
    Tav_DebugLog("Opening " + input + " for Input");
    std::ifstream in;
    if (const std::string why = FileProblem(input); why.empty())
        in.open(input, std::ios::binary);
    if (!in) {
        err = "Unable to Open " + input + " for Input";
        Tav_DebugLog(err);
        return false;
    }
    Tav_DebugLog("Opening " + output + " for Output");
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!out) {
        err = "Unable to Open " + output + " for Output";
        Tav_DebugLog(err);
        return false;
    }
    Tav_DebugLog("Converting " + dir);
    for (const std::string& page : ListFiles(dir, "sld???.htm")) {
        std::error_code ec;
        std::filesystem::remove(dir + page, ec);
    }
    std::string line, converted;
    while (Tav_ReadLine(in, line)) {
        Tav_DebugLog(line);
        convertEventLine(line, converted);
        Tav_DebugLog("Output=" + converted);
        WriteLine(out, converted);
    }
    out.close();
    if (out.fail()) {
        err = "Unable to write " + output;
        Tav_DebugLog(err);
        return false;
    }
    return true;
}

// A navigation page's slide index: <option value="sld002.htm">Overview
bool writeTitles(const std::string& dir, std::string& err)
{
    const DirListing listing(dir);
    std::string navPath;
    std::ifstream in;
    for (const char* name : kNavPages) {
        navPath = listing.Path(name);
        if (!navPath.empty() && FileProblem(navPath).empty())
            in.open(navPath, std::ios::binary);
        if (in.is_open())
            break;
    }
    if (!in.is_open()) {
        Tav_DebugLog("Unable to Open " + dir + kNavPages[2] + " for Input");
        return true;  // no titles: the slides keep their page names
    }
    const std::string titlesPath = dir + "titles.txt";
    std::ofstream out(titlesPath, std::ios::binary | std::ios::trunc);
    if (!out) {
        err = "Unable to Open " + titlesPath + " for Output";
        Tav_DebugLog(err);
        return false;
    }
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
        // A double quote in a title is written as the titles file spells it.
        const std::string title = ReplaceAll(p + 12 < line.size() ? line.substr(p + 12) : std::string(), "\"", "&qt;");
        Tav_DebugLog("Title = " + page + " " + title);
        WriteLine(out, "\"" + page + "\" \"" + title + "\"");
    }
    out.close();
    if (out.fail()) {
        err = "Unable to write " + titlesPath;
        return false;
    }
    return true;
}

}  // namespace

bool IsPublishedLecture(const std::string& mediaDir, const std::string& lecName, std::string& publishedName)
{
    publishedName.clear();
    const std::string dir = Tav_DirSlash(mediaDir);
    if (dir.empty())
        return false;
    if (!ratFilesOf(dir, lecName).empty() && !hasEventsFilesOf(dir, lecName)) {
        publishedName = lecName;
        return true;
    }
    const DirListing listing(dir);
    bool navPage = false;
    for (const char* name : kNavPages)
        navPage = navPage || !listing.Path(name).empty();
    if (!navPage)
        return false;
    for (const std::string& rat : ListFiles(dir, "*.rat")) {
        if (hasSlideEvents(dir + rat)) {
            publishedName = lectureNameOf(rat);
            return true;
        }
    }
    return false;
}

PublishedConversion ConvertPublishedLecture(const std::string& mediaDir, const std::string& lecName,
                                            std::string& publishedName, std::string& err)
{
    err.clear();
    const std::string dir = Tav_DirSlash(mediaDir);
    if (!IsPublishedLecture(dir, lecName, publishedName))
        return PublishedConversion::NotPublished;
    if (Tav_AskOkCancel(dir + " appears to be a published directory - OK - to autoconvert?") != TavOK)
        return PublishedConversion::Declined;
    for (const std::string& rat : ratFilesOf(dir, publishedName))
        if (!convertRatFile(dir, rat, err))
            return PublishedConversion::Failed;
    return writeTitles(dir, err) ? PublishedConversion::Converted : PublishedConversion::Failed;
}

bool ConvertPublished(SlideEngine& engine, std::string& err)
{
    std::string name;
    switch (ConvertPublishedLecture(engine.S.MediaDir, engine.S.LecName, name, err)) {
    case PublishedConversion::Failed: return false;
    case PublishedConversion::Converted: engine.S.LecName = name; break;
    case PublishedConversion::NotPublished:
    case PublishedConversion::Declined: break;
    }
    return true;
}

bool LoadLectureConvertingPublished(SlideEngine& engine, bool fullCheck, bool verbose, std::string& err)
{
    return ConvertPublished(engine, err) && engine.LoadLecture(fullCheck, verbose, err);
}

}  // namespace pellucor
