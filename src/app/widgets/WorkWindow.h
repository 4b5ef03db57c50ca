// What the main window and the detailed form have alike around their own
// controls: the status line painted in its status colour, the progress row
// with Cancel shown while a publish or a slide import runs (the window's
// inputs and menus locked meanwhile), and closing the window ending the
// program once the model agrees (it asks before cancelling a publish).
#pragma once

#include <QMainWindow>

#include <functional>
#include <initializer_list>

#include "app/widgets/ProgressRow.h"

class QLabel;

namespace pellucor {

class WorkWindow : public QMainWindow {
    Q_OBJECT
protected:
    // cancel: stops the work under way (the model's Cancel).
    // confirmClose: the model's answer to closing (it cancels the work under
    // way when it agrees). statusName: the status label's control name.
    WorkWindow(std::function<void()> cancel, std::function<bool()> confirmClose, const char* statusName,
               QWidget* parent);

    // For the window's layout.
    QLabel* StatusLine() const { return statusLine_; }
    ProgressRow* Progress() const { return progress_; }

    void ShowStatus(const QString& text, uint colour);
    // The model's status, percent and time left shown as it announces
    // them (its statusChanged, progressChanged and timeLeftChanged).
    template <class Model> void FollowWork(Model* model)
    {
        connect(model, &Model::statusChanged, this, &WorkWindow::ShowStatus);
        connect(model, &Model::progressChanged, progress_, &ProgressRow::SetPercent);
        connect(model, &Model::timeLeftChanged, progress_, &ProgressRow::SetTimeLeft);
    }
    // busy: inputs and the menu bar are locked and Cancel is offered; the
    // bar stays in view afterwards while it shows a percent.
    void ShowBusy(bool busy, int percent, std::initializer_list<QWidget*> inputs);

    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> cancel_;
    std::function<bool()> confirmClose_;
    QLabel* statusLine_;
    ProgressRow* progress_;
};

}  // namespace pellucor
