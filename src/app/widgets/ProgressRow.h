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
    // after it while it shows a percent. A percent below 0: the amount of
    // work is not known, the bar only shows that it is busy.
    void Show(bool running, int percent);
    void SetPercent(int percent);
    // Shown after the percent ("42%, about 5 min left"); "" for none.
    void SetTimeLeft(const QString& text);

signals:
    void cancelClicked();

private:
    QProgressBar* bar_;
    QPushButton* cancel_;
};

}  // namespace pellucor
