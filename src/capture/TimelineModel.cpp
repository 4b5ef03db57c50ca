#include "capture/TimelineModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

#include "capture/TimeText.h"
#include "capture/TimingEditor.h"
#include "core/FileLookup.h"
#include "core/RecordingKinds.h"
#include "core/TavUtils.h"

namespace pellucor {

TimelineModel::TimelineModel(TimingEditor& editor, OverviewCache cache, QObject* parent)
    : QObject(parent), editor_(editor), cache_(std::move(cache))
{
    connect(&editor_, &TimingEditor::changed, this, &TimelineModel::editorChanged);
}

TimelineModel::~TimelineModel() { stopReading(); }

std::string TimelineModel::RecordingFor(const std::string& eventsFile)
{
    const QFileInfo info(QString::fromStdString(eventsFile));
    const std::string dir = Tav_DirSlash(info.absolutePath().toStdString());
    std::string base = info.completeBaseName().toStdString();
    const std::string lower = Lower(base);
    if (lower == "pellucor" || lower == "rawmedia" || lower == "images")
        base = "rawmedia";
    const DirListing listing(dir);
    std::vector<std::string> exts {".rm", ".ra"};
    exts.insert(exts.end(), RecordingExtensions().begin(), RecordingExtensions().end());
    for (const std::string& ext : exts)
        if (std::string path = listing.Path(base + ext); !path.empty())
            return path;
    const std::string first = FirstRecordingIn(dir);
    if (!first.empty())
        return dir + first;
    const auto real = ListFiles(dir, "*.rm");
    return real.empty() ? std::string() : dir + real.front();
}

void TimelineModel::editorChanged()
{
    // A newly loaded events file brings its recording.
    if (editor_.LoadedFile() != loadedFile_) {
        loadedFile_ = editor_.LoadedFile();
        SetRecording(RecordingFor(loadedFile_));
        return;
    }
    emit changed();
}

void TimelineModel::stopReading()
{
    if (cancel_)
        *cancel_ = true;
    if (reader_.joinable())
        reader_.join();
    cancel_.reset();
}

void TimelineModel::SetRecording(const std::string& path)
{
    stopReading();
    ++generation_;
    recording_ = path;
    overview_ = RecordingOverview {};
    error_.clear();
    percent_ = 0;
    fromCache_ = false;
    if (path.empty()) {
        state_ = State::NoRecording;
    } else if (cache_.Load(path, overview_)) {
        state_ = State::Ready;
        fromCache_ = true;
    } else {
        state_ = State::Reading;
        cancel_ = std::make_shared<std::atomic<bool>>(false);
        const unsigned generation = generation_;
        reader_ = std::thread([this, path, generation, cancel = cancel_] {
            auto result = std::make_shared<RecordingOverview>();
            std::string err;
            const bool ok = ReadRecordingOverview(
                path, *result, kThumbHeight, kMaxFrames,
                [this, cancel, generation](double fraction) {
                    const int percent = static_cast<int>(fraction * 100);
                    QMetaObject::invokeMethod(
                        this,
                        [this, percent, generation] {
                            if (generation == generation_ && state_ == State::Reading && percent != percent_) {
                                percent_ = percent;
                                emit changed();
                            }
                        },
                        Qt::QueuedConnection);
                    return !*cancel;
                },
                err);
            if (*cancel)
                return;
            if (ok)
                cache_.Store(path, *result);
            QMetaObject::invokeMethod(
                this,
                [this, ok, err, result, generation] {
                    if (generation != generation_)
                        return;
                    state_ = ok ? State::Ready : State::Failed;
                    error_ = err;
                    if (ok)
                        overview_ = std::move(*result);
                    emit changed();
                },
                Qt::QueuedConnection);
        });
    }
    emit changed();
}

bool TimelineModel::WaitUntilRead(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (state_ == State::Reading && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return state_ == State::Ready;
}

double TimelineModel::Duration() const
{
    if (state_ == State::Ready && overview_.duration > 0)
        return overview_.duration;
    double last = static_cast<double>(TimingEditor::GridSeconds(editor_.TimeEnd()));
    for (const auto& row : editor_.Rows())
        last = std::max(last, static_cast<double>(TimingEditor::GridSeconds(row.start)) + 10);
    return std::max(last, 10.0);
}

std::string TimelineModel::SlideImageFor(const std::string& page) const
{
    const std::string lower = Lower(page);
    if (!slideDir || !StartsWith(lower, "sld") || !EndsWith(lower, ".htm"))
        return {};
    const std::string path = Tav_DirSlash(slideDir()) + "img" + page.substr(3, page.size() - 7) + ".gif";
    std::string found, err;
    return FindPath(path, found, err) ? found : std::string();
}

std::vector<TimelineModel::Marker> TimelineModel::Markers() const
{
    std::vector<Marker> markers;
    const auto& rows = editor_.Rows();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (Trim(rows[i].start).empty())
            continue;
        markers.push_back(Marker {static_cast<int>(i), static_cast<double>(TimingEditor::GridSeconds(rows[i].start)),
                                  rows[i].page, SlideImageFor(rows[i].page), rows[i].bad});
    }
    return markers;
}

double TimelineModel::PixelsPerSecond() const
{
    const double fit = std::max(1, viewWidth_) / Duration();
    return zoom_ > 0 ? std::max(zoom_, fit) : fit;
}

void TimelineModel::SetViewWidth(int pixels)
{
    if (pixels == viewWidth_)
        return;
    viewWidth_ = pixels;
    emit changed();
}

void TimelineModel::ZoomIn()
{
    zoom_ = std::min(PixelsPerSecond() * 2, kMaxZoom);
    emit changed();
}

void TimelineModel::ZoomOut()
{
    const double fit = std::max(1, viewWidth_) / Duration();
    zoom_ = PixelsPerSecond() / 2 <= fit ? 0 : PixelsPerSecond() / 2;
    emit changed();
}

void TimelineModel::ZoomToFit()
{
    zoom_ = 0;
    emit changed();
}

bool TimelineModel::MoveMarker(int row, double seconds)
{
    const auto& rows = editor_.Rows();
    if (row < 0 || row >= static_cast<int>(rows.size()))
        return false;
    long s = std::lround(std::max(0.0, seconds));
    // Changes keep their order: at least a second after the one before and
    // before the one after.
    for (int r = row - 1; r >= 0; --r)
        if (!Trim(rows[static_cast<size_t>(r)].start).empty()) {
            s = std::max(s, TimingEditor::GridSeconds(rows[static_cast<size_t>(r)].start) + 1);
            break;
        }
    for (size_t r = static_cast<size_t>(row) + 1; r < rows.size(); ++r)
        if (!Trim(rows[r].start).empty()) {
            s = std::min(s, TimingEditor::GridSeconds(rows[r].start) - 1);
            break;
        }
    if (state_ == State::Ready && overview_.duration > 0)
        s = std::min(s, static_cast<long>(std::floor(overview_.duration)));
    const std::string& current = rows[static_cast<size_t>(row)].start;
    if (s < 0 || (!Trim(current).empty() && TimingEditor::GridSeconds(current) == s))
        return false;
    editor_.SetRowStart(row, HmsText(s));
    return true;
}

void TimelineModel::PlayFrom(double seconds)
{
    if (!recording_.empty())
        emit playRequested(QString::fromStdString(recording_), std::max(0.0, seconds));
}

}  // namespace pellucor

#include "moc_TimelineModel.cpp"
