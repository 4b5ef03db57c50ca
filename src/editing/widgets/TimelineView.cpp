#include "editing/widgets/TimelineView.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

#include "core/TimeText.h"
#include "editing/CutEdits.h"
#include "editing/TimelineModel.h"
#include "editing/widgets/FieldBinding.h"

namespace pellucor {

namespace {
constexpr int kThumbH = 36;  // marker thumbnails
constexpr int kRulerH = 16;
constexpr int kWaveH = 56;
constexpr int kGrab = 6;  // pixels either side of a marker line that pick it up
constexpr int kGrip = 9;  // width of a trim handle's grip in the ruler

int stripHeight(const TimelineModel& m) { return m.Overview().frames.empty() ? 0 : TimelineModel::kThumbHeight; }
}  // namespace

TimelineView::TimelineView(TimelineModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      scroll_(new QScrollArea(this)),
      canvas_(new QWidget),
      status_(new QLabel(this)),
      cut_(ActionButton(tr("Cut"), this, [this] { model_.Cut(); })),
      removeCut_(ActionButton(tr("Remove Cut"), this, [this] { model_.RemoveCut(); })),
      undo_(ActionButton(tr("Undo"), this, [this] { model_.Undo(); })),
      redo_(ActionButton(tr("Redo"), this, [this] { model_.Redo(); }))
{
    canvas_->setObjectName("timelineCanvas");
    canvas_->setMouseTracking(true);
    canvas_->installEventFilter(this);
    scroll_->setWidget(canvas_);
    scroll_->setWidgetResizable(false);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll_->viewport()->installEventFilter(this);
    scroll_->setToolTip(
        tr("Drag a slide marker to move its change. Drag across the recording to select a stretch to leave out "
           "(Shift+drag to start on a marker), then Cut. Drag the handle at either end to cut the beginning or the "
           "end. Click a cut to select it; click elsewhere to play from there (cuts are skipped). Ctrl+wheel "
           "zooms."));
    cut_->setObjectName("cmdCut");
    cut_->setToolTip(tr("Leaves the selected stretch out of the published lecture (the recording is not changed). "
                        "Select it by dragging across the timeline."));
    removeCut_->setObjectName("cmdRemoveCut");
    removeCut_->setToolTip(tr("Puts the selected cut back. Click a cut to select it."));
    undo_->setObjectName("cmdUndoCut");
    redo_->setObjectName("cmdRedoCut");

    auto* bar = new QHBoxLayout;
    status_->setObjectName("timelineStatus");
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(status_, 1);
    for (QPushButton* b : {cut_, removeCut_, undo_, redo_})
        bar->addWidget(b);
    auto zoomButton = [&](const char* name, const QString& text, const QString& tip, void (TimelineModel::*act)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setToolTip(tip);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, act] { (model_.*act)(); });
        bar->addWidget(b);
    };
    zoomButton("cmdZoomOut", tr("Zoom -"), tr("Show more of the recording"), &TimelineModel::ZoomOut);
    zoomButton("cmdZoomIn", tr("Zoom +"), tr("Show the recording closer"), &TimelineModel::ZoomIn);
    zoomButton("cmdZoomFit", tr("Fit"), tr("Show the whole recording"), &TimelineModel::ZoomToFit);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(scroll_);
    connect(&model_, &TimelineModel::changed, this, &TimelineView::refresh);
    refresh();
}

