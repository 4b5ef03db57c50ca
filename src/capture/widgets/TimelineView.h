// The timeline above the timing editor's grid, bound to a TimelineModel:
// the waveform (and filmstrip) of the recording, a time ruler, and a marker
// with the slide's thumbnail at each change. Drag a marker to move the
// change, click elsewhere to play from there, Ctrl+wheel or the buttons to
// zoom.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <map>
#include <string>

class QLabel;
class QScrollArea;

namespace pellucor {

class TimelineModel;

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
    int markerAt(QPoint pos) const;
    const QPixmap& thumbnail(const std::string& path);

    TimelineModel& model_;
    QScrollArea* scroll_;
    QWidget* canvas_;
    QLabel* status_;
    std::map<std::string, QPixmap> thumbs_;
    std::map<size_t, QPixmap> frames_;  // filmstrip pictures by index
    const void* framesOf_ = nullptr;
    int dragRow_ = -1;
    QPoint pressedAt_;
    bool dragged_ = false;
};

}  // namespace pellucor
