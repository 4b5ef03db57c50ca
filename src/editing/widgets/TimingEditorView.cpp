#include "editing/widgets/TimingEditorView.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "editing/SlideTextPanel.h"
#include "editing/TimingEditor.h"
#include "editing/widgets/FieldBinding.h"
#include "editing/widgets/TimelineView.h"

namespace pellucor {

TimingEditorView::TimingEditorView(TimingEditor& model, TimelineModel* timeline, SlideTextPanel* slideText,
                                   QWidget* parent)
    : QWidget(parent),
      model_(model),
      grid_(new QTableWidget(this)),
      timein_(new QLineEdit(this)),
      image_(new QLineEdit(this)),
      timeEnd_(new QLineEdit(this)),
      delta_(new QLineEdit(this)),
      text_(slideText)
{
    setWindowTitle(TimingEditor::kCaption);
    timein_->setObjectName("Timein");

    // "Students see": each start less the cuts before it, shown while the
    // recording has cuts (the events file keeps the recording's times).
    grid_->setColumnCount(text_ ? 6 : 4);
    grid_->setHorizontalHeaderLabels({"Slide (sldnnn.htm)", "Start", "End", tr("Students see"), "Title", "Title from"});
    grid_->horizontalHeaderItem(kShownColumn)
        ->setToolTip(tr("When the published lecture shows the slide: its start less the cuts before it"));
    grid_->horizontalHeader()->setStretchLastSection(true);
    // The page column is as wide as its caption, whatever the font size.
    grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row, int col) {
        if (!refreshing_ && row >= 0)
            model_.selectRow(row, col);
    });
    connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int col) {
        if (!refreshing_)
            model_.selectRow(row, col);
    });

    auto* top = new QHBoxLayout;
    top->addWidget(button("Load", QString(), &TimingEditor::openFile));
    top->addWidget(button("Save", "Saves the times into the events file they came from.", &TimingEditor::save));
    top->addWidget(button("Save As", QString(), &TimingEditor::saveAs));
    top->addWidget(button("Add", "Inserts a new line below the selected line.", &TimingEditor::addRow));
    top->addWidget(button("Insert", "Inserts a line above the selected line.", &TimingEditor::insertRow));
    top->addWidget(button("Delete", "Deletes the highlighted line in the grid below.", &TimingEditor::deleteRow));
    top->addWidget(button("Reset", QString(), &TimingEditor::reset));
    auto* done = new QPushButton("Done", this);
    connect(done, &QPushButton::clicked, this, [this] { model_.done(); });
    top->addWidget(done);

    const QString shiftTip
        = "This is most useful if, your timer got started a few seconds too early or late.  It does NOT adjust "
          "the end time so you have to do that manually.";
    auto* shift = new QHBoxLayout;
    shift->addWidget(delta_);
    shift->addWidget(button("-", shiftTip, &TimingEditor::decrease));
    shift->addWidget(button("+", shiftTip, &TimingEditor::increase));

    // The fields side by side on one row: the grid, the timeline and the
    // slide's text keep the height of a small screen.
    auto* fields = new QHBoxLayout;
    for (const auto& [label, field] : {std::pair {"Slide", image_}, {"Start", timein_}, {"End of media", timeEnd_}}) {
        auto* caption = new QLabel(tr(label), this);
        caption->setBuddy(field);
        fields->addWidget(caption);
        fields->addWidget(field);
    }
    fields->addWidget(new QLabel(tr("Shift by"), this));
    fields->addLayout(shift);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(fields);
    if (timeline) {
        timeline_ = new TimelineView(*timeline, this);
        timeline_->setObjectName("timeline");
        layout->addWidget(timeline_);
    }
    if (text_) {
        auto* split = new QSplitter(Qt::Horizontal, this);
        split->addWidget(grid_);
        split->addWidget(textPanel());
        split->setStretchFactor(0, 3);
        split->setStretchFactor(1, 2);
        layout->addWidget(split, 1);
    } else {
        layout->addWidget(grid_, 1);
    }
    // Esc is "Done" (which asks before unsaved changes go).
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, [this] { model_.done(); });

    connect(timein_, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.startTimeChanged(t.toStdString()); });
    connect(image_, &QLineEdit::textEdited, this, [this](const QString& t) { model_.imageChanged(t.toStdString()); });
    connect(timeEnd_, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.endTimeChanged(t.toStdString()); });
    connect(delta_, &QLineEdit::textEdited, this, [this](const QString& t) { model_.deltaChanged(t.toStdString()); });
    timein_->installEventFilter(this);
    image_->installEventFilter(this);

    connect(&model_, &TimingEditor::changed, this, &TimingEditorView::refresh);
    connect(&model_, &TimingEditor::closeRequested, this, [this] {
        closing_ = true;
        close();
        closing_ = false;
    });
    refresh();
    resize(QSize(text_ ? 1100 : 760, 560).boundedTo(screen()->availableGeometry().size() * 0.9));  // room for the frame
}

