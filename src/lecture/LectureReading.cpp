#include "lecture/LectureReading.h"

#include <filesystem>

#include "core/TavString.h"
#include "core/TavUtils.h"
#include "style/PublishedLecture.h"

namespace pellucor {

namespace {

// A scratch copy of dir for the conversion to work in: the text files it
// reads and rewrites are copied, everything else is linked.
bool scratchCopy(const std::string& dir, const std::string& scratch, std::string& err)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string ext = Lower(entry.path().extension().string());
        const fs::path to = fs::path(scratch) / entry.path().filename();
        const bool text
            = entry.is_regular_file() && (ext == ".txt" || ext == ".htm" || ext == ".html" || ext == ".rat");
        if (text)
            fs::copy_file(entry.path(), to, ec);
        else
            fs::create_symlink(fs::absolute(entry.path()), to, ec);
        if (ec) {
            err = "cannot make a scratch copy of " + dir + ": " + ec.message();
            return false;
        }
    }
    return !ec;
}

}  // namespace

bool LoadLectureForReading(SlideEngine& engine, QTemporaryDir& scratch, std::string& err)
{
    PublishSettings& settings = engine.S;
    std::string publishedName;
    const std::string mediaDir = settings.MediaDir;
    if (IsPublishedLecture(mediaDir, settings.LecName, publishedName)) {
        const std::string copy = Tav_DirSlash(scratch.path().toStdString());
        if (!scratch.isValid() || !scratchCopy(mediaDir, copy, err)) {
            if (err.empty())
                err = "cannot make a scratch directory";
            return false;
        }
        if (Tav_DirSlash(settings.LecDir) == mediaDir)
            settings.LecDir = copy;
        settings.MediaDir = copy;
    }
    if (!LoadLectureConvertingPublished(engine, true, false, err)) {
        err = ReplaceAll(err, settings.MediaDir, mediaDir);
        return false;
    }
    return true;
}

}  // namespace pellucor
