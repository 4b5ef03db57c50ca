#include "app/widgets/WorkWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>

#include "app/widgets/Colours.h"
#include "app/widgets/ProgressRow.h"

namespace pellucor {

WorkWindow::WorkWindow(std::function<void()> cancel, std::function<bool()> confirmClose, const char* statusName,
                       QWidget* parent)
    : QMainWindow(parent),
      cancel_(std::move(cancel)),
      confirmClose_(std::move(confirmClose)),
      statusLine_(new QLabel),
      progress_(new ProgressRow)
{
    statusLine_->setObjectName(statusName);
    // A long status (a path, a reason) wraps within the window's width and
    // is selectable, so it never widens the window off the screen.
    statusLine_->setWordWrap(true);
    statusLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusLine_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusLine_->setMinimumWidth(1);
    connect(progress_, &ProgressRow::cancelClicked, this, [this] { cancel_(); });
}

void WorkWindow::ShowStatus(const QString& text, uint colour)
{
    statusLine_->setText(text);
    statusLine_->setToolTip(text);
    statusLine_->setStyleSheet(BackgroundStyle(colour));
}

void WorkWindow::ShowBusy(bool busy, int percent, std::initializer_list<QWidget*> inputs)
{
    for (QWidget* w : inputs)
        w->setEnabled(!busy);
    menuBar()->setEnabled(!busy);
    progress_->Show(busy, percent);
}

void WorkWindow::closeEvent(QCloseEvent* event)
{
    // Closing this window ends the program (and the work under way), once
    // the model agrees.
    if (!confirmClose_()) {
        event->ignore();
        return;
    }
    event->accept();
    qApp->quit();
}

}  // namespace pellucor

#include "moc_WorkWindow.cpp"
