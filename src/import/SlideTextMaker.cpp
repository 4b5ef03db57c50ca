#include "import/SlideTextMaker.h"

#include <leptonica/allheaders.h>
#include <omp.h>

#include <QThread>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "core/FileLookup.h"
#include "core/TavUtils.h"
#include "import/SlideOcr.h"

namespace pellucor {

namespace {

struct Job {
    std::string picture;  // its name in the directory
    std::string read;     // the file OCR reads (the sharp copy where there is one)
    std::string hash;
};

struct Done {
    size_t job = 0;
    bool ok = false;
    OcrResult result;
    std::string err;
};

// Whether a slide's text still holds for its picture.
bool stillHolds(const SlideText& text, const std::string& hash, const SlideTextOptions& options)
{
    if (text.source == SlideTextSource::Lecturer)
        return true;
    if (text.picture != hash)
        return false;
    if (text.source != SlideTextSource::Ocr)
        return true;
    return !options.redo && text.language == options.languages;
}

using Progress = std::function<void(const std::string& picture)>;

// Which pictures OCR has to read (those without text, or whose text no
// longer holds); the texts kept go into run at once.
bool picturesToRead(const std::string& dir, const std::vector<std::string>& pictures, const SlideTextOptions& options,
                    const std::atomic<bool>& cancelled, const Progress& progress, SlideTextRun& run,
                    std::vector<Job>& jobs, std::string& err)
{
    const DirListing listing(Tav_DirSlash(dir));
    for (const std::string& picture : pictures) {
        if (cancelled) {
            err = "cancelled";
            return false;
        }
        std::string path, textPath, ignored;
        if (!listing.Find(picture, path, err)) {
            if (err.empty())
                err = "The slide picture " + Join(dir, picture) + " is missing";
            return false;
        }
        // A pipe or device named like a slide is never opened for reading.
        const std::string why = FileProblem(path);
        const std::string hash = why.empty() ? FileContentHash(path) : std::string();
        if (hash.empty()) {
            err = "Unable to read the slide picture " + path + ": " + (why.empty() ? "it cannot be read" : why);
            return false;
        }
        SlideText text;
        std::string readErr;
        const bool has
            = listing.Find(SlideTextFileFor(picture), textPath, ignored) && ReadSlideText(textPath, text, readErr);
        if (has && (stillHolds(text, hash, options) || !options.ocr)) {
            run.texts[picture] = text;
            ++run.kept;
            progress(picture);
            continue;
        }
        if (!options.ocr) {
            ++run.missing;
            progress(picture);
            continue;
        }
        // The sharpest copy of the slide: the one import writes for
        // today's screens, where it is there.
        std::string sharp = listing.Path(Tav_StripExt(picture) + ".webp");
        const std::string read = sharp.empty() ? path : sharp;
        l_int32 format = 0, w = 0, h = 0, bps = 0, spp = 0, cmap = 0;
        setMsgSeverity(L_SEVERITY_NONE);
        if (pixReadHeader(read.c_str(), &format, &w, &h, &bps, &spp, &cmap) != 0 || w < 1 || h < 1) {
            err = "Unable to read the slide picture " + read + ": it is not a picture";
            return false;
        }
        jobs.push_back({picture, read, hash});
    }
    return true;
}

// Reads the pictures of jobs, one recogniser a core, storing each text
// beside its picture as it comes.
bool readPictures(const std::string& dir, const std::vector<Job>& jobs, const SlideTextOptions& options,
                  const std::atomic<bool>& cancelled, const Progress& progress, SlideTextRun& run, std::string& err)
{
    // One recogniser per thread, all started before any is used: a missing
    // language is told before anything is read.
    const int cores = std::max(1, QThread::idealThreadCount());
    const int threads = std::clamp(options.threads > 0 ? options.threads : cores, 1, static_cast<int>(jobs.size()));
    std::vector<std::unique_ptr<SlideOcr>> readers;
    for (int i = 0; i < threads; ++i) {
        readers.push_back(std::make_unique<SlideOcr>());
        if (!readers.back()->Start(options.languages, err))
            return false;
    }

    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Done> results;
    std::atomic<size_t> next {0};
    std::atomic<bool> stop {false};
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) {
        workers.emplace_back([&, reader = readers[static_cast<size_t>(i)].get()] {
            // Each recogniser keeps to its own core. Tesseract asks for a
            // set number of threads in some of its loops, which overrides
            // the count set here: no parallel region at all on this thread
            // keeps those loops from waking threads that only compete with
            // the other recognisers for the cores.
            omp_set_num_threads(1);
            omp_set_max_active_levels(0);
            for (size_t j; !stop && (j = next++) < jobs.size();) {
                Done d;
                d.job = j;
                d.ok = reader->ReadFile(jobs[j].read, d.result, d.err);
                std::lock_guard lock(mutex);
                results.push_back(std::move(d));
                ready.notify_one();
            }
        });
    }
    const auto halt = [&] {
        stop = true;
        for (auto& r : readers)
            r->Cancel();
    };
    bool ok = true;
    for (size_t received = 0; received < jobs.size() && ok;) {
        Done d;
        {
            std::unique_lock lock(mutex);
            ready.wait_for(lock, std::chrono::milliseconds(100), [&] { return !results.empty(); });
            if (cancelled) {
                err = "cancelled";
                ok = false;
                break;
            }
            if (results.empty())
                continue;
            d = std::move(results.front());
            results.pop_front();
        }
        ++received;
        const Job& job = jobs[d.job];
        if (!d.ok) {
            err = d.err;
            ok = false;
            break;
        }
        SlideText text;
        text.source = SlideTextSource::Ocr;
        text.language = options.languages;
        text.confidence = d.result.confidence;
        text.picture = job.hash;
        text.title = d.result.Title();
        text.text = d.result.Text();
        std::string writeErr;
        if (run.storeError.empty() && !WriteSlideText(Join(dir, SlideTextFileFor(job.picture)), text, writeErr))
            run.storeError = writeErr;
        run.texts[job.picture] = std::move(text);
        ++run.read;
        progress(job.picture);
    }
    if (!ok)
        halt();
    for (std::thread& t : workers)
        t.join();
    return ok;
}

}  // namespace

std::vector<std::string> SlideTextMaker::SlidePictures(const std::string& dir)
{
    std::vector<std::string> out;
    for (const std::string& name : ListFiles(dir, "img*.gif"))
        out.push_back(name);
    return out;
}

bool SlideTextMaker::Make(const std::string& dir, const std::vector<std::string>& pictures,
                          const SlideTextOptions& options, SlideTextRun& run, std::string& err)
{
    run = SlideTextRun {};
    const int total = static_cast<int>(pictures.size());
    int done = 0;
    const Progress progress = [&](const std::string& picture) {
        ++done;
        if (onProgress)
            onProgress(done, total, picture);
    };
    std::vector<Job> jobs;
    if (!picturesToRead(dir, pictures, options, cancelled_, progress, run, jobs, err))
        return false;
    if (jobs.empty())
        return true;
    if (onReadStart)
        onReadStart(static_cast<int>(jobs.size()));
    return readPictures(dir, jobs, options, cancelled_, progress, run, err);
}

}  // namespace pellucor
