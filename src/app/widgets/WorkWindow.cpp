#include "app/widgets/WorkWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>

#include "app/widgets/Colours.h"
#include "app/widgets/ProgressRow.h"

namespace pellucor {

WorkWindow::WorkWindow(std::function<void()> cancel, const char* statusName, QWidget* parent)
    : QMainWindow(parent), cancel_(std::move(cancel)), statusLine_(new QLabel), progress_(new ProgressRow)
{
    statusLine_->setObjectName(statusName);
    statusLine_->setWordWrap(true);
    connect(progress_, &ProgressRow::cancelClicked, this, [this] { cancel_(); });
}

void WorkWindow::ShowStatus(const QString& text, uint colour)
{
    statusLine_->setText(text);
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
    // Closing this window ends the program (and the work under way).
    cancel_();
    event->accept();
    qApp->quit();
}

}  // namespace pellucor
