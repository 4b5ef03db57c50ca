#include "editing/widgets/CaptionEditorView.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

#include "core/Messages.h"
#include "editing/CaptionEditor.h"

namespace pellucor {

namespace {
enum CaptionColumn { kCueStart, kCueEnd, kCueText };

const QColor kDoubtfulShade(255, 243, 196), kDoubtfulWord(255, 193, 7);

// The [from, to) character ranges of the words of a cue's text, as
// CaptionWords counts them.
std::vector<std::pair<int, int>> wordRanges(const QString& text)
{
    std::vector<std::pair<int, int>> ranges;
    for (int i = 0; i < text.size();) {
        if (text[i].isSpace()) {
            ++i;
            continue;
        }
        const int from = i;
        while (i < text.size() && !text[i].isSpace())
            ++i;
        ranges.emplace_back(from, i);
    }
    return ranges;
}

// Paints a text cell with its doubtful words on a highlight.
class DoubtfulWordsDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QVariantList doubtful = index.data(CaptionEditorView::kDoubtfulRole).toList();
        if (doubtful.isEmpty()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        const QString text = plain.text;
        plain.text.clear();
        (plain.widget ? plain.widget->style() : QApplication::style())
            ->drawControl(QStyle::CE_ItemViewItem, &plain, painter, plain.widget);
        const auto ranges = wordRanges(text);
        QString html;
        int at = 0;
        for (const QVariant& w : doubtful) {
            const int word = w.toInt();
            if (word < 0 || word >= static_cast<int>(ranges.size()))
                continue;
            html += text.mid(at, ranges[word].first - at).toHtmlEscaped();
            html += "<span style=\"background-color:" + kDoubtfulWord.name() + "\">"
                + text.mid(ranges[word].first, ranges[word].second - ranges[word].first).toHtmlEscaped() + "</span>";
            at = ranges[word].second;
        }
        html += text.mid(at).toHtmlEscaped();
        QTextDocument doc;
        doc.setDefaultFont(option.font);
        doc.setDocumentMargin(2);
        doc.setHtml("<div style=\"white-space: pre-wrap\">" + html + "</div>");
        doc.setTextWidth(option.rect.width());
        painter->save();
        // Centred in its row as the plain cells are.
        painter->translate(option.rect.left(),
                           option.rect.top() + std::max(0.0, (option.rect.height() - doc.size().height()) / 2));
        doc.drawContents(painter, QRectF(0, 0, option.rect.width(), option.rect.height()));
        painter->restore();
    }
};
}  // namespace

CaptionEditorView::CaptionEditorView(CaptionEditor& model, QWidget* parent)
    : QWidget(parent, Qt::Window),
      model_(model),
      tabs_(new QTabBar),
      grid_(new QTableWidget(0, 3)),
      status_(new QLabel),
      review_(new QLabel),
      reviewed_(new QCheckBox(tr("Reviewed by a person")))
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
    grid_->setItemDelegateForColumn(kCueText, new DoubtfulWordsDelegate(grid_));
    status_->setObjectName("lblStatus");
    status_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(grid_);
    auto* reviewRow = new QHBoxLayout;
    review_->setObjectName("lblReview");
    reviewed_->setObjectName("chkReviewed");
    reviewed_->setToolTip(tr("The captions are published as reviewed by a person even with doubtful words left"));
    connect(reviewed_, &QCheckBox::toggled, this, [this](bool on) {
        if (!refreshing_)
            model_.SetReviewed(on);
    });
    reviewRow->addWidget(review_, 1);
    reviewRow->addWidget(reviewed_);
    layout->addLayout(reviewRow);
    auto* buttons = new QHBoxLayout;
    QPushButton* next = addButton(buttons, tr("Next Doubtful Word"),
                                  tr("Select the next doubtful word and play from a second before it (F8)"),
                                  [this] { nextDoubtful(); });
    next->setObjectName("cmdNextDoubtful");
    next->setShortcut(Qt::Key_F8);
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
    connect(&model_, &CaptionEditor::doubtfulShown, this, &CaptionEditorView::showWord);
    connect(tabs_, &QTabBar::currentChanged, this, &CaptionEditorView::switchFile);
    refresh();
}

QPushButton* CaptionEditorView::addButton(QHBoxLayout* row, const QString& caption, const QString& tip,
                                          const std::function<void()>& action)
{
    auto* b = new QPushButton(caption);
    b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, action);
    row->addWidget(b);
    return b;
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
        QTableWidgetItem* text = grid_->item(row, kCueText);
        QVariantList doubtful;
        QStringList named;
        const auto ranges = wordRanges(texts[kCueText]);
        for (const size_t w : model_.DoubtfulWords(i)) {
            doubtful.append(static_cast<int>(w));
            if (w < ranges.size())
                named << texts[kCueText].mid(ranges[w].first, ranges[w].second - ranges[w].first);
        }
        if (text->data(kDoubtfulRole).toList() != doubtful)
            text->setData(kDoubtfulRole, doubtful);
        text->setBackground(doubtful.isEmpty() ? QBrush() : QBrush(kDoubtfulShade));
        if (why.empty() && !named.isEmpty())
            text->setToolTip(tr("Doubtful: %1").arg(named.join(", ")));
    }
    grid_->resizeRowsToContents();
    // (selecting the row again would move off the cell being edited)
    if (selected >= 0 && selected < grid_->rowCount() && selectedCue() != selected)
        grid_->selectRow(selected);
    const std::string file = model_.File();
    status_->setText(QString::fromStdString(
        file
        + (model_.WasAutomatic() ? model_.Descriptions() ? " (automatic descriptions)" : " (automatic captions)" : "")
        + (model_.Modified() ? ", changed" : "")
        + (problems ? ": " + std::to_string(problems) + " cues to mend (red)" : "")));
    review_->setVisible(model_.WasAutomatic());
    reviewed_->setVisible(model_.WasAutomatic());
    const size_t left = model_.DoubtfulLeft();
    review_->setText(
        model_.Reviewed()
            ? tr("Reviewed by a person (%1 doubtful words left)").arg(left)
            : tr("%1 doubtful words left, %2% reviewed").arg(left).arg(static_cast<int>(model_.ReviewedShare() * 100)));
    reviewed_->setChecked(model_.Reviewed());
    reviewed_->setEnabled(left > 0);
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

void CaptionEditorView::nextDoubtful()
{
    const int cue = selectedCue();
    if (!model_.NextDoubtful(cue < 0 ? 0 : static_cast<size_t>(cue)))
        status_->setText(tr("No doubtful words left"));
}

// The word moved to is selected in its open cell, ready to be typed over.
void CaptionEditorView::showWord(int cue, int word)
{
    QTableWidgetItem* item = grid_->item(cue, kCueText);
    if (!item)
        return;
    grid_->selectRow(cue);
    grid_->setCurrentItem(item);
    grid_->scrollToItem(item);
    grid_->editItem(item);
    const auto ranges = wordRanges(item->text());
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (editor && grid_->isAncestorOf(editor) && word >= 0 && word < static_cast<int>(ranges.size()))
        editor->setSelection(ranges[word].first, ranges[word].second - ranges[word].first);
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
        status_->setText(
            QString::fromStdString("Saved " + model_.File()
                                   + (model_.Descriptions()        ? " as your own audio descriptions"
                                          : !model_.WasAutomatic() ? " as your own captions"
                                          : model_.Reviewed()      ? ": captions reviewed by a person"
                                                                   : ": automatic captions, review not finished")));
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
