#include "app/widgets/ProgressRow.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace pellucor {

ProgressRow::ProgressRow(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    bar_ = new QProgressBar;
    bar_->setObjectName("publishProgress");
    bar_->setRange(0, 100);
    bar_->setFormat("%p%");
    row->addWidget(bar_, 1);
    cancel_ = new QPushButton(tr("Cancel"));
    cancel_->setObjectName("cmdCancel");
    connect(cancel_, &QPushButton::clicked, this, &ProgressRow::cancelClicked);
    row->addWidget(cancel_);
    Show(false, 0);
}

void ProgressRow::Show(bool running, int percent)
{
    SetPercent(percent);
    bar_->setVisible(running || percent > 0);
    cancel_->setVisible(running);
}

void ProgressRow::SetTimeLeft(const QString& text)
{
    bar_->setFormat(text.isEmpty() ? QString("%p%") : "%p%, " + text);
}

void ProgressRow::SetPercent(int percent)
{
    bar_->setRange(0, percent < 0 ? 0 : 100);
    bar_->setValue(std::max(percent, 0));
}

}  // namespace pellucor

#include "moc_ProgressRow.cpp"
