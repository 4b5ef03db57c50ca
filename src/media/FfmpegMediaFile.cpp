#include "media/FfmpegMediaFile.h"

#include <filesystem>
#include <fstream>

#include "core/EventsFile.h"
#include "core/TavUtils.h"
#include "media/BrowserCopy.h"
#include "media/CutCopy.h"
#include "media/FfmpegTranscoder.h"
#include "media/MediaCheck.h"
#include "media/MediaEvents.h"
#include "media/MediaLength.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <cstdarg>

namespace pellucor {

std::string FfmpegErrorText(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

namespace {
thread_local int t_silenced = 0;

void logLine(void* avcl, int level, const char* fmt, va_list args)
{
    if (t_silenced == 0)
        av_log_default_callback(avcl, level, fmt, args);
}
}  // namespace

void FfmpegQuietLogs()
{
    // FFmpeg's own chatter would drown our progress lines; errors still show,
    // but for those of a check that expects them.
    static const bool once = [] {
        av_log_set_level(AV_LOG_ERROR);
        av_log_set_callback(logLine);
        return true;
    }();
    (void)once;
}

FfmpegSilence::FfmpegSilence()
{
    FfmpegQuietLogs();
    ++t_silenced;
}

FfmpegSilence::~FfmpegSilence() { --t_silenced; }

std::unique_ptr<FfmpegMediaFile> FfmpegMediaFile::Open(const std::string& path, std::string& err)
{
    FfmpegQuietLogs();
    std::unique_ptr<FfmpegMediaFile> file(new FfmpegMediaFile);
    file->path_ = path;
    int rc = avformat_open_input(&file->ctx_, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        err = "cannot open " + path + ": " + FfmpegErrorText(rc);
        file->ctx_ = nullptr;
        return nullptr;
    }
    rc = avformat_find_stream_info(file->ctx_, nullptr);
    if (rc < 0) {
        err = "cannot read the streams of " + path + ": " + FfmpegErrorText(rc);
        return nullptr;
    }
    MeasureDuration(file->ctx_);
    return file;
}

FfmpegMediaFile::~FfmpegMediaFile() { Close(); }

int FfmpegMediaFile::videoStream() const
{
    if (!ctx_)
        return -1;
    for (unsigned i = 0; i < ctx_->nb_streams; ++i) {
        const AVStream* st = ctx_->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return static_cast<int>(i);
    }
    return -1;
}

bool FfmpegMediaFile::HasVideo() { return videoStream() >= 0; }

bool FfmpegMediaFile::HasAudio()
{
    if (!ctx_)
        return false;
    for (unsigned i = 0; i < ctx_->nb_streams; ++i)
        if (ctx_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            return true;
    return false;
}

int FfmpegMediaFile::VideoHeight()
{
    const int v = videoStream();
    return v < 0 ? 0 : ctx_->streams[v]->codecpar->height;
}

int FfmpegMediaFile::VideoWidth()
{
    const int v = videoStream();
    return v < 0 ? 0 : ctx_->streams[v]->codecpar->width;
}

double FfmpegMediaFile::DurationSeconds() const
{
    if (!ctx_ || ctx_->duration == AV_NOPTS_VALUE)
        return 0.0;
    return static_cast<double>(ctx_->duration) / AV_TIME_BASE;
}

bool FfmpegMediaFile::AddEvents(const std::string& ratPath, std::string& err)
{
    std::ifstream in(ratPath, std::ios::binary);
    if (!in) {
        err = "Unable to open " + ratPath;
        return false;
    }
    std::string line;
    while (Tav_ReadLine(in, line)) {
        EventLine read;
        if (line[0] == '#' || !ParsePublishedEventLine(line, read))
            continue;
        Event e;
        e.start = Tav_TimeToTicks(read.start) / 60.0;
        e.end = Tav_TimeToTicks(read.end) / 60.0;
        e.target = read.page;
        events_.push_back(e);
    }
    return true;
}

bool FfmpegMediaFile::Save(const std::string& outPath, std::string& err)
{
    if (!ctx_) {
        err = "the media file is not open";
        return false;
    }
    browserCopy.clear();
    if (onProgress)
        onProgress(0);
    if (!RemuxWithChapters(path_, outPath, events_, err))
        return false;
    // FFmpeg cannot put every stream back into RealMedia undamaged (its
    // RealVideo packets come out longer than they went in and no longer
    // decode): such a recording is passed on as it was recorded, and its
    // slide events travel beside it (the .vtt file and the browser copy).
    if (std::string why; !CheckMediaPlays(outPath, why)) {
        Tav_DebugLog("The merged " + outPath + " does not play (" + why + "): the recording is copied as it is, "
                     + "its slide events are in the .vtt file and the browser copy");
        std::error_code ec;
        std::filesystem::copy_file(path_, outPath, std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) {
            err = "Unable to copy " + path_ + " to " + outPath + ": " + ec.message();
            return false;
        }
    }
    return SaveBrowserCopy(Tav_StripExt(outPath), err);
}

bool FfmpegMediaFile::CopyIsEncoded()
{
    return ctx_ && !PlanBrowserCopy(ctx_, copySettings).Remux();
}

bool FfmpegMediaFile::SaveBrowserCopy(const std::string& outBase, std::string& err)
{
    browserCopy.clear();
    if (!ctx_) {
        err = "the media file is not open";
        return false;
    }
    if (!WriteWebVtt(outBase + ".vtt", events_, err))
        return false;
    // The copy is nearly all of the work, so its percentages are Save's.
    BrowserCopyPlan plan = PlanBrowserCopy(ctx_, copySettings);
    plan.options.chapters = chapters.empty() ? EventChapters(events_) : chapters;
    const std::string copy = outBase + "." + plan.extension;
    if (!cuts.Empty())
        return saveCutCopy(outBase, plan, err);
    Tav_DebugLog("Browser copy " + copy + (plan.Remux() ? " passed on as it is" : " encoded") + " from " + path_);
    const bool ok = transcode(copy, plan.options, onProgress, err);
    if (ok)
        browserCopy = copy.substr(copy.find_last_of('/') + 1);
    return ok;
}

// The recording transcoded into output; a Cancel reaches it while it runs.
bool FfmpegMediaFile::transcode(const std::string& output, const TranscodeOptions& options,
                                const std::function<void(int)>& progress, std::string& err)
{
    FfmpegTranscoder transcoder;
    transcoder.onProgress = progress;
    if (!transcoder.Open({MediaInput {path_, {}, {}}}, output, options, err))
        return false;
    {
        std::lock_guard lock(cancelMutex_);
        saving_ = &transcoder;
        if (cancelled_)
            transcoder.Cancel();
    }
    const bool ok = transcoder.Finish(err);
    std::lock_guard lock(cancelMutex_);
    saving_ = nullptr;
    return ok;
}

// The copy without the cuts: the recording's pictures passed on between
// them where they play in browsers, else encoded whole first (into a
// scratch file beside the copy) and that cut.
bool FfmpegMediaFile::saveCutCopy(const std::string& outBase, const BrowserCopyPlan& plan, std::string& err)
{
    const std::string copy = outBase + "." + plan.extension;
    std::string source = path_;
    TranscodeOptions cutting = plan.options;
    const bool encodeFirst = !plan.options.copyVideo || !CutCopyPassesVideoOn(ctx_);
    const int firstShare = encodeFirst ? 80 : 0;
    const auto progress = [this](int from, int to) {
        return [this, from, to](int percent) {
            if (onProgress)
                onProgress(from + (to - from) * percent / 100);
        };
    };
    if (encodeFirst) {
        source = outBase + ".uncut." + plan.extension;
        TranscodeOptions whole = plan.options;
        whole.copyVideo = false;
        whole.chapters.clear();
        whole.muxerOptions.clear();
        if (!transcode(source, whole, progress(0, firstShare), err))
            return false;
        // The sound was normalised on the way.
        cutting.audioFilter.clear();
    }
    Tav_DebugLog("Browser copy " + copy + " cut from " + source);
    const bool ok = WriteCutCopy(source, copy, cuts, cutting, progress(firstShare, 100), cutCancelled_, err);
    if (encodeFirst) {
        std::error_code ec;
        std::filesystem::remove(source, ec);
    }
    if (ok)
        browserCopy = copy.substr(copy.find_last_of('/') + 1);
    return ok;
}

void FfmpegMediaFile::Cancel()
{
    std::lock_guard lock(cancelMutex_);
    cancelled_ = true;
    cutCancelled_ = true;
    if (saving_)
        saving_->Cancel();
}

void FfmpegMediaFile::Close()
{
    if (ctx_)
        avformat_close_input(&ctx_);
    ctx_ = nullptr;
}

}  // namespace pellucor
