// The timing editor's window: binds a TimingEditor model to a grid, the edit
// fields and the buttons.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace pellucor {

class SlideTextPanel;
class TimingEditor;
class TimelineModel;
class TimelineView;

class TimingEditorView : public QWidget {
    Q_OBJECT
public:
    // timeline: shown above the grid when given; slideText: the selected
    // slide's words beside the grid, and each slide's title in it.
    explicit TimingEditorView(TimingEditor& model, TimelineModel* timeline = nullptr,
                              SlideTextPanel* slideText = nullptr, QWidget* parent = nullptr);

    // The grid's column of the times the students see.
    static constexpr int kShownColumn = 3;

    QTableWidget* Grid1() const { return grid_; }
    QLineEdit* Timein() const { return timein_; }
    QLineEdit* TxtImage() const { return image_; }
    QLineEdit* TimeEnd() const { return timeEnd_; }
    QLineEdit* TxtDelta() const { return delta_; }
    TimelineView* Timeline() const { return timeline_; }
    QLineEdit* SlideTitle() const { return slideTitle_; }
    QPlainTextEdit* SlideText() const { return slideText_; }
    QPushButton* SaveText() const { return saveText_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void refreshText();
    QWidget* textPanel();
    QPushButton* button(const QString& caption, const QString& tip, void (TimingEditor::*action)());

    TimingEditor& model_;
    QTableWidget* grid_;
    QLineEdit *timein_, *image_, *timeEnd_, *delta_;
    TimelineView* timeline_ = nullptr;
    SlideTextPanel* text_;
    QLabel* textSource_ = nullptr;
    QLineEdit* slideTitle_ = nullptr;
    QPlainTextEdit* slideText_ = nullptr;
    QPushButton* saveText_ = nullptr;
    bool refreshing_ = false;
    bool closing_ = false;
};

}  // namespace pellucor
