#include "capture/widgets/TimingEditorView.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include "capture/TimingEditor.h"
#include "capture/widgets/TimelineView.h"
#include "capture/widgets/ViewBinding.h"

namespace pellucor {

TimingEditorView::TimingEditorView(TimingEditor& model, TimelineModel* timeline, QWidget* parent)
    : QWidget(parent),
      model_(model),
      grid_(new QTableWidget(this)),
      timein_(new QLineEdit(this)),
      image_(new QLineEdit(this)),
      timeEnd_(new QLineEdit(this)),
      delta_(new QLineEdit(this))
{
    setWindowTitle(TimingEditor::kCaption);

    grid_->setColumnCount(3);
    grid_->setHorizontalHeaderLabels({"Slide (sldnnn.htm)", "Start", "End"});
    grid_->horizontalHeader()->setStretchLastSection(true);
    // The page column is as wide as its caption, whatever the font size.
    grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row, int col) {
        if (!refreshing_ && row >= 0)
            model_.Grid1_Click(row, col);
    });
    connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int col) {
        if (!refreshing_)
            model_.Grid1_Click(row, col);
    });

    auto* top = new QHBoxLayout;
    top->addWidget(button("Load", QString(), &TimingEditor::cmdLoad_Click));
    top->addWidget(button("Save", QString(), &TimingEditor::cmdSave_Click));
    top->addWidget(button("Add", "Inserts a new line below the selected line.", &TimingEditor::cmdAdd_Click));
    top->addWidget(button("Insert", "Inserts a line above the selected line.", &TimingEditor::Command2_Click));
    top->addWidget(button("Delete", "Deletes the highlighted line in the grid below.", &TimingEditor::Command3_Click));
    top->addWidget(button("Reset", QString(), &TimingEditor::cmdReset_Click));
    auto* done = new QPushButton("Done", this);
    connect(done, &QPushButton::clicked, this, [this] { model_.cmdDone_Click(); });
    top->addWidget(done);

    const QString shiftTip
        = "This is most useful if, your timer got started a few seconds too early or late.  It does NOT adjust "
          "the end time so you have to do that manually.";
    auto* shift = new QHBoxLayout;
    shift->addWidget(delta_);
    shift->addWidget(button("-", shiftTip, &TimingEditor::cmdMinus_Click));
    shift->addWidget(button("+", shiftTip, &TimingEditor::cmdPlus_Click));

    auto* fields = new QFormLayout;
    fields->addRow("Slide", image_);
    fields->addRow("Start", timein_);
    fields->addRow("End of media", timeEnd_);
    fields->addRow("Shift by", shift);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(fields);
    if (timeline) {
        timeline_ = new TimelineView(*timeline, this);
        timeline_->setObjectName("timeline");
        layout->addWidget(timeline_);
    }
    layout->addWidget(grid_, 1);
    // Esc is "Done" (which asks before unsaved changes go).
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, [this] { model_.cmdDone_Click(); });

    connect(timein_, &QLineEdit::textEdited, this, [this](const QString& t) { model_.Timein_Change(t.toStdString()); });
    connect(image_, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.txtImage_Change(t.toStdString()); });
    connect(timeEnd_, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.TimeEnd_Change(t.toStdString()); });
    connect(delta_, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.txtDelta_Change(t.toStdString()); });
    timein_->installEventFilter(this);
    image_->installEventFilter(this);

    connect(&model_, &TimingEditor::changed, this, &TimingEditorView::refresh);
    connect(&model_, &TimingEditor::closeRequested, this, [this] {
        closing_ = true;
        close();
        closing_ = false;
    });
    refresh();
    resize(QSize(760, 560).boundedTo(screen()->availableGeometry().size() * 0.9));  // room for the frame
}

QPushButton* TimingEditorView::button(const QString& caption, const QString& tip, void (TimingEditor::*action)())
{
    auto* b = new QPushButton(caption, this);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, [this, action] { (model_.*action)(); });
    return b;
}

void TimingEditorView::refresh()
{
    refreshing_ = true;
    const auto& rows = model_.Rows();
    grid_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const TimingEditor::Row& row = rows[static_cast<size_t>(r)];
        const std::string* texts[3] = {&row.page, &row.start, &row.end};
        for (int c = 0; c < 3; ++c) {
            QTableWidgetItem* item = grid_->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                grid_->setItem(r, c, item);
            }
            item->setText(QString::fromStdString(*texts[c]));
            item->setBackground(QBrush());
        }
        if (row.bad)
            grid_->item(r, 0)->setBackground(Qt::red);
        else if (!row.review.empty())
            grid_->item(r, 0)->setBackground(Qt::yellow);
        grid_->item(r, 0)->setToolTip(row.review.empty() ? QString()
                                                         : tr("To check: ") + QString::fromStdString(row.review));
        grid_->item(r, 1)->setBackground(r == model_.GreenRow() ? Qt::green : Qt::white);
    }
    grid_->setCurrentCell(model_.SelectedRow(), model_.SelectedCol());
    SetFieldText(timein_, model_.Timein());
    SetFieldText(image_, model_.TxtImage());
    SetFieldText(timeEnd_, model_.TimeEnd());
    SetFieldText(delta_, model_.Delta());
    refreshing_ = false;
}

bool TimingEditorView::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == timein_ || watched == image_) && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up: model_.Timein_KeyUp(); return true;
        case Qt::Key_Down: model_.Timein_KeyDown(); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: model_.Timein_Enter(); return true;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TimingEditorView::closeEvent(QCloseEvent* event)
{
    if (closing_ || model_.ConfirmDiscard())
        event->accept();
    else
        event->ignore();
}

}  // namespace pellucor
