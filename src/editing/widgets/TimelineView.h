// The timeline above the timing editor's grid, bound to a TimelineModel:
// the waveform (and filmstrip) of the recording, a time ruler, and a marker
// with the slide's thumbnail at each change, the cuts hatched and a trim
// handle at each end. Drag a marker to move the change, drag across the
// recording to select a stretch to cut, click elsewhere to play from
// there, Ctrl+wheel or the buttons to zoom.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <map>
#include <optional>
#include <string>

#include "editing/TimelineModel.h"

class QLabel;
class QPushButton;
class QScrollArea;

class QPainter;

namespace pellucor {

class TimelineView : public QWidget {
    Q_OBJECT
public:
    explicit TimelineView(TimelineModel& model, QWidget* parent = nullptr);

    // The drawing area (for tests: markers sit at x = seconds * zoom).
    QWidget* Canvas() const { return canvas_; }
    QScrollArea* Scroller() const { return scroll_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void paintCanvas();
    // Where the canvas's bands lie (the thumbnails above them), its scale
    // and what of it is to be painted.
    struct Band {
        int stripTop, waveTop, rulerTop;
        double pps;
        QRect area, visible;
    };
    void paintFilmstrip(QPainter& p, const Band& band);
    void paintWaveform(QPainter& p, const Band& band);
    void paintRuler(QPainter& p, const Band& band);
    void paintCuts(QPainter& p, const Band& band);
    void paintMarkers(QPainter& p, const Band& band);
    int markerAt(QPoint pos) const;
    // A move with the button held: drags what was pressed.
    void dragTo(QPoint pos);
    std::optional<TimelineModel::Handle> handleAt(QPoint pos) const;
    int rulerY() const;
    const QPixmap& thumbnail(const std::string& path);

    TimelineModel& model_;
    QScrollArea* scroll_;
    QWidget* canvas_;
    QLabel* status_;
    QPushButton *cut_, *removeCut_, *undo_, *redo_;
    std::map<std::string, QPixmap> thumbs_;
    std::map<size_t, QPixmap> frames_;  // filmstrip pictures by index
    const void* framesOf_ = nullptr;
    int dragRow_ = -1;
    std::optional<TimelineModel::Handle> dragHandle_;
    bool selecting_ = false;
    QPoint pressedAt_;
    bool dragged_ = false;
};

}  // namespace pellucor