QWidget* TimingEditorView::textPanel()
{
    auto* box = new QGroupBox(tr("Text of the slide"), this);
    textSource_ = new QLabel(box);
    textSource_->setWordWrap(true);
    slideTitle_ = new QLineEdit(box);
    slideTitle_->setObjectName("slideTitle");
    slideText_ = new QPlainTextEdit(box);
    slideText_->setObjectName("slideText");
    saveText_ = new QPushButton(tr("Save Text"), box);
    saveText_->setToolTip(tr("Keeps the text as yours: a publish shows it and OCR never replaces it."));
    auto* form = new QFormLayout;
    form->addRow(tr("Title"), slideTitle_);
    auto* v = new QVBoxLayout(box);
    v->addWidget(textSource_);
    v->addLayout(form);
    v->addWidget(slideText_, 1);
    v->addWidget(saveText_, 0, Qt::AlignRight);
    connect(slideTitle_, &QLineEdit::textEdited, this, [this](const QString& t) { text_->SetTitle(t.toStdString()); });
    connect(slideText_, &QPlainTextEdit::textChanged, this, [this] {
        if (!refreshing_)
            text_->SetText(slideText_->toPlainText().toStdString());
    });
    connect(saveText_, &QPushButton::clicked, this, [this] { text_->saveText(); });
    connect(text_, &SlideTextPanel::changed, this, [this] {
        refreshText();
        refresh();
    });
    return box;
}

void TimingEditorView::refreshText()
{
    refreshing_ = true;
    const std::string& picture = text_->Picture();
    QString about = picture.empty() ? tr("No slide picture in this row.")
                                    : QString::fromStdString(picture) + ": "
            + (text_->Source().empty() ? tr("no text yet (a publish reads it by OCR)")
                                       : tr("from ") + QString::fromStdString(text_->Source()));
    if (text_->Unsaved())
        about += tr(" (changed)");
    textSource_->setText(about);
    SetFieldText(slideTitle_, text_->Title());
    if (slideText_->toPlainText().toStdString() != text_->Text())
        slideText_->setPlainText(QString::fromStdString(text_->Text()));
    slideTitle_->setEnabled(!picture.empty());
    slideText_->setEnabled(!picture.empty());
    saveText_->setEnabled(!picture.empty());
    refreshing_ = false;
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
        const std::string* texts[4] = {&row.page, &row.start, &row.end, &row.shown};
        for (int c = 0; c < 4; ++c) {
            QTableWidgetItem* item = grid_->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                grid_->setItem(r, c, item);
            }
            item->setText(QString::fromStdString(*texts[c]));
            item->setBackground(QBrush());
        }
        QTableWidgetItem* shown = grid_->item(r, kShownColumn);
        shown->setToolTip(QString());
        if (row.cutAway) {
            shown->setText(tr("cut away"));
            shown->setToolTip(tr("The whole stretch of this slide is cut: the students never see it."));
            shown->setBackground(Qt::lightGray);
        }
        if (row.bad)
            grid_->item(r, 0)->setBackground(Qt::red);
        else if (row.cutAway)
            grid_->item(r, 0)->setBackground(Qt::lightGray);
        else if (!row.review.empty())
            grid_->item(r, 0)->setBackground(Qt::yellow);
        grid_->item(r, 0)->setToolTip(row.review.empty() ? QString()
                                                         : tr("To check: ") + QString::fromStdString(row.review));
        grid_->item(r, 1)->setBackground(r == model_.GreenRow() ? Qt::green : Qt::white);
        if (text_) {
            const auto [title, from] = text_->TitleOf(row.page);
            for (int c = kShownColumn + 1; c < kShownColumn + 3; ++c)
                if (!grid_->item(r, c))
                    grid_->setItem(r, c, new QTableWidgetItem);
            grid_->item(r, kShownColumn + 1)->setText(QString::fromStdString(title));
            grid_->item(r, kShownColumn + 2)->setText(QString::fromStdString(from));
        }
    }
    grid_->setColumnHidden(kShownColumn, model_.Cuts().Empty());
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
        case Qt::Key_Up: model_.startTimeKeyUp(); return true;
        case Qt::Key_Down: model_.startTimeKeyDown(); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: model_.startTimeEntered(); return true;
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

#include "moc_TimingEditorView.cpp"
