#include "core/RecordingKinds.h"

#include "core/TavUtils.h"

namespace pellucor {

namespace {
const std::vector<std::string> kVideo = {".mp4", ".m4v", ".mov", ".mkv", ".webm"};
const std::vector<std::string> kAudio = {".m4a", ".mp3", ".ogg", ".opus", ".wav", ".flac"};

bool endsInOneOf(const std::string& name, const std::vector<std::string>& exts)
{
    const std::string lower = Lower(name);
    for (const std::string& ext : exts)
        if (EndsWith(lower, ext))
            return true;
    return false;
}
}  // namespace

const std::vector<std::string>& RecordingExtensions()
{
    static const std::vector<std::string> all = [] {
        std::vector<std::string> v = kVideo;
        v.insert(v.end(), kAudio.begin(), kAudio.end());
        return v;
    }();
    return all;
}

bool IsVideoRecordingName(const std::string& name) { return endsInOneOf(name, kVideo); }

bool IsRecordingName(const std::string& name) { return endsInOneOf(name, RecordingExtensions()); }

std::string FirstRecordingIn(const std::string& dir)
{
    for (const std::string& name : ListFiles(dir, "*"))
        if (IsRecordingName(name))
            return name;
    return "";
}

std::string RecordingPatterns()
{
    std::string text;
    for (const std::string& ext : RecordingExtensions())
        text += (text.empty() ? "*" : " *") + ext;
    return text;
}

}  // namespace pellucor
