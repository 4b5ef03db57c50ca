#include "editing/TimelineModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

#include "core/FileLookup.h"
#include "core/RecordingKinds.h"
#include "core/TavUtils.h"
#include "core/TimeText.h"
#include "editing/TimingEditor.h"

namespace pellucor {

namespace {

// What the cuts must leave of a recording: a lecture of nothing is a slip.
constexpr double kLeastKept = 0.5;

// A point of the timeline as a cut list keeps it: whole milliseconds.
double toMs(double seconds) { return std::round(seconds * 1000) / 1000; }

std::string stretchText(const CutStretch& c) { return CutTimeText(c.from) + " to " + CutTimeText(c.to); }

// The cuts of list but those keep says no to.
template <class Keep> CutList keptCuts(const CutList& list, Keep keep)
{
    std::vector<CutStretch> left;
    for (const CutStretch& c : list.Stretches())
        if (keep(c))
            left.push_back(c);
    return CutList(std::move(left));
}

// list with stretch cut too, joined with every cut it overlaps or touches.
CutList joined(const CutList& list, CutStretch stretch)
{
    std::vector<CutStretch> out;
    for (const CutStretch& c : list.Stretches()) {
        if (c.to < stretch.from || c.from > stretch.to) {
            out.push_back(c);
        } else {
            stretch.from = std::min(stretch.from, c.from);
            stretch.to = std::max(stretch.to, c.to);
        }
    }
    out.insert(std::upper_bound(out.begin(), out.end(), stretch,
                                [](const CutStretch& a, const CutStretch& b) { return a.from < b.from; }),
               stretch);
    return CutList(std::move(out));
}

}  // namespace

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
    selection_ = {};
    selectedCut_ = {};
    dragging_ = false;
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
                                  rows[i].page, SlideImageFor(rows[i].page), rows[i].bad, rows[i].cutAway});
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
        emit playRequested(QString::fromStdString(recording_), PastCut(std::max(0.0, seconds)));
}

// --- Cuts ----------------------------------------------------------------------

bool TimelineModel::CanEditCuts() const
{
    return state_ == State::Ready && !recording_.empty() && editor_.CutsOf() == recording_;
}

const CutList& TimelineModel::Cuts() const { return editor_.Cuts(); }
const CutEdits& TimelineModel::CutHistory() const { return editor_.CutHistory(); }

void TimelineModel::Select(double from, double to)
{
    const double end = Duration();
    selection_ = {toMs(std::clamp(std::min(from, to), 0.0, end)), toMs(std::clamp(std::max(from, to), 0.0, end))};
    selectedCut_ = {};
    emit changed();
}

int TimelineModel::CutAt(double seconds) const
{
    const auto& cuts = Cuts().Stretches();
    for (size_t i = 0; i < cuts.size(); ++i)
        if (seconds >= cuts[i].from && seconds < cuts[i].to)
            return static_cast<int>(i);
    return -1;
}

int TimelineModel::SelectedCut() const
{
    const auto& cuts = Cuts().Stretches();
    const auto it = std::find(cuts.begin(), cuts.end(), selectedCut_);
    return selectedCut_.to > selectedCut_.from && it != cuts.end() ? static_cast<int>(it - cuts.begin()) : -1;
}

void TimelineModel::selectCut(const CutStretch& cut)
{
    selectedCut_ = cut;
    selection_ = {};
    emit changed();
}

void TimelineModel::Click(double seconds)
{
    if (const int cut = CutAt(seconds); cut >= 0) {
        selectCut(Cuts().Stretches()[static_cast<size_t>(cut)]);
        return;
    }
    selectCut({});
    PlayFrom(seconds);
}

bool TimelineModel::Cut()
{
    if (!CanEditCuts() || !HasSelection())
        return false;
    CutList next = joined(Cuts(), selection_);
    if (next.KeptLength(Duration()) < kLeastKept)
        return false;
    editor_.ChangeCuts(std::move(next), "Cut " + stretchText(selection_));
    selectCut(Cuts().Stretches()[static_cast<size_t>(CutAt(selection_.from))]);
    return true;
}

bool TimelineModel::RemoveCut()
{
    const int index = SelectedCut();
    if (!CanEditCuts() || index < 0)
        return false;
    const CutStretch gone = Cuts().Stretches()[static_cast<size_t>(index)];
    editor_.ChangeCuts(keptCuts(Cuts(), [&](const CutStretch& c) { return !(c == gone); }),
                       "Remove the cut " + stretchText(gone));
    selectCut({});
    return true;
}

void TimelineModel::Undo() { editor_.UndoCuts(); }
void TimelineModel::Redo() { editor_.RedoCuts(); }

double TimelineModel::HandleAt(Handle handle) const
{
    const double end = Duration();
    for (const CutStretch& c : Cuts().Stretches()) {
        if (handle == Handle::Start && c.from <= 0)
            return c.to;
        if (handle == Handle::End && c.to >= end - 1e-3)
            return c.from;
    }
    return handle == Handle::Start ? 0 : end;
}

void TimelineModel::DragHandle(Handle handle, double seconds)
{
    if (!CanEditCuts())
        return;
    if (!dragging_)
        dragBase_ = Cuts();
    const double end = toMs(Duration()), at = toMs(std::clamp(seconds, 0.0, end));
    CutList next;
    std::string what;
    if (handle == Handle::Start) {
        next = keptCuts(dragBase_, [](const CutStretch& c) { return c.from > 0; });
        if (at > 0)
            next = joined(next, {0, at});
        what = "Cut the beginning to " + CutTimeText(at);
    } else {
        next = keptCuts(dragBase_, [end](const CutStretch& c) { return c.to < end - 1e-3; });
        if (at < end)
            next = joined(next, {at, end});
        what = "Cut the end from " + CutTimeText(at);
    }
    if (next.KeptLength(end) < kLeastKept || (!dragging_ && next.Stretches() == Cuts().Stretches()))
        return;
    editor_.ChangeCuts(std::move(next), what, dragging_);
    dragging_ = true;
}

double TimelineModel::PastCut(double seconds) const
{
    // Cuts read from a file may touch: go past each in turn.
    for (int cut = CutAt(seconds); cut >= 0; cut = CutAt(seconds))
        seconds = Cuts().Stretches()[static_cast<size_t>(cut)].to;
    return seconds;
}

std::string TimelineModel::CutSummary() const
{
    if (HasSelection())
        return "Selected " + stretchText(selection_) + ": Cut leaves it out";
    if (Cuts().Empty())
        return {};
    const size_t n = Cuts().Stretches().size();
    return std::to_string(n) + (n == 1 ? " cut" : " cuts") + ": the students see "
        + HmsText(std::lround(Cuts().KeptLength(Duration()))) + " of " + HmsText(std::lround(Duration()));
}

}  // namespace pellucor

#include "moc_TimelineModel.cpp"
