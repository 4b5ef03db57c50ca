// The timing editor's window: binds a TimingEditor model to a grid, the edit
// fields and the buttons.
#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace pellucor {

class TimingEditor;
class TimelineModel;
class TimelineView;

class TimingEditorView : public QWidget {
    Q_OBJECT
public:
    // timeline: shown above the grid when given.
    explicit TimingEditorView(TimingEditor& model, TimelineModel* timeline = nullptr, QWidget* parent = nullptr);

    QTableWidget* Grid1() const { return grid_; }
    QLineEdit* Timein() const { return timein_; }
    QLineEdit* TxtImage() const { return image_; }
    QLineEdit* TimeEnd() const { return timeEnd_; }
    QLineEdit* TxtDelta() const { return delta_; }
    TimelineView* Timeline() const { return timeline_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    QPushButton* button(const QString& caption, const QString& tip, void (TimingEditor::*action)());

    TimingEditor& model_;
    QTableWidget* grid_;
    QLineEdit *timein_, *image_, *timeEnd_, *delta_;
    TimelineView* timeline_ = nullptr;
    bool refreshing_ = false;
    bool closing_ = false;
};

}  // namespace pellucor
