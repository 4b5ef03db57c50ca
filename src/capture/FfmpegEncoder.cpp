#include "capture/FfmpegEncoder.h"

#include <QMetaObject>
#include <QObject>

#include <algorithm>

#include "capture/FfmpegMediaFile.h"
#include "capture/MediaCheck.h"
#include "core/TavUtils.h"

namespace pellucor {

TargetBitRates BitRatesFor(EncoderControl::Target target)
{
    static const TargetBitRates rates[6] = {{16, 32}, {24, 32}, {32, 32}, {64, 48}, {160, 64}, {320, 96}};
    return rates[std::clamp(static_cast<int>(target), 0, 5)];
}

FfmpegEncoder::FfmpegEncoder() : owner_(std::make_unique<QObject>()) { }

FfmpegEncoder::~FfmpegEncoder()
{
    stopPreview();
    // The recording so far is kept: the file is finished, not thrown away.
    if (worker_.joinable()) {
        transcoder_->Stop();
        worker_.join();
    }
}

void FfmpegEncoder::SetDevices(std::vector<CaptureDevice> audio, std::vector<CaptureDevice> video)
{
    audioDevices_ = std::move(audio);
    videoDevices_ = std::move(video);
    devicesListed_ = true;
}

const std::vector<CaptureDevice>& FfmpegEncoder::audioDevices() const
{
    if (!devicesListed_) {
        devicesListed_ = true;
        audioDevices_ = FfmpegAudioDevices();
        videoDevices_ = FfmpegVideoDevices();
    }
    return audioDevices_;
}

const std::vector<CaptureDevice>& FfmpegEncoder::videoDevices() const
{
    audioDevices();
    return videoDevices_;
}

namespace {
std::vector<std::string> labels(const std::vector<CaptureDevice>& devices)
{
    std::vector<std::string> out;
    for (const auto& d : devices)
        out.push_back(d.label);
    return out;
}
const CaptureDevice* pick(const std::vector<CaptureDevice>& devices, int index)
{
    return index >= 0 && index < static_cast<int>(devices.size()) ? &devices[static_cast<size_t>(index)] : nullptr;
}
}  // namespace

std::vector<std::string> FfmpegEncoder::AudioDriverNames() const { return labels(audioDevices()); }
std::vector<std::string> FfmpegEncoder::VideoDriverNames() const { return labels(videoDevices()); }
const CaptureDevice* FfmpegEncoder::AudioDevice() const { return pick(audioDevices(), audioDriver_); }
const CaptureDevice* FfmpegEncoder::VideoDevice() const { return pick(videoDevices(), videoDriver_); }

CaptureFormat FfmpegEncoder::videoFormat() const
{
    CaptureFormat f = format_;
    if (f.width <= 0 || f.height <= 0) {
        f.width = outWidth_;
        f.height = outHeight_;
    }
    return f;
}

void FfmpegEncoder::error(int code, const std::string& text)
{
    if (events.OnErrorOccurred)
        events.OnErrorOccurred(code, text);
}

bool FfmpegEncoder::Plan(EncodingPlan& plan, std::string& err) const
{
    plan = EncodingPlan {};
    TranscodeOptions& o = plan.options;
    if (inputKind_ == InputFile) {
        if (Trim(inputFile_).empty()) {
            err = "No input file";
            return false;
        }
        plan.inputs.push_back({inputFile_, {}, {}});
    } else {
        const CaptureDevice* a = audioOn_ ? AudioDevice() : nullptr;
        const CaptureDevice* v = videoOn_ ? VideoDevice() : nullptr;
        if (audioOn_ && !a) {
            err = "No audio device";
            return false;
        }
        if (videoOn_ && !v) {
            err = "No video device";
            return false;
        }
        if (!a && !v) {
            err = "Neither audio nor video is on";
            return false;
        }
        if (a) {
            plan.inputs.push_back(CaptureInput(*a, format_));
            o.sampleRate = format_.sampleRate;
            o.channels = format_.channels;
        }
        if (v) {
            const CaptureFormat f = videoFormat();
            plan.inputs.push_back(CaptureInput(*v, f, sourceInput_));
            // Live pictures are encoded at the chosen size; a converted
            // file keeps its own.
            o.width = f.width;
            o.height = f.height;
        }
        o.live = true;
    }
    if (!doOutputFile_ || Trim(outputFile_).empty()) {
        err = "No output file";
        return false;
    }
    int target = 4;
    for (int i = 0; i < 6; ++i)
        if (targets_[i]) {
            target = i;
            break;
        }
    const TargetBitRates rates = BitRatesFor(static_cast<Target>(target));
    o.videoBitRate = rates.video * 1000;
    o.audioBitRate = rates.audio * 1000;
    const auto dot = outputFile_.find_last_of('.');
    const std::string ext = dot == std::string::npos ? std::string() : Lower(outputFile_.substr(dot));
    if (ext == ".rm" || ext == ".ra") {
        o.format = "rm";
        o.videoCodec = "rv20";
        o.audioCodec = "ac3";
        o.dropVideo = ext == ".ra";
    }
    if (!compression_.videoCodec.empty())
        o.videoCodec = compression_.videoCodec;
    if (!compression_.audioCodec.empty())
        o.audioCodec = compression_.audioCodec;
    if (compression_.videoKbps > 0)
        o.videoBitRate = compression_.videoKbps * 1000;
    if (compression_.audioKbps > 0)
        o.audioBitRate = compression_.audioKbps * 1000;
    return true;
}

std::unique_ptr<FfmpegTranscoder> FfmpegEncoder::newTranscoder()
{
    auto transcoder = std::make_unique<FfmpegTranscoder>();
    QObject* owner = owner_.get();
    transcoder->onPreview = [this, owner](const PreviewFrame& frame) {
        QMetaObject::invokeMethod(
            owner, [this, frame] { showPreview(frame); }, Qt::QueuedConnection);
    };
    transcoder->onLevel = [this, owner](double peak) {
        QMetaObject::invokeMethod(
            owner,
            [this, peak] {
                if ((encoding_ || Previewing()) && events.OnSoundLevel)
                    events.OnSoundLevel(peak);
            },
            Qt::QueuedConnection);
    };
    return transcoder;
}

void FfmpegEncoder::showPreview(const PreviewFrame& frame)
{
    if (!encoding_ && !Previewing())
        return;  // a late picture of a finished run
    if (frame.width != previewWidth_ || frame.height != previewHeight_) {
        previewWidth_ = frame.width;
        previewHeight_ = frame.height;
        if (events.OnVideoWindowSized)
            events.OnVideoWindowSized();
    }
    if (events.OnPreviewFrame)
        events.OnPreviewFrame(frame);
}

void FfmpegEncoder::startPreview()
{
    stopPreview();
    if (inputKind_ != InputDevices)
        return;
    const CaptureDevice* v = videoOn_ ? VideoDevice() : nullptr;
    const CaptureDevice* a = audioOn_ ? AudioDevice() : nullptr;
    if (!v && !a)
        return;
    TranscodeOptions o;
    o.format = "null";  // nothing is written; the pictures and the sound level are only shown
    o.live = true;
    const CaptureFormat f = videoFormat();
    o.width = f.width;
    o.height = f.height;
    std::vector<MediaInput> inputs;
    if (a)
        inputs.push_back(CaptureInput(*a, format_));
    if (v)
        inputs.push_back(CaptureInput(*v, f, sourceInput_));
    auto preview = newTranscoder();
    std::string err;
    if (!preview->Open(inputs, "preview", o, err)) {
        Tav_DebugLog("No live preview: " + err);
        return;
    }
    preview_ = std::move(preview);
    previewWorker_ = std::thread([p = preview_.get()] {
        std::string ignored;
        p->Finish(ignored);
    });
}

void FfmpegEncoder::stopPreview()
{
    if (!previewWorker_.joinable())
        return;
    preview_->Stop();
    previewWorker_.join();
    preview_.reset();
}

void FfmpegEncoder::StartEncoding()
{
    if (encoding_)
        return;
    EncodingPlan plan;
    std::string err;
    if (!Plan(plan, err)) {
        error(-1, err);
        return;
    }
    // The camera is given over from the preview to the recording.
    stopPreview();
    auto transcoder = newTranscoder();
    if (!transcoder->Open(plan.inputs, outputFile_, plan.options, err)) {
        error(transcoder->ErrorCode(), err);
        return;
    }
    const unsigned run = ++run_;
    QObject* owner = owner_.get();
    transcoder->onProgress = [this, owner, run](int percent) {
        QMetaObject::invokeMethod(
            owner, [this, run, percent] { progress(run, percent); }, Qt::QueuedConnection);
    };
    transcoder_ = std::move(transcoder);
    encoding_ = true;
    if (inputKind_ == InputDevices)
        sourceOpen_ = true;
    worker_ = std::thread([this, owner, run] {
        std::string text;
        resultOk_ = transcoder_->Finish(text);
        resultError_ = text;
        resultCode_ = transcoder_->ErrorCode();
        QMetaObject::invokeMethod(
            owner, [this, run] { complete(run); }, Qt::QueuedConnection);
    });
    if (events.OnEncodingStarted)
        events.OnEncodingStarted();
}

void FfmpegEncoder::progress(unsigned run, int percent)
{
    if (run == run_ && worker_.joinable() && events.OnEncodingProgressChanged)
        events.OnEncodingProgressChanged(percent);
}

void FfmpegEncoder::complete(unsigned run)
{
    if (run != run_ || !worker_.joinable())
        return;  // already completed by a stop
    worker_.join();
    transcoder_.reset();
    ++run_;  // progress still queued belongs to the finished run
    encoding_ = false;
    sourceOpen_ = false;
    if (!resultOk_)
        error(resultCode_, resultError_);
    else if (events.OnEncodingStopped)
        events.OnEncodingStopped();
}

void FfmpegEncoder::StopEncoding()
{
    stopPreview();
    if (worker_.joinable()) {
        // Reading ends at once; the file is finished before this returns.
        transcoder_->Stop();
        complete(run_);
        return;
    }
    encoding_ = false;
    sourceOpen_ = false;
}

void FfmpegEncoder::OpenSource()
{
    stopPreview();
    sourceOpen_ = false;
    std::string err;
    if (inputKind_ == InputFile) {
        if (!FfmpegMediaFile::Open(inputFile_, err)) {
            error(-1, err);
            return;
        }
    } else {
        const CaptureDevice* a = audioOn_ ? AudioDevice() : nullptr;
        const CaptureDevice* v = videoOn_ ? VideoDevice() : nullptr;
        if ((audioOn_ && !a) || (videoOn_ && !v)) {
            error(-1, audioOn_ && !a ? "No audio device" : "No video device");
            return;
        }
        if ((a && !FfmpegProbeDevice(CaptureInput(*a, format_), a->label, err))
            || (v && !FfmpegProbeDevice(CaptureInput(*v, videoFormat(), sourceInput_), v->label, err))) {
            error(-1, err);
            return;
        }
    }
    sourceOpen_ = true;
    startPreview();
}

void FfmpegEncoder::dialog(const std::function<std::string(FfmpegEncoder&)>& show)
{
    if (!show)
        return;
    const std::string failure = show(*this);
    if (!failure.empty())
        error(-1, failure);
}

void FfmpegEncoder::ShowFormatDialog() { dialog(formatDialog); }
void FfmpegEncoder::ShowSourceDialog() { dialog(sourceDialog); }
void FfmpegEncoder::ShowCompressionDialog() { dialog(compressionDialog); }

std::unique_ptr<MediaFileObject> FfmpegEncoder::OpenRmFile(const std::string& path, std::string& err)
{
    return FfmpegMediaFile::Open(path, err);
}

bool FfmpegEncoder::CheckPlayable(const std::string& path, std::string& err) { return CheckMediaPlays(path, err); }

}  // namespace pellucor
