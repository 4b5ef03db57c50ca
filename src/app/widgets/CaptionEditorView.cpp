#include "app/widgets/CaptionEditorView.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/CaptionEditor.h"
#include "core/Messages.h"

namespace pellucor {

namespace {
enum CaptionColumn { kCueStart, kCueEnd, kCueText };
}

CaptionEditorView::CaptionEditorView(CaptionEditor& model, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), tabs_(new QTabBar), grid_(new QTableWidget(0, 3)), status_(new QLabel)
{
    setWindowTitle(CaptionEditor::kCaption);
    tabs_->setObjectName("tabFiles");
    tabs_->addTab(tr("Captions"));
    tabs_->addTab(tr("Audio descriptions"));
    grid_->setObjectName("lstCues");
    grid_->setHorizontalHeaderLabels({tr("Start"), tr("End"), tr("Text")});
    grid_->horizontalHeader()->setSectionResizeMode(kCueText, QHeaderView::Stretch);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setWordWrap(true);
    status_->setObjectName("lblStatus");
    status_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(grid_);
    auto* buttons = new QHBoxLayout;
    addButton(buttons, tr("Play From Here"), tr("Play the recording from the selected cue's start"),
              [this] { play(); });
    addButton(buttons, tr("Split"), tr("Split the selected cue in two in the middle of its words"),
              [this] { split(); });
    addButton(buttons, tr("Merge"), tr("Join the selected cue and the one below it"), [this] { merge(); });
    buttons->addStretch();
    addButton(buttons, tr("Save"), tr("Save the captions as your own: automatic captions never replace them"),
              [this] { save(); });
    addButton(buttons, tr("Close"), tr("Close the caption editor"), [this] { close(); });
    layout->addLayout(buttons);
    layout->addWidget(status_);
    resize(760, 520);
    connect(&model_, &CaptionEditor::cuesChanged, this, &CaptionEditorView::refresh);
    connect(grid_, &QTableWidget::cellChanged, this, &CaptionEditorView::cellEdited);
    connect(tabs_, &QTabBar::currentChanged, this, &CaptionEditorView::switchFile);
    refresh();
}

void CaptionEditorView::addButton(QHBoxLayout* row, const QString& caption, const QString& tip,
                                  const std::function<void()>& action)
{
    auto* b = new QPushButton(caption);
    b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, action);
    row->addWidget(b);
}

void CaptionEditorView::refresh()
{
    refreshing_ = true;
    tabs_->setCurrentIndex(model_.Descriptions() ? 1 : 0);
    const int selected = selectedCue();
    const auto& cues = model_.Cues();
    grid_->setRowCount(static_cast<int>(cues.size()));
    int problems = 0;
    for (size_t i = 0; i < cues.size(); ++i) {
        const int row = static_cast<int>(i);
        const std::string why = model_.Problem(i);
        problems += why.empty() ? 0 : 1;
        const QString texts[]
            = {QString::fromStdString(CaptionEditor::TimeText(cues[i].start)),
               QString::fromStdString(CaptionEditor::TimeText(cues[i].end)), QString::fromStdString(cues[i].text)};
        // Items are updated in place: this may run from the signal of the
        // very item being edited.
        for (int c = kCueStart; c <= kCueText; ++c) {
            QTableWidgetItem* item = grid_->item(row, c);
            if (!item)
                grid_->setItem(row, c, item = new QTableWidgetItem);
            if (item->text() != texts[c])
                item->setText(texts[c]);
            item->setForeground(why.empty() ? palette().text() : QBrush(Qt::red));
            item->setToolTip(QString::fromStdString(why));
        }
    }
    grid_->resizeRowsToContents();
    if (selected >= 0 && selected < grid_->rowCount())
        grid_->selectRow(selected);
    const std::string file = model_.File();
    status_->setText(QString::fromStdString(
        file
        + (model_.WasAutomatic() ? model_.Descriptions() ? " (automatic descriptions)" : " (automatic captions)" : "")
        + (model_.Modified() ? ", changed" : "")
        + (problems ? ": " + std::to_string(problems) + " cues to mend (red)" : "")));
    refreshing_ = false;
}

void CaptionEditorView::cellEdited(int row, int column)
{
    if (refreshing_ || row < 0)
        return;
    const auto cue = static_cast<size_t>(row);
    const std::string text = grid_->item(row, column)->text().toStdString();
    std::string err;
    const bool ok = column == kCueText ? model_.SetText(cue, text)
        : column == kCueStart          ? model_.SetStart(cue, text, err)
                                       : model_.SetEnd(cue, text, err);
    if (!ok) {
        Tav_Message(err);
        refresh();
    }
}

int CaptionEditorView::selectedCue() const
{
    const auto rows = grid_->selectionModel() ? grid_->selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? grid_->currentRow() : rows.front().row();
}

void CaptionEditorView::split()
{
    if (const int cue = selectedCue(); cue >= 0)
        model_.Split(static_cast<size_t>(cue));
}

void CaptionEditorView::merge()
{
    if (const int cue = selectedCue(); cue >= 0)
        model_.Merge(static_cast<size_t>(cue));
}

void CaptionEditorView::play()
{
    if (const int cue = selectedCue(); cue >= 0)
        model_.PlayFrom(static_cast<size_t>(cue));
}

void CaptionEditorView::save()
{
    std::string err;
    if (!model_.Save(err))
        Tav_Message(err);
    else
        status_->setText(QString::fromStdString("Saved " + model_.File() + " as your own "
                                                + (model_.Descriptions() ? "audio descriptions" : "captions")));
}

// The other tab's file opened, once the edits of the one open are saved
// or let go.
void CaptionEditorView::switchFile(int tab)
{
    if (refreshing_ || (tab == 1) == model_.Descriptions())
        return;
    std::string err;
    if (!settled() || !model_.OpenDescriptions(tab == 1, err)) {
        if (!err.empty())
            Tav_Message(err);
        refresh();  // the tab of the file still open
    }
}

// Whether the edits may be left: saved, or the user lets them go.
bool CaptionEditorView::settled()
{
    if (!model_.Modified())
        return true;
    const int answer = Tav_AskYesNoCancel(model_.Descriptions() ? "Save the changed audio descriptions?"
                                                                : "Save the changed captions?");
    std::string err;
    // Cancel, or a save that failed, keeps the file open.
    if (answer == TavCancel || (answer == TavYes && !model_.Save(err))) {
        if (!err.empty())
            Tav_Message(err);
        return false;
    }
    return true;
}

void CaptionEditorView::closeEvent(QCloseEvent* event) { event->setAccepted(settled()); }

}  // namespace pellucor