void TimelineView::refresh()
{
    switch (model_.GetState()) {
    case TimelineModel::State::NoRecording:
        status_->setText(tr("Timeline: load an events file that has a recording beside it"));
        break;
    case TimelineModel::State::Reading:
        status_->setText(tr("Reading the recording for the timeline: %1%").arg(model_.Percent()));
        break;
    case TimelineModel::State::Failed:
        status_->setText(tr("The timeline cannot show the recording: %1").arg(QString::fromStdString(model_.Error())));
        break;
    case TimelineModel::State::Ready:
        status_->setText(QFileInfo(QString::fromStdString(model_.Recording())).fileName());
        break;
    }
    if (const std::string cuts = model_.CutSummary(); !cuts.empty())
        status_->setText(status_->text() + " \u2014 " + QString::fromStdString(cuts));
    status_->setToolTip(status_->text());
    const bool editable = model_.CanEditCuts();
    cut_->setEnabled(editable && model_.HasSelection());
    removeCut_->setEnabled(editable && model_.SelectedCut() >= 0);
    const CutEdits& history = model_.CutHistory();
    undo_->setEnabled(editable && history.CanUndo());
    redo_->setEnabled(editable && history.CanRedo());
    undo_->setToolTip(history.CanUndo() ? tr("Undo: %1").arg(QString::fromStdString(history.UndoWhat()))
                                        : tr("Takes back the last change to the cuts"));
    redo_->setToolTip(history.CanRedo() ? tr("Redo: %1").arg(QString::fromStdString(history.RedoWhat()))
                                        : tr("Makes the change to the cuts taken back again"));
    const int height = rulerY() + kRulerH;
    scroll_->setFixedHeight(height + scroll_->horizontalScrollBar()->sizeHint().height() + 2 * scroll_->frameWidth());
    model_.SetViewWidth(scroll_->viewport()->width());
    canvas_->setFixedSize(std::max(scroll_->viewport()->width(),
                                   static_cast<int>(std::ceil(model_.Duration() * model_.PixelsPerSecond()))),
                          height);
    canvas_->update();
}

const QPixmap& TimelineView::thumbnail(const std::string& path)
{
    auto it = thumbs_.find(path);
    if (it == thumbs_.end()) {
        QPixmap p(QString::fromStdString(path));
        it = thumbs_.emplace(path, p.isNull() ? p : p.scaledToHeight(kThumbH, Qt::SmoothTransformation)).first;
    }
    return it->second;
}

void TimelineView::paintCanvas()
{
    QPainter p(canvas_);
    const QRect area = canvas_->rect();
    p.fillRect(area, palette().base());
    const int rulerTop = rulerY();
    const Band band {.stripTop = kThumbH + 4,
                     .waveTop = rulerTop - kWaveH,
                     .rulerTop = rulerTop,
                     .pps = model_.PixelsPerSecond(),
                     .area = area,
                     .visible = canvas_->visibleRegion().boundingRect()};
    paintFilmstrip(p, band);
    paintWaveform(p, band);
    paintRuler(p, band);
    paintCuts(p, band);
    paintMarkers(p, band);
}

void TimelineView::paintFilmstrip(QPainter& p, const Band& band)
{
    const RecordingOverview& o = model_.Overview();
    // Filmstrip: each picture from its time on, as far as the next.
    if (framesOf_ != o.frames.data()) {
        frames_.clear();
        framesOf_ = o.frames.data();
    }
    for (size_t i = 0; i < o.frames.size(); ++i) {
        const auto& f = o.frames[i];
        const int x = static_cast<int>(f.time * band.pps);
        const int next
            = i + 1 < o.frames.size() ? static_cast<int>(o.frames[i + 1].time * band.pps) : band.area.width();
        if (next < band.visible.left() || x > band.visible.right())
            continue;
        auto it = frames_.find(i);
        if (it == frames_.end()) {
            const QImage image(f.rgb.data(), f.width, f.height, f.width * 3, QImage::Format_RGB888);
            it = frames_.emplace(i, QPixmap::fromImage(image.copy())).first;
        }
        for (int at = x; at < next; at += f.width)
            p.drawPixmap(QRect(at, band.stripTop, std::min(f.width, next - at), f.height), it->second,
                         QRect(0, 0, std::min(f.width, next - at), f.height));
    }
}

void TimelineView::paintWaveform(QPainter& p, const Band& band)
{
    const RecordingOverview& o = model_.Overview();
    // Waveform: the loudest level of each column.
    p.setPen(palette().color(QPalette::Highlight));
    const int mid = band.waveTop + kWaveH / 2;
    for (int x = std::max(0, band.visible.left()); x <= std::min(band.area.width() - 1, band.visible.right()); ++x) {
        const int level = o.PeakBetween(x / band.pps, (x + 1) / band.pps) * (kWaveH / 2 - 2) / 255;
        p.drawLine(x, mid - level, x, mid + level);
    }
}

