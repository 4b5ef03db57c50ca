// The progress bar with percent and its Cancel button that a window shows
// while long work (a publish, a slide import) runs.
#pragma once

#include <QWidget>

class QProgressBar;
class QPushButton;

namespace pellucor {

class ProgressRow : public QWidget {
    Q_OBJECT
public:
    explicit ProgressRow(QWidget* parent = nullptr);

    // running: work is under way (Cancel offered); the bar stays in view
    // after it while it shows a percent.
    void Show(bool running, int percent);
    QProgressBar* Bar() const { return bar_; }

signals:
    void cancelClicked();

private:
    QProgressBar* bar_;
    QPushButton* cancel_;
};

}  // namespace pellucor
