#include "lecture/RecordingLecture.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "core/FileLookup.h"
#include "core/TavString.h"
#include "core/TavUtils.h"
#include "core/TitlesFile.h"
#include "import/SlideExporter.h"
#include "import/SlideOcr.h"
#include "import/SlideTextMaker.h"
#include "media/SlidePictureFiles.h"

namespace pellucor {

namespace fs = std::filesystem;

namespace {

// Shares of the whole run: finding the slides, their pictures, their text.
constexpr int kFound = 70, kPictured = 80, kRead = 97;

std::string lowerExtension(const std::string& path)
{
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

std::string noSlash(std::string dir)
{
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string lectureName(const RecordingLectureOptions& o)
{
    return o.name.empty() ? fs::path(noSlash(o.lectureDir)).filename().string() : o.name;
}

bool nonEmptyDir(const std::string& dir)
{
    std::error_code ec;
    return fs::is_directory(dir, ec) && !fs::is_empty(dir, ec);
}

}  // namespace

std::string RecordingLecture::Problem(const RecordingLectureOptions& o)
{
    if (o.recordings.empty())
        return "give at least one recording";
    for (const std::string& r : o.recordings)
        if (const std::string why = FileProblem(r); !why.empty())
            return "cannot read " + r + ": " + why;
    std::error_code ec;
    const std::string dir = noSlash(o.lectureDir);
    if (fs::exists(dir, ec) && !fs::is_directory(dir, ec))
        return dir + " is a file, not a lecture directory";
    if (nonEmptyDir(dir) && !o.replace)
        return dir + " holds files already: give --replace to make it anew (the old one is then kept as "
            + Tav_SplitPath(BackupNameFor(dir)).last + ")";
    if (!fs::is_directory(fs::path(dir).parent_path(), ec))
        return fs::path(dir).parent_path().string() + " is not a directory";
    // The slides are read at the end: a language that cannot be is said
    // before the work, not after it.
    if (!o.languages.empty())
        return SlideOcr::LanguageProblem(o.languages);
    return "";
}

bool RecordingLecture::Run(const RecordingLectureOptions& o, const Progress& progress, const std::atomic<bool>& cancel,
                           std::string& err)
{
    parts_.clear();
    titles_.clear();
    backup_.clear();
    if (err = Problem(o); !err.empty())
        return false;
    name_ = lectureName(o);
    const std::string dir = noSlash(o.lectureDir);
    const fs::path target(dir);
    const std::string stage
        = (target.parent_path() / (".pellucor-stage-" + target.filename().string() + "-" + std::to_string(getpid())))
              .string();
    std::error_code ec;
    fs::create_directory(stage, ec);
    if (ec) {
        err = "Unable to create " + stage + ": " + ec.message();
        return false;
    }
    const bool ok = build(o, Tav_DirSlash(stage), progress, cancel, err) && put(stage, o, err);
    if (!ok)
        fs::remove_all(stage, ec);  // every file in it was written by this run
    else
        progress(100, "Lecture made");
    return ok;
}

bool RecordingLecture::build(const RecordingLectureOptions& o, const std::string& stage, const Progress& progress,
                             const std::atomic<bool>& cancel, std::string& err)
{
    RecordingSlides finder(o.find);
    if (!finder.Run(
            o.recordings, [&](int percent, const std::string& status) { progress(percent * kFound / 100, status); },
            cancel, err))
        return false;
    if (!pictures(finder, stage, o.width, progress, cancel, err) || !titles(o, stage, progress, cancel, err))
        return false;
    std::vector<std::string> pages;
    for (size_t i = 1; i <= finder.Slides().size(); ++i)
        pages.push_back("sld" + Fmt000(static_cast<long>(i)) + ".htm");
    for (size_t i = 0; i < finder.Recordings().size(); ++i) {
        const RecordingFound& rec = finder.Recordings()[i];
        RecordingPart part;
        part.part = static_cast<int>(i + 1);
        part.recording = rec.path;
        part.meeting = rec.meeting;
        part.camera = rec.camera;
        part.noSlide = rec.noSlide;
        const std::string base = name_ + std::to_string(part.part);
        part.copy = base + lowerExtension(rec.path);
        part.events = base + ".txt";
        progress(kRead + static_cast<int>(i) * (100 - kRead) / static_cast<int>(finder.Recordings().size()),
                 (o.link ? "Linking " : "Copying ") + Tav_SplitPath(rec.path).last);
        SyncResult result;
        result.duration = rec.duration;
        for (const FoundChange& c : rec.changes)
            result.changes.push_back({c.time, c.slide, 1.0});
        part.rows = LectureSync::Rows(result, pages);
        if (!LectureSync::WriteEvents(stage + part.events, rec.path, part.rows, err, "pellucor slides-from-recording"))
            return false;
        std::error_code ec;
        if (o.link)
            fs::create_symlink(fs::absolute(rec.path), stage + part.copy, ec);
        else
            fs::copy_file(rec.path, stage + part.copy, ec);
        if (ec) {
            err = "Unable to " + std::string(o.link ? "link " : "copy ") + rec.path + " to " + stage + part.copy + ": "
                + ec.message();
            return false;
        }
        if (cancel.load()) {
            err = "Cancelled";
            return false;
        }
        parts_.push_back(std::move(part));
    }
    return true;
}

bool RecordingLecture::pictures(const RecordingSlides& found, const std::string& stage, int width,
                                const Progress& progress, const std::atomic<bool>& cancel, std::string& err)
{
    // A slide per core at once, each decoded on its own thread: decoding a
    // few frames after a seek gains little from more threads, encoding the
    // pictures none.
    const size_t n = found.Slides().size();
    std::mutex mutex;
    std::condition_variable ready;
    size_t done = 0;
    std::string failed;
    std::atomic<size_t> next {0};
    std::atomic<bool> stop {false};
    const auto work = [&] {
        for (size_t i; !stop && (i = next++) < n;) {
            std::string why;
            const int number = static_cast<int>(i + 1);
            const bool ok = WriteFoundSlidePictures(found, i, SlideExporter::SharpImageFile(stage, number),
                                                    SlideExporter::PptImageFile(stage, number), width, why);
            std::lock_guard lock(mutex);
            if (!ok && failed.empty())
                failed = why;
            stop = stop || !ok;
            ++done;
            ready.notify_one();
        }
    };
    std::vector<std::thread> workers;
    for (size_t i = 0; i < std::min<size_t>(n, std::max(2u, std::thread::hardware_concurrency())); ++i)
        workers.emplace_back(work);
    for (size_t shown = SIZE_MAX;;) {
        std::unique_lock lock(mutex);
        if (done != shown) {
            shown = done;
            progress(kFound + static_cast<int>(done) * (kPictured - kFound) / static_cast<int>(std::max<size_t>(n, 1)),
                     "Writing slide " + std::to_string(std::min(done + 1, n)) + "/" + std::to_string(n));
        }
        if (done == n || !failed.empty())
            break;
        if (cancel.load()) {
            failed = "Cancelled";
            break;
        }
        ready.wait_for(lock, std::chrono::milliseconds(100));
    }
    stop = true;
    for (std::thread& t : workers)
        t.join();
    err = failed;
    return failed.empty();
}

bool RecordingLecture::titles(const RecordingLectureOptions& o, const std::string& stage, const Progress& progress,
                              const std::atomic<bool>& cancel, std::string& err)
{
    SlideTextMaker maker;
    SlideTextOptions options;
    options.languages = o.languages;
    maker.onProgress = [&](int done, int total, const std::string&) {
        progress(kPictured + done * (kRead - kPictured) / std::max(total, 1),
                 "Reading the text of slide " + std::to_string(std::min(done + 1, total)) + "/"
                     + std::to_string(total));
        if (cancel.load())
            maker.Cancel();
    };
    SlideTextRun run;
    const std::vector<std::string> pictures = SlideTextMaker::SlidePictures(stage);
    if (!maker.Make(stage, pictures, options, run, err))
        return false;
    std::ofstream index(stage + "index.htm", std::ios::binary);
    std::ofstream list(stage + "titles.txt", std::ios::binary);
    WriteLine(list, TitlesFileHeader("the slides found in the recording"));
    WriteLine(list, "# Recording " + Tav_SplitPath(o.recordings.front()).last);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const auto text = run.texts.find(pictures[i]);
        std::string title = text != run.texts.end() ? SlideTextOnOneLine(text->second.title) : "";
        if (title.empty())
            title = "Slide " + std::to_string(i + 1);
        WriteLine(index, SlideIndexLine(static_cast<int>(i + 1), title));
        WriteLine(list, TitlesFileLine(static_cast<int>(i + 1), title));
        titles_.push_back(title);
    }
    index.close();
    list.close();
    if (index.fail() || list.fail()) {
        err = "Unable to write the titles into " + stage;
        return false;
    }
    return true;
}

bool RecordingLecture::put(const std::string& stage, const RecordingLectureOptions& o, std::string& err)
{
    const std::string dir = noSlash(o.lectureDir);
    std::error_code ec;
    if (nonEmptyDir(dir)) {
        backup_ = BackupNameFor(dir);
        fs::rename(dir, backup_, ec);
        if (ec) {
            err = "Unable to keep " + dir + " as " + backup_ + ": " + ec.message();
            backup_.clear();
            return false;
        }
    } else if (fs::is_directory(dir, ec)) {
        fs::remove(dir, ec);  // empty
    }
    fs::rename(stage, dir, ec);
    if (ec) {
        err = "Unable to put the lecture in place as " + dir + ": " + ec.message();
        if (!backup_.empty())
            fs::rename(backup_, dir, ec);
        backup_.clear();
        return false;
    }
    return true;
}

}  // namespace pellucor