void TimelineView::paintRuler(QPainter& p, const Band& band)
{
    // Ruler: a tick at a round number of seconds about every 80 pixels.
    p.setPen(palette().color(QPalette::Text));
    static const int steps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600};
    int step = steps[std::size(steps) - 1];
    for (int s : steps)
        if (s * band.pps >= 80) {
            step = s;
            break;
        }
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    p.setFont(small);
    for (long s = 0; s <= model_.Duration(); s += step) {
        const int x = static_cast<int>(s * band.pps);
        p.drawLine(x, band.rulerTop, x, band.rulerTop + 4);
        p.drawText(x + 2, band.rulerTop + kRulerH - 3, QString::fromStdString(HmsText(s)));
    }
}

void TimelineView::paintCuts(QPainter& p, const Band& band)
{
    // Cuts hatched over the pictures and the sound; the selected one and
    // the selected stretch outlined.
    const auto span = [&](const CutStretch& c) {
        return QRect(QPoint(static_cast<int>(c.from * band.pps), band.stripTop),
                     QPoint(static_cast<int>(c.to * band.pps), band.rulerTop - 1));
    };
    const auto& cuts = model_.Cuts().Stretches();
    for (size_t i = 0; i < cuts.size(); ++i) {
        const QRect r = span(cuts[i]);
        p.fillRect(r, QColor(128, 128, 128, 110));
        p.fillRect(r, QBrush(QColor(60, 60, 60), Qt::BDiagPattern));
        if (static_cast<int>(i) == model_.SelectedCut()) {
            p.setPen(QPen(palette().color(QPalette::Highlight), 2));
            p.drawRect(r.adjusted(1, 1, -1, -1));
        }
    }
    if (model_.HasSelection()) {
        const QRect r = span(model_.Selection());
        QColor fill = palette().color(QPalette::Highlight);
        fill.setAlpha(70);
        p.fillRect(r, fill);
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    // Trim handles: a line with a grip in the ruler, pointing inwards.
    if (model_.CanEditCuts())
        for (const auto handle : {TimelineModel::Handle::Start, TimelineModel::Handle::End}) {
            const int x = static_cast<int>(model_.HandleAt(handle) * band.pps);
            const QColor colour(220, 110, 0);
            p.setPen(QPen(colour, 2));
            p.drawLine(x, band.stripTop, x, band.rulerTop + kRulerH);
            const int left = handle == TimelineModel::Handle::Start ? x : x - kGrip;
            p.fillRect(QRect(left, band.rulerTop, kGrip, kRulerH), colour);
        }
}

void TimelineView::paintMarkers(QPainter& p, const Band& band)
{
    // Markers: a line through the waveform with the slide's thumbnail on top.
    for (const TimelineModel::Marker& m : model_.Markers()) {
        const int x = static_cast<int>(m.seconds * band.pps);
        const QColor colour = m.bad ? QColor(Qt::red)
            : m.cutAway             ? QColor(Qt::gray)
            : m.row == dragRow_     ? QColor(0, 140, 0)
                                    : QColor(0, 90, 200);
        p.setPen(QPen(colour, 2));
        p.drawLine(x, 0, x, band.rulerTop);
        const QPixmap& thumb = m.slideImage.empty() ? QPixmap() : thumbnail(m.slideImage);
        const QRect box = thumb.isNull() ? QRect(x + 1, 0, p.fontMetrics().horizontalAdvance("sld000") + 6, kThumbH)
                                         : QRect(x + 1, 0, thumb.width(), thumb.height());
        if (thumb.isNull()) {
            p.fillRect(box, colour.lighter(170));
            p.drawText(box, Qt::AlignCenter, QString::fromStdString(m.page).section('.', 0, 0));
        } else {
            p.drawPixmap(box.topLeft(), thumb);
            p.drawRect(box.adjusted(0, 0, -1, -1));
        }
    }
}

int TimelineView::markerAt(QPoint pos) const
{
    const double pps = model_.PixelsPerSecond();
    int best = -1, bestDistance = kGrab + 1;
    for (const TimelineModel::Marker& m : model_.Markers()) {
        const int x = static_cast<int>(m.seconds * pps);
        // On its line, or on its thumbnail (which hangs right of the line).
        const int d = pos.y() <= kThumbH && pos.x() >= x && pos.x() <= x + 2 * kThumbH ? 0 : std::abs(pos.x() - x);
        if (d < bestDistance) {
            bestDistance = d;
            best = m.row;
        }
    }
    return best;
}

int TimelineView::rulerY() const { return kThumbH + 4 + stripHeight(model_) + kWaveH; }

// A handle is taken by its grip in the ruler, or by its line where no
// marker is as near.
std::optional<TimelineModel::Handle> TimelineView::handleAt(QPoint pos) const
{
    if (!model_.CanEditCuts())
        return std::nullopt;
    const double pps = model_.PixelsPerSecond();
    for (const auto handle : {TimelineModel::Handle::Start, TimelineModel::Handle::End}) {
        const int x = static_cast<int>(model_.HandleAt(handle) * pps);
        const int gripX = handle == TimelineModel::Handle::Start ? x + kGrip / 2 : x - kGrip / 2;
        if (pos.y() >= rulerY() && std::abs(pos.x() - gripX) <= kGrip / 2 + 2)
            return handle;
        if (pos.y() > kThumbH && std::abs(pos.x() - x) <= kGrab && markerAt(pos) < 0)
            return handle;
    }
    return std::nullopt;
}

void TimelineView::dragTo(QPoint pos)
{
    if (!dragged_ && std::abs(pos.x() - pressedAt_.x()) < 3)
        return;
    dragged_ = true;
    const double pps = model_.PixelsPerSecond();
    if (dragHandle_)
        model_.DragHandle(*dragHandle_, pos.x() / pps);
    else if (dragRow_ >= 0)
        model_.MoveMarker(dragRow_, pos.x() / pps);
    else if (selecting_)
        model_.Select(pressedAt_.x() / pps, pos.x() / pps);
}

bool TimelineView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize) {
        refresh();
        return false;
    }
    if (watched != canvas_)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint: paintCanvas(); return true;
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            break;
        pressedAt_ = e->position().toPoint();
        dragged_ = false;
        dragHandle_ = handleAt(pressedAt_);
        const bool shift = e->modifiers() & Qt::ShiftModifier;
        dragRow_ = dragHandle_ || shift ? -1 : markerAt(pressedAt_);
        selecting_ = !dragHandle_ && dragRow_ < 0;
        canvas_->update();
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPoint pos = e->position().toPoint();
        if (!(e->buttons() & Qt::LeftButton)) {
            canvas_->setCursor(handleAt(pos)            ? Qt::SplitHCursor
                                   : markerAt(pos) >= 0 ? Qt::SizeHorCursor
                                                        : Qt::PointingHandCursor);
            break;
        }
        dragTo(pos);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            break;
        // The drag ends where the button is let go, however fast it went.
        dragTo(e->position().toPoint());
        if (!dragged_)
            model_.Click(e->position().x() / model_.PixelsPerSecond());
        if (dragHandle_)
            model_.EndDrag();
        dragHandle_.reset();
        dragRow_ = -1;
        dragged_ = false;
        selecting_ = false;
        canvas_->update();
        return true;
    }
    case QEvent::Wheel: {
        auto* e = static_cast<QWheelEvent*>(event);
        if (!(e->modifiers() & Qt::ControlModifier))
            break;
        if (e->angleDelta().y() > 0)
            model_.ZoomIn();
        else if (e->angleDelta().y() < 0)
            model_.ZoomOut();
        return true;
    }
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pellucor

#include "moc_TimelineView.cpp"
